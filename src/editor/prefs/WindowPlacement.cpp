#include "prefs/WindowPlacement.h"

#include "prefs/ScrollingPage.h"

#include <QGuiApplication>
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

}  // namespace

QMargins WindowPlacement::frameMargins(const QWidget *window, const QWidget *reference)
{
    const QMargins own = ownFrame(window);
    return own.isNull() ? ownFrame(reference) : own;
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
    const QSize extra(margins.left() + margins.right(), margins.top() + margins.bottom());
    const QRect room = screen->availableGeometry();
    // A fixed arrangement that can scroll takes the size the screen leaves it.
    if (auto *page = window->findChild<ScrollingPage *>(QString(), Qt::FindDirectChildrenOnly))
        page->fitInto(room.size() - extra);
    const QRect wished(frameTopLeft, window->size() + extra);
    // A window can shrink down to its own minimum (what its layout needs).
    const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize()) + extra;
    const QRect frame = fitted(wished, room, minimum);
    const QSize client = frame.size() - extra;
    if (client != window->size())
        window->resize(client.expandedTo(window->minimumSize()).boundedTo(window->maximumSize()));
    window->move(frame.topLeft());
}
