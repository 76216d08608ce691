#include "TaskLinkLine.h"

#include <QPainter>

TaskLinkLine::TaskLinkLine(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

TaskLinkLine::~TaskLinkLine() = default;

void TaskLinkLine::setLineColor(const QColor& color)
{
    m_lineColor = color;
    update();
}

void TaskLinkLine::drawRect(QPainter& painter, const QRectF&)
{
    QPen pen(m_lineColor, lineWidth, Qt::CustomDashLine, Qt::FlatCap);
    // Three points on, three off: the pattern counts in pen widths.
    pen.setDashPattern({3.0 / lineWidth, 3.0 / lineWidth});
    pen.setDashOffset(0);
    painter.setPen(pen);
    painter.drawLine(QPointF(0, 0), QPointF(0, bounds().height()));
}
