#pragma once

#include <QObject>

class QWidget;

// Keeps the fonts windows give their children while looks come and go.
//
// Under an application style sheet Qt stops handing a widget's font down to
// its children by itself: a child made inside a container the style sheet has
// already polished (the parameter window's tracking group), and every
// inherited font once the style sheet changes, falls back to the
// application's font, and captions drawn for a compact face are cut. So each
// widget that has no font of its own is given its parent's, top-down, when its
// window is shown and after every change of look. Fonts set by the program
// itself are left alone.
class InheritedFonts : public QObject {
    Q_OBJECT
public:
    // Watches the application for windows being shown. Safe to call any
    // number of times; the watcher is installed once.
    static void install();
    // Hands fonts down below `window`.
    static void passDown(QWidget *window);
    // Hands fonts down in every top-level window.
    static void passDownEverywhere();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
