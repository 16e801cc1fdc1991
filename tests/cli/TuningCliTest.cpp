// The tuning and MIDI commands (upload-tuning, tuning, midi) run through the
// sombrant program against sombrant-pedal-sim on its pseudo-terminal. What
// reached the pedal is read from the simulator's log, from a later
// `sombrant status --json`, and from the state file it keeps.

#include "SombrantTool.h"
#include "PedalSimProcess.h"
#include "ProgramRun.h"
#include "PtyPair.h"
#include "tuning/TuningTable.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The simulator's log lines of the messages these commands send.
const char *const SettingsMessages[] = {"upload announcement", "tuning data", "tuning ", "MIDI channel"};

QByteArray tableBytes()
{
    QByteArray bytes;
    for (const auto &row : tuning_table)
        bytes += QByteArray(reinterpret_cast<const char *>(row.data()), qsizetype(row.size()));
    return bytes;
}

}  // namespace

TEST(TuningCli, TuningAndMidiReachThePedal)
{
    struct Case {
        QStringList arguments;
        const char *reaches;  // the simulator's log line
        const char *says;     // standard output
        int tuning, semitones;
    };
    // The simulated pedal starts with tuning 0 and semitones 0.
    const Case cases[] = {
        {{"tuning", "--yes", "2", "-2"}, "tuning 2, semitones -2", "Tuning: 2 \"Drop D (DADGBE)\", semitones -2", 2, -2},
        {{"tuning", "--yes", "open c (CGCGCE)", "+3"}, "tuning 7, semitones 3",
         "Tuning: 7 \"Open C (CGCGCE)\", semitones +3", 7, 3},
        {{"tuning", "--yes", " Standard (EADGBE) ", "-5"}, "tuning 1, semitones -5",
         "Tuning: 1 \"Standard (EADGBE)\", semitones -5", 1, -5},
        {{"tuning", "--yes", "dadgad", "2"}, "tuning 3, semitones 2", "Tuning: 3 \"DADGAD\", semitones +2", 3, 2},
        {{"tuning", "--yes", "0", "0"}, "tuning 0, semitones 0", "Tuning: 0 \"No Tuning Selected\", semitones 0", 0, 0},
        {{"midi", "omni"}, "MIDI channel OMNI", "MIDI channel: OMNI", 0, 0},
        {{"midi", "OMNI"}, "MIDI channel OMNI", "MIDI channel: OMNI", 0, 0},
        {{"midi", "9"}, "MIDI channel 9", "MIDI channel: 9", 0, 0},
        {{"midi", "10"}, "MIDI channel 10", "MIDI channel: 10", 0, 0},
        {{"midi", "16"}, "MIDI channel 16", "MIDI channel: 16", 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        Simulator sim(quick());
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, c.arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, QString::fromUtf8(c.says) + "\n");
        const QJsonObject status = statusOf(sim);
        EXPECT_EQ(status["tuning"].toInt(-1), c.tuning);
        EXPECT_EQ(status["semitones"].toInt(-99), c.semitones);
        const QString log = sim.log();
        EXPECT_EQ(linesWith(log, c.reaches), 1) << log.toStdString();
        EXPECT_EQ(linesWith(log, "tuning ") + linesWith(log, "MIDI channel"), 1) << log.toStdString();
        EXPECT_EQ(linesWith(log, "ignored"), 0) << log.toStdString();
        // Its own status request first, then the one of statusOf.
        EXPECT_EQ(linesWith(log, "status request"), 2) << log.toStdString();
    }
}

TEST(TuningCli, UploadTuningSendsTheWholeTableAfterTheAnnouncement)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString stateFile = dir.filePath("pedal.json");
    Simulator sim(quick({"--state", stateFile}));
    ASSERT_FALSE(sim.path().isEmpty());
    const ProgramRun run = sombrant(sim, {"upload-tuning", "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Tuning data uploaded: 32 filters, 641 bytes\n");
    EXPECT_TRUE(sim.waitForLog("tuning data, 641 bytes")) << sim.log().toStdString();

    const QString log = sim.log();  // the simulator ends and saves its state
    const qsizetype announced = log.indexOf("upload announcement");
    EXPECT_GE(announced, 0) << log.toStdString();
    EXPECT_GT(log.indexOf("tuning data, 641 bytes"), announced) << log.toStdString();
    EXPECT_EQ(linesWith(log, "ignored"), 0) << log.toStdString();

    QFile file(stateFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.errorString().toStdString();
    const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_TRUE(state["tuningTableReceived"].toBool());
    const QByteArray received = QByteArray::fromBase64(state["tuningTable"].toString().toLatin1());
    EXPECT_EQ(received, tableBytes());
}

TEST(TuningCli, QuestionsAreAnsweredAtTheTerminal)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the question is asked only at a terminal, and a pseudo-terminal to answer it from is a Unix thing";
#else
    struct Case {
        QStringList arguments;
        const char *answer;
        int exitCode;
        const char *asks;
        const char *says;
        const char *reaches;  // the simulator's log line when it was sent
    };
    const Case cases[] = {
        {{"tuning", "2", "-2"}, "y\n", 0, "Set new tuning? [y/N]", "Tuning: 2", "tuning 2, semitones -2"},
        {{"tuning", "2", "-2"}, "n\n", 1, "Set new tuning? [y/N]", nullptr, "tuning 2, semitones -2"},
        {{"upload-tuning"}, "yes\n", 0, "Upload Tuning Data? [y/N]", "Tuning data uploaded", "tuning data, 641 bytes"},
        {{"upload-tuning"}, "\n", 1, "Upload Tuning Data? [y/N]", nullptr, "tuning data, 641 bytes"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString() + " " + c.answer);
        PtyPair terminal;
        ASSERT_TRUE(terminal.isOpen()) << terminal.error().toStdString();
        // The answer waits in the terminal until the question reads it.
        ASSERT_EQ(terminal.writeMaster(c.answer), qsizetype(qstrlen(c.answer)));
        Simulator sim(quick());
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, c.arguments, terminal.slavePath());
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.asks)) << run.err.toStdString();
        if (c.says) {
            EXPECT_TRUE(run.out.startsWith(c.says)) << run.out.toStdString();
        } else {
            EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
            EXPECT_TRUE(run.err.contains("the answer was No")) << run.err.toStdString();
        }
        statusOf(sim);  // everything sent before has been taken
        const QString log = sim.log();
        EXPECT_EQ(linesWith(log, c.reaches), c.exitCode == 0 ? 1 : 0) << log.toStdString();
        EXPECT_EQ(linesWith(log, "upload announcement"), c.exitCode == 0 && c.arguments[0] == "upload-tuning" ? 1 : 0);
    }
#endif
}

TEST(TuningCli, BadInputAndASilentPedalSendNothing)
{
    struct Case {
        QStringList simulator;
        QStringList arguments;
        int exitCode;
        const char *says;
        int statusRequests;  // the tool's own
    };
    const QStringList silent{"--fault", "silent"};
    const Case cases[] = {
        {{}, {"tuning", "--yes", "8", "0"}, 2, "Unknown tuning \"8\"; the tunings are 0 \"No Tuning Selected\"", 0},
        {{}, {"tuning", "--yes", "Drop E", "0"}, 2, "Unknown tuning \"Drop E\"", 0},
        {{}, {"tuning", "--yes", "-1", "0"}, 2, "Unknown tuning \"-1\"", 0},
        {{}, {"tuning", "--yes", "2", "-6"}, 2, "Semitones \"-6\" are out of range; the semitones run from -5 to +3", 0},
        {{}, {"tuning", "--yes", "2", "+4"}, 2, "Semitones \"+4\" are out of range", 0},
        {{}, {"tuning", "--yes", "2", "99999999999"}, 2, "Semitones \"99999999999\" are out of range", 0},
        {{}, {"tuning", "--yes", "2", "-2.5"}, 2, "Semitones \"-2.5\" are not a number", 0},
        {{}, {"tuning", "--yes", "2", "down"}, 2, "Semitones \"down\" are not a number", 0},
        {{}, {"tuning", "--yes", "2"}, 2, "tuning takes TUNING SEMITONES", 0},
        {{}, {"tuning", "2", "-2"}, 2, "tuning asks before it writes the pedal's memory: give --yes", 0},
        {{}, {"upload-tuning"}, 2, "upload-tuning asks before it writes the pedal's memory: give --yes", 0},
        {{}, {"upload-tuning", "--yes", "all"}, 2, "upload-tuning takes no arguments", 0},
        {{}, {"midi", "17"}, 2, "Unknown MIDI channel \"17\"; the channels are omni (all) and 1 to 16", 0},
        {{}, {"midi", "0"}, 2, "Unknown MIDI channel \"0\"", 0},
        {{}, {"midi", "-3"}, 2, "Unknown MIDI channel \"-3\"", 0},
        {{}, {"midi", "all"}, 2, "Unknown MIDI channel \"all\"", 0},
        {{}, {"midi"}, 2, "midi takes CHANNEL: omni or 1 to 16", 0},
        {{}, {"midi", "--yes", "9", "10"}, 2, "midi takes CHANNEL", 0},
        // A pedal that does not answer its status request is sent nothing more.
        {silent, {"tuning", "--yes", "2", "-2"}, 1, "No reply from the pedal", 1},
        {silent, {"upload-tuning", "--yes"}, 1, "No reply from the pedal", 1},
        {silent, {"midi", "9"}, 1, "No reply from the pedal", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        Simulator sim(quick(c.simulator));
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        const QString log = sim.log();
        EXPECT_EQ(linesWith(log, "status request"), c.statusRequests) << log.toStdString();
        for (const char *message : SettingsMessages)
            EXPECT_EQ(linesWith(log, message), 0) << message << "\n" << log.toStdString();
    }
}

TEST(TuningCli, HelpListsTheCommands)
{
    const ProgramRun run = runProgram(QStringLiteral(SOMBRANT_CLI_PATH), {"--help"}, 30'000, toolEnvironment());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char *line : {"  upload-tuning ", "  tuning TUNING SEMITONES", "  midi CHANNEL",
                             "  upload-algorithm NAME | --file FILE", "  preset load FILE [--store]",
                             "preset load --store: answer Yes"})
        EXPECT_TRUE(run.out.contains(line)) << line << "\n" << run.out.toStdString();
}
