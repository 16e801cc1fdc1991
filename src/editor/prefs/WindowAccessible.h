#pragma once

#include <QAccessibleWidget>

// What assistive technology sees of our windows made straight from QWidget
// (the Debug Console, the parameter window, the firmware upgrade and
// new-version windows): a window, named by its title. Qt would otherwise
// present them as bare client areas.
class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget *window);

    // Makes QAccessible build this interface for those windows. Safe to call
    // any number of times; the factory is installed once.
    static void installFactory();
};
