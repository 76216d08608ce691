#include "CalendarSyncFixture.h"

#include "LogCapture.h"
#include "MainQueue.h"
#include "PropertyList.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <tuple>

namespace {

// The full sync and the restore, run on the test's thread against a store
// on a temporary folder; files written here stand for other programs.
class FullSyncTest : public CalendarSyncTest {
protected:
    void SetUp() override
    {
        CalendarSyncTest::SetUp();
        setting->setICalSyncWindowStart(7);
        setting->setICalSyncWindowEnd(7);
        dataManager().doWithCalendarList(std::nullopt, 1);
        category = linkedCategory(QStringLiteral("Home"), storeCalendar->uid());
    }
    void TearDown() override
    {
        if (jobs) jobs->waitForQueuedJobs(10);
        QFile::setPermissions(storeFolder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        CalendarSyncTest::TearDown();
    }

    CalendarPtr linkedCategory(const QString& name, const QString& uid, qint64 builtIn = 0)
    {
        auto made = std::make_shared<Calendar>();
        made->setCalendarName(name);
        made->setICalUID(uid);
        made->setBuiltIn(builtIn);
        made->setInVisible(0);
        EXPECT_TRUE(dataManager().addCalendarToCalendarList(made, false, false));
        // A new category starts unlinked; the link is what a former sync left.
        made->setICalUID(uid);
        EXPECT_TRUE(made->dehydrate());
        return made;
    }
    // A calendar folder of another program holding only the kinds given.
    QString foreignCalendar(const QString& title, bool events, bool tasks)
    {
        const QString uid = QStringLiteral("FOREIGN-%1").arg(title.toUpper());
        const QString folder = QStringLiteral("%1/%2.calendar").arg(storeFolder.path(), uid);
        EXPECT_TRUE(QDir().mkpath(folder + QStringLiteral("/Events")));
        EXPECT_TRUE(QDir().mkpath(folder + QStringLiteral("/Tasks")));
        const QVariantMap info{{QStringLiteral("Title"), title},
                               {QStringLiteral("EventContainer"), qint64(events)},
                               {QStringLiteral("TaskContainer"), qint64(tasks)}};
        EXPECT_EQ(PropertyList::writeFile(folder + QStringLiteral("/Info.plist"), info), PropertyList::Error::None);
        return uid;
    }
    TaskPtr storedEvent(const QString& name, const Date& start, const QString& uid, const CalendarPtr& in)
    {
        TaskPtr item = localEvent(start, start.dateByAddingTimeInterval(3600));
        item->setTaskName(name);
        item->setOccurrence(start);
        item->setICalUID(uid);
        item->setCalendarId(in->primaryKey());
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }
    TaskPtr storedTask(const QString& name, const QString& uid, const CalendarPtr& in)
    {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(name);
        task->setICalUID(uid);
        task->setCalendarId(in->primaryKey());
        task->setDueEnd(local(2014, 6, 20));
        EXPECT_TRUE(task->insertAndDehydrate());
        return task;
    }
    CalEventPtr storeEvent(const QString& title, const Date& start, const CalCalendarPtr& in)
    {
        auto event = CalEvent::event();
        event->setCalendar(in);
        event->setTitle(title);
        event->setStartDate(start);
        event->setEndDate(start.dateByAddingTimeInterval(3600));
        EXPECT_TRUE(store->saveEvent(event, CalSpanAllEvents));
        return event;
    }
    qint64 rows(const QString& where)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE %1").arg(where));
    }
    qint64 rowsWithUID(const QString& uid) { return rows(QStringLiteral("iCalIdentifier = '%1'").arg(uid)); }
    QString uidOfKey(qint64 key)
    {
        const TaskPtr item = dataManager().taskWithPrimaryKey(key);
        return item ? item->iCalUID() : QString();
    }
};

// A store folder that lists no calendar (new, or emptied) holds none of the
// copies linked here: the categories get calendars, every item is written
// anew under its old key, nothing is deleted, and a second pass is quiet.
// The linked ones go back under their own uids and calendar folder, so when
// the old folder comes back (another tool fills the store again) its files
// are the same events: nothing doubles.
TEST_F(FullSyncTest, AStoreWithoutCalendarsIsWrittenAndLosesNothing)
{
    const TaskPtr linked = storedEvent(QStringLiteral("Linked"), local(2014, 3, 14, 9), QStringLiteral("GONE-1"), category);
    const TaskPtr task = storedTask(QStringLiteral("Linked task"), QStringLiteral("GONE-T"), category);
    const TaskPtr unlinked = storedEvent(QStringLiteral("Local"), local(2014, 3, 13, 9), QString(), category);
    auto copy = CalEvent::event();
    copy->setUidOfNewEvent(QStringLiteral("GONE-1"));
    copy->setCalendar(storeCalendar);
    copy->setTitle(QStringLiteral("Linked"));
    copy->setStartDate(local(2014, 3, 14, 9));
    copy->setEndDate(local(2014, 3, 14, 10));
    ASSERT_TRUE(store->saveEvent(copy, CalSpanAllEvents));
    auto taskCopy = CalTask::task();
    taskCopy->setUidOfNewTask(QStringLiteral("GONE-T"));
    taskCopy->setCalendar(storeCalendar);
    taskCopy->setTitle(QStringLiteral("Linked task"));
    ASSERT_TRUE(store->saveTask(taskCopy));
    QTemporaryDir aside;
    const QString movedAside = aside.path() + QStringLiteral("/old.calendar");
    ASSERT_TRUE(QDir().rename(calendarFolder(), movedAside));
    reopenStore();
    dataManager().doWithCalendarList(dataManager().getCalendarList(), ListAction::Replace);  // the default too
    const auto holdings = [&] {
        const CalCalendarList calendars = store->calendars();
        const qsizetype events = store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                                                                local(2014, 1, 1), local(2014, 6, 1), calendars))
                                     .size();
        const qsizetype tasks = store->tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(calendars)).size();
        return std::tuple(calendars.size(), events, tasks);
    };

    for (const char* pass : {"first", "second", "with the old folder back"}) {
        SCOPED_TRACE(pass);
        if (pass == std::string("with the old folder back")) {
            for (const QString& kind : {QStringLiteral("/Events/"), QStringLiteral("/Tasks/")})
                for (const QString& name : QDir(movedAside + kind).entryList(QDir::Files)) {
                    QFile::remove(calendarFolder() + kind + name);
                    ASSERT_TRUE(QFile::copy(movedAside + kind + name, calendarFolder() + kind + name)) << name.toStdString();
                }
            reopenStore();
        }
        jobs->backgroundFullSync();
        ASSERT_TRUE(jobs->waitForQueuedJobs(10));
        EXPECT_TRUE(dataManager().bSynciCalEnable());
        EXPECT_EQ(holdings(), std::tuple(qsizetype(2), qsizetype(2), qsizetype(1)));
        for (const CalendarPtr& kept : dataManager().calendarList())
            EXPECT_TRUE(store->calendarWithUID(kept->iCalUID())) << kept->calendarName().toStdString();
        EXPECT_TRUE(dataManager().calendarWithPrimaryKey(category->primaryKey())) << "the category stays";
        EXPECT_EQ(dataManager().calendarWithPrimaryKey(category->primaryKey())->iCalUID(), storeCalendar->uid());
        for (const TaskPtr& item : {linked, unlinked})
            EXPECT_TRUE(store->eventWithUID(uidOfKey(item->primaryKey()), Date())) << item->taskName().toStdString();
        EXPECT_TRUE(store->taskWithUID(uidOfKey(task->primaryKey())));
        EXPECT_EQ(uidOfKey(linked->primaryKey()), QStringLiteral("GONE-1"));
        EXPECT_EQ(uidOfKey(task->primaryKey()), QStringLiteral("GONE-T"));
        EXPECT_EQ(rows(QStringLiteral("taskType IN (0, 1) AND parentId = -1")), 3) << "nothing doubles";
        EXPECT_EQ(setting->iCalLastSyncTime(), Clock::now());
    }
}

// Gone linked items are deleted (events only inside the window), store items
// are imported, unlinked ones pushed where their calendar holds their kind;
// a second pass with nothing changed changes nothing.
TEST_F(FullSyncTest, PairsDeletesImportsAndPushesAndASecondPassChangesNothing)
{
    const QString tasksOnly = foreignCalendar(QStringLiteral("Jobs"), false, true);
    const QString eventsOnly = foreignCalendar(QStringLiteral("Trips"), true, false);
    reopenStore();
    const CalendarPtr jobsCategory = linkedCategory(QStringLiteral("Jobs"), tasksOnly);
    const CalendarPtr tripsCategory = linkedCategory(QStringLiteral("Trips"), eventsOnly);

    storedEvent(QStringLiteral("Soon"), Clock::now().dateByAddingTimeInterval(3 * 86400), QStringLiteral("GONE-3"), category);
    storedEvent(QStringLiteral("Later"), Clock::now().dateByAddingTimeInterval(10 * 86400), QStringLiteral("GONE-10"), category);
    storedTask(QStringLiteral("Old task"), QStringLiteral("GONE-T"), category);
    const CalEventPtr paired = storeEvent(QStringLiteral("From the store"), local(2014, 3, 13, 8), storeCalendar);
    const TaskPtr pairedLocal = storedEvent(QStringLiteral("Stale title"), local(2014, 3, 13, 8), paired->uid(), category);
    const CalEventPtr imported = storeEvent(QStringLiteral("Imported"), local(2014, 3, 15, 8), storeCalendar);
    auto storeTask = CalTask::task();
    storeTask->setCalendar(storeCalendar);
    storeTask->setTitle(QStringLiteral("Store task"));
    ASSERT_TRUE(store->saveTask(storeTask));
    const TaskPtr pushed = storedEvent(QStringLiteral("Pushed"), local(2014, 3, 16, 9), QString(), category);
    const TaskPtr eventInTasksOnly = storedEvent(QStringLiteral("Not here"), local(2014, 3, 16, 9), QString(), jobsCategory);
    const TaskPtr taskInEventsOnly = storedTask(QStringLiteral("Not here either"), QString(), tripsCategory);
    const TaskPtr pushedTask = storedTask(QStringLiteral("Pushed task"), QString(), jobsCategory);

    jobs->backgroundFullSync();

    EXPECT_TRUE(dataManager().bSynciCalEnable());
    EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-3")), 0);
    EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-10")), 1) << "outside the window";
    EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-T")), 0) << "tasks go whatever their date";
    EXPECT_EQ(dataManager().taskWithPrimaryKey(pairedLocal->primaryKey())->taskName(), QStringLiteral("From the store"));
    EXPECT_EQ(rowsWithUID(paired->uid()), 1);
    ASSERT_EQ(rowsWithUID(imported->uid()), 1);
    EXPECT_EQ(dataManager().getRootEventWithUID(imported->uid())->builtIn(), 1);
    EXPECT_EQ(dataManager().getRootEventWithUID(imported->uid())->calendarId(), category->primaryKey());
    EXPECT_EQ(rowsWithUID(storeTask->uid()), 1);
    const QString pushedUid = uidOfKey(pushed->primaryKey());
    ASSERT_FALSE(pushedUid.isEmpty());
    EXPECT_TRUE(store->eventWithUID(pushedUid, Date()));
    EXPECT_TRUE(uidOfKey(eventInTasksOnly->primaryKey()).isEmpty());
    EXPECT_TRUE(uidOfKey(taskInEventsOnly->primaryKey()).isEmpty());
    EXPECT_TRUE(store->taskWithUID(uidOfKey(pushedTask->primaryKey())));
    EXPECT_FALSE(setting->iCalLastSyncTime().isNull());

    const qint64 before = rows(QStringLiteral("1"));
    const qint64 storeEvents = store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                                                              local(2014, 1, 1), local(2014, 6, 1), store->calendars()))
                                   .size();
    jobs->backgroundFullSync();
    EXPECT_EQ(rows(QStringLiteral("1")), before);
    EXPECT_EQ(rows(QStringLiteral("iCalIdentifier IS NULL OR iCalIdentifier = ''")), 2);
    EXPECT_EQ(store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(local(2014, 1, 1), local(2014, 6, 1),
                                                                                      store->calendars()))
                  .size(),
              storeEvents);
}

// A series made outside comes with its changed occurrence and the exception
// entries; a local series pushed with a deleted occurrence loses it in the
// store, and its changed occurrences take the series' uid.
TEST_F(FullSyncTest, SeriesComeInWithTheirExceptionsAndGoOutWithThem)
{
    const QString uid = QStringLiteral("OUTSIDE-SERIES-1");
    writeEventFile(QStringLiteral("standup.ics"),
                   "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:OUTSIDE-SERIES-1\r\n"
                   "DTSTAMP:20140301T000000Z\r\nDTSTART:20140310T090000Z\r\nDTEND:20140310T100000Z\r\nSUMMARY:Standup\r\n"
                   "RRULE:FREQ=WEEKLY;COUNT=6\r\nEXDATE:20140324T090000Z\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\n"
                   "UID:OUTSIDE-SERIES-1\r\nDTSTAMP:20140301T000000Z\r\nRECURRENCE-ID:20140317T090000Z\r\n"
                   "DTSTART:20140318T140000Z\r\nDTEND:20140318T150000Z\r\nSUMMARY:Standup moved\r\nEND:VEVENT\r\n"
                   "END:VCALENDAR\r\n");
    jobs->backgroundFullSync();

    const TaskPtr root = dataManager().getRootEventWithUID(uid);
    ASSERT_TRUE(root);
    const TaskList detached = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
    ASSERT_EQ(detached.size(), 1);
    // Times in UTC: held on UTC's wall clock.
    EXPECT_EQ(instantOf(detached[0]->occurrence(), *root), utc(2014, 3, 17, 9));
    EXPECT_EQ(detached[0]->taskName(), QStringLiteral("Standup moved"));
    const QString expected = QLatin1Char('|') + Task::storedDateText(local(2014, 3, 17, 9)) + QStringLiteral("(1)|")
                             + Task::storedDateText(local(2014, 3, 24, 9)) + QStringLiteral("(2)");
    EXPECT_EQ(root->repeatExceptions(), expected);
    jobs->backgroundFullSync();
    EXPECT_EQ(rowsWithUID(uid), 2) << "a second pass keeps one row each";

    // Outward: a weekly local series with one deleted and one changed occurrence.
    TaskPtr series = localEvent(utc(2014, 3, 11, 9), utc(2014, 3, 11, 10));
    series->setRepeatType(2);
    series->setRepeatStartDate(utc(2014, 3, 11, 9));
    series->setOccurrence(utc(2014, 3, 11, 9));
    series->setCalendarId(category->primaryKey());
    ASSERT_TRUE(series->insertAndDehydrate());
    TaskPtr changed = localEvent(utc(2014, 3, 19, 12), utc(2014, 3, 19, 13));
    changed->setTaskName(QStringLiteral("Moved here"));
    changed->setParentId(series->primaryKey());
    changed->setOccurrence(utc(2014, 3, 18, 9));
    changed->setCalendarId(category->primaryKey());
    ASSERT_TRUE(changed->insertAndDehydrate());
    series->setRepeatExceptions(QLatin1Char('|') + Task::storedDateText(utc(2014, 3, 18, 9)) + QStringLiteral("(1)|")
                                + Task::storedDateText(utc(2014, 3, 25, 9)) + QStringLiteral("(2)"));
    ASSERT_TRUE(series->dehydrate());

    jobs->backgroundFullSync();
    const QString seriesUid = uidOfKey(series->primaryKey());
    ASSERT_FALSE(seriesUid.isEmpty());
    EXPECT_EQ(uidOfKey(changed->primaryKey()), seriesUid);
    EXPECT_FALSE(store->eventWithUID(seriesUid, utc(2014, 3, 25, 9))) << "the deleted occurrence left the store";
    // At its wall-clock time after the clocks changed, as the organizer shows it.
    EXPECT_TRUE(store->eventWithUID(seriesUid, local(2014, 4, 1, 10)));
    const CalEventPtr moved = store->eventWithUID(seriesUid, utc(2014, 3, 18, 9));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->title(), QStringLiteral("Moved here"));
}

// The start's sync takes the series read ahead once the store is indexed
// only while their files are as read: an edit made meanwhile, whose store
// write the sync makes first, is not paired with the older copy.
TEST_F(FullSyncTest, AnEditMadeWhileTheStartReadsTheSeriesAheadIsNotOverwritten)
{
    const QString uid = QStringLiteral("READ-AHEAD");
    writeEventFile(QStringLiteral("ahead.ics"),
                   "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:READ-AHEAD\r\n"
                   "DTSTAMP:20140301T000000Z\r\nDTSTART:20140310T090000Z\r\nDTEND:20140310T100000Z\r\n"
                   "SUMMARY:Standup\r\nRRULE:FREQ=WEEKLY;COUNT=6\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    jobs->backgroundFullSync();
    const TaskPtr root = dataManager().getRootEventWithUID(uid);
    ASSERT_TRUE(root);

    reopenStore();  // the next start's
    jobs->loadListsBeforeFullSync();
    bool ready = false;
    jobs->whenStoreIndexed([&ready] { ready = true; });
    ASSERT_TRUE(MainQueue::waitWhile([&ready] { return !ready; }, 10));
    root->setTaskName(QStringLiteral("Edited meanwhile"));
    ASSERT_TRUE(root->dehydrate());
    ASSERT_GT(iCalSync::markStoreWriteDue(root), 0);
    ASSERT_TRUE(jobs->runPendingFullSync());

    EXPECT_EQ(dataManager().getRootEventWithUID(uid)->taskName(), QStringLiteral("Edited meanwhile"));
    const CalEventPtr copy = store->eventWithUID(uid, Date());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->title(), QStringLiteral("Edited meanwhile"));
}

// A file whose series reads as its changes alone (its one plain occurrence
// deleted, the other moved) would put a change in the series' place, with
// the change's title and no end: the local series is kept, and that logged.
TEST_F(FullSyncTest, ASeriesThatReadsAsItsChangesAloneKeepsTheLocalSeries)
{
    const auto file = [](const QByteArray& deleted) -> QByteArray {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:ODD-SERIES\r\n"
               "DTSTAMP:20140301T000000Z\r\nDTSTART:20140310T090000Z\r\nDTEND:20140310T100000Z\r\nSUMMARY:Review\r\n"
               "RRULE:FREQ=WEEKLY;UNTIL=20140317T090000Z\r\n" + deleted + "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:ODD-SERIES\r\n"
               "DTSTAMP:20140301T000000Z\r\nRECURRENCE-ID:20140317T090000Z\r\nDTSTART:20140318T140000Z\r\n"
               "DTEND:20140318T150000Z\r\nSUMMARY:Review moved\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    writeEventFile(QStringLiteral("odd.ics"), file(""));
    jobs->backgroundFullSync();
    const TaskPtr root = dataManager().getRootEventWithUID(QStringLiteral("ODD-SERIES"));
    ASSERT_TRUE(root);
    ASSERT_EQ(root->repeatType(), 2);

    writeEventFile(QStringLiteral("odd.ics"), file("EXDATE:20140310T090000Z\r\n"));
    LogCapture log;
    jobs->backgroundFullSync();
    EXPECT_TRUE(log.contains(QStringLiteral("ODD-SERIES reads as its changes alone")));
    const TaskPtr kept = dataManager().taskWithPrimaryKey(root->primaryKey());
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->taskName(), QStringLiteral("Review"));
    EXPECT_EQ(kept->repeatType(), 2);
    EXPECT_EQ(kept->repeatEndDate(), root->repeatEndDate());
}

// A series with moved occurrences: a pass over an unchanged file leaves every
// row as it was (key, web id, every column) and queues nothing for the web;
// a pass after the file changed one occurrence and dropped another updates
// the first in place and deletes (and queues) only the second.
TEST_F(FullSyncTest, AnUnchangedSeriesKeepsItsRowsAndOnlyRealChangesReachTheRows)
{
    const auto file = [](const QByteArray& overrides) -> QByteArray {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:MOVED-SERIES\r\n"
               "DTSTAMP:20140301T000000Z\r\nDTSTART:20140310T090000Z\r\nDTEND:20140310T100000Z\r\nSUMMARY:Standup\r\n"
               "RRULE:FREQ=DAILY;COUNT=10\r\nEND:VEVENT\r\n"
               + overrides + "END:VCALENDAR\r\n";
    };
    const auto moved = [](const char* day, const char* title) -> QByteArray {
        return QByteArray("BEGIN:VEVENT\r\nUID:MOVED-SERIES\r\nDTSTAMP:20140301T000000Z\r\nRECURRENCE-ID:201403")
               + day + "T090000Z\r\nDTSTART:201403" + day + "T140000Z\r\nDTEND:201403" + day
               + "T150000Z\r\nSUMMARY:" + title + "\r\nEND:VEVENT\r\n";
    };
    const auto allRows = [this] {
        QStringList rows;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), "SELECT * FROM Tasks ORDER BY primaryKey", -1, &statement, nullptr), SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns;
            for (int c = 0; c < sqlite3_column_count(statement); ++c)
                columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
            rows << columns.join(QLatin1Char('|'));
        }
        sqlite3_finalize(statement);
        return rows;
    };
    writeEventFile(QStringLiteral("moved.ics"), file(moved("12", "Moved A") + moved("14", "Moved B") + moved("16", "Moved C")));
    jobs->backgroundFullSync();
    const TaskPtr root = dataManager().getRootEventWithUID(QStringLiteral("MOVED-SERIES"));
    ASSERT_TRUE(root);
    TaskList detached = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
    ASSERT_EQ(detached.size(), 3);
    // As after a web pass: every row known to the service under an id.
    for (qsizetype i = 0; i < detached.size(); ++i) {
        detached[i]->setZvwID(900012 + 2 * i);
        ASSERT_TRUE(detached[i]->dehydrate());
    }
    setting->setZvwDeletedTasks(QString());
    const QStringList before = allRows();

    jobs->backgroundFullSync();
    EXPECT_EQ(allRows(), before);
    EXPECT_EQ(setting->zvwDeletedTasks(), QString());

    writeEventFile(QStringLiteral("moved.ics"), file(moved("12", "Moved A") + moved("14", "Moved B, renamed")));
    jobs->backgroundFullSync();
    const TaskList after = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
    ASSERT_EQ(after.size(), 2);
    struct Expected {
        qint64 key;
        qint64 webId;
        QString title;
    };
    const Expected expected[] = {{detached[0]->primaryKey(), 900012, QStringLiteral("Moved A")},
                                 {detached[1]->primaryKey(), 900014, QStringLiteral("Moved B, renamed")}};
    for (const Expected& row : expected) {
        const TaskPtr stored = dataManager().taskWithPrimaryKey(row.key);
        ASSERT_TRUE(stored) << row.key;
        EXPECT_EQ(stored->zvwID(), row.webId);
        EXPECT_EQ(stored->taskName(), row.title);
    }
    EXPECT_EQ(setting->zvwDeletedTasks(), QStringLiteral(",900016")) << "only the dropped occurrence";
}

// Categories: a shared one is left alone and does not count for names; of
// two alike the later gives way and its calendar follows; a calendar made
// outside becomes a category; a category whose calendar is gone goes.
TEST_F(FullSyncTest, CategoriesFollowTheStoreAndKeepUniqueNames)
{
    const CalendarPtr shared = linkedCategory(QStringLiteral("Team"), QString());
    shared->setExtraStatus(1);
    ASSERT_TRUE(shared->dehydrate());
    const CalendarPtr mine = linkedCategory(QStringLiteral("Team"), QString());
    const CalendarPtr alike = linkedCategory(QStringLiteral("Elsewhere"), QString());
    alike->setCalendarName(QStringLiteral(" HOME"));  // as a web merge may leave it
    ASSERT_TRUE(alike->dehydrate());
    const CalendarPtr vanished = linkedCategory(QStringLiteral("Old"), QStringLiteral("VANISHED-UID"), 1);
    // Shared: kept though its calendar is gone, and never renamed, even
    // after a category of its name.
    const CalendarPtr sharedLater = linkedCategory(QStringLiteral("Shared"), QStringLiteral("VANISHED-SHARED"), 1);
    sharedLater->setExtraStatus(1);
    sharedLater->setCalendarName(QStringLiteral("team "));
    ASSERT_TRUE(sharedLater->dehydrate());
    storedEvent(QStringLiteral("Old item"), local(2014, 5, 1, 9), QStringLiteral("OLD-ITEM"), vanished);
    auto made = CalCalendar::calendar();
    made->setTitle(QStringLiteral("Made outside"));
    made->setColor(QColor(0x10, 0x8E, 0x77));
    ASSERT_TRUE(store->saveCalendar(made));

    jobs->backgroundFullSync();

    EXPECT_TRUE(dataManager().calendarWithPrimaryKey(shared->primaryKey())->iCalUID().isEmpty());
    EXPECT_EQ(dataManager().calendarWithPrimaryKey(shared->primaryKey())->calendarName(), QStringLiteral("Team"));
    const CalendarPtr mineNow = dataManager().calendarWithPrimaryKey(mine->primaryKey());
    EXPECT_EQ(mineNow->calendarName(), QStringLiteral("Team")) << "the shared name does not count";
    ASSERT_FALSE(mineNow->iCalUID().isEmpty());
    const CalendarPtr alikeNow = dataManager().calendarWithPrimaryKey(alike->primaryKey());
    EXPECT_EQ(alikeNow->calendarName(), QStringLiteral(" HOME_1"));
    EXPECT_EQ(store->calendarWithUID(alikeNow->iCalUID())->title(), QStringLiteral(" HOME_1"));
    EXPECT_FALSE(dataManager().calendarWithICalUID(QStringLiteral("VANISHED-UID")));
    const CalendarPtr sharedLaterNow = dataManager().calendarWithPrimaryKey(sharedLater->primaryKey());
    ASSERT_TRUE(sharedLaterNow);
    EXPECT_EQ(sharedLaterNow->calendarName(), QStringLiteral("team "));
    EXPECT_EQ(sharedLaterNow->iCalUID(), QStringLiteral("VANISHED-SHARED"));
    EXPECT_EQ(rowsWithUID(QStringLiteral("OLD-ITEM")), 0);
    const CalendarPtr imported = dataManager().calendarWithICalUID(made->uid());
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->calendarName(), QStringLiteral("Made outside"));
    EXPECT_EQ(imported->builtIn(), 1);
    EXPECT_EQ(imported->colorGroupId(), 2);
    EXPECT_EQ(imported->colorNameId(), 3);
    EXPECT_EQ(imported->taskOrEvent(), 3);
}

// A calendar another program made under a name a category already has
// (spaces and case aside) is imported under the next free "_n" name, and
// its store title follows, in the full sync as in the restore.
TEST_F(FullSyncTest, ACalendarMadeOutsideUnderATakenNameIsRenamedOnBothSides)
{
    auto made = CalCalendar::calendar();
    made->setTitle(QStringLiteral(" hOME"));
    made->setColor(QColor(0x10, 0x8E, 0x77));
    ASSERT_TRUE(store->saveCalendar(made));
    const qint64 storeCalendars = store->calendars().size();

    jobs->backgroundFullSync();
    const CalendarPtr imported = dataManager().calendarWithICalUID(made->uid());
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->calendarName(), QStringLiteral(" hOME_1"));
    EXPECT_EQ(store->calendarWithUID(made->uid())->title(), QStringLiteral(" hOME_1"));
    EXPECT_EQ(dataManager().calendarWithPrimaryKey(category->primaryKey())->calendarName(), QStringLiteral("Home"));
    EXPECT_EQ(store->calendarWithUID(storeCalendar->uid())->title(), QStringLiteral("Home"));
    EXPECT_EQ(imported->builtIn(), 1);
    EXPECT_EQ(imported->colorGroupId(), 2);
    EXPECT_EQ(imported->colorNameId(), 3);
    EXPECT_EQ(store->calendars().size(), storeCalendars) << "nothing is made in the store in return";

    jobs->backgroundFullSync();
    EXPECT_EQ(dataManager().calendarWithICalUID(made->uid())->calendarName(), QStringLiteral(" hOME_1"));
    EXPECT_EQ(store->calendarWithUID(made->uid())->title(), QStringLiteral(" hOME_1"));

    // The restore: both names are taken now, so the next one is _2.
    category->setBuiltIn(1);  // linked by uid, not by name
    ASSERT_TRUE(category->dehydrate());
    auto later = CalCalendar::calendar();
    later->setTitle(QStringLiteral("home"));
    ASSERT_TRUE(store->saveCalendar(later));
    jobs->backgroundRestoreCalendars();
    ASSERT_TRUE(jobs->waitForQueuedJobs(10));
    const CalendarPtr restored = dataManager().calendarWithICalUID(later->uid());
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->calendarName(), QStringLiteral("home_2"));
    EXPECT_EQ(store->calendarWithUID(later->uid())->title(), QStringLiteral("home_2"));
    EXPECT_EQ(dataManager().calendarWithICalUID(made->uid())->calendarName(), QStringLiteral(" hOME_1"));
    EXPECT_EQ(dataManager().calendarWithICalUID(storeCalendar->uid())->calendarName(), QStringLiteral("Home"));
}

// What the store cannot read is no absence: nothing linked is deleted.
TEST_F(FullSyncTest, AnUnreadableEventFileDeletesNothing)
{
    storedEvent(QStringLiteral("Linked"), local(2014, 3, 14, 9), QStringLiteral("KEEP-E"), category);
    storedTask(QStringLiteral("Linked task"), QStringLiteral("KEEP-T"), category);
    writeEventFile(QStringLiteral("broken.ics"), "BEGIN:VCALENDAR\r\nnot a calendar");
    jobs->backgroundFullSync();
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-E")), 1);
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-T")), 1);
    EXPECT_TRUE(dataManager().calendarWithICalUID(storeCalendar->uid()));

    // Once the file is gone, the absence is real.
    ASSERT_TRUE(QFile::remove(calendarFolder() + QStringLiteral("/Events/broken.ics")));
    reopenStore();
    jobs->backgroundFullSync();
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-E")), 0);
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-T")), 0);
}

// A store folder that cannot be listed (here a file stands where the folder
// was, which no permission lets anyone list) lists no calendar and reports
// it: the sync goes off and nothing is deleted or pushed.
TEST_F(FullSyncTest, AStoreFolderThatCannotBeListedDeletesNothing)
{
    storedEvent(QStringLiteral("Linked"), local(2014, 3, 14, 9), QStringLiteral("KEEP-E"), category);
    storedTask(QStringLiteral("Linked task"), QStringLiteral("KEEP-T"), category);
    const TaskPtr unlinked = storedEvent(QStringLiteral("Local"), local(2014, 3, 13, 9), QString(), category);
    ASSERT_FALSE(store->calendars().isEmpty());  // indexed while it could be read
    const QString away = storeFolder.path() + QStringLiteral(".away");
    ASSERT_TRUE(QDir().rename(storeFolder.path(), away));
    {
        QFile standIn(storeFolder.path());
        ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
    }
    reopenStore();

    {
        LogCapture log;
        jobs->backgroundFullSync();
        EXPECT_TRUE(log.contains(QStringLiteral("its calendars could not be listed")));
    }
    EXPECT_FALSE(dataManager().bSynciCalEnable());
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-E")), 1);
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-T")), 1);
    EXPECT_TRUE(dataManager().calendarWithICalUID(storeCalendar->uid()));
    EXPECT_TRUE(uidOfKey(unlinked->primaryKey()).isEmpty());
    EXPECT_EQ(setting->iCalLastSyncTime(), Clock::now());

    // Listed again, the store's answer counts: the two are gone from it.
    ASSERT_TRUE(QFile::remove(storeFolder.path()));
    ASSERT_TRUE(QDir().rename(away, storeFolder.path()));
    reopenStore();
    jobs->backgroundFullSync();
    EXPECT_TRUE(dataManager().bSynciCalEnable());
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-E")), 0);
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-T")), 0);
    EXPECT_FALSE(uidOfKey(unlinked->primaryKey()).isEmpty());
}

// On the last day of January a 30-day window counts 1 March as inside, but
// the store was asked only up to the end of February: an event of 1 March
// found no partner because it was not asked for, and stays.
TEST_F(FullSyncTest, TheDeletionInTheWindowKeepsEventsBeyondTheFetchedRange)
{
    Clock::setFixed(local(2014, 1, 31, 10));
    setting->setICalSyncWindowStart(30);
    setting->setICalSyncWindowEnd(30);
    const CalEventPtr beyond = storeEvent(QStringLiteral("First of March"), local(2014, 3, 1, 10), storeCalendar);
    storedEvent(QStringLiteral("First of March"), local(2014, 3, 1, 10), beyond->uid(), category);
    storedEvent(QStringLiteral("Gone"), local(2014, 2, 27, 10), QStringLiteral("GONE-FEB"), category);
    storedEvent(QStringLiteral("Gone too"), local(2014, 3, 1, 10), QStringLiteral("GONE-MAR"), category);

    jobs->backgroundFullSync();
    EXPECT_EQ(rowsWithUID(beyond->uid()), 1);
    EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-FEB")), 0) << "inside the range asked for, the absence is real";
    EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-MAR")), 1) << "not asked for, so not known to be gone";
}

// A series the store lists but whose file gives nothing (removed after the
// store indexed it): the linked local event stays as it is, and a store
// series with no local partner is not imported.
TEST_F(FullSyncTest, AnEventFileThatGivesNothingKeepsTheLocalEventAndImportsNothing)
{
    const QByteArray series =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
        "DTSTAMP:20140301T000000Z\r\nDTSTART:20140310T090000Z\r\nDTEND:20140310T100000Z\r\nSUMMARY:Standup\r\n"
        "RRULE:FREQ=DAILY;COUNT=20\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const QString pairedPath =
        writeEventFile(QStringLiteral("paired.ics"), QString::fromLatin1(series).arg(QStringLiteral("PAIRED-S")).toUtf8());
    const QString lonePath =
        writeEventFile(QStringLiteral("lone.ics"), QString::fromLatin1(series).arg(QStringLiteral("LONE-S")).toUtf8());
    TaskPtr linked = storedEvent(QStringLiteral("Kept title"), utc(2014, 3, 10, 9), QStringLiteral("PAIRED-S"), category);
    linked->setRepeatType(1);
    linked->setRepeatStartDate(utc(2014, 3, 10, 9));
    ASSERT_TRUE(linked->dehydrate());
    ASSERT_FALSE(store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                                                local(2014, 3, 1), local(2014, 3, 31), store->calendars()))
                     .isEmpty());
    ASSERT_TRUE(QFile::remove(pairedPath));
    ASSERT_TRUE(QFile::remove(lonePath));

    LogCapture log;
    jobs->backgroundFullSync();
    EXPECT_TRUE(log.contains(QStringLiteral("PAIRED-S gave nothing; the local event is kept")));
    EXPECT_TRUE(log.contains(QStringLiteral("LONE-S gave nothing; it is not imported")));
    ASSERT_EQ(rowsWithUID(QStringLiteral("PAIRED-S")), 1);
    EXPECT_EQ(dataManager().taskWithPrimaryKey(linked->primaryKey())->taskName(), QStringLiteral("Kept title"));
    EXPECT_EQ(rowsWithUID(QStringLiteral("LONE-S")), 0);
}

// A changed occurrence its series does not list (the web service can send
// one) is written onto the series' nearest occurrence, or nowhere when the
// day has none: the next full sync takes the first back as the same row and
// keeps the second (and says so); nothing is doubled or deleted.
TEST_F(FullSyncTest, AChangedOccurrenceItsSeriesDoesNotListIsNeitherDoubledNorDeleted)
{
    TaskPtr series = localEvent(utc(2014, 3, 11, 9), utc(2014, 3, 11, 10));
    series->setRepeatType(1);
    series->setRepeatStartDate(utc(2014, 3, 11, 9));
    series->setOccurrence(utc(2014, 3, 11, 9));
    series->setRepeatExceptions(QLatin1Char('|') + Task::storedDateText(utc(2014, 3, 13, 9)) + QStringLiteral("(1)"));
    ASSERT_TRUE(series->insertAndDehydrate());
    // Listed; listed by nothing on a day of the series; on the day before it.
    for (const Date& occurrence : {utc(2014, 3, 13, 9), utc(2014, 3, 14, 15), utc(2014, 3, 10, 15)}) {
        TaskPtr changed = localEvent(occurrence.dateByAddingTimeInterval(7200), occurrence.dateByAddingTimeInterval(9000));
        changed->setParentId(series->primaryKey());
        changed->setOccurrence(occurrence);
        ASSERT_TRUE(changed->insertAndDehydrate());
    }
    const QString ofSeries = QStringLiteral("parentId = %1").arg(series->primaryKey());
    jobs->backgroundFullSync();  // the series goes to the store
    ASSERT_FALSE(uidOfKey(series->primaryKey()).isEmpty());
    LogCapture log;
    jobs->backgroundFullSync();  // the next start
    EXPECT_EQ(rows(ofSeries), 3);
    EXPECT_EQ(rows(ofSeries + QStringLiteral(" AND startTime = %1").arg(Task::storedDateText(utc(2014, 3, 14, 17)))), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("is not listed by its series; it is kept")));
}

// The restore sends changed occurrences only along with a root: alone they
// would reach the store as events without their series.
TEST_F(FullSyncTest, TheRestoreSendsChangedOccurrencesOnlyWithARoot)
{
    TaskPtr series = localEvent(utc(2014, 3, 11, 9), utc(2014, 3, 11, 10));
    series->setRepeatType(2);
    series->setRepeatStartDate(utc(2014, 3, 11, 9));
    series->setOccurrence(utc(2014, 3, 11, 9));
    series->setRepeatExceptions(QLatin1Char('|') + Task::storedDateText(utc(2014, 3, 18, 9)) + QStringLiteral("(1)"));
    // Planned on the day grid, the unlinked root is not an event of the store.
    series->setIsSheduledTask(true);
    ASSERT_TRUE(series->insertAndDehydrate());
    TaskPtr changed = localEvent(utc(2014, 3, 19, 12), utc(2014, 3, 19, 13));
    changed->setTaskName(QStringLiteral("Moved here"));
    changed->setParentId(series->primaryKey());
    changed->setOccurrence(utc(2014, 3, 18, 9));
    changed->setICalUID(QStringLiteral("SERIES-UID"));
    ASSERT_TRUE(changed->insertAndDehydrate());
    const auto storeEvents = [&] {
        return store
            ->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(local(2014, 1, 1), local(2014, 6, 1),
                                                                                store->calendars()))
            .size();
    };

    jobs->backgroundRestoreCalendars();
    ASSERT_TRUE(jobs->waitForQueuedJobs(10));
    EXPECT_EQ(storeEvents(), 0) << "the root is not sent: its changed occurrence is not sent alone";

    series->setIsSheduledTask(false);
    series->setICalUID(QStringLiteral("SERIES-UID"));
    ASSERT_TRUE(series->dehydrate());
    jobs->backgroundRestoreCalendars();
    ASSERT_TRUE(jobs->waitForQueuedJobs(10));
    const QString uid = uidOfKey(series->primaryKey());
    ASSERT_FALSE(uid.isEmpty());
    const CalEventPtr moved = store->eventWithUID(uid, utc(2014, 3, 18, 9));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->title(), QStringLiteral("Moved here"));
    EXPECT_EQ(moved->startDate(), utc(2014, 3, 19, 12));
}

// The restore links by uid, then by name (case and spaces aside), drops a
// store-made category whose calendar is gone, and sends back the linked
// items and those the backup held before their links were written.
TEST_F(FullSyncTest, RestoreLinksByUidAndNameAndSendsBackLinkedItems)
{
    auto work = CalCalendar::calendar();
    work->setTitle(QStringLiteral("Work Stuff"));
    ASSERT_TRUE(store->saveCalendar(work));
    const CalendarPtr byName = linkedCategory(QStringLiteral("workstuff"), QString());
    const CalendarPtr notByName = linkedCategory(QStringLiteral("Work-Stuff"), QString());
    const CalendarPtr gone = linkedCategory(QStringLiteral("Gone"), QStringLiteral("GONE-CAL"), 1);
    storedEvent(QStringLiteral("In gone"), local(2014, 3, 20, 9), QStringLiteral("IN-GONE"), gone);
    const TaskPtr root = storedEvent(QStringLiteral("Root"), local(2014, 3, 20, 9), QStringLiteral("ROOT-UID"), category);
    const TaskPtr unlinked = storedEvent(QStringLiteral("Unlinked"), local(2014, 3, 21, 9), QString(), category);
    storedTask(QStringLiteral("Task back"), QStringLiteral("TASK-UID"), category);

    jobs->backgroundRestoreCalendars();
    ASSERT_TRUE(jobs->waitForQueuedJobs(10));

    EXPECT_EQ(dataManager().calendarWithPrimaryKey(byName->primaryKey())->iCalUID(), work->uid());
    EXPECT_EQ(dataManager().calendarWithPrimaryKey(byName->primaryKey())->calendarName(), QStringLiteral("Work Stuff"));
    const CalendarPtr other = dataManager().calendarWithPrimaryKey(notByName->primaryKey());
    ASSERT_TRUE(other);
    EXPECT_NE(other->iCalUID(), work->uid());
    EXPECT_TRUE(store->calendarWithUID(other->iCalUID())) << "it got a calendar of its own";
    EXPECT_FALSE(dataManager().calendarWithPrimaryKey(gone->primaryKey()));
    EXPECT_EQ(rowsWithUID(QStringLiteral("IN-GONE")), 0);
    EXPECT_TRUE(dataManager().calendarWithICalUID(storeCalendar->uid()));
    const QString rootUid = uidOfKey(root->primaryKey());
    EXPECT_TRUE(store->eventWithUID(rootUid, Date())) << "the linked event is back in the store";
    const QString unlinkedUid = uidOfKey(unlinked->primaryKey());
    EXPECT_TRUE(store->eventWithUID(unlinkedUid, Date())) << "the item not linked at the backup is in the store too";
    EXPECT_EQ(store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(local(2014, 1, 1), local(2014, 6, 1),
                                                                                      store->calendars()))
                  .size(),
              2);
    EXPECT_EQ(store->tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(store->calendars())).size(), 1);
}

// The start-up pass runs on the interface's thread and the other jobs on
// their own; neither takes the place of the item an editor keeps (its kept
// copy for undo), and a thread made later finds that item, not a job's.
TEST_F(FullSyncTest, StoreJobsLeaveTheItemAViewIsEditing)
{
    const TaskPtr editing = storedEvent(QStringLiteral("Open in an editor"), local(2014, 3, 12, 9), QString(), category)->copy();
    dataManager().setModifyingTask(editing);
    const CalEventPtr paired = storeEvent(QStringLiteral("From the store"), local(2014, 3, 13, 8), storeCalendar);
    storedEvent(QStringLiteral("Stale title"), local(2014, 3, 13, 8), paired->uid(), category);
    storeEvent(QStringLiteral("Imported"), local(2014, 3, 15, 8), storeCalendar);
    storedEvent(QStringLiteral("Pushed"), local(2014, 3, 16, 9), QString(), category);

    const std::pair<const char*, std::function<void()>> jobsRun[] = {
        {"the start-up pass", [&] { jobs->backgroundFullSync(); }},
        {"an export on the store's queue", [&] {
             const TaskPtr made = storedEvent(QStringLiteral("Made later"), local(2014, 3, 17, 9), QString(), category);
             jobs->backgroundOneWaySyncInsertToICalEvent(made, false);
             ASSERT_TRUE(jobs->waitForQueuedJobs(10));
             EXPECT_FALSE(uidOfKey(made->primaryKey()).isEmpty()) << "linked to its store copy";
         }},
    };
    for (const auto& [what, run] : jobsRun) {
        SCOPED_TRACE(what);
        run();
        EXPECT_EQ(dataManager().modifyingTask(), editing);
        TaskPtr seenLater;
        QThread* later = QThread::create([&] { seenLater = dataManager().modifyingTask(); });
        later->start();
        ASSERT_TRUE(later->wait(10000));
        delete later;
        EXPECT_EQ(seenLater, editing);
    }
}

}  // namespace
