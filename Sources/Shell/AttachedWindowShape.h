#pragma once

#include "BezierPath.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where the arrow window lies relative to the point its arrow tip points at.
// The arrow sits on the opposite edge of the bubble: right edge for 0, 4, 5;
// top edge for 1, 10, 11; left edge for 2, 6, 7; bottom edge for 3, 8, 9.
// The near-corner sides (4 to 11) extend away from the point along that edge.
enum AttachedWindowSide : int {
    AttachedLeft = 0,            // left of the point, centred vertically
    AttachedBelow = 1,           // below, centred horizontally
    AttachedRight = 2,           // right, centred vertically
    AttachedAbove = 3,           // above, centred horizontally
    AttachedLeftUpward = 4,      // left, extending upward
    AttachedLeftDownward = 5,    // left, extending downward
    AttachedRightUpward = 6,     // right, extending upward
    AttachedRightDownward = 7,   // right, extending downward
    AttachedAboveLeftward = 8,   // above, extending leftward
    AttachedAboveRightward = 9,  // above, extending rightward
    AttachedBelowLeftward = 10,  // below, extending leftward
    AttachedBelowRightward = 11, // below, extending rightward
    AttachedAutomatic = 12,      // chosen once, when the window is made
};

// Everything the arrow window's look and place depend on. Lengths are in
// points of a scale-1 screen; `scale` (the screen's) multiplies them where
// they are used. The point is in our screen coordinates (y up).
struct AttachedWindowParameters {
    QSizeF viewSize;
    QPointF point;
    int side = AttachedBelow;
    double distance = 0;
    double scale = 1;

    QColor backgroundColor = QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.75f);
    QColor borderColor = Qt::white;
    double borderWidth = 2;
    double viewMargin = 2;
    double arrowBaseWidth = 20;
    double arrowHeight = 16;
    double cornerRadius = 8;
    bool hasArrow = true;
    bool drawsRoundCornerBesideArrow = true;
    // The part of the screen the window must stay in (our screen
    // coordinates); empty: anywhere.
    QRectF screenArea;
};

// Where the window goes (our screen coordinates) and where its view lies in
// it (window coordinates, y up).
struct AttachedWindowGeometry {
    QRectF frame;
    QRectF viewFrame;
};

// The arrow window's placement and drawing as pure functions: parameters in,
// rectangles, paths and pictures out. The window only applies their answers.
namespace AttachedWindowShape {

// The four edges the arrow can sit on, and the edge of a side (sides outside
// 0...11 count as below, the most common placement).
enum class Edge { Right, Top, Left, Bottom };
Edge arrowEdge(int side);
bool isKnownSide(int side);

// How far the tip of an off-centre arrow lies from the window's corner.
double arrowInset(const AttachedWindowParameters& p);

// The clamps of the setters. A border is never wider than the margin; a
// margin never negative; a corner radius never more than fits the view's
// shorter side beside the arrow, and never negative; an arrow never wider
// than the shorter side less its rounded corners, and never negative.
double clampedBorderWidth(double width, double viewMargin);
double clampedViewMargin(double margin);
double clampedCornerRadius(double radius, const QSizeF& viewSize, double viewMargin, double arrowBaseWidth);
double clampedArrowBaseWidth(double width, const QSizeF& viewSize, double viewMargin, double cornerRadius,
                             bool drawsRoundCornerBesideArrow);

// The window's frame and the view's place in it for the parameters' side.
// The arrow's band stays in the size whether or not the arrow is drawn.
// A frame that would stick out of the screen area is slid inside it (the
// arrow moves with it, a little off its point): a window hung near a corner
// of the screen stays wholly on it. One larger than the area keeps its top
// left corner in it.
AttachedWindowGeometry geometry(const AttachedWindowParameters& p);

// The side an automatic window takes: below, then right, left, above, below
// again when nothing fits; then a near-corner variant when the centred
// placement would stick out of the parent area and the variant still fits the
// screen area. Both areas in our screen coordinates.
int automaticSide(const AttachedWindowParameters& p, const QRectF& screenArea, const QRectF& parentArea);

// The bubble's outline in the window's pixels (y up): a rounded rectangle
// round the view, its edges on whole pixels, with the arrow on its edge.
BezierPath bubblePath(const AttachedWindowParameters& p, const QRectF& viewFrame);

// The window's background: the bubble filled, its outline drawn inside it
// (only the inner half of the line shows), transparent elsewhere. The image
// covers the frame in device pixels and carries the scale as its ratio.
QImage backgroundImage(const AttachedWindowParameters& p, const AttachedWindowGeometry& geometry);

}  // namespace AttachedWindowShape
