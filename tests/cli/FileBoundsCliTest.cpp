// Every file the programs read is refused at once unless it is a regular file
// no larger than the largest valid one: a pipe (opening it would wait for a
// writer), a device that never ends, a folder, and a file one byte too large,
// through sombrant --simulate and sombrant-pedal-sim. On Windows the pipe and
// the devices are the device names NUL and CON, which name a device in any
// folder.

#include "SombrantTool.h"
#include "ProgramRun.h"
#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {

// Longer than any refusal takes, short enough that a run waiting on the
// pipe fails the test instead of holding it up.
constexpr int HangMs = 5000;

// Far above what either program needs, far below what reading a device
// until memory runs out takes.
constexpr long MaxChildRssKb = 200 * 1024;

// The largest peak memory of any child that has ended so far: checked after
// each run, so the first run over the bound is the one that took it. Windows
// keeps no such figure for a child that has ended (0 there); the deadline
// still ends a run that reads a device without bound.
long childrenPeakRssKb()
{
#ifdef Q_OS_UNIX
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
#else
    return 0;
#endif
}

struct Reader {
    const char *name;
    QString program;
    QStringList (*arguments)(const QString &file);
    qint64 largestValid;
    const char *tooLarge;  // what a file one byte too large is told
};

}  // namespace

TEST(FileBoundsCli, APipeADeviceAFolderAndAnOversizeFileAreRefusedAtOnce)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
#ifdef Q_OS_UNIX
    const QString pipe = dir.filePath("pipe");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString pipeSays = pipe + ": it is a pipe, not a file";
    const QString device = "/dev/zero";
#else
    const QString pipe = "NUL";
    const QString pipeSays = "NUL: it is a device, not a file";
    const QString device = "CON";
#endif
    const QString folder = dir.filePath("folder");
    ASSERT_TRUE(QDir().mkpath(folder));

    const QString tool = QStringLiteral(SOMBRANT_CLI_PATH);
    const Reader readers[] = {
        {"preset load", tool, [](const QString &f) { return QStringList{"--simulate", "preset", "load", f}; }, 153,
         "(it is 154 bytes, more than the 153 expected)"},
        {"upload-algorithm --file", tool,
         [](const QString &f) { return QStringList{"--simulate", "upload-algorithm", "--file", f, "--yes"}; }, 65536,
         "is larger than 65536 bytes, more than the pedal takes: nothing was sent"},
        {"flash --file", tool, [](const QString &f) { return QStringList{"--simulate", "flash", "--file", f}; },
         130048, "the firmware image of 130049 bytes is larger than the 130048 bytes"},
        {"sombrant-pedal-sim --state", QStringLiteral(SOMBRANT_PEDAL_SIM_PATH),
         [](const QString &f) { return QStringList{"--no-pacing", "--state", f}; }, 256 * 1024,
         "it is 262145 bytes, more than the 262144 of a state file"},
    };
    for (const Reader &reader : readers) {
        const QString oversize = dir.filePath(QStringLiteral("oversize-%1").arg(reader.largestValid));
        {
            QFile out(oversize);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            ASSERT_EQ(out.write(QByteArray(reader.largestValid + 1, '0')), reader.largestValid + 1);
        }
        const struct {
            QString file;
            QString says;
        } cases[] = {
            {pipe, pipeSays},
            {device, device + ": it is a device, not a file"},
            {folder, folder + ": it is a folder, not a file"},
            {oversize, reader.tooLarge},
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(reader.name) + " " + c.file.toStdString());
            const ProgramRun run = runProgram(reader.program, reader.arguments(c.file), HangMs, toolEnvironment());
            EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
            // The path as the program writes it, with either separator.
            EXPECT_TRUE(QDir::fromNativeSeparators(run.err).contains(c.says)) << run.err.toStdString();
            EXPECT_LT(childrenPeakRssKb(), MaxChildRssKb);
        }
    }
}
