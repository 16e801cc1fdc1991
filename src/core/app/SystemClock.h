#pragma once

#include "app/PauseClock.h"

#include <QElapsedTimer>

// Real time: sleeps block the thread; event waits run a nested event loop
// until a timer ends it.
class SystemClock final : public PauseClock {
public:
    SystemClock();

    std::int64_t elapsedMs() override;
    void sleep(int ms) override;
    void processEvents(int ms) override;

private:
    QElapsedTimer m_timer;
};
