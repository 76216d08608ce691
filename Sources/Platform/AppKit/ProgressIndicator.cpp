#include "ProgressIndicator.h"

#include "Scheduler.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
const QColor trackColor(222, 222, 222);
const QColor trackEdgeColor(168, 168, 168);
const QColor fillColor(76, 139, 226);
const QColor stripeColor(128, 178, 240);
constexpr double barHeight = 12;
}  // namespace

ProgressIndicator::ProgressIndicator(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

ProgressIndicator::~ProgressIndicator()
{
    m_timer.invalidate();
}

void ProgressIndicator::setIndeterminate(bool indeterminate)
{
    if (m_indeterminate == indeterminate) return;
    m_indeterminate = indeterminate;
    if (!m_indeterminate) m_timer.invalidate();
    else if (m_animating) startAnimation();
    update();
}

void ProgressIndicator::setRange(double minValue, double maxValue)
{
    if (!std::isfinite(minValue) || !std::isfinite(maxValue) || maxValue <= minValue) {
        qWarning("A progress range from %g to %g is refused; it stays %g to %g.", minValue, maxValue, m_min, m_max);
        return;
    }
    m_min = minValue;
    m_max = maxValue;
    setDoubleValue(m_value);
}

void ProgressIndicator::setDoubleValue(double value)
{
    m_value = std::isfinite(value) ? std::clamp(value, m_min, m_max) : m_min;
    update();
}

void ProgressIndicator::startAnimation()
{
    m_animating = true;
    if (!m_indeterminate || m_timer.isValid()) return;
    m_timer = Scheduler::current().scheduleTimer(1.0 / framesPerSecond, true, [this] { tick(); });
}

void ProgressIndicator::stopAnimation()
{
    m_animating = false;
    m_timer.invalidate();
    update();
}

void ProgressIndicator::tick()
{
    m_frame = (m_frame + 1) % 1000000;
    update();
}

double ProgressIndicator::filledWidth(double trackWidth, double minValue, double maxValue, double value)
{
    if (!(trackWidth > 0) || !(maxValue > minValue) || !std::isfinite(value)) return 0;
    const double share = std::clamp((value - minValue) / (maxValue - minValue), 0.0, 1.0);
    return trackWidth * share;
}

void ProgressIndicator::drawRect(QPainter& painter, const QRectF&)
{
    const QRectF bounds = this->bounds();
    const double height = std::min(barHeight, bounds.height());
    if (bounds.width() < 2 || height < 2) return;
    const QRectF track(bounds.left() + 0.5, bounds.center().y() - height / 2 + 0.5, bounds.width() - 1, height - 1);
    const double radius = (height - 1) / 2;
    QPainterPath shape;
    shape.addRoundedRect(track, radius, radius);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, trackColor);
    painter.save();
    painter.setClipPath(shape);
    if (m_indeterminate) {
        // Slanted stripes over the fill colour, moved one pixel a frame while
        // animating, so the bar reads as busy even before the first tick.
        painter.fillRect(track, fillColor);
        const double offset = std::fmod(m_frame, stripePeriod);
        painter.setPen(Qt::NoPen);
        painter.setBrush(stripeColor);
        for (double x = track.left() - stripePeriod * 2 + offset; x < track.right() + stripePeriod; x += stripePeriod) {
            QPolygonF stripe;
            stripe << QPointF(x, track.bottom()) << QPointF(x + stripePeriod / 2, track.bottom())
                   << QPointF(x + stripePeriod / 2 + track.height(), track.top()) << QPointF(x + track.height(), track.top());
            painter.drawPolygon(stripe);
        }
    } else {
        const double filled = filledWidth(track.width(), m_min, m_max, m_value);
        painter.fillRect(QRectF(track.left(), track.top(), filled, track.height()), fillColor);
    }
    painter.restore();
    painter.setPen(QPen(trackEdgeColor, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
}
