// The arrow window's placement and bubble as pure functions: the side an
// automatic window takes, where each side puts the window, the outline's
// corners and arrow, and the picture the window shows.
#include "AttachedWindowShape.h"

#include "Screenshot.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

using namespace AttachedWindowShape;

namespace {

AttachedWindowParameters params(const QSizeF& viewSize, const QPointF& point, int side)
{
    AttachedWindowParameters p;
    p.viewSize = viewSize;
    p.point = point;
    p.side = side;
    return p;
}

// The image's pixel at a point of the window's pixels, y up.
QColor pixelAt(const QImage& image, double x, double y)
{
    return image.pixelColor(int(x), image.height() - 1 - int(y));
}

bool sameColour(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2 && std::abs(a.alpha() - b.alpha()) <= 2;
}

QList<QPointF> vertices(const BezierPath& path)
{
    QList<QPointF> points;
    const QPainterPath& p = path.painterPath();
    for (int i = 0; i < p.elementCount(); ++i) points.append(QPointF(p.elementAt(i)));
    return points;
}

}  // namespace

TEST(AttachedWindowShape, SettersClampToWhatFitsTheView)
{
    EXPECT_EQ(clampedBorderWidth(5, 2), 2);
    EXPECT_EQ(clampedBorderWidth(1, 6), 1);
    EXPECT_EQ(clampedViewMargin(-3), 0);
    EXPECT_EQ(clampedViewMargin(6), 6);
    // A 100 x 60 view with a 2-point margin and a 20-point arrow leaves
    // (60 + 4 - 20) / 2 = 22 for each corner.
    const QSizeF view(100, 60);
    EXPECT_EQ(clampedCornerRadius(1000, view, 2, 20), 22);
    EXPECT_EQ(clampedCornerRadius(8, view, 2, 20), 8);
    EXPECT_EQ(clampedCornerRadius(-5, view, 2, 20), 0);
    EXPECT_EQ(clampedCornerRadius(8, QSizeF(4, 4), 0, 20), 0);  // nothing fits: square, never negative
    // The arrow keeps the shorter side less the corner beside it, and less
    // the other corner too when both are rounded.
    EXPECT_EQ(clampedArrowBaseWidth(100, view, 2, 22, true), 20);
    EXPECT_EQ(clampedArrowBaseWidth(100, view, 2, 22, false), 42);
    EXPECT_EQ(clampedArrowBaseWidth(15, view, 2, 22, true), 15);
    EXPECT_EQ(clampedArrowBaseWidth(20, QSizeF(4, 4), 0, 8, true), 0);
}

TEST(AttachedWindowShape, AutomaticSidePrefersBelowThenRightLeftAboveAndFallsBackToBelow)
{
    // A 100 x 100 view: window 104 x 104 with the default margin, arrow 16,
    // arrow inset 10 + 8 = 18.
    const QSizeF view(100, 100);
    const QRectF screen(0, 0, 1000, 800);
    struct Case {
        const char* name;
        QPointF point;
        QRectF screen;
        QRectF parent;
        int side;
    } cases[] = {
        {"room below", {500, 400}, screen, screen, AttachedBelow},
        {"no room below: right", {500, 100}, screen, screen, AttachedRight},
        {"no room below or right: left", {950, 100}, screen, screen, AttachedLeft},
        {"only above", {100, 50}, {0, 0, 200, 800}, {0, 0, 200, 800}, AttachedAbove},
        {"nothing fits: below", {100, 50}, {0, 0, 200, 150}, {0, 0, 200, 150}, AttachedBelow},
        // Near-corner variants, only where the centred window sticks out of
        // the parent and the variant fits the screen.
        {"below, near the left edge", {30, 400}, screen, screen, AttachedBelowRightward},
        {"below, near the left edge of a screen too narrow", {30, 400}, {0, 0, 100, 800}, {0, 0, 100, 800},
         AttachedBelow},
        {"below, near the right edge", {980, 400}, screen, screen, AttachedBelowLeftward},
        {"right, near the bottom", {500, 30}, screen, screen, AttachedRightUpward},
        {"right, near a low parent's top", {50, 100}, screen, {0, 0, 1000, 120}, AttachedRightDownward},
        {"left, near the bottom", {950, 30}, screen, screen, AttachedLeftUpward},
        {"left, near a low parent's top", {950, 90}, screen, {0, 0, 1000, 100}, AttachedLeftDownward},
        {"above, parent starting right of the window", {100, 50}, {0, 0, 200, 800}, {50, 0, 100, 800},
         AttachedAboveRightward},
        {"above, parent ending left of the window", {100, 50}, {0, 0, 200, 800}, {0, 0, 140, 800},
         AttachedAboveLeftward},
    };
    for (const Case& c : cases) {
        const AttachedWindowParameters p = params(view, c.point, AttachedAutomatic);
        EXPECT_EQ(automaticSide(p, c.screen, c.parent), c.side) << c.name;
    }
}

TEST(AttachedWindowShape, EachSidePlacesTheWindowBesideThePoint)
{
    // View 100 x 50, margin 2, arrow 16, distance 3, inset 18. Windows with
    // the arrow on a side edge are 120 x 54, the others 104 x 70.
    const double px = 500, py = 400;
    struct Case {
        int side;
        QRectF frame;
        QPointF viewOrigin;
    } cases[] = {
        {0, {px - 120 - 3, py - 27, 120, 54}, {2, 2}},
        {1, {px - 52, py - 70 - 3, 104, 70}, {2, 2}},
        {2, {px + 3, py - 27, 120, 54}, {18, 2}},
        {3, {px - 52, py + 3, 104, 70}, {2, 18}},
        {4, {px - 123, py - 18, 120, 54}, {2, 2}},
        {5, {px - 123, py - (54 - 18), 120, 54}, {2, 2}},
        {6, {px + 3, py - 18, 120, 54}, {18, 2}},
        {7, {px + 3, py - (54 - 18), 120, 54}, {18, 2}},
        {8, {px - (104 - 18), py + 3, 104, 70}, {2, 18}},
        {9, {px - 18, py + 3, 104, 70}, {2, 18}},
        {10, {px - (104 - 18), py - 73, 104, 70}, {2, 2}},
        {11, {px - 18, py - 73, 104, 70}, {2, 2}},
    };
    for (const Case& c : cases) {
        AttachedWindowParameters p = params(QSizeF(100, 50), QPointF(px, py), c.side);
        p.distance = 3;
        const AttachedWindowGeometry g = geometry(p);
        EXPECT_EQ(g.frame, c.frame) << "side " << c.side;
        EXPECT_EQ(g.viewFrame, QRectF(c.viewOrigin, QSizeF(100, 50))) << "side " << c.side;
        // The arrow's band stays whether the arrow is drawn or not.
        p.hasArrow = false;
        EXPECT_EQ(geometry(p).frame, c.frame) << "side " << c.side;
    }
}

TEST(AttachedWindowShape, TheArrowTipPointsAtThePointForEverySide)
{
    // Across geometry and path: the tip, taken back to the screen, lies the
    // distance away from the point, to within the pixel the edges are pulled in.
    for (bool roundBeside : {true, false}) {
        for (int side = 0; side <= 11; ++side) {
            AttachedWindowParameters p = params(QSizeF(120, 80), QPointF(400, 300), side);
            p.distance = 5;
            p.drawsRoundCornerBesideArrow = roundBeside;
            const AttachedWindowGeometry g = geometry(p);
            const QList<QPointF> points = vertices(bubblePath(p, g.viewFrame));
            const Edge edge = arrowEdge(side);
            auto outward = [&](const QPointF& v) {
                switch (edge) {
                case Edge::Right: return v.x();
                case Edge::Top: return v.y();
                case Edge::Left: return -v.x();
                case Edge::Bottom: return -v.y();
                }
                return 0.0;
            };
            QPointF tip = points.first();
            for (const QPointF& v : points)
                if (outward(v) > outward(tip)) tip = v;
            const QPointF onScreen = g.frame.topLeft() + tip;
            QPointF expected = p.point;
            switch (edge) {
            case Edge::Right: expected.rx() -= p.distance; break;
            case Edge::Top: expected.ry() -= p.distance; break;
            case Edge::Left: expected.rx() += p.distance; break;
            case Edge::Bottom: expected.ry() += p.distance; break;
            }
            EXPECT_NEAR(onScreen.x(), expected.x(), 1.01) << "side " << side << " round beside " << roundBeside;
            EXPECT_NEAR(onScreen.y(), expected.y(), 1.01) << "side " << side << " round beside " << roundBeside;
        }
    }
}

TEST(AttachedWindowShape, TheCornerBesideAnOffCentreArrowIsSquareOnlyWhenAsked)
{
    // The square corner is a vertex of the path; a rounded one never is.
    struct Case {
        int side;
        const char* squareCorner;
    } cases[] = {{4, "BR"}, {5, "TR"}, {6, "BL"}, {7, "TL"}, {8, "BR"}, {9, "BL"}, {10, "TR"}, {11, "TL"}};
    for (const Case& c : cases) {
        AttachedWindowParameters p = params(QSizeF(100, 80), QPointF(300, 300), c.side);
        const AttachedWindowGeometry g = geometry(p);
        const QRectF content = g.viewFrame.adjusted(-2, -2, 2, 2);
        const double L = std::ceil(content.left() + 0.5), R = std::floor(content.right() - 0.5);
        const double B = std::ceil(content.top() + 0.5), T = std::floor(content.bottom() - 0.5);
        const QList<std::pair<QString, QPointF>> corners = {
            {"TL", {L, T}}, {"TR", {R, T}}, {"BR", {R, B}}, {"BL", {L, B}}};

        for (const auto& [name, corner] : corners)
            EXPECT_FALSE(vertices(bubblePath(p, g.viewFrame)).contains(corner))
                << "side " << c.side << " corner " << name.toStdString() << " rounded by default";

        p.drawsRoundCornerBesideArrow = false;
        const QList<QPointF> points = vertices(bubblePath(p, g.viewFrame));
        for (const auto& [name, corner] : corners)
            EXPECT_EQ(points.contains(corner), name == QLatin1String(c.squareCorner))
                << "side " << c.side << " corner " << name.toStdString();
    }

    // Below extending rightward: the arrow starts flush at the square corner.
    AttachedWindowParameters p = params(QSizeF(100, 80), QPointF(300, 300), AttachedBelowRightward);
    p.drawsRoundCornerBesideArrow = false;
    const AttachedWindowGeometry g = geometry(p);
    const QList<QPointF> points = vertices(bubblePath(p, g.viewFrame));
    ASSERT_GE(points.size(), 3);
    const double L = std::ceil(0.5), T = std::floor(84 - 0.5);
    EXPECT_EQ(points[0], QPointF(L, T));
    EXPECT_EQ(points[1], QPointF(L + 10, T + 16));
    EXPECT_EQ(points[2], QPointF(L + 20, T));
}

TEST(AttachedWindowShape, EdgesSitOnWholePixelsAndTheJoinsAreRound)
{
    AttachedWindowParameters p = params(QSizeF(100.3, 60.6), QPointF(0, 0), AttachedBelow);
    p.viewMargin = 2.25;
    const AttachedWindowGeometry g = geometry(p);
    const BezierPath path = bubblePath(p, g.viewFrame);
    EXPECT_EQ(path.lineJoinStyle(), Qt::RoundJoin);
    const QRectF bounds = path.bounds();
    EXPECT_EQ(bounds.left(), std::round(bounds.left()));
    EXPECT_EQ(bounds.right(), std::round(bounds.right()));
    EXPECT_EQ(bounds.top(), std::round(bounds.top()));
}

TEST(AttachedWindowShape, TheBackgroundFillsTheBubbleWithTheInnerHalfOfItsOutline)
{
    AttachedWindowParameters p = params(QSizeF(100, 80), QPointF(300, 300), AttachedBelow);
    p.viewMargin = 4;
    p.borderWidth = 4;
    p.cornerRadius = 0;
    p.backgroundColor = QColor(10, 40, 200);
    p.borderColor = QColor(240, 200, 20);
    const AttachedWindowGeometry g = geometry(p);
    const QImage image = backgroundImage(p, g);
    ASSERT_EQ(image.size(), g.frame.size().toSize());

    // The left edge is the pixel line at x = 1: the 4-pixel outline centred
    // on it shows only its 2 inner pixels.
    const double y = 40;
    EXPECT_EQ(pixelAt(image, 0, y).alpha(), 0);
    EXPECT_TRUE(sameColour(pixelAt(image, 1, y), p.borderColor));
    EXPECT_TRUE(sameColour(pixelAt(image, 2, y), p.borderColor));
    EXPECT_TRUE(sameColour(pixelAt(image, 4, y), p.backgroundColor));
    EXPECT_TRUE(sameColour(pixelAt(image, 50, y), p.backgroundColor));

    // The arrow is filled where it points up out of the top edge; beside it
    // the band is clear.
    const double topEdge = std::floor(88 - 0.5);
    EXPECT_TRUE(sameColour(pixelAt(image, g.frame.width() / 2, topEdge + 6), p.backgroundColor));
    EXPECT_EQ(pixelAt(image, 10, topEdge + 6).alpha(), 0);

    // Without the arrow the band stays, empty: the same size, nothing drawn
    // above the top edge.
    p.hasArrow = false;
    const QImage plain = backgroundImage(p, geometry(p));
    ASSERT_EQ(plain.size(), image.size());
    for (int x = 0; x < plain.width(); ++x)
        for (double band = topEdge + 2; band < plain.height(); ++band)
            ASSERT_EQ(pixelAt(plain, x, band).alpha(), 0) << x << "," << band;
}

TEST(AttachedWindowShape, AWindowTooLargeToDrawGivesNoBackgroundInsteadOfStopping)
{
    AttachedWindowParameters p = params(QSizeF(1e6, 1e6), QPointF(0, 0), AttachedBelow);
    EXPECT_TRUE(backgroundImage(p, geometry(p)).isNull());
    p.viewSize = QSizeF(-10, -10);
    const AttachedWindowGeometry g = geometry(p);
    EXPECT_GE(g.frame.width(), 0);
    EXPECT_TRUE(backgroundImage(p, g).size().isValid());
}

// Every side with and without the arrow, for people to look at: the main
// window's colours, the 12 sides in a row, the arrow off in the row below.
TEST(AttachedWindowShape, ScreenshotOfEverySide)
{
    const int cell = 170;
    QImage sheet(cell * 12, cell * 2, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(236, 236, 236));
    QPainter painter(&sheet);
    for (int row = 0; row < 2; ++row) {
        for (int side = 0; side <= 11; ++side) {
            AttachedWindowParameters p = params(QSizeF(110, 90), QPointF(0, 0), side);
            p.backgroundColor = QColor(12, 34, 83);
            p.borderColor = QColor(255, 160, 40);
            p.borderWidth = 2;
            p.viewMargin = 6;
            p.cornerRadius = 8;
            p.arrowHeight = 14;
            p.drawsRoundCornerBesideArrow = side % 2 == 0;
            p.hasArrow = row == 0;
            const AttachedWindowGeometry g = geometry(p);
            const QImage image = backgroundImage(p, g);
            const QPointF origin(side * cell + (cell - image.width()) / 2.0, row * cell + (cell - image.height()) / 2.0);
            painter.drawImage(origin, image);
            // Where the hosted view goes, and the number of the side.
            const QRectF view(origin.x() + g.viewFrame.x(), origin.y() + image.height() - g.viewFrame.bottom(),
                              g.viewFrame.width(), g.viewFrame.height());
            painter.fillRect(view, QColor(255, 255, 255, 40));
            painter.setPen(Qt::white);
            painter.drawText(view, Qt::AlignCenter, QString::number(side));
        }
    }
    painter.end();
    const QString path = QDir(screenshotFolder()).filePath(QStringLiteral("arrow-window-sides.png"));
    EXPECT_TRUE(sheet.save(path));
}
