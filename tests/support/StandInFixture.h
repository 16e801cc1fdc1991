#pragma once

#include "FakeFtd2xx.h"
#include "ManualClock.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/D2xxLibraryDriver.h"

#include <gtest/gtest.h>

// A test against the stand-in D2XX library: one FT230X, "PDL00001", listed
// and opened through a D2XXUnit, the message exchange on top, and manual
// time that stamps the library's journal, so a test reads what crossed the
// library and when.
class StandInFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(fake.complete()) << error;
        fake.reset();
        ASSERT_EQ(fake.add("PDL00001", "FT230X Basic UART"), 0);
        ASSERT_TRUE(driver.load(&error)) << error;
        transport.GetFTDeviceCount();
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("PDL00001"), ft::Ok);
        clock.onAdvance = [this](std::int64_t now) { fake.setTime(now); };
    }

    // The calls after the set-up (the count and the open), polls left out.
    QStringList calls() const { return fake.journalWithout("FT_GetQueueStatus").mid(2); }

    const FakeFtd2xx &fake = FakeFtd2xx::instance();
    ManualClock clock;
    ScriptedPrompts prompts;
    RecordingLog log;
    D2xxLibraryDriver driver{QStringLiteral(SOMBRANT_FAKE_FTD2XX_PATH)};
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
};
