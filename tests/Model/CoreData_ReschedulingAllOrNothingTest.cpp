#include "CommandUnitFixture.h"

#include "Tag.h"

// Do today, next week and next month, for one task and for a selection:
// whichever statement fails, nothing moves, no alarm changes, the store hears
// nothing and nothing is announced; run through, the tasks move.
namespace {

class ReschedulingUnitTest : public CommandUnitTest {
protected:
    // Three open tasks of today in the pane's order, each with an alarm.
    TaskList paneTasks()
    {
        TaskList tasks;
        for (const char* name : {"first", "second", "third"})
            tasks.append(webTask(QString::fromLatin1(name), 400 + tasks.size(), localDate(2014, 1, 15, 17, 0)));
        return tasks;
    }

    QList<qint64> storedOrders(const TaskList& tasks)
    {
        QList<qint64> orders;
        for (const TaskPtr& task : tasks)
            orders.append(storedColumn(task->primaryKey(), QStringLiteral("taskOrder")).toLongLong());
        return orders;
    }
};

}  // namespace

TEST_F(ReschedulingUnitTest, TaskGoesToTheTopOfThePaneWithTheRunAboveItOrNothingMoves)
{
    const TaskList tasks = paneTasks();
    const QList<qint64> before = storedOrders(tasks);

    expectAllOrNothing(db(), [&] { return dataManager().doToday(tasks[2]); }, anyPost);

    EXPECT_EQ(storedOrders(tasks), (QList<qint64>{before[1], before[2], before[0]}));
}

TEST_F(ReschedulingUnitTest, TasksGoToTheTopTogetherOrNoneDoes)
{
    const TaskList tasks = paneTasks();
    const QList<qint64> before = storedOrders(tasks);

    expectAllOrNothing(db(), [&] { return dataManager().doTodayTasks({tasks[1], tasks[2]}); }, anyPost);

    // The second goes above the first, then the third above both.
    EXPECT_EQ(storedOrders(tasks), (QList<qint64>{before[2], before[1], before[0]}));
}

TEST_F(ReschedulingUnitTest, TasksMoveToNextWeekOrMonthTogetherOrNotAtAll)
{
    struct Case {
        const char* what;
        std::function<bool(CoreData&, const TaskList&)> move;
        Date due;
        bool selection;
    };
    const Case cases[] = {
        {"next week", [](CoreData& d, const TaskList& t) { return d.doNextWeek(t.first()); },
         localDate(2014, 1, 24, 17, 0), false},
        {"next month", [](CoreData& d, const TaskList& t) { return d.doNextMonth(t.first()); },
         localDate(2014, 2, 28, 17, 0), false},
        {"a selection to next week", [](CoreData& d, const TaskList& t) { return d.doNextWeekTasks(t, true); },
         localDate(2014, 1, 24, 17, 0), true},
        {"a selection to next month", [](CoreData& d, const TaskList& t) { return d.doNextMonthTasks(t, false); },
         localDate(2014, 2, 28, 17, 0), true},
    };
    // Tasks that start after today leave the list of active tasks.
    setting().setShowActiveTaskOnly(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
        const TaskList tasks = paneTasks();
        const TaskList moved = c.selection ? tasks : TaskList{tasks.first()};
        calendarStore().clearCalls();
        const auto storeCalls = storeCallsOf({QStringLiteral("updateTask")});

        expectAllOrNothing(db(), [&] { return c.move(dataManager(), tasks); }, anyPost, storeCalls);

        for (const TaskPtr& task : moved)
            EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("dueEnd")), QVariant(storedSeconds(c.due)));
        EXPECT_EQ(storeCalls().count(QStringLiteral("updateTask")), moved.size());
        EXPECT_EQ(dataManager().allTasksEventsAdes().size(), tasks.size() - moved.size());
        EXPECT_EQ(dataManager().allAlert().size(), tasks.size() - moved.size()) << "their alarms are far off now";
    }
}
