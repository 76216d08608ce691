#include "CommandUnitFixture.h"

// The row commands over a selection, the purge of look-alikes, the states
// the web service reports and the preview note: whichever statement fails,
// the command answers failure and leaves the rows, the lists, the records and
// the calendar store as they were; run through, it does its work.
namespace {

class BatchUnitTest : public CommandUnitTest {
protected:
    void SetUp() override
    {
        CommandUnitTest::SetUp();
        switchWebSync(true);
    }
};

}  // namespace

TEST_F(BatchUnitTest, SelectionIsDeletedWholeWithItsQueueAndLinks)
{
    const TaskPtr own = webTask(QStringLiteral("mine"), 41, localDate(2014, 1, 15, 12, 0));
    const TaskPtr event = listed(this->event(QStringLiteral("meeting"), localDate(2014, 1, 15, 14, 0)));
    event->setZvwID(42);
    ASSERT_TRUE(event->dehydrate());
    const TaskPtr theirs = listed(task(QStringLiteral("theirs")));
    theirs->setIsShared(true);
    ASSERT_TRUE(theirs->dehydrate());
    const TaskPtr kept = note(QStringLiteral("kept"));
    link(own, kept);
    link(event, kept);
    dataManager().setCopiedItem(own);

    expectAllOrNothing(db(), [&] { return dataManager().doDeleteTasks({own, theirs, event}, true); }, anyPost,
                       storeCallsOf({QStringLiteral("deleteEvent")}));

    EXPECT_FALSE(rowExists(own->primaryKey()));
    EXPECT_FALSE(rowExists(event->primaryKey()));
    EXPECT_TRUE(rowExists(theirs->primaryKey())) << "another user's item is theirs to delete";
    EXPECT_EQ(webDeletions(), QStringLiteral(",41,42"));
    EXPECT_EQ(linkCount(), 0) << "pushed to the web, the links go at once";
    EXPECT_EQ(dataManager().copiedItem(), nullptr);
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{theirs});
    EXPECT_TRUE(dataManager().allAlert().isEmpty());
    EXPECT_EQ(storeCallsOf({QStringLiteral("deleteEvent")})(), QStringLiteral("deleteEvent"));
}

TEST_F(BatchUnitTest, SelectionIsDuplicatedWholeOrNotAtAll)
{
    const TaskPtr event = this->event(QStringLiteral("meeting"), localDate(2014, 1, 15, 14, 0));
    const TaskPtr scheduled = scheduledTask(QStringLiteral("write"), localDate(2014, 1, 15, 16, 0));
    const TaskPtr original = webTask(QStringLiteral("call"), 51, localDate(2014, 1, 15, 18, 0));
    const qint64 lastBefore = lastKey();
    const auto storeCalls = storeCallsOf({QStringLiteral("insertEventList"), QStringLiteral("insertTaskList")});

    expectAllOrNothing(db(), [&] { return dataManager().doDuplicateTasks({event, scheduled, original}, true); },
                       anyPost, storeCalls);

    const TaskList copies = rowsAfter(lastBefore);
    ASSERT_EQ(copies.size(), 3);
    EXPECT_EQ(copies[2]->taskName(), QStringLiteral("call"));
    EXPECT_EQ(copies[2]->zvwID(), 0) << "a copy is new to the web service";
    EXPECT_EQ(storeCalls(), QStringLiteral("insertEventList insertTaskList"));
}

TEST_F(BatchUnitTest, StarsChangeForTheWholeSelectionOrNone)
{
    for (const bool star : {true, false}) {
        SCOPED_TRACE(star);
        const TaskPtr first = webTask(QStringLiteral("first"), 61, localDate(2014, 1, 15, 12, 0));
        const TaskPtr second = listed(note(QStringLiteral("second")));
        for (const TaskPtr& item : {first, second}) {
            item->setIsPinned(star ? 0 : 1);
            ASSERT_TRUE(item->dehydrate());
        }
        const TaskList selection{first, second};

        expectAllOrNothing(
            db(),
            [&] {
                return star ? dataManager().doMarkStarTasks(selection, true)
                            : dataManager().doMarkUnStarTasks(selection, true);
            },
            anyPost);

        for (const TaskPtr& item : selection)
            EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("isPinned")), QVariant(qint64(star)));
    }
}

TEST_F(BatchUnitTest, SelectionIsDoneWholeRepeatingAndScheduledTasksIncluded)
{
    const TaskPtr plain = webTask(QStringLiteral("plain"), 71, localDate(2014, 1, 15, 12, 0));
    const TaskPtr weekly = webTask(QStringLiteral("weekly"), 72, localDate(2014, 1, 15, 17, 0));
    weekly->setRepeatType(2);
    weekly->setRepeatOptions(QStringLiteral("1/4/0"));
    weekly->setTaskRepeatStyle(1);
    ASSERT_TRUE(weekly->dehydrate());
    const TaskPtr scheduled = listed(scheduledTask(QStringLiteral("write"), localDate(2014, 1, 15, 16, 0)));
    const TaskPtr event = listed(this->event(QStringLiteral("meeting"), localDate(2014, 1, 15, 14, 0)));
    const TaskPtr reference = note(QStringLiteral("reference"));
    link(weekly, reference);
    link(scheduled, reference);
    const qint64 scheduledKey = scheduled->primaryKey();
    const qint64 lastBefore = lastKey();

    expectAllOrNothing(db(), [&] { return dataManager().doMarkDoneTasks({plain, weekly, scheduled, event}, true); },
                       anyPost, [&]() -> QString { return sharedObjects() + describe(scheduled); });

    EXPECT_EQ(storedColumn(plain->primaryKey(), QStringLiteral("status")), QVariant(qint64(1)));
    EXPECT_EQ(storedColumn(weekly->primaryKey(), QStringLiteral("repeatType")), QVariant(qint64(0)));
    EXPECT_FALSE(rowExists(scheduledKey)) << "done as a task of its own row";
    EXPECT_EQ(storedColumn(scheduled->primaryKey(), QStringLiteral("status")), QVariant(qint64(1)));
    EXPECT_EQ(storedColumn(event->primaryKey(), QStringLiteral("status")), QVariant(qint64(0)));
    const TaskList added = rowsAfter(lastBefore);
    ASSERT_EQ(added.size(), 2) << "the next weekly task and the done scheduled task";
    for (const TaskPtr& row : added) EXPECT_TRUE(isActivelyLinked(row, reference)) << row->taskName().toStdString();
}

TEST_F(BatchUnitTest, SelectionIsOpenedAgainWholeOrNotAtAll)
{
    const TaskPtr first = webTask(QStringLiteral("first"), 81, localDate(2014, 1, 15, 12, 0));
    const TaskPtr second = webTask(QStringLiteral("second"), 82, localDate(2014, 1, 16, 12, 0));
    for (const TaskPtr& item : {first, second}) {
        item->setStatus(1);
        item->setCompletedDate(localDate(2014, 1, 14, 20, 0));
        ASSERT_TRUE(item->dehydrate());
    }

    expectAllOrNothing(db(), [&] { return dataManager().doMarkUnDoneTasks({first, second}, true); }, anyPost);

    for (const TaskPtr& item : {first, second}) {
        EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("status")), QVariant(qint64(0)));
        EXPECT_EQ(item->completedDate(), zeroDate);
    }
}

TEST_F(BatchUnitTest, PurgeDeletesAGroupOfLookAlikeTasksWholeOrNotAtAll)
{
    const TaskList tasks{webTask(QStringLiteral("A"), 91, localDate(2014, 1, 15, 12, 0)),
                         webTask(QStringLiteral("A"), 92, localDate(2014, 1, 15, 12, 0)),
                         webTask(QStringLiteral("A"), 93, localDate(2014, 1, 15, 12, 0))};
    const TaskPtr kept = note(QStringLiteral("kept"));
    link(tasks[2], kept);
    setting().setIsCancellingRemoving(false);

    expectAllOrNothing(db(), [&] { return dataManager().deleteSuspectedDuplicatedTasks(true); }, anyPost);

    EXPECT_TRUE(rowExists(tasks[0]->primaryKey())) << "the lowest key stays";
    EXPECT_FALSE(rowExists(tasks[1]->primaryKey()));
    EXPECT_FALSE(rowExists(tasks[2]->primaryKey()));
    EXPECT_EQ(linkCount(QStringLiteral("status=1")), 1) << "the web sync tells the server of the link";
    EXPECT_EQ(webDeletions(), QStringLiteral(",92,93"));
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{tasks[0]});
}

TEST_F(BatchUnitTest, PurgeDeletesALookAlikeSeriesWithItsDetachedRowsOrNothing)
{
    const Series first = seriesWithExceptions(QStringLiteral("standup"));
    const Series copy = seriesWithExceptions(QStringLiteral("standup"));
    listed(copy.root);
    listed(copy.detached);
    setting().setIsCancellingRemoving(false);

    expectAllOrNothing(db(), [&] { return dataManager().deleteSuspectedDuplicatedTasks(true); }, anyPost);

    EXPECT_TRUE(rowExists(first.root->primaryKey()));
    EXPECT_TRUE(rowExists(first.detached->primaryKey()));
    EXPECT_FALSE(rowExists(copy.root->primaryKey()));
    EXPECT_FALSE(rowExists(copy.detached->primaryKey())) << "a series goes with its detached rows";
    EXPECT_TRUE(dataManager().allTasksEventsAdes().isEmpty());
}

// A purge runs for minutes over a large database: a group that cannot be
// deleted stops it, the groups before stay deleted, and the next run goes on.
TEST_F(BatchUnitTest, PurgeStopsAtAGroupThatFailsAndKeepsTheGroupsBefore)
{
    const TaskList groupA{task(QStringLiteral("A")), task(QStringLiteral("A"))};
    const TaskList groupB{task(QStringLiteral("B")), task(QStringLiteral("B"))};
    setting().setIsCancellingRemoving(false);
    const StoreState before = captureStoreState(db());

    bool sawStopAfterFirstGroup = false;
    for (int failing = 1; failing < 500 && !sawStopAfterFirstGroup; ++failing) {
        RecordStore::failStep(failing);
        const bool finished = dataManager().deleteSuspectedDuplicatedTasks(false);
        const bool reached = !RecordStore::stepFailurePending();
        RecordStore::failStep(0);
        ASSERT_TRUE(reached) << "the purge ran through before its second group failed";
        ASSERT_FALSE(finished) << "step " << failing;
        if (captureStoreState(db()) == before) continue;
        sawStopAfterFirstGroup = true;
        EXPECT_FALSE(rowExists(groupA[1]->primaryKey()));
        EXPECT_TRUE(rowExists(groupB[1]->primaryKey())) << "the failed group is left whole";
    }
    ASSERT_TRUE(sawStopAfterFirstGroup);

    EXPECT_TRUE(dataManager().deleteSuspectedDuplicatedTasks(false));
    EXPECT_TRUE(rowExists(groupA[0]->primaryKey()));
    EXPECT_TRUE(rowExists(groupB[0]->primaryKey()));
    EXPECT_FALSE(rowExists(groupB[1]->primaryKey()));
}

TEST_F(BatchUnitTest, DelegationStateIsAppliedWholeOrNotAtAll)
{
    struct Case {
        const char* what;
        qint64 delegateStatus;
        qint32 role;
        bool rowKept;
    };
    for (const Case& c : {Case{"ended, no permission left", 2, 4, false}, Case{"ended", 2, 1, true},
                          Case{"accepted", 1, 1, true}}) {
        SCOPED_TRACE(c.what);
        const TaskPtr delegated = webTask(QStringLiteral("delegated"), 101, localDate(2014, 1, 15, 12, 0));
        link(delegated, note(QStringLiteral("brief")));
        delegated->setAssigneeEmail(QStringLiteral("bob@example.com"));
        delegated->setDelegateDate(localDate(2014, 1, 10, 9, 0));
        ASSERT_TRUE(delegated->dehydrate());
        delegated->setDelegateStatus(c.delegateStatus);
        delegated->setTaskName(QStringLiteral("renamed by the server"));

        expectAllOrNothing(db(), [&] { return dataManager().updateDelegatedTaskStatus(delegated, c.role); },
                           anyPost, [&]() -> QString { return describe(delegated) + delegated->assigneeEmail(); });

        EXPECT_EQ(rowExists(delegated->primaryKey()), c.rowKept);
        if (c.rowKept) {
            EXPECT_EQ(Task::initWithPrimaryKey(delegated->primaryKey())->taskName(),
                      QStringLiteral("renamed by the server"));
        }
    }
}

TEST_F(BatchUnitTest, ShareStateIsAppliedWholeOrNotAtAll)
{
    for (const qint64 sharedStatus : {2, 1}) {
        SCOPED_TRACE(sharedStatus);
        const TaskPtr item = webTask(QStringLiteral("shared item"), 110 + sharedStatus, localDate(2014, 1, 15, 12, 0));
        const CalendarPtr category = categoryWith({item}, 120 + sharedStatus);
        category->setSharedStatus(sharedStatus);
        category->setCalendarName(QStringLiteral("renamed"));

        expectAllOrNothing(db(), [&] { return dataManager().updateShareProjectStatus(category); }, anyPost,
                           [&] { return allornothing::describe(*category); });

        const qint64 rows =
            queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE primaryKey=%1").arg(category->primaryKey()));
        EXPECT_EQ(rows, sharedStatus == 2 ? 0 : 1);
        EXPECT_EQ(rowExists(item->primaryKey()), sharedStatus != 2);
    }
}

TEST_F(BatchUnitTest, PreviewNoteIsListedOnlyWhenItsRowIsRead)
{
    const TaskPtr preview = note(QStringLiteral("quick"));
    link(preview, task(QStringLiteral("from the link list")));
    dataManager().setQuickAddItemInPreview(preview);

    expectAllOrNothing(db(), [&] { return dataManager().pushAddedItemInPreviewToAdesIfNeed(); }, anyPost,
                       [&] { return sharedObjects(); });

    EXPECT_EQ(dataManager().quickAddItemInPreview(), nullptr);
    ASSERT_EQ(dataManager().allTasksEventsAdes().size(), 1);
    EXPECT_EQ(dataManager().allTasksEventsAdes().first()->taskName(), QStringLiteral("quick"));
}
