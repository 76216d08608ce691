#include "MonthCalendarView.h"

#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MainViewAccess.h"

MonthCalendarView::MonthCalendarView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
}

MonthCalendarView::~MonthCalendarView() = default;

bool MonthCalendarView::setMonthDate(const Date& date)
{
    const Date previous = m_monthDate;
    m_monthDate = date;
    if (date.isNull()) return false;
    if (previous.isNull()) return true;
    const DateFields before = GregorianCalendar::fields(previous);
    const DateFields now = GregorianCalendar::fields(date);
    return before.year != now.year || before.month != now.month;
}

bool MonthCalendarView::setCurrentDay(const Date& date)
{
    return setCurrentDay(date, true);
}

bool MonthCalendarView::setCurrentDay(const Date& date, bool isReloadData)
{
    if (date.isNull()) return true;
    m_currentDay = date;
    if (CoreData* dataManager = CoreData::shared()) dataManager->setCurrentSelectedDay(date);
    if (!isReloadData) return true;
    if (setMonthDate(date)) return true;
    MainViewAccess* mainView = MainViewAccess::current();
    if (mainView && !mainView->isPlannerExpand()) mainView->reloadDataDayCalendar();
    return false;
}

void MonthCalendarView::reloadData()
{
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadLeftPageData();
}
