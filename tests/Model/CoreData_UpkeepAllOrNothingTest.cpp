#include "CommandUnitFixture.h"

namespace CoreData_UpkeepAllOrNothingTests {

// Upkeep of the lists and rows: whichever statement fails, the command
// answers failure and the rows, the lists and the records are as before; run
// through, it does its work.
namespace {

constexpr qint64 checklistItemType = 2;

class UpkeepUnitTest : public CommandUnitTest {
protected:
    TaskPtr itemIn(const CalendarPtr& category, const QString& name, qint64 type, const Date& start = now())
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setCalendarId(category->primaryKey());
        item->setStartTime(start);
        return stored(item);
    }

    CalendarPtr checklist(const QString& name, qint64 webId)
    {
        const CalendarPtr category = addCategory(1);
        category->setCalendarName(name);
        category->setZvwProjectId(webId);
        EXPECT_TRUE(category->dehydrate());
        return category;
    }

    qint64 rowCount(const QString& from) { return queryInt(QStringLiteral("SELECT count(*) FROM %1").arg(from)); }

    QStringList listedNames()
    {
        QStringList names;
        for (const TaskPtr& item : dataManager().allTasksEventsAdes()) names.append(item->taskName());
        names.sort();
        return names;
    }
};

}  // namespace

TEST_F(UpkeepUnitTest, AllTasksComeBackIntoTheListOrNoneDoes)
{
    const CalendarPtr defaultCategory = dataManager().calendarWithPrimaryKey(1);
    const CalendarPtr hidden = addCategory(0, 1);
    listed(itemIn(defaultCategory, QStringLiteral("today"), 1));
    listed(itemIn(defaultCategory, QStringLiteral("event"), 0));
    itemIn(defaultCategory, QStringLiteral("next week"), 1, localDate(2014, 1, 22, 9, 0));
    itemIn(hidden, QStringLiteral("hidden"), 1);

    expectAllOrNothing(db(), [&] { return dataManager().addActiveTask(); }, anyPost);

    EXPECT_EQ(listedNames(), (QStringList{"event", "next week", "today"}));
}

TEST_F(UpkeepUnitTest, ChecklistBecomesANoteWholeOrStaysAChecklist)
{
    setting().setAutoICalSync(1);
    setting().setAutoZVWSync(1);
    const CalendarPtr shopping = checklist(QStringLiteral("Shopping"), 77);
    const TaskPtr milk = itemIn(shopping, QStringLiteral("Milk"), 1);
    ASSERT_EQ(milk->taskType(), checklistItemType);
    milk->setStatus(1);
    ASSERT_TRUE(milk->dehydrate());
    itemIn(shopping, QStringLiteral("Bread"), 1);
    const auto storeCalls = storeCallsOf({QStringLiteral("updateCalendar")});

    expectAllOrNothing(db(), [&] { return dataManager().migrateFromCheckListToNote(); }, anyPost,
                       [&]() -> QString { return sharedObjects() + storeCalls(); });

    EXPECT_EQ(shopping->projectType(), 0);
    EXPECT_EQ(shopping->zvwProjectId(), 77) << "the web service's category stays this one";
    EXPECT_NE(shopping->hasChanges(), 0) << "it goes up as an ordinary category";
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=2")), 0);
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=3")), 1);
    EXPECT_EQ(storeCalls(), QStringLiteral("updateCalendar"));
}

// Each category is a unit of its own: one that cannot be turned stays a
// checklist for the next start, and the others are turned all the same.
TEST_F(UpkeepUnitTest, AChecklistThatFailsLeavesTheOthersTurned)
{
    const CalendarPtr first = checklist(QStringLiteral("First"), 0);
    itemIn(first, QStringLiteral("one"), 1);
    const CalendarPtr second = checklist(QStringLiteral("Second"), 0);
    itemIn(second, QStringLiteral("two"), 1);
    exec(QStringLiteral("CREATE TRIGGER refuseSecondNote BEFORE UPDATE ON Tasks WHEN NEW.taskName='Second' "
                        "BEGIN SELECT RAISE(ABORT, 'full'); END"));
    // A new row goes in whole with one insert.
    exec(QStringLiteral("CREATE TRIGGER refuseSecondNewNote BEFORE INSERT ON Tasks WHEN NEW.taskName='Second' "
                        "BEGIN SELECT RAISE(ABORT, 'full'); END"));

    EXPECT_FALSE(dataManager().migrateFromCheckListToNote());

    EXPECT_EQ(first->projectType(), 0);
    EXPECT_EQ(second->projectType(), 1);
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=2")), 1) << "the second keeps its item";
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=3")), 1);
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=3 AND taskName='Second'")), 0) << "no blank row is left";

    exec(QStringLiteral("DROP TRIGGER refuseSecondNote"));
    exec(QStringLiteral("DROP TRIGGER refuseSecondNewNote"));
    EXPECT_TRUE(dataManager().migrateFromCheckListToNote());
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=2")), 0);
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE taskType=3")), 2);
}

TEST_F(UpkeepUnitTest, SingleStatementUpdatesChangeEveryRowOrNone)
{
    const TaskPtr item = task(QStringLiteral("item"));
    link(item, note(QStringLiteral("first")));
    link(note(QStringLiteral("second")), item);
    exec(QStringLiteral("INSERT INTO Comments (content, status, itemId, cmtType) VALUES ('a', 0, %1, 0), "
                        "('b', 0, %1, 0), ('c', 0, %1, 1)")
             .arg(item->primaryKey()));

    expectAllOrNothing(db(), [&] { return dataManager().resetZVWIdOfLinksForItem(item); }, anyPost);
    expectAllOrNothing(db(), [&] { return dataManager().markCommentsStatus(1, item->primaryKey(), 0); }, anyPost);

    EXPECT_EQ(linkCount(QStringLiteral("zvwKey<>0")), 0);
    EXPECT_EQ(rowCount(QStringLiteral("Comments WHERE status=1")), 2) << "the comments on the item only";
}

TEST_F(UpkeepUnitTest, SignOutRemovesTheSharedDataAndReloadsTheListsOrNothingChanges)
{
    const CalendarPtr sharedCategory = addCategory();
    sharedCategory->setExtraStatus(1);
    ASSERT_TRUE(sharedCategory->dehydrate());
    listed(itemIn(sharedCategory, QStringLiteral("in the shared category"), 3));
    const CalendarPtr mine = addCategory();
    const TaskPtr sharedItem = listed(itemIn(mine, QStringLiteral("shared item"), 1));
    sharedItem->setIsShared(true);
    ASSERT_TRUE(sharedItem->dehydrate());
    itemIn(mine, QStringLiteral("my task"), 1);
    exec(QStringLiteral("INSERT INTO Comments (content, status, itemId, cmtType) VALUES ('a', 0, %1, 0)")
             .arg(sharedItem->primaryKey()));

    expectAllOrNothing(db(), [&] { return dataManager().removeAllSharedDataInLocal(); }, anyPost);

    EXPECT_EQ(rowCount(QStringLiteral("Comments")), 0);
    EXPECT_EQ(rowCount(QStringLiteral("Calendars WHERE extraStatus=1")), 0);
    EXPECT_EQ(rowCount(QStringLiteral("Tasks WHERE isShared=1")), 0);
    EXPECT_EQ(dataManager().calendarWithPrimaryKey(sharedCategory->primaryKey()), nullptr);
    EXPECT_EQ(listedNames(), QStringList{"my task"}) << "the shown categories are loaded again";
}

}  // namespace CoreData_UpkeepAllOrNothingTests
