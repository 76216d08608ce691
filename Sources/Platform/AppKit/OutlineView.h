#pragma once

#include "TableView.h"

#include <QPointer>

#include <set>
#include <vector>

// A table whose rows come from a tree of items, the items being the row
// views themselves. The data source answers, per item (null is the root),
// how many children it has and which; the outline shows the root's children
// and, below every expanded item, its own, depth first. Group items (the
// headers of a list) may answer a height of their own and may refuse the
// selection. Subclasses are the data source.
class OutlineView : public TableView {
    Q_OBJECT

public:
    explicit OutlineView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~OutlineView() override;

    // --- data source -------------------------------------------------------
    virtual int numberOfChildrenOfItem(TableRowView* item) const { (void)item; return 0; }
    virtual TableRowView* childOfItem(int index, TableRowView* item) const { (void)index; (void)item; return nullptr; }
    virtual bool isItemExpandable(TableRowView* item) const { (void)item; return false; }
    virtual bool isGroupItem(TableRowView* item) const { (void)item; return false; }
    virtual bool shouldSelectItem(TableRowView* item) const { (void)item; return true; }
    // The default is the table's rowHeight().
    virtual double heightOfRowByItem(TableRowView* item) const { (void)item; return rowHeight(); }

    // Walks the tree again and places the rows.
    void reloadData() override;
    // Expands the item (null: every item of the root) and, with
    // expandChildren, every item below it; then reloads.
    void expandItem(TableRowView* item, bool expandChildren = false);
    void collapseItem(TableRowView* item);
    bool isItemExpanded(TableRowView* item) const { return m_expanded.count(item) != 0; }

    // The item shown in a row; null outside the rows.
    TableRowView* itemAtRow(int row) const;
    // The row of an item; -1 when it is not shown.
    int rowForItem(const TableRowView* item) const;
    // The parent of a shown item; null for the root's children.
    TableRowView* parentForItem(const TableRowView* item) const;

    // After the data source moved a child from one index to another (of the
    // same or another parent): the selection follows it and the rows are
    // placed again.
    void moveItemAtIndex(int from, TableRowView* oldParent, int to, TableRowView* newParent);

    int numberOfRows() const override { return int(m_rows.size()); }
    TableRowView* rowViewForRow(int row) override { return itemAtRow(row); }
    double heightOfRow(int row) const override;
    bool shouldSelectRow(int row) const override;

private:
    struct Row {
        TableRowView* item;
        TableRowView* parent;
    };
    void appendChildren(TableRowView* parent, int depth);

    std::vector<Row> m_rows;
    std::set<TableRowView*> m_expanded;
};
