#include "iCalSyncJobs.h"

#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Setting.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

Date paris(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second);
}

class StoreQueriesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        store = CalCalendarStore::create(folder.path());
        jobs = std::make_unique<iCalSyncJobs>(store);
        setting = std::make_shared<Setting>();
        setting->setICalSyncWindowStart(30);
        setting->setICalSyncWindowEnd(30);
        manager.setCurrentSetting(setting);
        CoreData::setShared(&manager);
        Clock::setFixed(paris(2014, 3, 12, 10, 0));  // window: 1 February to 30 April
        calendar = CalCalendar::calendar();
        calendar->setTitle(QStringLiteral("Home"));
        ASSERT_TRUE(store->saveCalendar(calendar));
    }
    void TearDown() override
    {
        jobs.reset();
        CoreData::setShared(nullptr);
        Clock::reset();
    }

    CalEventPtr series(const Date& start, const CalRecurrenceRule& rule)
    {
        auto event = CalEvent::event();
        event->setCalendar(calendar);
        event->setTitle(QStringLiteral("Series"));
        event->setStartDate(start);
        event->setEndDate(start.dateByAddingTimeInterval(3600));
        event->setRecurrenceRule(rule);
        EXPECT_TRUE(store->saveEvent(event, CalSpanAllEvents));
        return event;
    }

    QTemporaryDir folder;
    std::shared_ptr<CalCalendarStore> store;
    std::unique_ptr<iCalSyncJobs> jobs;
    CoreData manager;
    SettingPtr setting;
    CalCalendarPtr calendar;
};

TEST_F(StoreQueriesTest, EventsOfTheSyncWindowByCalendarsAndByUids)
{
    const CalEventPtr weekly = series(paris(2014, 1, 6, 9), CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {}, std::nullopt));
    const CalEventPtr outside = series(paris(2013, 6, 3, 9), CalRecurrenceRule::initDailyRecurrenceWithInterval(1, CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(2)));

    const auto events = jobs->getICalEventsWithCalendars({calendar});
    ASSERT_TRUE(events);
    EXPECT_EQ(events->size(), 13);  // the Mondays from 3 February to 28 April
    const auto byUid = jobs->getICalEventsWithEventUIDList({weekly->uid(), outside->uid()});
    ASSERT_TRUE(byUid);
    EXPECT_EQ(byUid->size(), 13);  // an event wholly outside the window is not found
    EXPECT_TRUE(jobs->getICalEventsWithEventUIDList({})->isEmpty());

    manager.setBSynciCalEnable(false);
    EXPECT_FALSE(jobs->getICalEventsWithCalendars({calendar}));
    EXPECT_FALSE(jobs->getICalEventsWithEventUIDList({weekly->uid()}));
    EXPECT_FALSE(jobs->getIEventWithUID(weekly->uid(), paris(2014, 3, 10), paris(2014, 3, 10, 9)));
}

TEST_F(StoreQueriesTest, AStoreWithoutCalendarsAnswersNothingForUids)
{
    ASSERT_TRUE(store->removeCalendar(calendar));
    EXPECT_FALSE(jobs->getICalEventsWithEventUIDList({QStringLiteral("any")}));
}

// A query the store could not answer in full is no answer at all, so no
// caller deletes local items on the strength of it.
TEST_F(StoreQueriesTest, AnIncompleteAnswerIsReportedAsNothing)
{
    auto task = CalTask::task();
    task->setCalendar(calendar);
    task->setTitle(QStringLiteral("Readable"));
    ASSERT_TRUE(store->saveTask(task));
    ASSERT_EQ(jobs->getICalTasksWithCalendars({calendar})->size(), 1);

    QFile broken(QStringLiteral("%1/%2.calendar/Tasks/broken.ics").arg(folder.path(), calendar->uid()));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BEGIN:VCALENDAR\r\ngarbage");
    broken.close();
    const auto fresh = CalCalendarStore::create(folder.path());
    jobs->setICalStore(fresh);
    EXPECT_FALSE(jobs->getICalTasksWithCalendars(fresh->calendars()));
}

TEST_F(StoreQueriesTest, NearestOccurrenceIsOnTheStartDaysAndCloserThan900000Seconds)
{
    const CalEventPtr daily = series(paris(2014, 3, 3, 9), CalRecurrenceRule::initDailyRecurrenceWithInterval(1, std::nullopt));
    // One occurrence moved to run from the evening before over midnight.
    const CalEventPtr moved = store->eventWithUID(daily->uid(), paris(2014, 3, 20, 9));
    ASSERT_TRUE(moved);
    moved->setStartDate(paris(2014, 3, 19, 20));
    moved->setEndDate(paris(2014, 3, 21, 1));
    ASSERT_TRUE(store->saveEvent(moved, CalSpanThisEvent));
    struct Case {
        const char* name;
        Date start;
        Date occurrence;
        bool found;
        Date expected;
    };
    const Case cases[] = {
        {"the occurrence itself", paris(2014, 3, 10), paris(2014, 3, 10, 9), true, paris(2014, 3, 10, 9)},
        {"the start's day decides, not the occurrence's", paris(2014, 3, 11), paris(2014, 3, 10, 9), true, paris(2014, 3, 11, 9)},
        {"899999 s away", paris(2014, 3, 11), paris(2014, 3, 11, 9).dateByAddingTimeInterval(-899999), true, paris(2014, 3, 11, 9)},
        {"900000 s away", paris(2014, 3, 11), paris(2014, 3, 11, 9).dateByAddingTimeInterval(-900000), false, Date()},
        {"a day without occurrence", paris(2014, 3, 1), paris(2014, 3, 1, 9), false, Date()},
        {"a moved one that began the day before", paris(2014, 3, 20), paris(2014, 3, 20, 9), true, paris(2014, 3, 20, 9)},
        {"the same, asked on its first day", paris(2014, 3, 19), paris(2014, 3, 20, 9), true, paris(2014, 3, 20, 9)},
        {"the day after it, its next occurrence", paris(2014, 3, 21), paris(2014, 3, 21, 9), true, paris(2014, 3, 21, 9)},
    };
    // One at a time, and all at once from one query: the same answers.
    QList<PairOfDate> pairs;
    for (const Case& c : cases) pairs << PairOfDate(c.start, c.occurrence);
    const CalEventList together = jobs->getIEventsWithUID(daily->uid(), pairs);
    ASSERT_EQ(together.size(), pairs.size());
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const CalEventPtr found = jobs->getIEventWithUID(daily->uid(), c.start, c.occurrence);
        ASSERT_EQ(bool(found), c.found);
        ASSERT_EQ(bool(together[i]), c.found);
        if (found) {
            EXPECT_EQ(found->occurrence(), c.expected);
            EXPECT_EQ(together[i]->occurrence(), c.expected);
            EXPECT_EQ(together[i]->startDate(), found->startDate());
        }
    }
    EXPECT_FALSE(jobs->getIEventWithUID(QString(), paris(2014, 3, 10), paris(2014, 3, 10, 9)));

    // By exact dates, else the nearest occurrence of the start's day.
    const CalEventPtr exact = jobs->getIEventWithUIDAndStartEndDate(daily->uid(), paris(2014, 3, 12, 9), paris(2014, 3, 12, 10));
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->startDate(), paris(2014, 3, 12, 9));
    const CalEventPtr near = jobs->getIEventWithUIDAndStartEndDate(daily->uid(), paris(2014, 3, 12, 8), paris(2014, 3, 12, 8, 30));
    ASSERT_TRUE(near);
    EXPECT_EQ(near->startDate(), paris(2014, 3, 12, 9));
}

TEST_F(StoreQueriesTest, NextOrdinaryOccurrenceAfterTheFirstWasDeletedOrMoved)
{
    const CalEventPtr weekly = series(paris(2014, 3, 3, 9), CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {}, std::nullopt));
    const CalEventPtr first = store->eventWithUID(weekly->uid(), paris(2014, 3, 3, 9));
    ASSERT_TRUE(first);
    ASSERT_TRUE(store->removeEvent(first, CalSpanThisEvent));
    // Found in the first window, which is 8 days long.
    const CalEventPtr next = jobs->findNextRootForIEvent(*weekly, paris(2014, 3, 3, 9), Date());
    ASSERT_TRUE(next);
    EXPECT_EQ(next->startDate(), paris(2014, 3, 10, 9));
    // An end date stops the search at the window that starts at or after it.
    EXPECT_TRUE(jobs->findNextRootForIEvent(*weekly, paris(2014, 3, 3, 9), paris(2014, 3, 4)));
    EXPECT_FALSE(jobs->findNextRootForIEvent(*weekly, paris(2014, 3, 3, 9), paris(2014, 3, 3)));

    // Further on: the first six occurrences gone, the search goes on in
    // longer windows and still finds the earliest one left.
    const CalEventPtr later = series(paris(2014, 2, 3, 9), CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {}, std::nullopt));
    for (const Date& gone : {paris(2014, 2, 3, 9), paris(2014, 2, 10, 9), paris(2014, 2, 17, 9), paris(2014, 2, 24, 9),
                             paris(2014, 3, 3, 9), paris(2014, 3, 10, 9)})
        ASSERT_TRUE(store->removeEvent(store->eventWithUID(later->uid(), gone), CalSpanThisEvent));
    const CalEventPtr seventh = jobs->findNextRootForIEvent(*later, paris(2014, 2, 3, 9), Date());
    ASSERT_TRUE(seventh);
    EXPECT_EQ(seventh->startDate(), paris(2014, 3, 17, 9));

    // A series whose every occurrence went: the search gives up.
    const CalEventPtr once = series(paris(2014, 3, 5, 9), CalRecurrenceRule::initDailyRecurrenceWithInterval(1, CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(1)));
    ASSERT_TRUE(store->removeEvent(store->eventWithUID(once->uid(), paris(2014, 3, 5, 9)), CalSpanThisEvent));
    EXPECT_FALSE(jobs->findNextRootForIEvent(*once, paris(2014, 3, 5, 9), Date()));
}

TEST_F(StoreQueriesTest, EndOfARepetition)
{
    const auto withRule = [](const std::optional<CalRecurrenceRule>& rule) {
        CalEvent event;
        event.setRecurrenceRule(rule);
        return event;
    };
    const auto count = [](int n) { return CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(n); };
    struct Case {
        const char* name;
        CalEvent event;
        Date start;
        Date expected;
    };
    const Case cases[] = {
        {"yearly, 3 from 1 March 2015, across 29 February",
         withRule(CalRecurrenceRule::initYearlyRecurrenceWithInterval(1, {3}, count(3))), paris(2015, 3, 1, 9),
         paris(2017, 3, 1, 9)},
        {"monthly, 3 from 31 January: 62 days", withRule(CalRecurrenceRule::initMonthlyRecurrenceWithInterval(1, QList<int>{31}, count(3))),
         paris(2014, 1, 31, 9), paris(2014, 4, 3, 9)},
        {"weekly every 2, 4 times", withRule(CalRecurrenceRule::initWeeklyRecurrenceWithInterval(2, {}, count(4))),
         paris(2014, 3, 3, 9), paris(2014, 4, 14, 9)},
        {"daily, 10 times, across the spring change", withRule(CalRecurrenceRule::initDailyRecurrenceWithInterval(1, count(10))),
         paris(2014, 3, 25, 9), paris(2014, 4, 3, 9)},
        {"an end date is given as it is",
         withRule(CalRecurrenceRule::initDailyRecurrenceWithInterval(1, CalRecurrenceEnd::recurrenceEndWithEndDate(paris(2014, 5, 1, 12)))),
         paris(2014, 3, 3, 9), paris(2014, 5, 1, 12)},
        {"no end", withRule(CalRecurrenceRule::initDailyRecurrenceWithInterval(1, std::nullopt)), paris(2014, 3, 3), Date()},
        {"no rule", withRule(std::nullopt), paris(2014, 3, 3), Date()},
    };
    manager.setBSynciCalEnable(false);  // works with the sync off too
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(iCalSyncJobs::findEndDateForIEvent(c.event, c.start), c.expected);
    }
}

}  // namespace
