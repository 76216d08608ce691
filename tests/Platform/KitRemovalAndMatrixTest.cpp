// The kit's row removal with its fade and slide, and the radio matrix of
// cells: which row goes, where the selection ends up, when the view leaves;
// which cell a point is, and that a click selects it and answers it.
#include "Event.h"
#include "Matrix.h"
#include "TableRowView.h"
#include "TableView.h"
#include "TestEnvironment.h"
#include "Window.h"

#include <QApplication>
#include <QPointer>

#include <gtest/gtest.h>

#include <vector>

namespace KitRemovalAndMatrixTests {
namespace {

class RemovalTable : public TableView {
public:
    explicit RemovalTable(int rows) : TableView(QRectF(0, 0, 200, 400))
    {
        for (int i = 0; i < rows; ++i) m_rows.push_back(new TableRowView(QRectF(), this));
    }
    int numberOfRows() const override { return int(m_rows.size()); }
    TableRowView* rowViewForRow(int row) override { return m_rows[std::size_t(row)]; }
    // The data source's part: the row leaves its list, then the table's.
    TableRowView* drop(int row)
    {
        TableRowView* view = m_rows[std::size_t(row)];
        m_rows.erase(m_rows.begin() + row);
        removeRowWithSlideAndFade(row);
        return view;
    }
    std::vector<TableRowView*> m_rows;
};

TEST(RowRemovalTest, TheRowLeavesTheSelectionFollowsAndTheRowsBelowMoveUp)
{
    struct Case {
        int removed;
        std::vector<int> selectedBefore;
        int selectedAfter;
    };
    const Case cases[] = {{1, {3}, 2}, {3, {3}, -1}, {2, {0}, 0}, {0, {}, -1}};
    Window::setAnimationDurationScale(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed);
        RemovalTable table(4);
        table.reloadData();
        table.selectRowIndexes(c.selectedBefore, false);
        TableRowView* below = c.removed + 1 < 4 ? table.m_rows[std::size_t(c.removed) + 1] : nullptr;
        const QPointer<TableRowView> leaving = table.drop(c.removed);
        EXPECT_EQ(table.rowCount(), 3);
        EXPECT_EQ(table.selectedRow(), c.selectedAfter);
        if (below) EXPECT_EQ(below->frame(), table.rectOfRow(c.removed)) << "the next row takes its place";
        ASSERT_FALSE(leaving.isNull());
        EXPECT_EQ(leaving->superview(), nullptr) << "at no length it leaves at once";
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(leaving.isNull()) << "and is deleted";
    }
    Window::setAnimationDurationScale(1);
    EXPECT_EQ(RemovalTable(2).rowCount(), 0);
}

TEST(RowRemovalTest, WithALengthTheRowSlidesLeftFadingBeforeItGoes)
{
    Window::setAnimationDurationScale(0.2);
    RemovalTable table(3);
    table.reloadData();
    const QPointer<TableRowView> leaving = table.drop(0);
    EXPECT_EQ(leaving->superview(), &table) << "still there while it goes";
    EXPECT_TRUE(processEventsUntil([&] { return leaving && leaving->pos().x() < -20; }));
    EXPECT_TRUE(processEventsUntil([&] { return leaving.isNull(); }));
    EXPECT_EQ(table.rowCount(), 2);
    table.drop(1);
    EXPECT_EQ(table.rowCount(), 1);
    Window::setAnimationDurationScale(1);
}

Event mouseAt(const View& view, EventType type, const QPointF& point)
{
    Event event;
    event.type = type;
    event.clickCount = 1;
    event.locationInWindow = view.convertPointToWindow(point);
    return event;
}

TEST(MatrixTest, ACellIsFoundByItsPointAndAClickSelectsItAndAnswersItsRowAndColumn)
{
    Matrix matrix(QRectF(0, 0, 272, 76), 4, 8, QSizeF(30, 15));
    matrix.setIntercellSpacing(QSizeF(4, 4));
    std::vector<std::pair<int, int>> answers;
    matrix.setAction(nullptr, [&](Matrix* m) { answers.emplace_back(m->selectedRow(), m->selectedColumn()); });
    struct Case {
        QPointF point;
        int row, column;  // -1: no cell (the spacing or outside)
    };
    const Case cases[] = {{{1, 1}, 0, 0},       {{50, 20}, 1, 1},   {{271, 75}, -1, -1}, {{267, 71}, 3, 7},
                          {{31, 5}, -1, -1},    {{5, 16}, -1, -1},  {{-1, 5}, -1, -1},   {{120, 40}, 2, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x() << "," << c.point.y());
        int row = -1, column = -1;
        EXPECT_EQ(matrix.getRow(&row, &column, c.point), c.row >= 0);
        const std::size_t before = answers.size();
        const int selectedBefore = matrix.selectedRow();
        matrix.mouseDown(mouseAt(matrix, EventType::LeftMouseDown, c.point));
        matrix.mouseUp(mouseAt(matrix, EventType::LeftMouseUp, c.point));
        if (c.row < 0) {
            EXPECT_EQ(answers.size(), before) << "nothing picked";
            EXPECT_EQ(matrix.selectedRow(), selectedBefore);
            continue;
        }
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(column, c.column);
        ASSERT_EQ(answers.size(), before + 1);
        EXPECT_EQ(answers.back(), std::make_pair(c.row, c.column));
    }
    // A press on one cell released on another picks nothing: radio, one at a time.
    matrix.mouseDown(mouseAt(matrix, EventType::LeftMouseDown, {1, 1}));
    matrix.mouseUp(mouseAt(matrix, EventType::LeftMouseUp, {267, 71}));
    EXPECT_EQ(matrix.selectedRow(), 2);
    EXPECT_EQ(matrix.selectedColumn(), 3);
    matrix.selectCellAtRow(9, 0);
    EXPECT_EQ(matrix.selectedRow(), -1);
}

}  // namespace
}  // namespace KitRemovalAndMatrixTests
