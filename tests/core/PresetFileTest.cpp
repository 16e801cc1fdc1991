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

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    EXPECT_EQ(prompts.messages.last(), "File saved successfully: " + QDir::toNativeSeparators(presets.saveFolder() + "/mine.txt"));
    EXPECT_EQ(readAll(presets.saveFolder() + "/mine.txt"), PresetFile::presetBytes(sample()));
    QString text;
    EXPECT_EQ(presets.open_preset_file(&text), sample());
    EXPECT_EQ(prompts.messages.last(), "File loaded successfully: " + QDir::toNativeSeparators(presets.saveFolder() + "/mine.txt"));
    EXPECT_EQ(text, PresetFile::presetText(sample()).replace("\r", "\r\n") + "\r\n");

    // A file that is no preset is named, with its first bad line.
    const QString other = documents.filePath("notes.txt");
    writeAll(other, "00000000\nhello\n");
    prompts.fileAnswers = {other};
    EXPECT_FALSE(presets.open_preset_file().has_value());
    EXPECT_EQ(prompts.messages.last(), "Not a preset file: " + QDir::toNativeSeparators(other) + " (line 2)");
    // A big file is not read whole to find that out.
    writeAll(other, PresetFile::presetBytes(sample()) + QByteArray(100000, '\n'));
    prompts.fileAnswers = {other};
    EXPECT_FALSE(presets.open_preset_file().has_value());
    EXPECT_EQ(prompts.messages.last(),
              "Not a preset file: " + QDir::toNativeSeparators(other) + " (it is 100137 bytes, more than the 153 expected)");
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

#ifdef Q_OS_UNIX
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
#else
    // Windows lets anyone write into a folder marked read-only; the file's
    // own read-only mark is what keeps it.
    const QFile::Permissions writable = QFile::permissions(path);
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther));
    prompts.fileAnswers = {path};
    const bool saved = presets.save_preset_file(sample());
    QFile::setPermissions(path, writable);
#endif
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

// A name typed into the browser: refused with the reason, asked about when
// a preset of that name is there, and written as the save dialog writes.
TEST(PresetFile, SaveAsChecksTheNameAndAsksBeforeReplacing)
{
    QTemporaryDir documents;
    ScriptedPrompts prompts;
    PresetFile presets(documents.path(), prompts);
    const struct {
        QString name;
        const char *reason;
    } refused[] = {
        {"", "a name is needed"},
        {"   ", "a name is needed"},
        {"../Crunch", "a name cannot hold / or \\; presets go to the preset folder"},
        {"sub/Crunch", "a name cannot hold / or \\; presets go to the preset folder"},
        {"C:\\Crunch", "a name cannot hold / or \\; presets go to the preset folder"},
        {".Crunch", "a name cannot start with a dot"},
        {"Crunch?", "a name cannot hold ?"},
        {"Cr\nunch", "a name cannot hold control characters"},
        {QString(PresetFile::MaxNameLength + 1, 'x'), "a name has at most 100 characters"},
    };
    for (const auto &r : refused) {
        prompts.clearBoxes();
        EXPECT_FALSE(presets.save_preset_as(r.name, sample())) << r.name.toStdString();
        EXPECT_EQ(prompts.messages, QStringList(QString("Cannot save a preset named \"%1\": %2.").arg(r.name, r.reason)));
    }
    EXPECT_TRUE(QDir(presets.saveFolder()).entryList(QDir::Files).isEmpty()) << "nothing written";
    EXPECT_TRUE(prompts.questions.isEmpty());

    // A new name: written, told only when asked to.
    prompts.clearBoxes();
    const QString path = presets.saveFolder() + "/Crunch.txt";
    ASSERT_TRUE(presets.save_preset_as(" Crunch ", sample(), PresetFile::Tell::FailuresOnly));
    EXPECT_EQ(readAll(path), PresetFile::presetBytes(sample()));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.questions.isEmpty());

    // The same name again: asked; No keeps the file, Yes replaces it.
    prompts.yesNoAnswers = {false, true};
    EXPECT_FALSE(presets.save_preset_as("Crunch", {}));
    EXPECT_EQ(readAll(path), PresetFile::presetBytes(sample()));
    EXPECT_TRUE(presets.save_preset_as("Crunch.txt", {}));
    EXPECT_EQ(readAll(path), PresetFile::presetBytes({}));
    EXPECT_EQ(prompts.questions, QStringList(2, "A preset named \"Crunch\" is there already. Replace it?"));
    EXPECT_EQ(prompts.messages, QStringList({"File saved successfully: " + QDir::toNativeSeparators(path)}));
    // Where it went is where the dialogs start next.
    presets.open_preset_file();
    EXPECT_EQ(prompts.dialogFolders.last(), presets.saveFolder());
}

// A file given by the browser loads exactly as the same file chosen in the
// open dialog: the values, the text logged, the messages and the folder the
// next dialog starts in.
TEST(PresetFile, LoadFromAPathIsTheDialogsLoad)
{
    QTemporaryDir documents;
    const QString stick = documents.filePath("stick");
    ASSERT_TRUE(QDir().mkpath(stick));
    QString text = PresetFile::presetText(sample());
    const struct {
        const char *file;
        QByteArray bytes;  // empty: no file there
    } files[] = {
        {"as written.txt", PresetFile::presetBytes(sample())},
        {"lf.txt", QString(text).replace('\r', '\n').toLatin1() + "\n"},
        {"bad.txt", "00000000\nhello\n"},
        {"big.txt", PresetFile::presetBytes(sample()) + QByteArray(1000, '\n')},
        {"gone.txt", {}},
    };
    for (const auto &f : files) {
        const QString path = stick + "/" + f.file;
        if (!f.bytes.isEmpty())
            writeAll(path, f.bytes);
        ScriptedPrompts byDialog, byPath;
        PresetFile dialog(documents.path(), byDialog), browser(documents.path(), byPath);
        byDialog.fileAnswers = {path};
        QString dialogText, pathText;
        const auto fromDialog = dialog.open_preset_file(&dialogText);
        const auto fromPath = browser.load_preset_from(path, &pathText);
        EXPECT_EQ(fromPath, fromDialog) << f.file;
        EXPECT_EQ(pathText, dialogText) << f.file;
        EXPECT_EQ(byPath.messages, byDialog.messages) << f.file;
        dialog.open_preset_file();
        browser.open_preset_file();
        EXPECT_EQ(byPath.dialogFolders.last(), byDialog.dialogFolders.last()) << f.file;
    }
    // Told or not, as asked; a failure always is.
    ScriptedPrompts prompts;
    PresetFile presets(documents.path(), prompts);
    QString quietText;
    EXPECT_EQ(presets.load_preset_from(stick + "/as written.txt", &quietText, PresetFile::Tell::FailuresOnly),
              sample());
    EXPECT_EQ(quietText, text.replace("\r", "\r\n") + "\r\n");
    EXPECT_FALSE(presets.load_preset_from(stick + "/bad.txt", nullptr, PresetFile::Tell::FailuresOnly));
    EXPECT_EQ(prompts.messages, QStringList({"Not a preset file: " + QDir::toNativeSeparators(stick + "/bad.txt") + " (line 2)"}));
    presets.open_preset_file();
    EXPECT_EQ(prompts.dialogFolders.last(), stick) << "a quiet load moves the dialogs too";
}
