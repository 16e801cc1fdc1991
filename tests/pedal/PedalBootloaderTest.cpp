#include "model/PedalDevice.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray withChecksum(QByteArray frame)
{
    char x = 0;
    for (char c : frame)
        x ^= c;
    return frame + QByteArray(1, x);
}

// The pedal started in its bootloader and synchronised; each frame is sent
// whole and its answer collected with the time the pedal was ready to send it.
class BootloaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pedal.powerUp(true);
        ASSERT_EQ(pedal.mode(), PedalDevice::Mode::Bootloader);
        ASSERT_EQ(send("7f"), bytes("79"));
    }
    QByteArray send(const QByteArray &frame)
    {
        QByteArray answer;
        for (const PedalReply &r : pedal.receive(frame, t)) {
            answer += r.bytes;
            lastReadyAt = r.readyAtUs;
        }
        t += 1000;
        return answer;
    }
    QByteArray send(const char *hex) { return send(bytes(hex)); }

    std::int64_t t = 0;
    std::int64_t lastReadyAt = 0;
    PedalDevice pedal;
};

}  // namespace

TEST_F(BootloaderTest, IdentifiesItselfAsVersion22OnProduct410)
{
    EXPECT_EQ(send("00ff").toHex(), "7907220001021121314379");  // Get: erase is 0x43, not 0x44
    EXPECT_EQ(send("01fe").toHex(), "7922000079");
    EXPECT_EQ(send("02fd").toHex(), "7901041079");
}

TEST_F(BootloaderTest, WrittenWordsReadBack)
{
    const QByteArray data = bytes("0102030405060708");
    for (const char *address : {"20001000", "08000400"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(send("31ce"), bytes("79"));
        EXPECT_EQ(send(withChecksum(bytes(address))), bytes("79"));
        EXPECT_EQ(send(withChecksum(QByteArray(1, char(data.size() - 1)) + data)), bytes("79"));
        EXPECT_EQ(send("11ee"), bytes("79"));
        EXPECT_EQ(send(withChecksum(bytes(address))), bytes("79"));
        EXPECT_EQ(send("07f8"), bytes("79") + data);
    }
}

// Each sequence ends with the step the bootloader refuses.
TEST_F(BootloaderTest, RefusesWhatItsProtocolRefuses)
{
    struct Case {
        const char *name;
        std::vector<QByteArray> frames;  // every frame but the last is acknowledged
    };
    const QByteArray write = bytes("31ce");
    const QByteArray flash = withChecksum(bytes("08000400"));
    const Case cases[] = {
        {"command with a bad complement", {bytes("31cd")}},
        {"extended erase, which this chip has not", {bytes("44bb")}},
        {"sync byte again once synchronised", {bytes("7f7f")}},
        {"address with a bad checksum", {write, bytes("0800040000")}},
        {"address not word-aligned", {write, withChecksum(bytes("08000402"))}},
        {"address outside flash and RAM", {write, withChecksum(bytes("09000000"))}},
        {"write into system memory", {write, withChecksum(bytes("1ffff000"))}},
        {"length not whole words", {write, flash, withChecksum(bytes("02aabbcc"))}},
        {"data with a bad checksum", {write, flash, bytes("03aabbccdd00")}},
        {"write over flash not erased", {write, withChecksum(bytes("08000000")), withChecksum(bytes("0301020304"))}},
        {"read length with a bad complement", {bytes("11ee"), flash, bytes("0700")}},
        {"read past the end of flash", {bytes("11ee"), withChecksum(bytes("0801ff80")), bytes("ff00")}},
        {"erase of page 128", {bytes("43bc"), bytes("008080")}},
        {"erase list with a bad checksum", {bytes("43bc"), bytes("010203ff")}},
        {"global erase with a bad checksum", {bytes("43bc"), bytes("ffff")}},
        {"go outside flash and RAM", {bytes("21de"), withChecksum(bytes("00000000"))}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t i = 0; i + 1 < c.frames.size(); ++i)
            EXPECT_EQ(send(c.frames[i]), bytes("79"));
        EXPECT_EQ(send(c.frames.back()), bytes("1f"));
        EXPECT_EQ(send("01fe").toHex(), "7922000079") << "ready for the next command";
    }
}

TEST_F(BootloaderTest, ErasesPagesOrAllAndTakesTheEraseTime)
{
    PedalBootloader::Timing timing;
    timing.pageEraseUs = 20'000;
    timing.massEraseUs = 40'000;
    pedal.bootloader().setTiming(timing);

    pedal.state().flash[2048] = 0x12;  // page 2
    pedal.state().flash[3072] = 0x34;  // page 3
    EXPECT_EQ(send("43bc"), bytes("79"));
    const std::int64_t sentAt = t;
    EXPECT_EQ(send(withChecksum(bytes("010205"))), bytes("79"));  // pages 2 and 5
    EXPECT_EQ(lastReadyAt - sentAt, 2 * 20'000) << "two pages";
    EXPECT_EQ(pedal.state().flash.at(2048), char(0xFF));
    EXPECT_EQ(pedal.state().flash.at(3072), char(0x34));

    EXPECT_EQ(send("43bc"), bytes("79"));
    const std::int64_t globalAt = t;
    EXPECT_EQ(send("ff00"), bytes("79"));
    EXPECT_EQ(lastReadyAt - globalAt, 40'000);
    EXPECT_EQ(pedal.state().flash, QByteArray(PedalState::FlashSize, char(0xFF)));
}

TEST_F(BootloaderTest, GoStartsTheFirmwareOnlyWithAPlausibleVectorTable)
{
    // Blank flash: Go is acknowledged, but nothing can run; the bootloader
    // still answers.
    send("43bc");
    send("ff00");
    EXPECT_EQ(send("21de"), bytes("79"));
    EXPECT_EQ(send(withChecksum(bytes("08000000"))), bytes("79"));
    EXPECT_EQ(pedal.mode(), PedalDevice::Mode::Bootloader);
    EXPECT_EQ(send("01fe").toHex(), "7922000079");

    struct Write {
        const char *address;
        const char *data;
    };
    const Write writes[] = {
        {"08000000", "0050002001010008"},  // SP 0x20005000, reset 0x08000101 (Thumb)
        {"0801fc00", "0000000000000007"},  // version record: firmware 7
    };
    for (const Write &w : writes) {
        send("31ce");
        send(withChecksum(bytes(w.address)));
        EXPECT_EQ(send(withChecksum(bytes("07") + bytes(w.data))), bytes("79"));
    }
    send("21de");
    EXPECT_EQ(send(withChecksum(bytes("08000000")) + bytes("0200")).left(1), bytes("79"))
        << "the bytes after Go reach the started firmware";
    EXPECT_EQ(pedal.mode(), PedalDevice::Mode::Firmware);
    EXPECT_EQ(pedal.state().firmwareVersion, 0x07);
}

TEST(BootloaderVectorTable, PlausibleOnlyWithStackInRamAndThumbResetInFlash)
{
    struct Case {
        const char *table;
        bool plausible;
    };
    const Case cases[] = {
        {"0050002001010008", true},
        {"0050002000010008", false},  // reset address without the Thumb bit
        {"0060002001010008", false},  // stack above the RAM
        {"0050002001000020", false},  // reset in RAM
        {"ffffffffffffffff", false},  // erased
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.table);
        QByteArray flash(64, char(0xFF));
        flash.replace(0, 8, bytes(c.table));
        EXPECT_EQ(PedalBootloader::plausibleVectorTable(flash, 0), c.plausible);
    }
}

TEST(BootloaderFaults, NackAtTheKthFrame)
{
    PedalDevice pedal;
    pedal.faults().nack.first = 3;  // sync, Get Version, then Get ID
    pedal.powerUp(true);
    QByteArray answers;
    for (const char *frame : {"7f", "01fe", "02fd", "02fd"})
        for (const PedalReply &r : pedal.receive(QByteArray::fromHex(frame), 0))
            answers += r.bytes;
    EXPECT_EQ(answers.toHex(), "79" "7922000079" "1f" "7901041079");
}

// Each injected fault on the fourth frame of a Write Memory: 1 the sync, 2
// the command, 3 the address, 4 the data, whose first byte goes alone ("|"
// marks the rest) to show what comes before the frame is complete. A delayed
// answer shows its delay in ms after "+".
TEST(BootloaderFaults, EachFaultChangesTheAnswerOfItsFrame)
{
    const QByteArray data = bytes("0102030405060708");
    const QByteArray dataFrame = withChecksum(QByteArray(1, char(data.size() - 1)) + data);
    struct Case {
        const char *fault;
        QStringList answers;
        bool written;  // a refused frame is not carried out
    };
    const Case cases[] = {
        {"nack=4", {"79", "79", "79", "|", "1f"}, false},
        {"late-nack=4:5", {"79", "79", "79", "|", "1f+5"}, false},
        {"stray-ack=4", {"79", "79", "79", "79", "|", "79"}, true},
        {"dup-ack=4", {"79", "79", "79", "|", "7979"}, true},
        {"dup-ack=4:3", {"79", "79", "79", "|", "79", "79+3"}, true},
        {"garble=4", {"79", "79", "79", "|", "7b"}, true},
        {"silent=4", {"79", "79", "79", "|"}, true},
        {"garble=2+", {"79", "7b", "7b", "|", "7b"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault);
        PedalDevice pedal;
        QString error;
        ASSERT_TRUE(pedal.faults().apply(QString::fromLatin1(c.fault), &error)) << error.toStdString();
        pedal.powerUp(true);
        QStringList answers;
        std::int64_t t = 0;
        auto send = [&](const QByteArray &frame) {
            for (const PedalReply &r : pedal.receive(frame, t))
                answers << QString::fromLatin1(r.bytes.toHex())
                               + (r.delayed ? QStringLiteral("+%1").arg((r.readyAtUs - t) / 1000) : QString());
            t += 1000;
        };
        for (const QByteArray &frame : {bytes("7f"), bytes("31ce"), withChecksum(bytes("08000400"))})
            send(frame);
        send(dataFrame.left(1));
        answers << "|";
        send(dataFrame.mid(1));
        EXPECT_EQ(answers, c.answers);
        EXPECT_EQ(pedal.state().flash.mid(0x400, 8) == data, c.written);
    }
}
