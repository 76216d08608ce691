#include "StoreFixture.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <unistd.h>

namespace {

using StoreReadingTest = StoreFixture;

QString describe(const CalEventPtr& event)
{
    const DateFields f = GregorianCalendar::fields(event->startDate());
    return QStringLiteral("%1 %2 %3:%4%5")
        .arg(event->uid())
        .arg(f.day)
        .arg(f.hour)
        .arg(f.minute, 2, 10, QLatin1Char('0'))
        .arg(event->isDetached() ? QStringLiteral(" moved") : QString());
}

// Files as other programs write them, read into one occurrence each in March
// 2014 (times in Paris, the tests' zone).
TEST_F(StoreReadingTest, FilesOfOtherProgramsReadAsTheyMean)
{
    const QString events = makeCalendarFolder(QStringLiteral("OTHER"), QStringLiteral("Other")) + QStringLiteral("/Events/");
    const QStringList names{QStringLiteral("bare-line-feeds.ics"), QStringLiteral("folded-lines.ics"),
                            QStringLiteral("exdate-several.ics"), QStringLiteral("unknown-tzid.ics"),
                            QStringLiteral("all-day.ics"), QStringLiteral("override-before-master.ics"),
                            QStringLiteral("named-otherwise.ics")};
    for (const QString& name : names) writeBytes(events + name, fixture(name));

    CalError error;
    const CalEventList march = eventsBetween(paris(2014, 3, 1), paris(2014, 3, 31, 23, 59, 59), &error);
    EXPECT_TRUE(error.ok()) << error.text.toStdString();
    QStringList seen;
    for (const CalEventPtr& event : march) seen << describe(event);
    const QStringList expected{
        QStringLiteral("exdates-1 3 9:00"),          QStringLiteral("override-first-1 4 9:00"),
        QStringLiteral("all-day-1 5 0:00"),          QStringLiteral("exdates-1 5 9:00"),
        QStringLiteral("exdates-1 7 9:00"),          QStringLiteral("exdates-1 9 9:00"),
        QStringLiteral("exdates-1 10 9:00"),         QStringLiteral("exdates-1 11 9:00"),
        QStringLiteral("override-first-1 11 14:00 moved"), QStringLiteral("exdates-1 12 9:00"),
        QStringLiteral("override-first-1 18 9:00"),  QStringLiteral("override-first-1 25 9:00"),
        QStringLiteral("bare-lf-1 25 11:00"),  QStringLiteral("folded-1 26 10:00"),
        QStringLiteral("unknown-zone-1 27 10:00"),   QStringLiteral("the.real.uid@example.org 28 13:00")};
    EXPECT_EQ(seen.join(QStringLiteral(" | ")).toStdString(), expected.join(QStringLiteral(" | ")).toStdString());

    const CalEventPtr folded = store->eventWithUID(QStringLiteral("folded-1"), Date());
    ASSERT_TRUE(folded);
    EXPECT_EQ(folded->title(),
              QStringLiteral("A title long enough that the writer folded it over more than one line of the file"));
    EXPECT_EQ(folded->notes(), QStringLiteral("First part and second part"));
    const CalEventPtr allDay = store->eventWithUID(QStringLiteral("all-day-1"), Date());
    ASSERT_TRUE(allDay);
    EXPECT_TRUE(allDay->isAllDay());
    EXPECT_EQ(allDay->endDate(), paris(2014, 3, 6));
    const CalEventPtr moved = store->eventWithUID(QStringLiteral("override-first-1"), paris(2014, 3, 11, 9, 0));
    ASSERT_TRUE(moved);
    EXPECT_TRUE(moved->isDetached());
    EXPECT_EQ(moved->title(), QStringLiteral("Moved to the afternoon"));
    EXPECT_TRUE(store->eventWithUID(QStringLiteral("the.real.uid@example.org"), utc(2014, 3, 28, 12, 0)));
    EXPECT_TRUE(store->unreadableFiles().isEmpty());
}

// Bad input is logged, listed as unreadable and read around; nothing stops.
TEST_F(StoreReadingTest, UnusableFilesAndFoldersAreListedAndSkipped)
{
    const QString folder = makeCalendarFolder(QStringLiteral("MIXED"), QStringLiteral("Mixed"));
    const QString events = folder + QStringLiteral("/Events/");
    for (const QString& name : {QStringLiteral("garbage.ics"), QStringLiteral("no-vevent.ics"),
                                QStringLiteral("no-uid.ics"), QStringLiteral("no-dtstart.ics"),
                                QStringLiteral("bare-line-feeds.ics")})
        writeBytes(events + name, fixture(name));
    writeBytes(events + QStringLiteral("a-copy.ics"), fixture(QStringLiteral("bare-line-feeds.ics")));
    ASSERT_EQ(::symlink("loop.ics", (events + QStringLiteral("loop.ics")).toLocal8Bit().constData()), 0);
    writeBytes(folder + QStringLiteral("/Tasks/garbage.ics"), fixture(QStringLiteral("garbage.ics")));
    // A calendar without Info.plist, one whose Info.plist is no property list,
    // and things in the root that are no calendars.
    QDir().mkpath(root() + QStringLiteral("/BARE.calendar/Events"));
    QDir().mkpath(root() + QStringLiteral("/JUNK.calendar"));
    writeBytes(root() + QStringLiteral("/JUNK.calendar/Info.plist"), "<plist><dict><key>Title");
    QDir().mkpath(root() + QStringLiteral("/Backups"));
    writeBytes(root() + QStringLiteral("/notes.txt"), "mine");

    QStringList titles;
    for (const CalCalendarPtr& calendar : store->calendars()) titles << calendar->uid() + QLatin1Char('=') + calendar->title();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("BARE=BARE"), QStringLiteral("JUNK=JUNK"), QStringLiteral("MIXED=Mixed")}));

    QStringList unreadable;
    for (const QString& path : store->unreadableFiles()) unreadable << QFileInfo(path).fileName();
    unreadable.sort();
    // Files read whole that hold no event to show, and text that never began
    // a calendar, are left out, not listed (no-dtstart, no-vevent, garbage);
    // an event without UID reads under its file's name.
    EXPECT_EQ(unreadable, (QStringList{QStringLiteral("bare-line-feeds.ics"), QStringLiteral("loop.ics")}));

    // The copy listed first counts; the answer over the calendar says it is incomplete.
    CalError error;
    const CalEventList all = eventsBetween(paris(2014, 3, 1), paris(2014, 3, 31), &error);
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all.first()->uid(), QStringLiteral("bare-lf-1"));
    EXPECT_EQ(all.last()->uid(), QStringLiteral("no-uid"));
    EXPECT_EQ(error.code, CalError::Code::CannotRead);
    // A query for one uid is incomplete only when its own file is unreadable.
    const CalCalendarList mixed{store->calendarWithUID(QStringLiteral("MIXED"))};
    store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(paris(2014, 3, 1), paris(2014, 3, 31),
                                                                             QStringLiteral("bare-lf-1"), mixed), &error);
    EXPECT_TRUE(error.ok()) << error.text.toStdString();
    store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(paris(2014, 3, 1), paris(2014, 3, 31),
                                                                             QStringLiteral("garbage"), mixed), &error);
    EXPECT_EQ(error.code, CalError::Code::CannotRead);
    // The store never writes over a file it cannot read.
    EXPECT_EQ(readBytes(events + QStringLiteral("garbage.ics")), fixture(QStringLiteral("garbage.ics")));
}

// A few hundred damaged copies of the fixtures (bytes flipped, lines cut,
// doubled or dropped): the store reads around them and, when it saves and
// removes other events of their calendar, never writes over them.
TEST_F(StoreReadingTest, DamagedFilesAreReadAroundAndNeverWrittenOver)
{
    const QString events = makeCalendarFolder(QStringLiteral("DAMAGED"), QStringLiteral("Damaged")) + QStringLiteral("/Events/");
    const QStringList names = QDir(QStringLiteral(ZORAVEL_STORE_FIXTURES)).entryList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty());
    QRandomGenerator random(37);
    QHash<QString, QByteArray> written;
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes = fixture(names[i % names.size()]);
        QList<QByteArray> lines = bytes.split('\n');
        switch (i % 4) {
        case 0:
            for (int n = 0; n < 4; ++n) bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            break;
        case 1: bytes.truncate(random.bounded(int(bytes.size()))); break;
        case 2: {
            const int at = random.bounded(int(lines.size()));
            lines.insert(at, lines[at]);
            bytes = lines.join('\n');
            break;
        }
        default:
            lines.removeAt(random.bounded(int(lines.size())));
            bytes = lines.join('\n');
            break;
        }
        const QString path = events + QStringLiteral("damaged-%1.ics").arg(i, 3, 10, QLatin1Char('0'));
        writeBytes(path, bytes);
        written.insert(path, bytes);
    }

    CalError error;
    eventsBetween(utc(2000, 1, 1), utc(2030, 1, 1), &error);
    const CalCalendarPtr calendar = store->calendarWithUID(QStringLiteral("DAMAGED"));
    ASSERT_TRUE(calendar);
    auto event = CalEvent::event();
    event->setCalendar(calendar);
    event->setTitle(QStringLiteral("Ours"));
    event->setStartDate(paris(2014, 3, 20, 10));
    event->setEndDate(paris(2014, 3, 20, 11));
    ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
    event->setTitle(QStringLiteral("Ours, renamed"));
    ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
    ASSERT_TRUE(store->removeEvent(event, CalSpanAllEvents));

    // The store writes only the file it is asked to write.
    for (auto it = written.constBegin(); it != written.constEnd(); ++it)
        EXPECT_EQ(readBytes(it.key()), it.value()) << it.key().toStdString();
    EXPECT_FALSE(store->unreadableFiles().isEmpty());
}

// Found by fuzzing: what the store would write back of these files must read
// as the same event.
TEST_F(StoreReadingTest, AFileBelongsToItsMasterAndUidsWithControlCharactersAreSkipped)
{
    const QString events = makeCalendarFolder(QStringLiteral("ODD"), QStringLiteral("Odd")) + QStringLiteral("/Events/");
    // A changed occurrence of another uid before the master.
    writeBytes(events + QStringLiteral("stray.ics"),
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:stray\r\nRECURRENCE-ID:20140311T080000Z\r\n"
               "DTSTART:20140311T130000Z\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:owner\r\nDTSTART:20140304T080000Z\r\n"
               "RRULE:FREQ=WEEKLY;COUNT=2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    // A carriage return inside a uid: libical would write it back as another uid.
    writeBytes(events + QStringLiteral("cr.ics"),
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:broken\rDTSTAMP:20140301T000000Z\r\n"
               "DTSTART:20140305T080000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    QStringList uids;
    for (const CalEventPtr& event : eventsBetween(paris(2014, 3, 1), paris(2014, 3, 31))) uids << event->uid();
    EXPECT_EQ(uids, (QStringList{QStringLiteral("owner"), QStringLiteral("owner")}));
    // Read whole, the file of a uid with a control character is left out: it
    // is not listed among the files the store could not read.
    EXPECT_TRUE(store->unreadableFiles().isEmpty());

    // Saving the owner keeps it the owner's file.
    const CalEventPtr owner = store->eventWithUID(QStringLiteral("owner"), Date());
    ASSERT_TRUE(owner);
    owner->setTitle(QStringLiteral("Renamed"));
    ASSERT_TRUE(store->saveEvent(owner, CalSpanAllEvents));
    const CalEventPtr again = CalCalendarStore::create(root())->eventWithUID(QStringLiteral("owner"), Date());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->title(), QStringLiteral("Renamed"));
}

TEST_F(StoreReadingTest, RulesOfOtherFrequenciesExpandAndRulesThatCannotGiveTheMasterAlone)
{
    const QString events = makeCalendarFolder(QStringLiteral("RULES"), QStringLiteral("Rules")) + QStringLiteral("/Events/");
    const auto file = [](const char* uid, const char* rule) {
        return QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
                              "DTSTART:20140305T080000Z\r\nDTEND:20140305T081500Z\r\nRRULE:%2\r\nEND:VEVENT\r\n"
                              "END:VCALENDAR\r\n")
            .arg(QLatin1String(uid), QLatin1String(rule))
            .toUtf8();
    };
    writeBytes(events + QStringLiteral("hourly.ics"), file("hourly", "FREQ=HOURLY;INTERVAL=2;COUNT=3"));
    writeBytes(events + QStringLiteral("bad.ics"), file("bad", "FREQ=MONTHLY;BYYEARDAY=1"));
    // One libical never matches: stepping it would search hour by hour for years.
    writeBytes(events + QStringLiteral("runaway.ics"), file("runaway", "FREQ=HOURLY;BYDAY=-1SU;BYMONTH=3"));

    QStringList seen;
    for (const CalEventPtr& event : eventsBetween(paris(2014, 3, 1), paris(2014, 3, 31))) seen << describe(event);
    EXPECT_EQ(seen.join(QStringLiteral(" | ")).toStdString(),
              "bad 5 9:00 | hourly 5 9:00 | runaway 5 9:00 | hourly 5 11:00 | hourly 5 13:00");
    const CalEventPtr hourly = store->eventWithUID(QStringLiteral("hourly"), Date());
    ASSERT_TRUE(hourly && hourly->recurrenceRule());
    EXPECT_EQ(hourly->recurrenceRule()->recurrenceType(), CalRecurrenceRule::Other);
    EXPECT_EQ(hourly->recurrenceRule()->recurrenceInterval(), 2);
}

}  // namespace
