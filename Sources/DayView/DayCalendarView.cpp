#include "DayCalendarView.h"

#include "CalendarView.h"
#include "FocusPaneDetailView.h"
#include "FocusPaneView.h"

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
    m_focusPaneView = new FocusPaneView(focusPaneFrame());
    addSubview(m_focusPaneView);
    placeHandle();
}

DayCalendarView::~DayCalendarView() = default;

MonthView* DayCalendarView::monthView() const
{
    return m_calendarView->monthView();
}

void DayCalendarView::setMonthView(MonthView* monthView)
{
    m_focusPaneView->setMonthView(monthView);
    m_calendarView->setMonthView(monthView);
}

void DayCalendarView::reloadData()
{
    m_focusPaneView->reloadData();
    m_calendarView->reloadData();
}

void DayCalendarView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    m_focusPaneView->focusPaneDetailView()->reloadData(changedItems);
    m_calendarView->reloadData(changedItems);
}

void DayCalendarView::moveToTop(const TaskPtr& item)
{
    m_focusPaneView->focusPaneDetailView()->moveToTop(item);
    m_calendarView->moveToTop(nullptr);
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
    m_focusPaneView->rearrangeView();
    update();
}

void DayCalendarView::rearrangeView()
{
    if (!m_focusPaneView) return;  // while the constructor runs
    const double pane = focusPaneListHeight() + focusPaneChrome;
    m_focusPaneView->setFrame(focusPaneFrame());
    m_calendarView->setFrameSize(QSizeF(m_calendarView->frame().width(), std::max(0.0, frame().height() - pane)));
    m_calendarView->rearrangeView();
    placeHandle();
}

void DayCalendarView::placeHandle()
{
    // The list may grow until the pane fills the day pane, and shrink to
    // nothing under the header.
    ResizeView* handle = m_focusPaneView->focusPaneResizeView();
    handle->setParentView(this);
    handle->setMinY(FocusPaneView::headerHeight);
    handle->setMaxY(frame().height() - FocusPaneView::handleHeight);
}

void DayCalendarView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    rearrangeView();
}
