// sombrant-pedal-sim on a real pseudo-terminal, driven through QSerialPort,
// the sombrant tool and stm32flash.

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include "ScriptedReplies.h"

#include <gtest/gtest.h>

#include "PedalSimProcess.h"

namespace {

// Reads from `port` until `done` says so or the deadline passes.
template <typename Done>
QByteArray readUntil(QSerialPort &port, Done done, int ms = 5000)
{
    QByteArray got;
    const QDeadlineTimer deadline(ms);
    while (!done(got) && !deadline.hasExpired()) {
        port.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        got += port.readAll();
    }
    return got;
}


// The 82 status values the pedal on `path` reports.
std::vector<int> requestStatus(const QString &path)
{
    QSerialPort port(path);
    if (!port.open(QIODevice::ReadWrite)) {
        ADD_FAILURE() << "open " << path.toStdString() << ": " << port.errorString().toStdString();
        return {};
    }
    port.setBaudRate(115200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.write(QByteArray::fromHex("0200"));
    port.waitForBytesWritten(1000);
    return splitValues(readUntil(port, [](const QByteArray &got) { return got.count('\r') >= 82; }));
}

void sendAndClose(const QString &path, const QByteArray &bytes)
{
    QSerialPort port(path);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    port.write(bytes);
    ASSERT_TRUE(port.waitForBytesWritten(1000));
}

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun run(const QString &program, const QStringList &arguments, int ms = 60'000)
{
    QProcess p;
    p.start(program, arguments);
    ProgramRun r;
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished(5000);
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.exitCode = p.exitCode();
    }
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

}  // namespace

TEST(PedalSimProgram, AnswersTheStatusRequestWithItsVersions)
{
    Simulator sim({"--firmware", "7", "--algorithm", "9"});
    ASSERT_TRUE(sim.path().startsWith("/dev/")) << sim.path().toStdString() << sim.log().toStdString();
    const std::vector<int> v = requestStatus(sim.path());
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(std::vector<int>(v.begin(), v.begin() + 3), std::vector<int>({0x07, 0x00, 0x09}));
    EXPECT_TRUE(sim.log().contains("status request\n"));
}

TEST(PedalSimProgram, StoredValuesSurviveARestart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList args{"--no-pacing", "--state", dir.filePath("pedal.json")};
    {
        Simulator sim(args);
        sendAndClose(sim.path(), QByteArray::fromHex("03003FC000004000000014E0000000000100000000" "080101"));
        const std::vector<int> before = requestStatus(sim.path());  // the messages have been taken
        ASSERT_EQ(before.size(), 82u);
    }
    Simulator again(args);
    const std::vector<int> v = requestStatus(again.path());
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(v[4], 3);
    EXPECT_EQ(std::vector<int>(v.begin() + 62, v.begin() + 66), std::vector<int>({0x00, 0x3F, 0xC0, 0x00}));
}

TEST(PedalSimProgram, BadStateFileOrOptionIsReportedAndTheFileKept)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("pedal.json");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"format\": 1, \"firmwareVersion\": ");
    f.close();

    struct Case {
        QStringList arguments;
        const char *message;
    };
    const Case cases[] = {
        {{"--state", file}, "pedal.json"},
        {{"--fault", "nack=zero"}, "nack"},
        {{"--firmware", "100"}, "--firmware"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        const ProgramRun r = run(QStringLiteral(SOMBRANT_PEDAL_SIM_PATH), c.arguments, 10'000);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "{\"format\": 1, \"firmwareVersion\": ");
}

TEST(PedalSimProgram, SombrantListsIt)
{
    Simulator sim({});
    const ProgramRun r = run(QStringLiteral(SOMBRANT_CLI_PATH), {"--port", sim.path(), "list"}, 10'000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(sim.path() + "\t")) << r.out.toStdString();
}

TEST(PedalSimProgram, UnplugFaultHangsUpTheLine)
{
    Simulator sim({"--no-pacing", "--fault", "unplug=1"});
    QSerialPort port(sim.path());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    port.write(QByteArray::fromHex("0200"));
    port.waitForBytesWritten(1000);
    ASSERT_TRUE(sim.process().waitForFinished(5000));
    EXPECT_EQ(sim.process().exitCode(), 0);
    EXPECT_TRUE(sim.log().contains("unplugged"));
}

// stm32flash, the bootloader's conformance peer, writes a version record and
// a small firmware image page by page, verifies it by reading it back, and
// starts it; the started firmware reports the record's version.
TEST(PedalSimProgram, Stm32flashWritesVerifiesAndStartsAnImage)
{
    const QString stm32flash = QStringLiteral(STM32FLASH_PATH);
    if (stm32flash.isEmpty() || stm32flash.endsWith("NOTFOUND"))
        GTEST_SKIP() << "stm32flash is not installed (tools/setup-debian.sh installs it)";

    QTemporaryDir dir;
    QByteArray firmware(4096, 0);
    firmware.replace(0, 8, QByteArray::fromHex("0050002001010008"));  // SP 0x20005000, reset 0x08000101
    for (int i = 8; i < firmware.size(); ++i)
        firmware[i] = char(i * 31 + 7);
    const QByteArray record = QByteArray(7, 0) + QByteArray(1, char(0x09));
    for (const auto &[name, content] : {std::pair{"firmware.bin", firmware}, std::pair{"record.bin", record}}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    Simulator sim({"--bootloader", "--no-pacing"});
    const ProgramRun recordRun = run(stm32flash, {"-m", "8n1", "-b", "115200", "-w", dir.filePath("record.bin"), "-S",
                                           "0x0801FC00", sim.path()});
    ASSERT_EQ(recordRun.exitCode, 0) << recordRun.out.toStdString() << recordRun.err.toStdString();
    const ProgramRun image = run(stm32flash, {"-m", "8n1", "-b", "115200", "-w", dir.filePath("firmware.bin"), "-v", "-g",
                                       "0x08000000", sim.path()});
    ASSERT_EQ(image.exitCode, 0) << image.out.toStdString() << image.err.toStdString();
    EXPECT_TRUE(image.out.contains("Wrote and verified address 0x08001000")) << image.out.toStdString();

    const std::vector<int> v = requestStatus(sim.path());
    ASSERT_EQ(v.size(), 82u);
    EXPECT_EQ(v[0], 0x09);
    const QString log = sim.log();
    EXPECT_TRUE(log.contains("bootloader: erase of pages 0 1 2 3\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("bootloader: Read Memory 256 bytes at 08000F00\n"));
    EXPECT_TRUE(log.contains("firmware 09 running"));
}
