#pragma once

#include "params/ParameterSlots.h"
#include "params/PresetFolders.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

class UserPrompts;
struct FileDialogExtras;

// A preset on the computer: the fifteen parameter values in slot order, one
// per line as eight upper-case hexadecimal digits, lines separated by a
// carriage return, UTF-8 with its byte-order mark: 137 bytes in all.
//
// Saving goes through a temporary file, so a failed save leaves an older
// preset of that name whole. Loading believes a file only when all of it is
// a preset; anything else is named and changes nothing.
//
// Both dialogs start where a preset was last saved or loaded through this
// object (PresetFolders): whoever keeps it for the run keeps that folder.
class PresetFile {
public:
    using Values = std::array<std::uint32_t, ParameterSlotCount>;

    static constexpr const char *Filter = "Preset files (*.txt)|*.txt";
    // The largest preset file read: the byte-order mark and fifteen lines of
    // eight digits, each ended by CR LF. A larger file is no preset and is
    // refused unread.
    static constexpr qint64 MaxFileBytes = 3 + ParameterSlotCount * (8 + 2);

    // documents: the Documents folder the settings folders live in.
    PresetFile(QString documents, UserPrompts &prompts);

    // Where presets are saved: <Documents>/QUELM/sombrant_mk3_folder/Preset.
    QString saveFolder() const { return m_folders.saveFolder(); }
    // Where earlier editors looked for them: <Documents>/QUELM/Sombrant MK3/Preset.
    QString openFolder() const { return m_folders.openFolder(); }
    const PresetFolders &folders() const { return m_folders; }

    // The file's text: values as hex lines joined by CR, without the mark.
    static QString presetText(const Values &values);
    // The bytes written: the byte-order mark, then the text.
    static QByteArray presetBytes(const Values &values);
    // The values of a preset file's bytes: fifteen lines of exactly eight
    // hexadecimal digits (either case), separated by CR, LF or CR LF, with an
    // optional byte-order mark and final line end. nullopt otherwise, with
    // the 1-based number of the first line that is not right.
    static std::optional<Values> parse(const QByteArray &bytes, int *badLine = nullptr);
    // The values of the preset file at `path`, read only when it is a
    // regular file of at most MaxFileBytes; nullopt with *error naming the
    // file and what is wrong ("Error loading file: ...", "Not a preset file:
    // ..."). *bytes gets what was read.
    static std::optional<Values> readFile(const QString &path, QString *error, QByteArray *bytes = nullptr);
    // A name chosen without ".txt" (in any letter case) gets it.
    static QString withExtension(const QString &fileName);

    // Writes the file through a temporary one, every step checked; false
    // with *error naming the file and what went wrong (an older file of that
    // name is then unchanged).
    static bool write(const QString &path, const Values &values, QString *error);

    // Whether a success is told in a box too; a failure always is. A list
    // that loads on a click says nothing when all went well: the user is
    // going through presets by ear, and a box at each would stop them.
    enum class Tell { Always, FailuresOnly };

    // Asks for a name in the save dialog and writes the preset, telling the
    // user how it went. False when cancelled or failed.
    bool save_preset_file(const Values &values);
    // Asks for a file in the open dialog and reads it, telling the user how
    // it went; nullopt when cancelled or the file is not a preset. *text gets
    // the file's lines joined by CR LF, the last one included.
    std::optional<Values> open_preset_file(QString *text = nullptr);

    // What the save dialog does once a file is chosen, for a name given
    // without it: the preset goes to <save folder>/<name>.txt. A name that
    // is empty, holds a path separator or cannot be a file name anywhere is
    // refused with the reason (RefusedNameText); a preset of that name is
    // replaced only when the user says Yes to ReplaceQuestion. False when
    // refused, declined or failed.
    bool save_preset_as(const QString &name, const Values &values, Tell tell = Tell::Always);
    // What the open dialog does once a file is chosen, for the file at
    // `path`: the same checks, messages and *text.
    std::optional<Values> load_preset_from(const QString &path, QString *text = nullptr, Tell tell = Tell::Always);

    // Why `name` cannot name a preset; empty when it can. The name is taken
    // as typed, without ".txt"; surrounding spaces are not part of it.
    static QString nameProblem(const QString &name);
    // The longest name taken, well inside every file system's limit.
    static constexpr int MaxNameLength = 100;
    static constexpr const char *RefusedNameText = "Cannot save a preset named \"%1\": %2.";
    static constexpr const char *ReplaceQuestion = "A preset named \"%1\" is there already. Replace it?";

private:
    // Writes the preset at `path` (absolute, with its extension) and tells
    // how it went; where a preset was saved is where the dialogs start next.
    bool saveTo(const QString &path, const Values &values, Tell tell);
    // Makes the folders where missing; false when one cannot be made (the
    // user has been told).
    bool makeFolders(const QStringList &folders);
    FileDialogExtras dialogExtras() const;

    PresetFolders m_folders;
    UserPrompts &m_prompts;
};
