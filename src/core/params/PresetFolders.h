#pragma once

#include <QString>
#include <QStringList>

// Where the preset dialogs open. Presets are saved below
// <Documents>/QUELM/sombrant_mk3_folder/Preset; earlier editors looked for
// them in <Documents>/QUELM/Sombrant MK3/Preset. Save and Load both start in
// the folder a preset was last saved to or loaded from, the save folder at
// first, and both offer the two folders beside it: a preset just saved is
// where Load looks, and the older ones stay one click away.
//
// The last folder is kept for the run only: a new start begins in the save
// folder again, and no file is written for it.
class PresetFolders {
public:
    // documents: the Documents folder the settings folders live in.
    explicit PresetFolders(QString documents);

    // <Documents>/QUELM/sombrant_mk3_folder/Preset
    QString saveFolder() const;
    // <Documents>/QUELM/Sombrant MK3/Preset
    QString openFolder() const;
    // The two folders, the save folder first: made before a dialog opens and
    // offered beside the one it starts in.
    QStringList both() const;

    // Where the next dialog starts: the folder last used while it still
    // exists, else the save folder.
    QString startFolder() const;
    // A preset was written to or read from filePath: its folder is where the
    // next dialog starts.
    void used(const QString &filePath);

private:
    QString m_documents;
    QString m_lastFolder;
};
