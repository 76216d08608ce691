#include "OutlineView.h"

#include <QDebug>

#include <algorithm>

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
    // Expansion marks of items that went are dropped with them.
    std::set<TableRowView*> shown;
    for (const Row& row : m_rows) shown.insert(row.item);
    for (auto it = m_expanded.begin(); it != m_expanded.end();)
        it = shown.count(*it) ? std::next(it) : m_expanded.erase(it);
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
