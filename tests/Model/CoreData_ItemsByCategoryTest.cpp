#include "ItemRowsFixture.h"
#include "LogCapture.h"
#include "PostedNotifications.h"
#include "RecordFailureInjection.h"

#include <functional>

namespace {

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris.
class CoreDataItemsByCategoryTest : public ItemRowsTest {
protected:
    // A stored occurrence whose own exception list names it: a leftover of
    // an edit that must never be shown.
    qint64 listedException(qint64 calendarId, qint64 type = 0)
    {
        const QVariant occurrence = at(2014, 1, 10, 9);
        return row({{"taskType", type},
                    {"calendarId", calendarId},
                    {"parentId", 1},
                    {"startTime", occurrence},
                    {"occurrence", occurrence},
                    {"repeatExceptions", QStringLiteral("|%1(2)").arg(qint64(occurrence.toDouble()))}});
    }

    QList<qint64> listedKeys() { return keysOf(dataManager().allTasksEventsAdes()); }

    PostedNotifications listChanges{{kAllTasksEventsAdesChanged}};
};

TEST_F(CoreDataItemsByCategoryTest, CategoryLoadAdmitsItemsUnderTheExceptionAndActiveOnlyRules)
{
    const qint64 category = addCategory()->primaryKey();
    EXPECT_FALSE(dataManager().addTasksToListFromCalendarId(category)) << "no rows";
    EXPECT_TRUE(listChanges.posts().isEmpty()) << "nothing added, nothing told";

    setting().setShowActiveTaskOnly(1);
    const qint64 event = row({{"taskType", 0}, {"calendarId", category}, {"startTime", at(2014, 2, 1, 9)}});
    const qint64 checklistItem = row({{"taskType", 2}, {"calendarId", category}});
    const qint64 note = row({{"taskType", 3}, {"calendarId", category}});
    const qint64 taskToday = row({{"taskType", 1}, {"calendarId", category}, {"startTime", at(2014, 1, 15, 23, 59, 59)}});
    row({{"taskType", 1}, {"calendarId", category}, {"startTime", at(2014, 1, 16)}});
    listedException(category);
    listedException(category, 1);
    row({{"taskType", 0}, {"calendarId", 1}});

    EXPECT_TRUE(dataManager().addTasksToListFromCalendarId(category));
    EXPECT_EQ(sorted(listedKeys()), (QList<qint64>{event, checklistItem, note, taskToday}));
    EXPECT_EQ(listChanges.posts().size(), 1) << "one list action";
}

TEST_F(CoreDataItemsByCategoryTest, CategoryListLoadsEachCategoryInTurnInOneAction)
{
    setting().setShowActiveTaskOnly(1);
    const qint64 first = addCategory()->primaryKey();
    const qint64 second = addCategory()->primaryKey();
    const qint64 a1 = row({{"taskType", 0}, {"calendarId", first}});
    const qint64 b1 = row({{"taskType", 3}, {"calendarId", second}});
    const qint64 a2 = row({{"taskType", 1}, {"calendarId", first}, {"startTime", at(2014, 1, 15, 8)}});
    const qint64 b2 = row({{"taskType", 0}, {"calendarId", second}});
    listedException(first);
    // Tasks answer to the active-only rule alone, every other kind to the
    // exception rule alone.
    const qint64 taskListingItself = listedException(second, 1);
    row({{"taskType", 1}, {"calendarId", second}, {"startTime", at(2014, 1, 17)}});
    row({{"taskType", 0}, {"calendarId", second}, {"startTime", at(2014, 1, 17)}});
    const qint64 futureEvent = row({{"taskType", 0}, {"calendarId", second}, {"startTime", at(2014, 1, 18)}});

    dataManager().addTasksToListFromCalendarList({second, first});
    const QList<qint64> keys = listedKeys();
    ASSERT_EQ(keys.size(), 7);
    EXPECT_EQ(sorted(keys.mid(0, 5)), (QList<qint64>{b1, b2, taskListingItself, futureEvent - 1, futureEvent}));
    EXPECT_EQ(sorted(keys.mid(5)), (QList<qint64>{a1, a2}));
    EXPECT_EQ(listChanges.posts().size(), 1);

    dataManager().addTasksToListFromCalendarList({addCategory()->primaryKey()});
    EXPECT_EQ(listChanges.posts().size(), 1) << "categories without items add nothing and tell nothing";
}

TEST_F(CoreDataItemsByCategoryTest, KindOfACategoryGoesToTheCallersList)
{
    setting().setShowActiveTaskOnly(1);
    const qint64 category = addCategory()->primaryKey();
    const qint64 today = row({{"taskType", 1}, {"calendarId", category}, {"startTime", at(2014, 1, 15)}});
    const qint64 later = row({{"taskType", 1}, {"calendarId", category}, {"startTime", at(2014, 2, 15)}});
    row({{"taskType", 0}, {"calendarId", category}});
    row({{"taskType", 1}, {"calendarId", 1}});
    listedException(category, 1);

    const TaskPtr kept = std::make_shared<Task>();
    TaskList list{kept};
    dataManager().addTasksToList(list, category, 1);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.first(), kept);
    EXPECT_EQ(sorted(keysOf(list.mid(1))), (QList<qint64>{today, later})) << "no active-only rule here";
    EXPECT_TRUE(listChanges.posts().isEmpty()) << "the working list is not touched";
}

TEST_F(CoreDataItemsByCategoryTest, TagLoadTakesItemsCarryingATagOrWithNoTagsNone)
{
    setting().setShowActiveTaskOnly(1);
    const qint64 category = addCategory()->primaryKey();
    const qint64 untagged = row({{"taskType", 0}, {"calendarId", category}, {"tagList", QStringLiteral("")}});
    const qint64 nullTags = row({{"taskType", 3}, {"calendarId", category}});
    const qint64 work = row({{"taskType", 0}, {"calendarId", category}, {"tagList", QStringLiteral("/Home/Work")}});
    const qint64 workshop = row({{"taskType", 3}, {"calendarId", category}, {"tagList", QStringLiteral("/WORKSHOP")}});
    const qint64 home = row({{"taskType", 0}, {"calendarId", category}, {"tagList", QStringLiteral("/Home")}});
    row({{"taskType", 1}, {"calendarId", category}, {"tagList", QStringLiteral("/Work")}, {"startTime", at(2014, 1, 20)}});
    row({{"taskType", 0}, {"calendarId", 1}, {"tagList", QStringLiteral("/Work")}});

    const struct {
        QStringList tags;
        QList<qint64> expected;
    } cases[] = {
        {{}, {untagged, nullTags}},
        {{QStringLiteral("work")}, {work, workshop}},
        {{QStringLiteral("Home"), QStringLiteral("Shop")}, {work, workshop, home}},
        {{QStringLiteral("Garden")}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sorted(keysOf(dataManager().tasksFromCalendarId(category, c.tags))), c.expected)
            << c.tags.join(u',').toStdString();
    EXPECT_TRUE(listChanges.posts().isEmpty());
}

TEST_F(CoreDataItemsByCategoryTest, EditedItemReturnsToTheListWhenTheTagFilterLetsItThrough)
{
    const struct {
        const char* categoryTags;
        const char* itemTags;
        QStringList filter;
        bool added;
    } cases[] = {
        {"/Work", "", {QStringLiteral("Work")}, true},
        {"/Home", "/Work", {QStringLiteral("work")}, true},
        {"/Home", "/Garden", {QStringLiteral("Work")}, false},
        {"", "", {QStringLiteral("Work")}, false},
        {"", "", {}, true},
        {"/Work", "", {}, false},
        {"", "/Work", {}, false},
    };
    for (const auto& c : cases) {
        const CalendarPtr category = addCategory(0, 0, QString::fromUtf8(c.categoryTags));
        auto item = std::make_shared<Task>();
        item->setCalendarId(category->primaryKey());
        item->setTagList(QString::fromUtf8(c.itemTags));
        dataManager().addTaskToList(item, c.filter);
        EXPECT_EQ(dataManager().allTasksEventsAdes().contains(item), c.added)
            << c.categoryTags << " " << c.itemTags << " " << c.filter.join(u',').toStdString();
    }

    auto homeless = std::make_shared<Task>();
    homeless->setCalendarId(999);
    dataManager().addTaskToList(homeless, {});
    EXPECT_TRUE(dataManager().allTasksEventsAdes().contains(homeless)) << "a missing category has no tags";
}

class CategoryDeleteTest : public CoreDataItemsByCategoryTest {
protected:
    void SetUp() override
    {
        CoreDataItemsByCategoryTest::SetUp();
        m_storedSetting = Setting::initWithPrimaryKey(1, db());
        m_storedSetting->setZvwDeletedTasks(QStringLiteral(",3"));
        ASSERT_TRUE(m_storedSetting->dehydrate());
        dataManager().setCurrentSetting(m_storedSetting);

        category = addCategory()->primaryKey();
        withWebId = row({{"taskType", 1}, {"calendarId", category}, {"zvwID", 12}});
        local = row({{"taskType", 0}, {"calendarId", category}, {"zvwID", 0}});
        wideWebId = row({{"primaryKey", qint64(3000000000)}, {"taskType", 3}, {"calendarId", category},
                         {"zvwID", qint64(5000000000)}});
        keptItem = row({{"taskType", 1}, {"calendarId", 1}, {"zvwID", 40}});
        linkFrom = link(withWebId, keptItem);
        linkTo = link(keptItem, wideWebId);
        linkElsewhere = link(keptItem, keptItem + 100);
        dataManager().addTasksToListFromCalendarList({category, 1});
    }

    qint64 link(qint64 root, qint64 target)
    {
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId, status, updatedDate) VALUES (%1, %2, 0, 0)")
                 .arg(root)
                 .arg(target));
        return sqlite3_last_insert_rowid(db());
    }

    QString linkState(qint64 key)
    {
        return QStringLiteral("%1@%2")
            .arg(queryInt(QStringLiteral("SELECT status FROM Links WHERE primaryKey=%1").arg(key)))
            .arg(queryInt(QStringLiteral("SELECT updatedDate FROM Links WHERE primaryKey=%1").arg(key)));
    }

    qint64 category = 0, withWebId = 0, local = 0, wideWebId = 0, keptItem = 0;
    qint64 linkFrom = 0, linkTo = 0, linkElsewhere = 0;
    SettingPtr m_storedSetting;
};

TEST_F(CategoryDeleteTest, DeletingTheItemsQueuesTheirWebIdsMarksTheirLinksAndDropsThemFromTheList)
{
    const qint64 storedNow = qint64(storedSeconds(Clock::now()));
    const int postsBefore = listChanges.posts().size();
    dataManager().deleteAllTasksBelongCalendar(category);

    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE calendarId=%1").arg(category)), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), 1);
    EXPECT_EQ(m_storedSetting->zvwDeletedTasks(), QStringLiteral(",3,12,5000000000"));
    EXPECT_FALSE(m_storedSetting->dirty()) << "the queue is saved at once";
    EXPECT_EQ(linkState(linkFrom), QStringLiteral("1@%1").arg(storedNow));
    EXPECT_EQ(linkState(linkTo), QStringLiteral("1@%1").arg(storedNow));
    EXPECT_EQ(linkState(linkElsewhere), QStringLiteral("0@0"));
    EXPECT_EQ(listedKeys(), (QList<qint64>{keptItem}));
    EXPECT_EQ(listChanges.posts().size(), postsBefore + 1) << "one list action";

    dataManager().deleteAllTasksBelongCalendar(category);
    EXPECT_EQ(m_storedSetting->zvwDeletedTasks(), QStringLiteral(",3,12,5000000000"));
    EXPECT_EQ(listChanges.posts().size(), postsBefore + 1) << "nothing left to drop, nothing told";
}

TEST_F(CategoryDeleteTest, DeleteThatFailsChangesNothing)
{
    const TaskList listed = dataManager().allTasksEventsAdes();
    {
        WriteLockHolder holder(databasePath());
        LogCapture log;
        dataManager().deleteAllTasksBelongCalendar(category);
        EXPECT_TRUE(log.contains(QStringLiteral("database is locked")));
    }
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE calendarId=%1").arg(category)), 3);
    EXPECT_EQ(m_storedSetting->zvwDeletedTasks(), QStringLiteral(",3")) << "the server must keep the items";
    EXPECT_EQ(linkState(linkFrom), QStringLiteral("0@0"));
    EXPECT_EQ(dataManager().allTasksEventsAdes(), listed);
}

TEST_F(CoreDataItemsByCategoryTest, ItemsFoundByKeyWebIdAndListMembership)
{
    const qint64 item = row({{"taskType", 1}, {"taskName", QStringLiteral("Call Ann")}});
    const qint64 wide = row({{"primaryKey", qint64(3000000000)}, {"taskType", 3}, {"zvwID", qint64(7000000000)}});
    row({{"taskType", 1}, {"zvwID", 55}});
    const qint64 sameWebId = row({{"taskType", 0}, {"zvwID", 55}});

    EXPECT_EQ(dataManager().taskWithPrimaryKey(item)->taskName(), QStringLiteral("Call Ann"));
    EXPECT_EQ(dataManager().taskWithPrimaryKey(wide)->taskType(), 3);
    EXPECT_EQ(dataManager().taskPrimaryKeyWithZVWKey(qint64(7000000000))->primaryKey(), wide);
    EXPECT_EQ(dataManager().taskPrimaryKeyWithZVWKey(55)->primaryKey(), sameWebId) << "the row read last";
    EXPECT_EQ(dataManager().taskPrimaryKeyWithZVWKey(56), nullptr);

    const TaskPtr fresh = Task::initWithPrimaryKey(item);
    EXPECT_FALSE(dataManager().hasTaskInGlobalList(fresh));
    dataManager().doWithAllTasksEventsAdes(TaskList{Task::initWithPrimaryKey(item)}, 0);
    EXPECT_TRUE(dataManager().hasTaskInGlobalList(fresh)) << "the same key, another object";
}

TEST_F(CoreDataItemsByCategoryTest, ClosedDatabaseLoadsNothingAndSaysSo)
{
    const qint64 category = addCategory()->primaryKey();
    const qint64 item = row({{"taskType", 0}, {"calendarId", category}, {"zvwID", 9}});
    const QString queueBefore = setting().zvwDeletedTasks();
    const std::pair<const char*, std::function<bool()>> calls[] = {
        {"taskWithPrimaryKey", [&] { return dataManager().taskWithPrimaryKey(item) == nullptr; }},
        {"taskPrimaryKeyWithZVWKey", [&] { return dataManager().taskPrimaryKeyWithZVWKey(9) == nullptr; }},
        {"addTasksToListFromCalendarId", [&] { return !dataManager().addTasksToListFromCalendarId(category); }},
        {"addTasksToListFromCalendarList",
         [&] {
             dataManager().addTasksToListFromCalendarList({category});
             return dataManager().allTasksEventsAdes().isEmpty();
         }},
        {"addTasksToList",
         [&] {
             TaskList list;
             dataManager().addTasksToList(list, category, 0);
             return list.isEmpty();
         }},
        {"tasksFromCalendarId", [&] { return dataManager().tasksFromCalendarId(category, {}).isEmpty(); }},
        {"deleteAllTasksBelongCalendar",
         [&] {
             dataManager().deleteAllTasksBelongCalendar(category);
             return setting().zvwDeletedTasks() == queueBefore;
         }},
    };
    databaseOpen = false;
    for (const auto& [name, givesNothing] : calls) {
        testing::internal::CaptureStdout();
        EXPECT_TRUE(givesNothing()) << name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Database can not open!") << name;
    }
    databaseOpen = true;
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), 1);
}

}  // namespace
