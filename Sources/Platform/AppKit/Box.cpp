#include "Box.h"

#include <QPainter>
#include <QResizeEvent>

namespace {

const QColor kBoxFill(0, 0, 0, 14);
const QColor kBoxEdge(0, 0, 0, 56);
constexpr double kBoxRadius = 5;

}  // namespace

Box::Box(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    m_contentView = new View(bounds().adjusted(contentMargin, contentMargin, -contentMargin, -contentMargin));
    addSubview(m_contentView);
}

QRectF Box::frameForContentRect(const QRectF& contentRect)
{
    return contentRect.adjusted(-contentMargin, -contentMargin, contentMargin, contentMargin);
}

void Box::drawRect(QPainter& painter, const QRectF&)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kBoxEdge, 1));
    painter.setBrush(kBoxFill);
    painter.drawRoundedRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5), kBoxRadius, kBoxRadius);
}

void Box::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    m_contentView->setFrame(bounds().adjusted(contentMargin, contentMargin, -contentMargin, -contentMargin));
}
