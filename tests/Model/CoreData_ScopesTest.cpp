#include "Link.h"
#include "LogCapture.h"
#include "Notifications.h"
#include "PostedNotifications.h"
#include "TaskTestFixture.h"
#include "RecordingICalSync.h"

#include <algorithm>

namespace {

// Daily series at 09:00 in March 2014; the clock stands at 15 January 2014 in
// Paris, whose clocks go forward on 30 March.
class CoreDataScopesTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        auto sync = std::make_unique<RecordingICalSync>();
        m_icalSync = sync.get();
        dataManager().setICalSync(std::move(sync));
        setting().setAutoZVWSync(1);
        setting().setAutoICalSync(1);
    }

    static Date march(int day, int hour = 9, int minute = 0) { return localDate(2014, 3, day, hour, minute); }

    // The stored text of a wall-clock time: the reading taken as if it were UTC.
    static QString storedText(int day, int hour, int minute)
    {
        return QString::number(qint64(utcDate(2014, 3, day, hour, minute).timeIntervalSince1970()));
    }

    TaskPtr dailySeries(const Date& start, std::optional<Date> end = std::nullopt, qint64 zvwID = 100)
    {
        auto root = std::make_shared<Task>();
        root->setTaskType(0);
        root->setTaskName(QStringLiteral("stand-up"));
        root->setStartTime(start);
        root->setEndTime(start.dateByAddingTimeInterval(1800));
        root->setRepeatStartDate(start);
        root->setRepeatType(1);
        root->setIsRepeatForever(end ? 0 : 1);
        if (end) root->setRepeatEndDate(*end);
        root->setICalUID(QStringLiteral("series-uid"));
        root->setZvwID(zvwID);
        EXPECT_TRUE(root->insertIntoDatabase());
        EXPECT_TRUE(root->dehydrate());
        return root;
    }

    // The instance the views would show for the occurrence.
    TaskPtr instanceAt(const TaskPtr& root, const Date& occurrence)
    {
        TaskList instances;
        dataManager().fillRepeatEventInstances({reload(root)}, instances, occurrence, occurrence);
        for (const TaskPtr& instance : instances)
            if (instance->occurrence() == occurrence) return instance;
        ADD_FAILURE() << "no instance at the occurrence";
        return nullptr;
    }

    // A stored occurrence changed on its own: a row of its own and a changed
    // mark in the root.
    TaskPtr detachedRow(const TaskPtr& root, const Date& occurrence, qint64 zvwID)
    {
        auto row = std::make_shared<Task>();
        row->setTaskType(0);
        row->setStartTime(occurrence.dateByAddingTimeInterval(3600));
        row->setEndTime(occurrence.dateByAddingTimeInterval(5400));
        row->setParentId(root->primaryKey());
        row->setOccurrence(occurrence);
        row->setZvwID(zvwID);
        EXPECT_TRUE(row->insertIntoDatabase());
        EXPECT_TRUE(row->dehydrate());
        root->addRepeatException(occurrence, Task::RepeatException::Changed);
        EXPECT_TRUE(root->dehydrate());
        return row;
    }

    static TaskPtr reload(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey()); }

    bool rowExists(qint64 key)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(key)) == 1;
    }

    qint64 eventRows() { return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE taskType=0")); }

    // What every stored series and one-off shows on the day.
    qint64 shownOn(const Date& day)
    {
        TaskList shown;
        QList<qint64> keys;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db(), "SELECT primaryKey FROM Tasks WHERE taskType=0", -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) keys.append(sqlite3_column_int64(statement, 0));
        sqlite3_finalize(statement);
        TaskList stored;
        for (const qint64 key : keys) stored.append(Task::initWithPrimaryKey(key));
        dataManager().fillRepeatEventInstances(stored, shown, march(1, 0), march(31, 0));
        for (const TaskPtr& item : stored)
            if (item->repeatType() == 0) shown.append(item);
        return std::count_if(shown.cbegin(), shown.cend(), [&day](const TaskPtr& item) {
            return Utilities::compareDateNoTime(item->startTime(), day) == 0;
        });
    }

    QList<RecordingICalSync::Call> calls(const QString& operation) const
    {
        QList<RecordingICalSync::Call> found;
        for (const RecordingICalSync::Call& call : m_icalSync->calls())
            if (call.operation == operation) found.append(call);
        return found;
    }

    RecordingICalSync& icalSync() { return *m_icalSync; }

private:
    RecordingICalSync* m_icalSync = nullptr;
};

// ---- delete ------------------------------------------------------------------------

TEST_F(CoreDataScopesTest, DeleteAllFromADetachedRowRemovesTheWholeSeries)
{
    for (const bool needSync : {true, false}) {
        SCOPED_TRACE(needSync ? "from the user" : "from the web sync");
        setting().setZvwDeletedTasks(QStringLiteral(""));
        icalSync().clearCalls();
        const TaskPtr root = dailySeries(march(3));
        const TaskPtr first = detachedRow(root, march(5), 101);
        const TaskPtr second = detachedRow(root, march(7), 102);
        dataManager().doWithAllTasksEventsAdes(TaskList{reload(root), first, second}, 0);
        const TaskPtr note = storedItem(QStringLiteral("notes"), 3);
        auto link = std::make_shared<Link>();
        link->setRootId(note->primaryKey());
        link->setTargetId(second->primaryKey());
        ASSERT_TRUE(link->insertIntoDatabase(db()));

        const TaskPtr removed = dataManager().doDeleteAllOperatorWithEvent(second, needSync, true);
        ASSERT_TRUE(removed);
        EXPECT_EQ(removed->primaryKey(), root->primaryKey());
        for (const TaskPtr& row : {root, first, second}) EXPECT_FALSE(rowExists(row->primaryKey()));
        EXPECT_EQ(queryInt(QStringLiteral("SELECT status FROM Links WHERE primaryKey=%1").arg(link->primaryKey())), 1);
        const QString queue = setting().zvwDeletedTasks();
        EXPECT_TRUE(queue.contains(QStringLiteral(",101")) && queue.contains(QStringLiteral(",102")));
        EXPECT_EQ(queue.contains(QStringLiteral(",100")), needSync) << "the server deleted the root itself";
        EXPECT_EQ(dataManager().allTasksEventsAdes().isEmpty(), needSync);
        const QList<RecordingICalSync::Call> deletes = calls(QStringLiteral("deleteEvent"));
        ASSERT_EQ(deletes.size(), needSync ? 1 : 0);
        if (needSync) {
            EXPECT_EQ(deletes[0].type, 1);
            EXPECT_EQ(deletes[0].items[0]->primaryKey(), root->primaryKey());
            EXPECT_EQ(deletes[0].items[0]->iCalUID(), QStringLiteral("series-uid"));
        }
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    }
}

TEST_F(CoreDataScopesTest, DeleteThisAndFutureOnTheSecondDayEndsTheSeriesOnTheFirst)
{
    const TaskPtr root = dailySeries(march(3));
    const TaskPtr second = instanceAt(root, march(4));
    ASSERT_TRUE(dataManager().doDeleteAllFutureOperatorWithEvent(second));

    const TaskPtr stored = reload(root);
    EXPECT_EQ(stored->repeatEndDate(), march(3, 9, 0).dateByAddingTimeInterval(1));
    EXPECT_EQ(stored->isRepeatForever(), 0);
    EXPECT_EQ(shownOn(march(3)), 1);
    EXPECT_EQ(shownOn(march(4)), 0);
    const QList<RecordingICalSync::Call> deletes = calls(QStringLiteral("deleteEvent"));
    ASSERT_EQ(deletes.size(), 1);
    EXPECT_EQ(deletes[0].type, 2);
    // The store gets the chosen occurrence as it was at the command.
    const TaskPtr handed = deletes[0].items[0];
    ASSERT_TRUE(handed);
    EXPECT_EQ(handed->primaryKey(), second->primaryKey());
    EXPECT_EQ(handed->occurrence(), march(4, 9, 0));
    EXPECT_EQ(handed->iCalUID(), second->iCalUID());
}

TEST_F(CoreDataScopesTest, ThisAndFutureFromTheFirstOccurrenceDeletesTheWholeSeries)
{
    for (const bool fromRootRow : {false, true}) {
        SCOPED_TRACE(fromRootRow ? "the root row" : "its first instance");
        icalSync().clearCalls();
        const TaskPtr root = dailySeries(march(3));
        const TaskPtr chosen = fromRootRow ? reload(root) : instanceAt(root, march(3));
        ASSERT_TRUE(dataManager().doDeleteAllFutureOperatorWithEvent(chosen));
        EXPECT_FALSE(rowExists(root->primaryKey()));
        EXPECT_EQ(shownOn(march(3)), 0) << "nothing of the series is left to show";
        const QList<RecordingICalSync::Call> deletes = calls(QStringLiteral("deleteEvent"));
        ASSERT_EQ(deletes.size(), 1);
        EXPECT_EQ(deletes[0].type, 1);
    }
}

TEST_F(CoreDataScopesTest, DeleteOnlyThisMarksTheOccurrenceDeletedInItsStoredForm)
{
    const TaskPtr root = dailySeries(march(3));
    const TaskPtr oneOff = dataManager().doDeleteOnlyThisOperatorWithEvent(instanceAt(root, march(3)));
    ASSERT_TRUE(oneOff);
    EXPECT_EQ(oneOff->repeatType(), 0);
    const TaskPtr stored = reload(root);
    EXPECT_EQ(stored->repeatExceptions(), QStringLiteral("|%1(2)").arg(storedText(3, 9, 0)));
    EXPECT_EQ(stored->occurrence(), march(4)) << "the series now starts with the second occurrence";

    ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(instanceAt(root, march(31))));
    EXPECT_TRUE(reload(root)->repeatExceptions().endsWith(QStringLiteral("|%1(2)").arg(storedText(31, 9, 0))))
        << "after the change to summer time as well";
    EXPECT_EQ(reload(root)->occurrence(), march(4));
    EXPECT_TRUE(rowExists(root->primaryKey())) << "a series for ever is never empty";
    EXPECT_EQ(calls(QStringLiteral("deleteEvent")).last().type, 0);
}

TEST_F(CoreDataScopesTest, DeletingTheLastOccurrenceDeletesTheSeries)
{
    const TaskPtr root = dailySeries(march(3), march(4, 12));
    ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(instanceAt(root, march(3))));
    EXPECT_TRUE(rowExists(root->primaryKey()));
    ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(instanceAt(root, march(4))));
    EXPECT_FALSE(rowExists(root->primaryKey()));
    EXPECT_EQ(calls(QStringLiteral("deleteEvent")).last().type, 1);
}

TEST_F(CoreDataScopesTest, DeletingADetachedOccurrenceTurnsItsChangedMarkIntoDeleted)
{
    const TaskPtr root = dailySeries(march(3));
    const TaskPtr detached = detachedRow(root, march(5), 0);
    const QString before = reload(root)->repeatExceptions();
    ASSERT_EQ(dataManager().doDeleteOnlyThisOperatorWithEvent(detached), detached);
    EXPECT_FALSE(rowExists(detached->primaryKey()));
    QString expected = before;
    expected.replace(QStringLiteral("(1)"), QStringLiteral("(2)"));
    EXPECT_EQ(reload(root)->repeatExceptions(), expected);
    EXPECT_EQ(shownOn(march(5)), 0);
}

TEST_F(CoreDataScopesTest, DeletingByUidTouchesOnlyThatUid)
{
    const QString quoted = QStringLiteral("uid'); DELETE FROM Tasks; --");
    const TaskPtr target = storedItem(QStringLiteral("imported"), 0);
    target->setICalUID(quoted);
    ASSERT_TRUE(target->dehydrate());
    const TaskPtr other = storedItem(QStringLiteral("other"), 0);
    other->setICalUID(QStringLiteral("uid'"));
    ASSERT_TRUE(other->dehydrate());
    const TaskPtr withoutUid = storedItem(QStringLiteral("local"), 0);

    EXPECT_TRUE(dataManager().deleteAllEventsWithUID({quoted, QStringLiteral("")}, true));
    EXPECT_FALSE(rowExists(target->primaryKey()));
    EXPECT_TRUE(rowExists(other->primaryKey()));
    EXPECT_TRUE(rowExists(withoutUid->primaryKey())) << "items without a copy share the empty uid";
}

TEST_F(CoreDataScopesTest, AnEventOpenInTheEditorOfAServerCalendarKeepsItsRow)
{
    const CalendarPtr server = addCategory();
    server->setTypeOfCal(QStringLiteral("CalDAV"));
    ASSERT_TRUE(server->dehydrate());
    const TaskPtr editing = storedItem(QStringLiteral("meeting"), 0);
    editing->setICalUID(QStringLiteral("meeting-uid"));
    editing->setCalendarId(server->primaryKey());
    ASSERT_TRUE(editing->dehydrate());
    dataManager().setModifyingTask(editing);

    EXPECT_TRUE(dataManager().deleteAllEventsWithUID({QStringLiteral("meeting-uid")}, true));
    EXPECT_TRUE(rowExists(editing->primaryKey()));
    dataManager().setModifyingTask(nullptr);
    EXPECT_TRUE(dataManager().deleteAllEventsWithUID({QStringLiteral("meeting-uid")}, true));
    EXPECT_FALSE(rowExists(editing->primaryKey()));
}

// ---- edit --------------------------------------------------------------------------

TEST_F(CoreDataScopesTest, EditAllMovesEveryExceptionAndDetachedRowToTheNewTime)
{
    const TaskPtr root = dailySeries(march(3));
    const TaskPtr detached = detachedRow(root, march(5), 0);
    const TaskPtr deletedOne = instanceAt(root, march(31));
    ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(deletedOne));

    const TaskPtr edited = instanceAt(root, march(3));
    edited->setStartTime(march(3, 14, 30));
    edited->setEndTime(march(3, 15, 0));
    edited->setCalendarId(addCategory()->primaryKey());
    ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(edited));

    const TaskPtr stored = reload(root);
    EXPECT_EQ(edited->primaryKey(), root->primaryKey());
    EXPECT_EQ(stored->startTime(), march(3, 14, 30));
    EXPECT_EQ(stored->zvwID(), 100);
    EXPECT_EQ(stored->repeatExceptions(),
              QStringLiteral("|%1(1)|%2(2)").arg(storedText(5, 14, 30), storedText(31, 14, 30)));
    EXPECT_EQ(reload(detached)->occurrence(), march(5, 14, 30));
    EXPECT_EQ(reload(detached)->calendarId(), edited->calendarId());
    EXPECT_EQ(shownOn(march(5)), 1) << "the detached row still stands in for its occurrence";
    EXPECT_EQ(shownOn(march(31)), 0);
    EXPECT_EQ(calls(QStringLiteral("updateEvent")).last().type, 1);
}

// Exceptions may come from the web service or a damaged row; entries whose
// number is no calendar date stay as they are and never reach the calendar.
TEST_F(CoreDataScopesTest, EditAllKeepsExceptionEntriesThatAreNoDates)
{
    const TaskPtr root = dailySeries(march(3));
    const QString hostile = QStringLiteral("|nan(2)|1e300(1)|-inf(2)|9223372036854775807(2)|-62150000000(1)");
    root->setRepeatExceptions(QStringLiteral("|%1(2)").arg(storedText(31, 9, 0)) + hostile);
    ASSERT_TRUE(root->dehydrate());

    const TaskPtr edited = instanceAt(root, march(3));
    edited->setStartTime(march(3, 14, 30));
    edited->setEndTime(march(3, 15, 0));
    LogCapture log;
    ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(edited));
    EXPECT_EQ(reload(root)->repeatExceptions(), QStringLiteral("|%1(2)").arg(storedText(31, 14, 30)) + hostile);
    EXPECT_TRUE(log.contains(QStringLiteral("the repeat exceptions")));
}

TEST_F(CoreDataScopesTest, EditThisAndFutureSplitsTheSeries)
{
    setting().setAutoZVWSync(0);
    const TaskPtr root = dailySeries(march(3));
    detachedRow(root, march(12), 101);
    const TaskPtr tenth = instanceAt(root, march(10));
    tenth->setTaskName(QStringLiteral("planning"));

    PostedNotifications posted({kAutoSyncNotification});
    ASSERT_TRUE(dataManager().doEditAllFutureOperatorWithEvent(tenth));

    const TaskPtr old = reload(root);
    EXPECT_EQ(old->repeatEndDate(), march(9).dateByAddingTimeInterval(1));
    EXPECT_EQ(old->isRepeatForever(), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE parentId=%1").arg(root->primaryKey())), 0)
        << "the detached row of 12 March went with the old series' future, to the new one";
    EXPECT_TRUE(setting().zvwDeletedTasks().contains(QStringLiteral(",101")));

    const TaskPtr series = dataManager().modifyingTask();
    ASSERT_TRUE(series);
    ASSERT_GT(series->primaryKey(), root->primaryKey());
    const TaskPtr stored = reload(series);
    EXPECT_EQ(stored->startTime(), march(10));
    EXPECT_EQ(stored->repeatStartDate(), march(10));
    EXPECT_EQ(stored->parentId(), -1);
    EXPECT_EQ(stored->zvwID(), 0);
    EXPECT_EQ(stored->repeatExceptions(), QStringLiteral("|%1(1)").arg(Task::storedDateText(march(12))))
        << "the changed occurrence of 12 March is the new series'";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE parentId=%1").arg(series->primaryKey())), 1);
    EXPECT_EQ(stored->taskName(), QStringLiteral("planning"));
    for (const int day : {9, 10, 11}) EXPECT_EQ(shownOn(march(day)), 1) << day;
    EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{AutoSync::items}) << "asked for although the switch is off";
    // The store copy is split at the occurrence, and the new series linked to its rest.
    const QList<RecordingICalSync::Call> splits = calls(QStringLiteral("splitEvent"));
    ASSERT_EQ(splits.size(), 1);
    EXPECT_EQ(splits[0].items[0]->iCalUID(), QStringLiteral("series-uid"));
    EXPECT_EQ(splits[0].items[0]->occurrence(), march(10));
    EXPECT_EQ(splits[0].items[1]->primaryKey(), series->primaryKey());
    EXPECT_EQ(stored->iCalUID(), QString()) << "no uid of the old series meanwhile";
    EXPECT_TRUE(calls(QStringLiteral("insertEvent")).isEmpty());
    EXPECT_TRUE(calls(QStringLiteral("deleteEvent")).isEmpty());
}

TEST_F(CoreDataScopesTest, EditThisAndFutureFromTheFirstOccurrenceEditsTheWholeSeries)
{
    const TaskPtr root = dailySeries(march(3));
    const qint64 rowsBefore = eventRows();
    const TaskPtr first = instanceAt(root, march(3));
    first->setTaskName(QStringLiteral("retro"));
    ASSERT_TRUE(dataManager().doEditAllFutureOperatorWithEvent(first));

    EXPECT_EQ(eventRows(), rowsBefore) << "no second series";
    EXPECT_EQ(reload(root)->taskName(), QStringLiteral("retro"));
    EXPECT_EQ(reload(root)->isRepeatForever(), 1);
    EXPECT_EQ(shownOn(march(3)), 1);
    EXPECT_EQ(shownOn(march(4)), 1);
}

TEST_F(CoreDataScopesTest, EditOnlyThisDetachesTheOccurrence)
{
    const TaskPtr root = dailySeries(march(3));
    const Date seriesStart = reload(root)->occurrence();
    const TaskPtr fifth = instanceAt(root, march(5));
    fifth->setStartTime(march(5, 11, 0));
    fifth->setEndTime(march(5, 11, 30));
    ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(fifth));

    const TaskPtr detached = dataManager().modifyingTask();
    ASSERT_TRUE(detached);
    const TaskPtr stored = reload(detached);
    EXPECT_EQ(stored->parentId(), root->primaryKey());
    EXPECT_EQ(stored->repeatType(), 0);
    EXPECT_EQ(stored->occurrence(), march(5));
    EXPECT_EQ(stored->startTime(), march(5, 11, 0));
    EXPECT_EQ(stored->zvwID(), 0);
    EXPECT_EQ(stored->iCalUID(), QStringLiteral("series-uid"));
    EXPECT_EQ(reload(root)->repeatExceptions(), QStringLiteral("|%1(1)").arg(storedText(5, 9, 0)));
    EXPECT_EQ(reload(root)->occurrence(), seriesStart) << "not the first occurrence: the series start stays";
    EXPECT_EQ(shownOn(march(5)), 1);

    // Edited again, the detached row changes in place.
    detached->setTaskName(QStringLiteral("moved"));
    const qint64 rowsBefore = eventRows();
    ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(detached));
    EXPECT_EQ(eventRows(), rowsBefore);
    EXPECT_EQ(reload(detached)->taskName(), QStringLiteral("moved"));
    EXPECT_EQ(reload(root)->repeatExceptions(), QStringLiteral("|%1(1)").arg(storedText(5, 9, 0)));
}

TEST_F(CoreDataScopesTest, EditOnlyThisOnTheRootRowMovesTheSeriesStart)
{
    const TaskPtr root = dailySeries(march(3));
    const TaskPtr row = reload(root);
    row->setTaskName(QStringLiteral("kick-off"));
    ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(row));

    const TaskPtr stored = reload(root);
    EXPECT_EQ(stored->repeatExceptions(), QStringLiteral("|%1(1)").arg(storedText(3, 9, 0)));
    EXPECT_EQ(stored->occurrence(), march(4));
    EXPECT_EQ(stored->taskName(), QStringLiteral("stand-up"));
    const TaskPtr detached = reload(dataManager().modifyingTask());
    EXPECT_EQ(detached->parentId(), root->primaryKey());
    EXPECT_EQ(detached->taskName(), QStringLiteral("kick-off"));
    EXPECT_EQ(shownOn(march(3)), 1);
}

TEST_F(CoreDataScopesTest, AnEventOfATasksOnlyCalendarLeavesTheSystemCalendar)
{
    const CalendarPtr tasksOnly = addCategory();
    tasksOnly->setTaskOrEvent(1);
    ASSERT_TRUE(tasksOnly->dehydrate());
    const TaskPtr event = storedItem(QStringLiteral("call"), 0);
    event->setCalendarId(tasksOnly->primaryKey());
    event->setICalUID(QStringLiteral("call-uid"));
    ASSERT_TRUE(event->dehydrate());

    ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(event));
    EXPECT_TRUE(calls(QStringLiteral("updateEvent")).isEmpty());
    const QList<RecordingICalSync::Call> deletes = calls(QStringLiteral("deleteEvent"));
    ASSERT_EQ(deletes.size(), 1);
    EXPECT_EQ(deletes[0].type, 1);
}

}  // namespace
