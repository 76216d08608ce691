#include "TaskTestFixture.h"

#include <utility>

namespace CoreDataFreeTimeTests {

namespace {

using CoreDataFreeTimeTest = TaskTest;

constexpr qint64 reykjavik = 42624;  // GMT all year
constexpr qint64 dhaka = 32432;      // GMT+6 all year
constexpr qint64 paris = 53392;

TaskPtr eventFrom(const Date& start, const Date& end, qint64 zone = 0)
{
    auto event = std::make_shared<Task>();
    event->setTaskType(0);
    event->setStartTime(start);
    event->setEndTime(end);
    event->setTz(zone);
    return event;
}

QList<std::pair<qint64, qint64>> minutes(const QList<TimeSlotObject>& slots)
{
    QList<std::pair<qint64, qint64>> result;
    for (const TimeSlotObject& slot : slots) result.append({slot.startTimeInMinutes(), slot.endTimeInMinutes()});
    return result;
}

TEST_F(CoreDataFreeTimeTest, FreeSlotsOfAWorkingDayAreMinutesOfThatDay)
{
    const auto on15 = [](int hour, int minute = 0) { return localDate(2014, 1, 15, hour, minute); };
    struct Case {
        const char* what;
        QList<std::pair<Date, Date>> events;
        QList<std::pair<qint64, qint64>> expected;
    };
    const Case cases[] = {
        {"no events", {}, {{540, 1020}}},
        {"overlapping events", {{on15(10), on15(11)}, {on15(10, 30), on15(12)}}, {{540, 600}, {720, 1020}}},
        {"an event from the evening before", {{localDate(2014, 1, 14, 23), on15(10)}}, {{600, 1020}}},
        {"an event running into the next day", {{on15(16), localDate(2014, 1, 16, 1)}}, {{540, 960}}},
        {"an event without times blocks nothing", {{Date(), Date()}, {on15(12), on15(13)}}, {{540, 720}, {780, 1020}}},
        {"seconds do not count", {{on15(10, 0), localDate(2014, 1, 15, 10, 59, 59)}}, {{540, 600}, {659, 1020}}},
    };
    for (const Case& c : cases) {
        TaskList events;
        for (const auto& [start, end] : c.events) events.append(eventFrom(start, end));
        EXPECT_EQ(minutes(dataManager().openTimeSlotsFromTime(on15(9), on15(17), events)), c.expected) << c.what;
    }
    EXPECT_TRUE(dataManager().openTimeSlotsFromTime(on15(17), on15(9), {}).isEmpty());
    EXPECT_TRUE(dataManager().openTimeSlotsFromTime(Date(), on15(9), {}).isEmpty());
}

// On 30 March 2014 Paris clocks jump from 02:00 to 03:00: slots read as the
// clock does, not as minutes elapsed since midnight.
TEST_F(CoreDataFreeTimeTest, FreeSlotsFollowTheClockOnADaylightSavingDay)
{
    const auto on30 = [](int hour) { return localDate(2014, 3, 30, hour); };
    const TaskList events = {eventFrom(on30(3), on30(4))};
    EXPECT_EQ(minutes(dataManager().openTimeSlotsFromTime(on30(1), on30(6), events)),
              (QList<std::pair<qint64, qint64>>{{60, 180}, {240, 360}}));
}

TEST_F(CoreDataFreeTimeTest, FreeSlotsUseTheDisplayTimesOfTheEvents)
{
    ScopedTimeZone systemZone("Asia/Tokyo");  // no daylight saving anywhere in this test
    dataManager().loadTimeZones();
    setting().setTzSupport(true);
    setting().setCurrentTZ(dhaka);
    const auto onDay = [](int hour) { return localDate(2013, 7, 2, hour); };
    // 03:00 in Reykjavik is 09:00 in Dhaka.
    const TaskPtr call = eventFrom(onDay(3), onDay(4), reykjavik);
    EXPECT_EQ(minutes(dataManager().openTimeSlotsFromTime(onDay(9), onDay(17), {call})),
              (QList<std::pair<qint64, qint64>>{{600, 1020}}));
    EXPECT_EQ(call->tzStartTime(), onDay(9));
}

TEST_F(CoreDataFreeTimeTest, EventsOfTheSameQuarterHourAndZoneFormAGroup)
{
    dataManager().loadTimeZones();
    const Date day = localDate(2014, 1, 15);
    const auto startingAt = [](const Date& start, qint64 zone = paris) {
        const TaskPtr event = eventFrom(start, start.dateByAddingTimeInterval(1800), zone);
        event->setTzStartTime(start);
        return event;
    };
    struct Case {
        const char* what;
        TaskPtr event;
        TaskList list;
        QList<int> expected;  // positions in the list
    };
    const TaskPtr at1014 = startingAt(localDate(2014, 1, 15, 10, 14));
    const TaskPtr at1015 = startingAt(localDate(2014, 1, 15, 10, 15));
    const TaskPtr at1010 = startingAt(localDate(2014, 1, 15, 10, 10));
    const TaskPtr at1012Reykjavik = startingAt(localDate(2014, 1, 15, 10, 12), reykjavik);
    const TaskPtr at1012UnknownZone = startingAt(localDate(2014, 1, 15, 10, 12), 999999);
    const TaskPtr yesterday = startingAt(localDate(2014, 1, 14, 22));
    const TaskPtr atMidnight = startingAt(day);
    const Case cases[] = {
        {"10:05 and 10:14 fall to 10:00", startingAt(localDate(2014, 1, 15, 10, 5)), {at1014, at1010}, {0, 1}},
        {"10:14 and 10:15 do not", at1014, {at1015, at1010}, {}},
        {"other zones stay out, the walk goes on", at1014, {at1012Reykjavik, at1012UnknownZone, at1010}, {2}},
        {"an earlier day counts as the day's start", atMidnight, {yesterday, at1014}, {0}},
        {"the event itself started the day before", yesterday, {atMidnight, at1014}, {0}},
    };
    for (const Case& c : cases) {
        TaskList expected;
        for (int position : c.expected) expected.append(c.list[position]);
        EXPECT_EQ(dataManager().findAllEventSameStartTime(c.event, c.list, day), expected) << c.what;
    }
}

class CoreDataReloadADETest : public TaskTest {
protected:
    TaskPtr storedAllDayEvent(const QString& name)
    {
        const TaskPtr event = storedItem(name, 0);
        event->setIsADE(1);
        EXPECT_TRUE(event->dehydrate());
        return event;
    }
    void rename(const TaskPtr& item, const QString& name)
    {
        exec(QStringLiteral("UPDATE Tasks SET taskName='%1' WHERE primaryKey=%2").arg(name).arg(item->primaryKey()));
    }
};

TEST_F(CoreDataReloadADETest, StoredAllDayEventsTakeTheirRowsAgainAndNothingElseChanges)
{
    const TaskPtr holiday = storedAllDayEvent(QStringLiteral("Holiday"));
    const TaskPtr meeting = storedItem(QStringLiteral("Meeting"), 0);
    const TaskPtr gone = storedAllDayEvent(QStringLiteral("Gone"));
    const TaskPtr occurrence = holiday->copy();
    occurrence->setPrimaryKey(-2);
    occurrence->setParentId(holiday->primaryKey());
    occurrence->setTaskName(QStringLiteral("Occurrence"));
    dataManager().doWithAllTasksEventsAdes(TaskList{holiday, meeting, gone, occurrence}, 0);

    rename(holiday, QStringLiteral("Bank holiday"));
    rename(meeting, QStringLiteral("Changed meeting"));
    exec(QStringLiteral("DELETE FROM Tasks WHERE primaryKey=%1").arg(gone->primaryKey()));

    dataManager().reloadADE();

    EXPECT_EQ(holiday->taskName(), QStringLiteral("Bank holiday"));
    EXPECT_EQ(meeting->taskName(), QStringLiteral("Meeting")) << "timed events are not reloaded";
    EXPECT_EQ(gone->taskName(), QStringLiteral("Gone")) << "a missing row empties nothing";
    EXPECT_EQ(gone->isADE(), 1);
    EXPECT_EQ(occurrence->taskName(), QStringLiteral("Occurrence")) << "occurrences have no row";
    EXPECT_EQ(occurrence->primaryKey(), -2);
    EXPECT_EQ(dataManager().allTasksEventsAdes(), (TaskList{holiday, meeting, gone, occurrence}));
}

}  // namespace

}  // namespace CoreDataFreeTimeTests
