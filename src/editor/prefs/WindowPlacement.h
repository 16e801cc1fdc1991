#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;

// Windows the editor places itself (the Debug Console at the right of the
// screen, the parameter window beside the main window) are kept inside the
// available area of the screen they are placed on, whatever its size and
// scale: moved in where they would stick out, and made no larger than the
// area. A fixed arrangement on a ScrollingPage scrolls instead of shrinking;
// any other window that cannot shrink is moved so that its title bar and left
// edge stay reachable.
class WindowPlacement {
public:
    // Places `window` with its frame's top-left corner at `frameTopLeft`, or
    // as near to it as the screen there (the window's own screen when no
    // screen holds the point) allows. `reference`, a window already shown,
    // lends its frame margins while `window` has no frame of its own yet.
    static void place(QWidget *window, QPoint frameTopLeft, const QWidget *reference = nullptr);

    // The geometry part of place(): a frame of `wished` geometry in `room`,
    // no larger than `room` where `minimum` allows, then moved inside.
    static QRect fitted(const QRect &wished, const QRect &room, const QSize &minimum);

    // The frame around the window's client area: its own once it has been
    // shown, otherwise the reference's, otherwise none.
    static QMargins frameMargins(const QWidget *window, const QWidget *reference);
};
