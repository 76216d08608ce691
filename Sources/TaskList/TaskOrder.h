#pragma once

#include "Task.h"

#include <QtGlobal>

#include <optional>
#include <vector>

// The manual order of tasks as dragging rows changes it: the dragged task
// takes the order of the place it is dropped at and the tasks in between
// shift by one place, the set of order values staying the same. Header rows
// take no part. Plain arithmetic over the rows' order values, so the list
// only moves rows and saves.
namespace TaskOrder {

// The order values of the tasks of a range in row order, rotated: moved up
// (the moved task first) each takes the next one's value and the last the
// first's; moved down (the moved task last) the other way round.
std::vector<qint64> rotate(const std::vector<qint64>& orders, bool movedUp);

// A row of the list: a task row's order value, or none for a header.
using Row = std::optional<qint64>;

struct Move {
    bool moves = false;  // false: from is no row, to is past the end, or from == to
    int dest = -1;       // where the moved row ends up
    // The task rows of the affected range, as indexes after the move, in
    // row order, with the order value each takes.
    std::vector<int> rows;
    std::vector<qint64> orders;
};

// Moving the row at `from` to the gap before row `to` (to == rows.size()
// is the end): the row lands at to - 1 when it moves down, else at to.
Move plan(const std::vector<Row>& rows, int from, int to);

// Saves the new order values of the tasks together: all or none. On a
// failure every task keeps the value it had.
bool save(const TaskList& tasks, const std::vector<qint64>& orders);

}  // namespace TaskOrder
