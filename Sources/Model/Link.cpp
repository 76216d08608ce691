#include "Link.h"

#include "Clock.h"
#include "CoreData.h"
#include "OneOffStatement.h"
#include "Transaction.h"
#include "RecordHelpers.h"
#include "RecordGuard.h"
#include "RecordStore.h"

namespace {
// The insert runs once per link made, so it is prepared per call.
constexpr const char* linkInsertSql =
    "INSERT INTO Links (rootId, targetId, createdDate, updatedDate,zvwKey) VALUES(?,?,?,?,?)";
CachedStatement linkSelectStatement(
    "SELECT rootId, targetId, createdDate, updatedDate, zvwKey, status FROM Links WHERE primaryKey=?");
CachedStatement linkDeleteStatement("DELETE FROM Links WHERE primaryKey=?");
CachedStatement linkUpdateStatement(
    "UPDATE Links SET rootId=?, targetId=?, createdDate=?, updatedDate=?, zvwKey=?, status=? WHERE primaryKey=?");
}  // namespace

using namespace RecordStore;

Link::Link()
{
    const Date now = Clock::now();
    setCreatedDate(now);
    setUpdatedDate(now);
}

LinkPtr Link::initWithPrimaryKey(qint64 key, sqlite3* database)
{
    RecordGuard guard;
    LinkPtr link(new Link(BaseInit{}));
    link->m_primaryKey = key;
    adoptDatabase(database);
    sqlite3_stmt* statement = linkSelectStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, key);
    if (RecordStore::step(statement) == SQLITE_ROW) {
        link->setRootId(columnInt64(statement, 0));
        link->setTargetId(columnInt64(statement, 1));
        link->setCreatedDate(columnDate(statement, 2));
        link->setUpdatedDate(columnDate(statement, 3));
        link->setZvwKey(columnInt64(statement, 4));
        link->setStatus(columnInt64(statement, 5));
    }
    link->m_dirty = false;
    return link;
}

bool Link::insertIntoDatabase(sqlite3* database)
{
    RecordGuard guard;
    adoptDatabase(database);
    keepForUndo();
    OneOffStatement insert(linkInsertSql);
    sqlite3_stmt* statement = insert.get();
    bindInt64(statement, 1, m_rootId);
    bindInt64(statement, 2, m_targetId);
    bindDate(statement, 3, m_createdDate);
    bindDate(statement, 4, m_updatedDate);
    bindInt64(statement, 5, m_zvwKey);
    if (!stepDone(statement, insertErrorText)) return false;
    m_primaryKey = sqlite3_last_insert_rowid(sharedDatabase());
    if (CoreData* dataManager = CoreData::shared()) dataManager->appendToLinkList(shared_from_this());
    return true;
}

bool Link::dehydrate()
{
    RecordGuard guard;
    if (!m_dirty) return true;
    keepForUndo();
    setUpdatedDate(Clock::now());
    sqlite3_stmt* statement = linkUpdateStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, m_rootId);
    bindInt64(statement, 2, m_targetId);
    bindDate(statement, 3, m_createdDate);
    bindDate(statement, 4, m_updatedDate);
    bindInt64(statement, 5, m_zvwKey);
    bindInt64(statement, 6, m_status);
    bindInt64(statement, 7, m_primaryKey);
    if (!stepDone(statement, dehydrateErrorText)) return false;
    m_dirty = false;
    return true;
}

bool Link::deleteFromDatabase()
{
    RecordGuard guard;
    sqlite3_stmt* statement = linkDeleteStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, m_primaryKey);
    return stepDone(statement, deleteErrorText);
}

void Link::keepForUndo()
{
    if (Transaction::current())
        if (const LinkPtr self = weak_from_this().lock()) Transaction::keepInCurrent(self);
}

void Link::finalizeStatements()
{
    linkSelectStatement.finalize();
    linkDeleteStatement.finalize();
    linkUpdateStatement.finalize();
}

template <class T>
void Link::store(T& field, const T& value)
{
    if (assignIfChanged(field, value)) m_dirty = true;
}

void Link::setRootId(qint64 key) { store(m_rootId, key); }
void Link::setTargetId(qint64 key) { store(m_targetId, key); }
void Link::setCreatedDate(const Date& date) { store(m_createdDate, date); }
void Link::setUpdatedDate(const Date& date) { store(m_updatedDate, date); }
void Link::setZvwKey(qint64 key) { store(m_zvwKey, key); }
void Link::setStatus(qint64 status) { store(m_status, status); }
