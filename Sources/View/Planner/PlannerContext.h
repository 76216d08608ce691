#pragma once

#include "ModelTypes.h"

class Date;
class MonthCalendarView;
class PlannerWeekView;

// What the planner views look up around them: the current settings and the
// main window's month calendar (either may be missing, as in tests).
namespace PlannerContext {

SettingPtr setting();
MonthCalendarView* miniMonth();

// Shows the day in the month calendar and selects it, then reloads the
// left page, or only the week planner when there is no main window.
void showDayAndReload(const Date& day, PlannerWeekView* weekPlanner);

}  // namespace PlannerContext
