#pragma once

#include "Task.h"

#include <algorithm>
#include <utility>
#include <vector>

// A stable sort of a list of items by a key read once per item: a
// comparison that read the items would reach into thousands of records
// again and again. A list already in order (the usual case: orders rise
// along the working list) is left untouched, so a list shared with another
// holder is not copied and no sort is paid for.
template <class Key>
void stableSortByKey(TaskList& list, Key key, bool ascending = true)
{
    if (list.size() < 2) return;
    using Value = decltype(key(*list.front()));
    std::vector<std::pair<Value, qsizetype>> keys;
    keys.reserve(std::size_t(list.size()));
    // Read through at(): the non-const index would copy a shared list.
    for (qsizetype index = 0; index < list.size(); ++index) keys.emplace_back(key(*list.at(index)), index);
    const auto before = [ascending](const auto& a, const auto& b) {
        return ascending ? a.first < b.first : b.first < a.first;
    };
    // No item comes before the one ahead of it: the stable order is the
    // list's own.
    if (std::is_sorted(keys.begin(), keys.end(), before)) return;
    std::stable_sort(keys.begin(), keys.end(), before);
    TaskList sorted;
    sorted.reserve(list.size());
    for (const auto& entry : keys) sorted.append(std::move(list[entry.second]));
    list = std::move(sorted);
}
