#include "TableView.h"

#include "NotificationCenter.h"
#include "ScrollView.h"
#include "TableRowView.h"
#include "Window.h"

#include <QDebug>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

#include <algorithm>
#include <cmath>
#include <unordered_set>

TableView::TableView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setAcceptsFirstResponder(true);
}

TableView::~TableView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TableView::setRowHeight(double height)
{
    m_rowHeight = std::isfinite(height) && height > 0 ? height : 0;
    computeRowTops();
}

void TableView::setVerticalSpacing(double spacing)
{
    m_verticalSpacing = std::isfinite(spacing) && spacing > 0 ? spacing : 0;
    computeRowTops();
}

// Heights are asked once per reload; a bad answer counts as 0 high.
void TableView::computeRowTops()
{
    m_rowTops.clear();
    bool uniform = true;
    std::vector<double> tops;
    tops.reserve(std::size_t(m_rowCount) + 1);
    double y = 0;
    for (int row = 0; row < m_rowCount; ++row) {
        tops.push_back(y);
        double height = heightOfRow(row);
        if (!std::isfinite(height) || height < 0) height = 0;
        if (height != m_rowHeight) uniform = false;
        y += height + m_verticalSpacing;
    }
    tops.push_back(y);
    if (!uniform) m_rowTops = std::move(tops);
}

void TableView::setPlacesVisibleRowsOnly(bool only)
{
    if (m_placesVisibleRowsOnly == only) return;
    m_placesVisibleRowsOnly = only;
    if (only) observeScrollView();
    reloadData();
}

// The scroll view is looked up again at every reload: the table may have
// been put into one after the setting was made.
void TableView::observeScrollView()
{
    ScrollView* scroll = enclosingScrollView();
    if (scroll == m_observedScrollView) return;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.removeObserver(this, ScrollView::boundsDidChangeNotification);
    m_observedScrollView = scroll;
    if (!scroll) return;
    center.addObserver(this, ScrollView::boundsDidChangeNotification, NotificationPayload::identityOf(scroll),
                       [this](const Notification&) { placeVisibleRows(); });
}

void TableView::placeRow(int row, TableRowView* view)
{
    view->setFrame(rectOfRow(row));
    if (view->superview() != this) {
        // The list is one stop of the Tab key, not each control of each of
        // its rows: those stay for the mouse (fields typed into keep theirs).
        for (QWidget* control : view->findChildren<QWidget*>())
            if (control->focusPolicy() == Qt::TabFocus) control->setFocusPolicy(Qt::NoFocus);
        addSubview(view);
    }
    if (view->isHidden()) view->show();
}

void TableView::placeVisibleRows()
{
    if (!m_placesVisibleRowsOnly) return;
    const auto [first, count] = visibleRows();
    for (int row = first; row < first + count && row < int(m_placedRows.size()); ++row) {
        QPointer<TableRowView>& known = m_placedRows[std::size_t(row)];
        // A row first in view is asked for now, and shows its selection.
        if (!known) {
            known = rowViewForRow(row);
            if (known) known->setSelected(isRowSelected(row));
        }
        if (known) placeRow(row, known);
    }
}

void TableView::noteHeightOfRowsWithIndexesChanged(const std::vector<int>& rows)
{
    const bool any = std::any_of(rows.begin(), rows.end(), [this](int row) { return row >= 0 && row < m_rowCount; });
    if (!any) return;
    computeRowTops();
    // A changed row may stand as another view now (an editor opened in its
    // place): only those rows are asked for again.
    for (int row : rows) {
        if (row < 0 || row >= int(m_placedRows.size())) continue;
        QPointer<TableRowView>& known = m_placedRows[std::size_t(row)];
        if (!known && m_placesVisibleRowsOnly) continue;  // asked for when it comes into view
        TableRowView* view = rowViewForRow(row);
        if (known && known != view && known->superview() == this) known->removeFromSuperview();
        known = view;
        if (view) {
            view->setSelected(isRowSelected(row));
            placeRow(row, view);
        }
    }
    for (int row = 0; row < int(m_placedRows.size()); ++row) {
        const QPointer<TableRowView>& view = m_placedRows[std::size_t(row)];
        if (view && view->superview() == this) view->setFrame(rectOfRow(row));
    }
    placeVisibleRows();
    setNeedsDisplay();
}

void TableView::moveRow(int from, int to)
{
    if (from < 0 || to < 0 || from >= m_rowCount || to >= m_rowCount || from == to) return;
    std::set<int> moved;
    for (int row : m_selected) {
        int index = row;
        if (row == from) index = to;
        else if (from < to && row > from && row <= to) index = row - 1;
        else if (from > to && row >= to && row < from) index = row + 1;
        moved.insert(index);
    }
    if (m_anchorRow == from) m_anchorRow = to;
    m_selected = std::move(moved);
    reloadData();
}

void TableView::removeRowWithSlideAndFade(int row)
{
    if (row < 0 || row >= m_rowCount) return;
    TableRowView* leaving = row < int(m_placedRows.size()) ? m_placedRows[std::size_t(row)].data() : nullptr;
    if (row < int(m_placedRows.size())) m_placedRows.erase(m_placedRows.begin() + row);
    std::set<int> moved;
    for (int selected : m_selected)
        if (selected != row) moved.insert(selected > row ? selected - 1 : selected);
    const bool selectionChangedNow = moved != m_selected;
    if (m_anchorRow == row) m_anchorRow = -1;
    else if (m_anchorRow > row) --m_anchorRow;
    m_selected = std::move(moved);
    if (leaving) leaving->setSelected(false);
    reloadData();
    if (selectionChangedNow) {
        selectionDidChange();
        Q_EMIT selectionChanged();
    }
    if (!leaving) return;
    const double seconds = rowRemovalDuration * Window::animationDurationScale();
    if (seconds <= 0 || leaving->superview() != this) {
        leaving->removeFromSuperview();
        leaving->deleteLater();
        return;
    }
    // Above the rows that move up under it while it goes.
    leaving->raise();
    auto* fade = new QGraphicsOpacityEffect(leaving);
    leaving->setGraphicsEffect(fade);
    auto* group = new QParallelAnimationGroup(leaving);
    const int milliseconds = std::max(1, int(std::lround(seconds * 1000)));
    auto* opacity = new QPropertyAnimation(fade, "opacity", group);
    opacity->setDuration(milliseconds);
    opacity->setStartValue(1.0);
    opacity->setEndValue(0.0);
    auto* slide = new QPropertyAnimation(leaving, "pos", group);
    slide->setDuration(milliseconds);
    slide->setStartValue(leaving->pos());
    slide->setEndValue(leaving->pos() - QPoint(leaving->width(), 0));
    group->addAnimation(opacity);
    group->addAnimation(slide);
    connect(group, &QAbstractAnimation::finished, leaving, [leaving] {
        leaving->removeFromSuperview();
        leaving->deleteLater();
    });
    group->start();
}

void TableView::setAllowsMultipleSelection(bool allows)
{
    m_allowsMultipleSelection = allows;
    if (!allows && m_selected.size() > 1) applySelection({*m_selected.begin()});
}

void TableView::reloadData()
{
    const int count = std::max(0, numberOfRows());
    m_rowCount = count;
    computeRowTops();
    if (m_placesVisibleRowsOnly) observeScrollView();
    const std::pair<int, int> shown = m_placesVisibleRowsOnly ? visibleRows() : std::pair<int, int>{0, count};
    // Only the rows in view are asked for: a data source may make a row's
    // view when it is first asked, and a long list then makes few. The
    // others stay unknown (null) until they come into view.
    std::vector<QPointer<TableRowView>> rows(static_cast<std::size_t>(count));
    for (int row = shown.first; row < shown.first + shown.second && row < count; ++row) {
        TableRowView* view = rowViewForRow(row);
        rows[std::size_t(row)] = view;  // kept at its index, a missing one too
        if (view) placeRow(row, view);
    }
    // A set: a long list would otherwise compare every old row with every new one.
    std::unordered_set<const TableRowView*> placedNow;
    placedNow.reserve(std::size_t(shown.second));
    for (const QPointer<TableRowView>& row : rows)
        if (row) placedNow.insert(row.data());
    // Views placed before and not now are out of view or no longer rows:
    // hidden either way, and taken away once the whole list was asked.
    for (const QPointer<TableRowView>& old : m_placedRows) {
        if (!old || placedNow.count(old.data()) || old->superview() != this) continue;
        if (m_placesVisibleRowsOnly) {
            if (!old->isHidden()) old->hide();
        } else {
            old->removeFromSuperview();
        }
    }
    m_placedRows = std::move(rows);

    std::set<int> kept;
    for (int row : m_selected)
        if (row < count) kept.insert(row);
    if (kept != m_selected) applySelection(std::move(kept));
    markRows();
    setNeedsDisplay();
}

int TableView::rowAtPoint(const QPointF& point) const
{
    if (point.y() < 0 || point.x() < 0 || point.x() >= bounds().width()) return -1;
    if (!m_rowTops.empty()) {
        // The last top not below the point; past the last row's spacing, none.
        if (point.y() >= m_rowTops.back()) return -1;
        const auto after = std::upper_bound(m_rowTops.begin(), m_rowTops.end(), point.y());
        return std::clamp(int(after - m_rowTops.begin()) - 1, 0, m_rowCount - 1);
    }
    const double pitch = rowPitch();
    if (pitch <= 0) return -1;
    const int row = int(std::floor(point.y() / pitch));
    return row < m_rowCount ? row : -1;
}

QRectF TableView::rectOfRow(int row) const
{
    if (row < 0) return QRectF();
    if (!m_rowTops.empty() && row < m_rowCount) {
        const double top = m_rowTops[std::size_t(row)];
        return QRectF(0, top, bounds().width(), m_rowTops[std::size_t(row) + 1] - top - m_verticalSpacing);
    }
    return QRectF(0, row * rowPitch(), bounds().width(), m_rowHeight);
}

double TableView::yPositionPastLastRow() const
{
    return m_rowCount == 0 ? 0 : rectOfRow(m_rowCount - 1).bottom();
}

void TableView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    redrawBandBelowLastRow();
}

void TableView::redrawBandBelowLastRow()
{
    const double past = yPositionPastLastRow();
    if (bounds().height() > past) setNeedsDisplayInRect(QRectF(0, past, bounds().width(), bounds().height() - past));
}

double TableView::heightOfAllRows() const
{
    if (!m_rowTops.empty()) return m_rowTops.back();
    return m_rowCount * rowPitch();
}

std::pair<int, int> TableView::rowsInRect(const QRectF& rect) const
{
    if (m_rowCount == 0 || rect.height() <= 0) return {0, 0};
    if (!m_rowTops.empty()) {
        const auto firstAfter = std::upper_bound(m_rowTops.begin(), m_rowTops.end(), rect.top());
        const int first = std::clamp(int(firstAfter - m_rowTops.begin()) - 1, 0, m_rowCount);
        const auto lastAfter = std::lower_bound(m_rowTops.begin(), m_rowTops.end(), rect.bottom());
        const int last = std::clamp(int(lastAfter - m_rowTops.begin()), 0, m_rowCount);
        return {first, std::max(0, last - first)};
    }
    const double pitch = rowPitch();
    if (pitch <= 0) return {0, 0};
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
        if (row < 0 || row >= m_rowCount || !shouldSelectRow(row)) continue;
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
    if (row >= 0 && !shouldSelectRow(row)) {
        // A row that cannot be selected takes the press and leaves the
        // selection as it was.
        selection = m_selected;
    } else if (row >= 0) {
        if (m_allowsMultipleSelection && event.hasModifier(CommandKeyMask)) {
            selection = m_selected;
            if (!selection.erase(row)) selection.insert(row);
            m_anchorRow = row;
        } else if (m_allowsMultipleSelection && event.hasModifier(ShiftKeyMask) && m_anchorRow >= 0 &&
                   m_anchorRow < m_rowCount) {
            for (int r = std::min(row, m_anchorRow); r <= std::max(row, m_anchorRow); ++r)
                if (shouldSelectRow(r)) selection.insert(r);
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
    if (!m_rowTops.empty()) {
        // A line under each row, then ruled on at the plain pitch.
        const auto [firstRow, rowCount] = rowsInRect(dirtyRect);
        for (int row = firstRow; row < firstRow + rowCount; ++row)
            painter.fillRect(QRectF(dirtyRect.left(), m_rowTops[std::size_t(row) + 1] - 1, dirtyRect.width(), 1), m_gridColor);
        const double end = m_rowTops.back();
        if (dirtyRect.bottom() <= end) return;
        const int from = std::max(1, int(std::floor((dirtyRect.top() - end) / pitch)));
        const int to = int(std::ceil((dirtyRect.bottom() - end) / pitch));
        for (int step = from; step <= to; ++step)
            painter.fillRect(QRectF(dirtyRect.left(), end + step * pitch - 1, dirtyRect.width(), 1), m_gridColor);
        return;
    }
    // A line under every row's spacing, also down the empty part below the
    // rows, as a ruled page.
    const int first = std::max(0, int(std::floor(dirtyRect.top() / pitch)));
    const int last = int(std::ceil(dirtyRect.bottom() / pitch));
    for (int row = first; row <= last; ++row)
        painter.fillRect(QRectF(dirtyRect.left(), (row + 1) * pitch - 1, dirtyRect.width(), 1), m_gridColor);
}
