#include "WeeklyPane.h"
#include "MoreItemsButton.h"

#include "AlertPresenter.h"
#include "Clock.h"
#include "CoreData.h"
#include "CalendarView.h"
#include "CurrentTimeIndicatorView.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "PlannerCellView.h"
#include "PlannerContext.h"
#include "PlannerWeekView.h"
#include "PlannerWeeklyItemView.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TimeLineView.h"
#include "Utilities.h"

#include <QPainter>

#include <cmath>

namespace {

SettingPtr weeklyPaneSetting()
{
    const CoreData* manager = CoreData::shared();
    return manager ? manager->currentSetting() : nullptr;
}

const QColor kWeeklySelectedColumnColor(136, 0, 0);

}  // namespace

WeeklyPane::WeeklyPane(const QRectF& frame, QWidget* parent) : PlannerBaseView(frame, parent)
{
    const double W = frame.width();
    for (size_t d = 0; d < m_cells.size(); ++d) {
        auto* cell = new PlannerCellView(QRectF(), this);
        cell->setParentView(this);
        m_cells[d] = cell;
    }
    m_columnDrops =
        std::make_unique<PlannerColumnDrops>(this, [this](const QPointF& point) { return columnAt(point); });
    const bool uses24 = Utilities::use24HourClock();
    for (int i = 0; i < rowCount; ++i) {
        const double hour = PlannerWeekLayout::hourHeight;
        auto* row = new TimeLineView(QRectF(0, hour * i, W, hour), this);
        row->setTag(i + 1);
        row->setPatternType(i < rowCount - 1 ? TimeLineView::HourAndHalfHour : TimeLineView::HourOnly);
        row->setBackgroundColor(Qt::white);
        row->setLineColor(Qt::black);
        row->timeLabel()->setStringValue(CalendarView::hourLabel(i, uses24));
        m_timeCellList.push_back(row);
    }
    m_timeManagerView = new TimeManagerView(QRectF(0, 0, W, PlannerWeekLayout::gridHeight), this);
    m_timeManagerView->setParentView(this);
    m_currentIndicatorView = new CurrentTimeIndicatorView(QRectF(54, 0, W + 60, 10), this);
    m_currentIndicatorView->setAttribute(Qt::WA_TransparentForMouseEvents);
    setItemWidth(PlannerWeekLayout::columnWidth(W));
    layOutParts();
}

WeeklyPane::~WeeklyPane()
{
    // The layer asks its host while it goes.
    if (m_timeManagerView) m_timeManagerView->setParentView(nullptr);
}

void WeeklyPane::setHourLabels()
{
    const bool uses24 = Utilities::use24HourClock();
    for (size_t i = 0; i < m_timeCellList.size(); ++i)
        m_timeCellList[i]->timeLabel()->setStringValue(CalendarView::hourLabel(int(i), uses24));
}

void WeeklyPane::layOutParts()
{
    const double w = PlannerBaseView::itemWidth();
    const double right = PlannerWeekLayout::columnsLeft + 7 * w;
    for (int d = 0; d < 7; ++d)
        m_cells[size_t(d)]->setFrame(QRectF(PlannerWeekLayout::columnsLeft + d * w, 0, w, frame().height()));
    for (TimeLineView* row : m_timeCellList)
        row->setFrame(QRectF(row->frame().x(), row->frame().y(), std::max(0.0, right - row->frame().x()),
                             row->frame().height()));
    const QRectF line = m_currentIndicatorView->frame();
    m_currentIndicatorView->setFrame(QRectF(line.x(), line.y(), 7 * w + 5, 10));
    const QRectF layer = m_timeManagerView->frame();
    // To the right edge of the last column: a narrower layer would leave the
    // end of that column where no drag makes an event.
    m_timeManagerView->setFrame(QRectF(layer.x(), layer.y(), std::max(0.0, right), layer.height()));
}

void WeeklyPane::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    PlannerBaseView::resizeSubviewsWithOldSize(oldSize);
    setItemWidth(PlannerWeekLayout::columnWidth(frame().width()));
    layOutParts();
}

void WeeklyPane::drawItems()
{
    if (!(PlannerBaseView::itemWidth() > 0)) return;
    // The blocks stay while a question about one of them is open.
    if (AlertPresenter::isAlertRunning()) return;
    beginReuse();
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = weeklyPaneSetting();
    if (manager) {
        const PlannerWeekLayout::HourGrid grid{PlannerBaseView::startDate(), PlannerBaseView::itemWidth(),
                                               setting ? setting->weekStartDay() : 0};
        std::vector<PlannerWeekLayout::GridMarker> markers;
        const std::vector<PlannerWeekLayout::Block> blocks =
            PlannerWeekLayout::layOutGrid(*manager, grid, m_normalEventList, &markers);
        for (const PlannerWeekLayout::Block& placed : blocks) {
            auto* block = qobject_cast<PlannerWeeklyItemView*>(keptItemViewFor(placed.item));
            // A block keeps the highlight of the item its editor shows.
            const bool kept = block;
            if (!block) block = reusableItemView<PlannerWeeklyItemView>();
            if (!block) block = new PlannerWeeklyItemView(QRectF());
            block->setParentView(this);
            block->setIsSquareBox(true);
            if (!kept) block->setHighlight(false);
            block->setTask(placed.item);
            if (placed.fixedEnd) block->setCanResizeEnd(false);
            if (placed.fixedStart) block->setCanResizeStart(false);
            block->setFrame(placed.frame);
            block->setUncoveredHeight(placed.uncoveredHeight);
            addToTaskList(block);
            block->show();
        }
        for (const PlannerWeekLayout::GridMarker& placed : markers) {
            auto* marker = new MoreItemsButton(placed.frame);
            marker->setItems(placed.items);
            addToTaskList(marker);
            marker->show();
            marker->raise();
        }
    }
    endReuse();
    const Date first = PlannerBaseView::startDate();
    for (int d = 0; d < 7; ++d) m_cells[size_t(d)]->setCellDate(PlannerWeekLayout::dayOn(first, d));
    const Date now = setting && manager
                         ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(), setting->currentTZ())
                         : Clock::now();
    const Date today = Utilities::today(now);
    const bool todayShown = first && Utilities::compareDateNoTime(today, first) >= 0
                            && Utilities::compareDateNoTime(today, PlannerWeekLayout::dayOn(first, 6)) <= 0;
    m_currentIndicatorView->setHidden(!todayShown);
    m_currentIndicatorView->raise();
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->refreshTimeLine();
    setSelectedItem(nullptr);
}

void WeeklyPane::refreshTimeLine(double hour)
{
    m_timeLineHour = hour;
    if (!std::isfinite(hour)) return;
    const QRectF line = m_currentIndicatorView->frame();
    m_currentIndicatorView->setFrame(QRectF(std::round(line.x()), PlannerWeekLayout::timeLineY(hour),
                                            std::round(line.width()), std::round(line.height())));
}

void WeeklyPane::drawSelectedDate(int column)
{
    const SettingPtr setting = weeklyPaneSetting();
    if (!setting || !setting->isWeekPlannerPinned()) return;
    m_currentDayIndexSelected = column;
    update();
}

void WeeklyPane::drawDraggingEvent(const TaskPtr& item, qint64 fromWeekday, qint64 toWeekday, double startY,
                                   double height)
{
    const double w = PlannerBaseView::itemWidth();
    if (!(w > 0)) return;
    clearDraggingEvent();
    for (const QRectF& frame :
         PlannerWeekLayout::ghostFrames(w, int(fromWeekday), int(toWeekday), startY, height, frame().height())) {
        auto* ghost = new PlannerWeeklyItemView(frame, this);
        ghost->setParentView(this);
        ghost->setIsSquareBox(true);
        ghost->setHighlight(true);
        ghost->setAlphaBg(0.3);
        ghost->setTask(item);
        // The layer under it goes on taking the drag.
        ghost->setAttribute(Qt::WA_TransparentForMouseEvents);
        ghost->show();
        m_draggingItems.emplace_back(ghost);
    }
}

void WeeklyPane::clearDraggingEvent()
{
    for (const QPointer<PlannerWeeklyItemView>& ghost : m_draggingItems) {
        if (!ghost) continue;
        ghost->setHidden(true);
        ghost->deleteLater();
    }
    m_draggingItems.clear();
}

bool WeeklyPane::showItemDay(const TaskPtr& item, bool openEditor)
{
    if (!item || item->taskType() != 0) return false;
    const Date day = Utilities::today(item->startTime());
    PlannerContext::showDayAndReload(day, m_parentView);
    if (ScrollView* scrollView = enclosingScrollView())
        scrollView->scrollToPoint(
            QPointF(0, double(Utilities::getHour(item->startTime())) * PlannerWeekLayout::hourHeight));
    return selectShownItem(*item, PlannerWeeklyItemView::staticMetaObject, openEditor);
}

bool WeeklyPane::showPopupEditDetail(const TaskPtr& item)
{
    return showItemDay(item, true);
}

bool WeeklyPane::revealToItem(const TaskPtr& item)
{
    return showItemDay(item, false);
}

void WeeklyPane::drawRect(QPainter& painter, const QRectF&)
{
    const double w = PlannerWeekLayout::columnWidth(frame().width());
    setItemWidth(w);
    const double left = PlannerWeekLayout::columnsLeft;
    const QColor fill = backgroundColor().isValid() ? backgroundColor() : QColor(Qt::white);
    painter.fillRect(QRectF(left, 0, 7 * w, frame().height()), fill);
    for (int k = 0; k <= 7; ++k) {
        const bool selected = k == m_currentDayIndexSelected || k == m_currentDayIndexSelected + 1;
        painter.setPen(QPen(selected ? kWeeklySelectedColumnColor : QColor(Qt::lightGray), selected ? 2 : 1));
        painter.drawLine(QPointF(left + k * w, 0), QPointF(left + k * w, frame().height()));
    }
    const double c = m_currentDayIndexSelected;
    painter.setPen(QPen(kWeeklySelectedColumnColor, 2));
    painter.drawLine(QPointF(left + c * w, frame().height() - 1), QPointF(left + (c + 1) * w, frame().height() - 1));
}

PlannerCellView* WeeklyPane::columnAt(const QPointF& point) const
{
    const double w = PlannerBaseView::itemWidth();
    if (!(w > 0)) return nullptr;
    const double column = std::floor((point.x() - PlannerWeekLayout::columnsLeft) / w);
    return column >= 0 && column <= 6 ? m_cells[size_t(column)] : nullptr;
}
