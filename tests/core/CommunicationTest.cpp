#include "ManualClock.h"
#include "OpenAtLineSpeed.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/HexText.h"
#include "device/SimulatedPedalDriver.h"
#include "device/StatusRequest.h"
#include "model/PedalDevice.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// The message exchange on the in-process simulated pedal, on manual time.
class CommunicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(openAtLineSpeed(transport, QStringLiteral("SIM00001")), ft::Ok);
    }
    QByteArray sent(int n) const
    {
        return QByteArray(reinterpret_cast<const char *>(transport.output_buffer.data()), n);
    }
    Communication::Reply decode(const QByteArray &reply, int expected)
    {
        comm.received_reply = reply;
        return comm.decode_reply(expected);
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    RecordingLog log;
    SimulatedPedalDriver driver{clock.microseconds()};
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
};

}  // namespace

TEST_F(CommunicationTest, DecodesEachValueOfTheReplyEncoding)
{
    struct Case {
        const char *what;
        const char *reply;
        QByteArray values;
    };
    const Case cases[] = {
        {"one digit", "0A380D", bytes("08")},
        {"two digits", "0A31320D", bytes("0C")},
        {"three digits, the most", "0A3235350D", bytes("FF")},
        {"zero", "0A300D", bytes("00")},
        {"leading zeros", "0A3030370D", bytes("07")},
        {"without 0A", "31320D330D", bytes("0C03")},
        {"0A starts a value afresh", "390A370D", bytes("07")},
    };
    for (const Case &c : cases) {
        comm.received_bytes_array.clear();
        EXPECT_EQ(decode(bytes(c.reply), int(c.values.size())), Communication::Reply::Decoded) << c.what;
        EXPECT_EQ(comm.received_bytes_array, c.values) << c.what;
        EXPECT_TRUE(prompts.messages.isEmpty()) << c.what << ": " << prompts.messages.join(" | ");
    }
}

// A reply is believed only when every value is well formed and there are as
// many as the request expects; anything else says what was wrong, changes
// nothing and lists nothing.
TEST_F(CommunicationTest, RefusesWhatIsNotAReplyOfTheExpectedLength)
{
    struct Case {
        const char *what;
        const char *reply;
        int expected;
        const char *message;
    };
    const Case cases[] = {
        {"above 255", "0A3235360D", 1, "Undecodable reply from the pedal at byte 3: 0A 32 35 36"},
        {"four digits", "0A310D0A303030370D", 2, "Undecodable reply from the pedal at byte 7: 0A 30 30 30 37"},
        {"no digits", "0A310D0A0D", 2, "Undecodable reply from the pedal at byte 4: 0A 0D"},
        {"a bare carriage return", "0D0D0D", 3, "Undecodable reply from the pedal at byte 0: 0D"},
        {"a negative number", "0A2D310D", 1, "Undecodable reply from the pedal at byte 1: 0A 2D"},
        {"a digit's low half-byte", "0A370D0A3B0D", 2, "Undecodable reply from the pedal at byte 4: 0A 3B"},
        {"a word", "4552524F520D", 1, "Undecodable reply from the pedal at byte 0: 45"},
        {"a value short", "0A310D0A320D", 3, "Incomplete reply from the pedal: 2 of 3 values"},
        {"a value begun", "0A310D0A32", 2, "Incomplete reply from the pedal: 1 of 2 values"},
        {"nothing", "", 2, "Incomplete reply from the pedal: 0 of 2 values"},
        {"one value more", "0A310D0A320D0A330D", 2, "Unexpected reply: more than 2 values"},
        {"a byte more", "0A310D0A320D0A", 2, "Unexpected reply: more than 2 values"},
        {"restarts without end", "0A0A0A0A0A0A0A0A0A0A0A", 2, "Unexpected reply: more than 10 bytes for 2 values"},
    };
    for (const Case &c : cases) {
        comm.received_bytes_array = bytes("0102");
        prompts.clearBoxes();
        log.lines.clear();
        EXPECT_EQ(decode(bytes(c.reply), c.expected), Communication::Reply::Refused) << c.what;
        EXPECT_EQ(prompts.failures, QStringList({c.message})) << c.what;
        EXPECT_EQ(prompts.details, QStringList({Communication::GarbleAdvice})) << c.what << ": what to do";
        EXPECT_EQ(comm.received_bytes_array, bytes("0102")) << c.what << ": the old values stay";
        EXPECT_TRUE(log.lines.isEmpty()) << c.what << ": nothing is listed";
    }
}

TEST_F(CommunicationTest, ListsTheValuesAndTheirCounts)
{
    decode(bytes("0A31320D0A3235350D"), 2);
    EXPECT_EQ(log.lines, QStringList({"num of bytes received: 2", "received_bytes_array size: 2",
                                      "0:    0C", "1:    FF"}));
}

TEST_F(CommunicationTest, EepromListingIsNumberedByAddressAndBounded)
{
    comm.eeprom_read_active = true;
    comm.eeprom_start_address = 100;
    comm.eeprom_end_address = 103;
    decode(bytes("310D320D330D340D350D360D"), 6);
    EXPECT_EQ(log.lines.mid(2), QStringList({"100:    01", "101:    02", "102:    03", "103:    04"}));
}

TEST_F(CommunicationTest, AShortReplyAfterALongOneHoldsOnlyItsOwnValues)
{
    QByteArray fifty;
    for (int i = 0; i < 50; ++i)
        fifty += "0A" + QByteArray::number(100 + i).toHex() + "0D";
    decode(QByteArray::fromHex(fifty), 50);
    ASSERT_EQ(comm.received_bytes_array.size(), 50);
    decode(bytes("0A310D0A320D0A330D0A340D0A350D"), 5);
    EXPECT_EQ(comm.received_bytes_array, bytes("0102030405"));
}

TEST_F(CommunicationTest, WriteDspMessageSendsSevenBytesAndLogsTheText)
{
    comm.write_dsp_message("01", 0x00E8, 1);
    EXPECT_EQ(log.lines, QStringList({"write to DSP msg: 0100E800000001"}));
    EXPECT_EQ(sent(7), bytes("0100E800000001"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(CommunicationTest, SendMessageConvertsWholePairsAndStopsAtABadOne)
{
    transport.output_buffer.fill(0xEE);
    comm.send_message("02001", 2, false);  // an odd last digit is not sent
    EXPECT_EQ(sent(3), bytes("0200EE"));

    transport.output_buffer.fill(0xEE);
    comm.send_message("0d0Z0102", 4, false);  // lower case accepted; "0Z" stops it
    EXPECT_EQ(sent(4), bytes("0DEEEEEE"));
}

TEST(HexText, NumbersArePaddedToTheirDigitsAndNeverCut)
{
    const std::tuple<std::uint64_t, int, const char *> cases[] = {
        {0, 2, "00"},
        {0, 0, "0"},
        {0xE8, 4, "00E8"},
        {0xab, 2, "AB"},
        {0x123, 2, "123"},
        {0x3FC000, 8, "003FC000"},
        {0xFFFFFFFF, 8, "FFFFFFFF"},
        {0x1234567890ABCDEFull, 8, "1234567890ABCDEF"},
        {std::uint8_t(std::int8_t(-2)), 2, "FE"},
    };
    for (const auto &[value, digits, text] : cases)
        EXPECT_EQ(hexDigits(value, digits), text) << value << " in " << digits;
}

TEST(HexText, ConvertsPairsBothWays)
{
    EXPECT_EQ(Hex2String("0D00"), bytes("0D00"));
    EXPECT_EQ(Hex2String("abc"), bytes("AB"));
    EXPECT_EQ(Hex2String("01GG02"), bytes("010000")) << "bytes after a bad pair are zero";
    EXPECT_EQ(HexToBytes("00E7"), bytes("00E7"));
    EXPECT_EQ(HexToBytes(""), QByteArray());
    QString error;
    EXPECT_FALSE(HexToBytes("00G7", &error).has_value());
    EXPECT_EQ(error, "'G7' is not a valid hexadecimal number");
    EXPECT_EQ(toHexText(bytes("0a1f")), "0A1F");
    EXPECT_EQ(toHexText(bytes("0a1f"), ' '), "0A 1F");
}

TEST_F(CommunicationTest, AReplyEndsAsSoonAsItsValuesAreIn)
{
    comm.send_message("0200", 2, true);
    int polls = 0;
    clock.onAdvance = [&](std::int64_t) { ++polls; };
    ASSERT_EQ(comm.receive_reply(82), Communication::Reply::Decoded);
    EXPECT_GT(polls, 3) << "the paced reply arrives over many polls";
    EXPECT_EQ(comm.received_bytes_array.size(), 82);
    EXPECT_EQ(comm.received_bytes_array.left(4), bytes("08001010"));
    EXPECT_TRUE(prompts.messages.isEmpty());
    // The request and the reply on the wire, and the pedal's 1 ms to answer:
    // the read ends within a short check after the last byte, not after a
    // long silence.
    const double wireMs = double(2 + comm.received_reply.size()) * 10 * 1000 / 115200 + 1;
    EXPECT_LE(double(clock.now), wireMs + 20);
    transport.QueryFTQueueStatus();
    EXPECT_EQ(transport.rx_queue_count, 0u);
}

TEST_F(CommunicationTest, APauseInsideAReplyIsWaitedOutAndAStopIsIncomplete)
{
    driver.pedal().faults().splitParts = 2;
    driver.pedal().faults().splitGapUs = 1'500'000;
    comm.send_message("0200", 2, true);
    ASSERT_EQ(comm.receive_reply(82), Communication::Reply::Decoded) << prompts.messages.join(" | ");
    EXPECT_EQ(comm.received_bytes_array.size(), 82);
    EXPECT_GE(clock.now, 1500);

    // A pedal that stops after 20 values is waited for until the deadline of
    // 82 values: 2 s, and twice the 410 bytes' time on the wire.
    driver.pedal().faults().splitParts = 1;
    driver.pedal().faults().statusReply = PedalFaults::StatusReply::Short;
    driver.pedal().faults().shortStatusValues = 20;
    const QByteArray before = comm.received_bytes_array;
    const std::int64_t start = clock.now;
    comm.send_message("0200", 2, true);
    EXPECT_EQ(comm.receive_reply(82), Communication::Reply::Refused);
    EXPECT_EQ(prompts.messages, QStringList({"Incomplete reply from the pedal: 20 of 82 values"}));
    EXPECT_EQ(comm.received_bytes_array, before);
    EXPECT_GE(clock.now - start, 2072);
    EXPECT_LE(clock.now - start, 2072 + 5);
}

TEST_F(CommunicationTest, SilenceEndsTheWaitAtItsDeadline)
{
    comm.received_bytes_array = bytes("0102");
    EXPECT_EQ(comm.receive_reply(82), Communication::Reply::NoReply);
    EXPECT_EQ(prompts.failures, QStringList({"No reply from the pedal"}));
    EXPECT_EQ(prompts.details, QStringList({Communication::SilenceAdvice}));
    EXPECT_EQ(comm.received_bytes_array, bytes("0102"));
    EXPECT_GE(clock.now, 2072);
    EXPECT_LE(clock.now, 2072 + 5);
    EXPECT_EQ(Communication::replyDeadlineMs(16384), 2000 + 2 * 7112)
        << "the deadline grows with the reply: a whole EEPROM dump";
}

TEST_F(CommunicationTest, AClosedDeviceEndsTheWaitWithTheDriversError)
{
    transport.CloseFTDevice();
    EXPECT_EQ(comm.receive_reply(82), Communication::Reply::TransportError);
    EXPECT_EQ(prompts.details, QStringList({"FT_GetQueueStatus - Invalid handle..."}));
    EXPECT_EQ(comm.receive_reply_text(), "");
}

TEST_F(CommunicationTest, ReplyTextGivesTheFirstByteInUpgradeModeAndTextOtherwise)
{
    comm.send_message("0200", 2, false);
    const QString text = comm.receive_reply_text();
    EXPECT_TRUE(text.startsWith("\n8\r\n0\r\n16\r")) << text;
    EXPECT_EQ(log.lines.last(), QStringLiteral("num of bytes received: %1").arg(comm.received_reply.size()));

    comm.firmware_upgrade_mode = true;
    comm.send_message("0200", 2, false);
    EXPECT_EQ(comm.receive_reply_text(), "0A");
}

// A text reply has no length of its own: it ends when the line has been
// quiet for 50 ms.
TEST_F(CommunicationTest, ATextReplyEndsAtAQuietLine)
{
    driver.pedal().faults().splitParts = 2;
    for (const auto &[gapMs, whole] : {std::pair{30, true}, std::pair{80, false}}) {
        driver.pedal().faults().splitGapUs = gapMs * 1000;
        comm.send_message("0200", 2, true);
        const int values = int(comm.receive_reply_text().count('\r'));
        if (whole)
            EXPECT_EQ(values, 82) << gapMs << " ms";
        else
            EXPECT_TRUE(values > 0 && values < 82) << gapMs << " ms: " << values;
        clock.sleep(200);
        transport.PurgeFTReceive();
    }
}

TEST_F(CommunicationTest, StrayBytesAreDiscardedAndLogged)
{
    comm.send_message("0200", 2, false);
    clock.sleep(100);
    transport.QueryFTQueueStatus();
    const std::uint32_t stray = transport.rx_queue_count;
    ASSERT_GT(stray, 0u);
    EXPECT_TRUE(comm.discardStrayBytes());
    EXPECT_EQ(log.lines, QStringList({QStringLiteral("Discarded %1 stray bytes").arg(stray)}));
    transport.QueryFTQueueStatus();
    EXPECT_EQ(transport.rx_queue_count, 0u);

    log.lines.clear();
    EXPECT_TRUE(comm.discardStrayBytes());
    EXPECT_TRUE(log.lines.isEmpty()) << "nothing to discard, nothing said";
}

TEST_F(CommunicationTest, OneExchangeAtATime)
{
    QList<bool> busy;
    comm.onBusyChanged = [&](bool b) { busy << b; };
    {
        const auto outer = comm.beginExchange("status request");
        ASSERT_TRUE(outer.has_value());
        EXPECT_TRUE(comm.exchangeActive());
        EXPECT_FALSE(comm.beginExchange("EEPROM read").has_value());
        EXPECT_EQ(log.lines, QStringList({"Busy: EEPROM read refused while the status request waits for the pedal"}));
    }
    EXPECT_FALSE(comm.exchangeActive());
    EXPECT_EQ(busy, QList<bool>({true, false}));
    EXPECT_TRUE(comm.beginExchange("EEPROM read").has_value()) << "free again";
}

// An unplugged pedal is reported once; what the operation does next fails
// quietly, until the device is closed.
TEST_F(CommunicationTest, APedalThatIsGoneIsReportedOnce)
{
    int gone = 0;
    transport.onDeviceGone = [&] { ++gone; };
    driver.unplug();
    comm.send_message("0200", 2, true);
    EXPECT_EQ(comm.receive_reply(82), Communication::Reply::TransportError);
    EXPECT_EQ(prompts.details, QStringList({"FT_Purge TX - General IO error..."}));
    EXPECT_TRUE(transport.device_gone);
    EXPECT_EQ(gone, 1);
    EXPECT_EQ(transport.CloseFTDevice(), ft::Ok);
    EXPECT_FALSE(transport.device_gone);
}

// The simulated pedal's answers read back through the decoder: what the
// pedal holds is what the decode yields.
TEST_F(CommunicationTest, StatusValuesComeBackAsThePedalHoldsThem)
{
    PedalState &state = driver.pedal().state();
    state.firmwareVersion = 0x07;
    state.footswitchMode = 2;
    state.assigned[2] = 1;
    state.assignedAddress[2] = 0x000C;
    state.tuningNumber = 7;
    state.semitones = -5;
    state.storedValues[0] = 0x007FE000;
    state.storedValues[11] = 0x00455558;

    StatusRequest status{comm, log, prompts, clock};
    const auto s = status.request_device_status();
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(" | ");
    ASSERT_TRUE(s.has_value()) << prompts.messages.join(" | ");
    EXPECT_EQ(s->device_firmware_version, "07");
    EXPECT_EQ(s->device_algorithm_version, "0010");
    EXPECT_EQ(s->footswitch_mode, 2);
    EXPECT_TRUE(s->assignments[2].assigned);
    EXPECT_EQ(s->assignments[2].address, 0x000C);
    EXPECT_EQ(s->tuning, 7);
    EXPECT_EQ(s->semitones, -5);
    for (int i = 0; i < ParameterSlotCount; ++i)
        EXPECT_EQ(s->parameterValues[i], state.storedValues[i]) << "slot " << i;
}

TEST_F(CommunicationTest, AnEepromDumpLongerThanTheBufferDecodesWhole)
{
    QByteArray &eeprom = driver.pedal().state().eeprom;
    for (int i = 0; i < eeprom.size(); ++i)
        eeprom[i] = char((i * 37 + 11) & 0xFF);
    comm.eeprom_read_active = true;
    comm.eeprom_start_address = 0;
    comm.eeprom_end_address = 16383;
    // EEPROM read: 0C, device 50, start 0000, end 3FFF.
    comm.send_message("0C5000003FFF", 6, true);
    clock.sleep(200);
    ASSERT_EQ(comm.receive_reply(16384), Communication::Reply::Decoded) << prompts.messages.join(" | ");
    EXPECT_GT(comm.received_reply.size(), 65536) << "the dump is longer than one buffer";
    EXPECT_EQ(comm.received_bytes_array, eeprom);
    EXPECT_EQ(log.lines.size(), 2 + 16384);
    EXPECT_EQ(log.lines.last(), QStringLiteral("16383:    %1").arg(std::uint8_t(eeprom.back()), 2, 16, QLatin1Char('0')).toUpper());
}
