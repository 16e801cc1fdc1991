#include "params/ControlReasons.h"

#include <QWidget>

void ControlReasons::say(QWidget *control, const QString &why)
{
    if (!control)
        return;
    auto hint = m_hints.constFind(control);
    if (hint == m_hints.constEnd())
        hint = m_hints.insert(control, control->toolTip());
    if (why.isEmpty())
        control->setToolTip(*hint);
    else
        control->setToolTip(hint->isEmpty() ? why : *hint + QLatin1Char('\n') + why);
}

QString ControlReasons::assignedTo(const QString &control)
{
    return QStringLiteral("Assigned to %1: the pedal's %1 sets it. Choose Not Assigned in the %1 list to set "
                          "it here.")
        .arg(control);
}
