#include "PedalSimProcess.h"
#include "ProgramRun.h"
#include "PtyPair.h"
#include "SombrantTool.h"  // sombrant(): a D2XX library here is kept out of the way

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SombrantCli, ListsTheSimulatedPedal)
{
    const ProgramRun run = sombrant({"--simulate", "list"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "SIM00001\tFT230X Basic UART\tsimulated pedal\n");
}

TEST(SombrantCli, ListsAnExplicitPortThroughTheSerialDriver)
{
    PtyPair line;
    ASSERT_TRUE(line.isOpen()) << line.error().toStdString();
    const ProgramRun run = sombrant({"--port", line.slavePath(), "list"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList fields = run.out.trimmed().split('\t');
    ASSERT_EQ(fields.size(), 3) << run.out.toStdString();
    EXPECT_EQ(fields[0], line.slavePath());
    EXPECT_EQ(fields[2], "serial port");
}

TEST(SombrantCli, UsageErrorsExitWithTwoAndSayWhy)
{
    QTemporaryDir dir;
    const QString badState = dir.filePath("pedal.json");
    QFile file(badState);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"format\": 1, \"firmwareVersion\": ");
    file.close();

    struct Case {
        QStringList arguments;
        const char *says;
    };
    const Case cases[] = {
        {{}, "No command given"},
        {{"--simulate", "frobnicate"}, "Unknown command \"frobnicate\""},
        {{"--simulate", "list", "extra"}, "list takes no arguments"},
        {{"--bogus", "list"}, "bogus"},
        {{"--simulate", "--port", "/dev/null", "list"}, "cannot be used together"},
        {{"--simulate", "--simulate-firmware", "100", "status"}, "--simulate-firmware: \"100\""},
        {{"--simulate", "--simulate-fault", "bogus", "status"}, "unknown fault \"bogus\""},
        {{"--simulate", "--simulate-fault", "split-reply=1", "list"}, "split-reply"},
        {{"--simulate", "--simulate-state", badState, "status"}, "pedal state file"},
    };
    for (const Case &c : cases) {
        const ProgramRun run = sombrant(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(SombrantCli, ListsANamedPortOnlyWhenItOpens)
{
    const ProgramRun missing = sombrant({"--port", "/nonexistent/tty", "list"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty()) << missing.out.toStdString();
    // The reason is the system's own words.
#ifdef Q_OS_WIN
    EXPECT_TRUE(missing.err.startsWith("/nonexistent/tty: ") && missing.err.trimmed().size() > 18)
        << missing.err.toStdString();
#else
    EXPECT_EQ(missing.err.trimmed(), "/nonexistent/tty: No such file or directory");
#endif

    // A file that is no terminal exists but does not open as a port.
    QTemporaryDir dir;
    const QString plain = dir.filePath("not-a-tty");
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const ProgramRun notTty = sombrant({"--port", plain, "list"});
    EXPECT_EQ(notTty.exitCode, 1);
    EXPECT_TRUE(notTty.out.isEmpty()) << notTty.out.toStdString();
    EXPECT_TRUE(notTty.err.startsWith(plain + ": ")) << notTty.err.toStdString();
}

// The editor answers --help and --version where there is no display.
TEST(SombrantEditor, HelpAndVersionNeedNoDisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    const ProgramRun version = runProgram(QStringLiteral(SOMBRANT_EDITOR_PATH), {"--version"}, 30'000, env);
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_TRUE(version.out.startsWith("Sombrant Editor ")) << version.out.toStdString();
    const ProgramRun help = runProgram(QStringLiteral(SOMBRANT_EDITOR_PATH), {"--help"}, 30'000, env);
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.contains("--simulate")) << help.out.toStdString();
}

TEST(SombrantCli, StatusReadsThePedalForAPersonAndAsJson)
{
    const ProgramRun text = sombrant({"--simulate", "status"});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith("Firmware: 08\nAlgorithm: 0010\nEffect: 10\n")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("\nHigh Notes Cut: 0x")) << text.out.toStdString();

    const ProgramRun json = sombrant({"--simulate", "status", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o["firmware"].toString(), "08");
    EXPECT_EQ(o["algorithm"].toString(), "0010");
    EXPECT_EQ(o["effect"].toString(), "10");
    ASSERT_EQ(o["assignments"].toArray().size(), 5);
    EXPECT_EQ(o["assignments"].toArray()[4].toObject()["control"].toString(), "Remote Footswitch");
    EXPECT_EQ(o["values"].toObject().size(), 15);
}

TEST(SombrantCli, StatusOverAPseudoTerminalFromThePedalSimulator)
{
    Simulator sim({"--firmware", "7"});
    ASSERT_FALSE(sim.path().isEmpty());
    const ProgramRun listed = sombrant({"--port", sim.path(), "list"});
    EXPECT_TRUE(listed.out.startsWith(sim.path() + "\t")) << listed.out.toStdString();

    const ProgramRun run = sombrant({"--port", sim.path(), "status", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(o["firmware"].toString(), "07");
    EXPECT_EQ(o["algorithm"].toString(), "0010");
}

TEST(SombrantCli, APedalThatFailsExitsWithOneAndSaysWhy)
{
    struct Case {
        QStringList simulator;
        const char *says;
    };
    const Case cases[] = {
        {{"--fault", "silent"}, "No reply from the pedal"},
        {{"--fault", "short-status=20"}, "Incomplete reply from the pedal: 20 of 82 values"},
    };
    for (const Case &c : cases) {
        Simulator sim(c.simulator);
        ASSERT_FALSE(sim.path().isEmpty());
        const ProgramRun run = sombrant({"--port", sim.path(), "status"});
        EXPECT_EQ(run.exitCode, 1) << c.says;
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    const ProgramRun none = sombrant({"--port", "/nonexistent/tty", "status"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("Device not found")) << none.err.toStdString();
}
