#include "CalendarSyncFixture.h"

#include "LogCapture.h"
#include "PropertyList.h"

#include <QCryptographicHash>
#include <QDirIterator>

#include <chrono>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CalendarFoldersTest : public CalendarSyncTest {
protected:
    QString makeFolder(const QString& relative, const QVariantMap& info)
    {
        const QString path = storeFolder.path() + QLatin1Char('/') + relative;
        EXPECT_TRUE(QDir().mkpath(path + QStringLiteral("/Events")));
        if (!info.isEmpty()) {
            EXPECT_EQ(PropertyList::writeFile(path + QStringLiteral("/Info.plist"), info), PropertyList::Error::None);
        }
        return path;
    }

    // A weekly series of four Tuesdays from 4 March 2014, 09:00 Paris, with
    // the extra lines given.
    static QByteArray weekly(const QByteArray& uid, const QByteArray& masterExtra, const QByteArray& after = {})
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//Test//EN\r\n"
               "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20140301T000000Z\r\n"
               "DTSTART;TZID=Europe/Paris:20140304T090000\r\nDTEND;TZID=Europe/Paris:20140304T100000\r\n"
               "RRULE:FREQ=WEEKLY;COUNT=4\r\n" + masterExtra + "SUMMARY:Weekly\r\nEND:VEVENT\r\n" + after +
               "END:VCALENDAR\r\n";
    }

    // A hash of every file below the store: "nothing written" is no change in it.
    QByteArray storeContent() const
    {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        QStringList files;
        QDirIterator it(storeFolder.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) files << it.next();
        files.sort();
        for (const QString& path : files) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) hash.addData(QByteArray(path.toUtf8() + file.readAll()));
        }
        return hash.result();
    }
};

}  // namespace

TEST_F(CalendarFoldersTest, KindsFollowTheInfoPlistAndTheSyncSwitch)
{
    struct Case {
        const char* name;
        QVariantMap info;
        qint64 kinds;
    };
    const Case cases[] = {
        {"events only", {{QStringLiteral("EventContainer"), qint64(1)}}, 2},
        {"tasks only", {{QStringLiteral("TaskContainer"), qint64(1)}}, 1},
        {"both", {{QStringLiteral("EventContainer"), qint64(1)}, {QStringLiteral("TaskContainer"), qint64(1)}}, 3},
        {"both switched off", {{QStringLiteral("EventContainer"), qint64(0)}, {QStringLiteral("TaskContainer"), qint64(0)}}, 0},
        {"flags written as booleans", {{QStringLiteral("EventContainer"), true}, {QStringLiteral("TaskContainer"), true}}, 3},
        {"no Info.plist", {}, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = makeFolder(QStringLiteral("kinds-%1.calendar").arg(n++), c.info);
        EXPECT_EQ(jobs->getICalTypeOfCalendarUID(QString(), folder), c.kinds);
    }
    QFile broken(storeFolder.path() + QStringLiteral("/kinds-0.calendar/Info.plist"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("<plist><dict><key>EventContainer");
    broken.close();
    EXPECT_EQ(jobs->getICalTypeOfCalendarUID(QString(), storeFolder.path() + QStringLiteral("/kinds-0.calendar")), 0);

    dataManager().setBSynciCalEnable(false);
    EXPECT_EQ(jobs->getICalTypeOfCalendarUID(QString(), storeFolder.path() + QStringLiteral("/kinds-2.calendar")), 0);
}

TEST_F(CalendarFoldersTest, FolderMapsFindCalendarsAtAnyDepthAndDropReadOnlyOnes)
{
    makeFolder(QStringLiteral("READONLY.calendar"),
               {{QStringLiteral("EventContainer"), qint64(1)}, {QStringLiteral("Editable"), false}});
    makeFolder(QStringLiteral("TASKS.calendar"), {{QStringLiteral("TaskContainer"), qint64(1)}});
    reopenStore();
    const CalCalendarList calendars = store->calendars();
    ASSERT_EQ(calendars.size(), 3);

    const auto all = jobs->findDirectoryOfCalendar(calendars);
    EXPECT_EQ(all.value(storeCalendar->uid()), calendarFolder() + QStringLiteral("|3"));
    EXPECT_EQ(all.value(QStringLiteral("TASKS")), storeFolder.path() + QStringLiteral("/TASKS.calendar|1"));
    EXPECT_EQ(all.value(QStringLiteral("READONLY")), storeFolder.path() + QStringLiteral("/READONLY.calendar|2"));

    const auto editable = jobs->getICalCalendarDirectory();
    EXPECT_FALSE(editable.contains(QStringLiteral("READONLY")));
    EXPECT_TRUE(editable.contains(QStringLiteral("TASKS")));
    EXPECT_TRUE(editable.contains(storeCalendar->uid()));

    // Folders are found at any depth, and of two whose paths hold a uid the
    // later in listing order counts.
    const QString nested = makeFolder(QStringLiteral("zz-account/old/%1-copy.calendar").arg(storeCalendar->uid()),
                                      {{QStringLiteral("TaskContainer"), qint64(1)}});
    EXPECT_EQ(jobs->findDirectoryOfCalendar(calendars).value(storeCalendar->uid()), nested + QStringLiteral("|1"));

    // A calendar the store does not hold in a folder: no usable folder, kinds 0.
    auto stranger = CalCalendar::calendar();
    ASSERT_TRUE(store->saveCalendar(stranger));
    ASSERT_TRUE(QDir(storeFolder.path() + QStringLiteral("/") + stranger->uid() + QStringLiteral(".calendar")).removeRecursively());
    const auto missing = jobs->findDirectoryOfCalendar({stranger});
    EXPECT_EQ(missing.value(stranger->uid()), QStringLiteral("|0"));
}

TEST_F(CalendarFoldersTest, DatesOfTheValueFormsAndOfBothLineEndings)
{
    struct Case {
        const char* name;
        QByteArray start;
        QByteArray lineEnd;
        Date expected;
    };
    const Case cases[] = {
        {"a day, CRLF", "DTSTART;VALUE=DATE:20140325", "\r\n", local(2014, 3, 25)},
        {"UTC, bare line feeds", "DTSTART:20140325T100000Z", "\n", utc(2014, 3, 25, 10)},
        {"UTC, CRLF", "DTSTART:20140325T100000Z", "\r\n", utc(2014, 3, 25, 10)},
        {"a zone, bare line feeds", "DTSTART;TZID=Asia/Tokyo:20140325T100000", "\n", utc(2014, 3, 25, 1)},
        {"floating", "DTSTART:20140325T100000", "\r\n", local(2014, 3, 25, 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // '|' ends a line; '~' folds one, at 75 octets as other programs fold.
        QByteArray bytes = "BEGIN:VCALENDAR|VERSION:2.0|BEGIN:VEVENT|UID:forms|DTSTAMP:20140301T000000Z|" + c.start +
                           "|SUMMARY:A rather long summary that another program folds over two lines b~ecause it"
                           " is longer than seventy-five octets|END:VEVENT|END:VCALENDAR|";
        bytes.replace('~', QByteArray(c.lineEnd + ' '));
        bytes.replace('|', c.lineEnd);
        writeEventFile(QStringLiteral("forms.ics"), bytes);
        QList<Date> deleted;
        Date start, end;
        const CalEventList found = jobs->getICalEventInfo(QStringLiteral("forms"), calendarFolder(), &deleted, &start, &end);
        EXPECT_EQ(start, c.expected);
        EXPECT_TRUE(deleted.isEmpty());
        ASSERT_EQ(found.size(), 1);  // the event itself, looked up by its start
        EXPECT_EQ(found.first()->uid(), QStringLiteral("forms"));
        EXPECT_EQ(found.first()->title(), QStringLiteral("A rather long summary that another program folds over two lines"
                                                         " because it is longer than seventy-five octets"));
    }
}

// Other programs fold long lines anywhere, even inside a name, a parameter
// or a list of dates: the lines are joined before any date is read.
TEST_F(CalendarFoldersTest, FoldedDateLinesAreJoinedBeforeTheyAreRead)
{
    struct Case {
        const char* name;
        QByteArray lineEnd;
        QByteArray fold;
    };
    const Case cases[] = {
        {"CRLF, folded with a space", "\r\n", "\r\n "},
        {"bare line feeds, folded with a space", "\n", "\n "},
        {"CRLF, folded with a tab", "\r\n", "\r\n\t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // '|' ends a line, '~' folds one.
        QByteArray bytes =
            "BEGIN:VCALENDAR|VERSION:2.0|PRODID:-//Other//Test//EN|"
            "BEGIN:VEVENT|UID:folded|DTSTAMP:20140301T000000Z|"
            "DTSTART;TZID=Euro~pe/Paris:20140304T09~0000|DTEND;TZID=Europe/Paris:20140304T100000|"
            "RRULE:FREQ=WEEKLY;COUNT=4|EXDA~TE;TZID=Europe/Paris:20140311T090000,2014~0318T090000|"
            "SUMMARY:Weekly|END:VEVENT|"
            "BEGIN:VEVENT|UID:folded|DTSTAMP:20140301T000000Z|RECURRENCE-ID;TZID=Europe/Paris:201403~25T090000|"
            "DTSTART:20140325T15~0000Z|DTEND:20140325T160000Z|SUMMARY:Moved|END:VEVENT|END:VCALENDAR|";
        bytes.replace('~', c.fold);
        bytes.replace('|', c.lineEnd);
        writeEventFile(QStringLiteral("folded.ics"), bytes);

        QList<Date> deleted;
        Date start, end;
        const CalEventList found = jobs->getICalEventInfo(QStringLiteral("folded"), calendarFolder(), &deleted, &start, &end);
        EXPECT_EQ(start, local(2014, 3, 4, 9));
        EXPECT_EQ(deleted, (QList<Date>{local(2014, 3, 11, 9), local(2014, 3, 18, 9)}));
        EXPECT_EQ(end, local(2014, 3, 25, 9));
        ASSERT_EQ(found.size(), 2);
        EXPECT_EQ(found[0]->startDate(), local(2014, 3, 4, 9));
        EXPECT_TRUE(found[1]->isDetached());
        EXPECT_EQ(found[1]->startDate(), utc(2014, 3, 25, 15));

        const CalEventPtr moved = jobs->getICalEvent(QStringLiteral("folded"), local(2014, 3, 25, 9));
        ASSERT_TRUE(moved);
        EXPECT_EQ(moved->startDate(), utc(2014, 3, 25, 15));
    }
}

TEST_F(CalendarFoldersTest, EveryDeletedDateIsTakenAndTheRootComesFirst)
{
    writeEventFile(QStringLiteral("several.ics"),
                   weekly("several", "EXDATE;TZID=Europe/Paris:20140311T090000,20140318T090000\r\n"
                                     "EXDATE:20140325T080000Z\r\n"));
    QList<Date> deleted{local(2000, 1, 1)};  // the caller's list keeps what it held
    Date start, end;
    const CalEventList found = jobs->getICalEventInfo(QStringLiteral("several"), calendarFolder(), &deleted, &start, &end);
    EXPECT_EQ(deleted, (QList<Date>{local(2000, 1, 1), local(2014, 3, 11, 9), local(2014, 3, 18, 9), local(2014, 3, 25, 9)}));
    EXPECT_EQ(start, local(2014, 3, 4, 9));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.first()->startDate(), local(2014, 3, 4, 9));
    EXPECT_EQ(end, local(2014, 3, 25, 9));  // four weeks from the start, by the rule's count
}

TEST_F(CalendarFoldersTest, ASeriesWhoseFirstOccurrenceWentStartsWithTheNextOrdinaryOne)
{
    struct Case {
        const char* name;
        QByteArray masterExtra;
        QByteArray after;
        int changed;
    };
    const Case cases[] = {
        {"deleted", "EXDATE;TZID=Europe/Paris:20140304T090000\r\n", {}, 0},
        {"moved", {},
         "BEGIN:VEVENT\r\nUID:first-gone\r\nDTSTAMP:20140301T000000Z\r\nRECURRENCE-ID:20140304T080000Z\r\n"
         "DTSTART:20140304T150000Z\r\nDTEND:20140304T160000Z\r\nSUMMARY:Moved\r\nEND:VEVENT\r\n",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeEventFile(QStringLiteral("first-gone.ics"), weekly("first-gone", c.masterExtra, c.after));
        QList<Date> deleted;
        Date start, end;
        const CalEventList found =
            jobs->getICalEventInfo(QStringLiteral("first-gone"), calendarFolder(), &deleted, &start, &end);
        ASSERT_EQ(found.size(), 1 + c.changed);
        EXPECT_EQ(found.first()->startDate(), local(2014, 3, 11, 9));
        EXPECT_FALSE(found.first()->isDetached());
        if (c.changed) {
            EXPECT_TRUE(found.last()->isDetached());
            EXPECT_EQ(found.last()->startDate(), utc(2014, 3, 4, 15));
        }
    }
}

TEST_F(CalendarFoldersTest, ChangedOccurrencesAreFoundByTheirOriginalDateInAnyForm)
{
    const QByteArray after =
        "BEGIN:VEVENT\r\nUID:a.b.c\r\nDTSTAMP:20140301T000000Z\r\nRECURRENCE-ID;TZID=Europe/Paris:20140311T090000\r\n"
        "DTSTART;TZID=Europe/Paris:20140311T140000\r\nDTEND;TZID=Europe/Paris:20140311T150000\r\nSUMMARY:Later\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:a.b.c\r\nDTSTAMP:20140301T000000Z\r\nRECURRENCE-ID:20140318T080000Z\r\n"
        "DTSTART:20140318T120000Z\r\nDTEND:20140318T130000Z\r\nSUMMARY:In UTC\r\nEND:VEVENT\r\n";
    // Named as the store names its own files: the uid without its dots.
    writeEventFile(QStringLiteral("abc.ics"), weekly("a.b.c", {}, after));

    const CalEventPtr zoned = jobs->getICalEvent(QStringLiteral("a.b.c"), local(2014, 3, 11, 9));
    ASSERT_TRUE(zoned);
    EXPECT_EQ(zoned->startDate(), local(2014, 3, 11, 14));
    const CalEventPtr inUtc = jobs->getICalEvent(QStringLiteral("a.b.c"), local(2014, 3, 18, 9));
    ASSERT_TRUE(inUtc);
    EXPECT_EQ(inUtc->startDate(), utc(2014, 3, 18, 12));
    EXPECT_FALSE(jobs->getICalEvent(QStringLiteral("a.b.c"), local(2014, 3, 25, 9)));
    EXPECT_FALSE(jobs->getICalEvent(QString(), local(2014, 3, 11, 9)));

    QList<Date> deleted;
    Date start, end;
    const CalEventList found = jobs->getICalEventInfo(QStringLiteral("a.b.c"), calendarFolder(), &deleted, &start, &end);
    ASSERT_EQ(found.size(), 3);
    EXPECT_FALSE(found[0]->isDetached());
    EXPECT_EQ(found[1]->startDate(), local(2014, 3, 11, 14));  // file order
    EXPECT_EQ(found[2]->startDate(), utc(2014, 3, 18, 12));

    EXPECT_EQ(jobs->scanPath(storeFolder.path(), QStringLiteral("abc.ics")),
              storeCalendar->uid() + QStringLiteral(".calendar/Events/abc.ics"));
    EXPECT_EQ(jobs->scanPath(store->eventFilePath(QStringLiteral("a.b.c")), QStringLiteral("abc.ics")), QStringLiteral("YES"));
    EXPECT_TRUE(jobs->scanPath(storeFolder.path(), QStringLiteral("none.ics")).isNull());
}

// Other programs name their files as they like: the file the store's index
// holds for the uid counts, not the name made from the uid.
TEST_F(CalendarFoldersTest, AFileNamedOtherwiseIsFoundThroughTheStoreIndex)
{
    writeEventFile(QStringLiteral("0001.ics"),
                   weekly("other@example.org", {},
                          "BEGIN:VEVENT\r\nUID:other@example.org\r\nDTSTAMP:20140301T000000Z\r\n"
                          "RECURRENCE-ID;TZID=Europe/Paris:20140311T090000\r\nDTSTART;TZID=Europe/Paris:20140312T090000\r\n"
                          "DTEND;TZID=Europe/Paris:20140312T100000\r\nEND:VEVENT\r\n"));
    QList<Date> deleted;
    Date start, end;
    EXPECT_EQ(jobs->getICalEventInfo(QStringLiteral("other@example.org"), calendarFolder(), &deleted, &start, &end).size(), 2);
    ASSERT_TRUE(jobs->getICalEvent(QStringLiteral("other@example.org"), local(2014, 3, 11, 9)));
}

// The store learns of another program's files from its watcher, a moment
// later. Until then its index misses a new file, or names the place a moved
// one left: the file is looked for by the name the store gives its own
// files, in the calendar's folder and below the whole store.
TEST_F(CalendarFoldersTest, AFileTheIndexMissesIsFoundByItsName)
{
    const QByteArray bytes =
        weekly("a.b.c", "EXDATE;TZID=Europe/Paris:20140318T090000\r\n",
               "BEGIN:VEVENT\r\nUID:a.b.c\r\nDTSTAMP:20140301T000000Z\r\nRECURRENCE-ID;TZID=Europe/Paris:20140311T090000\r\n"
               "DTSTART;TZID=Europe/Paris:20140311T140000\r\nDTEND;TZID=Europe/Paris:20140311T150000\r\nEND:VEVENT\r\n");
    const QString path = calendarFolder() + QStringLiteral("/Events/abc.ics");
    const auto writeUnseen = [&] {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    {
        SCOPED_TRACE("new, not yet indexed");
        writeUnseen();
        ASSERT_TRUE(store->eventFilePath(QStringLiteral("a.b.c")).isEmpty());
        QList<Date> deleted;
        Date start, end;
        jobs->getICalEventInfo(QStringLiteral("a.b.c"), calendarFolder(), &deleted, &start, &end);
        EXPECT_EQ(start, local(2014, 3, 4, 9));
        EXPECT_EQ(deleted, QList<Date>{local(2014, 3, 18, 9)});
    }
    {
        SCOPED_TRACE("moved to another calendar, the index not yet told");
        reopenStore();
        ASSERT_EQ(store->eventFilePath(QStringLiteral("a.b.c")), path);
        const QString other = makeFolder(QStringLiteral("OTHER.calendar"), {{QStringLiteral("EventContainer"), qint64(1)}});
        ASSERT_TRUE(QFile::rename(path, other + QStringLiteral("/Events/abc.ics")));
        ASSERT_EQ(store->eventFilePath(QStringLiteral("a.b.c")), path);

        QList<Date> deleted;
        Date start, end;
        const CalEventList found = jobs->getICalEventInfo(QStringLiteral("a.b.c"), other, &deleted, &start, &end);
        EXPECT_EQ(start, local(2014, 3, 4, 9));
        EXPECT_EQ(deleted, QList<Date>{local(2014, 3, 18, 9)});
        ASSERT_EQ(found.size(), 2);
        EXPECT_EQ(found[1]->startDate(), local(2014, 3, 11, 14));
        const CalEventPtr changed = jobs->getICalEvent(QStringLiteral("a.b.c"), local(2014, 3, 11, 9));
        ASSERT_TRUE(changed);
        EXPECT_EQ(changed->startDate(), local(2014, 3, 11, 14));
    }
}

// Each bad file another program left says in the log which file it is and
// what is wrong with it, whichever uid it is asked for by.
TEST_F(CalendarFoldersTest, BadFilesAreNamedInTheLogWithTheirFault)
{
    struct Case {
        const char* name;
        QString uid;
        QString fault;
    };
    const Case cases[] = {
        {"no-dtstart.ics", QStringLiteral("no-start-1"), QStringLiteral("the event no-start-1 has no usable DTSTART and is skipped")},
        // An event without UID is no bad file: it reads under its file's name.
        {"task.ics", QStringLiteral("task-1"), QStringLiteral("no usable VEVENT")},
        {"unknown-tzid.ics", QStringLiteral("unknown-zone-1"),
         QStringLiteral("the zone \"Mars/Olympus_Mons\" is unknown; read in the system time zone")},
        {"bare-vevent.ics", QStringLiteral("bare-1"), QStringLiteral("no calendar object (no BEGIN:VCALENDAR)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile fixture(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QString::fromLatin1(c.name));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        const QString path = writeEventFile(QString::fromLatin1(c.name), fixture.readAll());
        const QByteArray before = storeContent();
        for (const QString& uid : {c.uid, QString::fromLatin1(c.name).chopped(4)}) {
            if (uid.isEmpty()) continue;
            SCOPED_TRACE(uid.toStdString());
            reopenStore();  // the store names a bad file once per reading of the folder
            LogCapture log;
            QList<Date> deleted;
            Date start, end;
            jobs->getICalEventInfo(uid, calendarFolder(), &deleted, &start, &end);
            jobs->getICalEvent(uid, local(2014, 3, 27, 10));
            EXPECT_TRUE(log.contains(QStringLiteral("Calendar store: %1 - ").arg(path)))
                << log.messages().join(QLatin1Char('\n')).toStdString();
            EXPECT_TRUE(log.contains(c.fault)) << log.messages().join(QLatin1Char('\n')).toStdString();
        }
        EXPECT_EQ(storeContent(), before);
        QFile::remove(path);
    }
}

TEST_F(CalendarFoldersTest, BadFilesGiveNothingAndWriteNothing)
{
    const char* names[] = {"garbage.ics", "no-dtstart.ics", "no-uid.ics", "no-vevent.ics", "task.ics", "unknown-tzid.ics"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        QFile fixture(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QString::fromLatin1(name));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        const QByteArray bytes = fixture.readAll();
        // Under the store's own name for a uid, so the fallback reads it.
        writeEventFile(QStringLiteral("bad.ics"), bytes);
        const QByteArray before = storeContent();
        LogCapture log;
        QList<Date> deleted;
        Date start, end;
        const CalEventList found = jobs->getICalEventInfo(QStringLiteral("bad"), calendarFolder(), &deleted, &start, &end);
        EXPECT_TRUE(deleted.isEmpty() || QByteArray(name) == "unknown-tzid.ics");
        EXPECT_FALSE(end);
        EXPECT_FALSE(jobs->getICalEvent(QStringLiteral("bad"), local(2014, 3, 11, 9)));
        jobs->findDirectoryOfCalendar(store->calendars());
        EXPECT_EQ(storeContent(), before);
        if (QByteArray(name) == "garbage.ics" || QByteArray(name) == "no-vevent.ics") {
            EXPECT_TRUE(found.isEmpty());
            EXPECT_TRUE(log.contains(QStringLiteral("gives no dates")));
        }
    }
    // A missing file is no error: nothing found, nothing logged.
    LogCapture log;
    QList<Date> deleted;
    Date start, end;
    EXPECT_TRUE(jobs->getICalEventInfo(QStringLiteral("absent"), calendarFolder(), &deleted, &start, &end).isEmpty());
    EXPECT_FALSE(start);
    EXPECT_TRUE(log.messages().isEmpty());

    dataManager().setBSynciCalEnable(false);
    writeEventFile(QStringLiteral("several.ics"), weekly("several", "EXDATE:20140311T080000Z\r\n"));
    EXPECT_TRUE(jobs->getICalEventInfo(QStringLiteral("several"), calendarFolder(), &deleted, &start, &end).isEmpty());
    EXPECT_TRUE(deleted.isEmpty());
}

// Info.plist and event files are opened as the store opens its own: a FIFO,
// a link (to a file, or among the folders) or a file over the limit gives
// nothing, is named once in the log, and never holds the caller.
TEST_F(CalendarFoldersTest, StoreFilesAreReadWithoutLinksBlockingOrExcess)
{
    QTemporaryDir outside;
    const QString events = outside.path() + QStringLiteral("/Events");
    const QVariantMap both{{QStringLiteral("EventContainer"), qint64(1)}, {QStringLiteral("TaskContainer"), qint64(1)}};
    ASSERT_EQ(PropertyList::writeFile(outside.path() + QStringLiteral("/Info.plist"), both), PropertyList::Error::None);
    QFile series(events + QStringLiteral("/outside.ics"));
    ASSERT_TRUE(QDir().mkpath(events) && series.open(QIODevice::WriteOnly));
    series.write(weekly("outside", "EXDATE;TZID=Europe/Paris:20140311T090000\r\n"));
    series.close();
    QVariantMap padded = both;
    padded.insert(QStringLiteral("Padding"), QString(1100 * 1024, QLatin1Char('x')));
    const auto fifo = [](const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0; };
    const struct {
        const char* placed;  // below the calendar folder; Info.plist is asked for the kinds, the rest for dates
        std::function<bool(const QString& path)> place;
        const char* fault;
    } cases[] = {
        {"Info.plist", fifo, "not a regular file"},
        {"Info.plist", [&](const QString& path) { return QFile::link(outside.path() + "/Info.plist", path); }, "symbolic link"},
        {"Info.plist", [&](const QString& path) { return PropertyList::writeFile(path, padded) == PropertyList::Error::None; },
         "larger than 1 MiB"},
        {"Events/outside.ics", fifo, "not a regular file"},
        {"Events", [&](const QString& path) { return QDir(path).removeRecursively() && QFile::link(events, path); },
         "symbolic link"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const QString folder = makeFolder(QStringLiteral("safe-%1.calendar").arg(n++), {});
        const QString path = folder + QLatin1Char('/') + QLatin1String(c.placed);
        ASSERT_TRUE(c.place(path));
        LogCapture log;
        for (int time = 0; time < 2; ++time) {
            auto asked = std::async(std::launch::async, [&] {
                QList<Date> deleted;
                Date start, end;
                if (path.endsWith(QStringLiteral("Info.plist"))) return jobs->getICalTypeOfCalendarUID(QString(), folder);
                jobs->getICalEventInfo(QStringLiteral("outside"), folder, &deleted, &start, &end);
                return qint64(deleted.size());
            });
            if (asked.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
                ADD_FAILURE() << "the read waits on the FIFO";
                ::close(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK));  // lets it end
            }
            EXPECT_EQ(asked.get(), 0);
        }
        const QStringList lines = log.messages().filter(QStringLiteral("Calendar store: "));
        EXPECT_TRUE(lines.size() == 1 && lines.first().contains(QLatin1String(c.fault))) << lines.join('\n').toStdString();
    }
}

// RFC 5545 quotes a parameter value holding a comma; a bare comma ends the
// value. Neither leaks into a deleted date's text, and each date is the one
// the file means (11 March 2014, 09:00 in Paris, 17:00 in Tokyo).
TEST_F(CalendarFoldersTest, ParameterValuesWithCommasGiveTheDatesTheyMean)
{
    const QByteArray tokyo = "BEGIN:VTIMEZONE\r\nTZID:Tokyo, Japan\r\nX-LIC-LOCATION:Asia/Tokyo\r\nBEGIN:STANDARD\r\n"
                             "DTSTART:19700101T000000\r\nTZOFFSETFROM:+0900\r\nTZOFFSETTO:+0900\r\nEND:STANDARD\r\n"
                             "END:VTIMEZONE\r\n";
    const struct {
        QByteArray exdate;
        QByteArray after;
        Date deleted;
    } cases[] = {
        {"EXDATE;TZID=,:20140311\r\n", {}, local(2014, 3, 11)},
        {"EXDATE;TZID=Asia/Tokyo,Mars:20140311T170000\r\n", {}, local(2014, 3, 11, 9)},
        {"EXDATE;TZID=\"Tokyo, Japan\":20140311T170000\r\n", tokyo, local(2014, 3, 11, 9)},
        {"EXDATE;X-NOTE=\"a,b\";TZID=Asia/Tokyo:20140311T170000\r\n", {}, local(2014, 3, 11, 9)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exdate.toStdString());
        const QByteArray file = weekly("commas", c.exdate, c.after);
        QString problem;
        const auto texts = ICalendarFile::readExceptionTexts(file, &problem);
        ASSERT_TRUE(texts && texts->exceptionDates.size() == 1);
        EXPECT_FALSE(texts->exceptionDates.first().contains(QLatin1Char(','))) << texts->exceptionDates.first().toStdString();
        writeEventFile(QStringLiteral("commas.ics"), file);
        QList<Date> deleted;
        Date start, end;
        jobs->getICalEventInfo(QStringLiteral("commas"), calendarFolder(), &deleted, &start, &end);
        EXPECT_EQ(deleted, QList<Date>{c.deleted});
        const auto read = ICalendarFile::readEvents(file, &problem);
        EXPECT_TRUE(read && read->master && read->master->exceptionDates == QList<Date>{c.deleted});
    }
}
