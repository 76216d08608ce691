#include "MainView.h"

#include "CalendarView.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "DayCalendarView.h"
#include "FocusPaneDetailView.h"
#include "FocusPaneView.h"
#include "ListModuleView.h"
#include "MonthCalendarView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "NoteListTableView.h"
#include "NoteListView.h"
#include "PlannerMonthView.h"
#include "PlannerWeekView.h"
#include "TaskListTableView.h"
#include "TaskListView.h"

// The panes a link list reveals its items in, one step each: the day grid,
// the focus pane, the task, note and category lists, the two panes of the
// week planner and the month planner. A pane that shows the item takes the
// highlight from the others; one that does not answers no and the list goes
// on to its next step (or says the link is hidden).

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

bool MainView::revealInCategoryList(const TaskPtr& item)
{
    // The item's project opens in its detail panel with the item selected.
    return revealedIn(this, m_listModuleView->categoryListView()->categoryListTableView(),
                      [&item](CategoryListTableView* list) { return list->revealToTask(item); });
}

bool MainView::revealInMonthPlanner(const TaskPtr& item)
{
    // The planner moves to the item's day and selects its chip there; that
    // day is the selected one, which the navigator beside it frames too.
    if (!revealedIn(this, m_monthPlannerView, [&item](PlannerMonthView* planner) { return planner->revealToItem(item); }))
        return false;
    m_monthNav->frameSelectedDay();
    return true;
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
