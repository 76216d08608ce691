#include "Link.h"
#include "Notifications.h"
#include "PostedNotifications.h"
#include "Tag.h"
#include "TaskTestFixture.h"
#include "RecordingICalSync.h"
#include "ScriptedAlertPresenter.h"
#include "TextTable.h"

namespace {

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris.
class CoreDataDoneDeleteTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        auto sync = std::make_unique<RecordingICalSync>();
        m_icalSync = sync.get();
        dataManager().setICalSync(std::move(sync));
        setting().setAutoZVWSync(1);
    }

    RecordingICalSync& icalSync() { return *m_icalSync; }

    QStringList icalOperations() const
    {
        QStringList operations;
        for (const RecordingICalSync::Call& call : m_icalSync->calls()) operations.append(call.operation);
        return operations;
    }

    qint64 linkTo(const TaskPtr& from, const TaskPtr& to)
    {
        auto link = std::make_shared<Link>();
        link->setRootId(from->primaryKey());
        link->setTargetId(to->primaryKey());
        EXPECT_TRUE(link->insertIntoDatabase(db()));
        return link->primaryKey();
    }

    qint64 linkStatus(qint64 linkKey)
    {
        return queryInt(QStringLiteral("SELECT status FROM Links WHERE primaryKey=%1").arg(linkKey));
    }

    bool rowExists(qint64 key)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(key)) == 1;
    }

    bool listed(qint64 key)
    {
        for (const TaskPtr& item : dataManager().allTasksEventsAdes())
            if (item->primaryKey() == key) return true;
        return false;
    }

private:
    RecordingICalSync* m_icalSync = nullptr;
};

TEST_F(CoreDataDoneDeleteTest, ReopeningATaskClearsItsCompletionAndAsksForAnItemPush)
{
    const TaskPtr task = storedItem(QStringLiteral("report"));
    task->setStatus(1);
    task->setCompletedDate(now());
    ASSERT_TRUE(task->dehydrate());

    PostedNotifications posted({kAutoSyncNotification});
    ASSERT_TRUE(dataManager().doMarkDoneOperatorWithTask(task, 0));

    const TaskPtr stored = Task::initWithPrimaryKey(task->primaryKey());
    EXPECT_EQ(stored->status(), 0);
    EXPECT_EQ(stored->completedDate().timeIntervalSince1970(), 0);
    EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{AutoSync::items});
    EXPECT_EQ(icalOperations(), QStringList{QStringLiteral("updateTask")});
}

TEST_F(CoreDataDoneDeleteTest, RepeatingTaskDoneContinuesAsNewRowWithItsLinks)
{
    // Weekly by schedule, due Monday 13 January at 09:00.
    const TaskPtr weekly = storedItem(QStringLiteral("weekly review"));
    weekly->setHasDue(1);
    weekly->setDueEnd(localDate(2014, 1, 13, 9, 0));
    weekly->setRepeatType(2);
    weekly->setTaskRepeatStyle(1);
    weekly->setZvwID(55);
    ASSERT_TRUE(weekly->dehydrate());
    const TaskPtr firstNote = storedItem(QStringLiteral("agenda"), 3);
    const TaskPtr secondNote = storedItem(QStringLiteral("minutes"), 3);
    linkTo(firstNote, weekly);
    linkTo(weekly, secondNote);

    weekly->setStatus(1);
    weekly->setCompletedDate(now());
    PostedNotifications posted({kAutoSyncNotification});
    ASSERT_TRUE(dataManager().doMarkDoneOperatorWithTask(weekly, 1));

    const TaskPtr done = Task::initWithPrimaryKey(weekly->primaryKey());
    EXPECT_EQ(done->repeatType(), 0) << "the done row stays as a one-off";
    EXPECT_EQ(done->status(), 1);
    EXPECT_EQ(done->zvwID(), 55);

    const TaskPtr next = dataManager().modifyingTask();
    ASSERT_TRUE(next);
    ASSERT_GT(next->primaryKey(), 0);
    ASSERT_NE(next->primaryKey(), weekly->primaryKey());
    const TaskPtr stored = Task::initWithPrimaryKey(next->primaryKey());
    EXPECT_EQ(stored->status(), 0);
    EXPECT_EQ(stored->completedDate().timeIntervalSince1970(), 0);
    EXPECT_EQ(stored->zvwID(), 0);
    EXPECT_EQ(stored->parentId(), -1);
    EXPECT_EQ(stored->repeatType(), 2);
    EXPECT_EQ(stored->dueEnd(), localDate(2014, 1, 20, 9, 0));
    EXPECT_TRUE(dataManager().getLink(next->primaryKey(), firstNote->primaryKey()));
    EXPECT_TRUE(dataManager().getLink(next->primaryKey(), secondNote->primaryKey()));
    ASSERT_FALSE(posted.autoSyncRequests().isEmpty());
    EXPECT_EQ(posted.autoSyncRequests().last(), AutoSync::items | AutoSync::links);
}

// Ticked on Wednesday 15 January at 10:07: the task is done and its next
// copy is open, due a rule step later and starting no later than that.
TEST_F(CoreDataDoneDeleteTest, ARepeatingTasksNextCopyIsNeverDueBeforeItStarts)
{
    struct Case {
        const char* what;
        qint64 style;  // 0 from completion, 1 by schedule
        Date start;
        Date due;  // null: none
        Date doneDue;
        Date nextStart;
        Date nextDue;
    };
    const Case cases[] = {
        // Without a due date the done one takes the current quarter hour as its own.
        {"from completion, no due date, starting later", 0, localDate(2014, 1, 29, 23, 45), {},
         localDate(2014, 1, 15, 10, 15), localDate(2014, 1, 22, 10, 15), localDate(2014, 1, 22, 10, 15)},
        {"from completion, no due date, started", 0, localDate(2014, 1, 10, 8, 0), {}, localDate(2014, 1, 15, 10, 15),
         localDate(2014, 1, 10, 8, 0), localDate(2014, 1, 22, 10, 15)},
        {"from completion, starting after the next due date", 0, localDate(2014, 2, 3, 9, 0),
         localDate(2014, 1, 13, 9, 0), localDate(2014, 1, 13, 9, 0), localDate(2014, 1, 22, 9, 0),
         localDate(2014, 1, 22, 9, 0)},
        {"by schedule, starting after the next due date", 1, localDate(2014, 2, 3, 9, 0), localDate(2014, 1, 13, 9, 0),
         localDate(2014, 1, 13, 9, 0), localDate(2014, 1, 20, 9, 0), localDate(2014, 1, 20, 9, 0)},
        // The start moves with the due date, as far before it as it was.
        {"by schedule, starting the evening before", 1, localDate(2014, 1, 14, 21, 0), localDate(2014, 1, 15, 11, 30),
         localDate(2014, 1, 15, 11, 30), localDate(2014, 1, 21, 21, 0), localDate(2014, 1, 22, 11, 30)},
        {"by schedule, starting days before", 1, localDate(2014, 1, 1, 9, 0), localDate(2014, 1, 10, 9, 0),
         localDate(2014, 1, 10, 9, 0), localDate(2014, 1, 8, 9, 0), localDate(2014, 1, 17, 9, 0)},
        {"from completion, starting the day before", 0, localDate(2014, 1, 13, 8, 0), localDate(2014, 1, 14, 9, 0),
         localDate(2014, 1, 14, 9, 0), localDate(2014, 1, 21, 8, 0), localDate(2014, 1, 22, 9, 0)},
    };
    setting().setShowWarningAddRepeatTask(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TaskPtr task = storedItem(QString::fromUtf8(c.what));
        task->setStartTime(c.start);
        task->setHasDue(c.due.isNull() ? 0 : 1);
        if (!c.due.isNull()) task->setDueEnd(c.due);
        task->setRepeatType(2);
        task->setTaskRepeatStyle(c.style);
        task->setIsRepeatForever(1);
        ASSERT_TRUE(task->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{task}, 0);
        ScriptedAlertPresenter presenter;
        presenter.scriptButton(AlertResponse::firstButton);

        ASSERT_TRUE(dataManager().markDoneFromView(task, 1));

        const TaskPtr done = Task::initWithPrimaryKey(task->primaryKey());
        EXPECT_EQ(done->status(), 1);
        EXPECT_EQ(done->repeatType(), 0);
        EXPECT_EQ(done->dueEnd(), c.doneDue);
        const TaskPtr next = Task::initWithPrimaryKey(dataManager().modifyingTask()->primaryKey());
        ASSERT_NE(next->primaryKey(), task->primaryKey());
        EXPECT_EQ(next->status(), 0);
        EXPECT_EQ(next->repeatType(), 2);
        EXPECT_EQ(next->hasDue(), 1);
        EXPECT_EQ(next->startTime(), c.nextStart);
        EXPECT_EQ(next->dueEnd(), c.nextDue);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE taskName='%1'").arg(c.what)), 2);
        // The one notice tells what the tick did: the next occurrence is a new task.
        ASSERT_EQ(presenter.requests().size(), 1);
        EXPECT_EQ(presenter.requests().first().informativeText,
                  TextTable::localizedString(QStringLiteral("addRepeatTaskWarningMessage")));
    }
}

TEST_F(CoreDataDoneDeleteTest, RepeatingTaskDoneAfterItsLastOccurrenceIsOnlyCompleted)
{
    const TaskPtr daily = storedItem(QStringLiteral("last one"));
    daily->setHasDue(1);
    daily->setDueEnd(localDate(2014, 1, 14, 9, 0));
    daily->setRepeatType(1);
    daily->setTaskRepeatStyle(1);
    daily->setIsRepeatForever(0);
    daily->setRepeatEndDate(localDate(2014, 1, 14, 12, 0));
    ASSERT_TRUE(daily->dehydrate());
    const qint64 rowsBefore = queryInt(QStringLiteral("SELECT count(*) FROM Tasks"));

    PostedNotifications posted({kAutoSyncNotification});
    daily->setStatus(1);
    ASSERT_TRUE(dataManager().doMarkDoneOperatorWithTask(daily, 1));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), rowsBefore);
    EXPECT_EQ(Task::initWithPrimaryKey(daily->primaryKey())->repeatType(), 0);
    EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{AutoSync::items | AutoSync::links});
}

TEST_F(CoreDataDoneDeleteTest, DeletingAnItemQueuesItsWebIdAndTellsOnlyWhatTheFlagsAsk)
{
    struct Case {
        const char* name;
        qint64 type;
        bool needSync;
        qint64 autoZVWSync;
        bool listedAfter;
        qint64 linkRowsAfter;  // 1: marked removed, 0: deleted outright
        QString queue;
        QStringList ical;
        QList<qint64> requests;
    };
    const Case cases[] = {
        {"task from the user, auto push on", 1, true, 1, false, 0, QStringLiteral(",12"),
         {QStringLiteral("deleteTask")}, {AutoSync::items}},
        {"task from the user, auto push off", 1, true, 0, false, 1, QStringLiteral(",12"),
         {QStringLiteral("deleteTask")}, {}},
        {"event from the user", 0, true, 1, false, 0, QStringLiteral(",12"), {}, {AutoSync::items}},
        {"task from the other side", 1, false, 1, true, 0, QString(""), {}, {AutoSync::items}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setting().setZvwDeletedTasks(QStringLiteral(""));
        setting().setAutoZVWSync(c.autoZVWSync);
        icalSync().clearCalls();
        const TaskPtr item = storedItem(QStringLiteral("doomed"), c.type);
        item->setZvwID(12);
        ASSERT_TRUE(item->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        const TaskPtr note = storedItem(QStringLiteral("note"), 3);
        const qint64 link = linkTo(item, note);

        PostedNotifications posted({kAutoSyncNotification});
        ASSERT_TRUE(dataManager().doDeleteTask(item, c.needSync, true));
        EXPECT_FALSE(rowExists(item->primaryKey()));
        EXPECT_EQ(listed(item->primaryKey()), c.listedAfter);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Links WHERE primaryKey=%1").arg(link)),
                  c.linkRowsAfter);
        if (c.linkRowsAfter) {
            EXPECT_EQ(linkStatus(link), 1);
        }
        EXPECT_EQ(setting().zvwDeletedTasks(), c.queue);
        EXPECT_EQ(icalOperations(), c.ical);
        EXPECT_EQ(posted.autoSyncRequests(), c.requests);
    }
}

TEST_F(CoreDataDoneDeleteTest, DeletingTheDefaultCategoryLeavesAnExistingDefault)
{
    // Kinds of the category that remains beside the deleted default.
    struct Case {
        const char* name;
        bool shared;
        qint64 hidden;
        bool keepsRemaining;  // else a new category is made
    };
    const Case cases[] = {
        {"a visible ordinary category", false, 0, true},
        {"only a hidden one", false, 1, true},
        {"only a shared one", true, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dataManager().doWithCalendarList(std::nullopt, 1);
        const CalendarPtr doomed = addCategory();
        const CalendarPtr remaining = addCategory(0, c.hidden);
        remaining->setExtraStatus(c.shared ? 1 : 0);
        ASSERT_TRUE(remaining->dehydrate());
        setting().setCalendarDefID(doomed->primaryKey());
        auto item = std::make_shared<Task>();
        item->setCalendarId(doomed->primaryKey());
        item->setZvwID(31);
        ASSERT_TRUE(item->insertAndDehydrate());
        setting().setZvwDeletedTasks(QStringLiteral(""));

        ASSERT_TRUE(dataManager().doDeleteCalendar(doomed));
        EXPECT_FALSE(rowExists(item->primaryKey()));
        EXPECT_EQ(setting().zvwDeletedTasks(), QStringLiteral(",31"));
        const qint64 defaultKey = setting().calendarDefID();
        EXPECT_NE(defaultKey, doomed->primaryKey());
        const CalendarPtr chosen = dataManager().calendarWithPrimaryKey(defaultKey);
        ASSERT_TRUE(chosen) << "the default names a listed category";
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE primaryKey=%1").arg(defaultKey)), 1);
        EXPECT_EQ(chosen->inVisible(), 0);
        if (c.keepsRemaining)
            EXPECT_EQ(defaultKey, remaining->primaryKey());
        else
            EXPECT_EQ(chosen->calendarName(), QStringLiteral("Zoravel"));
    }
}

TEST_F(CoreDataDoneDeleteTest, OnlyAnOrdinaryCategoryTakesItsSystemCalendarAlong)
{
    for (const qint64 projectType : {0, 1}) {
        SCOPED_TRACE(projectType);
        icalSync().clearCalls();
        const CalendarPtr category = addCategory(projectType);
        category->setICalUID(QStringLiteral("calendar-uid"));
        ASSERT_TRUE(category->dehydrate());
        PostedNotifications posted({kAutoSyncNotification});
        ASSERT_TRUE(dataManager().doDeleteCalendar(category));
        EXPECT_EQ(icalOperations().contains(QStringLiteral("deleteCalendar")), projectType == 0);
        EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{AutoSync::categories | AutoSync::items});
    }
}

TEST_F(CoreDataDoneDeleteTest, DeletingATagQueuesOnlyATagTheServerKnows)
{
    const TaskPtr item = storedItem(QStringLiteral("tagged"));
    item->setTagList(QStringLiteral("/Work/Home"));
    ASSERT_TRUE(item->dehydrate());
    for (const qint64 zvwKey : {5, 0}) {
        SCOPED_TRACE(zvwKey);
        setting().setZvwDeletedTag(QStringLiteral(""));
        auto tag = std::make_shared<Tag>();
        ASSERT_TRUE(tag->insertIntoDatabase(db()));
        tag->setTagName(QStringLiteral("Work"));
        tag->setZvwKey(zvwKey);
        ASSERT_TRUE(tag->dehydrate());

        PostedNotifications posted({kAutoSyncNotification});
        ASSERT_TRUE(dataManager().doDeleteTag(tag));
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tag WHERE primaryKey=%1").arg(tag->primaryKey())), 0);
        EXPECT_FALSE(dataManager().tagList().contains(tag));
        EXPECT_EQ(setting().zvwDeletedTag(), zvwKey ? QStringLiteral(",5") : QStringLiteral(""));
        EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{AutoSync::tags});
    }
    EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey())->tagList(), QStringLiteral("/Work/Home"));
}

TEST_F(CoreDataDoneDeleteTest, ATagGoneFromTheServerIsNotSentBack)
{
    auto tag = std::make_shared<Tag>();
    ASSERT_TRUE(tag->insertIntoDatabase(db()));
    tag->setZvwKey(9);
    ASSERT_TRUE(tag->dehydrate());
    PostedNotifications posted({kAutoSyncNotification});
    ASSERT_TRUE(dataManager().doDeleteTagFromZVW(tag, true));
    EXPECT_FALSE(dataManager().tagList().contains(tag));
    EXPECT_EQ(setting().zvwDeletedTag(), QString());
    EXPECT_TRUE(posted.autoSyncRequests().isEmpty());
}

}  // namespace
