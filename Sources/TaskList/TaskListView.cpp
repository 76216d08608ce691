#include "TaskListView.h"

#include "CalendarView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "PopUpButton.h"
#include "TaskListTableView.h"
#include "TextTable.h"

#include <QDebug>

TaskListView::TaskListView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_typeViewBtn = new PopUpButton(QRectF(), this);
    m_typeViewBtn->addItemWithTitle(TextTable::localizedString(QStringLiteral("taskViewText")), taskViewTag);
    m_typeViewBtn->selectItemWithTag(taskViewTag);
    // The pop-up and the table belong to the list's own look, which comes
    // with the task list; until then the panel shows nothing of them.
    m_typeViewBtn->hide();
    m_tableView = new TaskListTableView(bounds(), this);
    m_tableView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
}

TaskListView::~TaskListView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TaskListView::setTypeOfView(int type)
{
    m_typeOfView = type;
    // The main list keeps the week's plan in step with the working hours;
    // a panel of another kind plans nothing.
    const bool observe = type == mainListType;
    if (observe == m_observesWorkingHours) return;
    m_observesWorkingHours = observe;
    if (observe)
        NotificationCenter::defaultCenter().addObserver(this, kTimeManagerChanged, nullptr,
                                                        [this](const Notification&) { reloadTodayTask(); });
    else
        NotificationCenter::defaultCenter().removeObserver(this, kTimeManagerChanged);
}

void TaskListView::reloadData()
{
    ++m_reloadCount;
}

void TaskListView::setFilterIndex(int index)
{
    if (index < 0) {
        qWarning() << "The task list was given the filter" << index << "; it lists without a filter";
        index = 0;
    }
    m_filterIndex = index;
}

void TaskListView::reloadTodayTask()
{
    ++m_reloadTodayTaskCount;
}

void TaskListView::setCalendarView(CalendarView* view)
{
    m_calendarView = view;
    if (!view) return;
    // A reorder on the grid warns while the list shows its tasks filtered.
    view->setTaskListFilterQuery([list = QPointer<TaskListView>(this)] {
        if (!list) return false;
        const PopUpItem* shown = list->typeViewBtn() ? list->typeViewBtn()->selectedItem() : nullptr;
        return shown && shown->tag == taskViewTag && list->filterIndex() != 0;
    });
}

CalendarView* TaskListView::calendarView() const
{
    return m_calendarView;
}
