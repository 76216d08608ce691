#pragma once

#include <QBrush>
#include <QList>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>

class QPainter;

// A path with its stroke settings, drawn with fill() and stroke() through the
// painter a view's drawRect gets. Coordinates are the painter's: our
// coordinates (y up) in a non-flipped view. Angles are degrees counter-clockwise
// from the +x axis in those coordinates, so in a non-flipped view 90° points
// up the screen (in a flipped view, down).
//
// Settings differ from a bare QPen on purpose:
// - dash lengths and the dash phase are in points, converted to QPen's pen
//   widths when the path is stroked (a 3-point line dashed 3 on 3 draws
//   3-point dashes, not 9-point ones);
// - the line cap is flat by default (QPen's square cap would lengthen every
//   dash by the line width), the join mitred, the width 1;
// - fills use the non-zero winding rule unless told otherwise.
class BezierPath {
public:
    BezierPath() = default;
    explicit BezierPath(const QPainterPath& path);

    static BezierPath rect(const QRectF& rect);
    static BezierPath oval(const QRectF& rect);
    static BezierPath roundedRect(const QRectF& rect, qreal xRadius, qreal yRadius);

    // Building. moveTo starts a subpath; the others continue from the current
    // point (a path with none starts at the first point given).
    void moveTo(const QPointF& point);
    void lineTo(const QPointF& point);
    void curveTo(const QPointF& end, const QPointF& control1, const QPointF& control2);
    void closePath();
    void appendRect(const QRectF& rect);
    void appendOval(const QRectF& rect);
    // Radii are clamped to half the rect's sides; zero gives a plain rect.
    void appendRoundedRect(const QRectF& rect, qreal xRadius, qreal yRadius);
    // A line from the current point towards `corner`, then an arc of `radius`
    // tangent to the lines current→corner and corner→`toPoint`; the current
    // point ends where the arc meets the second line (toPoint itself is not
    // reached). With no current point, or when the three points are in a line
    // or the radius is not positive, it draws a line to the corner instead.
    void appendArcFromPoint(const QPointF& corner, const QPointF& toPoint, qreal radius);
    // An arc round `center` from startAngle to endAngle, counter-clockwise
    // unless `clockwise`. A line joins the current point to the arc's start;
    // equal angles give no arc, angles a whole turn apart a full circle.
    void appendArc(const QPointF& center, qreal radius, qreal startAngle, qreal endAngle, bool clockwise = false);
    void appendPath(const BezierPath& other);

    bool isEmpty() const { return m_path.isEmpty(); }
    bool hasCurrentPoint() const { return m_path.elementCount() > 0; }
    QPointF currentPoint() const { return m_path.currentPosition(); }
    QRectF bounds() const { return m_path.boundingRect(); }
    bool containsPoint(const QPointF& point) const { return m_path.contains(point); }
    const QPainterPath& painterPath() const { return m_path; }

    // Stroke settings.
    qreal lineWidth() const { return m_lineWidth; }
    void setLineWidth(qreal width);  // negative or NaN counts as 0 (a one-pixel line)
    Qt::PenJoinStyle lineJoinStyle() const { return m_join; }
    void setLineJoinStyle(Qt::PenJoinStyle join) { m_join = join; }
    Qt::PenCapStyle lineCapStyle() const { return m_cap; }
    void setLineCapStyle(Qt::PenCapStyle cap) { m_cap = cap; }
    // Lengths in points, alternately drawn and skipped; an empty list, or
    // one with no positive length, draws a solid line.
    void setLineDash(const QList<qreal>& lengths, qreal phase = 0);
    QList<qreal> lineDash() const { return m_dash; }
    qreal lineDashPhase() const { return m_dashPhase; }
    Qt::FillRule windingRule() const { return m_path.fillRule(); }
    void setWindingRule(Qt::FillRule rule) { m_path.setFillRule(rule); }

    // The pen that strokes this path with `brush`, dashes converted.
    QPen pen(const QBrush& brush) const;

    void fill(QPainter& painter, const QBrush& brush) const;
    void stroke(QPainter& painter, const QBrush& brush) const;
    // Intersects the painter's clip with the path.
    void addClip(QPainter& painter) const;

private:
    QPainterPath m_path = windingPath();
    qreal m_lineWidth = 1.0;
    Qt::PenJoinStyle m_join = Qt::MiterJoin;
    Qt::PenCapStyle m_cap = Qt::FlatCap;
    QList<qreal> m_dash;
    qreal m_dashPhase = 0;

    static QPainterPath windingPath();
    void startIfEmpty(const QPointF& point);
};
