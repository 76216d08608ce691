#pragma once

#include "BezierPath.h"
#include "View.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where the popover's bubble lies relative to the point it is attached to.
// The arrow sits on the opposite edge: right for 0, 4, 5; top for 1, 10, 11;
// left for 2, 6, 7; bottom for 3, 8, 9. The near-corner positions (4 to 11)
// extend away from the point along that edge.
enum VRLPopoverPosition : int {
    VRLPopoverLeft = 0,
    VRLPopoverBelow = 1,
    VRLPopoverRight = 2,
    VRLPopoverAbove = 3,
    VRLPopoverLeftUpward = 4,
    VRLPopoverLeftDownward = 5,
    VRLPopoverRightUpward = 6,
    VRLPopoverRightDownward = 7,
    VRLPopoverAboveLeftward = 8,
    VRLPopoverAboveRightward = 9,
    VRLPopoverBelowLeftward = 10,
    VRLPopoverBelowRightward = 11,
};

// Everything the bubble's geometry depends on, in points.
struct VRLPopoverGeometry {
    int popoverPosition = VRLPopoverBelow;
    double distance = 0;
    double borderWidth = 2.0;
    double cornerRadius = 8.0;
    bool drawsArrow = true;
    double arrowWidth = 20.0;
    double arrowHeight = 16.0;
    bool drawRoundCornerBesideArrow = true;
    double viewMargin = 2.0;
};

// The view that draws the popover's bubble: a rounded rectangle round the
// hosted view with an arrow on one edge. It is the popover window's real
// content view. The geometry is pure static functions of the settings, in
// our coordinates (y up); the instance methods apply them to its own values.
class VRLPopoverWindowFrame : public View {
    Q_OBJECT

public:
    enum class Edge { Right, Top, Left, Bottom };

    explicit VRLPopoverWindowFrame(const QRectF& frame = QRectF(), QWidget* parent = nullptr);

    // --- pure geometry ---------------------------------------------------
    static bool isKnownPosition(int position);
    // The edge the arrow sits on; unknown positions count as below.
    static Edge arrowEdge(int position);
    static bool isHorizontalArrow(int position);
    // The frame round a content rectangle, and back.
    static QRectF frameRectForContentRect(const QRectF& content, const VRLPopoverGeometry& g);
    static QRectF contentRectForFrameRect(const QRectF& frame, const VRLPopoverGeometry& g);
    // The point of a frame rectangle laid on the target point; (0, 0) for an
    // unknown position.
    static QPointF attachmentPointForRect(const QRectF& rect, const VRLPopoverGeometry& g);
    // How far along its edge an off-centre arrow's tip lies from the frame's
    // corner beside it.
    static double cornerOffset(const VRLPopoverGeometry& g);
    // Whether the corner beside an off-centre arrow is rounded (the other
    // three always are when the radius is positive).
    static bool roundsTopLeft(const VRLPopoverGeometry& g);
    static bool roundsTopRight(const VRLPopoverGeometry& g);
    static bool roundsBottomRight(const VRLPopoverGeometry& g);
    static bool roundsBottomLeft(const VRLPopoverGeometry& g);
    // The bubble's outline for a content rectangle, clockwise from the top
    // edge, with the arrow on its edge when drawn.
    static BezierPath popoverFramePathForContentRect(const QRectF& content, const VRLPopoverGeometry& g);
    // The arrow from the path's current point along the position's edge.
    static void appendArrowToPath(BezierPath& path, const VRLPopoverGeometry& g);
    // The position a popover of the window size takes at a point (all in our
    // screen coordinates): below, right, left, above, else below; then a
    // near-corner variant when the centred one would stick out of the parent
    // area and the variant fits the screen area.
    static int bestPosition(const QSizeF& windowSize, const QPointF& pointOnScreen, const VRLPopoverGeometry& g,
                            const QRectF& screenArea, const QRectF& parentArea);

    // --- the instance's own values ---------------------------------------
    const VRLPopoverGeometry& geometry() const { return m_geometry; }
    QRectF frameRectForContentRect(const QRectF& content) const;
    QRectF contentRectForFrameRect(const QRectF& frame) const;
    QPointF attachmentPoint() const;
    QPointF attachmentPointForRect(const QRectF& rect) const;
    BezierPath popoverFramePathForContentRect(const QRectF& content) const;

    // The setters only store the value; the window keeps the geometry in
    // step and asks for redisplay.
    int popoverPosition() const { return m_geometry.popoverPosition; }
    void setPopoverPosition(int position) { m_geometry.popoverPosition = position; }
    double distance() const { return m_geometry.distance; }
    void setDistance(double distance) { m_geometry.distance = distance; }
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor& color) { m_borderColor = color; }
    double borderWidth() const { return m_geometry.borderWidth; }
    void setBorderWidth(double width) { m_geometry.borderWidth = width; }
    double cornerRadius() const { return m_geometry.cornerRadius; }
    void setCornerRadius(double radius) { m_geometry.cornerRadius = radius; }
    bool drawsArrow() const { return m_geometry.drawsArrow; }
    void setDrawsArrow(bool draws) { m_geometry.drawsArrow = draws; }
    double arrowWidth() const { return m_geometry.arrowWidth; }
    void setArrowWidth(double width) { m_geometry.arrowWidth = width; }
    double arrowHeight() const { return m_geometry.arrowHeight; }
    void setArrowHeight(double height) { m_geometry.arrowHeight = height; }
    bool drawRoundCornerBesideArrow() const { return m_geometry.drawRoundCornerBesideArrow; }
    void setDrawRoundCornerBesideArrow(bool draws) { m_geometry.drawRoundCornerBesideArrow = draws; }
    double viewMargin() const { return m_geometry.viewMargin; }
    void setViewMargin(double margin) { m_geometry.viewMargin = margin; }
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color) { m_backgroundColor = color; }
    bool isMovable() const { return m_movable; }
    void setMovable(bool movable) { m_movable = movable; }
    bool isResizable() const { return m_resizable; }
    void setResizable(bool resizable) { m_resizable = resizable; }

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;

private:
    enum class Drag { None, Move, Resize };

    VRLPopoverGeometry m_geometry;
    QColor m_borderColor = Qt::white;
    QColor m_backgroundColor = QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.75f);
    bool m_movable = false;
    bool m_resizable = false;
    Drag m_drag = Drag::None;
    QPointF m_lastMouse;
};
