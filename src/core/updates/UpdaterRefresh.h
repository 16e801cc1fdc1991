#pragma once

#include <QString>
#include <QStringList>

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
//
// It shows no failure itself: what went wrong on the way is logged and kept
// in problems(), in the words the user is to read ("Error: Not Found",
// "Download failed: ..."), for UpdateLauncher to tell in one box should the
// updater not start.
class UpdaterRefresh {
public:
    static constexpr const char *UpdaterFileName = "Sombrant_Win_Updater.exe";
    static constexpr const char *DownloadFileName = "Sombrant_Win_Updater_Update.exe";

    UpdaterRefresh(WebClient &client, LogSink &log, UserPrompts &prompts, ProgramLauncher &launcher,
                   QString editorFolder);

    QString updaterPath() const;
    QString downloadPath() const;

    // Returns false when the launch must stop: the version request brought
    // no answer at all (problems() says why). An answer other than 200, or
    // one that is not a version, skips the comparison and the launch goes on
    // with the installed updater.
    bool RefreshUpdater();

    // Downloads the updater, says so and starts the installed one without
    // arguments; false with "Download failed: " and its reason among the
    // problems when the download failed.
    bool DownloadUpdater();

    // What went wrong so far, oldest first; each is also in the log.
    const QStringList &problems() const { return m_problems; }
    // Whether a new updater was downloaded beside the installed one.
    bool downloaded() const { return m_downloaded; }

    QString serverUpdaterVersion;
    QString currentUpdaterVersion;

private:
    void problem(const QString &text);

    QStringList m_problems;
    bool m_downloaded = false;
    WebClient &m_client;
    LogSink &m_log;
    UserPrompts &m_prompts;
    ProgramLauncher &m_launcher;
    QString m_editorFolder;
};
