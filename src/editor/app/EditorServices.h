#pragma once

#include "updates/UpdateSettings.h"

#include <QString>

class D2XXUnit;
class LogSink;
class PauseClock;
class UserPrompts;

// What main() hands down to the windows: the transport, the prompts, the log,
// the clock for pauses, the Documents folder and the update settings. All
// outlive the windows.
struct EditorServices {
    D2XXUnit &transport;
    UserPrompts &prompts;
    LogSink &log;
    PauseClock &clock;
    QString documentsFolder;
    // The vendor's web server and the updater's start; nothing configured
    // unless main() or a test says otherwise.
    UpdateSettings updates = {};
};
