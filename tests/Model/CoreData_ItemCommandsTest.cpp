#include "CommandTestFixture.h"

#include "RecordFailureInjection.h"
#include "Tag.h"
#include "TaskListState.h"
#include "TextTable.h"

namespace {

struct ListState : TaskListState {
    qint64 taskFilter = 0;
    qint64 typeTag = 0;
    qint64 listFilter = 0;
    qint64 todayTaskFilterIndex() const override { return taskFilter; }
    qint64 typeViewSelectedTag() const override { return typeTag; }
    qint64 filterIndex() const override { return listFilter; }
};

class AddingTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        TaskListState::setCurrent(&listState);
    }
    void TearDown() override
    {
        TaskListState::setCurrent(nullptr);
        CommandTest::TearDown();
    }

    TaskPtr add(qint64 type, const QString& name = QStringLiteral("New"))
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(type);
        return add(item);
    }
    TaskPtr add(const TaskPtr& item)
    {
        dataManager().setModifyingTask(item);
        if (!dataManager().addNewTask()) ++refusedAdds;
        return item;
    }

    int refusedAdds = 0;

    ListState listState;
    ScriptedAlertPresenter presenter;
};

TEST_F(AddingTest, TheTaskPanesFilterGivesANewTaskItsDefaults)
{
    const QString defaultAlert = QStringLiteral("/1|-900|Glass");
    const Date selectedDayEnd = localDate(2014, 1, 17, 17, 0);
    dataManager().setCurrentSelectedDay(localDate(2014, 1, 17));
    struct Case {
        qint64 filter;
        QString defaultTaskAlert;
        qint64 pinned;
        bool dueOnSelectedDay;
        QString alerts;
    };
    const Case cases[] = {
        {0, defaultAlert, 0, false, QString()},
        {2, defaultAlert, 1, false, QString()},
        {4, defaultAlert, 0, true, defaultAlert},
        {4, QStringLiteral(""), 0, true, QString()},
    };
    for (const Case& c : cases) {
        listState.taskFilter = c.filter;
        setting().setDefaultTaskAlert(c.defaultTaskAlert);
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setHasDue(0);
        const Date ownDue = task->dueEnd();
        add(task);
        EXPECT_EQ(task->isPinned(), c.pinned) << "filter " << c.filter;
        EXPECT_EQ(task->dueEnd(), c.dueOnSelectedDay ? selectedDayEnd : ownDue) << "filter " << c.filter;
        EXPECT_EQ(task->hasDue(), c.dueOnSelectedDay ? 1 : 0) << "filter " << c.filter;
        EXPECT_EQ(task->alertValues(), c.alerts) << "filter " << c.filter;
        EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("isPinned")), QVariant(c.pinned));
    }
}

TEST_F(AddingTest, ATaskWithADueDateKeepsItUnderTheDueFilterAndTakesTheDefaultAlert)
{
    listState.taskFilter = 4;
    setting().setDefaultTaskAlert(QStringLiteral("/1|-900|Glass"));
    auto task = std::make_shared<Task>();
    task->setTaskType(1);
    task->setHasDue(1);
    task->setDueEnd(localDate(2014, 1, 15, 16, 0));
    add(task);
    EXPECT_EQ(task->dueEnd(), localDate(2014, 1, 15, 16, 0));
    ASSERT_EQ(dataManager().allAlert().size(), 1) << "the new task's alarm is scheduled with it";
    EXPECT_EQ(dataManager().allAlert().first()->dateFire(), localDate(2014, 1, 15, 15, 45));
}

TEST_F(AddingTest, AChecklistItemIsPinnedOnlyByTheChecklistTypeAndFilter)
{
    listState.taskFilter = 2;
    EXPECT_EQ(add(2)->isPinned(), 0) << "the task pane's pinned filter is for tasks";
    listState.typeTag = 2;
    EXPECT_EQ(add(2)->isPinned(), 0);
    listState.listFilter = 1;
    EXPECT_EQ(add(2)->isPinned(), 1);
}

TEST_F(AddingTest, WithoutATaskListTheFiltersReadAsNone)
{
    TaskListState::setCurrent(nullptr);
    const TaskListState& none = TaskListState::current();
    EXPECT_EQ(none.todayTaskFilterIndex(), 0);
    EXPECT_EQ(none.typeViewSelectedTag(), 0);
    EXPECT_EQ(none.filterIndex(), 0);
    EXPECT_EQ(add(1)->isPinned(), 0);
}

// Items the calendar store takes go there, and its job asks for the web
// push; every other item asks for it here, when automatic sync is on.
TEST_F(AddingTest, ANewItemGoesToTheCalendarStoreOrAsksForTheWebPushItself)
{
    const CalendarPtr tasksOnly = addCategory();
    tasksOnly->setTaskOrEvent(1);
    const CalendarPtr eventsOnly = addCategory();
    eventsOnly->setTaskOrEvent(2);
    struct Case {
        const char* what;
        qint64 type;
        qint64 category;
        bool scheduled;
        qint64 autoSync;
        QString operation;
        bool pushHere;
    };
    const Case cases[] = {
        {"event", 0, 1, false, 1, QStringLiteral("insertEvent"), false},
        {"task", 1, 1, false, 1, QStringLiteral("insertTask"), false},
        {"task, sync off", 1, 1, false, 0, QStringLiteral("insertTask"), false},
        {"event among tasks", 0, tasksOnly->primaryKey(), false, 1, QString(), true},
        {"task among events", 1, eventsOnly->primaryKey(), false, 1, QString(), true},
        {"checklist item", 2, 1, false, 1, QString(), true},
        {"note", 3, 1, false, 1, QString(), true},
        {"note, sync off", 3, 1, false, 0, QString(), false},
        {"scheduled task", 0, 1, true, 1, QString(), true},
        {"missing category", 1, 999, false, 1, QStringLiteral("insertTask"), false},
    };
    for (const Case& c : cases) {
        setting().setAutoZVWSync(c.autoSync);
        calendarStore().clearCalls();
        clearPosted();
        auto item = std::make_shared<Task>();
        item->setTaskType(c.type);
        item->setCalendarId(c.category);
        item->setIsSheduledTask(c.scheduled);
        add(item);
        const QList<RecordingICalSync::Call> calls = iCalCalls();
        if (c.operation.isEmpty()) {
            EXPECT_TRUE(calls.isEmpty()) << c.what;
        } else {
            ASSERT_EQ(calls.size(), 1) << c.what;
            EXPECT_EQ(calls.first().operation, c.operation) << c.what;
            EXPECT_EQ(calls.first().insertToZVW, c.autoSync == 1) << c.what;
            EXPECT_EQ(calls.first().items, TaskList{item}) << c.what;
        }
        EXPECT_EQ(posted(), c.pushHere ? QList<Posted>{itemsPush()} : QList<Posted>()) << c.what;
    }
}

TEST_F(AddingTest, ATaskDueTodayGoesToTheTopWhenAddedFromTheDoTodayField)
{
    const TaskPtr first = listedTask(QStringLiteral("First"), localDate(2014, 1, 16, 17, 0));
    const qint64 topOrder = first->taskOrder();
    clearPosted();
    dataManager().setHasDoToday(true);
    auto task = std::make_shared<Task>();
    task->setTaskType(1);
    task->setHasDue(1);
    task->setDueEnd(localDate(2014, 1, 15, 18, 0));
    add(task);
    EXPECT_EQ(task->taskOrder(), topOrder);
    EXPECT_GT(first->taskOrder(), topOrder);
    EXPECT_EQ(posted(), QList<Posted>{taskOrderChanged()});
}

TEST_F(AddingTest, ARepeatingTaskWarnsUntilTheUserTicksTheBox)
{
    setting().setShowWarningAddRepeatTask(1);
    presenter.scriptButton(AlertResponse::firstButton, false);
    presenter.scriptButton(AlertResponse::firstButton, true);
    for (int round = 0; round < 3; ++round) {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setRepeatType(2);
        add(task);
    }
    add(3);  // only repeating tasks warn
    ASSERT_EQ(presenter.requests().size(), 2) << "the third add asks nothing";
    const AlertRequest request = presenter.requests().first();
    EXPECT_EQ(request.style, AlertStyle::Informational);
    EXPECT_EQ(request.messageText, TextTable::localizedString(QStringLiteral("addRepeatTaskWarningText")));
    EXPECT_EQ(request.informativeText, TextTable::localizedString(QStringLiteral("addRepeatTaskWarningMessage")));
    EXPECT_EQ(request.buttonTitles, QStringList{TextTable::localizedString(QStringLiteral("okText"))});
    EXPECT_TRUE(request.showsSuppressionButton);
    EXPECT_EQ(setting().showWarningAddRepeatTask(), 0);
}

TEST_F(AddingTest, AnItemTheDatabaseRefusesGoesNowhereElse)
{
    setting().setAutoZVWSync(1);
    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    {
        WriteLockHolder otherProcess(databasePath());
        add(note);
    }
    EXPECT_EQ(refusedAdds, 1);
    EXPECT_TRUE(posted().isEmpty());
    EXPECT_TRUE(iCalCalls().isEmpty());
    EXPECT_TRUE(dataManager().allTasksEventsAdes().isEmpty());
}

TEST_F(AddingTest, AnItemFromTheWebFindsItsSeriesByWebKey)
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
    EXPECT_TRUE(dataManager().addNewTaskNeedSync(true));
    EXPECT_EQ(storedColumn(occurrence->primaryKey(), QStringLiteral("parentId")), QVariant(root->primaryKey()));
    EXPECT_EQ(occurrence->iCalUID(), QStringLiteral("series-uid"));
    ASSERT_EQ(iCalCalls().size(), 1);
    EXPECT_EQ(iCalCalls().first().operation, QStringLiteral("updateEvent"));
    EXPECT_EQ(iCalCalls().first().type, 0);

    auto orphan = std::make_shared<Task>();
    orphan->setTaskType(1);
    orphan->setZvwID(702);
    orphan->setParentId(999);
    orphan->setICalUID(QStringLiteral("stale"));
    dataManager().setModifyingTask(orphan);
    EXPECT_TRUE(dataManager().addNewTaskNeedSync(false, 42));
    EXPECT_EQ(storedColumn(orphan->primaryKey(), QStringLiteral("parentId")), QVariant(qint64(0)));
    EXPECT_EQ(storedColumn(orphan->primaryKey(), QStringLiteral("iCalIdentifier")), QVariant(QStringLiteral("")));
    EXPECT_EQ(storedColumn(orphan->primaryKey(), QStringLiteral("taskOrder")), QVariant(qint64(42)));
    EXPECT_TRUE(dataManager().allTasksEventsAdes().isEmpty()) << "the download fills the list itself";
    EXPECT_EQ(iCalCalls().size(), 1);
}

TEST_F(AddingTest, TheTopTaskIsTheFirstOpenTaskOfItsCategoryInTheDatabase)
{
    const CalendarPtr checklist = addCategory(1);
    const TaskPtr done = storedItem(QStringLiteral("Done"));
    done->setStatus(1);
    done->setIsTopGTDTask(true);
    ASSERT_TRUE(done->dehydrate());
    const TaskPtr first = storedItem(QStringLiteral("First"));
    const TaskPtr second = storedItem(QStringLiteral("Second"));
    const TaskPtr listItem = storedItem(QStringLiteral("Checklist"));
    listItem->setCalendarId(checklist->primaryKey());
    listItem->setTaskType(1);
    ASSERT_TRUE(listItem->dehydrate());

    dataManager().updateTopTasksForList({second});
    EXPECT_FALSE(second->isTopGTDTask()) << "the first open task of the category is not in the list";

    dataManager().updateTopTasksForList({second, done, listItem, first});
    EXPECT_TRUE(first->isTopGTDTask());
    EXPECT_FALSE(second->isTopGTDTask());
    EXPECT_FALSE(done->isTopGTDTask());
    EXPECT_FALSE(listItem->isTopGTDTask());

    databaseOpen = false;
    EXPECT_FALSE(dataManager().checkIfTaskIsGTD(first));
    databaseOpen = true;
}

// The marks do not depend on the order the list holds its items in: the
// first open task by order is found wherever it stands, and the earlier
// listed of two with one order is the one marked.
TEST_F(AddingTest, TheTopTaskIsFoundWhateverOrderTheListIsIn)
{
    const CalendarPtr other = addCategory();
    const auto task = [this](const QString& name, qint64 order, const CalendarPtr& category = nullptr) {
        const TaskPtr item = storedItem(name);
        if (category) item->setCalendarId(category->primaryKey());
        item->setTaskOrder(order);
        EXPECT_TRUE(item->dehydrate());
        return item;
    };
    const TaskPtr a1 = task(QStringLiteral("a1"), 1);
    const TaskPtr a3 = task(QStringLiteral("a3"), 3);
    const TaskPtr a5 = task(QStringLiteral("a5"), 5);
    const TaskPtr b2 = task(QStringLiteral("b2"), 2, other);
    const TaskPtr b2too = task(QStringLiteral("b2 too"), 2, other);
    const struct {
        const char* name;
        TaskList listed;
        QStringList top;
        // Nothing of the marks is stored: another program's write lock
        // does not keep them from being made.
        bool writeLocked = false;
    } cases[] = {
        {"listed backwards", {b2too, b2, a5, a3, a1}, {"a1", "b2 too"}},
        {"listed backwards, another program holding the write lock", {b2too, b2, a5, a3, a1}, {"a1", "b2 too"}, true},
        {"categories interleaved", {a5, b2, a3, b2too, a1}, {"a1", "b2"}},
        {"a tie: the earlier listed", {b2, b2too}, {"b2"}},
        {"without the first of its category", {a5, a3}, {}},
        {"listed twice: its later entry decides", {a1, a3, a1, b2}, {"b2"}},
        {"listed twice, the later entry first", {a3, a1, b2, b2}, {"a1"}},
    };
    for (const auto& c : cases) {
        for (const TaskPtr& item : {a1, a3, a5, b2, b2too}) item->setIsTopGTDTask(false);
        std::optional<WriteLockHolder> otherProcess;
        if (c.writeLocked) otherProcess.emplace(databasePath());
        ASSERT_TRUE(dataManager().updateTopTasksForList(c.listed)) << c.name;
        QStringList top;
        for (const TaskPtr& item : {a1, a3, a5, b2, b2too})
            if (item->isTopGTDTask()) top << item->taskName();
        EXPECT_EQ(top, c.top) << c.name;
    }
}

// The list asks the database once for every category's first open task; the
// marks are those the question task by task gives, whatever the orders hold.
TEST_F(AddingTest, ATopTaskReadForTheWholeListIsTheOneAskedTaskByTask)
{
    struct Row {
        qint64 type;
        qint64 status;
        QVariant order;  // invalid: stored without an order (NULL)
        bool listed;
    };
    const struct {
        const char* name;
        QList<Row> rows;
    } cases[] = {
        {"the first open task is listed", {{1, 0, 5, true}, {1, 0, 7, true}}},
        {"a done task comes first", {{1, 1, 1, true}, {1, 0, 3, true}, {1, 0, 4, true}}},
        {"an event comes first", {{0, 0, 1, true}, {1, 0, 2, true}}},
        {"the first open task is not listed", {{1, 0, 1, false}, {1, 0, 2, true}}},
        {"a task without an order comes first", {{1, 0, QVariant(), false}, {1, 0, 2, true}, {1, 0, 3, true}}},
        {"two tasks share the first order", {{1, 0, 2, true}, {1, 0, 2, true}}},
        {"every task is done", {{1, 1, 1, true}, {1, 1, 2, true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CalendarPtr category = addCategory();
        TaskList listed;
        for (const Row& row : c.rows) {
            const TaskPtr item = storedItem(QStringLiteral("Item"), row.type);
            item->setCalendarId(category->primaryKey());
            item->setStatus(row.status);
            item->setTaskOrder(row.order.isValid() ? row.order.toLongLong() : 0);
            ASSERT_TRUE(item->dehydrate());
            if (!row.order.isValid()) {
                sqlite3_stmt* statement = nullptr;
                ASSERT_EQ(sqlite3_prepare_v2(db(), "UPDATE Tasks SET taskOrder=NULL WHERE primaryKey=?", -1, &statement,
                                             nullptr),
                          SQLITE_OK);
                sqlite3_bind_int64(statement, 1, item->primaryKey());
                EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
                sqlite3_finalize(statement);
            }
            if (row.listed) listed << item;
        }
        ASSERT_TRUE(dataManager().updateTopTasksForList(listed));
        bool firstOpenSeen = false;
        for (const TaskPtr& item : listed) {
            const bool expected = item->taskType() == 1 && item->status() == 0 && !firstOpenSeen
                               && dataManager().checkIfTaskIsGTD(item);
            if (item->taskType() == 1 && item->status() == 0) firstOpenSeen = true;
            EXPECT_EQ(item->isTopGTDTask(), expected) << "order " << item->taskOrder();
        }
    }
}

TEST_F(AddingTest, TheTagFilterDropsAnEditedItemItNoLongerShows)
{
    auto tag = std::make_shared<Tag>();
    tag->setTagName(QStringLiteral("Work"));
    dataManager().setTagList({tag});
    const CalendarPtr tagged = addCategory(0, 0, QStringLiteral("/Work"));

    EXPECT_FALSE(dataManager().removeTaskFromListWithTagFilter(storedItem(QStringLiteral("Unlisted"))));

    struct Case {
        const char* what;
        qint64 category;
        QString tags;
        bool stays;
    };
    const Case cases[] = {
        {"own tag shown", 1, QStringLiteral("/homework"), true},
        {"category tag shown", tagged->primaryKey(), QStringLiteral(""), true},
        {"no tag shown", 1, QStringLiteral("/Home"), false},
        {"no tags at all", 1, QStringLiteral(""), false},
    };
    for (const Case& c : cases) {
        const TaskPtr item = listedTask(QStringLiteral("Item"), localDate(2014, 1, 16, 17, 0));
        item->setCalendarId(c.category);
        item->setTagList(c.tags);
        EXPECT_TRUE(dataManager().removeTaskFromListWithTagFilter(item)) << c.what;
        EXPECT_EQ(dataManager().allTasksEventsAdes().contains(item), c.stays) << c.what;
    }

    dataManager().setTagList({});
    const TaskPtr untagged = listedTask(QStringLiteral("Untagged"), localDate(2014, 1, 16, 17, 0));
    EXPECT_TRUE(dataManager().removeTaskFromListWithTagFilter(untagged));
    EXPECT_TRUE(dataManager().allTasksEventsAdes().contains(untagged)) << "with no tag shown, untagged items stay";
}

}  // namespace
