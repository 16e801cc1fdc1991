#include "updates/VersionCheck.h"

#include "app/LogSink.h"
#include "app/UserPrompts.h"
#include "updates/UpdateServer.h"
#include "updates/VersionNumber.h"
#include "updates/WebClient.h"

VersionCheck::VersionCheck(WebClient &client, LogSink &log, UserPrompts &prompts)
    : m_client(client), m_log(log), m_prompts(prompts)
{
}

VersionCheck::Result VersionCheck::failed(const QString &why)
{
    Result result;
    result.outcome = Outcome::Failed;
    result.menuText = why.isEmpty() ? QStringLiteral("Update check failed")
                                    : QStringLiteral("Update check failed: ") + why;
    return result;
}

VersionCheck::Result VersionCheck::run(const QString &currentAppVersion)
{
    if (!m_client.configured())
        return {Outcome::NotConfigured, {}, QStringLiteral("Update check not configured")};

    const WebAnswer answer = m_client.get(UpdateServer::VersionPath);
    if (!answer.answered) {
        m_prompts.showMessage(answer.error);
        const Result result = failed(answer.error);
        m_log.PrintToConsole(result.menuText);
        return result;
    }
    if (answer.status != 200) {
        // Without a version there is nothing to compare.
        m_prompts.showMessage(QStringLiteral("Error: ") + answer.statusText);
        return failed({});
    }

    if (answer.tooLong) {
        // A version is a few bytes; the rest was never read.
        const Result result = failed(QStringLiteral("unexpected answer (more than %1 bytes)")
                                         .arg(WebClient::MaxAnswerBytes));
        m_log.PrintToConsole(result.menuText);
        return result;
    }

    const QString newAppVersion = QString::fromUtf8(answer.body).trimmed();
    m_log.PrintToConsole(QStringLiteral("currentAppVersion: ") + currentAppVersion);
    m_log.PrintToConsole(QStringLiteral("newAppVersion: ") + newAppVersion);

    const std::optional<VersionNumber> server = VersionNumber::parse(newAppVersion);
    const std::optional<VersionNumber> own = VersionNumber::parse(currentAppVersion);
    if (!server || !own) {
        const Result result = failed(QStringLiteral("unexpected answer"));
        m_log.PrintToConsole(result.menuText);
        return result;
    }
    if (*server > *own)
        return {Outcome::Newer, newAppVersion,
                QString::fromLatin1(NewVersionCaption) + QLatin1Char(' ') + newAppVersion};
    return {Outcome::NotNewer, newAppVersion, QStringLiteral("No update available")};
}
