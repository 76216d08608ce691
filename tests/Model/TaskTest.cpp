#include "LogCapture.h"
#include "RecordFailureInjection.h"
#include "Tag.h"
#include "TaskTestFixture.h"

#include <functional>

namespace {

TEST_F(TaskTest, NewItemOnAWednesdayMorningTakesTheDefaultsOfATask)
{
    Task item;
    const Date quarterPast = localDate(2014, 1, 15, 10, 15);
    const Date dueAtWorkingEnd = localDate(2014, 1, 15, 18, 30);
    EXPECT_EQ(item.primaryKey(), -1);
    EXPECT_EQ(item.taskType(), 1);
    EXPECT_EQ(item.startTime(), quarterPast);
    EXPECT_EQ(item.endTime(), localDate(2014, 1, 15, 11, 15)) << "the event default, 60 minutes later";
    EXPECT_EQ(item.dueEnd(), dueAtWorkingEnd);
    EXPECT_EQ(item.hasDue(), 0);
    EXPECT_EQ(item.repeatOptions(), QStringLiteral("1//0"));
    EXPECT_EQ(item.repeatExceptions(), QStringLiteral(""));
    EXPECT_EQ(item.repeatStartDate(), dueAtWorkingEnd) << "a task's series starts at its due time";
    EXPECT_EQ(item.repeatEndDate(), item.endTime());
    EXPECT_EQ(item.isRepeatForever(), 1);
    EXPECT_EQ(item.parentId(), -1);
    EXPECT_EQ(item.duration(), taskMinutes);
    EXPECT_EQ(item.hasDuration(), 1);
    EXPECT_EQ(item.calendarId(), 1);
    EXPECT_EQ(item.tz(), defaultZone);
    EXPECT_EQ(item.completedDate(), Date::dateWithTimeIntervalSince1970(0));
    EXPECT_EQ(item.delegateDate(), Date::dateWithTimeIntervalSince1970(0));
    EXPECT_EQ(item.dateUpdate(), now());
    EXPECT_TRUE(item.assigneeEmail().isNull());
    EXPECT_FALSE(item.notes().isNull());
    EXPECT_EQ(item.hasChanges(), 1);
    EXPECT_TRUE(item.dirty());
}

TEST_F(TaskTest, NewItemsTakeTheHighestStoredOrderPlusOne)
{
    struct Case {
        QList<qint64> storedOrders;
        qint64 expectedOrder;
    };
    for (const Case& c : {Case{{3, 7, 5}, 8}, Case{{}, 1}}) {
        exec(QStringLiteral("DELETE FROM Tasks"));
        for (qint64 order : c.storedOrders)
            exec(QStringLiteral("INSERT INTO Tasks (taskOrder) VALUES (%1)").arg(order));
        Task item;
        ASSERT_TRUE(item.insertIntoDatabase());
        EXPECT_GT(item.primaryKey(), 0);
        EXPECT_EQ(item.taskOrder(), c.expectedOrder);
        EXPECT_EQ(storedColumn(item.primaryKey(), QStringLiteral("taskOrder")).toLongLong(), c.expectedOrder);
    }
}

TEST_F(TaskTest, SameTitleAgainLeavesAWrittenItemCleanAnotherTitleMarksIt)
{
    const TaskPtr item = storedItem(QStringLiteral("Shopping"));
    ASSERT_FALSE(item->dirty());

    item->setTaskName(QStringLiteral("Shopping"));
    EXPECT_FALSE(item->dirty());
    EXPECT_EQ(item->hasChanges(), 0);

    item->setTaskName(QStringLiteral("Groceries"));
    EXPECT_TRUE(item->dirty());
    EXPECT_EQ(item->hasChanges(), 1);
}

// Which setters mark the item for the web push: the fields the web service keeps.
TEST_F(TaskTest, SettersMarkDirtyOnChangeAndWebKeptFieldsAlsoHasChanges)
{
    struct Case {
        const char* field;
        std::function<void(Task&)> change;
        bool webKept;
    };
    const Date later = localDate(2014, 2, 3, 4, 5);
    const QList<Case> cases = {
        {"taskType", [](Task& t) { t.setTaskType(0); }, true},
        {"isADE", [](Task& t) { t.setIsADE(1); }, true},
        {"taskName", [](Task& t) { t.setTaskName(QStringLiteral("Other")); }, true},
        {"taskLocation", [](Task& t) { t.setTaskLocation(QStringLiteral("Here")); }, true},
        {"startTime", [&](Task& t) { t.setStartTime(later); }, true},
        {"endTime", [&](Task& t) { t.setEndTime(later); }, true},
        {"dueEnd", [&](Task& t) { t.setDueEnd(later); }, true},
        {"completedDate", [&](Task& t) { t.setCompletedDate(later); }, true},
        {"hasDue", [](Task& t) { t.setHasDue(1); }, true},
        {"taskOrder", [](Task& t) { t.setTaskOrder(99); }, true},
        {"repeatType", [](Task& t) { t.setRepeatType(2); }, true},
        {"repeatEndDate", [&](Task& t) { t.setRepeatEndDate(later); }, true},
        {"repeatOptions", [](Task& t) { t.setRepeatOptions(QStringLiteral("2//0")); }, true},
        {"repeatExceptions", [](Task& t) { t.setRepeatExceptions(QStringLiteral("|1(2)")); }, true},
        {"isRepeatForever", [](Task& t) { t.setIsRepeatForever(0); }, true},
        {"duration", [](Task& t) { t.setDuration(5); }, true},
        {"calendarId", [](Task& t) { t.setCalendarId(42); }, true},
        {"alertValues", [](Task& t) { t.setAlertValues(QStringLiteral("/1|-60|")); }, true},
        {"hasDuration", [](Task& t) { t.setHasDuration(0); }, true},
        {"isPinned", [](Task& t) { t.setIsPinned(1); }, true},
        {"taskRepeatStyle", [](Task& t) { t.setTaskRepeatStyle(1); }, true},
        {"status", [](Task& t) { t.setStatus(1); }, true},
        {"url", [](Task& t) { t.setUrl(QStringLiteral("http://example.com")); }, true},
        {"tagList", [](Task& t) { t.setTagList(QStringLiteral("/Work")); }, true},
        {"notes", [](Task& t) { t.setNotes(QStringLiteral("Note")); }, true},
        {"assigneeEmail", [](Task& t) { t.setAssigneeEmail(QStringLiteral("a@b.cd")); }, true},
        {"delegateDate", [&](Task& t) { t.setDelegateDate(later); }, true},
        {"dateUpdate", [&](Task& t) { t.setDateUpdate(later); }, false},
        {"repeatStartDate", [&](Task& t) { t.setRepeatStartDate(later); }, false},
        {"parentId", [](Task& t) { t.setParentId(12); }, false},
        {"isInitialTask", [](Task& t) { t.setIsInitialTask(1); }, false},
        {"iCalUID", [](Task& t) { t.setICalUID(QStringLiteral("UID")); }, false},
        {"occurrence", [&](Task& t) { t.setOccurrence(later); }, false},
        {"builtIn", [](Task& t) { t.setBuiltIn(1); }, false},
        {"isHidden", [](Task& t) { t.setIsHidden(1); }, false},
        {"zvwID", [](Task& t) { t.setZvwID(5); }, false},
        {"lastUpdate", [](Task& t) { t.setLastUpdate(5); }, false},
        {"hasChanges", [](Task& t) { t.setHasChanges(2); }, false},
        {"isShared", [](Task& t) { t.setIsShared(true); }, false},
        {"isSheduledTask", [](Task& t) { t.setIsSheduledTask(true); }, false},
        {"tz", [](Task& t) { t.setTz(3); }, false},
        {"delegateStatus", [](Task& t) { t.setDelegateStatus(2); }, false},
        {"primaryKey", [](Task& t) { t.setPrimaryKey(t.primaryKey()); }, false},
    };
    const TaskPtr stored = storedItem(QStringLiteral("Item"));
    for (const Case& c : cases) {
        const TaskPtr item = stored->copy();
        item->setHasChanges(0);
        ASSERT_TRUE(item->dehydrate());
        ASSERT_FALSE(item->dirty());
        c.change(*item);
        EXPECT_TRUE(item->dirty()) << c.field;
        EXPECT_EQ(item->hasChanges(), c.field == std::string("hasChanges") ? 2 : (c.webKept ? 1 : 0)) << c.field;
    }
}

// The load reads hasDuration..alertValues in another order than the write
// stores them: every column gets a value of its own, so a swap shows.
TEST_F(TaskTest, EveryColumnIsWrittenToItsOwnColumnAndLoadsBack)
{
    const Date start = localDate(2014, 3, 3, 8, 20);
    const Date end = localDate(2014, 3, 3, 9, 40);
    const Date due = localDate(2014, 3, 4, 17, 45);
    const Date completed = localDate(2014, 3, 5, 7, 0);
    const Date seriesEnd = localDate(2014, 6, 30, 12, 0);
    const Date occurrence = localDate(2014, 3, 10, 8, 20);
    const Date delegated = localDate(2014, 3, 11, 12, 0);

    const auto fill = [&](Task& t) {
        t.setTaskType(3);
        t.setIsADE(4);
        t.setTaskName(QStringLiteral("Name"));
        t.setTaskLocation(QStringLiteral("Location"));
        t.setStartTime(start);
        t.setEndTime(end);
        t.setDueEnd(due);
        t.setCompletedDate(completed);
        t.setHasDue(5);
        t.setTaskOrder(6);
        t.setRepeatType(7);
        t.setRepeatStartDate(localDate(2014, 2, 1, 23, 59, 59));
        t.setRepeatEndDate(seriesEnd.dateByAddingTimeInterval(0.75));
        t.setRepeatOptions(QStringLiteral("2/2|4/1"));
        t.setRepeatExceptions(QStringLiteral("|1393838400(2)"));
        t.setIsRepeatForever(8);
        t.setHasDuration(9);
        t.setDuration(10);
        t.setCalendarId(11);
        t.setParentId(12);
        t.setIsInitialTask(13);
        t.setIsPinned(14);
        t.setAlertValues(QStringLiteral("/1|-900|Glass"));
        t.setICalUID(QStringLiteral("UID-1"));
        t.setBuiltIn(15);
        t.setIsHidden(16);
        t.setTaskRepeatStyle(17);
        t.setZvwID(5000000018);
        t.setLastUpdate(19);
        t.setStatus(20);
        t.setUrl(QStringLiteral("http://example.com/a b"));
        t.setOccurrence(occurrence);
        t.setTagList(QStringLiteral("/Work/Home"));
        t.setNotes(QStringLiteral("Notes"));
        t.setIsShared(true);
        t.setTz(22);
        t.setIsSheduledTask(false);
        t.setAssigneeEmail(QStringLiteral("ann@example.com"));
        t.setDelegateStatus(23);
        t.setDelegateDate(delegated);
        t.setHasChanges(21);
    };
    auto item = std::make_shared<Task>();
    ASSERT_TRUE(item->insertIntoDatabase());
    fill(*item);
    ASSERT_TRUE(item->dehydrate());
    // The same content inserted whole, as an import inserts: every column
    // but the order it takes lands where the write of the row puts it.
    auto whole = std::make_shared<Task>();
    fill(*whole);
    ASSERT_TRUE(whole->insertAndDehydrate());
    EXPECT_FALSE(whole->dirty());

    const auto seconds = [](const Date& date) { return QVariant(storedSeconds(date)); };
    const auto number = [](qint64 value) { return QVariant(value); };
    const auto text = [](const char* value) { return QVariant(QString::fromUtf8(value)); };
    struct Column {
        const char* name;
        QVariant expected;
        std::function<QVariant(const Task&)> loaded;
    };
    const QList<Column> columns = {
        {"taskType", number(3), [](const Task& t) { return QVariant(t.taskType()); }},
        {"isADE", number(4), [](const Task& t) { return QVariant(t.isADE()); }},
        {"taskName", text("Name"), [](const Task& t) { return QVariant(t.taskName()); }},
        {"taskLocation", text("Location"), [](const Task& t) { return QVariant(t.taskLocation()); }},
        {"startTime", seconds(start), [&](const Task& t) { return seconds(t.startTime()); }},
        {"endTime", seconds(end), [&](const Task& t) { return seconds(t.endTime()); }},
        {"dueEnd", seconds(due), [&](const Task& t) { return seconds(t.dueEnd()); }},
        {"dateUpdate", seconds(now()), [&](const Task& t) { return seconds(t.dateUpdate()); }},
        {"completedDate", seconds(completed), [&](const Task& t) { return seconds(t.completedDate()); }},
        {"hasDue", number(5), [](const Task& t) { return QVariant(t.hasDue()); }},
        {"taskOrder", number(6), [](const Task& t) { return QVariant(t.taskOrder()); }},
        {"repeatType", number(7), [](const Task& t) { return QVariant(t.repeatType()); }},
        {"repeatStartDate", seconds(localDate(2014, 2, 1, 8, 20)),
         [&](const Task& t) { return seconds(t.repeatStartDate()); }},
        {"repeatEndDate", seconds(seriesEnd), [&](const Task& t) { return seconds(t.repeatEndDate()); }},
        {"repeatOptions", text("2/2|4/1"), [](const Task& t) { return QVariant(t.repeatOptions()); }},
        {"repeatExceptions", text("|1393838400(2)"), [](const Task& t) { return QVariant(t.repeatExceptions()); }},
        {"isRepeatForever", number(8), [](const Task& t) { return QVariant(t.isRepeatForever()); }},
        {"hasDuration", number(9), [](const Task& t) { return QVariant(t.hasDuration()); }},
        {"duration", number(10), [](const Task& t) { return QVariant(t.duration()); }},
        {"calendarId", number(11), [](const Task& t) { return QVariant(t.calendarId()); }},
        {"parentId", number(12), [](const Task& t) { return QVariant(t.parentId()); }},
        {"isInitialTask", number(13), [](const Task& t) { return QVariant(t.isInitialTask()); }},
        {"isPinned", number(14), [](const Task& t) { return QVariant(t.isPinned()); }},
        {"alertValues", text("/1|-900|Glass"), [](const Task& t) { return QVariant(t.alertValues()); }},
        {"iCalIdentifier", text("UID-1"), [](const Task& t) { return QVariant(t.iCalUID()); }},
        {"builtIn", number(15), [](const Task& t) { return QVariant(t.builtIn()); }},
        {"isHidden", number(16), [](const Task& t) { return QVariant(t.isHidden()); }},
        {"taskRepeatStyle", number(17), [](const Task& t) { return QVariant(t.taskRepeatStyle()); }},
        {"zvwID", number(5000000018), [](const Task& t) { return QVariant(t.zvwID()); }},
        {"lastUpdate", number(19), [](const Task& t) { return QVariant(t.lastUpdate()); }},
        {"status", number(20), [](const Task& t) { return QVariant(t.status()); }},
        {"url", text("http://example.com/a b"), [](const Task& t) { return QVariant(t.url()); }},
        {"occurrence", seconds(occurrence), [&](const Task& t) { return seconds(t.occurrence()); }},
        {"tagList", text("/Work/Home"), [](const Task& t) { return QVariant(t.tagList()); }},
        {"notes", text("Notes"), [](const Task& t) { return QVariant(t.notes()); }},
        {"isShared", number(1), [](const Task& t) { return QVariant(qint64(t.isShared())); }},
        {"tz", number(22), [](const Task& t) { return QVariant(t.tz()); }},
        {"stask", number(0), [](const Task& t) { return QVariant(qint64(t.isSheduledTask())); }},
        {"assigneeEmail", text("ann@example.com"), [](const Task& t) { return QVariant(t.assigneeEmail()); }},
        {"delegateStatus", number(23), [](const Task& t) { return QVariant(t.delegateStatus()); }},
        {"delegateDate", seconds(delegated), [&](const Task& t) { return seconds(t.delegateDate()); }},
    };
    for (const Column& column : columns)
        EXPECT_EQ(storedColumn(item->primaryKey(), QString::fromUtf8(column.name)), column.expected) << column.name;
    EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("hasChanges")).toLongLong(), 21);
    for (const Column& column : columns) {
        if (QByteArrayView(column.name) != "taskOrder") {
            EXPECT_EQ(storedColumn(whole->primaryKey(), QString::fromUtf8(column.name)), column.expected)
                << "inserted whole: " << column.name;
        }
    }
    EXPECT_EQ(storedColumn(whole->primaryKey(), QStringLiteral("taskOrder")).toLongLong(), 7) << "the highest, 6, plus one";
    EXPECT_EQ(storedColumn(whole->primaryKey(), QStringLiteral("hasChanges")).toLongLong(), 1)
        << "the order an insert gives is a change the web sync sends";

    // A later use prepares the statements again.
    Task::finalizeStatements();
    const TaskPtr loaded = Task::initWithPrimaryKey(item->primaryKey());
    for (const Column& column : columns) EXPECT_EQ(column.loaded(*loaded), column.expected) << column.name;
    EXPECT_EQ(loaded->hasChanges(), 1) << "the columns after hasChanges mark a loaded item changed";
    EXPECT_FALSE(loaded->dirty());
}

TEST_F(TaskTest, NullTextsLoadAsEmptyTextsAndAreWrittenBackEmpty)
{
    exec(QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, hasChanges) VALUES (50, 1, 0)"));
    const TaskPtr item = Task::initWithPrimaryKey(50);
    const QList<std::pair<const char*, QString>> texts = {
        {"taskName", item->taskName()},         {"taskLocation", item->taskLocation()},
        {"repeatOptions", item->repeatOptions()}, {"repeatExceptions", item->repeatExceptions()},
        {"alertValues", item->alertValues()},   {"iCalUID", item->iCalUID()},
        {"url", item->url()},                   {"tagList", item->tagList()},
        {"notes", item->notes()},               {"assigneeEmail", item->assigneeEmail()},
    };
    for (const auto& [name, value] : texts) {
        EXPECT_TRUE(value.isEmpty()) << name;
        EXPECT_FALSE(value.isNull()) << name;
    }
    EXPECT_EQ(item->hasChanges(), 1);
    EXPECT_FALSE(item->dirty());

    item->setTaskName(QStringLiteral("Named"));
    ASSERT_TRUE(item->dehydrate());
    EXPECT_EQ(storedColumn(50, QStringLiteral("notes")), QVariant(QStringLiteral("")));
    EXPECT_EQ(storedColumn(50, QStringLiteral("assigneeEmail")), QVariant(QStringLiteral("")));
}

TEST_F(TaskTest, MissingRowGivesTheKeyAndEmptyFields)
{
    const TaskPtr item = Task::initWithPrimaryKey(999);
    EXPECT_EQ(item->primaryKey(), 999);
    EXPECT_TRUE(item->taskName().isEmpty());
    EXPECT_TRUE(item->startTime().isNull());
    EXPECT_EQ(item->taskType(), 0);
    EXPECT_EQ(item->hasChanges(), 0);
    EXPECT_FALSE(item->dirty());
}

TEST_F(TaskTest, WriteStampsTheItemAndTheSettingsWithNow)
{
    const TaskPtr item = storedItem(QStringLiteral("Item"));
    Clock::advance(3600.25);
    item->setTaskName(QStringLiteral("Changed"));
    ASSERT_TRUE(item->dehydrate());
    EXPECT_FALSE(item->dirty());
    EXPECT_EQ(item->dateUpdate(), now().dateByAddingTimeInterval(3600.25));
    EXPECT_EQ(setting().lastUpdateWork(), qint64(now().timeIntervalSince1970()) + 3600);
    EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("taskName")), QVariant(QStringLiteral("Changed")));
}

// The link to a store copy is written alone only where nothing else waits
// to be written: an unsaved change of the item goes to its row as well.
TEST_F(TaskTest, AStoreLinkWritesItsColumnsAndAnyUnsavedChange)
{
    struct Case {
        const char* name;
        const char* unsavedName;  // set before the link, not written; null for none
        const char* storedName;
    };
    const Case cases[] = {
        {"clean item", nullptr, "Item"},
        {"item renamed, not written", "Renamed", "Renamed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TaskPtr listed = storedItem(QStringLiteral("Item"));
        dataManager().doWithAllTasksEventsAdes(TaskList{listed}, 0);
        const TaskPtr item = Task::initWithPrimaryKey(listed->primaryKey());
        if (c.unsavedName) item->setTaskName(QString::fromLatin1(c.unsavedName));
        Clock::advance(60);
        const Date occurrence = localDate(2014, 2, 3, 9);
        ASSERT_TRUE(item->storeICalLink(QStringLiteral("UID-1"), occurrence));
        EXPECT_FALSE(item->dirty());
        EXPECT_EQ(item->dateUpdate(), Clock::now());
        const TaskPtr stored = Task::initWithPrimaryKey(item->primaryKey());
        EXPECT_EQ(stored->iCalUID(), QStringLiteral("UID-1"));
        EXPECT_EQ(stored->occurrence(), occurrence);
        EXPECT_EQ(stored->taskName(), QString::fromLatin1(c.storedName));
        EXPECT_EQ(stored->dateUpdate(), Clock::now());
        EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("hasChanges")), QVariant(qint64(item->hasChanges())));
        EXPECT_EQ(listed->iCalUID(), QStringLiteral("UID-1")) << "the list's object takes the link";
        dataManager().doWithAllTasksEventsAdes(TaskList{listed}, ListAction::Remove);
    }
}

TEST_F(TaskTest, ItemsWithoutARowOfTheirOwnAreNeverWritten)
{
    // A row that happens to carry the key of a generated occurrence must not
    // receive the occurrence's changes.
    exec(QStringLiteral("INSERT INTO Tasks (primaryKey, taskName) VALUES (-5, 'Untouched')"));
    for (qint64 key : {qint64(-5), qint64(-1)}) {
        setting().setLastUpdateWork(0);
        auto item = std::make_shared<Task>();
        item->setPrimaryKey(key);
        item->setTaskName(QStringLiteral("Occurrence"));
        EXPECT_TRUE(item->dehydrate());
        EXPECT_TRUE(item->dirty()) << key;
        EXPECT_EQ(setting().lastUpdateWork(), 0) << key;
    }
    EXPECT_EQ(storedColumn(-5, QStringLiteral("taskName")), QVariant(QStringLiteral("Untouched")));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), 1);
}

TEST_F(TaskTest, WritingWithUpdateRefreshesTheListObjectOfTheSameKey)
{
    const TaskPtr listed = storedItem(QStringLiteral("Listed"));
    dataManager().doWithAllTasksEventsAdes(TaskList{listed}, 0);

    const TaskPtr editorCopy = Task::initWithPrimaryKey(listed->primaryKey());
    editorCopy->setTaskName(QStringLiteral("Edited"));
    ASSERT_TRUE(editorCopy->dehydrateUpdateOption(false));
    EXPECT_EQ(listed->taskName(), QStringLiteral("Listed")) << "option NO copies nothing";

    editorCopy->setTaskLocation(QStringLiteral("Room 4"));
    ASSERT_TRUE(editorCopy->dehydrate());
    EXPECT_EQ(listed->taskName(), QStringLiteral("Edited"));
    EXPECT_EQ(listed->taskLocation(), QStringLiteral("Room 4"));
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{listed});
}

TEST_F(TaskTest, SeriesStartTakesTheTimeOfDayOfTheDueTimeOrTheStart)
{
    struct Case {
        qint64 type;
        Date expected;
    };
    const Date dueTime = localDate(2014, 2, 20, 17, 30);
    const Date start = localDate(2014, 2, 21, 9, 15);
    for (const Case& c : {Case{1, localDate(2014, 3, 3, 17, 30)}, Case{0, localDate(2014, 3, 3, 9, 15)},
                          Case{3, localDate(2014, 3, 3, 9, 15)}}) {
        const TaskPtr item = storedItem(QStringLiteral("Series"), c.type);
        item->setDueEnd(dueTime);
        item->setStartTime(start);
        item->setRepeatStartDate(localDate(2014, 3, 3, 8, 0));
        EXPECT_EQ(item->repeatStartDate(), c.expected) << "type " << c.type;
    }
}

TEST_F(TaskTest, NewStartKeepsTheSeriesStartUnlessItLiesIn1970)
{
    const TaskPtr item = storedItem(QStringLiteral("Event"), 0);
    const TaskPtr loaded = Task::initWithPrimaryKey(item->primaryKey());
    const Date seriesStart = loaded->repeatStartDate();
    loaded->setStartTime(localDate(2014, 5, 6, 7, 8));
    EXPECT_EQ(loaded->repeatStartDate(), seriesStart);

    const Date in1970 = localDate(1970, 1, 2, 11, 0);
    loaded->setStartTime(in1970);
    EXPECT_EQ(loaded->repeatStartDate(), in1970);
}

TEST_F(TaskTest, SeriesEndIsKeptInWholeSeconds)
{
    Task item;
    item.setRepeatEndDate(localDate(2014, 6, 30, 12, 0, 5).dateByAddingTimeInterval(0.999));
    EXPECT_EQ(item.repeatEndDate(), localDate(2014, 6, 30, 12, 0, 5));
}

TEST_F(TaskTest, TitlesLoseLineBreaksAndLinksTheirEscapedBlanks)
{
    struct Case {
        QString given;
        QString title;
        QString url;
    };
    const QList<Case> cases = {
        {QStringLiteral("\n\r\nShopping list\n"), QStringLiteral("Shopping list"), QStringLiteral("Shopping list")},
        {QStringLiteral("  padded  "), QStringLiteral("  padded  "), QStringLiteral("padded")},
        {QStringLiteral(" http://x.org/a%20b%20c\n"), QStringLiteral(" http://x.org/a%20b%20c"),
         QStringLiteral("http://x.org/a b c")},
    };
    for (const Case& c : cases) {
        Task item;
        item.setTaskName(c.given);
        item.setUrl(c.given);
        EXPECT_EQ(item.taskName(), c.title) << c.given.toStdString();
        EXPECT_EQ(item.url(), c.url) << c.given.toStdString();
    }
}

TEST_F(TaskTest, NoRepeatExceptionsIsTheEmptyText)
{
    Task item;
    item.setRepeatExceptions(QStringLiteral("|1(2)"));
    item.setRepeatExceptions(QString());
    EXPECT_EQ(item.repeatExceptions(), QStringLiteral(""));
    EXPECT_FALSE(item.repeatExceptions().isNull());
}

TEST_F(TaskTest, ChecklistCategoryTurnsAnItemIntoAChecklistItem)
{
    const CalendarPtr checklist = addCategory(1);
    Task item;
    item.setCalendarId(checklist->primaryKey());
    EXPECT_EQ(item.taskType(), 2);
    EXPECT_EQ(item.duration(), eventMinutes) << "a new item takes the default of a non-task";

    exec(QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, calendarId) VALUES (60, 1, %1)")
             .arg(checklist->primaryKey()));
    EXPECT_EQ(Task::initWithPrimaryKey(60)->taskType(), 2);
}

TEST_F(TaskTest, TypeOfANewItemResetsItsDurationAndEnd)
{
    Task item;
    item.setTaskType(0);
    EXPECT_EQ(item.duration(), eventMinutes);
    EXPECT_EQ(item.endTime(), localDate(2014, 1, 15, 11, 15));
    item.setTaskType(1);
    EXPECT_EQ(item.duration(), taskMinutes);

    const TaskPtr stored = storedItem(QStringLiteral("Stored"));
    stored->setDuration(5);
    stored->setTaskType(0);
    EXPECT_EQ(stored->duration(), 5) << "a stored item keeps its duration";
}

TEST_F(TaskTest, InsertAndWriteListsTheItemOnlyWhereTheViewsShowIt)
{
    struct Case {
        const char* what;
        qint64 categoryHidden;
        QString categoryTags;
        QString itemTags;
        bool tagFilter;
        QStringList shownTags;
        bool activeTasksOnly;
        int startsInDays;
        bool listed;
    };
    const QList<Case> cases = {
        {"plain item", 0, "", "", false, {}, false, 0, true},
        {"hidden category", 1, "", "", false, {}, false, 0, false},
        {"filter shows its tag", 0, "", "/Work", true, {"Work"}, false, 0, true},
        {"filter shows its category's tag", 0, "/Home", "/Other", true, {"Home"}, false, 0, true},
        {"filter shows other tags", 0, "/Home", "/Work", true, {"Gym"}, false, 0, false},
        {"filter shows untagged only, item tagged", 0, "", "/Work", true, {}, false, 0, false},
        {"filter shows untagged only, category tagged", 0, "/Home", "", true, {}, false, 0, false},
        {"filter shows untagged only, nothing tagged", 0, "", "", true, {}, false, 0, true},
        {"future task, active tasks only", 0, "", "", false, {}, true, 1, false},
        {"task today, active tasks only", 0, "", "", false, {}, true, 0, true},
    };
    for (const Case& c : cases) {
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
        const CalendarPtr category = addCategory(0, c.categoryHidden, c.categoryTags);
        TagList tags;
        for (const QString& name : {QStringLiteral("Work"), QStringLiteral("Home"), QStringLiteral("Gym")}) {
            auto tag = std::make_shared<Tag>();
            tag->setTagName(name);
            tag->setIsHidden(!c.shownTags.contains(name));
            tags.append(tag);
        }
        dataManager().setTagList(tags);
        dataManager().setIsAppliedTagFilter(c.tagFilter);
        setting().setShowActiveTaskOnly(c.activeTasksOnly ? 1 : 0);

        auto item = std::make_shared<Task>();
        item->setCalendarId(category->primaryKey());
        item->setTagList(c.itemTags);
        item->setStartTime(localDate(2014, 1, 15 + c.startsInDays, 8, 0));
        ASSERT_TRUE(item->insertAndDehydrate()) << c.what;
        EXPECT_FALSE(item->dirty()) << c.what;
        EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("tagList")), QVariant(c.itemTags)) << c.what;
        EXPECT_EQ(dataManager().allTasksEventsAdes().contains(item), c.listed) << c.what;
    }
}

TEST_F(TaskTest, DeleteMarksLinksRemovedClearsTheCopiedItemAndDropsTheListObject)
{
    struct Case {
        const char* copied;
        bool cleared;
    };
    for (const Case& c : {Case{"the item", true}, Case{"an occurrence of it", true}, Case{"another item", false}}) {
        const TaskPtr item = storedItem(QStringLiteral("Doomed"));
        const TaskPtr other = storedItem(QStringLiteral("Other"));
        const qint64 key = item->primaryKey();
        exec(QStringLiteral("DELETE FROM Links"));
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId, status) VALUES (%1, 900, 0), (901, %1, 0), "
                            "(902, 903, 0)")
                 .arg(key));
        const TaskPtr listed = Task::initWithPrimaryKey(key);
        dataManager().doWithAllTasksEventsAdes(TaskList{other, listed}, 0);

        TaskPtr copied = item;
        if (c.copied == std::string("an occurrence of it")) {
            copied = item->copy();
            copied->setPrimaryKey(-3);
            copied->setRepeatType(1);
            copied->setParentId(key);
        } else if (c.copied == std::string("another item")) {
            copied = other;
        }
        dataManager().setCopiedItem(copied);
        Clock::advance(60);

        ASSERT_TRUE(item->deleteFromDatabase()) << c.copied;
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(key)), 0);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Links WHERE status=1")), 2) << c.copied;
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Links WHERE status=1 AND updatedDate=%1")
                               .arg(qint64(storedSeconds(Clock::now())))),
                  2);
        EXPECT_EQ(dataManager().copiedItem() == nullptr, c.cleared) << c.copied;
        EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{other}) << c.copied;
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    }
}

TEST_F(TaskTest, DeleteWithoutUpdateLeavesTheWorkingListAlone)
{
    const TaskPtr item = storedItem(QStringLiteral("Doomed"));
    exec(QStringLiteral("INSERT INTO Links (rootId, targetId, status) VALUES (%1, 900, 0)").arg(item->primaryKey()));
    dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
    dataManager().setCopiedItem(item);

    ASSERT_TRUE(item->deleteFromDatabaseNoUpdate());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT status FROM Links WHERE targetId=900")), 1);
    EXPECT_EQ(dataManager().copiedItem(), nullptr);
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{item});
}

// A busy or full disk is a run-time condition: the item keeps its changes,
// nothing after the failed statement happens, and other threads get in.
TEST_F(TaskTest, FailedStatementsAreLoggedReportedAndKeepTheChanges)
{
    const TaskPtr item = storedItem(QStringLiteral("Before"));
    exec(QStringLiteral("INSERT INTO Links (rootId, targetId, status) VALUES (%1, 900, 0)").arg(item->primaryKey()));
    dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
    dataManager().setCopiedItem(item);
    item->setTaskName(QStringLiteral("After"));
    setting().setLastUpdateWork(0);
    LogCapture log;
    {
        WriteLockHolder otherProcess(databasePath());
        auto fresh = std::make_shared<Task>();
        EXPECT_FALSE(fresh->insertAndDehydrate());
        EXPECT_EQ(fresh->primaryKey(), -1);
        EXPECT_FALSE(item->dehydrate());
        EXPECT_TRUE(item->dirty());
        EXPECT_EQ(setting().lastUpdateWork(), 0);
        EXPECT_FALSE(item->deleteFromDatabase());
        EXPECT_FALSE(item->deleteFromDatabaseNoUpdate());
        EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{item}) << "a failed delete leaves the list alone";
        EXPECT_EQ(dataManager().copiedItem(), item);
        EXPECT_TRUE(finishesOnAnotherThread([] { Task::initWithPrimaryKey(1); }, std::chrono::seconds(5)))
            << "the record lock was left held";
    }
    // The commands of several rows fail as their unit takes the write lock.
    EXPECT_EQ(log.messages(),
              QStringList({QStringLiteral("Error: failed to begin a transaction with message 'database is locked'."),
                           QStringLiteral("Error: failed to dehydrate with message 'database is locked'."),
                           QStringLiteral("Error: failed to begin a transaction with message 'database is locked'."),
                           QStringLiteral("Error: failed to begin a transaction with message 'database is locked'.")}));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT status FROM Links WHERE targetId=900")), 0);

    ASSERT_TRUE(item->dehydrate());
    EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("taskName")), QVariant(QStringLiteral("After")));
}

TEST_F(TaskTest, NoteSummaryIsTheLineThatSaysMoreThanTheTitle)
{
    struct Case {
        QString title;
        QString notes;
        QString summary;
    };
    const QString done = QString(QChar(0x2705));
    const QString crossed = QString(QChar(0x274E));
    const QList<Case> cases = {
        {"Shopping", "", ""},
        {"Shopping", "Shopping\nmilk", "milk"},
        {"Shopping", "Shopping", ""},
        {"Shopping", "eggs\nmilk", "eggs"},
        {"Shopping", "\r" % done % "eggs\r\nmilk", "eggs"},
        {"Shopping", "Shopping\n " % crossed % "milk ", " milk "},
        {"Shopping", "Shopping\r\nmilk", "milk"},
    };
    for (const Case& c : cases) {
        Task item;
        item.setTaskName(c.title);
        item.setNotes(c.notes);
        EXPECT_EQ(item.noteSummary(), c.summary) << c.notes.toStdString();
    }
}

TEST_F(TaskTest, SortOrderBySharingRanksAcceptedSharedItemsFirst)
{
    struct Case {
        bool shared;
        qint64 delegateStatus;
        qint64 order;
    };
    for (const Case& c : {Case{true, 1, 1}, Case{true, 0, 3}, Case{false, 0, 0}, Case{false, 1, 2},
                          Case{true, 2, 999}, Case{false, 2, 999}}) {
        Task item;
        item.setIsShared(c.shared);
        item.setDelegateStatus(c.delegateStatus);
        EXPECT_EQ(item.sortOrderBySharing(), c.order) << c.shared << " " << c.delegateStatus;
    }
}

TEST_F(TaskTest, HasSharedReadsTheStoredCategory)
{
    const CalendarPtr shared = addCategory();
    shared->setHasShared(true);
    ASSERT_TRUE(shared->dehydrate());
    Task item;
    item.setCalendarId(shared->primaryKey());
    EXPECT_TRUE(item.hasShared());
    item.setCalendarId(1);
    EXPECT_FALSE(item.hasShared());
}

}  // namespace
