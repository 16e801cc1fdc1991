// sombrant flash against the simulator program's bootloader on a
// pseudo-terminal: both transfers, the read-back, the exit status, and the
// firmware the pedal runs afterwards.

#include "SombrantTool.h"
#include "PedalSimProcess.h"
#include "ProgramRun.h"
#include "QtPrinters.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A small image the bootloader can start: a vector table, then a pattern.
QByteArray smallImage(int bytes)
{
    QByteArray image(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        image[i] = char((i * 37) ^ (i >> 8));
    image.replace(0, 8, QByteArray::fromHex("0050002031010008"));
    return image;
}

// smallImage(bytes) in a file of `dir`; empty when it could not be written.
QString imageFile(const QTemporaryDir &dir, int bytes)
{
    const QString path = dir.filePath("firmware.bin");
    QFile out(path);
    const QByteArray image = smallImage(bytes);
    return dir.isValid() && out.open(QIODevice::WriteOnly) && out.write(image) == image.size() ? path : QString();
}

}  // namespace

TEST(FlashCli, WritesTheImageInBothTransfersAndThePedalRunsIt)
{
    QTemporaryDir dir;
    const QString file = imageFile(dir, 20 * 256 + 64);
    ASSERT_FALSE(file.isEmpty());
    struct Case {
        QStringList arguments;
        const char *firmware;  // the version the pedal reports afterwards
    };
    const Case cases[] = {
        {{"--file", file, "--verify"}, "Firmware: 08"},
        {{"--file", file, "--verify", "--fast"}, "Firmware: 08"},
        {{"--firmware", "6", "--fast", "--verify"}, "Firmware: 06"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        Simulator sim({"--bootloader", "--firmware", "5", "--no-pacing"});
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun flash = sombrant(QStringList{"--port", sim.path(), "flash"} + c.arguments);
        EXPECT_EQ(flash.exitCode, 0) << flash.err.toStdString();
        EXPECT_TRUE(flash.err.contains("Firmware Upgrade Complete, device will now restart")) << flash.err.toStdString();
        const ProgramRun status = sombrant({"--port", sim.path(), "status"});
        EXPECT_EQ(status.exitCode, 0) << status.err.toStdString();
        EXPECT_TRUE(status.out.startsWith(c.firmware)) << status.out.toStdString();
        const QString log = sim.log();
        EXPECT_TRUE(log.contains("bootloader: global erase")) << log.toStdString();
        EXPECT_TRUE(log.contains("bootloader: Go to 08000000")) << log.toStdString();
    }
}

TEST(FlashCli, ExitsOneWhenAStepIsRefusedAndTwoForABadRequest)
{
    // Bootloader frames: 1 the sync, 2-3 the erase, chunk 5's data is 6 + 3 x 5.
    Simulator sim({"--bootloader", "--no-pacing", "--fault", "nack=21"});
    ASSERT_FALSE(sim.path().isEmpty());
    const ProgramRun failed = sombrant({"--port", sim.path(), "flash", "--fast"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.contains("Firmware upgrade failed: no acknowledge for chunk 5 at 0x08000500"))
        << failed.err.toStdString();
    EXPECT_FALSE(failed.err.contains("Firmware Upgrade Complete"));
    // The pedal stays in its bootloader; a second run synchronises again and completes.
    const ProgramRun again = sombrant({"--port", sim.path(), "flash", "--fast"});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    const QString log = sim.log();
    EXPECT_EQ(log.count("bootloader: Go to 08000000"), 1) << log.toStdString();

    struct Bad {
        QStringList arguments;
        const char *error;
    };
    QTemporaryDir dir;
    const QString large = dir.filePath("large.bin");
    {
        QFile out(large);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(130049, '\xFF'));
    }
    // Some other file: a text that starts with no vector table.
    const QString notes = dir.filePath("notes.txt");
    {
        QFile out(notes);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("Set list for Friday\n");
    }
    // The numbers offered are the carried images'.
    const Bad bads[] = {
        {{"flash", "--firmware", "9"}, "--firmware takes 5, 6, 7 or 8, not \"9\".\n"},
        {{"flash", "--firmware", "8", "--file", large},
         "flash takes --firmware N (5 to 8) or --file FILE, not both, and no other argument.\n"},
        {{"flash", "--file", large}, "larger than the 130048 bytes"},
        {{"flash", "--file", notes}, "The file is not firmware for this pedal: its stack pointer 0x20746553"},
    };
    for (const Bad &b : bads) {
        // Refused before any pedal is looked for: the port need not exist.
        const ProgramRun run = sombrant(QStringList{"--port", "/nonexistent/tty"} + b.arguments);
        EXPECT_EQ(run.exitCode, 2) << b.error;
        EXPECT_TRUE(run.err.contains(b.error)) << run.err.toStdString();
    }
    const ProgramRun help = sombrant({"--help"});
    EXPECT_TRUE(help.out.contains("flash: the carried firmware to write, 5 to 8 (the")) << help.out.toStdString();
}

// A bootloader that misbehaves at one step: flash fails with that step named
// and exit status 1, never saying the upgrade is complete; the next run, on
// the same bootloader wherever the failure left it, completes. Frames: 1 the
// sync, 2-3 the erase, then three for each chunk (command, address, data):
// chunk 2's data is 12, the version record's data 21.
TEST(FlashCli, AFaultAtAStepFailsItNamedAndTheNextRunRecovers)
{
    QTemporaryDir dir;
    const QString file = imageFile(dir, 4 * 256 + 100);
    ASSERT_FALSE(file.isEmpty());
    struct Case {
        QStringList faults;
        bool fast;
        const char *failure;
    };
    const Case cases[] = {
        // An ACK before the answer, seen before the frame is complete.
        {{"stray-ack=12"}, false, "a stray byte 0x79 before the answer to chunk 2 at 0x08000200"},
        // The frame refused, a stray ACK before its NACK.
        {{"stray-ack=12", "nack=12"}, true, "a second answer byte 0x1F after chunk 2 at 0x08000200"},
        // The version record refused 5 ms after a stray ACK: seen before
        // the upgrade is called complete.
        {{"stray-ack=21", "late-nack=21:5"}, true, "a second answer byte 0x1F after the version record at 0x0801FC00"},
        {{"dup-ack=21"}, false, "a second answer byte 0x79 after the version record at 0x0801FC00"},
        // An address accepted, its answer garbled or lost: the bootloader
        // waits for the data frame.
        {{"garble=5"}, false, "answer 0x7B instead of an acknowledge for the address of chunk 0 at 0x08000000"},
        {{"silent=5"}, true, "no answer within 1 s for the address of chunk 0 at 0x08000000"},
        // Refused after the deadline: the NACK comes while the next run
        // synchronises.
        {{"late-nack=12"}, true, "no answer within 1 s for chunk 2 at 0x08000200"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.faults.join(' ').toStdString());
        QStringList simArguments{"--bootloader", "--firmware", "5", "--no-pacing"};
        for (const QString &fault : c.faults)
            simArguments << "--fault" << fault;
        Simulator sim(simArguments);
        ASSERT_FALSE(sim.path().isEmpty());
        QStringList arguments{"--port", sim.path(), "flash", "--file", file};
        if (c.fast)
            arguments << "--fast";
        const ProgramRun failed = sombrant(arguments);
        EXPECT_EQ(failed.exitCode, 1) << failed.err.toStdString();
        EXPECT_TRUE(failed.err.contains("Firmware upgrade failed: " + QString::fromLatin1(c.failure)))
            << failed.err.toStdString();
        EXPECT_FALSE(failed.err.contains("Firmware Upgrade Complete")) << failed.err.toStdString();

        const ProgramRun again = sombrant(arguments);
        EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_TRUE(again.err.contains("Firmware Upgrade Complete, device will now restart"))
            << again.err.toStdString();
        const ProgramRun status = sombrant({"--port", sim.path(), "status"});
        EXPECT_TRUE(status.out.startsWith("Firmware: 08")) << status.out.toStdString() << status.err.toStdString();
    }
}
