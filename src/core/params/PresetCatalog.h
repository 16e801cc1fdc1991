#pragma once

#include "params/PresetFolders.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// One preset file as the list shows it: nothing of it is read.
struct PresetEntry {
    QString name;        // the file's name without ".txt"
    QString path;        // absolute
    QDateTime modified;  // when it was last written
};

// The presets of both preset folders, newest first, for a list to show.
//
// A listing looks only at the folders' entries: a preset is a regular file
// (or a link to one) whose name ends in ".txt" in any letter case and whose
// size a preset can have (PresetFile::MaxFileBytes). Folders, pipes, devices,
// hidden files and larger files are left out. Nothing is opened, so a file
// that is no preset inside is listed and refused when it is loaded, as the
// open dialog would.
//
// Bounded: at most MaxScanned entries of each folder are looked at, and the
// MaxEntries newest presets are kept. A guitarist keeps tens of presets, a
// busy one a few hundred; a folder with more than a thousand is most likely
// not a preset folder at all (a Documents folder pointed at by mistake), and
// a list that long would be rebuilt at every change of the folder.
class PresetCatalog {
public:
    static constexpr int MaxEntries = 1000;
    static constexpr int MaxScanned = 20000;

    explicit PresetCatalog(PresetFolders folders);

    // The save folder, then the folder of earlier editors.
    QStringList folders() const { return m_folders.both(); }
    QString saveFolder() const { return m_folders.saveFolder(); }

    // The presets as the folders hold them now, newest first; two of the
    // same age by name, letter case aside, then in folder order. A folder
    // that does not exist has none. *capped tells whether presets were left
    // out by the bounds.
    QList<PresetEntry> scan(bool *capped = nullptr) const;
    // The entries whose name holds `text`, letter case aside; all of them
    // for an empty text. Order is kept.
    static QList<PresetEntry> filtered(const QList<PresetEntry> &entries, const QString &text);

private:
    PresetFolders m_folders;
};
