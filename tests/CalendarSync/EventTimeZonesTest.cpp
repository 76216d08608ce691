#include "CalendarSyncFixture.h"

#include <QFileInfo>

#include <libical/ical.h>

namespace {

// The master VEVENT of a file as libical itself reads it, with the instants
// of its occurrences expanded by libical in the zone the file defines.
struct MasterBack {
    QString tzid;
    QString endTzid;
    QString start;  // the wall-clock DTSTART as written
    QList<Date> occurrences;
};

MasterBack readMasterWithLibical(const QByteArray& bytes, int limit)
{
    MasterBack back;
    icalcomponent* root = icalparser_parse_string(bytes.constData());
    if (!root) return back;
    for (icalcomponent* event = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
        if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) continue;
        icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        icalproperty* end = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY);
        if (!start) break;
        if (icalparameter* tzid = icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER))
            back.tzid = QString::fromUtf8(icalparameter_get_tzid(tzid));
        if (icalparameter* tzid = end ? icalproperty_get_first_parameter(end, ICAL_TZID_PARAMETER) : nullptr)
            back.endTzid = QString::fromUtf8(icalparameter_get_tzid(tzid));
        const icaltimetype wall = icalproperty_get_dtstart(start);
        back.start = QString::fromUtf8(icaltime_as_ical_string(wall));
        icaltimezone* zone = back.tzid.isEmpty() ? nullptr : icalcomponent_get_timezone(root, back.tzid.toUtf8().constData());
        icalproperty* rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        if (!zone || !rule) break;
        icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(rule), wall);
        for (icaltimetype next = icalrecur_iterator_next(it); !icaltime_is_null_time(next) && back.occurrences.size() < limit;
             next = icalrecur_iterator_next(it))
            back.occurrences << Date::dateWithTimeIntervalSince1970(double(icaltime_as_timet_with_zone(next, zone)));
        icalrecur_iterator_free(it);
        break;
    }
    icalcomponent_free(root);
    return back;
}

class EventTimeZonesTest : public CalendarSyncTest {
protected:
    // A store event written by another program in a zone (empty: in UTC).
    CalEventPtr zonedEvent(const Date& start, const QString& zone, bool allDay = false, bool weekly = false)
    {
        if (weekly) {
            // As other programs write a series in UTC (the store writes its
            // own series without a zone as floating).
            const QString stamp = QDateTime::fromSecsSinceEpoch(start.wholeSecondsSince1970(), QTimeZone::utc())
                                      .toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
            const QString uid = QStringLiteral("weekly-") + stamp;
            writeEventFile(uid + QStringLiteral(".ics"),
                           QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
                                          "DTSTART:%2\r\nDURATION:PT1H\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:Call\r\n"
                                          "END:VEVENT\r\nEND:VCALENDAR\r\n")
                               .arg(uid, stamp)
                               .toUtf8());
            return store->eventWithUID(uid, Date());
        }
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

// Times in UTC ("Z", as a file without a zone has them) are instants, held
// in the table's GMT: shown in Paris on a machine in New York on both sides
// of New York's clock change, they are Paris's time of that instant, and
// written back the same instant.
TEST_F(EventTimeZonesTest, EventsWithoutAZoneOrAtGMTAllYearFloat)
{
    constexpr qint64 gmtZone = 56832;
    struct Case {
        const char* name;
        QString zone;
        bool allDay;
        qint64 expectedZone;
        int ownHour;  // of the item, 09:00 in UTC
        const char* machine = "Europe/Paris";
        int day = 20;  // of March 2014: New York changed its clocks on the 9th, Paris on the 30th
        bool weekly = false;
        bool support = true;
        int shownHour = 10;  // in Paris
    };
    const Case cases[] = {
        {"Reykjavik", QStringLiteral("Atlantic/Reykjavik"), false, 0, 10},
        {"UTC", QStringLiteral("UTC"), false, 0, 10},
        {"times in UTC", QString(), false, gmtZone, 9},
        {"times in UTC, on a machine in New York", QString(), false, gmtZone, 9, "America/New_York"},
        {"times in UTC, on a machine in New York, before its clock change", QString(), false, gmtZone, 9,
         "America/New_York", 5},
        // After the machine's own clock change, the instant's summer time.
        {"times in UTC, after Paris's clock change", QString(), false, gmtZone, 9, "Europe/Paris", 31, false, true, 11},
        {"times in UTC, without zone support, after Paris's clock change", QString(), false, gmtZone, 9, "Europe/Paris",
         31, false, false, 11},
        {"a weekly series in UTC", QString(), false, gmtZone, 9, "Europe/Paris", 20, true},
        {"a weekly series in UTC, on a machine in New York", QString(), false, gmtZone, 9, "America/New_York", 5, true},
        {"a weekly series in UTC, without zone support", QString(), false, gmtZone, 9, "Europe/Paris", 20, true, false},
        // Held in its file's zone, shown in the machine's clock.
        {"New York, without zone support, between the two clock changes", QStringLiteral("America/New_York"), false,
         newYorkZone, 5, "Europe/Paris", 20, false, false},
        {"all-day", QString(), true, parisZone, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedTimeZone machine(c.machine);
        setting->setTzSupport(c.support);
        const Date instant = c.allDay ? local(2014, 3, c.day) : utc(2014, 3, c.day, 9);
        const CalEventPtr event = zonedEvent(instant, c.zone, c.allDay, c.weekly);
        const TaskPtr item = imported(event);
        const double length = item->endTime().timeIntervalSinceDate(item->startTime());
        jobs->synchEventTimeZone(*event, item);
        EXPECT_EQ(item->tz(), c.expectedZone);  // "Floating" is entry 0 of the table
        EXPECT_EQ(item->startTime(), local(2014, 3, c.day, c.ownHour));
        EXPECT_EQ(item->endTime().timeIntervalSinceDate(item->startTime()), length);
        EXPECT_EQ(item->prevAllDay(), c.allDay);
        if (c.allDay) continue;
        dataManager().recalculateTimeWithTimezoneSupport(item);
        EXPECT_EQ(GregorianCalendar::fields(item->tzStartTime()).hour, c.shownHour) << "shown in Paris";
        if (c.expectedZone == 0) continue;
        Date start, end;
        ASSERT_TRUE(jobs->reveseTime(item, -1, &start, &end));
        EXPECT_EQ(start, instant);
    }
    setting->setTzSupport(true);
    // London stands at GMT only until its clocks change: it keeps its zone.
    const CalEventPtr london = zonedEvent(utc(2014, 1, 20, 9), QStringLiteral("Europe/London"));
    const TaskPtr item = imported(london);
    jobs->synchEventTimeZone(*london, item);
    EXPECT_EQ(item->tz(), dataManager().getTimeZoneId(QStringLiteral("Europe/London")));
    EXPECT_EQ(item->startTime(), local(2014, 1, 20, 9));
}

// Without zone support the import's times of a file naming no zone (or one
// at GMT all year) are this machine's wall clock, and a zoned item's zone
// becomes the one shown, whatever zone it had (else turning zones on reads
// them as that zone's); a floating item floats on. (Times of another zone
// are held in it: see above.)
// Without the store sync nothing changes.
TEST_F(EventTimeZonesTest, WithoutZoneSupportOrSyncNoZoneFieldChanges)
{
    const CalEventPtr event = zonedEvent(utc(2014, 3, 20, 1), QStringLiteral("Atlantic/Reykjavik"));
    const struct {
        bool support, sync;
        qint64 had, kept;
    } cases[] = {
        {false, true, 12345, setting->currentTZ()},
        {false, true, 0, 0},
        {true, false, 12345, 12345},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.support << c.sync << " " << c.had);
        setting->setTzSupport(c.support);
        dataManager().setBSynciCalEnable(c.sync);
        const TaskPtr item = imported(event);
        item->setTz(c.had);
        const Date start = item->startTime();
        jobs->synchEventTimeZone(*event, item);
        EXPECT_EQ(item->tz(), c.kept);
        EXPECT_EQ(item->startTime(), start);
        EXPECT_FALSE(item->localStartDate());
    }
    dataManager().setBSynciCalEnable(false);
    EXPECT_FALSE(jobs->saveEventTimeZone(*event, imported(event), 0));
}

// The zone view's events of a calendar on the item's day, and among them
// the twin of a store event: the same uid at the same times, as the store
// has it now.
TEST_F(EventTimeZonesTest, TheTwinIsFoundAmongTheDaysEventsByUidAndTimes)
{
    const CalEventPtr mine = zonedEvent(utc(2014, 3, 20, 1), QStringLiteral("Asia/Tokyo"));
    const CalEventPtr other = zonedEvent(utc(2014, 3, 20, 1), QString());
    const CalEventPtr lateEvening = zonedEvent(local(2014, 3, 20, 23, 30), QString());
    const CalEventPtr nextDay = zonedEvent(local(2014, 3, 21, 0, 30), QString());
    auto elsewhere = CalCalendar::calendar();
    elsewhere->setTitle(QStringLiteral("Work"));
    ASSERT_TRUE(store->saveCalendar(elsewhere));
    auto atWork = CalEvent::event();
    atWork->setCalendar(elsewhere);
    atWork->setStartDate(utc(2014, 3, 20, 1));
    atWork->setEndDate(utc(2014, 3, 20, 2));
    ASSERT_TRUE(store->saveEvent(atWork, CalSpanAllEvents));

    const auto day = jobs->getEkEventList(local(2014, 3, 20, 15), storeCalendar);
    ASSERT_TRUE(day);
    QStringList uids;
    for (const EKEventPtr& event : *day) uids << event->eventIdentifier();
    uids.sort();
    QStringList expected{mine->uid(), other->uid(), lateEvening->uid()};
    expected.sort();
    EXPECT_EQ(uids, expected);

    EKEventList withGaps = *day;
    withGaps.prepend(nullptr);
    const EKEventPtr twin = jobs->getEKEvent(withGaps, *mine);
    ASSERT_TRUE(twin);
    EXPECT_EQ(twin->eventIdentifier(), mine->uid());
    EXPECT_EQ(twin->timeZone(), GregorianCalendar::zoneNamed(QStringLiteral("Asia/Tokyo")));
    ASSERT_TRUE(jobs->getEKEvent(*day, *other));
    EXPECT_EQ(jobs->getEKEvent(*day, *other)->eventIdentifier(), other->uid());
    EXPECT_FALSE(jobs->getEKEvent(*day, *atWork));  // at the same times, but not in the list
    EXPECT_FALSE(jobs->getEKEvent({}, *mine));

    // Written again since the list was made: the twin is refreshed first.
    CalEventPtr rezoned = store->eventWithUID(mine->uid(), Date());
    rezoned->setTimeZone(QStringLiteral("America/New_York"));
    ASSERT_TRUE(store->saveEvent(rezoned, CalSpanAllEvents));
    const EKEventPtr fresh = jobs->getEKEvent(*day, *mine);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->timeZone(), GregorianCalendar::zoneNamed(QStringLiteral("America/New_York")));
    EXPECT_EQ(fresh->startDate(), utc(2014, 3, 20, 1));

    EXPECT_FALSE(jobs->getEkEventList(Date(), storeCalendar));
    EXPECT_FALSE(jobs->getEkEventList(local(2014, 3, 20), nullptr));
    dataManager().setBSynciCalEnable(false);
    EXPECT_FALSE(jobs->getEkEventList(local(2014, 3, 20), storeCalendar));
}

// The store's instants of a zoned event become the wall-clock times of the
// item's zone, east and west of Paris.
TEST_F(EventTimeZonesTest, StoreTimesBecomeWallClockTimesOfTheItemsZone)
{
    struct Case {
        const char* name;
        QString zone;
        qint64 zoneId;
        Date start;
        Date itemStart = local(2014, 3, 20, 10);
        Date itemEnd = local(2014, 3, 20, 11);
    };
    const Case cases[] = {
        {"Tokyo", QStringLiteral("Asia/Tokyo"), tokyoZone, utc(2014, 3, 20, 1)},
        {"New York, in daylight saving as now", QStringLiteral("America/New_York"), newYorkZone, utc(2014, 3, 20, 14)},
        // 02:30 New York on the night Paris skips 02:00 to 03:00: held an
        // hour later, as long as it is.
        {"New York, at a time Paris's clock skips", QStringLiteral("America/New_York"), newYorkZone,
         utc(2027, 3, 28, 6, 30), local(2027, 3, 28, 3, 30), local(2027, 3, 28, 4, 30)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CalEventPtr event = zonedEvent(c.start, c.zone);
        const EKEventPtr zoned = jobs->eventStore()->eventWithIdentifier(event->uid());
        ASSERT_TRUE(zoned);
        const TaskPtr item = imported(event);
        item->setTz(c.zoneId);
        Date start, end;
        ASSERT_TRUE(jobs->reveseICalTime(*zoned, item, 1, &start, &end));
        EXPECT_EQ(start, c.itemStart);
        EXPECT_EQ(end, c.itemEnd);
    }

    // No item, or an item in a zone nobody knows: no dates.
    const EKEventPtr zoned = jobs->eventStore()->eventWithIdentifier(zonedEvent(utc(2014, 3, 20, 1), QStringLiteral("Asia/Tokyo"))->uid());
    ASSERT_TRUE(zoned);
    Date start = local(2000, 1, 1), end;
    EXPECT_FALSE(jobs->reveseICalTime(*zoned, nullptr, 1, &start, &end));
    auto unknown = localEvent(local(2014, 3, 20, 10), local(2014, 3, 20, 11));
    unknown->setTz(999999);
    EXPECT_FALSE(jobs->reveseICalTime(*zoned, unknown, 1, &start, &end));
    EXPECT_EQ(start, local(2000, 1, 1));
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

// Every write of the store is a file written to the disk: a zone write
// that would leave the event as it is writes nothing, whatever kind of event.
TEST_F(EventTimeZonesTest, AZoneWriteThatChangesNothingWritesNoFile)
{
    struct Case {
        const char* name;
        Date start;  // the store event's
        QString zone;
        bool allDay;
        qint64 itemZone;
        bool firstWrites;
    };
    const Case cases[] = {
        {"Tokyo, given to an event in UTC", utc(2014, 3, 20, 1), QString(), false, tokyoZone, true},
        {"Tokyo, already there", utc(2014, 3, 20, 1), QStringLiteral("Asia/Tokyo"), false, tokyoZone, false},
        {"no zone", local(2014, 3, 20, 10), QString(), false, 0, false},
        {"all-day", local(2014, 3, 20), QString(), true, tokyoZone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CalEventPtr event = zonedEvent(c.start, c.zone, c.allDay);
        ASSERT_TRUE(event);
        auto item = c.allDay ? localEvent(local(2014, 3, 20), local(2014, 3, 20, 23, 59, 59))
                             : localEvent(local(2014, 3, 20, 10), local(2014, 3, 20, 11));
        item->setIsADE(c.allDay ? 1 : 0);
        item->setTz(c.itemZone);
        item->setICalUID(event->uid());
        const QString name = QFileInfo(store->eventFilePath(event->uid())).fileName();
        FilePlacements placed(calendarFolder() + QStringLiteral("/Events"));
        ASSERT_TRUE(placed.watching());

        EXPECT_TRUE(jobs->saveEventTimeZone(*event, item, EKSpanThisEvent));
        EXPECT_EQ(placed.take(), c.firstWrites ? name.toStdString() : std::string());
        // Given the event as the store now holds it, the same item again.
        const CalEventPtr now = store->eventWithUID(event->uid(), Date());
        ASSERT_TRUE(now);
        EXPECT_TRUE(jobs->saveEventTimeZone(*now, item, EKSpanThisEvent));
        EXPECT_EQ(placed.take(), "");
        const auto back = readBack(event->uid());
        ASSERT_TRUE(back && back->master);
        EXPECT_EQ(back->master->timeZone, c.itemZone && !c.allDay ? QStringLiteral("Asia/Tokyo") : QString());
    }

    // A series already in the item's zone, given its first occurrence with
    // the future span: its master is what the write would make of it.
    auto series = CalEvent::event();
    series->setCalendar(storeCalendar);
    series->setTitle(QStringLiteral("Standup"));
    series->setStartDate(utc(2014, 3, 20, 1));
    series->setEndDate(utc(2014, 3, 20, 2));
    series->setTimeZone(QStringLiteral("Asia/Tokyo"));
    series->setRecurrenceRule(CalRecurrenceRule::initWeeklyRecurrenceWithInterval(
        1, QList<int>{}, CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(4)));
    ASSERT_TRUE(store->saveEvent(series, CalSpanAllEvents));
    const CalEventList firsts = store->eventsWithPredicate(
        CalCalendarStore::eventPredicateWithStartDate(utc(2014, 3, 20), utc(2014, 3, 21), series->uid(), {storeCalendar}));
    ASSERT_EQ(firsts.size(), 1);
    auto item = localEvent(local(2014, 3, 20, 10), local(2014, 3, 20, 11));
    item->setTz(tokyoZone);
    item->setICalUID(series->uid());
    FilePlacements placed(calendarFolder() + QStringLiteral("/Events"));
    EXPECT_TRUE(jobs->saveEventTimeZone(*firsts.first(), item, EKSpanFutureEvents));
    EXPECT_EQ(placed.take(), "");
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

// A repeating event gets its zone on the series' master: the file names the
// zone on DTSTART and DTEND, and every occurrence stays at the item's
// wall-clock time in that zone across the changes of daylight saving of
// New York (9 March, 2 November) and of Paris (30 March, 26 October).
TEST_F(EventTimeZonesTest, AZonedSeriesHasTheZoneOnItsMasterAndKeepsItsWallClockTimes)
{
    auto series = CalEvent::event();
    series->setCalendar(storeCalendar);
    series->setTitle(QStringLiteral("Standup"));
    series->setStartDate(utc(2014, 3, 12, 14));  // 10:00 in New York
    series->setEndDate(utc(2014, 3, 12, 15));
    series->setRecurrenceRule(CalRecurrenceRule::initMonthlyRecurrenceWithInterval(
        1, QList<int>{12}, CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(10)));
    ASSERT_TRUE(store->saveEvent(series, CalSpanAllEvents));
    const CalEventList firsts = store->eventsWithPredicate(
        CalCalendarStore::eventPredicateWithStartDate(utc(2014, 3, 12), utc(2014, 3, 13), series->uid(), {storeCalendar}));
    ASSERT_EQ(firsts.size(), 1);
    ASSERT_FALSE(firsts.first()->isDetached());

    auto item = localEvent(local(2014, 3, 12, 10), local(2014, 3, 12, 11));
    item->setTz(newYorkZone);
    item->setICalUID(series->uid());
    EXPECT_TRUE(jobs->saveEventTimeZone(*firsts.first(), item, EKSpanFutureEvents));

    QFile file(store->eventFilePath(series->uid()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const MasterBack back = readMasterWithLibical(file.readAll(), 20);
    EXPECT_EQ(back.tzid, QStringLiteral("America/New_York"));
    EXPECT_EQ(back.endTzid, QStringLiteral("America/New_York"));
    EXPECT_EQ(back.start, QStringLiteral("20140312T100000"));
    const QTimeZone newYork = GregorianCalendar::zoneNamed(QStringLiteral("America/New_York"));
    ASSERT_EQ(back.occurrences.size(), 10);
    EXPECT_EQ(back.occurrences.first(), utc(2014, 3, 12, 14));
    EXPECT_EQ(back.occurrences.last(), utc(2014, 12, 12, 15));

    // The store's own occurrences, which the next sync reads, agree.
    const CalEventList occurrences = store->eventsWithPredicate(
        CalCalendarStore::eventPredicateWithStartDate(utc(2014, 3, 1), utc(2015, 1, 31), series->uid(), {storeCalendar}));
    ASSERT_EQ(occurrences.size(), 10);
    for (int i = 0; i < occurrences.size(); ++i) {
        SCOPED_TRACE(i);
        const QDateTime wall = QDateTime::fromSecsSinceEpoch(occurrences[i]->startDate().wholeSecondsSince1970(), newYork);
        EXPECT_EQ(wall.time(), QTime(10, 0));
        EXPECT_EQ(wall.date().day(), 12);
        EXPECT_EQ(occurrences[i]->startDate(), back.occurrences[i]);
        EXPECT_EQ(occurrences[i]->endDate(), occurrences[i]->startDate().dateByAddingTimeInterval(3600));
        EXPECT_EQ(occurrences[i]->timeZone(), QStringLiteral("America/New_York"));
    }
}
