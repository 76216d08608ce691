// Rows made ahead of a load (while the start waits for its window) must
// leave the load exactly as one that made its own: every listed task in its
// place, one row each, nothing left over, and no row made after the load.
#include "TaskListPaneFixture.h"

#include <numeric>
#include <set>

namespace TaskListPreparedRowsTests {

class TaskListPreparedRowsTest : public TaskPaneTest {
protected:
    static constexpr int taskCount = 450;  // more than one slice

    void SetUp() override
    {
        TaskPaneTest::SetUp();
        for (int index = 0; index < taskCount; ++index)
            m_tasks.append(ordered(QStringLiteral("T%1").arg(index, 3, 10, QLatin1Char('0')), index + 1,
                                   [index](Task& t) { t.setIsPinned(index % 3 == 0 ? 1 : 0); }));
    }

    void slices(int count)
    {
        for (int turn = 0; turn < count; ++turn) m_scheduler.advance(0.001);
    }

    QStringList namesOf(const std::function<bool(const Task&)>& keep) const
    {
        QStringList names;
        for (const TaskPtr& item : m_tasks)
            if (keep(*item)) names << item->taskName();
        return names;
    }

    TaskList m_tasks;
};

TEST_F(TaskListPreparedRowsTest, ALoadAtAnyPointOfThePreparationListsEveryTaskOnceInOrder)
{
    const auto all = [](const Task&) { return true; };
    const auto starred = [](const Task& t) { return t.isPinned() != 0; };
    const auto open = [](const Task& t) { return t.status() == 0; };
    const struct {
        const char* name;
        int segment;  // the filter chosen before the preparation
        int slicesBeforeLoad;
        std::size_t preparedBeforeLoad;
        bool stillPreparing;
        std::function<void(TaskList&)> changeBeforeLoad;
        std::function<bool(const Task&)> listed;
    } cases[] = {
        {"a load before any slice makes every row itself", 0, 0, 0, true, {}, all},
        {"a load after one slice binds those and makes the rest", 0, 1, 400, true, {}, all},
        {"a load after the whole preparation makes none", 0, 5, taskCount, false, {}, all},
        {"the starred filter prepares its own count", 2, 5, taskCount / 3, false, {}, starred},
        {"tasks done meanwhile: rows made too many are dropped", 0, 5, taskCount, false,
         [](TaskList& tasks) {
             for (qsizetype index = 0; index < tasks.size(); index += 2) tasks[index]->setStatus(1);
         },
         open},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        for (const TaskPtr& item : m_tasks) item->setStatus(0);
        chooseSegment(step.segment);
        pane().prepareNextLoad(400);
        EXPECT_EQ(list().spareRowCount(), 0u) << "the rows come in later turns";
        slices(step.slicesBeforeLoad);
        EXPECT_EQ(list().spareRowCount(), step.preparedBeforeLoad);
        EXPECT_EQ(list().isPreparingRows(), step.stillPreparing) << "the preparation stops once every row is there";
        if (step.changeBeforeLoad) step.changeBeforeLoad(m_tasks);
        pane().reloadTaskIfNeeded();

        const QStringList expected = namesOf([&](const Task& t) { return step.listed(t) && open(t); });
        EXPECT_EQ(shown(), expected);
        std::set<const TableRowView*> distinct(list().rootItems().begin(), list().rootItems().end());
        EXPECT_EQ(distinct.size(), std::size_t(expected.size()));
        EXPECT_EQ(list().spareRowCount(), 0u);
        EXPECT_FALSE(list().isPreparingRows()) << "a load stops the preparation";
        slices(3);
        EXPECT_EQ(list().spareRowCount(), 0u) << "no row is made after the load";

        // What a user reaches first after the load finds every row: all of
        // them selected, and the last one under the pointer.
        std::vector<int> every(std::size_t(list().rowCount()));
        std::iota(every.begin(), every.end(), 0);
        list().selectRowIndexes(every, false);
        EXPECT_EQ(list().selectedRowIndexes().size(), std::size_t(expected.size()));
        list().deselectAll();
        const int last = list().rowCount() - 1;
        list().scrollRowToVisible(last);
        click(last, 1000);
        ASSERT_NE(list().selectedItem(), nullptr);
        EXPECT_EQ(list().selectedItem()->task()->taskName(), expected.last());
        list().deselectAll();
    }
}

}  // namespace TaskListPreparedRowsTests
