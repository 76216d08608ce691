#include "ConversionTestFixture.h"

#include "GlobalQueue.h"
#include "MainQueue.h"
#include "RecordStore.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

const QString taskChanged = QStringLiteral("Task changed");

class CoreDataBatchTest : public ConversionTest {
protected:
    qint64 linkStatus(qint64 key)
    {
        return queryInt(QStringLiteral("SELECT status FROM Links WHERE primaryKey=%1").arg(key));
    }

    TaskPtr listed(const TaskPtr& item)
    {
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }

    static QList<qint64> keysOf(const TaskList& items)
    {
        QList<qint64> keys;
        for (const TaskPtr& item : items) keys.append(item->primaryKey());
        return keys;
    }

    QList<qint64> remainingOf(const TaskList& items)
    {
        QList<qint64> keys;
        for (const TaskPtr& item : items)
            if (rowExists(item->primaryKey())) keys.append(item->primaryKey());
        return keys;
    }

    // Runs the purge as the preferences pane does, on a background thread,
    // turning the main thread's event loop until it answers.
    std::optional<bool> purgeInBackground(bool autoSyncZVW)
    {
        std::optional<bool> answer;
        dataManager().deleteSuspectedDuplicatedTasksInBackground(autoSyncZVW,
                                                                 [&](bool finished) { answer = finished; });
        EXPECT_TRUE(processEventsUntil([&] { return answer.has_value(); }));
        return answer;
    }

    void startPurge() { setting().setIsCancellingRemoving(false); }
};

}  // namespace

// ---- delete, duplicate, star ------------------------------------------------------------------------

TEST_F(CoreDataBatchTest, DeletingASelectionDeletesOnlyTheOwnItemsAndSavesTheSettings)
{
    const TaskPtr own = task(QStringLiteral("mine"));
    own->setZvwID(41);
    ASSERT_TRUE(own->dehydrate());
    const TaskPtr shared = task(QStringLiteral("theirs"));
    shared->setIsShared(true);
    shared->setZvwID(42);
    ASSERT_TRUE(shared->dehydrate());
    const TaskPtr ownNote = note(QStringLiteral("my note"));
    ASSERT_TRUE(setting().dirty());

    EXPECT_TRUE(dataManager().doDeleteTasks({shared, own, ownNote}, false));

    EXPECT_TRUE(rowExists(shared->primaryKey()));
    EXPECT_FALSE(rowExists(own->primaryKey()));
    EXPECT_FALSE(rowExists(ownNote->primaryKey()));
    EXPECT_EQ(setting().zvwDeletedTasks(), QStringLiteral(",41"));
    EXPECT_FALSE(setting().dirty());
    EXPECT_EQ(calendarStoreOperations(), QStringLiteral("deleteTask"));

    EXPECT_TRUE(dataManager().doDeleteTasks({shared}, false));
    EXPECT_TRUE(rowExists(shared->primaryKey()));
}

TEST_F(CoreDataBatchTest, DeletedItemsLoseTheirLinksOutrightOnlyWhenPushedToTheWeb)
{
    struct Case {
        const char* what;
        bool autoSyncZVW;
        bool webSync;
        qint64 linkRowsLeft;
        QList<qint64> pushes;
    };
    for (const Case& c : {Case{"pushed", true, true, 0, {AutoSync::items}},
                          Case{"web sync off", true, false, 1, {}},
                          Case{"no push asked", false, true, 1, {}}}) {
        SCOPED_TRACE(c.what);
        switchWebSync(c.webSync);
        const TaskPtr doomed = task(QStringLiteral("doomed"));
        const qint64 made = link(doomed, note(QStringLiteral("context")));
        PostedNotifications posts({kAutoSyncNotification, taskChanged});

        EXPECT_TRUE(dataManager().doDeleteTasks({doomed}, c.autoSyncZVW));

        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Links WHERE primaryKey=%1").arg(made)), c.linkRowsLeft);
        if (c.linkRowsLeft) {
            EXPECT_EQ(linkStatus(made), 1) << "marked removed by the row delete";
        }
        EXPECT_EQ(posts.autoSyncRequests(), c.pushes);
        EXPECT_FALSE(posts.names().contains(taskChanged));
    }
}

TEST_F(CoreDataBatchTest, DeletedEventsLeaveTheCalendarStoreToo)
{
    const TaskPtr meeting = event(QStringLiteral("Meeting"), localDate(2014, 1, 16, 9, 0));
    meeting->setICalUID(QStringLiteral("meeting-uid"));
    ASSERT_TRUE(meeting->dehydrate());

    EXPECT_TRUE(dataManager().doDeleteTasks({meeting}, false));

    EXPECT_FALSE(rowExists(meeting->primaryKey()));
    ASSERT_EQ(calendarStore().calls().size(), 1);
    EXPECT_EQ(calendarStore().calls().first().operation, QStringLiteral("deleteEvent"));
    EXPECT_EQ(calendarStore().calls().first().type, 0);
}

TEST_F(CoreDataBatchTest, DuplicatesAreNewUnsyncedRootsHandedToTheStoreByKind)
{
    const TaskPtr series = dailySeries(QStringLiteral("Standup"));
    const TaskPtr thursday = occurrenceOn(series, 16);
    const TaskPtr errand = task(QStringLiteral("Errand"));
    errand->setZvwID(12);
    ASSERT_TRUE(errand->dehydrate());
    const TaskPtr scheduled = scheduledTask(QStringLiteral("Focus"), localDate(2014, 1, 15, 14, 0));
    const TaskPtr memo = note(QStringLiteral("Memo"));
    const qint64 before = lastKey();
    PostedNotifications posts({kAutoSyncNotification, taskChanged});

    EXPECT_TRUE(dataManager().doDuplicateTasks({thursday, errand, scheduled, memo}, true));

    const TaskList copies = rowsAfter(before);
    ASSERT_EQ(copies.size(), 4);
    for (const TaskPtr& copy : copies) {
        EXPECT_EQ(copy->parentId(), -1);
        EXPECT_EQ(copy->zvwID(), 0);
        EXPECT_EQ(copy->iCalUID(), QString());
        EXPECT_EQ(copy->lastUpdate(), 0);
    }
    const TaskPtr seriesCopy = copies[0];
    EXPECT_EQ(seriesCopy->repeatType(), 1) << "the copy keeps the repeat rule";
    EXPECT_EQ(seriesCopy->startTime(), localDate(2014, 1, 16, 9, 0));
    EXPECT_EQ(seriesCopy->repeatStartDate(), seriesCopy->startTime()) << "its series starts at the copied item";
    EXPECT_EQ(copies[1]->taskName(), QStringLiteral("Errand"));
    EXPECT_EQ(copies[3]->taskType(), 3);

    ASSERT_EQ(calendarStore().calls().size(), 2);
    EXPECT_EQ(calendarStore().calls()[0].operation, QStringLiteral("insertEventList"));
    EXPECT_EQ(keysOf(calendarStore().calls()[0].items), QList<qint64>{copies[0]->primaryKey()})
        << "a scheduled task never goes to the store";
    EXPECT_EQ(calendarStore().calls()[1].operation, QStringLiteral("insertTaskList"));
    EXPECT_EQ(keysOf(calendarStore().calls()[1].items), QList<qint64>{copies[1]->primaryKey()});
    EXPECT_EQ(posts.names(), QStringList{kAutoSyncNotification});
    EXPECT_EQ(posts.autoSyncRequests(), QList<qint64>{AutoSync::items});
}

TEST_F(CoreDataBatchTest, StarringWritesThePinAndAnnouncesTheChangeOnce)
{
    const TaskPtr first = task(QStringLiteral("first"));
    const TaskPtr second = task(QStringLiteral("second"));
    for (const bool star : {true, false}) {
        SCOPED_TRACE(star ? "star" : "unstar");
        PostedNotifications posts({kAutoSyncNotification, taskChanged});
        if (star)
            EXPECT_TRUE(dataManager().doMarkStarTasks({first, second}, true));
        else
            EXPECT_TRUE(dataManager().doMarkUnStarTasks({first, second}, false));
        for (const TaskPtr& item : {first, second})
            EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("isPinned")).toLongLong(), star ? 1 : 0);
        ASSERT_FALSE(posts.posts().isEmpty());
        EXPECT_EQ(posts.posts().first().name(), taskChanged);
        EXPECT_EQ(posts.posts().first().objectAs<CoreData*>(), &dataManager());
        EXPECT_EQ(posts.autoSyncRequests(), star ? QList<qint64>{AutoSync::items} : QList<qint64>{});
    }
}

// ---- done and undone -----------------------------------------------------------------------------------

TEST_F(CoreDataBatchTest, BatchDoneWritesTasksAndScheduledTasksAndLeavesEventsAlone)
{
    switchWebSync(true);
    const TaskPtr plain = task(QStringLiteral("plain"));
    auto weekly = std::make_shared<Task>();
    weekly->setTaskName(QStringLiteral("weekly"));
    weekly->setTaskType(1);
    weekly->setHasDue(1);
    weekly->setDueEnd(localDate(2014, 1, 15, 17, 0));
    weekly->setRepeatType(2);
    weekly->setRepeatOptions(QStringLiteral("1//0"));
    weekly->setIsRepeatForever(1);
    weekly->setTaskRepeatStyle(1);
    stored(weekly);
    const TaskPtr checklist = note(QStringLiteral("reading list"));
    link(checklist, weekly);
    const TaskPtr scheduled = scheduledTask(QStringLiteral("focus"), localDate(2014, 1, 15, 8, 0));
    const qint64 scheduledKey = scheduled->primaryKey();
    const TaskPtr meeting = event(QStringLiteral("meeting"), localDate(2014, 1, 15, 9, 0));
    const qint64 before = lastKey();
    PostedNotifications posts({kAutoSyncNotification, taskChanged});

    EXPECT_TRUE(dataManager().doMarkDoneTasks({plain, weekly, scheduled, meeting}, true));

    EXPECT_EQ(storedColumn(plain->primaryKey(), QStringLiteral("status")).toLongLong(), 1);
    EXPECT_EQ(Task::initWithPrimaryKey(plain->primaryKey())->completedDate(), now());
    EXPECT_EQ(storedColumn(weekly->primaryKey(), QStringLiteral("status")).toLongLong(), 1);
    EXPECT_EQ(storedColumn(weekly->primaryKey(), QStringLiteral("repeatType")).toLongLong(), 0) << "a done one-off";

    TaskList added = rowsAfter(before);
    ASSERT_EQ(added.size(), 2) << "the weekly task's next one and the completed scheduled task";
    const auto byName = [&](const QString& name) {
        for (const TaskPtr& item : added)
            if (item->taskName() == name) return item;
        return TaskPtr();
    };
    const TaskPtr nextWeekly = byName(QStringLiteral("weekly"));
    ASSERT_NE(nextWeekly, nullptr);
    EXPECT_EQ(nextWeekly->status(), 0);
    EXPECT_EQ(nextWeekly->dueEnd(), localDate(2014, 1, 22, 17, 0));
    EXPECT_TRUE(isActivelyLinked(nextWeekly, checklist)) << "the next one takes over the links";
    const TaskPtr doneScheduled = byName(QStringLiteral("focus"));
    ASSERT_NE(doneScheduled, nullptr);
    EXPECT_EQ(doneScheduled->status(), 1);
    EXPECT_EQ(doneScheduled->taskType(), 1);
    EXPECT_FALSE(rowExists(scheduledKey));

    const TaskPtr meetingRow = Task::initWithPrimaryKey(meeting->primaryKey());
    EXPECT_EQ(meetingRow->status(), 0) << "a plain event has nothing to complete";
    EXPECT_EQ(meeting->status(), 0) << "not even in memory";

    EXPECT_EQ(posts.names(), (QStringList{taskChanged, kAutoSyncNotification}));
    EXPECT_EQ(posts.autoSyncRequests(), QList<qint64>{AutoSync::items | AutoSync::links})
        << "one request for the batch";
}

TEST_F(CoreDataBatchTest, BatchDoneWithoutAutoSyncAsksForNoPush)
{
    switchWebSync(true);
    const TaskPtr scheduled = scheduledTask(QStringLiteral("focus"), localDate(2014, 1, 15, 8, 0));
    PostedNotifications posts({kAutoSyncNotification, taskChanged});

    EXPECT_TRUE(dataManager().doMarkDoneTasks({task(QStringLiteral("plain")), scheduled}, false));

    EXPECT_EQ(posts.names(), QStringList{taskChanged});
}

TEST_F(CoreDataBatchTest, BatchUndoneReopensEveryKind)
{
    const Date doneAt = localDate(2014, 1, 14, 18, 0);
    TaskList items{task(QStringLiteral("task")), note(QStringLiteral("note"))};
    for (const TaskPtr& item : items) {
        item->setStatus(1);
        item->setCompletedDate(doneAt);
        ASSERT_TRUE(item->dehydrate());
    }
    PostedNotifications posts({kAutoSyncNotification, taskChanged});

    EXPECT_TRUE(dataManager().doMarkUnDoneTasks(items, true));

    for (const TaskPtr& item : items) {
        const TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());
        EXPECT_EQ(row->status(), 0);
        EXPECT_EQ(row->completedDate(), zeroDate);
    }
    EXPECT_EQ(posts.names(), (QStringList{taskChanged, kAutoSyncNotification}));
    EXPECT_EQ(posts.autoSyncRequests(), QList<qint64>{AutoSync::items});
}

// ---- the purge of suspected duplicates -----------------------------------------------------------------

TEST_F(CoreDataBatchTest, PurgeTellsDuplicatesByNameCategoryAndStatusOrByTimeToTheSecond)
{
    struct Case {
        const char* what;
        std::function<void(Task&)> change;  // applied to the second of two equal items
        qint64 type;
        bool duplicate;
    };
    const auto eventAt = [](const Date& start) {
        return [start](Task& item) {
            item.setStartTime(start);
            item.setEndTime(start.dateByAddingTimeInterval(3600));
        };
    };
    const Date start = localDate(2014, 1, 20, 9, 0);
    const std::vector<Case> cases{
        {"tasks due on other days", [](Task& item) { item.setDueEnd(localDate(2014, 2, 1, 17, 0)); }, 1, true},
        {"notes", [](Task&) {}, 3, true},
        {"notes beginning alike with other texts", [](Task& item) { item.setNotes(QStringLiteral("Report\nQ2")); },
         3, false},
        {"tasks with other notes", [](Task& item) { item.setNotes(QStringLiteral("the long one")); }, 1, false},
        {"events with other notes", [](Task& item) { item.setNotes(QStringLiteral("room 4")); }, 0, true},
        {"names differing in case", [](Task& item) { item.setTaskName(QStringLiteral("REPORT")); }, 1, false},
        {"tasks of another status", [](Task& item) { item.setStatus(1); }, 1, false},
        {"another category", [](Task& item) { item.setCalendarId(99); }, 1, false},
        {"events at the same time", eventAt(start), 0, true},
        {"events a fraction of a second apart", eventAt(start.dateByAddingTimeInterval(0.4)), 0, true},
        {"events a second apart", eventAt(start.dateByAddingTimeInterval(1)), 0, false},
        {"events ending apart",
         [&](Task& item) {
             item.setStartTime(start);
             item.setEndTime(start.dateByAddingTimeInterval(1800));
         },
         0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        exec(QStringLiteral("DELETE FROM Tasks"));
        TaskList pair;
        for (int i = 0; i < 2; ++i) {
            auto item = std::make_shared<Task>();
            item->setTaskName(QStringLiteral("Report"));
            item->setTaskType(c.type);
            item->setStartTime(start);
            item->setEndTime(start.dateByAddingTimeInterval(3600));
            if (i == 1) c.change(*item);
            pair.append(stored(item));
        }
        startPurge();

        EXPECT_TRUE(dataManager().deleteSuspectedDuplicatedTasks(false));

        const QList<qint64> kept = c.duplicate ? QList<qint64>{pair[0]->primaryKey()}
                                               : QList<qint64>{pair[0]->primaryKey(), pair[1]->primaryKey()};
        EXPECT_EQ(remainingOf(pair), kept);
    }
}

TEST_F(CoreDataBatchTest, PurgeKeepsTheOldestAndMarksTheLinksOfWhatItDeletes)
{
    switchWebSync(true);
    const TaskList triple{task(QStringLiteral("Pay rent")), task(QStringLiteral("Pay rent")),
                          task(QStringLiteral("Pay rent"))};
    triple[2]->setZvwID(303);
    ASSERT_TRUE(triple[2]->dehydrate());
    const qint64 keptLink = link(triple[0], note(QStringLiteral("landlord")));
    const qint64 goneLink = link(triple[1], note(QStringLiteral("bank")));
    // A detached occurrence looks like its series but belongs to it.
    const TaskPtr root = dailySeries(QStringLiteral("Standup"));
    const TaskPtr detached = event(QStringLiteral("Standup"), root->startTime());
    detached->setParentId(root->primaryKey());
    ASSERT_TRUE(detached->dehydrate());
    PostedNotifications posts({kAutoSyncNotification});
    startPurge();

    EXPECT_TRUE(dataManager().deleteSuspectedDuplicatedTasks(true));

    EXPECT_EQ(remainingOf(triple), QList<qint64>{triple[0]->primaryKey()});
    EXPECT_EQ(linkStatus(keptLink), 0);
    EXPECT_EQ(linkStatus(goneLink), 1) << "the server learns the link went";
    EXPECT_TRUE(setting().zvwDeletedTasks().contains(QStringLiteral(",303")));
    EXPECT_TRUE(rowExists(root->primaryKey()));
    EXPECT_TRUE(rowExists(detached->primaryKey()));
    EXPECT_EQ(posts.autoSyncRequests(), QList<qint64>{AutoSync::items});
}

TEST_F(CoreDataBatchTest, PurgeDeletesOnTheMainThreadAndStopsWholeGroupsAtCancel)
{
    switchWebSync(true);
    // Two groups: three copies of "A", two of "B". The items are listed, so
    // each delete tells the list's observers.
    TaskList groupA;
    for (int i = 0; i < 3; ++i) groupA.append(listed(task(QStringLiteral("A"))));
    const TaskList groupB{listed(task(QStringLiteral("B"))), listed(task(QStringLiteral("B")))};
    QObject observer;
    std::atomic<int> deletions{0};
    std::atomic<bool> offMainThread{false};
    const auto onListChange = [&](const Notification&) {
        if (!MainQueue::isMainThread()) offMainThread = true;
        // The user presses cancel while the first group is going.
        if (++deletions == 1) setting().setIsCancellingRemoving(true);
    };
    NotificationCenter::defaultCenter().addObserver(&observer, kAllTasksEventsAdesChanged, nullptr, onListChange);
    PostedNotifications posts({kAutoSyncNotification});
    startPurge();

    EXPECT_EQ(purgeInBackground(true), false);

    EXPECT_FALSE(offMainThread);
    EXPECT_EQ(remainingOf(groupA), QList<qint64>{groupA[0]->primaryKey()}) << "the group begun is deleted whole";
    EXPECT_EQ(remainingOf(groupB), (QList<qint64>{groupB[0]->primaryKey(), groupB[1]->primaryKey()}))
        << "nothing after the cancel";
    EXPECT_TRUE(posts.autoSyncRequests().isEmpty());
}

TEST_F(CoreDataBatchTest, PurgeCancelledBeforeItStartsDeletesNothing)
{
    const TaskList pair{task(QStringLiteral("twin")), task(QStringLiteral("twin"))};
    setting().setIsCancellingRemoving(true);

    EXPECT_EQ(purgeInBackground(true), false);
    EXPECT_EQ(remainingOf(pair).size(), 2);

    startPurge();
    EXPECT_EQ(purgeInBackground(false), true);
    EXPECT_EQ(remainingOf(pair), QList<qint64>{pair[0]->primaryKey()});
}

// The application may quit while the purge runs. The data manager stops the
// job before its next group and waits for it; nothing of the job runs on the
// main thread afterwards (under the sanitizer build, a touch of the freed data
// manager fails here too), and a waiting job never dead-locks the quit.
TEST_F(CoreDataBatchTest, ADataManagerGoingAwayStopsItsPurgeAndWaitsForIt)
{
    constexpr int groups = 60;
    for (int group = 0; group < groups; ++group)
        for (int copy = 0; copy < 2; ++copy) listed(task(QStringLiteral("twin %1").arg(group)));
    QObject observer;
    std::atomic<int> deletions{0};
    NotificationCenter::defaultCenter().addObserver(&observer, kAllTasksEventsAdesChanged, nullptr,
                                                    [&](const Notification&) { ++deletions; });
    startPurge();
    bool answered = false;
    dataManager().deleteSuspectedDuplicatedTasksInBackground(false, [&](bool) { answered = true; });
    ASSERT_TRUE(processEventsUntil([&] { return deletions > 0; }));
    // Without turning the event loop: the job queues its next group and waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    std::mutex watchMutex;
    std::condition_variable watchChanged;
    bool destroyed = false;
    std::thread watchdog([&] {
        std::unique_lock lock(watchMutex);
        if (!watchChanged.wait_for(lock, std::chrono::seconds(20), [&] { return destroyed; })) {
            std::fprintf(stderr, "The data manager and its purge wait for each other\n");
            std::abort();
        }
    });
    destroyDataManager();
    {
        std::lock_guard lock(watchMutex);
        destroyed = true;
    }
    watchChanged.notify_all();
    watchdog.join();

    const int deletedBefore = deletions;
    EXPECT_LT(deletedBefore, groups) << "the purge was stopped, not run to its end";
    processEventsUntil([] { return false; }, 200);
    EXPECT_EQ(deletions, deletedBefore) << "no group after the data manager went";
    EXPECT_FALSE(answered) << "nobody is left to answer";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE taskName LIKE 'twin %'")),
              2 * groups - deletedBefore);
}

// In the background each group commits on the job's thread: the main thread
// gets the notifications of the groups that committed, and only those; a
// group whose unit fails (every step in turn) is left whole and ends the
// purge with false.
TEST_F(CoreDataBatchTest, ABackgroundPurgeDeliversOnlyWhatCommittedOnTheMainThread)
{
    const TaskList groupA{listed(task(QStringLiteral("A"))), listed(task(QStringLiteral("A")))};
    const TaskList groupB{listed(task(QStringLiteral("B"))), listed(task(QStringLiteral("B")))};
    QObject observer;
    int posts = 0;
    bool offTheMainThread = false;
    NotificationCenter::defaultCenter().addObserver(&observer, kAllTasksEventsAdesChanged, nullptr,
                                                    [&](const Notification&) {
                                                        ++posts;
                                                        offTheMainThread |= !MainQueue::isMainThread();
                                                    });
    startPurge();
    bool ranThrough = false;
    for (int failing = 1; failing < 500 && !ranThrough; ++failing) {
        SCOPED_TRACE(failing);
        posts = 0;
        const bool aBefore = rowExists(groupA[1]->primaryKey());
        RecordStore::failStep(failing);
        const std::optional<bool> answer = purgeInBackground(false);
        ranThrough = RecordStore::stepFailurePending();
        RecordStore::failStep(0);
        if (ranThrough) break;
        EXPECT_EQ(answer, false);
        const bool deletedNow = aBefore && !rowExists(groupA[1]->primaryKey());
        EXPECT_TRUE(rowExists(groupB[1]->primaryKey())) << "the failed group is left whole";
        EXPECT_EQ(posts > 0, deletedNow) << "posts of a rolled-back unit are dropped";
    }
    EXPECT_TRUE(ranThrough);
    EXPECT_FALSE(rowExists(groupA[1]->primaryKey()));
    EXPECT_FALSE(rowExists(groupB[1]->primaryKey()));
    EXPECT_TRUE(rowExists(groupA[0]->primaryKey()) && rowExists(groupB[0]->primaryKey()));
    EXPECT_FALSE(offTheMainThread);
}

// ---- states reported by the web service ----------------------------------------------------------------

TEST_F(CoreDataBatchTest, DelegationStatesFromTheWebService)
{
    struct Case {
        const char* what;
        qint64 delegateStatus;
        qint32 role;
        bool rowKept;
        QString storedName;  // the name written, showing whether the task was saved
        QString assignee;
    };
    const QString edited = QStringLiteral("edited");
    const QString original = QStringLiteral("original");
    for (const Case& c : {Case{"ended, no permission left", 2, 4, false, QString(), QString()},
                          Case{"ended", 2, 1, true, edited, QStringLiteral("")},
                          Case{"accepted", 1, 1, true, edited, QStringLiteral("bob@example.com")},
                          Case{"pending", 0, 1, true, original, QStringLiteral("bob@example.com")}}) {
        SCOPED_TRACE(c.what);
        calendarStore().clearCalls();
        setting().setZvwDeletedTasks(QStringLiteral(""));
        const TaskPtr delegated = task(original);
        delegated->setAssigneeEmail(QStringLiteral("bob@example.com"));
        delegated->setZvwID(64);
        ASSERT_TRUE(delegated->dehydrate());
        delegated->setDelegateStatus(c.delegateStatus);
        delegated->setTaskName(edited);
        PostedNotifications posts({kAutoSyncNotification, taskChanged});

        EXPECT_TRUE(dataManager().updateDelegatedTaskStatus(delegated, c.role));

        EXPECT_EQ(rowExists(delegated->primaryKey()), c.rowKept);
        EXPECT_EQ(setting().zvwDeletedTasks(), QStringLiteral("")) << "the server already knows";
        EXPECT_TRUE(calendarStore().calls().isEmpty());
        if (c.rowKept) {
            const TaskPtr row = Task::initWithPrimaryKey(delegated->primaryKey());
            EXPECT_EQ(row->taskName(), c.storedName);
            EXPECT_EQ(row->assigneeEmail(), c.assignee);
        }
        ASSERT_EQ(posts.names(), QStringList{taskChanged});
        EXPECT_EQ(posts.posts().first().objectAs<TaskPtr>(), delegated);
    }
}

TEST_F(CoreDataBatchTest, ShareStatesFromTheWebService)
{
    for (const qint64 sharedStatus : {2, 1, 0}) {
        SCOPED_TRACE(sharedStatus);
        const CalendarPtr category = addCategory();
        category->setSharedStatus(sharedStatus);
        category->setCalendarName(QStringLiteral("renamed"));
        PostedNotifications posts({kShareItemChangedStatusNotification});

        EXPECT_TRUE(dataManager().updateShareProjectStatus(category));

        const qint64 rows =
            queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE primaryKey=%1").arg(category->primaryKey()));
        EXPECT_EQ(rows, sharedStatus == 2 ? 0 : 1);
        if (rows) {
            EXPECT_EQ(Calendar::initWithPrimaryKey(category->primaryKey(), db())->calendarName(),
                      sharedStatus == 1 ? QStringLiteral("renamed") : QStringLiteral("Category"));
        }
        ASSERT_EQ(posts.posts().size(), 1);
        EXPECT_EQ(posts.posts().first().objectAs<CalendarPtr>(), category);
    }
}

// ---- the quick-add preview note ------------------------------------------------------------------------

TEST_F(CoreDataBatchTest, PreviewNoteJoinsTheWorkingListOnceAsAFreshCopy)
{
    PostedNotifications posts({kAllTasksEventsAdesChanged});
    EXPECT_FALSE(dataManager().pushAddedItemInPreviewToAdesIfNeed());
    EXPECT_TRUE(posts.posts().isEmpty()) << "no preview, no change";

    const TaskPtr preview = note(QStringLiteral("quick"));
    dataManager().setQuickAddItemInPreview(preview);
    EXPECT_TRUE(dataManager().pushAddedItemInPreviewToAdesIfNeed());
    EXPECT_EQ(dataManager().quickAddItemInPreview(), nullptr);
    const TaskList working = dataManager().allTasksEventsAdes();
    ASSERT_EQ(working.size(), 1);
    EXPECT_NE(working.first(), preview) << "a copy read back from its row";
    EXPECT_EQ(working.first()->primaryKey(), preview->primaryKey());
    EXPECT_EQ(working.first()->taskName(), QStringLiteral("quick"));

    dataManager().setQuickAddItemInPreview(preview);
    EXPECT_FALSE(dataManager().pushAddedItemInPreviewToAdesIfNeed()) << "already listed";
    const TaskPtr deleted = note(QStringLiteral("deleted since"));
    dataManager().setQuickAddItemInPreview(deleted);
    ASSERT_TRUE(deleted->deleteFromDatabase());
    EXPECT_FALSE(dataManager().pushAddedItemInPreviewToAdesIfNeed()) << "its row is gone";
    EXPECT_EQ(dataManager().allTasksEventsAdes().size(), 1);
    EXPECT_EQ(dataManager().quickAddItemInPreview(), nullptr);
}
