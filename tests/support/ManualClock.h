#pragma once

#include "app/PauseClock.h"

#include <QCoreApplication>
#include <functional>

// Time that passes only when the code under test pauses or waits: every
// sleep and event wait moves it on (at least 1 ms, so waits always reach
// their deadlines), and pending events are still processed.
class ManualClock final : public PauseClock {
public:
    std::int64_t elapsedMs() override { return now; }
    void sleep(int ms) override { advance(ms); }
    void processEvents(int ms) override
    {
        QCoreApplication::processEvents();
        advance(ms);
    }
    // Microseconds, for the simulated pedal's wire.
    std::function<std::int64_t()> microseconds()
    {
        return [this] { return now * 1000; };
    }

    std::int64_t now = 0;
    // Called after each step of time, e.g. to play a pedal's side.
    std::function<void(std::int64_t)> onAdvance;

private:
    void advance(int ms)
    {
        now += ms > 0 ? ms : 1;
        if (onAdvance)
            onAdvance(now);
    }
};
