#include "CalendarSyncFixture.h"

#include "../CalendarStore/IndependentReader.h"

#include "LogCapture.h"
#include "ObjICalSync.h"
#include "PropertyList.h"
#include "Transaction.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <optional>

namespace {

int failingSync(int)
{
    errno = EIO;
    return -1;
}

class WritePrimitivesTest : public CalendarSyncTest {
protected:
    TaskPtr storedEvent(const Date& start, const Date& end)
    {
        TaskPtr item = localEvent(start, end);
        EXPECT_TRUE(item->insertIntoDatabase());
        return item;
    }
    // Every file the sync left in the calendar's Events and Tasks folders.
    QStringList storeFiles() const
    {
        QStringList files;
        QDirIterator it(calendarFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.endsWith(QStringLiteral("Info.plist"))) files << path;
        }
        return files;
    }
    int eventFiles() const
    {
        int count = 0;
        QDirIterator it(storeFolder.path(), {QStringLiteral("*.ics")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (it.filePath().contains(QStringLiteral("/Events/"))) ++count;
        }
        return count;
    }
    CalendarPtr sharedCategory()
    {
        auto shared = std::make_shared<Calendar>();
        shared->setPrimaryKey(8);
        shared->setICalUID(storeCalendar->uid());
        shared->setExtraStatus(1);
        dataManager().doWithCalendarList(CalendarList{shared}, 0);
        return shared;
    }
};

}  // namespace

TEST_F(WritePrimitivesTest, ScopeCodesChooseTheSpans)
{
    struct Case {
        qint64 scope;
        int store;
        int zone;
    };
    const Case cases[] = {{0, CalSpanThisEvent, EKSpanThisEvent}, {1, CalSpanAllEvents, EKSpanFutureEvents},
                          {2, CalSpanFutureEvents, EKSpanFutureEvents}, {3, CalSpanThisEvent, EKSpanThisEvent},
                          {-1, CalSpanThisEvent, EKSpanThisEvent}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scope);
        EXPECT_EQ(iCalSyncJobs::storeSpanOfScope(c.scope), c.store);
        EXPECT_EQ(iCalSyncJobs::zoneSpanOfScope(c.scope), c.zone);
    }
    ObjICalSync job(localEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10)), 2);
    EXPECT_EQ(job.type(), 2);
    job.setType(0);
    EXPECT_EQ(job.type(), 0);
}

TEST_F(WritePrimitivesTest, ACreatedEventIsInTheFileAndLinkedToTheItem)
{
    TaskPtr item = storedEvent(local(2014, 3, 20, 10), local(2014, 3, 20, 11, 30));
    item->setTaskLocation(QStringLiteral("Harbour"));
    item->setTz(tokyoZone);
    ASSERT_TRUE(jobs->createNewEventOnICal(item, 7));  // an unknown scope acts as 0
    ASSERT_FALSE(item->iCalUID().isEmpty());
    // The occurrence in the item's own time, as its start is kept.
    EXPECT_EQ(item->occurrence(), local(2014, 3, 20, 10));
    EXPECT_EQ(dataManager().modifyingTask(), nullptr) << "the item a view edits is the view's alone";
    EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey())->iCalUID(), item->iCalUID());

    const auto back = readBack(item->iCalUID());
    ASSERT_TRUE(back && back->master);
    EXPECT_EQ(back->master->title, QStringLiteral("Dentist"));
    EXPECT_EQ(back->master->location, QStringLiteral("Harbour"));
    EXPECT_EQ(back->master->timeZone, QStringLiteral("Asia/Tokyo"));
    EXPECT_EQ(back->master->start, utc(2014, 3, 20, 1));
    EXPECT_EQ(back->master->end, utc(2014, 3, 20, 2, 30));
}

// The export gives a new event the zone and times the zone write would give
// it, so that write finds nothing to do: each new event's file is written
// once, alone or in a list.
TEST_F(WritePrimitivesTest, ACreatedEventsFileIsWrittenOnce)
{
    struct Case {
        const char* name;
        qint64 zone;
        bool allDay;
        qint64 repeatType;
        qint64 scope;
        QString storedZone;
        const char* machineZone = nullptr;  // the system zone, when not the tests' own
    };
    // The table lists no UTC: the organizer names the zone of a machine on
    // UTC by the first zone at +00:00.
    constexpr qint64 reykjavikZone = 42624;
    const Case cases[] = {
        {"Tokyo", tokyoZone, false, 0, 0, QStringLiteral("Asia/Tokyo")},
        {"no zone", 0, false, 0, 0, QString()},
        {"all-day in a zone", tokyoZone, true, 0, 0, QString()},
        {"a weekly series in New York, all of it", newYorkZone, false, 2, 1, QStringLiteral("America/New_York")},
        {"the machine's own zone, on UTC", reykjavikZone, false, 0, 0, QStringLiteral("UTC"), "Etc/UTC"},
        {"a weekly series in the machine's own zone, on UTC", reykjavikZone, false, 2, 1, QStringLiteral("UTC"), "UTC"},
    };
    FilePlacements placed(calendarFolder() + QStringLiteral("/Events"));
    ASSERT_TRUE(placed.watching());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<ScopedTimeZone> machine;
        if (c.machineZone) machine.emplace(c.machineZone);
        if (c.machineZone) ASSERT_EQ(dataManager().getDefaultTimezone(), c.zone);
        TaskPtr item = c.allDay ? storedEvent(local(2014, 3, 20), local(2014, 3, 20, 23, 59, 59))
                                : storedEvent(local(2014, 3, 20, 10), local(2014, 3, 20, 11));
        item->setIsADE(c.allDay ? 1 : 0);
        item->setTz(c.zone);
        item->setRepeatType(c.repeatType);
        item->setRepeatOptions(QStringLiteral("1/5/0"));
        item->setIsRepeatForever(1);
        ASSERT_TRUE(jobs->createNewEventOnICal(item, c.scope));
        ASSERT_FALSE(item->iCalUID().isEmpty());
        EXPECT_EQ(placed.take(), QFileInfo(store->eventFilePath(item->iCalUID())).fileName().toStdString());
        const auto back = readBack(item->iCalUID());
        ASSERT_TRUE(back && back->master);
        EXPECT_EQ(back->master->timeZone, c.storedZone);
        EXPECT_EQ(back->master->rule.has_value(), c.repeatType != 0);
    }

    TaskList list{storedEvent(local(2014, 3, 21, 10), local(2014, 3, 21, 11)),
                  storedEvent(local(2014, 3, 21, 12), local(2014, 3, 21, 13))};
    list.first()->setTz(tokyoZone);
    ASSERT_EQ(jobs->createNewEventsOnICal(list, 0), 2);
    QStringList names;
    for (const TaskPtr& item : list) names << QFileInfo(store->eventFilePath(item->iCalUID())).fileName();
    names.sort();
    EXPECT_EQ(placed.take(), names.join(QLatin1Char(' ')).toStdString());
}

TEST_F(WritePrimitivesTest, AllDayEventsEndOnTheDayAfterTheirLastDay)
{
    TaskPtr item = storedEvent(local(2014, 3, 5), local(2014, 3, 6, 23, 59, 59));
    item->setIsADE(1);
    ASSERT_TRUE(jobs->createNewEventOnICal(item, 0));
    auto back = readBack(item->iCalUID());
    ASSERT_TRUE(back && back->master);
    EXPECT_TRUE(back->master->allDay);
    EXPECT_EQ(back->master->start, local(2014, 3, 5));
    EXPECT_EQ(back->master->end, local(2014, 3, 7));

    item->setTaskName(QStringLiteral("Fair"));
    ASSERT_TRUE(jobs->updateEventOnICal(item, store->eventWithUID(item->iCalUID(), Date()), 0));
    back = readBack(item->iCalUID());
    ASSERT_TRUE(back && back->master);
    EXPECT_EQ(back->master->title, QStringLiteral("Fair"));
    EXPECT_EQ(back->master->end, local(2014, 3, 7));
}

TEST_F(WritePrimitivesTest, ScopeCodesActOnASeries)
{
    TaskPtr item = storedEvent(local(2014, 3, 3, 9), local(2014, 3, 3, 10));
    item->setRepeatType(1);
    item->setRepeatOptions(QStringLiteral("1//0"));
    item->setIsRepeatForever(1);
    ASSERT_TRUE(jobs->createNewEventOnICal(item, 1));
    const QString uid = item->iCalUID();

    // This occurrence only: a changed occurrence in the file.
    item->setStartTime(local(2014, 3, 5, 14));
    item->setEndTime(local(2014, 3, 5, 15));
    ASSERT_TRUE(jobs->updateEventOnICal(item, store->eventWithUID(uid, local(2014, 3, 5, 9)), 0));
    auto back = readBack(uid);
    ASSERT_TRUE(back && back->master);
    ASSERT_EQ(back->overrides.size(), 1);
    EXPECT_EQ(back->overrides.first().start, local(2014, 3, 5, 14));
    EXPECT_EQ(back->master->start, local(2014, 3, 3, 9));

    // This and the following ones: the series ends before the occurrence.
    item->setStartTime(local(2014, 3, 10, 11));
    item->setEndTime(local(2014, 3, 10, 12));
    ASSERT_TRUE(jobs->updateEventOnICal(item, store->eventWithUID(uid, local(2014, 3, 10, 9)), 2));
    back = readBack(uid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    ASSERT_TRUE(back->master->rule->recurrenceEnd());
    EXPECT_LT(back->master->rule->recurrenceEnd()->endDate(), local(2014, 3, 10, 9));

    // Removing this occurrence only: a deleted date.
    ASSERT_TRUE(jobs->deleteEventOnICal(store->eventWithUID(uid, local(2014, 3, 4, 9)), 0));
    back = readBack(uid);
    ASSERT_TRUE(back && back->master);
    EXPECT_EQ(back->master->exceptionDates, QList<Date>{local(2014, 3, 4, 9)});
    // All of them: the file goes.
    ASSERT_TRUE(jobs->deleteEventOnICal(store->eventWithUID(uid, Date()), 1));
    EXPECT_TRUE(store->eventFilePath(uid).isEmpty());
}

TEST_F(WritePrimitivesTest, RefusedEventWritesChangeNothing)
{
    TaskPtr noEnd = storedEvent(local(2014, 3, 20, 9), Date());
    TaskPtr scheduled = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    scheduled->setIsSheduledTask(true);
    TaskPtr shared = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    shared->setIsShared(true);
    TaskPtr unlinked = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    unlinked->setCalendarId(99);  // a category without a store calendar
    // Each refusal is told once with its reason; a category without a store
    // calendar is no failure and says nothing.
    const std::pair<TaskPtr, const char*> refusals[] = {
        {noEnd, "it has no end"}, {scheduled, "it is a scheduled task"}, {shared, "it is shared"}, {unlinked, nullptr}};
    for (const auto& [item, reason] : refusals) {
        LogCapture log;
        item->setICalUID(QStringLiteral("OLD"));
        EXPECT_FALSE(jobs->createNewEventOnICal(item, 0));
        EXPECT_EQ(item->iCalUID(), QStringLiteral("OLD"));
        const QStringList lines = log.messages().filter(QStringLiteral("Calendar store"));
        if (!reason) {
            EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
            continue;
        }
        ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
        EXPECT_TRUE(lines.first().contains(QStringLiteral("(item %1)").arg(item->primaryKey())));
        EXPECT_TRUE(lines.first().contains(QLatin1String(reason)));
    }
    EXPECT_EQ(eventFiles(), 0);
    EXPECT_FALSE(jobs->updateEventOnICal(scheduled, CalEvent::event(), 0));

    TaskPtr fine = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    dataManager().setBSynciCalEnable(false);
    EXPECT_FALSE(jobs->createNewEventOnICal(fine, 0));
    EXPECT_EQ(eventFiles(), 0);
}

TEST_F(WritePrimitivesTest, AFailedStoreWriteKeepsTheOldLinkAndIsLogged)
{
    TaskPtr item = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    ASSERT_TRUE(jobs->createNewEventOnICal(item, 0));
    const QString uid = item->iCalUID();
    // Another program makes the calendar read-only.
    const QString info = calendarFolder() + QStringLiteral("/Info.plist");
    QVariantMap map = PropertyList::readFile(info).value.toMap();
    map.insert(QStringLiteral("Editable"), false);
    ASSERT_EQ(PropertyList::writeFile(info, map), PropertyList::Error::None);
    reopenStore();

    LogCapture log;
    item->setTaskName(QStringLiteral("Renamed"));
    EXPECT_FALSE(jobs->updateEventOnICal(item, store->eventWithUID(uid, Date()), 0));
    EXPECT_FALSE(jobs->createNewEventOnICal(item, 0));
    EXPECT_EQ(item->iCalUID(), uid);
    EXPECT_TRUE(log.contains(QStringLiteral("Calendar store: updating the event Renamed (item %1) failed").arg(item->primaryKey())));
    EXPECT_FALSE(jobs->deleteEventOnICal(store->eventWithUID(uid, Date()), 1));
    EXPECT_EQ(readBack(uid)->master->title, QStringLiteral("Dentist"));
}

// The zone is written after the event itself; when the store refuses that
// second write, the event keeps its old zone and times and the store's own
// reason is in the log.
TEST_F(WritePrimitivesTest, AFailedZoneWriteIsLoggedWithTheStoresTextAndChangesNothing)
{
    auto event = CalEvent::event();
    event->setCalendar(storeCalendar);
    event->setTitle(QStringLiteral("Call"));
    event->setStartDate(utc(2014, 3, 20, 9));
    event->setEndDate(utc(2014, 3, 20, 10));
    ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
    const QString path = store->eventFilePath(event->uid());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    const QString info = calendarFolder() + QStringLiteral("/Info.plist");
    QVariantMap map = PropertyList::readFile(info).value.toMap();
    map.insert(QStringLiteral("Editable"), false);
    ASSERT_EQ(PropertyList::writeFile(info, map), PropertyList::Error::None);
    reopenStore();

    TaskPtr item = localEvent(local(2014, 3, 20, 10), local(2014, 3, 20, 11));
    item->setTz(tokyoZone);
    item->setICalUID(event->uid());
    LogCapture log;
    jobs->saveEventTimeZone(*store->eventWithUID(event->uid(), Date()), item, EKSpanThisEvent);
    EXPECT_TRUE(log.contains(QStringLiteral("Calendar store: the zone of %1 was not written: the calendar %2 is not editable")
                                 .arg(event->uid(), storeCalendar->uid())))
        << log.messages().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    const CalEventPtr unchanged = store->eventWithUID(event->uid(), Date());
    ASSERT_TRUE(unchanged);
    EXPECT_EQ(unchanged->timeZone(), QString());
    EXPECT_EQ(unchanged->startDate(), utc(2014, 3, 20, 9));
    EXPECT_EQ(item->iCalUID(), event->uid());
    EXPECT_EQ(item->startTime(), local(2014, 3, 20, 10));
}

// A task whose category the store has no calendar for stays here until a
// later sync finds one: not written, not linked, no file, and nothing logged,
// since that is how a new machine starts.
TEST_F(WritePrimitivesTest, ATaskWithoutAStoreCalendarIsRefusedAndStaysUnlinked)
{
    auto noCalendar = std::make_shared<Calendar>();
    noCalendar->setPrimaryKey(9);
    noCalendar->setCalendarName(QStringLiteral("Local only"));
    auto vanished = std::make_shared<Calendar>();
    vanished->setPrimaryKey(10);
    vanished->setCalendarName(QStringLiteral("Removed elsewhere"));
    vanished->setICalUID(QStringLiteral("NO-SUCH-CALENDAR"));
    dataManager().doWithCalendarList(CalendarList{noCalendar, vanished}, 0);
    struct Case {
        const char* name;
        qint64 categoryId;
    };
    const Case cases[] = {{"a category without a store calendar", 9},
                          {"a store calendar that is gone", 10},
                          {"no category at all", 99}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(QStringLiteral("Report"));
        task->setCalendarId(c.categoryId);
        ASSERT_TRUE(task->insertIntoDatabase());
        LogCapture log;
        EXPECT_FALSE(jobs->createNewTaskOnICal(task));
        EXPECT_TRUE(task->iCalUID().isEmpty());
        EXPECT_TRUE(Task::initWithPrimaryKey(task->primaryKey())->iCalUID().isEmpty());
        EXPECT_TRUE(log.messages().filter(QStringLiteral("Calendar store")).isEmpty())
            << log.messages().join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_TRUE(storeFiles().isEmpty()) << storeFiles().join(QLatin1Char(' ')).toStdString();
    QDirIterator anywhere(storeFolder.path(), {QStringLiteral("*.ics")}, QDir::Files, QDirIterator::Subdirectories);
    EXPECT_FALSE(anywhere.hasNext());
}

TEST_F(WritePrimitivesTest, TasksInSharedCategoriesStayOutOfTheStoreButMayLeaveIt)
{
    auto task = std::make_shared<Task>();
    task->setTaskType(1);
    task->setTaskName(QStringLiteral("Report"));
    task->setCalendarId(category->primaryKey());
    task->setHasDue(1);
    task->setDueEnd(local(2014, 3, 21, 17));
    ASSERT_TRUE(task->insertIntoDatabase());
    dataManager().setBSynciCalEnable(false);  // task creation does not ask
    ASSERT_TRUE(jobs->createNewTaskOnICal(task));
    dataManager().setBSynciCalEnable(true);
    ASSERT_FALSE(task->iCalUID().isEmpty());
    const CalTaskPtr stored = store->taskWithUID(task->iCalUID());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->title(), QStringLiteral("Report"));
    EXPECT_EQ(stored->dueDate(), local(2014, 3, 21, 17));

    task->setCalendarId(sharedCategory()->primaryKey());
    task->setTaskName(QStringLiteral("Changed"));
    EXPECT_FALSE(jobs->updateTaskOnICal(task, stored));
    EXPECT_EQ(store->taskWithUID(task->iCalUID())->title(), QStringLiteral("Report"));
    auto other = std::make_shared<Task>();
    other->setTaskType(1);
    other->setCalendarId(8);
    EXPECT_FALSE(jobs->createNewTaskOnICal(other));
    EXPECT_TRUE(other->iCalUID().isEmpty());
    EXPECT_TRUE(jobs->deleteTaskOnICal(stored));
    EXPECT_FALSE(store->taskWithUID(task->iCalUID()));
}

// Files the store cannot use stay as they are whatever is written beside them.
TEST_F(WritePrimitivesTest, BadFilesOfOtherProgramsAreLeftAlone)
{
    const char* names[] = {"garbage.ics", "no-uid.ics", "no-dtstart.ics", "unknown-tzid.ics"};
    QMap<QString, QByteArray> written;
    for (const char* name : names) {
        QFile fixture(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QString::fromLatin1(name));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        const QByteArray bytes = fixture.readAll();
        written.insert(writeEventFile(QString::fromLatin1(name), bytes), bytes);
    }
    TaskPtr item = storedEvent(local(2014, 3, 27, 10), local(2014, 3, 27, 11));
    item->setTz(tokyoZone);
    ASSERT_TRUE(jobs->createNewEventOnICal(item, 1));
    item->setICalUID(QStringLiteral("unknown-zone-1"));
    const CalEventPtr other = store->eventWithUID(QStringLiteral("unknown-zone-1"), Date());
    ASSERT_TRUE(other);  // read in the system zone
    jobs->synchEventTimeZone(*other, item);
    EXPECT_EQ(item->tz(), 0);  // no zone it names: floating
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        QFile file(it.key());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), it.value()) << it.key().toStdString();
    }
}

TEST_F(WritePrimitivesTest, AListOfNewEventsIsLinkedWholeOrNotAtAll)
{
    TaskList batch;
    for (int hour = 9; hour < 12; ++hour) batch << storedEvent(local(2014, 3, 20, hour), local(2014, 3, 20, hour + 1));
    TaskPtr shared = storedEvent(local(2014, 3, 21, 9), local(2014, 3, 21, 10));
    shared->setIsShared(true);
    batch.insert(1, shared);

    EXPECT_EQ(jobs->createNewEventsOnICal(batch, 0), 3);
    EXPECT_EQ(eventFiles(), 3);
    EXPECT_TRUE(shared->iCalUID().isEmpty());
    for (const TaskPtr& item : batch) {
        if (item == shared) continue;
        ASSERT_FALSE(item->iCalUID().isEmpty());
        // A random UUID, upper-case, without braces.
        const QUuid uid(item->iCalUID());
        EXPECT_EQ(uid.version(), QUuid::Random);
        EXPECT_EQ(uid.variant(), QUuid::DCE);
        EXPECT_EQ(uid.toString(QUuid::WithoutBraces).toUpper(), item->iCalUID());
        EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey())->iCalUID(), item->iCalUID());
        EXPECT_TRUE(readBack(item->iCalUID()));
    }

    // When the links cannot be stored the new copies leave the store again,
    // so the next full sync cannot bring them back as doubles.
    TaskList second;
    for (int hour = 13; hour < 15; ++hour) second << storedEvent(local(2014, 3, 20, hour), local(2014, 3, 20, hour + 1));
    exec(QStringLiteral("CREATE TRIGGER refuseLinks BEFORE UPDATE ON Tasks BEGIN SELECT RAISE(ABORT, 'full'); END"));
    LogCapture log;
    EXPECT_EQ(jobs->createNewEventsOnICal(second, 0), 0);
    exec(QStringLiteral("DROP TRIGGER refuseLinks"));
    EXPECT_EQ(eventFiles(), 3);
    for (const TaskPtr& item : second) {
        EXPECT_TRUE(item->iCalUID().isEmpty());
        EXPECT_TRUE(Task::initWithPrimaryKey(item->primaryKey())->iCalUID().isEmpty());
    }
    EXPECT_TRUE(log.contains(QStringLiteral("new store events could not be stored")));
    EXPECT_EQ(jobs->createNewEventsOnICal({}, 0), 0);
}

// The links of a group and the names of the next are one unit. When the
// database refuses a unit part-way, the copies it would have linked leave
// the store, the next group is not written, and a later sync links every
// event once.
TEST_F(WritePrimitivesTest, AGroupWhoseLinksAreRefusedLeavesTheStoreAndTheNextWaits)
{
    constexpr int count = int(iCalSyncJobs::newEventsPerUnit) + 50;
    const struct {
        int updatesAllowed;  // rows of Tasks the database takes before it refuses
        int linked;
    } cases[] = {
        {0, 0},                    // the first names
        {count, 0},                // the first links with the second names
        {count + 250, 250},    // the last links
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.updatesAllowed);
        const int filesBefore = eventFiles();
        TaskList events;
        {
            Transaction unit;
            for (int i = 0; i < count; ++i)
                events << storedEvent(local(2014, 3, 1 + i % 28, 8 + i % 10), local(2014, 3, 1 + i % 28, 9 + i % 10));
            ASSERT_TRUE(unit.commit());
        }
        exec(QStringLiteral("CREATE TABLE updates(n INTEGER); INSERT INTO updates VALUES(0)"));
        exec(QStringLiteral("CREATE TRIGGER countUpdates AFTER UPDATE ON Tasks BEGIN UPDATE updates SET n = n + 1; END"));
        exec(QStringLiteral("CREATE TRIGGER refuseUpdates BEFORE UPDATE ON Tasks WHEN (SELECT n FROM updates) >= %1 "
                            "BEGIN SELECT RAISE(ABORT, 'full'); END")
                 .arg(c.updatesAllowed));
        {
            LogCapture log;
            EXPECT_EQ(jobs->createNewEventsOnICal(events, 0), c.linked);
            EXPECT_TRUE(log.contains(QStringLiteral("could not be stored")));
        }
        exec(QStringLiteral("DROP TRIGGER refuseUpdates; DROP TRIGGER countUpdates; DROP TABLE updates"));
        EXPECT_EQ(eventFiles() - filesBefore, c.linked) << "only linked copies stay";

        ASSERT_TRUE(jobs->settlePendingStoreCopies());
        TaskList unlinked;
        for (const TaskPtr& event : events)
            if (Task::initWithPrimaryKey(event->primaryKey())->iCalUID().isEmpty()) unlinked << event;
        EXPECT_EQ(unlinked.size(), count - c.linked);
        EXPECT_EQ(jobs->createNewEventsOnICal(unlinked, 0), count - c.linked);
        QSet<QString> uids;
        for (const TaskPtr& event : events) uids << Task::initWithPrimaryKey(event->primaryKey())->iCalUID();
        EXPECT_EQ(uids.size(), count);
        EXPECT_EQ(eventFiles() - filesBefore, count) << "every event once in the store";
    }
}

// A new copy is linked only once it is on the disk. When the disk does not
// take it, the copies leave the store again (a later full sync would import
// them as doubles) and nothing is linked.
TEST_F(WritePrimitivesTest, NewCopiesTheDiskDoesNotTakeAreRemovedAndNotLinked)
{
    TaskList events;
    for (int hour = 9; hour < 12; ++hour) events << storedEvent(local(2014, 3, 20, hour), local(2014, 3, 20, hour + 1));
    auto task = std::make_shared<Task>();
    task->setTaskType(1);
    task->setTaskName(QStringLiteral("Report"));
    task->setCalendarId(category->primaryKey());
    ASSERT_TRUE(task->insertIntoDatabase());

    CalCalendarStore::setSyncCallForTesting(failingSync);
    LogCapture log;
    EXPECT_EQ(jobs->createNewEventsOnICal(events, 0), 0);
    EXPECT_EQ(jobs->createNewTasksOnICal({task}), 0);
    {
        // Inside a run of queued jobs a single new copy waits for the disk too.
        CalCalendarStore::WriteBatch batch(store);
        EXPECT_FALSE(jobs->createNewEventOnICal(events.first(), 0));
        EXPECT_FALSE(jobs->createNewTaskOnICal(task));
    }
    CalCalendarStore::setSyncCallForTesting(nullptr);
    EXPECT_TRUE(log.contains(QStringLiteral("could not be made durable")));
    EXPECT_TRUE(storeFiles().isEmpty()) << storeFiles().join(QLatin1Char(' ')).toStdString();
    const TaskList all = TaskList(events) << task;
    for (const TaskPtr& item : all) {
        EXPECT_TRUE(item->iCalUID().isEmpty());
        EXPECT_TRUE(Task::initWithPrimaryKey(item->primaryKey())->iCalUID().isEmpty());
    }

    // Once the disk takes them, the same lists go in whole.
    EXPECT_EQ(jobs->createNewEventsOnICal(events, 0), 3);
    EXPECT_EQ(jobs->createNewTasksOnICal({task}), 1);
    EXPECT_EQ(storeFiles().size(), 4);
    for (const QString& path : storeFiles()) EXPECT_TRUE(path.endsWith(QStringLiteral(".ics"))) << path.toStdString();
}

// A store file holds only what RFC 5545 lets a text hold (the independent
// reader parses each); the organizer's own title is never cut or changed by
// re-reading its store copy, while another program's change still comes in.
TEST_F(WritePrimitivesTest, TitlesWithControlCharactersAreWrittenCleanAndKeptWholeHere)
{
    IndependentReader reader;
    const QString a37(37, QLatin1Char('a'));
    const struct {
        QString title;
        QString inFile;
    } cases[] = {
        {a37 + QChar(0) + a37 + QLatin1Char('b'), a37 + a37 + QLatin1Char('b')},
        {QStringLiteral("one\x01two\x1b[0mthree\x7f"), QStringLiteral("onetwo[0mthree")},
        {QStringLiteral("one\u2028two\tthree; c, d\\e"), QStringLiteral("one\u2028two\tthree; c, d\\e")},
        {QStringLiteral("one\rtwo\r\nthree\nfour"), QStringLiteral("one\ntwo\nthree\nfour")},
        // Blanks at either end of a value do not read back.
        {QStringLiteral("Lunch "), QStringLiteral("Lunch")},
        {QStringLiteral("\x01 Plan\t\x17"), QStringLiteral("Plan")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inFile.toStdString());
        TaskPtr item = storedEvent(local(2014, 3, 20, 10), local(2014, 3, 20, 11));
        item->setTaskName(c.title);
        ASSERT_TRUE(item->dehydrate() && jobs->createNewEventOnICal(item, 0));
        QFile file(store->eventFilePath(item->iCalUID()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll().replace("\r\n", "\n");
        EXPECT_FALSE(std::any_of(bytes.cbegin(), bytes.cend(), [](char b) {
            return (uchar(b) < 0x20 && b != '\n' && b != '\t') || b == 0x7F;
        })) << bytes.toStdString();
        reader.expect(file.fileName(), local(2014, 3, 19), local(2014, 3, 21), {{local(2014, 3, 20, 10), local(2014, 3, 20, 11)}});
        reopenStore();
        const CalEventPtr copy = store->eventWithUID(item->iCalUID(), Date());
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->title(), c.inFile);
        TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());
        jobs->updateInfoFromICalEvent(*copy, row, Date(), Date());
        EXPECT_EQ(row->taskName(), c.title);
        copy->setTitle(c.inFile + QStringLiteral(" (moved)"));
        jobs->updateInfoFromICalEvent(*copy, row, Date(), Date());
        EXPECT_EQ(row->taskName(), c.inFile + QStringLiteral(" (moved)"));
    }
}
