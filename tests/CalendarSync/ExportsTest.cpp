#include "ExportsFixture.h"

#include "LogCapture.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "ScriptedAlertPresenter.h"
#include "TestEnvironment.h"
#include "ZVWSync.h"

#include <QDir>

#include <atomic>

#include <unistd.h>

TEST_F(ExportsTest, ExceptionEntriesAreReadByMarkerAndDigits)
{
    struct Case {
        const char* text;
        QList<qint64> markers;
        QStringList digits;
        int logged;
    };
    const Case cases[] = {
        {"", {}, {}, 0},
        {"|1395309600(1)|1395396000(2)", {1, 2}, {"1395309600", "1395396000"}, 0},
        {"lead|1395309600", {0}, {"1395309600"}, 0},            // the text before the first "|" is no entry
        {"|86400(2)|9(1)", {2, 1}, {"86400", "9"}, 0},           // short dates are whole entries too
        {"|abc(1)||13953x(2)|1395309600(3)|-(2)", {}, {}, 5},    // malformed pieces are skipped and logged
        {"|99999999999999999999(2)|1395309600(2)", {2}, {"1395309600"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LogCapture log;
        const auto entries = iCalSyncJobs::readExceptionEntries(QString::fromLatin1(c.text), 42);
        QList<qint64> markers;
        QStringList digits;
        for (const auto& entry : entries) {
            markers << entry.marker;
            digits << entry.dateText;
            EXPECT_EQ(entry.date, Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(entry.dateText.toDouble())));
        }
        EXPECT_EQ(markers, c.markers);
        EXPECT_EQ(digits, c.digits);
        EXPECT_EQ(log.messages().filter(QStringLiteral("item 42 has a malformed exception entry")).size(), c.logged);
    }
}

TEST_F(ExportsTest, CategoriesGetRenameAndLoseTheirStoreCalendars)
{
    setting->setAutoZVWSync(1);
    // A shared category: nothing made, the count as before, nothing posted.
    sync->backgroundOneWaySyncInsertToICal(newCategory(QStringLiteral("Team"), 20, 1), true);
    settle();
    EXPECT_EQ(sync->numOfInsertedCal(), 0);
    EXPECT_EQ(calendarTitles(), QStringList{QStringLiteral("Home")});
    EXPECT_TRUE(masks.isEmpty());

    // A new category through the data manager: a calendar of its name, the
    // link stored, and the web push of categories after it.
    const CalendarPtr work = newCategory(QStringLiteral("Work"), -1);
    work->setColorGroupId(0);
    work->setColorNameId(1);  // orange
    ASSERT_TRUE(dataManager().addCalendarToCalendarList(work, true, true));
    settle();
    EXPECT_EQ(calendarTitles(), (QStringList{QStringLiteral("Home"), QStringLiteral("Work")}));
    const CalendarPtr stored = Calendar::initWithPrimaryKey(work->primaryKey(), db());
    ASSERT_TRUE(stored);
    ASSERT_FALSE(stored->iCalUID().isEmpty());
    EXPECT_EQ(store->calendarWithUID(stored->iCalUID())->title(), QStringLiteral("Work"));
    // In the category's colour, which an import reads back as that colour.
    const QColor orange = store->calendarWithUID(stored->iCalUID())->color();
    EXPECT_EQ(orange.name().toStdString(), Utilities::getReferenceColor(0, 1).name().toStdString());
    EXPECT_EQ(Utilities::getClosestColorPosWithColor(orange), 1);
    EXPECT_EQ(QDir(stored->directory()), QDir(QStringLiteral("%1/%2.calendar").arg(storeFolder.path(), stored->iCalUID())));
    EXPECT_EQ(stored->taskOrEvent(), 3);
    EXPECT_EQ(stored->typeOfCal(), CalCalendarTypeLocal);
    EXPECT_TRUE(processEventsUntil([&] { return masks == QList<qint64>{1}; }, 1000));

    // A rename of a record without uid goes through the list's copy.
    const CalendarPtr renamed = work->copy();
    renamed->setICalUID(QString());
    renamed->setCalendarName(QStringLiteral("Office"));
    renamed->setColorNameId(5);  // purple
    sync->backgroundOneWaySyncUpdateToICal(renamed);
    settle();
    EXPECT_EQ(calendarTitles(), (QStringList{QStringLiteral("Home"), QStringLiteral("Office")}));
    EXPECT_EQ(Utilities::getClosestColorPosWithColor(store->calendarWithUID(stored->iCalUID())->color()), 5);

    // Removal: a read-only calendar stays, an editable one goes; a list job
    // gives its count back.
    const CalCalendarPtr readOnly = readOnlyCalendar(QStringLiteral("Holidays"));
    const CalendarPtr holidays = newCategory(QStringLiteral("Holidays"), 30);
    holidays->setICalUID(readOnly->uid());
    sync->backgroundOneWaySyncDeleteToICal(holidays);
    sync->backgroundOneWaySyncInsertToICalList({}, {}, {work});
    settle();
    EXPECT_EQ(sync->numOfInsertedCal(), 0);
    EXPECT_EQ(calendarTitles(), (QStringList{QStringLiteral("Holidays"), QStringLiteral("Home")}));
}

TEST_F(ExportsTest, ItemsQueuedAfterANewCategoryLandInItsCalendar)
{
    const CalendarPtr work = newCategory(QStringLiteral("Work"), -1);
    ASSERT_TRUE(dataManager().addCalendarToCalendarList(work, true, false));
    // Queued at once, before the category's job has run.
    TaskPtr event = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    event->setCalendarId(work->primaryKey());
    TaskPtr task = storedTask(QStringLiteral("Call"));
    task->setCalendarId(work->primaryKey());
    sync->backgroundOneWaySyncInsertToICalEvent(event, false);
    sync->backgroundOneWaySyncInsertToICalTask(task, false);
    settle();
    ASSERT_FALSE(work->iCalUID().isEmpty());
    const CalEventPtr storeEvent = store->eventWithUID(event->iCalUID(), Date());
    ASSERT_TRUE(storeEvent && storeEvent->calendar());
    EXPECT_EQ(storeEvent->calendar()->uid(), work->iCalUID());
    const CalTaskPtr storeTask = store->taskWithUID(task->iCalUID());
    ASSERT_TRUE(storeTask && storeTask->calendar());
    EXPECT_EQ(storeTask->calendar()->uid(), work->iCalUID());
}

TEST_F(ExportsTest, ANewEventGoesWholeAndAsksForTheItemPush)
{
    setting->setAutoZVWSync(1);
    TaskPtr series = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10), 1);
    sync->backgroundOneWaySyncInsertToICalEvent(series, true);
    TaskPtr scheduled = storedEvent(local(2014, 3, 21, 9), local(2014, 3, 21, 10));
    scheduled->setIsSheduledTask(1);
    sync->backgroundOneWaySyncInsertToICalEvent(scheduled, true);
    settle();
    const auto back = readBack(series->iCalUID());
    ASSERT_TRUE(back && back->master && back->master->rule);
    EXPECT_TRUE(scheduled->iCalUID().isEmpty());
    EXPECT_TRUE(processEventsUntil([&] { return !masks.isEmpty(); }, 1000));
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(masks, QList<qint64>{2});
}

TEST_F(ExportsTest, ADuplicatedSeriesLosesItsDeletedOccurrencesInTheStore)
{
    TaskPtr series = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10), 1);
    series->setRepeatExceptions(exception(local(2014, 3, 21, 9), 2) + exception(local(2014, 3, 23, 9), 2));
    ASSERT_TRUE(series->dehydrate());
    ASSERT_TRUE(dataManager().doDuplicateTasks({series}, false));
    settle();
    QString uid;
    for (const TaskPtr& root : dataManager().getAllRootEvents())
        if (root->primaryKey() != series->primaryKey()) uid = root->iCalUID();
    ASSERT_FALSE(uid.isEmpty());
    const auto back = readBack(uid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    QList<Date> deleted = back->master->exceptionDates;
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (QList<Date>{local(2014, 3, 21, 9), local(2014, 3, 23, 9)}));
}

// The editor leaves the occurrence's former start and end, in its former
// zone, on the item: they are moved to local time to find the store copy.
TEST_F(ExportsTest, AnEditFindsTheOccurrenceAtItsFormerTimesInItsFormerZone)
{
    struct Case {
        const char* name;
        qint64 prevtz;
        bool found;
    };
    const Case cases[] = {{"moved from Tokyo time", tokyoZone, true}, {"read as local time", 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TaskPtr item = storedEvent(local(2014, 3, 20, 18), local(2014, 3, 20, 19));
        ASSERT_TRUE(sync->createNewEventOnICal(item, 1));
        // 18:00 in Paris is 02:00 the next day in Tokyo.
        item->setPrevtz(c.prevtz);
        item->setLocalStartDate(local(2014, 3, 21, 2));
        item->setLocalEndDate(local(2014, 3, 21, 3));
        item->setTaskName(QStringLiteral("Moved"));
        sync->backgroundOneWaySyncUpdateToICalEvent(item, 0);
        settle();
        const auto back = readBack(item->iCalUID());
        ASSERT_TRUE(back && back->master);
        EXPECT_EQ(back->master->title, c.found ? QStringLiteral("Moved") : QStringLiteral("Dentist"));
    }
}

// A copy in memory that lost its uid, or whose first start moved away from
// the store's, still reaches its store copy.
TEST_F(ExportsTest, EventsAndTasksAreFoundThroughTheDatabaseCopyAndTheSeriesUid)
{
    TaskPtr series = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10), 1);
    ASSERT_TRUE(sync->createNewEventOnICal(series, 1));
    const QString seriesUid = series->iCalUID();
    TaskPtr task = storedTask(QStringLiteral("Call"));
    ASSERT_TRUE(sync->createNewTaskOnICal(task));

    TaskPtr taskCopy = task->copy();
    taskCopy->setICalUID(QString());
    taskCopy->setTaskName(QStringLiteral("Call back"));
    sync->backgroundOneWaySyncUpdateToICalTask(taskCopy, 1);
    settle();
    EXPECT_EQ(store->taskWithUID(task->iCalUID())->title(), QStringLiteral("Call back"));

    TaskPtr eventEdit = series->copy();
    eventEdit->setICalUID(QString());
    eventEdit->setTaskName(QStringLiteral("Checkup"));
    eventEdit->setLocalStartDate(series->startTime());
    eventEdit->setLocalEndDate(series->endTime());
    sync->backgroundOneWaySyncUpdateToICalEvent(eventEdit, 1);
    settle();
    const auto edited = readBack(seriesUid);
    ASSERT_TRUE(edited && edited->master && edited->master->rule);
    EXPECT_EQ(edited->master->title, QStringLiteral("Checkup"));
    EXPECT_EQ(eventEdit->iCalUID(), seriesUid);

    TaskPtr eventCopy = series->copy();
    eventCopy->setICalUID(QString());
    eventCopy->setStartTime(local(2014, 3, 18, 9));  // no occurrence there
    eventCopy->setEndTime(local(2014, 3, 18, 10));
    sync->backgroundOneWaySyncDeleteToICalEvent(eventCopy, 1);
    taskCopy->setICalUID(QString());
    sync->backgroundOneWaySyncDeleteToICalTask(taskCopy, 0);
    settle();
    EXPECT_FALSE(store->eventWithUID(seriesUid, Date()));
    EXPECT_FALSE(store->taskWithUID(task->iCalUID()));
}

// What the store or the database lost meanwhile is skipped and logged with
// its key; the store and the records stay as they were.
TEST_F(ExportsTest, WhatTheStoreOrTheDatabaseLostIsSkippedAndLogged)
{
    // Another program removes a calendar that a category is linked to.
    const CalCalendarPtr removed = CalCalendar::calendar();
    removed->setTitle(QStringLiteral("Travel"));
    ASSERT_TRUE(store->saveCalendar(removed));
    ASSERT_TRUE(QDir(QStringLiteral("%1/%2.calendar").arg(storeFolder.path(), removed->uid())).removeRecursively());
    reopenStore();
    const CalendarPtr travel = newCategory(QStringLiteral("Travel"), 40);
    travel->setICalUID(removed->uid());
    TaskPtr event = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    ASSERT_TRUE(sync->createNewEventOnICal(event, 1));
    QFile file(store->eventFilePath(event->iCalUID()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    LogCapture log;
    const CalendarPtr renamed = travel->copy();
    renamed->setCalendarName(QStringLiteral("Trips"));
    sync->backgroundOneWaySyncUpdateToICal(renamed);
    sync->backgroundOneWaySyncDeleteToICal(travel);
    // A root whose row is gone.
    auto lostRoot = std::make_shared<Task>();
    lostRoot->setPrimaryKey(999);
    lostRoot->setParentId(-1);
    sync->backgroundOneWaySyncInsertToICalEventRoot(lostRoot);
    // An event whose store copy another program deleted.
    TaskPtr stale = event->copy();
    stale->setICalUID(QStringLiteral("removed-elsewhere"));
    stale->setTaskName(QStringLiteral("Stale"));
    stale->setLocalStartDate(event->startTime());
    stale->setLocalEndDate(event->endTime());
    sync->backgroundOneWaySyncUpdateToICalEvent(stale, 0);
    sync->backgroundOneWaySyncDeleteToICalEvent(stale, 1);
    settle();

    const QString key = QString::number(event->primaryKey());
    for (const QString& expected :
         {QStringLiteral("category 40 has no calendar in the store any more; not renamed"),
          QStringLiteral("category 40 has no calendar in the store any more; nothing to remove"),
          QStringLiteral("root event 999 cannot be loaded; nothing is written"),
          QStringLiteral("event %1 has no occurrence in the store to update").arg(key),
          QStringLiteral("event %1 has no copy in the store to delete").arg(key)})
        EXPECT_TRUE(log.contains(expected)) << expected.toStdString() << "\n" << log.messages().join('\n').toStdString();
    EXPECT_EQ(calendarTitles(), QStringList{QStringLiteral("Home")});
    EXPECT_EQ(travel->iCalUID(), removed->uid());
    EXPECT_EQ(renamed->iCalUID(), removed->uid());
    const QStringList events = QDir(calendarFolder() + QStringLiteral("/Events")).entryList(QDir::Files);
    EXPECT_EQ(events.size(), 1) << events.join(' ').toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(Task::initWithPrimaryKey(event->primaryKey())->iCalUID(), event->iCalUID());
}

// The data manager's conversions drive the jobs: an occurrence taken out of
// a series leaves the store's series and becomes a store task, a task placed
// on the day grid leaves the store's tasks for its events, and a whole series
// taken out leaves the store.
TEST_F(ExportsTest, ConversionsMoveItemsBetweenTheStoresEventsAndTasks)
{
    setting->setAutoICalSync(1);
    setting->setShowWarningTask2Event(0);
    TaskPtr series = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10), 1);
    series->setRepeatStartDate(series->startTime());
    ASSERT_TRUE(series->dehydrate());
    ASSERT_TRUE(sync->createNewEventOnICal(series, 1));
    const QString seriesUid = series->iCalUID();
    const auto occurrenceOn = [&](int day) {
        TaskList instances;
        dataManager().fillRepeatEventInstances({Task::initWithPrimaryKey(series->primaryKey())}, instances,
                                               local(2014, 3, day), local(2014, 3, day));
        EXPECT_EQ(instances.size(), 1);
        return instances.value(0);
    };
    ScriptedAlertPresenter alerts;

    const TaskPtr saturday = occurrenceOn(22);
    ASSERT_TRUE(saturday);
    alerts.scriptButton(AlertResponse::firstButton);  // only this occurrence
    const TaskPtr fromOccurrence = dataManager().convertEvent2Task(saturday);
    ASSERT_TRUE(fromOccurrence);
    settle();
    const auto back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    EXPECT_EQ(back->master->exceptionDates, QList<Date>{local(2014, 3, 22, 9)});
    EXPECT_TRUE(back->overrides.isEmpty());
    const TaskPtr task = Task::initWithPrimaryKey(fromOccurrence->primaryKey());
    ASSERT_TRUE(task);
    const QString reminderUid = task->iCalUID();
    ASSERT_FALSE(reminderUid.isEmpty());
    EXPECT_NE(reminderUid, seriesUid);
    const CalTaskPtr reminder = store->taskWithUID(reminderUid);
    ASSERT_TRUE(reminder);
    EXPECT_EQ(reminder->title(), QStringLiteral("Dentist"));

    ASSERT_EQ(dataManager().convertTask2Event(task, local(2014, 3, 25, 14)), task);
    settle();
    EXPECT_FALSE(store->taskWithUID(reminderUid));
    const TaskPtr placed = Task::initWithPrimaryKey(task->primaryKey());
    ASSERT_FALSE(placed->iCalUID().isEmpty());
    const auto placedBack = readBack(placed->iCalUID());
    ASSERT_TRUE(placedBack && placedBack->master);
    EXPECT_EQ(placedBack->master->title, QStringLiteral("Dentist"));
    EXPECT_EQ(placedBack->master->start, local(2014, 3, 25, 14));
    EXPECT_FALSE(placedBack->master->rule);

    const TaskPtr first = occurrenceOn(20);
    ASSERT_TRUE(first);
    alerts.scriptButton(AlertResponse::secondButton);  // all of the series
    alerts.scriptButton(AlertResponse::firstButton);   // the note on repeating tasks
    const TaskPtr fromSeries = dataManager().convertEvent2Task(first);
    ASSERT_TRUE(fromSeries);
    settle();
    EXPECT_FALSE(store->eventWithUID(seriesUid, Date()));
    EXPECT_TRUE(store->eventFilePath(seriesUid).isEmpty());
    const TaskPtr seriesTask = Task::initWithPrimaryKey(fromSeries->primaryKey());
    ASSERT_FALSE(seriesTask->iCalUID().isEmpty());
    EXPECT_TRUE(store->taskWithUID(seriesTask->iCalUID()));
    EXPECT_TRUE(readBack(placed->iCalUID()));  // the placed event is not touched
}

TEST_F(ExportsTest, AWebSyncsDeletionsLeaveTheStore)
{
    TaskPtr series = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10), 1);
    ASSERT_TRUE(sync->createNewEventOnICal(series, 1));
    TaskPtr task = storedTask(QStringLiteral("Call"));
    ASSERT_TRUE(sync->createNewTaskOnICal(task));
    TaskPtr gone = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    gone->setICalUID(QStringLiteral("never-in-the-store"));
    sync->backgroundOneWaySyncInsertToICalItemList({}, {}, {gone, series, task});
    EXPECT_FALSE(store->eventWithUID(series->iCalUID(), Date()));
    EXPECT_FALSE(store->taskWithUID(task->iCalUID()));
}

TEST_F(ExportsTest, AWebSyncsRepeatingEventComesWithItsChangedAndDeletedOccurrences)
{
    // The web service gives exception dates at midnight.
    TaskPtr series = storedEvent(local(2014, 3, 20, 9, 30), local(2014, 3, 20, 10, 30), 1);
    series->setRepeatExceptions(exception(local(2014, 3, 22), 1) + exception(local(2014, 3, 23), 2));
    ASSERT_TRUE(series->dehydrate());
    TaskPtr changed = storedEvent(local(2014, 3, 22, 14), local(2014, 3, 22, 15));
    changed->setParentId(series->primaryKey());
    changed->setTaskName(QStringLiteral("Dentist, later"));
    ASSERT_TRUE(changed->dehydrate());
    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    note->setTaskName(QStringLiteral("A note"));

    sync->backgroundOneWaySyncInsertToICalItemList({series, note}, {changed}, {});

    EXPECT_EQ(series->repeatExceptions(),
              exception(local(2014, 3, 22, 9, 30), 1) + exception(local(2014, 3, 23, 9, 30), 2));
    ASSERT_FALSE(series->iCalUID().isEmpty());
    EXPECT_EQ(changed->occurrence(), local(2014, 3, 22, 9, 30));
    EXPECT_EQ(changed->iCalUID(), series->iCalUID());
    EXPECT_EQ(Task::initWithPrimaryKey(changed->primaryKey())->iCalUID(), series->iCalUID());
    EXPECT_EQ(Task::initWithPrimaryKey(series->primaryKey())->repeatExceptions(), series->repeatExceptions());
    EXPECT_TRUE(note->iCalUID().isEmpty());

    const auto back = readBack(series->iCalUID());
    ASSERT_TRUE(back && back->master && back->master->rule);
    EXPECT_EQ(back->master->exceptionDates, QList<Date>{local(2014, 3, 23, 9, 30)});
    ASSERT_EQ(back->overrides.size(), 1);
    EXPECT_EQ(back->overrides.first().recurrenceId, local(2014, 3, 22, 9, 30));
    EXPECT_EQ(back->overrides.first().start, local(2014, 3, 22, 14));
    EXPECT_EQ(back->overrides.first().title, QStringLiteral("Dentist, later"));
}

// Many edits at once queue for one worker: the process does not grow a
// thread per edit, and every edit still reaches the store in order.
TEST_F(ExportsTest, ABurstOfEditsQueuesWithoutAThreadEach)
{
    const auto threads = [] { return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(); };
    TaskPtr item = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10));
    ASSERT_TRUE(sync->createNewEventOnICal(item, 1));
    item->setLocalStartDate(item->startTime());
    item->setLocalEndDate(item->endTime());
    const qsizetype before = threads();
    iCalSyncBusy = true;  // another job holds the flag meanwhile
    for (int i = 0; i < 300; ++i) {
        TaskPtr edit = item->copy();
        edit->setTaskName(QStringLiteral("Edit %1").arg(i));
        sync->backgroundOneWaySyncUpdateToICalEvent(edit, 0);
    }
    EXPECT_LE(threads(), before + 2);
    iCalSyncBusy = false;
    settle();
    const auto back = readBack(item->iCalUID());
    ASSERT_TRUE(back && back->master);
    EXPECT_EQ(back->master->title, QStringLiteral("Edit 299"));
}

std::atomic<int> flushes{0};

int countedSync(int fd)
{
    ++flushes;
    return ::fsync(fd);
}

// Jobs queued together reach the disk together: one flush of each file they
// wrote (and of its folder) after the run, not one per job; their order and
// their outcomes stay those of the jobs one by one.
TEST_F(ExportsTest, QueuedJobsAreFlushedTogetherInTheirOrder)
{
    TaskList events;
    for (int hour = 8; hour < 18; ++hour) events << storedEvent(local(2014, 3, 20, hour), local(2014, 3, 20, hour, 30));
    ASSERT_EQ(sync->createNewEventsOnICal(events, 1), 10);
    const TaskList tasks{storedTask(QStringLiteral("Call")), storedTask(QStringLiteral("Write")),
                         storedTask(QStringLiteral("Read"))};
    CalCalendarStore::setSyncCallForTesting(countedSync);
    flushes = 0;
    iCalSyncBusy = true;  // every job is queued before the first runs
    for (const char* round : {"First", "Last"}) {
        for (const TaskPtr& event : events) {
            TaskPtr edit = event->copy();
            edit->setLocalStartDate(event->startTime());
            edit->setLocalEndDate(event->endTime());
            edit->setTaskName(QStringLiteral("%1 %2").arg(QLatin1String(round)).arg(event->primaryKey()));
            sync->backgroundOneWaySyncUpdateToICalEvent(edit, 0);
        }
    }
    sync->backgroundOneWaySyncInsertToICalTaskList(tasks);
    iCalSyncBusy = false;
    settle();
    CalCalendarStore::setSyncCallForTesting(nullptr);

    for (const TaskPtr& event : events) {
        const auto back = readBack(event->iCalUID());
        ASSERT_TRUE(back && back->master);
        EXPECT_EQ(back->master->title, QStringLiteral("Last %1").arg(event->primaryKey()));
    }
    for (const TaskPtr& task : tasks) {
        ASSERT_FALSE(task->iCalUID().isEmpty()) << task->taskName().toStdString();
        EXPECT_EQ(Task::initWithPrimaryKey(task->primaryKey())->iCalUID(), task->iCalUID());
        EXPECT_EQ(store->taskWithUID(task->iCalUID())->title(), task->taskName());
    }
    // The ten event files, the three task files and their folders are made
    // durable by one sync of their filesystem before the tasks' links: a
    // flush of each file and of each write would be 2 x 15 and more.
    EXPECT_EQ(flushes.load(), 1);
}

TEST_F(ExportsTest, StoreRefusalsAreLoggedWithTheKeyAndTheJobGoesOn)
{
    TaskPtr first = storedTask(QStringLiteral("First"));
    TaskPtr second = storedTask(QStringLiteral("Second"));
    ASSERT_TRUE(sync->createNewTaskOnICal(first));
    ASSERT_TRUE(sync->createNewTaskOnICal(second));
    // Another program removed the first one's copy.
    ASSERT_TRUE(store->removeTask(store->taskWithUID(first->iCalUID())));
    LogCapture log;
    first->setTaskName(QStringLiteral("First, again"));
    second->setTaskName(QStringLiteral("Second, again"));
    sync->backgroundOneWaySyncInsertToICalItemList({}, {first, second}, {});
    EXPECT_FALSE(log.messages().filter(QStringLiteral("task %1 has no copy").arg(first->primaryKey())).isEmpty());
    EXPECT_EQ(store->taskWithUID(second->iCalUID())->title(), QStringLiteral("Second, again"));
    EXPECT_FALSE(first->iCalUID().isEmpty());  // kept for the next full sync

    // A new event the store refuses (it has no end) is named by its key;
    // the next one is written, and the refused one stays unlinked.
    TaskPtr noEnd = storedEvent(local(2014, 3, 20, 9), Date());
    noEnd->setTaskName(QStringLiteral("Open-ended"));
    TaskPtr fine = storedEvent(local(2014, 3, 21, 9), local(2014, 3, 21, 10));
    sync->backgroundOneWaySyncInsertToICalItemList({noEnd, fine}, {}, {});
    EXPECT_TRUE(log.contains(QStringLiteral("the event Open-ended (item %1) is not written: it has no end").arg(noEnd->primaryKey())))
        << log.messages().join('\n').toStdString();
    EXPECT_TRUE(noEnd->iCalUID().isEmpty());
    EXPECT_TRUE(Task::initWithPrimaryKey(noEnd->primaryKey())->iCalUID().isEmpty());
    ASSERT_FALSE(fine->iCalUID().isEmpty());
    EXPECT_TRUE(readBack(fine->iCalUID()));
}

// A category the store has no calendar for is what a new machine has: its
// new items stay out of the store without a word. A write the store really
// refuses is told once, with the item's key.
TEST_F(ExportsTest, NewItemsWithoutAStoreCalendarAreQuietAndRealFailuresAreLoggedOnce)
{
    const CalCalendarPtr readOnly = readOnlyCalendar(QStringLiteral("Holidays"));
    const CalendarPtr localOnly = newCategory(QStringLiteral("Local only"), 20);
    const CalendarPtr vanished = newCategory(QStringLiteral("Removed elsewhere"), 21);
    vanished->setICalUID(QStringLiteral("NO-SUCH-CALENDAR"));
    const CalendarPtr holidays = newCategory(QStringLiteral("Holidays"), 22);
    holidays->setICalUID(readOnly->uid());
    dataManager().doWithCalendarList(CalendarList{localOnly, vanished, holidays}, 0);

    enum class Job { Event, EventRoot, EventList, Task, TaskList };
    struct Case {
        const char* name;
        Job job;
        qint64 categoryId;
        int lines;  // log lines of the store naming the item
    };
    const Case cases[] = {
        {"an event of a category without a store calendar", Job::Event, 20, 0},
        {"a series root of a category without a store calendar", Job::EventRoot, 20, 0},
        {"events of a category without a store calendar", Job::EventList, 20, 0},
        {"a task of a category without a store calendar", Job::Task, 20, 0},
        {"tasks of a category without a store calendar", Job::TaskList, 20, 0},
        {"an event whose store calendar is gone", Job::Event, 21, 0},
        {"a task whose store calendar is gone", Job::Task, 21, 0},
        {"an event in a read-only calendar", Job::Event, 22, 1},
        {"a series root in a read-only calendar", Job::EventRoot, 22, 1},
        {"events in a read-only calendar", Job::EventList, 22, 1},
        {"a task in a read-only calendar", Job::Task, 22, 1},
        {"tasks in a read-only calendar", Job::TaskList, 22, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool isTask = c.job == Job::Task || c.job == Job::TaskList;
        TaskPtr item = isTask ? storedTask(QStringLiteral("Report"))
                              : storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10), c.job == Job::EventRoot);
        item->setCalendarId(c.categoryId);
        ASSERT_TRUE(item->dehydrate());
        LogCapture log;
        switch (c.job) {
        case Job::Event: sync->backgroundOneWaySyncInsertToICalEvent(item, false); break;
        case Job::EventRoot: sync->backgroundOneWaySyncInsertToICalEventRoot(item); break;
        case Job::EventList: sync->backgroundOneWaySyncInsertToICalEventList(TaskList{item}); break;
        case Job::Task: sync->backgroundOneWaySyncInsertToICalTask(item, false); break;
        case Job::TaskList: sync->backgroundOneWaySyncInsertToICalTaskList(TaskList{item}); break;
        }
        settle();
        const QString key = QString::number(item->primaryKey());
        const QStringList lines = log.messages().filter(QStringLiteral("Calendar store"));
        EXPECT_EQ(lines.size(), c.lines) << lines.join('\n').toStdString();
        for (const QString& line : lines)
            EXPECT_TRUE(line.contains(QStringLiteral("(item %1)").arg(key))) << line.toStdString();
        EXPECT_TRUE(item->iCalUID().isEmpty());
        EXPECT_TRUE(Task::initWithPrimaryKey(item->primaryKey())->iCalUID().isEmpty());
    }
    EXPECT_TRUE(QDir(calendarFolder() + QStringLiteral("/Events")).entryList(QDir::Files).isEmpty());
}
