#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;

// Windows the editor places itself (the main window and the new-version
// window where they were designed, the Debug Console at the right of the
// screen, the parameter window beside the main window) are placed by their
// frames, title bar included, inside the available area of the screen they
// are placed on, whatever its size and scale: moved in where they would
// stick out, and made no larger than the area. A fixed arrangement on a
// ScrollingPage scrolls instead of shrinking; any other window that cannot
// shrink is moved so that its title bar and left edge stay reachable.
//
// Under a window manager a window's frame is known only once it is shown;
// until then the frame of a window already shown stands in for it. The
// client area is then put where that frame leaves it, so the title bar lands
// inside the screen rather than above it.
class WindowPlacement {
public:
    // Places `window` with its frame's top-left corner at `frameTopLeft`, or
    // as near to it as the screen there (the window's own screen when no
    // screen holds the point) allows. `reference`, a window already shown,
    // lends its frame margins while `window` has no frame of its own yet;
    // without one any visible window of the editor does.
    static void place(QWidget *window, QPoint frameTopLeft, const QWidget *reference = nullptr);

    // Keeps `window` placed each time it is shown (not when the desktop
    // restores it): from where it was designed or left, by place(). Only a
    // window with a position of its own: one the window manager places is
    // left to it.
    static void placeOnShow(QWidget *window);

    // The geometry part of place(): a frame of `wished` geometry in `room`,
    // no larger than `room` where `minimum` allows, then moved inside.
    static QRect fitted(const QRect &wished, const QRect &room, const QSize &minimum);

    // The client area that puts a frame with `margins` at `frameTopLeft`
    // inside `room`: place() without a window. `client` and `minimum` are
    // client sizes.
    static QRect clientArea(QPoint frameTopLeft, const QSize &client, const QSize &minimum,
                            const QMargins &margins, const QRect &room);

    // The frame around the window's client area: its own once it has been
    // shown, otherwise the reference's, otherwise that of any visible
    // top-level window, otherwise none.
    static QMargins frameMargins(const QWidget *window, const QWidget *reference);
};
