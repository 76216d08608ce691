#include "TaskTestFixture.h"

#include "Link.h"
#include "LocalNotification.h"

#include <QSet>

namespace {

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris.
class CoreDataRecurrenceTest : public TaskTest {
protected:
    TaskPtr repeatingEvent(const Date& start, qint64 repeatType, const QString& options = QStringLiteral("1//0"))
    {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setStartTime(start);
        event->setEndTime(start.dateByAddingTimeInterval(3600));
        event->setRepeatStartDate(start);
        event->setRepeatType(repeatType);
        event->setRepeatOptions(options);
        event->setIsRepeatForever(1);
        EXPECT_TRUE(event->insertIntoDatabase());
        EXPECT_TRUE(event->dehydrate());
        return event;
    }

    TaskPtr repeatingTask(const Date& due, qint64 repeatType, qint64 style, const QString& options = QStringLiteral("1//0"))
    {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setHasDue(1);
        task->setDueEnd(due);
        task->setRepeatType(repeatType);
        task->setRepeatOptions(options);
        task->setTaskRepeatStyle(style);
        task->setIsRepeatForever(1);
        EXPECT_TRUE(task->insertIntoDatabase());
        EXPECT_TRUE(task->dehydrate());
        return task;
    }
};

}  // namespace

TEST_F(CoreDataRecurrenceTest, InstancesCopyTheRootWithTheirOwnTimesAndFreshNegativeKeys)
{
    const TaskPtr daily = repeatingEvent(localDate(2014, 1, 6, 9, 0), 1);
    const TaskPtr plain = storedItem(QStringLiteral("one-off"), 0);
    TaskList first;
    dataManager().fillRepeatEventInstances({daily, plain}, first, localDate(2014, 1, 13, 0, 0),
                                           localDate(2014, 1, 15, 0, 0));
    ASSERT_EQ(first.size(), 3) << "three days of a daily series, nothing for the one-off";
    QSet<qint64> keys;
    for (const TaskPtr& instance : first) {
        EXPECT_LT(instance->primaryKey(), -1);
        keys.insert(instance->primaryKey());
        EXPECT_EQ(instance->parentId(), daily->primaryKey());
        EXPECT_EQ(instance->occurrence(), instance->startTime());
        EXPECT_EQ(instance->endTime().timeIntervalSinceDate(instance->startTime()), 3600);
        EXPECT_EQ(instance->taskName(), daily->taskName());
    }
    EXPECT_EQ(first[0]->startTime(), localDate(2014, 1, 13, 9, 0));
    EXPECT_EQ(first[2]->startTime(), localDate(2014, 1, 15, 9, 0));

    TaskList second;
    dataManager().fillRepeatEventInstances({daily}, second, localDate(2014, 1, 13, 0, 0), localDate(2014, 1, 15, 0, 0));
    for (const TaskPtr& instance : second) keys.insert(instance->primaryKey());
    EXPECT_EQ(keys.size(), 6) << "keys are never reused between calls";
}

TEST_F(CoreDataRecurrenceTest, NextOccurrenceOfAnInstanceKeepsTheSeriesAnchors)
{
    // Monthly on the fifth Friday: 31 January 2014, then the last Friday of a
    // month with four.
    const TaskPtr root = repeatingEvent(localDate(2014, 1, 31, 9, 0), 3, QStringLiteral("1//1"));
    TaskList instances;
    dataManager().fillRepeatEventInstances({root}, instances, localDate(2014, 2, 1, 0, 0), localDate(2014, 2, 28, 0, 0));
    ASSERT_EQ(instances.size(), 1);
    EXPECT_EQ(instances[0]->startTime(), localDate(2014, 2, 28, 9, 0));
    const TaskPtr next = dataManager().nextInstanceOfRecuringTask(instances[0]);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->startTime(), localDate(2014, 3, 28, 9, 0));
    EXPECT_EQ(next->parentId(), root->primaryKey());
    EXPECT_EQ(dataManager().nextInstanceOfRecuringTask(storedItem(QStringLiteral("plain"), 0)), nullptr);
}

TEST_F(CoreDataRecurrenceTest, ADoneRepeatingTaskContinuesByScheduleOrFromCompletion)
{
    const Date yesterdayNine = localDate(2014, 1, 14, 9, 0);
    const TaskPtr fromCompletion = repeatingTask(yesterdayNine, 1, 0);
    const TaskPtr bySchedule = repeatingTask(yesterdayNine, 1, 1);
    const TaskPtr next = dataManager().nextDummyForRepeatingTask(fromCompletion);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->dueEnd(), localDate(2014, 1, 16, 9, 0));
    EXPECT_EQ(next->status(), 0);
    EXPECT_EQ(dataManager().nextDummyForRepeatingTask(bySchedule)->dueEnd(), localDate(2014, 1, 15, 9, 0));

    // Monday and Wednesday, due Monday, done on Wednesday: the Monday in the
    // rhythm becomes a Wednesday, stored in the task, and the next due day
    // lies after today.
    const TaskPtr weekly = repeatingTask(localDate(2014, 1, 13, 9, 0), 2, 0, QStringLiteral("1/2|4/0"));
    const TaskPtr nextWeekly = dataManager().nextDummyForRepeatingTask(weekly);
    EXPECT_EQ(weekly->repeatOptions(), QStringLiteral("1/4/0"));
    ASSERT_TRUE(nextWeekly);
    EXPECT_EQ(nextWeekly->dueEnd(), localDate(2014, 1, 22, 9, 0));

    EXPECT_EQ(dataManager().nextDummyForRepeatingTask(repeatingEvent(yesterdayNine, 1)), nullptr)
        << "events do not continue as tasks";
}

TEST_F(CoreDataRecurrenceTest, ARepeatingEventAlarmsBeforeItsNextOccurrence)
{
    const TaskPtr daily = repeatingEvent(localDate(2014, 1, 6, 10, 15), 1);
    daily->setAlertValues(QStringLiteral("/1|-900|Glass"));
    // Today's 10:15 alarm was at 10:00, already past: tomorrow's comes next.
    const std::shared_ptr<LocalNotification> alarm = daily->nextAlarmDate();
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->dateFire(), localDate(2014, 1, 16, 10, 0));
    EXPECT_EQ(alarm->dateStart(), localDate(2014, 1, 16, 10, 15));

    daily->setStartTime(localDate(2014, 1, 6, 11, 0));
    daily->setEndTime(localDate(2014, 1, 6, 12, 0));
    const std::shared_ptr<LocalNotification> today = daily->nextAlarmDate();
    ASSERT_TRUE(today);
    EXPECT_EQ(today->dateFire(), localDate(2014, 1, 15, 10, 45));
}

TEST_F(CoreDataRecurrenceTest, ALinkToAFinishedOccurrenceCountsOnlyWhileTheSeriesGoesOn)
{
    const TaskPtr note = storedItem(QStringLiteral("note"), 3);
    TaskPtr series = repeatingEvent(localDate(2014, 1, 6, 9, 0), 1);
    series->setOccurrence(localDate(2014, 1, 10, 9, 0));
    series->setIsRepeatForever(0);
    series->setRepeatEndDate(localDate(2014, 1, 20, 10, 0));
    ASSERT_TRUE(series->dehydrate());
    auto link = std::make_shared<Link>();
    link->setRootId(note->primaryKey());
    link->setTargetId(series->primaryKey());
    ASSERT_TRUE(link->insertIntoDatabase(db()));
    ASSERT_TRUE(link->dehydrate());
    EXPECT_TRUE(dataManager().hasLinks(note));

    series->setRepeatEndDate(localDate(2014, 1, 6, 10, 0));
    ASSERT_TRUE(series->dehydrate());
    EXPECT_FALSE(dataManager().hasLinks(note)) << "a series that has ended no longer counts";
}
