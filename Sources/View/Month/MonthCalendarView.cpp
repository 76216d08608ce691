#include "MonthCalendarView.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "Common.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "MainViewAccess.h"
#include "MonthCellView.h"
#include "MonthGridRules.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Task.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QPainter>
#include <QPointer>
#include <QPainterPath>

#include <algorithm>

namespace {

double g_navigatorCellWidth = 24;

qint64 weekStartOfSetting()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    return setting ? setting->weekStartDay() : 0;
}

}  // namespace

double MonthCalendarView::navigatorCellWidth()
{
    return g_navigatorCellWidth;
}

void MonthCalendarView::setNavigatorCellWidth(double width)
{
    g_navigatorCellWidth = width;
}

MonthCalendarView::MonthCalendarView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_cellHeight = frame.height() / 6;
    m_adeHeightInCell = MonthGridRules::laneHeight(m_cellHeight);
    m_monthCellList.reserve(MonthGridRules::cellCount);
    for (int i = 0; i < MonthGridRules::cellCount; ++i) {
        auto* cell = new MonthCellView(QRectF(0, 0, 36, 33), this);
        cell->setTag(i + 1);
        cell->setCellPosition(i / 8, i % 8);
        cell->setParentView(this);
        m_monthCellList.push_back(cell);
    }
    m_currentDateImgView = new ImageView(QRectF(29, m_cellHeight, 36, m_cellHeight), this);
    m_currentDateImgView->setImage(currentDateImage(QSizeF(36, m_cellHeight)));
    m_currentDateImgView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_currentDateImgView->hide();
    NotificationCenter::defaultCenter().addObserver(this, kNextPrevMonthNotification, nullptr,
                                                    [this](const Notification&) { nextPrevChanged(); });
}

MonthCalendarView::~MonthCalendarView()
{
    m_delayDrawInfoTimer.invalidate();
    m_refreshDeadlineTimer.invalidate();
}

bool MonthCalendarView::isNavMonth() const
{
    return m_parentView && m_parentView->isNavMonth();
}

MonthCalendarView* MonthCalendarView::mainGrid() const
{
    if (!isNavMonth()) return const_cast<MonthCalendarView*>(this);
    MainViewAccess* mainView = MainViewAccess::current();
    MonthView* panel = mainView ? mainView->monthView() : nullptr;
    return panel ? panel->monthCalendarView() : nullptr;
}

double MonthCalendarView::cellWidthHere() const
{
    return isNavMonth() ? g_navigatorCellWidth : MonthGridRules::mainCellWidth;
}

bool MonthCalendarView::setMonthDate(const Date& date)
{
    m_monthDate = date;
    if (date.isNull()) return false;
    const DateFields fields = GregorianCalendar::fields(date);
    if (fields.month == m_currentMonth && fields.year == m_currentYear) return false;
    const Date first = GregorianCalendar::dateFromFields(fields.year, fields.month, 1, 0, 0, 0);
    const int firstWeekday = GregorianCalendar::fields(first).weekday;
    m_isSixWeeksInMonth = MonthGridRules::isSixWeeksInMonth(
        firstWeekday, GregorianCalendar::daysInMonth(fields.year, fields.month), weekStartOfSetting());
    m_currentMonth = fields.month;
    m_currentYear = fields.year;
    if (isNavMonth())
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kSelectedMonthChangedNotification,
                                                                             static_cast<QObject*>(this));
    return true;
}

bool MonthCalendarView::setCurrentDay(const Date& date)
{
    return setCurrentDay(date, true);
}

bool MonthCalendarView::setCurrentDay(const Date& date, bool isReloadData)
{
    // Dates are values: the day already held is that very date.
    if (date.isNull() || date == m_currentDay) return true;
    m_currentDay = date;
    if (CoreData* manager = CoreData::shared()) manager->setCurrentSelectedDay(date);
    if (!isReloadData) {
        drawCurrentDate();
        return true;
    }
    if (setMonthDate(date)) return true;
    MainViewAccess* mainView = MainViewAccess::current();
    if (mainView && mainView->isPlannerExpand()) return false;
    drawCurrentDate();
    if (mainView) {
        mainView->reloadDataDayCalendar();
        mainView->reloadNoteList();
    }
    return false;
}

bool MonthCalendarView::setNavigatorSelectedDay(const Date& date)
{
    if (!isNavMonth()) return true;
    m_currentDay = date;
    if (CoreData* manager = CoreData::shared()) manager->setCurrentSelectedDay(date);
    drawCurrentDate();
    return false;
}

namespace {

// The navigator panel that shows the date's month, or the one at the end of
// the stack the month lies beyond. atEdge tells that none shows it.
MonthView* siblingPanel(const Date& date, bool& atEdge)
{
    atEdge = false;
    MainViewAccess* mainView = MainViewAccess::current();
    MonthNavigation* navigator = mainView ? mainView->monthNav() : nullptr;
    if (!navigator || navigator->monthList().empty()) return nullptr;
    const auto& panels = navigator->monthList();
    // Months counted with their years: the same month of another year is
    // not shown, and a stack running across the new year stays in order.
    const DateFields fields = GregorianCalendar::fields(date);
    const int month = fields.year * 12 + fields.month;
    for (size_t k = 0; k < panels.size(); ++k) {
        const MonthCalendarView* grid = panels[k]->monthCalendarView();
        const int shown = grid->currentYear() * 12 + grid->currentMonth();
        if (shown == month) return panels[k];
        if (k == 0 && shown > month) {
            atEdge = true;
            return panels[k];
        }
        if (k + 1 == panels.size() && shown < month) {
            atEdge = true;
            return panels[k];
        }
    }
    return panels.back();
}

}  // namespace

bool MonthCalendarView::drawOnlyNavigatorSelectedDayInSiblingMonth(const Date& date)
{
    if (!isNavMonth()) return true;
    bool atEdge = false;
    if (MonthView* panel = siblingPanel(date, atEdge)) panel->monthCalendarView()->drawSelectedDate(date, false);
    return false;
}

bool MonthCalendarView::setNavigatorSelectedDayInSiblingMonth(const Date& day)
{
    if (!isNavMonth()) return true;
    // A copy: the day may be a cell's, and moving the stack gives the cell another.
    const Date date = day;
    bool atEdge = false;
    MonthView* panel = siblingPanel(date, atEdge);
    if (!panel) return false;
    CoreData* manager = CoreData::shared();
    if (!atEdge) {
        MonthCalendarView* grid = panel->monthCalendarView();
        grid->setCurrentDay(date);
        if (manager) manager->setCurrentSelectedDay(grid->currentDay());
        grid->drawCurrentDate();
        return false;
    }
    if (manager) manager->setCurrentSelectedDay(date);
    MainViewAccess* mainView = MainViewAccess::current();
    MonthNavigation* navigator = mainView ? mainView->monthNav() : nullptr;
    if (!navigator) return false;
    navigator->reloadData();
    MonthCalendarView* first = navigator->monthList().front()->monthCalendarView();
    first->setCurrentDay(date);
    first->drawCurrentDate();
    return false;
}

void MonthCalendarView::drawMonthCells()
{
    if (m_monthDate.isNull()) return;
    const bool navigator = isNavMonth();
    const MonthGridRules::MonthLayout layout = MonthGridRules::monthLayout(m_monthDate, weekStartOfSetting());
    const auto days = MonthGridRules::daysFrom(layout.firstDay);
    int day = 0;
    for (int i = 0; i < MonthGridRules::cellCount; ++i) {
        MonthCellView* cell = m_monthCellList[size_t(i)];
        if (i % 8 != 0) {
            // A redraw of the same days keeps their shading until the delayed
            // refresh recounts it; clearing it made every reload flicker.
            const bool sameDay = cell->type() == 0 && cell->cellDate() == days[size_t(day)];
            cell->setType(0);
            cell->setCellDate(days[size_t(day)]);
            if (!sameDay) cell->setFreeRatio(0);
            cell->setGray(GregorianCalendar::fields(days[size_t(day)]).month != m_currentMonth);
            ++day;
        } else if (!navigator) {
            cell->setType(1);
            cell->setWeekNumber(layout.weekNumbers[size_t(i / 8)]);
        }
    }
    if (!navigator) refreshDueDots();
    refreshCellFrames();
    m_startTime = days.front();
    m_endTime = Utilities::resetTimeForDate(days.back(), 23, 59, 59);
    drawInfo(true);
    update();
}

void MonthCalendarView::refreshDueDots()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    std::vector<MonthCellView*> cells;
    QList<Date> dates;
    for (int i = 0; i < MonthGridRules::cellCount; ++i) {
        if (i % 8 == 0) continue;
        cells.push_back(m_monthCellList[size_t(i)]);
        dates.append(cells.back()->cellDate());
    }
    // One pass over the working list for all the days, not one per cell.
    std::vector<bool> due = manager->daysWithDueTasks(manager->allTasksEventsAdes(), dates);
    const SettingPtr setting = manager->currentSetting();
    if (setting && setting->showActiveTaskOnly()) {
        // The working list leaves out tasks that start after today then.
        if (const std::optional<TaskList> future = manager->futureTaskList()) {
            const std::vector<bool> later = manager->daysWithDueTasks(*future, dates);
            for (std::size_t k = 0; k < due.size(); ++k) due[k] = due[k] || later[k];
        }
    }
    for (std::size_t k = 0; k < cells.size(); ++k) cells[k]->setHasDot(due[k]);
}

void MonthCalendarView::drawInfo(bool redrawCurrentDate)
{
    if (redrawCurrentDate) drawCurrentDate();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kNextPrevMonthNotification,
                                                                         static_cast<QObject*>(this));
}

void MonthCalendarView::nextPrevChanged()
{
    m_delayDrawInfoTimer.invalidate();
    QPointer<MonthCalendarView> self(this);
    m_delayDrawInfoTimer = Scheduler::current().scheduleTimer(refreshDelaySeconds, true, [self] {
        if (self) self->refreshDelay();
    });
    // Redraws that keep coming (the reloads of another program writing into
    // the store every half second) put the refresh off by one more delay at
    // most, or the grid would show no shading or bars while they last.
    if (!m_refreshDeadlineTimer.isValid())
        m_refreshDeadlineTimer = Scheduler::current().scheduleTimer(2 * refreshDelaySeconds, false, [self] {
            if (self) self->refreshDelay();
        });
}

void MonthCalendarView::refreshDelay()
{
    m_delayDrawInfoTimer.invalidate();
    m_refreshDeadlineTimer.invalidate();
    // Qt's timers keep firing inside an alert: a drop's open repeat question
    // must not see the grid rebuilt under it.
    if (AlertPresenter::isAlertRunning()) {
        QPointer<MonthCalendarView> self(this);
        AlertPresenter::whenNoAlertRuns([self] {
            if (self) self->runDelayedRefresh();
        });
        return;
    }
    runDelayedRefresh();
}

void MonthCalendarView::refreshTodayMark()
{
    for (MonthCellView* cell : m_monthCellList) cell->refreshLabelLook();
}

void MonthCalendarView::runDelayedRefresh()
{
    // A grid laid out before midnight still marks the day before as today
    // until its month changes: every refresh marks today again.
    refreshTodayMark();
    CoreData* manager = CoreData::shared();
    if (!manager || m_startTime.isNull()) return;
    drawADEsForCurrentMonth();
    TaskList events = manager->getEventListFromDate(m_startTime, m_endTime);
    // The shading counts only the events the tag filter lets the views show.
    if (manager->isAppliedTagFilter()) {
        const QStringList shownTags = manager->getShowTag();
        events.removeIf([&](const TaskPtr& event) {
            const CalendarPtr category = manager->calendarWithPrimaryKey(event->calendarId());
            return !CoreData::passesTagFilter(category ? category->tagList() : QString(), event->tagList(), shownTags);
        });
    }
    calculateBusyRatio(events);
}

void MonthCalendarView::calculateBusyRatio(const TaskList& events)
{
    if (m_startTime.isNull()) return;
    const bool navigator = isNavMonth();
    std::array<Date, MonthGridRules::dayCount> days;
    std::array<bool, MonthGridRules::dayCount> skipped{};
    for (int k = 0; k < MonthGridRules::dayCount; ++k) {
        const MonthCellView* cell = m_monthCellList[size_t(MonthGridRules::cellOfDay(k))];
        days[size_t(k)] = cell->cellDate();
        skipped[size_t(k)] = navigator && cell->gray();
    }
    std::vector<MonthGridRules::BusySpan> spans;
    spans.reserve(size_t(events.size()));
    for (const TaskPtr& event : events) spans.push_back({event->tzStartTime(), event->tzEndTime()});
    const auto counts = MonthGridRules::busyCounts(days, spans, skipped);
    for (int k = 0; k < MonthGridRules::dayCount; ++k) {
        MonthCellView* cell = m_monthCellList[size_t(MonthGridRules::cellOfDay(k))];
        cell->setFreeRatio(skipped[size_t(k)] ? 0 : MonthGridRules::busyRatio(counts[size_t(k)]));
        cell->update();
    }
    for (int row = 0; row < 6; ++row) m_monthCellList[size_t(row * 8)]->update();
}

void MonthCalendarView::drawADEsForCurrentMonth()
{
    CoreData* manager = CoreData::shared();
    if (!manager || m_startTime.isNull()) return;
    const TaskList all = manager->allTasksEventsAdes();
    TaskList items;
    manager->fillRepeatEventInstances(manager->getAllRecurringADEsFromTaskList(all, QString()), items, m_startTime,
                                      m_endTime);
    for (const TaskPtr& item : manager->getADEsOnlyListFromTaskList(all, QString())) {
        if (!(m_endTime < item->startTime()) && !(item->endTime() < m_startTime)) items.append(item);
    }
    std::stable_sort(items.begin(), items.end(), [](const TaskPtr& a, const TaskPtr& b) {
        if (a->startTime() != b->startTime()) return a->startTime() < b->startTime();
        return a->duration() > b->duration();
    });
    drawAdes(items);
}

void MonthCalendarView::drawAdes(const TaskList& items)
{
    for (ImageView* bar : m_arrayOfImageView) bar->deleteLater();
    for (ImageView* bar : m_arrayOfImageView) bar->hide();
    m_arrayOfImageView.clear();
    if (items.isEmpty()) return;
    std::vector<MonthGridRules::LaneItem> spans;
    spans.reserve(size_t(items.size()));
    for (const TaskPtr& item : items) spans.push_back({item->startTime(), item->endTime()});
    const auto lanes = MonthGridRules::packLanes(spans, m_startTime, m_endTime);
    for (int lane = 0; lane < 3; ++lane)
        for (int index : lanes[size_t(lane)]) drawAdes(items.at(index), lane);
}

void MonthCalendarView::drawAdes(const TaskPtr& item, int lane)
{
    MonthGridRules::BarGeometry geometry;
    geometry.gridStart = m_startTime;
    geometry.gridEnd = m_endTime;
    geometry.weekStartDay = weekStartOfSetting();
    geometry.navigator = isNavMonth();
    geometry.cellWidth = cellWidthHere();
    geometry.cellHeight = m_cellHeight;
    geometry.leftMargin = geometry.navigator ? 6 : m_leftMargin;
    for (int i = 0; i < MonthGridRules::cellCount; ++i) geometry.grey[size_t(i)] = m_monthCellList[size_t(i)]->gray();
    const std::vector<QRectF> frames = MonthGridRules::barFrames({item->startTime(), item->endTime()}, lane, geometry);
    if (frames.empty()) return;

    qint64 group = 0;
    qint64 colour = 0;
    const CoreData* manager = CoreData::shared();
    if (const CalendarPtr category = manager ? manager->calendarWithPrimaryKey(item->calendarId()) : nullptr) {
        group = category->colorGroupId();
        colour = category->colorNameId();
    }
    const ColorObject palette = Utilities::colorInGroup(group, colour);
    for (const QRectF& frame : frames) {
        auto* bar = new ImageView(frame, this);
        bar->setImage(UIUtilities::getTaskBackgroundImageNoGradient(palette, 0.7, frame.size(), 0));
        // Clicks and drops belong to the day cells under the bar.
        bar->setAttribute(Qt::WA_TransparentForMouseEvents);
        bar->show();
        m_arrayOfImageView.push_back(bar);
    }
    m_currentDateImgView->raise();
}

QImage MonthCalendarView::currentDateImage(const QSizeF& size) const
{
    QImage image(QSize(qMax(1, qRound(size.width())), qMax(1, qRound(size.height()))), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QPen(Common::selectedDayColor(), 2));
    painter.drawRect(QRectF(1, 1, size.width() - 2, size.height() - 2));
    return image;
}

bool MonthCalendarView::isCurrentDateShown() const
{
    return !m_currentDateImgView->isHidden();
}

void MonthCalendarView::placeCurrentDate(const MonthCellView* cell)
{
    const int row = cell->cellRow();
    const int column = cell->cellCol();
    if (isNavMonth()) {
        const double w = g_navigatorCellWidth;
        const QRectF frame((column - 1) * w, row * m_cellHeight, w, m_cellHeight);
        if (m_currentDateImgView->frame().size() != frame.size())
            m_currentDateImgView->setImage(currentDateImage(frame.size()));
        m_currentDateImgView->setFrame(frame);
    } else {
        m_currentDateImgView->setFrameOrigin(QPointF(column * 36 - 8, row * m_cellHeight));
    }
    m_currentDateImgView->show();
    m_currentDateImgView->raise();
}

void MonthCalendarView::drawCurrentDate()
{
    removeCurrentDate();
    const MonthCalendarView* main = mainGrid();
    const Date selected = main ? main->monthDate() : Date();
    if (selected.isNull()) return;
    for (const MonthCellView* cell : m_monthCellList) {
        if (cell->type() == 0 && !cell->cellDate().isNull()
            && Utilities::compareDateNoTime(cell->cellDate(), selected) == 0) {
            placeCurrentDate(cell);
            return;
        }
    }
}

bool MonthCalendarView::drawSelectedDate(const Date& date, bool includeGray)
{
    removeCurrentDate();
    if (date.isNull()) return false;
    // By calendar day: a selected day may carry a time of day.
    for (const MonthCellView* cell : m_monthCellList) {
        if (cell->type() != 0 || cell->cellDate().isNull()
            || Utilities::compareDateNoTime(cell->cellDate(), date) != 0)
            continue;
        if (cell->gray() && !includeGray) return false;
        placeCurrentDate(cell);
        return true;
    }
    return false;
}

void MonthCalendarView::removeCurrentDate()
{
    m_currentDateImgView->hide();
}

void MonthCalendarView::refreshCellFrames()
{
    const double h = height() / 6.0;
    const bool navigator = isNavMonth();
    const double w = g_navigatorCellWidth;
    for (MonthCellView* cell : m_monthCellList) {
        const int row = cell->cellRow();
        const int column = cell->cellCol();
        QRectF frame;
        if (column == 0)
            frame = navigator ? QRectF(-w, row * h, w, h) : QRectF(0, row * h, 28, h);
        else
            frame = navigator ? QRectF((column - 1) * w, row * h, w, h) : QRectF(column * 36 - 8, row * h, 36, h);
        cell->setFrame(frame);
        cell->setCellType(12);
    }
}

void MonthCalendarView::reloadData()
{
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadLeftPageData();
}

void MonthCalendarView::drawRect(QPainter& painter, const QRectF&)
{
    const bool navigator = isNavMonth();
    const double h = height() / 6.0;
    const double cw = navigator ? g_navigatorCellWidth : 36;
    const double o = navigator ? g_navigatorCellWidth : 8;
    const double x0 = navigator ? 0 : 29;
    const double right = width();
    QPainterPath path;
    for (int k = 1; k <= 5; ++k) {
        path.moveTo(x0, k * h - 0.5);
        path.lineTo(right, k * h - 0.5);
    }
    path.moveTo(0, 6 * h - 0.5);
    path.lineTo(right, 6 * h - 0.5);
    path.moveTo(0.5, 0);
    path.lineTo(0.5, height());
    for (int k = 1; k <= 7; ++k) {
        path.moveTo(k * cw + 0.5 - o, 0);
        path.lineTo(k * cw + 0.5 - o, height());
    }
    path.moveTo(8 * cw - 0.5 - o, 0);
    path.lineTo(8 * cw - 0.5 - o, height());
    painter.setPen(QPen(QColor(211, 211, 211), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}
