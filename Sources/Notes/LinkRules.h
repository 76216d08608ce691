#pragma once

#include "ModelTypes.h"

#include <QString>

// The rules every link command follows, as plain functions. Links join
// link keys, so all occurrences of a repeating item share its series'
// links.
namespace LinkRules {

// An item's own key, or its series' for an occurrence the data manager
// generated.
qint64 linkKey(const Task& item);

// The items of the working list, in its order, that the page's item can be
// linked with and whose name holds the text (case aside, taken literally):
// never a shared item, a checklist item, an item with the page item's link
// key (the item, its series, its other occurrences) or one with the link
// key of a current link.
TaskList searchResults(const TaskList& workingList, const QString& text, const Task& pageItem,
                       const TaskList& currentLinks);

}  // namespace LinkRules
