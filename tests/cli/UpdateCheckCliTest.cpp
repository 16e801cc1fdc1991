#include "LocalHttpServer.h"
#include "ProgramRun.h"
#include "QtPrinters.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

using Response = LocalHttpServer::Response;

constexpr const char *kVersionPath = "/download/sombrant-editor-version.php";

// sombrant check-update with SOMBRANT_UPDATE_SERVER set to server (or unset).
ProgramRun checkUpdate(const std::optional<QString> &server)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("SOMBRANT_UPDATE_SERVER");
    if (server)
        env.insert("SOMBRANT_UPDATE_SERVER", *server);
    return runProgram(QStringLiteral(SOMBRANT_CLI_PATH), {"check-update"}, 60'000, env);
}

struct CliCase {
    const char *name;
    Response answer;
    int exitCode;
    QString out;
    QString err;
};

void PrintTo(const CliCase &c, std::ostream *os)
{
    *os << c.name;
}

// The tool is version 1.0, as the editor.
const CliCase kCliCases[] = {
    {"Newer", {200, "OK", "1.12", {}, false}, 0, "New version available: 1.12\n", ""},
    {"NewerWithLineEnd", {200, "OK", "1.12\r\n", {}, false}, 0, "New version available: 1.12\n", ""},
    {"Equal", {200, "OK", "1.0", {}, false}, 0, "No update available\n", ""},
    {"Older", {200, "OK", "0.9", {}, false}, 0, "No update available\n", ""},
    {"NotFound", {404, "Not Found", "", {}, false}, 1, "Update check failed\n", "Error: Not Found\n"},
    {"Garbage", {200, "OK", "<html>", {}, false}, 1, "Update check failed: unexpected answer\n", ""},
};

class UpdateCheckCli : public ::testing::TestWithParam<CliCase> {};

TEST_P(UpdateCheckCli, PrintsTheInfoMenusResultLine)
{
    const CliCase &c = GetParam();
    LocalHttpServer server;
    server.serve(kVersionPath, c.answer);

    const ProgramRun run = checkUpdate(server.address());

    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(server.requestedPaths(), QStringList{kVersionPath});
}

INSTANTIATE_TEST_SUITE_P(Server, UpdateCheckCli, ::testing::ValuesIn(kCliCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Servers that never finish: the tool's own deadline (5 s for the version)
// and byte bound (64 bytes) end each check, with its memory kept small.
struct HostileCase {
    const char *name;
    LocalHttpServer::Response::Flow flow;
    qint64 declaredLength;
    QString out;
};

void PrintTo(const HostileCase &c, std::ostream *os)
{
    *os << c.name;
}

using Flow = LocalHttpServer::Response::Flow;
const QString kTooLong = "Update check failed: unexpected answer (more than 64 bytes)\n";

const HostileCase kHostileCases[] = {
    {"EndlessBody", Flow::Flood, -1, kTooLong},
    {"EndlessChunkedBody", Flow::ChunkedFlood, -1, kTooLong},
    {"Declared200MB", Flow::Flood, 200'000'000, kTooLong},
    {"OneBytePerSecond", Flow::Trickle, -1, "Update check failed: no complete answer from 127.0.0.1 within 5 s\n"},
};

class UpdateCheckCliHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(UpdateCheckCliHostile, EndsWithinTheDeadlineInLittleMemory)
{
    const HostileCase &c = GetParam();
    LocalHttpServer server;
    Response answer{200, "OK", {}, {}, false};
    answer.flow = c.flow;
    answer.declaredLength = c.declaredLength;
    server.serve(kVersionPath, answer);

    QElapsedTimer elapsed;
    elapsed.start();
    const ProgramRun run = checkUpdate(server.address());
    const qint64 ms = elapsed.elapsed();

    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.out, c.out);
    // The deadline and the start and end of the program.
    EXPECT_LT(ms, 8'000);
#ifdef Q_OS_UNIX
    // The largest of this process's children so far (kilobytes). Windows
    // keeps no such figure for a child that has ended; the deadline above
    // still ends a program that reads without bound.
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 200 * 1024);
#endif
}

INSTANTIATE_TEST_SUITE_P(Server, UpdateCheckCliHostile, ::testing::ValuesIn(kHostileCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(UpdateCheckCliSetup, SaysSoWithoutAServer)
{
    LocalHttpServer server;
    server.serveText(kVersionPath, "9.9");
    // Not an http(s) address: nothing configured, the build's setting being empty.
    for (const std::optional<QString> &setting : {std::optional<QString>{}, std::optional<QString>{"ftp://127.0.0.1/"}}) {
        const ProgramRun run = checkUpdate(setting);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "Update check not configured\n");
    }
    EXPECT_TRUE(server.requestedPaths().isEmpty());
}

TEST(UpdateCheckCliSetup, ReportsAServerThatIsNotThere)
{
    QString closed;
    {
        LocalHttpServer gone;
        closed = gone.address();
    }
    const ProgramRun run = checkUpdate(closed);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.startsWith("Update check failed: ")) << run.out.toStdString();
    EXPECT_GT(run.out.trimmed().size(), QString("Update check failed: ").size());
    EXPECT_FALSE(run.err.isEmpty());
}

TEST(UpdateCheckCliSetup, TakesNoArguments)
{
    const ProgramRun run = runProgram(QStringLiteral(SOMBRANT_CLI_PATH), {"check-update", "now"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "check-update takes no arguments.\n");
    const ProgramRun help = runProgram(QStringLiteral(SOMBRANT_CLI_PATH), {"--help"});
    EXPECT_TRUE(help.out.contains("check-update")) << help.out.toStdString();
}

}  // namespace
