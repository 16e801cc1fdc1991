#pragma once

#include "app/PedalCommandList.h"

#include <QObject>
#include <QString>

class PedalResult;
class QLabel;
class QStatusBar;

// The main window's status line: what to do next at each stage of the link,
// and one line for what each command that writes to the pedal came to. Hints
// of hovered menu items show over it for a moment, as status bars do.
class StatusLine : public QObject {
public:
    // Owned by the bar.
    explicit StatusLine(QStatusBar *bar);

    // What to do next, now that the link is at `stage`.
    void guide(PedalCommandList::Stage stage);
    // The pedal was unplugged (or stopped answering) and is closed.
    void pedalGone();
    // What a command came to: `done` when it was done, else its reason.
    void report(const PedalResult &result, const QString &done);
    // Says `text` as it is.
    void say(const QString &text);

    // The whole line, as said (the label may show it cut short).
    QString text() const;

    static QString guidance(PedalCommandList::Stage stage);
    // An effect opened with no pedal to send its parameters to.
    static constexpr const char *ParametersWithoutPedal =
        "No pedal is connected, so the parameters cannot be changed yet: choose Connection → Connect.";
    static constexpr const char *GoneText =
        "The pedal stopped answering or was unplugged. Plug it in and choose Connection → Connect.";

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Shows the text in the label's width.
    void fit();

    QLabel *m_label;
    QString m_text;
    // The pedal has gone since the last guidance.
    bool m_gone = false;
};
