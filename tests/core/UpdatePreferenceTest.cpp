#include "PipeDeadline.h"
#include "QtPrinters.h"
#include "updates/UpdatePreference.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

struct ReadCase {
    const char *name;
    std::optional<QByteArray> content;  // nullopt: no file
    bool show;
    QByteArray contentAfter;
};

void PrintTo(const ReadCase &c, std::ostream *os)
{
    *os << c.name;
}

const ReadCase kReadCases[] = {
    {"NoFile", std::nullopt, true, "YES"},
    {"Yes", "YES", true, "YES"},
    {"No", "NO", false, "NO"},
    {"NoWithLineEnd", "NO\r\n", false, "NO\r\n"},
    {"NoWithBlanks", "  NO \n", false, "  NO \n"},
    {"NoAfterUtf8Mark", "\xEF\xBB\xBFNO", false, "\xEF\xBB\xBFNO"},
    {"NoInUtf16WithMark", QByteArray("\xFF\xFEN\0O\0", 6), false, QByteArray("\xFF\xFEN\0O\0", 6)},
    {"LowerCaseNo", "no", true, "no"},
    {"LowerCaseYes", "yes", true, "yes"},
    {"Other", "MAYBE", true, "MAYBE"},
    {"Empty", "", true, ""},
    {"NotUtf8", "N\xD6", true, "N\xD6"},
    // The longest file read, and one byte more: not read, so not "NO".
    {"NoAtTheBound", QByteArray("NO") + QByteArray(254, ' '), false, QByteArray("NO") + QByteArray(254, ' ')},
    {"NoPastTheBound", QByteArray("NO") + QByteArray(255, ' '), true, QByteArray("NO") + QByteArray(255, ' ')},
};

class UpdatePreferenceRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(UpdatePreferenceRead, ReadsYesOrNoAndMakesAMissingFile)
{
    const ReadCase &c = GetParam();
    QTemporaryDir subfolder;
    const QString path = QDir(subfolder.path()).filePath("ShowMessageVersionAtStartup.txt");
    if (c.content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(*c.content);
    }
    UpdatePreference preference(subfolder.path());
    EXPECT_EQ(preference.filePath(), path);
    EXPECT_EQ(preference.LoadShowUpdateMessagePreference(), c.show);
    EXPECT_EQ(contentOf(path), c.contentAfter);
}

INSTANTIATE_TEST_SUITE_P(File, UpdatePreferenceRead, ::testing::ValuesIn(kReadCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(UpdatePreference, RewritesOnlyAnExistingFile)
{
    QTemporaryDir subfolder;
    UpdatePreference preference(subfolder.path());
    EXPECT_FALSE(preference.write(false));
    EXPECT_FALSE(QFile::exists(preference.filePath()));

    preference.LoadShowUpdateMessagePreference();
    const struct {
        bool show;
        QByteArray content;
    } table[] = {{false, "NO"}, {true, "YES"}, {false, "NO"}};
    for (const auto &row : table) {
        EXPECT_TRUE(preference.write(row.show));
        EXPECT_EQ(contentOf(preference.filePath()), row.content);
        EXPECT_EQ(UpdatePreference(subfolder.path()).LoadShowUpdateMessagePreference(), row.show);
    }
}

TEST(UpdatePreference, MakesNothingWhereTheFolderIsMissing)
{
    QTemporaryDir documents;
    const QString missing = QDir(documents.path()).filePath("QUELM/Sombrant MK3");
    UpdatePreference preference(missing);
    EXPECT_TRUE(preference.LoadShowUpdateMessagePreference());
    EXPECT_FALSE(QFile::exists(preference.filePath()));
}

TEST(UpdatePreference, APipeMeansYesWithoutWaitingForAWriter)
{
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "Windows has no pipe that lives at a path in a folder (its pipes are under \\\\.\\pipe\\, "
                    "which BoundedFileTest refuses)";
#else
    QTemporaryDir subfolder;
    UpdatePreference preference(subfolder.path());
    ASSERT_EQ(mkfifo(QFile::encodeName(preference.filePath()).constData(), 0600), 0);
    EXPECT_TRUE(withinDeadline(preference.filePath(), [&] { return preference.LoadShowUpdateMessagePreference(); }));
    const QFileInfo after(preference.filePath());
    EXPECT_TRUE(after.exists() && !after.isFile()) << "the pipe is left as it is, not replaced by a file";
#endif
}

}  // namespace
