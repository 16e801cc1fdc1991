#include "updates/UpdaterRefresh.h"

#include "app/LogSink.h"
#include "app/UserPrompts.h"
#include "updates/FileVersion.h"
#include "updates/ProgramLauncher.h"
#include "updates/UpdateServer.h"
#include "updates/VersionNumber.h"
#include "updates/WebClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

UpdaterRefresh::UpdaterRefresh(WebClient &client, LogSink &log, UserPrompts &prompts,
                               ProgramLauncher &launcher, QString editorFolder)
    : m_client(client),
      m_log(log),
      m_prompts(prompts),
      m_launcher(launcher),
      m_editorFolder(std::move(editorFolder))
{
}

QString UpdaterRefresh::updaterPath() const
{
    return QDir::toNativeSeparators(QDir(m_editorFolder).filePath(QString::fromLatin1(UpdaterFileName)));
}

QString UpdaterRefresh::downloadPath() const
{
    return QDir::toNativeSeparators(QDir(m_editorFolder).filePath(QString::fromLatin1(DownloadFileName)));
}

bool UpdaterRefresh::RefreshUpdater()
{
    const WebAnswer answer = m_client.get(UpdateServer::UpdaterVersionPath);
    if (!answer.answered) {
        problem(answer.error);
        return false;
    }
    std::optional<VersionNumber> server;
    if (answer.status == 200 && answer.tooLong) {
        m_log.PrintToConsole(QStringLiteral("Updater version check failed: unexpected answer (more than %1 bytes)")
                                 .arg(WebClient::MaxAnswerBytes));
    } else if (answer.status == 200) {
        serverUpdaterVersion = QString::fromUtf8(answer.body).trimmed();
        m_log.PrintToConsole(QStringLiteral("updater version on server: ") + serverUpdaterVersion);
        server = VersionNumber::parse(serverUpdaterVersion);
        if (!server)
            m_log.PrintToConsole(QStringLiteral("Updater version check failed: unexpected answer"));
    } else {
        problem(QStringLiteral("Error: ") + answer.statusText);
    }

    if (!QFileInfo::exists(updaterPath())) {
        m_log.PrintToConsole(QStringLiteral("Local updater not found, proceed with download..."));
        DownloadUpdater();
        return true;
    }
    m_log.PrintToConsole(QStringLiteral("local updater exists, check version..."));
    if (!server)
        return true;  // nothing to compare with: the installed updater it is

    currentUpdaterVersion = FileVersion::majorMinor(updaterPath());
    m_log.PrintToConsole(QStringLiteral("currentUpdaterVersion: ") + currentUpdaterVersion);
    const std::optional<VersionNumber> installed = VersionNumber::parse(currentUpdaterVersion);
    m_log.PrintToConsole(QString(serverUpdaterVersion).remove(QLatin1Char('.')));
    m_log.PrintToConsole(QString(currentUpdaterVersion).remove(QLatin1Char('.')));
    // An installed updater without a readable version is older than any.
    if (!installed || *server > *installed) {
        m_log.PrintToConsole(
            QStringLiteral("New version of the updater found on server, downloading the new updater..."));
        DownloadUpdater();
    }
    return true;
}

void UpdaterRefresh::problem(const QString &text)
{
    m_log.PrintToConsole(text);
    m_problems << text;
}

bool UpdaterRefresh::DownloadUpdater()
{
    QString error;
    if (!m_client.download(UpdateServer::UpdaterDownloadPath, downloadPath(), &error)) {
        problem(QStringLiteral("Download failed: ") + error);
        return false;
    }
    m_downloaded = true;
    // A program, to be started where programs need permission to run.
    QFile::setPermissions(downloadPath(), QFile::permissions(downloadPath()) | QFile::ExeOwner
                                              | QFile::ExeGroup | QFile::ExeOther);
    m_prompts.showMessage(QStringLiteral("New updater downloaded! Click OK to proceed with the update."));
    // The updater takes its download into use; whether it starts is seen
    // again when it is started with the two paths. Without an installed
    // updater there is nothing to start.
    if (QFileInfo::exists(updaterPath()))
        m_launcher.startElevated(updaterPath(), QString());
    return true;
}
