// `sombrant status` against a pedal the test plays on a real pseudo-terminal
// (a pipe on Windows):
// replies that are not a status reply must end in exit 1 with nothing on
// standard output; honest but awkward ones must give the right state.

#include "PedalSimProcess.h"
#include "ProgramRun.h"
#include "PtyPair.h"
#include "ScriptedReplies.h"
#include "SombrantTool.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

// What the pedal does once the tool is running: it reads the request and
// answers through the terminal's master end.
using Pedal = std::function<void(PtyPair &, QProcess &)>;

QProcess *startTool(QProcess &process, const QStringList &arguments)
{
    process.setProcessEnvironment(toolEnvironment());
    process.start(QStringLiteral(SOMBRANT_CLI_PATH), arguments);
    return &process;
}

ProgramRun statusAgainst(const Pedal &pedal, const QByteArray &waitingBeforeStart = {})
{
    PtyPair pty;
    if (!pty.isOpen()) {
        ADD_FAILURE() << pty.error().toStdString();
        return {};
    }
    // Bytes the line holds before the tool opens it: left from an earlier run.
    pty.writeMaster(waitingBeforeStart);
    QProcess process;
    startTool(process, {"--port", pty.slavePath(), "status"});
    pedal(pty, process);
    return finishProgram(process, 15'000);
}

// Writes `bytes` to the master while the tool runs; a tool that stops
// reading ends the writing when it exits. With `endless`, starts over until
// then (at most 20 s).
void feed(PtyPair &pty, QProcess &process, const QByteArray &bytes, bool endless = false)
{
    // An endless stream goes in writes of a few KB, as a fast device sends.
    const QByteArray source = endless ? bytes.repeated(std::max<qsizetype>(1, 4096 / bytes.size())) : bytes;
    const QDeadlineTimer deadline(20'000);
    qsizetype done = 0;
    while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        if (done == source.size()) {
            if (!endless)
                return;
            done = 0;
        }
        const qsizetype chunk = std::min<qsizetype>(4096, source.size() - done);
        const qsizetype n = pty.writeMaster(source.mid(done, chunk), std::chrono::milliseconds(1));
        if (n > 0)
            done += n;
        else
            process.waitForFinished(5);  // the line is full: let the tool read
    }
}

Pedal answering(const QByteArray &reply, bool endless = false)
{
    return [reply, endless](PtyPair &pty, QProcess &process) {
        const QByteArray request = pty.readMaster(2, std::chrono::milliseconds(10'000));
        EXPECT_EQ(request, QByteArray::fromHex("0200"));
        feed(pty, process, reply, endless);
    };
}

}  // namespace

TEST(HostileReply, NothingButAStatusReplyIsBelieved)
{
    const QByteArray whole = encodeValues(statusValues(0x07));
    QByteArray withValue = encodeValues(statusValues().left(30));
    struct Case {
        const char *what;
        QByteArray reply;
        bool endless;
        const char *says;
    };
    const Case cases[] = {
        {"an error word, repeated", QByteArray("ERROR\r\n").repeated(200), false,
         "Undecodable reply from the pedal at byte 0: 45"},
        {"bare carriage returns", QByteArray(82, '\r'), false, "Undecodable reply from the pedal at byte 0: 0D"},
        {"a negative number", withValue + "\n-1\r", false, "0A 2D"},
        {"a value above 255", withValue + "\n300\r", false, "0A 33 30 30"},
        {"a four-digit value", withValue + "\n0255\r", false, "0A 30 32 35 35"},
        {"one value more", whole + "\n0\r", false, "Unexpected reply: more than 82 values"},
        {"the reply twice", whole + whole, false, "Unexpected reply: more than 82 values"},
        {"100,000 values", encodeValues(QByteArray(100'000, '\x01')), false,
         "Unexpected reply: more than 82 values"},
        {"an endless stream of values", "\n1\r", true, "Unexpected reply: more than 82 values"},
        {"an endless stream of line feeds", "\n", true, "Unexpected reply: more than 410 bytes for 82 values"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const ProgramRun run = statusAgainst(answering(c.reply, c.endless));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }
}

TEST(HostileReply, HonestButAwkwardRepliesGiveTheRightState)
{
    const QByteArray whole = encodeValues(statusValues(0x07));
    struct Case {
        const char *what;
        Pedal pedal;
        QByteArray waitingBeforeStart;
    };
    const Case cases[] = {
#ifndef Q_OS_WIN
        // Two values of an earlier reply that came too late for it. A pipe
        // (Windows) holds nothing before a program connects to it, so it
        // cannot hold bytes left from an earlier run.
        {"stale bytes before the request", answering(whole), encodeValues(QByteArray::fromHex("0010"))},
#endif
        {"a pause inside the reply",
         [whole](PtyPair &pty, QProcess &process) {
             EXPECT_EQ(pty.readMaster(2, std::chrono::milliseconds(10'000)), QByteArray::fromHex("0200"));
             feed(pty, process, whole.left(150));
             std::this_thread::sleep_for(std::chrono::milliseconds(400));
             feed(pty, process, whole.mid(150));
         },
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const ProgramRun run = statusAgainst(c.pedal, c.waitingBeforeStart);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith("Firmware: 07\nAlgorithm: 0010\n")) << run.out.toStdString();
    }
}

// The simulator's own split-reply fault, run twice: each run waits out the
// pause inside its reply, and nothing of the first is left for the second.
TEST(HostileReply, ASplitReplyIsWholeRunAfterRun)
{
    Simulator sim({"--fault", "split-reply=2:300"});
    ASSERT_FALSE(sim.path().isEmpty());
    for (int run = 0; run < 2; ++run) {
        QProcess process;
        startTool(process, {"--port", sim.path(), "status"});
        const ProgramRun result = finishProgram(process, 15'000);
        EXPECT_EQ(result.exitCode, 0) << run << ": " << result.err.toStdString();
        EXPECT_TRUE(result.out.startsWith("Firmware: 08\nAlgorithm: 0010\n")) << result.out.toStdString();
    }
}

// An upload's answer is the pedal's own text: its control bytes are printed
// escaped, so they cannot retitle, clear or ring the terminal.
TEST(HostileReply, AnUploadAnswerIsPrintedWithItsControlBytesEscaped)
{
    PtyPair pty;
    ASSERT_TRUE(pty.isOpen()) << pty.error().toStdString();
    QProcess process;
    startTool(process, {"--port", pty.slavePath(), "upload-algorithm", "--yes", "Sombrant MK3 0010"});
    // The announcement, then the 4544 bytes of the image.
    EXPECT_EQ(pty.readMaster(2, std::chrono::milliseconds(10'000)), QByteArray::fromHex("0D00"));
    EXPECT_EQ(pty.readMaster(4544, std::chrono::milliseconds(10'000)).size(), 4544);
    feed(pty, process, QByteArray("\x1B]0;owned\x07OK\x1B[2J 0010\r\n"));
    const ProgramRun run = finishProgram(process, 15'000);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "\\x1B]0;owned\\x07OK\\x1B[2J 0010\n");
    EXPECT_FALSE(run.out.contains(QChar(0x1B)));
}
