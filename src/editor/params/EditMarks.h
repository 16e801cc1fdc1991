#pragma once

#include "params/ParameterSlots.h"

#include <QObject>
#include <array>

class EditSession;
class EditedMark;
class ParameterControls;
class QWidget;

// What the parameter window shows of its edits: a dot before the caption of
// each value that is edited and not stored, " *" after the window's title
// while any is, and the compare button with the line that says which sound
// plays. The title is the main window's to give (the effect's name); the
// marker follows whatever it is.
class EditMarks : public QObject {
    Q_OBJECT
public:
    static constexpr const char *TitleMarker = " *";
    static constexpr const char *HearingEdited = "Hearing: edited sound";
    static constexpr const char *HearingStored = "Hearing: stored sound";

    // Makes the dots beside `controls`' captions, in `window`.
    EditMarks(QWidget &window, ParameterControls &controls, const EditSession &edits);

    // Shows the edits as they are now; compare can be used when `canCompare`.
    void show(bool canCompare);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void markTitle();

    QWidget &m_window;
    ParameterControls &m_controls;
    const EditSession &m_edits;
    std::array<EditedMark *, ParameterSlotCount> m_marks{};
};
