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
class StatusRequestTest : public ::testing::Test {
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
    }
    std::optional<DeviceStatus> request(const QByteArray &reply)
    {
        fake.push(0, reply);
        return status.request_device_status();
    }

    const FakeFtd2xx &fake = FakeFtd2xx::instance();
    ManualClock clock;
    ScriptedPrompts prompts;
    RecordingLog log;
    D2xxLibraryDriver driver{QStringLiteral(SOMBRANT_FAKE_FTD2XX_PATH)};
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    StatusRequest status{comm, log, prompts, clock};
};

}  // namespace

TEST_F(StatusRequestTest, ReadsTheWholeStateFromEightyTwoValues)
{
    const auto s = request(encodeValues(statusValues()));
    ASSERT_TRUE(s.has_value());
    // One write of the two request bytes (the stand-in's TX record does not
    // survive the purge that follows, so the bytes are read from the buffer).
    EXPECT_EQ(fake.callCount("FT_Write"), 1u);
    EXPECT_EQ(fake.lastArg("FT_Write", 2), 2u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(transport.output_buffer.data()), 2),
              QByteArray::fromHex("0200"));
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

TEST_F(StatusRequestTest, FailuresSayWhyAndGiveNothing)
{
    struct Case {
        const char *what;
        QByteArray reply;
        const char *message;
    };
    const Case cases[] = {
        {"silence", {}, "No reply from the pedal"},
        {"short", encodeValues(statusValues().left(10)), "Incomplete reply from the pedal (10 values)"},
        {"no values", "\n12", "Incomplete reply from the pedal (0 values)"},
        {"undecodable", "\n8\r\n0\r\n1;\r", "Undecodable reply from the pedal"},
    };
    // A good reply first: its values must not fill in for a bad one.
    ASSERT_TRUE(request(encodeValues(statusValues())).has_value());
    for (const Case &c : cases) {
        prompts.messages.clear();
        EXPECT_FALSE(request(c.reply).has_value()) << c.what;
        ASSERT_EQ(prompts.messages.size(), 1) << c.what;
        EXPECT_TRUE(prompts.messages[0].startsWith(c.message)) << prompts.messages[0];
        transport.PurgeFTReceive();
    }
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
