// The windows the editor places itself, on a small screen: run by ctest on
// Qt's offscreen platform with an 800x600 screen at 1x and with a 1280x800
// screen at 2x (640x400 device-independent pixels), from the screen files
// beside this one. The Debug Console is designed at x 1075 and 676 high, the
// parameter window beside the main window: both must open inside the screen
// and no taller than it.

#include "EditorFixture.h"

#include "app/TformMain.h"
#include "params/PresetBrowser.h"
#include "params/TformFXsettings.h"
#include "prefs/ScrollingPage.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

namespace {

class SmallScreenTest : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        room = QGuiApplication::primaryScreen()->availableGeometry();
        ASSERT_LE(room.height(), 600) << "run with QT_QPA_PLATFORM=offscreen:configfile=<a screen file here>";
        start();
        main = windows->formMain.get();
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    }
    void expectInside(QWidget *window) const
    {
        const QRect frame = window->frameGeometry();
        EXPECT_TRUE(room.contains(frame)) << window->objectName().toStdString() << " at "
                                          << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                          << frame.height() << " on " << room.width() << "x" << room.height();
        EXPECT_LE(frame.height(), room.height());
    }
    ScrollingPage *page() const
    {
        return windows->formFXsettings->findChild<ScrollingPage *>(QString(), Qt::FindDirectChildrenOnly);
    }

    QRect room;
    TformMain *main = nullptr;
};

}  // namespace

TEST_F(SmallScreenTest, TheDebugConsoleOpensInsideTheScreen)
{
    QTest::keyClick(main->lstEffects, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QWidget *console = windows->formPrint.get();
    ASSERT_TRUE(console->isVisible());
    expectInside(console);
    // Hidden and shown again after the user moved it half off the screen.
    console->hide();
    console->move(room.right() - 100, room.bottom() - 100);
    console->show();
    expectInside(console);
}

TEST_F(SmallScreenTest, TheParameterWindowOpensInsideTheScreen)
{
    QListWidget *list = main->lstEffects;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    TformFXsettings &fx = *windows->formFXsettings;
    ASSERT_TRUE(fx.isVisible());
    expectInside(&fx);
    // Level with the main window, or as near as the screen's foot allows.
    const QRect frame = fx.frameGeometry();
    EXPECT_EQ(frame.y(), std::min(main->frameGeometry().y(), room.bottom() + 1 - frame.height()));
}

TEST_F(SmallScreenTest, AParameterWindowTooTallForTheScreenScrollsToTheFocusedControl)
{
    main->menuConnect->trigger();
    main->effetto_cliccato(0);
    TformFXsettings &fx = *windows->formFXsettings;
    ASSERT_NE(page(), nullptr);
    const int designed = 517;
    if (room.height() >= designed + fx.frameGeometry().height() - fx.height()) {
        // Room enough: the window as designed, with nothing to scroll.
        EXPECT_EQ(fx.size(), QSize(333 + PresetBrowser::PanelWidth, designed));
        EXPECT_EQ(page()->verticalScrollBar()->maximum(), 0);
        return;
    }
    EXPECT_LT(fx.height(), designed);
    EXPECT_GT(page()->verticalScrollBar()->maximum(), 0);
    // Tab from the fourth control list reaches the remote footswitch's, at
    // the foot of the page, and the page follows it into view.
    QApplication::setActiveWindow(&fx);
    fx.cmbAssignCtrlQUATTRO->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(fx.cmbAssignCtrlQUATTRO->hasFocus());
    QTest::keyClick(fx.cmbAssignCtrlQUATTRO, Qt::Key_Tab);
    QWidget *remote = fx.cmbAssignRemote;
    ASSERT_TRUE(remote->hasFocus());
    const QRect shown(remote->mapTo(&fx, QPoint(0, 0)), remote->size());
    EXPECT_TRUE(fx.rect().contains(shown)) << shown.y() << " in " << fx.height();
}
