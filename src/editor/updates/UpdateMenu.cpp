#include "updates/UpdateMenu.h"

#include "app/MenuMnemonic.h"
#include "app/TformMain.h"
#include "app/UserPrompts.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/UpdateLauncher.h"
#include "updates/UpdateServer.h"
#include "updates/UpdaterRefresh.h"
#include "updates/VersionCheck.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

UpdateMenu::UpdateMenu(TformMain &main, const EditorServices &services, const QString &settingsSubfolder)
    : QObject(&main),
      m_main(main),
      m_prompts(services.prompts),
      m_log(services.log),
      m_settings(services.updates),
      m_preference(settingsSubfolder),
      m_versionRequest(services.updates.server, services.updates.webLimits()),
      m_updaterRequests(services.updates.server, services.updates.webLimits())
{
}

UpdateMenu::~UpdateMenu() = default;

void UpdateMenu::start()
{
    showMessageVersionAtStartup = m_preference.LoadShowUpdateMessagePreference();
    m_main.menuShowUpdateMsg->setChecked(showMessageVersionAtStartup);

    // Without a server there is no page to open.
    m_main.menuSupport->setEnabled(m_versionRequest.configured());
    connect(m_main.menuSupport, &QAction::triggered, this, &UpdateMenu::menuSupportClick);
    connect(m_main.menuShowUpdateMsg, &QAction::triggered, this, &UpdateMenu::menuShowUpdateMsgClick);
    connect(m_main.menuUpdateNow, &QAction::triggered, this, &UpdateMenu::menuUpdateNowClick);
    connect(m_main.TimerCheckWebVersion, &QTimer::timeout, this,
            &UpdateMenu::checkmostrecentversiononwebsite);
    m_main.TimerCheckWebVersion->start();
}

void UpdateMenu::setNewVersionWindow(TformNewVersionMsg *window)
{
    m_window = window;
    if (!window)
        return;
    window->setPreference(&m_preference);
    connect(window, &TformNewVersionMsg::preferenceNotSaved, this, &UpdateMenu::preferenceNotSaved);
    window->btnSeeWhatsNew->setEnabled(m_versionRequest.configured());
    connect(window, &TformNewVersionMsg::launchUpdateRequested, this, &UpdateMenu::LaunchUpdate);
    connect(window, &TformNewVersionMsg::whatsNewRequested, this, &UpdateMenu::btnSeeWhatsNewClick);
}

void UpdateMenu::checkmostrecentversiononwebsite()
{
    // Once per run.
    m_main.TimerCheckWebVersion->stop();
    VersionCheck check(m_versionRequest, m_log, m_prompts);
    const VersionCheck::Result result = check.run(m_main.currentAppVersion);
    newAppVersion = result.newAppVersion;
    // Its mnemonic, 'a', is in every result ("New version available: 1.1",
    // "Update check failed").
    m_main.menuNewAppVersion->setText(MenuMnemonic::marked(result.menuText, QLatin1Char('a')));
    const bool newer = result.outcome == VersionCheck::Outcome::Newer;
    m_main.menuUpdateNow->setEnabled(newer);
    if (newer && showMessageVersionAtStartup && m_window) {
        m_window->setVersions(m_main.currentAppVersion, newAppVersion);
        m_window->show();
    }
}

void UpdateMenu::menuUpdateNowClick()
{
    LaunchUpdate();
}

void UpdateMenu::menuShowUpdateMsgClick()
{
    // The click has toggled the check mark already; the next start reads it.
    QString error;
    if (!m_preference.write(m_main.menuShowUpdateMsg->isChecked(), &error) && !error.isEmpty())
        preferenceNotSaved(error);
}

void UpdateMenu::preferenceNotSaved(const QString &error)
{
    m_prompts.showMessage(QStringLiteral("The update message preference was not saved: ") + error);
}

void UpdateMenu::menuSupportClick()
{
    OpenURL(m_versionRequest.address(UpdateServer::SupportPath));
}

void UpdateMenu::btnSeeWhatsNewClick()
{
    OpenURL(m_versionRequest.address(UpdateServer::WhatsNewPath));
}

void UpdateMenu::OpenURL(const QUrl &address)
{
    if (address.isValid())
        QDesktopServices::openUrl(address);
}

void UpdateMenu::LaunchUpdate()
{
    const QString editorProgram = m_settings.editorProgram.isEmpty()
        ? QCoreApplication::applicationFilePath() : m_settings.editorProgram;
    const QString tempFolder = m_settings.tempFolder.isEmpty() ? QDir::tempPath() : m_settings.tempFolder;
    ProgramLauncher &launcher = m_settings.launcher ? *m_settings.launcher : m_systemLauncher;

    UpdaterRefresh refresh(m_updaterRequests, m_log, m_prompts, launcher,
                           QFileInfo(editorProgram).absolutePath());
    UpdateLauncher update(m_prompts, refresh, launcher, tempFolder, editorProgram);
    if (update.LaunchUpdate() != UpdateLauncher::Outcome::Started)
        return;
    // The updater replaces the editor's files: the editor ends once it runs.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}
