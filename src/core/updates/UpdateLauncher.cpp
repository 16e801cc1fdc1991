#include "updates/UpdateLauncher.h"

#include "app/UserPrompts.h"
#include "updates/ProgramLauncher.h"
#include "updates/UpdaterRefresh.h"

#include <QDir>

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

bool UpdateLauncher::LaunchUpdate()
{
    if (!m_prompts.askYesNo(QString::fromLatin1(Question)))
        return false;
    if (!m_refresh.RefreshUpdater())
        return false;
    StartUpdater(m_refresh.updaterPath(), updatePath(), QDir::toNativeSeparators(m_editorProgram));
    return true;
}

bool UpdateLauncher::StartUpdater(const QString &updaterPath, const QString &updatePath,
                                  const QString &editorPath)
{
    if (m_launcher.startElevated(updaterPath, argumentText(updatePath, editorPath)))
        return true;
    m_prompts.showMessage(QStringLiteral("Failed to launch updater. Please run as administrator."));
    return false;
}
