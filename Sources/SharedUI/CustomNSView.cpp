#include "CustomNSView.h"

#include <QPainter>

#include <limits>

CustomNSView::CustomNSView(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

CustomNSView::~CustomNSView() = default;

void CustomNSView::setTag(qint64 tag)
{
    m_tag = tag;
    const bool fits = tag >= std::numeric_limits<int>::min() && tag <= std::numeric_limits<int>::max();
    View::setTag(fits ? int(tag) : 0);
}

void CustomNSView::drawRect(QPainter& painter, const QRectF&)
{
    if (!m_backgroundColor.isValid()) return;
    painter.fillRect(bounds(), m_backgroundColor);
}
