#include "TaskPaneOrder.h"

#include <algorithm>
#include <numeric>

namespace TaskPaneOrder {

Reorder reorderByDate(const QList<Entry>& entries)
{
    Reorder reorder;
    reorder.positions.resize(entries.size());
    std::iota(reorder.positions.begin(), reorder.positions.end(), qsizetype(0));
    std::stable_sort(reorder.positions.begin(), reorder.positions.end(),
                     [&entries](qsizetype a, qsizetype b) { return entries[a].date < entries[b].date; });
    reorder.orders.reserve(entries.size());
    for (const Entry& entry : entries) reorder.orders.append(entry.taskOrder);
    std::sort(reorder.orders.begin(), reorder.orders.end());
    return reorder;
}

}  // namespace TaskPaneOrder
