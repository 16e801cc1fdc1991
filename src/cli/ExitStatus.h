#pragma once

// The tool's exit status, the same for every command.
enum ExitStatus {
    Success = 0,
    PedalFailure = 1,  // the pedal failed or did not answer, or a question was answered No
    UsageError = 2,    // the arguments, or what the pedal runs, rule the command out
};
