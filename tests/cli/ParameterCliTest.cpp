// The commands that change the effect (set, store, assign, footswitch) run
// through the sombrant program against sombrant-pedal-sim on its
// pseudo-terminal. What reached the pedal is read from the simulator's log
// and from its state, as a later `sombrant status --json` reports it.

#include "SombrantTool.h"
#include "PedalSimProcess.h"
#include "ProgramRun.h"
#include "PtyPair.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

qint64 valueOf(const QJsonObject &status, const char *name)
{
    return status["values"].toObject()[name].toInteger(-1);
}

// The simulator's log lines of the messages that change the effect.
const char *const ChangeMessages[] = {"live parameter", "store ", "assignments ", "footswitch mode"};

}  // namespace

TEST(ParameterCli, SetSendsTheValueOfEachEncodingToTheImagesAddress)
{
    struct Case {
        QStringList simulator;
        const char *name;
        const char *value;
        const char *reaches;
    };
    // Addresses: Dry 000B, Sub Mix 00E7, Wave 0003, Low Pass 00CB, High Pass
    // 00DD, Split 00E8, Input Level 000A, 1st Harmonic Pitch 0073, Wave Clip
    // 00E6, Dominant Notes Cut 001B, High Notes Cut 000C in algorithm 0010;
    // Dry 0009 in 0008, Wave Clip 00E2 in 0009.
    const Case cases[] = {
        {{}, "input level", "1023", "live parameter 000A = 007FE000"},
        {{}, "Dry", "0", "live parameter 000B = 00000000"},
        {{}, "Dry", "1", "live parameter 000B = 00002000"},
        {{}, "Sub Mix", "0x12345678", "live parameter 00E7 = 12345678"},
        {{}, "Wave Clip", "0Xff", "live parameter 00E6 = 000000FF"},
        {{}, "Low Pass", "24", "live parameter 00CB = 00000018"},
        {{}, "High Pass", "0", "live parameter 00DD = 00000000"},
        {{}, "Wave", "1", "live parameter 0003 = 00400000"},
        {{}, "WAVE", "0", "live parameter 0003 = 00600000"},
        {{}, "Split", "1", "live parameter 00E8 = 00000001"},
        {{}, "Dominant Notes Cut", "1", "live parameter 001B = 00000001"},
        {{}, "High Notes Cut", "0", "live parameter 000C = 00000000"},
        {{}, "1st Harmonic Pitch", "+3", "live parameter 0073 = 00500000"},
        {{}, "1st Harmonic Pitch", "-12", "live parameter 0073 = 00200000"},
        {{}, "1st Harmonic Pitch", "-1", "live parameter 0073 = 003D5558"},
        {{}, "1st harmonic pitch", "0", "live parameter 0073 = 00400000"},
        {{}, "1st Harmonic Pitch", "12", "live parameter 0073 = 00800000"},
        {{"--algorithm", "8"}, "Dry", "512", "live parameter 0009 = 00400000"},
        {{"--algorithm", "9"}, "Wave Clip", "0x1", "live parameter 00E2 = 00000001"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.value);
        Simulator sim(quick(c.simulator));
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, {"set", c.name, c.value});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        EXPECT_TRUE(sim.waitForLog(c.reaches)) << sim.log().toStdString();
        const QString log = sim.log();
        EXPECT_EQ(linesWith(log, "live parameter"), 1) << log.toStdString();
        EXPECT_EQ(linesWith(log, "status request"), 1) << log.toStdString();
    }
}

TEST(ParameterCli, StoreKeepsThePedalsValuesWithThoseNamed)
{
    struct Case {
        QStringList pairs;
        QStringList liveLines;
        const char *storeLine;
        qint64 inputLevel, harmonicPitch, waveClip, dominantCut, highCut;
    };
    // The simulated pedal starts with Input Level 0x600000, 1st Harmonic
    // Pitch 0x400000, Wave Clip 0x400000 and both cuts off.
    const Case cases[] = {
        {{}, {}, "store 00600000 00400000 00400000 00000000 00000000",
         0x600000, 0x400000, 0x400000, 0, 0},
        {{"input level=100", "1st Harmonic Pitch=-5", "Dominant Notes Cut=1"},
         {"live parameter 000A = 000C8000", "live parameter 0073 = 0032AAA8", "live parameter 001B = 00000001"},
         "store 000C8000 0032AAA8 00400000 00000001 00000000",
         100 << 13, 0x32AAA8, 0x400000, 1, 0},
        {{"Wave Clip=0x7FE000", "HIGH NOTES CUT=1"},
         {"live parameter 00E6 = 007FE000", "live parameter 000C = 00000001"},
         "store 00600000 00400000 007FE000 00000000 00000001",
         0x600000, 0x400000, 0x7FE000, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pairs.join(", ").toStdString());
        Simulator sim(quick());
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, QStringList{"store", "--yes"} + c.pairs);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();

        const QJsonObject status = statusOf(sim);
        EXPECT_EQ(valueOf(status, "Input Level"), c.inputLevel);
        EXPECT_EQ(valueOf(status, "1st Harmonic Pitch"), c.harmonicPitch);
        EXPECT_EQ(valueOf(status, "Wave Clip"), c.waveClip);
        EXPECT_EQ(valueOf(status, "Dominant Notes Cut"), c.dominantCut);
        EXPECT_EQ(valueOf(status, "High Notes Cut"), c.highCut);
        EXPECT_EQ(valueOf(status, "Dry"), 0x400000);  // the store keeps only the five

        // Each value named went live, in order, before the store.
        const QString log = sim.log();
        EXPECT_EQ(linesWith(log, "live parameter"), c.liveLines.size()) << log.toStdString();
        EXPECT_EQ(linesWith(log, "store "), 1) << log.toStdString();
        qsizetype at = 0;
        for (const QString &line : c.liveLines) {
            const qsizetype found = log.indexOf(line, at);
            EXPECT_GE(found, 0) << line.toStdString() << "\n" << log.toStdString();
            at = std::max(at, found);
        }
        EXPECT_GT(log.indexOf(c.storeLine), at) << log.toStdString();
    }
}

TEST(ParameterCli, StoreAsksThePersonAtTheTerminal)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the question is asked only at a terminal, and a pseudo-terminal to answer it from is a Unix thing";
#else
    struct Case {
        const char *answer;
        int exitCode;
        qint64 inputLevel;
        const char *says;
    };
    const Case cases[] = {
        {"y\n", 0, 200 << 13, "Save Parameters to pedal? [y/N]"},
        {"YES\n", 0, 200 << 13, "Save Parameters to pedal? [y/N]"},
        {"n\n", 1, 0x600000, "Nothing stored: the answer was No"},
        {"\n", 1, 0x600000, "Nothing stored: the answer was No"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        PtyPair terminal;
        ASSERT_TRUE(terminal.isOpen()) << terminal.error().toStdString();
        // The answer waits in the terminal until the question reads it.
        ASSERT_EQ(terminal.writeMaster(c.answer), qsizetype(qstrlen(c.answer)));
        Simulator sim(quick());
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, {"store", "Input Level=200"}, terminal.slavePath());
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_EQ(valueOf(statusOf(sim), "Input Level"), c.inputLevel);
        // The value named goes live before the question, whatever the answer.
        const QString log = sim.log();
        EXPECT_EQ(linesWith(log, "live parameter 000A = 00190000"), 1) << log.toStdString();
        EXPECT_EQ(linesWith(log, "store "), c.exitCode == 0 ? 1 : 0) << log.toStdString();
    }
#endif
}

TEST(ParameterCli, AssignSetsTheControlsAndLeavesTheOthersUnassigned)
{
    struct Assignment {
        bool assigned;
        int address;
    };
    struct Case {
        QStringList simulator;
        QStringList options;
        Assignment expected[5];
    };
    const Case cases[] = {
        {{},
         {"--ctrl1", "wave clip", "--ctrl3", "High Notes Cut", "--remote", "preset"},
         {{true, 0x00E6}, {false, 0xFFFF}, {true, 0x000C}, {false, 0xFFFF}, {true, 0xFFFD}}},
        {{},
         {"--ctrl2", "1st harmonic pitch", "--ctrl4", "DOMINANT NOTES CUT", "--remote", "Bypass", "--ctrl1",
          "Input Level"},
         {{true, 0x000A}, {true, 0x0073}, {false, 0xFFFF}, {true, 0x001B}, {true, 0xFFFE}}},
        // The remote footswitch starts on Bypass: left out, it is Not Assigned.
        {{"--algorithm", "9"},
         {"--ctrl1", "Wave Clip", "--ctrl3", "not assigned"},
         {{true, 0x00E2}, {false, 0xFFFF}, {false, 0xFFFF}, {false, 0xFFFF}, {false, 0xFFFF}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        Simulator sim(quick(c.simulator));
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, QStringList{"assign", "--yes"} + c.options);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonArray assignments = statusOf(sim)["assignments"].toArray();
        ASSERT_EQ(assignments.size(), 5);
        for (int k = 0; k < 5; ++k) {
            const QJsonObject a = assignments[k].toObject();
            EXPECT_EQ(a["assigned"].toBool(), c.expected[k].assigned) << a["control"].toString().toStdString();
            EXPECT_EQ(a["address"].toInt(), c.expected[k].address) << a["control"].toString().toStdString();
        }
        EXPECT_EQ(linesWith(sim.log(), "assignments "), 1);
    }
}

TEST(ParameterCli, FootswitchSetsEachOfTheFourModes)
{
    struct Case {
        const char *shortPress;
        const char *longPress;
        int mode;
    };
    // Each case changes the mode the one before left (the pedal starts in 0).
    const Case cases[] = {
        {"preset", "bypass", 3},
        {"bypass", "bypass", 1},
        {"Preset", "PRESET", 2},
        {"bypass", "preset", 0},
    };
    // The footswitch needs no parameter addresses: an algorithm without an
    // image does not stop it.
    Simulator sim(quick({"--algorithm", "7"}));
    ASSERT_FALSE(sim.path().isEmpty());
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.shortPress) + " " + c.longPress);
        const ProgramRun run = sombrant(sim, {"footswitch", c.shortPress, c.longPress});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(statusOf(sim)["footswitch_mode"].toInt(-1), c.mode);
        EXPECT_TRUE(sim.waitForLog(QStringLiteral("footswitch mode %1").arg(c.mode)));
    }
    EXPECT_EQ(linesWith(sim.log(), "footswitch mode"), 4);
}

TEST(ParameterCli, BadInputExitsWithTwoSaysWhyAndSendsNothing)
{
    struct Case {
        QStringList simulator;
        QStringList arguments;
        const char *says;
        int statusRequests;  // the tool's own, before the check refused the run
    };
    const QStringList noImage{"--algorithm", "7"};
    const Case cases[] = {
        {{}, {"set", "Volume", "5"}, "Unknown parameter \"Volume\"; the parameters are \"Dry\"", 0},
        {{}, {"set", "Dry", "1024"}, "Value \"1024\" is out of range for Dry", 0},
        {{}, {"set", "Dry", "-1"}, "Value \"-1\" is out of range for Dry", 0},
        {{}, {"set", "Low Pass", "25"}, "Value \"25\" is out of range for Low Pass", 0},
        {{}, {"set", "Wave", "2"}, "Value \"2\" is out of range for Wave", 0},
        {{}, {"set", "Split", "on"}, "Value \"on\" is not a number for Split", 0},
        {{}, {"set", "Dry", "12a"}, "Value \"12a\" is not a number for Dry", 0},
        {{}, {"set", "Dry", "5.0"}, "Value \"5.0\" is not a number for Dry", 0},
        {{}, {"set", "Dry", "0x"}, "Value \"0x\" is not a raw value for Dry", 0},
        {{}, {"set", "Dry", "0x123456789"}, "Value \"0x123456789\" is not a raw value for Dry", 0},
        {{}, {"set", "1st Harmonic Pitch", "+13"}, "Value \"+13\" is out of range for 1st Harmonic Pitch", 0},
        {{}, {"set", "1st Harmonic Pitch", "-13"}, "Value \"-13\" is out of range for 1st Harmonic Pitch", 0},
        {{}, {"set", "Range", "5"}, "Range has no address", 0},
        {{}, {"set", "Dry"}, "set takes NAME VALUE", 0},
        {{}, {"set", "--ctrl1", "Wave Clip", "Dry", "5"}, "--ctrl1 is an option of assign only", 0},
        {{}, {"store", "--yes", "Input Level=1024"}, "Value \"1024\" is out of range for Input Level", 0},
        {{}, {"store", "--yes", "Input Level"}, "store takes NAME=VALUE pairs", 0},
        {{}, {"store", "--yes", "Volume=5"}, "Unknown parameter \"Volume\"", 0},
        {{}, {"store", "--yes", "Dry=5"}, "store keeps only Input Level", 0},
        {{}, {"store", "--yes", "Wave Clip=1", "wave clip=2"}, "store names wave clip twice", 0},
        {{}, {"store", "Input Level=5"}, "give --yes, or run it at a terminal", 0},
        {{}, {"assign", "--ctrl1", "Input Level"}, "give --yes, or run it at a terminal", 0},
        {{}, {"assign", "--yes", "--ctrl3", "Input Level"},
         "--ctrl3: Control III offers \"Not Assigned\", \"Dominant Notes Cut\", \"High Notes Cut\"; "
         "not \"Input Level\"", 0},
        {{}, {"assign", "--yes", "--ctrl2", "High Notes Cut"},
         "Control II offers \"Not Assigned\", \"Input Level\", \"1st Harmonic Pitch\", \"Wave Clip\"", 0},
        {{}, {"assign", "--yes", "--remote", "mute"},
         "Remote Footswitch offers \"Not Assigned\", \"Bypass\", \"Preset\"; not \"mute\"", 0},
        {{}, {"footswitch", "bypass", "mute"}, "The long press takes \"bypass\" or \"preset\", not \"mute\"", 0},
        {{}, {"footswitch", "hold", "preset"}, "The short press takes \"bypass\" or \"preset\"", 0},
        {{}, {"footswitch", "bypass"}, "footswitch takes SHORT LONG", 0},
        {noImage, {"set", "Dry", "5"}, "The pedal runs algorithm 0007, of which no image is carried", 1},
        {noImage, {"store", "--yes", "Input Level=5"}, "algorithm 0007, of which no image is carried", 1},
        {noImage, {"assign", "--yes", "--ctrl1", "Wave Clip"}, "algorithm 0007, of which no image is carried",
         1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        Simulator sim(quick(c.simulator));
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();

        const QJsonObject status = statusOf(sim);
        EXPECT_EQ(valueOf(status, "Input Level"), 0x600000);
        const QString log = sim.log();
        EXPECT_EQ(linesWith(log, "status request"), c.statusRequests + 1) << log.toStdString();
        for (const char *message : ChangeMessages)
            EXPECT_EQ(linesWith(log, message), 0) << log.toStdString();
    }
}

TEST(ParameterCli, APedalThatDoesNotAnswerExitsWithOneAndIsSentNothingElse)
{
    const QStringList commands[] = {
        {"set", "Dry", "5"},
        {"store", "--yes", "Input Level=5"},
        {"assign", "--yes", "--ctrl1", "Wave Clip"},
        {"footswitch", "preset", "bypass"},
    };
    for (const QStringList &arguments : commands) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        Simulator sim(quick({"--fault", "silent"}));
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant(sim, arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("No reply from the pedal")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        const QString log = sim.log();
        for (const char *message : ChangeMessages)
            EXPECT_EQ(linesWith(log, message), 0) << log.toStdString();
    }
}

TEST(ParameterCli, HelpListsTheCommands)
{
    const ProgramRun run =
        runProgram(QStringLiteral(SOMBRANT_CLI_PATH), {"--help"}, 30'000, toolEnvironment());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char *line : {"  set NAME VALUE", "  store [NAME=VALUE]", "  assign ", "  footswitch SHORT LONG",
                             "--yes", "--ctrl1 <NAME>", "--remote <bypass|preset>"})
        EXPECT_TRUE(run.out.contains(line)) << line << "\n" << run.out.toStdString();
}
