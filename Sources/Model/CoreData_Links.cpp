// Link commands and queries of the data manager, and the web-id lookups of
// the web sync.
#include "CoreData.h"
#include "DatabaseBusyGuard.h"
#include "Link.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Task.h"
#include "Transaction.h"

#include <QMutexLocker>

#include <algorithm>

namespace {
constexpr qint64 activeLink = 0;
constexpr qint64 removedLinkStatus = 1;

// A generated instance of a repeating item (keys from -2 down) takes part in
// links through its series root.
qint64 linkKeyOfInstance(const Task& item)
{
    return item.primaryKey() < -1 ? item.parentId() : item.primaryKey();
}

// The same for any unsaved or generated occurrence of a repeating item.
qint64 linkKeyOfOccurrence(const Task& item)
{
    return item.primaryKey() < 1 && item.repeatType() != 0 ? item.parentId() : item.primaryKey();
}

constexpr const char* linkColumns =
    "SELECT primaryKey, rootId, targetId, createdDate, updatedDate, zvwKey, status FROM Links ";
constexpr const char* betweenTwoItems = "WHERE ((rootId=? AND targetId=?) OR (rootId=? AND targetId=?))";

LinkPtr linkFromRow(sqlite3_stmt* statement)
{
    using namespace RecordStore;
    auto link = std::make_shared<Link>();
    link->setPrimaryKey(columnInt64(statement, 0));
    link->setRootId(columnInt64(statement, 1));
    link->setTargetId(columnInt64(statement, 2));
    link->setCreatedDate(columnDate(statement, 3));
    link->setUpdatedDate(columnDate(statement, 4));
    link->setZvwKey(columnInt64(statement, 5));
    link->setStatus(columnInt64(statement, 6));
    return link;
}

LinkList linksWhere(const QByteArray& condition, const QList<qint64>& values)
{
    LinkList links;
    if (!databaseOpen) return links;
    RecordGuard guard;
    QueryStatement query(QByteArray(linkColumns) + condition);
    query.bindAll(values);
    while (query.nextRow()) links.append(linkFromRow(query.get()));
    if (query.failed()) links.clear();
    return links;
}

LinkList loadLinks(const char* sql, const QList<qint64>& values)
{
    LinkList links;
    if (!databaseOpen) return links;
    RecordGuard guard;
    QueryStatement query(sql);
    query.bindAll(values);
    for (const qint64 key : query.int64Column())
        links.append(Link::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
    return links;
}

// The web sync calls these only with the database open; a statement that
// cannot be prepared is a fault of the program.
qint64 lookUpKey(const char* sql, qint64 value)
{
    RecordGuard guard;
    QueryStatement query(sql, QueryStatement::PrepareFailure::Fatal);
    query.bind(1, value);
    return query.firstInt64().value_or(-1);
}

bool deleteLinkRows(const char* sql, const QList<qint64>& values, QueryStatement::PrepareFailure onFailure)
{
    if (!databaseOpen) return false;
    DatabaseBusyGuard guard;
    QueryStatement statement(sql, onFailure);
    statement.bindAll(values);
    return statement.execute(RecordStore::deleteErrorText);
}
// The keys of the items at the other end of the item's active links; empty
// when the statement cannot run.
// Asked by every task list row laid out, at every reload: prepared once.
CachedStatement linkedItemKeysStatement(
    "SELECT t.primaryKey FROM Tasks t JOIN Links l ON (t.primaryKey=l.rootId OR t.primaryKey=l.targetId) "
    "WHERE t.primaryKey<>? AND l.status=? AND (l.rootId=? OR l.targetId=?)");

QList<qint64> linkedItemKeys(qint64 key)
{
    RecordGuard guard;
    sqlite3_stmt* statement = linkedItemKeysStatement.get();
    if (!statement) return {};
    StatementReset reset(statement);
    sqlite3_bind_int64(statement, 1, key);
    sqlite3_bind_int64(statement, 2, activeLink);
    sqlite3_bind_int64(statement, 3, key);
    sqlite3_bind_int64(statement, 4, key);
    QList<qint64> keys;
    int step = SQLITE_ROW;
    while ((step = RecordStore::step(statement)) == SQLITE_ROW) keys.append(sqlite3_column_int64(statement, 0));
    if (step == SQLITE_DONE) return keys;
    RecordStore::logFailure(RecordStore::selectErrorText, RecordStore::sharedDatabase());
    return {};
}

// A repeating event whose series has moved past its first occurrence counts
// only while the series goes on.
bool linkCounts(const CoreData& dataManager, const TaskPtr& linked)
{
    if (linked->taskType() != ItemKind::Event || linked->repeatType() == 0 || !(linked->occurrence() > linked->startTime()))
        return true;
    if (Task::readRepeatOptions(linked->repeatOptions()).flag != 0) return true;
    return dataManager.nextInstanceOfRecuringTask(linked) != nullptr;
}
}  // namespace

// ---- reading -------------------------------------------------------------------

void CoreData::getValidLinks()
{
    if (!databaseOpen) return;
    setLinkList(loadLinks("SELECT primaryKey FROM Links WHERE status=?", {activeLink}));
}

LinkList CoreData::getAllLinks() const
{
    return loadLinks("SELECT primaryKey FROM Links", {});
}

LinkList CoreData::getAllNotSyncLinks() const
{
    return linksWhere("WHERE zvwKey=0 AND status=?", {activeLink});
}

LinkList CoreData::getUnlinks() const
{
    return linksWhere("WHERE status=?", {removedLinkStatus});
}

LinkPtr CoreData::getLink(qint64 first, qint64 second) const
{
    const LinkList links =
        linksWhere(QByteArray(betweenTwoItems) + " AND status=?", {first, second, second, first, activeLink});
    return links.isEmpty() ? nullptr : links.first();
}

LinkPtr CoreData::getAlreadyLink(qint64 first, qint64 second) const
{
    const LinkList links = linksWhere(betweenTwoItems, {first, second, second, first});
    return links.isEmpty() ? nullptr : links.first();
}

bool CoreData::hasLinks(const TaskPtr& item) const
{
    if (!item || !databaseOpen) return false;
    for (qint64 linkedKey : linkedItemKeys(linkKeyOfInstance(*item))) {
        if (linkCounts(*this, Task::initWithPrimaryKey(linkedKey))) return true;
    }
    return false;
}

bool CoreData::hasAnyNoteInLinks(const TaskPtr& item) const
{
    if (!databaseOpen) return false;
    const qint64 key = linkKeyOfInstance(*item);
    RecordGuard guard;
    QueryStatement query(
        "SELECT t.primaryKey FROM Tasks t JOIN Links l ON (t.primaryKey=l.rootId OR t.primaryKey=l.targetId) "
        "WHERE t.taskType=? AND t.primaryKey<>? AND l.status=? AND (l.rootId=? OR l.targetId=?)");
    query.bindAll({ItemKind::Note, key, activeLink, key, key});
    return query.firstInt64().has_value();
}

// ---- writing -------------------------------------------------------------------

bool CoreData::insertLink(const LinkPtr& link)
{
    return link->insertIntoDatabase(RecordStore::sharedDatabase());
}

bool CoreData::removeFirstFromLinkList(const LinkPtr& link)
{
    keepStateForUndo();
    QMutexLocker lock(&m_listMutex);
    const auto listed = std::find_if(m_linkList.begin(), m_linkList.end(), [&](const LinkPtr& entry) {
        return entry->rootId() == link->rootId() && entry->targetId() == link->targetId();
    });
    if (listed == m_linkList.end()) return false;
    m_linkList.erase(listed);
    return true;
}

void CoreData::addToLinkListIfMissing(const LinkPtr& link)
{
    keepStateForUndo();
    QMutexLocker lock(&m_listMutex);
    const bool listed = std::any_of(m_linkList.cbegin(), m_linkList.cend(),
                                    [&](const LinkPtr& entry) { return entry->primaryKey() == link->primaryKey(); });
    if (!listed) m_linkList.append(link);
}

// The link is read fresh: the unit holds the row from the read to the write.
bool CoreData::unLink(qint64 first, qint64 second)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const LinkPtr link = getLink(first, second);
    if (!link) return false;
    link->setStatus(removedLinkStatus);
    // The web sync finds the removal through getUnlinks; no push is asked for.
    if (!link->dehydrate()) return false;
    // Whether the list held it does not matter: the row is what counts.
    removeFirstFromLinkList(link);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kUnLinkNotification, link);
    return transaction.commit();
}

bool CoreData::resetLinkZvwKey(qint64 first, qint64 second)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const LinkPtr link = getLink(first, second);
    if (!link) return false;
    link->setZvwKey(0);
    return link->dehydrate() && transaction.commit();
}

// A removed link that is made again becomes active again: its row is kept
// so that the web sync does not send a removal followed by a new link.
CoreData::LinkMaking CoreData::makeOrRestoreLink(qint64 rootKey, qint64 targetKey, bool resendToWeb)
{
    if (const LinkPtr existing = getAlreadyLink(rootKey, targetKey)) {
        if (existing->status() == activeLink) return LinkMaking::AlreadyActive;
        existing->setStatus(activeLink);
        if (resendToWeb) existing->setZvwKey(0);
        if (!existing->dehydrate()) return LinkMaking::Failed;
        addToLinkListIfMissing(existing);
        return LinkMaking::Made;
    }
    auto link = std::make_shared<Link>();
    link->setRootId(rootKey);
    link->setTargetId(targetKey);
    return insertLink(link) ? LinkMaking::Made : LinkMaking::Failed;
}

bool CoreData::restoreLinks(const TaskList& items, const TaskPtr& item)
{
    if (!databaseOpen) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const qint64 targetKey = linkKeyOfOccurrence(*item);
    for (const TaskPtr& listed : items)
        if (makeOrRestoreLink(targetKey, linkKeyOfOccurrence(*listed), true) == LinkMaking::Failed) return false;
    return transaction.commit();
}

bool CoreData::pasteToMakeLinkWith(const TaskPtr& item)
{
    const TaskPtr copied = copiedItem();
    if (!copied || !item || !databaseOpen) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const LinkMaking made = makeOrRestoreLink(linkKeyOfOccurrence(*copied), linkKeyOfOccurrence(*item), false);
    // Already linked: nothing to do, and nothing failed unless the read did.
    if (made == LinkMaking::AlreadyActive) return transaction.commit();
    if (made != LinkMaking::Made) return false;
    if (isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::links);
    // Nothing is added: the views refresh through the list notification.
    doWithAllTasksEventsAdes(std::nullopt, ListAction::Add);
    return transaction.commit();
}

std::optional<QList<qint64>> CoreData::addLinks(qint64 rootKey, const QList<qint64>& targetKeys)
{
    if (!databaseOpen) return std::nullopt;
    const auto write = [&]() -> std::optional<QList<qint64>> {
        Transaction transaction;
        if (!transaction.isOpen()) return std::nullopt;
        QList<qint64> made;
        for (const qint64 targetKey : targetKeys) {
            if (targetKey == rootKey) continue;
            switch (makeOrRestoreLink(rootKey, targetKey, false)) {
            case LinkMaking::Made: made.append(targetKey); break;
            case LinkMaking::AlreadyActive: break;
            case LinkMaking::Failed: return std::nullopt;
            }
        }
        if (!transaction.commit()) return std::nullopt;
        return made;
    };
    const std::optional<QList<qint64>> made = write();
    // Rolled back: the link list had taken the rows written before the
    // failure, so it is read again from what stands.
    if (!made) getValidLinks();
    return made;
}

// The removed rows are deleted once the web sync has sent the removals.
bool CoreData::deleteAllUnLinks()
{
    return deleteLinkRows("DELETE FROM Links WHERE status=?", {removedLinkStatus}, QueryStatement::PrepareFailure::Fatal);
}

bool CoreData::deleteAllUnLinks(const TaskPtr& item)
{
    const qint64 key = linkKeyOfOccurrence(*item);
    return deleteLinkRows("DELETE FROM Links WHERE status=? AND (rootId=? OR targetId=?)", {removedLinkStatus, key, key},
                          QueryStatement::PrepareFailure::EmptyResult);
}

bool CoreData::deleteLinks(const TaskPtr& item)
{
    const qint64 key = linkKeyOfInstance(*item);
    return deleteLinkRows("DELETE FROM Links WHERE targetId=? OR rootId=?", {key, key},
                          QueryStatement::PrepareFailure::Fatal);
}

// ---- web ids -------------------------------------------------------------------

qint64 CoreData::getZVWId(qint64 key) const
{
    return lookUpKey("SELECT zvwId FROM Tasks WHERE primaryKey = ?", key);
}

qint64 CoreData::getItemLocalId(qint64 zvwId) const
{
    return lookUpKey("SELECT primaryKey FROM Tasks WHERE zvwId = ?", zvwId);
}

qint64 CoreData::getProjectLocalId(qint64 zvwProjectId) const
{
    return lookUpKey("SELECT primaryKey FROM Calendars WHERE zvwProjectId = ?", zvwProjectId);
}
