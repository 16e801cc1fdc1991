// What a dial tells the guitarist: its value, in its owner's words, while the
// mouse is over it and while it is turned, also to assistive technology; and
// a display-only dial that looks like an indicator and cannot be taken hold
// of. Then the parameter window's dials: each in its parameter's unit, the
// display-only ones as indicators, the live ones as knobs even with no pedal,
// and each telling its value on hover, whole, from the window's scrolling page.

#include "EditorFixture.h"

#include "app/TformMain.h"
#include "params/DialMapping.h"
#include "params/TformFXsettings.h"
#include "widgets/RotaryDial.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegion>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

QString saysAngle(int angle) { return QStringLiteral("at %1").arg(angle); }

// The label a dial shows its value in, when it shows one.
QString shownValue(QWidget *room)
{
    for (QLabel *label : room->findChildren<QLabel *>(QStringLiteral("rotaryDialValue")))
        if (label->isVisible())
            return label->text();
    return {};
}

class DialValueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(200, 120);
        dial = new RotaryDial(&host);
        dial->setGeometry(20, 20, 40, 40);
        dial->setValueFormatter(saysAngle);
        button = new QPushButton(QStringLiteral("Other"), &host);
        button->setGeometry(100, 20, 80, 30);
        host.show();
        QApplication::setActiveWindow(&host);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        // The mouse starts away from the dial, wherever a test left it.
        moveMouse(QPoint(150, 100));
        button->setFocus();
    }

    QPoint dialCentre() const { return dial->geometry().center(); }
    void moveMouse(QPoint onHost) { QTest::mouseMove(&host, onHost); }

    // The dial's look where its knob's cap would be: below the centre, away
    // from the pointer, which points up.
    QColor belowCentre()
    {
        dial->setAngle(90);
        const QImage picture = host.grab(dial->geometry()).toImage();
        return picture.pixelColor(20, 26);
    }

    QWidget host;
    RotaryDial *dial = nullptr;
    QPushButton *button = nullptr;
};

}  // namespace

// The window's tests come first: the editor's windows install their
// accessibility factory before any dial of this file does, as in the program.
class ParameterDialsTest : public EditorFixture {};

TEST_F(ParameterDialsTest, EachDialShowsItsParametersUnit)
{
    open(true);
    struct Case {
        RotaryDial *dial;
        int angle;
        const char *shown;
    };
    const Case cases[] = {
        {fx->dialInputLevel, 90, "50%"},
        {fx->dialClipWave, -45, "100%"},
        {fx->dialDry, -135, "0%"},
        {fx->dialSubMix, 180, "16%"},
        {fx->dialMinus1Oct, 90, "50%"},
        {fx->dialMinus2Oct, -45, "100%"},
        {fx->dial1stHarmonic, 90, "50%"},
        {fx->dialLowPass, value_to_dial_angle(12, 24), "Step 12 of 24"},
        {fx->dialHighPass, value_to_dial_angle(3, 16), "Step 3 of 16"},
        {fx->dialRange, value_to_dial_angle(22, 22), "Step 22 of 22"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dial->objectName().toStdString());
        c.dial->setAngle(c.angle);
        EXPECT_EQ(c.dial->valueText(), c.shown);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(c.dial)->text(QAccessible::Value), c.shown);
    }
}

TEST_F(ParameterDialsTest, TheDisplayOnlyDialsAreIndicatorsAndTheLiveOnesKnobsConnectedOrNot)
{
    open(false);
    const QList<RotaryDial *> indicators = {fx->dialDry,      fx->dialMinus1Oct, fx->dialSubMix,
                                            fx->dialMinus2Oct, fx->dialLowPass,   fx->dialHighPass,
                                            fx->dialRange,    fx->dial1stHarmonic};
    for (bool connected : {false, true}) {
        SCOPED_TRACE(connected ? "connected" : "no pedal");
        if (connected)
            main->menuConnect->trigger();
        for (RotaryDial *dial : fx->findChildren<RotaryDial *>()) {
            SCOPED_TRACE(dial->objectName().toStdString());
            EXPECT_EQ(dial->isDisplayOnly(), indicators.contains(dial));
        }
        // Disabled for want of a pedal, a live dial stays a knob.
        EXPECT_EQ(fx->dialInputLevel->isEnabled(), connected);
        EXPECT_EQ(fx->dialInputLevel->focusPolicy(), Qt::StrongFocus);
    }
}

TEST_F(ParameterDialsTest, HoverOnThePageShowsTheValueAboveTheControls)
{
    open(true);
    // The offscreen platform moves the mouse only over windows it has
    // exposed, and gives it to the first window listed under it whatever
    // their stacking: both are shown, and the main window is moved off the
    // parameter window.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fx));
    main->move(fx->frameGeometry().bottomLeft() + QPoint(0, 20));
    fx->dialInputLevel->setAngle(90);
    fx->dialLowPass->setAngle(value_to_dial_angle(12, 24));
    const struct {
        RotaryDial *dial;
        const char *shown;
    } cases[] = {{fx->dialInputLevel, "50%"}, {fx->dialLowPass, "Step 12 of 24"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dial->objectName().toStdString());
        QTest::mouseMove(c.dial, c.dial->rect().center());
        EXPECT_EQ(shownValue(fx), c.shown);
        // Whole, over the caption and the controls around it.
        for (QLabel *label : fx->findChildren<QLabel *>(QStringLiteral("rotaryDialValue"))) {
            if (label->isVisible()) {
                EXPECT_EQ(label->visibleRegion(), QRegion(label->rect()));
            }
        }
        QTest::mouseMove(fx->cmbGuitarTuning, fx->cmbGuitarTuning->rect().center());
        EXPECT_EQ(shownValue(fx), "");
    }
}

TEST_F(DialValueTest, HoverShowsTheValueInTheOwnersWordsUntilTheMouseLeaves)
{
    EXPECT_EQ(shownValue(&host), "");
    moveMouse(dialCentre());
    EXPECT_EQ(shownValue(&host), "at -135");
    dial->setAngle(90);
    EXPECT_EQ(shownValue(&host), "at 90") << "follows a value set while shown";
    // Shown just below the dial, over its caption.
    QLabel *label = host.findChild<QLabel *>(QStringLiteral("rotaryDialValue"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry().top(), dial->geometry().bottom() + 1);
    EXPECT_NEAR(label->geometry().center().x(), dial->geometry().center().x(), 1);
    EXPECT_TRUE(dial->toolTip().isEmpty()) << "the tool tip is the owner's";
    moveMouse(QPoint(150, 100));
    EXPECT_EQ(shownValue(&host), "");

    // A disabled dial, showing the pedal's value, still tells it.
    dial->setEnabled(false);
    moveMouse(dialCentre());
    EXPECT_EQ(shownValue(&host), "at 90");
    moveMouse(QPoint(150, 100));
    EXPECT_EQ(shownValue(&host), "");
}

TEST_F(DialValueTest, TurningShowsTheValueWhileItTurnsAndAMomentAfter)
{
    dial->setFocus();
    QTest::keyClick(dial, Qt::Key_End);
    EXPECT_EQ(shownValue(&host), "at -45");
    QTest::keyClick(dial, Qt::Key_Left);
    EXPECT_EQ(shownValue(&host), "at -44");
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownValue(&host).isEmpty(); }, 4000));

    const QPointF at(20, 20);
    QWheelEvent wheel(at, dial->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(dial, &wheel);
    EXPECT_EQ(shownValue(&host), "at -41");
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownValue(&host).isEmpty(); }, 4000));

    // Dragged from outside the mouse's hover: shown from press to release.
    QTest::mousePress(dial, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseMove(dial, QPoint(20, 2));
    EXPECT_EQ(shownValue(&host), "at 90");
    QTest::mouseRelease(dial, Qt::LeftButton, {}, QPoint(20, 2));
    moveMouse(QPoint(150, 100));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownValue(&host).isEmpty(); }, 4000));
}

TEST_F(DialValueTest, AssistiveTechnologyReadsTheShownValue)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(dial);
    ASSERT_NE(iface, nullptr);
    for (int angle : {-135, 90, -45}) {
        dial->setAngle(angle);
        EXPECT_EQ(iface->text(QAccessible::Value), saysAngle(angle));
    }
    EXPECT_EQ(iface->valueInterface()->currentValue().toInt(), dial::LastPosition) << "the number stays the position";
    EXPECT_FALSE(iface->state().readOnly);

    // Without words of its owner's, the value is the travel position.
    dial->setValueFormatter({});
    EXPECT_EQ(iface->text(QAccessible::Value), QString::number(dial::LastPosition));
}

TEST_F(DialValueTest, ADisplayOnlyDialIsAnIndicatorNobodyCanTakeHoldOf)
{
    const QColor knobCap = belowCentre();
    const QColor window = host.grab(QRect(150, 100, 1, 1)).toImage().pixelColor(0, 0);
    ASSERT_NE(knobCap, window) << "a knob has a cap";
    dial->setDisplayOnly(true);
    EXPECT_EQ(belowCentre(), window) << "an indicator has none: a flat gauge";
    // Disabled, as the parameter window keeps it, it is still an indicator.
    dial->setEnabled(false);
    EXPECT_EQ(belowCentre().name(), window.name());
    dial->setEnabled(true);

    // Neither Tab nor a click gives it focus; mouse, wheel and keys leave it.
    EXPECT_EQ(dial->focusPolicy(), Qt::NoFocus);
    QTest::keyClick(button, Qt::Key_Tab);
    EXPECT_FALSE(dial->hasFocus());
    dial->setAngle(-135);
    QTest::mousePress(dial, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseMove(dial, QPoint(20, 2));
    QTest::mouseRelease(dial, Qt::LeftButton, {}, QPoint(20, 2));
    EXPECT_FALSE(dial->hasFocus());
    QTest::keyClick(dial, Qt::Key_End);
    const QPointF at(20, 20);
    QWheelEvent wheel(at, dial->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(dial, &wheel);
    EXPECT_EQ(dial->angle(), -135);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(dial);
    iface->valueInterface()->setCurrentValue(100);
    EXPECT_EQ(dial->angle(), -135);
    EXPECT_TRUE(iface->state().readOnly);

    // It still tells its value on hover.
    moveMouse(dialCentre());
    EXPECT_EQ(shownValue(&host), "at -135");

    // Made a knob again, it turns.
    dial->setDisplayOnly(false);
    EXPECT_EQ(dial->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(belowCentre(), knobCap);
}
