#include "params/GestureTracker.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

void GestureTracker::watch(QWidget *control)
{
    control->installEventFilter(this);
    m_gestures.insert(control, next());
}

int GestureTracker::gesture(const QWidget *control) const
{
    return m_gestures.value(control, 0);
}

bool GestureTracker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_gestures.insert(watched, next());
        break;
    case QEvent::KeyPress:
        if (!static_cast<QKeyEvent *>(event)->isAutoRepeat())
            m_gestures.insert(watched, next());
        break;
    case QEvent::Wheel: {
        QElapsedTimer &last = m_lastWheel[watched];
        if (!last.isValid() || last.elapsed() > WheelRunMs)
            m_gestures.insert(watched, next());
        last.start();
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
