#pragma once

#include <QString>

class D2XXUnit;
class LogSink;
class PauseClock;
class UserPrompts;

// What main() hands down to the windows: the transport, the prompts, the log,
// the clock for pauses and the Documents folder. All outlive the windows.
struct EditorServices {
    D2XXUnit &transport;
    UserPrompts &prompts;
    LogSink &log;
    PauseClock &clock;
    QString documentsFolder;
};
