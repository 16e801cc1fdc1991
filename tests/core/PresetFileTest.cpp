// Preset files byte for byte, what a file must be to be believed, and a save
// that fails without harming the preset already there.

#include "QtPrinters.h"
#include "ScriptedPrompts.h"
#include "params/PresetFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

PresetFile::Values sample()
{
    PresetFile::Values v{};
    for (int i = 0; i < ParameterSlotCount; ++i)
        v[std::size_t(i)] = std::uint32_t(i) * 0x00112233u + 0x3FC000u;
    return v;
}

}  // namespace

TEST(PresetFile, WritesOneHexLinePerValueSeparatedByCarriageReturns)
{
    const QByteArray zero = PresetFile::presetBytes({});
    EXPECT_EQ(zero.size(), 137);
    EXPECT_EQ(zero, QByteArray("\xEF\xBB\xBF") + QByteArray("00000000\r").repeated(14) + "00000000");

    PresetFile::Values v{};
    v[10] = 0x3FC000;
    v[14] = 0xABCDEF01;
    const QByteArray bytes = PresetFile::presetBytes(v);
    EXPECT_EQ(bytes.mid(3 + 10 * 9, 8), "003FC000");
    EXPECT_TRUE(bytes.endsWith("\rABCDEF01"));
}

TEST(PresetFile, ReadsWhatItWroteAndOtherLineEnds)
{
    const PresetFile::Values v = sample();
    const QString text = PresetFile::presetText(v);
    struct Form {
        const char *what;
        QByteArray bytes;
    };
    const Form forms[] = {
        {"as written", PresetFile::presetBytes(v)},
        {"no mark", text.toLatin1()},
        {"LF", QString(text).replace('\r', '\n').toLatin1()},
        {"CR LF and a final line end", QString(text).replace("\r", "\r\n").toLatin1() + "\r\n"},
        {"lower case", "\xEF\xBB\xBF" + text.toLower().toLatin1()},
    };
    for (const Form &f : forms)
        EXPECT_EQ(PresetFile::parse(f.bytes), v) << f.what;
}

TEST(PresetFile, AnythingElseIsNotAPresetAndNamesItsFirstBadLine)
{
    const QStringList lines = PresetFile::presetText(sample()).split('\r');
    auto withLine = [&](int index, const QString &line) {
        QStringList changed = lines;
        changed[index] = line;
        return changed.join('\r').toUtf8();
    };
    struct Bad {
        const char *what;
        QByteArray bytes;
        int line;
    };
    const Bad bads[] = {
        {"a bad digit last", withLine(0, "003FC00X"), 1},
        {"seven digits", withLine(4, "003FC00"), 5},
        {"nine digits", withLine(4, "003FC0000"), 5},
        {"an empty line", withLine(7, ""), 8},
        {"a space", withLine(14, "003FC00 "), 15},
        {"a sign", withLine(2, "-03FC000"), 3},
        {"fourteen lines", lines.mid(0, 14).join('\r').toUtf8(), 15},
        {"sixteen lines", (lines + QStringList{"00000000"}).join('\r').toUtf8(), 16},
        {"two final line ends", lines.join('\r').toUtf8() + "\r\r", 16},
        {"not text", QByteArray(137, '\xFF'), 1},
        {"nothing", {}, 1},
        {"non-ASCII digits", withLine(3, QString::fromUtf8("００３FC000")), 4},
    };
    for (const Bad &b : bads) {
        int badLine = 0;
        EXPECT_FALSE(PresetFile::parse(b.bytes, &badLine).has_value()) << b.what;
        EXPECT_EQ(badLine, b.line) << b.what;
    }
}

TEST(PresetFile, AChosenNameGetsOneExtension)
{
    for (const auto &[chosen, saved] : {std::pair{"preset1", "preset1.txt"}, std::pair{"PRESET1.TXT", "PRESET1.TXT"},
                                        std::pair{"a.TxT", "a.TxT"}, std::pair{"b.txt.bak", "b.txt.bak.txt"}}) {
        EXPECT_EQ(PresetFile::withExtension(chosen), saved) << chosen;
    }
}

TEST(PresetFile, BothDialogsStartInTheSaveFolderAndOfferBothFolders)
{
    QTemporaryDir documents;
    ScriptedPrompts prompts;
    PresetFile presets(documents.path(), prompts);
    EXPECT_EQ(presets.saveFolder(), documents.filePath("QUELM/sombrant_mk3_folder/Preset"));
    EXPECT_EQ(presets.openFolder(), documents.filePath("QUELM/Sombrant MK3/Preset"));

    // Cancelled: the folders are made, nothing is written or said.
    EXPECT_FALSE(presets.save_preset_file(sample()));
    EXPECT_TRUE(QDir(presets.saveFolder()).exists());
    EXPECT_TRUE(QDir(presets.saveFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_FALSE(presets.open_preset_file().has_value());
    EXPECT_TRUE(QDir(presets.openFolder()).exists());
    EXPECT_EQ(prompts.dialogCaptions, QStringList({"Save Preset File", "Open Preset File"}));
    EXPECT_EQ(prompts.dialogFolders, QStringList({presets.saveFolder(), presets.saveFolder()}));
    EXPECT_EQ(prompts.dialogFilters, QStringList({"Preset files (*.txt)|*.txt", "Preset files (*.txt)|*.txt"}));
    for (const FileDialogExtras &extras : prompts.dialogExtras) {
        EXPECT_EQ(extras.sidebarFolders, QStringList({presets.saveFolder(), presets.openFolder()}));
        EXPECT_EQ(extras.defaultSuffix, "txt");
    }

    // Saved and loaded back.
    prompts.fileAnswers = {presets.saveFolder() + "/mine", presets.saveFolder() + "/mine.txt"};
    ASSERT_TRUE(presets.save_preset_file(sample()));
    EXPECT_EQ(prompts.messages.last(), "File saved successfully: " + presets.saveFolder() + "/mine.txt");
    EXPECT_EQ(readAll(presets.saveFolder() + "/mine.txt"), PresetFile::presetBytes(sample()));
    QString text;
    EXPECT_EQ(presets.open_preset_file(&text), sample());
    EXPECT_EQ(prompts.messages.last(), "File loaded successfully: " + presets.saveFolder() + "/mine.txt");
    EXPECT_EQ(text, PresetFile::presetText(sample()).replace("\r", "\r\n") + "\r\n");

    // A file that is no preset is named, with its first bad line.
    const QString other = documents.filePath("notes.txt");
    writeAll(other, "00000000\nhello\n");
    prompts.fileAnswers = {other};
    EXPECT_FALSE(presets.open_preset_file().has_value());
    EXPECT_EQ(prompts.messages.last(), "Not a preset file: " + other + " (line 2)");
    // A big file is not read whole to find that out.
    writeAll(other, PresetFile::presetBytes(sample()) + QByteArray(100000, '\n'));
    prompts.fileAnswers = {other};
    EXPECT_FALSE(presets.open_preset_file().has_value());
    EXPECT_EQ(prompts.messages.last(),
              "Not a preset file: " + other + " (it is 100137 bytes, more than the 153 expected)");
}

// A save that cannot be made leaves the preset of that name as it was.
TEST(PresetFile, AFailedSaveKeepsTheOldFile)
{
    QTemporaryDir documents;
    ScriptedPrompts prompts;
    PresetFile presets(documents.path(), prompts);
    ASSERT_TRUE(QDir().mkpath(presets.saveFolder()));
    const QString path = presets.saveFolder() + "/kept.txt";
    const QByteArray old = PresetFile::presetBytes({});
    writeAll(path, old);

    // Make the folder unwritable: by its mode, or for root by the file system.
    const bool root = ::geteuid() == 0;
    const bool locked = root ? QProcess::execute("chattr", {"+i", presets.saveFolder()}) == 0
                             : ::chmod(presets.saveFolder().toLocal8Bit().constData(), 0555) == 0;
    if (!locked)
        GTEST_SKIP() << "cannot make a folder unwritable here";
    prompts.fileAnswers = {path};
    const bool saved = presets.save_preset_file(sample());
    if (root)
        QProcess::execute("chattr", {"-i", presets.saveFolder()});
    else
        ::chmod(presets.saveFolder().toLocal8Bit().constData(), 0755);
    EXPECT_FALSE(saved);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("Error saving file: ")) << prompts.messages[0];
    EXPECT_EQ(readAll(path), old);
}

// Save and Load start where a preset last went or came from; a cancelled or
// failed dialog moves nothing, and a folder that is gone gives way to the
// save folder.
TEST(PresetFile, DialogsStartWhereAPresetLastWent)
{
    QTemporaryDir documents;
    ScriptedPrompts prompts;
    PresetFile presets(documents.path(), prompts);
    const QString save = presets.saveFolder();
    const QString old = presets.openFolder();
    const QString stick = documents.filePath("stick");
    ASSERT_TRUE(QDir().mkpath(stick));
    ASSERT_TRUE(QDir().mkpath(old));
    writeAll(old + "/older.txt", PresetFile::presetBytes(sample()));
    writeAll(stick + "/notes.txt", "not a preset");

    enum class Dialog { Save, Load };
    const struct Step {
        const char *what;
        Dialog dialog;
        QString answer;  // empty: cancelled
        QString startsIn;
    } steps[] = {
        {"first save", Dialog::Save, save + "/a.txt", save},
        {"load after a save", Dialog::Load, old + "/older.txt", save},
        {"save after loading an older preset", Dialog::Save, QString(), old},
        {"a cancelled save moves nothing", Dialog::Load, stick + "/notes.txt", old},
        {"a file that is no preset moves nothing", Dialog::Save, stick + "/b", old},
        {"saved elsewhere", Dialog::Load, QString(), stick},
    };
    for (const Step &step : steps) {
        prompts.fileAnswers = {step.answer};
        if (step.answer.isEmpty())
            prompts.fileAnswers.clear();
        if (step.dialog == Dialog::Save)
            presets.save_preset_file(sample());
        else
            presets.open_preset_file();
        EXPECT_EQ(prompts.dialogFolders.last(), step.startsIn) << step.what;
    }
    ASSERT_TRUE(QDir(stick).removeRecursively());
    presets.open_preset_file();
    EXPECT_EQ(prompts.dialogFolders.last(), save) << "the folder last used is gone";
}
