#pragma once

#include <QAccessibleWidget>

class OnOffSwitch;

// What assistive technology sees of an OnOffSwitch: a check box named by its
// owner's accessible name (the label beside it), whose value reads "On" or
// "Off", and which can be toggled as a click does.
class OnOffSwitchAccessible : public QAccessibleWidget {
public:
    explicit OnOffSwitchAccessible(OnOffSwitch *onOff);

    // Makes QAccessible build this interface for every OnOffSwitch. Safe to
    // call any number of times; the factory is installed once.
    static void installFactory();

    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    OnOffSwitch *onOffSwitch() const;
};
