// The firmware upgrade against the simulated bootloader misbehaving at each
// step, in process and on simulated time: every fault fails the upgrade with
// the step it struck named, and a second run on the same bootloader, wherever
// the first one left it, completes.

#include "BootloaderRig.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "RecordingPedalDriver.h"
#include "ScriptedPrompts.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/DeviceConnection.h"
#include "firmware/FirmwareUpgrade.h"
#include "model/PedalSetup.h"

#include <gtest/gtest.h>

namespace {

using Transfer = BootloaderProtocol::Transfer;
using Outcome = PedalResult::Outcome;

// Five chunks, the last of 100 bytes, behind a vector table the pedal can start.
QByteArray smallImage()
{
    QByteArray image(4 * 256 + 100, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 37) ^ (i >> 8));
    image.replace(0, 8, QByteArray::fromHex("0050002031010008"));
    return image;
}

constexpr int Firmware = 7;

// Every step of that upgrade in order, as a failure names it; the frame
// the bootloader answers for step i is i + 1 (the synchronisation is 1).
QStringList stepNames()
{
    QStringList names{"the synchronisation byte", "the erase command", "the global erase"};
    for (int i = 0; i < 5; ++i) {
        const QString address = QStringLiteral("%1").arg(0x08000000 + 256 * i, 8, 16, QLatin1Char('0')).toUpper();
        const QString chunk = QStringLiteral("chunk %1 at 0x%2").arg(i).arg(address);
        names << "the write command for " + chunk << "the address of " + chunk << chunk;
    }
    const QString record = QStringLiteral("the version record at 0x0801FC00");
    names << "the write command for " + record << "the address of " + record << record;
    names << "the Go command" << "the Go address 0x08000000";
    return names;
}

// The steps the table strikes: the erase, the first, a middle and the last
// chunk (command, address, data), the version record and Go.
const int StruckSteps[] = {1, 2, 3, 4, 5, 9, 10, 11, 15, 16, 17, 18, 19, 20, 21, 22};
constexpr int GlobalErase = 2;
constexpr int VersionRecord = 20;
constexpr int GoCommand = 21;

QString transferName(Transfer transfer)
{
    return transfer == Transfer::Fast ? QStringLiteral("fast") : QStringLiteral("paced");
}

// The faults, in the simulator's text forms for frame %1, and the failure
// each brings, "%1" the step named.
struct Fault {
    const char *name;
    QStringList texts;
    const char *paced;
    const char *fast;
    // The odd byte comes 5 ms after the answer. A step that takes its answer
    // and goes straight on (every step in fast transfer; a data frame and the
    // global erase in paced) meets it in a later step's answer, each answer
    // then taken for the step before; the version record and Go watch the
    // line before they count, and name themselves.
    bool late = false;
};
const Fault Faults[] = {
    {"NACK", {"nack=%1"}, "no acknowledge for %1", "no acknowledge for %1"},
    {"NACK after the deadline", {"late-nack=%1"}, "no answer within 1 s for %1", "no answer within 1 s for %1"},
    // Paced, the stray byte is there before the frame's last byte goes out;
    // fast, the frame goes out whole and the stray byte comes with its answer.
    {"stray ACK before the answer", {"stray-ack=%1"}, "a stray byte 0x79 before the answer to %1",
     "a second answer byte 0x79 after %1"},
    {"stray ACK, NACK 5 ms later", {"stray-ack=%1", "late-nack=%1:5"}, "a stray byte 0x79 before the answer to %1",
     "a second answer byte 0x1F after %1", true},
    {"duplicated ACK", {"dup-ack=%1"}, "a second answer byte 0x79 after %1", "a second answer byte 0x79 after %1"},
    {"duplicated ACK 5 ms later", {"dup-ack=%1:5"}, "a second answer byte 0x79 after %1",
     "a second answer byte 0x79 after %1", true},
    {"garbled answer", {"garble=%1"}, "answer 0x7B instead of an acknowledge for %1",
     "answer 0x7B instead of an acknowledge for %1"},
    {"silence", {"silent=%1"}, "no answer within 1 s for %1", "no answer within 1 s for %1"},
};

class BootloaderFaultTest : public ::testing::Test, protected BootloaderRig {
protected:
    // The pedal started in its bootloader, its line opened and set as the
    // tool does it; nothing synchronised yet.
    void powerUp()
    {
        if (pedal.isOpen())
            transport.CloseFTDevice();
        PedalSetup setup;
        setup.bootloader = true;
        QString error;
        ASSERT_TRUE(pedal.configure(setup, &error)) << error.toStdString();
        connection.SetSerialDefaults();
        ASSERT_EQ(transport.GetFTDeviceCount(), ft::Ok);
        connection.device_serial_number = QString::fromLatin1(SimulatedPedalDriver::SerialNumber);
        ASSERT_TRUE(connection.ConnectToDevice([](const QString &) {}).opened);
        upgrade.synchroniseFirst = true;
        upgrade.bytePause = [this] { clock.sleep(1); };
        upgrade.answerPause = [] {};
    }
    void inject(const QStringList &texts, int frame)
    {
        for (const QString &text : texts) {
            QString error;
            ASSERT_TRUE(pedal.pedal().faults().apply(text.arg(frame), &error)) << error.toStdString();
        }
    }
    Outcome run(Transfer transfer)
    {
        prompts.messages.clear();
        log.lines.clear();
        driver.writes.clear();
        return upgrade.upgradeImage(image, Firmware, {transfer, false}).outcome();
    }
    // The second run, faults cleared, on the bootloader as the first left it.
    void retryCompletes(Transfer transfer)
    {
        pedal.pedal().faults() = PedalFaults{};
        // A Go carried out started the new firmware: back to the bootloader,
        // as the user would do it.
        if (pedal.pedal().mode() == PedalDevice::Mode::Firmware)
            pedal.pedal().powerUp(true);
        ASSERT_EQ(run(transfer), Outcome::Done) << upgrade.lastError.toStdString() << "\n"
                                                << log.lines.join('\n').toStdString();
        EXPECT_EQ(pedal.pedal().state().flash.left(int(image.size())), image);
        EXPECT_EQ(versionByte(), Firmware);
        EXPECT_EQ(prompts.messages, QStringList({"Firmware Upgrade Complete, device will now restart"}));
    }

    const QByteArray image = smallImage();
};

}  // namespace

TEST_F(BootloaderFaultTest, EveryFaultAtEveryStepFailsThatStepAndASecondRunCompletes)
{
    const QStringList steps = stepNames();
    const QString complete = QStringLiteral("Firmware Upgrade Complete, device will now restart");
    for (const Transfer transfer : {Transfer::Paced, Transfer::Fast}) {
        const bool fast = transfer == Transfer::Fast;
        for (const int step : StruckSteps) {
            for (const Fault &fault : Faults) {
                SCOPED_TRACE(
                    QStringLiteral("%1, %2 at %3").arg(transferName(transfer), fault.name, steps[step]).toStdString());
                powerUp();
                inject(fault.texts, step + 1);
                EXPECT_EQ(run(transfer), Outcome::Failed);
                // The message that the pedal will restart comes before Go, and
                // only when every step before it was answered by one ACK.
                const QStringList shown = prompts.messages;
                EXPECT_EQ(shown.size(), step >= GoCommand ? 2 : 1) << shown.join(" | ").toStdString();
                if (shown.isEmpty())
                    continue;
                EXPECT_EQ(shown.first() == complete, step >= GoCommand);
                const QString failure = shown.last();
                EXPECT_EQ(upgrade.lastError, failure);

                // The global erase has 35 s for its answer: a NACK 1.5 s late
                // comes in time; and a stray ACK beside an answer that takes
                // the erase's time is taken first, as the fast transfer
                // does not wait.
                QString message = QString::fromLatin1(fast ? fault.fast : fault.paced);
                bool late = fault.late;
                if (step == GlobalErase) {
                    if (fault.texts == QStringList{"late-nack=%1"})
                        message = "no acknowledge for %1";
                    if (fault.texts == QStringList{"silent=%1"})
                        message = "no answer within 35 s for %1";
                    late = late || (fast && fault.texts.first() == "stray-ack=%1");
                }
                const bool watched = step == VersionRecord || step >= GoCommand;
                if (!late || watched) {
                    EXPECT_EQ(failure, "Firmware upgrade failed: " + message.arg(steps[step]));
                } else {
                    // Met later: an answer too many or a NACK, named at this
                    // step or a later one, the version record at the latest.
                    bool named = failure == "Firmware upgrade failed: " + message.arg(steps[step]);
                    for (qsizetype i = step; i <= VersionRecord; ++i)
                        for (const char *seen : {"no acknowledge for %1", "a second answer byte 0x79 after %1",
                                                 "a second answer byte 0x1F after %1"})
                            named = named
                                    || failure == "Firmware upgrade failed: " + QString::fromLatin1(seen).arg(steps[i]);
                    EXPECT_TRUE(named) << failure.toStdString();
                }
                retryCompletes(transfer);
            }
        }
    }
}

// The synchronisation takes one odd answer in its stride: it goes on until
// the bootloader is seen in its command phase, so a fault there once costs
// nothing. A fault on every answer fails it, named; a stray ACK that comes
// with every command byte looks like a fresh synchronisation, and the erase
// command after it finds out.
TEST_F(BootloaderFaultTest, TheSynchronisationOutlastsOneOddAnswerAndNamesOnesThatLast)
{
    struct Lasting {
        const char *fault;
        const char *paced;
        const char *fast;
    };
    const Lasting lasting[] = {
        {"nack=%1+", "no acknowledge for the synchronisation byte", nullptr},
        {"late-nack=%1+", "no acknowledge for the synchronisation byte", nullptr},
        {"dup-ack=%1+", "no acknowledge for the synchronisation byte", nullptr},
        {"garble=%1+", "answer 0x1D instead of an acknowledge for the synchronisation byte", nullptr},
        {"silent=%1+", "no answer within 1 s for the synchronisation byte, nor for the filler bytes after it", nullptr},
        {"stray-ack=%1+", "a stray byte 0x1F before the answer to the erase command",
         "no acknowledge for the erase command"},
    };
    for (const Transfer transfer : {Transfer::Paced, Transfer::Fast}) {
        for (const Fault &fault : Faults) {
            SCOPED_TRACE(QStringLiteral("%1, %2").arg(transferName(transfer), fault.name).toStdString());
            powerUp();
            inject(fault.texts, 1);
            EXPECT_EQ(run(transfer), Outcome::Done) << upgrade.lastError.toStdString();
            EXPECT_EQ(pedal.pedal().state().flash.left(int(image.size())), image);
        }
        for (const Lasting &l : lasting) {
            SCOPED_TRACE(QStringLiteral("%1, %2").arg(transferName(transfer), l.fault).toStdString());
            powerUp();
            inject({QString::fromLatin1(l.fault)}, 1);
            const std::int64_t start = clock.now;
            EXPECT_EQ(run(transfer), Outcome::Failed);
            const char *failure = transfer == Transfer::Fast && l.fast ? l.fast : l.paced;
            EXPECT_EQ(upgrade.lastError, "Firmware upgrade failed: " + QString::fromLatin1(failure));
            // Bounded in time and in the bytes it sends.
            EXPECT_LE(clock.now - start, BootloaderProtocol::SyncDeadlineMs + 5);
            EXPECT_LE(driver.sent().size(), 1 + BootloaderProtocol::SyncRounds * (1 + BootloaderProtocol::MaxFillers));
            retryCompletes(transfer);
        }
    }
}

// Wherever a failed run left the bootloader, the synchronisation finds its
// command phase, within its bounds; an erase then proves it. Also on a line
// that hands every answer on 16 ms late, as the FT230X does with a short
// answer until its latency timer runs out.
TEST_F(BootloaderFaultTest, TheSynchronisationReachesTheCommandPhaseFromEveryState)
{
    struct State {
        const char *name;
        const char *received;  // what the bootloader took after power-up
        const char *answer;    // the answer that settles the synchronisation
    };
    const State states[] = {
        {"fresh from reset", "", "79"},
        {"in its command phase", "7f", "1F"},
        {"waiting for a command's complement", "7f 31", "1F"},
        {"inside an address frame", "7f 31ce 0800", "1F"},
        {"after an accepted address, waiting for a data frame", "7f 31ce 0800000008", "1F"},
        {"inside a data frame, 257 bytes still wanted", "7f 31ce 0800000008 ff", "1F"},
        {"inside a data frame, its checksum wanted", "7f 31ce 0800000008 03 01020304", "1F"},
        {"waiting for an erase code", "7f 43bc", "1F"},
        {"inside an erase page list", "7f 43bc 05 0001", "1F"},
        {"waiting for a read length", "7f 11ee 0800000008", "1F"},
        {"inside a read length", "7f 11ee 0800000008 07", "1F"},
        {"waiting for Go's address", "7f 21de", "1F"},
    };
    struct Line {
        Transfer transfer;
        int lateBy;  // ms
    };
    const Line lines[] = {{Transfer::Paced, 0}, {Transfer::Fast, 0}, {Transfer::Paced, 16}, {Transfer::Fast, 16}};
    driver.now = [this] { return clock.now; };
    for (const Line &line : lines) {
        for (const State &state : states) {
            SCOPED_TRACE(QStringLiteral("%1, answers %2 ms late, %3")
                             .arg(transferName(line.transfer))
                             .arg(line.lateBy)
                             .arg(state.name)
                             .toStdString());
            driver.lateBy = line.lateBy;
            powerUp();
            pedal.pedal().receive(QByteArray::fromHex(state.received), clock.now * 1000);
            BootloaderProtocol protocol(transport, log, clock, line.transfer);
            protocol.line().answerPause = [] {};
            ASSERT_TRUE(protocol.openSession());
            driver.writes.clear();
            const std::int64_t start = clock.now;
            ASSERT_TRUE(protocol.synchronise()) << protocol.failure().toStdString() << "\n"
                                                << log.lines.join('\n').toStdString();
            EXPECT_EQ(protocol.syncAnswer(), state.answer);
            EXPECT_LE(clock.now - start, BootloaderProtocol::SyncDeadlineMs);
            EXPECT_LE(driver.sent().size(), 1 + BootloaderProtocol::SyncRounds * (1 + BootloaderProtocol::MaxFillers));
            if (QByteArray(state.answer) == "79") {
                EXPECT_EQ(driver.sent(), QByteArray::fromHex("7f")) << "a fresh bootloader: one byte each way";
            }
            EXPECT_TRUE(protocol.erase_flash()) << protocol.failure().toStdString();
            EXPECT_EQ(pedal.pedal().state().flash, QByteArray(PedalState::FlashSize, char(0xFF)));
            protocol.closeSession();
        }
    }
}
