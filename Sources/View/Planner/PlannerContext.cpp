#include "PlannerContext.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "Date.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
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

void goToDate(const Date& date, QObject* sender, bool setMonthAgain)
{
    MonthCalendarView* month = miniMonth();
    if (!month) return;
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kClearSelectedNavigatorMonth, sender);
    month->setMonthDate(date);
    MainViewAccess* mainView = MainViewAccess::current();
    if (MonthNavigation* navigator = mainView ? mainView->monthNav() : nullptr)
        if (!navigator->monthList().empty())
            navigator->monthList().front()->monthCalendarView()->setNavigatorSelectedDayInSiblingMonth(date);
    if (mainView && mainView->isPlannerExpand()) {
        month->setCurrentDay(date, false);
        if (setMonthAgain) month->setMonthDate(date);
        mainView->reloadPlannerView(false);
    }
}

}  // namespace PlannerContext
