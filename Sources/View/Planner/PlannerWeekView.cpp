#include "PlannerWeekView.h"

#include "AlertPresenter.h"
#include "Clock.h"
#include "Common.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "PlannerCellView.h"
#include "PlannerContext.h"
#include "PlannerTitleBar.h"
#include "PlannerMonthLayout.h"
#include "ScrollView.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QPainter>
#include <QPointer>

#include <cmath>

namespace {

Date weekPlannerToday()
{
    const SettingPtr setting = PlannerContext::setting();
    const CoreData* manager = CoreData::shared();
    return Utilities::today(setting && manager ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(),
                                                                           setting->currentTZ())
                                               : Clock::now());
}

const QColor kWeekHeaderSelectedColor(136, 0, 0);

}  // namespace

PlannerWeekView::PlannerWeekView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double W = frame.width(), H = frame.height();
    const double r = rowHeight();
    m_title = PlannerTitleBar::makeTitle(this, QRectF(0, 15, W, 25));
    m_control = PlannerTitleBar::makeControl(this, QPointF(60, 15), [this](int segment) { nextPrevWeek(segment); });

    for (size_t i = 0; i < m_arrayOfWeekDay.size(); ++i) {
        auto* header = new PlannerCellView(QRectF(), this);
        header->setParentView(this);
        m_arrayOfWeekDay[i] = header;
    }

    m_scrollPlannerPane = new ScrollView(QRectF(0, 63, W, 6 * r), this);
    m_scrollPlannerPane->setHasVerticalScroller(true);
    m_plannerPane = new PlannerPane(QRectF(0, 0, W, 6 * r));
    m_plannerPane->setParentView(this);
    m_scrollPlannerPane->setDocumentView(m_plannerPane);

    m_plannerResizeView = new ResizeView(QRectF(0, 6 * r + 64, W, 10), this);
    m_plannerResizeView->setParentView(this);
    m_plannerResizeView->setMinY(6 * r + 63);
    m_plannerResizeView->setMaxY(12 * r + 63);

    const double g = 6 * r + 74;
    m_scrollWeeklyPane = new ScrollView(QRectF(0, g, W, std::max(0.0, H - g - 11)), this);
    m_scrollWeeklyPane->setHasVerticalScroller(true);
    m_weeklyPane = new WeeklyPane(QRectF(0, 0, W, PlannerWeekLayout::gridHeight));
    m_weeklyPane->setParentView(this);
    m_weeklyPane->setBackgroundColor(Qt::white);
    m_scrollWeeklyPane->setDocumentView(m_weeklyPane);
    scrollToCurrentTime();
}

PlannerWeekView::~PlannerWeekView() = default;

double PlannerWeekView::rowHeight() const
{
    const SettingPtr setting = PlannerContext::setting();
    return PlannerWeekLayout::rowHeight(setting ? double(setting->currentFontSize()) : 13.0);
}

double PlannerWeekView::bandItemWidth() const
{
    return m_plannerPane->itemWidth();
}

void PlannerWeekView::reloadData()
{
    if (PlannerContext::deferReloadUnderAlert(this, m_reloadPending, [this] { reloadData(); })) return;
    reloadNow();
}

void PlannerWeekView::reloadNow()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = PlannerContext::setting();
    const qint64 weekStartDay = setting ? setting->weekStartDay() : 0;
    Date selected = manager ? manager->currentSelectedDay() : Date();
    if (!selected) selected = weekPlannerToday();

    const PlannerWeekLayout::Week week = PlannerWeekLayout::weekOf(selected, weekStartDay);
    if (!m_fromDate || Utilities::compareDateNoTime(week.from, m_fromDate) != 0) {
        m_plannerPane->setIsExpand(false);
        scrollToCurrentTime();
    }
    m_fromDate = week.from;
    m_toDate = week.to;

    const bool ja = MainViewAccess::current() && MainViewAccess::current()->preferredLang() == QLatin1String("ja");
    QString range;
    if (ja) {
        const QString dayWord = TextTable::localizedString(QStringLiteral("dayText"));
        range = QStringLiteral("%1%2%3 - %4%5%6")
                    .arg(Utilities::getMonthName(m_fromDate))
                    .arg(Utilities::getDay(m_fromDate))
                    .arg(dayWord, Utilities::getMonthName(m_toDate))
                    .arg(Utilities::getDay(m_toDate))
                    .arg(dayWord);
    } else {
        range = QStringLiteral("%1 - %2").arg(Utilities::getMonthDateString(m_fromDate),
                                              Utilities::getMonthDateString(m_toDate));
    }
    m_title->setColoredRuns({{range, Qt::black},
                             {QStringLiteral(" | "), Qt::gray},
                             {TextTable::localizedString(QStringLiteral("plannerTitle")), Qt::lightGray}});

    const QString names[7] = {TextTable::localizedString(QStringLiteral("sunText")),
                              TextTable::localizedString(QStringLiteral("monText")),
                              TextTable::localizedString(QStringLiteral("tueText")),
                              TextTable::localizedString(QStringLiteral("wedText")),
                              TextTable::localizedString(QStringLiteral("thuText")),
                              TextTable::localizedString(QStringLiteral("friText")),
                              TextTable::localizedString(QStringLiteral("satText"))};
    const int nameShift = weekStartDay == 1 ? 1 : 0;
    const Date today = weekPlannerToday();
    bool todayFound = false;
    m_currentDayIndex = -1;
    for (int i = 0; i < 7; ++i) {
        PlannerCellView* header = m_arrayOfWeekDay[size_t(i)];
        const Date date = PlannerWeekLayout::dayOn(m_fromDate, i);
        header->setCellDate(date);
        header->loadDayNumber();
        header->setDayName(names[(i + nameShift) % 7]);
        const bool isToday = !todayFound && date == today;
        todayFound = todayFound || isToday;
        header->setTodayState(isToday);
        if (m_currentDayIndex == -1 && Utilities::compareDateNoTime(date, selected) == 0) {
            m_currentDayIndex = i;
            m_plannerPane->drawSelectedDate(i);
            m_weeklyPane->drawSelectedDate(i);
        }
    }
    frameHeaders();
    m_plannerPane->setStartDate(m_fromDate);
    m_plannerPane->setEndDate(m_toDate);

    gatherItems();
    resizeFrameOfEachParts();
    update();
}

void PlannerWeekView::gatherItems()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = PlannerContext::setting();
    PlannerMonthLayout::Lists lists;
    if (manager) {
        // The month planner's filters serve any range of days.
        lists = PlannerMonthLayout::gatherItems(*manager, manager->allTasksEventsAdes(), m_fromDate, m_toDate,
                                                setting ? setting->zvwUserName() : QString());
        PlannerMonthLayout::sortItems(lists, m_fromDate);
    }
    PlannerWeekLayout::BandLists band;
    band[PlannerWeekLayout::AllDayEvents] = std::move(lists[PlannerMonthLayout::AllDayEvents]);
    band[PlannerWeekLayout::DueTasks] = std::move(lists[PlannerMonthLayout::DueTasks]);
    band[PlannerWeekLayout::DoneTasks] = std::move(lists[PlannerMonthLayout::DoneTasks]);
    band[PlannerWeekLayout::Notes] = std::move(lists[PlannerMonthLayout::Notes]);
    m_plannerPane->setLists(std::move(band));
    m_plannerPane->drawItems();

    m_weeklyPane->setStartDate(m_fromDate);
    m_weeklyPane->setEndDate(m_toDate);
    m_weeklyPane->setNormalEventList(std::move(lists[PlannerMonthLayout::TimedEvents]));
    m_weeklyPane->drawItems();
}

void PlannerWeekView::frameHeaders()
{
    const double c = bandItemWidth();
    for (int i = 0; i < 7; ++i)
        m_arrayOfWeekDay[size_t(i)]->setFrame(QRectF(PlannerWeekLayout::columnsLeft + i * c, 40, c, 23));
    m_plannerResizeView->setFrameSize(QSizeF(7 * c + 1, 10));
}

void PlannerWeekView::redrawItemsIfNeed()
{
    if (!(bandItemWidth() > 0)) return;
    frameHeaders();
    if (m_currentDayIndex >= 0) {
        drawSelectedDate(m_currentDayIndex);
        m_plannerPane->drawSelectedDate(m_currentDayIndex);
        m_weeklyPane->drawSelectedDate(m_currentDayIndex);
    }
    m_plannerPane->drawItems();
    m_weeklyPane->drawItems();
    resizeFrameOfEachParts();
}

void PlannerWeekView::resizeFrameOfEachParts()
{
    const double r = rowHeight();
    const double b = m_plannerPane->isExpand() ? std::min(12 * r, m_plannerPane->frame().height()) : 7 * r;
    layOutParts(b);
}

void PlannerWeekView::layOutParts(double b)
{
    const double W = frame().width(), H = frame().height();
    m_scrollPlannerPane->setFrame(QRectF(0, 63, W, b));
    m_plannerPane->setFrameSize(QSizeF(W, m_plannerPane->frame().height()));
    m_plannerResizeView->setFrameOrigin(QPointF(m_scrollPlannerPane->frame().x() + 59, b + 63));
    m_scrollWeeklyPane->setFrame(QRectF(0, b + 73, W, std::max(0.0, H - (b + 73) - bottomMargin)));
    m_weeklyPane->setFrameSize(QSizeF(W, m_weeklyPane->frame().height()));
}

void PlannerWeekView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    m_title->setFrame(QRectF(0, 15, frame().width() - 10, 25));
    layOutParts(m_scrollPlannerPane->frame().height());
    frameHeaders();
}

void PlannerWeekView::rearrangeViewWithDelta(double delta)
{
    if (!std::isfinite(delta)) return;
    // The band never grows past its own height.
    const double b = std::min(m_scrollPlannerPane->frame().height() + delta, m_plannerPane->frame().height());
    layOutParts(b);
    update();
}

void PlannerWeekView::scrollToCurrentTime()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = PlannerContext::setting();
    const double hour = setting && manager ? Utilities::getCurrentHour(setting->tzSupport() != 0, manager->appRootTZ(),
                                                                       setting->currentTZ(), Clock::now())
                                           : Utilities::getCurrentHour(false, 0, 0, Clock::now());
    m_scrollWeeklyPane->scrollToPoint(QPointF(0, PlannerWeekLayout::scrollYForHour(hour)));
}

void PlannerWeekView::nextPrevWeek(int segment)
{
    m_plannerPane->setIsExpand(false);
    MonthCalendarView* miniMonth = PlannerContext::miniMonth();
    Date date;
    if (segment == 1) {
        date = weekPlannerToday();
    } else if (miniMonth && (segment == 0 || segment == 2)) {
        const DateFields f = GregorianCalendar::fields(miniMonth->monthDate());
        date = GregorianCalendar::dateFromFields(f.year, f.month, f.day + (segment == 0 ? -7 : 7), f.hour, f.minute,
                                                 f.second);
    }
    if (date) goToDate(date, false);
    m_control->setSelectedSegment(-1);
}

void PlannerWeekView::labelClickAction(const QVariant& value)
{
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (ok && std::isfinite(seconds)) goToDate(Date::dateWithTimeIntervalSince1970(seconds), true);
}

void PlannerWeekView::goToDate(const Date& date, bool setMonthAgain)
{
    PlannerContext::goToDate(date, this, setMonthAgain);
}

void PlannerWeekView::collapseExpandPlanner()
{
    m_plannerPane->setIsExpand(!m_plannerPane->isExpand());
    reloadData();
}

void PlannerWeekView::drawSelectedDate(int)
{
    const SettingPtr setting = PlannerContext::setting();
    if (setting && setting->isWeekPlannerPinned()) update();
}

void PlannerWeekView::drawRect(QPainter& painter, const QRectF&)
{
    const QRectF b = bounds();
    painter.fillRect(QRectF(b.x(), b.y(), b.width(), b.height() - bottomMargin), Common::commonBackgroundColor());
    const double x0 = m_scrollPlannerPane->frame().x() + PlannerWeekLayout::columnsLeft;
    const double c = std::abs(std::trunc((frame().width() - m_scrollPlannerPane->frame().x() - 60) / 7));
    const QColor grey(Qt::lightGray);
    for (int k = 0; k <= 7; ++k) {
        const bool selected = k == m_currentDayIndex || k == m_currentDayIndex + 1;
        painter.setPen(QPen(selected ? kWeekHeaderSelectedColor : grey, selected ? 2 : 1));
        painter.drawLine(QPointF(x0 + k * c, 40), QPointF(x0 + k * c, 63));
    }
    painter.setPen(QPen(grey, 1));
    const double right = x0 + 7 * c;
    if (m_currentDayIndex >= 0) {
        painter.drawLine(QPointF(x0, 39.5), QPointF(x0 + m_currentDayIndex * c, 39.5));
        painter.drawLine(QPointF(x0 + (m_currentDayIndex + 1) * c, 39.5), QPointF(right, 39.5));
    } else {
        painter.drawLine(QPointF(x0, 39.5), QPointF(right, 39.5));
    }
    painter.drawLine(QPointF(x0, 62.5), QPointF(right, 62.5));
    const double bandBottom = m_scrollPlannerPane->frame().height() + 63.5;
    painter.drawLine(QPointF(x0, bandBottom), QPointF(right, bandBottom));
    if (m_currentDayIndex >= 0) {
        painter.setPen(QPen(kWeekHeaderSelectedColor, 2));
        painter.drawLine(QPointF(x0 + m_currentDayIndex * c, 40), QPointF(x0 + (m_currentDayIndex + 1) * c, 40));
    }
}
