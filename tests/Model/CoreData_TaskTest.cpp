#include "TaskTestFixture.h"

namespace {

using CoreDataTaskTest = TaskTest;

TEST_F(CoreDataTaskTest, HighestTaskOrderIsZeroWithoutRowsOrDatabase)
{
    EXPECT_EQ(dataManager().getMaxOrderOfTasks(), 0);
    exec(QStringLiteral("INSERT INTO Tasks (taskOrder) VALUES (4), (11), (-2)"));
    EXPECT_EQ(dataManager().getMaxOrderOfTasks(), 11);
    databaseOpen = false;
    EXPECT_EQ(dataManager().getMaxOrderOfTasks(), 0);
    databaseOpen = true;
}

TEST_F(CoreDataTaskTest, AddNewTaskStoresAndListsTheModifyingTask)
{
    dataManager().addNewTask();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), 0) << "nothing to add";

    auto item = std::make_shared<Task>();
    item->setTaskName(QStringLiteral("Call Ann"));
    dataManager().setModifyingTask(item);
    dataManager().addNewTask();
    EXPECT_GT(item->primaryKey(), 0);
    EXPECT_FALSE(item->dirty());
    EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("taskName")), QVariant(QStringLiteral("Call Ann")));
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{item});
}

}  // namespace
