#include "ItemRowsFixture.h"
#include "PostedNotifications.h"

#include <functional>

namespace {

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris.
using CoreDataSeriesLookupsTest = ItemRowsTest;

TEST_F(CoreDataSeriesLookupsTest, RootEventLookupFindsOnlyRootEvents)
{
    const qint64 root = row({{"primaryKey", qint64(3000000000)}, {"taskType", 0}, {"parentId", -1}});
    const qint64 detached = row({{"taskType", 0}, {"parentId", root}});
    const qint64 task = row({{"taskType", 1}, {"parentId", -1}});

    const TaskPtr found = dataManager().getRootEventWithParentID(root);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->primaryKey(), root);
    EXPECT_EQ(fieldsOf(*found), fieldsOf(*Task::initWithPrimaryKey(root))) << "a fresh record of the row";
    EXPECT_EQ(dataManager().getRootEventWithParentID(detached), nullptr);
    EXPECT_EQ(dataManager().getRootEventWithParentID(task), nullptr);
    EXPECT_EQ(dataManager().getRootEventWithParentID(999), nullptr);
}

TEST_F(CoreDataSeriesLookupsTest, UidLookupsMatchTheWholeUidQuotesIncluded)
{
    const QString quoted = QStringLiteral("it's \"ours\"");
    const QString injection = QStringLiteral("x' OR '1'='1");
    const qint64 detachedFirst = row({{"taskType", 0}, {"parentId", 1}, {"iCalIdentifier", quoted}});
    const qint64 root = row({{"taskType", 0}, {"parentId", -1}, {"iCalIdentifier", quoted}});
    const qint64 detachedTask = row({{"taskType", 1}, {"parentId", root}, {"iCalIdentifier", quoted}});
    row({{"taskType", 0}, {"parentId", -1}, {"iCalIdentifier", QStringLiteral("x")}});
    row({{"taskType", 1}, {"parentId", -1}, {"iCalIdentifier", QStringLiteral("x")}});

    const TaskPtr event = dataManager().getRootEventWithUID(quoted);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->primaryKey(), root) << "an event row that is not a root is passed over";
    EXPECT_NE(event->primaryKey(), detachedFirst);
    const TaskPtr task = dataManager().getTaskWithUID(quoted);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->primaryKey(), detachedTask) << "a task is found whatever its parent";

    EXPECT_EQ(dataManager().getRootEventWithUID(injection), nullptr);
    EXPECT_EQ(dataManager().getTaskWithUID(injection), nullptr);
    EXPECT_EQ(dataManager().getTaskWithUID(QStringLiteral("X")), nullptr) << "the uid is compared exactly";
}

TEST_F(CoreDataSeriesLookupsTest, DetachedOccurrenceIsFoundByTheOccurrenceOfTheRule)
{
    const qint64 root = row({{"taskType", 0}, {"repeatType", 1}});
    const Date occurrence = localDate(2014, 1, 20, 9);
    const qint64 moved = row({{"taskType", 0},
                              {"parentId", root},
                              {"occurrence", storedSeconds(occurrence)},
                              {"startTime", at(2014, 1, 22, 14)}});
    row({{"taskType", 1}, {"parentId", root}, {"occurrence", at(2014, 1, 21, 9)}});

    const TaskPtr found = dataManager().getExceptionEventWithParentID(root, occurrence);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->primaryKey(), moved);
    EXPECT_EQ(dataManager().getExceptionEventWithParentID(root, occurrence.dateByAddingTimeInterval(0.3))->primaryKey(),
              moved)
        << "whole seconds";
    EXPECT_EQ(dataManager().getExceptionEventWithParentID(root, localDate(2014, 1, 22, 14)), nullptr)
        << "not by the moved start";
    EXPECT_EQ(dataManager().getExceptionEventWithParentID(root, localDate(2014, 1, 21, 9)), nullptr)
        << "only events";
    EXPECT_EQ(dataManager().getExceptionEventWithParentID(moved, occurrence), nullptr);
}

TEST_F(CoreDataSeriesLookupsTest, OriginOfAnItemIsTheRowItStandsFor)
{
    const qint64 root = row({{"primaryKey", qint64(3000000012)}, {"taskType", 0}, {"repeatType", 1}});
    const qint64 detached = row({{"taskType", 0}, {"parentId", root}});
    const qint64 plain = row({{"taskType", 1}});
    const auto item = [](qint64 key, qint64 parentId) {
        auto task = std::make_shared<Task>();
        task->setPrimaryKey(key);
        task->setParentId(parentId);
        return task;
    };
    const struct {
        const char* what;
        TaskPtr item;
        qint64 expected;
    } cases[] = {
        {"instance", item(-7, root), root},
        {"detached occurrence", item(detached, root), root},
        {"root", item(root, -1), root},
        {"plain item", item(plain, -1), plain},
    };
    EXPECT_EQ(dataManager().getOriginTaskForTaskInDB(item(-9, 999)), nullptr) << "a series whose root is gone";
    for (const auto& c : cases) {
        const TaskPtr origin = dataManager().getOriginTaskForTaskInDB(c.item);
        ASSERT_NE(origin, nullptr) << c.what;
        EXPECT_NE(origin, c.item) << c.what;
        EXPECT_EQ(fieldsOf(*origin), fieldsOf(*Task::initWithPrimaryKey(c.expected))) << c.what;
    }
}

TEST_F(CoreDataSeriesLookupsTest, ListRemovalsDropTheSeriesOrTheCategory)
{
    const qint64 other = addCategory()->primaryKey();
    const auto listed = [](qint64 key, qint64 parentId, qint64 calendarId) {
        auto item = std::make_shared<Task>();
        item->setPrimaryKey(key);
        item->setParentId(parentId);
        item->setCalendarId(calendarId);
        return item;
    };
    const TaskPtr root = listed(12, -1, 1);
    const TaskPtr detached = listed(30, 12, other);
    const TaskPtr instance = listed(-7, 12, 1);
    const TaskPtr unrelated = listed(13, -1, 1);
    const TaskPtr otherSeries = listed(-8, 13, other);
    dataManager().doWithAllTasksEventsAdes(TaskList{root, detached, instance, unrelated, otherSeries}, 0);

    PostedNotifications changes({kAllTasksEventsAdesChanged});
    dataManager().removeAllTaskRelateToPrimaryKey(12);
    EXPECT_EQ(dataManager().allTasksEventsAdes(), (TaskList{unrelated, otherSeries}));
    EXPECT_TRUE(changes.posts().isEmpty()) << "removed in place, untold";

    dataManager().removeAllTasksBelongCalendar(other);
    EXPECT_EQ(dataManager().allTasksEventsAdes(), (TaskList{unrelated}));
    dataManager().removeAllTasksBelongCalendar(other);
    EXPECT_EQ(dataManager().allTasksEventsAdes(), (TaskList{unrelated}));
    EXPECT_EQ(changes.posts().size(), 2) << "told each time, even with nothing to drop";
}

TEST_F(CoreDataSeriesLookupsTest, ClosedDatabaseFindsNothing)
{
    const qint64 root = row({{"taskType", 0}, {"parentId", -1}, {"iCalIdentifier", QStringLiteral("U")}});
    const qint64 detached = row({{"taskType", 0}, {"parentId", root}, {"occurrence", at(2014, 1, 20)}});
    row({{"taskType", 1}, {"iCalIdentifier", QStringLiteral("U")}});
    const std::pair<const char*, std::function<TaskPtr()>> lookups[] = {
        {"getRootEventWithParentID", [&] { return dataManager().getRootEventWithParentID(root); }},
        {"getRootEventWithUID", [&] { return dataManager().getRootEventWithUID(QStringLiteral("U")); }},
        {"getTaskWithUID", [&] { return dataManager().getTaskWithUID(QStringLiteral("U")); }},
        {"getExceptionEventWithParentID",
         [&] { return dataManager().getExceptionEventWithParentID(root, localDate(2014, 1, 20)); }},
    };
    for (const auto& [name, lookup] : lookups) ASSERT_NE(lookup(), nullptr) << name;

    databaseOpen = false;
    for (const auto& [name, lookup] : lookups) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(lookup(), nullptr) << name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Database can not open!") << name;
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(dataManager().getOriginTaskForTaskInDB(Task::initWithPrimaryKey(detached)), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    databaseOpen = true;
}

}  // namespace
