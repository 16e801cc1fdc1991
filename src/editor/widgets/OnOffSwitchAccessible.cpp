#include "widgets/OnOffSwitchAccessible.h"

#include "widgets/OnOffSwitch.h"

namespace {

QAccessibleInterface *onOffSwitchFactory(const QString &className, QObject *object)
{
    // Asked for the switch's own class first, before Qt's button interface.
    if (className == QLatin1String(OnOffSwitch::staticMetaObject.className()))
        if (auto *onOff = qobject_cast<OnOffSwitch *>(object))
            return new OnOffSwitchAccessible(onOff);
    return nullptr;
}

}  // namespace

OnOffSwitchAccessible::OnOffSwitchAccessible(OnOffSwitch *onOff)
    : QAccessibleWidget(onOff, QAccessible::CheckBox)
{
}

void OnOffSwitchAccessible::installFactory()
{
    static const bool installed = (QAccessible::installFactory(onOffSwitchFactory), true);
    Q_UNUSED(installed);
}

OnOffSwitch *OnOffSwitchAccessible::onOffSwitch() const { return static_cast<OnOffSwitch *>(widget()); }

QAccessible::State OnOffSwitchAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = onOffSwitch()->isChecked();
    return state;
}

QString OnOffSwitchAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return onOffSwitch()->isChecked() ? QStringLiteral("On") : QStringLiteral("Off");
    return QAccessibleWidget::text(t);
}

QStringList OnOffSwitchAccessible::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (onOffSwitch()->isEnabled())
        names.prepend(toggleAction());
    return names;
}

void OnOffSwitchAccessible::doAction(const QString &actionName)
{
    // A disabled switch refuses, as it refuses the mouse and the keyboard.
    if (actionName == toggleAction() || actionName == pressAction()) {
        if (onOffSwitch()->isEnabled())
            onOffSwitch()->click();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}
