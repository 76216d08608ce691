#include "DeletedRows.h"

#include "Clock.h"
#include "CoreData.h"
#include "OneOffStatement.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordHelpers.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"

#include <QStringBuilder>

namespace {

constexpr qint64 removedLink = 1;

using QueueGetter = QString (Setting::*)() const;
using QueueSetter = void (Setting::*)(const QString&);

// Items may be deleted from several threads at once (the views, the web sync,
// the system-calendar jobs): the queue's read and write must not interleave,
// or an id is lost.
bool appendToQueue(QueueGetter read, QueueSetter write, const QList<qint64>& webIds)
{
    const CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    if (!setting) return true;
    bool added = false;
    {
        RecordGuard guard;
        QString queue = (*setting.*read)();
        for (const qint64 webId : webIds) {
            if (webId <= 0) continue;
            queue = queue % QLatin1Char(',') % QString::number(webId);
            added = true;
        }
        if (added) (*setting.*write)(queue);
    }
    return !added || setting->dehydrate();
}

// The link rows stay, marked removed, until the web sync has told the server.
// One statement per key keeps clear of SQLite's limit on parameters, which a
// large category would pass.
bool markLinksRemoved(const QList<qint64>& keys)
{
    if (keys.isEmpty()) return true;
    OneOffStatement update("UPDATE Links SET status=?, updatedDate=? WHERE rootId=? OR targetId=?");
    sqlite3_stmt* statement = update.get();
    const Date now = Clock::now();
    for (const qint64 key : keys) {
        StatementReset reset(statement);
        RecordStore::bindInt64(statement, 1, removedLink);
        RecordStore::bindDate(statement, 2, now);
        RecordStore::bindInt64(statement, 3, key);
        RecordStore::bindInt64(statement, 4, key);
        if (!RecordStore::stepDone(statement, RecordStore::dehydrateErrorText)) return false;
    }
    return true;
}

}  // namespace

// The rows, the queue and the marks go as one unit: a row deleted without its
// queued web id would live on at the server, one whose links stay active
// would have them sent as live links.
namespace {

// The rows the select finds go with the remove; the statements are made by
// the caller (once per call, or kept in a slot).
template <class MakeSelect, class MakeRemove>
std::optional<QList<qint64>> deleteSelectedItems(MakeSelect makeSelect, MakeRemove makeRemove,
                                                 const DeletedRows::Binder& bind, DeletedRows::WebIds webIds)
{
    Transaction transaction;
    if (!transaction.isOpen()) return std::nullopt;
    QList<qint64> keys;
    QList<qint64> ids;
    {
        QueryStatement select = makeSelect();
        bind(select);
        while (select.nextRow()) {
            ids.append(sqlite3_column_int64(select.get(), 0));
            keys.append(sqlite3_column_int64(select.get(), 1));
        }
        if (select.failed()) return std::nullopt;
    }
    {
        QueryStatement remove = makeRemove();
        bind(remove);
        if (!remove.execute(RecordStore::deleteErrorText)) return std::nullopt;
    }
    if (webIds == DeletedRows::WebIds::Queue && !DeletedRows::queueDeletedItems(ids)) return std::nullopt;
    if (!markLinksRemoved(keys) || !transaction.commit()) return std::nullopt;
    return keys;
}

}  // namespace

std::optional<QList<qint64>> DeletedRows::deleteItems(const QByteArray& condition, const Binder& bind, WebIds webIds)
{
    return deleteSelectedItems(
        [&condition] { return QueryStatement("SELECT zvwID, primaryKey FROM Tasks WHERE " + condition); },
        [&condition] {
            return QueryStatement("DELETE FROM Tasks WHERE " + condition, QueryStatement::PrepareFailure::Fatal);
        },
        bind, webIds);
}

std::optional<QList<qint64>> DeletedRows::deleteItems(CachedStatement& select, CachedStatement& remove,
                                                      const Binder& bind, WebIds webIds)
{
    return deleteSelectedItems([&select] { return QueryStatement(select); },
                               [&remove] { return QueryStatement(remove); }, bind, webIds);
}

bool DeletedRows::queueDeletedItems(const QList<qint64>& webIds)
{
    return appendToQueue(&Setting::zvwDeletedTasks, &Setting::setZvwDeletedTasks, webIds);
}

bool DeletedRows::queueDeletedTags(const QList<qint64>& webIds)
{
    return appendToQueue(&Setting::zvwDeletedTag, &Setting::setZvwDeletedTag, webIds);
}

void DeletedRows::dropFromWorkingList(CoreData& dataManager, const QList<qint64>& keys)
{
    dataManager.dropFromWorkingList(keys);
}
