#include "updates/UpdateLauncher.h"

#include "app/UserPrompts.h"
#include "updates/ProgramLauncher.h"
#include "updates/UpdaterRefresh.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

UpdateLauncher::UpdateLauncher(UserPrompts &prompts, UpdaterRefresh &refresh, ProgramLauncher &launcher,
                               QString tempFolder, QString editorProgram)
    : m_prompts(prompts),
      m_refresh(refresh),
      m_launcher(launcher),
      m_tempFolder(std::move(tempFolder)),
      m_editorProgram(std::move(editorProgram))
{
}

QString UpdateLauncher::updatePath() const
{
    return QDir::toNativeSeparators(QDir(m_tempFolder).filePath(QString::fromLatin1(UpdateFileName)));
}

QString UpdateLauncher::argumentText(const QString &updatePath, const QString &editorPath)
{
    const QChar quote = QLatin1Char('"');
    return quote + updatePath + quote + QLatin1Char(' ') + quote + editorPath + quote;
}

UpdateLauncher::Outcome UpdateLauncher::LaunchUpdate()
{
    if (!m_prompts.askYesNo(QString::fromLatin1(Question)))
        return Outcome::Declined;
    if (!m_refresh.RefreshUpdater())
        return failed(NoServerAnswer);
    const QString updater = m_refresh.updaterPath();
    // Nothing is started that is not there.
    if (!QFileInfo::exists(updater)) {
        return failed(m_refresh.downloaded() ? UpdaterNotInstalled : UpdaterNotObtained,
                      QStringLiteral("Not found: ") + updater);
    }
    if (!StartUpdater(updater, updatePath(), QDir::toNativeSeparators(m_editorProgram)))
        return failed(UpdaterDidNotStart, QString::fromLatin1(LaunchFailedMessage));
    return Outcome::Started;
}

bool UpdateLauncher::StartUpdater(const QString &updaterPath, const QString &updatePath,
                                  const QString &editorPath)
{
    return m_launcher.startElevated(updaterPath, argumentText(updatePath, editorPath));
}

UpdateLauncher::Outcome UpdateLauncher::failed(const char *plainWords, const QString &lastReason)
{
    QStringList reasons = m_refresh.problems();
    if (!lastReason.isEmpty())
        reasons << lastReason;
    // A warning: the plain words, the reasons below them.
    m_prompts.showFailure(QString::fromLatin1(plainWords), reasons.join(QLatin1Char('\n')));
    return Outcome::Failed;
}
