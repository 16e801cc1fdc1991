#pragma once

#include "updates/ProgramLauncher.h"

#include <QStringList>

// The operating system's way to start a program elevated: on Windows the
// shell with the verb "runas" (the elevation prompt), shown normally; on
// Linux pkexec when it is installed, else the program itself; on macOS the
// program itself.
class SystemProgramLauncher final : public ProgramLauncher {
public:
    bool startElevated(const QString &program, const QString &arguments) override;

    // The argument text split as the Windows shell would hand it over:
    // blanks separate, double quotes group. For the platforms that start a
    // program with a list of arguments.
    static QStringList splitArguments(const QString &arguments);
};
