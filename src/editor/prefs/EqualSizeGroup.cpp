#include "prefs/EqualSizeGroup.h"

#include <QEvent>
#include <QWidget>

EqualSizeGroup::EqualSizeGroup(const QList<QWidget *> &widgets, QSize minimum, QObject *parent)
    : QObject(parent), m_widgets(widgets), m_minimum(minimum)
{
    for (QWidget *widget : m_widgets)
        widget->installEventFilter(this);
    update();
}

void EqualSizeGroup::update()
{
    QSize size = m_minimum;
    for (QWidget *widget : std::as_const(m_widgets))
        size = size.expandedTo(widget->sizeHint());
    for (QWidget *widget : std::as_const(m_widgets))
        if (widget->minimumSize() != size || widget->maximumSize() != size)
            widget->setFixedSize(size);
}

bool EqualSizeGroup::eventFilter(QObject *watched, QEvent *event)
{
    // A new look re-polishes every widget and then tells each of the change;
    // the group follows once per widget, the last time with all polished.
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        update();
    return QObject::eventFilter(watched, event);
}
