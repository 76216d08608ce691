#include "PlannerContext.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "Date.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "PlannerWeekView.h"

#include <QPointer>

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

bool deferReloadUnderAlert(QObject* view, bool& pending, std::function<void()> reload)
{
    if (!AlertPresenter::isAlertRunning()) {
        pending = false;
        return false;
    }
    if (pending) return true;
    pending = true;
    // `pending` belongs to the view: read only while the view lives.
    AlertPresenter::whenNoAlertRuns([guard = QPointer<QObject>(view), &pending, reload = std::move(reload)] {
        if (guard && pending) reload();
    });
    return true;
}

}  // namespace PlannerContext
