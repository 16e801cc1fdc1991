// The real pauses of paced and fast transfer, on the real clock: about a
// tenth and a fifth of a millisecond each, and never none (a short sleep of
// MinGW's on Windows returns at once, which would send the bootloader its
// bytes without a gap). How little longer than asked they last is speed, and
// the firmware benchmark measures it.

#include "ManualClock.h"
#include "ScriptedPrompts.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"
#include "firmware/BootloaderLine.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

TEST(BootloaderPause, EachPauseLastsAtLeastItsFractionOfAMillisecond)
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
    }
}

}  // namespace
