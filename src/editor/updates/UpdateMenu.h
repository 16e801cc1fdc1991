#pragma once

#include "app/EditorServices.h"
#include "updates/SystemProgramLauncher.h"
#include "updates/UpdatePreference.h"
#include "updates/WebClient.h"

#include <QObject>
#include <QUrl>
#include <memory>

class TformMain;
class TformNewVersionMsg;

// The Info menu's update items and the new-version window: the version check
// on the first tick of TimerCheckWebVersion, "Update Now", "Show Update
// Message", "Support" and "What's New?". Made by the main window's start-up
// once the settings folders exist; lives as long as the main window.
class UpdateMenu : public QObject {
    Q_OBJECT
public:
    UpdateMenu(TformMain &main, const EditorServices &services, const QString &settingsSubfolder);
    ~UpdateMenu() override;

    // Start-up: reads the preference into the check mark of "Show Update
    // Message", readies the items that need the server, and starts the timer.
    void start();
    // The window the check opens; its buttons run the update and open the
    // release notes.
    void setNewVersionWindow(TformNewVersionMsg *window);

    const UpdatePreference &preference() const { return m_preference; }

    // Whether the new-version window opens, read once at start-up.
    bool showMessageVersionAtStartup = true;
    // The server's version, once the check has one.
    QString newAppVersion;

public slots:
    // The first tick: stops the timer and runs the check once.
    void checkmostrecentversiononwebsite();
    void menuUpdateNowClick();
    void menuShowUpdateMsgClick();
    void menuSupportClick();
    void btnSeeWhatsNewClick();
    // Asks, refreshes and starts the updater, then ends the editor; an
    // updater that did not start leaves it running.
    void LaunchUpdate();

private:
    // Tells the user the preference file was left as it was, and why.
    void preferenceNotSaved(const QString &error);
    // Opens an address in the user's default browser; a failure is not
    // reported.
    void OpenURL(const QUrl &address);

    TformMain &m_main;
    UserPrompts &m_prompts;
    LogSink &m_log;
    UpdateSettings m_settings;
    UpdatePreference m_preference;
    WebClient m_versionRequest;
    WebClient m_updaterRequests;
    SystemProgramLauncher m_systemLauncher;
    TformNewVersionMsg *m_window = nullptr;
};
