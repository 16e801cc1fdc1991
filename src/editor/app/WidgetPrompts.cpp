#include "app/WidgetPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

// While a box waits for the user, the pointer over it is the ordinary one,
// though a wait for the pedal may have set the busy cursor; the cursors are
// put back as they were when the box closes.
class OrdinaryCursor {
public:
    OrdinaryCursor()
    {
        while (const QCursor *cursor = QGuiApplication::overrideCursor()) {
            m_stack.prepend(*cursor);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    ~OrdinaryCursor()
    {
        for (const QCursor &cursor : std::as_const(m_stack))
            QGuiApplication::setOverrideCursor(cursor);
    }
    OrdinaryCursor(const OrdinaryCursor &) = delete;
    OrdinaryCursor &operator=(const OrdinaryCursor &) = delete;

private:
    QList<QCursor> m_stack;
};

}  // namespace

void WidgetPrompts::showMessage(const QString &text)
{
    const OrdinaryCursor cursor;
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), text);
}

void WidgetPrompts::showFailure(const QString &text, const QString &detail)
{
    const OrdinaryCursor cursor;
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("failureBox"));
    box.setInformativeText(detail);
    box.exec();
}

bool WidgetPrompts::askYesNo(const QString &text)
{
    const OrdinaryCursor cursor;
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(), text,
                                 QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::No;
}

namespace {

QString runFileDialog(QFileDialog::AcceptMode mode, const QString &caption, const QString &folder,
                      const QString &filter, const FileDialogExtras &extras)
{
    const OrdinaryCursor cursor;
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
