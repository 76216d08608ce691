#include "LinkRules.h"

#include "Task.h"
#include "UIUtilities.h"

#include <unordered_set>

namespace LinkRules {

qint64 linkKey(const Task& item)
{
    return UIUtilities::seriesKey(item);
}

TaskList searchResults(const TaskList& workingList, const QString& text, const Task& pageItem,
                       const TaskList& currentLinks)
{
    std::unordered_set<qint64> excluded;
    excluded.reserve(size_t(currentLinks.size()) + 2);
    excluded.insert(linkKey(pageItem));
    // A stored occurrence of a series keeps its series' key as parentId.
    if (pageItem.repeatType() != 0 && pageItem.parentId() > 0) excluded.insert(pageItem.parentId());
    for (const TaskPtr& linked : currentLinks)
        if (linked) excluded.insert(linkKey(*linked));

    TaskList results;
    for (const TaskPtr& item : workingList) {
        if (!item || item->isShared() || item->taskType() == ItemKind::ChecklistItem) continue;
        if (!item->taskName().contains(text, Qt::CaseInsensitive)) continue;
        if (excluded.count(linkKey(*item)) != 0) continue;
        results.append(item);
    }
    return results;
}

}  // namespace LinkRules
