// backup and restore through the sombrant program against sombrant-pedal-sim
// on its pseudo-terminal: the simulator keeps its state between the runs.

#include "SombrantTool.h"
#include "PedalSimProcess.h"
#include "ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs the tool and expects it to succeed.
void succeeds(Simulator &sim, const QStringList &arguments)
{
    const ProgramRun run = sombrant(sim, arguments);
    EXPECT_EQ(run.exitCode, 0) << arguments.join(' ').toStdString() << ": " << run.err.toStdString();
}

}  // namespace

// A backup, then every setting a restore writes changed through the tool,
// then the restore: the pedal reports the state it had at the backup.
TEST(BackupCli, RestoreReturnsThePedalToTheBackedUpState)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath("pedal.json");
    Simulator sim(quick());
    ASSERT_FALSE(sim.path().isEmpty());
    succeeds(sim, {"footswitch", "preset", "bypass"});
    succeeds(sim, {"tuning", "Drop D (DADGBE)", "-2", "--yes"});
    succeeds(sim, {"assign", "--ctrl1", "Input Level", "--ctrl4", "High Notes Cut", "--remote", "preset", "--yes"});
    succeeds(sim, {"store", "Input Level=0x3FC000", "Wave Clip=0x14E000", "Dominant Notes Cut=1", "--yes"});
    const QJsonObject before = statusOf(sim);

    const ProgramRun backup = sombrant(sim, {"backup", file});
    ASSERT_EQ(backup.exitCode, 0) << backup.err.toStdString();
    EXPECT_EQ(backup.out,
              "Backup written to " + file + ": firmware 08, algorithm 0010, EEPROM 50 and 51 (16384 bytes each)\n");

    succeeds(sim, {"footswitch", "bypass", "preset"});
    succeeds(sim, {"tuning", "1", "+3", "--yes"});
    succeeds(sim, {"assign", "--ctrl2", "Wave Clip", "--yes"});
    succeeds(sim, {"store", "Input Level=0x100000", "Wave Clip=0x2000", "Dominant Notes Cut=0", "--yes"});
    ASSERT_NE(statusOf(sim), before);

    // Without --yes and without a terminal to answer at, nothing is sent.
    const ProgramRun unasked = sombrant(sim, {"restore", file});
    EXPECT_EQ(unasked.exitCode, 2);
    EXPECT_TRUE(unasked.err.contains("restore asks before it writes the pedal's memory")) << unasked.err.toStdString();

    const ProgramRun restore = sombrant(sim, {"restore", file, "--yes"});
    EXPECT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.out.startsWith("Restored from " + file)) << restore.out.toStdString();
    EXPECT_TRUE(restore.out.contains("Not restored: The EEPROM contents of devices 50 and 51: no message writes them."))
        << restore.out.toStdString();
    EXPECT_EQ(statusOf(sim), before);
}

// A file that is not a whole backup is refused before the pedal is opened.
TEST(BackupCli, ABrokenFileIsAUsageError)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath("broken.json");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"format\": 7}");
    }
    const ProgramRun run = sombrant({"restore", file, "--yes", "--port", "/nonexistent/tty"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "Not a pedal backup: " + QDir::toNativeSeparators(file)
                           + ": it is a backup of format 7, and this editor reads format 1 only\n");
}
