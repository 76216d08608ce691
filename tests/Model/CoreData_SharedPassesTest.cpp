#include "TaskTestFixture.h"
#include "DateExtensions.h"
#include "Transaction.h"

#include <functional>

namespace CoreData_SharedPassesTests {

namespace {

constexpr int allOpenTasks = 0;
constexpr int topTasks = 3;
constexpr int activeTasks = 0;

class CoreDataSharedPassesTest : public TaskTest {
protected:
    TaskPtr listed(const QString& name, qint64 type, const Date& start)
    {
        const TaskPtr item = storedItem(name, type);
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(3600));
        item->setTaskOrder(qint64(dataManager().allTasksEventsAdes().size()) + 1);
        EXPECT_TRUE(item->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }

    static QStringList names(const TaskList& items)
    {
        QStringList lines;
        for (const TaskPtr& item : items)
            lines.append(item->taskName() + QLatin1Char(' ') + Utilities::getShortDateTimeStringFromDate(item->startTime()));
        return lines;
    }

    // What the panes of a refresh ask: the open tasks, the week's timed
    // events, and the first day of them on its own (as the day grid asks).
    QStringList asked()
    {
        QStringList lines = names(dataManager().getTaskFromTaskList(dataManager().allTasksEventsAdes(), allOpenTasks, activeTasks));
        const Date from = now();
        const QList<TaskList> week = dataManager().timedEventsOfDays(from, DateExtensions::dateByAddingDays(from, 6));
        for (const TaskList& day : week) lines << QStringLiteral("|") << names(day);
        const QList<TaskList> today = dataManager().timedEventsOfDays(localDate(2014, 1, 15), localDate(2014, 1, 15, 23, 59));
        lines << QStringLiteral("today") << names(today.value(0));
        return lines;
    }
};

}  // namespace

// Inside one scope a change of any kind between two askings is seen by the
// second, which answers what a fresh pass (without a scope) answers.
TEST_F(CoreDataSharedPassesTest, EveryKindOfChangeBetweenTwoAskingsIsSeen)
{
    const TaskPtr first = listed(QStringLiteral("first task"), 1, localDate(2014, 1, 15, 9));
    const TaskPtr second = listed(QStringLiteral("second task"), 1, localDate(2014, 1, 16, 9));
    const TaskPtr meeting = listed(QStringLiteral("meeting"), 0, localDate(2014, 1, 15, 14));
    const TaskPtr later = listed(QStringLiteral("later meeting"), 0, localDate(2014, 2, 20, 14));
    const struct {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"nothing", [] {}},
        {"a rename", savedChange(first, [](Task& t) { t.setTaskName(QStringLiteral("renamed")); })},
        {"a task done", savedChange(second, [](Task& t) { t.setStatus(1); })},
        {"a meeting moved out of the week",
         savedChange(meeting, [](Task& t) { t.setStartTime(localDate(2014, 3, 1, 9)); t.setEndTime(localDate(2014, 3, 1, 10)); })},
        {"a meeting moved into today",
         savedChange(later, [](Task& t) { t.setStartTime(localDate(2014, 1, 15, 16)); t.setEndTime(localDate(2014, 1, 15, 17)); })},
        {"a new task and event", [this] {
             listed(QStringLiteral("new task"), 1, localDate(2014, 1, 17, 9));
             listed(QStringLiteral("new event"), 0, localDate(2014, 1, 17, 11));
         }},
        {"a deletion", [this, first] { ASSERT_TRUE(dataManager().doDeleteTask(first, false)); }},
        {"a change rolled back", [later] {
             Transaction unit;
             unit.keep(later);
             later->setStartTime(localDate(2014, 1, 18, 8));
             EXPECT_TRUE(later->dehydrate());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList seen;
        {
            const CoreData::SharedPasses scope(&dataManager());
            asked();
            c.change();
            seen = asked();
        }
        EXPECT_EQ(seen, asked());
    }
    // What the lists hold at the end, so that equal lists are not empty ones.
    const QStringList end = asked();
    EXPECT_TRUE(end.contains(QStringLiteral("later meeting 2014-01-15 16:00:00")));
    EXPECT_TRUE(end.contains(QStringLiteral("new task 2014-01-17 09:00:00")));
}

// Asked again with nothing changed, the scope answers from the first pass
// (the same lists), and the day inside the week is cut from the week; no
// answer outlives its scope.
TEST_F(CoreDataSharedPassesTest, AnUnchangedListIsPassedOverOncePerScope)
{
    listed(QStringLiteral("task"), 1, localDate(2014, 1, 15, 9));
    listed(QStringLiteral("meeting"), 0, localDate(2014, 1, 15, 14));
    const TaskList all = dataManager().allTasksEventsAdes();
    const Date from = now();
    const Date to = DateExtensions::dateByAddingDays(from, 6);
    const CoreData::SharedPasses scope(&dataManager());
    const TaskList open = dataManager().getTaskFromTaskList(all, allOpenTasks, activeTasks);
    const QList<TaskList> week = dataManager().timedEventsOfDays(from, to);
    ASSERT_EQ(week.size(), 7);
    ASSERT_EQ(week[0].size(), 1);
    {
        const CoreData::SharedPasses nested(&dataManager());
        EXPECT_EQ(dataManager().getTaskFromTaskList(all, allOpenTasks, activeTasks).constData(), open.constData());
        const QList<TaskList> today = dataManager().timedEventsOfDays(localDate(2014, 1, 15), localDate(2014, 1, 15, 23));
        ASSERT_EQ(today.size(), 1);
        EXPECT_EQ(today[0].constData(), week[0].constData());
    }
    EXPECT_EQ(dataManager().timedEventsOfDays(from, to)[0].constData(), week[0].constData()) << "the outer scope keeps them";
}

TEST_F(CoreDataSharedPassesTest, NoAnswerOutlivesItsScope)
{
    listed(QStringLiteral("task"), 1, localDate(2014, 1, 15, 9));
    const TaskList all = dataManager().allTasksEventsAdes();
    TaskList first;
    {
        const CoreData::SharedPasses scope(&dataManager());
        first = dataManager().getTaskFromTaskList(all, allOpenTasks, activeTasks);
    }
    const CoreData::SharedPasses next(&dataManager());
    const TaskList again = dataManager().getTaskFromTaskList(all, allOpenTasks, activeTasks);
    ASSERT_EQ(again.size(), 1);
    EXPECT_NE(again.constData(), first.constData());
}

// The top filter follows the marks, which change in memory without a write.
TEST_F(CoreDataSharedPassesTest, TheTopFilterFollowsMarksSetInMemory)
{
    const TaskPtr task = listed(QStringLiteral("task"), 1, localDate(2014, 1, 15, 9));
    const TaskList all = dataManager().allTasksEventsAdes();
    const CoreData::SharedPasses scope(&dataManager());
    for (const bool top : {false, true, false}) {
        task->setIsTopGTDTask(top);
        EXPECT_EQ(dataManager().getTaskFromTaskList(all, topTasks, activeTasks).size(), top ? 1 : 0) << top;
    }
}

}  // namespace CoreData_SharedPassesTests
