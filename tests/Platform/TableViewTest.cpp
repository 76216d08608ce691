// The kit's row table: rows at their pitch, the row under a point, the
// visible rows of its scroll view, selection by mouse and by code, and the
// drawing layers of a row.
#include "ScrollView.h"
#include "TableRowView.h"
#include "TableView.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace TableViewTests {

namespace {

// A row that notes the layers it was asked to draw, in order.
class RecordingRow : public TableRowView {
public:
    using TableRowView::TableRowView;
    void drawBackgroundInRect(QPainter&, const QRectF&) override { layers.push_back("background"); }
    void drawSelectionInRect(QPainter&, const QRectF&) override { layers.push_back("selection"); }
    void drawSeparatorInRect(QPainter&, const QRectF&) override { layers.push_back("separator"); }
    std::vector<std::string> layers;
};

class ListTable : public TableView {
public:
    explicit ListTable(int rows) : TableView(QRectF(0, 0, 200, 400))
    {
        for (int i = 0; i < rows; ++i) m_rows.push_back(new RecordingRow());
    }
    int numberOfRows() const override { return int(m_rows.size()); }
    TableRowView* rowViewForRow(int row) override
    {
        asked.push_back(row);
        return row < numberOfRows() ? m_rows[std::size_t(row)] : nullptr;
    }
    void dropLastRows(int count)
    {
        for (int i = 0; i < count; ++i) {
            delete m_rows.back();
            m_rows.pop_back();
        }
    }
    RecordingRow* row(int index) const { return m_rows[std::size_t(index)]; }

    int changing = 0;
    int changed = 0;
    std::vector<int> asked;  // the rows rowViewForRow was asked for, in order

protected:
    void selectionIsChanging() override { ++changing; }
    void selectionDidChange() override { ++changed; }

private:
    std::vector<RecordingRow*> m_rows;
};

Event pressAt(const View& view, const QPointF& point, unsigned modifiers = 0)
{
    Event event;
    event.type = EventType::LeftMouseDown;
    event.clickCount = 1;
    event.locationInWindow = view.convertPointToWindow(point);
    event.modifierFlags = modifiers;
    return event;
}

Event releaseAt(const View& view, const QPointF& point)
{
    Event event = pressAt(view, point);
    event.type = EventType::LeftMouseUp;
    return event;
}

}  // namespace

TEST(TableViewTest, RowsSitAtTheirPitchAndPointsFindThem)
{
    ListTable table(5);
    table.setRowHeight(16);
    table.reloadData();
    EXPECT_DOUBLE_EQ(table.rowPitch(), 18);
    EXPECT_EQ(table.row(3)->frame(), QRectF(0, 54, 200, 16));
    EXPECT_EQ(table.row(3)->superview(), &table);

    const struct {
        QPointF point;
        int row;
    } cases[] = {
        {{10, 0}, 0},     {{10, 15.9}, 0}, {{10, 17.9}, 0},  // the spacing under a row is that row's
        {{10, 18}, 1},    {{199, 89}, 4},  {{10, 90}, -1},   // past the last row
        {{10, -1}, -1},   {{200, 5}, -1},  {{-1, 5}, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(table.rowAtPoint(c.point), c.row) << c.point.x() << "," << c.point.y();
    EXPECT_EQ(table.rectOfRow(2), QRectF(0, 36, 200, 16));
    EXPECT_EQ(table.rowsInRect(QRectF(0, 20, 200, 30)), std::make_pair(1, 2));
    EXPECT_EQ(table.rowsInRect(QRectF(0, 80, 200, 100)), std::make_pair(4, 1));
}

TEST(TableViewTest, VisibleRowsFollowTheScrollView)
{
    ScrollView scroll(QRectF(0, 0, 215, 54));
    auto* table = new ListTable(20);
    table->setRowHeight(16);
    table->setFrame(QRectF(0, 0, 200, 20 * 18));
    scroll.setDocumentView(table);
    table->reloadData();
    EXPECT_EQ(table->visibleRows(), std::make_pair(0, 3));

    table->scrollRowToVisible(10);
    const auto [first, count] = table->visibleRows();
    EXPECT_LE(first, 10);
    EXPECT_GT(first + count, 10) << "the row asked for shows";
    EXPECT_GT(scroll.scrollOffset(), 0);

    table->scrollRowToVisible(0);
    EXPECT_DOUBLE_EQ(scroll.scrollOffset(), 0);
    table->scrollRowToVisible(99);  // no such row: nothing moves
    EXPECT_DOUBLE_EQ(scroll.scrollOffset(), 0);
}

TEST(TableViewTest, ALongListAsksOnlyForTheRowsInViewEachOnceUntilTheNextReload)
{
    ScrollView scroll(QRectF(0, 0, 215, 54));
    auto* table = new ListTable(200);
    table->setRowHeight(16);
    table->setFrame(QRectF(0, 0, 200, 200 * 18));
    scroll.setDocumentView(table);
    table->setPlacesVisibleRowsOnly(true);
    table->asked.clear();
    table->selectRowIndexes({100}, false);
    table->reloadData();
    EXPECT_EQ(table->asked, (std::vector<int>{0, 1, 2})) << "the rows in view only";
    EXPECT_EQ(table->row(100)->superview(), nullptr);

    table->asked.clear();
    table->scrollRowToVisible(100);
    ASSERT_FALSE(table->asked.empty());
    EXPECT_LE(table->asked.size(), 4u);
    EXPECT_EQ(table->row(100)->superview(), table);
    EXPECT_TRUE(table->row(100)->isSelected()) << "a row made selected shows it when it comes into view";
    table->asked.clear();
    table->placeVisibleRows();
    EXPECT_TRUE(table->asked.empty()) << "a row known since the reload is not asked again";

    // Rows that left the view on a reload are hidden, not left standing.
    table->scrollRowToVisible(0);
    table->reloadData();
    EXPECT_TRUE(table->row(100)->isHidden());
    EXPECT_FALSE(table->row(0)->isHidden());
}

TEST(TableViewTest, APressSelectsWhileChangingAndTheReleaseSettlesIt)
{
    ListTable table(4);
    table.reloadData();
    table.mouseDown(pressAt(table, {10, 20}));
    EXPECT_EQ(table.selectedRow(), 1);
    EXPECT_TRUE(table.row(1)->isSelected());
    EXPECT_EQ(table.changing, 1);
    EXPECT_EQ(table.changed, 0) << "not settled while the button is down";
    table.mouseUp(releaseAt(table, {10, 20}));
    EXPECT_EQ(table.changed, 1);

    // Pressing the selected row again changes nothing and tells nothing.
    table.mouseDown(pressAt(table, {10, 20}));
    table.mouseUp(releaseAt(table, {10, 20}));
    EXPECT_EQ(table.changing, 1);
    EXPECT_EQ(table.changed, 1);

    // Outside the rows the selection goes.
    table.mouseDown(pressAt(table, {10, 300}));
    table.mouseUp(releaseAt(table, {10, 300}));
    EXPECT_EQ(table.selectedRow(), -1);
    EXPECT_FALSE(table.row(1)->isSelected());
    EXPECT_EQ(table.changed, 2);
}

TEST(TableViewTest, MultipleSelectionTogglesAndExtendsOnlyWhenAllowed)
{
    ListTable table(6);
    table.reloadData();
    table.mouseDown(pressAt(table, {10, 20}));
    table.mouseDown(pressAt(table, {10, 60}, CommandKeyMask));
    EXPECT_EQ(table.selectedRowIndexes(), std::vector<int>{3}) << "single selection ignores the Command key";

    table.setAllowsMultipleSelection(true);
    table.mouseDown(pressAt(table, {10, 20}, CommandKeyMask));
    EXPECT_EQ(table.selectedRowIndexes(), (std::vector<int>{1, 3}));
    table.mouseDown(pressAt(table, {10, 60}, CommandKeyMask));
    EXPECT_EQ(table.selectedRowIndexes(), std::vector<int>{1}) << "a second Command press takes the row out";
    // Shift selects the run from the row last pressed.
    table.mouseDown(pressAt(table, {10, 5}));
    table.mouseDown(pressAt(table, {10, 80}, ShiftKeyMask));
    EXPECT_EQ(table.selectedRowIndexes(), (std::vector<int>{0, 1, 2, 3, 4}));
    table.mouseDown(pressAt(table, {10, 40}, ShiftKeyMask));
    EXPECT_EQ(table.selectedRowIndexes(), (std::vector<int>{0, 1, 2}));

    table.setAllowsMultipleSelection(false);
    EXPECT_EQ(table.selectedRowIndexes(), std::vector<int>{0});
}

TEST(TableViewTest, CodeSelectionSettlesAtOnceAndReloadDropsRowsThatWent)
{
    ListTable table(5);
    table.setAllowsMultipleSelection(true);
    table.reloadData();
    table.selectRowIndexes({0, 4, 7, -2}, false);
    EXPECT_EQ(table.selectedRowIndexes(), (std::vector<int>{0, 4})) << "indexes outside the rows are ignored";
    EXPECT_EQ(table.changed, 1);
    EXPECT_EQ(table.changing, 0);
    table.selectRowIndexes({0, 4}, true);
    EXPECT_EQ(table.changed, 1) << "the same selection tells nothing";

    table.dropLastRows(2);
    table.reloadData();
    EXPECT_EQ(table.selectedRowIndexes(), std::vector<int>{0});
    EXPECT_EQ(table.changed, 1) << "a reload trims the selection without a change of the user's";
    table.deselectRow(0);
    EXPECT_EQ(table.selectedRow(), -1);
    EXPECT_EQ(table.changed, 2);
}

TEST(TableViewTest, RowsDrawBackgroundThenSelectionThenSeparator)
{
    ListTable table(2);
    table.reloadData();
    table.selectRowIndexes({1}, false);
    QImage image(200, 16, QImage::Format_ARGB32);
    QPainter painter(&image);
    table.row(0)->drawRect(painter, table.row(0)->bounds());
    table.row(1)->drawRect(painter, table.row(1)->bounds());
    EXPECT_EQ(table.row(0)->layers, (std::vector<std::string>{"background", "separator"}));
    EXPECT_EQ(table.row(1)->layers, (std::vector<std::string>{"background", "selection", "separator"}));
}

TEST(TableViewTest, GridLinesRuleTheWholeTableUnderEachRow)
{
    ListTable table(1);
    table.setRowHeight(16);
    table.setBackgroundColor(QColor(240, 240, 240));
    table.setGridStyleMask(TableView::SolidHorizontalGridLine);
    table.setGridColor(QColor(255, 0, 0));
    table.reloadData();
    QImage image(200, 60, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    table.drawRect(painter, QRectF(0, 0, 200, 60));
    painter.end();
    EXPECT_EQ(image.pixelColor(50, 17), QColor(255, 0, 0)) << "under the one row";
    EXPECT_EQ(image.pixelColor(50, 35), QColor(255, 0, 0)) << "and on down the empty part";
    EXPECT_EQ(image.pixelColor(50, 8), QColor(240, 240, 240));
}

}  // namespace TableViewTests
