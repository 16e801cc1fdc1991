#pragma once

class Invocation;

// The handlers of the commands that give the effect what it runs with: the
// tuning filter table (upload-tuning), the guitar tuning (tuning), the MIDI
// channel (midi) and the algorithm image (upload-algorithm). Each reads and
// checks its values before the pedal is opened, and asks first where the
// command writes the pedal's memory; the result is the tool's exit status.
// The command table has checked the number of arguments.
class EffectHandlers {
public:
    static int uploadTuning(const Invocation &run);
    static int tuning(const Invocation &run);
    static int midi(const Invocation &run);
    static int uploadAlgorithm(const Invocation &run);
};
