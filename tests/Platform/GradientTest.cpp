#include "Gradient.h"

#include "BezierPath.h"
#include "DrawingTestSupport.h"

#include <gtest/gtest.h>

namespace {

void expectColor(const QColor& actual, const QColor& expected, const char* where)
{
    EXPECT_NEAR(actual.red(), expected.red(), 8) << where;
    EXPECT_NEAR(actual.green(), expected.green(), 8) << where;
    EXPECT_NEAR(actual.blue(), expected.blue(), 8) << where;
    EXPECT_NEAR(actual.alpha(), expected.alpha(), 8) << where;
}

const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255);

TEST(Gradient, ThreeStopsAtZeroDegreesRunLeftToRight)
{
    const Gradient gradient({red, green, blue}, {0.0, 0.5, 1.0});
    const YUpCanvas canvas(101, 20, [&](QPainter& painter) { gradient.drawInRect(painter, {0, 0, 101, 20}, 0); });
    expectColor(canvas.at(0, 10), red, "left end");
    expectColor(canvas.at(50, 10), green, "middle");
    expectColor(canvas.at(100, 10), blue, "right end");
    expectColor(canvas.at(25, 10), QColor(128, 128, 0), "between the first two");
}

TEST(Gradient, NinetyDegreesRunBottomToTopInANonFlippedView)
{
    const Gradient gradient({red, green, blue}, {0.0, 0.5, 1.0});
    const YUpCanvas canvas(20, 101, [&](QPainter& painter) { gradient.drawInRect(painter, {0, 0, 20, 101}, 90); });
    expectColor(canvas.at(10, 0), red, "bottom");
    expectColor(canvas.at(10, 50), green, "middle");
    expectColor(canvas.at(10, 100), blue, "top");
    // The same gradient at 270° turns round.
    const YUpCanvas down(20, 101, [&](QPainter& painter) { gradient.drawInRect(painter, {0, 0, 20, 101}, 270); });
    expectColor(down.at(10, 0), blue, "bottom at 270°");
}

TEST(Gradient, StopsAtTheirLocationsWhateverTheOrderGiven)
{
    const Gradient gradient({blue, red, green}, {1.0, 0.0, 0.2});
    const YUpCanvas canvas(101, 4, [&](QPainter& painter) { gradient.drawInRect(painter, {0, 0, 101, 4}, 0); });
    expectColor(canvas.at(20, 2), green, "the stop at 0.2");
    expectColor(canvas.at(100, 2), blue, "the end");
}

TEST(Gradient, InAPathItFillsOnlyThePathAcrossItsBounds)
{
    const Gradient gradient({red, green, blue}, {0.0, 0.5, 1.0});
    const BezierPath rounded = BezierPath::roundedRect({10, 10, 101, 46}, 6, 6);
    const YUpCanvas canvas(121, 66, [&](QPainter& painter) { gradient.drawInBezierPath(painter, rounded, 0); });
    EXPECT_EQ(canvas.at(10, 10).alpha(), 0) << "the rounded corner stays clear";
    EXPECT_EQ(canvas.at(5, 30).alpha(), 0) << "outside the path";
    expectColor(canvas.at(10, 30), red, "left edge");
    expectColor(canvas.at(60, 30), green, "middle");
    expectColor(canvas.at(110, 30), blue, "right edge");
}

TEST(Gradient, NoColoursDrawNothing)
{
    const Gradient empty({}, {});
    const YUpCanvas canvas(10, 10, [&](QPainter& painter) { empty.drawInRect(painter, {0, 0, 10, 10}, 0); });
    EXPECT_EQ(canvas.at(5, 5).alpha(), 0);
    EXPECT_TRUE(Gradient({red}, {0.5, 0.7}).stops().size() == 1);
}

}  // namespace
