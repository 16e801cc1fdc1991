#include "widgets/RotaryDialAccessible.h"

#include "params/DialMapping.h"
#include "widgets/RotaryDial.h"

namespace {

QAccessibleInterface *rotaryDialFactory(const QString &className, QObject *object)
{
    // QAccessible asks once per class up the object's class chain; answering
    // only for the dial's own class leaves every other widget to Qt.
    if (className == QLatin1String(RotaryDial::staticMetaObject.className()))
        if (auto *dial = qobject_cast<RotaryDial *>(object))
            return new RotaryDialAccessible(dial);
    return nullptr;
}

}  // namespace

RotaryDialAccessible::RotaryDialAccessible(RotaryDial *rotary)
    : QAccessibleWidget(rotary, QAccessible::Dial)
{
}

void RotaryDialAccessible::installFactory()
{
    static const bool installed = (QAccessible::installFactory(rotaryDialFactory), true);
    Q_UNUSED(installed);
}

RotaryDial *RotaryDialAccessible::rotaryDial() const { return static_cast<RotaryDial *>(widget()); }

QString RotaryDialAccessible::text(QAccessible::Text t) const
{
    // In the guitarist's words, as the dial shows it.
    if (t == QAccessible::Value)
        return rotaryDial()->valueText();
    return QAccessibleWidget::text(t);
}

QAccessible::State RotaryDialAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (rotaryDial()->isDisplayOnly()) {
        state.readOnly = true;
        state.focusable = false;
    }
    return state;
}

void *RotaryDialAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
}

QVariant RotaryDialAccessible::currentValue() const
{
    return dial::position(snap_dial_angle(rotaryDial()->angle()));
}

void RotaryDialAccessible::setCurrentValue(const QVariant &value)
{
    if (!rotaryDial()->isEnabled() || rotaryDial()->isDisplayOnly())
        return;
    rotaryDial()->setAngle(dial::angleAt(value.toInt()));
}

QVariant RotaryDialAccessible::maximumValue() const { return dial::LastPosition; }

QVariant RotaryDialAccessible::minimumValue() const { return 0; }

QVariant RotaryDialAccessible::minimumStepSize() const { return 1; }
