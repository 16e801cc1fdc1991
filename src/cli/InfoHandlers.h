#pragma once

class Invocation;

// The handlers of the commands that only report: list (the attached pedals),
// status (the pedal's state) and check-update (the newest editor version).
// The result is the tool's exit status. The command table has checked that
// no argument was given.
class InfoHandlers {
public:
    static int list(const Invocation &run);
    static int status(const Invocation &run);
    static int checkUpdate(const Invocation &run);
};
