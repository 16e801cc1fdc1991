#include "prefs/InheritedFonts.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

// The font this class last gave a widget, so that the next pass may replace
// it; a font the program set itself is the widget's own.
constexpr const char *HandedDown = "_sombrant_font_handed_down";

}  // namespace

void InheritedFonts::install()
{
    static InheritedFonts *watcher = [] {
        auto *filter = new InheritedFonts(qApp);
        qApp->installEventFilter(filter);
        return filter;
    }();
    Q_UNUSED(watcher);
}

void InheritedFonts::passDown(QWidget *window)
{
    for (QObject *child : window->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || widget->isWindow())
            continue;
        // A font this class gave and nobody has changed since is still the
        // parent's to give; any other explicit font is the widget's own.
        const QVariant given = widget->property(HandedDown);
        const bool handedDown = given.isValid() && given.value<QFont>() == widget->font();
        if (!widget->testAttribute(Qt::WA_SetFont) || handedDown) {
            QFont font = window->font();
            font.setResolveMask(QFont::AllPropertiesResolved);
            if (!handedDown || widget->font() != font)
                widget->setFont(font);
            widget->setProperty(HandedDown, font);
        }
        passDown(widget);
    }
}

void InheritedFonts::passDownEverywhere()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        passDown(window);
}

bool InheritedFonts::eventFilter(QObject *watched, QEvent *event)
{
    // A window is polished, children included, before it is shown.
    if (event->type() == QEvent::Show && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->isWindow())
        passDown(static_cast<QWidget *>(watched));
    return QObject::eventFilter(watched, event);
}
