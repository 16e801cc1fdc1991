#pragma once

#include "app/UserPrompts.h"

#include <QStringList>
#include <deque>
#include <functional>

// Records every prompt's text and answers from a script. A Yes/No box with no
// scripted answer answers Yes; a file dialog with none is cancelled.
class ScriptedPrompts final : public UserPrompts {
public:
    void showMessage(const QString &text) override;
    // A failure box: its text joins `messages` and its detail `details`.
    void showFailure(const QString &text, const QString &detail) override;
    bool askYesNo(const QString &text) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter,
                         const FileDialogExtras &extras) override;
    QString saveFileName(const QString &caption, const QString &folder, const QString &filter,
                         const FileDialogExtras &extras) override;

    // Forgets every box shown so far.
    void clearBoxes()
    {
        messages.clear();
        details.clear();
        boxes.clear();
        failures.clear();
    }

    QStringList messages;      // texts of the information and failure boxes, in order
    QStringList details;       // detail lines of the failure boxes, in order
    QStringList boxes;         // every box whole: a failure's detail after a blank line
    QStringList failures;      // texts of the failure boxes alone, in order
    QStringList questions;     // texts of the Yes/No boxes, in order
    QStringList dialogFolders; // folders the file dialogs opened in
    QStringList dialogCaptions;
    QStringList dialogFilters;
    QList<FileDialogExtras> dialogExtras;
    std::deque<bool> yesNoAnswers;
    std::deque<QString> fileAnswers;
    // Called while an information box is "open", e.g. to check what a nested
    // handler sees.
    std::function<void(const QString &)> onMessage;
};
