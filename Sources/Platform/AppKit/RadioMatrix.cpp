#include "RadioMatrix.h"

#include "Event.h"

#include <QPainter>

RadioMatrix::RadioMatrix(const QRectF& frame, const std::vector<Cell>& cells, double cellHeight, QWidget* parent)
    : View(frame, parent), m_cells(cells), m_cellHeight(cellHeight)
{
}

RadioMatrix::~RadioMatrix() = default;

const RadioMatrix::Cell* RadioMatrix::selectedCell() const
{
    return m_selected >= 0 && m_selected < int(m_cells.size()) ? &m_cells[size_t(m_selected)] : nullptr;
}

bool RadioMatrix::selectCellWithTag(int tag)
{
    m_selected = -1;
    for (int i = 0; i < int(m_cells.size()); ++i)
        if (m_cells[size_t(i)].tag == tag) {
            m_selected = i;
            break;
        }
    update();
    return m_selected >= 0;
}

QRectF RadioMatrix::cellRect(int index) const
{
    return QRectF(0, index * m_cellHeight, bounds().width(), m_cellHeight);
}

void RadioMatrix::setTarget(QObject* receiver, std::function<void(RadioMatrix*)> action)
{
    m_hasReceiver = receiver != nullptr;
    m_receiver = receiver;
    m_action = std::move(action);
}

void RadioMatrix::performClickOnCell(int index)
{
    if (!isEnabled() || index < 0 || index >= int(m_cells.size())) return;
    m_selected = index;
    update();
    if (m_action && !(m_hasReceiver && !m_receiver)) {
        const std::function<void(RadioMatrix*)> action = m_action;
        action(this);
    }
}

void RadioMatrix::setTextFont(const Font& font)
{
    m_font = font;
    update();
}

void RadioMatrix::drawRect(QPainter& painter, const QRectF&)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(m_font.widgetFont());
    for (int i = 0; i < int(m_cells.size()); ++i) {
        const QRectF cell = cellRect(i);
        const double diameter = std::min(14.0, cell.height() - 2);
        const QRectF circle(1, cell.center().y() - diameter / 2, diameter, diameter);
        painter.setPen(QPen(QColor(120, 120, 120), 1));
        painter.setBrush(Qt::white);
        painter.drawEllipse(circle);
        if (i == m_selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(40, 110, 220));
            painter.drawEllipse(circle.adjusted(3.5, 3.5, -3.5, -3.5));
        }
        painter.setPen(isEnabled() ? Qt::black : Qt::gray);
        painter.drawText(QRectF(diameter + 7, cell.top(), cell.width() - diameter - 7, cell.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, m_cells[size_t(i)].title);
    }
}

void RadioMatrix::mouseDown(const Event& event)
{
    const QPointF point = convertPointFromWindow(event.locationInWindow);
    for (int i = 0; i < int(m_cells.size()); ++i)
        if (cellRect(i).contains(point)) return performClickOnCell(i);
}
