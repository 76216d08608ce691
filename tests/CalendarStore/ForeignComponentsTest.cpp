// Files other programs write with more in them than one series: events of
// other uids beside it, extra dates (RDATE) and changes that carry on to
// the end of the series (RANGE=THISANDFUTURE). Occurrences are checked
// with the independent reader.
#include "StoreFixture.h"

#include "IndependentReader.h"

namespace {

using ForeignComponentsTest = StoreFixture;

const QString standUp = QStringLiteral("standup-7f3a@groupware.example");
const QString review = QStringLiteral("review-91c2@groupware.example");

// The content lines of a file, unfolded, without DTSTAMP (which a write renews).
QStringList linesOf(const QByteArray& bytes)
{
    QByteArray text = bytes;
    text.replace("\r\n ", "").replace("\r\n\t", "");
    QStringList lines;
    for (const QByteArray& line : text.split('\n')) {
        const QString l = QString::fromUtf8(line).remove(QLatin1Char('\r'));
        if (!l.isEmpty() && !l.startsWith(QLatin1String("DTSTAMP"))) lines << l;
    }
    return lines;
}

// The lines of the VEVENTs of one uid, in file order.
QStringList eventLinesOf(const QStringList& lines, const QString& uid)
{
    QStringList found, current;
    for (const QString& line : lines) {
        if (line == QLatin1String("BEGIN:VEVENT")) current = {line};
        else if (!current.isEmpty()) current << line;
        if (line == QLatin1String("END:VEVENT")) {
            if (current.contains(QStringLiteral("UID:") + uid)) found += current;
            current.clear();
        }
    }
    return found;
}

// An edit or a removal of one uid's event rewrites its own components and
// keeps every component of another uid in the file as it was.
TEST_F(ForeignComponentsTest, WritesTouchOnlyTheComponentsOfTheirOwnUid)
{
    struct Case {
        const char* name;
        std::function<bool(CalCalendarStore&, const CalCalendarPtr& other)> write;
        int standUpOccurrences;  // left in the store
    };
    const Date secondWeek = paris(2027, 7, 19, 9, 0);
    const Case cases[] = {
        {"removal of the series", [](CalCalendarStore& s, const CalCalendarPtr&) {
             return s.removeEvent(s.eventWithUID(standUp, Date()), CalSpanAllEvents); }, 0},
        {"removal of an occurrence the other uid changed too", [&](CalCalendarStore& s, const CalCalendarPtr&) {
             return s.removeEvent(s.eventWithUID(standUp, secondWeek), CalSpanThisEvent); }, 3},
        {"removal from that occurrence on", [&](CalCalendarStore& s, const CalCalendarPtr&) {
             return s.removeEvent(s.eventWithUID(standUp, secondWeek), CalSpanFutureEvents); }, 1},
        {"change of that occurrence", [&](CalCalendarStore& s, const CalCalendarPtr&) {
             const CalEventPtr e = s.eventWithUID(standUp, secondWeek);
             e->setStartDate(paris(2027, 7, 19, 9, 30));
             e->setEndDate(paris(2027, 7, 19, 9, 45));
             return s.saveEvent(e, CalSpanThisEvent); }, 4},
        {"series moved by an hour", [](CalCalendarStore& s, const CalCalendarPtr&) {
             const CalEventPtr e = s.eventWithUID(standUp, Date());
             e->setStartDate(paris(2027, 7, 12, 10, 0));
             e->setEndDate(paris(2027, 7, 12, 10, 15));
             return s.saveEvent(e, CalSpanAllEvents); }, 4},
        {"series moved to another calendar", [](CalCalendarStore& s, const CalCalendarPtr& other) {
             const CalEventPtr e = s.eventWithUID(standUp, Date());
             e->setCalendar(other);
             return s.saveEvent(e, CalSpanAllEvents); }, 4},
    };
    const QString path = makeCalendarFolder(QStringLiteral("TEAM"), QStringLiteral("Team")) + QStringLiteral("/Events/two-uids.ics");
    const QStringList reviewLines = eventLinesOf(linesOf(fixture(QStringLiteral("two-uids.ics"))), review);
    ASSERT_EQ(reviewLines.count(QStringLiteral("BEGIN:VEVENT")), 2);
    const CalCalendarPtr other = newCalendar(QStringLiteral("Other"));
    IndependentReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& name : QDir(root()).entryList({QStringLiteral("*.calendar")}, QDir::Dirs))
            for (const QString& file : QDir(root() + QLatin1Char('/') + name + QStringLiteral("/Events")).entryList(QDir::Files))
                QFile::remove(root() + QLatin1Char('/') + name + QStringLiteral("/Events/") + file);
        writeBytes(path, fixture(QStringLiteral("two-uids.ics")));
        store = CalCalendarStore::create(root());
        ASSERT_TRUE(c.write(*store, other));

        // The other uid's components, line for line, where they were.
        const QStringList after = linesOf(readBytes(path));
        EXPECT_EQ(eventLinesOf(after, review).join(QLatin1Char('\n')).toStdString(), reviewLines.join(QLatin1Char('\n')).toStdString());
        const auto fresh = CalCalendarStore::create(root());
        int kept = 0;
        for (const CalEventPtr& e : fresh->eventsWithPredicate(
                 CalCalendarStore::eventPredicateWithStartDate(paris(2027, 7, 1), paris(2027, 9, 1), fresh->calendars())))
            kept += e->uid() == standUp;
        EXPECT_EQ(kept, c.standUpOccurrences);
        if (c.standUpOccurrences == 0) {
            // The file is the other uid's now, and reads as its event.
            const Date from = paris(2027, 7, 1), to = paris(2027, 9, 1);
            QList<IndependentReader::Occurrence> held;
            for (const CalEventPtr& e : fresh->eventsWithPredicate(
                     CalCalendarStore::eventPredicateWithStartDate(from, to, review, fresh->calendars())))
                held << IndependentReader::Occurrence{e->startDate(), e->endDate(), e->isAllDay()};
            EXPECT_EQ(held.size(), 2);
            reader.expect(path, from, to, held);
        }
    }
    reader.verify();
}

// Extra dates of a series and changes from an occurrence on are shown where
// the independent reader shows them, and survive the organizer's edits.
TEST_F(ForeignComponentsTest, ExtraDatesAndChangesToTheEndOfTheSeriesShowAndSurviveEdits)
{
    struct Case {
        const char* fixture;
        const char* uid;
        const char* readBy;  // the file the independent reader reads for it
        int occurrences;
        Date extraDate;         // one of its RDATEs
        QStringList keptLines;  // which every edit keeps
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
    enum Edit { None, RenameSeries, RenameEachChange, RenameAnExtraDate, MoveSeries };
    const QString events = makeCalendarFolder(QStringLiteral("HOME"), QStringLiteral("Home")) + QStringLiteral("/Events/");
    const Date from = paris(2027, 7, 1), to = paris(2027, 11, 1);
    IndependentReader reader;
    for (const Case& c : cases) {
        const QString uid = QString::fromLatin1(c.uid);
        const QString path = events + QString::fromLatin1(c.fixture);
        writeBytes(path, fixture(QString::fromLatin1(c.fixture)));
        for (const Edit edit : {None, RenameSeries, RenameEachChange, RenameAnExtraDate, MoveSeries}) {
            SCOPED_TRACE(std::string(c.fixture) + " edit " + std::to_string(edit));
            const bool readsItself = QLatin1String(c.readBy) == QLatin1String(c.fixture);
            if (edit == MoveSeries && !readsItself) continue;
            store = CalCalendarStore::create(root());
            if (edit == RenameSeries) {
                const CalEventPtr series = store->eventWithUID(uid, Date());
                series->setTitle(QStringLiteral("Renamed"));
                ASSERT_TRUE(store->saveEvent(series, CalSpanAllEvents));
            } else if (edit == MoveSeries) {
                // The extra dates move with the series (a day later for whole days).
                const CalEventPtr series = store->eventWithUID(uid, Date());
                const double by = series->isAllDay() ? 86400 : 3600;
                series->setStartDate(series->startDate().dateByAddingTimeInterval(by));
                series->setEndDate(series->endDate().dateByAddingTimeInterval(by));
                ASSERT_TRUE(store->saveEvent(series, CalSpanAllEvents));
            } else if (edit == RenameAnExtraDate) {
                // The occurrence alone changes, as a changed occurrence.
                const CalEventPtr series = store->eventWithUID(uid, Date());
                const CalEventPtr extra = store->eventWithUID(uid, c.extraDate);
                ASSERT_TRUE(extra);
                extra->setTitle(QStringLiteral("Just this once"));
                ASSERT_TRUE(store->saveEvent(extra, CalSpanThisEvent));
                EXPECT_EQ(store->eventWithUID(uid, Date())->title(), series->title());
            } else if (edit == RenameEachChange) {
                for (const CalEventPtr& e : eventsBetween(from, to))
                    if (e->isDetached()) {
                        e->setTitle(e->title() + QStringLiteral(" again"));
                        ASSERT_TRUE(store->saveEvent(e, CalSpanThisEvent));
                    }
            }
            const QStringList lines = linesOf(readBytes(path));
            const QStringList kept = edit == MoveSeries ? QStringList() : c.keptLines;
            for (const QString& line : kept) EXPECT_TRUE(lines.contains(line)) << "lost: " << line.toStdString();

            const auto fresh = CalCalendarStore::create(root());
            QList<IndependentReader::Occurrence> held;
            for (const CalEventPtr& e : fresh->eventsWithPredicate(
                     CalCalendarStore::eventPredicateWithStartDate(from, to, uid, fresh->calendars())))
                held << IndependentReader::Occurrence{e->startDate(), e->endDate(), e->isAllDay()};
            EXPECT_EQ(held.size(), c.occurrences);
            reader.expect(readsItself ? path : QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QString::fromLatin1(c.readBy), from,
                          to, held);
            reader.verify();  // before the next edit rewrites the file
        }
        QFile::remove(path);
    }

    // The moved part of the series carries the change's own fields.
    writeBytes(events + QStringLiteral("range.ics"), fixture(QStringLiteral("range-this-and-future.ics")));
    store = CalCalendarStore::create(root());
    const CalEventPtr later = store->eventWithUID(QStringLiteral("course-2027@desktop.example"), paris(2027, 10, 5, 10, 0));
    ASSERT_TRUE(later);
    EXPECT_EQ(later->title().toStdString(), "Course (afternoons)");
    EXPECT_EQ(later->startDate(), paris(2027, 10, 5, 14, 30));
    EXPECT_EQ(later->endDate(), paris(2027, 10, 5, 16, 0));
}

}  // namespace
