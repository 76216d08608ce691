#include "TableView.h"

#include "ScrollView.h"
#include "TableRowView.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>
#include <cmath>

TableView::TableView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setAcceptsFirstResponder(true);
}

TableView::~TableView() = default;

void TableView::setRowHeight(double height)
{
    m_rowHeight = std::isfinite(height) && height > 0 ? height : 0;
}

void TableView::setVerticalSpacing(double spacing)
{
    m_verticalSpacing = std::isfinite(spacing) && spacing > 0 ? spacing : 0;
}

void TableView::setAllowsMultipleSelection(bool allows)
{
    m_allowsMultipleSelection = allows;
    if (!allows && m_selected.size() > 1) applySelection({*m_selected.begin()});
}

void TableView::reloadData()
{
    const int count = std::max(0, numberOfRows());
    std::vector<QPointer<TableRowView>> rows;
    rows.reserve(std::size_t(count));
    for (int row = 0; row < count; ++row) {
        TableRowView* view = rowViewForRow(row);
        rows.emplace_back(view);  // kept at its index, a missing one too
        if (!view) continue;
        view->setFrame(rectOfRow(row));
        if (view->superview() != this) addSubview(view);
        view->show();
    }
    for (const QPointer<TableRowView>& old : m_placedRows)
        if (old && std::find(rows.begin(), rows.end(), old) == rows.end() && old->superview() == this)
            old->removeFromSuperview();
    m_placedRows = std::move(rows);
    m_rowCount = count;

    std::set<int> kept;
    for (int row : m_selected)
        if (row < count) kept.insert(row);
    if (kept != m_selected) applySelection(std::move(kept));
    markRows();
    setNeedsDisplay();
}

int TableView::rowAtPoint(const QPointF& point) const
{
    const double pitch = rowPitch();
    if (pitch <= 0 || point.y() < 0 || point.x() < 0 || point.x() >= bounds().width()) return -1;
    const int row = int(std::floor(point.y() / pitch));
    return row < m_rowCount ? row : -1;
}

QRectF TableView::rectOfRow(int row) const
{
    if (row < 0) return QRectF();
    return QRectF(0, row * rowPitch(), bounds().width(), m_rowHeight);
}

std::pair<int, int> TableView::rowsInRect(const QRectF& rect) const
{
    const double pitch = rowPitch();
    if (pitch <= 0 || m_rowCount == 0 || rect.height() <= 0) return {0, 0};
    const int first = std::clamp(int(std::floor(rect.top() / pitch)), 0, m_rowCount);
    const int last = std::clamp(int(std::ceil(rect.bottom() / pitch)), 0, m_rowCount);
    return {first, std::max(0, last - first)};
}

ScrollView* TableView::enclosingScrollView() const
{
    for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget())
        if (auto* scroll = qobject_cast<ScrollView*>(widget)) return scroll;
    return nullptr;
}

std::pair<int, int> TableView::visibleRows() const
{
    ScrollView* scroll = enclosingScrollView();
    if (!scroll || !scroll->documentView()) return {0, m_rowCount};
    const QRectF visible = convertRect(scroll->documentVisibleRect(), scroll->documentView());
    return rowsInRect(visible.intersected(bounds()));
}

void TableView::scrollRowToVisible(int row)
{
    if (row < 0 || row >= m_rowCount) return;
    ScrollView* scroll = enclosingScrollView();
    if (!scroll || !scroll->documentView()) return;
    scroll->scrollRectToVisible(scroll->documentView()->convertRect(rectOfRow(row), this));
}

void TableView::selectRowIndexes(const std::vector<int>& rows, bool extend)
{
    std::set<int> selection = extend && m_allowsMultipleSelection ? m_selected : std::set<int>();
    for (int row : rows) {
        if (row < 0 || row >= m_rowCount) continue;
        selection.insert(row);
        if (!m_allowsMultipleSelection) {
            selection = {row};
            break;
        }
    }
    if (selection == m_selected) return;
    applySelection(std::move(selection));
    selectionDidChange();
    Q_EMIT selectionChanged();
}

void TableView::deselectRow(int row)
{
    if (!m_selected.count(row)) return;
    std::set<int> selection = m_selected;
    selection.erase(row);
    applySelection(std::move(selection));
    selectionDidChange();
    Q_EMIT selectionChanged();
}

void TableView::deselectAll()
{
    if (m_selected.empty()) return;
    applySelection({});
    selectionDidChange();
    Q_EMIT selectionChanged();
}

void TableView::applySelection(std::set<int> selection)
{
    m_selected = std::move(selection);
    markRows();
}

void TableView::markRows()
{
    for (int row = 0; row < int(m_placedRows.size()); ++row)
        if (m_placedRows[std::size_t(row)]) m_placedRows[std::size_t(row)]->setSelected(isRowSelected(row));
}

void TableView::mouseDown(const Event& event)
{
    becomeFirstResponder();
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    std::set<int> selection;
    if (row >= 0) {
        if (m_allowsMultipleSelection && event.hasModifier(CommandKeyMask)) {
            selection = m_selected;
            if (!selection.erase(row)) selection.insert(row);
            m_anchorRow = row;
        } else if (m_allowsMultipleSelection && event.hasModifier(ShiftKeyMask) && m_anchorRow >= 0 &&
                   m_anchorRow < m_rowCount) {
            for (int r = std::min(row, m_anchorRow); r <= std::max(row, m_anchorRow); ++r) selection.insert(r);
        } else {
            selection = {row};
            m_anchorRow = row;
        }
    }
    m_tracking = true;
    if (selection != m_selected) {
        applySelection(std::move(selection));
        m_changedWhileTracking = true;
        selectionIsChanging();
        Q_EMIT selectionChanging();
    }
}

void TableView::mouseUp(const Event&)
{
    m_tracking = false;
    if (!m_changedWhileTracking) return;
    m_changedWhileTracking = false;
    selectionDidChange();
    Q_EMIT selectionChanged();
}

void TableView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    if (m_backgroundColor.isValid()) painter.fillRect(dirtyRect, m_backgroundColor);
    const double pitch = rowPitch();
    if (!(m_gridStyle & SolidHorizontalGridLine) || pitch <= 0) return;
    // A line under every row's spacing, also down the empty part below the
    // rows, as a ruled page.
    const int first = std::max(0, int(std::floor(dirtyRect.top() / pitch)));
    const int last = int(std::ceil(dirtyRect.bottom() / pitch));
    for (int row = first; row <= last; ++row)
        painter.fillRect(QRectF(dirtyRect.left(), (row + 1) * pitch - 1, dirtyRect.width(), 1), m_gridColor);
}
