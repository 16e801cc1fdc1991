#include "WidgetImages.h"
#include "widgets/RotaryDial.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Colours no style would choose, so a pixel tells which role painted it.
const QColor Background(32, 32, 32);
const QColor FilledArc(255, 0, 0);
const QColor EmptyArc(0, 255, 0);
const QColor DisabledFilledArc(255, 0, 255);

QPalette distinctPalette(QPalette palette)
{
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, Background);
        palette.setColor(group, QPalette::Highlight, FilledArc);
        palette.setColor(group, QPalette::Mid, EmptyArc);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, Background);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, DisabledFilledArc);
    palette.setColor(QPalette::Disabled, QPalette::Mid, EmptyArc);
    return palette;
}

// Turns the mouse wheel over the widget's centre; true when the widget took
// the event.
bool turnWheel(QWidget &widget, int delta, bool inverted = false)
{
    const QPointF at = QRectF(widget.rect()).center();
    QWheelEvent event(at, widget.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, inverted);
    QApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

class RotaryDialTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Big enough that a pointer a few pixels off the centre still points
        // in a whole-degree direction.
        dial.resize(100, 100);
        dial.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dial));
    }

    QPoint centre() const { return {dial.width() / 2, dial.height() / 2}; }

    // Press at the centre, move through the points, release at the last.
    void drag(const std::vector<QPoint> &points)
    {
        QTest::mousePress(&dial, Qt::LeftButton, {}, centre());
        for (const QPoint &p : points)
            QTest::mouseMove(&dial, p);
        QTest::mouseRelease(&dial, Qt::LeftButton, {}, points.back());
    }

    RotaryDial dial;
};

}  // namespace

TEST_F(RotaryDialTest, StartsAtTheMinimumAndTakesKeyboardFocus)
{
    EXPECT_EQ(dial.angle(), -135);
    EXPECT_EQ(dial.property("angle").toInt(), -135);
    EXPECT_EQ(dial.sizeHint(), QSize(40, 40));
    EXPECT_EQ(dial.focusPolicy(), Qt::StrongFocus);
    EXPECT_STREQ(dial.metaObject()->userProperty().name(), "angle");
}

TEST_F(RotaryDialTest, SetAngleNormalisesToAboveMinus180UpTo180)
{
    const struct {
        int set, reads;
    } cases[] = {
        {-180, 180}, {540, 180}, {180, 180}, {-179, -179}, {181, -179}, {-181, 179},
        {360, 0},    {765, 45},  {-45, -45}, {-90, -90},   {-100, -100},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.set);
        dial.setAngle(c.set);
        EXPECT_EQ(dial.angle(), c.reads);
    }
}

TEST_F(RotaryDialTest, AngleChangedFiresOncePerActualChange)
{
    QSignalSpy spy(&dial, &RotaryDial::angleChanged);
    dial.setAngle(10);
    dial.setAngle(10);
    dial.setAngle(370);
    dial.setAngle(-180);
    dial.setAngle(180);
    dial.setAngle(540);
    dial.setAngle(-135);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 10);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 180);
    EXPECT_EQ(spy.at(2).at(0).toInt(), -135);

    // The user's changes are announced the same way; a key against the end
    // of the travel changes nothing and says nothing.
    spy.clear();
    QTest::keyClick(&dial, Qt::Key_Left);
    QTest::keyClick(&dial, Qt::Key_Home);
    QTest::keyClick(&dial, Qt::Key_Right);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), -136);

    spy.clear();
    drag({{50, 5}, {50, 4}, {50, 5}, {95, 50}});
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 90);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 0);
}

TEST_F(RotaryDialTest, DragPointsTheDialAtThePointerWithoutSnapping)
{
    const struct {
        const char *toward;
        QPoint to;
        int angle;
    } cases[] = {
        {"top", {50, 5}, 90},
        {"left", {5, 50}, 180},
        {"lower left", {10, 90}, -135},
        {"lower right", {90, 90}, -45},
        {"upper right", {90, 10}, 45},
        {"right", {95, 50}, 0},
        {"6 o'clock, in the dead zone", {50, 95}, -90},
        {"just inside the dead zone", {30, 95}, -114},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.toward);
        dial.setAngle(100);
        QTest::mousePress(&dial, Qt::LeftButton, {}, centre());
        QTest::mouseMove(&dial, c.to);
        EXPECT_EQ(dial.angle(), c.angle) << "while the button is held";
        QTest::mouseRelease(&dial, Qt::LeftButton, {}, c.to);
        EXPECT_EQ(dial.angle(), c.angle);
    }
}

TEST_F(RotaryDialTest, DragEndsWhereThePointerIsReleased)
{
    // Out and back to the point of the press: the dial follows all the way.
    QTest::mousePress(&dial, Qt::LeftButton, {}, {90, 10});
    QTest::mouseMove(&dial, {10, 90});
    EXPECT_EQ(dial.angle(), -135);
    QTest::mouseMove(&dial, {90, 10});
    EXPECT_EQ(dial.angle(), 45);
    QTest::mouseRelease(&dial, Qt::LeftButton, {}, {90, 10});
    EXPECT_EQ(dial.angle(), 45);

    // A release away from the press counts even with no move reported.
    QTest::mousePress(&dial, Qt::LeftButton, {}, centre());
    QTest::mouseRelease(&dial, Qt::LeftButton, {}, {50, 5});
    EXPECT_EQ(dial.angle(), 90);
}

TEST_F(RotaryDialTest, PressWithoutMovementLeavesTheAngle)
{
    dial.setAngle(100);
    QSignalSpy spy(&dial, &RotaryDial::angleChanged);
    for (const QPoint at : {QPoint(90, 10), QPoint(10, 90), QPoint(50, 95)}) {
        QTest::mousePress(&dial, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&dial, Qt::LeftButton, {}, at);
        QTest::mouseClick(&dial, Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(dial.angle(), 100);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(RotaryDialTest, KeysMoveAlongTheTravelAndStayOutOfTheDeadZone)
{
    using K = Qt::Key;
    const struct {
        const char *what;
        int from;
        std::vector<Qt::Key> keys;
        int angle;
    } cases[] = {
        {"Right from the minimum", -135, {K::Key_Right}, -136},
        {"Up from the minimum", -135, {K::Key_Up}, -136},
        {"Left at the minimum", -135, {K::Key_Left}, -135},
        {"Down at the minimum", -135, {K::Key_Down}, -135},
        {"Left", 0, {K::Key_Left}, 1},
        {"Down", 0, {K::Key_Down}, 1},
        {"Home", 0, {K::Key_Home}, -135},
        {"End", 0, {K::Key_End}, -45},
        {"End then Right", 0, {K::Key_End, K::Key_Right}, -45},
        {"End then Up", 0, {K::Key_End, K::Key_Up}, -45},
        {"PageUp from the minimum", -135, {K::Key_PageUp}, -162},
        {"PageDown from the maximum", -45, {K::Key_PageDown}, -18},
        {"five PageUps reach the top", -135, std::vector<Qt::Key>(5, K::Key_PageUp), 89},
        {"ten PageUps stop at the maximum", -135, std::vector<Qt::Key>(10, K::Key_PageUp), -45},
        {"PageDown near the minimum", -150, {K::Key_PageDown}, -135},
        {"Right across 9 o'clock", 180, {K::Key_Right}, 179},
        // -179 and 180 share position 44, so a step from either lands on the
        // neighbouring positions 43 and 45.
        {"Left from -179", -179, {K::Key_Left}, -178},
        {"Left from 180", 180, {K::Key_Left}, -178},
        {"Right from -179", -179, {K::Key_Right}, 179},
        {"Right from 179", 179, {K::Key_Right}, 178},
        {"Left from -178", -178, {K::Key_Left}, -177},
        {"Right in the dead zone near the minimum", -100, {K::Key_Right}, -135},
        {"Left in the dead zone near the maximum", -60, {K::Key_Left}, -45},
        {"PageUp in the dead zone near the minimum", -120, {K::Key_PageUp}, -135},
        {"Right at 6 o'clock", -90, {K::Key_Right}, -135},
        {"Home from the dead zone", -60, {K::Key_Home}, -135},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        dial.setAngle(c.from);
        for (Qt::Key key : c.keys)
            QTest::keyClick(&dial, key);
        EXPECT_EQ(dial.angle(), c.angle);
    }
}

TEST_F(RotaryDialTest, WheelMovesThreePositionsPerNotchAndClamps)
{
    const struct {
        const char *what;
        int from;
        std::vector<int> deltas;
        int angle;
    } cases[] = {
        {"one notch up turns clockwise", -135, {120}, -138},
        {"two notches in one event", -135, {240}, -141},
        {"two notches", -135, {120, 120}, -141},
        {"one notch down", 0, {-120}, 3},
        {"half notches add up", 0, {60, 60}, -3},
        {"a half notch alone does nothing", 0, {60}, 0},
        {"down at the minimum", -135, {-120}, -135},
        {"up near the maximum", -44, {120}, -45},
        {"up at the maximum", -45, {120}, -45},
        {"up in the dead zone near the maximum", -60, {120}, -45},
        {"down in the dead zone near the minimum", -100, {-120}, -135},
        {"up in the dead zone near the minimum", -100, {120, 120}, -138},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        // A fresh dial each time: a half notch stays with the dial that got it.
        RotaryDial fresh;
        fresh.resize(100, 100);
        fresh.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
        fresh.setAngle(c.from);
        for (int delta : c.deltas)
            EXPECT_TRUE(turnWheel(fresh, delta));
        EXPECT_EQ(fresh.angle(), c.angle);
    }
}

TEST_F(RotaryDialTest, WheelFollowsThePhysicalDirectionWhenDeltasAreInverted)
{
    dial.setAngle(0);
    EXPECT_TRUE(turnWheel(dial, -120, true));
    EXPECT_EQ(dial.angle(), -3);
}

TEST_F(RotaryDialTest, DisabledDialIgnoresTheUserButShowsSetAngle)
{
    dial.setAngle(100);
    dial.setEnabled(false);
    QSignalSpy spy(&dial, &RotaryDial::angleChanged);

    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp})
        QTest::keyClick(&dial, key);
    drag({{50, 5}, {95, 50}});
    turnWheel(dial, 120);
    EXPECT_EQ(dial.angle(), 100);
    EXPECT_EQ(spy.count(), 0);

    dial.setAngle(20);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 20);
    EXPECT_EQ(dial.angle(), 20);
}

TEST_F(RotaryDialTest, DisablingDuringADragEndsIt)
{
    dial.setAngle(100);
    QTest::mousePress(&dial, Qt::LeftButton, {}, centre());
    dial.setEnabled(false);
    dial.setEnabled(true);
    // The release went nowhere while the dial was disabled; the pointer
    // moving over it afterwards, button still down, is not a drag.
    QTest::mouseMove(&dial, {95, 50});
    EXPECT_EQ(dial.angle(), 100);
    QTest::mouseRelease(&dial, Qt::LeftButton, {}, {95, 50});
    EXPECT_EQ(dial.angle(), 100);
}

TEST_F(RotaryDialTest, AccessibleValueIsTheTravelPosition)
{
    dial.setAccessibleName(QStringLiteral("Sub level"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&dial);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Dial);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Sub level"));
    QAccessibleValueInterface *value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 269);
    EXPECT_EQ(value->minimumStepSize().toInt(), 1);

    const struct {
        int angle, position;
    } cases[] = {
        {-135, 0},  {-136, 1}, {-179, 44}, {180, 44},  {179, 45}, {90, 134},
        {-45, 269}, {0, 224},  {-60, 269}, {-120, 0},  {-90, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.angle);
        dial.setAngle(c.angle);
        EXPECT_EQ(value->currentValue().toInt(), c.position);
        EXPECT_EQ(iface->text(QAccessible::Value), QString::number(c.position));
    }
}

TEST_F(RotaryDialTest, AccessibleSetValueTurnsAnEnabledDialOnly)
{
    QAccessibleValueInterface *value = QAccessible::queryAccessibleInterface(&dial)->valueInterface();
    ASSERT_NE(value, nullptr);
    const struct {
        int position, angle;
    } cases[] = {{134, 90}, {0, -135}, {269, -45}, {44, -179}, {45, 179}, {400, -45}, {-5, -135}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.position);
        value->setCurrentValue(c.position);
        EXPECT_EQ(dial.angle(), c.angle);
    }

    dial.setEnabled(false);
    value->setCurrentValue(134);
    EXPECT_EQ(dial.angle(), -135);
}

TEST_F(RotaryDialTest, PaintsTravelFillAndDeadZoneFromThePalette)
{
    dial.setPalette(distinctPalette(dial.palette()));
    // On the arc: at the top, and at 6 o'clock where the dead zone is.
    const QPointF top(50, 10), bottom(50, 90);
    const struct {
        const char *what;
        int angle;
        bool enabled;
        QColor top;
    } cases[] = {
        {"at the minimum nothing is filled", -135, true, EmptyArc},
        {"just short of the top", 91, true, EmptyArc},
        {"past the top", 80, true, FilledArc},
        {"at the maximum", -45, true, FilledArc},
        {"snapping to the maximum from the dead zone", -80, true, FilledArc},
        {"snapping to the minimum from the dead zone", -100, true, EmptyArc},
        {"disabled", -45, false, DisabledFilledArc},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        dial.setEnabled(c.enabled);
        dial.setAngle(c.angle);
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(ratio);
            const QImage image = renderAt(dial, ratio, Background);
            EXPECT_EQ(pixelAt(image, top), c.top);
            EXPECT_EQ(pixelAt(image, bottom), Background);
        }
    }
}

TEST_F(RotaryDialTest, RendersAPictureCrispAtTwiceThePixelRatio)
{
    dial.resize(40, 40);
    dial.setAngle(45);
    const QImage one = renderAt(dial, 1, Background);
    const QImage two = renderAt(dial, 2, Background);
    ASSERT_EQ(two.size(), QSize(80, 80));

    const QColor corner = one.pixelColor(0, 0);
    bool drawn = false;
    for (int y = 0; y < one.height() && !drawn; ++y)
        for (int x = 0; x < one.width() && !drawn; ++x)
            drawn = one.pixelColor(x, y) != corner;
    EXPECT_TRUE(drawn) << "the 1x picture is blank";

    // Painted at twice the detail, not the 1x picture blown up.
    EXPECT_NE(two, one.scaled(two.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                       .convertToFormat(two.format()));
    EXPECT_NE(two, one);

    dial.setEnabled(false);
    EXPECT_NE(renderAt(dial, 1, Background), one);
    EXPECT_NE(renderAt(dial, 2, Background), two);
}

TEST_F(RotaryDialTest, ShowsAFocusRingWhileFocused)
{
    dial.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dial));
    dial.clearFocus();
    ASSERT_FALSE(dial.hasFocus());
    const QImage unfocused = renderAt(dial, 1, Background);
    dial.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(dial.hasFocus());
    EXPECT_NE(renderAt(dial, 1, Background), unfocused);
}

TEST_F(RotaryDialTest, FilledArcEndsAtThePointerAllAroundTheTravel)
{
    // Large enough that half a degree of arc is several pixels long.
    dial.resize(800, 800);
    dial.setPalette(distinctPalette(dial.palette()));
    const QPointF c = QRectF(dial.rect()).center();
    auto onArc = [&](qreal degrees) {
        const qreal radians = qDegreesToRadians(degrees);
        // The middle of the arc's width at this size.
        return c + QPointF(std::cos(radians), -std::sin(radians)) * 320;
    };
    for (int angle : {-150, -179, 180, 179, 91, 0, -44}) {
        SCOPED_TRACE(angle);
        dial.setAngle(angle);
        const QImage image = renderAt(dial, 1, Background);
        // The fill runs clockwise from the minimum: it covers the half degree
        // before the pointer and not the half degree after it.
        EXPECT_EQ(pixelAt(image, onArc(angle + 0.5)), FilledArc);
        EXPECT_EQ(pixelAt(image, onArc(angle - 0.5)), EmptyArc);
    }
}
