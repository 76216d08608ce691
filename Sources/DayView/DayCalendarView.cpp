#include "DayCalendarView.h"

#include "CalendarView.h"

#include <QDebug>

#include <cmath>

namespace {
double listHeight = 126;
}

double DayCalendarView::focusPaneListHeight()
{
    return listHeight;
}

void DayCalendarView::setFocusPaneListHeight(double height)
{
    if (!std::isfinite(height) || height < 0) {
        qWarning() << "The focus pane's list cannot be" << height << "points high; it stays" << listHeight;
        return;
    }
    listHeight = height;
}

DayCalendarView::DayCalendarView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double pane = focusPaneListHeight() + focusPaneChrome;
    m_calendarView = new CalendarView(QRectF(0, 0, frame.width(), std::max(0.0, frame.height() - pane)), this);
}

DayCalendarView::~DayCalendarView() = default;

MonthView* DayCalendarView::monthView() const
{
    return m_calendarView->monthView();
}

void DayCalendarView::setMonthView(MonthView* monthView)
{
    m_calendarView->setMonthView(monthView);
}

void DayCalendarView::reloadData()
{
    m_calendarView->reloadData();
}

void DayCalendarView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    m_calendarView->reloadData(changedItems);
}

void DayCalendarView::moveToTop(QObject* object)
{
    m_calendarView->moveToTop(object);
}

QRectF DayCalendarView::focusPaneFrame() const
{
    const double pane = focusPaneListHeight() + focusPaneChrome;
    return QRectF(0, frame().height() - pane, frame().width(), pane);
}

void DayCalendarView::rearrangeViewWithDelta(double delta)
{
    setFocusPaneListHeight(focusPaneListHeight() + delta);
    rearrangeView();
    update();
}

void DayCalendarView::rearrangeView()
{
    const double pane = focusPaneListHeight() + focusPaneChrome;
    m_calendarView->setFrameSize(QSizeF(m_calendarView->frame().width(), std::max(0.0, frame().height() - pane)));
    m_calendarView->rearrangeView();
}

void DayCalendarView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    rearrangeView();
}
