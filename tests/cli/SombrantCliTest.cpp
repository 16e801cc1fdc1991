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
    };
    for (const Case &c : cases) {
        const CliRun run = sombrant(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}
