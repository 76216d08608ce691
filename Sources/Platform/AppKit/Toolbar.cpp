#include "Toolbar.h"

#include "Event.h"

#include <QPainter>

Toolbar::Toolbar(const QString& identifier, double width, QWidget* parent)
    : View(QRectF(0, 0, width, height), parent), m_identifier(identifier), m_font(Font::systemFont(11))
{
}

Toolbar::~Toolbar() = default;

void Toolbar::setItems(const QStringList& identifiers, const ItemMaker& maker)
{
    m_items.clear();
    for (const QString& identifier : identifiers)
        if (std::optional<ToolbarItem> item = maker ? maker(identifier) : std::nullopt) m_items.push_back(*item);
    update();
}

QStringList Toolbar::selectableItemIdentifiers() const
{
    QStringList identifiers;
    for (const ToolbarItem& item : m_items) identifiers.append(item.identifier);
    return identifiers;
}

void Toolbar::setSelectedItemIdentifier(const QString& identifier)
{
    m_selected = identifier;
    update();
}

QRectF Toolbar::itemRect(int index) const
{
    return QRectF(8 + index * itemWidth, 2, itemWidth, height - 4);
}

int Toolbar::itemAt(const QPointF& point) const
{
    for (int i = 0; i < int(m_items.size()); ++i)
        if (itemRect(i).contains(point)) return i;
    return -1;
}

void Toolbar::drawRect(QPainter& painter, const QRectF&)
{
    const QRectF area = bounds();
    painter.fillRect(area, QColor(236, 236, 236));
    // The baseline between the toolbar and the pane.
    painter.fillRect(QRectF(0, area.height() - 1, area.width(), 1), QColor(190, 190, 190));
    painter.setFont(m_font.widgetFont());
    for (int i = 0; i < int(m_items.size()); ++i) {
        const ToolbarItem& item = m_items[size_t(i)];
        const QRectF cell = itemRect(i);
        if (item.identifier == m_selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 0, 28));
            painter.drawRoundedRect(cell.adjusted(4, 0, -4, 0), 4, 4);
        }
        const QSizeF imageSize = item.image.isNull() ? QSizeF(32, 32) : QSizeF(item.image.size()).scaled(
                                                                             QSizeF(32, 32), Qt::KeepAspectRatio);
        const QRectF imageRect(cell.center().x() - imageSize.width() / 2, cell.top() + 3, imageSize.width(),
                               imageSize.height());
        if (!item.image.isNull()) painter.drawImage(imageRect, item.image);
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(QRectF(cell.left(), cell.top() + 37, cell.width(), 16), Qt::AlignCenter, item.label);
    }
}

void Toolbar::mouseDown(const Event& event)
{
    const int index = itemAt(convertPointFromWindow(event.locationInWindow));
    if (index < 0) return;
    const ToolbarItem item = m_items[size_t(index)];
    setSelectedItemIdentifier(item.identifier);
    if (item.action) item.action();
}
