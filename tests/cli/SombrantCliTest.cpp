#include "PedalSimProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun sombrant(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Keep a D2XX library on this machine out of the way of the serial tests.
    env.insert("SOMBRANT_FTD2XX_LIBRARY", "/nonexistent/libftd2xx.so");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(SOMBRANT_CLI_PATH), arguments);
    CliRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        ADD_FAILURE() << "sombrant did not finish";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

}  // namespace

TEST(SombrantCli, ListsTheSimulatedPedal)
{
    const CliRun run = sombrant({"--simulate", "list"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "SIM00001\tFT230X Basic UART\tsimulated pedal\n");
}

TEST(SombrantCli, ListsAnExplicitPortThroughTheSerialDriver)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const CliRun run = sombrant({"--port", QString::fromLocal8Bit(name), "list"});
    ::close(slave);
    ::close(master);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList fields = run.out.trimmed().split('\t');
    ASSERT_EQ(fields.size(), 3) << run.out.toStdString();
    EXPECT_EQ(fields[0], QString::fromLocal8Bit(name));
    EXPECT_EQ(fields[2], "serial port");
}

TEST(SombrantCli, UsageErrorsExitWithTwoAndSayWhy)
{
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
    };
    for (const Case &c : cases) {
        const CliRun run = sombrant(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(SombrantCli, StatusReadsThePedalForAPersonAndAsJson)
{
    const CliRun text = sombrant({"--simulate", "status"});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith("Firmware: 08\nAlgorithm: 0010\nEffect: 10\n")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("\nHigh Notes Cut: 0x")) << text.out.toStdString();

    const CliRun json = sombrant({"--simulate", "status", "--json"});
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
    const CliRun listed = sombrant({"--port", sim.path(), "list"});
    EXPECT_TRUE(listed.out.startsWith(sim.path() + "\t")) << listed.out.toStdString();

    const CliRun run = sombrant({"--port", sim.path(), "status", "--json"});
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
        {{"--fault", "short-status=20"}, "Incomplete reply from the pedal (20 values)"},
    };
    for (const Case &c : cases) {
        Simulator sim(c.simulator);
        ASSERT_FALSE(sim.path().isEmpty());
        const CliRun run = sombrant({"--port", sim.path(), "status"});
        EXPECT_EQ(run.exitCode, 1) << c.says;
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    const CliRun none = sombrant({"--port", "/nonexistent/tty", "status"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("Device not found")) << none.err.toStdString();
}
