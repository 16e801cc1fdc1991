#include "WidgetImages.h"
#include "widgets/OnOffSwitch.h"

#include <QAccessible>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Colours no style would choose, so a pixel tells which role painted it.
const QColor Background(32, 32, 32);
const QColor OnTrack(255, 0, 0);
const QColor OffTrack(0, 255, 0);
const QColor Thumb(0, 0, 255);
const QColor OffThumb(255, 255, 0);
const QColor DisabledOnTrack(255, 0, 255);

QPalette distinctPalette(QPalette palette)
{
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, Background);
        palette.setColor(group, QPalette::Highlight, OnTrack);
        palette.setColor(group, QPalette::Mid, OffTrack);
        palette.setColor(group, QPalette::Light, Thumb);
        palette.setColor(group, QPalette::WindowText, OffThumb);
    }
    palette.setColor(QPalette::Disabled, QPalette::Highlight, DisabledOnTrack);
    return palette;
}

class OnOffSwitchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        toggle.resize(toggle.sizeHint());
        toggle.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&toggle));
    }

    OnOffSwitch toggle;
};

}  // namespace

TEST_F(OnOffSwitchTest, StartsOffAsACheckableButton)
{
    EXPECT_TRUE(toggle.isCheckable());
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_EQ(toggle.sizeHint(), QSize(41, 21));
    EXPECT_EQ(toggle.focusPolicy(), Qt::StrongFocus);
}

TEST_F(OnOffSwitchTest, ClickSpaceAndCodeToggleItAndEmitToggled)
{
    const struct {
        const char *what;
        std::function<void(OnOffSwitch &)> act;
    } cases[] = {
        {"click", [](OnOffSwitch &s) { QTest::mouseClick(&s, Qt::LeftButton); }},
        {"Space", [](OnOffSwitch &s) { QTest::keyClick(&s, Qt::Key_Space); }},
        {"setChecked", [](OnOffSwitch &s) { s.setChecked(!s.isChecked()); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(toggle.isChecked());
        QSignalSpy spy(&toggle, &OnOffSwitch::toggled);
        c.act(toggle);
        EXPECT_TRUE(toggle.isChecked());
        c.act(toggle);
        EXPECT_FALSE(toggle.isChecked());
        ASSERT_EQ(spy.count(), 2);
        EXPECT_TRUE(spy.at(0).at(0).toBool());
        EXPECT_FALSE(spy.at(1).at(0).toBool());
    }
}

TEST_F(OnOffSwitchTest, DisabledSwitchIgnoresTheUserButShowsSetChecked)
{
    toggle.setEnabled(false);
    QSignalSpy spy(&toggle, &OnOffSwitch::toggled);
    QTest::mouseClick(&toggle, Qt::LeftButton);
    QTest::keyClick(&toggle, Qt::Key_Space);
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_EQ(spy.count(), 0);

    toggle.setChecked(true);
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(OnOffSwitchTest, ThumbSitsRightOnAHighlightedTrackWhenOn)
{
    toggle.setPalette(distinctPalette(toggle.palette()));
    // The middles of the two ends of the track.
    const QPointF left(12.5, 10.5), right(28.5, 10.5);
    const struct {
        const char *what;
        bool on, enabled;
        QColor left, right;
    } cases[] = {
        // Off, the thumb takes the text's colour, which stands out from the
        // track and the window alike.
        {"off", false, true, OffThumb, OffTrack},
        {"on", true, true, OnTrack, Thumb},
        {"off and disabled", false, false, OffThumb, OffTrack},
        {"on and disabled", true, false, DisabledOnTrack, Thumb},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        toggle.setEnabled(c.enabled);
        toggle.setChecked(c.on);
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(ratio);
            const QImage image = renderAt(toggle, ratio, Background);
            EXPECT_EQ(pixelAt(image, left), c.left);
            EXPECT_EQ(pixelAt(image, right), c.right);
            EXPECT_EQ(pixelAt(image, {0, 0}), Background);
        }
    }
}

TEST_F(OnOffSwitchTest, CheckedUncheckedFocusedAndDisabledLookDifferent)
{
    const QImage off = renderAt(toggle, 2, Background);
    toggle.setChecked(true);
    const QImage on = renderAt(toggle, 2, Background);
    EXPECT_NE(on, off);

    toggle.setEnabled(false);
    EXPECT_NE(renderAt(toggle, 2, Background), on);
    toggle.setEnabled(true);

    toggle.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&toggle));
    toggle.clearFocus();
    const QImage unfocused = renderAt(toggle, 2, Background);
    toggle.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(toggle.hasFocus());
    EXPECT_NE(renderAt(toggle, 2, Background), unfocused);
}

TEST_F(OnOffSwitchTest, IsACheckBoxToAssistiveTechnology)
{
    toggle.setAccessibleName(QStringLiteral("Bypass"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&toggle);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::CheckBox);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Bypass"));
    EXPECT_TRUE(iface->state().checkable);
    EXPECT_FALSE(iface->state().checked);
    QTest::mouseClick(&toggle, Qt::LeftButton);
    EXPECT_TRUE(iface->state().checked);
}
