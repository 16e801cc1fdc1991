#include "prefs/ScrollingPage.h"

#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

ScrollingPage::ScrollingPage(QWidget *window) : QScrollArea(window)
{
    setObjectName(QStringLiteral("scrollingPage"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    // Tab moves among the controls; the page follows the focus by itself.
    setFocusPolicy(Qt::NoFocus);
}

ScrollingPage *ScrollingPage::wrap(QWidget *window)
{
    const QList<QWidget *> controls = window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    auto *scroller = new ScrollingPage(window);
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("page"));
    page->setFixedSize(window->size());
    scroller->setWidget(page);
    // Within the same window, so the order of the focus chain is kept.
    for (QWidget *control : controls)
        if (!control->isWindow())
            control->setParent(page);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);
    return scroller;
}

void ScrollingPage::addBeside(QWidget *panel)
{
    QWidget *window = parentWidget();
    auto *layout = qobject_cast<QBoxLayout *>(window->layout());
    layout->setDirection(QBoxLayout::LeftToRight);
    layout->setSpacing(0);
    layout->addWidget(panel);
    m_besideWidth = panel->minimumWidth();
    window->setFixedSize(content()->width() + m_besideWidth, content()->height());
}

void ScrollingPage::fitInto(const QSize &room)
{
    // The panel beside keeps its width; the page scrolls in what is left.
    const QSize left(std::max(0, room.width() - m_besideWidth), room.height());
    const QSize full = content()->size();
    const int bar = verticalScrollBar()->sizeHint().width();
    QSize size = full.boundedTo(left);
    // A scroll bar for one direction takes room from the other.
    if (size.height() < full.height())
        size.setWidth(std::min(full.width() + bar, left.width()));
    if (size.width() < full.width())
        size.setHeight(std::min(size.height() + bar, std::min(full.height(), left.height())));
    if (QWidget *window = parentWidget())
        window->setFixedSize(size + QSize(m_besideWidth, 0));
}
