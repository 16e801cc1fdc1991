#include "ScriptedPrompts.h"
#include "app/SettingsFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shlobj.h>
#endif

namespace {

class SettingsFoldersTest : public ::testing::Test {
protected:
    void createBoth(SettingsFolders &folders)
    {
        folders.CreateSettingsFolder("QUELM");
        folders.CreateSettingsSubfolder("QUELM", "Sombrant MK3");
    }
    QTemporaryDir documents;
    ScriptedPrompts prompts;
};

}  // namespace

TEST_F(SettingsFoldersTest, MakesBothFoldersWithMissingParents)
{
    const QString deep = documents.filePath("not/yet/there");
    SettingsFolders folders(deep, prompts);
    createBoth(folders);
    EXPECT_TRUE(QFileInfo(deep + "/QUELM/Sombrant MK3").isDir());
    EXPECT_EQ(folders.subfolderPath(), deep + "/QUELM/Sombrant MK3");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(SettingsFoldersTest, LeavesExistingFoldersAndTheirFilesAlone)
{
    ASSERT_TRUE(QDir(documents.path()).mkpath("QUELM/Sombrant MK3"));
    QFile style(documents.filePath("QUELM/style.txt"));
    ASSERT_TRUE(style.open(QIODevice::WriteOnly));
    style.write("3");
    style.close();

    SettingsFolders folders(documents.path(), prompts);
    createBoth(folders);
    ASSERT_TRUE(style.open(QIODevice::ReadOnly));
    EXPECT_EQ(style.readAll(), "3");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(SettingsFoldersTest, ReportsEachFolderThatCannotBeMade)
{
    // A file named QUELM stands where the folder should be.
    QFile blocker(documents.filePath("QUELM"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    SettingsFolders folders(documents.path(), prompts);
    EXPECT_FALSE(folders.CreateSettingsFolder("QUELM"));
    EXPECT_FALSE(folders.CreateSettingsSubfolder("QUELM", "Sombrant MK3"));
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[0].startsWith("Error creating folder: "));
    EXPECT_TRUE(prompts.messages[0].contains("QUELM")) << "the box names the folder";
    EXPECT_TRUE(prompts.messages[1].startsWith("Error creating subfolder: "));
    EXPECT_TRUE(QFileInfo(documents.filePath("QUELM")).isFile()) << "the file is not touched";
}

TEST_F(SettingsFoldersTest, NoDocumentsFolderIsReportedNotGuessed)
{
    SettingsFolders folders(QString(), prompts);
    createBoth(folders);
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[0].startsWith("Error creating folder: "));
    EXPECT_TRUE(prompts.messages[1].startsWith("Error creating subfolder: "));
}

// A Documents folder whose path goes beyond ASCII (a user's name, a
// translated "Documents") takes the folders as any other.
TEST_F(SettingsFoldersTest, MakesBothFoldersUnderAPathBeyondAscii)
{
    const QString home = documents.filePath(QStringLiteral("Bj\u00f6rk \u0141\u00f3d\u017a \u6587\u6863"));
    ASSERT_TRUE(QDir().mkpath(home));
    SettingsFolders folders(home, prompts);
    createBoth(folders);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(QDir(home).filePath("QUELM/Sombrant MK3")).isDir());
}

// The platform's Documents folder is the user's own: on Windows the one the
// system names, which follows the user's move of it to another drive or a
// synchronised folder.
TEST_F(SettingsFoldersTest, ThePlatformsDocumentsFolderIsTheUsersOwn)
{
    const QString platform = SettingsFolders::platformDocumentsFolder();
    ASSERT_FALSE(platform.isEmpty());
    EXPECT_TRUE(QDir::isAbsolutePath(platform)) << platform.toStdString();
#ifdef Q_OS_WIN
    PWSTR known = nullptr;
    ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DONT_VERIFY, nullptr, &known), S_OK);
    const QString system = QDir::fromNativeSeparators(QString::fromWCharArray(known));
    CoTaskMemFree(known);
    EXPECT_EQ(QDir::cleanPath(platform).toLower(), QDir::cleanPath(system).toLower());
#endif
}
