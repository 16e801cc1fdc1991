#pragma once

#include <QString>

class QCoreApplication;

// What asks the simulator from outside to end, so that it ends as after an
// "unplug" fault and saves what the state file does not hold.
//
// On Unix: SIGTERM, SIGINT or SIGHUP. On Windows, where a console program
// gets no message when another program asks it to close: its standard input
// ending (the program that started it closes the pipe, or Ctrl+Z and Enter at
// a console), or Ctrl+C, Ctrl+Break or the console closing.
//
// One implementation per platform: StopRequests_unix.cpp, StopRequests_win.cpp.
class StopRequests {
public:
    // Makes a stop request end `app`'s event loop; false with a message.
    static bool quitOnRequest(QCoreApplication &app, QString *error);
    // Says that the state is saved and the program is about to end: a request
    // that must not return before then (a console closing) returns.
    static void ended();
};
