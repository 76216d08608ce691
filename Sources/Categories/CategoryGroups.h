#pragma once

#include "ModelTypes.h"

#include <QString>

#include <vector>

// The categories under the list's three headers: mixed, event-only and
// task-only, in that order, each sorted by its order. The category list and
// the show/hide table group alike; an empty group is left out.
struct CategoryGroup {
    QString header;
    CalendarList categories;
};

std::vector<CategoryGroup> groupCategoriesByKind(const CalendarList& categories);

// Asks whether to delete the category, as the category list and the show/hide
// table both ask: the default category is not deleted while it is the last
// visible one (with `countShared`, shared categories count as visible too);
// the person is told so, and the answer is no.
bool askToDeleteCategory(const CalendarPtr& category, bool countShared);
