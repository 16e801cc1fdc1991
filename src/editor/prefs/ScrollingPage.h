#pragma once

#include <QScrollArea>

// Carries a window's fixed arrangement of controls on a page that scrolls
// when the screen is too small to show the window whole (the parameter
// window at 2x on a small laptop screen). At full size no scroll bar shows
// and every control sits exactly where it was drawn.
class ScrollingPage : public QScrollArea {
    Q_OBJECT
public:
    // Moves the window's controls, as they are placed and stacked, onto a
    // page filling the window. Call once, after the controls are made.
    static ScrollingPage *wrap(QWidget *window);

    // The page that holds the controls.
    QWidget *content() const { return widget(); }

    // Puts `panel` to the right of the page, at its fixed width, and widens
    // the window by it; the page stays as it is. Call once, after wrap().
    void addBeside(QWidget *panel);

    // Makes the window as large as its page and the panel beside it, or,
    // where `room` (the client area a screen leaves) is smaller, as large as
    // `room` with scroll bars for the rest of the page.
    void fitInto(const QSize &room);

private:
    explicit ScrollingPage(QWidget *window);

    // The fixed width of the panel beside the page; 0 for none.
    int m_besideWidth = 0;
};
