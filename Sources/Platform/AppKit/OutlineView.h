#pragma once

#include "DragSource.h"
#include "DropTarget.h"
#include "Event.h"
#include "TableView.h"

#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <QStringList>

#include <memory>

#include <set>
#include <vector>

// A table whose rows come from a tree of items, the items being the row
// views themselves. The data source answers, per item (null is the root),
// how many children it has and which; the outline shows the root's children
// and, below every expanded item, its own, depth first. Group items (the
// headers of a list) may answer a height of their own and may refuse the
// selection. Subclasses are the data source.
//
// It is also a drag source and a drop target for the data source: a drag
// from a row asks pasteboardWriterForItem for the payload, and a drag over
// the outline is proposed a drop position, a child index between rows of a
// parent or -1 onto a row, that validateDrop judges and acceptDrop performs.
class OutlineView : public TableView, public DraggingSource, public DraggingDestination {
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

    // The item shown in a row; null outside the rows. A subclass that lays
    // its rows out itself (making them on demand) answers these three.
    virtual TableRowView* itemAtRow(int row) const;
    // The row of an item; -1 when it is not shown.
    virtual int rowForItem(const TableRowView* item) const;
    // The parent of a shown item; null for the root's children.
    virtual TableRowView* parentForItem(const TableRowView* item) const;

    // After the data source moved a child from one index to another (of the
    // same or another parent): the selection follows it and the rows are
    // placed again.
    void moveItemAtIndex(int from, TableRowView* oldParent, int to, TableRowView* newParent);

    // --- drag and drop -----------------------------------------------------
    // Where a pointer at y (the outline's coordinates, y down) would drop,
    // over rows given as (top, height) in row order: the gap before a row
    // (`row`, row == count after the last) when it is within a quarter of a
    // row's height of that row's top or of the previous row's bottom, onto
    // the row under it otherwise. Below the rows is after the last, above
    // them before the first.
    struct DropSpot {
        int row = 0;
        bool onto = false;
        bool operator==(const DropSpot&) const = default;
    };
    static DropSpot dropSpotForY(const std::vector<std::pair<double, double>>& rows, double y);
    // The proposed drop for a point: onto an item (childIndex -1), or between
    // rows as the child index of the gap in the parent of the row below it
    // (past the last row: the root's child count).
    struct DropPosition {
        TableRowView* item = nullptr;
        int childIndex = -1;
        bool operator==(const DropPosition&) const = default;
    };
    DropPosition dropPositionForPoint(const QPointF& point) const;
    // Takes drops of payloads offering one of the types.
    void registerForDraggedTypes(const QStringList& types);

    // The payload of a drag from the item; none: the item is not dragged.
    virtual std::unique_ptr<QMimeData> pasteboardWriterForItem(TableRowView* item) { (void)item; return nullptr; }
    // The picture dragged for the rows; by default the first row as it looks.
    virtual QImage dragImageForRowsWithIndexes(const std::vector<int>& rows, const Event& event);
    // The drop a drag at the position would do; DragOperationNone refuses.
    virtual unsigned validateDrop(const DraggingInfo& info, TableRowView* item, int childIndex)
    {
        (void)info; (void)item; (void)childIndex;
        return DragOperationNone;
    }
    // Performs a drop validateDrop allowed; false when nothing was taken.
    virtual bool acceptDrop(const DraggingInfo& info, TableRowView* item, int childIndex)
    {
        (void)info; (void)item; (void)childIndex;
        return false;
    }
    // The drag moved over the outline: a chance to change its look.
    virtual void updateDraggingItemsForDrag(const DraggingInfo& info) { (void)info; }

    // The entry validates the drop at the pointer, as every move does; the
    // drop performs it when it is still valid.
    unsigned draggingEntered(const DraggingInfo& info) override;
    unsigned draggingUpdated(const DraggingInfo& info) override;
    bool performDragOperation(const DraggingInfo& info) override;
    void draggingEnded(const QPointF& screenPoint, unsigned operation) override;

    void mouseDown(const Event& event) override;
    // A drag from a row the data source gives a payload for starts a drag.
    void mouseDragged(const Event& event) override;

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
    unsigned validateAt(const DraggingInfo& info);

    std::vector<Row> m_rows;
    std::set<TableRowView*> m_expanded;
    Event m_mouseDownEvent;
    int m_mouseDownRow = -1;
};
