// The firmware upgrade against the simulated pedal's own bootloader, in
// process, on simulated time: the bytes on the line, the log, the flash the
// pedal is left with, and the failure paths.

#include "BootloaderRig.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "RecordingPedalDriver.h"
#include "ScriptedPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/DeviceConnection.h"
#include "device/SimulatedPedalDriver.h"
#include "device/StatusRequest.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareUpgrade.h"
#include "model/PedalSetup.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

using Transfer = BootloaderProtocol::Transfer;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

class FirmwareUpgradeTest : public ::testing::Test, protected BootloaderRig {
protected:
    // A pedal in its bootloader, connected in upgrade mode as the window
    // does it; what went over the line so far is forgotten.
    void connectToBootloader(const QStringList &faults = {})
    {
        if (pedal.isOpen())
            connection.Disconnect();
        PedalSetup setup;
        setup.bootloader = true;
        setup.faults = faults;
        QString error;
        ASSERT_TRUE(pedal.configure(setup, &error)) << error;
        connection.SetSerialDefaults();
        comm.firmware_upgrade_mode = true;
        ASSERT_EQ(transport.GetFTDeviceCount(), ft::Ok);
        connection.device_serial_number = QString::fromLatin1(SimulatedPedalDriver::SerialNumber);
        const auto result = connection.ConnectToDevice([](const QString &) {});
        ASSERT_TRUE(result.opened);
        ASSERT_EQ(result.handshakeAcknowledged, faults.isEmpty());
        driver.writes.clear();
        driver.parities.clear();
        log.lines.clear();
        prompts.messages.clear();
        // The pause after each data byte, on the simulated clock, so the line
        // has its gap after every byte as it has in real time.
        upgrade.bytePause = [this] { clock.sleep(1); };
    }

    QByteArray flash(int bytes) { return pedal.pedal().state().flash.left(bytes); }
};

QByteArray image(int number)
{
    QString error;
    const auto bytes = FirmwareImage::loadResource(FirmwareImage::resourceName(number), &error);
    EXPECT_TRUE(bytes.has_value()) << error.toStdString();
    return bytes.value_or(QByteArray());
}

// What the host sends for a whole upgrade, built from the frame layout:
// global erase, every chunk's write, the version record and Go.
QByteArray expectedStream(const QByteArray &bytes, int number)
{
    QByteArray s = hex("43BCFF00");
    for (int offset = 0; offset < bytes.size(); offset += 256) {
        const std::uint32_t address = 0x08000000u + std::uint32_t(offset);
        s += hex("31CE");
        QByteArray frame;
        for (int shift = 24; shift >= 0; shift -= 8)
            frame.append(char(address >> shift));
        frame.append(char(frame.at(0) ^ frame.at(1) ^ frame.at(2) ^ frame.at(3)));
        s += frame;
        const QByteArray chunk = bytes.mid(offset, 256);
        std::uint8_t check = std::uint8_t(chunk.size() - 1);
        for (char c : chunk)
            check ^= std::uint8_t(c);
        s += char(chunk.size() - 1) + chunk + char(check);
    }
    s += hex("31CE0801FC00F5");
    s += char(0x07) + QByteArray(7, '\0') + char(number) + char(0x07 ^ number);
    s += hex("21DE0800000008");
    return s;
}

// `bytes` behind the vector table the carried images start with: the stack
// at 0x20005000, the reset handler at 0x08000130 (Thumb).
QByteArray startable(QByteArray bytes)
{
    return bytes.replace(0, 8, hex("0050002031010008"));
}

}  // namespace

TEST(FirmwareImageTest, CarriesFourImagesThatStartWithAVectorTable)
{
    struct Case {
        int number;
        int size;
        int chunks;
        int lastChunk;
    };
    const Case cases[] = {{5, 53840, 211, 80}, {6, 53640, 210, 136}, {7, 53700, 210, 196}, {8, 50720, 199, 32}};
    for (const Case &c : cases) {
        QString error;
        const auto bytes = FirmwareImage::loadResource(QStringLiteral("firmware_%1").arg(c.number), &error);
        ASSERT_TRUE(bytes.has_value()) << error.toStdString();
        const auto img = FirmwareImage::fromBytes(*bytes, &error);
        ASSERT_TRUE(img.has_value()) << error.toStdString();
        EXPECT_EQ(img->size(), c.size) << c.number;
        EXPECT_EQ(img->chunkCount(), c.chunks) << c.number;
        EXPECT_EQ(img->lastChunkSize(), c.lastChunk) << c.number;
        EXPECT_EQ(img->chunk(c.chunks - 1).size(), c.lastChunk) << c.number;
        EXPECT_EQ(img->chunk(c.chunks - 1), bytes->right(c.lastChunk)) << c.number;
        EXPECT_TRUE(PedalBootloader::plausibleVectorTable(*bytes, 0)) << c.number;
        EXPECT_EQ(bytes->left(4), hex("00500020")) << c.number;  // 0x20005000, little-endian
    }
    QString error;
    EXPECT_FALSE(FirmwareImage::loadResource(QStringLiteral("FIRMWARE_9"), &error).has_value());
    EXPECT_EQ(error, "Error loading resource: Resource FIRMWARE_9 not found");
}

TEST(FirmwareImageTest, ChunksAnImageOfWholeChunksAndRefusesOneTooLarge)
{
    QByteArray whole(200 * 256, '\0');
    for (int i = 0; i < whole.size(); ++i)
        whole[i] = char(i * 7 + i / 256);
    whole = startable(whole);
    QString error;
    const auto img = FirmwareImage::fromBytes(whole, &error);
    ASSERT_TRUE(img.has_value());
    EXPECT_EQ(img->chunkCount(), 200);
    EXPECT_EQ(img->lastChunkSize(), 0);
    EXPECT_EQ(img->chunk(199), whole.right(256));
    EXPECT_EQ(FirmwareImage::chunkAddress(199), 0x08000000u + 199 * 256);

    struct Case {
        int size;
        bool accepted;
    };
    for (const Case c : {Case{130048, true}, Case{130049, false}, Case{0, false}}) {
        error.clear();
        EXPECT_EQ(FirmwareImage::fromBytes(startable(QByteArray(c.size, '\x5A')), &error).has_value(), c.accepted)
            << c.size;
        EXPECT_EQ(error.isEmpty(), c.accepted) << c.size;
    }
    FirmwareImage::fromBytes(QByteArray(130049, '\0'), &error);
    EXPECT_EQ(error, "The firmware image of 130049 bytes is larger than the 130048 bytes of flash below the "
                     "version record");
}

// A file that does not start as this pedal's firmware is refused, naming
// the word that gives it away: a stack pointer outside the pedal's RAM, a
// reset address outside the image or without the Thumb bit.
TEST(FirmwareImageTest, RefusesAnImageThatDoesNotStartAsThisPedalsFirmware)
{
    struct Case {
        const char *what;
        const char *start;  // the image's first bytes, as hex; the rest of 1024 is 0x5A
        const char *says;   // empty: accepted
    };
    const Case cases[] = {
        {"the carried images' start", "0050002031010008", ""},
        {"the lowest stack and the last byte of the image", "04000020FF030008", ""},
        {"the reset address just past the two words", "0050002009000008", ""},
        {"an erased flash", "FFFFFFFFFFFFFFFF", "its stack pointer 0xFFFFFFFF"},
        {"zeros", "0000000000000000", "its stack pointer 0x00000000"},
        {"the stack at the RAM's start", "0000002031010008", "its stack pointer 0x20000000"},
        {"the stack above the RAM", "0450002031010008", "its stack pointer 0x20005004"},
        {"an unaligned stack", "FE4F002031010008", "its stack pointer 0x20004FFE"},
        {"an even reset address", "0050002030010008", "its reset address 0x08000130"},
        {"a reset address past the image", "0050002001040008", "its reset address 0x08000401"},
        {"a reset address in the two words", "0050002005000008", "its reset address 0x08000005"},
        {"a reset address in RAM", "0050002001010020", "its reset address 0x20000101"},
        {"another chip's flash", "0050002031010000", "its reset address 0x00000131"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes(1024, '\x5A');
        bytes.replace(0, 8, hex(c.start));
        QString error;
        const bool accepted = FirmwareImage::fromBytes(bytes, &error).has_value();
        EXPECT_EQ(accepted, QByteArray(c.says).isEmpty()) << error.toStdString();
        if (!accepted) {
            EXPECT_TRUE(error.startsWith("The file is not firmware for this pedal: ")) << error.toStdString();
            EXPECT_TRUE(error.contains(c.says)) << error.toStdString();
        }
    }
    QString error;
    EXPECT_FALSE(FirmwareImage::fromBytes(hex("00500020310100"), &error).has_value());
    EXPECT_EQ(error, "The file is not firmware for this pedal: its 7 bytes are too few for the stack pointer and "
                     "reset address it starts with");
    FirmwareImage::fromBytes(startable(QByteArray(1024, '\x5A')).replace(4, 4, hex("01040008")), &error);
    EXPECT_EQ(error, "The file is not firmware for this pedal: its reset address 0x08000401 is not an address "
                     "inside the image (0x08000008 to 0x080003FF) with bit 0 set");
}

// The numbers come from the resources alone: each one the editor offers
// loads, and the newest is the last.
TEST(FirmwareImageTest, CarriedNumbersAreTheImagesFound)
{
    EXPECT_EQ(FirmwareImage::firmware_numbers(), QList<int>({5, 6, 7, 8}));
    EXPECT_EQ(FirmwareImage::newestNumber(), 8);
}

TEST(FirmwareImageTest, FramesAsTheBootloaderWantsThem)
{
    EXPECT_EQ(BootloaderProtocol::commandFrame(0x31), hex("31CE"));
    EXPECT_EQ(BootloaderProtocol::addressFrame(0x08000000), hex("0800000008"));
    EXPECT_EQ(BootloaderProtocol::addressFrame(0x08000100), hex("0800010009"));
    EXPECT_EQ(BootloaderProtocol::addressFrame(0x0800C600), hex("0800C600CE"));
    EXPECT_EQ(BootloaderProtocol::addressFrame(0x0801FC00), hex("0801FC00F5"));
    const std::pair<int, const char *> records[] = {
        {5, "07000000000000000502"}, {6, "07000000000000000601"},
        {7, "07000000000000000700"}, {8, "0700000000000000080F"}};
    for (const auto &[n, bytes] : records)
        EXPECT_EQ(BootloaderProtocol::versionRecordFrame(n), hex(bytes)) << n;
}

// Every carried image, in both transfers: the exact bytes, the flash the
// pedal is left with, and the version the new firmware reports.
TEST_F(FirmwareUpgradeTest, UpgradesEveryImageInBothTransfers)
{
    // The whole flash each image leaves, by the first transfer.
    QMap<int, QByteArray> pacedFlash;
    for (const Transfer transfer : {Transfer::Paced, Transfer::Fast}) {
        for (const int number : FirmwareImage::firmware_numbers()) {
            SCOPED_TRACE(QStringLiteral("Firmware_%1 %2").arg(number).arg(transfer == Transfer::Fast ? "fast" : "paced").toStdString());
            connectToBootloader();
            // A pedal that still runs something else: the record must change.
            upgrade.FirmwareSelect(FirmwareUpgrade::entryText(number));
            ASSERT_EQ(upgrade.upgrade({transfer, false}).outcome(), PedalResult::Outcome::Done) << upgrade.lastError.toStdString();
            const QByteArray bytes = image(number);
            EXPECT_EQ(driver.sent(), expectedStream(bytes, number));
            EXPECT_EQ(flash(bytes.size()), bytes);
            EXPECT_EQ(versionByte(), number);
            // Both transfers leave the same flash, to its last byte.
            const QByteArray whole = pedal.pedal().state().flash;
            if (transfer == Transfer::Paced)
                pacedFlash[number] = whole;
            else
                EXPECT_TRUE(whole == pacedFlash.value(number));
            EXPECT_EQ(prompts.messages, QStringList({"Firmware Upgrade Complete, device will now restart"}));
            // 8E1 for the fast session only, and 8N1 again for the firmware;
            // paced transfer leaves the line as it is.
            // As a vector: Qt's comparison of two empty lists hands memcmp a
            // null pointer, which the undefined-behaviour checks stop at.
            EXPECT_EQ(std::vector<int>(driver.parities.begin(), driver.parities.end()),
                      transfer == Transfer::Fast ? std::vector<int>({2, 0}) : std::vector<int>());
            EXPECT_EQ(pedal.wire().framingErrors(), 0);
            if (transfer == Transfer::Fast) {
                // One write per frame: erase (2), chunks (3 each), record (3), Go (2).
                const int chunks = (bytes.size() + 255) / 256;
                EXPECT_EQ(driver.writes.size(), 2 + 3 * chunks + 3 + 2);
            } else {
                EXPECT_EQ(driver.writes.size(), driver.sent().size());
            }

            // The new firmware runs and reports its version.
            comm.firmware_upgrade_mode = false;
            StatusRequest status{comm, log, prompts, clock};
            const auto reported = status.request_device_status();
            ASSERT_TRUE(reported.has_value()) << prompts.messages.join(" | ").toStdString();
            EXPECT_EQ(reported->device_firmware_version, QStringLiteral("0%1").arg(number));
            connection.Disconnect();
        }
    }
}

TEST_F(FirmwareUpgradeTest, SendsTheEdgeChunksOfFirmware8AsFramed)
{
    connectToBootloader();
    upgrade.FirmwareSelect(QStringLiteral("Firmware_8"));
    ASSERT_EQ(upgrade.upgrade({}).outcome(), PedalResult::Outcome::Done);
    const QByteArray bytes = image(8);
    const QByteArray sent = driver.sent();
    // Erase, then the first chunk's header and its full data frame.
    EXPECT_EQ(sent.left(4 + 7), hex("43BCFF00") + hex("31CE0800000008"));
    const QByteArray first = sent.mid(11, 258);
    EXPECT_EQ(std::uint8_t(first.at(0)), 0xFF);
    EXPECT_EQ(first.mid(1, 256), bytes.left(256));
    std::uint8_t check = 0xFF;
    for (char c : bytes.left(256))
        check ^= std::uint8_t(c);
    EXPECT_EQ(std::uint8_t(first.at(257)), check);
    EXPECT_EQ(sent.mid(11 + 258, 7), hex("31CE0800010009"));
    // The last chunk: 32 bytes at 0x0800C600, then the record and Go.
    const QByteArray tail = hex("31CE0801FC00F5") + hex("0700000000000000080F") + hex("21DE0800000008");
    ASSERT_TRUE(sent.endsWith(tail));
    const QByteArray last = sent.chopped(tail.size()).right(7 + 34);
    EXPECT_EQ(last.left(7), hex("31CE0800C600CE"));
    EXPECT_EQ(std::uint8_t(last.at(7)), 0x1F);
    EXPECT_EQ(last.mid(8, 32), bytes.right(32));

    // The log: the image, its chunks, and each step's answer.
    const QStringList &lines = log.lines;
    for (const char *line : {"Firmware Version: 8", "Firmware_8", "Firmware num of bytes: 50720", "num of chunks: 198",
                             "num of bytes last chunk: 32", "chunk 198 size: 32", "Start Erase Command",
                             "Start Write Command", "SEND GO COMMAND"})
        EXPECT_TRUE(lines.contains(line)) << line;
    const qsizetype at = lines.indexOf("Address: 0800C600");
    ASSERT_GE(at, 0);
    EXPECT_EQ(lines.mid(at - 5, 18),
              QStringList({"SEND WRITE COMMAND", "num of bytes received: 1", "received: 79", "ACK",
                           "SEND ADDRESS + CHECKSUM", "Address: 0800C600", "address checksum: CE",
                           "num of bytes received: 1", "received: 79", "ACK", "SEND N BYTE + DATA + CHECKSUM",
                           "N_byte: 1F", "chunk size: 32",
                           "data checksum: " + QByteArray(1, last.at(40)).toHex().toUpper(),
                           "num of bytes received: 1", "received: 79", "ACK", ""}));
    EXPECT_TRUE(lines.contains("Address: 0801FC00"));
    EXPECT_EQ(lines.mid(lines.indexOf("N_byte: FF") + 1, 1), QStringList({"chunk size: 256"}));
}

// Each failure stops the upgrade at once: nothing after the failing step is
// sent, the pedal stays in its bootloader, and a second run starts with a
// fresh synchronisation and completes.
TEST_F(FirmwareUpgradeTest, AFailedStepStopsTheUpgradeAndARetryCompletes)
{
    struct Case {
        const char *name;
        QStringList faults;
        int garbleAnswerByte;
        std::int64_t massEraseUs;
        const char *message;
        QByteArray lastSent;
    };
    // Bootloader frames: 1 the sync at Connect, 2-3 the erase, then three for
    // each chunk (command, address, data): chunk 17's data is frame 57.
    const Case cases[] = {
        {"NACK for chunk 17", {}, 0, 40'000, "Firmware upgrade failed: no acknowledge for chunk 17 at 0x08001100", {}},
        {"silent erase", {}, 0, 40'000'000,
         "Firmware upgrade failed: no answer within 35 s for the global erase", hex("43BCFF00")},
        {"garbled answer to chunk 3", {}, 2 + 3 * 3 + 3, 40'000,
         "Firmware upgrade failed: answer 0x42 instead of an acknowledge for chunk 3 at 0x08000300", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        connectToBootloader();
        if (QByteArray(c.name).startsWith("NACK"))
            pedal.pedal().faults().nack.first = 57;
        pedal.pedal().bootloader().setTiming({20'000, c.massEraseUs});
        driver.answerBytes = 0;
        driver.garbleAnswerByte = c.garbleAnswerByte;
        upgrade.FirmwareSelect(QStringLiteral("Firmware_8"));
        EXPECT_EQ(upgrade.upgrade({}).outcome(), PedalResult::Outcome::Failed);
        EXPECT_EQ(prompts.messages, QStringList({c.message}));
        EXPECT_EQ(log.lines.last(), c.message);
        EXPECT_EQ(pedal.pedal().mode(), PedalDevice::Mode::Bootloader);
        EXPECT_EQ(versionByte(), 0xFF);
        const QByteArray sent = driver.sent();
        // Nothing after the failing step: the stream ends with it.
        if (QByteArray(c.name).startsWith("NACK")) {
            const QByteArray stream = expectedStream(image(8), 8);
            const int upToChunk17 = 4 + 17 * (7 + 258) + 7 + 258;
            EXPECT_EQ(sent, stream.left(upToChunk17));
        } else if (QByteArray(c.name).startsWith("silent")) {
            EXPECT_EQ(sent, c.lastSent);
        } else {
            const QByteArray stream = expectedStream(image(8), 8);
            EXPECT_EQ(sent, stream.left(4 + 4 * (7 + 258)));
        }
        EXPECT_TRUE(upgrade.synchroniseFirst);

        // Again, with a bootloader that answers: a fresh 0x7F comes first.
        pedal.pedal().bootloader().setTiming({20'000, 40'000});
        driver.garbleAnswerByte = 0;
        driver.writes.clear();
        prompts.messages.clear();
        clock.sleep(c.massEraseUs / 1000);  // a late answer has come and gone
        EXPECT_EQ(upgrade.upgrade({}).outcome(), PedalResult::Outcome::Done) << upgrade.lastError.toStdString();
        EXPECT_EQ(driver.sent().left(1), hex("7F"));
        EXPECT_EQ(flash(50720), image(8));
        EXPECT_EQ(versionByte(), 8);
        EXPECT_FALSE(upgrade.synchroniseFirst);
        connection.Disconnect();
    }
}

TEST_F(FirmwareUpgradeTest, VerifyReadsTheImageBackBeforeTheVersionRecord)
{
    connectToBootloader();
    QByteArray small(1024, '\0');
    for (int i = 0; i < small.size(); ++i)
        small[i] = char(i * 13);
    small = startable(small);
    ASSERT_EQ(upgrade.upgradeImage(small, 7, {Transfer::Fast, true}).outcome(), PedalResult::Outcome::Done)
        << upgrade.lastError.toStdString();
    const QByteArray sent = driver.sent();
    // After the 4 chunks, each one read back: 11 EE, address, FF 00.
    const qsizetype read = sent.indexOf(hex("11EE0800000008FF00"));
    ASSERT_GE(read, 0);
    EXPECT_LT(read, sent.indexOf(hex("31CE0801FC00F5")));
    EXPECT_EQ(sent.count(hex("11EE")), 4);
    EXPECT_EQ(versionByte(), 7);

    // Flash that differs (a bit the erase did not set): the record is not written.
    connectToBootloader();
    // The pedal programs the image, then one byte is changed behind its back
    // before the read-back.
    upgrade.onChunk = [&](int index) {
        if (index == 3)
            pedal.pedal().state().flash[0x123] = char(small.at(0x123) ^ 0x01);
    };
    EXPECT_EQ(upgrade.upgradeImage(small, 7, {Transfer::Fast, true}).outcome(), PedalResult::Outcome::Failed);
    EXPECT_EQ(prompts.messages.last(), "Firmware upgrade failed: the flash differs from the image at 0x08000123");
    EXPECT_FALSE(driver.sent().contains(hex("31CE0801FC00F5")));
    EXPECT_EQ(versionByte(), 0xFF);
    upgrade.onChunk = nullptr;
}

TEST_F(FirmwareUpgradeTest, RefusesAnImageTooLargeBeforeSendingAnything)
{
    connectToBootloader();
    EXPECT_EQ(upgrade.upgradeImage(QByteArray(130049, '\0'), 8, {}).outcome(), PedalResult::Outcome::Refused);
    EXPECT_TRUE(driver.writes.isEmpty());
    EXPECT_EQ(prompts.messages.size(), 1);
    upgrade.FirmwareSelect(QStringLiteral("Firmware_4"));
    EXPECT_EQ(upgrade.upgrade({}).outcome(), PedalResult::Outcome::Refused);
    EXPECT_EQ(prompts.messages.last(), "Error loading resource: Resource Firmware_4 not found");
    EXPECT_TRUE(driver.writes.isEmpty());
}
