// Files shared with other calendar programs: zoned times on every date,
// the zones other producers name, their all-day events, and edits of their
// series. Every file written here is read again by an independent reader.
#include "ExportsFixture.h"

#include "../CalendarStore/IndependentReader.h"
#include "RecordingMainView.h"

#include <libical/ical.h>

#include <functional>

namespace ForeignFilesTests {

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

// The content lines of an iCalendar text, unfolded, as they stand.
QStringList contentLines(const QByteArray& bytes)
{
    QByteArray text = bytes;
    text.replace("\r\n ", "").replace("\r\n\t", "");
    QStringList lines;
    for (const QByteArray& line : text.split('\n'))
        if (!line.trimmed().isEmpty()) lines << QString::fromUtf8(line).remove(QLatin1Char('\r'));
    return lines;
}

// The first DTSTART of a file as libical reads it with the file's own
// definition of its zone (not the system's zone rules).
Date startByOwnZoneDefinition(const QByteArray& bytes)
{
    Date start;
    icalcomponent* root = icalparser_parse_string(bytes.constData());
    icalcomponent* event = root ? icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT) : nullptr;
    icalproperty* property = event ? icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY) : nullptr;
    icalparameter* tzid = property ? icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER) : nullptr;
    icaltimezone* zone = tzid ? icalcomponent_get_timezone(root, icalparameter_get_tzid(tzid)) : nullptr;
    if (zone) start = Date::dateWithTimeIntervalSince1970(double(icaltime_as_timet_with_zone(icalproperty_get_dtstart(property), zone)));
    if (root) icalcomponent_free(root);
    return start;
}

QByteArray fixtureBytes(const QString& name)
{
    QFile file(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

class ForeignFilesTest : public ExportsTest {
protected:
    qint64 zoneId(const QString& name) { return dataManager().getTimeZoneId(name); }

    // The local item the sync makes of a store event.
    TaskPtr imported(const QString& uid)
    {
        const CalEventPtr event = store->eventWithUID(uid, Date());
        if (!event) return nullptr;
        auto item = std::make_shared<Task>();
        sync->updateInfoFromICalEvent(*event, item, Date(), Date());
        sync->synchEventTimeZone(*event, item);
        return item;
    }
    // A file of another program in the calendar's folder, read by a fresh store.
    QString writeForeign(const QString& name, const QByteArray& bytes)
    {
        const QString path = calendarFolder() + QStringLiteral("/Events/") + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        reopenStore();
        return path;
    }

    // The occurrences the store gives a uid between from and to, which the
    // independent reader must find in the file as well.
    CalEventList occurrencesChecked(const QString& uid, const Date& from, const Date& to)
    {
        const CalEventList events = store->eventsWithPredicate(
            CalCalendarStore::eventPredicateWithStartDate(from, to, uid, {storeCalendar}));
        QList<IndependentReader::Occurrence> held;
        for (const CalEventPtr& event : events) held << IndependentReader::Occurrence{event->startDate(), event->endDate(), event->isAllDay()};
        reader.expect(store->eventFilePath(uid), from, to, held);
        return events;
    }
    QString placeFixture(const QString& name)
    {
        return writeForeign(name, fixtureBytes(name));
    }
    // The category stored and linked, as a former sync left it, the
    // automatic sync on, a window of 400 days either side.
    void linkCategoryAsAFormerSyncLeftIt()
    {
        dataManager().doWithCalendarList(std::nullopt, 1);
        category = std::make_shared<Calendar>();
        category->setCalendarName(QStringLiteral("Home"));
        ASSERT_TRUE(dataManager().addCalendarToCalendarList(category, false, false));
        category->setICalUID(storeCalendar->uid());
        ASSERT_TRUE(category->dehydrate());
        setting->setAutoICalSync(1);
        setting->setICalSyncWindowStart(400);
        setting->setICalSyncWindowEnd(400);
    }

    IndependentReader reader;
};

// 10:00 on a summer and a winter day of zones whose daylight saving differs
// from "now" at one of them, wherever "now" is: written by the organizer at
// the right instant, and read from another program's file at 10:00.
TEST_F(ForeignFilesTest, ZonedTimesUseTheZonesOffsetOnTheEventsOwnDate)
{
    struct Case {
        const char* zone;
        int year, month, day;
        Date instant;  // the start there
        int hour = 10, minute = 0;
    };
    const Case cases[] = {
        {"America/New_York", 2027, 7, 15, utc(2027, 7, 15, 14)},
        {"America/New_York", 2027, 12, 15, utc(2027, 12, 15, 15)},
        {"America/Los_Angeles", 2027, 7, 15, utc(2027, 7, 15, 17)},
        {"America/Los_Angeles", 2027, 1, 15, utc(2027, 1, 15, 18)},
        {"Europe/London", 2027, 7, 15, utc(2027, 7, 15, 9)},
        {"Africa/Cairo", 2027, 7, 15, utc(2027, 7, 15, 7)},
        {"Africa/Cairo", 2027, 1, 15, utc(2027, 1, 15, 8)},
        {"Australia/Sydney", 2027, 1, 15, utc(2027, 1, 14, 23)},
        {"Australia/Sydney", 2027, 7, 15, utc(2027, 7, 15, 0)},
        {"Pacific/Auckland", 2027, 1, 15, utc(2027, 1, 14, 21)},
        {"Pacific/Auckland", 2027, 7, 15, utc(2027, 7, 14, 22)},
        {"America/Santiago", 2027, 1, 15, utc(2027, 1, 15, 13)},
        {"America/Santiago", 2027, 7, 15, utc(2027, 7, 15, 14)},
        // The first 2:30 of Paris's repeated hour, where a drag on the day grid leaves it.
        {"America/New_York", 2027, 10, 30, utc(2027, 10, 31, 0, 30), 20, 30},
    };
    const Date nows[] = {local(2026, 12, 8, 12), local(2027, 7, 1, 12)};
    int n = 0;
    for (const Date& now : nows) {
        Clock::setFixed(now);
        for (const Case& c : cases) {
            const QString zone = QString::fromLatin1(c.zone);
            SCOPED_TRACE(QStringLiteral("%1 on %2-%3, now %4").arg(zone).arg(c.month).arg(c.day).arg(Utilities::getMonth(now)).toStdString());
            const qint64 id = zoneId(zone);
            ASSERT_NE(id, 0);

            // Written by the organizer.
            const Date start = local(c.year, c.month, c.day, c.hour, c.minute);
            const Date end = local(c.year, c.month, c.day, c.hour + 1, c.minute);
            TaskPtr item = storedEvent(start, end);
            item->setTz(id);
            ASSERT_TRUE(sync->createNewEventOnICal(item, 1));
            const auto back = readBack(item->iCalUID());
            ASSERT_TRUE(back && back->master);
            EXPECT_EQ(back->master->start, c.instant);
            EXPECT_EQ(back->master->timeZone, zone);
            QFile file(store->eventFilePath(item->iCalUID()));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            // Its own zone definition says the same, and covers only the event's dates.
            EXPECT_EQ(startByOwnZoneDefinition(bytes), c.instant);
            EXPECT_LT(bytes.size(), 1200);
            const auto clock = [](int hour, int minute) -> QString {
                return QStringLiteral("%1%2").arg(hour, 2, 10, QLatin1Char('0')).arg(minute, 2, 10, QLatin1Char('0'))
                       + QStringLiteral("00");
            };
            EXPECT_TRUE(bytes.contains(QStringLiteral("DTSTART;TZID=%1:%2%3%4T%5")
                                                    .arg(zone)
                                                    .arg(c.year)
                                                    .arg(c.month, 2, 10, QLatin1Char('0'))
                                                    .arg(c.day, 2, 10, QLatin1Char('0'))
                                                    .arg(clock(c.hour, c.minute))
                                                    .toUtf8()));
            reader.expect(file.fileName(), c.instant.dateByAddingTimeInterval(-86400),
                          c.instant.dateByAddingTimeInterval(86400),
                          {{c.instant, c.instant.dateByAddingTimeInterval(3600), false}});

            // Written by another program, read into the organizer, and back.
            const QString uid = QStringLiteral("other-%1").arg(++n);
            const QString wall = QStringLiteral("%1%2%3T").arg(c.year).arg(c.month, 2, 10, QLatin1Char('0')).arg(c.day, 2, 10, QLatin1Char('0'));
            writeForeign(uid + QStringLiteral(".ics"),
                           crlf(QStringLiteral("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Other//EN\nBEGIN:VEVENT\nUID:%1\n"
                                               "DTSTAMP:20260101T000000Z\nDTSTART;TZID=%2:%3\n"
                                               "DTEND;TZID=%2:%4\nSUMMARY:Call\nEND:VEVENT\nEND:VCALENDAR\n")
                                    .arg(uid, zone, wall + clock(c.hour, c.minute), wall + clock(c.hour + 1, c.minute))
                                    .toUtf8()));
            const TaskPtr read = imported(uid);
            ASSERT_TRUE(read);
            EXPECT_EQ(read->tz(), id);
            EXPECT_EQ(read->startTime(), start);
            EXPECT_EQ(read->endTime(), end);
            Date instant, instantEnd;
            ASSERT_TRUE(sync->reveseTime(read, -1, &instant, &instantEnd));
            EXPECT_EQ(instant, c.instant);
            EXPECT_EQ(instantEnd, c.instant.dateByAddingTimeInterval(3600));
        }
    }
    reader.verify();
}

// Zones named otherwise than by IANA are read as the file defines them:
// Windows ids, a prefixed IANA name, and a name only the file's own
// VTIMEZONE explains (its series crosses the end of daylight saving).
TEST_F(ForeignFilesTest, ZonesNamedOtherwiseAreReadByTheirMeaning)
{
    Clock::setFixed(local(2026, 12, 8, 12));
    struct Case {
        const char* fixture;
        const char* uid;
        QList<Date> starts;
        const char* zone;  // the organizer's zone, "" for a floating item
        Date localStart;   // the item's start
    };
    const Case cases[] = {
        {"windows-zone-name.ics", "040000008200E00074C5B7101A82E00800000000B0E5C4F7A1D9DA0100000000000000001000000045A1C27F3D8E",
         {utc(2027, 7, 15, 16)}, "America/Los_Angeles", local(2027, 7, 15, 9)},
        {"windows-zone-tokyo.ics", "3F2504E0-4F89-11D3-9A0C-0305E82C3301", {utc(2027, 7, 15, 0)}, "Asia/Tokyo", local(2027, 7, 15, 9)},
        {"prefixed-tzid.ics", "b6e7f1a2-5c3d-4e8f-9a0b-1c2d3e4f5a6b", {utc(2027, 7, 15, 3)}, "Asia/Tokyo",
         local(2027, 7, 15, 12)},
        {"display-name-zone.ics", "9C1E6A1B-7D2F-4E55-8A3B-2F6D0C4B7E91",
         {utc(2027, 10, 25, 13), utc(2027, 11, 1, 13), utc(2027, 11, 8, 14)}, "", local(2027, 10, 25, 15)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        placeFixture(QString::fromLatin1(c.fixture));
        const QString uid = QString::fromLatin1(c.uid);
        QList<Date> starts;
        for (const CalEventPtr& event : occurrencesChecked(uid, local(2027, 7, 1), local(2027, 12, 1))) starts << event->startDate();
        EXPECT_EQ(starts, c.starts);
        const TaskPtr item = imported(uid);
        ASSERT_TRUE(item);
        EXPECT_EQ(dataManager().getTimeZoneName(item->tz()), *c.zone ? QString::fromLatin1(c.zone) : QStringLiteral("Floating"));
        EXPECT_EQ(item->startTime(), c.localStart);
    }
    reader.verify();
}

// A DTEND equal to its DTSTART on an all-day event: one day, as RFC 5545
// reads it, in the store and in the organizer.
TEST_F(ForeignFilesTest, AnAllDayEventEndingOnItsStartLastsItsDay)
{
    placeFixture(QStringLiteral("all-day-same-end.ics"));
    const QString uid = QStringLiteral("20260301T101500Z-4711@example.com");
    const CalEventList events = occurrencesChecked(uid, local(2027, 7, 1), local(2027, 8, 1));
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events.first()->startDate(), local(2027, 7, 15));
    EXPECT_EQ(events.first()->endDate(), local(2027, 7, 16));
    const TaskPtr item = imported(uid);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->isADE(), 1);
    EXPECT_EQ(item->startTime(), local(2027, 7, 15));
    EXPECT_EQ(item->endTime(), local(2027, 7, 15, 23, 59, 59));
    reader.verify();
}

// Another program changed or deleted the first occurrence of a series; the
// organizer's rename of the whole series still reaches the file, and the
// other occurrences and the outside change stay.
TEST_F(ForeignFilesTest, AnEditOfASeriesWhoseFirstOccurrenceChangedOutsideIsWritten)
{
    enum Outside { Deleted, Moved };
    for (const Outside outside : {Deleted, Moved}) {
        SCOPED_TRACE(outside == Deleted ? "first occurrence deleted" : "first occurrence moved");
        TaskPtr series = storedEvent(local(2027, 7, 12, 9), local(2027, 7, 12, 10), 1);
        series->setRepeatType(2);  // weekly
        ASSERT_TRUE(sync->createNewEventOnICal(series, 1));
        const QString uid = series->iCalUID();

        auto other = CalCalendarStore::create(storeFolder.path());
        const CalEventList firsts = other->eventsWithPredicate(
            CalCalendarStore::eventPredicateWithStartDate(local(2027, 7, 12), local(2027, 7, 13), uid,
                                                         {other->calendarWithUID(storeCalendar->uid())}));
        ASSERT_EQ(firsts.size(), 1);
        if (outside == Deleted) {
            ASSERT_TRUE(other->removeEvent(firsts.first(), CalSpanThisEvent));
        } else {
            firsts.first()->setStartDate(local(2027, 7, 12, 11));
            firsts.first()->setEndDate(local(2027, 7, 12, 12));
            ASSERT_TRUE(other->saveEvent(firsts.first(), CalSpanThisEvent));
        }
        reopenStore();

        series->setTaskName(QStringLiteral("Renamed"));
        series->setLocalStartDate(series->startTime());
        series->setLocalEndDate(series->endTime());
        sync->backgroundOneWaySyncUpdateToICalEvent(series, 1);
        settle();
        const auto back = readBack(uid);
        ASSERT_TRUE(back && back->master && back->master->rule);
        EXPECT_EQ(back->master->title, QStringLiteral("Renamed"));
        EXPECT_EQ(back->master->start, local(2027, 7, 12, 9));
        EXPECT_EQ(back->overrides.size(), outside == Moved ? 1 : 0);
        EXPECT_EQ(back->master->exceptionDates.size(), outside == Deleted ? 1 : 0);
        const CalEventList weeks = occurrencesChecked(uid, local(2027, 7, 10), local(2027, 8, 1));
        ASSERT_EQ(weeks.size(), outside == Deleted ? 2 : 3);
        EXPECT_EQ(weeks.last()->title(), QStringLiteral("Renamed"));
        EXPECT_EQ(weeks.last()->startDate(), local(2027, 7, 26, 9));
    }
    reader.verify();
}

// Renaming another program's event in the organizer writes the new title
// and leaves every other line of the file as it was: rules the organizer
// shows only approximately (or not at all), RDATEs, the file's zone
// spelling and definition, alarms and unknown properties. The occurrences
// stay where they were.
TEST_F(ForeignFilesTest, ARenameKeepsEveryPropertyTheUserDidNotTouch)
{
    Clock::setFixed(local(2027, 7, 10, 12));
    setting->setICalSyncWindowStart(400);
    setting->setICalSyncWindowEnd(400);
    struct Case {
        const char* fixture;
        const char* uid;
        const char* title;  // as the file has it
        int occurrences;    // in July to December 2027
        bool zoneSupport = true;  // when the file is read and renamed
    };
    const Case cases[] = {
        {"bysetpos.ics", "5h8k2m4n6p8r0t2v4x6z8b0d2f@calendar.example.com", "SUMMARY:Month-end report", 6},
        {"last-day-of-month.ics", "6A0E4C1B-3D7F-4B2A-9E81-52C7D0F3A4B6", "SUMMARY:Pay rent", 6},
        {"yearly-fourth-thursday.ics", "thanksgiving-2027@example.com", "SUMMARY:Thanksgiving", 1},
        {"hourly.ics", "hourly-check@example.com", "SUMMARY:Check the oven", 4},
        // Two properties libical cannot read: each stays as the file had it.
        {"two-links.ics", "venue-visit-2027@example.com", "SUMMARY:Venue visit", 1},
        {"rdate.ics", "c1d2e3f4-a5b6-4c7d-8e9f-0a1b2c3d4e5f", "SUMMARY:Physio", 3},
        // Its UNTIL at the end of its last day in UTC ends it on that day here too.
        {"daily-all-day-until-end-of-day-utc.ics", "conference-days-2027@web.example", "SUMMARY:Conference", 3},
        {"cancelled-occurrence.ics", "reading-group-2027@desktop.example", "SUMMARY:Reading group", 4},
        {"windows-zone-name.ics", "040000008200E00074C5B7101A82E00800000000B0E5C4F7A1D9DA0100000000000000001000000045A1C27F3D8E",
         "SUMMARY;LANGUAGE=en-us:Planning", 1},
        // Held at this machine's clock in Paris, it must not be written so:
        // its Monday between the two zones' clock changes would move.
        {"weekly-new-york-autumn.ics", "weekly-review-new-york-2027@desktop.example", "SUMMARY:Weekly review", 12, false},
    };
    const Date from = local(2027, 7, 1), to = local(2028, 1, 1);
    for (const bool zoneSupport : {true, false}) {
        setting->setTzSupport(zoneSupport);
        for (const Case& c : cases)
            if (c.zoneSupport == zoneSupport) placeFixture(QString::fromLatin1(c.fixture));
        sync->backgroundFullSync();
        for (const Case& c : cases) {
            if (c.zoneSupport != zoneSupport) continue;
            SCOPED_TRACE(c.fixture);
            const QString uid = QString::fromLatin1(c.uid);
            QList<std::pair<Date, Date>> before;
            for (const CalEventPtr& event : occurrencesChecked(uid, from, to)) before.append({event->startDate(), event->endDate()});
            EXPECT_EQ(before.size(), c.occurrences);
            TaskPtr root;
            for (const TaskPtr& event : dataManager().getAllRootEvents())
                if (event->iCalUID() == uid) root = event;
            ASSERT_TRUE(root);

            root->setTaskName(QStringLiteral("Renamed"));
            root->setLocalStartDate(root->startTime());
            root->setLocalEndDate(root->endTime());
            root->setPrevtz(root->tz());
            root->setPrevAllDay(root->isADE());
            sync->backgroundOneWaySyncUpdateToICalEvent(root, 1);
            settle();

            QFile file(store->eventFilePath(uid));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QStringList after = contentLines(file.readAll());
            // The new title keeps the language the file gave the old one.
            EXPECT_TRUE(after.contains(QString::fromLatin1(c.title).section(QLatin1Char(':'), 0, 0) + QStringLiteral(":Renamed")));
            for (const QString& line : contentLines(fixtureBytes(QString::fromLatin1(c.fixture)))) {
                if (line.startsWith(QLatin1String("DTSTAMP:")) || line == QLatin1String(c.title)) continue;
                EXPECT_TRUE(after.contains(line)) << "lost: " << line.toStdString();
            }
            QList<std::pair<Date, Date>> now;
            for (const CalEventPtr& event : occurrencesChecked(uid, from, to)) {
                now.append({event->startDate(), event->endDate()});
                EXPECT_EQ(event->title(), QStringLiteral("Renamed"));
            }
            EXPECT_EQ(now, before);
        }
    }
    reader.verify();
}

// The occurrences the organizer shows of series with extra dates (RDATE),
// with and without a rule, and with a change carried on to the later
// occurrences (RANGE=THISANDFUTURE): where the independent reader finds
// them, after a first sync and after a second one over the rows it made.
TEST_F(ForeignFilesTest, ExtraDatesAndChangesToTheEndOfTheSeriesShowInTheOrganizer)
{
    Clock::setFixed(local(2027, 7, 1, 12));
    setting->setICalSyncWindowEnd(400);
    const struct {
        const char* fixture;
        const char* uid;
        const char* readBy;  // what the independent reader reads for it (it applies no RANGE)
        int occurrences;
    } cases[] = {
        {"rrule-rdate.ics", "choir-2027@desktop.example", "rrule-rdate.ics", 4},
        {"rdate.ics", "c1d2e3f4-a5b6-4c7d-8e9f-0a1b2c3d4e5f", "rdate.ics", 3},
        {"range-this-and-future.ics", "course-2027@desktop.example", "range-this-and-future-spelled-out.ics", 7},
        {"cancelled-occurrence.ics", "reading-group-2027@desktop.example", "cancelled-occurrence.ics", 4},
        // Called off as a whole: not shown, and kept in the file.
        {"cancelled-series.ics", "tennis-2027@desktop.example", "cancelled-series.ics", 0},
        {"cancelled-event.ics", "dentist-2027@desktop.example", "cancelled-event.ics", 0},
    };
    for (const auto& c : cases) placeFixture(QString::fromLatin1(c.fixture));
    const Date from = local(2027, 7, 1), to = local(2027, 10, 31);
    for (int pass = 0; pass < 2; ++pass) {
        sync->backgroundFullSync();
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.fixture) + " pass " + std::to_string(pass));
            // What the views show: the instances of a repeating root, or the root, and its changed occurrences.
            EXPECT_FALSE(store->eventFilePath(QString::fromLatin1(c.uid)).isEmpty()) << "the file keeps the event";
            const TaskPtr root = dataManager().getRootEventWithUID(QString::fromLatin1(c.uid));
            if (c.occurrences == 0) {
                EXPECT_FALSE(root);
                reader.expect(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QLatin1String(c.readBy), from, to, {});
                continue;
            }
            ASSERT_TRUE(root);
            TaskList items = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
            if (root->repeatType() != 0) dataManager().fillRepeatEventInstances({root}, items, from, to);
            else items << root;
            QList<IndependentReader::Occurrence> found;
            for (const TaskPtr& item : items) found << IndependentReader::Occurrence{item->startTime(), item->endTime()};
            EXPECT_EQ(found.size(), c.occurrences);
            reader.expect(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QLatin1String(c.readBy), from, to, found);
        }
        reader.verify();
    }
}

// Series whose start is not where their rule puts occurrences (a weekly
// Monday series from a Tuesday, counted or ended by a date, timed and
// all-day, with a changed occurrence) and a daily rule on weekdays only:
// the start is the first occurrence, and the organizer shows what the
// independent reader shows, after a first sync and a second one.
TEST_F(ForeignFilesTest, SeriesStartingOffTheirRuleShowWhatOtherReadersShow)
{
    Clock::setFixed(local(2027, 1, 2, 12));
    setting->setICalSyncWindowEnd(400);
    const auto event = [](const char* lines) {
        return crlf(QByteArray("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Other//EN\n") + lines + "END:VCALENDAR\n");
    };
    const struct {
        const char* uid;
        QByteArray file;
        int occurrences;
    } cases[] = {
        {"off@x",
         event("BEGIN:VEVENT\nUID:off@x\nSUMMARY:Offday series\nDTSTART;TZID=Europe/Paris:20270202T100000\n"
               "DTEND;TZID=Europe/Paris:20270202T110000\nRRULE:FREQ=WEEKLY;UNTIL=20270301T090000Z;BYDAY=MO\nEND:VEVENT\n"
               "BEGIN:VEVENT\nUID:off@x\nSUMMARY:Offday change\nRECURRENCE-ID;TZID=Europe/Paris:20270215T100000\n"
               "DTSTART;TZID=Europe/Paris:20270215T150000\nDTEND;TZID=Europe/Paris:20270215T160000\nEND:VEVENT\n"),
         5},
        {"weekdays@x",
         event("BEGIN:VEVENT\nUID:weekdays@x\nSUMMARY:Standup\nDTSTART:20270104T080000Z\nDTEND:20270104T081500Z\n"
               "RRULE:FREQ=DAILY;COUNT=10;BYDAY=MO,TU,WE,TH,FR\nEND:VEVENT\n"),
         10},
        {"counted@x",
         event("BEGIN:VEVENT\nUID:counted@x\nSUMMARY:Bins\nDTSTART;VALUE=DATE:20270106\nDTEND;VALUE=DATE:20270107\n"
               "RRULE:FREQ=WEEKLY;COUNT=4;BYDAY=MO,FR\nEND:VEVENT\n"),
         5},
    };
    QStringList paths;
    for (const auto& c : cases) paths << writeForeign(QString::fromLatin1(c.uid) + QStringLiteral(".ics"), c.file);
    const Date from = local(2027, 1, 1), to = local(2027, 4, 1);
    for (int pass = 0; pass < 2; ++pass) {
        sync->backgroundFullSync();
        for (qsizetype i = 0; i < paths.size(); ++i) {
            SCOPED_TRACE(std::string(cases[i].uid) + " pass " + std::to_string(pass));
            const TaskPtr root = dataManager().getRootEventWithUID(QString::fromLatin1(cases[i].uid));
            ASSERT_TRUE(root);
            TaskList items = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
            dataManager().fillRepeatEventInstances({root}, items, from, to);
            QList<IndependentReader::Occurrence> found;
            for (const TaskPtr& item : items) {
                const bool allDay = item->isADE() != 0;
                found << IndependentReader::Occurrence{allDay ? item->startTime() : instantOf(item->startTime(), *item),
                                                       allDay ? Utilities::newDateFromDate(item->endTime(), 1) : instantOf(item->endTime(), *item), allDay};
            }
            EXPECT_EQ(found.size(), cases[i].occurrences);
            reader.expect(paths[i], from, to, found);
        }
        reader.verify();
    }
}

// Rules of the four kinds with parts the organizer's rules have not (a
// weekday of a week of May, the last weekday or day of a month, every other
// week from Monday) show on the days the independent reader shows, after a
// first sync and a second one; one the organizer holds (the second Tuesday
// of every month from a second Tuesday) is read as its own repetition.
TEST_F(ForeignFilesTest, RulesTheOrganizerCannotHoldShowTheReadersDays)
{
    Clock::setFixed(local(2027, 1, 2, 12));
    setting->setICalSyncWindowEnd(600);
    const auto event = [](const char* uid, const char* start, const char* rule) {
        return crlf(QByteArray("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Other//EN\nBEGIN:VEVENT\nUID:") + uid
                    + "\nSUMMARY:Rule\nDTSTART;TZID=Europe/Paris:" + start + "\nDURATION:PT1H\nRRULE:" + rule
                    + "\nEND:VEVENT\nEND:VCALENDAR\n");
    };
    const struct {
        const char* uid;
        QByteArray file;
        int occurrences;
        bool repeats;  // the organizer holds the rule itself
    } cases[] = {
        {"mothers-day@x", event("mothers-day@x", "20270509T100000", "FREQ=YEARLY;COUNT=2;BYMONTH=5;BYDAY=2SU"), 2, false},
        {"last-weekday@x", event("last-weekday@x", "20270129T090000", "FREQ=MONTHLY;COUNT=4;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1"), 4, false},
        {"month-end@x", event("month-end@x", "20270131T090000", "FREQ=MONTHLY;COUNT=4;BYMONTHDAY=-1"), 4, false},
        {"monday-weeks@x", event("monday-weeks@x", "20270105T090000", "FREQ=WEEKLY;INTERVAL=2;WKST=MO;COUNT=6;BYDAY=TU,SU"), 6, false},
        {"second-tuesday@x", event("second-tuesday@x", "20270112T090000", "FREQ=MONTHLY;COUNT=3;BYDAY=2TU"), 3, true},
    };
    QStringList paths;
    for (const auto& c : cases) paths << writeForeign(QString::fromLatin1(c.uid) + QStringLiteral(".ics"), c.file);
    const Date from = local(2027, 1, 1), to = local(2028, 12, 31);
    for (int pass = 0; pass < 2; ++pass) {
        sync->backgroundFullSync();
        for (qsizetype i = 0; i < paths.size(); ++i) {
            SCOPED_TRACE(std::string(cases[i].uid) + " pass " + std::to_string(pass));
            const TaskPtr root = dataManager().getRootEventWithUID(QString::fromLatin1(cases[i].uid));
            ASSERT_TRUE(root);
            EXPECT_EQ(root->repeatType() != 0, cases[i].repeats);
            TaskList items = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
            if (root->repeatType() != 0) dataManager().fillRepeatEventInstances({root}, items, from, to);
            else items << root;
            QList<IndependentReader::Occurrence> found;
            for (const TaskPtr& item : items) found << IndependentReader::Occurrence{item->startTime(), item->endTime()};
            EXPECT_EQ(found.size(), cases[i].occurrences);
            reader.expect(paths[i], from, to, found);
        }
        reader.verify();
    }
}

}  // namespace ForeignFilesTests

namespace ForeignFilesTests {

// Every column of every row, in key order.
QStringList allRows(sqlite3* db)
{
    QStringList rows;
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT * FROM Tasks ORDER BY primaryKey", -1, &statement, nullptr), SQLITE_OK);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList columns;
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
        rows << columns.join(QLatin1Char('|'));
    }
    sqlite3_finalize(statement);
    return rows;
}

// Files of other programs (tasks done and open, with and without a due date;
// an event of a duration with extra dates; a counted weekly series the
// organizer moves off its weekday): a full sync over files that did not
// change leaves every row byte for byte as it was, and an edit of a whole
// series shows on every occurrence of it at once.
TEST_F(ForeignFilesTest, AFullSyncOverUnchangedFilesWritesNoRowAndAnEditReachesEveryOccurrence)
{
    Clock::setFixed(local(2027, 6, 20, 12));
    linkCategoryAsAFormerSyncLeftIt();
    for (const char* task : {"task.ics", "due-date-only.ics", "task-done-no-due.ics"}) {
        QFile file(calendarFolder() + QStringLiteral("/Tasks/") + QLatin1String(task));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(fixtureBytes(QLatin1String(task)));
    }
    placeFixture(QStringLiteral("duration-rdate.ics"));
    placeFixture(QStringLiteral("counted-weekly-swimming.ics"));
    placeFixture(QStringLiteral("cancelled-occurrence.ics"));
    const QString lessons = QStringLiteral("lessons-2027@desktop.example"), swimming = QStringLiteral("swimming-2027@desktop.example");
    const QString reading = QStringLiteral("reading-group-2027@desktop.example");  // one of five called off
    const Date from = local(2027, 6, 1), to = local(2027, 12, 31);
    const auto shown = [&](const QString& uid) {
        const TaskPtr root = dataManager().getRootEventWithUID(uid);
        TaskList items = root ? dataManager().getAllDetachedEventWithParentID(root->primaryKey()) : TaskList();
        if (root && root->repeatType() == 0) items << root;
        else if (root) dataManager().fillRepeatEventInstances({root}, items, from, to);
        std::sort(items.begin(), items.end(), [](const TaskPtr& a, const TaskPtr& b) { return a->startTime() < b->startTime(); });
        return items;
    };
    sync->backgroundFullSync();
    ASSERT_EQ(shown(lessons).size(), 6);
    ASSERT_EQ(shown(swimming).size(), 5);
    ASSERT_EQ(shown(reading).size(), 4);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskType = 1")), 3);

    // The counted series a day later, off its Mondays.
    TaskPtr first = shown(swimming).first();
    first->setStartTime(Utilities::newDateFromDate(first->startTime(), 86400));
    first->setEndTime(Utilities::newDateFromDate(first->endTime(), 86400));
    ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(first));
    settle();
    EXPECT_EQ(shown(swimming).size(), 5) << "moved";

    struct Step {
        const char* name;
        std::function<void()> change;  // none: a start over unchanged files
    };
    const Step steps[] = {
        {"a start after the move", nullptr},
        {"a retitle of the series with extra dates",
         [&] {
             const TaskPtr root = dataManager().getRootEventWithUID(lessons);
             root->setTaskName(QStringLiteral("Piano"));
             ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(root));
         }},
        {"a start after the retitle", nullptr},
        {"a move of the series with extra dates",
         [&] {
             const TaskPtr root = dataManager().getRootEventWithUID(lessons);
             root->setStartTime(Utilities::newDateFromDate(root->startTime(), 3600));
             root->setEndTime(Utilities::newDateFromDate(root->endTime(), 3600));
             ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(root));
         }},
        {"a start after the move", nullptr},
    };
    // What the file says of the series with extra dates, as khal lists it.
    const auto fileOccurrences = [&] {
        QList<IndependentReader::Occurrence> held;
        for (const CalEventPtr& event : store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(from, to, lessons, {storeCalendar})))
            held << IndependentReader::Occurrence{event->startDate(), event->endDate()};
        return held;
    };
    int days = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Clock::setFixed(local(2027, 6, 20 + ++days, 12));  // a written row would show it
        if (step.change) {
            step.change();
            settle();
            // Every occurrence at once, as the file has it.
            const TaskList items = shown(lessons);
            const QList<IndependentReader::Occurrence> held = fileOccurrences();
            ASSERT_EQ(items.size(), held.size());
            for (qsizetype i = 0; i < items.size(); ++i) {
                EXPECT_EQ(items[i]->taskName(), QStringLiteral("Piano")) << i;
                EXPECT_EQ(items[i]->startTime(), held[i].start) << i;
                EXPECT_EQ(items[i]->endTime(), held[i].end) << i;
            }
            reader.expect(store->eventFilePath(lessons), from, to, held, {}, IndependentReader::AlsoKhal::Yes);
            reader.verify();
            continue;
        }
        const QStringList before = allRows(db());
        sync->backgroundFullSync();
        const QStringList after = allRows(db());
        EXPECT_EQ(after.join(QLatin1Char('\n')).toStdString(), before.join(QLatin1Char('\n')).toStdString());
        EXPECT_EQ(shown(swimming).size(), 5);
        EXPECT_EQ(shown(lessons).size(), 6);
        EXPECT_EQ(shown(reading).size(), 4);
    }
}

}  // namespace ForeignFilesTests


namespace ForeignFilesTests {

// Edits in the window in front of series shown one by one (a rule the
// organizer cannot hold, extra dates alone) and of one with categories: a
// deleted occurrence leaves the rest of the file, a moved start shows every
// occurrence where the file now has it at once (the views reload), a moved
// occurrence keeps the categories.
TEST_F(ForeignFilesTest, EditsOfSeriesShownOneByOneKeepTheFileAndShowAtOnce)
{
    Clock::setFixed(utc(2026, 12, 10, 3));
    linkCategoryAsAFormerSyncLeftIt();
    RecordingMainView view;
    view.windowVisible = true;
    view.keyWindow = true;
    enum Action { DeleteOne, MoveStart, MoveOne };
    const struct {
        const char* uid;
        const char* lines;
        Action action;
        Date occurrence;  // the one deleted or moved alone
        int occurrences;  // shown afterwards from 25 November to 10 February
    } cases[] = {
        {"other-week@x", "DTSTART:20261201T100000Z\nDURATION:PT30M\nRRULE:FREQ=WEEKLY;INTERVAL=2;WKST=MO;BYDAY=SU,TU",
         DeleteOne, utc(2026, 12, 6, 10), 10},
        {"last-weekday@x", "DTSTART:20261130T180000Z\nDURATION:PT1H\nRRULE:FREQ=MONTHLY;BYSETPOS=-1;BYDAY=MO,TU,WE,TH,FR",
         DeleteOne, utc(2026, 12, 31, 18), 2},
        {"setpos@x", "DTSTART:20261130T120000Z\nDURATION:PT1H\nRRULE:FREQ=MONTHLY;BYSETPOS=-1;BYDAY=MO,TU,WE,TH,FR", MoveStart, {}, 3},
        {"month-end@x", "DTSTART:20261130T120000Z\nDURATION:PT1H\nRRULE:FREQ=MONTHLY;BYMONTHDAY=-1", MoveStart, {}, 3},
        {"extra-dates@x", "DTSTART:20261208T150000Z\nDURATION:PT1H30M\nRDATE:20261210T150000Z,20261217T160000Z", MoveStart, {}, 3},
        {"counted@x", "DTSTART;TZID=Europe/Berlin:20261211T130000\nDURATION:PT1H\nRRULE:FREQ=WEEKLY;COUNT=4\nCATEGORIES:Work",
         MoveOne, utc(2026, 12, 18, 12), 4},
    };
    QStringList paths;
    for (const auto& c : cases)
        paths << writeForeign(QString::fromLatin1(c.uid) + QStringLiteral(".ics"),
                              crlf(QByteArray("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Other//EN\nBEGIN:VEVENT\nUID:") + c.uid
                                   + "\nDTSTAMP:20261120T100000Z\nSUMMARY:Series\n" + c.lines + "\nEND:VEVENT\nEND:VCALENDAR\n"));
    sync->backgroundFullSync();
    const Date from = utc(2026, 11, 25), to = utc(2027, 2, 10);
    const auto editAndCheck = [&](const auto& c, const QString& path) {  // a lambda: one failure hides no other
        SCOPED_TRACE(c.uid);
        const QString uid = QString::fromLatin1(c.uid);
        const TaskPtr root = dataManager().getRootEventWithUID(uid);
        ASSERT_TRUE(root);
        TaskList items = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
        if (c.action != MoveStart) dataManager().fillRepeatEventInstances({root}, items, c.occurrence, c.occurrence);
        const auto one = std::find_if(items.begin(), items.end(), [&](const TaskPtr& r) { return instantOf(r->startTime(), *r) == c.occurrence; });
        ASSERT_TRUE(c.action == MoveStart || one != items.end());
        const TaskPtr moved = c.action == MoveStart ? root : *one;
        moved->setStartTime(Utilities::newDateFromDate(moved->startTime(), 3600));
        moved->setEndTime(Utilities::newDateFromDate(moved->endTime(), 3600));
        view.clearCalls();
        ASSERT_TRUE(c.action == DeleteOne   ? bool(dataManager().doDeleteOnlyThisOperatorWithEvent(moved))
                    : c.action == MoveStart ? dataManager().doEditAllOperatorWithEvent(moved)
                                            : dataManager().doEditOnlyThisOperatorWithEvent(moved));
        settle();
        ASSERT_TRUE(QFile::exists(path));
        EXPECT_EQ(view.calls().contains(QStringLiteral("reload")), c.action == MoveStart);
        // What the organizer now shows is what the file says.
        const TaskPtr now = dataManager().getRootEventWithUID(uid);
        items.clear();
        for (const TaskPtr& row : dataManager().getAllDetachedEventWithParentID(now->primaryKey()))
            if (row->startTime() >= from && row->startTime() < to) items << row;
        if (now->repeatType() != 0) dataManager().fillRepeatEventInstances({now}, items, from, to);
        else items << now;
        std::sort(items.begin(), items.end(), [](const TaskPtr& a, const TaskPtr& b) { return a->startTime() < b->startTime(); });
        const CalEventList held = occurrencesChecked(uid, from, to);
        ASSERT_EQ(items.size(), c.occurrences);
        ASSERT_EQ(held.size(), c.occurrences);
        for (qsizetype k = 0; k < items.size(); ++k) EXPECT_EQ(instantOf(items[k]->startTime(), *items[k]), held[k]->startDate()) << k;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        if (c.action == MoveOne) {
            EXPECT_EQ(contentLines(file.readAll()).count(QStringLiteral("CATEGORIES:Work")), 2);
        }
    };
    for (qsizetype i = 0; i < paths.size(); ++i) editAndCheck(cases[i], paths[i]);
    reader.verify();
}

}  // namespace ForeignFilesTests
