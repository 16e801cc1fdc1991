#pragma once

#include <cstdint>

// The clock behind every pause and wait: the editor's real one, and a manual
// one in tests so that waits and deadlines run without real time passing.
class PauseClock {
public:
    virtual ~PauseClock() = default;

    // Monotonic milliseconds.
    virtual std::int64_t elapsedMs() = 0;
    // A fixed pause that holds the interface still.
    virtual void sleep(int ms) = 0;
    // Lets the interface handle its events, waiting up to ms for them without
    // using the processor. Handlers may run nested inside this call.
    virtual void processEvents(int ms) = 0;
};
