#include "MonthView.h"

#include "Clock.h"
#include "MonthCalendarView.h"
#include "Utilities.h"

#include <QLocale>

MonthView::MonthView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_monthCalendarView = new MonthCalendarView(QRectF(QPointF(), frame.size()), this);
}

MonthView::~MonthView() = default;

void MonthView::goToday()
{
    const Date today = Utilities::newDateOnDate(Clock::now(), 0, 0);
    m_monthCalendarView->setMonthDate(today);
    m_monthCalendarView->setCurrentDay(today);
}

QString MonthView::preferredLang()
{
    const QStringList languages = QLocale().uiLanguages();
    const QString first = languages.isEmpty() ? QLocale().name() : languages.first();
    // "ja-JP" and "ja_JP" are both Japanese.
    return first.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
}

void MonthView::reloadDataWithDaylabel(bool withDayLabel)
{
    reloadDataWithDaylabel(withDayLabel, false);
}

void MonthView::reloadDataWithDaylabel(bool, bool forceIfHide)
{
    if (isHidden() && !forceIfHide) return;
    ++m_reloadCount;
}
