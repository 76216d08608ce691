// The notes list's commands: Delete, the context menus and their entries,
// and dragging notes out.
#include "NoteListTableView.h"

#include "CoreData.h"
#include "DetailViewController.h"
#include "DraggingImageComponent.h"
#include "ImageView.h"
#include "KeyedArchive.h"
#include "NoteListItemView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "RowCommands.h"
#include "Task.h"
#include "UIUtilities.h"

#include <QDebug>

namespace {

void postNoteListChanged(QObject* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, sender);
}

}  // namespace

TaskList NoteListTableView::notesOfSelectedRows() const
{
    TaskList notes;
    for (int row : selectedRowIndexes())
        if (row >= 0 && row < int(m_notes.size())) notes.append(rowAt(row)->note());
    return notes;
}

TaskPtr NoteListTableView::selectedNote() const
{
    return m_selectedItem ? m_selectedItem->note() : nullptr;
}

// ---- keys and menus -----------------------------------------------------------------

void NoteListTableView::keyDown(const Event& event)
{
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete) applyDelete();
}

void NoteListTableView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

Menu NoteListTableView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    if (row < 0 || row >= int(m_notes.size())) return Menu();
    m_arrSelectedItems.clear();
    const MenuTarget target = [list = QPointer<NoteListTableView>(this)](const QString& action) {
        return list ? list->commandForAction(action) : std::function<void()>();
    };
    const std::vector<int> selected = selectedRowIndexes();
    if (selected.size() < 2) {
        if (selectedRow() != row || !m_selectedItem) {
            scrollRowToVisible(row);
            selectRowIndexes({row}, false);
            m_selectedItem = rowAt(row);
        }
        const TaskPtr note = selectedNote();
        return note ? UIUtilities::createMenuForNote(target, note) : Menu();
    }
    // Two or more selected: the selection's menu, wherever the pointer is.
    m_arrSelectedItems = notesOfSelectedRows();
    return UIUtilities::createMenuForMultiTaskWithTarget(target, m_arrSelectedItems, 3, int(selected.size()), true);
}

std::function<void()> NoteListTableView::commandForAction(const QString& action)
{
    const QPointer<NoteListTableView> list(this);
    const auto run = [this](void (NoteListTableView::*command)()) { return RowCommands::bound(this, command); };
    if (action == QLatin1String("editNote:")) return run(&NoteListTableView::editNote);
    if (action == QLatin1String("duplicateNote:")) return run(&NoteListTableView::duplicateNote);
    if (action == QLatin1String("deleteNote:")) return run(&NoteListTableView::applyDelete);
    if (action == QLatin1String("convertNote2Task:")) return run(&NoteListTableView::convertNote2Task);
    if (action == QLatin1String("copyToMakeLink:")) return run(&NoteListTableView::copyToMakeLink);
    if (action == QLatin1String("pasteToMakeLink:")) return run(&NoteListTableView::pasteToMakeLink);
    if (action == QLatin1String("addPrimaryNote:")) return run(&NoteListTableView::popupLinkDetail);
    if (action == QLatin1String("linkTogether:")) return run(&NoteListTableView::linkTogether);
    if (action == QLatin1String("duplicateSelectedItems:")) return run(&NoteListTableView::duplicateSelectedItems);
    if (action == QLatin1String("deleteSelectedTasks:")) return run(&NoteListTableView::applyDeleteMultipleSelectedItems);
    if (action == QLatin1String("convertNotes2Tasks:")) return run(&NoteListTableView::convertNotes2Tasks);
    qWarning() << "The notes list has no command" << action;
    return {};
}

// ---- delete ----------------------------------------------------------------------------

void NoteListTableView::applyDelete()
{
    const std::vector<int> selected = selectedRowIndexes();
    m_arrSelectedItems.clear();
    bool anyOwn = false;
    if (selected.size() >= 2) {
        m_arrSelectedItems = notesOfSelectedRows();
        for (const TaskPtr& note : std::as_const(m_arrSelectedItems)) anyOwn = anyOwn || !note->isShared();
    }
    // A selectedItem left from before a reload is not deleted: it has to be
    // the selected row's own.
    if (selected.size() == 1 && m_selectedItem && rowAt(selected.front()) == m_selectedItem) {
        applyDeleteSingleSelectedItem();
        return;
    }
    if (anyOwn && m_arrSelectedItems.size() >= 2) applyDeleteMultipleSelectedItems();
}

void NoteListTableView::applyDeleteSingleSelectedItem()
{
    CoreData* manager = CoreData::shared();
    const QPointer<NoteListItemView> row = m_selectedItem;
    if (!manager || !row || !row->note()) return;
    if (row->note()->zvwID() == 0)
        if (const TaskPtr stored = Task::storedWithPrimaryKey(row->note()->primaryKey())) row->setNote(stored);
    const TaskPtr note = row->note();
    if (note->isShared()) return;
    if (RowCommands::warnsBeforeDeleting(*manager) && !RowCommands::confirmDelete(manager->currentSetting())) return;
    manager->setModifyingTask(note);
    if (!manager->commandFromView({note}, [&] { return manager->doDeleteTask(note); })) {
        qWarning() << "Note" << note->primaryKey() << "could not be deleted";
        return;
    }
    postNoteListChanged(this);
}

void NoteListTableView::applyDeleteMultipleSelectedItems()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    const QPointer<NoteListTableView> alive(this);
    RowCommands::deleteItems(*manager, m_arrSelectedItems);
    if (alive) OutlineView::reloadData();
}

// ---- one note ----------------------------------------------------------------------------

void NoteListTableView::editNote()
{
    if (m_selectedItem) popupEditDetail(m_selectedItem->note(), m_selectedItem, m_selectedItem);
}

void NoteListTableView::duplicateNote()
{
    const TaskPtr note = selectedNote();
    CoreData* manager = CoreData::shared();
    if (note && (!manager || !manager->commandFromView({note}, [&] { return note->duplicate(); })))
        qWarning() << "Note" << note->primaryKey() << "could not be duplicated";
}

void NoteListTableView::convertNote2Task()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr note = selectedNote();
    if (manager && note && !manager->commandFromView({note}, [&] { return manager->makeTaskFromNote(note); }))
        qWarning() << "Note" << note->primaryKey() << "did not become a task";
}

void NoteListTableView::copyToMakeLink()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr note = selectedNote();
    if (manager && note) RowCommands::copyToMakeLink(*manager, note);
}

void NoteListTableView::pasteToMakeLink()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr note = selectedNote();
    if (manager && note && !manager->commandFromView({note}, [&] { return manager->pasteToMakeLinkWith(note); })) qWarning() << "Note" << note->primaryKey() << "was not linked";
}

void NoteListTableView::popupLinkDetail()
{
    const TaskPtr note = selectedNote();
    if (!note) return;
    m_detailViewController = RowCommands::openLinkDetail(m_detailViewController, this, note, m_selectedItem);
    becomeFirstResponder();
}

// ---- the selection -------------------------------------------------------------------------

void NoteListTableView::linkTogether()
{
    if (CoreData* manager = CoreData::shared()) RowCommands::linkTogether(*manager, m_arrSelectedItems);
}

void NoteListTableView::duplicateSelectedItems()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    RowCommands::duplicateItems(*manager, m_arrSelectedItems);
    OutlineView::reloadData();
}

void NoteListTableView::convertNotes2Tasks()
{
    CoreData* manager = CoreData::shared();
    if (manager && !m_arrSelectedItems.isEmpty() && !manager->commandFromView(m_arrSelectedItems, [&] { return manager->ConvertNotesToTasks(m_arrSelectedItems); }))
        qWarning() << "The selected notes did not all become tasks";
}

// ---- dragging ----------------------------------------------------------------------------

std::unique_ptr<QMimeData> NoteListTableView::pasteboardWriterForItem(TableRowView* item)
{
    auto* row = qobject_cast<NoteListItemView*>(item);
    if (!m_isDraggable || !row || !row->note()) return nullptr;
    const int index = rowForItem(row);
    if (index >= 0 && selectedRowIndexes() != std::vector<int>{index}) {
        scrollRowToVisible(index);
        selectRowIndexes({index}, false);
    }
    m_itemBeingDrag = row;
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{row->note()});
    return payload;
}

QImage NoteListTableView::dragImageForRowsWithIndexes(const std::vector<int>& rows, const Event& event)
{
    if (m_itemBeingDrag && m_itemBeingDrag->note()) {
        const QImage image = m_itemBeingDrag->note()->draggingImageRepresentative();
        if (!image.isNull()) return image;
    }
    return OutlineView::dragImageForRowsWithIndexes(rows, event);
}

unsigned NoteListTableView::draggingEntered(const DraggingInfo& info)
{
    m_lastMouseDown = 0;
    if (!info.hasType(KeyedArchive::mimeType) || !info.hasInApplicationSource()) return DragOperationNone;
    showDragPreview(info);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, static_cast<QObject*>(this));
    return DragOperationGeneric;
}

void NoteListTableView::updateDraggingItemsForDrag(const DraggingInfo& info)
{
    if (!info.hasType(KeyedArchive::mimeType) || !info.hasInApplicationSource()) return;
    showDragPreview(info);
}

void NoteListTableView::draggingExited()
{
    m_lastMouseDown = 0;
    hideDragPreview();
}

bool NoteListTableView::performDragOperation(const DraggingInfo& info)
{
    hideDragPreview();
    return OutlineView::performDragOperation(info);
}

// A refused drop may end the drag without an exit over the list.
void NoteListTableView::draggingEnded(const QPointF& screenPoint, unsigned operation)
{
    hideDragPreview();
    OutlineView::draggingEnded(screenPoint, operation);
}

// A Qt drag keeps the picture it started with, so over the list the list
// itself shows the dragged note's small picture at the pointer; outside it
// the drag's own full picture is all there is.
void NoteListTableView::showDragPreview(const DraggingInfo& info)
{
    const TaskList items = Task::readItemsFromPasteboard(info.draggingPasteboard());
    RowCommands::showDragPreview(*m_dragPreview, m_dragPreviewImage, items.isEmpty() ? nullptr : items.front(),
                                 info.draggingLocation());
}

void NoteListTableView::hideDragPreview()
{
    RowCommands::hideDragPreview(*m_dragPreview, m_dragPreviewImage);
}
