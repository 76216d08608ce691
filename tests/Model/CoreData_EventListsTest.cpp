#include "TaskTestFixture.h"
#include "DateExtensions.h"

namespace CoreData_EventListsTests {

namespace {

constexpr qint64 eventType = 0;
constexpr qint64 taskType = 1;

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris.
class CoreDataEventListsTest : public TaskTest {
protected:
    TaskPtr event(const QString& name, const Date& start, double hours = 1, const CalendarPtr& category = nullptr)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(eventType);
        item->setTaskName(name);
        if (category) item->setCalendarId(category->primaryKey());
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(hours * 3600));
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        return item;
    }
    // An hour-long event repeating every week, with no end.
    TaskPtr weeklyForever(const QString& name, const Date& start)
    {
        const TaskPtr item = event(name, start);
        item->setRepeatStartDate(item->startTime());
        item->setRepeatType(2);
        item->setRepeatOptions(QStringLiteral("1//0"));
        item->setIsRepeatForever(1);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    // Daily at 09:00 from Monday 6 January 2014, for ever.
    TaskPtr dailySeries(const QString& name, const CalendarPtr& category = nullptr)
    {
        const TaskPtr series = event(name, localDate(2014, 1, 6, 9, 0), 1, category);
        series->setRepeatStartDate(series->startTime());
        series->setRepeatType(1);
        series->setRepeatOptions(QStringLiteral("1//0"));
        series->setIsRepeatForever(1);
        EXPECT_TRUE(series->dehydrate());
        return series;
    }

    static QStringList describe(const TaskList& events)
    {
        QStringList lines;
        for (const TaskPtr& item : events)
            lines.append(item->taskName() + QLatin1Char(' ')
                         + Utilities::getShortDateTimeStringFromDate(item->startTime()));
        return lines;
    }
};

}  // namespace

TEST_F(CoreDataEventListsTest, ADayListsItsTimedEventsAndOccurrencesByStart)
{
    const TaskPtr allDay = event(QStringLiteral("all day"), localDate(2014, 1, 15, 0, 0), 24);
    allDay->setIsADE(1);
    ASSERT_TRUE(allDay->dehydrate());
    auto task = std::make_shared<Task>();
    task->setTaskType(taskType);
    task->setStartTime(localDate(2014, 1, 15, 11, 0));
    const TaskPtr daily = dailySeries(QStringLiteral("stand-up"));
    dataManager().doWithAllTasksEventsAdes(
        TaskList{event(QStringLiteral("lunch"), localDate(2014, 1, 15, 12, 30)),
                 event(QStringLiteral("night shift"), localDate(2014, 1, 14, 23, 0), 2),
                 event(QStringLiteral("tomorrow"), localDate(2014, 1, 16, 8, 0)),
                 event(QStringLiteral("early"), localDate(2014, 1, 15, 7, 45)), daily, allDay, task},
        0);

    const TaskList events = dataManager().getEventListForDate(localDate(2014, 1, 15, 16, 0));
    EXPECT_EQ(describe(events), (QStringList{"night shift 2014-01-14 23:00:00", "early 2014-01-15 07:45:00",
                                             "stand-up 2014-01-15 09:00:00", "lunch 2014-01-15 12:30:00"}));
    ASSERT_EQ(events.size(), 4);
    EXPECT_LT(events[2]->primaryKey(), -1) << "the series shows as an occurrence";
    EXPECT_EQ(events[2]->parentId(), daily->primaryKey());
}

TEST_F(CoreDataEventListsTest, ADeletedOccurrenceIsMissingOnlyOnItsDay)
{
    const TaskPtr daily = dailySeries(QStringLiteral("stand-up"));
    daily->addRepeatException(localDate(2014, 1, 15, 9, 0), Task::RepeatException::Deleted);
    ASSERT_TRUE(daily->dehydrate());
    dataManager().doWithAllTasksEventsAdes(TaskList{daily}, 0);

    EXPECT_TRUE(dataManager().getEventListForDate(localDate(2014, 1, 15)).isEmpty());
    EXPECT_EQ(describe(dataManager().getEventListForDate(localDate(2014, 1, 16))),
              QStringList{"stand-up 2014-01-16 09:00:00"});
}

TEST_F(CoreDataEventListsTest, SeveralDaysAtOnceListWhatEachDayListsAlone)
{
    const TaskPtr weekly = weeklyForever(QStringLiteral("weekly review"), localDate(2014, 1, 10, 17, 0));
    dataManager().doWithAllTasksEventsAdes(
        TaskList{event(QStringLiteral("trip"), localDate(2014, 1, 13, 20, 0), 60),
                 event(QStringLiteral("before the days"), localDate(2014, 1, 14, 22, 0), 1),
                 event(QStringLiteral("first morning"), localDate(2014, 1, 15, 8, 0)),
                 event(QStringLiteral("over midnight"), localDate(2014, 1, 17, 23, 30), 1),
                 event(QStringLiteral("last evening"), localDate(2014, 1, 21, 21, 0)),
                 event(QStringLiteral("after the days"), localDate(2014, 1, 22, 0, 0)),
                 dailySeries(QStringLiteral("stand-up")), weekly},
        0);

    QList<Date> weekFromNow;
    for (int i = 0; i < 7; ++i) weekFromNow.append(localDate(2014, 1, 15 + i, 10, 7));
    const struct {
        const char* name;
        QList<Date> days;
    } cases[] = {
        {"a week from now", weekFromNow},
        {"days out of order", {localDate(2014, 1, 18, 6, 0), localDate(2014, 1, 15, 9, 0), localDate(2014, 1, 21)}},
        {"one day", {localDate(2014, 1, 16, 23, 59)}},
        {"no day", {}},
    };
    for (const auto& c : cases) {
        const QList<Date>& days = c.days;
        const QList<TaskList> lists = dataManager().getEventListsForDates(days);
        ASSERT_EQ(lists.size(), days.size()) << c.name;
        for (int i = 0; i < days.size(); ++i)
            EXPECT_EQ(describe(lists[i]), describe(dataManager().getEventListForDate(days[i])))
                << c.name << ", day " << i;
    }
    // What the days hold, so that equal lists are not two empty ones.
    const QList<TaskList> week = dataManager().getEventListsForDates({localDate(2014, 1, 15), localDate(2014, 1, 17)});
    EXPECT_EQ(describe(week[0]), (QStringList{"trip 2014-01-13 20:00:00", "first morning 2014-01-15 08:00:00",
                                              "stand-up 2014-01-15 09:00:00"}));
    EXPECT_EQ(describe(week[1]), (QStringList{"stand-up 2014-01-17 09:00:00", "weekly review 2014-01-17 17:00:00",
                                              "over midnight 2014-01-17 23:30:00"}));
}

TEST_F(CoreDataEventListsTest, ARangeListsTheEventsOfShownCategoriesFromTheDatabase)
{
    const CalendarPtr hidden = addCategory(0, 1);
    event(QStringLiteral("monday"), localDate(2014, 1, 13, 10, 0));
    event(QStringLiteral("sunday night"), localDate(2014, 1, 12, 22, 0), 4);
    event(QStringLiteral("last day afternoon"), localDate(2014, 1, 15, 15, 0));
    event(QStringLiteral("after the range"), localDate(2014, 1, 16, 0, 30));
    event(QStringLiteral("hidden"), localDate(2014, 1, 14, 10, 0), 1, hidden);
    dailySeries(QStringLiteral("hidden series"), hidden);
    const TaskPtr allDay = event(QStringLiteral("all day"), localDate(2014, 1, 14, 0, 0), 24);
    allDay->setIsADE(1);
    ASSERT_TRUE(allDay->dehydrate());
    dailySeries(QStringLiteral("stand-up"));

    // The days are given at midnight: the whole of the last day counts.
    const TaskList events = dataManager().getEventListFromDate(localDate(2014, 1, 13), localDate(2014, 1, 15));
    QStringList oneOffs = describe(events.mid(0, 3));
    oneOffs.sort();
    EXPECT_EQ(oneOffs, (QStringList{"last day afternoon 2014-01-15 15:00:00", "monday 2014-01-13 10:00:00",
                                    "sunday night 2014-01-12 22:00:00"}));
    EXPECT_EQ(describe(events.mid(3)), (QStringList{"stand-up 2014-01-13 09:00:00", "stand-up 2014-01-14 09:00:00",
                                                    "stand-up 2014-01-15 09:00:00"}));

    // Shown in Paris, New York's 20:00 is the next day's 02:00: the range
    // holds the occurrences shown in it, from the one of the day before.
    dataManager().loadTimeZones();
    setting().setTzSupport(1);
    setting().setCurrentTZ(dataManager().getTimeZoneId(QStringLiteral("Europe/Paris")));
    const TaskPtr newYork = weeklyForever(QStringLiteral("New York"), localDate(2014, 1, 6, 20, 0));
    newYork->setRepeatType(1);
    newYork->setTz(dataManager().getTimeZoneId(QStringLiteral("America/New_York")));
    ASSERT_TRUE(newYork->dehydrate());
    QStringList shown;
    for (const TaskPtr& item : dataManager().getEventListFromDate(localDate(2014, 1, 13), localDate(2014, 1, 15)))
        if (item->parentId() == newYork->primaryKey()) shown.append(Utilities::getShortDateTimeStringFromDate(item->tzStartTime()));
    EXPECT_EQ(shown, (QStringList{"2014-01-13 02:00:00", "2014-01-14 02:00:00", "2014-01-15 02:00:00"}));
}

TEST_F(CoreDataEventListsTest, ARangeIsEmptyWhileTheDatabaseIsClosed)
{
    event(QStringLiteral("monday"), localDate(2014, 1, 13, 10, 0));
    databaseOpen = false;
    testing::internal::CaptureStdout();
    const TaskList events = dataManager().getEventListFromDate(localDate(2014, 1, 13), localDate(2014, 1, 15));
    const std::string printed = testing::internal::GetCapturedStdout();
    databaseOpen = true;
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(printed, "Database can not open!");
}


// The days' lists gathered in one pass hold what each day's own lookup
// holds, over the changes of clock in Paris too (a 23-hour and a 25-hour
// day), for all-day and timed events, events over midnight and series.
TEST_F(CoreDataEventListsTest, TheDaysGatheredTogetherHoldWhatEachDayHoldsAlone)
{
    const TaskPtr allDay = event(QStringLiteral("all day"), localDate(2014, 3, 30, 0, 0), 23);
    allDay->setIsADE(1);
    ASSERT_TRUE(allDay->dehydrate());
    const TaskPtr weekly = weeklyForever(QStringLiteral("weekly"), localDate(2014, 3, 2, 2, 30));
    dataManager().doWithAllTasksEventsAdes(
        TaskList{event(QStringLiteral("over midnight"), localDate(2014, 3, 29, 23, 30), 2),
                 event(QStringLiteral("over the change"), localDate(2014, 3, 30, 1, 30), 2),
                 event(QStringLiteral("ends at midnight"), localDate(2014, 3, 31, 22, 0), 2),
                 event(QStringLiteral("twice at 02:30"), localDate(2014, 10, 26, 1, 45), 2),
                 event(QStringLiteral("a long week"), localDate(2014, 10, 20, 12, 0), 24 * 9),
                 event(QStringLiteral("far off"), localDate(2015, 6, 1, 9, 0)), dailySeries(QStringLiteral("stand-up")),
                 weekly, allDay},
        0);
    const struct {
        const char* name;
        Date first;
        Date last;
        int days;
    } cases[] = {
        {"the week of the spring change", localDate(2014, 3, 28, 15, 0), localDate(2014, 4, 3, 8, 0), 7},
        {"the 23-hour day alone", localDate(2014, 3, 30, 23, 59), localDate(2014, 3, 30), 1},
        {"the days around the autumn change", localDate(2014, 10, 25), localDate(2014, 10, 27, 23, 0), 3},
        {"a day of the clock's month", localDate(2014, 1, 15, 10, 7), localDate(2014, 1, 15, 10, 7), 1},
        {"the last before the first", localDate(2014, 3, 30), localDate(2014, 3, 29), 0},
    };
    int listed = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<TaskList> days = dataManager().timedEventsOfDays(c.first, c.last);
        ASSERT_EQ(days.size(), c.days);
        for (int i = 0; i < c.days; ++i) {
            const Date day = DateExtensions::dateByAddingDays(Utilities::resetTimeForDate(c.first, 12, 0, 0), i);
            EXPECT_EQ(describe(days[i]), describe(dataManager().getEventListForDate(day))) << "day " << i;
            listed += int(days[i].size());
        }
    }
    EXPECT_GE(listed, 20) << "the days are not empty lists";
}

}  // namespace CoreData_EventListsTests
