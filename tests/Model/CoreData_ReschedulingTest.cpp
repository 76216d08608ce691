#include "CommandTestFixture.h"

#include "RecordFailureInjection.h"
#include "Tag.h"

namespace {

class ReschedulingTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        // Distinct hours for the days the rules read, so a wrong key shows.
        QVariantMap hours = setting().dayManagers();
        hours.insert(QStringLiteral("MondayStartTime"), 8 * 60 + 30);
        hours.insert(QStringLiteral("FridayEndTime"), 16 * 60 + 15);
        hours.insert(QStringLiteral("SaturdayStartTime"), 10 * 60);
        hours.insert(QStringLiteral("SaturdayEndTime"), 12 * 60 + 45);
        setting().setDayManagers(hours);
    }

    static TaskPtr freshTask()
    {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setHasDue(0);
        return task;
    }

    void showOnlyTag(const QString& name)
    {
        auto tag = std::make_shared<Tag>();
        tag->setTagName(name);
        dataManager().setTagList({tag});
        dataManager().setIsAppliedTagFilter(true);
    }
};

struct ScheduleCase {
    Date now;
    Date start;
    Date due;
};

void expectSchedule(const Task& task, const ScheduleCase& expected)
{
    EXPECT_EQ(task.startTime(), expected.start) << "from " << ::testing::PrintToString(expected.now);
    EXPECT_EQ(task.dueEnd(), expected.due) << "from " << ::testing::PrintToString(expected.now);
    EXPECT_EQ(task.hasDue(), 1);
}

TEST_F(ReschedulingTest, NextWeekRunsFromTheComingMondayToItsFriday)
{
    const ScheduleCase cases[] = {
        // From a Sunday the coming week starts tomorrow.
        {localDate(2014, 1, 19, 10, 0), localDate(2014, 1, 20, 8, 30), localDate(2014, 1, 24, 16, 15)},
        // From a Monday it is seven days later.
        {localDate(2014, 1, 20, 0, 0), localDate(2014, 1, 27, 8, 30), localDate(2014, 1, 31, 16, 15)},
        {localDate(2014, 1, 15, 23, 59), localDate(2014, 1, 20, 8, 30), localDate(2014, 1, 24, 16, 15)},
        {localDate(2014, 1, 25, 12, 0), localDate(2014, 1, 27, 8, 30), localDate(2014, 1, 31, 16, 15)},
        // Across the spring change the times stay on the clock.
        {localDate(2014, 3, 26, 12, 0), localDate(2014, 3, 31, 8, 30), localDate(2014, 4, 4, 16, 15)},
    };
    for (const ScheduleCase& c : cases) {
        Clock::setFixed(c.now);
        const TaskPtr task = freshTask();
        const Date end = task->endTime();
        dataManager().setDoNextWeekInfo(task);
        expectSchedule(*task, c);
        EXPECT_EQ(task->endTime(), end) << "the end does not move with the start";
    }
}

TEST_F(ReschedulingTest, NextMonthRunsFromItsFirstDayToItsLastAtThoseWeekdaysHours)
{
    const ScheduleCase cases[] = {
        // 1 February 2014 is a Saturday, the 28th a Friday.
        {localDate(2014, 1, 1, 9, 0), localDate(2014, 2, 1, 10, 0), localDate(2014, 2, 28, 16, 15)},
        {localDate(2014, 1, 31, 9, 0), localDate(2014, 2, 1, 10, 0), localDate(2014, 2, 28, 16, 15)},
        // A leap year: Monday 1 to Monday 29 February 2016.
        {localDate(2016, 1, 31, 9, 0), localDate(2016, 2, 1, 8, 30), localDate(2016, 2, 29, 17, 0)},
        // December rolls into January; 31 January 2015 is a Saturday.
        {localDate(2014, 12, 15, 9, 0), localDate(2015, 1, 1, 9, 0), localDate(2015, 1, 31, 12, 45)},
    };
    for (const ScheduleCase& c : cases) {
        Clock::setFixed(c.now);
        const TaskPtr task = freshTask();
        dataManager().setDoNextMonthInfo(task);
        expectSchedule(*task, c);
    }
}

// West of GMT, midnight moved by the zone's offset falls on the day before;
// the batch must not plan from there.
TEST_F(ReschedulingTest, BatchesStartFromTheSameDayAsTheSingleCommandWestOfGreenwich)
{
    ScopedTimeZone newYork("America/New_York");
    const ScheduleCase weekFromMonday{localDate(2014, 1, 20, 8, 0), localDate(2014, 1, 27, 8, 30),
                                      localDate(2014, 1, 31, 16, 15)};
    const ScheduleCase monthFromTheFirst{localDate(2014, 2, 1, 8, 0), localDate(2014, 3, 1, 10, 0),
                                         localDate(2014, 3, 31, 17, 0)};
    const TaskPtr task = listedTask(QStringLiteral("Report"), localDate(2014, 1, 10, 17, 0));

    Clock::setFixed(weekFromMonday.now);
    const TaskPtr single = freshTask();
    dataManager().setDoNextWeekInfo(single);
    expectSchedule(*single, weekFromMonday);
    EXPECT_TRUE(dataManager().doNextWeekTasks({task}, false));
    expectSchedule(*Task::initWithPrimaryKey(task->primaryKey()), weekFromMonday);

    Clock::setFixed(monthFromTheFirst.now);
    dataManager().setDoNextMonthInfo(single);
    expectSchedule(*single, monthFromTheFirst);
    EXPECT_TRUE(dataManager().doNextMonthTasks({task}, false));
    expectSchedule(*Task::initWithPrimaryKey(task->primaryKey()), monthFromTheFirst);
}

TEST_F(ReschedulingTest, MovingOneTaskSavesItsRowReschedulesItsAlarmAndPublishesIt)
{
    const TaskPtr task = listedTask(QStringLiteral("Report"), localDate(2014, 1, 16, 17, 0), minutesBefore(15));
    task->setTaskName(QStringLiteral("Unsaved edit"));
    clearPosted();

    EXPECT_TRUE(dataManager().doNextWeek(task));
    const TaskPtr stored = Task::initWithPrimaryKey(task->primaryKey());
    EXPECT_EQ(stored->taskName(), QStringLiteral("Report")) << "the row is moved as stored";
    EXPECT_EQ(stored->startTime(), localDate(2014, 1, 20, 8, 30));
    EXPECT_EQ(stored->dueEnd(), localDate(2014, 1, 24, 16, 15));
    EXPECT_EQ(task->dueEnd(), stored->dueEnd()) << "the list's object follows its row";
    ASSERT_EQ(dataManager().allAlert().size(), 1);
    EXPECT_EQ(dataManager().allAlert().first()->dateFire(), localDate(2014, 1, 24, 16, 0));
    const QList<RecordingICalSync::Call> calls = iCalCalls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls.first().operation, QStringLiteral("updateTask"));
    EXPECT_EQ(calls.first().type, 1);
    EXPECT_EQ(posted(), QList<Posted>({itemsPush(), taskChanged()}));
}

TEST_F(ReschedulingTest, ABatchPostsOnceAndAsksForTheWebPushOnlyWhenTold)
{
    const TaskPtr first = listedTask(QStringLiteral("First"), localDate(2014, 1, 16, 17, 0));
    const TaskPtr second = listedTask(QStringLiteral("Second"), localDate(2014, 1, 17, 17, 0));
    clearPosted();
    EXPECT_TRUE(dataManager().doNextMonthTasks({first, second}, false));
    EXPECT_EQ(posted(), QList<Posted>{taskChanged()});
    for (const TaskPtr& task : {first, second})
        EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("dueEnd")),
                  QVariant(storedSeconds(localDate(2014, 2, 28, 16, 15))));
    EXPECT_EQ(iCalOperations(), QStringList({QStringLiteral("updateTask"), QStringLiteral("updateTask")}));

    clearPosted();
    EXPECT_TRUE(dataManager().doNextWeekTasks({first, second}, true));
    EXPECT_EQ(posted(), QList<Posted>({itemsPush(), taskChanged()}));
}

TEST_F(ReschedulingTest, AMoveTheDatabaseRefusesChangesNothingAndAnnouncesNothing)
{
    const TaskPtr task = listedTask(QStringLiteral("Report"), localDate(2014, 1, 16, 17, 0));
    clearPosted();
    {
        WriteLockHolder otherProcess(databasePath());
        EXPECT_FALSE(dataManager().doNextWeek(task));
    }
    EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("dueEnd")),
              QVariant(storedSeconds(localDate(2014, 1, 16, 17, 0))));
    EXPECT_TRUE(posted().isEmpty());
    EXPECT_TRUE(iCalCalls().isEmpty());
}

TEST_F(ReschedulingTest, AMovedTaskLeavesTheActiveListAndFollowsTheTagFilter)
{
    setting().setShowActiveTaskOnly(1);
    const TaskPtr moved = listedTask(QStringLiteral("Report"), localDate(2014, 1, 15, 17, 0));
    const TaskPtr stays = listedTask(QStringLiteral("Today"), localDate(2014, 1, 15, 17, 0));
    EXPECT_TRUE(dataManager().doNextWeek(moved));
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{stays});

    setting().setShowActiveTaskOnly(0);
    showOnlyTag(QStringLiteral("Work"));
    dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    const TaskPtr untagged = listedTask(QStringLiteral("Untagged"), localDate(2014, 1, 15, 17, 0));
    moved->setTagList(QStringLiteral("/Work"));
    ASSERT_TRUE(moved->dehydrate());
    EXPECT_TRUE(dataManager().doNextMonthTasks({moved, untagged}, false));
    const TaskList listed = dataManager().allTasksEventsAdes();
    ASSERT_EQ(listed.size(), 1) << "the untagged task goes, the tagged one comes";
    EXPECT_EQ(listed.first()->primaryKey(), moved->primaryKey());
}

TEST_F(ReschedulingTest, DoTodayPutsTheTaskFirstAndMovesTheOpenTasksAboveItDown)
{
    const TaskPtr a = listedTask(QStringLiteral("A"), localDate(2014, 1, 16, 17, 0));
    const TaskPtr b = listedTask(QStringLiteral("B"), localDate(2014, 1, 16, 17, 0));
    const TaskPtr c = listedTask(QStringLiteral("C"), localDate(2014, 1, 16, 17, 0));
    const TaskPtr d = listedTask(QStringLiteral("D"), localDate(2014, 1, 16, 17, 0));
    const qint64 orders[] = {a->taskOrder(), b->taskOrder(), c->taskOrder(), d->taskOrder()};
    b->setStatus(1);
    ASSERT_TRUE(b->dehydrate());
    clearPosted();

    EXPECT_TRUE(dataManager().doToday(c));
    EXPECT_EQ(c->taskOrder(), orders[0]);
    EXPECT_EQ(a->taskOrder(), orders[2]) << "the done task keeps its place and is skipped";
    EXPECT_EQ(b->taskOrder(), orders[1]);
    EXPECT_EQ(d->taskOrder(), orders[3]);
    EXPECT_EQ(storedColumn(a->primaryKey(), QStringLiteral("taskOrder")), QVariant(orders[2]));
    EXPECT_EQ(posted(), QList<Posted>{taskOrderChanged()});

    EXPECT_TRUE(dataManager().doToday(c));
    EXPECT_EQ(c->taskOrder(), orders[0]) << "already first";
    EXPECT_EQ(posted().size(), 2);

    const TaskPtr unlisted = storedItem(QStringLiteral("Not listed"));
    EXPECT_TRUE(dataManager().doToday(unlisted));
    EXPECT_EQ(posted().size(), 2) << "a task the list does not show changes nothing";

    clearPosted();
    EXPECT_TRUE(dataManager().doTodayTasks({a, d, c}));
    EXPECT_EQ(c->taskOrder(), orders[0]) << "the last of the selection ends on top";
    EXPECT_EQ(posted(), QList<Posted>({taskOrderChanged(), taskOrderChanged(), taskOrderChanged()}));
}

TEST_F(ReschedulingTest, DueTodayIsTheEndOfTodaysHoursOrTomorrowsOnceTheyAreOver)
{
    // Wednesday's hours end at 18:30, Thursday's and Tuesday's at 17:00.
    const ScheduleCase cases[] = {
        {localDate(2014, 1, 15, 10, 7), {}, localDate(2014, 1, 15, 18, 30)},
        {localDate(2014, 1, 15, 18, 30), {}, localDate(2014, 1, 15, 18, 30)},
        {localDate(2014, 1, 15, 18, 30, 1), {}, localDate(2014, 1, 16, 17, 0)},
        {localDate(2014, 1, 14, 17, 30), {}, localDate(2014, 1, 15, 18, 30)},
    };
    for (const ScheduleCase& c : cases) {
        Clock::setFixed(c.now);
        const TaskPtr task = freshTask();
        dataManager().setTodayInfo(task);
        EXPECT_EQ(task->dueEnd(), c.due) << ::testing::PrintToString(c.now);
        EXPECT_EQ(task->hasDue(), 1);
    }
}

TEST_F(ReschedulingTest, DueOnTheSelectedDayIsItsEndOfHoursEvenInThePast)
{
    dataManager().setCurrentSelectedDay(localDate(2014, 1, 14));
    const TaskPtr task = freshTask();
    dataManager().setCurrentDayInfo(task);
    EXPECT_EQ(task->dueEnd(), localDate(2014, 1, 14, 17, 0));
    EXPECT_EQ(task->hasDue(), 1);
}

}  // namespace
