#include "TaskTestFixture.h"
#include "Transaction.h"

#include <optional>

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
    EXPECT_FALSE(dataManager().addNewTask());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), 0) << "nothing to add";

    auto item = std::make_shared<Task>();
    item->setTaskName(QStringLiteral("Call Ann"));
    dataManager().setModifyingTask(item);
    EXPECT_TRUE(dataManager().addNewTask());
    EXPECT_GT(item->primaryKey(), 0);
    EXPECT_FALSE(item->dirty());
    EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("taskName")), QVariant(QStringLiteral("Call Ann")));
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{item});
}

// Every insert takes the highest stored order plus one, as seen at that
// moment: inside one unit too, after an item was moved above the others, and
// never counting rows a rolled-back unit took away again.
TEST_F(CoreDataTaskTest, InsertsInOneUnitTakeTheOrdersOfInsertsOneByOne)
{
    struct Case {
        const char* existing;  // rows before the inserts
        bool oneUnit;
        qint64 highest;
    };
    const Case cases[] = {
        {"", false, 0},
        {"", true, 0},
        {"INSERT INTO Tasks (taskOrder) VALUES (4), (11), (-2)", false, 11},
        {"INSERT INTO Tasks (taskOrder) VALUES (4), (11), (-2)", true, 11},
    };
    const auto insert = [](const char* name) {
        auto item = std::make_shared<Task>();
        item->setTaskName(QString::fromLatin1(name));
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    };
    const auto storedOrder = [this](const TaskPtr& item) {
        return queryInt(QStringLiteral("SELECT taskOrder FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey()));
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.existing) + (test.oneUnit ? " in one unit" : " one by one"));
        exec(QStringLiteral("DELETE FROM Tasks"));
        if (*test.existing) exec(QString::fromLatin1(test.existing));
        TaskList items;
        {
            std::optional<Transaction> unit;
            if (test.oneUnit) unit.emplace();
            items << insert("first") << insert("second");
            items[1]->setTaskOrder(items[1]->taskOrder() + 30);
            ASSERT_TRUE(items[1]->dehydrate());
            items << insert("third");
            {
                Transaction dropped;
                insert("dropped");
                insert("dropped too");
            }
            items << insert("fourth");
            if (unit) {
                ASSERT_TRUE(unit->commit());
            }
        }
        const qint64 h = test.highest;
        const QList<qint64> expected{h + 1, h + 32, h + 33, h + 34};
        QList<qint64> stored, held;
        for (const TaskPtr& item : items) {
            stored << storedOrder(item);
            held << item->taskOrder();
        }
        EXPECT_EQ(stored, expected);
        EXPECT_EQ(held, expected);
    }
}

}  // namespace
