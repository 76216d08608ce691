#include "OutlineView.h"

#include <QDebug>

#include <QMimeData>

#include <algorithm>
#include <cmath>

namespace {
// Deeper than any list the organizer shows; a data source that answers an
// item as its own descendant would otherwise never end.
constexpr int maximumDepth = 64;
}  // namespace

OutlineView::OutlineView(const QRectF& frame, QWidget* parent) : TableView(frame, parent) {}

OutlineView::~OutlineView() = default;

void OutlineView::appendChildren(TableRowView* parent, int depth)
{
    if (depth > maximumDepth) {
        qWarning() << "An outline's items nest deeper than" << maximumDepth << "levels; the rest is not shown";
        return;
    }
    const int count = std::max(0, numberOfChildrenOfItem(parent));
    for (int index = 0; index < count; ++index) {
        TableRowView* child = childOfItem(index, parent);
        if (!child) continue;
        m_rows.push_back({child, parent});
        if (m_expanded.count(child) && isItemExpandable(child)) appendChildren(child, depth + 1);
    }
}

void OutlineView::reloadData()
{
    m_rows.clear();
    m_rows.reserve(std::size_t(std::max(0, numberOfChildrenOfItem(nullptr))));
    appendChildren(nullptr, 0);
    // Expansion marks of items that went are dropped with them. The marks
    // are few (the groups) and the rows may be thousands: each row is
    // looked up among the marks, not put in a set of its own.
    if (!m_expanded.empty()) {
        std::set<TableRowView*> stillShown;
        for (const Row& row : m_rows)
            if (m_expanded.count(row.item)) stillShown.insert(row.item);
        m_expanded = std::move(stillShown);
    }
    TableView::reloadData();
}

void OutlineView::expandItem(TableRowView* item, bool expandChildren)
{
    // The items below are found by walking the data source, not the rows:
    // children of a collapsed item are not rows yet.
    std::vector<std::pair<TableRowView*, int>> pending;
    if (item) {
        if (isItemExpandable(item)) m_expanded.insert(item);
        if (expandChildren) pending.emplace_back(item, 0);
    } else {
        const int count = numberOfChildrenOfItem(nullptr);
        for (int index = 0; index < count; ++index)
            if (TableRowView* child = childOfItem(index, nullptr)) {
                if (isItemExpandable(child)) m_expanded.insert(child);
                if (expandChildren) pending.emplace_back(child, 0);
            }
    }
    while (!pending.empty()) {
        const auto [parent, depth] = pending.back();
        pending.pop_back();
        if (depth > maximumDepth) continue;
        const int count = numberOfChildrenOfItem(parent);
        for (int index = 0; index < count; ++index)
            if (TableRowView* child = childOfItem(index, parent)) {
                if (isItemExpandable(child)) m_expanded.insert(child);
                pending.emplace_back(child, depth + 1);
            }
    }
    reloadData();
}

void OutlineView::collapseItem(TableRowView* item)
{
    if (!item || !m_expanded.erase(item)) return;
    reloadData();
}

TableRowView* OutlineView::itemAtRow(int row) const
{
    if (row < 0 || row >= int(m_rows.size())) return nullptr;
    return m_rows[std::size_t(row)].item;
}

int OutlineView::rowForItem(const TableRowView* item) const
{
    if (!item) return -1;
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [item](const Row& row) { return row.item == item; });
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

TableRowView* OutlineView::parentForItem(const TableRowView* item) const
{
    const int row = rowForItem(item);
    return row < 0 ? nullptr : m_rows[std::size_t(row)].parent;
}

void OutlineView::moveItemAtIndex(int from, TableRowView* oldParent, int to, TableRowView* newParent)
{
    // Row indexes after the move are those of a fresh walk, so the
    // selection is carried by item (the rows still hold the old order).
    (void)from;
    (void)oldParent;
    (void)to;
    (void)newParent;
    std::vector<TableRowView*> selectedItems;
    for (int row : selectedRowIndexes()) selectedItems.push_back(itemAtRow(row));
    reloadData();
    std::vector<int> rows;
    for (TableRowView* item : selectedItems)
        if (const int row = rowForItem(item); row >= 0) rows.push_back(row);
    if (rows != selectedRowIndexes()) {
        deselectAll();
        selectRowIndexes(rows, false);
    }
}

double OutlineView::heightOfRow(int row) const
{
    TableRowView* item = itemAtRow(row);
    return item ? heightOfRowByItem(item) : rowHeight();
}

bool OutlineView::shouldSelectRow(int row) const
{
    TableRowView* item = itemAtRow(row);
    return item && shouldSelectItem(item);
}

// ---- drag and drop ---------------------------------------------------------------

OutlineView::DropSpot OutlineView::dropSpotForY(const std::vector<std::pair<double, double>>& rows, double y)
{
    const int count = int(rows.size());
    if (count == 0 || std::isnan(y)) return {0, false};
    if (y < rows.front().first) return {0, false};
    for (int row = 0; row < count; ++row) {
        const double top = rows[std::size_t(row)].first;
        const double height = std::max(0.0, rows[std::size_t(row)].second);
        const double bottom = top + height;
        if (y >= bottom && row + 1 < count && y < rows[std::size_t(row) + 1].first) return {row + 1, false};
        if (y < top || y >= bottom) continue;
        const double edge = height / 4;
        if (y < top + edge) return {row, false};
        if (y >= bottom - edge) return {row + 1, false};
        return {row, true};
    }
    return {count, false};
}

OutlineView::DropPosition OutlineView::dropPositionForPoint(const QPointF& point) const
{
    std::vector<std::pair<double, double>> spans;
    spans.reserve(m_rows.size());
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const QRectF rect = rectOfRow(row);
        spans.emplace_back(rect.top(), rect.height());
    }
    const DropSpot spot = dropSpotForY(spans, point.y());
    if (spot.onto) return {m_rows[std::size_t(spot.row)].item, -1};
    if (spot.row >= int(m_rows.size())) return {nullptr, std::max(0, numberOfChildrenOfItem(nullptr))};
    // The gap before a row is a child index in that row's parent.
    const Row& below = m_rows[std::size_t(spot.row)];
    const int count = std::max(0, numberOfChildrenOfItem(below.parent));
    for (int index = 0; index < count; ++index)
        if (childOfItem(index, below.parent) == below.item) return {below.parent, index};
    return {below.parent, count};
}

void OutlineView::registerForDraggedTypes(const QStringList& types)
{
    DropTarget::registerForDraggedTypes(this, this, types);
}

QImage OutlineView::dragImageForRowsWithIndexes(const std::vector<int>& rows, const Event&)
{
    TableRowView* first = rows.empty() ? nullptr : itemAtRow(rows.front());
    if (!first) return {};
    const QSize size = first->size().isEmpty() ? rectOfRow(rows.front()).size().toSize() : first->size();
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    first->render(&image);
    return image;
}

unsigned OutlineView::validateAt(const DraggingInfo& info)
{
    const DropPosition position = dropPositionForPoint(info.draggingLocation());
    return validateDrop(info, position.item, position.childIndex);
}

unsigned OutlineView::draggingEntered(const DraggingInfo& info)
{
    return validateAt(info);
}

unsigned OutlineView::draggingUpdated(const DraggingInfo& info)
{
    updateDraggingItemsForDrag(info);
    return validateAt(info);
}

bool OutlineView::performDragOperation(const DraggingInfo& info)
{
    const DropPosition position = dropPositionForPoint(info.draggingLocation());
    if (validateDrop(info, position.item, position.childIndex) == DragOperationNone) return false;
    return acceptDrop(info, position.item, position.childIndex);
}

void OutlineView::draggingEnded(const QPointF&, unsigned) {}

void OutlineView::mouseDown(const Event& event)
{
    m_mouseDownEvent = event;
    m_mouseDownRow = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    TableView::mouseDown(event);
}

void OutlineView::mouseDragged(const Event& event)
{
    const int row = m_mouseDownRow;
    m_mouseDownRow = -1;  // one drag per press
    if (row < 0 || DragSource::currentSession()) return;
    TableRowView* item = itemAtRow(row);
    if (!item) return;
    std::unique_ptr<QMimeData> payload = pasteboardWriterForItem(item);
    if (!payload) return;
    const QImage image = dragImageForRowsWithIndexes({row}, event);
    if (image.isNull()) {
        qWarning() << "A row without a picture is not dragged";
        return;
    }
    // The picture over the row's top-left corner (the outline is flipped).
    const QRectF rect = rectOfRow(row);
    const QPointF origin(rect.left(), rect.top() + image.deviceIndependentSize().height());
    DragSource::beginDrag(this, this, std::move(payload), image, origin, m_mouseDownEvent, draggingSourceOperationMask());
}
