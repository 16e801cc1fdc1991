#include "EditorFixture.h"
#include "FullFileSystem.h"
#include "LocalHttpServer.h"
#include "ProgramFileVersion.h"
#include "RecordingLauncher.h"
#include "app/TformMain.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/UpdateLauncher.h"
#include "updates/UpdateMenu.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <optional>
#include <ostream>

// A start the launcher recorded, as a failed comparison shows it.
static void PrintTo(const RecordingLauncher::Start &start, std::ostream *os)
{
    *os << start.program.toStdString() << " " << start.arguments.toStdString();
}

namespace {

using Response = LocalHttpServer::Response;

constexpr const char *kVersionPath = "/download/sombrant-editor-version.php";

// Addresses the editor asked the desktop to open, instead of a browser.
class OpenedAddresses : public QObject {
    Q_OBJECT
public:
    OpenedAddresses()
    {
        for (const char *scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~OpenedAddresses() override
    {
        for (const char *scheme : {"http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class UpdateMenuTest : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        ASSERT_TRUE(programFolder.isValid() && tempFolder.isValid());
        ASSERT_FALSE(server.address().isEmpty());
    }

    // The editor with the test's server (none when configured is false), the
    // recording launcher, and its program file in a temporary folder.
    void startWithServer(bool configured = true)
    {
        transport = std::make_unique<D2XXUnit>(*activeDriver, prompts);
        UpdateSettings updates;
        updates.server = configured ? server.address() : QString();
        updates.transferTimeoutMs = 2000;
        updates.launcher = &launcher;
        updates.editorProgram = QDir(programFolder.path()).filePath("sombrant-editor");
        updates.tempFolder = tempFolder.path();
        windows = std::make_unique<EditorWindows>(
            EditorServices{*transport, prompts, relay, clock, documentsPath, updates}, relay);
    }

    QString preferencePath() const
    {
        return QDir(documentsPath).filePath("QUELM/Sombrant MK3/ShowMessageVersionAtStartup.txt");
    }

    void writePreference(const QByteArray &content)
    {
        ASSERT_TRUE(QDir(documentsPath).mkpath("QUELM/Sombrant MK3"));
        QFile file(preferencePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    TformMain &main() { return *windows->formMain; }
    TformNewVersionMsg &newVersionWindow() { return *windows->formNewVersionMsg; }
    void runCheck() { main().updates()->checkmostrecentversiononwebsite(); }

    QTemporaryDir programFolder;
    QTemporaryDir tempFolder;
    LocalHttpServer server;
    RecordingLauncher launcher;
};

struct CheckCase {
    const char *name;
    Response answer;
    std::optional<QByteArray> preference;  // the file's content at start; nullopt: none
    QString menuText;
    bool updateNow;
    bool windowOpens;
    QStringList messages;
};

void PrintTo(const CheckCase &c, std::ostream *os)
{
    *os << c.name;
}

// The editor is 1.0.
const CheckCase kCheckCases[] = {
    {"Newer", {200, "OK", "1.1", {}, false}, std::nullopt, "New version available: 1.1", true, true, {}},
    {"NewerWithLineEnd", {200, "OK", "1.1\n", {}, false}, "YES", "New version available: 1.1", true, true, {}},
    {"NewerMajor", {200, "OK", "2.0", {}, false}, "YES", "New version available: 2.0", true, true, {}},
    {"NewerButNoMessage", {200, "OK", "1.1", {}, false}, "NO", "New version available: 1.1", true, false, {}},
    {"NewerAndLowerCaseNo", {200, "OK", "1.1", {}, false}, "no", "New version available: 1.1", true, true, {}},
    {"Equal", {200, "OK", "1.0", {}, false}, "YES", "No update available", false, false, {}},
    {"Older", {200, "OK", "0.9", {}, false}, "YES", "No update available", false, false, {}},
    {"NotFound", {404, "Not Found", "1.1", {}, false}, "YES", "Update check failed", false, false,
     {"Error: Not Found"}},
    {"Garbage", {200, "OK", "v1.1 beta", {}, false}, "YES", "Update check failed: unexpected answer", false, false,
     {}},
};

class UpdateMenuCheckTest : public UpdateMenuTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(UpdateMenuCheckTest, ShowsTheResultInTheInfoMenu)
{
    const CheckCase &c = GetParam();
    if (c.preference)
        writePreference(*c.preference);
    server.serve(kVersionPath, c.answer);
    startWithServer();
    EXPECT_TRUE(main().TimerCheckWebVersion->isActive());
    EXPECT_EQ(main().menuNewAppVersion->text().remove('&'), "New version available:");

    runCheck();

    EXPECT_FALSE(main().TimerCheckWebVersion->isActive()) << "the check runs once";
    EXPECT_EQ(main().menuNewAppVersion->text().remove('&'), c.menuText);
    EXPECT_FALSE(main().menuNewAppVersion->isEnabled());
    EXPECT_EQ(main().menuUpdateNow->isEnabled(), c.updateNow);
    EXPECT_EQ(newVersionWindow().isVisible(), c.windowOpens);
    EXPECT_EQ(prompts.messages, c.messages);
    EXPECT_EQ(server.requestedPaths(), QStringList{kVersionPath});
    if (c.windowOpens) {
        EXPECT_EQ(newVersionWindow().Label1->text(), "A new version of the Sombrant Editor is available");
        EXPECT_EQ(newVersionWindow().Label2->text(),
                  "Your version: 1.0     New version: " + QString(c.menuText).remove("New version available: "));
    }
    if (c.answer.status == 200) {
        EXPECT_TRUE(logLines().contains("newAppVersion: " + QString::fromLatin1(c.answer.body).trimmed()))
            << logLines().join('|');
    }
}

INSTANTIATE_TEST_SUITE_P(Server, UpdateMenuCheckTest, ::testing::ValuesIn(kCheckCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(UpdateMenuTest, RequestsNothingWithoutAServer)
{
    server.serveText(kVersionPath, "9.9");
    startWithServer(false);
    runCheck();

    EXPECT_EQ(main().menuNewAppVersion->text().remove('&'), "Update check not configured");
    EXPECT_FALSE(main().menuUpdateNow->isEnabled());
    EXPECT_FALSE(main().menuSupport->isEnabled());
    EXPECT_FALSE(newVersionWindow().btnSeeWhatsNew->isEnabled());
    EXPECT_FALSE(newVersionWindow().isVisible());
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(server.requestedPaths().isEmpty());
}

TEST_F(UpdateMenuTest, TheTimersFirstTickRunsTheCheck)
{
    server.serveText(kVersionPath, "1.1");
    startWithServer();
    ASSERT_EQ(main().TimerCheckWebVersion->interval(), 1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main().menuNewAppVersion->text().remove('&') != "New version available:"; },
                                10'000));
    EXPECT_EQ(main().menuNewAppVersion->text().remove('&'), "New version available: 1.1");
    EXPECT_FALSE(main().TimerCheckWebVersion->isActive());
    EXPECT_EQ(server.requestedPaths(), QStringList{kVersionPath});
}

TEST_F(UpdateMenuTest, TheFirstStartMakesThePreferenceAndChecksTheMenuItem)
{
    startWithServer();
    EXPECT_EQ(contentOf(preferencePath()), "YES");
    EXPECT_TRUE(main().menuShowUpdateMsg->isChecked());
}

TEST_F(UpdateMenuTest, ShowUpdateMessageRewritesThePreference)
{
    writePreference("NO");
    startWithServer();
    EXPECT_FALSE(main().menuShowUpdateMsg->isChecked());

    const QByteArray afterEachClick[] = {"YES", "NO", "YES"};
    for (const QByteArray &expected : afterEachClick) {
        main().menuShowUpdateMsg->trigger();
        EXPECT_EQ(contentOf(preferencePath()), expected);
    }
    // The choice is for the next start.
    EXPECT_FALSE(main().updates()->showMessageVersionAtStartup);

    ASSERT_TRUE(QFile::remove(preferencePath()));
    main().menuShowUpdateMsg->trigger();
    EXPECT_FALSE(QFile::exists(preferencePath())) << "a deleted file is not made again";
}

TEST_F(UpdateMenuTest, DontShowAgainWritesNoAndClearingItWritesNothing)
{
    server.serveText(kVersionPath, "1.1");
    startWithServer();
    runCheck();
    ASSERT_TRUE(newVersionWindow().isVisible());

    newVersionWindow().CheckBox1->click();
    EXPECT_EQ(contentOf(preferencePath()), "NO");
    newVersionWindow().CheckBox1->click();
    EXPECT_EQ(contentOf(preferencePath()), "NO");
    EXPECT_TRUE(main().menuShowUpdateMsg->isChecked()) << "the menu item keeps this run's setting";
}

// On a full disk neither way of changing the preference replaces the file,
// and the user is told so.
TEST_F(UpdateMenuTest, APreferenceThatCannotBeWrittenIsKeptAndSaidSo)
{
    if (const char *why = FullFileSystem::unavailable())
        GTEST_SKIP() << why;
    FullFileSystem full;
    ASSERT_TRUE(full.isValid());
    documentsPath = full.path();
    writePreference("YES");
    server.serveText(kVersionPath, "1.1");
    startWithServer();
    runCheck();
    ASSERT_TRUE(newVersionWindow().isVisible());
    ASSERT_TRUE(full.fill());
    prompts.messages.clear();
    full.whileFull([&] {
        main().menuShowUpdateMsg->trigger();
        newVersionWindow().CheckBox1->click();
        return 0;
    });
    EXPECT_EQ(contentOf(preferencePath()), "YES");
    ASSERT_EQ(prompts.messages.size(), 2) << prompts.messages.join(" | ").toStdString();
    for (const QString &message : prompts.messages) {
        EXPECT_TRUE(message.startsWith("The update message preference was not saved: " + preferencePath()))
            << message.toStdString();
        EXPECT_TRUE(message.endsWith("; the previous file is unchanged")) << message.toStdString();
    }
}

TEST_F(UpdateMenuTest, SupportAndWhatsNewOpenTheServersPages)
{
    OpenedAddresses opened;
    server.serveText(kVersionPath, "1.1");
    startWithServer();
    runCheck();
    ASSERT_TRUE(main().menuSupport->isEnabled());

    main().menuSupport->trigger();
    newVersionWindow().btnSeeWhatsNew->click();

    EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl(server.address() + "/contact-us/"),
                                        QUrl(server.address() + "/download/update/whatsnew.html")}));
    EXPECT_TRUE(newVersionWindow().isVisible()) << "the window stays open";
}

struct LaunchCase {
    const char *name;
    bool fromWindow;  // "Update Now" in the new-version window, else in the Info menu
    bool answerYes;
};

void PrintTo(const LaunchCase &c, std::ostream *os)
{
    *os << c.name;
}

class UpdateNowTest : public UpdateMenuTest, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(UpdateNowTest, StartsTheUpdaterWithTheTwoPathsAndEndsTheEditor)
{
    const LaunchCase &c = GetParam();
    const QString updater = QDir(programFolder.path()).filePath("Sombrant_Win_Updater.exe");
    ASSERT_TRUE(writeProgramWithVersion(updater, 1, 2));
    server.serveText(kVersionPath, "1.1");
    server.serveText("/download/update/Sombrant_Win_Updater_Version.php", "1.2");
    prompts.yesNoAnswers.push_back(c.answerYes);
    startWithServer();
    main().show();
    runCheck();
    ASSERT_TRUE(main().menuUpdateNow->isEnabled());
    ASSERT_TRUE(newVersionWindow().isVisible());

    if (c.fromWindow)
        newVersionWindow().btnLaunchUpdate->click();
    else
        main().menuUpdateNow->trigger();

    EXPECT_EQ(prompts.questions, QStringList{"This action will update the Sombrant Editor to the latest version. "
                                             "Do you want to continue?"});
    if (!c.answerYes) {
        EXPECT_TRUE(launcher.starts.isEmpty());
        EXPECT_EQ(server.requestedPaths(), QStringList{kVersionPath});
        EXPECT_TRUE(main().isVisible());
        return;
    }
    // Paths as the platform writes them: the updater reads its arguments as text.
    const QString update = QDir(tempFolder.path()).filePath("Sombrant_Editor_Update.exe");
    const QString editor = QDir(programFolder.path()).filePath("sombrant-editor");
    const QString arguments =
        "\"" + QDir::toNativeSeparators(update) + "\" \"" + QDir::toNativeSeparators(editor) + "\"";
    EXPECT_EQ(launcher.starts, (QList<RecordingLauncher::Start>{{QDir::toNativeSeparators(updater), arguments}}));
    EXPECT_FALSE(main().isVisible()) << "the editor ends";
    EXPECT_FALSE(newVersionWindow().isVisible());
    EXPECT_TRUE(logLines().contains("updater version on server: 1.2")) << logLines().join('|');
}

const LaunchCase kLaunchCases[] = {
    {"FromTheMenu", false, true},
    {"FromTheWindow", true, true},
    {"AnsweredNo", false, false},
};

INSTANTIATE_TEST_SUITE_P(UpdateNow, UpdateNowTest, ::testing::ValuesIn(kLaunchCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A server without the updater, and no updater installed: one box says why,
// nothing is started, and the editor stays open.
TEST_F(UpdateMenuTest, UpdateNowWithoutAnUpdaterKeepsTheEditorOpen)
{
    const LocalHttpServer::Response missing{404, "File not found", "<html>not here</html>", {}, false};
    server.serveText(kVersionPath, "1.1");
    server.serve("/download/update/Sombrant_Win_Updater_Version.php", missing);
    server.serve("/download/update/Sombrant_Win_Updater.exe", missing);
    startWithServer();
    main().show();
    runCheck();
    ASSERT_TRUE(newVersionWindow().isVisible());

    newVersionWindow().btnLaunchUpdate->click();

    const QString updater = QDir(programFolder.path()).filePath("Sombrant_Win_Updater.exe");
    ASSERT_EQ(prompts.boxes.size(), 1) << prompts.boxes.join(" | ").toStdString();
    EXPECT_EQ(prompts.failures, QStringList{UpdateLauncher::UpdaterNotObtained}) << "a warning";
    EXPECT_EQ(prompts.boxes[0], QString::fromLatin1(UpdateLauncher::UpdaterNotObtained)
                                       + "\n\nError: File not found\nDownload failed: HTTP 404 File not found"
                                         "\nNot found: " + QDir::toNativeSeparators(updater));
    EXPECT_TRUE(launcher.starts.isEmpty());
    EXPECT_TRUE(main().isVisible()) << "the editor runs on";
    EXPECT_TRUE(newVersionWindow().isVisible());
    EXPECT_TRUE(main().menuUpdateNow->isEnabled()) << "and can try again";
    EXPECT_TRUE(logLines().contains("Local updater not found, proceed with download...")) << logLines().join('|');
}

}  // namespace

#include "UpdateMenuTest.moc"
