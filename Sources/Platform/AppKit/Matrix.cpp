#include "Matrix.h"

#include "Color.h"
#include "Drawing.h"
#include "Event.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

double nonNegative(double value)
{
    return std::isfinite(value) && value > 0 ? value : 0;
}

}  // namespace

Matrix::Matrix(const QRectF& frame, int rows, int columns, const QSizeF& cellSize, QWidget* parent)
    : View(frame, parent), m_rows(std::max(0, rows)), m_columns(std::max(1, columns)),
      m_cellSize(nonNegative(cellSize.width()), nonNegative(cellSize.height())),
      m_images(std::size_t(m_rows) * std::size_t(m_columns))
{
}

Matrix::~Matrix() = default;

void Matrix::setIntercellSpacing(const QSizeF& spacing)
{
    m_spacing = QSizeF(nonNegative(spacing.width()), nonNegative(spacing.height()));
    setNeedsDisplay();
}

void Matrix::setImageOfCell(int index, const QImage& image)
{
    if (index < 0 || index >= int(m_images.size())) return;
    m_images[std::size_t(index)] = image;
    setNeedsDisplay();
}

QImage Matrix::imageOfCell(int index) const
{
    if (index < 0 || index >= int(m_images.size())) return QImage();
    return m_images[std::size_t(index)];
}

void Matrix::selectCellAtRow(int row, int column)
{
    const bool inside = row >= 0 && row < m_rows && column >= 0 && column < m_columns;
    const int index = inside ? row * m_columns + column : -1;
    if (index == m_selected) return;
    m_selected = index;
    setNeedsDisplay();
}

QRectF Matrix::cellFrameAtRow(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns) return QRectF();
    return QRectF(column * (m_cellSize.width() + m_spacing.width()), row * (m_cellSize.height() + m_spacing.height()),
                  m_cellSize.width(), m_cellSize.height());
}

bool Matrix::getRow(int* row, int* column, const QPointF& point) const
{
    const double pitchX = m_cellSize.width() + m_spacing.width();
    const double pitchY = m_cellSize.height() + m_spacing.height();
    if (pitchX <= 0 || pitchY <= 0 || point.x() < 0 || point.y() < 0) return false;
    const int c = int(std::floor(point.x() / pitchX));
    const int r = int(std::floor(point.y() / pitchY));
    if (r >= m_rows || c >= m_columns) return false;
    if (!cellFrameAtRow(r, c).contains(point)) return false;
    if (row) *row = r;
    if (column) *column = c;
    return true;
}

void Matrix::setAction(QObject* target, std::function<void(Matrix*)> action)
{
    m_target = target;
    m_hasTarget = target != nullptr;
    m_action = std::move(action);
}

void Matrix::drawRect(QPainter& painter, const QRectF&)
{
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const QImage& image = m_images[std::size_t(row * m_columns + column)];
            if (!image.isNull()) Drawing::drawImage(painter, image, cellFrameAtRow(row, column));
        }
    }
    if (m_selected < 0) return;
    // The selected cell looks pressed: a white ring inside a dark edge.
    const QRectF cell = cellFrameAtRow(selectedRow(), selectedColumn());
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Color::white(), 2));
    painter.drawRect(cell.adjusted(2, 2, -2, -2));
    painter.setPen(QPen(Color::black(), 1));
    painter.drawRect(cell.adjusted(0.5, 0.5, -0.5, -0.5));
}

void Matrix::mouseDown(const Event& event)
{
    int row = -1, column = -1;
    m_pressed = getRow(&row, &column, convertPointFromWindow(event.locationInWindow)) ? row * m_columns + column : -1;
}

void Matrix::mouseUp(const Event& event)
{
    const int pressed = m_pressed;
    m_pressed = -1;
    int row = -1, column = -1;
    if (pressed < 0 || !getRow(&row, &column, convertPointFromWindow(event.locationInWindow))) return;
    if (row * m_columns + column != pressed) return;
    selectCellAtRow(row, column);
    if (m_action && (!m_hasTarget || m_target)) m_action(this);
}
