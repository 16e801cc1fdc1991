#pragma once

#include <QString>

// Starts a program with administrator rights and does not wait for it. The
// editor's real launcher asks the operating system (SystemProgramLauncher);
// tests record the program and the argument text instead of starting them.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;

    // program: a full path. arguments: one text as a shell would be given it,
    // paths in double quotes ("\"/tmp/a b\" \"/opt/x\""), empty for none. No
    // working folder is given. Returns whether the program was started; a
    // refused elevation prompt counts as not started.
    virtual bool startElevated(const QString &program, const QString &arguments) = 0;
};
