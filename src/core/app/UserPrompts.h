#pragma once

#include <QString>
#include <QStringList>

// What a file dialog offers beyond its caption, folder and filter.
struct FileDialogExtras {
    QString defaultSuffix;        // added to a name typed without one ("txt")
    QStringList sidebarFolders;   // folders offered beside the starting one
};

// Whether a command asks its own question before it writes the pedal's
// memory, or its caller has asked one that covers it (a restore asks once
// for everything it writes back).
enum class Confirmation { Ask, Given };

// The user-prompt seam: message boxes, Yes/No boxes and file dialogs. The
// editor shows real dialogs, the command-line tool writes to standard error,
// and tests script the answers and record every text.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // An information box with one OK button; returns when it is dismissed.
    virtual void showMessage(const QString &text) = 0;
    // A failure box with one OK button: `text` says in plain words what
    // happened and what to do, `detail` gives the driver's own words (its
    // call and status) below it. Returns when it is dismissed.
    virtual void showFailure(const QString &text, const QString &detail) = 0;
    // A Yes/No box; true for Yes.
    virtual bool askYesNo(const QString &text) = 0;
    // File dialogs; an empty text means the user cancelled. filter is written
    // "Description (*.ext)|*.ext": description and pattern pairs split by "|".
    virtual QString openFileName(const QString &caption, const QString &folder,
                                 const QString &filter, const FileDialogExtras &extras = {}) = 0;
    virtual QString saveFileName(const QString &caption, const QString &folder,
                                 const QString &filter, const FileDialogExtras &extras = {}) = 0;
};
