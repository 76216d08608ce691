#include "AllOrNothing.h"
#include "CommandTestFixture.h"
#include "Notifications.h"

// The record writes and the data manager's commands succeed whole or change
// nothing: whichever of their statements fails, the rows, the lists and the
// records are as before, nothing is posted, and the command says it failed.
class AllOrNothingTest : public CommandTest {
protected:
    const QStringList listNames{kAllTasksEventsAdesChanged, kCalendarListChanged, kTaskChanged, kAutoSyncNotification};
};

TEST_F(AllOrNothingTest, NewItemGoesInWithItsColumnsOrNotAtAll)
{
    auto item = std::make_shared<Task>();
    item->setTaskName(QStringLiteral("Call the bank"));
    const int steps = expectAllOrNothing(db(), [&] { return item->insertAndDehydrate(); }, listNames);
    EXPECT_GE(steps, 3);
    EXPECT_EQ(queryInt("SELECT count(*) FROM Tasks WHERE taskName='Call the bank'"), 1);
    EXPECT_TRUE(dataManager().allTasksEventsAdes().contains(item));
}

TEST_F(AllOrNothingTest, DeletedItemTakesItsLinksOrNothingGoes)
{
    const TaskPtr task = listedTask(QStringLiteral("Task"), now().dateByAddingTimeInterval(3600));
    const TaskPtr note = storedItem(QStringLiteral("Note"), 3);
    auto link = std::make_shared<Link>();
    link->setRootId(task->primaryKey());
    link->setTargetId(note->primaryKey());
    ASSERT_TRUE(dataManager().insertLink(link));
    expectAllOrNothing(db(), [&] { return task->deleteFromDatabase(); }, listNames);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(task->primaryKey())), 0);
    EXPECT_EQ(queryInt("SELECT status FROM Links"), 1);
}

TEST_F(AllOrNothingTest, DeletedDefaultCategoryTakesItsItemsAndHandsOnTheDefaultOrNothingChanges)
{
    const CalendarPtr other = addCategory();
    setting().setCalendarDefID(other->primaryKey());
    ASSERT_TRUE(setting().dehydrate());
    auto first = std::make_shared<Task>();
    first->setCalendarId(other->primaryKey());
    ASSERT_TRUE(first->insertAndDehydrate());
    auto second = std::make_shared<Task>();
    second->setCalendarId(other->primaryKey());
    second->setZvwID(77);
    ASSERT_TRUE(second->insertAndDehydrate());

    expectAllOrNothing(db(), [&] { return dataManager().doDeleteCalendar(other); }, listNames);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE calendarId=%1").arg(other->primaryKey())), 0);
    EXPECT_NE(setting().calendarDefID(), other->primaryKey());
    EXPECT_TRUE(setting().zvwDeletedTasks().contains(QStringLiteral(",77")));
}
