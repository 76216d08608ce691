#include "AttachedWindowShape.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace AttachedWindowShape {

namespace {

// Our rectangles run y up: their "top()" in Qt's naming is the lowest edge.
double minY(const QRectF& r) { return r.y(); }
double maxY(const QRectF& r) { return r.y() + r.height(); }
double minX(const QRectF& r) { return r.x(); }
double maxX(const QRectF& r) { return r.x() + r.width(); }

bool isCentred(int side) { return side >= AttachedLeft && side <= AttachedAbove; }

// The corner an off-centre arrow sits beside, which stays square when the
// arrow's corner is not to be rounded.
enum class Corner { None, TopLeft, TopRight, BottomRight, BottomLeft };

Corner cornerBesideArrow(int side)
{
    switch (side) {
    case AttachedRightDownward:
    case AttachedBelowRightward: return Corner::TopLeft;
    case AttachedLeftDownward:
    case AttachedBelowLeftward: return Corner::TopRight;
    case AttachedLeftUpward:
    case AttachedAboveLeftward: return Corner::BottomRight;
    case AttachedRightUpward:
    case AttachedAboveRightward: return Corner::BottomLeft;
    default: return Corner::None;
    }
}

// The arrow drawn from the current point while its edge is walked clockwise:
// out to the tip and back onto the edge one base width further on.
void appendArrow(BezierPath& path, Edge edge, double base, double height)
{
    const QPointF c = path.currentPoint();
    switch (edge) {
    case Edge::Right:  // walking down
        path.lineTo(QPointF(c.x() + height, c.y() - base / 2));
        path.lineTo(QPointF(c.x(), c.y() - base));
        break;
    case Edge::Top:  // walking right
        path.lineTo(QPointF(c.x() + base / 2, c.y() + height));
        path.lineTo(QPointF(c.x() + base, c.y()));
        break;
    case Edge::Left:  // walking up
        path.lineTo(QPointF(c.x() - height, c.y() + base / 2));
        path.lineTo(QPointF(c.x(), c.y() + base));
        break;
    case Edge::Bottom:  // walking left
        path.lineTo(QPointF(c.x() - base / 2, c.y() - height));
        path.lineTo(QPointF(c.x() - base, c.y()));
        break;
    }
}

}  // namespace

bool isKnownSide(int side)
{
    return side >= AttachedLeft && side <= AttachedBelowRightward;
}

Edge arrowEdge(int side)
{
    switch (side) {
    case AttachedLeft:
    case AttachedLeftUpward:
    case AttachedLeftDownward: return Edge::Right;
    case AttachedRight:
    case AttachedRightUpward:
    case AttachedRightDownward: return Edge::Left;
    case AttachedAbove:
    case AttachedAboveLeftward:
    case AttachedAboveRightward: return Edge::Bottom;
    default: return Edge::Top;
    }
}

double arrowInset(const AttachedWindowParameters& p)
{
    return (p.arrowBaseWidth / 2 + (p.drawsRoundCornerBesideArrow ? p.cornerRadius : 0)) * p.scale;
}

double clampedBorderWidth(double width, double viewMargin)
{
    return std::min(width, viewMargin);
}

double clampedViewMargin(double margin)
{
    return std::max(margin, 0.0);
}

double clampedCornerRadius(double radius, const QSizeF& viewSize, double viewMargin, double arrowBaseWidth)
{
    const double largest =
        (std::min(viewSize.width(), viewSize.height()) + 2 * viewMargin - arrowBaseWidth) / 2;
    return std::max(std::min(radius, largest), 0.0);
}

double clampedArrowBaseWidth(double width, const QSizeF& viewSize, double viewMargin, double cornerRadius,
                             bool drawsRoundCornerBesideArrow)
{
    double largest = std::min(viewSize.width(), viewSize.height()) + 2 * viewMargin - cornerRadius;
    if (drawsRoundCornerBesideArrow) largest -= cornerRadius;
    // A view smaller than its corners leaves no room: no arrow rather than
    // one drawn inside out.
    return std::max(std::min(width, largest), 0.0);
}

AttachedWindowGeometry geometry(const AttachedWindowParameters& p)
{
    const double w = std::max(0.0, p.viewSize.width());
    const double h = std::max(0.0, p.viewSize.height());
    const double m = p.viewMargin * p.scale;
    const double a = p.arrowHeight * p.scale;
    const Edge edge = arrowEdge(p.side);

    QRectF viewFrame(m, m, w, h);
    QSizeF size(w + 2 * m, h + 2 * m);
    if (edge == Edge::Right || edge == Edge::Left) size.rwidth() += a;
    else size.rheight() += a;
    if (edge == Edge::Left) viewFrame.translate(a, 0);
    if (edge == Edge::Bottom) viewFrame.translate(0, a);

    const double W = size.width(), H = size.height(), d = p.distance, i = arrowInset(p);
    const double px = p.point.x(), py = p.point.y();
    QPointF origin;
    switch (isKnownSide(p.side) ? p.side : int(AttachedBelow)) {
    case AttachedLeft: origin = QPointF(px - W - d, py - H / 2); break;
    case AttachedBelow: origin = QPointF(px - W / 2, py - H - d); break;
    case AttachedRight: origin = QPointF(px + d, py - H / 2); break;
    case AttachedAbove: origin = QPointF(px - W / 2, py + d); break;
    case AttachedLeftUpward: origin = QPointF(px - W - d, py - i); break;
    case AttachedLeftDownward: origin = QPointF(px - W - d, py - (H - i)); break;
    case AttachedRightUpward: origin = QPointF(px + d, py - i); break;
    case AttachedRightDownward: origin = QPointF(px + d, py - (H - i)); break;
    case AttachedAboveLeftward: origin = QPointF(px - (W - i), py + d); break;
    case AttachedAboveRightward: origin = QPointF(px - i, py + d); break;
    case AttachedBelowLeftward: origin = QPointF(px - (W - i), py - H - d); break;
    case AttachedBelowRightward: origin = QPointF(px - i, py - H - d); break;
    }
    const QRectF area = p.screenArea;
    if (!area.isEmpty()) {
        origin.setX(std::max(minX(area), std::min(origin.x(), maxX(area) - W)));
        origin.setY(std::min(maxY(area) - H, std::max(origin.y(), minY(area))));
    }
    return {QRectF(origin, size), viewFrame};
}

int automaticSide(const AttachedWindowParameters& p, const QRectF& S, const QRectF& P)
{
    const double m = p.viewMargin * p.scale;
    const double W = p.viewSize.width() + 2 * m;
    const double H = p.viewSize.height() + 2 * m;
    const double A = p.distance + p.arrowHeight * p.scale;
    const double px = p.point.x(), py = p.point.y();

    int side = AttachedBelow;
    if (py - H - A >= minY(S)) side = AttachedBelow;
    else if (px + W + A < maxX(S)) side = AttachedRight;
    else if (px - W - A >= minX(S)) side = AttachedLeft;
    else if (py + H + A < maxY(S)) side = AttachedAbove;

    const double i = arrowInset(p);
    if (side == AttachedLeft || side == AttachedRight) {
        const bool left = side == AttachedLeft;
        if (minY(P) > py - H / 2) {
            if (py + H - i < maxY(S)) side = left ? AttachedLeftUpward : AttachedRightUpward;
        } else if (py + H / 2 >= maxY(P)) {
            if (py - H + i >= minY(S)) side = left ? AttachedLeftDownward : AttachedRightDownward;
        }
    } else {
        const bool below = side == AttachedBelow;
        if (minX(P) > px - W / 2) {
            if (px + W - i < maxX(S)) side = below ? AttachedBelowRightward : AttachedAboveRightward;
        } else if (px + W / 2 >= maxX(P)) {
            if (px - W + i >= minX(S)) side = below ? AttachedBelowLeftward : AttachedAboveLeftward;
        }
    }
    return side;
}

BezierPath bubblePath(const AttachedWindowParameters& p, const QRectF& viewFrame)
{
    const double s = p.scale;
    const QRectF content = viewFrame.adjusted(-p.viewMargin * s, -p.viewMargin * s, p.viewMargin * s,
                                              p.viewMargin * s);
    const double x = content.x(), y = content.y(), w = content.width(), h = content.height();
    // Edges on whole pixels, so a one-pixel outline stays sharp.
    const double L = std::ceil(s * x + 0.5);
    const double R = std::floor(s * (x + w) - 0.5);
    const double B = std::ceil(s * y + 0.5);
    const double T = std::floor(s * (y + h) - 0.5);
    const double midX = s * (x + w / 2);
    const double midY = s * (y + h / 2);
    const double r = p.cornerRadius * s;
    const double b = p.arrowBaseWidth * s;
    const double arrowLength = p.arrowHeight * s;

    const int side = isKnownSide(p.side) ? p.side : int(AttachedBelow);
    const Edge edge = arrowEdge(side);
    const Corner beside = cornerBesideArrow(side);
    auto rounded = [&](Corner corner) { return r > 0 && (p.drawsRoundCornerBesideArrow || corner != beside); };
    const bool tl = rounded(Corner::TopLeft), tr = rounded(Corner::TopRight);
    const bool br = rounded(Corner::BottomRight), bl = rounded(Corner::BottomLeft);

    BezierPath path;
    path.setLineJoinStyle(Qt::RoundJoin);

    // Walks one edge to its end, putting the arrow on it when it is the
    // arrow's: centred, at the edge's start, or one base before its end.
    // `along` maps a position on the edge to its point.
    auto walk = [&](Edge thisEdge, double middleBeforeArrow, double end, bool arrowAtStart, bool arrowAtEnd,
                    const auto& along, int direction) {
        if (p.hasArrow && edge == thisEdge) {
            if (isCentred(side)) {
                path.lineTo(along(middleBeforeArrow));
                appendArrow(path, thisEdge, b, arrowLength);
            } else if (arrowAtStart) {
                appendArrow(path, thisEdge, b, arrowLength);
            } else if (arrowAtEnd) {
                path.lineTo(along(end - direction * b));
                appendArrow(path, thisEdge, b, arrowLength);
            }
        }
        path.lineTo(along(end));
    };

    path.moveTo(QPointF(L + (tl ? r : 0), T));

    // Top edge, walking right.
    walk(Edge::Top, midX - b / 2, R - (tr ? r : 0), side == AttachedBelowRightward, side == AttachedBelowLeftward,
         [&](double v) { return QPointF(v, T); }, +1);
    if (tr) path.appendArcFromPoint(QPointF(R, T), QPointF(R, T - r), r);

    // Right edge, walking down.
    walk(Edge::Right, midY + b / 2, B + (br ? r : 0), side == AttachedLeftDownward, side == AttachedLeftUpward,
         [&](double v) { return QPointF(R, v); }, -1);
    if (br) path.appendArcFromPoint(QPointF(R, B), QPointF(R - r, B), r);

    // Bottom edge, walking left.
    walk(Edge::Bottom, midX + b / 2, L + (bl ? r : 0), side == AttachedAboveLeftward, side == AttachedAboveRightward,
         [&](double v) { return QPointF(v, B); }, -1);
    if (bl) path.appendArcFromPoint(QPointF(L, B), QPointF(L, B + r), r);

    // Left edge, walking up.
    walk(Edge::Left, midY - b / 2, T - (tl ? r : 0), side == AttachedRightUpward, side == AttachedRightDownward,
         [&](double v) { return QPointF(L, v); }, +1);
    if (tl) path.appendArcFromPoint(QPointF(L, T), QPointF(L + r, T), r);

    path.closePath();
    return path;
}

QImage backgroundImage(const AttachedWindowParameters& p, const AttachedWindowGeometry& g)
{
    const double s = p.scale > 0 && std::isfinite(p.scale) ? p.scale : 1.0;
    const double width = std::ceil(g.frame.width() * s), height = std::ceil(g.frame.height() * s);
    if (!(width >= 1 && height >= 1) || width * height > 64.0 * 1024 * 1024) {
        if (width * height > 0) qWarning() << "The arrow window's background is not drawn at" << width << "x" << height;
        return QImage();
    }
    QImage image(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        qWarning() << "No memory for the arrow window's background at" << width << "x" << height;
        return QImage();
    }
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        // The path is in pixels with y up; the image's rows run down.
        painter.translate(0, image.height());
        painter.scale(1, -1);
        BezierPath path = bubblePath(p, g.viewFrame);
        // Stroked inside the clip, the outline shows only its inner half.
        path.addClip(painter);
        path.fill(painter, p.backgroundColor);
        if (p.borderWidth > 0) {
            path.setLineWidth(p.borderWidth * s);
            path.stroke(painter, p.borderColor);
        }
    }
    image.setDevicePixelRatio(s);
    return image;
}

}  // namespace AttachedWindowShape
