// The kit's row removal with its fade and slide: which row goes, where the
// selection ends up, when the view leaves.
#include "TableRowView.h"
#include "TableView.h"
#include "TestEnvironment.h"
#include "Window.h"

#include <QApplication>
#include <QPointer>

#include <gtest/gtest.h>

#include <vector>

namespace RowRemovalTests {
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
        if (below) {
            EXPECT_EQ(below->frame(), table.rectOfRow(c.removed)) << "the next row takes its place";
        }
        ASSERT_FALSE(leaving.isNull());
        EXPECT_EQ(leaving->superview(), nullptr) << "at no length it leaves at once";
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(leaving.isNull()) << "and is deleted";
    }
    Window::setAnimationDurationScale(1);
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
    Window::setAnimationDurationScale(1);
}

}  // namespace
}  // namespace RowRemovalTests
