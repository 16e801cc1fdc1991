// The sombrant program saving a preset onto a full file system: it fails
// with status 1 and the reason, says nothing of success, and leaves the old
// preset as it was.

#include "FullFileSystem.h"
#include "ProgramRun.h"
#include "SombrantTool.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(FullDiskCli, APresetSaveFailsAndKeepsTheOldPreset)
{
    if (const char *why = FullFileSystem::unavailable())
        GTEST_SKIP() << why;
    FullFileSystem full;
    ASSERT_TRUE(full.isValid());
    const QString path = full.filePath("kept.txt");
    const QByteArray old = QByteArray("\xEF\xBB\xBF") + QByteArray("00000000\r").repeated(14) + "00000000";
    ASSERT_TRUE(full.put("kept.txt", old));
    ASSERT_TRUE(full.fill());
    const QStringList before = full.entries();

    const ProgramRun run = full.whileFull([&] { return sombrant({"--simulate", "preset", "save", path}); });

    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("Saved")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("Error saving file: " + path + ": " + full.reason() + "; the previous file is unchanged"))
        << run.err.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    EXPECT_EQ(full.entries(), before) << "no temporary file is left";
}
