#pragma once

#include <QString>

class LogSink;
class ProgramLauncher;
class UserPrompts;
class WebClient;

// Keeps the updater program current before it is started: asks the server
// for the newest updater's version, compares it with the installed one
// ("Sombrant_Win_Updater.exe" in the editor's folder) and downloads the
// server's updater as "Sombrant_Win_Updater_Update.exe" beside it when the
// server's is newer or none is installed. Taking the download into use is
// the updater's business.
class UpdaterRefresh {
public:
    static constexpr const char *UpdaterFileName = "Sombrant_Win_Updater.exe";
    static constexpr const char *DownloadFileName = "Sombrant_Win_Updater_Update.exe";

    UpdaterRefresh(WebClient &client, LogSink &log, UserPrompts &prompts, ProgramLauncher &launcher,
                   QString editorFolder);

    QString updaterPath() const;
    QString downloadPath() const;

    // Returns false when the launch must stop: the version request brought
    // no answer at all (the user has been shown why). An answer other than
    // 200, or one that is not a version, skips the comparison and the launch
    // goes on with the installed updater.
    bool RefreshUpdater();

    // Downloads the updater, says so and starts the installed one without
    // arguments; a failure is shown as "Download failed: " and its reason.
    void DownloadUpdater();

    QString serverUpdaterVersion;
    QString currentUpdaterVersion;

private:
    WebClient &m_client;
    LogSink &m_log;
    UserPrompts &m_prompts;
    ProgramLauncher &m_launcher;
    QString m_editorFolder;
};
