#include "LocalHttpServer.h"
#include "ProgramFileVersion.h"
#include "QtPrinters.h"
#include "RecordingLauncher.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "updates/FileVersion.h"
#include "updates/SystemProgramLauncher.h"
#include "updates/UpdateLauncher.h"
#include "updates/UpdaterRefresh.h"
#include "updates/WebClient.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

namespace {

using Response = LocalHttpServer::Response;

constexpr const char *kUpdaterVersionPath = "/download/update/Sombrant_Win_Updater_Version.php";
constexpr const char *kUpdaterPath = "/download/update/Sombrant_Win_Updater.exe";
const QByteArray kNewUpdater = QByteArray("new updater program ") + QByteArray(200'000, 'u');
const QString kQuestion =
    "This action will update the Sombrant Editor to the latest version. Do you want to continue?";
const QString kDownloaded = "New updater downloaded! Click OK to proceed with the update.";
const QString kLaunchFailed = "Failed to launch updater. Please run as administrator.";
using Outcome = UpdateLauncher::Outcome;
// The one box of an update that did not start: its plain words, then the
// reasons, "%updater" standing for the installed updater's path.
QString box(const char *plainWords, const QStringList &reasons)
{
    return QString::fromLatin1(plainWords) + "\n\n" + reasons.join('\n');
}

Response text(const QByteArray &body)
{
    return Response{200, "OK", body, {}, false};
}

// Which starts a launch made: the updater without arguments (after a
// download), and with the two quoted paths.
enum class StartKind { Bare, WithPaths };

struct LaunchCase {
    const char *name;
    bool answerYes;
    std::optional<std::pair<int, int>> installed;  // the installed updater's version
    Response versionAnswer;
    Response downloadAnswer;
    Outcome outcome;
    QStringList messages;
    QStringList log;
    QList<StartKind> starts;
    bool downloaded;  // "Sombrant_Win_Updater_Update.exe" holds the server's program
};

void PrintTo(const LaunchCase &c, std::ostream *os)
{
    *os << c.name;
}

const Response kDownloadOk{200, "OK", kNewUpdater, {}, false};
const Response kDownloadMissing{404, "Not Found", "<html>not here</html>", {}, false};

const Response kNoUpdaterHere{404, "File not found", "<html>not here</html>", {}, false};

const LaunchCase kLaunchCases[] = {
    {"AnsweredNo", false, std::pair{1, 2}, text("1.3"), kDownloadOk, Outcome::Declined, {}, {}, {}, false},
    {"SameVersion", true, std::pair{1, 2}, text("1.2"), kDownloadOk, Outcome::Started, {},
     {"updater version on server: 1.2", "local updater exists, check version...", "currentUpdaterVersion: 1.2",
      "12", "12"},
     {StartKind::WithPaths}, false},
    {"NewerOnServer", true, std::pair{1, 2}, text("1.3"), kDownloadOk, Outcome::Started, {kDownloaded},
     {"updater version on server: 1.3", "local updater exists, check version...", "currentUpdaterVersion: 1.2",
      "13", "12", "New version of the updater found on server, downloading the new updater..."},
     {StartKind::Bare, StartKind::WithPaths}, true},
    {"NewerMajorOnServer", true, std::pair{1, 10}, text("2.0\n"), kDownloadOk, Outcome::Started, {kDownloaded},
     {"updater version on server: 2.0", "local updater exists, check version...", "currentUpdaterVersion: 1.10",
      "20", "110", "New version of the updater found on server, downloading the new updater..."},
     {StartKind::Bare, StartKind::WithPaths}, true},
    {"OlderOnServer", true, std::pair{1, 10}, text("1.9"), kDownloadOk, Outcome::Started, {},
     {"updater version on server: 1.9", "local updater exists, check version...", "currentUpdaterVersion: 1.10",
      "19", "110"},
     {StartKind::WithPaths}, false},
    // The download is kept beside where the updater belongs; with none
    // installed nothing can take it into use, and nothing is started.
    {"NoneInstalled", true, std::nullopt, text("1.3"), kDownloadOk, Outcome::Failed,
     {kDownloaded, box(UpdateLauncher::UpdaterNotInstalled, {"Not found: %updater"})},
     {"updater version on server: 1.3", "Local updater not found, proceed with download..."}, {}, true},
    // A server without the updater: one box with every reason, nothing
    // started, and the editor runs on.
    {"ServerWithoutUpdater", true, std::nullopt, kNoUpdaterHere, kNoUpdaterHere, Outcome::Failed,
     {box(UpdateLauncher::UpdaterNotObtained,
          {"Error: File not found", "Download failed: HTTP 404 File not found", "Not found: %updater"})},
     {"Error: File not found", "Local updater not found, proceed with download...",
      "Download failed: HTTP 404 File not found"},
     {}, false},
    // The installed updater starts all the same; what went wrong is logged.
    {"VersionNotFound", true, std::pair{1, 2}, Response{404, "Not Found", "1.3", {}, false}, kDownloadOk,
     Outcome::Started, {}, {"Error: Not Found", "local updater exists, check version..."},
     {StartKind::WithPaths}, false},
    {"VersionGarbage", true, std::pair{1, 2}, text("<html>"), kDownloadOk, Outcome::Started, {},
     {"updater version on server: <html>", "Updater version check failed: unexpected answer",
      "local updater exists, check version..."},
     {StartKind::WithPaths}, false},
    {"DownloadNotFound", true, std::pair{1, 2}, text("1.3"), kDownloadMissing, Outcome::Started, {},
     {"updater version on server: 1.3", "local updater exists, check version...", "currentUpdaterVersion: 1.2",
      "13", "12", "New version of the updater found on server, downloading the new updater...",
      "Download failed: HTTP 404 Not Found"},
     {StartKind::WithPaths}, false},
};

class UpdaterLaunch : public ::testing::TestWithParam<LaunchCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(programFolder.isValid() && tempFolder.isValid());
        ASSERT_FALSE(server.address().isEmpty());
        editorProgram = QDir(programFolder.path()).filePath("sombrant editor");
        QFile editor(editorProgram);
        ASSERT_TRUE(editor.open(QIODevice::WriteOnly));
    }

    QString inProgramFolder(const char *name) const { return QDir(programFolder.path()).filePath(name); }

    QTemporaryDir programFolder;
    QTemporaryDir tempFolder;
    QString editorProgram;
    LocalHttpServer server;
    RecordingLog log;
    ScriptedPrompts prompts;
    RecordingLauncher launcher;
};

TEST_P(UpdaterLaunch, RefreshesTheUpdaterAndStartsItWithTheTwoPaths)
{
    const LaunchCase &c = GetParam();
    if (c.installed) {
        ASSERT_TRUE(writeProgramWithVersion(inProgramFolder("Sombrant_Win_Updater.exe"), c.installed->first,
                                            c.installed->second));
    }
    server.serve(kUpdaterVersionPath, c.versionAnswer);
    server.serve(kUpdaterPath, c.downloadAnswer);
    prompts.yesNoAnswers.push_back(c.answerYes);

    WebClient client(server.address());
    UpdaterRefresh refresh(client, log, prompts, launcher, programFolder.path());
    UpdateLauncher update(prompts, refresh, launcher, tempFolder.path(), editorProgram);
    const Outcome outcome = update.LaunchUpdate();

    const QString updater = QDir::toNativeSeparators(inProgramFolder("Sombrant_Win_Updater.exe"));
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(prompts.questions, QStringList{kQuestion});
    EXPECT_EQ(prompts.boxes, QStringList(c.messages).replaceInStrings("%updater", updater));
    EXPECT_EQ(log.lines, c.log);

    const QString twoPaths = "\"" + QDir::toNativeSeparators(QDir(tempFolder.path()).filePath("Sombrant_Editor_Update.exe"))
        + "\" \"" + QDir::toNativeSeparators(editorProgram) + "\"";
    QList<RecordingLauncher::Start> expectedStarts;
    for (StartKind kind : c.starts)
        expectedStarts << RecordingLauncher::Start{updater, kind == StartKind::Bare ? QString() : twoPaths};
    EXPECT_EQ(launcher.starts, expectedStarts);

    if (!c.answerYes) {
        EXPECT_TRUE(server.requestedPaths().isEmpty());
    }
    // Only what belongs there: the editor, the installed updater, a complete
    // download; never a partial or temporary file.
    QStringList expectedFiles{"sombrant editor"};
    if (c.installed)
        expectedFiles << "Sombrant_Win_Updater.exe";
    if (c.downloaded)
        expectedFiles << "Sombrant_Win_Updater_Update.exe";
    expectedFiles.sort();
    EXPECT_EQ(QDir(programFolder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expectedFiles);
    if (c.downloaded) {
        QFile download(inProgramFolder("Sombrant_Win_Updater_Update.exe"));
        ASSERT_TRUE(download.open(QIODevice::ReadOnly));
        EXPECT_TRUE(download.readAll() == kNewUpdater);
    }
}

INSTANTIATE_TEST_SUITE_P(Server, UpdaterLaunch, ::testing::ValuesIn(kLaunchCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(UpdaterLaunch, StopsWithNothingStartedWhenTheServerDoesNotAnswer)
{
    ASSERT_TRUE(writeProgramWithVersion(inProgramFolder("Sombrant_Win_Updater.exe"), 1, 2));
    server.serve(kUpdaterVersionPath, Response{200, "OK", {}, {}, true});

    WebClient client(server.address(), 300);
    UpdaterRefresh refresh(client, log, prompts, launcher, programFolder.path());
    UpdateLauncher update(prompts, refresh, launcher, tempFolder.path(), editorProgram);

    EXPECT_EQ(update.LaunchUpdate(), Outcome::Failed);
    EXPECT_EQ(prompts.boxes,
              QStringList{box(UpdateLauncher::NoServerAnswer, {"no answer from 127.0.0.1 within 0.3 s"})});
    EXPECT_TRUE(launcher.starts.isEmpty());
}

TEST_F(UpdaterLaunch, KeepsAnEarlierDownloadWhenTheNextOneFails)
{
    ASSERT_TRUE(writeProgramWithVersion(inProgramFolder("Sombrant_Win_Updater.exe"), 1, 2));
    QFile earlier(inProgramFolder("Sombrant_Win_Updater_Update.exe"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier download");
    earlier.close();
    server.serve(kUpdaterPath, Response{500, "Internal Server Error", "half a program", {}, false});

    WebClient client(server.address());
    UpdaterRefresh refresh(client, log, prompts, launcher, programFolder.path());
    EXPECT_FALSE(refresh.DownloadUpdater());

    EXPECT_EQ(refresh.problems(), QStringList{"Download failed: HTTP 500 Internal Server Error"});
    EXPECT_TRUE(prompts.messages.isEmpty()) << "told once, by the launch";
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier download");
    EXPECT_EQ(QDir(programFolder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"Sombrant_Win_Updater.exe", "Sombrant_Win_Updater_Update.exe", "sombrant editor"}));
    EXPECT_TRUE(launcher.starts.isEmpty());
}

TEST_F(UpdaterLaunch, ReportsAProgramFolderItCannotWriteTo)
{
    ASSERT_TRUE(writeProgramWithVersion(inProgramFolder("Sombrant_Win_Updater.exe"), 1, 2));
    server.serve(kUpdaterPath, kDownloadOk);
    const QString missingFolder = QDir(programFolder.path()).filePath("gone");

    WebClient client(server.address());
    UpdaterRefresh refresh(client, log, prompts, launcher, missingFolder);
    EXPECT_FALSE(refresh.DownloadUpdater());

    ASSERT_EQ(refresh.problems().size(), 1);
    EXPECT_TRUE(refresh.problems()[0].startsWith("Download failed: " + QDir::toNativeSeparators(missingFolder)))
        << refresh.problems()[0];
    EXPECT_TRUE(server.requestedPaths().isEmpty()) << "nothing is fetched that cannot be kept";
    EXPECT_TRUE(launcher.starts.isEmpty());
}

TEST_F(UpdaterLaunch, SaysWhenTheElevationIsRefused)
{
    ASSERT_TRUE(writeProgramWithVersion(inProgramFolder("Sombrant_Win_Updater.exe"), 1, 2));
    server.serveText(kUpdaterVersionPath, "1.2");
    launcher.refuseElevation = true;

    WebClient client(server.address());
    UpdaterRefresh refresh(client, log, prompts, launcher, programFolder.path());
    UpdateLauncher update(prompts, refresh, launcher, tempFolder.path(), editorProgram);

    EXPECT_EQ(update.LaunchUpdate(), Outcome::Failed) << "the editor runs on";
    EXPECT_EQ(prompts.boxes, QStringList{box(UpdateLauncher::UpdaterDidNotStart, {kLaunchFailed})});
    EXPECT_EQ(launcher.starts.size(), 1);
}

TEST(UpdateLauncher, QuotesEachPathAndSeparatesThemByOneBlank)
{
    const struct {
        const char *update;
        const char *editor;
        const char *text;
    } table[] = {
        {R"(C:\Users\me\AppData\Local\Temp\Sombrant_Editor_Update.exe)", R"(C:\Tools\Editor\Sombrant Editor.exe)",
         R"("C:\Users\me\AppData\Local\Temp\Sombrant_Editor_Update.exe" "C:\Tools\Editor\Sombrant Editor.exe")"},
        {"/tmp/Sombrant_Editor_Update.exe", "/opt/sombrant/bin/sombrant-editor",
         R"("/tmp/Sombrant_Editor_Update.exe" "/opt/sombrant/bin/sombrant-editor")"},
    };
    for (const auto &row : table) {
        const QString text = UpdateLauncher::argumentText(row.update, row.editor);
        EXPECT_EQ(text, row.text);
        // Split back as the shell hands them over, the paths come out whole.
        EXPECT_EQ(SystemProgramLauncher::splitArguments(text), (QStringList{row.update, row.editor}));
    }
}

TEST(FileVersion, ReadsMajorAndMinorFromTheVersionRecord)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("Sombrant_Win_Updater.exe");
    const struct {
        quint16 major, minor;
        const char *text;
    } table[] = {{1, 2, "1.2"}, {1, 11, "1.11"}, {2, 0, "2.0"}, {65535, 65535, "65535.65535"}};
    for (const auto &row : table) {
        ASSERT_TRUE(writeProgramWithVersion(path, row.major, row.minor));
        EXPECT_EQ(FileVersion::majorMinor(path), row.text);
    }
    QFile plain(path);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly | QIODevice::Truncate));
    plain.write("#!/bin/sh\nexit 0\n");
    plain.close();
    EXPECT_EQ(FileVersion::majorMinor(path), "");
    EXPECT_EQ(FileVersion::majorMinor(folder.filePath("missing.exe")), "");
}

TEST(SystemProgramLauncher, StartsNothingThatIsNotAProgram)
{
    QTemporaryDir folder;
    SystemProgramLauncher launcher;
    EXPECT_FALSE(launcher.startElevated(folder.filePath("Sombrant_Win_Updater.exe"), "\"a\" \"b\""));
}

TEST(SystemProgramLauncher, StartsTheProgramWithTheSplitArgumentsWithoutPkexec)
{
    if (!QStandardPaths::findExecutable("pkexec").isEmpty())
        GTEST_SKIP() << "pkexec would ask for a password here";
    QTemporaryDir folder;
    const QString record = folder.filePath("arguments.txt");
#ifdef Q_OS_WIN
    // The shell starts a batch file as it starts a program, and hands it the
    // argument text to split as a program would.
    const QString program = folder.filePath("Sombrant_Win_Updater.cmd");
    const QString part = QDir::toNativeSeparators(record + ".part");
    const QByteArray text = ("@echo off\r\n>\"" + part + "\" echo %~1\r\n>>\"" + part + "\" echo %~2\r\nmove /y \"" + part
                             + "\" \"" + QDir::toNativeSeparators(record) + "\" >nul\r\n")
                                .toLocal8Bit();
    const QString arguments = "\"C:\\with blank\\Sombrant_Editor_Update.exe\" \"C:\\editor\"";
    const QByteArray expected = "C:\\with blank\\Sombrant_Editor_Update.exe\r\nC:\\editor\r\n";
#else
    const QString program = folder.filePath("Sombrant_Win_Updater.exe");
    const QByteArray text = ("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record + ".part'\nmv '"
                             + record + ".part' '" + record + "'\n")
                                .toLocal8Bit();
    const QString arguments = "\"/tmp/with blank/Sombrant_Editor_Update.exe\" \"/opt/editor\"";
    const QByteArray expected = "/tmp/with blank/Sombrant_Editor_Update.exe\n/opt/editor\n";
#endif
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(text);
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);

    SystemProgramLauncher launcher;
    ASSERT_TRUE(launcher.startElevated(program, arguments));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 10'000));
    QFile written(record);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected);
}

}  // namespace
