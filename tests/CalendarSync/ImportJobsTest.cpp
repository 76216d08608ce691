#include "CalendarSyncFixture.h"

#include "../CalendarStore/IndependentReader.h"

#include "Notification.h"
#include "NotificationCenter.h"
#include "RecordingMainView.h"
#include "Tag.h"
#include "TestEnvironment.h"
#include "ZVWSync.h"

#include <QFileInfo>

#include <functional>
#include <thread>

namespace {

// The store's watcher reports another program's writes; the import jobs the
// notices start are waited for through what they leave in the database.
class ImportJobsTest : public CalendarSyncTest {
protected:
    void SetUp() override
    {
        CalendarSyncTest::SetUp();
        setting->setAutoZVWSync(1);
        // The category stored for real: the jobs reload the category list.
        dataManager().doWithCalendarList(std::nullopt, 1);
        category = std::make_shared<Calendar>();
        category->setCalendarName(QStringLiteral("Home"));
        category->setICalUID(storeCalendar->uid());
        category->setDirectory(calendarFolder());
        category->setTaskOrEvent(3);
        category->setInVisible(0);
        ASSERT_TRUE(dataManager().addCalendarToCalendarList(category, false, false));
        NotificationCenter::defaultCenter().addObserver(&observer, kAutoSyncNotification, nullptr,
                                                        [this](const Notification& n) { requests << n.objectAs<qint64>(); });
        NotificationCenter::defaultCenter().addObserver(
            &observer, QStringLiteral("com.qrb.zvm.AutoBackupStartNotification"), nullptr,
            [this](const Notification&) { ++backupNotices; });
        view.windowVisible = true;
        outside = CalCalendarStore::create(storeFolder.path());
        ASSERT_EQ(store->calendars().size(), 1);  // indexed: the watcher starts
        settle();
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&observer);
        CalendarSyncTest::TearDown();
    }

    static void settle(int ms = 350) { processEventsUntil([] { return false; }, ms); }
    qsizetype reloads() const { return view.calls().count(QStringLiteral("reload")); }
    // Waits for the next job that reloads the views, then for its notices.
    bool waitForReloadAfter(qsizetype before, int ms = 8000)
    {
        const bool reloaded = processEventsUntil([&] { return reloads() > before; }, ms);
        settle(150);
        return reloaded;
    }

    static QString eventsFolderOf(const QString& folder) { return folder + QStringLiteral("/Events/"); }
    // Written elsewhere and renamed in, as most programs save.
    void renameIn(const QString& path, const QByteArray& bytes)
    {
        const QString temporary = storeFolder.path() + QStringLiteral("/.writing");
        QFile file(temporary);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        QFile::remove(path);
        ASSERT_TRUE(QFile::rename(temporary, path));
    }
    static void writeInPlace(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // Another program's write made while the sync is off (its notice is
    // dropped), read by a fresh store: the test then runs a job itself,
    // with no job of the watcher's notice running beside it.
    void unnoticed(const std::function<void()>& write)
    {
        dataManager().setBSynciCalEnable(false);
        write();
        settle(450);
        dataManager().setBSynciCalEnable(true);
        reopenStore();
    }

    CalEventPtr outsideEvent(const QString& title, const Date& start)
    {
        auto event = CalEvent::event();
        event->setCalendar(outside->calendarWithUID(storeCalendar->uid()));
        event->setTitle(title);
        event->setStartDate(start);
        event->setEndDate(start.dateByAddingTimeInterval(3600));
        EXPECT_TRUE(outside->saveEvent(event, CalSpanAllEvents));
        return event;
    }
    CalTaskPtr outsideTask(const QString& title, const Date& due)
    {
        auto task = CalTask::task();
        task->setCalendar(outside->calendarWithUID(storeCalendar->uid()));
        task->setTitle(title);
        task->setDueDate(due);
        EXPECT_TRUE(outside->saveTask(task));
        return task;
    }

    qint64 rowsWithUID(const QString& uid)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE iCalIdentifier = '%1'").arg(uid));
    }
    bool waitForRows(const QString& uid, qint64 count)
    {
        return processEventsUntil([&] { return rowsWithUID(uid) == count; }, 8000);
    }
    bool inWorkingList(qint64 key) const
    {
        for (const TaskPtr& item : CoreData::shared()->allTasksEventsAdes())
            if (item->primaryKey() == key) return true;
        return false;
    }

    RecordingMainView view;
    QObject observer;
    QList<qint64> requests;
    int backupNotices = 0;
    std::shared_ptr<CalCalendarStore> outside;
};

Notification eventNotice(const CalCalendarStore* store, const QStringList& inserted, const QStringList& updated,
                         const QStringList& deleted)
{
    return Notification(CalEventsChangedExternallyNotification, const_cast<CalCalendarStore*>(store),
                        QVariantMap{{CalInsertedRecordsKey, inserted},
                                    {CalUpdatedRecordsKey, updated},
                                    {CalDeletedRecordsKey, deleted}});
}

// A weekly series from 10 March 2014, 09:00 UTC: by default the 17 March
// occurrence moved to the 18th, the 24 March one deleted.
QByteArray seriesWithExceptions(const QString& uid, bool repeating = true, const QString& deletedStamp = "20140324T090000Z",
                                const QString& movedTitle = "Standup moved")
{
    QString text = QStringLiteral(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
        "DTSTAMP:20140301T000000Z\r\nDTSTART:20140310T090000Z\r\nDTEND:20140310T100000Z\r\nSUMMARY:Standup\r\n");
    if (repeating) text += QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=6\r\n");
    if (repeating && !deletedStamp.isEmpty()) text += QStringLiteral("EXDATE:%1\r\n").arg(deletedStamp);
    if (repeating && !movedTitle.isEmpty())
        text += QStringLiteral("END:VEVENT\r\nBEGIN:VEVENT\r\nUID:%1\r\nDTSTAMP:20140301T000000Z\r\n"
                               "RECURRENCE-ID:20140317T090000Z\r\nDTSTART:20140318T140000Z\r\n"
                               "DTEND:20140318T150000Z\r\nSUMMARY:%2\r\n").arg(QStringLiteral("%1"), movedTitle);
    text += QStringLiteral("END:VEVENT\r\nEND:VCALENDAR\r\n");
    return text.arg(uid).toUtf8();
}

TEST_F(ImportJobsTest, CalendarMadeOutsideBecomesAUniquelyNamedCategoryNotPushedBack)
{
    auto made = CalCalendar::calendar();
    made->setTitle(QStringLiteral(" h OME"));
    made->setColor(QColor(0x10, 0x8E, 0x77));  // next to group 2, colour 3
    ASSERT_TRUE(outside->saveCalendar(made));

    ASSERT_TRUE(processEventsUntil([&] { return dataManager().calendarWithICalUID(made->uid()) != nullptr; }, 8000));
    settle();
    const CalendarPtr imported = dataManager().calendarWithICalUID(made->uid());
    EXPECT_EQ(imported->calendarName(), QStringLiteral(" h OME_1"));
    EXPECT_EQ(store->calendarWithUID(made->uid())->title(), QStringLiteral(" h OME_1"));
    EXPECT_EQ(imported->colorGroupId(), 2);
    EXPECT_EQ(imported->colorNameId(), 3);
    EXPECT_EQ(imported->builtIn(), 1);
    EXPECT_EQ(imported->taskOrEvent(), 3);
    EXPECT_EQ(QFileInfo(imported->directory()).fileName(), made->uid() + QStringLiteral(".calendar"));
    EXPECT_EQ(imported->typeOfCal(), QStringLiteral("Local"));
    EXPECT_EQ(store->calendars().size(), 2);  // nothing made in the store in return
    EXPECT_EQ(jobs->numOfInsertedICal(), 0);
    EXPECT_GE(backupNotices, 1);
}

TEST_F(ImportJobsTest, CalendarRetitledOutsideRenamesItsCategoryAndAVanishedOneDeletesIt)
{
    auto other = CalCalendar::calendar();
    other->setTitle(QStringLiteral("Other"));
    ASSERT_TRUE(outside->saveCalendar(other));  // no category: ignored by the update
    ASSERT_TRUE(processEventsUntil([&] { return dataManager().calendarWithICalUID(other->uid()) != nullptr; }, 8000));

    CalCalendarPtr home = outside->calendarWithUID(storeCalendar->uid());
    home->setTitle(QStringLiteral("House"));
    ASSERT_TRUE(outside->saveCalendar(home));
    ASSERT_TRUE(processEventsUntil(
        [&] { return dataManager().calendarWithICalUID(storeCalendar->uid())->calendarName() == QStringLiteral("House"); },
        8000));
    requests.clear();

    ASSERT_TRUE(outside->removeCalendar(outside->calendarWithUID(other->uid())));
    ASSERT_TRUE(processEventsUntil([&] { return dataManager().calendarWithICalUID(other->uid()) == nullptr; }, 8000));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Calendars WHERE iCalUID = '%1'").arg(other->uid())), 0);
    EXPECT_TRUE(dataManager().calendarWithICalUID(storeCalendar->uid()));
}

// An unreadable folder is no removal: only a calendar whose folder is gone
// takes its category and items with it.
TEST_F(ImportJobsTest, CategoryStaysWhileItsCalendarFolderIsThereButUnreadable)
{
    TaskPtr item = localEvent(local(2014, 3, 14, 9), local(2014, 3, 14, 10));
    item->setICalUID(QStringLiteral("KEEP-1"));
    item->setCalendarId(category->primaryKey());
    ASSERT_TRUE(item->insertAndDehydrate());
    unnoticed([&] { ASSERT_TRUE(QFile::setPermissions(calendarFolder(), QFileDevice::WriteOwner)); });
    jobs->waitToOneWaySyncUpdateFromICal({storeCalendar->uid()});
    jobs->waitToOneWaySyncDeleteFromICal({storeCalendar->uid()});
    QFile::setPermissions(calendarFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(dataManager().calendarWithICalUID(storeCalendar->uid()));
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-1")), 1);

    unnoticed([&] { ASSERT_TRUE(QDir(calendarFolder()).removeRecursively()); });
    jobs->waitToOneWaySyncDeleteFromICal({storeCalendar->uid()});
    EXPECT_FALSE(dataManager().calendarWithICalUID(storeCalendar->uid()));
    EXPECT_EQ(rowsWithUID(QStringLiteral("KEEP-1")), 0);
    // No ordinary category is left: the default one is made.
    EXPECT_EQ(dataManager().calendarList().size(), 1);
    EXPECT_EQ(dataManager().calendarList().first()->calendarName(), QStringLiteral("Zoravel"));
}

TEST_F(ImportJobsTest, RepeatingEventMadeOutsideGivesRootChangedOccurrenceAndExceptionEntries)
{
    const QString uid = QStringLiteral("OUTSIDE-SERIES-1");
    renameIn(eventsFolderOf(calendarFolder()) + QStringLiteral("standup.ics"), seriesWithExceptions(uid));
    ASSERT_TRUE(waitForRows(uid, 2));
    settle();

    const TaskPtr root = dataManager().getRootEventWithUID(uid);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->builtIn(), 1);
    EXPECT_EQ(root->calendarId(), category->primaryKey());
    const TaskList detached = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
    ASSERT_EQ(detached.size(), 1);
    // Times in UTC: held on UTC's wall clock.
    EXPECT_EQ(instantOf(detached[0]->occurrence(), *root), utc(2014, 3, 17, 9));
    EXPECT_EQ(instantOf(detached[0]->startTime(), *detached[0]), utc(2014, 3, 18, 14));
    EXPECT_EQ(detached[0]->taskName(), QStringLiteral("Standup moved"));
    EXPECT_EQ(detached[0]->repeatType(), 0);
    EXPECT_EQ(detached[0]->calendarId(), root->calendarId());
    const QString expected = QLatin1Char('|') + Task::storedDateText(local(2014, 3, 17, 9)) + QStringLiteral("(1)|")
                             + Task::storedDateText(local(2014, 3, 24, 9)) + QStringLiteral("(2)");
    EXPECT_TRUE(root->repeatExceptions().endsWith(expected)) << root->repeatExceptions().toStdString();
    EXPECT_TRUE(requests.contains(2));

    // Rewritten in place without its rule: the changed occurrence goes.
    const qsizetype before = reloads();
    writeInPlace(store->eventFilePath(uid), seriesWithExceptions(uid, false));
    ASSERT_TRUE(waitForRows(uid, 1));
    EXPECT_TRUE(processEventsUntil([&] { return reloads() > before; }, 2000));
    EXPECT_EQ(dataManager().getRootEventWithUID(uid)->repeatType(), 0);
    EXPECT_TRUE(dataManager().getAllDetachedEventWithParentID(root->primaryKey()).isEmpty());
}

// Each update rebuilds the exceptions from the file: a changed occurrence
// keeps its one row and takes the new content, one now deleted loses it.
TEST_F(ImportJobsTest, UpdatedSeriesRebuildsItsExceptionsFromTheFile)
{
    const QString uid = QStringLiteral("OUTSIDE-SERIES-2");
    renameIn(eventsFolderOf(calendarFolder()) + QStringLiteral("weekly.ics"), seriesWithExceptions(uid));
    ASSERT_TRUE(waitForRows(uid, 2));
    const qint64 rootKey = dataManager().getRootEventWithUID(uid)->primaryKey();
    // (The series is in UTC: held on UTC's wall clock.)
    const QString changed = QLatin1Char('|') + Task::storedDateText(local(2014, 3, 17, 9)) + QStringLiteral("(1)");
    const QString deleted = QLatin1Char('|') + Task::storedDateText(local(2014, 3, 17, 9)) + QStringLiteral("(2)");

    const QString path = store->eventFilePath(uid);
    unnoticed([&] { writeInPlace(path, seriesWithExceptions(uid, true, QString(), QStringLiteral("Moved again"))); });
    jobs->waitToOneWaySyncUpdateFromICalEvent({uid});
    TaskList detached = dataManager().getAllDetachedEventWithParentID(rootKey);
    ASSERT_EQ(detached.size(), 1);
    EXPECT_EQ(detached[0]->taskName(), QStringLiteral("Moved again"));
    EXPECT_EQ(dataManager().taskWithPrimaryKey(rootKey)->repeatExceptions(), changed);

    // The change taken back: the occurrence is the series' own again, shown
    // once, and a full sync finds no row the series does not list.
    unnoticed([&] { writeInPlace(path, seriesWithExceptions(uid, true, QString(), QString())); });
    jobs->waitToOneWaySyncUpdateFromICalEvent({uid});
    EXPECT_TRUE(dataManager().getAllDetachedEventWithParentID(rootKey).isEmpty());
    EXPECT_EQ(dataManager().taskWithPrimaryKey(rootKey)->repeatExceptions(), QString());
    jobs->backgroundFullSync();
    EXPECT_TRUE(dataManager().getAllDetachedEventWithParentID(rootKey).isEmpty());

    unnoticed([&] { writeInPlace(path, seriesWithExceptions(uid, true, QStringLiteral("20140317T090000Z"), QString())); });
    jobs->waitToOneWaySyncUpdateFromICalEvent({uid});
    EXPECT_TRUE(dataManager().getAllDetachedEventWithParentID(rootKey).isEmpty());
    EXPECT_EQ(dataManager().taskWithPrimaryKey(rootKey)->repeatExceptions(), deleted);
}

// The store's notices apply in the order reported, each uid once.
TEST_F(ImportJobsTest, EventUpdatedAndDeletedOutsideFollowsAndAnEventMovedBeyondTheWindowStays)
{
    const CalEventPtr event = outsideEvent(QStringLiteral("Dentist"), local(2014, 3, 15, 9));
    ASSERT_TRUE(waitForRows(event->uid(), 1));
    const qint64 key = dataManager().getRootEventWithUID(event->uid())->primaryKey();

    event->setTitle(QStringLiteral("Dentist, second visit"));
    ASSERT_TRUE(outside->saveEvent(event, CalSpanAllEvents));
    ASSERT_TRUE(processEventsUntil(
        [&] { return dataManager().taskWithPrimaryKey(key)->taskName() == QStringLiteral("Dentist, second visit"); },
        8000));
    settle();
    EXPECT_TRUE(requests.contains(10));

    // A year later: outside the window, still in the store.
    event->setStartDate(local(2015, 3, 15, 9));
    event->setEndDate(local(2015, 3, 15, 10));
    ASSERT_TRUE(outside->saveEvent(event, CalSpanAllEvents));
    ASSERT_TRUE(waitForReloadAfter(reloads()));
    EXPECT_EQ(rowsWithUID(event->uid()), 1);

    ASSERT_TRUE(outside->removeEvent(outside->eventWithUID(event->uid(), Date()), CalSpanAllEvents));
    ASSERT_TRUE(waitForRows(event->uid(), 0));
}

// An event another program writes while the organizer runs is read as the
// full sync at the start reads it: 1:00 to 4:00 on a day the clocks change
// keeps both clock times, shows them, and a retitle writes them back.
TEST_F(ImportJobsTest, AnEventArrivingOnAClockChangeDayKeepsItsClockTimes)
{
    struct Case {
        const char* name;
        int month;
        qint64 minutes;  // as elapsed
    };
    const Case cases[] = {{"28 March", 3, 120}, {"31 October", 10, 240}};
    IndependentReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int day = c.month == 3 ? 28 : 31;
        Clock::setFixed(local(2027, c.month, day - 3, 12));
        const Date start = local(2027, c.month, day, 1), end = local(2027, c.month, day, 4);
        const QString uid = QStringLiteral("CHANGE-DAY-%1").arg(c.month);
        const QString wall = QStringLiteral("2027%1%2T0").arg(c.month, 2, 10, QLatin1Char('0')).arg(day);
        renameIn(eventsFolderOf(calendarFolder()) + uid + QStringLiteral(".ics"),
                 QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
                                "DTSTAMP:20270101T000000Z\r\nDTSTART:%2\r\nDTEND:%3\r\nSUMMARY:Night shift\r\n"
                                "END:VEVENT\r\nEND:VCALENDAR\r\n")
                     .arg(uid, wall + QStringLiteral("10000"), wall + QStringLiteral("40000"))
                     .toUtf8());
        ASSERT_TRUE(waitForRows(uid, 1));
        settle();
        const TaskPtr row = Task::initWithPrimaryKey(dataManager().getRootEventWithUID(uid)->primaryKey());
        ASSERT_TRUE(row);
        EXPECT_EQ(row->startTime(), start);
        EXPECT_EQ(row->endTime(), end);
        EXPECT_EQ(row->duration(), c.minutes);
        dataManager().recalculateTimeWithTimezoneSupport(row);
        EXPECT_EQ(row->tzStartTime(), start);
        EXPECT_EQ(row->tzEndTime(), end);

        row->setTaskName(QStringLiteral("Night shift, moved"));
        row->setLocalStartDate(row->startTime());
        row->setLocalEndDate(row->endTime());
        row->setPrevtz(row->tz());
        jobs->backgroundOneWaySyncUpdateToICalEvent(row, 0);
        ASSERT_TRUE(jobs->waitForQueuedJobs(10));
        const auto back = readBack(uid);
        ASSERT_TRUE(back && back->master);
        EXPECT_EQ(back->master->title, QStringLiteral("Night shift, moved"));
        reader.expect(store->eventFilePath(uid), start.dateByAddingTimeInterval(-86400), end.dateByAddingTimeInterval(86400),
                      {{start, end}}, {}, IndependentReader::AlsoKhal::Yes);
    }
    reader.verify();
}

TEST_F(ImportJobsTest, UpdateOfAnEventWithNoLocalRootInsertsItAndAsksForItemsOnly)
{
    CalEventPtr event;
    unnoticed([&] { event = outsideEvent(QStringLiteral("Lunch"), local(2014, 3, 13, 12)); });
    const ICalJobOutcome outcome = jobs->waitToOneWaySyncUpdateFromICalEvent({event->uid(), event->uid()});
    EXPECT_EQ(outcome.autoSyncMask, 2);
    EXPECT_TRUE(outcome.changedLocalItems);
    EXPECT_EQ(rowsWithUID(event->uid()), 1);
}

TEST_F(ImportJobsTest, NoticeWhileTheSyncIsOffStartsNothingAndPostsNothing)
{
    dataManager().setBSynciCalEnable(false);
    jobs->doSthWithEvent(eventNotice(store.get(), {QStringLiteral("A")}, {QStringLiteral("B")}, {QStringLiteral("C")}));
    EXPECT_TRUE(jobs->iEventListICal().isEmpty());
    settle(200);
    EXPECT_EQ(backupNotices, 0);
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_TRUE(view.calls().isEmpty());
}

// A job whose turn comes after the sync was turned off imports nothing, be
// it of events or of tasks.
TEST_F(ImportJobsTest, ItemImportsWhoseTurnComesWithTheSyncOffChangeNothing)
{
    CalEventPtr event;
    CalTaskPtr task;
    unnoticed([&] {
        event = outsideEvent(QStringLiteral("Lunch"), local(2014, 3, 13, 12));
        task = outsideTask(QStringLiteral("Call back"), local(2014, 3, 12, 17));
    });
    const std::pair<ICalJob::Kind, QString> cases[] = {
        {ICalJob::Kind::InsertEventsFromICal, event->uid()}, {ICalJob::Kind::InsertTasksFromICal, task->uid()},
        {ICalJob::Kind::UpdateEventsFromICal, event->uid()}, {ICalJob::Kind::UpdateTasksFromICal, task->uid()}};
    const auto run = [&](ICalJob::Kind kind, const QString& uid) {
        ICalJob job;
        job.kind = kind;
        job.uids = {uid};
        jobs->importWork(job);
    };
    for (const auto& [kind, uid] : cases) {
        dataManager().setBSynciCalEnable(false);
        run(kind, uid);
        dataManager().setBSynciCalEnable(true);
        EXPECT_EQ(rowsWithUID(uid), 0) << int(kind);
    }
}

// A notice of uids nobody knows, twice each and by the thousand, changes
// nothing and ends.
TEST_F(ImportJobsTest, NoticesOfUnknownAndRepeatedUidsChangeNothing)
{
    QStringList many;
    for (int i = 0; i < 10000; ++i) many << QStringLiteral("UNKNOWN-%1").arg(i % 5000);
    const qsizetype before = reloads();
    jobs->doSthWithEvent(eventNotice(store.get(), many.mid(0, 200), many, many));
    jobs->doSthWithTask(Notification(CalTasksChangedExternallyNotification, store.get(),
                                     QVariantMap{{CalInsertedRecordsKey, many}, {CalUpdatedRecordsKey, many}}));
    // A bound, not a figure: the thread checker's build takes half a minute.
    ASSERT_TRUE(processEventsUntil([&] { return reloads() >= before + 5; }, 90000));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks")), 0);
    EXPECT_EQ(backupNotices, 2);

    CalEventPtr event;
    unnoticed([&] { event = outsideEvent(QStringLiteral("Twice"), local(2014, 3, 13, 12)); });
    jobs->waitToOneWaySyncInsertFromICalEvent({event->uid(), event->uid()});
    EXPECT_EQ(rowsWithUID(event->uid()), 1);
}

// Bad files written over a linked event's file: the local side stays as it
// is, also while the store, which keeps such an old event's file unparsed,
// reads it again before its watcher has looked (a cut-short file). A VEVENT
// without UID is no bad file: the readers read it under its file's name,
// which is the linked event's uid, so it is that event's new state once the
// store has read it (a wait, not a race with the notice). The odd files
// stay in the calendar, one more each round: another event of it deleted
// meanwhile goes while the organizer runs, unless a file is cut short (a
// rewrite in place not yet done), which proves no deletion.
TEST_F(ImportJobsTest, OutsideFilesTheStoreCannotReadLeaveTheLocalItemsAlone)
{
    for (const char* fixture : {"garbage.ics", "no-uid.ics", "no-vevent.ics", "truncated.ics"}) {
        SCOPED_TRACE(fixture);
        const bool readable = QLatin1String(fixture) == QLatin1String("no-uid.ics");
        const bool cutShort = QLatin1String(fixture) == QLatin1String("truncated.ics");
        const CalEventPtr event = outsideEvent(QStringLiteral("Linked"), local(2014, 3, 20, 9));
        const CalEventPtr beside = outsideEvent(QStringLiteral("Beside"), local(2014, 3, 21, 9));
        ASSERT_TRUE(waitForRows(event->uid(), 1));
        ASSERT_TRUE(waitForRows(beside->uid(), 1));
        const QString path = outside->eventFilePath(event->uid());
        QFile bad(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QLatin1String(fixture));
        ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
        const qsizetype before = reloads();
        writeInPlace(path, bad.readAll());
        waitForReloadAfter(before, 3000);
        // However the store reported it, the job found it unconfirmed.
        jobs->waitToOneWaySyncDeleteFromICalEvent({event->uid()});
        jobs->waitToOneWaySyncUpdateFromICalEvent({event->uid()});
        if (readable) {
            EXPECT_TRUE(processEventsUntil(
                [&] {
                    jobs->waitToOneWaySyncUpdateFromICalEvent({event->uid()});
                    return dataManager().getRootEventWithUID(event->uid())->taskName() == QStringLiteral("No uid");
                },
                8000));
        }
        EXPECT_EQ(rowsWithUID(event->uid()), 1);
        EXPECT_EQ(dataManager().getRootEventWithUID(event->uid())->taskName(),
                  readable ? QStringLiteral("No uid") : QStringLiteral("Linked"));
        const qsizetype beforeDelete = reloads();
        ASSERT_TRUE(outside->removeEvent(outside->eventWithUID(beside->uid(), Date()), CalSpanAllEvents));
        if (cutShort) {
            waitForReloadAfter(beforeDelete, 3000);
            EXPECT_EQ(rowsWithUID(beside->uid()), 1) << "its calendar is not read in full";
        } else {
            EXPECT_TRUE(waitForRows(beside->uid(), 0)) << "an odd file keeps back no other file's delete";
        }
    }
}

// A program that rewrites its files in place leaves one half written for a
// moment; deletes of other events of that calendar reported meanwhile are
// held back, and taken once the file reads again, beyond the window too.
TEST_F(ImportJobsTest, DeletesHeldBackByAFileRewrittenInPlaceAreTakenOnceItReads)
{
    const CalEventPtr rewritten = outsideEvent(QStringLiteral("Rewritten"), local(2014, 3, 20, 9));
    const CalEventPtr near = outsideEvent(QStringLiteral("Deleted near"), local(2014, 3, 21, 9));
    const CalEventPtr far = outsideEvent(QStringLiteral("Deleted far"), local(2014, 3, 22, 9));
    ASSERT_TRUE(waitForRows(near->uid(), 1));
    ASSERT_TRUE(waitForRows(far->uid(), 1));
    // Moved a year on: beyond the window, still linked here.
    far->setStartDate(local(2015, 3, 22, 9));
    far->setEndDate(local(2015, 3, 22, 10));
    ASSERT_TRUE(outside->saveEvent(far, CalSpanAllEvents));
    ASSERT_TRUE(waitForReloadAfter(reloads()));
    const QString path = outside->eventFilePath(rewritten->uid());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    writeInPlace(path, whole.left(whole.size() / 2));
    settle(450);
    qsizetype before = reloads();
    ASSERT_TRUE(outside->removeEvent(outside->eventWithUID(near->uid(), Date()), CalSpanAllEvents));
    ASSERT_TRUE(outside->removeEvent(outside->eventWithUID(far->uid(), Date()), CalSpanAllEvents));
    waitForReloadAfter(before, 3000);
    EXPECT_EQ(rowsWithUID(near->uid()), 1) << "its calendar is not read in full";
    writeInPlace(path, whole);
    EXPECT_TRUE(waitForRows(near->uid(), 0));
    EXPECT_TRUE(waitForRows(far->uid(), 0));
    EXPECT_EQ(rowsWithUID(rewritten->uid()), 1);
}

// The insert jobs replace the local items of a uid only with what they read:
// a uid the store does not know, or whose file gives nothing, leaves them.
TEST_F(ImportJobsTest, InsertsThatReadNothingLeaveTheLocalItemsOfTheirUid)
{
    const auto linkedItem = [&](const QString& uid, qint64 type) {
        TaskPtr item = localEvent(local(2014, 3, 14, 9), local(2014, 3, 14, 10));
        item->setTaskType(type);
        item->setTaskName(QStringLiteral("Local copy"));
        item->setICalUID(uid);
        item->setCalendarId(category->primaryKey());
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    };
    const TaskPtr unknownEvent = linkedItem(QStringLiteral("NOT-IN-STORE-E"), 0);
    const TaskPtr unknownTask = linkedItem(QStringLiteral("NOT-IN-STORE-T"), 1);
    CalEventPtr event;
    unnoticed([&] { event = outsideEvent(QStringLiteral("From the store"), local(2014, 3, 14, 9)); });
    const TaskPtr fileless = linkedItem(event->uid(), 0);
    // Listed by the store, but its file is gone before the job reads it.
    const QString path = store->eventFilePath(event->uid());
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(QFile::remove(path));

    jobs->waitToOneWaySyncInsertFromICalEvent({QStringLiteral("NOT-IN-STORE-E"), event->uid()});
    jobs->waitToOneWaySyncInsertFromICalTask({QStringLiteral("NOT-IN-STORE-T")});
    for (const TaskPtr& item : {unknownEvent, unknownTask, fileless}) {
        SCOPED_TRACE(item->iCalUID().toStdString());
        EXPECT_EQ(rowsWithUID(item->iCalUID()), 1);
        const TaskPtr now = dataManager().taskWithPrimaryKey(item->primaryKey());
        ASSERT_TRUE(now);
        EXPECT_EQ(now->taskName(), QStringLiteral("Local copy"));
    }
}

// A calendar with no local category: its retitle is ignored, and events in
// it are not imported.
TEST_F(ImportJobsTest, ACalendarWithoutACategoryIsIgnoredWithItsEvents)
{
    CalCalendarPtr other;
    CalEventPtr event;
    unnoticed([&] {
        other = CalCalendar::calendar();
        other->setTitle(QStringLiteral("Elsewhere"));
        ASSERT_TRUE(outside->saveCalendar(other));
        other->setTitle(QStringLiteral("Elsewhere, renamed"));
        ASSERT_TRUE(outside->saveCalendar(other));
        event = CalEvent::event();
        event->setCalendar(outside->calendarWithUID(other->uid()));
        event->setTitle(QStringLiteral("Not ours"));
        event->setStartDate(local(2014, 3, 14, 9));
        event->setEndDate(local(2014, 3, 14, 10));
        ASSERT_TRUE(outside->saveEvent(event, CalSpanAllEvents));
    });
    const qint64 categories = queryInt(QStringLiteral("SELECT COUNT(*) FROM Calendars"));

    jobs->waitToOneWaySyncUpdateFromICal({other->uid()});
    jobs->waitToOneWaySyncInsertFromICalEvent({event->uid()});
    EXPECT_FALSE(dataManager().calendarWithICalUID(other->uid()));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Calendars")), categories);
    EXPECT_EQ(store->calendarWithUID(other->uid())->title(), QStringLiteral("Elsewhere, renamed"));
    EXPECT_EQ(rowsWithUID(event->uid()), 0);
}

TEST_F(ImportJobsTest, TasksMadeChangedAndRemovedOutsideFollowAndTodaysTaskGoesFirst)
{
    dataManager().setHasDoToday(true);
    QObject orderObserver;
    int orderChanges = 0;
    NotificationCenter::defaultCenter().addObserver(&orderObserver, QStringLiteral("Task order changed"), nullptr,
                                                    [&](const Notification&) { ++orderChanges; });
    const CalTaskPtr task = outsideTask(QStringLiteral("Call back"), local(2014, 3, 12, 17));
    ASSERT_TRUE(waitForRows(task->uid(), 1));
    TaskPtr imported = dataManager().getTaskWithUID(task->uid());
    EXPECT_EQ(imported->builtIn(), 1);
    EXPECT_EQ(imported->taskName(), QStringLiteral("Call back"));
    EXPECT_TRUE(processEventsUntil([&] { return orderChanges > 0; }, 2000));

    task->setTitle(QStringLiteral("Call back before noon"));
    ASSERT_TRUE(outside->saveTask(task));
    ASSERT_TRUE(processEventsUntil(
        [&] { return dataManager().getTaskWithUID(task->uid())->taskName() == QStringLiteral("Call back before noon"); },
        8000));

    ASSERT_TRUE(outside->removeTask(outside->taskWithUID(task->uid())));
    ASSERT_TRUE(waitForRows(task->uid(), 0));
    NotificationCenter::defaultCenter().removeObserver(&orderObserver);
}

// The listed tasks are the main thread's: a job on the store's worker leaves
// the move of a task due today to the main queue instead of reordering them.
TEST_F(ImportJobsTest, ATaskDueTodayImportedOnTheWorkerMovesFirstOnTheMainThread)
{
    dataManager().setHasDoToday(true);
    CalTaskPtr first, second;
    unnoticed([&] { first = outsideTask(QStringLiteral("First"), local(2014, 3, 12, 17)); });
    jobs->waitToOneWaySyncInsertFromICalTask({first->uid()});
    const qint64 firstKey = dataManager().getTaskWithUID(first->uid())->primaryKey();
    TaskPtr listedFirst;
    for (const TaskPtr& item : dataManager().allTasksEventsAdes())
        if (item->primaryKey() == firstKey) listedFirst = item;
    ASSERT_TRUE(listedFirst);
    const qint64 orderBefore = listedFirst->taskOrder();
    unnoticed([&] { second = outsideTask(QStringLiteral("Second"), local(2014, 3, 12, 18)); });

    // The main thread waits without turning: nothing it owns may change.
    std::vector<std::function<void()>> posts;
    std::thread worker([&] {
        iCalSync::setListRecordsOnMainThread(true);
        NotificationCenter::HeldPosts held;
        jobs->waitToOneWaySyncInsertFromICalTask({second->uid()});
        posts = held.take();
    });
    worker.join();
    EXPECT_EQ(listedFirst->taskOrder(), orderBefore);
    for (const auto& post : posts) post();
    EXPECT_TRUE(processEventsUntil([&] { return listedFirst->taskOrder() != orderBefore; }, 2000));
    EXPECT_LT(dataManager().getTaskWithUID(second->uid())->taskOrder(), listedFirst->taskOrder());
}

// After an update an item of a hidden category leaves the working lists; with
// a tag filter only items carrying a shown tag (themselves or through their
// category) join them.
TEST_F(ImportJobsTest, UpdatedItemsJoinTheWorkingListsAsTheCategoryAndTagFilterSay)
{
    auto work = std::make_shared<Tag>();
    work->setTagName(QStringLiteral("Work"));
    auto home = std::make_shared<Tag>();
    home->setTagName(QStringLiteral("Home"));
    home->setIsHidden(true);
    dataManager().setTagList({work, home});

    struct Case {
        const char* name;
        bool hidden, filter;
        QString categoryTags, ownTags;
        bool listed;
        bool workHidden = false;  // with both hidden, no tag is shown
    };
    const Case cases[] = {
        {"hidden category", true, false, "", "", false},
        {"no filter", false, false, "", "/Home", true},
        {"own shown tag", false, true, "", "/work", true},
        {"category's shown tag", false, true, "/Work", "", true},
        {"only a hidden tag", false, true, "", "/Home", false},
        {"no tag at all", false, true, "", "", false},
        {"no shown tags, no tag at all", false, true, "", "", true, true},
        {"no shown tags, an own tag", false, true, "", "/Work", false, true},
        {"no shown tags, a category tag", false, true, "/Home", "", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        work->setIsHidden(c.workHidden);
        category->setInVisible(c.hidden ? 1 : 0);
        category->setTagList(c.categoryTags);
        ASSERT_TRUE(category->dehydrate());
        dataManager().setIsAppliedTagFilter(c.filter);
        CalTaskPtr task;
        unnoticed([&] { task = outsideTask(QStringLiteral("Listed?"), local(2014, 3, 14, 9)); });
        jobs->waitToOneWaySyncInsertFromICalTask({task->uid()});
        TaskPtr local = dataManager().getTaskWithUID(task->uid());
        ASSERT_TRUE(local);
        local->setTagList(c.ownTags);
        ASSERT_TRUE(local->dehydrate());
        dataManager().removeAllTaskRelateToPrimaryKey(local->primaryKey());
        if (c.hidden) dataManager().doWithAllTasksEventsAdes(TaskList{local}, 0);
        jobs->waitToOneWaySyncUpdateFromICalTask({task->uid()});
        EXPECT_EQ(inWorkingList(local->primaryKey()), c.listed);
    }
}

}  // namespace

// Another program sets LOCATION; a moment later, before the watcher has
// looked, the organizer saves a new title. The file keeps both, and the
// organizer takes in the location.
TEST_F(ImportJobsTest, AnOutsideEditJustBeforeAnOrganizerWriteSurvivesIt)
{
    const CalEventPtr made = outsideEvent(QStringLiteral("Dentist"), utc(2014, 3, 14, 9));
    ASSERT_TRUE(waitForRows(made->uid(), 1));
    settle();
    const qint64 key = queryInt(QStringLiteral("SELECT primaryKey FROM Tasks WHERE iCalIdentifier = '%1'").arg(made->uid()));
    const QString path = store->eventFilePath(made->uid());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    ASSERT_TRUE(bytes.contains("SUMMARY:Dentist\r\n"));
    bytes.replace("SUMMARY:Dentist\r\n", "SUMMARY:Dentist\r\nLOCATION:Room 4\r\n");
    writeInPlace(path, bytes);

    const TaskPtr item = Task::initWithPrimaryKey(key);
    ASSERT_TRUE(item);
    item->setTaskName(QStringLiteral("Dentist, moved"));
    ASSERT_TRUE(item->dehydrate());
    ASSERT_TRUE(jobs->updateEventOnICal(item, store->eventWithUID(made->uid(), Date()), 1));
    const auto back = readBack(made->uid());
    ASSERT_TRUE(back && back->master);
    EXPECT_EQ(back->master->title, QStringLiteral("Dentist, moved"));
    EXPECT_EQ(back->master->location, QStringLiteral("Room 4"));

    EXPECT_TRUE(processEventsUntil([&] { return Task::initWithPrimaryKey(key)->taskLocation() == QStringLiteral("Room 4"); }, 8000));
    EXPECT_EQ(Task::initWithPrimaryKey(key)->taskName(), QStringLiteral("Dentist, moved"));
    EXPECT_EQ(rowsWithUID(made->uid()), 1);
}
