#include "TaskListView.h"
#include "StartupTrace.h"

#include "AlertPresenter.h"
#include "CalendarView.h"
#include "Color.h"
#include "Common.h"
#include "CoreData.h"
#include "Font.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "PopUpButton.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "SegmentedControl.h"
#include "TaskListTableView.h"
#include "TextTable.h"
#include "TodayPlanner.h"
#include "UIUtilities.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>

namespace {

struct FilterSegment {
    int tag;
    QImage image;
    QString toolTip;
};

std::vector<FilterSegment> filterSegments()
{
    return {
        {0, NamedImages::imageNamed(QStringLiteral("filter_all")), TextTable::localizedString(QStringLiteral("filterAllText"))},
        {3, NamedImages::imageNamed(QStringLiteral("filter_gtdo")), TextTable::localizedString(QStringLiteral("filterGTDText"))},
        {2, NamedImages::imageNamed(QStringLiteral("filter_star")), TextTable::localizedString(QStringLiteral("filterStarredText"))},
        {4, NamedImages::imageNamed(QStringLiteral("filter_due")), TextTable::localizedString(QStringLiteral("filterDueText"))},
        {6, NamedImages::imageNamed(QStringLiteral("filter_long")), TextTable::localizedString(QStringLiteral("filterLongText"))},
        {7, NamedImages::imageNamed(QStringLiteral("filter_short")), TextTable::localizedString(QStringLiteral("filterShortText"))},
    };
}

bool filterForcesOrder(qint64 filter)
{
    return filter == 4 || filter == 6 || filter == 7;
}

}  // namespace

TaskListView::TaskListView(const QRectF& frame, QWidget* parent) : BottomGripPage(frame, parent)
{
    setFlipped(true);
    const double W = frame.width();
    const double H = frame.height();

    // The type chooser stays at Tasks; it is kept, not shown.
    m_typeViewBtn = UIUtilities::createButtonWithFrame(
        QRectF(), QStringLiteral("TypeView"), 12, this, {},
        {TextTable::localizedString(QStringLiteral("tasksText")), TextTable::localizedString(QStringLiteral("historyText"))});
    m_typeViewBtn->setParent(this);
    m_typeViewBtn->selectItemWithTag(taskViewTag);
    m_typeViewBtn->hide();

    m_filterBtn = new SegmentedControl(QRectF(4, 1, std::max(0.0, W - 4), 29));
    const std::vector<FilterSegment> segments = filterSegments();
    m_filterBtn->setSegmentCount(int(segments.size()));
    const double segmentWidth = std::max(0.0, (W - 14) / 6);
    for (int segment = 0; segment < int(segments.size()); ++segment) {
        const FilterSegment& s = segments[std::size_t(segment)];
        m_filterBtn->setImage(s.image, segment);
        m_filterBtn->setToolTip(s.toolTip, segment);
        m_filterBtn->setTag(s.tag, segment);
        m_filterBtn->setWidth(segmentWidth, segment);
    }
    m_filterBtn->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 11));
    m_filterBtn->setTarget(this, [this](SegmentedControl*) { selectTypeOfFilter(); });
    m_filterBtn->setSelectedSegment(0);
    addSubview(m_filterBtn);

    m_tableScrollView = new ScrollView(QRectF(2, 30, std::max(0.0, W - 4), std::max(0.0, H - 31)));
    m_tableScrollView->setHasVerticalScroller(true);
    m_tableView = new TaskListTableView(
        QRectF(0, 0, ScrollView::contentWidthForFrameWidth(std::max(0.0, W - 4), true), std::max(0.0, H - 30)));
    m_tableView->setAutoresizingMask(ViewWidthSizable);
    m_tableView->setParentView(this);
    m_tableScrollView->setDocumentView(m_tableView);
    addSubview(m_tableScrollView);

    addItemMarkers();
    rearrangeView();
    updateTrackingAreas();

    // New items follow the filter the user looks at.
    TaskListState::setCurrent(this);
}

TaskListView::~TaskListView()
{
    m_reloadTodayTaskTimer.invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (&TaskListState::current() == this) TaskListState::setCurrent(nullptr);
}

void TaskListView::setTypeOfView(int type, FirstPlan firstPlan)
{
    m_typeOfView = type;
    // The main list keeps the week's plan in step with the working hours;
    // a panel of another kind plans nothing.
    const bool observe = type == mainListType;
    if (observe == m_observesWorkingHours) return;
    m_observesWorkingHours = observe;
    if (observe) {
        if (firstPlan == FirstPlan::Now) resetTimer();
        NotificationCenter::defaultCenter().addObserver(
            this, kTimeManagerChanged, nullptr, [this](const Notification& note) { callResetTimer(note.name()); });
    } else {
        m_reloadTodayTaskTimer.invalidate();
        NotificationCenter::defaultCenter().removeObserver(this, kTimeManagerChanged);
    }
}

void TaskListView::reloadData(DayGrid dayGrid)
{
    // The plan and the list filter the same open tasks.
    const CoreData::SharedPasses shared(CoreData::shared());
    resetTimer(dayGrid);
    reloadTaskIfNeeded();
}

void TaskListView::reloadTaskIfNeeded()
{
    ++m_reloadCount;
    m_tableView->loadDataWithFilter(int(m_filterIndex), 0);
    StartupTrace::mark("task list: rows");
}

void TaskListView::prepareNextLoad(std::size_t rowsPerSlice)
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    // Kept by the data manager and brought up to date at the load.
    if (!manager->firstOpenTaskOrders()) return;
    const TaskList listed = manager->getTaskFromTaskList(manager->allTasksEventsAdes(), int(m_filterIndex), 0);
    m_tableView->prepareRows(std::size_t(listed.size()),
                             rowsPerSlice != 0 ? rowsPerSlice : TaskListTableView::rowsPerPreparedSlice);
}

void TaskListView::resetTimer(DayGrid dayGrid)
{
    if (CoreData* manager = CoreData::shared()) TodayPlanner::repairOrder(*manager);
    StartupTrace::mark("task list: order checked");
    m_reloadTodayTaskTimer.invalidate();
    reloadTodayTask(this, dayGrid);
    const QPointer<TaskListView> pane(this);
    m_reloadTodayTaskTimer = Scheduler::current().scheduleTimer(reloadTodayTaskInterval, true, [pane] {
        if (!pane) return;
        // A pass rebuilds the list: never under a question on screen.
        if (!AlertPresenter::isAlertRunning()) {
            pane->reloadTodayTask(nullptr);
            return;
        }
        if (pane->m_timedPassWaits) return;
        pane->m_timedPassWaits = true;
        AlertPresenter::whenNoAlertRuns([pane] {
            if (!pane) return;
            pane->m_timedPassWaits = false;
            pane->reloadTodayTask(nullptr);
        });
    });
}

void TaskListView::callResetTimer(const QString& notificationName)
{
    if (notificationName != kTimeManagerChanged) return;
    resetTimer();
    reloadTaskIfNeeded();
}

void TaskListView::selectTypeOfFilter()
{
    const int segment = m_filterBtn->selectedSegment();
    if (segment < 0) return;
    m_filterIndex = m_filterBtn->tagForSegment(segment);
    m_forceSort = filterForcesOrder(m_filterIndex);
    if (CoreData* manager = CoreData::shared()) manager->setTaskFilterMenuIndex(quint64(m_filterIndex));
    if (typeViewSelectedTag() == taskViewTag) m_todayTaskFilterIndex = m_filterIndex;
    reloadData();
}

qint64 TaskListView::typeViewSelectedTag() const
{
    const PopUpItem* item = m_typeViewBtn ? m_typeViewBtn->selectedItem() : nullptr;
    return item ? item->tag : 0;
}

void TaskListView::setFilterIndex(int index)
{
    if (index < 0) {
        qWarning() << "The task list was given the filter" << index << "; it lists without a filter";
        index = 0;
    }
    m_filterIndex = index;
}

void TaskListView::reloadTodayTask(QObject* sender, DayGrid dayGrid)
{
    ++m_reloadTodayTaskCount;
    if (CoreData* manager = CoreData::shared())
        TodayPlanner::runPass(*manager, int(m_todayTaskFilterIndex), m_forceSort);
    StartupTrace::mark("task list: week planned");
    if (m_calendarView && dayGrid == DayGrid::Reload) m_calendarView->reloadData();
    if (sender != this) reloadTaskIfNeeded();
}

void TaskListView::setCalendarView(CalendarView* view)
{
    m_calendarView = view;
    if (!view) return;
    // A reorder on the grid warns while the list shows its tasks filtered.
    view->setTaskListFilterQuery([list = QPointer<TaskListView>(this)] {
        if (!list) return false;
        const PopUpItem* shown = list->typeViewBtn() ? list->typeViewBtn()->selectedItem() : nullptr;
        return shown && shown->tag == taskViewTag && list->filterIndex() != 0;
    });
}

CalendarView* TaskListView::calendarView() const
{
    return m_calendarView;
}

// ---- layout and the grip -------------------------------------------------------------

void TaskListView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    BottomGripPage::resizeSubviewsWithOldSize(oldSize);
    rearrangeView();
    updateTrackingAreas();
}

void TaskListView::rearrangeView()
{
    if (!m_tableScrollView) return;
    QRectF scroll = m_tableScrollView->frame();
    scroll.setHeight(std::max(0.0, bounds().height() - 31));
    m_tableScrollView->setFrame(scroll);
    // A shorter pane shows no scroller for rows that fit.
    m_tableView->fitHeight();
    placeItemMarkers(scroll, m_tableView->rowHeight());
}

void TaskListView::drawRect(QPainter& painter, const QRectF&)
{
    drawBorder(painter);
    if (!isMoving()) return;
    const QRectF b = bounds();
    painter.setPen(QPen(Color::black(), 2));
    painter.drawLine(QPointF(0, b.height() - 1), QPointF(b.width(), b.height() - 1));
}
