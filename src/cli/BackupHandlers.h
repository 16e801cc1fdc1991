#pragma once

class Invocation;

// The handlers of backup and restore. backup reads the whole pedal into a
// file; restore reads and checks the file whole before the pedal is opened,
// then writes back what the pedal's messages can write, after its question
// (--yes), and prints what it could not restore. The result is the tool's
// exit status; the command table has checked that one FILE was given.
class BackupHandlers {
public:
    static int backup(const Invocation &run);
    static int restore(const Invocation &run);
};
