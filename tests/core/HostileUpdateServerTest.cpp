#include "LocalHttpServer.h"
#include "QtPrinters.h"
#include "RecordingLauncher.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "updates/UpdaterRefresh.h"
#include "updates/VersionCheck.h"
#include "updates/WebClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Servers that never stop sending, or send too slowly to ever finish: each
// request ends at its byte bound or its deadline, whatever the server does.
namespace {

using Response = LocalHttpServer::Response;
using Flow = Response::Flow;

constexpr const char *kVersionPath = "/download/sombrant-editor-version.php";
constexpr const char *kUpdaterPath = "/download/update/Sombrant_Win_Updater.exe";

// The idle time-out is longer than a trickle's gap between bytes, and longer
// than the deadline: only the deadline can end a trickle.
constexpr int kIdleMs = 2000;
constexpr int kDeadlineMs = 800;
// Time for the answer to come in and be refused after the deadline or bound.
constexpr qint64 kSlackMs = 1000;

Response stream(Flow flow, qint64 declaredLength = -1, int status = 200, const QByteArray &reason = "OK")
{
    Response response{status, reason, {}, {}, false};
    response.flow = flow;
    response.declaredLength = declaredLength;
    return response;
}

Response whole(const QByteArray &body)
{
    return Response{200, "OK", body, {}, false};
}

struct VersionCase {
    const char *name;
    Response answer;
    QString menuText;
    QStringList messages;
};

void PrintTo(const VersionCase &c, std::ostream *os)
{
    *os << c.name;
}

const QString kTooLong = "Update check failed: unexpected answer (more than 64 bytes)";
const QString kLate = "no complete answer from 127.0.0.1 within 0.8 s";

const VersionCase kVersionCases[] = {
    {"EndlessBody", stream(Flow::Flood), kTooLong, {}},
    {"EndlessChunkedBody", stream(Flow::ChunkedFlood), kTooLong, {}},
    {"Declared200MB", stream(Flow::Flood, 200'000'000), kTooLong, {}},
    {"OneByteOverTheBound", whole("1.12" + QByteArray(61, ' ')), kTooLong, {}},
    {"AtTheBound", whole("1.12" + QByteArray(60, ' ')), "New version available: 1.12", {}},
    {"OneBytePerSecond", stream(Flow::Trickle), "Update check failed: " + kLate, {kLate}},
    {"EndlessErrorPage", stream(Flow::Flood, -1, 404, "Not Found"), "Update check failed", {"Error: Not Found"}},
};

class HostileVersionServer : public ::testing::TestWithParam<VersionCase> {};

TEST_P(HostileVersionServer, EndsAtTheByteBoundOrTheDeadline)
{
    const VersionCase &c = GetParam();
    LocalHttpServer server;
    ASSERT_FALSE(server.address().isEmpty());
    server.serve(kVersionPath, c.answer);
    WebClient::Limits limits;
    limits.transferTimeoutMs = kIdleMs;
    limits.answerDeadlineMs = kDeadlineMs;
    WebClient client(server.address(), limits);
    RecordingLog log;
    ScriptedPrompts prompts;

    QElapsedTimer elapsed;
    elapsed.start();
    const VersionCheck::Result result = VersionCheck(client, log, prompts).run(QStringLiteral("1.11"));

    EXPECT_LT(elapsed.elapsed(), kDeadlineMs + kSlackMs);
    EXPECT_EQ(result.menuText, c.menuText);
    EXPECT_EQ(prompts.messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(Server, HostileVersionServer, ::testing::ValuesIn(kVersionCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct DownloadCase {
    const char *name;
    Response answer;
    qint64 maxBytes;
    QString error;  // empty: the download is taken
};

void PrintTo(const DownloadCase &c, std::ostream *os)
{
    *os << c.name;
}

constexpr qint64 kMiB = 1024 * 1024;

const DownloadCase kDownloadCases[] = {
    {"EndlessBody", stream(Flow::Flood), kMiB, "the answer from 127.0.0.1 is larger than 1 MiB"},
    {"EndlessChunkedBody", stream(Flow::ChunkedFlood), kMiB, "the answer from 127.0.0.1 is larger than 1 MiB"},
    {"Declared200MB", stream(Flow::Flood, 200'000'000), WebClient::DefaultMaxDownloadBytes,
     "the answer from 127.0.0.1 is larger than 64 MiB"},
    {"OneByteOverTheBound", whole(QByteArray(kMiB + 1, 'u')), kMiB,
     "the answer from 127.0.0.1 is larger than 1 MiB"},
    {"AtTheBound", whole(QByteArray(kMiB, 'u')), kMiB, {}},
    {"OneBytePerSecond", stream(Flow::Trickle), kMiB, kLate},
};

class HostileUpdaterServer : public ::testing::TestWithParam<DownloadCase> {};

TEST_P(HostileUpdaterServer, KeepsTheEarlierDownloadWhole)
{
    const DownloadCase &c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString earlierPath = QDir(folder.path()).filePath(UpdaterRefresh::DownloadFileName);
    const QByteArray earlier = "earlier download";
    {
        QFile file(earlierPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    LocalHttpServer server;
    server.serve(kUpdaterPath, c.answer);
    WebClient::Limits limits;
    limits.transferTimeoutMs = kIdleMs;
    limits.downloadDeadlineMs = kDeadlineMs;
    limits.maxDownloadBytes = c.maxBytes;
    WebClient client(server.address(), limits);
    RecordingLog log;
    ScriptedPrompts prompts;
    RecordingLauncher launcher;
    UpdaterRefresh refresh(client, log, prompts, launcher, folder.path());

    QElapsedTimer elapsed;
    elapsed.start();
    const bool downloaded = refresh.DownloadUpdater();

    EXPECT_EQ(downloaded, c.error.isEmpty());
    EXPECT_LT(elapsed.elapsed(), kDeadlineMs + kSlackMs);
    QFile download(earlierPath);
    ASSERT_TRUE(download.open(QIODevice::ReadOnly));
    const QByteArray kept = download.readAll();
    if (c.error.isEmpty()) {
        EXPECT_EQ(prompts.messages,
                  QStringList{"New updater downloaded! Click OK to proceed with the update."});
        EXPECT_TRUE(kept == c.answer.body) << kept.size() << " bytes";
    } else {
        EXPECT_EQ(refresh.problems(), QStringList{"Download failed: " + c.error});
        EXPECT_TRUE(prompts.messages.isEmpty()) << "told once, by the launch";
        EXPECT_TRUE(kept == earlier) << kept.size() << " bytes in its place";
        EXPECT_TRUE(launcher.starts.isEmpty());
    }
    // Never a temporary file left behind.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{UpdaterRefresh::DownloadFileName});
}

INSTANTIATE_TEST_SUITE_P(Server, HostileUpdaterServer, ::testing::ValuesIn(kDownloadCases),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
