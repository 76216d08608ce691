#include "AllOrNothingCommandTest.h"
#include "Tag.h"

namespace {

// Adding, done, the deletes of items, tags and categories, the all-day reload,
// the top-task marks and the wipe before a replace succeed whole or change
// nothing. The clock stands at Wednesday 15 January 2014, 10:07 in Paris; the
// items carry alarms, web ids that fill the deletion queues, and links.
class ItemCommandsAllOrNothingTest : public AllOrNothingCommandTest {
protected:
    static Date tomorrowAt(int hour) { return localDate(2014, 1, 16, hour, 0); }

    // A listed task due tomorrow with an alarm, known to the web service.
    TaskPtr task(const QString& name, qint64 webId)
    {
        const TaskPtr item = listedTask(name, tomorrowAt(17), minutesBefore(15));
        item->setZvwID(webId);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    qint64 count(const QString& sql) { return queryInt(QStringLiteral("SELECT count(*) FROM ") + sql); }

    ScriptedAlertPresenter presenter;
};

// ---- adding ------------------------------------------------------------------------

TEST_F(ItemCommandsAllOrNothingTest, ANewItemGoesInWithItsAlarmAndStoreCallOrNotAtAll)
{
    struct Case {
        const char* name;
        qint64 type;
        qint64 repeatType;
        QString storeCall;
    };
    const Case cases[] = {
        {"an event", 0, 0, QStringLiteral("insertEvent")},
        {"a repeating task, which warns once it is stored", 1, 2, QStringLiteral("insertTask")},
    };
    setting().setShowWarningAddRepeatTask(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calendarStore().clearCalls();
        auto item = std::make_shared<Task>();
        item->setTaskName(QStringLiteral("new"));
        item->setTaskType(c.type);
        item->setStartTime(tomorrowAt(9));
        item->setEndTime(tomorrowAt(10));
        item->setHasDue(1);
        item->setDueEnd(tomorrowAt(17));
        item->setRepeatType(c.repeatType);
        item->setAlertValues(minutesBefore(15));
        dataManager().setModifyingTask(item);
        // Only the run that succeeds may ask: an alert of a failed run finds
        // no answer and fails the test.
        if (c.repeatType) presenter.scriptButton(AlertResponse::firstButton, false);

        EXPECT_GE(expectWholeOrNothing([&] { return dataManager().addNewTask(); }, {item}), 3);

        EXPECT_TRUE(rowExists(item));
        EXPECT_TRUE(dataManager().allTasksEventsAdes().contains(item));
        EXPECT_EQ(iCalOperations(), QStringList{c.storeCall});
        EXPECT_FALSE(dataManager().allAlert().isEmpty());
    }
    EXPECT_EQ(presenter.requests().size(), 1);
}

TEST_F(ItemCommandsAllOrNothingTest, AnItemFromTheWebGoesInWithItsSeriesKeyOrNotAtAll)
{
    const TaskPtr root = storedItem(QStringLiteral("Series"), 0);
    root->setZvwID(700);
    root->setICalUID(QStringLiteral("series-uid"));
    ASSERT_TRUE(root->dehydrate());

    auto occurrence = std::make_shared<Task>();
    occurrence->setTaskType(0);
    occurrence->setZvwID(701);
    occurrence->setParentId(700);
    dataManager().setModifyingTask(occurrence);
    expectWholeOrNothing([&] { return dataManager().addNewTaskNeedSync(true); }, {occurrence});
    EXPECT_EQ(storedColumn(occurrence->primaryKey(), QStringLiteral("parentId")), QVariant(root->primaryKey()));
    EXPECT_EQ(iCalOperations(), QStringList{QStringLiteral("updateEvent")});

    auto downloaded = std::make_shared<Task>();
    downloaded->setTaskType(1);
    downloaded->setZvwID(702);
    dataManager().setModifyingTask(downloaded);
    expectWholeOrNothing([&] { return dataManager().addNewTaskNeedSync(false, 42); }, {downloaded});
    EXPECT_EQ(storedColumn(downloaded->primaryKey(), QStringLiteral("taskOrder")), QVariant(qint64(42)));
}

// ---- done --------------------------------------------------------------------------

TEST_F(ItemCommandsAllOrNothingTest, DoneAndReopenedTasksChangeWholeOrNotAtAll)
{
    const TaskPtr done = task(QStringLiteral("report"), 11);
    done->setStatus(1);
    done->setCompletedDate(now());
    expectWholeOrNothing([&] { return dataManager().doMarkDoneOperatorWithTask(done, 1); }, {done});
    EXPECT_EQ(storedColumn(done->primaryKey(), QStringLiteral("status")), QVariant(qint64(1)));

    expectWholeOrNothing([&] { return dataManager().doMarkDoneOperatorWithTask(done, 0); }, {done});
    EXPECT_EQ(storedColumn(done->primaryKey(), QStringLiteral("status")), QVariant(qint64(0)));
    EXPECT_EQ(iCalOperations(), (QStringList{QStringLiteral("updateTask"), QStringLiteral("updateTask")}));
}

TEST_F(ItemCommandsAllOrNothingTest, ARepeatingTaskDoneGoesOnAsANewRowWithItsLinksOrStaysAsItWas)
{
    // By schedule, and from completion (which rewrites the done task's rule).
    for (const qint64 repeatStyle : {1, 0}) {
        SCOPED_TRACE(repeatStyle ? "by schedule" : "from completion");
        const TaskPtr weekly = task(QStringLiteral("weekly review"), 55 + repeatStyle);
        weekly->setDueEnd(localDate(2014, 1, 13, 9, 0));
        weekly->setRepeatType(2);
        weekly->setTaskRepeatStyle(repeatStyle);
        ASSERT_TRUE(weekly->dehydrate());
        const TaskPtr agenda = storedItem(QStringLiteral("agenda"), 3);
        link(agenda, weekly);
        weekly->setStatus(1);
        weekly->setCompletedDate(now());
        const qint64 rowsBefore = count(QStringLiteral("Tasks"));

        expectWholeOrNothing([&] { return dataManager().doMarkDoneOperatorWithTask(weekly, 1); }, {weekly});

        EXPECT_EQ(count(QStringLiteral("Tasks")), rowsBefore + 1);
        EXPECT_EQ(Task::initWithPrimaryKey(weekly->primaryKey())->repeatType(), 0);
        const TaskPtr next = dataManager().modifyingTask();
        ASSERT_TRUE(next);
        EXPECT_EQ(Task::initWithPrimaryKey(next->primaryKey())->repeatType(), 2);
        EXPECT_TRUE(dataManager().getLink(next->primaryKey(), agenda->primaryKey()));
    }
}

// ---- deletes -------------------------------------------------------------------------

TEST_F(ItemCommandsAllOrNothingTest, ADeletedItemTakesItsLinksQueueAndListEntryOrNothingGoes)
{
    struct Case {
        const char* name;
        std::function<bool(const TaskPtr&)> command;
        bool queued;
        bool linkRowsDeleted;
    };
    const Case cases[] = {
        {"from the user", [this](const TaskPtr& item) { return dataManager().doDeleteTask(item); }, true, true},
        {"without a push", [this](const TaskPtr& item) { return dataManager().doDeleteTask(item, false); }, true,
         false},
        {"from the web sync",
         [this](const TaskPtr& item) { return dataManager().doDeleteTask(item, false, true); }, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TaskPtr item = task(QStringLiteral("doomed"), 12);
        const qint64 linked = link(item, note());
        dataManager().setCopiedItem(item);
        setting().setZvwDeletedTasks(QStringLiteral(""));

        expectWholeOrNothing([&] { return c.command(item); }, {item});

        EXPECT_FALSE(rowExists(item));
        EXPECT_EQ(itemQueue(), c.queued ? QStringLiteral(",12") : QStringLiteral(""));
        EXPECT_EQ(count(QStringLiteral("Links WHERE primaryKey=%1").arg(linked)), c.linkRowsDeleted ? 0 : 1);
        EXPECT_FALSE(dataManager().copiedItem());
    }
}

// One statement each: SQLite runs it whole or not at all, and the command
// says which.
TEST_F(ItemCommandsAllOrNothingTest, LinkRowsOfAnItemGoInOneStatement)
{
    const TaskPtr item = task(QStringLiteral("linked"), 0);
    for (int i = 0; i < 3; ++i) link(item, note());
    exec(QStringLiteral("UPDATE Links SET status=1 WHERE primaryKey<=2"));

    EXPECT_EQ(expectWholeOrNothing([&] { return dataManager().deleteAllUnLinks(item); }), 1);
    EXPECT_EQ(count(QStringLiteral("Links")), 1);
    EXPECT_EQ(expectWholeOrNothing([&] { return dataManager().deleteLinks(item); }), 1);
    EXPECT_EQ(count(QStringLiteral("Links")), 0);
    EXPECT_EQ(expectWholeOrNothing([&] { return dataManager().deleteAllUnLinks(); }), 1);
}

TEST_F(ItemCommandsAllOrNothingTest, ADeletedTagLeavesTheListAndJoinsTheQueueOrStays)
{
    for (const bool fromServer : {false, true}) {
        SCOPED_TRACE(fromServer ? "the server deleted it" : "the user deleted it");
        auto tag = std::make_shared<Tag>();
        ASSERT_TRUE(tag->insertIntoDatabase(db()));
        tag->setTagName(QStringLiteral("Work"));
        tag->setZvwKey(5);
        ASSERT_TRUE(tag->dehydrate());
        dataManager().appendToTagList(tag);
        setting().setZvwDeletedTag(QStringLiteral(""));

        expectWholeOrNothing([&] {
            return fromServer ? dataManager().doDeleteTagFromZVW(tag, true) : dataManager().doDeleteTag(tag);
        });

        EXPECT_EQ(count(QStringLiteral("Tag")), 0);
        EXPECT_TRUE(dataManager().tagList().isEmpty());
        EXPECT_EQ(setting().zvwDeletedTag(), fromServer ? QStringLiteral("") : QStringLiteral(",5"));
    }
}

TEST_F(ItemCommandsAllOrNothingTest, TheItemsOfACategoryGoTogetherOrNoneGoes)
{
    const CalendarPtr category = addCategory();
    TaskList items;
    for (const qint64 webId : {21, 22, 23}) {
        const TaskPtr item = task(QStringLiteral("in category"), webId);
        item->setCalendarId(category->primaryKey());
        ASSERT_TRUE(item->dehydrate());
        items.append(item);
    }
    const qint64 linked = link(items.first(), note());

    expectWholeOrNothing([&] { return dataManager().deleteAllTasksBelongCalendar(category->primaryKey()); });

    EXPECT_EQ(count(QStringLiteral("Tasks WHERE calendarId=%1").arg(category->primaryKey())), 0);
    EXPECT_EQ(itemQueue(), QStringLiteral(",21,22,23"));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT status FROM Links WHERE primaryKey=%1").arg(linked)), 1);
    EXPECT_TRUE(dataManager().allTasksEventsAdes().isEmpty());
    EXPECT_TRUE(dataManager().allAlert().isEmpty());
}

// ---- in-memory refreshes from the rows ------------------------------------------------

TEST_F(ItemCommandsAllOrNothingTest, AllDayEventsAreRefreshedFromTheirRowsOrKeepTheirContent)
{
    TaskList allDay;
    for (const char* name : {"holiday", "conference"}) {
        const TaskPtr event = listedTask(QString::fromUtf8(name), tomorrowAt(0), QString(), 0);
        event->setIsADE(1);
        ASSERT_TRUE(event->dehydrate());
        allDay.append(event);
    }
    exec(QStringLiteral("UPDATE Tasks SET taskName='changed elsewhere'"));

    expectWholeOrNothing([&] { return dataManager().reloadADE(); });

    for (const TaskPtr& event : allDay) EXPECT_EQ(event->taskName(), QStringLiteral("changed elsewhere"));
}

TEST_F(ItemCommandsAllOrNothingTest, TopTaskMarksChangeAllOrNoneWhenTheDatabaseCannotBeRead)
{
    const TaskPtr first = task(QStringLiteral("first"), 0);
    const TaskPtr second = task(QStringLiteral("second"), 0);
    second->setIsTopGTDTask(true);
    const CalendarPtr other = addCategory();
    const TaskPtr elsewhere = task(QStringLiteral("elsewhere"), 0);
    elsewhere->setCalendarId(other->primaryKey());
    ASSERT_TRUE(elsewhere->dehydrate());
    const TaskList items{second, first, elsewhere};

    const int steps =
        expectWholeOrNothing([&] { return dataManager().updateTopTasksForList(items); }, items);

    EXPECT_GE(steps, 2) << "one read per category";
    EXPECT_TRUE(first->isTopGTDTask());
    EXPECT_FALSE(second->isTopGTDTask());
    EXPECT_TRUE(elsewhere->isTopGTDTask());
}

// ---- the wipe before a replace from the web service ----------------------------------

TEST_F(ItemCommandsAllOrNothingTest, TheWipeDeletesEverythingAndMakesTheDefaultOrNothing)
{
    for (const bool createDefault : {false, true}) {
        SCOPED_TRACE(createDefault ? "making the default again" : "without a default");
        const CalendarPtr local = addCategory();
        local->setTypeOfCal(CalCalendarTypeLocal);
        ASSERT_TRUE(local->dehydrate());
        const CalendarPtr account = addCategory();
        account->setTypeOfCal(QStringLiteral("CalDAV"));
        ASSERT_TRUE(account->dehydrate());
        const TaskPtr localTask = task(QStringLiteral("local"), 31);
        localTask->setCalendarId(local->primaryKey());
        ASSERT_TRUE(localTask->dehydrate());
        const TaskPtr accountTask = task(QStringLiteral("account"), 32);
        accountTask->setCalendarId(account->primaryKey());
        ASSERT_TRUE(accountTask->dehydrate());
        link(localTask, accountTask);
        exec(QStringLiteral("INSERT INTO Tag (tagName) VALUES ('Work')"));
        dataManager().setTagList(TagList{std::make_shared<Tag>()});
        calendarStore().clearCalls();

        expectWholeOrNothing([&] { return dataManager().deleteDatabaseCreateDefaultCate(createDefault); });

        EXPECT_EQ(count(QStringLiteral("Tag")) + count(QStringLiteral("Links")), 0);
        EXPECT_FALSE(rowExists(localTask));
        EXPECT_TRUE(rowExists(accountTask));
        EXPECT_FALSE(dataManager().calendarList().contains(local));
        EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{accountTask});
        EXPECT_EQ(iCalOperations().first(), QStringLiteral("deleteCalendar"));
        EXPECT_EQ(setting().calendarDefID() > account->primaryKey(), createDefault) << "a new default category";
        EXPECT_TRUE(dataManager().calendarWithPrimaryKey(setting().calendarDefID()));
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    }
}

}  // namespace
