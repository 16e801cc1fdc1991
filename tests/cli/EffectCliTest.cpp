// upload-algorithm and preset save/load through the sombrant program against
// sombrant-pedal-sim on its pseudo-terminal.

#include "SombrantTool.h"
#include "PedalSimProcess.h"
#include "ProgramRun.h"
#include "algorithms/EffectLibrary.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(EffectCli, UploadsACarriedImageOrAFileAndPrintsTheAnswer)
{
    Simulator sim({"--algorithm", "9"});
    ProgramRun run = sombrant(sim, {"upload-algorithm", "Sombrant MK3 0010", "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "OK 0010\n");
    EXPECT_EQ(statusOf(sim)["algorithm"].toString(), "0010");

    // The image of another algorithm as a file, as a vendor would ship it.
    QTemporaryDir dir;
    const QString file = dir.filePath("effect.dat");
    const std::optional<QByteArray> hex = EffectLibrary::resourceBytes("Sombrant_MK3_0008");
    ASSERT_TRUE(hex.has_value());
    writeAll(file, QByteArray::fromHex(hex->split('\n').first().trimmed()));
    run = sombrant(sim, {"upload-algorithm", "--file", file, "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "OK 0008\n");
    EXPECT_EQ(statusOf(sim)["algorithm"].toString(), "0008");
}

TEST(EffectCli, UploadRefusesWhatIsNotToBeSent)
{
    QTemporaryDir dir;
    const QString text = dir.filePath("notes.dat");
    writeAll(text, "not an effect\n");
    const QString big = dir.filePath("big.dat");
    writeAll(big, QByteArray(65537, '\0'));
    struct Case {
        QStringList arguments;
        int exitCode;
        const char *says;
    };
    const Case cases[] = {
        {{"upload-algorithm", "Sombrant MK3 0007", "--yes"}, 2, "Sombrant MK3 0007"},
        {{"upload-algorithm", "--yes"}, 2, "upload-algorithm takes"},
        {{"upload-algorithm", "Sombrant MK3 0010"}, 2, "give --yes"},
        {{"upload-algorithm", "--file", dir.filePath("none.dat"), "--yes"}, 2, "Cannot open"},
        {{"upload-algorithm", "--file", big, "--yes"}, 2, "larger than 65536 bytes"},
        {{"upload-algorithm", "--file", text}, 2, "give --yes"},
    };
    Simulator sim({"--no-pacing"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ProgramRun run = sombrant(sim, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    // A text file is sent only when the user insists (here: --yes answers both).
    const ProgramRun insisted = sombrant(sim, {"upload-algorithm", "--file", text, "--yes"});
    EXPECT_EQ(insisted.exitCode, 0) << insisted.err.toStdString();
    EXPECT_EQ(insisted.out, "ERR length\n");
    statusOf(sim);
    const QString log = sim.log();
    EXPECT_EQ(log.count("upload announcement"), 1) << log.toStdString();
}

TEST(EffectCli, ASilentPedalFailsTheUpload)
{
    Simulator sim({"--fault", "silent"});
    const ProgramRun run = sombrant(sim, {"upload-algorithm", "Sombrant MK3 0010", "--yes"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Upload Failed")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
}

TEST(EffectCli, APresetIsSavedFromThePedalAndLoadedBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pedal.txt");
    Simulator sim({"--no-pacing"});
    ProgramRun run = sombrant(sim, {"preset", "save", path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray saved = readAll(path);
    ASSERT_EQ(saved.size(), 137);
    EXPECT_TRUE(saved.startsWith("\xEF\xBB\xBF" "00400000\r00400000\r00400000\r00200000\r")) << saved.toStdString();
    EXPECT_TRUE(saved.endsWith("\r00600000\r00400000\r00400000\r00000000\r00000000"));

    // Another Input Level and Wave Clip, stored.
    QByteArray changed = saved;
    changed.replace(3 + 10 * 9, 8, "00402000");
    changed.replace(3 + 12 * 9, 8, "003FC000");
    writeAll(path, changed);
    run = sombrant(sim, {"preset", "load", path, "--store", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject values = statusOf(sim)["values"].toObject();
    EXPECT_EQ(values["Input Level"].toInteger(), 0x402000);
    EXPECT_EQ(values["Wave Clip"].toInteger(), 0x3FC000) << "as the file has it, not as a dial shows it";
    const QString log = sim.log();
    EXPECT_TRUE(log.contains("live parameter 000A = 00402000")) << log.toStdString();
}

// Three rounds of saving the pedal's state to a preset and storing it back:
// the pedal keeps what it had, bit for bit.
TEST(EffectCli, ThreePresetRoundsLeaveThePedalAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("round.txt");
    Simulator sim({"--no-pacing"});
    ProgramRun run = sombrant(sim, {"store", "--yes", "Input Level=0x3FC000", "Wave Clip=0x400000",
                                    "Dominant Notes Cut=1"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject stored = statusOf(sim)["values"].toObject();
    ASSERT_EQ(stored["Input Level"].toInteger(), 0x3FC000);
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        run = sombrant(sim, {"preset", "save", path});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        run = sombrant(sim, {"preset", "load", path, "--store", "--yes"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(statusOf(sim)["values"].toObject(), stored);
    }
    const QString log = sim.log();
    EXPECT_TRUE(log.contains("live parameter 000A = 003FC000")) << log.toStdString();
    EXPECT_TRUE(log.contains("live parameter 001B = 00000001")) << "sent as the pedal has it, with no tuning";
}

TEST(EffectCli, PresetErrorsSendNothing)
{
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.txt");
    writeAll(bad, "00400000\r");
    struct Case {
        QStringList arguments;
        const char *says;
    };
    const Case cases[] = {
        {{"preset", "load", bad}, "Not a preset file: "},
        {{"preset", "load", dir.filePath("none.txt")}, "none.txt"},
        {{"preset", "frobnicate", bad}, "preset takes"},
        {{"preset", "load"}, "preset takes"},
        {{"preset", "load", bad, "--store"}, "Not a preset file: "},
    };
    Simulator sim({"--no-pacing"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ProgramRun run = sombrant(sim, c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }
    statusOf(sim);
    const QString log = sim.log();
    EXPECT_FALSE(log.contains("live parameter")) << log.toStdString();
}
