#include "TaskListTableView.h"

TaskListTableView::TaskListTableView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
}

TaskListTableView::~TaskListTableView() = default;

void TaskListTableView::reloadData(const TaskPtr& item)
{
    ++m_reloadCount;
    m_lastReloadedItem = item;
}

void TaskListTableView::moveToTop(const TaskPtr& item)
{
    ++m_moveToTopCount;
    m_lastMovedItem = item;
}

bool TaskListTableView::showPopupEditDetail(const TaskPtr& item)
{
    ++m_showPopupCount;
    m_lastShownItem = item;
    return false;
}

void TaskListTableView::deselectAll()
{
    ++m_deselectCount;
}
