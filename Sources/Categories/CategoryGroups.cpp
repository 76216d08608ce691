#include "CategoryGroups.h"

#include "Calendar.h"
#include "TextTable.h"
#include "Utilities.h"

std::vector<CategoryGroup> groupCategoriesByKind(const CalendarList& categories)
{
    CategoryGroup groups[3] = {{TextTable::localizedString(QStringLiteral("groupZoravelText")), {}},
                               {TextTable::localizedString(QStringLiteral("groupEventOnlyText")), {}},
                               {TextTable::localizedString(QStringLiteral("groupTaskOnlyText")), {}}};
    for (const CalendarPtr& category : categories) {
        if (!category) continue;
        const qint64 kind = category->taskOrEvent();
        groups[kind == 2 ? 1 : kind == 1 ? 2 : 0].categories.append(category);
    }
    std::vector<CategoryGroup> shown;
    for (CategoryGroup& group : groups) {
        if (group.categories.isEmpty()) continue;
        Utilities::sortList(group.categories, &Calendar::calendarOrder);
        shown.push_back(std::move(group));
    }
    return shown;
}
