#include "iCalSync.h"

#include "MainQueue.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Task.h"

#include <QDebug>

std::atomic<bool> iCalSyncBusy{false};

bool iCalSync::waitUntilIdle(double seconds)
{
    if (MainQueue::waitWhile([] { return iCalSyncBusy.load(); }, seconds)) return true;
    qWarning() << "The calendar-store sync did not end within" << seconds << "s";
    return false;
}

namespace {
thread_local bool handsListRecordsOver = false;
}  // namespace

void iCalSync::setListRecordsOnMainThread(bool handOver)
{
    handsListRecordsOver = handOver;
}

bool iCalSync::listRecordsOnMainThread()
{
    return handsListRecordsOver && !MainQueue::isMainThread();
}

// --- what the store is still owed ---

qint64 iCalSync::markStoreWriteDue(const TaskPtr& item)
{
    if (!item || item->primaryKey() < 0 || item->iCalUID().isEmpty() || item->iCalUID().startsWith(pendingStoreCopyMark))
        return 0;
    RecordGuard guard;
    QueryStatement mark("INSERT INTO StoreItemWrites (itemKey, due) VALUES (?, 1) "
                        "ON CONFLICT(itemKey) DO UPDATE SET due = due + 1");
    mark.bind(1, item->primaryKey());
    // Without the mark the change is kept all the same; only a kill before
    // the store write would let the store's older copy win at the next start.
    if (!mark.isValid() || !mark.execute("Calendar store: the pending store write could not be marked")) return 0;
    return storeWriteDue(item->primaryKey());
}

qint64 iCalSync::storeWriteDue(qint64 itemKey)
{
    RecordGuard guard;
    QueryStatement query("SELECT due FROM StoreItemWrites WHERE itemKey = ?");
    query.bind(1, itemKey);
    return query.firstInt64().value_or(0);
}

bool iCalSync::clearStoreWriteDue(qint64 itemKey, qint64 due)
{
    RecordGuard guard;
    QueryStatement clear("DELETE FROM StoreItemWrites WHERE itemKey = ? AND due <= ?");
    clear.bind(1, itemKey).bind(2, due);
    return clear.isValid() && clear.execute("Calendar store: a done store write could not be unmarked");
}

QList<std::pair<qint64, qint64>> iCalSync::storeWritesDue()
{
    QList<std::pair<qint64, qint64>> marks;
    RecordGuard guard;
    QueryStatement query("SELECT itemKey, due FROM StoreItemWrites ORDER BY itemKey");
    while (query.nextRow()) marks.append({sqlite3_column_int64(query.get(), 0), sqlite3_column_int64(query.get(), 1)});
    return marks;
}

namespace {

QString withoutPendingMark(const QString& uid)
{
    return uid.startsWith(pendingStoreCopyMark) ? uid.mid(pendingStoreCopyMark.size()) : uid;
}

// Inside the caller's unit: a record that cannot be written spoils it (the
// failed step does), so no delete is kept without the removal it owes.
bool recordStoreRemoval(iCalSync::StoreRemoval kind, const QString& uid)
{
    const QString bare = withoutPendingMark(uid);
    if (bare.isEmpty()) return true;
    RecordGuard guard;
    QueryStatement record("INSERT OR IGNORE INTO StoreRemovals (kind, uid) VALUES (?, ?)");
    record.bind(1, qint64(kind)).bind(2, bare);
    return record.isValid() && record.execute("Calendar store: an owed removal could not be recorded");
}

}  // namespace

bool iCalSync::recordStoreCalendarRemoval(const QString& uid)
{
    return recordStoreRemoval(StoreRemoval::Calendar, uid);
}

bool iCalSync::recordStoreItemRemoval(const TaskPtr& item)
{
    if (!item || (item->taskType() != 0 && item->taskType() != 1)) return true;
    return recordStoreRemoval(item->taskType() == 0 ? StoreRemoval::Event : StoreRemoval::Task, item->iCalUID());
}

QList<std::pair<QString, iCalSync::StoreRemoval>> iCalSync::storeRemovalsDue()
{
    QList<std::pair<QString, StoreRemoval>> owed;
    RecordGuard guard;
    // Calendars first: removing one takes its items with it.
    QueryStatement query("SELECT uid, kind FROM StoreRemovals WHERE kind IN (0, 1, 2) ORDER BY kind, uid");
    while (query.nextRow())
        owed.append({RecordStore::columnText(query.get(), 0), StoreRemoval(sqlite3_column_int64(query.get(), 1))});
    if (query.failed()) owed.clear();
    return owed;
}

QStringList iCalSync::storeCalendarRemovalsDue()
{
    QStringList uids;
    for (const auto& [uid, kind] : storeRemovalsDue())
        if (kind == StoreRemoval::Calendar) uids << uid;
    return uids;
}

bool iCalSync::clearStoreRemoval(StoreRemoval kind, const QString& uid)
{
    RecordGuard guard;
    QueryStatement clear("DELETE FROM StoreRemovals WHERE kind = ? AND uid = ?");
    clear.bind(1, qint64(kind)).bind(2, withoutPendingMark(uid));
    return clear.isValid() && clear.execute("Calendar store: a done removal could not be unrecorded");
}

bool iCalSync::recordStoreSplit(const StoreSplit& split)
{
    RecordGuard guard;
    QueryStatement record("INSERT OR REPLACE INTO StoreSplits (seriesKey, uid, occurrence, tz, restUid) VALUES (?, ?, ?, ?, ?)");
    record.bind(1, split.seriesKey).bind(2, withoutPendingMark(split.uid));
    if (record.isValid()) RecordStore::bindDate(record.get(), 3, split.occurrence);
    record.bind(4, split.tz).bind(5, split.restUid);
    return record.isValid() && record.execute("Calendar store: an owed split could not be recorded");
}

QList<iCalSync::StoreSplit> iCalSync::storeSplitsDue()
{
    QList<StoreSplit> owed;
    RecordGuard guard;
    QueryStatement query("SELECT seriesKey, uid, occurrence, tz, restUid FROM StoreSplits ORDER BY seriesKey");
    while (query.nextRow())
        owed.append({sqlite3_column_int64(query.get(), 0), RecordStore::columnText(query.get(), 1),
                     RecordStore::columnDate(query.get(), 2), sqlite3_column_int64(query.get(), 3),
                     RecordStore::columnText(query.get(), 4)});
    if (query.failed()) owed.clear();
    return owed;
}

bool iCalSync::clearStoreSplit(qint64 seriesKey)
{
    RecordGuard guard;
    QueryStatement clear("DELETE FROM StoreSplits WHERE seriesKey = ?");
    clear.bind(1, seriesKey);
    return clear.isValid() && clear.execute("Calendar store: a done split could not be unrecorded");
}
