#include "SearchResultView.h"

#include "AlertPresenter.h"
#include "Color.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "InfoListItemView.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "Scheduler.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TextField.h"
#include "TextTable.h"

#include <QGuiApplication>
#include <QStyleHints>

#include <algorithm>

namespace {

// The kind a row shows when it is a search result.
constexpr int searchResultRowType = 5;

double doubleClickInterval()
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
}

bool isHeader(const TableRowView* row) { return qobject_cast<const InfoListItemView*>(row) != nullptr; }

template <class Key>
void stableSortBy(TaskList& items, Key key, bool ascending)
{
    std::stable_sort(items.begin(), items.end(), [&](const TaskPtr& a, const TaskPtr& b) {
        return ascending ? key(*a) < key(*b) : key(*b) < key(*a);
    });
}

double startOf(const Task& item) { return item.startTime().timeIntervalSince1970(); }

}  // namespace

SearchResultView::SearchResultView(const QRectF& frame, QWidget* parent) : OutlineView(frame, parent)
{
    setBackgroundColor(Color::calibratedRGB(1, 1, 1));
    setGridStyleMask(SolidHorizontalGridLine);
    setVerticalSpacing(0);
    setRowHeight(itemRowHeight);
    setAllowsMultipleSelection(false);
    // A search over thousands of items builds the controls of the rows in
    // view only.
    setPlacesVisibleRowsOnly(true);
}

SearchResultView::~SearchResultView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
    for (TableRowView* row : m_rootItems) delete row;
    for (const auto& group : std::as_const(m_childItems))
        for (TableRowView* row : group) delete row;
    for (TaskListItemView* row : m_spareRows) delete row;
}

// ---- outline answers ---------------------------------------------------------------

int SearchResultView::numberOfChildrenOfItem(TableRowView* item) const
{
    if (!item) return int(m_rootItems.size());
    if (const auto* header = qobject_cast<InfoListItemView*>(item)) {
        const auto found = m_childItems.constFind(header->leftTextField()->stringValue());
        return found == m_childItems.constEnd() ? 0 : int(found->size());
    }
    return 0;
}

TableRowView* SearchResultView::childOfItem(int index, TableRowView* item) const
{
    if (!item) return index >= 0 && index < int(m_rootItems.size()) ? m_rootItems[std::size_t(index)] : nullptr;
    if (const auto* header = qobject_cast<InfoListItemView*>(item)) {
        const auto found = m_childItems.constFind(header->leftTextField()->stringValue());
        if (found != m_childItems.constEnd() && index >= 0 && index < int(found->size())) return (*found)[std::size_t(index)];
    }
    return nullptr;
}

bool SearchResultView::isItemExpandable(TableRowView* item) const { return isHeader(item); }
bool SearchResultView::isGroupItem(TableRowView* item) const { return isHeader(item); }
bool SearchResultView::shouldSelectItem(TableRowView* item) const { return !isHeader(item); }

double SearchResultView::heightOfRowByItem(TableRowView* item) const
{
    return isHeader(item) ? headerHeight : rowHeight();
}

// ---- loading -----------------------------------------------------------------------

void SearchResultView::clearRows()
{
    // Deleted later: a row may be the one whose handler or question runs.
    const auto drop = [](TableRowView* row) {
        row->hide();
        row->deleteLater();
    };
    for (TableRowView* row : m_rootItems) drop(row);
    for (const auto& group : std::as_const(m_childItems))
        for (TableRowView* row : group) {
            if (auto* item = qobject_cast<TaskListItemView*>(row)) m_spareRows.push_back(item);
            else drop(row);
        }
    std::reverse(m_spareRows.begin(), m_spareRows.end());
    m_rootItems.clear();
    m_childItems.clear();
    m_selectedItem = nullptr;
}

void SearchResultView::dropSpareRows()
{
    for (TaskListItemView* row : m_spareRows) {
        row->hide();
        row->deleteLater();
    }
    m_spareRows.clear();
}

void SearchResultView::setRootItems(std::vector<TableRowView*> items)
{
    clearRows();
    dropSpareRows();
    m_rootItems = std::move(items);
    reloadData();
}

void SearchResultView::loadSearchResultWithSearchText(const QString& text)
{
    // A question on screen may belong to a row: the rebuild waits for it.
    if (AlertPresenter::isAlertRunning()) {
        const QPointer<SearchResultView> list(this);
        AlertPresenter::whenNoAlertRuns([list, text] {
            if (list) list->loadSearchResultWithSearchText(text);
        });
        return;
    }
    m_searchText = text;
    clearRows();
    OutlineView::deselectAll();
    CoreData* manager = CoreData::shared();
    if (!manager || text.isEmpty()) {
        dropSpareRows();
        reloadData();
        return;
    }
    const TaskList pool = manager->allTasksEventsAdes();

    // Repeating items are listed as their occurrence of the day they stand
    // for; a deleted occurrence gives nothing.
    TaskList timed;
    TaskList scheduled;
    for (const TaskPtr& item : manager->getEventListFromTaskList(pool, Date(), Date(), text)) {
        TaskList expanded;
        if (item->repeatType() == 0) {
            expanded.append(item);
        } else {
            const Date day = item->isSheduledTask() ? item->startTime() : item->occurrence();
            manager->fillRepeatEventInstances(TaskList{item}, expanded, day, day);
        }
        for (const TaskPtr& one : expanded) (one->isSheduledTask() ? scheduled : timed).append(one);
    }
    TaskList allDay;
    for (const TaskPtr& item : manager->getADEListFromTaskList(pool, text)) {
        if (item->repeatType() == 0) allDay.append(item);
        else manager->fillRepeatEventInstances(TaskList{item}, allDay, item->occurrence(), item->occurrence());
    }
    TaskList tasks = manager->getTaskListFromTaskList(pool, Date(), Date(), text);
    TaskList notes = manager->getNoteFromTaskList(pool, text);

    stableSortBy(timed, startOf, true);
    stableSortBy(tasks, [](const Task& t) { return t.taskOrder(); }, true);
    stableSortBy(allDay, startOf, true);
    stableSortBy(notes, startOf, false);

    struct Group {
        QString title;
        const TaskList& items;
        int rowType;
    };
    const Group groups[] = {{TextTable::localizedString(QStringLiteral("allDayText")), allDay, 0},
                            {TextTable::localizedString(QStringLiteral("taskText")), tasks, searchResultRowType},
                            {TextTable::localizedString(QStringLiteral("staskText")), scheduled, searchResultRowType},
                            {TextTable::localizedString(QStringLiteral("eventText")), timed, searchResultRowType},
                            {TextTable::localizedString(QStringLiteral("noteText")), notes, searchResultRowType}};
    for (const Group& group : groups) {
        if (group.items.isEmpty()) continue;
        auto* header = new InfoListItemView();
        header->setLargeMargin(true);
        const QString& title = group.title;
        header->leftTextField()->setStringValue(title);
        m_rootItems.push_back(header);
        std::vector<TableRowView*> rows;
        rows.reserve(std::size_t(group.items.size()));
        for (const TaskPtr& item : group.items) {
            TaskListItemView* row = nullptr;
            if (!m_spareRows.empty()) {
                row = m_spareRows.back();
                m_spareRows.pop_back();
            } else {
                row = new TaskListItemView();
            }
            row->setType(group.rowType);
            row->setTask(item);
            rows.push_back(row);
        }
        m_childItems.insert(title, std::move(rows));
    }
    dropSpareRows();
    reloadData();
    expandItem(nullptr, true);
    setNeedsDisplay(true);
}

void SearchResultView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    CoreData* manager = CoreData::shared();
    if (!manager || changedItems.isEmpty()) return;
    for (const auto& group : std::as_const(m_childItems)) {
        for (TableRowView* view : group) {
            auto* row = qobject_cast<TaskListItemView*>(view);
            const TaskPtr old = row ? row->task() : nullptr;
            if (!old) continue;
            const qint64 key = old->primaryKey() > 0 ? old->primaryKey() : old->parentId();
            if (!changedItems.contains(QString::number(key))) continue;
            TaskPtr fresh = Task::initWithPrimaryKey(key);
            if (!fresh) continue;
            if (old->primaryKey() < 0) {
                // An occurrence stays the occurrence shown: the series' new
                // content on the same day, under the occurrence's own key.
                fresh = manager->newInstanceForTask(fresh, old->primaryKey(), old->occurrence());
                if (!fresh) continue;
                fresh->setStartTime(old->startTime());
                fresh->setEndTime(old->endTime());
                row->setTask(fresh);
            } else {
                old->copyContentOfTask(*fresh);
                row->setTask(old);
            }
            row->reload();
        }
    }
}

TaskPtr SearchResultView::selectedTask() const
{
    return m_selectedItem ? m_selectedItem->task() : nullptr;
}

double SearchResultView::yPositionPastLastRow() const
{
    if (rowCount() == 0) return 0;
    return rectOfRow(rowCount() - 1).bottom();
}

void SearchResultView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    OutlineView::resizeSubviewsWithOldSize(oldSize);
    const double past = yPositionPastLastRow();
    if (bounds().height() > past) setNeedsDisplayInRect(QRectF(0, past, bounds().width(), bounds().height() - past));
}

void SearchResultView::deselectAll()
{
    ++m_deselectCount;
    OutlineView::deselectAll();
}

// ---- popovers ----------------------------------------------------------------------

void SearchResultView::popupEditDetail()
{
    const TaskPtr item = selectedTask();
    if (!item) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    if (item->taskType() == 3)
        m_detailViewController->editNote(item, m_selectedItem, m_selectedItem);
    else
        m_detailViewController->editTask(item, m_selectedItem);
}

void SearchResultView::popupLinkDetail()
{
    const TaskPtr item = selectedTask();
    if (!item) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->detailLink(item, m_selectedItem);
    becomeFirstResponder();
}

// ---- input ---------------------------------------------------------------------------

void SearchResultView::mouseDown(const Event& event)
{
    if (event.modifierFlags & ControlKeyMask) {
        rightMouseDown(event);
        return;
    }
    const int previous = selectedRow();
    OutlineView::mouseDown(event);
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    MainViewAccess* mainView = MainViewAccess::current();
    if (previous == -1 && mainView) mainView->setCanRefreshData(false);
    m_selectedCount = row == previous ? (m_selectedCount < 1 ? 1 : 0) : 0;
    TableRowView* clicked = row >= 0 ? itemAtRow(row) : nullptr;
    if (!clicked || isHeader(clicked)) {
        m_selectedItem = nullptr;
        return;
    }
    m_selectedItem = qobject_cast<TaskListItemView*>(clicked);
    const bool repeated = m_selectedCount != 0;
    if (m_lastMouseDown != 0) {
        if (event.timestamp - m_lastMouseDown <= doubleClickInterval()) handleDoubleClick();
    } else {
        m_lastMouseDown = event.timestamp;
        m_singleClickTimer.invalidate();
        const QPointer<SearchResultView> list(this);
        m_singleClickTimer = Scheduler::current().scheduleTimer(doubleClickInterval(), false, [list, repeated] {
            if (list) list->handleSingleClick(repeated);
        });
    }
    if (mainView) mainView->clearHighlightExcept(this);
}

void SearchResultView::handleSingleClick(bool repeated)
{
    if (repeated)
        if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setCanRefreshData(false);
    m_lastMouseDown = 0;
}

void SearchResultView::handleDoubleClick()
{
    m_lastMouseDown = 0;
    m_singleClickTimer.invalidate();
    popupEditDetail();
}

// Only Delete acts; no key is passed on, so the arrows move nothing.
void SearchResultView::keyDown(const Event& event)
{
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && selectedRow() >= 0 && m_selectedItem)
        applyDelete();
}

void SearchResultView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}
