#include "CategoryListTableView.h"

#include "CategoryDetailPanel.h"

CategoryListTableView::CategoryListTableView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
}

CategoryListTableView::~CategoryListTableView() = default;

void CategoryListTableView::reloadData(const TaskPtr& item)
{
    ++m_reloadCount;
    m_lastReloadedItem = item;
}

void CategoryListTableView::moveToTop(const TaskPtr& item)
{
    ++m_moveToTopCount;
    m_lastMovedItem = item;
}

bool CategoryListTableView::showPopupEditDetail(const TaskPtr& item)
{
    ++m_showPopupCount;
    m_lastShownItem = item;
    return false;
}

bool CategoryListTableView::showPopupCalendarEditDetail(const CalendarPtr& category)
{
    ++m_showCalendarPopupCount;
    m_lastShownCategory = category;
    return false;
}
