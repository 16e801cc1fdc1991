// The real pauses of paced and fast transfer, on the real clock: about a
// tenth and a fifth of a millisecond each. A pause that the system rounds up
// to its timer tick (a millisecond or more, as Windows' sleeps are) would
// stretch the some 50,000 pauses of a firmware upgrade many-fold.
//
// The bounds leave room for a busy machine: 1,000 pauses must take their
// time at least and less than half the time of 1,000 one-millisecond ones.

#include "ManualClock.h"
#include "ScriptedPrompts.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"
#include "firmware/BootloaderLine.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

TEST(BootloaderPause, EachPauseLastsItsFractionOfAMillisecondNotATimerTick)
{
    ManualClock clock;
    SimulatedPedalDriver pedal{clock.microseconds()};
    ScriptedPrompts prompts;
    D2XXUnit transport{pedal, prompts};
    BootloaderLine line{transport, clock, BootloaderLine::Transfer::Paced};

    struct Case {
        const char *name;
        std::function<void()> pause;
        qint64 us;
    };
    const Case cases[] = {{"byte pause", line.bytePause, 100}, {"answer pause", line.answerPause, 200}};
    constexpr int Count = 1000;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < Count; ++i)
            c.pause();
        const qint64 us = timer.nsecsElapsed() / 1000;
        EXPECT_GE(us, Count * c.us);
        EXPECT_LT(us, Count * 1000 / 2) << "a pause lasts a millisecond or more";
    }
}

}  // namespace
