#include "CategoryDetailListItemView.h"

#include "RowCommands.h"

#include "AlertPresenter.h"
#include "Button.h"
#include "Calendar.h"
#include "Color.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "DraggingImageComponent.h"
#include "InfoListItemView.h"
#include "KeyedArchive.h"
#include "MainViewAccess.h"
#include "NoteListItemView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Scheduler.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TaskListTableView.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QStyleHints>

#include <algorithm>
#include <utility>

CategoryDetailListHost::~CategoryDetailListHost() = default;

namespace {

bool outlineRowIsExactly(const TableRowView* row, const QMetaObject& type)
{
    return row && row->metaObject() == &type;
}

TaskListItemView* outlineTaskRow(TableRowView* row)
{
    return outlineRowIsExactly(row, TaskListItemView::staticMetaObject) ? static_cast<TaskListItemView*>(row) : nullptr;
}

NoteListItemView* outlineNoteRow(TableRowView* row)
{
    return outlineRowIsExactly(row, NoteListItemView::staticMetaObject) ? static_cast<NoteListItemView*>(row) : nullptr;
}

const InfoListItemView* outlineInfoRow(const TableRowView* row)
{
    return outlineRowIsExactly(row, InfoListItemView::staticMetaObject) ? static_cast<const InfoListItemView*>(row) : nullptr;
}

bool outlineIsQuickAddRow(const TableRowView* row)
{
    const InfoListItemView* info = outlineInfoRow(row);
    return info && !info->quickAddTask()->isHidden();
}

// Re-reads the record from its stored row; an instance of a repeating item
// is made again from its series' row, at its own occurrence.
void outlineRereadRecord(const TaskPtr& item)
{
    if (!item) return;
    if (item->primaryKey() > 0) {
        if (const TaskPtr fresh = Task::initWithPrimaryKey(item->primaryKey())) item->copyContentOfTask(*fresh);
        return;
    }
    CoreData* manager = CoreData::shared();
    const TaskPtr series = manager && item->parentId() > 0 ? Task::initWithPrimaryKey(item->parentId()) : nullptr;
    if (!series) return;
    if (const TaskPtr fresh = manager->newInstanceForTask(series, item->primaryKey(), item->occurrence()))
        item->copyContentOfTask(*fresh);
}

void outlineRedrawRow(TableRowView* row)
{
    if (TaskListItemView* task = outlineTaskRow(row)) {
        task->setTask(task->task());
        task->reload();
    } else if (NoteListItemView* note = outlineNoteRow(row)) {
        note->setNote(note->note());
        note->reload();
    }
}

double outlineDoubleClickInterval()
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
}

QString outlineTaskGroupTitle() { return TextTable::localizedString(QStringLiteral("taskText")); }
QString outlineScheduledGroupTitle() { return TextTable::localizedString(QStringLiteral("ptaskText")); }
QString outlineEventGroupTitle() { return TextTable::localizedString(QStringLiteral("eventText")); }
QString outlineNoteGroupTitle() { return TextTable::localizedString(QStringLiteral("noteText")); }

void postOutlineNotification(const QString& name, QObject* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(name, sender);
}

}  // namespace

CategoryDetailListItemView::CategoryDetailListItemView(const QRectF& frame, QWidget* parent) : OutlineView(frame, parent)
{
    // A category of thousands of items builds the controls of the rows in
    // view only.
    RowCommands::setUpListLook(*this, itemRowHeight, false);
    registerForDraggedTypes({KeyedArchive::mimeType});
}

CategoryDetailListItemView::~CategoryDetailListItemView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
    m_singleClickTimer.invalidate();
    // Rows off screen were never placed in the outline and have no parent.
    for (const std::vector<TableRowView*>& rows : std::as_const(m_childItems))
        for (TableRowView* row : rows) delete row;
    for (InfoListItemView* header : m_rootItems) delete header;
}

void CategoryDetailListItemView::setParentView(CategoryDetailListHost* host)
{
    m_parentView = host;
    m_parentGuard = dynamic_cast<QObject*>(host);
}

// ---- outline answers -----------------------------------------------------------------

bool CategoryDetailListItemView::isHeaderItem(const TableRowView* item) const
{
    const InfoListItemView* info = outlineInfoRow(item);
    return info && info->quickAddTask()->isHidden();
}

const std::vector<TableRowView*>* CategoryDetailListItemView::groupRows(const QString& title) const
{
    const auto found = m_childItems.constFind(title);
    return found == m_childItems.constEnd() ? nullptr : &*found;
}

int CategoryDetailListItemView::numberOfChildrenOfItem(TableRowView* item) const
{
    if (!item) return int(m_rootItems.size());
    if (const InfoListItemView* info = outlineInfoRow(item))
        if (const auto* rows = groupRows(info->leftTextField()->stringValue())) return int(rows->size());
    return 0;
}

TableRowView* CategoryDetailListItemView::childOfItem(int index, TableRowView* item) const
{
    if (!item) return index >= 0 && index < int(m_rootItems.size()) ? m_rootItems[size_t(index)] : nullptr;
    if (const InfoListItemView* info = outlineInfoRow(item))
        if (const auto* rows = groupRows(info->leftTextField()->stringValue()))
            if (index >= 0 && index < int(rows->size())) return (*rows)[size_t(index)];
    return nullptr;
}

bool CategoryDetailListItemView::isItemExpandable(TableRowView* item) const { return isHeaderItem(item); }

bool CategoryDetailListItemView::isGroupItem(TableRowView* item) const { return isHeaderItem(item); }

bool CategoryDetailListItemView::shouldSelectItem(TableRowView* item) const { return !isHeaderItem(item); }

double CategoryDetailListItemView::heightOfRowByItem(TableRowView* item) const
{
    if (const InfoListItemView* info = outlineInfoRow(item))
        return info->quickAddTask()->isHidden() ? headerRowHeight : quickAddRowHeight;
    return rowHeight();
}

TaskPtr CategoryDetailListItemView::objectValueForItem(const TableRowView* item)
{
    return outlineRowIsExactly(item, TaskListItemView::staticMetaObject) ? static_cast<const TaskListItemView*>(item)->task()
                                                                : nullptr;
}

TaskPtr CategoryDetailListItemView::recordOfRow(const TableRowView* item)
{
    if (const auto* task = qobject_cast<const TaskListItemView*>(item)) return task->task();
    if (const auto* note = qobject_cast<const NoteListItemView*>(item)) return note->note();
    return nullptr;
}

// ---- loading ---------------------------------------------------------------------------

void CategoryDetailListItemView::clearRows()
{
    // The quick-add row that holds the keyboard goes with the rows: its
    // successor takes it back once made. Meanwhile nobody holds it, lest Qt
    // hand it to the next field in the window (the project's name) and the
    // next task typed land there.
    if (QWidget* editor = m_quickAddField ? m_quickAddField->editor() : nullptr; editor && editor->hasFocus()) {
        m_isQuickAddFocus = true;
        m_restoreQuickAddFocus = true;
        editor->clearFocus();
    }
    // Later, not now: a header's handler may be what runs this load.
    const auto drop = [](TableRowView* row) {
        row->hide();
        row->deleteLater();
    };
    for (InfoListItemView* header : m_rootItems) drop(header);
    for (const std::vector<TableRowView*>& rows : std::as_const(m_childItems))
        for (TableRowView* row : rows) drop(row);
    m_rootItems.clear();
    m_childItems.clear();
    m_quickAddField = nullptr;
    m_selectedItem = nullptr;
    m_itemBeingDrag = nullptr;
}

InfoListItemView* CategoryDetailListItemView::newHeader(const QString& title)
{
    auto* header = new InfoListItemView();
    header->setLargeMargin(true);
    header->leftTextField()->setStringValue(title);
    header->setParentView(this);
    m_rootItems.push_back(header);
    m_totalHeight += headerShare;
    return header;
}

void CategoryDetailListItemView::appendGroup(const QString& title, const TaskList& records, bool notes)
{
    if (records.isEmpty()) return;
    newHeader(title);
    std::vector<TableRowView*> rows;
    rows.reserve(size_t(records.size()));
    for (const TaskPtr& record : records) {
        if (notes) {
            auto* row = new NoteListItemView();
            row->setNote(record);
            rows.push_back(row);
        } else {
            auto* row = new TaskListItemView();
            row->setTask(record);
            rows.push_back(row);
        }
        m_totalHeight += itemRowHeight;
        m_calTaskList.append(record);
    }
    m_childItems.insert(title, std::move(rows));
}

void CategoryDetailListItemView::loadData()
{
    // A load asked while one runs (a row's save rebuilding through the host)
    // runs once, right after it.
    if (m_isLoading) {
        m_loadPending = true;
        return;
    }
    // Rows are not rebuilt under an open question: it may belong to a row.
    if (AlertPresenter::isAlertRunning()) {
        if (m_waitsForAlert) return;
        m_waitsForAlert = true;
        const QPointer<CategoryDetailListItemView> outline(this);
        AlertPresenter::whenNoAlertRuns([outline] {
            if (!outline) return;
            outline->m_waitsForAlert = false;
            outline->loadData();
        });
        return;
    }
    m_isLoading = true;
    do {
        m_loadPending = false;
        buildRows();
    } while (m_loadPending);
    m_isLoading = false;
}

void CategoryDetailListItemView::buildRows()
{
    clearRows();
    m_totalHeight = 0;
    CoreData* manager = CoreData::shared();
    if (manager && m_calendar && m_calendar->projectType() == 0) {
        const qint64 key = m_calendar->primaryKey();
        TaskList tasks;
        manager->addTasksToList(tasks, key, 1);
        Utilities::sortList(tasks, [](const TaskPtr& task) { return task->taskOrder(); });

        const QString taskTitle = outlineTaskGroupTitle();
        InfoListItemView* taskHeader = newHeader(taskTitle);
        taskHeader->showHide()->setHidden(false);
        UIUtilities::setAttributedTitle(m_isHiding ? TextTable::localizedString(QStringLiteral("showDoneText"))
                                                   : TextTable::localizedString(QStringLiteral("hideDoneText")),
                                        taskHeader->showHide());
        const QPointer<CategoryDetailListItemView> outline(this);
        taskHeader->setShowHideHandler([outline] {
            if (outline) outline->toggleShowHideDoneTask();
        });

        std::vector<TableRowView*> taskRows;
        if (!m_calendar->isShared()) {
            auto* quickAdd = new InfoListItemView();
            quickAdd->quickAddTask()->setHidden(false);
            quickAdd->setParentView(this);
            quickAdd->setQuickAddHandler([outline](const QString& text) {
                if (outline) outline->quickAddNewTask(text);
            });
            m_quickAddField = quickAdd->quickAddTask();
            taskRows.push_back(quickAdd);
            m_totalHeight += quickAddShare;
        }
        if (!tasks.isEmpty()) {
            manager->updateTopTasksForList(tasks);
            for (const TaskPtr& task : std::as_const(tasks)) {
                m_calTaskList.append(task);
                if (m_isHiding && task->status() == 1) continue;
                auto* row = new TaskListItemView();
                row->setTask(task);
                taskRows.push_back(row);
                m_totalHeight += itemRowHeight;
            }
        }
        m_childItems.insert(taskTitle, std::move(taskRows));

        // Events: a repeating one once, as its instance at its own occurrence.
        TaskList stored;
        manager->addTasksToList(stored, key, 0);
        TaskList events;
        for (const TaskPtr& record : std::as_const(stored)) {
            if (record->repeatType() == 0) {
                events.append(record);
                continue;
            }
            manager->fillRepeatEventInstances(TaskList{record}, events, record->occurrence(), record->occurrence());
        }
        Utilities::sortList(events, [](const TaskPtr& event) { return event->startTime(); }, false);
        TaskList scheduled;
        TaskList plainEvents;
        for (const TaskPtr& record : std::as_const(events)) (record->isSheduledTask() ? scheduled : plainEvents).append(record);
        appendGroup(outlineScheduledGroupTitle(), scheduled, false);
        appendGroup(outlineEventGroupTitle(), plainEvents, false);

        TaskList notes;
        manager->addTasksToList(notes, key, 3);
        Utilities::sortList(notes, [](const TaskPtr& note) { return note->startTime(); }, false);
        appendGroup(outlineNoteGroupTitle(), notes, true);
    }
    OutlineView::reloadData();
    expandItem(nullptr, true);
    setNeedsDisplay(true);
    if (m_restoreQuickAddFocus && m_quickAddField) restoreQuickAddFocus();
}

void CategoryDetailListItemView::restoreQuickAddFocus()
{
    // Once, after the loads in a row are done, to the row made last: an
    // earlier one may be gone by then, and the keyboard with it.
    if (m_quickAddRefocusPending) return;
    m_quickAddRefocusPending = true;
    const QPointer<CategoryDetailListItemView> outline(this);
    QMetaObject::invokeMethod(
        this,
        [outline] {
            if (!outline) return;
            outline->m_quickAddRefocusPending = false;
            const bool restore = std::exchange(outline->m_restoreQuickAddFocus, false);
            TextField* field = outline->m_quickAddField;
            if (!restore || !outline->m_isQuickAddFocus || !field || !field->isVisible()) return;
            // A field the person clicked meanwhile (the name) keeps the keys.
            QWidget* holder = QApplication::focusWidget();
            if (holder && outline->window() && outline->window()->isAncestorOf(holder)) return;
            field->editor()->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

// ---- refreshing rows in place -------------------------------------------------------------

void CategoryDetailListItemView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    if (changedItems.isEmpty()) return;
    const QString eventTitle = outlineEventGroupTitle();
    for (const QString& title : {outlineTaskGroupTitle(), outlineScheduledGroupTitle(), eventTitle, outlineNoteGroupTitle()}) {
        const auto* rows = groupRows(title);
        if (!rows) continue;
        for (TableRowView* row : *rows) {
            const TaskPtr record = recordOfRow(row);
            if (!record || outlineIsQuickAddRow(row)) continue;
            const qint64 key = title == eventTitle && record->primaryKey() <= 0 ? record->parentId() : record->primaryKey();
            if (!changedItems.contains(QString::number(key))) continue;
            outlineRereadRecord(record);
            outlineRedrawRow(row);
        }
    }
}

void CategoryDetailListItemView::reloadData(const TaskPtr& item)
{
    if (!item) return;
    QHash<QString, QVariant> changed;
    changed.insert(QString::number(item->primaryKey()), 1);
    reloadData(changed);
}

// ---- moving a task to the top ---------------------------------------------------------------

void CategoryDetailListItemView::moveToTop(const TaskPtr& item)
{
    if (!item) return;
    const QString title = outlineTaskGroupTitle();
    const auto found = m_childItems.find(title);
    if (found == m_childItems.end() || found->empty()) return;
    std::vector<TableRowView*>& rows = *found;
    int moved = -1;
    int oldTop = -1;
    int dest = 1;
    for (int index = 0; index < int(rows.size()); ++index) {
        TaskListItemView* row = outlineTaskRow(rows[size_t(index)]);
        if (!row || !row->task()) continue;
        const TaskPtr task = row->task();
        if (task->status() == 1) ++dest;
        if (moved == -1 && task->primaryKey() == item->primaryKey()) {
            moved = index;
        } else if (oldTop == -1 && task->calendarId() == item->calendarId() && task->isTopGTDTask()) {
            outlineRereadRecord(task);
            task->setIsTopGTDTask(false);
            outlineRedrawRow(row);
            oldTop = index;
        }
        if (moved >= 0 && oldTop >= 0) break;
    }
    if (moved < 0) return;
    TableRowView* row = rows[size_t(moved)];
    rows.erase(rows.begin() + moved);
    // Done rows counted into the destination can take it past the group.
    dest = std::min(dest, int(rows.size()));
    rows.insert(rows.begin() + dest, row);
    TableRowView* header = m_rootItems.empty() ? nullptr : m_rootItems.front();
    moveItemAtIndex(moved, header, dest, header);
    TaskListItemView* top = outlineTaskRow(rows[size_t(dest)]);
    if (!top || !top->task()) return;
    outlineRereadRecord(top->task());
    if (top->task()->status() == 0) top->task()->setIsTopGTDTask(true);
    outlineRedrawRow(top);
}

// ---- revealing and opening records -------------------------------------------------------------

TableRowView* CategoryDetailListItemView::rowShowing(const TaskPtr& item) const
{
    if (const auto* rows = groupRows(outlineTaskGroupTitle()))
        for (TableRowView* row : *rows)
            if (const TaskListItemView* task = outlineTaskRow(row); task && task->task() &&
                                                                    task->task()->primaryKey() == item->primaryKey())
                return row;
    if (const auto* rows = groupRows(outlineEventGroupTitle()))
        for (TableRowView* row : *rows) {
            const TaskListItemView* event = outlineTaskRow(row);
            if (!event || !event->task()) continue;
            const TaskPtr& shown = event->task();
            if (shown->primaryKey() == item->primaryKey()) return row;
            if (shown->primaryKey() <= 0 &&
                (shown->parentId() == item->parentId() || shown->parentId() == item->primaryKey()))
                return row;
        }
    if (const auto* rows = groupRows(outlineNoteGroupTitle()))
        for (TableRowView* row : *rows)
            if (const NoteListItemView* note = outlineNoteRow(row);
                note && note->note() && note->note()->primaryKey() == item->primaryKey())
                return row;
    return nullptr;
}

void CategoryDetailListItemView::selectOnly(int row)
{
    if (selectedRowIndexes() != std::vector<int>{row}) {
        OutlineView::deselectAll();
        selectRowIndexes({row}, false);
    }
}

void CategoryDetailListItemView::rebuildThroughHost()
{
    if (CategoryDetailListHost* host = parentView())
        host->loadData();
    else
        loadData();
}

bool CategoryDetailListItemView::revealToTask(const TaskPtr& item)
{
    if (isHidden() || !item) return false;
    if (m_isHiding) {
        m_isHiding = false;
        rebuildThroughHost();
    }
    TableRowView* match = rowShowing(item);
    if (!match) return false;
    const int row = rowForItem(match);
    if (row < 0) return false;
    scrollRowToVisible(row);
    selectOnly(row);
    m_selectedItem = match;
    return true;
}

bool CategoryDetailListItemView::showPopupEditDetail(const TaskPtr& item)
{
    if (isHidden() || !item) return false;
    if (m_isHiding) {
        m_isHiding = false;
        rebuildThroughHost();
    }
    const int firstVisible = visibleRows().first;
    TableRowView* match = rowShowing(item);
    if (!match) return false;
    const int row = rowForItem(match);
    if (row < 0) return false;
    scrollRowToVisible(row);
    selectOnly(row);
    m_selectedItem = match;
    View* anchor = match;
    if (!match->window() || match->superview() != this) {
        if (CategoryDetailListHost* host = parentView()) anchor = row > firstVisible ? host->bottomItemTemp() : host->topItemTemp();
    }
    popupEditDetail(recordOfRow(match), anchor, match);
    return true;
}

void CategoryDetailListItemView::popupEditDetail(const TaskPtr& item, View* positioningView, View* parent)
{
    if (!item) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    if (item->taskType() == 3)
        m_detailViewController->editNote(item, positioningView, parent);
    else
        m_detailViewController->editTask(item, positioningView);
}

void CategoryDetailListItemView::popupLinkDetail()
{
    if (!m_selectedItem) return;
    m_detailViewController = RowCommands::openLinkDetail(m_detailViewController, this, recordOfRow(m_selectedItem), m_selectedItem);
    becomeFirstResponder();
}

void CategoryDetailListItemView::deselectAll()
{
    ++m_deselectCount;
    OutlineView::deselectAll();
}

// ---- clicks -------------------------------------------------------------------------------------

void CategoryDetailListItemView::mouseDown(const Event& event)
{
    if (RowCommands::passControlClick(*this, event)) return;
    const int previous = selectedRow();
    OutlineView::mouseDown(event);
    m_canShowPreview = true;
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    if (row < 0) {
        m_selectedItem = nullptr;
        return;
    }
    MainViewAccess* mainView = RowCommands::holdRefreshOnFirstSelection(previous);
    m_selectedCount = row == previous && m_selectedCount < 1 ? m_selectedCount + 1 : 0;
    TableRowView* clicked = itemAtRow(row);
    if (outlineIsQuickAddRow(clicked)) {
        m_quickAddField->editor()->setFocus(Qt::MouseFocusReason);
        m_isQuickAddFocus = true;
        m_selectedItem = nullptr;
        return;
    }
    m_isQuickAddFocus = false;
    if (outlineInfoRow(clicked)) return;
    m_selectedItem = clicked;
    const double interval = outlineDoubleClickInterval();
    if (m_canShowPreview && m_lastMouseDown == 0) {
        m_lastMouseDown = event.timestamp;
        const bool repeated = m_selectedCount != 0;
        RowCommands::scheduleSingleClick(m_singleClickTimer, this, interval, repeated);
    } else if (TaskListTableView::isDoubleClick(m_lastMouseDown, event.timestamp, interval)) {
        handleDoubleClick();
    }
    if (mainView) mainView->clearHighlightExcept(this);
}

void CategoryDetailListItemView::handleSingleClick(bool repeated)
{
    RowCommands::holdRefreshOnRepeatedClick(repeated);
    m_lastMouseDown = 0;
}

void CategoryDetailListItemView::handleDoubleClick()
{
    RowCommands::endClickWait(m_lastMouseDown, m_singleClickTimer);
    if (m_selectedItem) popupEditDetail(recordOfRow(m_selectedItem), m_selectedItem, m_selectedItem);
}

// Only Delete acts: the outline does no keyboard navigation of its own.
void CategoryDetailListItemView::keyDown(const Event& event)
{
    // Escape is the window's (the panel backs out), not the list's.
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Escape) return OutlineView::keyDown(event);
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && selectedRow() >= 0 && m_selectedItem)
        applyDelete();
}

// ---- drags inside the outline -----------------------------------------------------------------------

std::unique_ptr<QMimeData> CategoryDetailListItemView::pasteboardWriterForItem(TableRowView* item)
{
    if (!item || outlineInfoRow(item)) return nullptr;
    const TaskPtr record = recordOfRow(item);
    if (!record) return nullptr;
    const int row = rowForItem(item);
    if (row >= 0 && selectedRowIndexes() != std::vector<int>{row}) {
        scrollRowToVisible(row);
        selectOnly(row);
    }
    m_itemBeingDrag = item;
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{record});
    return payload;
}

QImage CategoryDetailListItemView::dragImageForRowsWithIndexes(const std::vector<int>& rows, const Event& event)
{
    if (const TaskPtr record = recordOfRow(m_itemBeingDrag)) {
        const QList<DraggingImageComponent> components = record->draggingSmallImage();
        if (!components.isEmpty() && !components.front().contents.isNull()) return components.front().contents;
    }
    return OutlineView::dragImageForRowsWithIndexes(rows, event);
}

unsigned CategoryDetailListItemView::draggingEntered(const DraggingInfo& info)
{
    m_canShowPreview = false;
    m_lastMouseDown = 0;
    if (!info.hasType(KeyedArchive::mimeType) || info.draggingSource() != this) return DragOperationNone;
    postOutlineNotification(kPopoverShouldClose, this);
    // The platform outline validates the position as every move does.
    return OutlineView::draggingEntered(info);
}

void CategoryDetailListItemView::draggingExited()
{
    m_canShowPreview = false;
    m_lastMouseDown = 0;
}

unsigned CategoryDetailListItemView::validateDrop(const DraggingInfo& info, TableRowView* item, int)
{
    if (info.draggingSource() != this) return DragOperationNone;
    if (item && !outlineInfoRow(item)) return DragOperationNone;
    if (!m_itemBeingDrag) return DragOperationNone;
    const TaskPtr record = recordOfRow(m_itemBeingDrag);
    if (record && record->isShared()) return DragOperationNone;
    return DragOperationMove;
}

bool CategoryDetailListItemView::acceptDrop(const DraggingInfo& info, TableRowView* item, int childIndex)
{
    if (info.draggingSource() != this || !m_itemBeingDrag) return false;
    const InfoListItemView* target = outlineInfoRow(item);
    if (!target || target->leftTextField()->stringValue() != outlineTaskGroupTitle()) return false;
    // The record is checked again: the drop may come without a validation.
    const TaskPtr record = recordOfRow(m_itemBeingDrag);
    if (record && record->isShared()) return false;
    const InfoListItemView* source = outlineInfoRow(parentForItem(m_itemBeingDrag));
    if (!source) return false;
    const QString from = source->leftTextField()->stringValue();
    if (from == outlineTaskGroupTitle()) {
        reorderTaskGroup(childIndex);
        return true;
    }
    if (from == outlineNoteGroupTitle()) {
        const TaskPtr note = recordOfRow(m_itemBeingDrag);
        m_itemBeingDrag = nullptr;
        CoreData* manager = CoreData::shared();
        if (manager && note && !manager->commandFromView({note}, [&] { return manager->makeTaskFromNote(note); })) qWarning() << "Note" << note->primaryKey() << "did not become a task";
        return true;
    }
    return false;
}

CategoryDetailListItemView::Reorder CategoryDetailListItemView::planReorder(const std::vector<TaskOrder::Row>& rows,
                                                                            int from, int proposedChildIndex)
{
    Reorder reorder;
    const int count = int(rows.size());
    if (from < 0 || from >= count || !rows[size_t(from)]) return reorder;
    // Above the first task (the header itself, or above the quick-add row)
    // is first.
    int firstTask = 0;
    while (firstTask < count && !rows[size_t(firstTask)]) ++firstTask;
    const int to = std::clamp(proposedChildIndex, firstTask, count);
    reorder.from = from;
    const TaskOrder::Move move = TaskOrder::plan(rows, from, to);
    if (!move.moves) {
        reorder.dest = from;
        reorder.rows = {from};
        reorder.orders = {*rows[size_t(from)]};
        return reorder;
    }
    reorder.dest = move.dest;
    reorder.rows = move.rows;
    reorder.orders = move.orders;
    return reorder;
}

void CategoryDetailListItemView::reorderTaskGroup(int proposedChildIndex)
{
    const auto found = m_childItems.find(outlineTaskGroupTitle());
    if (found == m_childItems.end()) return;
    std::vector<TableRowView*>& rows = *found;
    const auto at = std::find(rows.begin(), rows.end(), m_itemBeingDrag.data());
    if (at == rows.end()) return;
    const int from = int(at - rows.begin());
    std::vector<TaskOrder::Row> orders;
    orders.reserve(rows.size());
    for (TableRowView* row : rows) {
        const TaskListItemView* task = outlineTaskRow(row);
        orders.push_back(task && task->task() ? TaskOrder::Row(task->task()->taskOrder()) : std::nullopt);
    }
    const Reorder plan = planReorder(orders, from, proposedChildIndex);
    m_itemBeingDrag = nullptr;
    if (plan.from < 0) return;
    TableRowView* moved = rows[size_t(from)];
    rows.erase(rows.begin() + from);
    rows.insert(rows.begin() + plan.dest, moved);
    TaskList tasks;
    for (int index : plan.rows) tasks << outlineTaskRow(rows[size_t(index)])->task();
    // A task dropped where it was is saved all the same.
    CoreData* manager = CoreData::shared();
    const bool saved = manager && manager->saveChangeFromView(tasks, [&] {
        return TaskOrder::save(tasks, plan.orders) &&
               (plan.from != plan.dest || tasks.isEmpty() || tasks.front()->dehydrate());
    });
    if (!saved) {
        // The stored order stayed as it was: the rows follow it again.
        rebuildThroughHost();
        return;
    }
    TableRowView* header = m_rootItems.empty() ? nullptr : m_rootItems.front();
    moveItemAtIndex(from, header, plan.dest, header);
    OutlineView::reloadData();
    postOutlineNotification(kTaskOrderChanged, this);
}

// ---- the header rows' handlers ----------------------------------------------------------------------------

void CategoryDetailListItemView::quickAddNewTask(const QString& text)
{
    CoreData* manager = CoreData::shared();
    if (!manager || !m_calendar || text.isEmpty()) return;
    auto task = std::make_shared<Task>();
    // A name of blanks only would show as an empty row.
    task->setTaskName(text.trimmed().isEmpty() ? TextTable::localizedString(QStringLiteral("untitledText")) : text);
    task->setCalendarId(m_calendar->primaryKey());
    task->setTaskType(1);
    // Before the add: the reload it sets off gives the row back the keyboard.
    m_isQuickAddFocus = true;
    m_restoreQuickAddFocus = true;
    manager->setModifyingTask(task);
    if (!manager->addNewTask()) {
        qWarning() << "The quick-added task could not be stored";
        CoreData::tellChangeNotSaved(window());
    }
}

void CategoryDetailListItemView::toggleShowHideDoneTask()
{
    m_isHiding = !m_isHiding;
    rebuildThroughHost();
}
