#include "ItemRowsFixture.h"
#include "LogCapture.h"
#include "RecordGuard.h"
#include "RecordLock.h"

#include <functional>

namespace {

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris; "today" of
// the data manager is that day.
class CoreDataItemLoadsTest : public ItemRowsTest {
protected:
    void SetUp() override
    {
        ItemRowsTest::SetUp();
        dataManager().setToday(localDate(2014, 1, 15));
    }

    // Every kind of row a load tells apart, in a category of its own.
    struct Kinds {
        qint64 rootEvent, detachedEvent, rootTask, detachedTask, checklistItem, note, sharedItem, orphan;
    };
    Kinds kinds()
    {
        const CalendarPtr shared = addCategory();
        shared->setHasShared(true);
        EXPECT_TRUE(shared->dehydrate());
        Kinds k{};
        k.rootEvent = row({{"taskType", 0}, {"parentId", -1}, {"calendarId", 1}});
        k.detachedEvent = row({{"taskType", 0}, {"parentId", k.rootEvent}, {"calendarId", 1}});
        k.rootTask = row({{"taskType", 1}, {"parentId", -1}, {"calendarId", 1}});
        k.detachedTask = row({{"taskType", 1}, {"parentId", k.rootEvent}, {"calendarId", 1}});
        k.checklistItem = row({{"taskType", 2}, {"calendarId", 1}});
        k.note = row({{"taskType", 3}, {"calendarId", 1}});
        k.sharedItem = row({{"taskType", 1}, {"calendarId", shared->primaryKey()}});
        k.orphan = row({{"taskType", 1}, {"calendarId", 999}});
        return k;
    }
};

TEST_F(CoreDataItemLoadsTest, ListLoadsBuildTheSameRecordsAsLoadingEachRow)
{
    const CalendarPtr checklist = addCategory(1);
    row({{"taskType", 1},
         {"isADE", 0},
         {"taskName", QStringLiteral("Call Ann\n")},
         {"taskLocation", QStringLiteral("Office")},
         {"startTime", at(2014, 3, 3, 8, 20)},
         {"endTime", at(2014, 3, 3, 9, 40)},
         {"dueEnd", at(2014, 3, 4, 17, 45)},
         {"dateUpdate", at(2014, 1, 2, 9)},
         {"completedDate", 0},
         {"hasDue", 1},
         {"taskOrder", 6},
         {"repeatType", 2},
         {"repeatStartDate", at(2014, 2, 1, 23, 59, 59)},
         {"repeatEndDate", at(2014, 6, 30, 12)},
         {"repeatOptions", QStringLiteral("2/2|4/1")},
         {"repeatExceptions", QStringLiteral("|1393838400(2)")},
         {"isRepeatForever", 0},
         {"duration", 45},
         {"calendarId", 1},
         {"alertValues", QStringLiteral("/1|-900|Glass")},
         {"iCalIdentifier", QStringLiteral("UID-1")},
         {"zvwID", qint64(5000000018)},
         {"url", QStringLiteral(" http://example.com/a%20b ")},
         {"occurrence", at(2014, 3, 10, 8, 20)},
         {"tagList", QStringLiteral("/Work")},
         {"hasChanges", 0},
         {"notes", QStringLiteral("Notes")},
         {"isShared", 1},
         {"tz", 22},
         {"stask", 1},
         {"assigneeEmail", QStringLiteral("ann@example.com")},
         {"delegateStatus", 1},
         {"delegateDate", at(2014, 3, 11, 12)}});
    row({{"taskType", 0}});                                                  // every text NULL
    row({{"primaryKey", qint64(3000000000)}, {"taskType", 3}, {"startTime", 0}});  // key above 2^31, start in 1970
    row({{"taskType", 1}, {"calendarId", checklist->primaryKey()}});         // becomes a checklist item

    const TaskList loaded = dataManager().getAllTasksInDB();
    ASSERT_EQ(loaded.size(), 4);
    EXPECT_TRUE(keysOf(loaded).contains(qint64(3000000000)));
    for (const TaskPtr& item : loaded)
        EXPECT_EQ(fieldsOf(*item), fieldsOf(*Task::initWithPrimaryKey(item->primaryKey()))) << item->primaryKey();
}

TEST_F(CoreDataItemLoadsTest, EachLoadSelectsItsRows)
{
    const Kinds k = kinds();
    const qint64 otherRoot = row({{"taskType", 0}, {"parentId", -1}, {"calendarId", 1}});
    row({{"taskType", 0}, {"parentId", otherRoot}, {"calendarId", 1}});
    const CoreData& manager = dataManager();

    const struct {
        const char* load;
        std::function<TaskList()> run;
        QList<qint64> expected;
        bool inKeyOrder;
    } cases[] = {
        {"root events", [&] { return manager.getAllRootEvents(); }, {k.rootEvent, otherRoot}, false},
        {"root tasks", [&] { return manager.getAllTasks(); }, {k.rootTask, k.sharedItem, k.orphan}, false},
        {"all but checklist items",
         [&] { return manager.getAllTasksEventsAdes(); },
         {k.rootEvent, k.detachedEvent, k.rootTask, k.detachedTask, k.note, k.sharedItem, k.orphan, otherRoot,
          otherRoot + 1},
         false},
        {"everything",
         [&] { return manager.getAllTasksInDB(); },
         {k.rootEvent, k.detachedEvent, k.rootTask, k.detachedTask, k.checklistItem, k.note, k.sharedItem, k.orphan,
          otherRoot, otherRoot + 1},
         true},
        {"personal",
         [&] { return manager.getAllPersonalTasksInDB(); },
         {k.rootEvent, k.detachedEvent, k.rootTask, k.detachedTask, k.checklistItem, k.note, otherRoot,
          otherRoot + 1},
         true},
        {"detached events of the root", [&] { return manager.getAllDetachedEventWithParentID(k.rootEvent); },
         {k.detachedEvent}, false},
        {"detached events of a root without any", [&] { return manager.getAllDetachedEventWithParentID(k.rootTask); },
         {}, false},
    };
    for (const auto& c : cases) {
        const QList<qint64> keys = keysOf(c.run());
        EXPECT_EQ(c.inKeyOrder ? keys : sorted(keys), c.expected) << c.load;
    }
}

TEST_F(CoreDataItemLoadsTest, FutureTasksStartAfterTodayOutsideHiddenCategoriesButTheDefault)
{
    const CalendarPtr hiddenOne = addCategory(0, 1);
    const CalendarPtr hiddenTwo = addCategory(0, 1);
    // The default category is hidden too, and still shows its tasks.
    dataManager().calendarList().first()->setInVisible(1);
    const QVariant tomorrow = at(2014, 1, 16, 9);

    row({{"taskType", 1}, {"startTime", at(2014, 1, 15, 23, 59)}, {"calendarId", 1}});
    const qint64 lastSecondsOfToday = row({{"taskType", 1}, {"startTime", at(2014, 1, 15, 23, 59, 30)}, {"calendarId", 1}});
    row({{"taskType", 1}, {"startTime", tomorrow}, {"calendarId", hiddenOne->primaryKey()}});
    row({{"taskType", 1}, {"startTime", tomorrow}, {"calendarId", hiddenTwo->primaryKey()}});
    const qint64 inDefault = row({{"taskType", 1}, {"startTime", tomorrow}, {"calendarId", 1}});
    row({{"taskType", 1}, {"startTime", tomorrow}, {"calendarId", 1}, {"parentId", inDefault}});
    row({{"taskType", 0}, {"startTime", tomorrow}, {"calendarId", 1}});
    const qint64 done = row({{"taskType", 1}, {"startTime", tomorrow}, {"calendarId", 1}, {"status", 1}});
    row({{"taskType", 1}, {"startTime", at(2014, 1, 14, 9)}, {"calendarId", 1}});

    EXPECT_EQ(sorted(keysOf(dataManager().getAllFutureTasks())), (QList<qint64>{lastSecondsOfToday, inDefault, done}));
}

TEST_F(CoreDataItemLoadsTest, WebSyncReaderReturnsChangedAndNeverStampedRowsMarkedChanged)
{
    const qint64 neverStamped = row({{"taskType", 1}, {"dateUpdate", 0}, {"hasChanges", 0}});
    const qint64 old = row({{"taskType", 1}, {"dateUpdate", 1000.0}});
    const qint64 changed = row({{"taskType", 0}, {"dateUpdate", 5000.0}, {"hasChanges", 0}, {"calendarId", 1},
                                {"taskName", QStringLiteral("Meeting")}, {"startTime", at(2014, 2, 1, 9)}});
    row({{"taskType", 1}, {"dateUpdate", -5.0}});
    const qint64 farAhead = row({{"primaryKey", qint64(3000000000)}, {"taskType", 3}, {"dateUpdate", 6000000000.0}});

    EXPECT_EQ(sorted(keysOf(dataManager().getTasksInDBNewerThan(2000))),
              (QList<qint64>{neverStamped, changed, farAhead}));
    EXPECT_EQ(sorted(keysOf(dataManager().getTasksInDBNewerThan(0))),
              (QList<qint64>{neverStamped, old, changed, farAhead}))
        << "a negative stamp is older than everything";
    EXPECT_EQ(sorted(keysOf(dataManager().getTasksInDBNewerThan(5000000000))), (QList<qint64>{neverStamped, farAhead}))
        << "the stamp is compared as a 64-bit number";

    for (const TaskPtr& item : dataManager().getTasksInDBNewerThan(2000)) {
        EXPECT_TRUE(item->dirty()) << item->primaryKey();
        EXPECT_EQ(item->hasChanges(), 1) << "every returned record goes to the server";
        // Apart from the change flags, the row's own values.
        QVariantList fields = fieldsOf(*item);
        QVariantList stored = fieldsOf(*Task::initWithPrimaryKey(item->primaryKey()));
        for (QVariantList* list : {&fields, &stored}) {
            list->removeLast();  // dirty
            list->removeAt(35);  // hasChanges
        }
        EXPECT_EQ(fields, stored) << item->primaryKey();
    }
}

TEST_F(CoreDataItemLoadsTest, CountsAndStoredOccurrencesOnOrBeforeADate)
{
    const CalendarPtr checklist = addCategory(1);
    const CalendarPtr other = addCategory(1);
    const qint64 list = checklist->primaryKey();
    row({{"taskType", 2}, {"calendarId", list}, {"status", 1}});
    row({{"taskType", 2}, {"calendarId", list}, {"status", 0}});
    row({{"taskType", 2}, {"calendarId", list}, {"status", 1}});
    row({{"taskType", 1}, {"calendarId", list}, {"status", 1}});
    row({{"taskType", 2}, {"calendarId", other->primaryKey()}, {"status", 1}});
    EXPECT_EQ(dataManager().countCheckInCalendar(checklist), 3);
    EXPECT_EQ(dataManager().countDoneCheckInCalendar(checklist), 2);
    EXPECT_EQ(dataManager().countCheckInCalendar(addCategory(1)), 0);

    const qint64 root = row({{"taskType", 0}, {"repeatType", 1}});
    const Date occurrence = localDate(2014, 2, 3, 9);
    row({{"taskType", 0}, {"parentId", root}, {"occurrence", storedSeconds(occurrence)}, {"status", 1}});
    row({{"taskType", 1}, {"parentId", root}, {"occurrence", at(2014, 1, 1, 9)}});
    const TaskPtr event = Task::initWithPrimaryKey(root);
    const struct {
        double secondsFromOccurrence;
        bool expected;
    } cases[] = {{0, true}, {0.4, true}, {3600, true}, {-0.6, false}, {-1, false}, {-86400, false}};
    for (const auto& c : cases)
        EXPECT_EQ(dataManager().hasExceptionEvent(event, occurrence.dateByAddingTimeInterval(c.secondsFromOccurrence)),
                  c.expected)
            << c.secondsFromOccurrence;
}

// Every load and count of the database, with what it gives while nothing is
// stored: the size of the list, the count, or 1 for yes.
QList<std::pair<const char*, std::function<qint64(const CoreData&)>>> everyLoad(const CalendarPtr& category,
                                                                                 const TaskPtr& event)
{
    const auto size = [](const TaskList& items) { return qint64(items.size()); };
    return {
        {"getAllRootEvents", [=](const CoreData& m) { return size(m.getAllRootEvents()); }},
        {"getAllTasks", [=](const CoreData& m) { return size(m.getAllTasks()); }},
        {"getAllTasksEventsAdes", [=](const CoreData& m) { return size(m.getAllTasksEventsAdes()); }},
        {"getAllTasksInDB", [=](const CoreData& m) { return size(m.getAllTasksInDB()); }},
        {"getAllPersonalTasksInDB", [=](const CoreData& m) { return size(m.getAllPersonalTasksInDB()); }},
        {"getAllDetachedEventWithParentID",
         [=](const CoreData& m) { return size(m.getAllDetachedEventWithParentID(event->primaryKey())); }},
        {"getAllFutureTasks", [=](const CoreData& m) { return size(m.getAllFutureTasks()); }},
        {"countCheckInCalendar", [=](const CoreData& m) { return m.countCheckInCalendar(category); }},
        {"countDoneCheckInCalendar", [=](const CoreData& m) { return m.countDoneCheckInCalendar(category); }},
        {"hasExceptionEvent",
         [=](const CoreData& m) { return qint64(m.hasExceptionEvent(event, localDate(2015, 1, 1))); }},
    };
}

TEST_F(CoreDataItemLoadsTest, ClosedDatabaseGivesEmptyResultsAndSaysSo)
{
    const CalendarPtr checklist = addCategory(1);
    const qint64 root = row({{"taskType", 0}, {"parentId", -1}, {"calendarId", 1}});
    row({{"taskType", 0}, {"parentId", root}, {"occurrence", at(2014, 2, 1)}, {"calendarId", 1}});
    row({{"taskType", 1}, {"startTime", at(2014, 3, 1)}, {"calendarId", 1}});
    row({{"taskType", 2}, {"status", 1}, {"calendarId", checklist->primaryKey()}});
    const TaskPtr event = Task::initWithPrimaryKey(root);

    const auto loads = everyLoad(checklist, event);
    for (const auto& [name, load] : loads) ASSERT_GT(load(dataManager()), 0) << name << " has rows to find";

    databaseOpen = false;
    for (const auto& [name, load] : loads) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(load(dataManager()), 0) << name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Database can not open!") << name;
    }
    testing::internal::CaptureStdout();
    EXPECT_TRUE(dataManager().getTasksInDBNewerThan(0).isEmpty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the web sync's reader stays silent";
    databaseOpen = true;
}

// Another connection holding the exclusive lock, as another process would:
// every read of the shared connection fails at its first step.
class ExclusiveLockHolder {
public:
    explicit ExclusiveLockHolder(const QString& path)
    {
        EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &m_db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~ExclusiveLockHolder()
    {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    ExclusiveLockHolder(const ExclusiveLockHolder&) = delete;
    ExclusiveLockHolder& operator=(const ExclusiveLockHolder&) = delete;

private:
    sqlite3* m_db = nullptr;
};

TEST_F(CoreDataItemLoadsTest, ReadThatFailsGivesTheEmptyResultLogsAndReleasesTheLock)
{
    const CalendarPtr checklist = addCategory(1);
    const qint64 root = row({{"taskType", 0}, {"parentId", -1}, {"calendarId", 1}, {"dateUpdate", 0}});
    row({{"taskType", 0}, {"parentId", root}, {"occurrence", at(2014, 2, 1)}, {"calendarId", 1}});
    row({{"taskType", 1}, {"startTime", at(2014, 3, 1)}, {"calendarId", 1}});
    row({{"taskType", 2}, {"status", 1}, {"calendarId", checklist->primaryKey()}});
    const TaskPtr event = Task::initWithPrimaryKey(root);

    ExclusiveLockHolder holder(databasePath());
    LogCapture log;
    for (const auto& [name, load] : everyLoad(checklist, event)) EXPECT_EQ(load(dataManager()), 0) << name;
    EXPECT_TRUE(dataManager().getTasksInDBNewerThan(0).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("database is locked")));
    EXPECT_FALSE(databaseBusy);
    std::unique_lock lock(recordLock(), std::try_to_lock);
    EXPECT_TRUE(lock.owns_lock());
}

}  // namespace
