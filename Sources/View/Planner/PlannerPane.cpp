#include "PlannerPane.h"

#include "AlertPresenter.h"
#include "Button.h"
#include "Common.h"
#include "CoreData.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "PlannerCellView.h"
#include "PlannerContext.h"
#include "PlannerItemView.h"
#include "PlannerWeekView.h"
#include "Setting.h"
#include "Task.h"
#include "TaskView.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QPainter>

#include <cmath>

namespace {

SettingPtr plannerPaneSetting()
{
    const CoreData* manager = CoreData::shared();
    return manager ? manager->currentSetting() : nullptr;
}

double plannerPaneFontSize()
{
    const SettingPtr setting = plannerPaneSetting();
    return setting ? double(setting->currentFontSize()) : 13.0;
}

// The dark red of the selected day's column edges.
const QColor kWeekSelectedColumnColor(136, 0, 0);

}  // namespace

PlannerPane::PlannerPane(const QRectF& frame, QWidget* parent) : PlannerBaseView(frame, parent)
{
    for (size_t d = 0; d < m_cells.size(); ++d) {
        auto* cell = new PlannerCellView(QRectF(), this);
        cell->setParentView(this);
        m_cells[d] = cell;
    }
    m_columnDrops =
        std::make_unique<PlannerColumnDrops>(this, [this](const QPointF& point) { return columnAt(point); });
    // The width is known before the first drawing: a reload placed right
    // after the planner is shown finds its columns.
    setItemWidth(PlannerWeekLayout::columnWidth(frame.width()));
    NotificationCenter::defaultCenter().addObserver(this, TaskView::currentFontSizeChangedNotification, nullptr,
                                                    [this](const Notification&) { currentSizeChange(); });
}

PlannerPane::~PlannerPane() = default;

std::vector<Button*> PlannerPane::moreButtons() const
{
    std::vector<Button*> buttons;
    for (const QPointer<View>& view : taskList())
        if (auto* button = qobject_cast<Button*>(view.data())) buttons.push_back(button);
    return buttons;
}

void PlannerPane::drawItems()
{
    if (!(itemWidth() > 0)) return;
    // The chips stay while a question about one of them is open.
    if (AlertPresenter::isAlertRunning()) return;
    beginReuse();
    const double fontSize = plannerPaneFontSize();
    const PlannerWeekLayout::BandGrid grid{startDate(), itemWidth(), PlannerWeekLayout::rowHeight(fontSize),
                                           m_isExpand};
    const PlannerWeekLayout::BandResult layout = PlannerWeekLayout::layOutBand(grid, m_lists);
    for (const PlannerWeekLayout::BandChip& placed : layout.chips) {
        const TaskPtr& item = m_lists[placed.list][size_t(placed.index)];
        auto* chip = qobject_cast<PlannerItemView*>(keptItemViewFor(item));
        if (!chip) chip = reusableItemView<PlannerItemView>();
        if (chip)
            chip->setFrame(placed.frame);
        else
            chip = new PlannerItemView(placed.frame);
        chip->setTask(item);
        chip->setParentView(this);
        if (placed.fixedEdges) {
            chip->setCanResizeStart(false);
            chip->setCanResizeEnd(false);
        }
        addToTaskList(chip);
        chip->show();
    }
    const QString more = TextTable::localizedString(QStringLiteral("moreText"));
    for (const PlannerWeekLayout::MoreButton& placed : layout.buttons) {
        // Its background covers the column's lines beneath it.
        QImage background(QSize(std::max(1, int(std::ceil(placed.frame.width()))),
                                std::max(1, int(std::ceil(placed.frame.height())))),
                          QImage::Format_ARGB32_Premultiplied);
        background.fill(Common::commonBackgroundColor());
        Button* button = UIUtilities::createButton(
            QStringLiteral("%1 %2").arg(placed.count).arg(more), int(fontSize), Qt::black, Qt::AlignHCenter,
            ButtonType::Toggle, placed.frame, this, [this](Button*) { showMoreItem(); }, background, background, false);
        button->setTag(placed.column);
        addToTaskList(button);
        button->show();
    }
    endReuse();
    setFrame(QRectF(frame().x(), frame().y(), frame().width(), layout.height));
    for (int d = 0; d < 7; ++d) m_cells[size_t(d)]->setCellDate(PlannerWeekLayout::dayOn(startDate(), d));
    frameCells();
    setSelectedItem(nullptr);
}

void PlannerPane::drawSelectedDate(int column)
{
    const SettingPtr setting = plannerPaneSetting();
    if (!setting || !setting->isWeekPlannerPinned()) return;
    m_currentDayIndexSelected = column;
    update();
}

void PlannerPane::showMoreItem()
{
    m_isExpand = true;
    if (m_parentView) m_parentView->reloadData();
}

void PlannerPane::currentSizeChange()
{
    drawItems();
    if (m_parentView) m_parentView->resizeFrameOfEachParts();
}

bool PlannerPane::showItemDay(const TaskPtr& item, bool openEditor)
{
    if (!item) return false;
    const Date when = item->taskType() == 1 ? item->dueEnd() : item->startTime();
    const Date day = Utilities::today(when);
    PlannerContext::showDayAndReload(day, m_parentView);
    return selectShownItem(*item, PlannerItemView::staticMetaObject, openEditor);
}

bool PlannerPane::showPopupEditDetail(const TaskPtr& item)
{
    return showItemDay(item, true);
}

bool PlannerPane::revealToItem(const TaskPtr& item)
{
    return showItemDay(item, false);
}

void PlannerPane::frameCells()
{
    if (!(itemWidth() > 0)) return;
    for (int d = 0; d < 7; ++d)
        m_cells[size_t(d)]->setFrame(
            QRectF(PlannerWeekLayout::columnsLeft + d * itemWidth(), 0, itemWidth(), frame().height()));
}

void PlannerPane::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    PlannerBaseView::resizeSubviewsWithOldSize(oldSize);
    setItemWidth(PlannerWeekLayout::columnWidth(frame().width()));
    frameCells();
}

void PlannerPane::drawRect(QPainter& painter, const QRectF&)
{
    const double w = PlannerWeekLayout::columnWidth(frame().width());
    setItemWidth(w);
    for (int k = 0; k <= 7; ++k) {
        const bool selected = k == m_currentDayIndexSelected || k == m_currentDayIndexSelected + 1;
        painter.setPen(QPen(selected ? kWeekSelectedColumnColor : QColor(Qt::lightGray), selected ? 2 : 1));
        const double x = PlannerWeekLayout::columnsLeft + k * w;
        painter.drawLine(QPointF(x, 0), QPointF(x, frame().height()));
    }
}

PlannerCellView* PlannerPane::columnAt(const QPointF& point) const
{
    const double w = PlannerBaseView::itemWidth();
    if (!(w > 0)) return nullptr;
    const double column = std::floor((point.x() - PlannerWeekLayout::columnsLeft) / w);
    return column >= 0 && column <= 6 ? m_cells[size_t(column)] : nullptr;
}
