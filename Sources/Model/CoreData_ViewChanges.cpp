// The one road of a change the person makes in a view: one unit, kept whole
// or not at all, and a refused one is said.
#include "CoreData.h"

#include "AlertPresenter.h"
#include "RecordStore.h"
#include "Task.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QDebug>

bool CoreData::saveChangeFromView(const TaskList& shown, const std::function<bool()>& writes, QObject* window)
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
        tellChangeNotSaved(window);
    }
    return kept;
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

void CoreData::tellChangeNotSaved(QObject* window)
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.attachedTo = window;
    const QString reason = RecordStore::lastFailureOnThisThread();
    QString text = TextTable::localizedString(QStringLiteral("changeNotSavedText"));
    // A refusal of no statement (the item is gone meanwhile) has no
    // database message to give.
    request.messageText = reason.isEmpty() ? text.replace(QStringLiteral(" (%1)"), QString()) : text.arg(reason);
    AlertPresenter::current().runModal(request);
}
