#include "prefs/WindowPlacement.h"

#include "prefs/ScrollingPage.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

QMargins ownFrame(const QWidget *window)
{
    const QWindow *handle = window ? window->windowHandle() : nullptr;
    return handle && handle->isVisible() ? handle->frameMargins() : QMargins();
}

QSize extent(const QMargins &margins)
{
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

// Places its window on every show the editor makes.
class PlaceOnShow : public QObject {
public:
    explicit PlaceOnShow(QWidget *window) : QObject(window) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWidget *>(watched);
        if (window && event->type() == QEvent::Show && !event->spontaneous()
            && window->testAttribute(Qt::WA_Moved))
            WindowPlacement::place(window, window->pos());
        return false;
    }
};

}  // namespace

QMargins WindowPlacement::frameMargins(const QWidget *window, const QWidget *reference)
{
    QMargins margins = ownFrame(window);
    if (margins.isNull())
        margins = ownFrame(reference);
    // A window manager gives the editor's windows alike frames.
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (!margins.isNull())
            break;
        if (other != window && other->isVisible())
            margins = ownFrame(other);
    }
    return margins;
}

QRect WindowPlacement::fitted(const QRect &wished, const QRect &room, const QSize &minimum)
{
    QRect frame = wished;
    frame.setWidth(std::min(frame.width(), std::max(room.width(), minimum.width())));
    frame.setHeight(std::min(frame.height(), std::max(room.height(), minimum.height())));
    // Right and bottom first, then left and top: what cannot fit keeps its
    // top-left corner (the title bar) on the screen.
    frame.moveRight(std::min(frame.right(), room.right()));
    frame.moveBottom(std::min(frame.bottom(), room.bottom()));
    frame.moveLeft(std::max(frame.left(), room.left()));
    frame.moveTop(std::max(frame.top(), room.top()));
    return frame;
}

QRect WindowPlacement::clientArea(QPoint frameTopLeft, const QSize &client, const QSize &minimum,
                                  const QMargins &margins, const QRect &room)
{
    const QSize extra = extent(margins);
    const QRect frame = fitted(QRect(frameTopLeft, client + extra), room, minimum + extra);
    return frame.marginsRemoved(margins);
}

void WindowPlacement::place(QWidget *window, QPoint frameTopLeft, const QWidget *reference)
{
    QScreen *screen = QGuiApplication::screenAt(frameTopLeft);
    if (!screen)
        screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window->move(frameTopLeft);
        return;
    }
    const QMargins margins = frameMargins(window, reference);
    const QRect room = screen->availableGeometry();
    // A fixed arrangement that can scroll takes the size the screen leaves it.
    if (auto *page = window->findChild<ScrollingPage *>(QString(), Qt::FindDirectChildrenOnly))
        page->fitInto(room.size() - extent(margins));
    // A window can shrink down to its own minimum (what its layout needs).
    const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
    QRect client = clientArea(frameTopLeft, window->size(), minimum, margins, room);
    client.setSize(client.size().expandedTo(window->minimumSize()).boundedTo(window->maximumSize()));
    if (!margins.isNull()) {
        // The client area where the frame leaves it: the frame lands at its
        // place even before the window manager has drawn it.
        window->setGeometry(client);
        return;
    }
    // No frame known anywhere yet: the frame's position is asked for. Qt
    // takes a move before the window is made as one; afterwards the
    // window's handle is told.
    window->resize(client.size());
    if (!window->testAttribute(Qt::WA_WState_Created))
        window->move(client.topLeft());
    else if (QWindow *handle = window->windowHandle(); handle && client.topLeft() != window->pos())
        handle->setFramePosition(client.topLeft());
}

void WindowPlacement::placeOnShow(QWidget *window)
{
    window->installEventFilter(new PlaceOnShow(window));
}
