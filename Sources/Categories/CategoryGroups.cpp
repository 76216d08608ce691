#include "CategoryGroups.h"

#include "AlertPresenter.h"
#include "AlertRequest.h"
#include "Calendar.h"
#include "CoreData.h"
#include "Setting.h"
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

bool askToDeleteCategory(const CalendarPtr& category, bool countShared)
{
    CoreData* manager = CoreData::shared();
    if (!manager || !category) return false;
    const SettingPtr setting = manager->currentSetting();
    const bool isDefault = category->projectType() == 0 && setting && category->primaryKey() == setting->calendarDefID();
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.messageText = TextTable::localizedString(QStringLiteral("deleteCalendarText"));
    if (isDefault) {
        qint64 visible = 0;
        for (const CalendarPtr& shown : manager->getCalendarWithType(0, manager->calendarList(), true))
            if (shown && (countShared || !shown->isShared())) ++visible;
        if (visible < 2) {
            request.informativeText = TextTable::localizedString(QStringLiteral("deleteCalendarErrorMessage"));
            request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
            AlertPresenter::current().runModal(request);
            return false;
        }
    }
    request.informativeText = TextTable::localizedString(QStringLiteral("deleteCalendarMessage"));
    const int deleteAnswer = request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("deleteText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    return AlertPresenter::current().runModal(request).button == deleteAnswer;
}
