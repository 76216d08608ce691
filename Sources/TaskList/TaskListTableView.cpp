#include "TaskListTableView.h"

#include "RowCommands.h"
#include "StartupTrace.h"

#include "AlertPresenter.h"
#include "Color.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "DraggingImageComponent.h"
#include "ImageView.h"
#include "InfoListItemView.h"
#include "KeyedArchive.h"
#include "KeyedSort.h"
#include "TaskOrder.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "RecordStore.h"
#include "Notifications.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TaskListView.h"
#include "TextField.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QDebug>
#include <QGuiApplication>
#include <QMimeData>
#include <QSet>
#include <QStyleHints>

#include <algorithm>

namespace {

constexpr double headerHeight = 18;
constexpr double quickAddHeaderHeight = 26;
constexpr int daysPlanned = 7;
constexpr qint64 noKey = -99999;

// Weekday w: 1 Sunday ... 7 Saturday.
QString shortWeekdayText(int weekday)
{
    switch (std::clamp(weekday, 1, 7)) {
    case 1: return TextTable::localizedString(QStringLiteral("sunText"));
    case 2: return TextTable::localizedString(QStringLiteral("monText"));
    case 3: return TextTable::localizedString(QStringLiteral("tueText"));
    case 4: return TextTable::localizedString(QStringLiteral("wedText"));
    case 5: return TextTable::localizedString(QStringLiteral("thuText"));
    case 6: return TextTable::localizedString(QStringLiteral("friText"));
    default: return TextTable::localizedString(QStringLiteral("satText"));
    }
}

QString fullWeekdayText(int weekday)
{
    switch (std::clamp(weekday, 1, 7)) {
    case 1: return TextTable::localizedString(QStringLiteral("sundayText"));
    case 2: return TextTable::localizedString(QStringLiteral("mondayText"));
    case 3: return TextTable::localizedString(QStringLiteral("tuesdayText"));
    case 4: return TextTable::localizedString(QStringLiteral("wednesdayText"));
    case 5: return TextTable::localizedString(QStringLiteral("thursdayText"));
    case 6: return TextTable::localizedString(QStringLiteral("fridayText"));
    default: return TextTable::localizedString(QStringLiteral("saturdayText"));
    }
}

double systemDoubleClickInterval()
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
}

TaskListItemView* asItemRow(TableRowView* row)
{
    if (row && row->metaObject() == &TaskListItemView::staticMetaObject) return static_cast<TaskListItemView*>(row);
    return qobject_cast<TaskListItemView*>(row);
}

// The rows that take part in reordering: exactly the task row class, with a
// task.
TaskListItemView* asTaskRow(TableRowView* row)
{
    if (!row || row->metaObject() != &TaskListItemView::staticMetaObject) return nullptr;
    auto* item = static_cast<TaskListItemView*>(row);
    return item->task() ? item : nullptr;
}

bool forcesOrder(qint64 filter)
{
    return filter == 4 || filter == 6 || filter == 7;
}

// The item a drop carries; null when the payload does not decode, names a
// record that is gone, or its record could not be read (then unread is set:
// another program's lock refuses reads too).
TaskPtr droppedItem(const QMimeData& payload, bool* unread = nullptr)
{
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    const TaskList items = Task::readItemsFromPasteboard(payload);
    if (!items.isEmpty()) return items.front();
    const bool notRead = RecordStore::failedStepsOnThisThread() != failuresBefore;
    if (unread) *unread = notRead;
    if (notRead)
        qWarning() << "The item of a drop on the task list could not be read";
    else
        qWarning() << "A drop on the task list carries no item that is still stored; it is refused";
    return nullptr;
}

}  // namespace

TaskListTableView::TaskListTableView(const QRectF& frame, QWidget* parent) : OutlineView(frame, parent)
{
    // A long list builds the controls of the rows in view only.
    RowCommands::setUpListLook(*this, itemRowHeight, true);
    registerForDraggedTypes({KeyedArchive::mimeType});
    m_dragPreview = new ImageView(QRectF());
    m_dragPreview->setParent(this);
    m_dragPreview->setHidden(true);
}

TaskListTableView::~TaskListTableView()
{
    m_prepareRowsTimer.invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
    for (TableRowView* row : m_rootItems) delete row;
    for (TaskListItemView* row : m_spareRows) delete row;
}

void TaskListTableView::setParentView(TaskListView* pane)
{
    m_parentView = pane;
    m_parentGuard = pane;
}

// ---- pure parts ------------------------------------------------------------------

bool TaskListTableView::isDoubleClick(double lastMouseDown, double eventTime, double interval)
{
    return lastMouseDown != 0 && eventTime - lastMouseDown <= interval;
}

QString TaskListTableView::headerTextFor(int dayIndex, int weekday, const Date& groupDate, const QString& preferredLang)
{
    const QString dayName = fullWeekdayText(weekday);
    if (dayIndex == 0) return QStringLiteral("%1 - %2").arg(TextTable::localizedString(QStringLiteral("doTodayText")), dayName);
    if (dayIndex == 1)
        return QStringLiteral("%1 - %2").arg(TextTable::localizedString(QStringLiteral("doTomorrowText")), dayName);
    const QString monthDay = Utilities::getMonthDateString(groupDate);
    if (preferredLang == QLatin1String("ja"))
        return QStringLiteral("%1, %2%3").arg(dayName, monthDay, TextTable::localizedString(QStringLiteral("dayText")));
    return QStringLiteral("%1, %2").arg(dayName, monthDay);
}

// ---- outline answers ---------------------------------------------------------------

const InfoListItemView* TaskListTableView::headerOf(const TableRowView* row) const
{
    if (!row) return nullptr;
    for (const InfoListItemView* header : m_headers)
        if (header == row) return header;
    return nullptr;
}

void TaskListTableView::collectHeaders()
{
    m_headers.clear();
    const auto take = [this](const TableRowView* row) {
        if (const auto* header = qobject_cast<const InfoListItemView*>(row)) m_headers.push_back(header);
    };
    for (const TableRowView* row : m_rootItems) take(row);
    for (const std::vector<TableRowView*>& children : std::as_const(m_childItems))
        for (const TableRowView* row : children) take(row);
}

void TaskListTableView::setChildItems(const QMap<QString, std::vector<TableRowView*>>& items)
{
    m_childItems = items;
    collectHeaders();
}

int TaskListTableView::numberOfChildrenOfItem(TableRowView* item) const
{
    if (!item) return int(m_rootItems.size());
    if (const InfoListItemView* header = headerOf(item)) {
        const auto found = m_childItems.constFind(header->leftTextField()->stringValue());
        return found == m_childItems.constEnd() ? 0 : int(found->size());
    }
    return 0;
}

TableRowView* TaskListTableView::childOfItem(int index, TableRowView* item) const
{
    if (!item) return index >= 0 && index < int(m_rootItems.size()) ? m_rootItems[std::size_t(index)] : nullptr;
    if (const InfoListItemView* header = headerOf(item)) {
        const auto found = m_childItems.constFind(header->leftTextField()->stringValue());
        if (found != m_childItems.constEnd() && index >= 0 && index < int(found->size())) return (*found)[std::size_t(index)];
    }
    return nullptr;
}

bool TaskListTableView::isItemExpandable(TableRowView* item) const
{
    const InfoListItemView* header = headerOf(item);
    return header && header->isExpanable();
}

bool TaskListTableView::isGroupItem(TableRowView* item) const
{
    return isHeader(item);
}

bool TaskListTableView::shouldSelectItem(TableRowView* item) const
{
    return !isHeader(item);
}

TableRowView* TaskListTableView::rowViewForRow(int row)
{
    TableRowView* view = OutlineView::rowViewForRow(row);
    if (TaskListItemView* item = asItemRow(view)) item->bindIfPending();
    return view;
}

double TaskListTableView::heightOfRowByItem(TableRowView* item) const
{
    if (const InfoListItemView* header = headerOf(item))
        return header->quickAddTask()->isHidden() ? headerHeight : quickAddHeaderHeight;
    return rowHeight();
}

// ---- loading -----------------------------------------------------------------------

void TaskListTableView::clearRows()
{
    // Headers go later: a row may be the one whose handler is running. Item
    // rows are kept for the next load (reloads wait while a question runs).
    const bool onlyAppendedAndHeaders =
        m_childItems.isEmpty() && m_appendedRows.size() + m_headers.size() == m_rootItems.size();
    if (onlyAppendedAndHeaders) {
        m_spareRows.insert(m_spareRows.end(), m_appendedRows.begin(), m_appendedRows.end());
        for (const InfoListItemView* header : m_headers) {
            auto* row = const_cast<InfoListItemView*>(header);
            row->hide();
            row->deleteLater();
        }
    } else {
        for (TableRowView* row : m_rootItems) {
            if (!isHeader(row))
                if (TaskListItemView* item = asItemRow(row)) {
                    m_spareRows.push_back(item);
                    continue;
                }
            row->hide();
            row->deleteLater();
        }
    }
    m_appendedRows.clear();
    // Taken from the back: the rows of the last load come again in their
    // order, so a row whose item comes again at its place keeps it (its
    // binding then costs a flag).
    std::reverse(m_spareRows.begin(), m_spareRows.end());
    m_rootItems.clear();
    m_childItems.clear();
    m_headers.clear();
    m_selectedItem = nullptr;
}

void TaskListTableView::dropSpareRows()
{
    discardRows(m_spareRows);
}

void TaskListTableView::prepareRows(std::size_t count, std::size_t perSlice)
{
    m_prepareRowsTimer.invalidate();
    m_preparedRowsWanted = count;
    m_preparedRowsPerSlice = std::max<std::size_t>(perSlice, 1);
    if (m_spareRows.size() >= count) return;
    const QPointer<TaskListTableView> list(this);
    m_prepareRowsTimer = Scheduler::current().scheduleTimer(0, true, [list] {
        if (list) list->prepareRowSlice();
    });
}

void TaskListTableView::prepareRowSlice()
{
    const std::size_t wanted = std::min(m_preparedRowsWanted, m_spareRows.size() + m_preparedRowsPerSlice);
    while (m_spareRows.size() < wanted) {
        auto* row = new TaskListItemView();
        row->followLoadMark(m_loadMark);
        m_spareRows.push_back(row);
    }
    if (m_spareRows.size() >= m_preparedRowsWanted) m_prepareRowsTimer.invalidate();
}

void TaskListTableView::setRootItems(std::vector<TableRowView*> items)
{
    clearRows();
    dropSpareRows();
    m_rootItems = std::move(items);
    collectHeaders();
    reloadData();
    fitHeight();
}

TaskListItemView* TaskListTableView::appendRow(const TaskPtr& item)
{
    TaskListItemView* row = takeSpareRow(m_spareRows);
    if (!row) {
        row = new TaskListItemView();
        row->followLoadMark(m_loadMark);
    }
    row->setTaskWhenUsed(item);
    m_rootItems.push_back(row);
    m_appendedRows.push_back(row);
    return row;
}

void TaskListTableView::loadDataWithFilter(int filter, int typeOfTask)
{
    // Rows made after this load would wait unused for the next one.
    m_prepareRowsTimer.invalidate();
    // A question on screen may belong to a row: its reload waits until the
    // question has closed.
    if (AlertPresenter::isAlertRunning()) {
        const QPointer<TaskListTableView> list(this);
        AlertPresenter::whenNoAlertRuns([list, filter, typeOfTask] {
            if (list) list->loadDataWithFilter(filter, typeOfTask);
        });
        return;
    }
    CoreData* manager = CoreData::shared();
    if (!manager) {
        m_built.reset();
        clearRows();
        deselectAll();
        dropSpareRows();
        reloadData();
        fitHeight();
        return;
    }
    TaskList pool = manager->allTasksEventsAdes();
    if (!manager->updateTopTasksForList(pool)) qWarning() << "The top tasks could not be marked for the task list";
    StartupTrace::mark("task list: top tasks marked");
    TaskList listed = manager->getTaskFromTaskList(pool, filter, typeOfTask);

    const SettingPtr setting = manager->currentSetting();
    const Date today = setting ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(), setting->currentTZ())
                               : Utilities::getCurrentDate(false, 0, 0);
    const qint64 mustDo = setting ? setting->mustDo() : 0;
    if (mustDo > 0 && filter != 0 && filter != 4) {
        QSet<const Task*> shown;
        for (const TaskPtr& item : listed) shown.insert(item.get());
        TaskList rest = pool;
        rest.removeIf([&shown](const TaskPtr& item) { return shown.contains(item.get()); });
        for (const TaskPtr& item : manager->getTaskFromTaskList(rest, 4, 0)) {
            if (Utilities::daysBetweenTwoDates(today, item->dueEnd()) > mustDo) continue;
            item->setNpIsMustDo(true);
            listed.append(item);
        }
    }
    if (filter != 0 && listed.isEmpty()) {
        m_built.reset();
        clearRows();
        deselectAll();
        dropSpareRows();
        manager->setHasDoToday(false);
        reloadData();
        fitHeight();
        return;
    }
    RowPlan plan = planRows(std::move(listed), today);
    if (keepsBuiltRows(plan)) {
        keepBuiltRows();
        StartupTrace::mark("task list: rows kept");
        return;
    }
    clearRows();
    deselectAll();
    makeRows(plan);
    StartupTrace::mark("task list: rows built");
    dropSpareRows();
    m_isDraggable = true;
    // The expansion ends with the reload of the rows: one walk, not two.
    expandItem(nullptr, true);
    fitHeight();
    m_built = BuiltRows{std::move(plan), m_rootItems};
}

TaskListTableView::RowPlan TaskListTableView::planRows(TaskList listed, const Date& today)
{
    CoreData* manager = CoreData::shared();
    RowPlan plan;
    plan.items.reserve(listed.size());
    const std::optional<CoreData::WeekdayTaskLists> planned = manager->sevenDaysTaskList();
    int weekday = int(Utilities::getWeekday(today));
    Date groupDate = today;
    qint64 lastKey = noKey;
    std::optional<qint64> firstOrder;
    QSet<const Task*> onDays;
    for (int day = 0; day < daysPlanned; ++day) {
        if (weekday > 7) weekday = 1;
        const TaskList dayList = planned ? planned->value(shortWeekdayText(weekday)) : TaskList();
        if (!dayList.isEmpty()) {
            const qsizetype headerAt = plan.items.size();
            for (const TaskPtr& item : dayList) {
                if (!item || item->primaryKey() == lastKey) continue;
                lastKey = item->primaryKey();
                if (!firstOrder) firstOrder = item->taskOrder();
                plan.items.append(item);
            }
            // Every day's header goes when it heads no row, the seventh's too:
            // unplanned tasks must not stand under a day they are not on.
            if (plan.items.size() > headerAt)
                plan.headers.emplace_back(headerAt, headerTextFor(day, weekday, groupDate, m_preferredLang));
            for (const TaskPtr& item : dayList) onDays.insert(item.get());
        }
        groupDate = Utilities::newDateFromDate(groupDate, 86400);
        ++weekday;
    }
    // The planned tasks stand under their days only; one pass takes them out.
    if (!onDays.isEmpty())
        listed.removeIf([&onDays](const TaskPtr& item) { return onDays.contains(item.get()); });
    if (firstOrder && manager->taskFilterMenuIndex() == 0) {
        manager->setHasDoToday(true);
        manager->setFirstDoTodayTaskOder(quint64(*firstOrder));
    } else {
        manager->setHasDoToday(false);
    }

    const bool forceSort = parentView() && parentView()->forceSort();
    const qint64 order = parentView() ? parentView()->todayTaskFilterIndex() : 0;
    const auto by = [&listed](auto key, bool ascending) { stableSortByKey(listed, key, ascending); };
    if (forceSort) {
        if (order == 4) by([](const Task& t) { return t.dueEnd().timeIntervalSince1970(); }, true);
        else if (order == 6) by([](const Task& t) { return t.duration(); }, false);
        else if (order == 7) by([](const Task& t) { return t.duration(); }, true);
        qint64 position = 1;
        for (const TaskPtr& item : listed) item->setNpSortOrder(position++);
    } else if (order == 4 || order == 6 || order == 7) {
        by([](const Task& t) { return t.npSortOrder(); }, true);
    } else {
        by([](const Task& t) { return t.taskOrder(); }, true);
    }
    plan.items.append(listed);
    return plan;
}

void TaskListTableView::makeRows(const RowPlan& plan)
{
    auto header = plan.headers.cbegin();
    for (qsizetype index = 0; index <= plan.items.size(); ++index) {
        for (; header != plan.headers.cend() && header->first == index; ++header) {
            auto* view = new InfoListItemView();
            view->setIsExpanable(false);
            view->leftTextField()->setStringValue(header->second);
            m_rootItems.push_back(view);
            m_headers.push_back(view);
        }
        if (index < plan.items.size()) appendRow(plan.items[index]);
    }
}

// The rows of the last load stand as it left them (nothing moved, replaced
// or opened among them since) and this load plans the very same rows.
bool TaskListTableView::keepsBuiltRows(const RowPlan& plan) const
{
    if (!m_built || !m_childItems.isEmpty() || m_rootItems != m_built->rows || !(plan == m_built->plan)) return false;
    return std::all_of(m_headers.cbegin(), m_headers.cend(), [](const InfoListItemView* header) {
        return !header->isExpanable() && header->quickAddTask()->isHidden();
    });
}

// What a rebuild of the same rows would leave, without remaking them: no
// selection, every row bound again from its item at its first use (those in
// view now), no spare rows.
void TaskListTableView::keepBuiltRows()
{
    deselectAll();
    m_selectedItem = nullptr;
    dropSpareRows();
    ++*m_loadMark;
    m_isDraggable = true;
    fitHeight();
    const auto [first, count] = visibleRows();
    for (int row = first; row < first + count && row < numberOfRows(); ++row)
        if (TaskListItemView* item = asItemRow(itemAtRow(row))) item->bindIfPending();
    setNeedsDisplay();
}

// The list is as tall as its rows, and never shorter than what its scroll
// view shows (the ruled page goes on below the rows).
void TaskListTableView::fitHeight()
{
    double height = heightOfAllRows();
    if (ScrollView* scroll = enclosingScrollView()) height = std::max(height, scroll->contentSize().height());
    if (frame().height() != height) setFrameSize(QSizeF(frame().width(), height));
    placeVisibleRows();
}

void TaskListTableView::loadData()
{
    if (TaskListView* pane = parentView()) pane->reloadData();
}

void TaskListTableView::refreshInPlace(const TaskPtr& item)
{
    if (!item || item->primaryKey() < 0) return;
    const TaskPtr fresh = Task::initWithPrimaryKey(item->primaryKey());
    if (fresh) item->copyContentOfTask(*fresh);
}

void TaskListTableView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    if (changedItems.isEmpty()) return;
    for (TableRowView* view : m_rootItems) {
        TaskListItemView* row = asItemRow(view);
        if (!row || !row->task()) continue;
        if (!changedItems.contains(QString::number(row->task()->primaryKey()))) continue;
        refreshInPlace(row->task());
        row->setTask(row->task());
        row->reload();
    }
}

void TaskListTableView::reloadData(const TaskPtr& item)
{
    ++m_reloadCount;
    m_lastReloadedItem = item;
    if (!item) return;
    QHash<QString, QVariant> changed;
    changed.insert(QString::number(item->primaryKey()), 1);
    reloadData(changed);
}

int TaskListTableView::rowIndexOf(qint64 primaryKey) const
{
    for (int index = 0; index < int(m_rootItems.size()); ++index) {
        const TaskListItemView* row = qobject_cast<TaskListItemView*>(m_rootItems[std::size_t(index)]);
        if (row && row->task() && row->task()->primaryKey() == primaryKey) return index;
    }
    return -1;
}

TaskListItemView* TaskListTableView::rowOfItem(qint64 primaryKey) const
{
    const int index = rowIndexOf(primaryKey);
    return index < 0 ? nullptr : qobject_cast<TaskListItemView*>(m_rootItems[std::size_t(index)]);
}

void TaskListTableView::moveToTop(const TaskPtr& item)
{
    ++m_moveToTopCount;
    m_lastMovedItem = item;
    if (!item) return;
    // The walk counts item rows only for its target, but the places it moves
    // between are places in rootItems, headers included.
    int found = -1;
    int previousTop = -1;
    int targetItems = 2;
    int target = -1;
    for (int index = 0; index < int(m_rootItems.size()); ++index) {
        TaskListItemView* row = asItemRow(m_rootItems[std::size_t(index)]);
        if (!row || !row->task()) continue;
        const TaskPtr task = row->task();
        const int nextTarget = task->status() == 1 ? targetItems + 1 : targetItems;
        if (found == -1 && task->primaryKey() == item->primaryKey()) {
            found = index;
        } else if (previousTop == -1 && task->calendarId() == item->calendarId() && task->isTopGTDTask()) {
            refreshInPlace(task);
            task->setIsTopGTDTask(false);
            row->reload();
            previousTop = index;
        }
        targetItems = nextTarget;
        if (found >= 0 && previousTop >= 0) break;
    }
    if (found < 0) return;
    // The target is the place of the item row at that count, or the last row.
    int counted = 0;
    for (int index = 0; index < int(m_rootItems.size()); ++index) {
        if (!asItemRow(m_rootItems[std::size_t(index)])) continue;
        if (counted++ == targetItems) {
            target = index;
            break;
        }
    }
    if (target < 0 || target >= int(m_rootItems.size())) target = int(m_rootItems.size()) - 1;
    TableRowView* moved = m_rootItems[std::size_t(found)];
    m_rootItems.erase(m_rootItems.begin() + found);
    m_rootItems.insert(m_rootItems.begin() + std::min<int>(target, int(m_rootItems.size())), moved);
    moveItemAtIndex(found, nullptr, target, nullptr);
    TaskListItemView* row = asItemRow(moved);
    refreshInPlace(row->task());
    if (row->task()->status() == 0) row->task()->setIsTopGTDTask(true);
    row->reload();
}

void TaskListTableView::selectOnly(int row)
{
    if (selectedRowIndexes() != std::vector<int>{row}) {
        OutlineView::deselectAll();
        selectRowIndexes({row}, false);
    }
}

bool TaskListTableView::revealToTask(const TaskPtr& item)
{
    if (isHidden() || !item) return false;
    const int index = rowIndexOf(item->primaryKey());
    if (index < 0) return false;
    MainViewAccess* mainView = MainViewAccess::current();
    if (mainView && mainView->currentListModule() != 1) mainView->setFocusListModule(1);
    const int row = rowForItem(m_rootItems[std::size_t(index)]);
    scrollRowToVisible(row);
    selectOnly(row);
    return true;
}

bool TaskListTableView::showPopupEditDetail(const TaskPtr& item)
{
    ++m_showPopupCount;
    m_lastShownItem = item;
    if (!item) return false;
    const int firstVisible = visibleRows().first;
    const int index = rowIndexOf(item->primaryKey());
    if (index < 0) return false;
    MainViewAccess* mainView = MainViewAccess::current();
    if (mainView && mainView->currentListModule() != 1) mainView->setFocusListModule(1);
    auto* rowView = asItemRow(m_rootItems[std::size_t(index)]);
    const int row = rowForItem(rowView);
    scrollRowToVisible(row);
    selectOnly(row);
    m_selectedItem = rowView;
    View* anchor = rowView;
    if (!rowView->window() || rowView->superview() != this) {
        if (TaskListView* pane = parentView()) anchor = row > firstVisible ? pane->bottomItemTemp() : pane->topItemTemp();
    }
    popupEditDetail(rowView->task(), anchor);
    return true;
}

void TaskListTableView::popupEditDetail(const TaskPtr& item, View* positioningView)
{
    if (!item) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->editTask(item, positioningView);
}

void TaskListTableView::popupLinkDetail()
{
    if (selectedRow() < 0 || !m_selectedItem || !m_selectedItem->task()) return;
    m_detailViewController = RowCommands::openLinkDetail(m_detailViewController, this, m_selectedItem->task(), m_selectedItem);
    becomeFirstResponder();
}

void TaskListTableView::deselectAll()
{
    ++m_deselectCount;
    OutlineView::deselectAll();
}

// ---- input ---------------------------------------------------------------------------

void TaskListTableView::mouseDown(const Event& event)
{
    if (RowCommands::passControlClick(*this, event)) return;
    const int previous = selectedRow();
    OutlineView::mouseDown(event);
    m_canShowPreview = true;
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    MainViewAccess* mainView = RowCommands::holdRefreshOnFirstSelection(previous);
    m_selectedCount = row == previous && m_selectedCount < 1 ? m_selectedCount + 1 : 0;
    if (row < 0) {
        m_selectedItem = nullptr;
        return;
    }
    if (selectedRowIndexes().size() > 1) return;
    TableRowView* clicked = itemAtRow(row);
    if (isHeader(clicked)) {
        m_selectedItem = nullptr;
        return;
    }
    m_selectedItem = asItemRow(clicked);
    const bool repeated = m_selectedCount != 0;
    const double interval = mainView && mainView->isPlannerExpand() ? 1.0 : systemDoubleClickInterval();
    if (m_lastMouseDown != 0) {
        if (isDoubleClick(m_lastMouseDown, event.timestamp, interval)) handleDoubleClick();
    } else {
        m_lastMouseDown = event.timestamp;
        RowCommands::scheduleSingleClick(m_singleClickTimer, this, interval, repeated);
    }
    if (mainView) mainView->clearHighlightExcept(this);
}

void TaskListTableView::handleSingleClick(bool repeated)
{
    if (repeated) {
        if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setCanRefreshData(false);
        m_lastMouseDown = 0;
    } else if (m_canShowPreview) {
        m_lastMouseDown = 0;
    }
}

void TaskListTableView::handleDoubleClick()
{
    RowCommands::endClickWait(m_lastMouseDown, m_singleClickTimer);
    if (m_selectedItem && m_selectedItem->task()) popupEditDetail(m_selectedItem->task(), m_selectedItem);
}

// Only Delete acts; no key is passed on.
void TaskListTableView::keyDown(const Event& event)
{
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete) applyDelete();
}

// ---- dragging rows and drops ---------------------------------------------------------

std::unique_ptr<QMimeData> TaskListTableView::pasteboardWriterForItem(TableRowView* item)
{
    TaskListItemView* row = asItemRow(item);
    if (!m_isDraggable || !row || !row->task()) return nullptr;
    const int index = rowForItem(row);
    if (index >= 0 && selectedRowIndexes() != std::vector<int>{index}) {
        scrollRowToVisible(index);
        selectOnly(index);
    }
    m_itemBeingDrag = row;
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{row->task()});
    return payload;
}

QImage TaskListTableView::dragImageForRowsWithIndexes(const std::vector<int>& rows, const Event& event)
{
    if (m_itemBeingDrag && m_itemBeingDrag->task()) {
        const QImage image = m_itemBeingDrag->task()->draggingImageRepresentative();
        if (!image.isNull()) return image;
    }
    return OutlineView::dragImageForRowsWithIndexes(rows, event);
}

unsigned TaskListTableView::draggingEntered(const DraggingInfo& info)
{
    m_canShowPreview = false;
    m_lastMouseDown = 0;
    if (!info.hasType(KeyedArchive::mimeType) || !info.hasInApplicationSource()) return DragOperationNone;
    showDragPreview(info);
    TaskListView* pane = parentView();
    if (pane && pane->typeViewSelectedTag() != TaskListView::taskViewTag) return DragOperationNone;
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, static_cast<QObject*>(this));
    return DragOperationGeneric;
}

void TaskListTableView::updateDraggingItemsForDrag(const DraggingInfo& info)
{
    if (!info.hasType(KeyedArchive::mimeType) || !info.hasInApplicationSource()) return;
    showDragPreview(info);
}

void TaskListTableView::draggingExited()
{
    m_canShowPreview = false;
    m_lastMouseDown = 0;
    hideDragPreview();
}

// A Qt drag keeps the picture it started with, so the list shows the
// dragged task's small picture itself, at the pointer.
void TaskListTableView::showDragPreview(const DraggingInfo& info)
{
    RowCommands::showDragPreview(*m_dragPreview, m_dragPreviewImage, droppedItem(info.draggingPasteboard()),
                                 info.draggingLocation());
}

void TaskListTableView::hideDragPreview()
{
    RowCommands::hideDragPreview(*m_dragPreview, m_dragPreviewImage);
}

unsigned TaskListTableView::validateDrop(const DraggingInfo& info, TableRowView*, int childIndex)
{
    if (!info.hasInApplicationSource()) return DragOperationNone;
    if (childIndex == -1) return DragOperationNone;
    TaskListView* pane = parentView();
    if (pane && pane->typeViewSelectedTag() != TaskListView::taskViewTag) return DragOperationNone;
    // Foreign or damaged data, or an item whose record is gone. A row of
    // this list whose record cannot be read now is still moved: the
    // reorder's unit is refused and told like any other change.
    bool unread = false;
    const TaskPtr item = droppedItem(info.draggingPasteboard(), &unread);
    if (!item) return unread && info.draggingSource() == this ? DragOperationGeneric : DragOperationNone;
    if (item->isShared() && item->taskType() == 0) return DragOperationNone;
    return DragOperationGeneric;
}

bool TaskListTableView::acceptDrop(const DraggingInfo& info, TableRowView*, int childIndex)
{
    hideDragPreview();
    if (!info.hasInApplicationSource()) return false;
    if (info.draggingSource() == this) {
        reorderDropped(childIndex, false);
        return true;
    }
    const TaskPtr item = droppedItem(info.draggingPasteboard());
    if (!item) return false;
    switch (item->taskType()) {
    case 1: {
        if (m_rootItems.empty()) return true;
        for (TableRowView* view : m_rootItems) {
            TaskListItemView* row = asTaskRow(view);
            if (!row || row->task()->primaryKey() != item->primaryKey()) continue;
            m_itemBeingDrag = row;
            reorderDropped(childIndex, true);
            break;
        }
        return true;
    }
    case 0:
        if (item->isShared()) return false;
        return item->isSheduledTask() ? convertSTask2Task(item, childIndex) : convertEvent2Task(item, childIndex);
    case 3:
        return makeTaskFromNote(item, childIndex);
    default:  // checklist items and kinds the list does not know
        return false;
    }
}

bool TaskListTableView::orderQuestionApplies() const
{
    CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    const TaskListView* pane = parentView();
    return setting && setting->showWarningChangeTaskOrder() != 0 && pane &&
           pane->typeViewSelectedTag() == TaskListView::taskViewTag && pane->filterIndex() != 0;
}

std::optional<qint64> TaskListTableView::askOrderQuestion()
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.messageText = TextTable::localizedString(QStringLiteral("changeTaskOrderText"));
    request.informativeText = TextTable::localizedString(QStringLiteral("changeTaskOrderMessage"));
    const int ok = request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.showsSuppressionButton = true;
    const AlertResponse response = AlertPresenter::current().runModal(request);
    const qint64 askAgain = response.suppressed ? 0 : 1;
    if (response.button == ok) return askAgain;
    // Cancelled: the answer about the question is the whole change.
    if (CoreData* manager = CoreData::shared(); manager && askAgain == 0 &&
        !manager->saveSettingFromView([](Setting& kept) { kept.setShowWarningChangeTaskOrder(0); }))
        qWarning() << "The setting not to ask about the task order again was not saved";
    return std::nullopt;
}

void TaskListTableView::reorderDropped(int to, bool fromElsewhere)
{
    const auto from = [this] {
        const auto found = std::find(m_rootItems.begin(), m_rootItems.end(), m_itemBeingDrag.data());
        return m_itemBeingDrag && found != m_rootItems.end() ? int(found - m_rootItems.begin()) : -1;
    };
    if (!orderQuestionApplies()) {
        changeOrderFromIndex(from(), to);
        return;
    }
    const std::optional<qint64> askAgain = askOrderQuestion();
    if (!askAgain) {
        if (fromElsewhere) m_itemBeingDrag = nullptr;
        return;
    }
    // The row may have gone while the question was up.
    changeOrderFromIndex(from(), to, askAgain);
}

void TaskListTableView::changeOrderFromIndex(int from, int to, std::optional<qint64> askAgain)
{
    TaskListView* pane = parentView();
    const bool wasForced = pane && pane->forceSort();
    if (pane) pane->setForceSort(false);
    CoreData* manager = CoreData::shared();
    // Nothing to move: the answer about the question is the whole change.
    const auto keepAnswerAlone = [&] {
        if (manager && askAgain && !manager->saveSettingFromView([&](Setting& kept) { kept.setShowWarningChangeTaskOrder(*askAgain); }))
            qWarning() << "The setting not to ask about the task order again was not saved";
    };
    if (!m_itemBeingDrag || from < 0 || from >= int(m_rootItems.size()) || m_rootItems[size_t(from)] != m_itemBeingDrag) {
        keepAnswerAlone();
        return;
    }
    std::vector<TaskOrder::Row> rows;
    rows.reserve(m_rootItems.size());
    for (TableRowView* view : m_rootItems) {
        const TaskListItemView* row = asTaskRow(view);
        rows.push_back(row ? TaskOrder::Row(row->task()->taskOrder()) : std::nullopt);
    }
    const TaskOrder::Move move = TaskOrder::plan(rows, from, to);
    if (!move.moves) {
        keepAnswerAlone();
        return;
    }

    TableRowView* moved = m_rootItems[size_t(from)];
    m_rootItems.erase(m_rootItems.begin() + from);
    m_rootItems.insert(m_rootItems.begin() + move.dest, moved);
    const bool numbersRows = pane && forcesOrder(pane->todayTaskFilterIndex());
    TaskList tasks;
    for (int index : move.rows) tasks << asTaskRow(m_rootItems[size_t(index)])->task();
    m_itemBeingDrag = nullptr;
    // The answer about the question goes with the order it let through.
    const SettingPtr setting = manager && askAgain ? manager->currentSetting() : nullptr;
    // The sort numbers change inside the unit, after it has kept the rows as
    // they were: a refused reorder leaves them as they stood.
    if (!manager || !manager->saveChangeFromView(tasks, [&] {
            if (numbersRows)
                for (int index : move.rows) asTaskRow(m_rootItems[size_t(index)])->task()->setNpSortOrder(index);
            if (setting) {
                Transaction::keepInCurrent(setting);
                setting->setShowWarningChangeTaskOrder(*askAgain);
                if (!setting->dehydrate()) return false;
            }
            return TaskOrder::save(tasks, move.orders);
        })) {
        if (pane) pane->setForceSort(wasForced);
        reloadAfterFailedSave();
        return;
    }
    moveItemAtIndex(from, nullptr, move.dest, nullptr);
    reloadData();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskOrderChanged, static_cast<QObject*>(this));
}

// The stored order stayed as it was: the rows follow it again.
void TaskListTableView::reloadAfterFailedSave()
{
    const TaskListView* pane = parentView();
    loadDataWithFilter(pane ? int(pane->filterIndex()) : 0, 0);
}

bool TaskListTableView::saveConvertedOrder(const TaskPtr& made, int index)
{
    if (!made) return false;
    TaskList tasks{made};
    for (int row = std::max(0, index); row < int(m_rootItems.size()); ++row)
        if (const TaskListItemView* item = asTaskRow(m_rootItems[size_t(row)])) tasks << item->task();
    std::vector<qint64> orders;
    orders.reserve(size_t(tasks.size()));
    for (const TaskPtr& task : tasks) orders.push_back(task->taskOrder());
    // The new task takes the place it was dropped at; those below it move
    // down one, the last taking the order the new task came with.
    // Saved in the conversion's unit: a refused order refuses the drop.
    if (!TaskOrder::save(tasks, TaskOrder::rotate(orders, true))) return false;
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskOrderChanged, static_cast<QObject*>(this));
    return true;
}

// The conversion asks its own questions before its unit opens; the new
// task's place is saved in that unit, so a refused order refuses the drop
// whole, and a refused one is told.
bool TaskListTableView::convertSTask2Task(const TaskPtr& item, int index)
{
    CoreData* manager = CoreData::shared();
    return manager && item && manager->runAskingCommandFromView([&] {
        return manager->convertSTask2Task(item, [&](const TaskPtr& made) { return saveConvertedOrder(made, index); }) != nullptr;
    });
}

bool TaskListTableView::convertEvent2Task(const TaskPtr& item, int index)
{
    CoreData* manager = CoreData::shared();
    return manager && item && manager->runAskingCommandFromView([&] {
        return manager->convertEvent2Task(item, [&](const TaskPtr& made) { return saveConvertedOrder(made, index); }) != nullptr;
    });
}

bool TaskListTableView::makeTaskFromNote(const TaskPtr& item, int index)
{
    CoreData* manager = CoreData::shared();
    // The note becomes a task in the unit that places it.
    return manager && item &&
           manager->saveChangeFromView({item}, [&] { return saveConvertedOrder(manager->makeTaskFromNote(item), index); });
}
