// Where a window placed by the editor goes in the room a screen leaves, as
// geometry; the real windows on small screens are tried in tests/smallscreen.

#include "prefs/WindowPlacement.h"

#include <gtest/gtest.h>

TEST(WindowPlacementTest, FramesAreMovedIntoTheRoomAndMadeNoLargerThanIt)
{
    const QRect room(0, 0, 800, 560);  // a screen less its task bar
    struct Case {
        const char *what;
        QRect wished;
        QSize minimum;
        QRect placed;
    };
    const Case cases[] = {
        {"fits: stays", {37, 31, 300, 200}, {300, 200}, {37, 31, 300, 200}},
        {"off the right edge", {1075, 0, 510, 700}, {150, 100}, {290, 0, 510, 560}},
        {"off the bottom", {100, 500, 300, 200}, {300, 200}, {100, 360, 300, 200}},
        {"off the left and the top", {-50, -20, 300, 200}, {300, 200}, {0, 0, 300, 200}},
        {"taller than the room, can shrink", {10, 10, 300, 900}, {300, 100}, {10, 0, 300, 560}},
        {"shrinks no further than its minimum", {10, 10, 300, 900}, {300, 600}, {10, 0, 300, 600}},
        {"wider than the room, cannot shrink", {500, 10, 1000, 200}, {1000, 200}, {0, 10, 1000, 200}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(WindowPlacement::fitted(c.wished, room, c.minimum), c.placed) << c.what;

    // A room that does not start at the origin: a second screen.
    EXPECT_EQ(WindowPlacement::fitted({1700, 900, 400, 300}, {1920, 0, 1280, 1024}, {400, 300}),
              QRect(1920, 724, 400, 300));
}

// The client area leaves room for the frame: a title bar 28 high and
// borders of 4, faked, as a window manager adds them.
TEST(WindowPlacementTest, TheClientAreaLeavesTheFrameInsideTheRoom)
{
    const QMargins frame(4, 28, 4, 4);
    const struct Case {
        const char *what;
        QRect room;
        QPoint frameTopLeft;
        QSize client;
        QSize minimum;
        QRect placed;  // the client area
    } cases[] = {
        {"fits: below its title bar", {0, 0, 800, 560}, {37, 31}, {300, 200}, {300, 200}, {41, 59, 300, 200}},
        {"the Debug Console at the top right", {0, 0, 800, 560}, {1075, 0}, {506, 676}, {150, 100},
         {290, 28, 506, 528}},
        {"below a top panel", {0, 27, 1280, 773}, {1075, 0}, {506, 676}, {150, 100}, {770, 55, 506, 676}},
        {"off the left of a second screen", {1920, 0, 1280, 1024}, {1800, 100}, {400, 300}, {400, 300},
         {1924, 128, 400, 300}},
    };
    for (const Case &c : cases) {
        const QRect client = WindowPlacement::clientArea(c.frameTopLeft, c.client, c.minimum, frame, c.room);
        EXPECT_EQ(client, c.placed) << c.what;
        EXPECT_TRUE(c.room.contains(client.marginsAdded(frame))) << c.what;
    }
}
