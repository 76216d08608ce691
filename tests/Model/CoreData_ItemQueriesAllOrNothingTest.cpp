#include "AllOrNothingCommandTest.h"

namespace {

// The task pane's reorder saves the new orders of a run of tasks together:
// whichever write fails, every task keeps its order, in the rows and in the
// records, and the pane gets the list as it was.
class ItemQueriesAllOrNothingTest : public AllOrNothingCommandTest {
protected:
    static QStringList names(const TaskList& list)
    {
        QStringList result;
        for (const TaskPtr& item : list) result.append(item->taskName());
        return result;
    }
};

TEST_F(ItemQueriesAllOrNothingTest, ReorderedTasksAreSavedTogetherOrKeepTheirOrders)
{
    struct Case {
        const char* name;
        qint64 filter;
    };
    const Case cases[] = {{"due", 4}, {"today", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
        TaskList list;
        // Listed against their dates: the earliest carries the highest order.
        for (const int hour : {13, 11, 9})
            list.append(listedTask(QStringLiteral("at %1").arg(hour), localDate(2014, 1, 15, hour, 0)));
        const QStringList inDateOrder{QStringLiteral("at 9"), QStringLiteral("at 11"), QStringLiteral("at 13")};
        TaskList shown;
        const auto reorder = [&] {
            shown = dataManager().getTaskFromTaskList(list, c.filter, qint64(0), true);
            // A failed save leaves the pane in the order the tasks had.
            return names(shown) == inDateOrder;
        };

        const int steps = expectWholeOrNothing(reorder, list);

        EXPECT_GE(steps, 3) << "two rows change their order";
        ASSERT_EQ(shown.size(), 3);
        EXPECT_LT(shown[0]->taskOrder(), shown[2]->taskOrder());
        for (const TaskPtr& item : shown)
            EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("taskOrder")).toLongLong(), item->taskOrder());
    }
}

}  // namespace
