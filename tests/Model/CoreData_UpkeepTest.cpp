#include "Link.h"
#include "LogCapture.h"
#include "PostedNotifications.h"
#include "Tag.h"
#include "TaskTestFixture.h"
#include "RecordingICalSync.h"

#include <QSet>

namespace CoreData_UpkeepTests {

namespace {

constexpr qint64 eventType = 0;
constexpr qint64 taskType = 1;
constexpr qint64 checklistItemType = 2;
constexpr qint64 noteType = 3;

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris.
class CoreDataUpkeepTest : public TaskTest {
protected:
    TaskPtr itemIn(const CalendarPtr& category, const QString& name, qint64 type, const Date& start = now(),
                   const QString& tags = QStringLiteral(""))
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setCalendarId(category->primaryKey());
        item->setStartTime(start);
        item->setTagList(tags);
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    CalendarPtr named(const CalendarPtr& category, const QString& name)
    {
        category->setCalendarName(name);
        EXPECT_TRUE(category->dehydrate());
        return category;
    }

    CalendarPtr defaultCategory() { return dataManager().calendarWithPrimaryKey(1); }

    QStringList workingListNames()
    {
        QStringList names;
        for (const TaskPtr& item : dataManager().allTasksEventsAdes()) names.append(item->taskName());
        names.sort();
        return names;
    }

    qint64 rowCount(const QString& sql) { return queryInt(QStringLiteral("SELECT count(*) FROM ") + sql); }
};

}  // namespace

// ---- active tasks only ----------------------------------------------------------

TEST_F(CoreDataUpkeepTest, TasksStartingAfterTodayLeaveTheWorkingList)
{
    const auto task = [](const QString& name, qint64 type, const Date& start) {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(type);
        item->setStartTime(start);
        return item;
    };
    dataManager().doWithAllTasksEventsAdes(
        TaskList{task(QStringLiteral("later today"), taskType, localDate(2014, 1, 15, 23, 59)),
                 task(QStringLiteral("tomorrow at midnight"), taskType, localDate(2014, 1, 16, 0, 0)),
                 task(QStringLiteral("yesterday"), taskType, localDate(2014, 1, 14, 9, 0)),
                 task(QStringLiteral("event tomorrow"), eventType, localDate(2014, 1, 16, 9, 0)),
                 task(QStringLiteral("note tomorrow"), noteType, localDate(2014, 1, 16, 9, 0))},
        0);

    PostedNotifications posts({kAllTasksEventsAdesChanged});
    dataManager().removeInActiveTask();
    EXPECT_EQ(workingListNames(), (QStringList{"event tomorrow", "later today", "note tomorrow", "yesterday"}));
    dataManager().removeInActiveTask();
    EXPECT_EQ(posts.names().size(), 2) << "the views hear of it even when nothing was dropped";
}

TEST_F(CoreDataUpkeepTest, AllTasksOfTheShownCategoriesComeBackFreshFromTheDatabase)
{
    const CalendarPtr shown = named(addCategory(), QStringLiteral("Shown"));
    const CalendarPtr hidden = named(addCategory(0, 1), QStringLiteral("Hidden"));
    const TaskPtr future = itemIn(shown, QStringLiteral("future task"), taskType, localDate(2014, 2, 1, 9, 0));
    const TaskPtr done = itemIn(shown, QStringLiteral("done task"), taskType);
    done->setStatus(1);
    ASSERT_TRUE(done->dehydrate());
    itemIn(defaultCategory(), QStringLiteral("default task"), taskType);
    itemIn(hidden, QStringLiteral("hidden task"), taskType);
    const TaskPtr note = itemIn(shown, QStringLiteral("note"), noteType);
    const TaskPtr event = itemIn(shown, QStringLiteral("event"), eventType);
    dataManager().doWithAllTasksEventsAdes(TaskList{note, event, done}, 0);

    dataManager().addActiveTask();
    EXPECT_EQ(workingListNames(), (QStringList{"default task", "done task", "event", "future task", "note"}));
    EXPECT_FALSE(dataManager().allTasksEventsAdes().contains(done)) << "the old object was replaced";
}

TEST_F(CoreDataUpkeepTest, LoadingTasksOfCategoriesSkipsExceptedOccurrencesAndPostsNothing)
{
    const CalendarPtr category = addCategory();
    const TaskPtr plain = itemIn(category, QStringLiteral("plain"), taskType);
    const TaskPtr excepted = itemIn(category, QStringLiteral("excepted occurrence"), taskType);
    excepted->setRepeatType(1);
    excepted->setOccurrence(localDate(2014, 1, 14, 9, 0));
    excepted->addRepeatException(localDate(2014, 1, 14, 9, 0), Task::RepeatException::Changed);
    ASSERT_TRUE(excepted->dehydrate());
    const TaskPtr other = itemIn(category, QStringLiteral("other occurrence"), taskType);
    other->setRepeatType(1);
    other->setOccurrence(localDate(2014, 1, 15, 9, 0));
    other->addRepeatException(localDate(2014, 1, 14, 9, 0), Task::RepeatException::Deleted);
    ASSERT_TRUE(other->dehydrate());
    itemIn(category, QStringLiteral("note"), noteType);

    PostedNotifications posts({kAllTasksEventsAdesChanged});
    dataManager().addActiveTasksToListFromCalendarList({category->primaryKey()});
    EXPECT_EQ(workingListNames(), (QStringList{"other occurrence", "plain"}));
    EXPECT_TRUE(posts.names().isEmpty());
}

TEST_F(CoreDataUpkeepTest, TheTagFilterDecidesWhichTasksAreLoaded)
{
    const CalendarPtr untagged = addCategory();
    const CalendarPtr tagged = addCategory(0, 0, QStringLiteral("/Work"));
    itemIn(untagged, QStringLiteral("plain"), taskType);
    itemIn(untagged, QStringLiteral("homework"), taskType, now(), QStringLiteral("/Homework"));
    itemIn(untagged, QStringLiteral("private"), taskType, now(), QStringLiteral("/Private"));
    itemIn(tagged, QStringLiteral("in work category"), taskType);
    dataManager().insertTagIfNA(QStringLiteral("work"), 0);
    dataManager().insertTagIfNA(QStringLiteral("Private"), 0);
    const QList<qint64> keys{untagged->primaryKey(), tagged->primaryKey()};

    struct Case {
        bool filterOn;
        QStringList shown;
        QStringList loaded;
    };
    const QList<Case> cases{
        {false, {}, {"homework", "in work category", "plain", "private"}},
        {true, {}, {"plain"}},
        {true, {"work"}, {"homework", "in work category"}},
        {true, {"work", "Private"}, {"homework", "in work category", "private"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.join(',').toStdString() + (c.filterOn ? " filter on" : " filter off"));
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
        dataManager().setIsAppliedTagFilter(c.filterOn);
        for (const TagPtr& tag : dataManager().tagList()) tag->setIsHidden(!c.shown.contains(tag->tagName()));
        dataManager().addActiveTasksToListFromCalendarList(keys);
        EXPECT_EQ(workingListNames(), c.loaded);
    }
}

// ---- checklist migration --------------------------------------------------------

TEST_F(CoreDataUpkeepTest, AChecklistCategoryBecomesAnOrdinaryCategoryWithOneNote)
{
    auto store = std::make_unique<RecordingICalSync>();
    const RecordingICalSync& calendarStore = *store;
    dataManager().setICalSync(std::move(store));
    setting().setAutoICalSync(1);
    setting().setAutoZVWSync(1);
    const CalendarPtr shopping = named(addCategory(1), QStringLiteral("Shopping"));
    shopping->setZvwProjectId(77);
    ASSERT_TRUE(shopping->dehydrate());
    const TaskPtr milk = itemIn(shopping, QStringLiteral("Milk"), taskType);
    ASSERT_EQ(milk->taskType(), checklistItemType) << "a checklist category makes checklist items";
    milk->setStatus(1);
    ASSERT_TRUE(milk->dehydrate());
    const TaskPtr bread = itemIn(shopping, QStringLiteral("Bread"), taskType);
    const TaskPtr elsewhere = itemIn(defaultCategory(), QStringLiteral("task elsewhere"), taskType);

    PostedNotifications posts({kAutoSyncNotification});
    dataManager().migrateFromCheckListToNote();

    EXPECT_EQ(shopping->projectType(), 0);
    EXPECT_EQ(shopping->zvwProjectId(), 77) << "the web service's category stays this one";
    EXPECT_NE(shopping->hasChanges(), 0) << "it goes up as an ordinary category";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT projectType FROM Calendars WHERE primaryKey=%1").arg(shopping->primaryKey())),
              0);
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=2")), 0) << "the checklist items are gone";
    ASSERT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=3")), 1);
    const qint64 noteKey = queryInt(QStringLiteral("SELECT primaryKey FROM Tasks WHERE taskType=3"));
    const TaskPtr note = Task::initWithPrimaryKey(noteKey);
    EXPECT_EQ(note->taskName(), QStringLiteral("Shopping"));
    EXPECT_EQ(note->calendarId(), shopping->primaryKey());
    EXPECT_EQ(note->notes(), QStringLiteral("Shopping\n") + QChar(0x2705) + QStringLiteral(" Milk\n") + QChar(0x274E)
                                 + QStringLiteral(" Bread"));
    EXPECT_EQ(note->isInitialTask(), 1);
    EXPECT_EQ(note->builtIn(), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(elsewhere->primaryKey())), 1);

    ASSERT_EQ(calendarStore.calls().size(), 1);
    EXPECT_EQ(calendarStore.calls()[0].operation, QStringLiteral("updateCalendar"));
    EXPECT_EQ(calendarStore.calls()[0].calendar, shopping);
    EXPECT_TRUE(posts.autoSyncRequests().contains(33)) << "categories and settings";

    dataManager().migrateFromCheckListToNote();
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=3")), 1) << "done once";
}

TEST_F(CoreDataUpkeepTest, TheNoteTakesEachTagOfTheChecklistOnce)
{
    const CalendarPtr list = addCategory(1);
    itemIn(list, QStringLiteral("a"), taskType, now(), QStringLiteral("/Home/Food"));
    itemIn(list, QStringLiteral("b"), taskType, now(), QStringLiteral("/Food/ Weekly /"));
    itemIn(list, QStringLiteral("c"), taskType, now(), QStringLiteral(""));
    dataManager().migrateFromCheckListToNote();

    const QString tags =
        Task::initWithPrimaryKey(queryInt(QStringLiteral("SELECT primaryKey FROM Tasks WHERE taskType=3")))->tagList();
    QStringList names = tags.split(QLatin1Char('/'));
    EXPECT_TRUE(names.takeFirst().isEmpty()) << "each tag led by a slash: " << tags.toStdString();
    names.sort();
    EXPECT_EQ(names, (QStringList{"Food", "Home", "Weekly"}));
}

TEST_F(CoreDataUpkeepTest, AnEmptyChecklistBecomesANoteHoldingItsName)
{
    setting().setAutoZVWSync(0);
    named(addCategory(1), QStringLiteral("Packing"));
    PostedNotifications posts({kAutoSyncNotification});
    dataManager().migrateFromCheckListToNote();
    const TaskPtr note =
        Task::initWithPrimaryKey(queryInt(QStringLiteral("SELECT primaryKey FROM Tasks WHERE taskType=3")));
    EXPECT_EQ(note->notes(), QStringLiteral("Packing"));
    EXPECT_FALSE(posts.autoSyncRequests().contains(33)) << "no web push without automatic web sync";
}

TEST_F(CoreDataUpkeepTest, AChecklistThatCannotBeStoredAsANoteIsKeptWhole)
{
    const CalendarPtr list = named(addCategory(1), QStringLiteral("Groceries"));
    itemIn(list, QStringLiteral("Eggs"), taskType);
    // The new row is refused (a full disk, say) while deletes still work.
    exec(QStringLiteral("CREATE TRIGGER refuseNewItems BEFORE INSERT ON Tasks BEGIN SELECT RAISE(ABORT, 'full'); END"));
    {
        LogCapture log;
        dataManager().migrateFromCheckListToNote();
        EXPECT_TRUE(log.contains(QStringLiteral("full")));
    }
    exec(QStringLiteral("DROP TRIGGER refuseNewItems"));
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=2")), 1) << "the item is still there";
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=3")), 0);
    EXPECT_EQ(list->projectType(), 1);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT projectType FROM Calendars WHERE primaryKey=%1").arg(list->primaryKey())), 1);

    dataManager().migrateFromCheckListToNote();
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=2")), 0);
    ASSERT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=3")), 1);
    EXPECT_EQ(Task::initWithPrimaryKey(queryInt(QStringLiteral("SELECT primaryKey FROM Tasks WHERE taskType=3")))->notes(),
              QStringLiteral("Groceries\n") + QChar(0x274E) + QStringLiteral(" Eggs"));
}

// ---- link web keys ----------------------------------------------------------------

TEST_F(CoreDataUpkeepTest, ResettingLinkWebKeysCoversEveryLinkOfTheItemOrItsRoot)
{
    Clock::setFixed(localDate(2014, 1, 15, 10, 7, 30));
    const auto link = [this](qint64 root, qint64 target) {
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId, createdDate, updatedDate, zvwKey, status) "
                            "VALUES (%1, %2, 0, 0, 55, 0)")
                 .arg(root)
                 .arg(target));
        return sqlite3_last_insert_rowid(db());
    };
    const qint64 asRoot = link(10, 20);
    const qint64 asTarget = link(30, 10);
    const qint64 unrelated = link(20, 30);
    const auto webKey = [this](qint64 link) {
        return queryInt(QStringLiteral("SELECT zvwKey FROM Links WHERE primaryKey=%1").arg(link));
    };

    auto instance = std::make_shared<Task>();
    instance->setPrimaryKey(-7);
    instance->setParentId(10);
    EXPECT_TRUE(dataManager().resetZVWIdOfLinksForItem(instance));
    EXPECT_EQ(webKey(asRoot), 0);
    EXPECT_EQ(webKey(asTarget), 0);
    EXPECT_EQ(webKey(unrelated), 55);
    const LinkPtr changed = Link::initWithPrimaryKey(asTarget, db());
    EXPECT_EQ(changed->updatedDate(), Clock::now());

    auto stored = std::make_shared<Task>();
    stored->setPrimaryKey(30);
    EXPECT_TRUE(dataManager().resetZVWIdOfLinksForItem(stored));
    EXPECT_EQ(webKey(unrelated), 0);
}

TEST_F(CoreDataUpkeepTest, LinkWebKeysStayWhileTheDatabaseIsClosed)
{
    exec(QStringLiteral("INSERT INTO Links (rootId, targetId, zvwKey, status) VALUES (10, 20, 55, 0)"));
    auto item = std::make_shared<Task>();
    item->setPrimaryKey(10);
    databaseOpen = false;
    EXPECT_FALSE(dataManager().resetZVWIdOfLinksForItem(item));
    databaseOpen = true;
    EXPECT_EQ(queryInt(QStringLiteral("SELECT zvwKey FROM Links")), 55);
}

// ---- sign-out purge ------------------------------------------------------------

TEST_F(CoreDataUpkeepTest, SigningOutRemovesSharedDataAndNothingElse)
{
    const CalendarPtr sharedCategory = named(addCategory(), QStringLiteral("Shared with me"));
    sharedCategory->setExtraStatus(1);
    ASSERT_TRUE(sharedCategory->dehydrate());
    const CalendarPtr mine = named(addCategory(), QStringLiteral("Mine"));
    const CalendarPtr hidden = named(addCategory(0, 1), QStringLiteral("Hidden"));
    const TaskPtr sharedItem = itemIn(mine, QStringLiteral("shared item"), taskType);
    sharedItem->setIsShared(true);
    ASSERT_TRUE(sharedItem->dehydrate());
    itemIn(sharedCategory, QStringLiteral("unshared item of the shared category"), noteType);
    const TaskPtr myTask = itemIn(mine, QStringLiteral("my task"), taskType);
    itemIn(mine, QStringLiteral("my note"), noteType);
    itemIn(defaultCategory(), QStringLiteral("default event"), eventType);
    itemIn(hidden, QStringLiteral("hidden task"), taskType);
    exec(QStringLiteral("INSERT INTO Comments (content, status, itemId, cmtType) VALUES ('a', 0, %1, 0), "
                        "('b', 1, %2, 1)")
             .arg(sharedItem->primaryKey())
             .arg(mine->primaryKey()));
    exec(QStringLiteral("INSERT INTO Links (rootId, targetId, status) VALUES (%1, %2, 0)")
             .arg(sharedItem->primaryKey())
             .arg(myTask->primaryKey()));
    dataManager().doWithAllTasksEventsAdes(TaskList{sharedItem}, 0);
    const qint64 tasksBefore = rowCount(QStringLiteral("Tasks"));

    PostedNotifications posts({kAllTasksEventsAdesChanged, kCalendarListChanged});
    dataManager().removeAllSharedDataInLocal();

    EXPECT_EQ(rowCount(QStringLiteral("Comments")), 0);
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE isShared=1")), 0);
    EXPECT_EQ(rowCount(QStringLiteral("Tasks")), tasksBefore - 1) << "only the shared item goes";
    EXPECT_EQ(rowCount(QStringLiteral("Calendars WHERE extraStatus=1")), 0);
    EXPECT_EQ(rowCount(QStringLiteral("Links")), 1) << "links are left for the web sync";
    QSet<qint64> categories;
    for (const CalendarPtr& category : dataManager().calendarList()) categories.insert(category->primaryKey());
    EXPECT_EQ(categories, (QSet<qint64>{1, mine->primaryKey(), hidden->primaryKey()}));
    EXPECT_EQ(workingListNames(), (QStringList{"default event", "my note", "my task"}));
    EXPECT_TRUE(posts.names().contains(kCalendarListChanged));
}

TEST_F(CoreDataUpkeepTest, SigningOutWithTheDatabaseClosedDoesNothing)
{
    exec(QStringLiteral("INSERT INTO Comments (content, status, itemId, cmtType) VALUES ('a', 0, 1, 0)"));
    const TaskPtr listed = itemIn(defaultCategory(), QStringLiteral("listed"), taskType);
    dataManager().doWithAllTasksEventsAdes(TaskList{listed}, 0);
    databaseOpen = false;
    dataManager().removeAllSharedDataInLocal();
    databaseOpen = true;
    EXPECT_EQ(rowCount(QStringLiteral("Comments")), 1);
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{listed});
}

}  // namespace CoreData_UpkeepTests
