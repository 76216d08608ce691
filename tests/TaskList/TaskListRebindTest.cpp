// A reload binds the rows of the last load to the new load's items: what
// changed in an item since (in place, in the working list's own object) must
// show, and the day headers must stay headers, whatever the rows did before.
#include "TaskListPaneFixture.h"

namespace TaskListRebindTests {

class TaskListRebindTest : public TaskPaneTest {
protected:
    TaskListItemView* rowOf(const TaskPtr& item)
    {
        for (TableRowView* row : list().rootItems())
            if (auto* itemRow = qobject_cast<TaskListItemView*>(row); itemRow && itemRow->task() == item) return itemRow;
        return nullptr;
    }
};

TEST_F(TaskListRebindTest, AChangeMadeInPlaceShowsAfterTheNextReload)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    const TaskPtr c = ordered(QStringLiteral("C"), 3);
    const struct {
        const char* name;
        std::function<void()> change;
        QStringList shown;
        QString toolTipOfB;  // empty: B is not listed
        int starOfB;
    } cases[] = {
        {"nothing changed", [] {}, {"A", "B", "C"}, "B", 0},
        {"renamed", [&] { b->setTaskName(QStringLiteral("Bee")); }, {"A", "Bee", "C"}, "Bee", 0},
        {"starred", [&] { b->setIsPinned(1); }, {"A", "Bee", "C"}, "Bee", 1},
        {"moved to the end", [&] { b->setTaskOrder(9); }, {"A", "C", "Bee"}, "Bee", 1},
        {"tied with the first: the list's order decides", [&] { b->setTaskOrder(1); }, {"A", "Bee", "C"}, "Bee", 1},
        {"done: no longer listed", [&] { b->setStatus(1); }, {"A", "C"}, "", 0},
        {"renamed, reopened and unstarred", [&] {
             b->setTaskName(QStringLiteral("B"));
             b->setStatus(0);
             b->setIsPinned(0);
             b->setTaskOrder(2);
         },
         {"A", "B", "C"}, "B", 0},
    };
    pane().reloadTaskIfNeeded();
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        step.change();
        pane().reloadTaskIfNeeded();
        EXPECT_EQ(shown(), step.shown);
        TaskListItemView* row = rowOf(b);
        if (step.toolTipOfB.isEmpty()) {
            EXPECT_EQ(row, nullptr);
            continue;
        }
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->toolTip(), step.toolTipOfB);
        EXPECT_EQ(row->doneStatus(), 0);
        EXPECT_EQ(row->starStatus(), step.starOfB);
    }
    (void)c;
}

TEST_F(TaskListRebindTest, HeadersStayGroupsAndRowsStaySelectableAcrossReloads)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    const TaskPtr c = ordered(QStringLiteral("C"), 3);
    const struct {
        const char* name;
        QList<std::pair<const char*, TaskList>> plan;
        int headers;
    } cases[] = {
        {"no plan", {}, 0},
        {"two days", {{"monText", {a}}, {"tueText", {b}}}, 2},
        {"one day", {{"monText", {c}}}, 1},
        {"no plan again", {}, 0},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        plan(step.plan);
        pane().reloadTaskIfNeeded();
        int headers = 0;
        for (int row = 0; row < list().numberOfRows(); ++row) {
            TableRowView* item = list().itemAtRow(row);
            const bool isHeader = qobject_cast<InfoListItemView*>(item) != nullptr;
            headers += isHeader ? 1 : 0;
            EXPECT_EQ(list().isGroupItem(item), isHeader) << row;
            EXPECT_EQ(list().shouldSelectItem(item), !isHeader) << row;
            EXPECT_EQ(list().heightOfRowByItem(item), isHeader ? 18 : list().rowHeight()) << row;
        }
        EXPECT_EQ(headers, step.headers);
        EXPECT_EQ(list().numberOfRows(), 3 + step.headers);
    }
}

}  // namespace TaskListRebindTests
