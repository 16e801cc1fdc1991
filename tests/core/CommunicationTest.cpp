#include "ManualClock.h"
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
        transport.GetFTDeviceCount();
        ASSERT_EQ(transport.Open_USB_Device_By_Serial_Number("SIM00001"), ft::Ok);
        transport.baud_rate = 115200;
        transport.word_length = 8;
        transport.ApplyFTBaudRate();
        transport.ApplyFTDataCharacteristics();
    }
    QByteArray sent(int n) const
    {
        return QByteArray(reinterpret_cast<const char *>(transport.output_buffer.data()), n);
    }
    Communication::Reply decode(const QByteArray &reply)
    {
        comm.received_reply = reply;
        return comm.decode_reply();
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    RecordingLog log;
    SimulatedPedalDriver driver{clock.microseconds()};
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
};

}  // namespace

TEST_F(CommunicationTest, DecodesEachFieldOfTheReplyEncoding)
{
    struct Case {
        const char *what;
        const char *reply;
        QByteArray values;
    };
    const Case cases[] = {
        {"two digits", "0A31320D", bytes("0C")},
        {"three digits", "0A3235350D", bytes("FF")},
        {"above 255 wraps", "0A3330300D", bytes("2C")},
        {"without 0A", "31320D330D", bytes("0C03")},
        {"0A starts a fresh field", "390A370D", bytes("07")},
        {"empty field repeats", "0A350D0A0D", bytes("0505")},
        {"empty first field is 0", "0D0A370D", bytes("0007")},
        {"four digits repeat", "0A390D0A313233340D", bytes("0909")},
        {"CR LF after each value", "31320D0A330D0A", bytes("0C03")},
    };
    for (const Case &c : cases) {
        comm.received_bytes_array.clear();
        EXPECT_EQ(decode(bytes(c.reply)), Communication::Reply::Decoded) << c.what;
        EXPECT_EQ(comm.received_bytes_array, c.values) << c.what;
        EXPECT_EQ(comm.decoded_count, c.values.size()) << c.what;
    }
}

TEST_F(CommunicationTest, ListsTheValuesAndTheirCounts)
{
    decode(bytes("0A31320D0A3235350D"));
    EXPECT_EQ(log.lines, QStringList({"num of bytes received: 2", "received_bytes_array size: 2",
                                      "0:    0C", "1:    FF"}));
}

TEST_F(CommunicationTest, EepromListingIsNumberedByAddressAndBounded)
{
    comm.eeprom_read_active = true;
    comm.eeprom_start_address = 100;
    comm.eeprom_end_address = 103;
    decode(bytes("310D320D330D340D350D360D"));
    EXPECT_EQ(log.lines.mid(2), QStringList({"100:    01", "101:    02", "102:    03", "103:    04"}));
}

TEST_F(CommunicationTest, AReplyWithoutValuesKeepsTheOldOnes)
{
    decode(bytes("310D320D"));
    log.lines.clear();
    EXPECT_EQ(decode(bytes("3132")), Communication::Reply::Decoded);
    EXPECT_EQ(comm.received_bytes_array, bytes("0102"));
    EXPECT_EQ(comm.decoded_count, 0);
    EXPECT_EQ(log.lines, QStringList({"num of bytes received: 0", "received_bytes_array size: 2",
                                      "0:    01", "1:    02"}));
}

TEST_F(CommunicationTest, AShortReplyAfterALongOneHoldsOnlyItsOwnValues)
{
    QByteArray fifty;
    for (int i = 0; i < 50; ++i)
        fifty += "0A" + QByteArray::number(100 + i).toHex() + "0D";
    decode(QByteArray::fromHex(fifty));
    ASSERT_EQ(comm.received_bytes_array.size(), 50);
    decode(bytes("0A310D0A320D0A330D0A340D0A350D"));
    EXPECT_EQ(comm.received_bytes_array, bytes("0102030405"));
}

TEST_F(CommunicationTest, ANonDecimalDigitStopsTheDecodeWithAMessage)
{
    EXPECT_EQ(decode(bytes("0A370D0A3B0D0A390D")), Communication::Reply::DecodeError);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("Undecodable reply from the pedal")) << prompts.messages[0];
    EXPECT_EQ(comm.received_bytes_array, bytes("07")) << "values before the error stay";
    EXPECT_TRUE(log.lines.isEmpty()) << "nothing is listed";
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
}

TEST_F(CommunicationTest, StatusReplyIsGatheredOverSeveralReadsAndDecoded)
{
    comm.send_message("0200", 2, true);
    int reads = 0;
    clock.onAdvance = [&](std::int64_t) { ++reads; };
    ASSERT_EQ(comm.receive_reply(), Communication::Reply::Decoded);
    EXPECT_GT(reads, 3) << "the paced reply arrives over many polls";
    ASSERT_EQ(comm.decoded_count, 82);
    EXPECT_EQ(comm.received_bytes_array.left(4), bytes("08001010"));
    EXPECT_TRUE(prompts.messages.isEmpty());
    transport.QueryFTQueueStatus();
    EXPECT_EQ(transport.rx_queue_count, 0u);
}

TEST_F(CommunicationTest, SilenceEndsTheWaitAtItsDeadline)
{
    comm.received_bytes_array = bytes("0102");
    EXPECT_EQ(comm.receive_reply(), Communication::Reply::NoReply);
    EXPECT_EQ(prompts.messages, QStringList({"No reply from the pedal"}));
    EXPECT_EQ(comm.received_bytes_array, bytes("0102"));
    EXPECT_GE(clock.now, Communication::ReplyStartTimeoutMs);
    EXPECT_LT(clock.now, Communication::ReplyStartTimeoutMs + 100);
}

TEST_F(CommunicationTest, AClosedDeviceEndsTheWaitWithTheDriversError)
{
    transport.CloseFTDevice();
    EXPECT_EQ(comm.receive_reply(), Communication::Reply::TransportError);
    EXPECT_EQ(prompts.messages, QStringList({"FT_GetQueueStatus - Invalid handle..."}));
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
    ASSERT_EQ(comm.receive_reply(), Communication::Reply::Decoded) << prompts.messages.join(" | ");
    EXPECT_GT(comm.received_reply.size(), 65536) << "the dump is longer than one buffer";
    ASSERT_EQ(comm.decoded_count, 16384);
    EXPECT_EQ(comm.received_bytes_array, eeprom);
    EXPECT_EQ(log.lines.size(), 2 + 16384);
    EXPECT_EQ(log.lines.last(), QStringLiteral("16383:    %1").arg(std::uint8_t(eeprom.back()), 2, 16, QLatin1Char('0')).toUpper());
}
