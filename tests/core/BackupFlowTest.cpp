// Backup and restore against the in-process simulated pedal at wire speed,
// on manual time, with the backup files in a temporary folder.

#include "ManualClock.h"
#include "OpenAtLineSpeed.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "app/UserPrompts.h"
#include "device/BackupFlow.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// What the pedal keeps that a restore writes back.
struct Kept {
    std::array<std::uint32_t, 5> stored{};
    std::array<std::uint8_t, 5> assigned{};
    std::array<std::uint16_t, 5> addresses{};
    std::uint8_t footswitch = 0;
    std::uint8_t tuning = 0;
    std::int8_t semitones = 0;
    bool operator==(const Kept &) const = default;
};

Kept keptBy(const PedalState &s)
{
    Kept k;
    std::copy(s.storedValues.begin() + PedalState::FirstStoredBySave, s.storedValues.end(), k.stored.begin());
    k.assigned = s.assigned;
    k.addresses = s.assignedAddress;
    k.footswitch = s.footswitchMode;
    k.tuning = s.tuningNumber;
    k.semitones = s.semitones;
    return k;
}

void PrintTo(const Kept &k, std::ostream *os)
{
    for (std::uint32_t v : k.stored)
        *os << std::hex << v << ' ';
    for (int i = 0; i < 5; ++i)
        *os << int(k.assigned[std::size_t(i)]) << ':' << k.addresses[std::size_t(i)] << ' ';
    *os << std::dec << "footswitch " << int(k.footswitch) << " tuning " << int(k.tuning) << ' ' << int(k.semitones);
}

class BackupFlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(openAtLineSpeed(transport, QStringLiteral("SIM00001")), ft::Ok);
        ASSERT_TRUE(folder.isValid());
    }
    PedalState &pedal() { return driver.pedal().state(); }
    QString path(const char *name) const { return folder.filePath(QString::fromLatin1(name)); }

    // A pedal state far from the factory's: every field a restore writes.
    void setStateA()
    {
        PedalState &s = pedal();
        s.storedValues = {0x00402000, 0x00300000, 0x00100000, 0x00700000, 0x00600000, 0x00000003, 0x00000004,
                          0x00200000, 0x00000001, 0x00000005, 0x003FC000, 0x00455558, 0x0014E000, 1, 0};
        s.assigned = {1, 0, 0, 1, 1};
        s.assignedAddress = {0x000A, 0xFFFF, 0xFFFF, 0x000C, 0xFFFD};
        s.footswitchMode = 3;
        s.tuningNumber = 2;
        s.semitones = -2;
        for (int i = 0; i < s.eeprom.size(); ++i)
            s.eeprom[i] = char((i * 7) & 0xFF);
    }
    // Another state: each of those fields changed.
    void setStateB()
    {
        PedalState &s = pedal();
        s.storedValues[10] = 0x00100000;
        s.storedValues[11] = 0x00400000;
        s.storedValues[12] = 0x00020000;
        s.storedValues[13] = 0;
        s.storedValues[14] = 1;
        s.assigned = {0, 1, 1, 0, 0};
        s.assignedAddress = {0xFFFF, 0x0073, 0x001B, 0xFFFF, 0xFFFF};
        s.footswitchMode = 0;
        s.tuningNumber = 5;
        s.semitones = 3;
        s.loadLiveValuesFromStore();
    }

    QTemporaryDir folder;
    ManualClock clock;
    ScriptedPrompts prompts;
    RecordingLog log;
    SimulatedPedalDriver driver{clock.microseconds()};
    D2XXUnit transport{driver, prompts};
    Communication comm{transport, log, prompts, clock};
    BackupFlow flow{comm, log, prompts, clock};
};

}  // namespace

TEST_F(BackupFlowTest, ABackupHoldsThePedalsStateAndBothEeproms)
{
    setStateA();
    const auto backup = flow.backup(path("pedal.json"));
    ASSERT_TRUE(backup) << backup.reason().toStdString();
    QString error;
    const std::optional<PedalBackup> read = PedalBackup::readFile(path("pedal.json"), &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(*read, *backup);

    EXPECT_EQ(read->firmware, "08");
    EXPECT_EQ(read->algorithm, "0010");
    EXPECT_EQ(read->effect, "10");
    for (int s = 0; s < ParameterSlotCount; ++s)
        EXPECT_EQ(read->values[std::size_t(s)], pedal().storedValues[std::size_t(s)]) << s;
    for (int k = 0; k < ControlCount; ++k) {
        EXPECT_EQ(read->assignments[std::size_t(k)].assigned, pedal().assigned[std::size_t(k)] != 0) << k;
        EXPECT_EQ(read->assignments[std::size_t(k)].address, pedal().assignedAddress[std::size_t(k)]) << k;
    }
    EXPECT_EQ(read->footswitchMode, 3);
    EXPECT_EQ(read->tuning, 2);
    EXPECT_EQ(read->semitones, -2);
    EXPECT_EQ(read->eeprom[0], pedal().eeprom);
    // The pedal's second device address finds no chip: all FF.
    EXPECT_EQ(read->eeprom[1], QByteArray(PedalBackup::EepromBytes, char(0xFF)));
    // The log counts each dump; the file, not the log, holds the bytes.
    EXPECT_TRUE(log.lines.contains("EEPROM 51: 16384 bytes read"));
    EXPECT_EQ(log.lines.filter(":    ").size(), DeviceStatus::ValueCount) << "the status's listing only";
}

// A dump that falls silent half-way gives no backup, and an older file of
// that name stays as it was.
TEST_F(BackupFlowTest, AnIncompleteDumpWritesNothing)
{
    setStateA();
    const QByteArray old = "an older backup";
    {
        QFile f(path("pedal.json"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    // From the first dump on, the pedal's answers pause far longer than
    // the editor waits.
    clock.onAdvance = [this](std::int64_t) {
        if (comm.eeprom_read_active) {
            driver.pedal().faults().splitParts = 2;
            driver.pedal().faults().splitGapUs = 100'000'000;
        }
    };
    const auto backup = flow.backup(path("pedal.json"));
    EXPECT_TRUE(backup.isFailed());
    EXPECT_TRUE(backup.reason().startsWith("The EEPROM of device "));
    EXPECT_TRUE(backup.reason().endsWith(" was read only in part (8192 of 16384 bytes): no backup was written"))
        << backup.reason().toStdString();
    QFile f(path("pedal.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"pedal.json"}));
}

TEST_F(BackupFlowTest, RestoreWritesBackWhatTheMessagesCan)
{
    setStateA();
    ASSERT_TRUE(flow.backup(path("pedal.json")));
    const Kept a = keptBy(pedal());
    const std::uint32_t dryA = pedal().storedValues[0];
    setStateB();
    ASSERT_NE(keptBy(pedal()), a);
    pedal().eeprom.fill(char(0x5A));

    prompts.yesNoAnswers = {true};
    const auto restored = flow.restore(path("pedal.json"), Confirmation::Ask);
    ASSERT_TRUE(restored) << restored.reason().toStdString();
    // One question, naming the file: the store, assignment and tuning do not ask again.
    EXPECT_EQ(prompts.questions, QStringList({BackupFlow::question("pedal.json")}));
    EXPECT_EQ(keptBy(pedal()), a);
    // Dry went live, exactly as the backup holds it.
    EXPECT_EQ(pedal().liveValues.at(pedal().parameterAddresses[0]), dryA);
    // No message writes the EEPROM; the restore says so.
    EXPECT_EQ(pedal().eeprom, QByteArray(PedalState::EepromSize, char(0x5A)));
    ASSERT_FALSE(restored->notRestored.isEmpty());
    EXPECT_EQ(restored->notRestored.first(), "The EEPROM contents of devices 50 and 51: no message writes them.");
    EXPECT_TRUE(restored->notRestored.join(' ').contains("Dry, Sub Mix, -1 Oct and -2 Oct: sent live only."));
    EXPECT_EQ(restored->status.footswitch_mode, 3);
}

// A backup refused before anything is written: a file that is no backup
// (nothing sent at all), a pedal running another algorithm (only its status
// read), and a No to the question.
TEST_F(BackupFlowTest, RestoreRefusedOrDeclinedWritesNothing)
{
    setStateA();
    ASSERT_TRUE(flow.backup(path("pedal.json")));
    setStateB();
    const Kept b = keptBy(pedal());
    {
        QFile f(path("broken.json"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"format\": 1");
    }
    struct Case {
        const char *what;
        const char *file;
        std::array<std::uint8_t, 2> algorithm;
        bool answer;
        PedalResult::Outcome outcome;
        int messagesSeen;
        const char *reason;
    };
    const Case cases[] = {
        {"not a backup", "broken.json", {0x00, 0x10}, true, PedalResult::Outcome::Refused, 0,
         "Not a pedal backup: "},
        {"another algorithm", "pedal.json", {0x00, 0x09}, true, PedalResult::Outcome::Refused, 1,
         "Nothing restored: the backup was made with algorithm 0010, the pedal runs 0009, and their parameter "
         "addresses differ."},
        {"answered No", "pedal.json", {0x00, 0x10}, false, PedalResult::Outcome::Declined, 1, "Nothing restored"},
    };
    for (const Case &c : cases) {
        pedal().algorithmVersion = c.algorithm;
        prompts.yesNoAnswers = {c.answer};
        prompts.questions.clear();
        const int seen = driver.pedal().log().understoodCount();
        const auto restored = flow.restore(path(c.file), Confirmation::Ask);
        clock.sleep(100);
        driver.wire().poll();
        EXPECT_EQ(restored.outcome(), c.outcome) << c.what;
        EXPECT_TRUE(restored.reason().startsWith(c.reason)) << c.what << ": " << restored.reason().toStdString();
        EXPECT_EQ(driver.pedal().log().understoodCount() - seen, c.messagesSeen) << c.what;
        EXPECT_EQ(prompts.questions.size(), c.answer ? 0 : 1) << c.what;
        EXPECT_EQ(keptBy(pedal()), b) << c.what;
    }
}
