// The one road of a change the person makes in a view: one unit, kept whole
// or not at all, and a refused one is said.
#include "CoreData.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "DragSource.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Setting.h"
#include "ZVWSync.h"
#include "iCalSync.h"
#include "RecordStore.h"
#include "Task.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QDebug>

bool CoreData::saveChangeFromView(const TaskList& shown, const std::function<bool()>& writes, QObject* window,
                                  const QString& refusalText)
{
    RecordStore::forgetLastFailure();
    bool kept = false;
    {
        Transaction unit;
        // Not begun: another process holds the file past the wait. Nothing
        // is tried, so the person waits once, not once per command.
        if (unit.isOpen()) {
            for (const TaskPtr& record : shown) unit.keep(record);
            kept = writes() && unit.commit();
        }
    }
    // Told once the unit has let the record lock go: the alert runs the
    // event loop, and a worker may need the lock meanwhile.
    if (!kept) {
        qWarning().noquote() << "A change made in a view was not saved:" << RecordStore::lastFailureOnThisThread();
        tellChangeNotSaved(window, refusalText);
    }
    return kept;
}

bool CoreData::runAskingCommandFromView(const std::function<bool()>& command, QObject* window)
{
    RecordStore::forgetLastFailure();
    if (command()) return true;
    // Null with no failed statement: a question was cancelled, or there was
    // nothing to do.
    if (RecordStore::lastFailureOnThisThread().isEmpty()) return false;
    qWarning().noquote() << "A change made in a view was not saved:" << RecordStore::lastFailureOnThisThread();
    tellChangeNotSaved(window);
    return false;
}

bool CoreData::markDoneFromView(const TaskPtr& task, qint64 status, bool autoSyncZvw)
{
    if (!task) return false;
    return saveChangeFromView({task}, [&] {
        task->setStatus(status);
        task->setCompletedDate(status != 0 ? Utilities::getCompleteDate() : Date::dateWithTimeIntervalSince1970(0));
        return doMarkDoneOperatorWithTask(task, status, autoSyncZvw);
    });
}

bool CoreData::saveCategoryChangeFromView(const CalendarList& shown, const std::function<bool()>& writes,
                                          QObject* window, const QString& refusalText)
{
    return saveChangeFromView({}, [&] {
        for (const CalendarPtr& category : shown) Transaction::keepInCurrent(category);
        return writes();
    }, window, refusalText);
}

bool CoreData::saveSettingFromView(const std::function<void(Setting&)>& change, QObject* window)
{
    const SettingPtr setting = currentSetting();
    if (!setting) return false;
    return saveChangeFromView({}, [&] {
        Transaction::keepInCurrent(setting);
        change(*setting);
        return setting->dehydrate();
    }, window);
}

void CoreData::tellChangeNotSaved(QObject* window, const QString& refusalText)
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.attachedTo = window;
    const QString reason = RecordStore::lastFailureOnThisThread();
    QString text =
        refusalText.isEmpty() ? TextTable::localizedString(QStringLiteral("changeNotSavedText")) : refusalText;
    // A refusal of no statement (the item is gone meanwhile) has no
    // database message to give.
    request.messageText = reason.isEmpty() ? text.replace(QStringLiteral(" (%1)"), QString()) : text.arg(reason);
    if (DragSource::currentSession()) {
        // A refused drop is told once its drag has ended.
        DragSource::afterDrag([request, target = QPointer<QObject>(window)]() mutable {
            request.attachedTo = target.data();
            AlertPresenter::current().runModal(request);
        });
        return;
    }
    AlertPresenter::current().runModal(request);
}

bool CoreData::storeEditedTask(const TaskPtr& task, const std::function<void()>& beforeCalendarStore)
{
    if (!task) return false;
    CoreData* dataManager = this;
    const SettingPtr setting = dataManager->currentSetting();
    const CalendarPtr category = dataManager->calendarWithPrimaryKey(task->calendarId());
    iCalSync* sync = dataManager->icalSync();
    const bool inStore = category ? category->taskOrEvent() != 2 : true;
    // Marked in the unit of the save: the next start writes the store copy
    // again instead of reading the old title back.
    if (sync && inStore) iCalSync::markStoreWriteDue(task);
    if (!task->dehydrate()) return false;
    dataManager->updateLocalNotificationForTask(task);
    if (task->status() == 1 && !dataManager->doMarkDoneOperatorWithTask(task, task->status())) return false;

    const auto tagFilterUpkeep = [&] {
        if (!dataManager->removeTaskFromListWithTagFilter(task)) dataManager->addTaskToList(task, dataManager->getShowTag());
    };
    const Date now = Utilities::getCompleteDate();
    if (setting && setting->showActiveTaskOnly()) {
        if (Utilities::compareDateNoTime(task->startTime(), now) == 1) {
            dataManager->removeInActiveTask();
        } else if (!dataManager->isAppliedTagFilter()) {
            bool listed = false;
            for (const TaskPtr& item : dataManager->allTasksEventsAdes())
                if (item && item->primaryKey() == task->primaryKey()) listed = true;
            if (!listed) dataManager->doWithAllTasksEventsAdes(TaskList{task}, 0);
        } else {
            tagFilterUpkeep();
        }
    } else if (dataManager->isAppliedTagFilter()) {
        tagFilterUpkeep();
    }

    if (dataManager->hasDoToday() && task->hasDue() == 1 && Utilities::compareDateNoTime(task->dueEnd(), now) == 0 &&
        !dataManager->doToday(task, false))
        return false;

    if (beforeCalendarStore) beforeCalendarStore();
    // The store hears of the save only once it is kept.
    if (sync && inStore) {
        if (!task->iCalUID().isEmpty())
            Transaction::afterCommitOrNow([sync, task] { sync->backgroundOneWaySyncUpdateToICalTask(task, 0); });
        else
            Transaction::afterCommitOrNow([sync, task] { sync->backgroundOneWaySyncInsertToICalTask(task); });
    } else if (sync && !task->iCalUID().isEmpty()) {
        // The category keeps no tasks in the system calendar any more. The
        // removal is owed in this unit: killed before it is done, the next
        // start removes the copy instead of importing it back.
        if (!iCalSync::recordStoreItemRemoval(task)) return false;
        Transaction::afterCommitOrNow([sync, removed = task->copy()] { sync->backgroundOneWaySyncDeleteToICalTask(removed, 1); });
        task->setICalUID(QString());
        if (!task->dehydrate()) return false;
    }

    if (setting && setting->autoZVWSync())
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, qint64(2));
    return true;
}
