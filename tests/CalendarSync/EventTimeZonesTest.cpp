#include "CalendarSyncFixture.h"

namespace {

class EventTimeZonesTest : public CalendarSyncTest {
protected:
    // A store event written by another program in a zone (empty: in UTC).
    CalEventPtr zonedEvent(const Date& start, const QString& zone, bool allDay = false)
    {
        auto event = CalEvent::event();
        event->setCalendar(storeCalendar);
        event->setTitle(QStringLiteral("Call"));
        event->setStartDate(start);
        event->setEndDate(start.dateByAddingTimeInterval(allDay ? 86400 : 3600));
        event->setIsAllDay(allDay);
        event->setTimeZone(zone);
        EXPECT_TRUE(store->saveEvent(event, CalSpanAllEvents));
        return store->eventWithUID(event->uid(), Date());
    }
    TaskPtr imported(const CalEventPtr& event)
    {
        auto item = std::make_shared<Task>();
        item->setTz(12345);  // stands for "whatever it had"
        jobs->updateInfoFromICalEvent(*event, item, Date(), Date());
        return item;
    }
};

}  // namespace

// Paris in winter, the event's zone Tokyo (no daylight saving): the store's
// instants become the wall-clock times of Tokyo and back.
TEST_F(EventTimeZonesTest, AZonedStoreEventGivesTheItemItsZoneAndWallClockTimes)
{
    const CalEventPtr event = zonedEvent(utc(2014, 3, 20, 1), QStringLiteral("Asia/Tokyo"));  // 10:00 in Tokyo
    ASSERT_TRUE(event);
    const TaskPtr item = imported(event);
    jobs->synchEventTimeZone(*event, item);
    EXPECT_EQ(item->tz(), tokyoZone);
    EXPECT_EQ(item->startTime(), local(2014, 3, 20, 10));
    EXPECT_EQ(item->endTime(), local(2014, 3, 20, 11));
    EXPECT_EQ(item->prevtz(), tokyoZone);
    EXPECT_EQ(item->localStartDate(), item->startTime());
    EXPECT_EQ(item->localEndDate(), item->endTime());

    // Back to the store: the same instants.
    Date start, end;
    ASSERT_TRUE(jobs->reveseTime(item, -1, &start, &end));
    EXPECT_EQ(start, utc(2014, 3, 20, 1));
    EXPECT_EQ(end, utc(2014, 3, 20, 2));
}

TEST_F(EventTimeZonesTest, EventsWithoutAZoneOrAtGMTFloat)
{
    struct Case {
        const char* name;
        QString zone;
        bool allDay;
        qint64 expectedZone;
    };
    const Case cases[] = {
        {"London in winter", QStringLiteral("Europe/London"), false, 0},
        {"Reykjavik", QStringLiteral("Atlantic/Reykjavik"), false, 0},
        {"no zone", QString(), false, 0},
        {"all-day", QString(), true, parisZone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CalEventPtr event = zonedEvent(c.allDay ? local(2014, 3, 20) : utc(2014, 3, 20, 9), c.zone, c.allDay);
        const TaskPtr item = imported(event);
        const Date start = item->startTime();
        const Date end = item->endTime();
        jobs->synchEventTimeZone(*event, item);
        EXPECT_EQ(item->tz(), c.expectedZone);  // "Floating" is entry 0 of the table
        EXPECT_EQ(item->startTime(), start);
        EXPECT_EQ(item->endTime(), end);
        EXPECT_EQ(item->prevAllDay(), c.allDay);
    }
}

TEST_F(EventTimeZonesTest, WithoutZoneSupportOrSyncNoZoneFieldChanges)
{
    const CalEventPtr event = zonedEvent(utc(2014, 3, 20, 1), QStringLiteral("Asia/Tokyo"));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        setting->setTzSupport(round != 0);
        dataManager().setBSynciCalEnable(round == 0);
        const TaskPtr item = imported(event);
        const Date start = item->startTime();
        jobs->synchEventTimeZone(*event, item);
        EXPECT_EQ(item->tz(), 12345);
        EXPECT_EQ(item->startTime(), start);
        EXPECT_FALSE(item->localStartDate());
    }
    dataManager().setBSynciCalEnable(false);
    EXPECT_FALSE(jobs->saveEventTimeZone(*event, imported(event), 0));
}

// Of two events at the same times in one calendar, only the item's own is
// given the zone.
TEST_F(EventTimeZonesTest, OnlyTheTwinWithTheItemsUidIsWritten)
{
    const CalEventPtr mine = zonedEvent(utc(2014, 3, 20, 1), QString());
    const CalEventPtr other = zonedEvent(utc(2014, 3, 20, 1), QString());
    auto item = localEvent(local(2014, 3, 20, 10), local(2014, 3, 20, 11));
    item->setTz(tokyoZone);
    item->setICalUID(mine->uid());
    EXPECT_TRUE(jobs->saveEventTimeZone(*mine, item, 0));

    const auto mineBack = readBack(mine->uid());
    const auto otherBack = readBack(other->uid());
    ASSERT_TRUE(mineBack && mineBack->master && otherBack && otherBack->master);
    EXPECT_EQ(mineBack->master->timeZone, QStringLiteral("Asia/Tokyo"));
    EXPECT_EQ(mineBack->master->start, utc(2014, 3, 20, 1));
    EXPECT_EQ(otherBack->master->timeZone, QString());
}

TEST_F(EventTimeZonesTest, AnAllDayEventIsWrittenWithoutZoneAndWithItsOwnDates)
{
    const CalEventPtr event = zonedEvent(local(2014, 3, 20), QString(), true);
    auto item = localEvent(local(2014, 3, 20), local(2014, 3, 20, 23, 59, 59));
    item->setIsADE(1);
    item->setTz(tokyoZone);
    EXPECT_TRUE(jobs->saveEventTimeZone(*event, item, 0));
    const auto back = readBack(event->uid());
    ASSERT_TRUE(back && back->master);
    EXPECT_TRUE(back->master->allDay);
    EXPECT_EQ(back->master->timeZone, QString());
    EXPECT_EQ(back->master->start, local(2014, 3, 20));
    EXPECT_EQ(back->master->end, local(2014, 3, 21));

    // Nothing at the event's times nor on the occurrence's day: NO.
    auto elsewhere = CalEvent::event();
    elsewhere->setCalendar(storeCalendar);
    elsewhere->setStartDate(local(2014, 5, 1, 9));
    elsewhere->setEndDate(local(2014, 5, 1, 10));
    item->setOccurrence(local(2014, 5, 1, 9));
    EXPECT_FALSE(jobs->saveEventTimeZone(*elsewhere, item, 0));
}

TEST_F(EventTimeZonesTest, OffsetsWestOfGMT)
{
    ScopedTimeZone newYork("America/New_York");
    Clock::setFixed(utc(2014, 1, 15, 12));
    EXPECT_EQ(iCalSyncJobs::calculateOffsetByTimeZone(GregorianCalendar::zoneNamed(QStringLiteral("Europe/Paris"))), 21600);
    EXPECT_EQ(iCalSyncJobs::calculateOffsetByTimeZone(GregorianCalendar::zoneNamed(QStringLiteral("America/New_York"))), 0);
    EXPECT_EQ(iCalSyncJobs::calculateOffsetByTimeZone(QTimeZone()), 18000);
    EXPECT_EQ(jobs->calculateOffset(parisZone), 21600);
    EXPECT_EQ(jobs->calculateOffset(tokyoZone), 50400);

    // An item in the default zone: k is 0 and the offsets cancel.
    setting->setCurrentTZ(parisZone);
    auto item = localEvent(local(2014, 7, 15, 10), local(2014, 7, 15, 11));
    item->setTz(newYorkZone);
    Date start, end;
    ASSERT_TRUE(jobs->reveseTime(item, -1, &start, &end));
    EXPECT_EQ(start, item->startTime());
    EXPECT_EQ(end, item->endTime());

    // Paris in winter seen from New York in winter: six hours.
    item = localEvent(local(2014, 1, 20, 10), local(2014, 1, 20, 11));
    item->setTz(parisZone);
    ASSERT_TRUE(jobs->reveseTime(item, -1, &start, &end));
    EXPECT_EQ(start, utc(2014, 1, 20, 9));

    // A zone the table or the platform does not know gives no dates.
    item->setTz(999999);
    start = Date();
    EXPECT_FALSE(jobs->reveseTime(item, -1, &start, &end));
    EXPECT_FALSE(start);
}
