#pragma once

#include <QStringList>

class Invocation;
class QCommandLineParser;

// The handlers of the commands that change the effect's parameters: set,
// store, assign, footswitch and preset. Each reads and checks its values
// before the pedal is opened, then runs ParameterTool on it; the result is
// the tool's exit status. The command table has checked the number of
// arguments.
class ParameterHandlers {
public:
    // The assignment options, one per control in control order.
    static const QStringList &assignOptions();
    static void addAssignOptions(QCommandLineParser &parser);

    static int set(const Invocation &run);
    static int store(const Invocation &run);
    static int assign(const Invocation &run);
    static int footswitch(const Invocation &run);
    static int preset(const Invocation &run);
};
