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
