#pragma once

#include <QColor>
#include <QGradientStops>
#include <QList>
#include <QRectF>

class BezierPath;
class QPainter;

// A linear gradient of colour stops at locations in [0, 1], drawn across a
// rect or a path at an angle. The angle is in degrees counter-clockwise in the
// painter's coordinates: in a non-flipped view (y up) 0° runs left to right
// and 90° bottom to top. The gradient covers the whole shape: its ends are
// where the lines through the shape's extreme corners, perpendicular to the
// angle, cross the axis through the centre.
class Gradient {
public:
    Gradient() = default;
    // Locations are clamped to [0, 1] and sorted with their colours; a
    // gradient with no colour draws nothing.
    Gradient(const QList<QColor>& colors, const QList<qreal>& locations);
    // Evenly spaced colours.
    explicit Gradient(const QList<QColor>& colors);

    bool isEmpty() const { return m_stops.isEmpty(); }
    const QGradientStops& stops() const { return m_stops; }

    void drawInRect(QPainter& painter, const QRectF& rect, qreal angle) const;
    // Fills the path, the gradient spanning the path's bounds.
    void drawInBezierPath(QPainter& painter, const BezierPath& path, qreal angle) const;

private:
    QGradientStops m_stops;
};
