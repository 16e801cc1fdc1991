#pragma once

#include <QString>

class D2XXUnit;
class LogSink;
class UserPrompts;

// What main() hands down to the windows: the transport, the prompts, the log
// and the Documents folder. All outlive the windows.
struct EditorServices {
    D2XXUnit &transport;
    UserPrompts &prompts;
    LogSink &log;
    QString documentsFolder;
};
