#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QLibrary>
#include <QtGlobal>

// Wine hands a Windows program no QT_* variable from the Linux side, so the
// launcher the Windows tests run through (tools/windows/wine-run.in) passes
// each QT_X on as SOMBRANT_WINE_QT_X; this sets them again before Qt starts.
// Elsewhere there is nothing to restore.
inline void restoreQtVariablesPassedThroughWine()
{
#ifdef Q_OS_WIN
    static const QString prefix = QStringLiteral("SOMBRANT_WINE_");
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : env.keys()) {
        if (name.startsWith(prefix))
            qputenv(name.mid(prefix.size()).toLocal8Bit(), env.value(name).toLocal8Bit());
    }
#endif
}

// Whether this Windows program runs under Wine (whose ntdll exports its
// version) rather than on Windows itself.
inline bool runningUnderWine()
{
#ifdef Q_OS_WIN
    return QLibrary::resolve(QStringLiteral("ntdll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}
