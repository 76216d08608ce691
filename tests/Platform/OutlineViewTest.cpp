// The outline form of the row table: rows from a tree of row views, group
// rows of their own height that refuse the selection, rows found by point
// and by item, moves that keep the selection on its item, and a long list
// that places only the rows in view.
#include "OutlineView.h"
#include "ScrollView.h"
#include "TableRowView.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace OutlineViewTests {

namespace {

// Headers (18 high, never selected) with children; items 30 high.
class TreeOutline : public OutlineView {
public:
    TreeOutline() : OutlineView(QRectF(0, 0, 200, 1000))
    {
        setRowHeight(30);
        setVerticalSpacing(0);
        setAllowsMultipleSelection(true);
    }
    ~TreeOutline() override
    {
        for (TableRowView* row : owned) delete row;
    }
    TableRowView* make(bool header)
    {
        auto* row = new TableRowView();
        owned.push_back(row);
        if (header) headers.insert(row);
        return row;
    }
    int numberOfChildrenOfItem(TableRowView* item) const override
    {
        const auto found = children.find(item);
        return found == children.end() ? 0 : int(found->second.size());
    }
    TableRowView* childOfItem(int index, TableRowView* item) const override { return children.at(item)[std::size_t(index)]; }
    bool isItemExpandable(TableRowView* item) const override { return headers.count(item) != 0; }
    bool isGroupItem(TableRowView* item) const override { return headers.count(item) != 0; }
    bool shouldSelectItem(TableRowView* item) const override { return headers.count(item) == 0; }
    double heightOfRowByItem(TableRowView* item) const override { return headers.count(item) ? 18 : rowHeight(); }

    std::map<TableRowView*, std::vector<TableRowView*>> children;
    std::set<TableRowView*> headers;
    std::vector<TableRowView*> owned;
};

Event pressAt(const View& view, const QPointF& point)
{
    Event event;
    event.type = EventType::LeftMouseDown;
    event.clickCount = 1;
    event.locationInWindow = view.convertPointToWindow(point);
    return event;
}

}  // namespace

TEST(OutlineViewTest, ShowsChildrenOnlyBelowExpandedItemsAndStacksRowsOfTheirOwnHeight)
{
    TreeOutline outline;
    TableRowView* header = outline.make(true);
    TableRowView* a = outline.make(false);
    TableRowView* b = outline.make(false);
    TableRowView* loose = outline.make(false);
    outline.children[nullptr] = {header, loose};
    outline.children[header] = {a, b};

    outline.reloadData();
    EXPECT_EQ(outline.numberOfRows(), 2) << "a collapsed header hides its children";
    outline.expandItem(nullptr, true);
    ASSERT_EQ(outline.numberOfRows(), 4);
    EXPECT_EQ(outline.itemAtRow(1), a);
    EXPECT_EQ(outline.parentForItem(b), header);
    EXPECT_EQ(outline.rowForItem(loose), 3);

    // Tops 0, 18, 48, 78; the table ends at 108.
    const struct { int row; double top; double height; } expected[] = {{0, 0, 18}, {1, 18, 30}, {2, 48, 30}, {3, 78, 30}};
    for (const auto& e : expected) {
        EXPECT_EQ(outline.rectOfRow(e.row), QRectF(0, e.top, 200, e.height)) << "row " << e.row;
        EXPECT_EQ(outline.rowAtPoint(QPointF(5, e.top + 1)), e.row);
        EXPECT_EQ(outline.rowViewForRow(e.row)->frame(), QRectF(0, e.top, 200, e.height));
    }
    EXPECT_EQ(outline.rowAtPoint(QPointF(5, 17.9)), 0);
    EXPECT_EQ(outline.rowAtPoint(QPointF(5, 108)), -1);
    EXPECT_DOUBLE_EQ(outline.heightOfAllRows(), 108);
    EXPECT_EQ(outline.rowsInRect(QRectF(0, 20, 10, 40)), std::make_pair(1, 2));

    outline.collapseItem(header);
    EXPECT_EQ(outline.numberOfRows(), 2);
    EXPECT_EQ(outline.rowForItem(a), -1);
}

TEST(OutlineViewTest, GroupRowsRefuseTheSelectionByPressAndByCode)
{
    TreeOutline outline;
    TableRowView* header = outline.make(true);
    TableRowView* a = outline.make(false);
    outline.children[nullptr] = {header, a};
    outline.reloadData();

    outline.selectRowIndexes({0, 1}, false);
    EXPECT_EQ(outline.selectedRowIndexes(), std::vector<int>{1});
    outline.mouseDown(pressAt(outline, QPointF(5, 5)));
    outline.mouseUp(pressAt(outline, QPointF(5, 5)));
    EXPECT_EQ(outline.selectedRowIndexes(), std::vector<int>{1}) << "a press on a header leaves the selection";
    EXPECT_FALSE(header->isSelected());
    EXPECT_TRUE(a->isSelected());
}

TEST(OutlineViewTest, AMovedItemKeepsItsSelectionAndItsNewPlace)
{
    TreeOutline outline;
    std::vector<TableRowView*> rows;
    for (int i = 0; i < 4; ++i) rows.push_back(outline.make(false));
    outline.children[nullptr] = rows;
    outline.reloadData();
    outline.selectRowIndexes({3}, false);

    // The data source moves its fourth child up to the second place.
    auto& list = outline.children[nullptr];
    TableRowView* moved = list[3];
    list.erase(list.begin() + 3);
    list.insert(list.begin() + 1, moved);
    outline.moveItemAtIndex(3, nullptr, 1, nullptr);

    EXPECT_EQ(outline.rowForItem(moved), 1);
    EXPECT_EQ(moved->frame().top(), 30);
    EXPECT_EQ(outline.selectedRowIndexes(), std::vector<int>{1});
    EXPECT_TRUE(moved->isSelected());
    EXPECT_FALSE(rows[2]->isSelected());
}

TEST(OutlineViewTest, ALongListPlacesOnlyTheRowsInViewAndMoreAsItScrolls)
{
    ScrollView scroll(QRectF(0, 0, 200, 100));
    auto* outline = new TreeOutline();
    outline->setFrame(QRectF(0, 0, 185, 3000));
    scroll.setDocumentView(outline);
    for (int i = 0; i < 100; ++i) outline->children[nullptr].push_back(outline->make(false));
    outline->setPlacesVisibleRowsOnly(true);

    const auto placed = [&] {
        int count = 0;
        for (TableRowView* row : outline->children[nullptr])
            if (row->superview() == outline && !row->isHidden()) ++count;
        return count;
    };
    EXPECT_EQ(placed(), 4) << "100 high shows rows 0 to 3";
    TableRowView* row50 = outline->children[nullptr][50];
    EXPECT_EQ(row50->superview(), nullptr);
    outline->scrollRowToVisible(50);
    EXPECT_EQ(row50->superview(), outline);
    EXPECT_EQ(row50->frame(), QRectF(0, 1500, 185, 30));
    EXPECT_LE(placed(), 9);
}

}  // namespace OutlineViewTests
