#include "TableRowView.h"

#include <QPainter>

TableRowView::TableRowView(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

TableRowView::~TableRowView() = default;

void TableRowView::setSelected(bool selected)
{
    if (m_selected == selected) return;
    m_selected = selected;
    setNeedsDisplay();
}

void TableRowView::drawBackgroundInRect(QPainter&, const QRectF&) {}

void TableRowView::drawSelectionInRect(QPainter& painter, const QRectF&)
{
    painter.fillRect(bounds(), QColor(181, 213, 255));
}

void TableRowView::drawSeparatorInRect(QPainter&, const QRectF&) {}

void TableRowView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    drawBackgroundInRect(painter, dirtyRect);
    if (m_selected) drawSelectionInRect(painter, dirtyRect);
    drawSeparatorInRect(painter, dirtyRect);
}
