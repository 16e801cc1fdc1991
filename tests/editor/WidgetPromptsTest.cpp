// The real boxes: a failure warns, with the plain words first and the
// driver's words below them; any box shows the ordinary pointer, though a
// wait for the pedal set the busy one, and the busy one is back after it.

#include "QtPrinters.h"
#include "app/WidgetPrompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Seen {
    bool shown = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString detail;
    bool busyPointer = true;
};

// Shows a box through `show` and reads it while it waits for the user.
Seen whileShown(const std::function<void()> &show)
{
    Seen seen;
    QTimer::singleShot(0, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.shown = true;
        seen.icon = box->icon();
        seen.text = box->text();
        seen.detail = box->informativeText();
        seen.busyPointer = QGuiApplication::overrideCursor() != nullptr;
        box->done(QMessageBox::Ok);
    });
    show();
    return seen;
}

}  // namespace

TEST(WidgetPromptsTest, AFailureWarnsInPlainWordsWithTheDriversBelowAndTheOrdinaryPointer)
{
    WidgetPrompts prompts;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    const Seen failure = whileShown([&] {
        prompts.showFailure("The pedal stopped answering. Check the USB cable and choose Connect again.",
                            "FT_Read - General IO error...");
    });
    ASSERT_TRUE(failure.shown);
    EXPECT_EQ(failure.icon, QMessageBox::Warning);
    EXPECT_EQ(failure.text, "The pedal stopped answering. Check the USB cable and choose Connect again.");
    EXPECT_EQ(failure.detail, "FT_Read - General IO error...");
    EXPECT_FALSE(failure.busyPointer);

    const Seen message = whileShown([&] { prompts.showMessage("Firmware Upgrade Complete, device will now restart"); });
    ASSERT_TRUE(message.shown);
    EXPECT_EQ(message.icon, QMessageBox::Information);
    EXPECT_FALSE(message.busyPointer) << "the pointer over its OK button is the ordinary one";

    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr) << "the wait's pointer is back";
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
