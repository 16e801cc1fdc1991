// The keyboard and the window manager: every menu item has its mnemonic, the
// main window comes forward from the parameter window by a key, and the
// Debug Console opens framed inside the screen with the keyboard in its log
// and closes with Escape.

#include "EditorFixture.h"

#include "app/MainMenuBar.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "params/TformFXsettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

class KeyboardAndWindowsTest : public EditorFixture {
protected:
    void showMain()
    {
        start();
        main = windows->formMain.get();
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    }
    TformPrint &openConsole()
    {
        QTest::keyClick(main->lstEffects, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        TformPrint &console = *windows->formPrint;
        EXPECT_TRUE(QTest::qWaitForWindowActive(&console));
        return console;
    }

    TformMain *main = nullptr;
};

// The letter after a single '&', or none.
QChar mnemonicOf(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toUpper();
        ++i;  // "&&" is an ampersand
    }
    return {};
}

// Every item of `menu` and of its submenus, by the menu it is in.
void collect(QMenu *menu, QList<QMenu *> &menus)
{
    menus << menu;
    for (QAction *action : menu->actions()) {
        if (action->menu())
            collect(action->menu(), menus);
    }
}

}  // namespace

TEST_F(KeyboardAndWindowsTest, EveryMenuItemHasAMnemonicOfItsOwn)
{
    showMain();
    QList<QMenu *> menus;
    QMap<QChar, QString> titles;
    for (QAction *title : main->menuBar()->actions()) {
        const QChar letter = mnemonicOf(title->text());
        EXPECT_FALSE(letter.isNull()) << title->text().toStdString();
        EXPECT_FALSE(titles.contains(letter)) << title->text().toStdString() << " and " << titles[letter].toStdString();
        titles[letter] = title->text();
        collect(title->menu(), menus);
    }
    EXPECT_GE(menus.size(), 9) << "File, Connection, Settings, Look, MIDI, Channel, Firmware Upgrade, Info, Window";
    for (QMenu *menu : menus) {
        SCOPED_TRACE(menu->objectName().toStdString());
        QMap<QChar, QStringList> items;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            const QChar letter = mnemonicOf(action->text());
            EXPECT_FALSE(letter.isNull()) << action->text().toStdString();
            items[letter] << action->text();
        }
        // Sixteen channels and OMNI cannot all have letters of their own in
        // their numbers: a digit steps between channel n and 1n.
        const qsizetype allowed = menu == main->menuMIDIchannel ? 2 : 1;
        for (auto it = items.cbegin(); it != items.cend(); ++it)
            EXPECT_LE(it.value().size(), allowed) << it.value().join(", ").toStdString();
    }
    // The captions themselves are unchanged.
    EXPECT_EQ(main->menuLoadPreset->text().remove('&'), "Load Preset");
    EXPECT_EQ(main->menuFirmwareUpgradeMode->text().remove('&'), "Upgrade Mode");
    EXPECT_EQ(main->menuSerialNumber->text().remove('&'), "Device Serial: SIM00001");
}

TEST_F(KeyboardAndWindowsTest, AKeyBringsTheMainWindowForwardFromTheParameterWindow)
{
    showMain();
    QListWidget *list = main->lstEffects;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    TformFXsettings &fx = *windows->formFXsettings;
    ASSERT_TRUE(fx.isVisible());
    fx.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&fx));

    auto *item = main->findChild<QAction *>("menuShowMainWindow");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text().remove('&'), "Main Window");
    EXPECT_EQ(item->shortcut(), QKeySequence(QString::fromLatin1(MainMenuBar::ShowMainWindowKeys)));
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));

    QTest::keyClick(fx.focusWidget() ? fx.focusWidget() : &fx, Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitForWindowActive(main));
    EXPECT_EQ(QApplication::activeWindow(), main);
    EXPECT_TRUE(fx.isVisible()) << "the parameter window stays open behind it";
}

TEST_F(KeyboardAndWindowsTest, TheDebugConsoleOpensInTheLogAndEscapeClosesIt)
{
    showMain();
    TformPrint &console = openConsole();
    ASSERT_TRUE(console.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), console.Memo1);

    console.PrintToConsole("kept");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(console.Memo1->toPlainText(), "kept") << "Space does not wipe the log";

    QTest::keyClick(console.Memo1, Qt::Key_Escape);
    EXPECT_FALSE(console.isVisible());
    // Escape from the console's other controls too; the log stays.
    openConsole();
    EXPECT_EQ(QApplication::focusWidget(), console.Memo1) << "again in the log";
    console.CheckBox1->setFocus();
    QTest::keyClick(console.CheckBox1, Qt::Key_Escape);
    EXPECT_FALSE(console.isVisible());
    EXPECT_EQ(console.Memo1->toPlainText(), "kept");
}

TEST_F(KeyboardAndWindowsTest, TheDebugConsoleIsPlacedByItsFrameInsideTheScreen)
{
    showMain();
    TformPrint &console = openConsole();
    const QRect room = console.screen()->availableGeometry();
    const QRect frame = console.frameGeometry();
    EXPECT_TRUE(room.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                      << frame.height() << " in " << room.width() << "x" << room.height();
    // Designed at the top of the screen: the frame is there, the client area
    // below its title bar.
    EXPECT_EQ(frame.top(), room.top());
    EXPECT_EQ(console.geometry().top() - frame.top(), main->geometry().top() - main->frameGeometry().top());
}
