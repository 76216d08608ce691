#include "CurrentTimeIndicatorView.h"

#include <QPainter>
#include <QPainterPath>

CurrentTimeIndicatorView::CurrentTimeIndicatorView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    // Clicks go through to the boxes and the band under the line.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

CurrentTimeIndicatorView::~CurrentTimeIndicatorView() = default;

void CurrentTimeIndicatorView::drawRect(QPainter& painter, const QRectF&)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath dot;
    dot.addRoundedRect(QRectF(0, 0, 6, 6), 3, 3);
    painter.fillPath(dot, Qt::red);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(6, 3), QPointF(bounds().width(), 3));
}
