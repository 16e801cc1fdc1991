#include "app/WidgetPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

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

namespace {

QString runFileDialog(QFileDialog::AcceptMode mode, const QString &caption, const QString &folder,
                      const QString &filter, const FileDialogExtras &extras)
{
    QFileDialog dialog(QApplication::activeWindow(), caption, folder, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!extras.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(extras.defaultSuffix);
    if (!extras.sidebarFolders.isEmpty()) {
        QList<QUrl> places = dialog.sidebarUrls();
        for (const QString &path : extras.sidebarFolders)
            places << QUrl::fromLocalFile(path);
        dialog.setSidebarUrls(places);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString WidgetPrompts::openFileName(const QString &caption, const QString &folder,
                                    const QString &filter, const FileDialogExtras &extras)
{
    return runFileDialog(QFileDialog::AcceptOpen, caption, folder, toQtFilter(filter), extras);
}

QString WidgetPrompts::saveFileName(const QString &caption, const QString &folder,
                                    const QString &filter, const FileDialogExtras &extras)
{
    return runFileDialog(QFileDialog::AcceptSave, caption, folder, toQtFilter(filter), extras);
}

QString WidgetPrompts::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList descriptions;
    for (int i = 0; i < parts.size(); i += 2)
        descriptions << parts.at(i);
    return descriptions.join(QStringLiteral(";;"));
}
