#include "TaskOrder.h"

#include "Transaction.h"

#include <QDebug>

namespace TaskOrder {

std::vector<qint64> rotate(const std::vector<qint64>& orders, bool movedUp)
{
    if (orders.size() < 2) return orders;
    std::vector<qint64> rotated(orders.size());
    if (movedUp) {
        for (size_t i = 1; i < orders.size(); ++i) rotated[i - 1] = orders[i];
        rotated.back() = orders.front();
    } else {
        for (size_t i = orders.size() - 1; i >= 1; --i) rotated[i] = orders[i - 1];
        rotated.front() = orders.back();
    }
    return rotated;
}

Move plan(const std::vector<Row>& rows, int from, int to)
{
    Move move;
    const int count = int(rows.size());
    if (from < 0 || from >= count || to < 0 || to > count || from == to) return move;
    const int dest = from < to ? to - 1 : to;
    std::vector<Row> after = rows;
    const Row moved = after[size_t(from)];
    after.erase(after.begin() + from);
    after.insert(after.begin() + dest, moved);

    move.moves = true;
    move.dest = dest;
    const int first = std::min(dest, from);
    const int last = std::max(dest, from);
    std::vector<qint64> orders;
    for (int row = first; row <= last; ++row) {
        if (!after[size_t(row)]) continue;
        move.rows.push_back(row);
        orders.push_back(*after[size_t(row)]);
    }
    move.orders = rotate(orders, dest <= from);
    return move;
}

bool save(const TaskList& tasks, const std::vector<qint64>& orders)
{
    if (size_t(tasks.size()) != orders.size()) return false;
    Transaction unit;
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        const TaskPtr& task = tasks[i];
        if (task->taskOrder() == orders[size_t(i)]) continue;
        unit.keep(task);
        task->setTaskOrder(orders[size_t(i)]);
        if (!task->dehydrate()) break;
    }
    if (unit.commit()) return true;
    qWarning().noquote() << "The new task order could not be saved; it stays as it was";
    return false;
}

}  // namespace TaskOrder
