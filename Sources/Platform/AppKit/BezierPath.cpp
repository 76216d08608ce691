#include "BezierPath.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal degrees = 180.0 / M_PI;

bool finite(const QPointF& point)
{
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

qreal length(const QPointF& vector)
{
    return std::hypot(vector.x(), vector.y());
}

QRectF squareAround(const QPointF& center, qreal radius)
{
    return {center.x() - radius, center.y() - radius, 2 * radius, 2 * radius};
}

// QPainterPath measures angles as seen on a y-down screen (its point at angle
// a is centre + r(cos a, -sin a)); ours turn the other way (centre + r(cos a,
// sin a)), so both the start and the sweep change sign.
void arcInPainterPath(QPainterPath& path, const QPointF& center, qreal radius, qreal startDegrees,
                      qreal sweepDegrees)
{
    path.arcTo(squareAround(center, radius), -startDegrees, -sweepDegrees);
}

}  // namespace

QPainterPath BezierPath::windingPath()
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    return path;
}

BezierPath::BezierPath(const QPainterPath& path) : m_path(path) {}

BezierPath BezierPath::rect(const QRectF& rect)
{
    BezierPath path;
    path.appendRect(rect);
    return path;
}

BezierPath BezierPath::oval(const QRectF& rect)
{
    BezierPath path;
    path.appendOval(rect);
    return path;
}

BezierPath BezierPath::roundedRect(const QRectF& rect, qreal xRadius, qreal yRadius)
{
    BezierPath path;
    path.appendRoundedRect(rect, xRadius, yRadius);
    return path;
}

void BezierPath::startIfEmpty(const QPointF& point)
{
    if (!hasCurrentPoint()) m_path.moveTo(point);
}

void BezierPath::moveTo(const QPointF& point)
{
    if (!finite(point)) return;
    m_path.moveTo(point);
}

void BezierPath::lineTo(const QPointF& point)
{
    if (!finite(point)) return;
    startIfEmpty(point);
    m_path.lineTo(point);
}

void BezierPath::curveTo(const QPointF& end, const QPointF& control1, const QPointF& control2)
{
    if (!finite(end) || !finite(control1) || !finite(control2)) return;
    startIfEmpty(control1);
    m_path.cubicTo(control1, control2, end);
}

void BezierPath::closePath()
{
    m_path.closeSubpath();
}

void BezierPath::appendRect(const QRectF& rect)
{
    m_path.addRect(rect.normalized());
}

void BezierPath::appendOval(const QRectF& rect)
{
    m_path.addEllipse(rect.normalized());
}

void BezierPath::appendRoundedRect(const QRectF& rect, qreal xRadius, qreal yRadius)
{
    const QRectF r = rect.normalized();
    const qreal rx = std::clamp(std::isfinite(xRadius) ? xRadius : 0.0, 0.0, r.width() / 2);
    const qreal ry = std::clamp(std::isfinite(yRadius) ? yRadius : 0.0, 0.0, r.height() / 2);
    if (rx <= 0 || ry <= 0)
        m_path.addRect(r);
    else
        m_path.addRoundedRect(r, rx, ry);
}

void BezierPath::appendArcFromPoint(const QPointF& corner, const QPointF& toPoint, qreal radius)
{
    if (!finite(corner) || !finite(toPoint)) return;
    if (!hasCurrentPoint()) {
        lineTo(corner);
        return;
    }
    const QPointF toStart = currentPoint() - corner;
    const QPointF toEnd = toPoint - corner;
    const qreal startLength = length(toStart), endLength = length(toEnd);
    if (!(radius > 0) || !std::isfinite(radius) || startLength <= 0 || endLength <= 0) {
        lineTo(corner);
        return;
    }
    const QPointF u1 = toStart / startLength, u2 = toEnd / endLength;
    const qreal angle = std::acos(std::clamp(QPointF::dotProduct(u1, u2), -1.0, 1.0));
    // Points in a line (the corner is no corner, or the path doubles back)
    // have no circle tangent to both edges.
    if (std::sin(angle) < 1e-9) {
        lineTo(corner);
        return;
    }
    const qreal tangentDistance = radius / std::tan(angle / 2);
    const QPointF tangent1 = corner + u1 * tangentDistance;
    const QPointF tangent2 = corner + u2 * tangentDistance;
    const QPointF bisector = (u1 + u2) / length(u1 + u2);
    const QPointF center = corner + bisector * (radius / std::sin(angle / 2));

    m_path.lineTo(tangent1);
    const qreal startAngle = std::atan2(tangent1.y() - center.y(), tangent1.x() - center.x()) * degrees;
    const qreal endAngle = std::atan2(tangent2.y() - center.y(), tangent2.x() - center.x()) * degrees;
    qreal sweep = endAngle - startAngle;  // the short way round: always under half a turn
    if (sweep > 180) sweep -= 360;
    if (sweep < -180) sweep += 360;
    arcInPainterPath(m_path, center, radius, startAngle, sweep);
}

void BezierPath::appendArc(const QPointF& center, qreal radius, qreal startAngle, qreal endAngle, bool clockwise)
{
    if (!finite(center) || !std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(endAngle)) {
        qWarning() << "An arc with a value that is not a number was left out of a path";
        return;
    }
    radius = std::abs(radius);
    const qreal start = startAngle / degrees;
    const QPointF startPoint = center + QPointF(std::cos(start), std::sin(start)) * radius;
    if (hasCurrentPoint())
        m_path.lineTo(startPoint);
    else
        m_path.moveTo(startPoint);

    const qreal difference = endAngle - startAngle;
    if (difference == 0 || radius == 0) return;
    qreal sweep = std::fmod(difference, 360.0);
    if (clockwise) {
        if (sweep >= 0) sweep -= 360;
    } else if (sweep <= 0) {
        sweep += 360;
    }
    arcInPainterPath(m_path, center, radius, startAngle, sweep);
}

void BezierPath::appendPath(const BezierPath& other)
{
    m_path.addPath(other.m_path);
}

void BezierPath::setLineWidth(qreal width)
{
    m_lineWidth = std::isfinite(width) && width > 0 ? width : 0.0;
}

void BezierPath::setLineDash(const QList<qreal>& lengths, qreal phase)
{
    m_dash = lengths;
    m_dashPhase = std::isfinite(phase) ? phase : 0.0;
}

QPen BezierPath::pen(const QBrush& brush) const
{
    QPen pen(brush, m_lineWidth, Qt::SolidLine, m_cap, m_join);
    const bool anyDash = std::any_of(m_dash.begin(), m_dash.end(), [](qreal l) { return std::isfinite(l) && l > 0; });
    if (!anyDash) return pen;

    // QPen counts dash lengths in pen widths (a hairline's width counts as 1).
    const qreal unit = m_lineWidth > 0 ? m_lineWidth : 1.0;
    QList<qreal> pattern;
    pattern.reserve(m_dash.size() * 2);
    for (qreal l : m_dash)
        // A zero dash is a dot under a round cap; QPen wants positive lengths.
        pattern.append(std::isfinite(l) && l > 0 ? l / unit : 1e-3);
    // QPen wants an even count; an odd pattern repeats with the roles swapped.
    if (pattern.size() % 2) pattern.append(QList<qreal>(pattern));
    pen.setDashPattern(pattern);
    pen.setDashOffset(m_dashPhase / unit);
    return pen;
}

namespace {

// fill() and stroke() always antialias, as every drawing of ours does, and
// leave the painter's hint as they found it.
class Antialiased {
public:
    explicit Antialiased(QPainter& painter)
        : m_painter(painter), m_was(painter.testRenderHint(QPainter::Antialiasing))
    {
        if (!m_was) painter.setRenderHint(QPainter::Antialiasing, true);
    }
    ~Antialiased()
    {
        if (!m_was) m_painter.setRenderHint(QPainter::Antialiasing, false);
    }

private:
    QPainter& m_painter;
    bool m_was;
};

}  // namespace

void BezierPath::fill(QPainter& painter, const QBrush& brush) const
{
    Antialiased antialiased(painter);
    painter.fillPath(m_path, brush);
}

void BezierPath::stroke(QPainter& painter, const QBrush& brush) const
{
    Antialiased antialiased(painter);
    painter.strokePath(m_path, pen(brush));
}

void BezierPath::addClip(QPainter& painter) const
{
    painter.setClipPath(m_path, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}
