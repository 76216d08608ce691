#include "PlannerContext.h"

#include "CoreData.h"
#include "Date.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "PlannerWeekView.h"

namespace PlannerContext {

SettingPtr setting()
{
    const CoreData* manager = CoreData::shared();
    return manager ? manager->currentSetting() : nullptr;
}

MonthCalendarView* miniMonth()
{
    MainViewAccess* mainView = MainViewAccess::current();
    MonthView* panel = mainView ? mainView->monthView() : nullptr;
    return panel ? panel->monthCalendarView() : nullptr;
}

void showDayAndReload(const Date& day, PlannerWeekView* weekPlanner)
{
    if (MonthCalendarView* month = miniMonth()) {
        month->setMonthDate(day);
        month->setCurrentDay(day);
    }
    if (MainViewAccess* mainView = MainViewAccess::current())
        mainView->reloadLeftPageData();
    else if (weekPlanner)
        weekPlanner->reloadData();
}

}  // namespace PlannerContext
