#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

class QWidget;

// Tells one gesture of the hand on a control from the next, so that the
// changes of one drag, one run of a held key or one spin of the wheel are
// undone as one step. A press of the mouse or of a key (not its repeats)
// starts a gesture; wheel turns belong to the last one while they follow
// each other closely.
class GestureTracker : public QObject {
    Q_OBJECT
public:
    // Wheel turns further apart than this start a new gesture.
    static constexpr int WheelRunMs = 400;

    explicit GestureTracker(QObject *parent = nullptr) : QObject(parent) {}

    void watch(QWidget *control);
    // The gesture the control's latest change belongs to; never 0.
    int gesture(const QWidget *control) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int next() { return ++m_count; }

    QHash<const QObject *, int> m_gestures;
    QHash<const QObject *, QElapsedTimer> m_lastWheel;
    int m_count = 0;
};
