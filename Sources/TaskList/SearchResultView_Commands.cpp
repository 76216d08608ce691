// The search results' row commands: one item at a time, with the questions
// for repeating events, and a new search after each change.
#include "SearchResultView.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "InfoListItemView.h"
#include "ItemCommands.h"
#include "NotificationCenter.h"
#include "QuickAddView.h"
#include "RowCommands.h"
#include "Setting.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDebug>

namespace {

AlertRequest warningWithButtonList(std::initializer_list<QString> titles)
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    for (const QString& title : titles) request.addButtonWithTitle(title);
    return request;
}

void postTaskChangedBy(QObject* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, sender);
}

}  // namespace

bool SearchResultView::isRepeating(const Task& item)
{
    return RowCommands::isRepeating(item);
}

void SearchResultView::searchAgain()
{
    // Inside the quick-add bar the bar searches again for its field's text.
    for (QWidget* holder = parentWidget(); holder; holder = holder->parentWidget())
        if (auto* bar = qobject_cast<QuickAddView*>(holder)) return bar->search();
    loadSearchResultWithSearchText(m_searchText);
}

Menu SearchResultView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    TableRowView* clicked = row >= 0 ? itemAtRow(row) : nullptr;
    if (!clicked || qobject_cast<InfoListItemView*>(clicked)) return Menu();
    if (selectedRow() != row || !m_selectedItem) {
        scrollRowToVisible(row);
        selectRowIndexes({row}, false);
        m_selectedItem = clicked;
    }
    const TaskPtr item = selectedTask();
    if (!item) return Menu();
    const MenuTarget target = [list = QPointer<SearchResultView>(this)](const QString& action) {
        return list ? list->commandForAction(action) : std::function<void()>();
    };
    return item->taskType() == 3 ? UIUtilities::createMenuForNote(target, item)
                                 : UIUtilities::createMenuForTaskWithTarget(target, item);
}

std::function<void()> SearchResultView::commandForAction(const QString& action)
{
    const QPointer<SearchResultView> list(this);
    const auto run = [this](void (SearchResultView::*command)()) { return RowCommands::bound(this, command); };
    if (action == QLatin1String("editTask:") || action == QLatin1String("editNote:"))
        return run(&SearchResultView::popupEditDetail);
    if (action == QLatin1String("addPrimaryNote:")) return run(&SearchResultView::popupLinkDetail);
    if (action == QLatin1String("deleteTask:") || action == QLatin1String("deleteNote:"))
        return run(&SearchResultView::applyDelete);
    if (action == QLatin1String("duplicateTask:")) return run(&SearchResultView::duplicateTask);
    if (action == QLatin1String("duplicateNote:")) return run(&SearchResultView::duplicateNote);
    if (action == QLatin1String("selectDone:")) return run(&SearchResultView::selectDone);
    if (action == QLatin1String("copyToMakeLink:")) return run(&SearchResultView::copyToMakeLink);
    if (action == QLatin1String("pasteToMakeLink:")) return run(&SearchResultView::pasteToMakeLink);
    if (action == QLatin1String("convertNote2Task:")) return run(&SearchResultView::convertNote2Task);
    // One unit each, kept whole or refused and told; then the search again.
    if (const ItemCommands::ItemCommand command = ItemCommands::dateCommand(action))
        return [list, command] {
            const TaskPtr item = list ? list->selectedTask() : nullptr;
            if (!item || item->taskType() == 3) return;
            command(item);
            if (list) list->searchAgain();
        };
    qWarning() << "The search results have no command" << action;
    return {};
}

void SearchResultView::applyDelete()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = selectedTask();
    if (!manager || !item || item->isShared()) return;
    const QPointer<SearchResultView> alive(this);
    const bool deleted = RowCommands::deleteOne(*manager, item);
    if (!alive) return;
    // The data manager's single deletes tell no one: the other lists and
    // the day view drop the item on this.
    if (deleted) postTaskChangedBy(this);
    searchAgain();
}

void SearchResultView::duplicateTask()
{
    const TaskPtr item = selectedTask();
    if (!item || item->taskType() == 3) return;
    CoreData* manager = CoreData::shared();
    if (item->taskType() == 0 && item->repeatType() != 0) {
        const bool scheduled = item->isSheduledTask();
        AlertRequest request = warningWithButtonList({scheduled ? TextTable::localizedString(QStringLiteral("onlyThisSTaskText")) : TextTable::localizedString(QStringLiteral("onlyThisEventText")), TextTable::localizedString(QStringLiteral("cancelText"))});
        request.messageText = scheduled ? TextTable::localizedString(QStringLiteral("duplicateSTaskText")) : TextTable::localizedString(QStringLiteral("duplicateEventText"));
        request.informativeText = scheduled ? TextTable::localizedString(QStringLiteral("duplicateSTaskMessage")) : TextTable::localizedString(QStringLiteral("duplicateEventMessage"));
        if (AlertPresenter::current().runModal(request).button != AlertResponse::firstButton) return;
        if (!manager || !manager->commandFromView({item}, [&] { return item->duplicateThisOnly(); })) qWarning() << "Occurrence of item" << item->primaryKey() << "could not be duplicated";
    } else if (!manager || !manager->commandFromView({item}, [&] { return item->duplicate(); })) {
        qWarning() << "Item" << item->primaryKey() << "could not be duplicated";
    }
    searchAgain();
}

void SearchResultView::duplicateNote()
{
    const TaskPtr note = selectedTask();
    if (!note || note->taskType() != 3) return;
    CoreData* manager = CoreData::shared();
    if (!manager || !manager->commandFromView({note}, [&] { return note->duplicate(); })) qWarning() << "Note" << note->primaryKey() << "could not be duplicated";
    searchAgain();
}

void SearchResultView::selectDone()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = selectedTask();
    if (!manager || !item || item->taskType() != 1) return;
    const qint64 status = item->status() == 0 ? 1 : 0;
    // The record changes only with a kept save; a refused one was told.
    if (!manager->markDoneFromView(item, status)) {
        qWarning() << "Task" << item->primaryKey() << "could not be marked" << (status ? "done" : "open");
        return;
    }
    postTaskChangedBy(this);
}

void SearchResultView::copyToMakeLink()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = selectedTask();
    if (manager && item) RowCommands::copyToMakeLink(*manager, item);
}

void SearchResultView::pasteToMakeLink()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = selectedTask();
    if (manager && item && !manager->commandFromView({item}, [&] { return manager->pasteToMakeLinkWith(item); })) qWarning() << "Item" << item->primaryKey() << "was not linked";
}

void SearchResultView::convertNote2Task()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr note = selectedTask();
    if (!manager || !note || note->taskType() != 3) return;
    if (!manager->commandFromView({note}, [&] { return manager->makeTaskFromNote(note); })) qWarning() << "Note" << note->primaryKey() << "did not become a task";
    searchAgain();
}
