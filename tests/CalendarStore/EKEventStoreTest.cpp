#include "EKEventStore.h"
#include "StoreFixture.h"

#include <libical/ical.h>

namespace {

// The zone view over a calendar folder filled with files as other programs
// write them (times in Paris, the tests' zone).
class EKEventStoreTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        events = makeCalendarFolder(QStringLiteral("OTHER"), QStringLiteral("Other")) + QStringLiteral("/Events/");
        for (const QString& name : {QStringLiteral("bare-line-feeds.ics"), QStringLiteral("exdate-several.ics"),
                                    QStringLiteral("override-before-master.ics"), QStringLiteral("unknown-tzid.ics")})
            writeBytes(events + name, fixture(name));
        makeCalendarFolder(QStringLiteral("EMPTY"), QStringLiteral("Empty"));
        zoneView = std::make_unique<EKEventStore>(store);
    }

    EKEventList between(const Date& from, const Date& to, const QString& uid = QString())
    {
        const CalCalendarList calendars{zoneView->calendarWithIdentifier(QStringLiteral("OTHER"))};
        const CalPredicate predicate = uid.isEmpty()
                                           ? EKEventStore::predicateForEventsWithStartDate(from, to, calendars)
                                           : EKEventStore::predicateForEventsWithStartDate(from, to, uid, calendars);
        CalError error;
        const auto found = zoneView->eventsMatchingPredicate(predicate, &error);
        EXPECT_TRUE(found) << error.text.toStdString();
        EXPECT_TRUE(error.ok());
        return found.value_or(EKEventList());
    }

    // The one occurrence of the weekly series on a day of March 2014.
    EKEventPtr weeklyOn(int day)
    {
        const EKEventList found =
            between(paris(2014, 3, day), paris(2014, 3, day, 23, 59, 59), QStringLiteral("override-first-1"));
        EXPECT_EQ(found.size(), 1);
        return found.value(0);
    }

    // The TZID and wall-clock DTSTART of each VEVENT of the series' file, as
    // libical reads them, in file order.
    QStringList startsInFile(const QString& name) const
    {
        QStringList starts;
        const QByteArray bytes = readBytes(events + name);
        icalcomponent* root = icalparser_parse_string(bytes.constData());
        if (!root) return starts;
        for (icalcomponent* event = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); event;
             event = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
            icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
            icalparameter* tzid = start ? icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER) : nullptr;
            starts << QStringLiteral("%1 %2").arg(tzid ? QString::fromUtf8(icalparameter_get_tzid(tzid)) : QStringLiteral("-"),
                                                 start ? QString::fromUtf8(icaltime_as_ical_string(icalproperty_get_dtstart(start)))
                                                       : QString());
        }
        icalcomponent_free(root);
        return starts;
    }

    QString events;
    std::unique_ptr<EKEventStore> zoneView;
};

}  // namespace

TEST_F(EKEventStoreTest, CalendarsAreFoundByTheirUid)
{
    const CalCalendarPtr other = zoneView->calendarWithIdentifier(QStringLiteral("OTHER"));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->title(), QStringLiteral("Other"));
    EXPECT_FALSE(zoneView->calendarWithIdentifier(QString()));
    EXPECT_FALSE(zoneView->calendarWithIdentifier(QStringLiteral("Other")));  // a title is no uid
    EXPECT_FALSE(zoneView->calendarWithIdentifier(QStringLiteral("MISSING")));
    EXPECT_EQ(zoneView->calendarStore(), store);
}

// One event per occurrence, in start order, each with the zone its file
// writes its times in; the uid form keeps one event's occurrences only.
TEST_F(EKEventStoreTest, PredicatesGiveOccurrencesWithTheirZones)
{
    const EKEventList march = between(paris(2014, 3, 1), paris(2014, 3, 31, 23, 59, 59));
    QStringList seen;
    for (const EKEventPtr& event : march) {
        const DateFields f = GregorianCalendar::fields(event->startDate());
        seen << QStringLiteral("%1 %2 %3 %4%5")
                    .arg(event->eventIdentifier())
                    .arg(f.day)
                    .arg(f.hour)
                    .arg(event->timeZone().isValid() ? QString::fromUtf8(event->timeZone().id()) : QStringLiteral("-"))
                    .arg(event->isDetached() ? QStringLiteral(" moved") : QString());
    }
    EXPECT_EQ(seen.join(QStringLiteral(" | ")).toStdString(),
              QStringList({QStringLiteral("exdates-1 3 9 -"), QStringLiteral("override-first-1 4 9 Europe/Paris"),
                           QStringLiteral("exdates-1 5 9 -"), QStringLiteral("exdates-1 7 9 -"),
                           QStringLiteral("exdates-1 9 9 -"), QStringLiteral("exdates-1 10 9 -"),
                           QStringLiteral("exdates-1 11 9 -"), QStringLiteral("override-first-1 11 14 Europe/Paris moved"),
                           QStringLiteral("exdates-1 12 9 -"), QStringLiteral("override-first-1 18 9 Europe/Paris"),
                           QStringLiteral("override-first-1 25 9 Europe/Paris"), QStringLiteral("bare-lf-1 25 11 -"),
                           QStringLiteral("unknown-zone-1 27 10 -")})
                  .join(QStringLiteral(" | "))
                  .toStdString());

    const EKEventList weekly = between(paris(2014, 3, 1), paris(2014, 3, 31), QStringLiteral("override-first-1"));
    ASSERT_EQ(weekly.size(), 4);
    for (const EKEventPtr& event : weekly) {
        EXPECT_EQ(event->eventIdentifier(), QStringLiteral("override-first-1"));
        EXPECT_EQ(event->endDate(), event->startDate().dateByAddingTimeInterval(3600));
        EXPECT_EQ(event->recurrenceRules().size(), 1);  // a changed occurrence carries its series' rule
    }
    EXPECT_EQ(weekly[1]->occurrence(), paris(2014, 3, 11, 9));
    EXPECT_TRUE(between(paris(2014, 4, 1), paris(2014, 4, 30)).isEmpty());

    // A query of events over a calendar that holds none, and one that is no
    // event query, are told apart.
    const auto none = zoneView->eventsMatchingPredicate(EKEventStore::predicateForEventsWithStartDate(
        paris(2014, 3, 1), paris(2014, 3, 31), {zoneView->calendarWithIdentifier(QStringLiteral("EMPTY"))}));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
    CalError error;
    EXPECT_FALSE(zoneView->eventsMatchingPredicate(CalCalendarStore::taskPredicateWithCalendars(store->calendars()), &error));
    EXPECT_EQ(error.code, CalError::Code::Refused);
}

TEST_F(EKEventStoreTest, AnIdentifierGivesTheSeries)
{
    const EKEventPtr series = zoneView->eventWithIdentifier(QStringLiteral("override-first-1"));
    ASSERT_TRUE(series);
    EXPECT_EQ(series->startDate(), paris(2014, 3, 4, 9));
    EXPECT_EQ(series->endDate(), paris(2014, 3, 4, 10));
    EXPECT_EQ(series->timeZone(), GregorianCalendar::zoneNamed(QStringLiteral("Europe/Paris")));
    EXPECT_FALSE(series->isDetached());
    ASSERT_TRUE(series->hasRecurrenceRules());
    const QList<CalRecurrenceRule> rules = series->recurrenceRules();
    ASSERT_EQ(rules.size(), 1);
    EXPECT_EQ(rules.first().recurrenceType(), CalRecurrenceRule::Weekly);
    ASSERT_TRUE(rules.first().recurrenceEnd());
    EXPECT_EQ(rules.first().recurrenceEnd()->occurrenceCount(), 4);

    const EKEventPtr single = zoneView->eventWithIdentifier(QStringLiteral("bare-lf-1"));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->startDate(), utc(2014, 3, 25, 10));
    EXPECT_FALSE(single->hasRecurrenceRules());
    EXPECT_TRUE(single->recurrenceRules().isEmpty());
    EXPECT_FALSE(single->timeZone().isValid());
    // A zone the platform does not know is read in the system zone and named nowhere.
    const EKEventPtr unknown = zoneView->eventWithIdentifier(QStringLiteral("unknown-zone-1"));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->startDate(), paris(2014, 3, 27, 10));
    EXPECT_FALSE(unknown->timeZone().isValid());

    EXPECT_FALSE(zoneView->eventWithIdentifier(QString()));
    EXPECT_FALSE(zoneView->eventWithIdentifier(QStringLiteral("missing")));
}

// Span 0 changes one occurrence; span 1 that one and those after it, the
// earlier ones keeping their zone. A zone keeps the instants and writes
// them as its own wall-clock times.
TEST_F(EKEventStoreTest, SavesWriteTheZoneForTheSpanGiven)
{
    const QString name = QStringLiteral("override-before-master.ics");
    const QTimeZone tokyo = GregorianCalendar::zoneNamed(QStringLiteral("Asia/Tokyo"));
    EKEventPtr eighteenth = weeklyOn(18);
    ASSERT_TRUE(eighteenth);
    eighteenth->setTimeZone(tokyo);
    CalError error;
    ASSERT_TRUE(zoneView->saveEvent(eighteenth, EKSpanThisEvent, true, &error)) << error.text.toStdString();
    EXPECT_EQ(startsInFile(name),
              QStringList({QStringLiteral("Europe/Paris 20140311T140000"), QStringLiteral("Europe/Paris 20140304T090000"),
                           QStringLiteral("Asia/Tokyo 20140318T170000")}));
    EKEventPtr again = weeklyOn(18);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isDetached());
    EXPECT_EQ(again->timeZone(), tokyo);
    EXPECT_EQ(again->startDate(), paris(2014, 3, 18, 9));
    EXPECT_EQ(weeklyOn(25)->timeZone(), GregorianCalendar::zoneNamed(QStringLiteral("Europe/Paris")));

    // From the 25th on: the series ends before it and goes on in a new one.
    EKEventPtr twentyFifth = weeklyOn(25);
    ASSERT_TRUE(twentyFifth);
    twentyFifth->setTimeZone(tokyo);
    twentyFifth->setStartDate(paris(2014, 3, 25, 8));
    twentyFifth->setEndDate(paris(2014, 3, 25, 9));
    ASSERT_TRUE(zoneView->saveEvent(twentyFifth, EKSpanFutureEvents, true, &error)) << error.text.toStdString();
    EXPECT_NE(twentyFifth->eventIdentifier(), QStringLiteral("override-first-1"));
    QStringList uids;
    for (const EKEventPtr& event : between(paris(2014, 3, 1), paris(2014, 3, 31), QStringLiteral("override-first-1")))
        uids << event->eventIdentifier();
    EXPECT_EQ(uids.size(), 3);  // the 4th, the moved 11th and the 18th
    const EKEventPtr continued = zoneView->eventWithIdentifier(twentyFifth->eventIdentifier());
    ASSERT_TRUE(continued);
    EXPECT_EQ(continued->startDate(), paris(2014, 3, 25, 8));
    EXPECT_EQ(continued->timeZone(), tokyo);

    // The series saved as a whole, without a zone: wall-clock times of the
    // system zone, in which it repeats across clock changes.
    EKEventPtr series = zoneView->eventWithIdentifier(QStringLiteral("override-first-1"));
    ASSERT_TRUE(series);
    series->setTimeZone(QTimeZone());
    ASSERT_TRUE(zoneView->saveEvent(series, EKSpanThisEvent, false, &error)) << error.text.toStdString();
    EXPECT_EQ(startsInFile(name).value(1), QStringLiteral("- 20140304T090000"));
    EXPECT_FALSE(zoneView->eventWithIdentifier(QStringLiteral("override-first-1"))->timeZone().isValid());

    EXPECT_FALSE(zoneView->saveEvent(nullptr, EKSpanThisEvent, true, &error));
    EXPECT_EQ(error.code, CalError::Code::Refused);
}

TEST_F(EKEventStoreTest, RefreshTakesTheStoresStateAgain)
{
    EKEventPtr occurrence = weeklyOn(18);
    EKEventPtr series = zoneView->eventWithIdentifier(QStringLiteral("override-first-1"));
    ASSERT_TRUE(occurrence && series);
    occurrence->setStartDate(paris(2014, 3, 18, 7));  // an unsaved change is dropped
    ASSERT_TRUE(occurrence->refresh());
    EXPECT_EQ(occurrence->startDate(), paris(2014, 3, 18, 9));

    // Written through the store behind it: the held events see it on refresh.
    CalEventPtr changed = store->eventWithUID(QStringLiteral("override-first-1"), Date());
    ASSERT_TRUE(changed);
    changed->setTimeZone(QStringLiteral("Asia/Tokyo"));
    ASSERT_TRUE(store->saveEvent(changed, CalSpanAllEvents));
    EXPECT_EQ(series->timeZone(), GregorianCalendar::zoneNamed(QStringLiteral("Europe/Paris")));
    ASSERT_TRUE(series->refresh());
    EXPECT_EQ(series->timeZone(), GregorianCalendar::zoneNamed(QStringLiteral("Asia/Tokyo")));
    ASSERT_TRUE(occurrence->refresh());
    EXPECT_EQ(occurrence->timeZone(), GregorianCalendar::zoneNamed(QStringLiteral("Asia/Tokyo")));
    EXPECT_EQ(occurrence->startDate(), paris(2014, 3, 18, 9));

    // An event that does not repeat is the same event after a move.
    EKEventPtr single = between(paris(2014, 3, 25), paris(2014, 3, 25, 23, 59, 59), QStringLiteral("bare-lf-1")).value(0);
    ASSERT_TRUE(single);
    CalEventPtr later = store->eventWithUID(QStringLiteral("bare-lf-1"), Date());
    ASSERT_TRUE(later);
    later->setStartDate(utc(2014, 3, 26, 10));
    later->setEndDate(utc(2014, 3, 26, 11));
    ASSERT_TRUE(store->saveEvent(later, CalSpanAllEvents));
    EXPECT_TRUE(single->refresh());
    EXPECT_EQ(single->startDate(), utc(2014, 3, 26, 10));
    EXPECT_EQ(single->endDate(), utc(2014, 3, 26, 11));

    // Gone from the store: no refresh, the last state stays.
    ASSERT_TRUE(store->removeEvent(changed, CalSpanAllEvents));
    EXPECT_FALSE(series->refresh());
    EXPECT_FALSE(occurrence->refresh());
    EXPECT_EQ(series->startDate(), paris(2014, 3, 4, 9));
    EXPECT_EQ(series->eventIdentifier(), QStringLiteral("override-first-1"));

    // Nor when the store itself is gone.
    EKEventPtr held = zoneView->eventWithIdentifier(QStringLiteral("bare-lf-1"));
    ASSERT_TRUE(held);
    zoneView.reset();
    CalCalendarStore::setDefaultCalendarStore(nullptr);
    store.reset();
    EXPECT_FALSE(held->refresh());
    EXPECT_EQ(held->startDate(), utc(2014, 3, 26, 10));
}
