#include "ProgressSpinner.h"

#include "Scheduler.h"

#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <numbers>

ProgressSpinner::ProgressSpinner(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

ProgressSpinner::~ProgressSpinner()
{
    m_timer.invalidate();
}

void ProgressSpinner::startAnimation()
{
    if (isAnimating()) return;
    QPointer<ProgressSpinner> self(this);
    m_timer = Scheduler::current().scheduleTimer(stepSeconds, true, [self] {
        if (self) self->step();
    });
    setNeedsDisplay();
}

void ProgressSpinner::stopAnimation()
{
    if (!isAnimating()) return;
    m_timer.invalidate();
    m_timer = ScheduledTimer();
    setNeedsDisplay();
}

void ProgressSpinner::step()
{
    m_phase = (m_phase + 1) % spokeCount;
    setNeedsDisplay();
}

void ProgressSpinner::setSpokeColor(const QColor& color)
{
    m_color = color.isValid() ? color : QColor(70, 70, 75);
    setNeedsDisplay();
}

void ProgressSpinner::setDisplaysWhenStopped(bool displays)
{
    m_displaysWhenStopped = displays;
    setNeedsDisplay();
}

double ProgressSpinner::spokeOpacity(int index, int phase)
{
    // How many spokes this one trails the leading one by.
    const int behind = ((phase - index) % spokeCount + spokeCount) % spokeCount;
    return 1.0 - 0.75 * double(behind) / double(spokeCount - 1);
}

void ProgressSpinner::drawRect(QPainter& painter, const QRectF&)
{
    if (!isAnimating() && !m_displaysWhenStopped) return;
    const QRectF box = bounds();
    const double side = std::min(box.width(), box.height());
    if (!(side > 2)) return;  // nothing sensible fits (also a negative or NaN size)
    const QPointF centre = box.center();
    // A small spinner keeps a margin inside its square, as the icons beside
    // it do.
    const double outer = side / 2 - std::max(1.0, side / 8);
    const double inner = outer * 0.45;
    const double width = std::max(1.0, side / 10);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < spokeCount; ++i) {
        const double angle = 2 * std::numbers::pi * i / spokeCount;  // clockwise from up, y down
        const QPointF direction(std::sin(angle), -std::cos(angle));
        QColor colour = m_color;
        colour.setAlphaF(float(m_color.alphaF() * spokeOpacity(i, m_phase)));
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(centre + direction * inner, centre + direction * outer);
    }
}
