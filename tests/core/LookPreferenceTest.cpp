// style.txt, the chosen look, on real files in a temporary Documents folder:
// what each content gives at start, that reading never changes the file, and
// that writing replaces it whole with the bare number.

#include "PipeDeadline.h"
#include "QtPrinters.h"
#include "prefs/LookPreference.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

class LookPreferenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(documents.isValid());
        ASSERT_TRUE(QDir(documents.path()).mkpath("QUELM"));
    }
    QString stylePath() const { return documents.filePath("QUELM/style.txt"); }
    void writeStyle(const QByteArray &content) const
    {
        QFile file(stylePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray readStyle() const
    {
        QFile file(stylePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir documents;
};

}  // namespace

TEST_F(LookPreferenceTest, LivesDirectlyInTheQuelmFolder)
{
    EXPECT_EQ(LookPreference(documents.path()).filePath(), stylePath());
}

TEST_F(LookPreferenceTest, NoFileGivesTheFirstLookWithoutAProblem)
{
    const LookPreference::Saved saved = LookPreference(documents.path()).read();
    EXPECT_EQ(saved.look, 0);
    EXPECT_TRUE(saved.problem.isEmpty()) << saved.problem;
    EXPECT_FALSE(QFile::exists(stylePath())) << "reading makes no file";
}

TEST_F(LookPreferenceTest, EachContentGivesItsLookOrTheFirstWithTheReason)
{
    struct Case {
        QByteArray content;
        int look;
        const char *problem;  // nullptr: none; otherwise a part of it
    };
    const Case cases[] = {
        {"4", 4, nullptr},
        {"7", 7, nullptr},
        {"0", 0, nullptr},
        {" 3\n", 3, nullptr},
        {"\t6\r\n", 6, nullptr},
        {"05", 5, nullptr},
        {"\xEF\xBB\xBF" "2", 2, nullptr},  // a byte-order mark some editors write
        {"9", 0, "holds \"9\", not a look number from 0 to 7: Style_0 applied"},
        {"8", 0, "holds \"8\""},
        {"abc", 0, "holds \"abc\", not a look number from 0 to 7"},
        {"-1", 0, "holds \"-1\""},
        {"+3", 0, "holds \"+3\""},
        {"3.0", 0, "holds \"3.0\""},
        {"3 4", 0, "holds \"3 4\""},
        {"99999999999999999999", 0, "holds \"99999999999999999999\""},
        {"", 0, "style.txt holds no look number: Style_0 applied"},
        {" \n", 0, "holds no look number"},
        {"x\ny", 0, "holds \"x\\ny\""},
        // The longest file read, and one byte more: refused unread.
        {QByteArray(255, ' ') + "3", 3, nullptr},
        {QByteArray(256, ' ') + "3", 0, "style.txt holds 257 bytes, too many for a look number: Style_0 applied"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.content.toStdString());
        writeStyle(c.content);
        const LookPreference::Saved saved = LookPreference(documents.path()).read();
        EXPECT_EQ(saved.look, c.look);
        if (c.problem)
            EXPECT_TRUE(saved.problem.contains(QString::fromUtf8(c.problem))) << saved.problem;
        else
            EXPECT_TRUE(saved.problem.isEmpty()) << saved.problem;
        EXPECT_EQ(readStyle(), c.content) << "reading leaves the file as it was";
    }
}

TEST_F(LookPreferenceTest, AHugeFileIsRefusedWithoutQuotingItWhole)
{
    writeStyle(QByteArray(1 << 20, 'x'));
    const LookPreference::Saved saved = LookPreference(documents.path()).read();
    EXPECT_EQ(saved.look, 0);
    EXPECT_LT(saved.problem.size(), 200) << saved.problem;
    EXPECT_TRUE(saved.problem.contains("holds 1048576 bytes")) << saved.problem;
}

TEST_F(LookPreferenceTest, APipeIsRefusedWithoutWaitingForAWriter)
{
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "Windows has no pipe that lives at a path in a folder (its pipes are under \\\\.\\pipe\\, "
                    "which BoundedFileTest refuses)";
#else
    ASSERT_EQ(mkfifo(QFile::encodeName(stylePath()).constData(), 0600), 0);
    const LookPreference::Saved saved =
        withinDeadline(stylePath(), [&] { return LookPreference(documents.path()).read(); });
    EXPECT_EQ(saved.look, 0);
    EXPECT_EQ(saved.problem, "style.txt could not be read (it is a pipe, not a file): Style_0 applied");
#endif
}

TEST_F(LookPreferenceTest, AnUnreadableFileGivesTheFirstLookAndSaysSo)
{
    // A folder where the file should be cannot be read as one, even by root.
    ASSERT_TRUE(QDir(documents.path()).mkpath("QUELM/style.txt"));
    const LookPreference::Saved saved = LookPreference(documents.path()).read();
    EXPECT_EQ(saved.look, 0);
    EXPECT_TRUE(saved.problem.startsWith("style.txt could not be read")) << saved.problem;
}

TEST_F(LookPreferenceTest, WritesTheBareNumberAndReplacesWhatWasThere)
{
    const LookPreference preference(documents.path());
    writeStyle("garbage that is longer than a number\n");
    for (int look : {4, 0, 6}) {
        QString error;
        ASSERT_TRUE(preference.write(look, &error)) << error;
        EXPECT_EQ(readStyle(), QByteArray::number(look)) << "no line end, no byte-order mark";
        EXPECT_EQ(preference.read().look, look);
    }
    // Only the file itself: the temporary one is gone.
    EXPECT_EQ(QDir(documents.filePath("QUELM")).entryList(QDir::Files), QStringList{"style.txt"});
}

TEST_F(LookPreferenceTest, AFailedWriteKeepsTheOldChoiceAndSaysWhy)
{
    const LookPreference preference(documents.path());
    ASSERT_TRUE(preference.write(2));
    // A file where the QUELM folder should be: nothing can be written below it.
    QTemporaryDir other;
    QFile blocker(other.filePath("QUELM"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(LookPreference(other.path()).write(3, &error));
    EXPECT_TRUE(error.startsWith("style.txt could not be written (")) << error;
    EXPECT_FALSE(LookPreference(QString()).write(3, &error));
    EXPECT_FALSE(preference.write(8, &error)) << "there is no look 8";
    EXPECT_EQ(readStyle(), "2");
}

TEST_F(LookPreferenceTest, ParsesOnlyWholeNumbersOfLooks)
{
    for (int look = 0; look < LookPreference::LookCount; ++look)
        EXPECT_EQ(LookPreference::parse(QByteArray::number(look)), look);
    EXPECT_EQ(LookPreference::parse("8"), std::nullopt);
    EXPECT_EQ(LookPreference::parse("\xD9\xA3"), std::nullopt) << "an Arabic-Indic three";
}
