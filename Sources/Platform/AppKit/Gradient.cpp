#include "Gradient.h"

#include "BezierPath.h"

#include <QDebug>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QLinearGradient spanAcross(const QRectF& rect, qreal angle, const QGradientStops& stops)
{
    const qreal radians = (std::isfinite(angle) ? angle : 0.0) * M_PI / 180.0;
    const QPointF direction(std::cos(radians), std::sin(radians));
    // Half the length of the rect's shadow on the axis.
    const qreal half = std::abs(rect.width() / 2 * direction.x()) + std::abs(rect.height() / 2 * direction.y());
    QLinearGradient gradient(rect.center() - direction * half, rect.center() + direction * half);
    gradient.setStops(stops);
    return gradient;
}

}  // namespace

Gradient::Gradient(const QList<QColor>& colors, const QList<qreal>& locations)
{
    if (colors.size() != locations.size())
        qWarning() << "A gradient got" << colors.size() << "colours for" << locations.size() << "locations";
    const qsizetype count = std::min(colors.size(), locations.size());
    m_stops.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const qreal at = std::isfinite(locations[i]) ? std::clamp(locations[i], 0.0, 1.0) : 0.0;
        m_stops.append({at, colors[i]});
    }
    std::stable_sort(m_stops.begin(), m_stops.end(),
                     [](const QGradientStop& a, const QGradientStop& b) { return a.first < b.first; });
}

Gradient::Gradient(const QList<QColor>& colors)
{
    m_stops.reserve(colors.size());
    for (qsizetype i = 0; i < colors.size(); ++i)
        m_stops.append({colors.size() > 1 ? qreal(i) / (colors.size() - 1) : 0.0, colors[i]});
}

void Gradient::drawInRect(QPainter& painter, const QRectF& rect, qreal angle) const
{
    if (m_stops.isEmpty() || rect.isEmpty()) return;
    painter.fillRect(rect, spanAcross(rect, angle, m_stops));
}

void Gradient::drawInBezierPath(QPainter& painter, const BezierPath& path, qreal angle) const
{
    if (m_stops.isEmpty() || path.isEmpty()) return;
    path.fill(painter, spanAcross(path.bounds(), angle, m_stops));
}
