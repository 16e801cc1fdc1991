#pragma once

#include "app/UserPrompts.h"

class QWidget;

// The prompts as real dialogs, owned by the active window.
class WidgetPrompts final : public UserPrompts {
public:
    // Boxes show the ordinary pointer, whatever wait set the busy one.
    void showMessage(const QString &text) override;
    // A warning box: the plain words, and the driver's below them.
    void showFailure(const QString &text, const QString &detail) override;
    bool askYesNo(const QString &text) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter,
                         const FileDialogExtras &extras) override;
    QString saveFileName(const QString &caption, const QString &folder, const QString &filter,
                         const FileDialogExtras &extras) override;

    // "Dat files (*.dat)|*.dat" → "Dat files (*.dat)": the descriptions of a
    // "description|pattern|..." filter, one per line as Qt's dialogs want them.
    static QString toQtFilter(const QString &filter);
};
