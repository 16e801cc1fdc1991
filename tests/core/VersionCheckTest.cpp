#include "LocalHttpServer.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "app/EditorVersion.h"
#include "updates/UpdateServer.h"
#include "updates/VersionCheck.h"
#include "updates/VersionNumber.h"
#include "updates/WebClient.h"

#include <gtest/gtest.h>

namespace {

using Outcome = VersionCheck::Outcome;
using Response = LocalHttpServer::Response;

constexpr const char *kVersionPath = "/download/sombrant-editor-version.php";

Response text(const QByteArray &body)
{
    return Response{200, "OK", body, {}, false};
}

struct CheckCase {
    const char *name;
    Response answer;
    Outcome outcome;
    QString menuText;
    QStringList log;
    QStringList messages;
};

void PrintTo(const CheckCase &c, std::ostream *os)
{
    *os << c.name;
}

// The editor is 1.11 throughout.
const CheckCase kCheckCases[] = {
    {"Newer", text("1.12"), Outcome::Newer, "New version available: 1.12",
     {"currentAppVersion: 1.11", "newAppVersion: 1.12"}, {}},
    {"Equal", text("1.11"), Outcome::NotNewer, "No update available",
     {"currentAppVersion: 1.11", "newAppVersion: 1.11"}, {}},
    {"OlderMinor", text("1.9"), Outcome::NotNewer, "No update available",
     {"currentAppVersion: 1.11", "newAppVersion: 1.9"}, {}},
    {"NewerMajorWithFewerDigits", text("2.0"), Outcome::Newer, "New version available: 2.0",
     {"currentAppVersion: 1.11", "newAppVersion: 2.0"}, {}},
    {"OlderMajor", text("0.99"), Outcome::NotNewer, "No update available",
     {"currentAppVersion: 1.11", "newAppVersion: 0.99"}, {}},
    {"TrailingLineEnd", text("1.12\r\n"), Outcome::Newer, "New version available: 1.12",
     {"currentAppVersion: 1.11", "newAppVersion: 1.12"}, {}},
    {"WhiteSpaceAround", text(" \t1.12 \n"), Outcome::Newer, "New version available: 1.12",
     {"currentAppVersion: 1.11", "newAppVersion: 1.12"}, {}},
    {"NotFound", Response{404, "Not Found", "<html>gone</html>", {}, false}, Outcome::Failed,
     "Update check failed", {}, {"Error: Not Found"}},
    {"ServerError", Response{503, "Service Unavailable", "1.12", {}, false}, Outcome::Failed,
     "Update check failed", {}, {"Error: Service Unavailable"}},
    {"Garbage", text("<html>1.12</html>"), Outcome::Failed, "Update check failed: unexpected answer",
     {"currentAppVersion: 1.11", "newAppVersion: <html>1.12</html>", "Update check failed: unexpected answer"},
     {}},
    {"ThreeParts", text("1.12.1"), Outcome::Failed, "Update check failed: unexpected answer",
     {"currentAppVersion: 1.11", "newAppVersion: 1.12.1", "Update check failed: unexpected answer"}, {}},
    {"Empty", text(""), Outcome::Failed, "Update check failed: unexpected answer",
     {"currentAppVersion: 1.11", "newAppVersion: ", "Update check failed: unexpected answer"}, {}},
};

class VersionCheckAnswers : public ::testing::TestWithParam<CheckCase> {};

TEST_P(VersionCheckAnswers, ReportsWhatTheServerSaid)
{
    const CheckCase &c = GetParam();
    LocalHttpServer server;
    ASSERT_FALSE(server.address().isEmpty());
    server.serve(kVersionPath, c.answer);
    WebClient client(server.address());
    RecordingLog log;
    ScriptedPrompts prompts;

    const VersionCheck::Result result = VersionCheck(client, log, prompts).run(QStringLiteral("1.11"));

    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.menuText, c.menuText);
    EXPECT_EQ(log.lines, c.log);
    EXPECT_EQ(prompts.messages, c.messages);
    EXPECT_EQ(server.requestedPaths(), QStringList{kVersionPath});
    EXPECT_EQ(server.userAgents(), QStringList{"Sombrant Editor/" + GetEditorVersion()});
}

INSTANTIATE_TEST_SUITE_P(Server, VersionCheckAnswers, ::testing::ValuesIn(kCheckCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(VersionCheck, GivesUpOnASilentServerAfterTheTransferTimeOut)
{
    LocalHttpServer server;
    server.serve(kVersionPath, Response{200, "OK", {}, {}, true});
    WebClient client(server.address(), 300);
    RecordingLog log;
    ScriptedPrompts prompts;

    const VersionCheck::Result result = VersionCheck(client, log, prompts).run(QStringLiteral("1.11"));

    const QString why = "no answer from 127.0.0.1 within 0.3 s";
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.menuText, "Update check failed: " + why);
    EXPECT_EQ(prompts.messages, QStringList{why});
    EXPECT_EQ(log.lines, QStringList{"Update check failed: " + why});
}

TEST(VersionCheck, ReportsAServerThatCannotBeReached)
{
    QString closedAddress;
    {
        LocalHttpServer gone;
        closedAddress = gone.address();
    }
    WebClient client(closedAddress);
    RecordingLog log;
    ScriptedPrompts prompts;

    const VersionCheck::Result result = VersionCheck(client, log, prompts).run(QStringLiteral("1.11"));

    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_TRUE(result.menuText.startsWith("Update check failed: ")) << result.menuText;
    EXPECT_GT(result.menuText.size(), QString("Update check failed: ").size());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ("Update check failed: " + prompts.messages[0], result.menuText);
}

TEST(VersionCheck, FollowsARedirectOnTheSameHostOnly)
{
    LocalHttpServer server;
    LocalHttpServer elsewhere;
    elsewhere.serveText(kVersionPath, "9.9");
    // localhost names another host than 127.0.0.1, though the same machine.
    const QByteArray otherHost =
        QString(elsewhere.address()).replace("127.0.0.1", "localhost").toLatin1() + kVersionPath;
    server.serve(kVersionPath, Response{302, "Found", {}, {"Location: " + otherHost}, false});
    WebClient client(server.address());
    RecordingLog log;
    ScriptedPrompts prompts;

    VersionCheck::Result result = VersionCheck(client, log, prompts).run(QStringLiteral("1.11"));
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.menuText, "Update check failed");
    EXPECT_EQ(prompts.messages, QStringList{"Error: Found"});
    EXPECT_TRUE(elsewhere.requestedPaths().isEmpty());

    server.serve(kVersionPath, Response{302, "Found", {}, {"Location: /moved/version.txt"}, false});
    server.serveText("/moved/version.txt", "1.12");
    result = VersionCheck(client, log, prompts).run(QStringLiteral("1.11"));
    EXPECT_EQ(result.menuText, "New version available: 1.12");
    EXPECT_EQ(server.requestedPaths().last(), "/moved/version.txt");
}

TEST(VersionCheck, RequestsNothingWithoutAServer)
{
    WebClient client{QString()};
    RecordingLog log;
    ScriptedPrompts prompts;

    const VersionCheck::Result result = VersionCheck(client, log, prompts).run(QStringLiteral("1.11"));

    EXPECT_EQ(result.outcome, Outcome::NotConfigured);
    EXPECT_EQ(result.menuText, "Update check not configured");
    EXPECT_TRUE(log.lines.isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

struct VersionOrder {
    const char *older;
    const char *newer;
};

TEST(VersionNumber, ComparesMajorThenMinorAsNumbers)
{
    const VersionOrder table[] = {
        {"1.11", "1.12"}, {"1.11", "2.0"}, {"1.9", "1.11"}, {"1.2", "1.10"}, {"0.99", "1.0"}, {"9.99", "10.0"},
    };
    for (const VersionOrder &row : table) {
        const auto older = VersionNumber::parse(QString::fromLatin1(row.older));
        const auto newer = VersionNumber::parse(QString::fromLatin1(row.newer));
        ASSERT_TRUE(older && newer) << row.older << " " << row.newer;
        EXPECT_LT(*older, *newer) << row.older << " < " << row.newer;
        EXPECT_GT(*newer, *older) << row.newer << " > " << row.older;
    }
    EXPECT_EQ(VersionNumber::parse("1.11"), VersionNumber::parse("1.011"));
}

TEST(VersionNumber, TakesOnlyDigitsPointDigits)
{
    const struct {
        const char *text;
        bool accepted;
    } table[] = {
        {"1.12", true}, {"\n1.12\r\n", true}, {"1.12 ", true},  {"1", false},     {"1.", false},
        {".5", false},  {"1.2.3", false},     {"v1.2", false},   {"1,2", false},   {"1 .2", false},
        {"", false},    {"-1.2", false},      {"1.2x", false},   {"1234567890.1", false},
    };
    for (const auto &row : table)
        EXPECT_EQ(VersionNumber::parse(QString::fromLatin1(row.text)).has_value(), row.accepted)
            << '"' << row.text << '"';
}

TEST(UpdateServer, TheEnvironmentOverridesTheBuildSetting)
{
    const QByteArray saved = qgetenv(UpdateServer::EnvironmentVariable);
    const struct {
        const char *environment;
        QString configured;
    } table[] = {
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
        {"https://staging.example.invalid/sub", "https://staging.example.invalid/sub"},
        {"ftp://example.invalid", ""},
        {"not an address", ""},
        {"", UpdateServer::isUsableAddress(UpdateServer::builtInAddress()) ? UpdateServer::builtInAddress() : ""},
    };
    for (const auto &row : table) {
        qputenv(UpdateServer::EnvironmentVariable, row.environment);
        EXPECT_EQ(UpdateServer::configuredAddress(), row.configured) << row.environment;
    }
    qputenv(UpdateServer::EnvironmentVariable, saved);
    EXPECT_EQ(UpdateServer::address("https://staging.example.invalid/sub/", UpdateServer::SupportPath),
              QUrl("https://staging.example.invalid/sub/contact-us/"));
    EXPECT_TRUE(UpdateServer::address("", UpdateServer::SupportPath).isEmpty());
}

}  // namespace
