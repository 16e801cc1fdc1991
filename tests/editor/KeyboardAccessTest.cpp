// The editor tried without a mouse and through assistive technology: Enter
// and Space on the effect list, the menus' Alt keys, a focus mark on every
// control in every look, and the accessible names, roles and values.

#include "EditorFixture.h"

#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "params/TformFXsettings.h"
#include "prefs/LookMenu.h"
#include "prefs/LookTheme.h"
#include "prefs/WindowAccessible.h"
#include "widgets/OnOffSwitch.h"
#include "widgets/RotaryDial.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

class KeyboardAccessTest : public EditorFixture {
protected:
    void TearDown() override
    {
        windows.reset();
        if (const std::optional<LookTheme> first = LookTheme::load(LookTheme::name(0)))
            first->apply();
    }
    void showMain()
    {
        start();
        main = windows->formMain.get();
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        QApplication::setActiveWindow(main);
    }
    static QAccessibleInterface *accessible(QObject *object)
    {
        return QAccessible::queryAccessibleInterface(object);
    }
    // The control as it is drawn, focused or not, in its active window.
    static QImage drawn(QWidget *control, bool focused, QWidget *elsewhere)
    {
        QApplication::setActiveWindow(control->window());
        (focused ? control : elsewhere)->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        return control->grab().toImage();
    }

    TformMain *main = nullptr;
};

}  // namespace

TEST_F(KeyboardAccessTest, EnterOrSpaceOnTheEffectListOpensTheEffectAsAClickDoes)
{
    showMain();
    TformFXsettings &fx = *windows->formFXsettings;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        fx.hide();
        main->lstEffects->setFocus(Qt::TabFocusReason);
        main->lstEffects->setCurrentRow(0);
        const qsizetype before = logLines().size();
        QTest::keyClick(main->lstEffects, key);
        EXPECT_TRUE(fx.isVisible());
        EXPECT_EQ(fx.windowTitle(), "Sombrant MK3 0010");
        EXPECT_EQ(logLines().mid(before, 2),
                  QStringList({"efx index :0", "selected effect name: Sombrant MK3 0010"}));
    }
    // The arrows still only move the highlight.
    fx.hide();
    QTest::keyClick(main->lstEffects, Qt::Key_Down);
    EXPECT_FALSE(fx.isVisible());
}

TEST_F(KeyboardAccessTest, AltAndTheUnderlinedLetterOpenEachMenu)
{
    showMain();
    struct Case {
        Qt::Key key;
        QMenu *menu;
    };
    const Case cases[] = {
        {Qt::Key_F, main->menuFile},     {Qt::Key_C, main->menuConnection},
        {Qt::Key_S, main->menuSettings}, {Qt::Key_U, main->menuFirmwareUpgrade},
        {Qt::Key_I, main->menuInfo},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.menu->objectName().toStdString());
        EXPECT_EQ(QKeySequence::mnemonic(c.menu->title()), QKeySequence(Qt::ALT | c.key));
        QTest::keyClick(main, c.key, Qt::AltModifier);
        QTRY_VERIFY(c.menu->isVisible());
        c.menu->close();
        QTRY_VERIFY(!c.menu->isVisible());
    }
    EXPECT_EQ(QKeySequence::mnemonic(main->menuLook->title()), QKeySequence(Qt::ALT | Qt::Key_L));
}

TEST_F(KeyboardAccessTest, EveryControlShowsItsFocusInEveryLook)
{
    showMain();
    main->menuConnect->trigger();  // the pedal's commands become usable
    main->effetto_cliccato(0);
    TformFXsettings &fx = *windows->formFXsettings;
    TformPrint &console = *windows->formPrint;
    console.show();
    console.PrintToConsole("a line");
    struct Window {
        QWidget *elsewhere;  // takes the focus while a control is drawn without it
        QList<QWidget *> controls;
    };
    const Window windowsToTry[] = {
        {main->btnUpload, {main->lstEffects, main->btnRequest}},
        {fx.dialClipWave,
         {fx.dialInputLevel, fx.cmbVariableWavePitch, fx.cmbGuitarTuning, fx.cmbSemitonesVariation,
          fx.chkDominantNoteCut, fx.chkHighNoteCut, fx.cmbAssignCtrlUNO, fx.cmbAssignRemote,
          fx.chkBypassShortPress, fx.chkChangePresetLongPress}},
        {console.btnClear, {console.btnScrollTop, console.CheckBox1, console.Memo1}},
    };
    LookMenu *looks = main->findChild<LookMenu *>();
    for (int look = 0; look < LookTheme::Count; ++look) {
        looks->applyLook(look);
        for (const Window &window : windowsToTry) {
            for (QWidget *control : window.controls) {
                SCOPED_TRACE("Style_" + std::to_string(look) + " " + control->objectName().toStdString());
                ASSERT_TRUE(control->isEnabled());
                ASSERT_NE(control->focusPolicy() & Qt::TabFocus, 0) << "reached with Tab";
                const QImage without = drawn(control, false, window.elsewhere);
                const QImage with = drawn(control, true, window.elsewhere);
                ASSERT_TRUE(control->hasFocus());
                EXPECT_NE(with, without) << "no visible sign of the focus";
                // The effect list and the log show it on their frame, not
                // only on the current line.
                if (qobject_cast<QAbstractScrollArea *>(control)) {
                    const QPoint edge(1, with.height() / 2);
                    EXPECT_NE(with.pixel(edge), without.pixel(edge)) << "the frame shows the focus";
                }
            }
        }
    }
}

TEST_F(KeyboardAccessTest, ControlsWhoseTextDoesNotSayItHaveAccessibleNames)
{
    showMain();
    TformPrint &console = *windows->formPrint;
    struct Case {
        QWidget *control;
        const char *name;
    };
    const Case cases[] = {
        {main->lstEffects, "Effects"},
        {console.Memo1, "Log"},
        {console.btnScrollTop, "Scroll to the first line"},
        {console.CheckBox1, "Scroll to each new line"},
    };
    for (const Case &c : cases) {
        QAccessibleInterface *iface = accessible(c.control);
        ASSERT_NE(iface, nullptr) << c.name;
        EXPECT_EQ(iface->text(QAccessible::Name), c.name);
    }
}

TEST_F(KeyboardAccessTest, TheDebugConsoleAndTheParameterWindowAreWindows)
{
    showMain();
    struct Case {
        QWidget *window;
        const char *name;
    };
    const Case cases[] = {
        {windows->formPrint.get(), "Debug Console"},
        {windows->formFXsettings.get(), "Form1"},
        {windows->formFirmwareUpgrade.get(), "Firmware Upgrade"},
    };
    for (const Case &c : cases) {
        QAccessibleInterface *iface = accessible(c.window);
        ASSERT_NE(iface, nullptr) << c.name;
        EXPECT_EQ(iface->role(), QAccessible::Window) << c.name;
        EXPECT_EQ(iface->text(QAccessible::Name), c.name);
    }
    // Qt's own interfaces stay: the main window, the controls.
    EXPECT_EQ(dynamic_cast<WindowAccessible *>(accessible(main)), nullptr);
    EXPECT_EQ(accessible(main->btnRequest)->role(), QAccessible::Button);
}

TEST_F(KeyboardAccessTest, DialsAndSwitchesAreNamedByTheirLabelsAndReadTheirValues)
{
    showMain();
    main->menuConnect->trigger();
    TformFXsettings &fx = *windows->formFXsettings;
    main->effetto_cliccato(0);

    const QList<QLabel *> labels = fx.findChildren<QLabel *>();
    const QList<RotaryDial *> dials = fx.findChildren<RotaryDial *>();
    ASSERT_EQ(dials.size(), 10);
    for (RotaryDial *dial : dials) {
        SCOPED_TRACE(dial->objectName().toStdString());
        const auto label = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == dial; });
        ASSERT_NE(label, labels.end());
        QAccessibleInterface *iface = accessible(dial);
        EXPECT_EQ(iface->role(), QAccessible::Dial);
        EXPECT_EQ(iface->text(QAccessible::Name), (*label)->text());
        ASSERT_NE(iface->valueInterface(), nullptr);
        for (int angle : {-135, 90, -45}) {  // minimum, top, maximum
            dial->setAngle(angle);
            // Read out in the words the dial shows, in its parameter's unit.
            EXPECT_EQ(iface->text(QAccessible::Value), dial->valueText());
        }
        EXPECT_TRUE(iface->text(QAccessible::Value) == "100%" || iface->text(QAccessible::Value).startsWith("Step "))
            << iface->text(QAccessible::Value).toStdString();
        EXPECT_EQ(iface->valueInterface()->currentValue(), iface->valueInterface()->maximumValue());
    }

    struct Switch {
        OnOffSwitch *control;
        const char *name;
    };
    for (const Switch &s : {Switch{fx.swtWave, "Wave"}, Switch{fx.swtSplit, "Split"}}) {
        SCOPED_TRACE(s.name);
        QAccessibleInterface *iface = accessible(s.control);
        EXPECT_EQ(iface->role(), QAccessible::CheckBox);
        EXPECT_EQ(iface->text(QAccessible::Name), s.name);
        s.control->setChecked(true);
        EXPECT_EQ(iface->text(QAccessible::Value), "On");
        EXPECT_TRUE(iface->state().checkable);
        EXPECT_TRUE(iface->state().checked);
        s.control->setChecked(false);
        EXPECT_EQ(iface->text(QAccessible::Value), "Off");
        EXPECT_FALSE(iface->state().checked);
        // The switches only show the pedal's state: no toggling from outside.
        ASSERT_FALSE(s.control->isEnabled());
        EXPECT_FALSE(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_FALSE(s.control->isChecked());
    }
    // An enabled switch toggles as a click does.
    OnOffSwitch loose;
    QAccessibleInterface *iface = accessible(&loose);
    ASSERT_TRUE(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(loose.isChecked());
    EXPECT_EQ(iface->text(QAccessible::Value), "On");
}
