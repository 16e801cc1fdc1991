// Every file the editor replaces, saved onto a file system that is full, or
// that has less room than the new file needs: the save fails, says so in
// plain words with the system's reason, and the old file stays byte for byte
// with no temporary file left beside it.

#include "FullFileSystem.h"
#include "LocalHttpServer.h"
#include "QtPrinters.h"
#include "RecordingLauncher.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "app/CheckedFile.h"
#include "params/PresetFile.h"
#include "prefs/LookPreference.h"
#include "updates/UpdatePreference.h"
#include "updates/UpdaterRefresh.h"
#include "updates/WebClient.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

PresetFile::Values sample()
{
    PresetFile::Values v{};
    for (int i = 0; i < ParameterSlotCount; ++i)
        v[std::size_t(i)] = 0x00400000u + std::uint32_t(i);
    return v;
}

// What a save told: whether it claims success, and its message.
struct Outcome {
    bool saved;
    QString message;
};

// The updater refreshed from a local server whose updater has `size` bytes.
Outcome download(const QString &programFolder, int size)
{
    LocalHttpServer server;
    server.serveText("/download/update/Sombrant_Win_Updater.exe", QByteArray(size, 'u'));
    WebClient client(server.address());
    RecordingLog log;
    ScriptedPrompts prompts;
    RecordingLauncher launcher;
    UpdaterRefresh refresh(client, log, prompts, launcher, programFolder);
    const bool downloaded = refresh.DownloadUpdater();
    return Outcome{downloaded, (prompts.messages + refresh.problems()).join('\n')};
}

struct SaveCase {
    const char *name;
    const char *file;  // the file replaced, below the full folder
    QByteArray old;
    // Bytes the file system still takes: 0 for full (what is written stays in
    // a buffer until the flush); less than the new file to stop it part way.
    qint64 room;
    // How the message begins; "%1" stands for the file's path.
    const char *leading;
    // Saves over the file, with the full folder as Documents or program folder.
    std::function<Outcome(const QString &folder)> save;
};

void PrintTo(const SaveCase &c, std::ostream *os)
{
    *os << c.name;
}

const SaveCase kSaveCases[] = {
    {"PresetSaveDialog", "QUELM/sombrant_mk3_folder/Preset/kept.txt", PresetFile::presetBytes({}), 0,
     "Error saving file: %1: ",
     [](const QString &documents) {
         ScriptedPrompts prompts;
         PresetFile presets(documents, prompts);
         prompts.fileAnswers = {presets.saveFolder() + "/kept.txt"};
         const bool saved = presets.save_preset_file(sample());
         return Outcome{saved, prompts.messages.join('\n')};
     }},
    {"LookPreference", "QUELM/style.txt", "2", 0, "style.txt could not be written (",
     [](const QString &documents) {
         QString error;
         const bool saved = LookPreference(documents).write(5, &error);
         return Outcome{saved, error};
     }},
    {"UpdatePreference", "QUELM/Sombrant MK3/ShowMessageVersionAtStartup.txt", "NO", 0, "%1: ",
     [](const QString &documents) {
         QString error;
         const bool saved = UpdatePreference(documents + "/QUELM/Sombrant MK3").write(true, &error);
         return Outcome{saved, error};
     }},
    // Small enough to wait in the file's buffer until the flush.
    {"UpdaterDownloadSmall", "Sombrant_Win_Updater_Update.exe", "earlier download", 0, "Download failed: %1: ",
     [](const QString &programFolder) { return download(programFolder, 12'000); }},
    // Written in pieces as it arrives; the disk fills up on the way.
    {"UpdaterDownloadLarge", "Sombrant_Win_Updater_Update.exe", "earlier download", 8192, "Download failed: %1: ",
     [](const QString &programFolder) { return download(programFolder, 200'000); }},
};

class FullDiskSave : public ::testing::TestWithParam<SaveCase> {};

TEST_P(FullDiskSave, FailsSaysWhyAndKeepsTheOldFile)
{
    if (const char *why = FullFileSystem::unavailable())
        GTEST_SKIP() << why;
    const SaveCase &c = GetParam();
    FullFileSystem full;
    ASSERT_TRUE(full.isValid());
    const QString path = full.filePath(c.file);
    ASSERT_TRUE(full.put(c.file, c.old));
    ASSERT_TRUE(full.fill(c.room));
    const QStringList before = full.entries();

    const Outcome outcome = full.whileFull([&] { return c.save(full.path()); });

    EXPECT_FALSE(outcome.saved);
    const QString leading = QString::fromLatin1(c.leading).replace("%1", QDir::toNativeSeparators(path));
    EXPECT_TRUE(outcome.message.startsWith(leading)) << outcome.message;
    EXPECT_TRUE(outcome.message.contains(full.reason())) << outcome.message;
    EXPECT_TRUE(outcome.message.contains("unchanged")) << outcome.message;
    EXPECT_EQ(contentOf(path), c.old);
    EXPECT_EQ(full.entries(), before) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(Writers, FullDiskSave, ::testing::ValuesIn(kSaveCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Where no file was, none is made, and nothing is said about a previous one.
TEST(CheckedFile, AFailedNewFileLeavesNothingAndClaimsNoPreviousFile)
{
    if (const char *why = FullFileSystem::unavailable())
        GTEST_SKIP() << why;
    FullFileSystem full;
    ASSERT_TRUE(full.isValid());
    ASSERT_TRUE(full.fill());
    const QStringList before = full.entries();
    const QString path = full.filePath("new.txt");
    QString error;
    EXPECT_FALSE(full.whileFull([&] { return CheckedFile::write(path, QByteArray(100, 'n'), &error); }));
    EXPECT_EQ(error, QDir::toNativeSeparators(path) + ": " + full.reason());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(full.entries(), before);
}

// A write that stops part way, the disk filling up during it, is named by
// the system's reason too, not as an unknown error.
TEST(CheckedFile, AWriteThatStopsPartWayNamesTheReason)
{
    if (const char *why = FullFileSystem::unavailable())
        GTEST_SKIP() << why;
    FullFileSystem full;
    ASSERT_TRUE(full.isValid());
    ASSERT_TRUE(full.fill(4096));
    const QStringList before = full.entries();
    const QString path = full.filePath("big.bin");
    QString error;
    EXPECT_FALSE(full.whileFull([&] { return CheckedFile::write(path, QByteArray(64 * 1024, 'b'), &error); }));
    EXPECT_EQ(error, QDir::toNativeSeparators(path) + ": " + full.reason());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(full.entries(), before);
}

}  // namespace
