#include "Screen.h"

#include <gtest/gtest.h>

namespace {

TEST(ScreenTest, OurYGoesUpFromTheBottomOfTheMainScreen)
{
    const QRectF screen(0, 0, 1920, 1080);
    struct Case {
        QRectF qt;
        QRectF ours;
    };
    const Case cases[] = {
        {{0, 0, 100, 50}, {0, 1030, 100, 50}},        // top left corner
        {{10, 1030, 100, 50}, {10, 0, 100, 50}},      // bottom left corner
        {{500, 200, 300, 400}, {500, 480, 300, 400}},
        {{2000, -100, 50, 50}, {2000, 1130, 50, 50}},  // a screen above and to the right
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Screen::fromQt(c.qt, screen), c.ours);
        EXPECT_EQ(Screen::toQt(c.ours, screen), c.qt);
    }
    // A main screen that does not start at Qt's origin: its bottom left is
    // still our origin.
    const QRectF offset(300, 100, 800, 600);
    EXPECT_EQ(Screen::fromQt(QRectF(300, 100, 10, 10), offset), QRectF(0, 590, 10, 10));
    EXPECT_EQ(Screen::toQt(QRectF(0, 590, 10, 10), offset), QRectF(300, 100, 10, 10));
}

}  // namespace

// A window asked to stand partly off the usable area is shortened where it
// is larger and slid inside; one asked to be centred sits in the middle.
TEST(ScreenTest, FramesAreKeptInsideAndCentredInAnArea)
{
    const QRectF area(0, 0, 1280, 776);  // a 1280 x 800 screen less a 24-high top panel
    struct Case {
        const char* name;
        QRectF frame;
        QRectF kept;
        QRectF centred;
    } cases[] = {
        {"inside stays", {100, 100, 560, 420}, {100, 100, 560, 420}, {360, 178, 560, 420}},
        {"at the origin of Qt's corner", {0, 0, 560, 420}, {0, 0, 560, 420}, {360, 178, 560, 420}},
        {"past the right edge", {1270, 300, 300, 150}, {980, 300, 300, 150}, {490, 313, 300, 150}},
        {"over the top panel", {100, 700, 300, 150}, {100, 626, 300, 150}, {490, 313, 300, 150}},
        {"below the bottom", {100, -40, 300, 150}, {100, 0, 300, 150}, {490, 313, 300, 150}},
        {"taller than the area keeps its top", {10, 100, 300, 900}, {10, 0, 300, 776}, {490, 0, 300, 776}},
        {"wider than the area", {-50, 10, 1500, 100}, {0, 10, 1280, 100}, {0, 338, 1280, 100}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Screen::keptInside(c.frame, area), c.kept) << c.name;
        EXPECT_EQ(Screen::centredIn(c.frame.size(), area), c.centred) << c.name;
    }
    // An area that does not start at the origin (a panel at the bottom).
    EXPECT_EQ(Screen::keptInside(QRectF(0, 0, 100, 100), QRectF(0, 30, 1280, 770)), QRectF(0, 30, 100, 100));
}
