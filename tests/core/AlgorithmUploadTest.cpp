// The algorithm upload through the stand-in D2XX library: what crosses it,
// when, and what the status line is told.

#include "StandInFixture.h"
#include "FakeFtd2xx.h"
#include "ManualClock.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "algorithms/AlgorithmUpload.h"
#include "device/Communication.h"
#include "device/D2XXUnit.h"
#include "device/D2xxLibraryDriver.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class AlgorithmUploadTest : public StandInFixture {
protected:
    void SetUp() override
    {
        StandInFixture::SetUp();
        if (HasFatalFailure())
            return;
        observer.waiting = [this] { waitingAt = clock.now; };
        observer.showStatus = [this](const QString &text) { statuses << text; };
        clock.onAdvance = [this](std::int64_t now) {
            fake.setTime(now);
            while (!answers.empty() && answers.front().first <= now) {
                fake.push(0, answers.front().second);
                answers.pop_front();
            }
        };
    }
    // The calls after the set-up (count, open), polls and reads left out.
    QStringList sent() const
    {
        QStringList lines = fake.journalWithout("FT_GetQueueStatus").mid(2);
        lines.removeIf([](const QString &l) { return l.contains(" FT_Read "); });
        return lines;
    }
    QString writeFile(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("effect%1.dat").arg(++files));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    AlgorithmUpload upload{comm, log, prompts, clock};
    AlgorithmUpload::Observer observer;
    std::int64_t waitingAt = -1;
    QStringList statuses;
    // The pedal's answer: bytes queued at a time (ms).
    std::deque<std::pair<std::int64_t, QByteArray>> answers;
    QTemporaryDir dir;
    int files = 0;
};

}  // namespace

TEST_F(AlgorithmUploadTest, TheCarriedImageFollowsItsAnnouncementAndTheAnswerIsShown)
{
    const auto image = upload.carriedImage("Sombrant MK3 0010");
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->size(), 4544);
    EXPECT_EQ(log.lines.mid(0, 2), QStringList({"resource name: Sombrant_MK3_0010", "size: 4544"}));
    EXPECT_TRUE(log.lines[2].startsWith("filecontent (first 128 bytes): 0011C0"));
    EXPECT_EQ(log.lines[3], "num of bytes: 4544");
    EXPECT_TRUE(sent().isEmpty()) << "nothing goes out while the image is loaded";

    answers = {{450, "OK 0010"}};
    EXPECT_EQ(upload.upload(*image, false, observer).outcome(), PedalResult::Outcome::Done);
    EXPECT_EQ(prompts.questions, QStringList({"Upload the selected algorithm?"}));
    const QStringList calls = sent();
    ASSERT_EQ(calls.size(), 4) << calls.join('\n').toStdString();
    EXPECT_EQ(calls[0], "@0 FT_Purge RX");
    EXPECT_EQ(calls[1], "@0 FT_Write 0D00");
    EXPECT_TRUE(calls[2].startsWith("@400 FT_Write 0011C0000B00E7")) << calls[2];
    EXPECT_EQ(fake.lastArg("FT_Write", 2), 4544u) << "the whole image in one write";
    EXPECT_TRUE(calls[3].endsWith("FT_Purge RX")) << calls[3];
    EXPECT_EQ(waitingAt, 400);
    EXPECT_EQ(statuses, QStringList({"Uploading...", "OK 0010"}));
    EXPECT_EQ(upload.answer, "OK 0010");
    EXPECT_TRUE(log.lines.contains("write to device"));
    EXPECT_TRUE(log.lines.contains("received: OK 0010"));
}

TEST_F(AlgorithmUploadTest, AnsweringNoSendsNothing)
{
    prompts.yesNoAnswers = {false};
    EXPECT_EQ(upload.upload(QByteArray(16, '\x01'), false, observer).outcome(), PedalResult::Outcome::Declined);
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(waitingAt, -1);
    EXPECT_TRUE(statuses.isEmpty());
}

// An answer that comes in pieces is shown as far as it has come, and only
// what this answer brought: 17 bytes at most.
TEST_F(AlgorithmUploadTest, AnAnswerInPiecesShowsEachPiece)
{
    answers = {{420, "ERR"}, {440, " length of the image is wrong"}};
    EXPECT_EQ(upload.upload(QByteArray(16, '\x01'), false, observer).outcome(), PedalResult::Outcome::Done);
    EXPECT_EQ(statuses, QStringList({"Uploading...", "ERR", "ERR length of the"}));
    EXPECT_TRUE(log.lines.contains("received:  length of the im")) << "the log has each read";
    EXPECT_EQ(upload.answer, "ERR length of the image is wrong");
}

// The answer's control bytes are shown escaped, in the status line and the
// log: a pedal cannot drive a terminal or a label through them.
TEST_F(AlgorithmUploadTest, ControlBytesOfTheAnswerAreShownEscaped)
{
    answers = {{420, QByteArray("\x1B]0;x\x07OK\\\x9B\r\n", 12)}};
    EXPECT_EQ(upload.upload(QByteArray(16, '\x01'), false, observer).outcome(), PedalResult::Outcome::Done);
    EXPECT_EQ(statuses.last(), "\\x1B]0;x\\x07OK\\\\\\x9B\r\n");
    EXPECT_TRUE(log.lines.contains("received: \\x1B]0;x\\x07OK\\\\\\x9B\r\n")) << log.lines.join(" | ").toStdString();
    EXPECT_EQ(AlgorithmUpload::shownText("OK 0010 \xE9"), QString::fromUtf8("OK 0010 \u00E9")) << "printable bytes stay";
}

// Without an answer the upload has failed after 5 s (the window's timer says
// so) and is over after 30 s.
TEST_F(AlgorithmUploadTest, ASilentPedalEndsTheWaitAtItsLimit)
{
    EXPECT_EQ(upload.upload(QByteArray(16, '\x01'), false, observer).outcome(), PedalResult::Outcome::Failed);
    EXPECT_GE(clock.now - 400, 30000);
    EXPECT_LE(clock.now - 400, 30000 + 5);
    EXPECT_EQ(statuses, QStringList({"Uploading..."}));

    statuses.clear();
    const std::int64_t start = clock.now;
    EXPECT_EQ(upload.upload(QByteArray(16, '\x01'), false, observer, AlgorithmUpload::FailedAfterMs).outcome(), PedalResult::Outcome::Failed);
    EXPECT_LE(clock.now - start, 400 + 5000 + 5);
}

TEST_F(AlgorithmUploadTest, AFileIsInHandBeforeAnythingIsSent)
{
    QByteArray image(3000, '\x11');
    image[0] = 0x00, image[1] = 0x0B, image[2] = char(0xB8);  // 3000
    const auto good = upload.fileImage(writeFile(image));
    ASSERT_TRUE(good.has_value());
    EXPECT_EQ(*good, image);
    EXPECT_TRUE(log.lines.last().startsWith("Opening - ") && QDir::isAbsolutePath(log.lines.last().mid(10)))
        << log.lines.last();
    EXPECT_TRUE(prompts.questions.isEmpty()) << "an image asks nothing";

    struct Bad {
        const char *what;
        QString path;
        const char *says;
    };
    QByteArray big(65537, '\0');
    big[0] = 0x01, big[1] = 0x00, big[2] = 0x01;
    QByteArray exactly(65536, '\0');
    exactly[0] = 0x01;
    const Bad bads[] = {
        {"missing", dir.filePath("none.dat"), "Cannot open "},
        {"empty", writeFile({}), " is empty: nothing was sent"},
        {"too large", writeFile(big), " is larger than 65536 bytes, more than the pedal takes: nothing was sent"},
    };
    for (const Bad &b : bads) {
        prompts.messages.clear();
        EXPECT_TRUE(upload.fileImage(b.path).isRefused()) << b.what;
        ASSERT_EQ(prompts.messages.size(), 1) << b.what;
        EXPECT_TRUE(prompts.messages[0].contains(b.says)) << prompts.messages[0];
        EXPECT_TRUE(prompts.messages[0].contains(QDir::toNativeSeparators(b.path))) << prompts.messages[0];
    }
    EXPECT_TRUE(upload.fileImage(writeFile(exactly)).has_value()) << "65536 bytes fit";

    // Not an image: only when the user insists.
    const QString text = writeFile("just some text\n");
    prompts.yesNoAnswers = {false, true};
    EXPECT_TRUE(upload.fileImage(text).isDeclined());
    const auto insisted = upload.fileImage(text);
    ASSERT_TRUE(insisted.has_value());
    EXPECT_EQ(*insisted, QByteArray("just some text\n"));
    EXPECT_EQ(prompts.questions, QStringList({"This file does not look like an effect algorithm. Upload anyway?",
                                              "This file does not look like an effect algorithm. Upload anyway?"}));
    EXPECT_TRUE(sent().isEmpty());
}

TEST_F(AlgorithmUploadTest, AFileUploadLogsWhatWasSentAndEachRead)
{
    answers = {{430, "OK 0009"}};
    EXPECT_EQ(upload.upload(QByteArray::fromHex("0000056162"), true, observer).outcome(), PedalResult::Outcome::Done);
    EXPECT_EQ(sent().mid(1, 2), QStringList({"@0 FT_Write 0D00", "@400 FT_Write 0000056162"}));
    const QStringList expected{"5 Bytes Sent ...", "num of bytes received from device: 7", "received: OK 0009",
                               "num of bytes received from device: 0"};
    EXPECT_EQ(log.lines.mid(log.lines.size() - 4), expected);
    EXPECT_FALSE(log.lines.contains("write to device"));
    EXPECT_EQ(statuses, QStringList({"OK 0009"})) << "no \"Uploading...\" for a file";
}

TEST(AlgorithmImage, LooksLikeAnImageWhenItsHeaderGivesItsLength)
{
    EXPECT_TRUE(AlgorithmUpload::looksLikeImage(QByteArray("\x00\x00\x03", 3)));
    EXPECT_TRUE(AlgorithmUpload::looksLikeImage(QByteArray::fromHex("0011C0") + QByteArray(4541, '\0')));
    EXPECT_FALSE(AlgorithmUpload::looksLikeImage(QByteArray::fromHex("0011C1") + QByteArray(4541, '\0')));
    EXPECT_FALSE(AlgorithmUpload::looksLikeImage(QByteArray("\x00\x03", 2)));
}
