#include "prefs/WindowAccessible.h"

#include <QWidget>

namespace {

QAccessibleInterface *windowFactory(const QString &className, QObject *object)
{
    // QAccessible asks once per class up the object's class chain; answering
    // for the object's own class only, and only when that class comes
    // straight from QWidget, leaves every other widget (main windows,
    // dialogs, menus) to Qt's own interfaces.
    if (!object || !object->isWidgetType())
        return nullptr;
    const QMetaObject *meta = object->metaObject();
    if (className != QLatin1String(meta->className()) || meta->superClass() != &QWidget::staticMetaObject)
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    return widget->isWindow() ? new WindowAccessible(widget) : nullptr;
}

}  // namespace

WindowAccessible::WindowAccessible(QWidget *window) : QAccessibleWidget(window, QAccessible::Window) {}

void WindowAccessible::installFactory()
{
    static const bool installed = (QAccessible::installFactory(windowFactory), true);
    Q_UNUSED(installed);
}
