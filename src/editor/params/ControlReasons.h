#pragma once

#include <QHash>
#include <QString>

class QWidget;

// Tool tips that say why a control cannot be used now: its own hint, then
// the reason on a line of its own. Each control's hint is taken the first
// time it is given a reason, and stands alone again when the reason goes.
class ControlReasons {
public:
    // `why` empty: the control shows its hint only.
    void say(QWidget *control, const QString &why);

    static constexpr const char *NoPedal =
        "No pedal is connected: choose Connection → Connect in the main window.";
    static constexpr const char *NotRead =
        "The pedal's algorithm is not known yet: press Request in the main window.";
    static constexpr const char *ShownFromPedal =
        "Shown from the pedal: its own controls set this value.";
    // Beside the values the store message carries, while edited.
    static constexpr const char *EditedNotStored =
        "Edited, not stored: Save Parameters stores it on the pedal.";
    // Beside every other value.
    static constexpr const char *NotKept =
        "The pedal does not keep this value: Save Parameters stores only Input Level, 1st Harmonic Pitch, "
        "Wave Clip, Dominant Notes Cut and High Notes Cut.";
    // "Assigned to Control I: …"
    static QString assignedTo(const QString &control);

private:
    QHash<const QWidget *, QString> m_hints;
};
