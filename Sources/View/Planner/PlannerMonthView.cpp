#include "PlannerMonthView.h"

#include "AlertPresenter.h"
#include "Button.h"
#include "Clock.h"
#include "Common.h"
#include "CoreData.h"
#include "Drawing.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "PlannerCellView.h"
#include "PlannerContext.h"
#include "PlannerItemView.h"
#include "PlannerTitleBar.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "Task.h"
#include "TaskView.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTimeZone>

#include <cmath>

namespace {

// Whole calendar days on, at the same time of day: never 86,400-second
// steps, which slip by an hour across a daylight-saving change.
Date monthPlannerDaysOn(const Date& date, int days)
{
    if (!date) return date;
    const QDateTime at = QDateTime::fromSecsSinceEpoch(date.wholeSecondsSince1970(), QTimeZone::systemTimeZone());
    return Date::dateWithTimeIntervalSince1970(double(at.addDays(days).toSecsSinceEpoch()));
}

const QColor kPlannerGridColor(Qt::lightGray);

}  // namespace

PlannerMonthView::PlannerMonthView(const QRectF& frame, QWidget* parent) : PlannerBaseView(frame, parent)
{
    const double W = frame.width(), H = frame.height();
    m_title = PlannerTitleBar::makeTitle(this, QRectF(0, 15, W - 10, 25));
    m_control = PlannerTitleBar::makeControl(this, QPointF(17, 15), [this](int segment) { nextPrevMonth(segment); });

    m_currentDateImgView = new ImageView(QRectF(29, 40, 100, std::max(0.0, H - 74)), this);
    m_currentDateImgView->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (int i = 0; i < cellCount; ++i) {
        auto* cell = new PlannerCellView(QRectF(), this);
        cell->setParentView(this);
        m_cells[size_t(i)] = cell;
    }

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, kSelectedMonthChangedNotification, nullptr,
                       [this](const Notification&) { resetExpandRowIndex(); });
    center.addObserver(this, TaskView::currentFontSizeChangedNotification, nullptr,
                       [this](const Notification&) { currentSizeChange(); });
}

PlannerMonthView::~PlannerMonthView() = default;

int PlannerMonthView::rows() const
{
    const MonthCalendarView* miniMonth = PlannerContext::miniMonth();
    return miniMonth && miniMonth->isSixWeeksInMonth() ? 6 : 5;
}

double PlannerMonthView::lineHeight() const
{
    const SettingPtr setting = PlannerContext::setting();
    const float size = setting ? setting->currentFontSize() : 13.0f;
    return double(size + 21.0f - 12.0f);
}

Date PlannerMonthView::firstShownDay(const Date& monthDate, qint64 weekStartDay)
{
    if (!monthDate) return monthDate;
    const DateFields f = GregorianCalendar::fields(monthDate);
    // Midnight of the 1st, then back to the week's first day in calendar
    // days: steps of 86,400 seconds slip by an hour across a clock change.
    const Date first = GregorianCalendar::dateFromFields(f.year, f.month, 1, 0, 0, 0);
    const qint64 weekday = Utilities::getWeekday(first);  // 1 Sunday ... 7 Saturday
    const int back = int(weekStartDay == 1 ? (weekday + 5) % 7 : weekday - 1);
    return monthPlannerDaysOn(first, -back);
}

void PlannerMonthView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    PlannerBaseView::resizeSubviewsWithOldSize(oldSize);
    m_title->setFrame(QRectF(0, 15, width() - 10, 25));
}

void PlannerMonthView::reloadData()
{
    if (itemWidth() == 0 || itemCellHeight() == 0) {
        m_reloadPending = true;
        return;
    }
    if (PlannerContext::deferReloadUnderAlert(this, m_reloadPending, [this] { reloadData(); })) return;
    reloadNow();
}

void PlannerMonthView::reloadNow()
{
    CoreData* manager = CoreData::shared();
    const SettingPtr setting = PlannerContext::setting();
    MonthCalendarView* miniMonth = PlannerContext::miniMonth();
    const Date monthDate = miniMonth ? miniMonth->monthDate() : Date();
    const qint64 weekStartDay = setting ? setting->weekStartDay() : 0;

    if (monthDate) {
        const bool ja = MainViewAccess::current() && MainViewAccess::current()->preferredLang() == QLatin1String("ja");
        const QString month =
            ja ? QStringLiteral("%1%2%3")
                     .arg(Utilities::getYear(monthDate))
                     .arg(TextTable::localizedString(QStringLiteral("repeatEveryYearText")),
                          Utilities::getMonthFullName(monthDate))
               : QStringLiteral("%1 %2").arg(Utilities::getMonthFullName(monthDate)).arg(Utilities::getYear(monthDate));
        const QString planner = TextTable::localizedString(QStringLiteral("plannerTitle"));
        m_title->setColoredRuns({{month, Qt::black}, {QStringLiteral(" | "), Qt::gray}, {planner, Qt::lightGray}});
        m_currentPlannerMonth = miniMonth->currentMonth();
    }

    const QString names[7] = {TextTable::localizedString(QStringLiteral("sunText")),
                              TextTable::localizedString(QStringLiteral("monText")),
                              TextTable::localizedString(QStringLiteral("tueText")),
                              TextTable::localizedString(QStringLiteral("wedText")),
                              TextTable::localizedString(QStringLiteral("thuText")),
                              TextTable::localizedString(QStringLiteral("friText")),
                              TextTable::localizedString(QStringLiteral("satText"))};
    const int nameShift = weekStartDay == 1 ? 1 : 0;

    setStartDate(firstShownDay(monthDate ? monthDate : Clock::now(), weekStartDay));
    const int rowCount = rows();
    // The cells, chips and grid lines take the rows of the month shown now,
    // not those of the month the last drawing found.
    fitCellsToRows();
    const int N = rowCount * 7;
    const bool skipFirst = m_expandRowIndex == rowCount - 1;
    const double r = itemCellHeight();
    const double X0 = frame().x();
    const Date selected = manager ? manager->currentSelectedDay() : Date();
    const Date now = setting ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(), setting->currentTZ())
                             : Clock::now();
    const Date today = Utilities::today(now);

    m_currentDayIndex = -1;
    m_currentDateImgView->setHidden(true);
    double y = 39.5, x = X0 - 0.5, previousExtra = 0;
    int shift = 0;
    Date date = startDate();
    bool todayFound = false;
    for (int i = 0; i < N; ++i) {
        if (i < 7 && skipFirst) {
            for (int k = 0; k < 7; ++k) m_cells[size_t(k)]->setBlankInfo();
            date = monthPlannerDaysOn(date, 7);
            shift = 7;
            i = 7;
        }
        const int j = i - shift;
        PlannerCellView* cell = m_cells[size_t(i)];
        if (m_expandRowIndex < PlannerMonthLayout::noExpandedRow && j >= N - 7) {
            date = monthPlannerDaysOn(date, 1);
            cell->setBlankInfo();
            continue;
        }
        const int c = j % 7;
        if (c == 0 && j > 0) y += r + previousExtra;
        if (j < 7) cell->setDayName(names[(j + nameShift) % 7]);
        cell->grayOutDate(Utilities::getMonth(date) != m_currentPlannerMonth);
        if (m_currentDayIndex == -1 && selected && Utilities::compareDateNoTime(date, selected) == 0) m_currentDayIndex = j;
        cell->setCellDate(date);
        cell->loadDayNumber();
        // Calendar days: the walk carries the month date's time of day.
        const bool isToday = !todayFound && Utilities::today(date) == today;
        todayFound = todayFound || isToday;
        cell->setTodayState(isToday);
        previousExtra = m_expandRowIndex == shift / 7 + j / 7 ? r : 0;
        if (c == 0) x = X0 - 0.5;
        cell->setFrame(QRectF(x, y, itemWidth(), r + previousExtra));
        cell->placeLabels();
        if (j == m_currentDayIndex) drawSelectedIndex(j, x, y, itemWidth(), r + previousExtra, false);
        x += itemWidth();
        date = monthPlannerDaysOn(date, 1);
    }
    if (rowCount == 5)
        for (int i = 35; i < cellCount; ++i) m_cells[size_t(i)]->setBlankInfo();
    setEndDate(monthPlannerDaysOn(date, -1));

    if (manager) {
        m_lists = PlannerMonthLayout::gatherItems(*manager, manager->allTasksEventsAdes(), startDate(), endDate(),
                                                  setting ? setting->zvwUserName() : QString());
        PlannerMonthLayout::sortItems(m_lists, startDate());
    } else {
        m_lists = {};
    }
    drawItems();
    update();
    setSelectedItem(nullptr);
}

void PlannerMonthView::drawItems()
{
    if (AlertPresenter::isAlertRunning()) return;
    clearTaskList();
    PlannerMonthLayout::Grid grid{startDate(), itemCellHeight(), lineHeight(), rows(), m_expandRowIndex, itemWidth()};
    const PlannerMonthLayout::Result layout = PlannerMonthLayout::layOut(grid, m_lists);
    m_yMinTracking = layout.yMinTracking;
    m_yMaxTracking = layout.yMaxTracking;
    for (const PlannerMonthLayout::Chip& placed : layout.chips) {
        auto* chip = new PlannerItemView(placed.frame);
        chip->setTask(m_lists[placed.list][size_t(placed.index)]);
        chip->setParentView(this);
        if (placed.setsEdges) {
            chip->setCanResizeStart(placed.canResizeStart);
            chip->setCanResizeEnd(placed.canResizeEnd);
        }
        addToTaskList(chip);
        chip->show();
    }
    const SettingPtr setting = PlannerContext::setting();
    const int titleSize = int(setting ? setting->currentFontSize() : 13.0f);
    const QString more = TextTable::localizedString(QStringLiteral("moreText"));
    for (const PlannerMonthLayout::MoreButton& placed : layout.buttons) {
        const int row = placed.row;
        // Its background covers the chip beneath it.
        QImage background(QSize(std::max(1, int(std::ceil(placed.frame.width()))),
                                std::max(1, int(std::ceil(placed.frame.height())))),
                          QImage::Format_ARGB32_Premultiplied);
        background.fill(Common::commonBackgroundColor());
        Button* button = UIUtilities::createButton(
            QStringLiteral("%1 %2").arg(placed.count).arg(more), titleSize, Qt::black, Qt::AlignHCenter,
            ButtonType::Toggle, placed.frame, this, [this, row](Button*) { showMoreItem(row); }, background, background,
            false);
        button->setTag(row);
        addToTaskList(button);
        button->show();
    }
}

std::vector<Button*> PlannerMonthView::moreButtons() const
{
    std::vector<Button*> buttons;
    for (const QPointer<View>& view : taskList())
        if (auto* button = qobject_cast<Button*>(view.data())) buttons.push_back(button);
    return buttons;
}

void PlannerMonthView::frameCells()
{
    const int rowCount = rows();
    const bool skipFirst = m_expandRowIndex == rowCount - 1;
    const double r = itemCellHeight();
    double y = 39.5, x = frame().x() - 0.5, previousExtra = 0;
    const int shift = skipFirst ? 7 : 0;
    for (int i = shift; i < rowCount * 7; ++i) {
        const int j = i - shift;
        PlannerCellView* cell = m_cells[size_t(i)];
        const int c = j % 7;
        if (c == 0 && j > 0) y += r + previousExtra;
        previousExtra = m_expandRowIndex == shift / 7 + j / 7 ? r : 0;
        if (c == 0) x = frame().x() - 0.5;
        if (!cell->isHidden()) {
            cell->setFrame(QRectF(x, y, itemWidth(), r + previousExtra));
            cell->placeLabels();
            if (j == m_currentDayIndex) drawSelectedIndex(j, x, y, itemWidth(), r + previousExtra, true);
        }
        x += itemWidth();
    }
}

void PlannerMonthView::redrawItemsIfNeed()
{
    if (itemWidth() == 0 || itemCellHeight() == 0) return;
    fitCellsToRows();
    frameCells();
    drawItems();
    update();
}

void PlannerMonthView::drawSelectedIndex(int index, double x, double y, double cellWidth, double cellHeight, bool isForce)
{
    const SettingPtr setting = PlannerContext::setting();
    if ((index != m_currentDayIndex && !isForce) || !setting || !setting->isMonthPlannerPinned()) return;
    m_currentDateImgView->setFrame(QRectF(x, y, cellWidth, cellHeight));
    QImage image(QSize(std::max(1, int(std::ceil(cellWidth))), std::max(1, int(std::ceil(cellHeight)))),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QPen(Common::selectedDayColor(), 2));
    painter.drawRect(QRectF(1, 1, cellWidth - 2, cellHeight - 2));
    painter.end();
    m_currentDateImgView->setImage(image);
    m_currentDateImgView->setHidden(false);
    m_currentDateImgView->raise();
}

void PlannerMonthView::fitCellsToRows()
{
    const double W = width(), H = height();
    setItemWidth(std::abs(std::trunc((W - frame().x() - 10) / 7)));
    setItemCellHeight((H - 34 - 40) / rows());
}

void PlannerMonthView::drawRect(QPainter& painter, const QRectF&)
{
    const double W = width(), H = height(), X0 = frame().x();
    painter.fillRect(QRectF(0, 0, W, H - 34), Common::commonBackgroundColor());
    const int rowCount = rows();
    const bool first = itemWidth() == 0 || itemCellHeight() == 0;
    fitCellsToRows();
    const double newWidth = itemWidth(), newHeight = itemCellHeight();
    // A reload asked before the first drawing runs once the sizes are known.
    if (first && m_reloadPending && newWidth > 0 && newHeight > 0)
        QMetaObject::invokeMethod(this, [this] { reloadData(); }, Qt::QueuedConnection);

    const double r = newHeight, left = X0 - 0.5;
    QPainterPath path;
    for (int k = 0; k <= 7; ++k) {
        path.moveTo(left + k * newWidth, 40);
        path.lineTo(left + k * newWidth, H - 34);
    }
    path.moveTo(left, 39.5);
    path.lineTo(left + 7 * newWidth, 39.5);
    double strip = 62.5;
    for (int k = 0; k < rowCount; ++k) {
        path.moveTo(left, strip);
        path.lineTo(left + 7 * newWidth, strip);
        if (m_expandRowIndex == rowCount - 1 && k == m_expandRowIndex - 1) break;
        const double bottom = strip + r - 23 + (k == m_expandRowIndex ? r : 0);
        path.moveTo(left, bottom);
        path.lineTo(left + 7 * newWidth, bottom);
        strip = bottom + 23;
    }
    painter.setPen(QPen(kPlannerGridColor, 1));
    // With a row doubled the walk reaches a strip line below the grid: the
    // lines stay inside the filled area.
    painter.setClipRect(QRectF(0, 0, W, H - 33.5));
    painter.drawPath(path);
}

void PlannerMonthView::showMoreItem(int row)
{
    m_expandRowIndex = row;
    if (MainViewAccess* mainView = MainViewAccess::current())
        mainView->reloadPlannerView(false);
    else
        reloadData();
    update();
}

void PlannerMonthView::nextPrevMonth(int segment)
{
    MonthCalendarView* miniMonth = PlannerContext::miniMonth();
    if (!miniMonth) return;
    Date date;
    if (segment == 1) {
        const SettingPtr setting = PlannerContext::setting();
        const CoreData* manager = CoreData::shared();
        date = Utilities::today(setting && manager ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(),
                                                                               setting->currentTZ())
                                                   : Clock::now());
    } else if (segment == 0 || segment == 2) {
        const DateFields f = GregorianCalendar::fields(miniMonth->monthDate());
        date = GregorianCalendar::dateFromFields(f.year, f.month + (segment == 0 ? -1 : 1), f.day, f.hour, f.minute,
                                                 f.second);
    }
    if (date) labelClickAction(QVariant::fromValue(date.timeIntervalSince1970()));
    m_control->setSelectedSegment(-1);
}

void PlannerMonthView::labelClickAction(const QVariant& value)
{
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (ok) PlannerContext::goToDate(Date::dateWithTimeIntervalSince1970(seconds), this, true);
}

bool PlannerMonthView::showItemDay(const TaskPtr& item, bool openEditor)
{
    if (!item) return false;
    const Date when = item->taskType() == 1 ? item->dueEnd() : item->startTime();
    const Date day = Utilities::newDateOnDate(when, 0, 0);
    MainViewAccess* mainView = MainViewAccess::current();
    if (MonthCalendarView* miniMonth = PlannerContext::miniMonth()) {
        miniMonth->setMonthDate(day);
        miniMonth->setCurrentDay(day);
    }
    if (mainView && mainView->isPlannerExpand())
        mainView->reloadLeftPageData();
    else
        reloadData();
    return selectShownItem(*item, PlannerItemView::staticMetaObject, openEditor);
}

bool PlannerMonthView::showPopupEditDetail(const TaskPtr& item)
{
    return showItemDay(item, true);
}

bool PlannerMonthView::revealToItem(const TaskPtr& item)
{
    return showItemDay(item, false);
}
