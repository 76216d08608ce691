#include "MonthNavigation.h"

#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Setting.h"
#include "Utilities.h"

namespace {

SettingPtr navigatorSetting()
{
    const CoreData* manager = CoreData::shared();
    return manager ? manager->currentSetting() : nullptr;
}

int weekStartOfNavigatorSetting()
{
    const SettingPtr setting = navigatorSetting();
    return setting ? int(setting->weekStartDay()) : 0;
}

Date selectedDayOfDataManager()
{
    const CoreData* manager = CoreData::shared();
    return manager ? manager->currentSelectedDay() : Date();
}

}  // namespace

int MonthNavigation::panelCountForHeight(double height)
{
    return height >= 780 ? 4 : 3;
}

QSizeF MonthNavigation::panelSizeForHeight(double height)
{
    const double panelHeight = height / panelCountForHeight(height);
    return QSizeF(170 * panelHeight / 195, panelHeight);
}

MonthNavigation::MonthNavigation(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_weekStart = weekStartOfNavigatorSetting();
    const int count = panelCountForHeight(frame.height());
    const QSizeF size = panelSizeForHeight(frame.height());
    for (int k = 0; k < count; ++k)
        m_monthList.push_back(new MonthView(QRectF(QPointF(0, k * size.height()), size), true, k == 0, this));
    reloadData();
    NotificationCenter::defaultCenter().addObserver(this, kClearSelectedNavigatorMonth, nullptr,
                                                    [this](const Notification&) { clearNavigatorSelected(); });
}

MonthNavigation::~MonthNavigation() = default;

void MonthNavigation::reloadData()
{
    if (isHidden()) return;
    m_weekStart = weekStartOfNavigatorSetting();
    if (m_monthList.empty()) return;
    const Date selected = selectedDayOfDataManager();
    if (selected.isNull()) return;
    MonthCalendarView* firstGrid = m_monthList.front()->monthCalendarView();
    const DateFields s = GregorianCalendar::fields(selected);
    const Date firstMonth = firstGrid->monthDate();
    int offset = -1;
    if (!firstMonth.isNull()) {
        const int shown = 12 * (s.year - GregorianCalendar::fields(firstMonth).year) + (s.month - firstGrid->currentMonth());
        if (shown >= 0 && shown <= int(m_monthList.size()) - 1) offset = shown;
    }
    Date base = selected;
    // The stack keeps its months while one of them shows the selected day.
    if (offset >= 0 && !firstGrid->currentDay().isNull()) base = firstGrid->currentDay();
    MonthView* remembered = nullptr;
    for (size_t k = 0; k < m_monthList.size(); ++k) {
        MonthView* panel = m_monthList[k];
        if (k > 0) {
            base = Utilities::dateWithNewMonthOffset(base, 1);
            const DateFields b = GregorianCalendar::fields(base);
            base = GregorianCalendar::dateFromFields(b.year, b.month, 1, b.hour, b.minute, b.second);
        }
        panel->monthCalendarView()->setMonthDate(base);
        panel->reloadDataWithDaylabel(false);
        if (int(k) == offset) remembered = panel;
    }
    update();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kClearSelectedNavigatorMonth,
                                                                         static_cast<QObject*>(this));
    if (remembered) remembered->monthCalendarView()->setNavigatorSelectedDay(selectedDayOfDataManager());
}

void MonthNavigation::frameSelectedDay()
{
    if (isHidden() || m_monthList.empty()) return;
    const Date selected = selectedDayOfDataManager();
    if (selected.isNull()) return;
    const DateFields s = GregorianCalendar::fields(selected);
    MonthCalendarView* showing = nullptr;
    for (MonthView* panel : m_monthList) {
        MonthCalendarView* grid = panel->monthCalendarView();
        grid->removeCurrentDate();
        const Date month = grid->monthDate();
        if (!showing && !month.isNull() && grid->currentMonth() == s.month &&
            GregorianCalendar::fields(month).year == s.year)
            showing = grid;
    }
    if (showing)
        showing->setNavigatorSelectedDay(selected);
    else
        reloadData();
}

void MonthNavigation::forceReloadData()
{
    m_weekStart = weekStartOfNavigatorSetting();
    const Date selected = selectedDayOfDataManager();
    if (selected.isNull()) return;
    Date base = selected;
    MainViewAccess* mainView = MainViewAccess::current();
    MonthView* mainPanel = mainView ? mainView->monthView() : nullptr;
    for (size_t k = 0; k < m_monthList.size(); ++k) {
        MonthCalendarView* grid = m_monthList[k]->monthCalendarView();
        grid->removeCurrentDate();
        if (k > 0) {
            base = Utilities::dateWithNewMonthOffset(base, 1);
            const DateFields b = GregorianCalendar::fields(base);
            base = GregorianCalendar::dateFromFields(b.year, b.month, 1, b.hour, b.minute, b.second);
        }
        if (grid->setCurrentDay(selected) && mainPanel) mainPanel->monthCalendarView()->setCurrentDay(selected);
        grid->setMonthDate(base);
        m_monthList[k]->reloadDataWithDaylabel(false);
    }
}

void MonthNavigation::reloadDataIfNeed()
{
    for (MonthView* panel : m_monthList) panel->monthCalendarView()->drawInfo(false);
}

void MonthNavigation::clearNavigatorSelected()
{
    const SettingPtr setting = navigatorSetting();
    MainViewAccess* mainView = MainViewAccess::current();
    if (setting && mainView) {
        if (setting->isMonthPlannerPinned())
            mainView->resetMonthPlannerExpandRow();
        else if (setting->isWeekPlannerPinned())
            mainView->collapseWeekPlannerBand();
    }
    for (MonthView* panel : m_monthList) panel->monthCalendarView()->removeCurrentDate();
}
