#include "CategoryDetailView.h"

#include "CategoryDetailListItemView.h"

#include <QDebug>

CategoryDetailView::CategoryDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_listView = new CategoryDetailListItemView(bounds(), this);
    m_listView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
}

CategoryDetailView::~CategoryDetailView() = default;

void CategoryDetailView::setFocusTab(int tab)
{
    if (tab < 0) {
        qWarning() << "A category's detail was asked for tab" << tab << "; it shows the first tab";
        tab = 0;
    }
    m_focusTab = tab;
}

void CategoryDetailView::setCalendar(const CalendarPtr& calendar)
{
    m_calendar = calendar;
    m_listView->setCalendar(calendar);
    m_listView->loadData();
}
