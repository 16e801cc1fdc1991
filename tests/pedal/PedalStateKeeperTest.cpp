// The state file kept up to date beside a running pedal: claimed, throttled,
// and retried after a failed save; and a save onto a full file system that
// keeps the previous file. Real files in a temporary folder; the clock is the
// test's.

#include "FullFileSystem.h"
#include "QtPrinters.h"
#include "model/PedalStateFile.h"
#include "model/PedalStateKeeper.h"
#include "model/PedalWire.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

int linesContaining(const QStringList &lines, const QString &fragment)
{
    int n = 0;
    for (const QString &l : lines)
        n += l.contains(fragment) ? 1 : 0;
    return n;
}

// A pedal on an unpaced wire with its keeper; both read the test's clock.
class KeeperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        wire.setPacing(false);
        QString error;
        ASSERT_TRUE(keeper.claim(file, &error)) << error.toStdString();
    }
    // A message to the pedal, and the keeper's look at it afterwards.
    void send(const char *hex)
    {
        wire.hostWrite(QByteArray::fromHex(hex));
        keeper.update(wire.pedal);
    }
    PedalState saved()
    {
        PedalState s = PedalDevice::factoryState(0x01);
        QString error;
        bool existed = false;
        EXPECT_TRUE(PedalStateFile::load(file, s, &error, &existed)) << error.toStdString();
        EXPECT_TRUE(existed);
        return s;
    }

    QTemporaryDir dir;
    const QString file = dir.filePath("pedal.json");
    std::int64_t now = 0;
    PedalWire wire{[this] { return now; }};
    PedalStateKeeper keeper{[this] { return now; }};
};

}  // namespace

TEST_F(KeeperTest, BurstOfChangesIsSavedOnceAtOnceAndOnceWhenTheIntervalEnds)
{
    send("080100");  // the first change after a quiet spell: saved at once
    EXPECT_EQ(keeper.saveCount(), 1);
    EXPECT_EQ(saved().footswitchMode, 2);

    const char *modes[] = {"080000", "080001", "080101"};
    for (int i = 0; i < 60; ++i) {
        now += 1000;
        send(modes[i % 3]);
    }
    EXPECT_EQ(keeper.saveCount(), 1) << "changes inside the interval wait";
    EXPECT_TRUE(keeper.unsaved());
    ASSERT_TRUE(keeper.saveDueAt().has_value());
    EXPECT_EQ(*keeper.saveDueAt(), PedalStateKeeper::SaveIntervalUs);

    now = PedalStateKeeper::SaveIntervalUs - 1;
    keeper.update(wire.pedal);
    EXPECT_EQ(keeper.saveCount(), 1);
    now = PedalStateKeeper::SaveIntervalUs;
    keeper.update(wire.pedal);
    EXPECT_EQ(keeper.saveCount(), 2);
    EXPECT_EQ(saved().footswitchMode, 3) << "the last change of the burst";
    EXPECT_FALSE(keeper.unsaved());
    EXPECT_FALSE(keeper.saveDueAt().has_value());

    now += 10'000'000;
    keeper.update(wire.pedal);
    EXPECT_EQ(keeper.saveCount(), 2) << "nothing changed, nothing saved";
    send("0902FE");
    EXPECT_EQ(keeper.saveCount(), 3) << "after a quiet spell, at once again";
    EXPECT_EQ(saved().tuningNumber, 2);
}

// The save fails while a folder stands where the file goes. It is tried
// again each time the retry interval has passed, and by the final flush; the
// log names the first failure of the run and the save that ends it, not every
// attempt.
TEST_F(KeeperTest, FailedSaveIsRetriedAfterAnIntervalAndLoggedOncePerRun)
{
    constexpr std::int64_t retry = PedalStateKeeper::RetryIntervalUs;
    for (const bool byPoll : {true, false}) {
        SCOPED_TRACE(byPoll ? "poll" : "flush");
        now += 10'000'000;
        send("080100");
        ASSERT_EQ(saved().footswitchMode, 2);

        const int failedBefore = keeper.failedSaveCount();
        ASSERT_TRUE(QFile::remove(file));
        ASSERT_TRUE(QDir().mkdir(file));
        now += 10'000'000;
        send("0902FE");
        EXPECT_EQ(keeper.failedSaveCount(), failedBefore + 1);
        ASSERT_TRUE(keeper.saveDueAt().has_value());
        EXPECT_EQ(*keeper.saveDueAt(), now + retry);
        now += retry - 1;
        keeper.update(wire.pedal);
        EXPECT_EQ(keeper.failedSaveCount(), failedBefore + 1) << "not before the interval";
        for (int i = 0; i < 3; ++i) {
            now += i == 0 ? 1 : retry;
            keeper.update(wire.pedal);
        }
        EXPECT_EQ(keeper.failedSaveCount(), failedBefore + 4);
        EXPECT_TRUE(keeper.lastError().contains(QDir::toNativeSeparators(file))) << keeper.lastError().toStdString();
        EXPECT_TRUE(keeper.unsaved());
        ASSERT_TRUE(QDir().rmdir(file));

        if (byPoll) {
            now += retry;
            keeper.update(wire.pedal);
        } else {
            EXPECT_TRUE(keeper.flush(wire.pedal));
        }
        const PedalState s = saved();
        EXPECT_EQ(s.footswitchMode, 2);
        EXPECT_EQ(s.tuningNumber, 2);
        EXPECT_EQ(s.semitones, -2);
        EXPECT_FALSE(keeper.unsaved());
        EXPECT_FALSE(keeper.saveDueAt().has_value());
        wire.hostWrite(QByteArray::fromHex("090000"));  // back to tuning 0 for the next round
        EXPECT_TRUE(keeper.flush(wire.pedal));
    }
    const QStringList log = wire.pedal.log().lines();
    EXPECT_EQ(linesContaining(log, "state not saved: pedal state file"), 2) << log.join('\n').toStdString();
    EXPECT_EQ(linesContaining(log, "state saved after 4 failed attempts"), 2) << log.join('\n').toStdString();
}

// On a file system with less room than the state needs, a save fails as a
// whole: the file keeps the state saved before, byte for byte, and the error
// says why. With its memories erased the state is small enough to wait in the
// file's buffer until the flush; with the factory flash, its write stops part
// way.
TEST(PedalStateFileOnAFullDisk, FailedSaveKeepsThePreviousFileAndSaysWhy)
{
    if (const char *why = FullFileSystem::unavailable())
        GTEST_SKIP() << why;
    struct Case {
        const char *name;
        PedalState state;
        qint64 room;
    };
    const Case cases[] = {
        {"erased memories", PedalState{}, 0},
        {"factory flash", PedalDevice::factoryState(0x08), 4096},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FullFileSystem full(256);  // room for one state file (some 175 KB with the factory flash)
        ASSERT_TRUE(full.isValid());
        const QString file = full.filePath("pedal.json");
        PedalState state = c.state;
        QString error;
        ASSERT_TRUE(PedalStateFile::save(file, state, &error)) << error.toStdString();
        QFile saved(file);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const QByteArray old = saved.readAll();
        saved.close();
        ASSERT_TRUE(full.fill(c.room));
        const QStringList before = full.entries();

        state.footswitchMode = 2;
        EXPECT_FALSE(full.whileFull([&] { return PedalStateFile::save(file, state, &error); }));
        EXPECT_EQ(error, "pedal state file " + QDir::toNativeSeparators(file) + ": " + full.reason()
                             + "; the previous file is unchanged");
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_TRUE(saved.readAll() == old) << "the previous file is byte for byte as it was";
        EXPECT_EQ(full.entries(), before) << "no temporary file is left";
    }
}

TEST_F(KeeperTest, FlushWithoutAChangeWritesNothing)
{
    EXPECT_TRUE(keeper.flush(wire.pedal));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(keeper.saveCount(), 0);
}

// A claimed file is refused to a second keeper, in this process or another,
// until the first lets it go; a file whose lock cannot be made is refused too.
TEST_F(KeeperTest, ClaimIsExclusiveUntilReleased)
{
    QFile blocker(dir.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    struct Case {
        const char *name;
        QString path;
        const char *message;
    };
    const Case cases[] = {
        {"held by another", file, "is in use by another simulated pedal"},
        {"no folder for the lock", dir.filePath("not-a-folder/pedal.json"), "cannot create its lock file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PedalStateKeeper second{[this] { return now; }};
        QString error;
        EXPECT_FALSE(second.claim(c.path, &error));
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(c.path))) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.message))) << error.toStdString();
        EXPECT_TRUE(second.path().isEmpty());
    }

    PedalStateKeeper second{[this] { return now; }};
    QString error;
    EXPECT_TRUE(second.claim(QString(), &error)) << "an empty path keeps nothing and needs no lock";
    keeper.release();
    EXPECT_TRUE(second.claim(file, &error)) << error.toStdString();
    EXPECT_EQ(second.path(), file);
}

// What is no file is refused with its kind before a lock file is made beside
// it: a folder anywhere, a device file on Unix, on Windows the device names
// that name a device in any folder.
TEST_F(KeeperTest, ClaimRefusesWhatIsNoFileBeforeMakingALock)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.json"));
    struct Case {
        QString path;
        const char *kind;
    };
    const Case cases[] = {
        {dir.filePath("folder.json"), "it is a folder, not a file"},
#ifdef Q_OS_WIN
        {"NUL", "it is a device, not a file"},
        {"CON", "it is a device, not a file"},
        {dir.filePath("COM1"), "it is a device, not a file"},
#else
        {"/dev/null", "it is a device, not a file"},
#endif
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        PedalStateKeeper second{[this] { return now; }};
        QString error;
        EXPECT_FALSE(second.claim(c.path, &error));
        EXPECT_EQ(error, "pedal state file " + QDir::toNativeSeparators(c.path) + ": " + c.kind);
    }
    // The fixture's own lock is the only one.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"pedal.json.lock"});
}
