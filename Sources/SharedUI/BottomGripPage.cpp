#include "BottomGripPage.h"

#include "Color.h"
#include "Event.h"

#include <QPainter>

#include <algorithm>

QRectF BottomGripPage::trackRect() const
{
    const QRectF b = bounds();
    return QRectF(b.x(), b.height() - gripHeight, b.width(), gripHeight);
}

void BottomGripPage::addItemMarkers()
{
    for (View** marker : {&m_topItemTemp, &m_bottomItemTemp}) {
        *marker = new View(QRectF());
        (*marker)->setAttribute(Qt::WA_TransparentForMouseEvents);
        addSubview(*marker);
    }
}

void BottomGripPage::placeItemMarkers(const QRectF& listFrame, double rowHeight)
{
    if (!m_topItemTemp) return;
    m_topItemTemp->setFrame(QRectF(listFrame.x(), listFrame.y(), listFrame.width(), rowHeight));
    m_bottomItemTemp->setFrame(
        QRectF(listFrame.x(), listFrame.y() + listFrame.height() - rowHeight - 1, listFrame.width(), rowHeight));
}

unsigned BottomGripPage::gripTrackingOptions() const
{
    return TrackCursorUpdate;
}

void BottomGripPage::updateTrackingAreas()
{
    View::updateTrackingAreas();
    if (m_trackingArea >= 0) removeTrackingRect(m_trackingArea);
    m_trackingArea = -1;
    if (offersGrip()) m_trackingArea = addTrackingRect(trackRect(), 0, gripTrackingOptions());
}

void BottomGripPage::cursorUpdate(const Event&)
{
    if (m_trackingArea >= 0) setCursorShape(CursorShape::ResizeUpDown);
}

void BottomGripPage::mouseDown(const Event& event)
{
    if (!offersGrip() || !trackRect().contains(convertPointFromWindow(event.locationInWindow))) return;
    m_isMoving = true;
    setNeedsDisplay();
}

void BottomGripPage::mouseDragged(const Event& event)
{
    if (!m_isMoving) return;
    setCursorShape(CursorShape::ResizeUpDown);
    // Our deltas count upward: a drag down makes the page taller.
    const double height = std::clamp(frame().height() - event.deltaY, m_minY, m_maxY);
    setFrameSize(QSizeF(frame().width(), height));
    setNeedsDisplay();
}

void BottomGripPage::mouseUp(const Event&)
{
    if (!m_isMoving) return;
    m_isMoving = false;
    setCursorShape(CursorShape::Arrow);
    setNeedsDisplay();
}

void BottomGripPage::drawBorder(QPainter& painter) const
{
    painter.setPen(QPen(Color::lightGray(), 1));
    painter.drawRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5));
}
