#include "model/PedalDevice.h"
#include "model/PedalWire.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// Splits the firmware's reply encoding (0x0A, decimal digits, 0x0D) into
// values; a field with anything but digits gives -1.
std::vector<int> values(const QByteArray &reply)
{
    std::vector<int> out;
    for (const QByteArray &field : reply.split('\r')) {
        const QByteArray digits = field.startsWith('\n') ? field.mid(1) : field;
        if (digits.isEmpty())
            continue;
        bool ok = false;
        const int v = digits.toInt(&ok);
        out.push_back(ok ? v : -1);
    }
    return out;
}

// The firmware driven directly, message by message, with its own time line.
class FirmwareTest : public ::testing::Test {
protected:
    QByteArray send(const QByteArray &message)
    {
        QByteArray answer;
        for (const PedalReply &r : pedal.receive(message, t))
            answer += r.bytes;
        t += 1000;
        return answer;
    }
    // Lets the line stay quiet long enough for the pedal's timeouts.
    QByteArray quiet()
    {
        t += 3'000'000;
        QByteArray answer;
        for (const PedalReply &r : pedal.idle(t))
            answer += r.bytes;
        return answer;
    }
    std::vector<int> status() { return values(send(bytes("0200"))); }

    std::int64_t t = 0;
    PedalDevice pedal;
};

// An algorithm image laid out as the pedal expects, `length` bytes long.
QByteArray image(int length = 160, std::uint16_t version = 0x0011)
{
    QByteArray img(length, 0);
    img[0] = char(length >> 16);
    img[1] = char(length >> 8);
    img[2] = char(length);
    for (int i = 0; i < 17; ++i) {
        img[3 + 2 * i] = 0x01;
        img[4 + 2 * i] = char(i);  // field i at address 0x0100 + i
    }
    img[123] = char(version >> 8);
    img[124] = char(version);
    img.replace(125, 3, bytes("000512"));
    img.replace(128, 9, bytes("01000400123456" "03" "06"));  // one data record, a filler, the end
    return img;
}

}  // namespace

TEST_F(FirmwareTest, StatusReplyHoldsTheStateInPartOrder)
{
    const std::vector<int> v = status();
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(std::vector<int>(v.begin(), v.begin() + 5), std::vector<int>({0x08, 0x00, 0x10, 0x10, 0}));
    EXPECT_EQ(std::vector<int>(v.begin() + 5, v.begin() + 10), std::vector<int>({0, 0, 0, 0, 1}));
    EXPECT_EQ(v[18] * 256 + v[19], 0xFFFE) << "remote footswitch on Bypass";
    EXPECT_EQ(std::vector<int>(v.begin() + 62, v.begin() + 66), std::vector<int>({0x00, 0x60, 0x00, 0x00}))
        << "Input Level, slot 10";
    EXPECT_TRUE(pedal.log().contains("status request"));
}

// Each message changes what the status reply reports, and is not answered.
TEST_F(FirmwareTest, MessagesChangeTheReportedState)
{
    struct Case {
        const char *message;
        int firstValue;              // status index of the first value checked
        std::vector<int> expected;   // from there on
    };
    const Case cases[] = {
        // Store: the five assignable values become stored.
        {"03003FC000004000000014E0000000000100000000", 62,
         {0x00, 0x3F, 0xC0, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x14, 0xE0, 0x00, 0, 0, 0, 1, 0, 0, 0, 0}},
        // Assignments: Control I on 0x000A, Control III on 0x000C, remote on Preset.
        {"040100010001000AFFFF000CFFFFFFFD", 5,
         {1, 0, 1, 0, 1, 0x00, 0x0A, 0xFF, 0xFF, 0x00, 0x0C, 0xFF, 0xFF, 0xFF, 0xFD}},
        // Footswitch: mode = 2 x short + long.
        {"080101", 4, {3}},
        {"080001", 4, {1}},
        {"080100", 4, {2}},
        {"080000", 4, {0}},
        // Tuning: Drop D, -2 semitones.
        {"0902FE", 20, {2, 0xFE}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_TRUE(send(bytes(c.message)).isEmpty());
        const std::vector<int> v = status();
        ASSERT_EQ(v.size(), 82u);
        EXPECT_EQ(std::vector<int>(v.begin() + c.firstValue, v.begin() + c.firstValue + int(c.expected.size())),
                  c.expected);
    }
}

TEST_F(FirmwareTest, LiveAndMidiMessagesChangeTheStateWithoutAnswer)
{
    EXPECT_TRUE(send(bytes("01000A003FC000")).isEmpty());
    EXPECT_EQ(pedal.state().liveValues.at(0x000A), 0x3FC000u);
    EXPECT_EQ(pedal.state().storedValues[10], 0x00600000u) << "a live value is not stored";
    EXPECT_TRUE(send(bytes("070A")).isEmpty());
    EXPECT_EQ(pedal.state().midiChannel, 10);
}

TEST_F(FirmwareTest, ValuesOutOfRangeAreIgnoredAndLogged)
{
    const char *messages[] = {"0711", "080200", "090800", "0902FA", "0201"};
    for (const char *m : messages) {
        SCOPED_TRACE(m);
        EXPECT_TRUE(send(bytes(m)).isEmpty());
        EXPECT_TRUE(pedal.log().lines().last().startsWith("ignored: message")) << pedal.log().lines().last().toStdString();
    }
    EXPECT_EQ(pedal.state().midiChannel, 0);
    EXPECT_EQ(pedal.state().footswitchMode, 0);
    EXPECT_EQ(pedal.state().tuningNumber, 0);
    EXPECT_EQ(status().size(), 82u) << "the pedal goes on answering";
}

TEST_F(FirmwareTest, TruncatedMessageIsDroppedAfterAQuietSpell)
{
    EXPECT_TRUE(send(bytes("01000A")).isEmpty());
    quiet();
    EXPECT_TRUE(pedal.log().contains("ignored: truncated message 01 00 0A (3 of 7 bytes)"));
    EXPECT_EQ(status().size(), 82u);
    EXPECT_EQ(pedal.state().liveValues.count(0x0A02), 0u);
}

TEST_F(FirmwareTest, EepromReadsOneValuePerByteAndErasesPages)
{
    for (int i = 0; i < 200; ++i)
        pedal.state().eeprom[i] = char(i);
    pedal.state().eeprom[0x3FFF] = 0x42;

    struct Case {
        const char *message;
        std::vector<int> expected;
    };
    const Case reads[] = {
        {"0C5000640067", {100, 101, 102, 103}},
        {"0C503FFF4001", {0x42, 0, 1}},        // wraps past the chip's 16 KiB
        {"0C5100000001", {0xFF, 0xFF}},        // nothing at I2C address 0x51
        {"0C5000050004", {}},                  // an empty range
    };
    for (const Case &c : reads) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(values(send(bytes(c.message))), c.expected);
    }
    // Page 1 is bytes 64-127.
    EXPECT_TRUE(send(bytes("0B00010001")).isEmpty());
    EXPECT_EQ(values(send(bytes("0C50003F0040"))), std::vector<int>({63, 0xFF}));
    EXPECT_EQ(values(send(bytes("0C50007F0080"))), std::vector<int>({0xFF, 128}));
}

TEST_F(FirmwareTest, ValidAlgorithmImageIsTakenAndAnsweredWithItsVersion)
{
    EXPECT_TRUE(send(bytes("0D00")).isEmpty());
    EXPECT_EQ(send(image()), "OK 0011");
    const std::vector<int> v = status();
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(v[1], 0x00);
    EXPECT_EQ(v[2], 0x11);
    EXPECT_EQ(pedal.state().parameterAddresses[12], 0x010C) << "Input Level's address field";
    EXPECT_EQ(pedal.state().liveValues.at(0x010C), pedal.state().storedValues[10])
        << "the new algorithm starts from the stored values";
}

TEST_F(FirmwareTest, BadAlgorithmImagesAreRefusedWithAShortText)
{
    struct Case {
        const char *name;
        QByteArray upload;
        const char *answer;
    };
    QByteArray badVersion = image();
    badVersion[124] = char(0x1A);
    QByteArray badRecord = image();
    badRecord[128] = 0x02;
    QByteArray noEnd = image();
    noEnd[136] = 0x03;
    QByteArray padding = image();
    padding[150] = 0x01;
    const Case cases[] = {
        {"version digit above 9", badVersion, "ERR version"},
        {"unknown record type", badRecord, "ERR records"},
        {"records without the end byte", noEnd, "ERR records"},
        {"padding that is not zero", padding, "ERR padding"},
        {"shorter than announced", image(192).left(170), "ERR short"},
        {"impossible length", bytes("000010") + QByteArray(13, 0), "ERR length"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        send(bytes("0D00"));
        QByteArray answer = send(c.upload);
        answer += quiet();
        EXPECT_EQ(answer, c.answer);
        const std::vector<int> v = status();
        ASSERT_EQ(v.size(), 82u) << "back to messages after the refused upload";
        EXPECT_EQ(v[2], 0x10) << "algorithm version unchanged";
    }
}

TEST_F(FirmwareTest, BytesAfterAnImageInTheSameBurstAreNotTakenAsMessages)
{
    send(bytes("0D00"));
    EXPECT_EQ(send(image() + bytes("0200")), "OK 0011");
    EXPECT_TRUE(pedal.log().contains("ignored: 2 bytes after the algorithm image"));
}

TEST_F(FirmwareTest, TuningDataAfterTheAnnouncementIsKeptWithoutAnswer)
{
    QByteArray table(640, 0);
    for (int i = 0; i < 640; ++i)
        table[i] = char(i * 7);
    send(bytes("0D00"));
    EXPECT_TRUE(send(bytes("0E") + table).isEmpty());
    EXPECT_TRUE(pedal.state().tuningTableReceived);
    EXPECT_EQ(pedal.state().tuningTable, table);
    EXPECT_EQ(status().size(), 82u);
}

TEST_F(FirmwareTest, StatusReplyFaults)
{
    pedal.faults().statusReply = PedalFaults::StatusReply::Short;
    pedal.faults().shortStatusValues = 41;
    EXPECT_EQ(status().size(), 41u);
    pedal.faults().statusReply = PedalFaults::StatusReply::Garbled;
    const std::vector<int> v = status();
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(v[1], -1) << "a value whose digits are no decimal digits";
}

TEST(PedalFaults, TextFormsAndTheirErrors)
{
    PedalFaults f;
    QString error;
    EXPECT_TRUE(f.apply(QStringList{"silent", "nack=3", "short-status=10", "split-reply", "unplug=2"}, &error));
    EXPECT_TRUE(f.silent);
    EXPECT_EQ(f.nack.first, 3);
    EXPECT_EQ(f.statusReply, PedalFaults::StatusReply::Short);
    EXPECT_EQ(f.shortStatusValues, 10);
    EXPECT_EQ(f.splitParts, 2);
    EXPECT_EQ(f.splitGapUs, 250'000);
    EXPECT_EQ(f.unplugAfterMessages, 2);

    struct Split {
        const char *text;
        int parts;
        std::int64_t gapUs;
    };
    const Split splits[] = {
        {"split-reply=2:300", 2, 300'000},
        {"split-reply=5:0", 5, 0},
        {"split-reply=3", 3, 250'000},  // a pause left out is the default again
        {"split-reply", 2, 250'000},
    };
    for (const Split &s : splits) {
        SCOPED_TRACE(s.text);
        ASSERT_TRUE(f.apply(QString::fromLatin1(s.text), &error)) << error.toStdString();
        EXPECT_EQ(f.splitParts, s.parts);
        EXPECT_EQ(f.splitGapUs, s.gapUs);
    }

    // The bootloader's frame faults: one frame, or it and every later one
    // ("K+"), with a delay where one applies.
    ASSERT_TRUE(f.apply(QStringList{"late-nack=4+", "stray-ack=5", "dup-ack=6:20", "garble=7+", "silent=8"}, &error))
        << error.toStdString();
    EXPECT_TRUE(f.lateNack.covers(4) && f.lateNack.covers(40) && !f.lateNack.covers(3));
    EXPECT_EQ(f.lateNackUs, 1'500'000);
    EXPECT_TRUE(f.strayAck.covers(5) && !f.strayAck.covers(6));
    EXPECT_TRUE(f.duplicateAck.covers(6));
    EXPECT_EQ(f.duplicateAckUs, 20'000);
    EXPECT_TRUE(f.garbledAnswer.covers(70));
    EXPECT_TRUE(f.noAnswer.covers(8) && !f.noAnswer.covers(9));
    ASSERT_TRUE(f.apply(QStringLiteral("late-nack=2:300"), &error));
    EXPECT_EQ(f.lateNackUs, 300'000);

    struct Bad {
        const char *text;
        const char *message;
    };
    const Bad bads[] = {
        {"nack", "nack=N"},
        {"nack=x", "\"x\""},
        {"garble=0", "at least 1"},
        {"stray-ack=3:5", "stray-ack=N"},
        {"late-nack=2:x", "delay \"x\""},
        {"dup-ack=+", "\"\""},
        {"split-reply=1", "at least 2"},
        {"split-reply=2:x", "pause \"x\""},
        {"split-reply=2:-1", "pause \"-1\""},
        {"split-reply=2:", "pause \"\""},
        {"split-reply=:300", "split-reply"},
        {"split-reply=2:3:4", "pause \"3:4\""},
        {"bogus", "unknown fault"},
    };
    for (const Bad &b : bads) {
        SCOPED_TRACE(b.text);
        const PedalFaults before = f;
        error.clear();
        EXPECT_FALSE(f.apply(QString::fromLatin1(b.text), &error));
        EXPECT_TRUE(error.contains(QString::fromLatin1(b.message))) << error.toStdString();
        EXPECT_EQ(f.splitParts, before.splitParts) << "bad text changes nothing";
        EXPECT_EQ(f.splitGapUs, before.splitGapUs);
        EXPECT_EQ(f.lateNackUs, before.lateNackUs);
        EXPECT_EQ(f.lateNack.first, before.lateNack.first);
    }
}

// The wire's faults, on a clock the test moves.
TEST(PedalWire, SplitReplyArrivesInPiecesAndASilentPedalSendsNothing)
{
    std::int64_t now = 0;
    PedalWire wire([&now] { return now; });
    wire.pedal.faults().splitParts = 2;
    wire.pedal.faults().splitGapUs = 250'000;
    wire.hostWrite(bytes("0200"));
    now = 200'000;  // when the editor reads
    const QByteArray first = wire.take(100000);
    now = 1'000'000;
    const QByteArray second = wire.take(100000);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_FALSE(second.isEmpty());
    EXPECT_EQ(values(first + second).size(), 82u);

    wire.pedal.faults().silent = true;
    wire.hostWrite(bytes("0200"));
    now = 10'000'000;
    EXPECT_EQ(wire.available(), 0u);
    EXPECT_TRUE(wire.pedal.log().contains("silent"));
}
