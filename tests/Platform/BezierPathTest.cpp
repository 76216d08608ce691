#include "BezierPath.h"

#include "DrawingTestSupport.h"

#include <QPolygonF>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Lengths of the alternating runs of painted and bare pixels along a row,
// starting with the first painted one.
QList<int> runsAlong(const YUpCanvas& canvas, int y, int fromX, int toX)
{
    QList<int> runs;
    bool painted = true;
    int x = fromX;
    while (x < toX && canvas.at(x, y).alpha() < 128) ++x;
    int length = 0;
    for (; x < toX; ++x) {
        const bool here = canvas.at(x, y).alpha() >= 128;
        if (here == painted) {
            ++length;
            continue;
        }
        runs.append(length);
        painted = here;
        length = 1;
    }
    return runs;  // the last, maybe cut short, run is left out
}

TEST(BezierPath, DashLengthsAreInPointsWhateverTheLineWidth)
{
    struct Case {
        qreal width;
        QList<qreal> dash;
        QList<int> expectedRuns;  // on, off, on, off ...
    };
    const Case cases[] = {
        {3, {3, 3}, {3, 3, 3, 3, 3, 3}},
        {2, {6, 2}, {6, 2, 6, 2, 6, 2}},
        {1, {4, 4}, {4, 4, 4, 4}},
        {4, {8, 4, 2, 4}, {8, 4, 2, 4, 8, 4}},
        // An odd pattern repeats with drawn and skipped swapped.
        {2, {5, 3, 1}, {5, 3, 1, 5, 3, 1}},
    };
    for (const Case& c : cases) {
        // Centre the line so that its width covers whole pixels.
        const qreal y = 10 + (int(c.width) % 2 ? 0.5 : 0.0);
        const YUpCanvas canvas(80, 20, [&](QPainter& painter) {
            BezierPath path;
            path.moveTo({0, y});
            path.lineTo({80, y});
            path.setLineWidth(c.width);
            path.setLineDash(c.dash);
            path.stroke(painter, Qt::black);
        });
        const QList<int> runs = runsAlong(canvas, 10, 0, 80).mid(0, c.expectedRuns.size());
        EXPECT_EQ(runs, c.expectedRuns) << "width " << c.width;
    }
}

TEST(BezierPath, DashPhaseShiftsThePatternByPoints)
{
    const YUpCanvas canvas(40, 20, [](QPainter& painter) {
        BezierPath path;
        path.moveTo({0, 10.5});
        path.lineTo({40, 10.5});
        path.setLineWidth(3);
        path.setLineDash({4, 4}, 2);
        path.stroke(painter, Qt::black);
    });
    EXPECT_GE(canvas.at(0, 10).alpha(), 128);
    EXPECT_GE(canvas.at(1, 10).alpha(), 128);
    EXPECT_LT(canvas.at(2, 10).alpha(), 128);  // the first dash lost its first 2 points
    EXPECT_LT(canvas.at(5, 10).alpha(), 128);
    EXPECT_GE(canvas.at(6, 10).alpha(), 128);
}

TEST(BezierPath, RoundJoinsCutTheOuterCornerThatMitresFill)
{
    auto corner = [](Qt::PenJoinStyle join) {
        return YUpCanvas(70, 70, [join](QPainter& painter) {
            BezierPath path;
            path.moveTo({10, 10});
            path.lineTo({50, 10});
            path.lineTo({50, 50});
            path.setLineWidth(10);
            path.setLineJoinStyle(join);
            path.stroke(painter, Qt::black);
        });
    };
    // (54.5, 5.5) lies in the mitre's square but 6.4 points from the joint.
    EXPECT_GE(corner(Qt::MiterJoin).at(54, 5).alpha(), 250);
    EXPECT_EQ(corner(Qt::RoundJoin).at(54, 5).alpha(), 0);
    EXPECT_GE(corner(Qt::RoundJoin).at(52, 7).alpha(), 250);  // inside the round
}

TEST(BezierPath, ArcFromPointIsTangentToBothEdgesOfTheCorner)
{
    struct Case {
        QPointF toPoint;
        QPointF center, end;
    };
    // From (0, 0) towards the corner (10, 0), radius 4, turning up then down.
    const Case cases[] = {
        {{10, 10}, {6, 4}, {10, 4}},
        {{10, -10}, {6, -4}, {10, -4}},
        {{20, 10}, {10 - 4 * std::tan(M_PI / 8), 4}, {}},  // a 135° corner
    };
    for (const Case& c : cases) {
        BezierPath path;
        path.moveTo({0, 0});
        path.appendArcFromPoint({10, 0}, c.toPoint, 4);
        if (!c.end.isNull()) {
            EXPECT_NEAR(QLineF(path.currentPoint(), c.end).length(), 0, 1e-6);
        }
        // Every point of the arc is the radius away from the centre.
        double worst = 0;
        const QPolygonF points = path.painterPath().toSubpathPolygons().value(0);
        for (qsizetype i = 2; i < points.size(); ++i)
            worst = std::max(worst, std::abs(QLineF(points[i], c.center).length() - 4.0));
        EXPECT_LT(worst, 0.01) << c.toPoint.x() << "," << c.toPoint.y();
        // The arc leaves the first edge at the tangent point, straight on.
        EXPECT_NEAR(points.value(1).y(), 0, 1e-6);
        EXPECT_NEAR(points.value(1).x(), c.center.x(), 1e-6);
    }
}

TEST(BezierPath, ArcFromPointWithoutACornerDrawsALine)
{
    BezierPath straight;
    straight.moveTo({0, 0});
    straight.appendArcFromPoint({10, 0}, {20, 0}, 4);
    EXPECT_EQ(straight.currentPoint(), QPointF(10, 0));

    BezierPath noRadius;
    noRadius.moveTo({0, 0});
    noRadius.appendArcFromPoint({10, 0}, {10, 10}, 0);
    EXPECT_EQ(noRadius.currentPoint(), QPointF(10, 0));
}

TEST(BezierPath, ArcByAnglesTurnsCounterClockwiseInOurCoordinatesUnlessTold)
{
    struct Case {
        qreal start, end;
        bool clockwise;
        QPointF endPoint;
        QRectF bounds;
    };
    const Case cases[] = {
        {0, 90, false, {0, 10}, {0, 0, 10, 10}},
        {0, 90, true, {0, 10}, {-10, -10, 20, 20}},  // three quarters, through 270° and 180°
        {90, 0, true, {10, 0}, {0, 0, 10, 10}},
        {180, 270, false, {0, -10}, {-10, -10, 10, 10}},
        {0, 360, false, {10, 0}, {-10, -10, 20, 20}},  // a whole turn
    };
    for (const Case& c : cases) {
        BezierPath path;
        path.moveTo({0, 0});
        path.appendArc({0, 0}, 10, c.start, c.end, c.clockwise);
        EXPECT_NEAR(QLineF(path.currentPoint(), c.endPoint).length(), 0, 1e-6) << c.start << "→" << c.end;
        const QRectF bounds = path.bounds();
        EXPECT_NEAR(bounds.left(), c.bounds.left(), 1e-3) << c.start << "→" << c.end;
        EXPECT_NEAR(bounds.top(), c.bounds.top(), 1e-3) << c.start << "→" << c.end;
        EXPECT_NEAR(bounds.right(), c.bounds.right(), 1e-3) << c.start << "→" << c.end;
        EXPECT_NEAR(bounds.bottom(), c.bounds.bottom(), 1e-3) << c.start << "→" << c.end;
    }
}

TEST(BezierPath, FillUsesTheWindingRuleUnlessTold)
{
    auto ring = [](Qt::FillRule rule) {
        return YUpCanvas(40, 40, [rule](QPainter& painter) {
            BezierPath path = BezierPath::rect({0, 0, 40, 40});
            path.appendRect({10, 10, 20, 20});
            if (rule == Qt::OddEvenFill) path.setWindingRule(rule);
            path.fill(painter, Qt::black);
        });
    };
    EXPECT_EQ(ring(Qt::WindingFill).at(20, 20).alpha(), 255);
    EXPECT_EQ(ring(Qt::OddEvenFill).at(20, 20).alpha(), 0);
}

}  // namespace
