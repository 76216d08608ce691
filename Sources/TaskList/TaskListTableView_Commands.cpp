// The task list's row commands: Delete, the context menus and their entries.
#include "TaskListTableView.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "InfoListItemView.h"
#include "ItemCommands.h"
#include "NotificationCenter.h"
#include "RowCommands.h"
#include "Setting.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDebug>
#include <QPointer>

TaskList TaskListTableView::tasksOfSelectedRows() const
{
    TaskList items;
    for (int row : selectedRowIndexes()) {
        const auto* view = qobject_cast<TaskListItemView*>(itemAtRow(row));
        if (view && view->task()) items.append(view->task());
    }
    return items;
}

// ---- delete ----------------------------------------------------------------------

void TaskListTableView::applyDelete()
{
    const std::vector<int> selected = selectedRowIndexes();
    m_arrSelectedItems.clear();
    bool anyOwn = false;
    if (selected.size() >= 2) {
        m_arrSelectedItems = tasksOfSelectedRows();
        for (const TaskPtr& item : m_arrSelectedItems) anyOwn = anyOwn || !item->isShared();
    }
    // A header row is never selected, yet a stale selectedItem from before a
    // reload must not be deleted: it has to be the selected row's own view.
    if (selected.size() == 1 && m_selectedItem && itemAtRow(selected.front()) == m_selectedItem) {
        applyDeleteSingleSelectedItem();
        return;
    }
    if (anyOwn && m_arrSelectedItems.size() >= 2) applyDeleteMultipleSelectedItems();
}

void TaskListTableView::applyDeleteSingleSelectedItem()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = m_selectedItem ? m_selectedItem->task() : nullptr;
    if (!manager || !item || item->isShared()) return;
    if (RowCommands::warnsBeforeDeleting(*manager) && !RowCommands::confirmDelete(manager->currentSetting())) return;
    manager->setModifyingTask(item);
    if (!manager->commandFromView({item}, [&] { return manager->doDeleteTask(item); })) {
        qWarning() << "Task" << item->primaryKey() << "could not be deleted";
        return;
    }
    // The data manager's single delete tells no one: the other lists and the
    // day view drop the item on this.
    RowCommands::postTaskChanged(this);
}

void TaskListTableView::applyDeleteMultipleSelectedItems()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    const QPointer<TaskListTableView> alive(this);
    bool confirmed = true;
    if (RowCommands::warnsBeforeDeleting(*manager)) confirmed = RowCommands::confirmDelete(manager->currentSetting());
    if (!alive) return;
    const TaskList items = m_arrSelectedItems;
    if (confirmed && !items.isEmpty() &&
        !manager->commandFromView(items, [&] { return manager->doDeleteTasks(items, RowCommands::autoSync(*manager)); }))
        qWarning() << "Some of" << m_arrSelectedItems.size() << "selected tasks could not be deleted";
    OutlineView::reloadData();
}

// ---- context menu ------------------------------------------------------------------

Menu TaskListTableView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    TableRowView* clicked = row >= 0 ? itemAtRow(row) : nullptr;
    if (!clicked || qobject_cast<InfoListItemView*>(clicked)) return Menu();
    const std::vector<int> selected = selectedRowIndexes();
    m_arrSelectedItems.clear();
    const MenuTarget target = [list = QPointer<TaskListTableView>(this)](const QString& action) {
        return list ? list->commandForAction(action) : std::function<void()>();
    };
    if (selected.size() < 2) {
        if (selectedRow() != row || !m_selectedItem) {
            scrollRowToVisible(row);
            selectOnly(row);
            m_selectedItem = qobject_cast<TaskListItemView*>(clicked);
        }
        const TaskPtr item = m_selectedItem ? m_selectedItem->task() : nullptr;
        if (!item) return Menu();
        return UIUtilities::createMenuForTaskWithTarget(target, item);
    }
    m_arrSelectedItems = tasksOfSelectedRows();
    bool allStarred = !m_arrSelectedItems.isEmpty();
    for (const TaskPtr& item : m_arrSelectedItems) allStarred = allStarred && item->isPinned() != 0;
    return UIUtilities::createMenuForMultiTaskWithTarget(target, m_arrSelectedItems, 1, int(selected.size()),
                                                         allStarred);
}

void TaskListTableView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

std::function<void()> TaskListTableView::commandForAction(const QString& action)
{
    const QPointer<TaskListTableView> list(this);
    const auto run = [this](void (TaskListTableView::*command)()) { return RowCommands::bound(this, command); };
    if (action == QLatin1String("editTask:")) return run(&TaskListTableView::editTask);
    if (action == QLatin1String("duplicateTask:")) return run(&TaskListTableView::duplicateTask);
    if (action == QLatin1String("selectDone:")) return run(&TaskListTableView::selectDone);
    if (action == QLatin1String("deleteTask:")) return run(&TaskListTableView::applyDelete);
    // One unit each, kept whole or refused and told.
    if (const ItemCommands::ItemCommand command = ItemCommands::dateCommand(action))
        return [list, command] { if (list && list->m_selectedItem) command(list->m_selectedItem->task()); };
    if (action == QLatin1String("copyToMakeLink:")) return run(&TaskListTableView::copyToMakeLink);
    if (action == QLatin1String("pasteToMakeLink:")) return run(&TaskListTableView::pasteToMakeLink);
    if (action == QLatin1String("addPrimaryNote:")) return run(&TaskListTableView::addPrimaryNote);
    if (action == QLatin1String("linkTogether:")) return run(&TaskListTableView::linkTogether);
    if (action == QLatin1String("duplicateSelectedItems:")) return run(&TaskListTableView::duplicateSelectedItems);
    if (action == QLatin1String("deleteSelectedTasks:")) return run(&TaskListTableView::applyDeleteMultipleSelectedItems);
    if (action == QLatin1String("markDoneTasks:")) return run(&TaskListTableView::markDoneTasks);
    if (action == QLatin1String("markStarTasks:")) return run(&TaskListTableView::markStarTasks);
    if (action == QLatin1String("markUnStarTasks:")) return run(&TaskListTableView::markUnStarTasks);
    if (action == QLatin1String("doToDaySelectedTasks:")) return run(&TaskListTableView::doToDaySelectedTasks);
    if (action == QLatin1String("doNextWeekSelectedTasks:")) return run(&TaskListTableView::doNextWeekSelectedTasks);
    if (action == QLatin1String("doNextMonthSelectedTasks:")) return run(&TaskListTableView::doNextMonthSelectedTasks);
    qWarning() << "The task list has no command" << action;
    return {};
}

// ---- single-item commands ------------------------------------------------------------

void TaskListTableView::editTask()
{
    if (m_selectedItem && m_selectedItem->task()) popupEditDetail(m_selectedItem->task(), m_selectedItem);
}

void TaskListTableView::duplicateTask()
{
    ItemCommands::duplicate((m_selectedItem ? m_selectedItem->task() : nullptr));
}

void TaskListTableView::selectDone()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = m_selectedItem ? m_selectedItem->task() : nullptr;
    if (!manager || !item) return;
    const qint64 status = item->status() == 0 ? 1 : 0;
    // The record changes only with a kept save; a refused one was told.
    if (!manager->markDoneFromView(item, status)) {
        qWarning() << "Task" << item->primaryKey() << "could not be marked" << (status ? "done" : "open");
        return;
    }
    RowCommands::postTaskChanged(this);
}

void TaskListTableView::copyToMakeLink()
{
    m_canShowPreview = false;
    m_lastMouseDown = 0;
    CoreData* manager = CoreData::shared();
    const TaskPtr item = m_selectedItem ? m_selectedItem->task() : nullptr;
    if (manager && item) RowCommands::copyToMakeLink(*manager, item);
}

void TaskListTableView::pasteToMakeLink()
{
    m_canShowPreview = false;
    m_lastMouseDown = 0;
    CoreData* manager = CoreData::shared();
    const TaskPtr item = m_selectedItem ? m_selectedItem->task() : nullptr;
    if (manager && item && !manager->commandFromView({item}, [&] { return manager->pasteToMakeLinkWith(item); })) qWarning() << "Task" << item->primaryKey() << "was not linked";
}

void TaskListTableView::addPrimaryNote() { popupLinkDetail(); }

// ---- batch commands ------------------------------------------------------------------

void TaskListTableView::linkTogether()
{
    if (CoreData* manager = CoreData::shared()) RowCommands::linkTogether(*manager, m_arrSelectedItems);
}

void TaskListTableView::duplicateSelectedItems()
{
    CoreData* manager = CoreData::shared();
    if (!manager || m_arrSelectedItems.isEmpty()) return;
    const TaskList items = m_arrSelectedItems;
    if (!manager->commandFromView(items, [&] { return manager->doDuplicateTasks(items, RowCommands::autoSync(*manager)); }))
        qWarning() << "The selected items were not all duplicated";
    OutlineView::reloadData();
}

void TaskListTableView::markDoneTasks()
{
    CoreData* manager = CoreData::shared();
    if (!manager || m_arrSelectedItems.isEmpty()) return;
    const TaskList items = m_arrSelectedItems;
    if (!manager->commandFromView(items, [&] { return manager->doMarkDoneTasks(items, RowCommands::autoSync(*manager)); }))
        qWarning() << "The selected tasks were not all marked done";
}

void TaskListTableView::markStarTasks()
{
    CoreData* manager = CoreData::shared();
    if (!manager || m_arrSelectedItems.isEmpty()) return;
    const TaskList items = m_arrSelectedItems;
    if (!manager->commandFromView(items, [&] { return manager->doMarkStarTasks(items, RowCommands::autoSync(*manager)); }))
        qWarning() << "The selected tasks were not all starred";
}

void TaskListTableView::markUnStarTasks()
{
    CoreData* manager = CoreData::shared();
    if (!manager || m_arrSelectedItems.isEmpty()) return;
    const TaskList items = m_arrSelectedItems;
    if (!manager->commandFromView(items, [&] { return manager->doMarkUnStarTasks(items, RowCommands::autoSync(*manager)); }))
        qWarning() << "The selected tasks were not all unstarred";
}

void TaskListTableView::doToDaySelectedTasks()
{
    CoreData* manager = CoreData::shared();
    if (!manager || m_arrSelectedItems.isEmpty()) return;
    const TaskList items = m_arrSelectedItems;
    if (!manager->commandFromView(items, [&] { return manager->doTodayTasks(items); })) qWarning() << "The selected tasks were not all moved to today";
    OutlineView::reloadData();
}

void TaskListTableView::doNextWeekSelectedTasks()
{
    CoreData* manager = CoreData::shared();
    if (!manager || m_arrSelectedItems.isEmpty()) return;
    const TaskList items = m_arrSelectedItems;
    if (!manager->commandFromView(items, [&] { return manager->doNextWeekTasks(items, RowCommands::autoSync(*manager)); }))
        qWarning() << "The selected tasks were not all moved to next week";
    OutlineView::reloadData();
}

void TaskListTableView::doNextMonthSelectedTasks()
{
    CoreData* manager = CoreData::shared();
    if (!manager || m_arrSelectedItems.isEmpty()) return;
    const TaskList items = m_arrSelectedItems;
    if (!manager->commandFromView(items, [&] { return manager->doNextMonthTasks(items, RowCommands::autoSync(*manager)); }))
        qWarning() << "The selected tasks were not all moved to next month";
    OutlineView::reloadData();
}
