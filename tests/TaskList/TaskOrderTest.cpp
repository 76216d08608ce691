// Reordering the task list by dragging: which rows swap their order values,
// and saving them all or none.
#include "TaskOrder.h"

#include "../Model/TaskTestFixture.h"

#include <gtest/gtest.h>

namespace {

using TaskOrder::Row;

// The order values of the rows after a move, headers as 0.
std::vector<qint64> ordersAfter(std::vector<Row> rows, int from, int to)
{
    const TaskOrder::Move move = TaskOrder::plan(rows, from, to);
    if (!move.moves) return {};
    const Row moved = rows[size_t(from)];
    rows.erase(rows.begin() + from);
    rows.insert(rows.begin() + move.dest, moved);
    for (size_t i = 0; i < move.rows.size(); ++i) rows[size_t(move.rows[i])] = move.orders[i];
    std::vector<qint64> out;
    for (const Row& row : rows) out.push_back(row.value_or(0));
    return out;
}

TEST(TaskOrder, TheMovedTaskTakesTheOrderOfItsPlaceAndTheOthersShift)
{
    const std::vector<Row> four{1, 2, 3, 4};
    struct Case {
        const char* name;
        std::vector<Row> rows;
        int from, to;
        std::vector<qint64> expected;  // in row order after the move
    };
    const Case cases[] = {
        // T1 dropped below T4: T2 1, T3 2, T4 3, T1 4.
        {"down to the end", four, 0, 4, {1, 2, 3, 4}},
        // T4 dropped above T1: T4 1, T1 2, T2 3, T3 4.
        {"up to the top", four, 3, 0, {1, 2, 3, 4}},
        // T3 dropped above T2: T1 1, T3 2, T2 3, T4 4.
        {"up one place", four, 2, 1, {1, 2, 3, 4}},
        // [header, T1, T2, header, T3]: T3 just below the first header.
        {"headers take no part", {std::nullopt, 1, 2, std::nullopt, 3}, 4, 1, {0, 1, 2, 3, 0}},
        {"the gap just below itself changes no value", four, 1, 2, {1, 2, 3, 4}},
        {"orders with holes keep their set of values", {10, 20, 35, 40}, 0, 3, {10, 20, 35, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ordersAfter(c.rows, c.from, c.to), c.expected);
    }
    // Which task got which value: T1 moved below T4 takes 4.
    const TaskOrder::Move down = TaskOrder::plan(four, 0, 4);
    EXPECT_EQ(down.dest, 3);
    EXPECT_EQ(down.rows, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(down.orders, (std::vector<qint64>{1, 2, 3, 4}));  // T2, T3, T4, T1
    const TaskOrder::Move withHeaders = TaskOrder::plan({std::nullopt, 1, 2, std::nullopt, 3}, 4, 1);
    EXPECT_EQ(withHeaders.rows, (std::vector<int>{1, 2, 3}));  // T3, T1, T2 after the move
    EXPECT_EQ(withHeaders.orders, (std::vector<qint64>{1, 2, 3}));
}

TEST(TaskOrder, MovesThatCannotHappenChangeNothing)
{
    const std::vector<Row> rows{1, 2, 3};
    for (const auto& [from, to] : {std::pair{1, 1}, {-1, 0}, {3, 0}, {0, 4}, {0, -1}})
        EXPECT_FALSE(TaskOrder::plan(rows, from, to).moves) << from << " to " << to;
    EXPECT_TRUE(TaskOrder::plan(rows, 0, 3).moves);
    EXPECT_EQ(TaskOrder::rotate({}, true), std::vector<qint64>{});
    EXPECT_EQ(TaskOrder::rotate({7}, false), std::vector<qint64>{7});
    // A new task put in front of the tasks from the drop point on: it takes
    // the first one's order, and the last takes the new task's own.
    EXPECT_EQ(TaskOrder::rotate({6, 3, 4, 5}, true), (std::vector<qint64>{3, 4, 5, 6}));
}

class TaskOrderSaveTest : public TaskTest {};

TEST_F(TaskOrderSaveTest, TheNewOrdersAreSavedTogetherOrNotAtAll)
{
    TaskList tasks;
    for (int i = 1; i <= 3; ++i) {
        TaskPtr task = storedItem(QStringLiteral("T%1").arg(i));
        task->setTaskOrder(i);
        ASSERT_TRUE(task->dehydrate());
        tasks << task;
    }
    exec(QStringLiteral("CREATE TRIGGER refuseOrders BEFORE UPDATE ON Tasks WHEN NEW.taskName='T3' "
                        "BEGIN SELECT RAISE(ABORT, 'full'); END"));
    EXPECT_FALSE(TaskOrder::save(tasks, {2, 3, 1}));
    exec(QStringLiteral("DROP TRIGGER refuseOrders"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tasks[i]->taskOrder(), i + 1);
        EXPECT_EQ(Task::initWithPrimaryKey(tasks[i]->primaryKey())->taskOrder(), i + 1);
    }
    EXPECT_TRUE(TaskOrder::save(tasks, {2, 3, 1}));
    EXPECT_EQ(Task::initWithPrimaryKey(tasks[2]->primaryKey())->taskOrder(), 1);
    EXPECT_FALSE(TaskOrder::save(tasks, {1}));  // a list and its values must match
}

}  // namespace
