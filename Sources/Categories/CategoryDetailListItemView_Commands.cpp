// The outline's context menu and the row commands its entries send.
#include "CategoryDetailListItemView.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "InfoListItemView.h"
#include "ItemCommands.h"
#include "NoteListItemView.h"
#include "RowCommands.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "UIUtilities.h"

#include <QDebug>
#include <QPointer>

Menu CategoryDetailListItemView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    TableRowView* clicked = row >= 0 ? itemAtRow(row) : nullptr;
    if (!clicked || clicked->metaObject() == &InfoListItemView::staticMetaObject) return Menu();
    if (selectedRow() != row || m_selectedItem != clicked) {
        scrollRowToVisible(row);
        selectOnly(row);
        m_selectedItem = clicked;
    }
    const TaskPtr item = recordOfRow(m_selectedItem);
    if (!item) return Menu();
    const MenuTarget target = [outline = QPointer<CategoryDetailListItemView>(this)](const QString& action) {
        return outline ? outline->commandForAction(action) : std::function<void()>();
    };
    return item->taskType() == 3 ? UIUtilities::createMenuForNote(target, item)
                                 : UIUtilities::createMenuForTaskWithTarget(target, item);
}

void CategoryDetailListItemView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

std::function<void()> CategoryDetailListItemView::commandForAction(const QString& action)
{
    const QPointer<CategoryDetailListItemView> outline(this);
    const auto run = [outline](void (CategoryDetailListItemView::*command)()) {
        return std::function<void()>([outline, command] {
            if (outline) (outline.data()->*command)();
        });
    };
    if (action == QLatin1String("addPrimaryNote:")) return run(&CategoryDetailListItemView::addPrimaryNote);
    if (action == QLatin1String("editTask:") || action == QLatin1String("editNote:"))
        return run(&CategoryDetailListItemView::editTask);
    if (action == QLatin1String("selectDone:")) return run(&CategoryDetailListItemView::selectDone);
    if (action == QLatin1String("selectSTaskDone:")) return run(&CategoryDetailListItemView::selectSTaskDone);
    if (action == QLatin1String("duplicateTask:")) return run(&CategoryDetailListItemView::duplicateTask);
    if (action == QLatin1String("duplicateNote:")) return run(&CategoryDetailListItemView::duplicateNote);
    if (action == QLatin1String("deleteTask:") || action == QLatin1String("deleteNote:"))
        return run(&CategoryDetailListItemView::applyDelete);
    if (action == QLatin1String("doToday:")) return run(&CategoryDetailListItemView::doToday);
    if (action == QLatin1String("doNextWeek:")) return run(&CategoryDetailListItemView::doNextWeek);
    if (action == QLatin1String("doNextMonth:")) return run(&CategoryDetailListItemView::doNextMonth);
    if (action == QLatin1String("copyToMakeLink:")) return run(&CategoryDetailListItemView::copyToMakeLink);
    if (action == QLatin1String("pasteToMakeLink:")) return run(&CategoryDetailListItemView::pasteToMakeLink);
    if (action == QLatin1String("convertNote2Task:")) return run(&CategoryDetailListItemView::convertNote2Task);
    qWarning() << "The category outline has no command" << action;
    return {};
}

TaskPtr CategoryDetailListItemView::selectedTaskRowRecord() const
{
    const auto* row = qobject_cast<const TaskListItemView*>(m_selectedItem.data());
    return row ? row->task() : nullptr;
}

TaskPtr CategoryDetailListItemView::selectedNoteRowRecord() const
{
    const auto* row = qobject_cast<const NoteListItemView*>(m_selectedItem.data());
    return row ? row->note() : nullptr;
}

void CategoryDetailListItemView::addPrimaryNote() { popupLinkDetail(); }

void CategoryDetailListItemView::editTask()
{
    if (m_selectedItem) popupEditDetail(recordOfRow(m_selectedItem), m_selectedItem, m_selectedItem);
}

void CategoryDetailListItemView::selectDone()
{
    if (const TaskPtr item = selectedTaskRowRecord()) ItemCommands::toggleDone(item, this);
}

void CategoryDetailListItemView::selectSTaskDone()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = selectedTaskRowRecord();
    if (manager && item && !manager->saveChangeFromView({item}, [&] { return manager->markSTaskDone(item); }))
        qWarning() << "Scheduled task" << item->primaryKey() << "was not marked done";
}

void CategoryDetailListItemView::duplicateTask()
{
    const TaskPtr item = selectedTaskRowRecord();
    if (!item) return;
    const QPointer<CategoryDetailListItemView> alive(this);
    ItemCommands::duplicate(item);
    if (alive) rebuildThroughHost();
}

void CategoryDetailListItemView::duplicateNote()
{
    const TaskPtr note = selectedNoteRowRecord();
    CoreData* manager = CoreData::shared();
    if (note && (!manager || !manager->commandFromView({note}, [&] { return note->duplicate(); })))
        qWarning() << "Note" << note->primaryKey() << "could not be duplicated";
}

void CategoryDetailListItemView::doToday()
{
    if (const TaskPtr item = selectedTaskRowRecord()) ItemCommands::doToday(item);
}

void CategoryDetailListItemView::doNextWeek()
{
    if (const TaskPtr item = selectedTaskRowRecord()) ItemCommands::doNextWeek(item);
}

void CategoryDetailListItemView::doNextMonth()
{
    if (const TaskPtr item = selectedTaskRowRecord()) ItemCommands::doNextMonth(item);
}

void CategoryDetailListItemView::copyToMakeLink()
{
    m_canShowPreview = false;
    m_lastMouseDown = 0;
    CoreData* manager = CoreData::shared();
    const TaskPtr item = recordOfRow(m_selectedItem);
    if (manager && item) RowCommands::copyToMakeLink(*manager, item);
}

void CategoryDetailListItemView::pasteToMakeLink()
{
    m_canShowPreview = false;
    m_lastMouseDown = 0;
    ItemCommands::pasteToMakeLink(recordOfRow(m_selectedItem));
}

void CategoryDetailListItemView::convertNote2Task()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr note = selectedNoteRowRecord();
    if (manager && note && !manager->commandFromView({note}, [&] { return manager->makeTaskFromNote(note); })) qWarning() << "Note" << note->primaryKey() << "did not become a task";
}

void CategoryDetailListItemView::applyDelete()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = recordOfRow(m_selectedItem);
    if (!manager || !item || item->isShared()) return;
    const QPointer<CategoryDetailListItemView> alive(this);
    if (RowCommands::deleteOne(*manager, item)) RowCommands::postTaskChanged(alive.data());
}
