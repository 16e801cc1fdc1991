#include "app/WidgetPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

void WidgetPrompts::showMessage(const QString &text)
{
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), text);
}

bool WidgetPrompts::askYesNo(const QString &text)
{
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(), text,
                                 QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::No;
}

QString WidgetPrompts::openFileName(const QString &caption, const QString &folder,
                                    const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, folder,
                                        toQtFilter(filter));
}

QString WidgetPrompts::saveFileName(const QString &caption, const QString &folder,
                                    const QString &filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, folder,
                                        toQtFilter(filter));
}

QString WidgetPrompts::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList descriptions;
    for (int i = 0; i < parts.size(); i += 2)
        descriptions << parts.at(i);
    return descriptions.join(QStringLiteral(";;"));
}
