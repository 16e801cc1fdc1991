// The preset list over real files in a temporary pair of preset folders:
// newest first across both, the filter, what is not listed, and the bound.

#include "QtPrinters.h"
#include "params/PresetCatalog.h"
#include "params/PresetFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

class PresetCatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(documents.isValid());
        ASSERT_TRUE(QDir().mkpath(folders.saveFolder()));
        ASSERT_TRUE(QDir().mkpath(folders.openFolder()));
    }

    // A preset written at `folder`/`file`, last modified `minutesAgo`.
    void write(const QString &folder, const QString &file, int minutesAgo, const QByteArray &bytes = preset())
    {
        QFile f(QDir(folder).filePath(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
        ASSERT_TRUE(f.flush());  // a write after the time would move it again
        ASSERT_TRUE(f.setFileTime(base.addSecs(-60 * minutesAgo), QFileDevice::FileModificationTime));
    }
    static QByteArray preset() { return PresetFile::presetBytes({}); }

    QStringList names(const QList<PresetEntry> &entries) const
    {
        QStringList out;
        for (const PresetEntry &e : entries)
            out << e.name;
        return out;
    }

    QTemporaryDir documents;
    PresetFolders folders{documents.path()};
    PresetCatalog catalog{folders};
    const QDateTime base = QDateTime::currentDateTime().addDays(-1);
};

}  // namespace

TEST_F(PresetCatalogTest, ListsBothFoldersNewestFirstAndTiesByName)
{
    write(folders.saveFolder(), "Clean.txt", 30);
    write(folders.openFolder(), "old fuzz.txt", 600);
    write(folders.saveFolder(), "Lead.TXT", 5);
    write(folders.openFolder(), "bass.txt", 30);
    write(folders.saveFolder(), "Bass.txt", 30);
    write(folders.openFolder(), "Doom.txt", 1);

    const QList<PresetEntry> entries = catalog.scan();
    EXPECT_EQ(names(entries), QStringList({"Doom", "Lead", "Bass", "bass", "Clean", "old fuzz"}));
    EXPECT_EQ(entries[0].path, QDir(folders.openFolder()).filePath("Doom.txt"));
    EXPECT_EQ(entries[1].path, QDir(folders.saveFolder()).filePath("Lead.TXT"));
    EXPECT_EQ(entries[1].modified, base.addSecs(-300));
}

TEST_F(PresetCatalogTest, TheFilterIgnoresLetterCase)
{
    write(folders.saveFolder(), "Big Muff Doom.txt", 1);
    write(folders.saveFolder(), "clean.txt", 2);
    write(folders.openFolder(), "MUFFLED.txt", 3);
    const QList<PresetEntry> all = catalog.scan();
    const struct {
        const char *filter;
        QStringList shown;
    } cases[] = {
        {"", {"Big Muff Doom", "clean", "MUFFLED"}},
        {"muff", {"Big Muff Doom", "MUFFLED"}},
        {" MUFF ", {"Big Muff Doom", "MUFFLED"}},
        {"an", {"clean"}},
        {"txt", {}},
        {"jazz", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(names(PresetCatalog::filtered(all, c.filter)), c.shown) << c.filter;
}

// Only what could be a preset is listed, and nothing is read to find out.
TEST_F(PresetCatalogTest, ListsRegularPresetSizedTextFilesOnly)
{
    const QString save = folders.saveFolder();
    write(save, "kept.txt", 1);
    write(save, "not a preset inside.txt", 2, "hello");
    write(save, "notes.md", 3);
    write(save, "no extension", 4);
    write(save, ".hidden.txt", 5);
    write(save, "too large.txt", 6, preset() + QByteArray(PresetFile::MaxFileBytes, '\r'));
    ASSERT_TRUE(QDir().mkpath(save + "/a folder.txt"));
#ifdef Q_OS_UNIX
    ASSERT_EQ(::mkfifo(QFile::encodeName(save + "/a pipe.txt").constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(save + "/nowhere.txt", save + "/broken link.txt"));
    ASSERT_TRUE(QFile::link(save + "/a folder.txt", save + "/link to a folder.txt"));
    ASSERT_TRUE(QFile::link(save + "/kept.txt", save + "/link to a preset.txt"));

    EXPECT_EQ(names(catalog.scan()), QStringList({"kept", "link to a preset", "not a preset inside"}));
#else
    // Windows keeps no pipe in a folder, and its links are shortcut files;
    // a file is hidden by its attribute, not by a leading dot.
    const std::wstring hidden = QDir::toNativeSeparators(save + "/.hidden.txt").toStdWString();
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));

    EXPECT_EQ(names(catalog.scan()), QStringList({"kept", "not a preset inside"}));
#endif
}

TEST_F(PresetCatalogTest, KeepsTheNewestWithinTheBoundAndSaysSo)
{
    bool capped = true;
    EXPECT_TRUE(PresetCatalog(PresetFolders(documents.filePath("nowhere"))).scan(&capped).isEmpty());
    EXPECT_FALSE(capped) << "folders not made yet hold nothing";

    const int count = PresetCatalog::MaxEntries + 2;
    for (int i = 0; i < count; ++i)
        write(i % 2 ? folders.saveFolder() : folders.openFolder(), QString("p%1.txt").arg(i, 4, 10, QChar('0')), i);
    const QList<PresetEntry> entries = catalog.scan(&capped);
    EXPECT_TRUE(capped);
    ASSERT_EQ(entries.size(), PresetCatalog::MaxEntries);
    EXPECT_EQ(entries.first().name, "p0000");
    EXPECT_EQ(entries.last().name, QString("p%1").arg(PresetCatalog::MaxEntries - 1, 4, 10, QChar('0')));

    QFile::remove(QDir(folders.saveFolder()).filePath("p0001.txt"));
    QFile::remove(QDir(folders.saveFolder()).filePath("p0003.txt"));
    EXPECT_EQ(catalog.scan(&capped).size(), PresetCatalog::MaxEntries);
    EXPECT_FALSE(capped) << "exactly the bound is all of them";
}
