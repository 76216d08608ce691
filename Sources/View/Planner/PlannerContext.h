#pragma once

#include "ModelTypes.h"

#include <functional>

class Date;
class MonthCalendarView;
class PlannerWeekView;
class QObject;

// What the planner views look up around them: the current settings and the
// main window's month calendar (either may be missing, as in tests).
namespace PlannerContext {

SettingPtr setting();
MonthCalendarView* miniMonth();

// Shows the day in the month calendar and selects it, then reloads the
// left page, or only the week planner when there is no main window.
void showDayAndReload(const Date& day, PlannerWeekView* weekPlanner);

// Nothing is rebuilt under an open question: its item views must live. True
// when one is open: `reload` then runs once it is answered, while `view`
// lives and `pending` (the view's own flag) still asks for it; false (and
// `pending` cleared) when the caller may reload now.
bool deferReloadUnderAlert(QObject* view, bool& pending, std::function<void()> reload);

// Goes to the day from a planner (`sender` of the navigator's notice): the
// month calendar shows it, the navigator marks it and, with the planner
// expanded, the day is selected (`setMonthAgain`: its month shown again)
// and the planner reloaded.
void goToDate(const Date& date, QObject* sender, bool setMonthAgain);

}  // namespace PlannerContext
