#include "ScreenGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(ScreenGeometryTest, OurYGoesUpFromTheBottomOfTheMainScreen)
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
        EXPECT_EQ(ScreenGeometry::fromQt(c.qt, screen), c.ours);
        EXPECT_EQ(ScreenGeometry::toQt(c.ours, screen), c.qt);
    }
    // A main screen that does not start at Qt's origin.
    EXPECT_EQ(ScreenGeometry::fromQt(QRectF(0, 100, 10, 10), QRectF(0, 100, 800, 600)), QRectF(0, 590, 10, 10));
}

}  // namespace
