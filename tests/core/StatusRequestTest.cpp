#include "StandInFixture.h"
#include "FakeFtd2xx.h"
#include "ManualClock.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "ScriptedReplies.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/D2xxLibraryDriver.h"
#include "device/StatusRequest.h"

#include <gtest/gtest.h>

namespace {

// The status request against a pedal whose replies the test scripts, behind
// the stand-in D2XX library.
class StatusRequestTest : public StandInFixture {
protected:
    // The pedal answers the request while the editor pauses: the reply is
    // queued at the first step of time after the request went out.
    PedalResultOf<DeviceStatus> request(const QByteArray &reply)
    {
        bool answered = false;
        clock.onAdvance = [&](std::int64_t now) {
            fake.setTime(now);
            if (!answered)
                fake.push(0, reply);
            answered = true;
        };
        auto result = status.request_device_status();
        clock.onAdvance = [this](std::int64_t now) { fake.setTime(now); };
        return result;
    }

    StatusRequest status{comm, log, prompts, clock};
};

}  // namespace

TEST_F(StatusRequestTest, ReadsTheWholeStateFromEightyTwoValues)
{
    const QByteArray reply = encodeValues(statusValues());
    const auto s = request(reply);
    ASSERT_TRUE(s.has_value()) << prompts.messages.join(" | ");
    // What crossed the library, polls left out: the receive queue purged,
    // the transmit queue purged, the request written, 200 ms of pause, the
    // reply read whole, and a last purge after a short look for more.
    const QStringList calls = fake.journalWithout("FT_GetQueueStatus").mid(2);  // count, open
    EXPECT_EQ(calls, QStringList({"@0 FT_Purge RX", "@0 FT_Purge TX", "@0 FT_Write 0200",
                                  "@200 FT_Purge TX", QStringLiteral("@200 FT_Read %1").arg(reply.size()),
                                  "@210 FT_Purge RX"}));
    EXPECT_EQ(s->device_firmware_version, "08");
    EXPECT_EQ(s->device_algorithm_version, "0010");
    EXPECT_EQ(s->device_effect_number, "10");
    EXPECT_EQ(s->footswitch_mode, 3);
    EXPECT_TRUE(s->assignments[0].assigned);
    EXPECT_EQ(s->assignments[0].address, 0x000A);
    EXPECT_FALSE(s->assignments[1].assigned);
    EXPECT_EQ(s->assignments[4].address, 0xFFFE);
    EXPECT_EQ(s->tuning, 2);
    EXPECT_EQ(s->semitones, -2);
    EXPECT_EQ(s->parameterValues[0], 0x00400000u);
    EXPECT_EQ(s->parameterValues[14], 1u);
    EXPECT_TRUE(log.lines.contains("Firmware Version: 08"));
    EXPECT_TRUE(log.lines.contains("Algorithm version: 0010"));
    EXPECT_TRUE(log.lines.contains("Effect Number: 10"));
    EXPECT_TRUE(log.lines.contains("81:    01"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(StatusRequestTest, ReplySplitOverSeveralReadsIsWhole)
{
    fake.limitNextRead(7);
    const auto s = request(encodeValues(statusValues()));
    ASSERT_TRUE(s.has_value());
    EXPECT_GE(fake.callCount("FT_Read"), 2u);
    EXPECT_EQ(s->parameterValues[14], 1u);
}

TEST_F(StatusRequestTest, StaleBytesAreDiscardedBeforeTheRequest)
{
    // The tail of an earlier reply that came too late for it.
    fake.push(0, "\n0\r\n16\r\n");
    const auto s = request(encodeValues(statusValues(0x07)));
    ASSERT_TRUE(s.has_value()) << prompts.messages.join(" | ");
    EXPECT_EQ(s->device_firmware_version, "07");
    EXPECT_EQ(log.lines.first(), "Discarded 8 stray bytes");
}

TEST_F(StatusRequestTest, FailuresSayWhyAndGiveNothing)
{
    struct Case {
        const char *what;
        QByteArray reply;
        const char *message;
    };
    const QByteArray whole = encodeValues(statusValues());
    const Case cases[] = {
        {"silence", {}, "No reply from the pedal"},
        {"short", encodeValues(statusValues().left(10)), "Incomplete reply from the pedal: 10 of 82 values"},
        {"no values", "\n12", "Incomplete reply from the pedal: 0 of 82 values"},
        {"undecodable", "\n8\r\n0\r\n1;\r", "Undecodable reply from the pedal at byte 8: 0A 31 3B"},
        {"one value more", whole + "\n0\r", "Unexpected reply: more than 82 values"},
        {"the reply twice", whole + whole, "Unexpected reply: more than 82 values"},
        {"an error word", QByteArray("ERROR\r").repeated(100), "Undecodable reply from the pedal at byte 0: 45"},
    };
    // A good reply first: its values must not fill in for a bad one.
    ASSERT_TRUE(request(whole).has_value());
    for (const Case &c : cases) {
        prompts.messages.clear();
        const int readsBefore = int(fake.callCount("FT_Read"));
        EXPECT_FALSE(request(c.reply).has_value()) << c.what;
        EXPECT_EQ(prompts.messages, QStringList({c.message})) << c.what;
        EXPECT_EQ(fake.rxPending(0), 0u) << c.what << ": the rest is purged";
        if (c.reply.size() > 410) {
            EXPECT_LE(int(fake.callCount("FT_Read")) - readsBefore, 2) << c.what;
        }
    }
}

// Another request started while one waits for its reply (a handler run
// from the wait) is refused: it would take the first one's reply.
TEST_F(StatusRequestTest, ARequestInsideAnotherIsRefused)
{
    bool answered = false;
    PedalResultOf<DeviceStatus> nested{DeviceStatus{}};
    clock.onAdvance = [&](std::int64_t now) {
        fake.setTime(now);
        if (answered)
            return;
        answered = true;
        nested = status.request_device_status();
        fake.push(0, encodeValues(statusValues()));
    };
    EXPECT_TRUE(status.request_device_status().has_value()) << prompts.messages.join(" | ");
    EXPECT_FALSE(nested.has_value());
    EXPECT_TRUE(log.lines.contains("Busy: status request refused while the status request waits for the pedal"));
    EXPECT_EQ(fake.callCount("FT_Write"), 1u);
}

TEST_F(StatusRequestTest, VersionChecksTellAnOlderPedalOnly)
{
    struct Case {
        std::uint8_t fw, algHigh, algLow;
        QStringList messages;
    };
    const QString firmware = "A firmware upgrade is required. Upgrade to Firmware 8";
    const QString algorithm = "Upload the latest version of Sombrant MK3 algorithm. Upload Algorithm 10";
    const Case cases[] = {
        {0x08, 0x00, 0x10, {}},
        {0x07, 0x00, 0x10, {firmware}},
        {0x08, 0x00, 0x09, {algorithm}},
        {0x07, 0x00, 0x09, {firmware, algorithm}},
        {0x09, 0x00, 0x11, {}},
        {0x0A, 0x00, 0x10, {"Unknown firmware version 0A"}},
        {0x08, 0x00, 0x1A, {"Unknown algorithm version 001A"}},
    };
    for (const Case &c : cases) {
        const auto s = request(encodeValues(statusValues(c.fw, c.algHigh, c.algLow)));
        ASSERT_TRUE(s.has_value());
        prompts.messages.clear();
        log.lines.clear();
        status.checkVersions(*s, 8, 10);
        EXPECT_EQ(prompts.messages, c.messages) << int(c.fw) << " " << int(c.algLow);
        EXPECT_EQ(log.lines, QStringList({"Current device firmware: " + s->device_firmware_version,
                                          "Most recent firmware: 8"}));
    }
}

TEST(DeviceStatus, JsonKeepsSlotOrderAndNamesEveryField)
{
    const auto s = DeviceStatus::fromValues(statusValues());
    ASSERT_TRUE(s.has_value());
    const QByteArray json = s->toJson();
    EXPECT_TRUE(json.contains("\"firmware\":\"08\"")) << json.toStdString();
    EXPECT_TRUE(json.contains("\"algorithm\":\"0010\""));
    EXPECT_TRUE(json.contains("\"semitones\":-2"));
    EXPECT_TRUE(json.contains("{\"address\":10,\"assigned\":true,\"control\":\"Control I\"}"));
    EXPECT_TRUE(json.contains("\"values\":{\"Dry\":4194304,\"Sub Mix\":0,"));
    EXPECT_TRUE(json.endsWith("\"High Notes Cut\":1}}"));
    EXPECT_FALSE(DeviceStatus::fromValues(statusValues().left(81)).has_value());
}
