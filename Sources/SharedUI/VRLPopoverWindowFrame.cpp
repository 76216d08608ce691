#include "VRLPopoverWindowFrame.h"

#include "Event.h"
#include "VRLPopoverWindow.h"

#include <QPainter>

#include <algorithm>

namespace {

// The band the arrow takes beside the bubble.
double arrowBand(const VRLPopoverGeometry& g)
{
    return g.arrowHeight + g.distance;
}

}  // namespace

VRLPopoverWindowFrame::VRLPopoverWindowFrame(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

bool VRLPopoverWindowFrame::isKnownPosition(int position)
{
    return position >= VRLPopoverLeft && position <= VRLPopoverBelowRightward;
}

VRLPopoverWindowFrame::Edge VRLPopoverWindowFrame::arrowEdge(int position)
{
    switch (position) {
    case VRLPopoverLeft:
    case VRLPopoverLeftUpward:
    case VRLPopoverLeftDownward:
        return Edge::Right;
    case VRLPopoverRight:
    case VRLPopoverRightUpward:
    case VRLPopoverRightDownward:
        return Edge::Left;
    case VRLPopoverAbove:
    case VRLPopoverAboveLeftward:
    case VRLPopoverAboveRightward:
        return Edge::Bottom;
    default:
        return Edge::Top;
    }
}

bool VRLPopoverWindowFrame::isHorizontalArrow(int position)
{
    const Edge edge = arrowEdge(position);
    return edge == Edge::Left || edge == Edge::Right;
}

QRectF VRLPopoverWindowFrame::frameRectForContentRect(const QRectF& content, const VRLPopoverGeometry& g)
{
    const double m = g.viewMargin;
    QRectF r = content.adjusted(-m, -m, m, m);
    const double d = arrowBand(g);
    switch (arrowEdge(g.popoverPosition)) {
    case Edge::Right: r.setWidth(r.width() + d); break;
    case Edge::Left: r.adjust(-d, 0, 0, 0); break;
    case Edge::Top: r.setHeight(r.height() + d); break;
    case Edge::Bottom: r.adjust(0, -d, 0, 0); break;
    }
    const double b = g.borderWidth;
    return r.adjusted(-b, -b, b, b);
}

QRectF VRLPopoverWindowFrame::contentRectForFrameRect(const QRectF& frame, const VRLPopoverGeometry& g)
{
    const double b = g.borderWidth;
    QRectF r = frame.adjusted(b, b, -b, -b);
    const double d = arrowBand(g);
    switch (arrowEdge(g.popoverPosition)) {
    case Edge::Right: r.setWidth(r.width() - d); break;
    case Edge::Left: r.adjust(d, 0, 0, 0); break;
    case Edge::Top: r.setHeight(r.height() - d); break;
    case Edge::Bottom: r.adjust(0, d, 0, 0); break;
    }
    const double m = g.viewMargin;
    return r.adjusted(m, m, -m, -m);
}

bool VRLPopoverWindowFrame::roundsTopLeft(const VRLPopoverGeometry& g)
{
    const int p = g.popoverPosition;
    return g.cornerRadius > 0 && (g.drawRoundCornerBesideArrow || (p != 7 && p != 11));
}

bool VRLPopoverWindowFrame::roundsTopRight(const VRLPopoverGeometry& g)
{
    const int p = g.popoverPosition;
    return g.cornerRadius > 0 && (g.drawRoundCornerBesideArrow || (p != 5 && p != 10));
}

bool VRLPopoverWindowFrame::roundsBottomRight(const VRLPopoverGeometry& g)
{
    const int p = g.popoverPosition;
    return g.cornerRadius > 0 && (g.drawRoundCornerBesideArrow || (p != 4 && p != 8));
}

bool VRLPopoverWindowFrame::roundsBottomLeft(const VRLPopoverGeometry& g)
{
    const int p = g.popoverPosition;
    return g.cornerRadius > 0 && (g.drawRoundCornerBesideArrow || (p != 6 && p != 9));
}

double VRLPopoverWindowFrame::cornerOffset(const VRLPopoverGeometry& g)
{
    // The path runs half a border inside the frame and starts an off-centre
    // arrow after the corner's arc when that corner is rounded: the tip lies
    // half an arrow further on.
    const bool rounded = g.cornerRadius > 0 && g.drawRoundCornerBesideArrow;
    return g.borderWidth / 2 + (rounded ? g.cornerRadius : 0.0) + g.arrowWidth / 2;
}

QPointF VRLPopoverWindowFrame::attachmentPointForRect(const QRectF& rect, const VRLPopoverGeometry& g)
{
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const double k = cornerOffset(g);
    switch (g.popoverPosition) {
    case 0: return {x + w, y + h / 2};
    case 1: return {x + w / 2, y + h};
    case 2: return {x, y + h / 2};
    case 3: return {x + w / 2, y};
    case 4: return {x + w, y + k};
    case 5: return {x + w, y + h - k};
    case 6: return {x, y + k};
    case 7: return {x, y + h - k};
    case 8: return {x + w - k, y};
    case 9: return {x + k, y};
    case 10: return {x + w - k, y + h};
    case 11: return {x + k, y + h};
    default: return {0, 0};
    }
}

void VRLPopoverWindowFrame::appendArrowToPath(BezierPath& path, const VRLPopoverGeometry& g)
{
    if (!g.drawsArrow || !path.hasCurrentPoint()) return;
    const QPointF c = path.currentPoint();
    const double aw = g.arrowWidth, ah = g.arrowHeight;
    switch (arrowEdge(g.popoverPosition)) {
    case Edge::Top:
        path.lineTo({c.x() + aw / 2, c.y() + ah});
        path.lineTo({c.x() + aw, c.y()});
        break;
    case Edge::Right:
        path.lineTo({c.x() + ah, c.y() - aw / 2});
        path.lineTo({c.x(), c.y() - aw});
        break;
    case Edge::Bottom:
        path.lineTo({c.x() - aw / 2, c.y() - ah});
        path.lineTo({c.x() - aw, c.y()});
        break;
    case Edge::Left:
        path.lineTo({c.x() - ah, c.y() + aw / 2});
        path.lineTo({c.x(), c.y() + aw});
        break;
    }
}

BezierPath VRLPopoverWindowFrame::popoverFramePathForContentRect(const QRectF& content, const VRLPopoverGeometry& g)
{
    const double grow = g.viewMargin + g.borderWidth / 2;
    const QRectF r = content.adjusted(-grow, -grow, grow, grow);
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const double aw = g.arrowWidth;
    const double rTL = roundsTopLeft(g) ? g.cornerRadius : 0;
    const double rTR = roundsTopRight(g) ? g.cornerRadius : 0;
    const double rBR = roundsBottomRight(g) ? g.cornerRadius : 0;
    const double rBL = roundsBottomLeft(g) ? g.cornerRadius : 0;
    // Unknown positions draw as below, the edge their geometry uses.
    const int p = isKnownPosition(g.popoverPosition) ? g.popoverPosition : int(VRLPopoverBelow);
    VRLPopoverGeometry arrow = g;
    arrow.popoverPosition = p;

    BezierPath path;
    path.setLineJoinStyle(Qt::RoundJoin);
    path.moveTo({x + rTL, y + h});

    // Top edge, walking right.
    if (p == 1) path.lineTo({x + w / 2 - aw / 2, y + h});
    if (p == 10) path.lineTo({x + w - rTR - aw, y + h});
    if (p == 1 || p == 10 || p == 11) appendArrowToPath(path, arrow);
    path.lineTo({x + w - rTR, y + h});
    path.appendArcFromPoint({x + w, y + h}, {x + w, y}, rTR);

    // Right edge, walking down.
    if (p == 0) path.lineTo({x + w, y + h / 2 + aw / 2});
    if (p == 4) path.lineTo({x + w, y + rBR + aw});
    if (p == 0 || p == 4 || p == 5) appendArrowToPath(path, arrow);
    path.lineTo({x + w, y + rBR});
    path.appendArcFromPoint({x + w, y}, {x, y}, rBR);

    // Bottom edge, walking left.
    if (p == 3) path.lineTo({x + w / 2 + aw / 2, y});
    if (p == 9) path.lineTo({x + rBL + aw, y});
    if (p == 3 || p == 8 || p == 9) appendArrowToPath(path, arrow);
    path.lineTo({x + rBL, y});
    path.appendArcFromPoint({x, y}, {x, y + h}, rBL);

    // Left edge, walking up.
    if (p == 2) path.lineTo({x, y + h / 2 - aw / 2});
    if (p == 7) path.lineTo({x, y + h - rTL - aw});
    if (p == 2 || p == 6 || p == 7) appendArrowToPath(path, arrow);
    path.lineTo({x, y + h - rTL});
    path.appendArcFromPoint({x, y + h}, {x + w, y + h}, rTL);
    path.closePath();
    return path;
}

int VRLPopoverWindowFrame::bestPosition(const QSizeF& windowSize, const QPointF& point, const VRLPopoverGeometry& g,
                                        const QRectF& screen, const QRectF& parent)
{
    const double W = windowSize.width() + 2 * g.viewMargin;
    const double H = windowSize.height() + 2 * g.viewMargin;
    const double A = arrowBand(g);
    const double inset = g.arrowWidth / 2 + (g.drawRoundCornerBesideArrow ? g.cornerRadius : 0.0);
    // Our coordinates: y runs up, so a rectangle's top is its y + height.
    const double screenLeft = screen.x(), screenRight = screen.x() + screen.width();
    const double screenBottom = screen.y(), screenTop = screen.y() + screen.height();
    const double parentLeft = parent.x(), parentRight = parent.x() + parent.width();
    const double parentBottom = parent.y(), parentTop = parent.y() + parent.height();
    const double px = point.x(), py = point.y();

    int side = VRLPopoverBelow;
    if (py - H - A >= screenBottom) side = VRLPopoverBelow;
    else if (px + W + A < screenRight) side = VRLPopoverRight;
    else if (px - W - A >= screenLeft) side = VRLPopoverLeft;
    else if (py + H + A < screenTop) side = VRLPopoverAbove;

    if (side == VRLPopoverLeft || side == VRLPopoverRight) {
        const bool left = side == VRLPopoverLeft;
        if (parentBottom > py - H / 2 && py + H - inset < screenTop)
            return left ? VRLPopoverLeftUpward : VRLPopoverRightUpward;
        if (py + H / 2 >= parentTop && py - H + inset >= screenBottom)
            return left ? VRLPopoverLeftDownward : VRLPopoverRightDownward;
        return side;
    }
    const bool below = side == VRLPopoverBelow;
    if (parentLeft > px - W / 2 && px + W - inset < screenRight)
        return below ? VRLPopoverBelowRightward : VRLPopoverAboveRightward;
    if (px + W / 2 >= parentRight && px - W + inset >= screenLeft)
        return below ? VRLPopoverBelowLeftward : VRLPopoverAboveLeftward;
    return side;
}

QRectF VRLPopoverWindowFrame::frameRectForContentRect(const QRectF& content) const
{
    return frameRectForContentRect(content, m_geometry);
}

QRectF VRLPopoverWindowFrame::contentRectForFrameRect(const QRectF& frame) const
{
    return contentRectForFrameRect(frame, m_geometry);
}

QPointF VRLPopoverWindowFrame::attachmentPoint() const
{
    return attachmentPointForRect(bounds(), m_geometry);
}

QPointF VRLPopoverWindowFrame::attachmentPointForRect(const QRectF& rect) const
{
    return attachmentPointForRect(rect, m_geometry);
}

BezierPath VRLPopoverWindowFrame::popoverFramePathForContentRect(const QRectF& content) const
{
    return popoverFramePathForContentRect(content, m_geometry);
}

void VRLPopoverWindowFrame::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    painter.setClipRect(dirtyRect);
    painter.setRenderHint(QPainter::Antialiasing);
    BezierPath path = popoverFramePathForContentRect(contentRectForFrameRect(bounds()));
    path.fill(painter, m_backgroundColor);
    // Half of the outline lies outside the fill, still inside the window.
    path.setLineWidth(m_geometry.borderWidth);
    path.stroke(painter, m_borderColor);
}

void VRLPopoverWindowFrame::mouseDown(const Event& event)
{
    m_drag = Drag::None;
    const QPointF point = event.locationInWindow;
    const QRectF content = contentRectForFrameRect(bounds());
    const BezierPath path = popoverFramePathForContentRect(content);
    if (content.contains(point) || !path.containsPoint(point)) {
        if (m_movable) m_drag = Drag::Move;
    } else if (m_resizable) {
        m_drag = Drag::Resize;
    }
    m_lastMouse = event.locationOnScreen;
}

void VRLPopoverWindowFrame::mouseDragged(const Event& event)
{
    auto* window = qobject_cast<VRLPopoverWindow*>(this->window());
    if (m_drag == Drag::None || !window) return;
    const QPointF travel = event.locationOnScreen - m_lastMouse;
    m_lastMouse = event.locationOnScreen;
    if (m_drag == Drag::Move) {
        window->setFrameOrigin(window->frame().topLeft() + travel);
        return;
    }
    // The bottom and right edges follow the mouse; the content stays within
    // the window's minimum and maximum sizes.
    const QRectF frame = window->frame();
    const QRectF content = contentRectForFrameRect(QRectF(QPointF(0, 0), frame.size()));
    const QSize minimum = window->minimumSize(), maximum = window->maximumSize();
    const double width = std::clamp(content.width() + travel.x(), double(minimum.width()), double(maximum.width()));
    const double height =
        std::clamp(content.height() - travel.y(), double(minimum.height()), double(maximum.height()));
    const QRectF newFrame = frameRectForContentRect(QRectF(0, 0, width, height));
    const double top = frame.y() + frame.height();
    window->setPopoverFrame(QRectF(frame.x(), top - newFrame.height(), newFrame.width(), newFrame.height()));
}

void VRLPopoverWindowFrame::mouseUp(const Event&)
{
    m_drag = Drag::None;
}
