#pragma once

#include <QAccessibleWidget>

class RotaryDial;

// What assistive technology sees of a RotaryDial: a dial whose value is the
// travel position 0..269, the minimum at 0, and whose value text is the one
// the dial shows ("62%"). An angle in the dead zone reads as the end it would
// snap to. The name is the owner's accessible name; a display-only dial is
// read-only.
class RotaryDialAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit RotaryDialAccessible(RotaryDial *rotary);

    // Makes QAccessible build this interface for every RotaryDial. Safe to
    // call any number of times; the factory is installed once.
    static void installFactory();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType t) override;

    QVariant currentValue() const override;
    // Sets the angle at that position (clamped to the travel). A disabled or
    // display-only dial refuses, as it refuses the mouse and the keyboard.
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    RotaryDial *rotaryDial() const;
};
