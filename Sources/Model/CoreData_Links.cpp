// Link queries of the data manager.
#include "CoreData.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Task.h"

namespace {

constexpr qint64 linkStatusActive = 0;

// The keys of the items at the other end of the item's active links; empty
// when the statement cannot run.
QList<qint64> linkedItemKeys(qint64 key)
{
    RecordGuard guard;
    sqlite3_stmt* statement = nullptr;
    const char* sql =
        "SELECT t.primaryKey FROM Tasks t JOIN Links l ON (t.primaryKey=l.rootId OR t.primaryKey=l.targetId) "
        "WHERE t.primaryKey<>? AND l.status=? AND (l.rootId=? OR l.targetId=?)";
    QList<qint64> keys;
    if (sqlite3_prepare_v2(RecordStore::sharedDatabase(), sql, -1, &statement, nullptr) == SQLITE_OK) {
        RecordStore::bindInt64(statement, 1, key);
        RecordStore::bindInt64(statement, 2, linkStatusActive);
        RecordStore::bindInt64(statement, 3, key);
        RecordStore::bindInt64(statement, 4, key);
        while (sqlite3_step(statement) == SQLITE_ROW) keys.append(sqlite3_column_int64(statement, 0));
    }
    sqlite3_finalize(statement);
    return keys;
}

// A repeating event whose series has moved past its first occurrence counts
// only while the series goes on.
bool linkCounts(const Task& linked)
{
    if (linked.taskType() != 0 || linked.repeatType() == 0 || !(linked.occurrence() > linked.startTime()))
        return true;
    if (Task::readRepeatOptions(linked.repeatOptions()).flag != 0) return true;
    // The next-occurrence test of repeating items plugs in here: the link
    // counts when the series has an occurrence after this one. Until it
    // exists such a series is taken as ended.
    return false;
}

}  // namespace

// A generated occurrence takes part in links through its series root.
bool CoreData::hasLinks(const TaskPtr& item) const
{
    if (!item || !databaseOpen) return false;
    const qint64 key = item->primaryKey() < -1 ? item->parentId() : item->primaryKey();
    for (qint64 linkedKey : linkedItemKeys(key)) {
        if (linkCounts(*Task::initWithPrimaryKey(linkedKey))) return true;
    }
    return false;
}
