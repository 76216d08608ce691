// Files other programs write with more than one series in them: events of
// other uids, extra dates (RDATE) and changes that carry on to the end of
// the series (RANGE=THISANDFUTURE), checked with the independent reader.
#include "StoreFixture.h"

#include "IndependentReader.h"

#include <QRegularExpression>

namespace {

using ForeignComponentsTest = StoreFixture;

// The VEVENTs of the other uid of two-uids.ics, as they stand in a file.
QStringList reviewEvents(const QByteArray& bytes)
{
    static const QRegularExpression event(QStringLiteral("BEGIN:VEVENT\r\nUID:review-91c2.*?END:VEVENT\r\n"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QStringList found;
    for (const QRegularExpressionMatch& m : event.globalMatch(QString::fromUtf8(bytes))) found << m.captured();
    return found;
}

// What the store holds of a uid between two dates, for the independent reader.
QList<IndependentReader::Occurrence> held(const QString& root, const QString& uid, const Date& from, const Date& to)
{
    const auto store = CalCalendarStore::create(root);
    QList<IndependentReader::Occurrence> found;
    for (const CalEventPtr& e :
         store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(from, to, uid, store->calendars())))
        found << IndependentReader::Occurrence{e->startDate(), e->endDate(), e->isAllDay()};
    return found;
}

// An edit or a removal of one uid's event keeps every VEVENT of another uid
// in the file as it was.
TEST_F(ForeignComponentsTest, WritesTouchOnlyTheComponentsOfTheirOwnUid)
{
    enum Write { RemoveSeries, RemoveOccurrence, RemoveFromOccurrenceOn, ChangeOccurrence, MoveSeries, MoveToOtherCalendar };
    const int standUpLeft[] = {0, 3, 1, 4, 4, 4};  // of 4 occurrences
    const QString standUp = QStringLiteral("standup-7f3a@groupware.example");
    const QString path = makeCalendarFolder(QStringLiteral("TEAM"), QStringLiteral("Team")) + QStringLiteral("/Events/two-uids.ics");
    const CalCalendarPtr other = newCalendar(QStringLiteral("Other"));
    const Date from = paris(2027, 7, 1), to = paris(2027, 9, 1), secondWeek = paris(2027, 7, 19, 9);
    const QStringList review = reviewEvents(fixture(QStringLiteral("two-uids.ics")));
    ASSERT_EQ(review.size(), 2);  // its master and the change of the second week, which the other uid has too
    IndependentReader reader;
    for (const Write write : {RemoveSeries, RemoveOccurrence, RemoveFromOccurrenceOn, ChangeOccurrence, MoveSeries, MoveToOtherCalendar}) {
        SCOPED_TRACE(write);
        QFile::remove(root() + QLatin1Char('/') + other->uid() + QStringLiteral(".calendar/Events/two-uids.ics"));
        writeBytes(path, fixture(QStringLiteral("two-uids.ics")));
        store = CalCalendarStore::create(root());
        const CalEventPtr event = store->eventWithUID(standUp, write <= RemoveSeries || write >= MoveSeries ? Date() : secondWeek);
        ASSERT_TRUE(event);
        const int span = write == RemoveFromOccurrenceOn ? CalSpanFutureEvents
                         : write == RemoveOccurrence || write == ChangeOccurrence ? CalSpanThisEvent : CalSpanAllEvents;
        if (write == ChangeOccurrence || write == MoveSeries) {
            event->setStartDate(event->startDate().dateByAddingTimeInterval(1800));
            event->setEndDate(event->endDate().dateByAddingTimeInterval(1800));
        }
        if (write == MoveToOtherCalendar) event->setCalendar(other);
        ASSERT_TRUE(write <= RemoveFromOccurrenceOn ? store->removeEvent(event, span) : store->saveEvent(event, span));

        EXPECT_EQ(reviewEvents(readBytes(path)), review);
        EXPECT_EQ(held(root(), standUp, from, to).size(), standUpLeft[write]);
        if (write == RemoveSeries) {  // the file is the other uid's now, and reads as its event
            reader.expect(path, from, to, held(root(), QStringLiteral("review-91c2@groupware.example"), from, to));
            reader.verify();
        }
    }
}

// Extra dates and changes carried on to the end of a series show where the
// independent reader shows them, and every edit keeps them.
TEST_F(ForeignComponentsTest, ExtraDatesAndChangesToTheEndOfTheSeriesShowAndSurviveEdits)
{
    struct Case {
        const char* fixture;
        const char* uid;
        const char* readBy;  // what the independent reader reads for it (it applies no RANGE)
        int occurrences;
        Date extraDate;  // one of its RDATEs
        QStringList keptLines;
    };
    const Case cases[] = {
        {"rrule-rdate.ics", "choir-2027@desktop.example", "rrule-rdate.ics", 4, paris(2027, 7, 8, 18),
         {QStringLiteral("RDATE;TZID=Europe/Berlin:20270708T180000")}},
        {"rdate.ics", "c1d2e3f4-a5b6-4c7d-8e9f-0a1b2c3d4e5f", "rdate.ics", 3, paris(2027, 8, 5, 14),
         {QStringLiteral("RDATE;TZID=Europe/Berlin:20270722T140000,20270805T140000")}},
        {"rdate-all-day.ics", "bins-2027@desktop.example", "rdate-all-day.ics", 3, paris(2027, 8, 30),
         {QStringLiteral("RDATE;VALUE=DATE:20270816,20270830")}},
        {"range-this-and-future.ics", "course-2027@desktop.example", "range-this-and-future-spelled-out.ics", 7,
         paris(2027, 9, 9, 10),
         {QStringLiteral("RDATE;TZID=Europe/Berlin:20270909T100000"),
          QStringLiteral("RECURRENCE-ID;RANGE=THISANDFUTURE;TZID=Europe/Berlin:20270921T100000")}},
    };
    enum Edit { None, RenameSeries, RenameChanges, RenameAnExtraDate, MoveSeries };
    const QString events = makeCalendarFolder(QStringLiteral("HOME"), QStringLiteral("Home")) + QStringLiteral("/Events/");
    const Date from = paris(2027, 7, 1), to = paris(2027, 11, 1);
    IndependentReader reader;
    for (const Case& c : cases) {
        const QString uid = QString::fromLatin1(c.uid), path = events + QString::fromLatin1(c.fixture);
        const bool readsItself = QLatin1String(c.readBy) == QLatin1String(c.fixture);
        writeBytes(path, fixture(QString::fromLatin1(c.fixture)));
        for (const Edit edit : {None, RenameSeries, RenameChanges, RenameAnExtraDate, MoveSeries}) {
            SCOPED_TRACE(std::string(c.fixture) + " edit " + std::to_string(edit));
            if (edit == MoveSeries && !readsItself) continue;
            store = CalCalendarStore::create(root());
            const CalEventPtr series = store->eventWithUID(uid, Date());
            if (edit == RenameSeries || edit == MoveSeries) {
                // Moved by a day or an hour: the extra dates go along.
                const double by = edit == RenameSeries ? 0 : series->isAllDay() ? 86400 : 3600;
                series->setTitle(QStringLiteral("Renamed"));
                series->setStartDate(series->startDate().dateByAddingTimeInterval(by));
                series->setEndDate(series->endDate().dateByAddingTimeInterval(by));
                ASSERT_TRUE(store->saveEvent(series, CalSpanAllEvents));
            }
            for (const CalEventPtr& e : eventsBetween(from, to)) {
                const bool extra = e->occurrence() == c.extraDate && edit == RenameAnExtraDate;
                if (!extra && !(e->isDetached() && edit == RenameChanges)) continue;
                e->setTitle(e->title() + QStringLiteral(" once"));
                ASSERT_TRUE(store->saveEvent(e, CalSpanThisEvent));
            }
            EXPECT_EQ(store->eventWithUID(uid, Date())->title(), series->title());
            const QByteArray bytes = readBytes(path);
            for (const QString& line : edit == MoveSeries ? QStringList() : c.keptLines)
                EXPECT_TRUE(bytes.contains(line.toUtf8())) << "lost: " << line.toStdString();

            const auto found = held(root(), uid, from, to);
            EXPECT_EQ(found.size(), c.occurrences);
            reader.expect(readsItself ? path : QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QLatin1String(c.readBy), from, to, found);
            reader.verify();  // before the next edit rewrites the file
        }
        QFile::remove(path);
    }

    // The moved part of the series carries the change's own fields.
    writeBytes(events + QStringLiteral("range.ics"), fixture(QStringLiteral("range-this-and-future.ics")));
    store = CalCalendarStore::create(root());
    const CalEventPtr later = store->eventWithUID(QStringLiteral("course-2027@desktop.example"), paris(2027, 10, 5, 10));
    ASSERT_TRUE(later);
    EXPECT_EQ(later->title().toStdString(), "Course (afternoons)");
    EXPECT_EQ(later->startDate(), paris(2027, 10, 5, 14, 30));
    EXPECT_EQ(later->endDate(), paris(2027, 10, 5, 16));
}

}  // namespace

// Another program's VEVENT whose uid holds a control character (the format
// forbids them; libical writes the text without it) keeps its line as it
// was, and never lends it to the organizer's own: after an edit the event
// still reads back under its own uid, with the edit, whether the other
// VEVENT comes before it or after.
TEST_F(ForeignComponentsTest, AnotherUidWithAControlCharacterStaysAsItWasAndApart)
{
    const QByteArray weekly = "BEGIN:VEVENT\r\nUID:weekly\r\nDTSTART:20140304T090000Z\r\nSUMMARY:Weekly\r\n"
                              "RRULE:FREQ=WEEKLY;COUNT=4\r\nEND:VEVENT\r\n";
    const struct {
        QByteArray other;
        bool first;
    } cases[] = {
        {"BEGIN:VEVENT\r\nUID:week\rly\r\nRECURRENCE-ID:20140311T090000Z\r\nDTSTART:20140311T100000Z\r\nEND:VEVENT\r\n", false},
        {"BEGIN:VEVENT\r\nUID:weekly\r&\r\nDTSTART:20140305T090000Z\r\nSUMMARY:Other\r\nEND:VEVENT\r\n", true},
    };
    const QString path = makeCalendarFolder(QStringLiteral("TEAM"), QStringLiteral("Team")) + QStringLiteral("/Events/cr.ics");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        writeBytes(path, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\n" + (c.first ? c.other + weekly : weekly + c.other)
                             + "END:VCALENDAR\r\n");
        store = CalCalendarStore::create(root());
        const CalEventPtr event = store->eventWithUID(QStringLiteral("weekly"), Date());
        ASSERT_TRUE(event);
        event->setTitle(QStringLiteral("Weekly review"));
        ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
        const CalEventPtr back = CalCalendarStore::create(root())->eventWithUID(QStringLiteral("weekly"), Date());
        ASSERT_TRUE(back) << readBytes(path).toStdString();
        EXPECT_EQ(back->title(), QStringLiteral("Weekly review"));
        EXPECT_TRUE(readBytes(path).contains(c.other)) << readBytes(path).toStdString();
    }
}

// A zone name holding a control character names no zone, so its times are
// read in the system zone; libical writes the name without the character,
// where it names the file's own zone. An edit writes such times anew, so
// they stay where they were read, start and end alike.
TEST_F(ForeignComponentsTest, AZoneNameWithAControlCharacterKeepsItsTimesThroughAnEdit)
{
    const QString path = makeCalendarFolder(QStringLiteral("TEAM"), QStringLiteral("Team")) + QStringLiteral("/Events/zone.ics");
    QByteArray bytes = fixture(QStringLiteral("display-name-zone.ics"));
    const QByteArray named = "DTSTART;TZID=\"(UTC-05:00) Eastern Time (US & Canada)\"";
    for (const QByteArray& broken : {QByteArray("DTSTART;TZID=\"(UTC-05:00) Eastern Time\x1f(US & Canada)\""),
                                     QByteArray("DTSTART;TZID=\"(UTC-05:00) Eastern\x07 Time (US & Canada)\"")}) {
        writeBytes(path, QByteArray(bytes).replace(named, broken));
        store = CalCalendarStore::create(root());
        const QString uid = QStringLiteral("9C1E6A1B-7D2F-4E55-8A3B-2F6D0C4B7E91");
        const CalEventPtr event = store->eventWithUID(uid, Date());
        ASSERT_TRUE(event);
        const Date start = event->startDate(), end = event->endDate();
        event->setTitle(QStringLiteral("Weekly sync, renamed"));
        ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
        const CalEventPtr back = CalCalendarStore::create(root())->eventWithUID(uid, Date());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->title(), QStringLiteral("Weekly sync, renamed"));
        EXPECT_EQ(back->startDate(), start) << readBytes(path).toStdString();
        EXPECT_EQ(back->endDate(), end);
    }
}

// Files of broken structure, as a fuzzer made them: a VEVENT left open
// around another, lines cut by NULs, two definitions of one zone name of
// which none reads, a uid whose escape reads as a blank at its end, a
// VEVENT with two UIDs, a UID line without its colon beside changed
// occurrences of uids with a carriage return (after components libical
// does not write). An edit of the series the file is read as gives a file
// read as the same series, at the same times, with the edit.
TEST_F(ForeignComponentsTest, ABrokenFileReadsAsTheSameSeriesAfterAnEdit)
{
    const QString folder = makeCalendarFolder(QStringLiteral("TEAM"), QStringLiteral("Team"));
    for (const char* name :
         {"broken-nested-events.ics", "broken-nul-lines.ics", "broken-zone-definition.ics", "broken-escape-in-uid.ics",
          "broken-uid-twice.ics", "broken-uid-without-colon.ics"}) {
        SCOPED_TRACE(name);
        const QString path = folder + QStringLiteral("/Events/broken.ics");
        writeBytes(path, fixture(QString::fromLatin1(name)));
        store = CalCalendarStore::create(root());
        const auto series = [this] {
            return store->eventsWithPredicate(
                CalCalendarStore::eventPredicateWithStartDate(utc(2010, 1, 1), utc(2030, 1, 1), store->calendars()));
        };
        const CalEventList before = series();
        ASSERT_FALSE(before.isEmpty());
        const CalEventPtr event = store->eventWithUID(before.first()->uid(), Date());
        ASSERT_TRUE(event);
        event->setTitle(QStringLiteral("Renamed"));
        ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
        store = CalCalendarStore::create(root());
        const CalEventList after = series();
        EXPECT_EQ(after.size(), before.size()) << readBytes(path).toStdString();
        for (qsizetype i = 0; i < std::min(after.size(), before.size()); ++i) {
            EXPECT_EQ(after[i]->uid(), before[i]->uid()) << i;
            EXPECT_EQ(after[i]->startDate(), before[i]->startDate()) << i;
            EXPECT_EQ(after[i]->endDate(), before[i]->endDate()) << i;
        }
        const CalEventPtr back = store->eventWithUID(before.first()->uid(), Date());
        EXPECT_TRUE(back && back->title() == QStringLiteral("Renamed"));
        QFile::remove(path);
    }
}

// A file may be a stream of several calendar objects. The second one's
// event of another uid is kept whole through every write of the first
// one's series, and the independent reader finds both events' occurrences
// in what the store wrote; once the first series is removed the file reads
// as the second one's event.
TEST_F(ForeignComponentsTest, AStreamOfCalendarObjectsKeepsTheOthersThroughEveryWrite)
{
    enum Write { Retitle, MoveSeries, RemoveOccurrence, ChangeOccurrence, RemoveSeries };
    const int yogaLeft[] = {4, 4, 3, 4, 0};
    const QString yoga = QStringLiteral("yoga-2027@desktop.example"), dentist = QStringLiteral("dentist-2027@desktop.example");
    const QString path = makeCalendarFolder(QStringLiteral("HOME"), QStringLiteral("Home")) + QStringLiteral("/Events/two.ics");
    const QByteArray bytes = fixture(QStringLiteral("two-calendars.ics"));
    const QByteArray second = bytes.mid(bytes.indexOf("BEGIN:VCALENDAR", 1));
    const Date from = utc(2027, 7, 1), to = utc(2027, 9, 1), secondWeek = utc(2027, 7, 13, 17);
    IndependentReader reader;
    for (const Write write : {Retitle, MoveSeries, RemoveOccurrence, ChangeOccurrence, RemoveSeries}) {
        SCOPED_TRACE(write);
        writeBytes(path, bytes);
        store = CalCalendarStore::create(root());
        const CalEventPtr event = store->eventWithUID(yoga, write == RemoveOccurrence || write == ChangeOccurrence ? secondWeek : Date());
        ASSERT_TRUE(event);
        const int span = write == RemoveOccurrence || write == ChangeOccurrence ? CalSpanThisEvent : CalSpanAllEvents;
        event->setTitle(QStringLiteral("Yoga, renamed"));
        if (write == MoveSeries || write == ChangeOccurrence) {
            event->setStartDate(event->startDate().dateByAddingTimeInterval(3600));
            event->setEndDate(event->endDate().dateByAddingTimeInterval(3600));
        }
        ASSERT_TRUE(write == RemoveOccurrence || write == RemoveSeries ? store->removeEvent(event, span) : store->saveEvent(event, span));

        const QByteArray written = readBytes(path);
        EXPECT_TRUE(written.endsWith(second)) << written.toStdString();
        EXPECT_EQ(held(root(), yoga, from, to).size(), yogaLeft[write]);
        const auto shown = held(root(), dentist, from, to);
        EXPECT_EQ(shown.size(), write == RemoveSeries ? 1 : 0);  // the file is the first series' while it has one
        reader.expect(path, from, to, held(root(), yoga, from, to) + QList{IndependentReader::Occurrence{paris(2027, 7, 14, 10), paris(2027, 7, 14, 10, 30)}});
        reader.verify();
    }
}

// A uid whose ends libical reads as blanks (an escaped control character,
// which the format forbids) is read without them, and an edit gives a file
// that reads back as the same event; a uid of nothing else is read as other
// readers read it, without its control characters.
TEST_F(ForeignComponentsTest, AUidWithAnEscapedControlCharacterReadsBackAfterAnEdit)
{
    const struct {
        QByteArray uid;
        const char* read;  // nullptr: no event
    } cases[] = {
        {"\\\x01swim", "swim"},
        {"swim\\\x1f", "swim"},
        {"\\\x01swim\\\x02", "swim"},
        {"\\\x01", "\\"},
        {"\\\x01 \\\x7f", "\\ \\"},
    };
    const QString path = makeCalendarFolder(QStringLiteral("HOME"), QStringLiteral("Home")) + QStringLiteral("/Events/swim.ics");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uid.toStdString());
        writeBytes(path, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\nUID:" + c.uid
                             + "\r\nDTSTART:20270705T070000Z\r\nDTEND:20270705T080000Z\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
                               "SUMMARY:Swim\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
        store = CalCalendarStore::create(root());
        const CalEventList listed = eventsBetween(utc(2027, 7, 1), utc(2027, 8, 1));
        if (!c.read) {
            EXPECT_TRUE(listed.isEmpty()) << listed.first()->uid().toStdString();
            continue;
        }
        ASSERT_EQ(listed.size(), 3);
        EXPECT_EQ(listed.first()->uid(), QLatin1String(c.read));
        const CalEventPtr event = store->eventWithUID(QLatin1String(c.read), Date());
        ASSERT_TRUE(event);
        event->setTitle(QStringLiteral("Swim early"));
        ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
        const CalEventPtr back = CalCalendarStore::create(root())->eventWithUID(QLatin1String(c.read), Date());
        ASSERT_TRUE(back) << readBytes(path).toStdString();
        EXPECT_EQ(back->title(), QStringLiteral("Swim early"));
        EXPECT_FALSE(readBytes(path).contains("UID: ")) << readBytes(path).toStdString();
    }
}
