#include "MainView.h"

#include "CalendarView.h"
#include "DayCalendarView.h"
#include "FocusPaneDetailView.h"
#include "FocusPaneView.h"
#include "ListModuleView.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NoteListTableView.h"
#include "NoteListView.h"
#include "PlannerWeekView.h"
#include "TaskListTableView.h"
#include "TaskListView.h"

// The panes a link list reveals its items in. The category list and the
// month planner have no reveal of their own yet, so their steps keep the
// default answer (not shown) and the list goes on to its next step.

namespace {

template <typename Pane, typename Reveal>
bool revealedIn(MainView* mainView, Pane* pane, Reveal reveal)
{
    if (!pane || !reveal(pane)) return false;
    mainView->clearHighlightExcept(pane);
    return true;
}

}  // namespace

bool MainView::revealInDayGrid(const TaskPtr& item)
{
    return revealedIn(this, m_dayCalendarView->calendarView(),
                      [&item](CalendarView* grid) { return grid->revealToEvent(item); });
}

bool MainView::revealInFocusPane(const TaskPtr& item)
{
    return revealedIn(this, m_dayCalendarView->focusPaneView()->focusPaneDetailView(),
                      [&item](FocusPaneDetailView* pane) { return pane->revealToEvent(item); });
}

bool MainView::revealInTaskList(const TaskPtr& item)
{
    return revealedIn(this, m_listModuleView->taskListView()->taskListTableView(),
                      [&item](TaskListTableView* list) { return list->revealToTask(item); });
}

bool MainView::revealInNoteList(const TaskPtr& item)
{
    return revealedIn(this, m_listModuleView->noteListView()->noteListTableView(),
                      [&item](NoteListTableView* list) { return list->revealToNote(item); });
}

bool MainView::revealInWeekPlannerWeekly(const TaskPtr& item)
{
    return revealedIn(this, m_weekPlannerView->weeklyPane(),
                      [&item](WeeklyPane* grid) { return grid->revealToItem(item); });
}

bool MainView::revealInWeekPlannerPane(const TaskPtr& item)
{
    return revealedIn(this, m_weekPlannerView->plannerPane(),
                      [&item](PlannerPane* band) { return band->revealToItem(item); });
}

void MainView::showDayInMiniMonth(double day)
{
    const Date date = Date::dateWithTimeIntervalSince1970(day);
    MonthCalendarView* miniMonth = m_monthView->monthCalendarView();
    miniMonth->setMonthDate(date);
    miniMonth->setCurrentDay(date);
}

void MainView::scrollNoteListToNote(const TaskPtr& note)
{
    m_listModuleView->noteListView()->noteListTableView()->scrollToNote(note);
}
