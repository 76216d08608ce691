#include "ResizeView.h"

#include "Color.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

PaneResizing::~PaneResizing() = default;

ResizeView::ResizeView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    updateTrackingAreas();
}

ResizeView::~ResizeView() = default;

QRectF ResizeView::rectForResize() const
{
    const QRectF box = bounds();
    return QRectF((box.width() - gripWidth) / 2, box.y(), gripWidth, box.height());
}

double ResizeView::clampedY(double y, double dy, double minY, double maxY)
{
    if (!std::isfinite(dy)) return y;
    double newY = y + dy;
    if (newY < minY) newY = minY;
    if (newY > maxY) newY = maxY;
    return newY;
}

void ResizeView::updateTrackingAreas()
{
    if (m_trackingArea) removeTrackingRect(m_trackingArea);
    m_trackingArea = addTrackingRect(bounds(), 0, TrackCursorUpdate | TrackMouseEnteredAndExited);
}

void ResizeView::cursorUpdate(const Event& event)
{
    // The up-down cursor shows over the grip only.
    const QPointF point = convertPointFromWindow(event.locationInWindow);
    setCursorShape(rectForResize().contains(point) || m_isMoving ? CursorShape::ResizeUpDown : CursorShape::Arrow);
}

void ResizeView::mouseDown(const Event& event)
{
    if (rectForResize().contains(convertPointFromWindow(event.locationInWindow))) m_isMoving = true;
}

void ResizeView::mouseDragged(const Event& event)
{
    if (!m_isMoving) return;
    setCursorShape(CursorShape::ResizeUpDown);
    // Drag deltas count upwards; the bar's y counts downwards in its flipped pane.
    const double oldY = frame().y();
    const double newY = clampedY(oldY, -event.deltaY, m_minY, m_maxY);
    const double delta = newY - oldY;
    setFrameOrigin(QPointF(frame().x(), newY));
    if (auto* pane = dynamic_cast<PaneResizing*>(m_parentView.data())) pane->rearrangeViewWithDelta(delta);
}

void ResizeView::mouseUp(const Event&)
{
    if (!m_isMoving) return;
    m_isMoving = false;
    setCursorShape(CursorShape::Arrow);
    setNeedsDisplay();
}

void ResizeView::drawRect(QPainter& painter, const QRectF&)
{
    const QRectF box = bounds();
    painter.setPen(QPen(Color::lightGray(), 1));
    painter.setBrush(QColor(233, 233, 233));
    painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(QPen(Color::gray(), 1));
    painter.setBrush(QColor(211, 211, 21));
    painter.drawEllipse(QPointF(box.width() / 2, box.height() / 2), 2, 2);
}
