#include "updates/SystemProgramLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

QStringList SystemProgramLauncher::splitArguments(const QString &arguments)
{
    return QProcess::splitCommand(arguments);
}

bool SystemProgramLauncher::startElevated(const QString &program, const QString &arguments)
{
#ifdef Q_OS_WIN
    const std::wstring file = QDir::toNativeSeparators(program).toStdWString();
    const std::wstring parameters = arguments.toStdWString();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"runas", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                      nullptr, SW_SHOWNORMAL));
    return result > 32;
#else
    // pkexec would start and only then find nothing to run.
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable())
        return false;
    const QStringList list = splitArguments(arguments);
#if defined(Q_OS_LINUX)
    const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (!pkexec.isEmpty())
        return QProcess::startDetached(pkexec, QStringList{info.absoluteFilePath()} + list);
#endif
    return QProcess::startDetached(info.absoluteFilePath(), list);
#endif
}
