#include "ZVComment.h"

#include "Clock.h"
#include "OneOffStatement.h"
#include "RecordHelpers.h"
#include "RecordGuard.h"
#include "RecordStore.h"

namespace {
#define ZV_COMMENT_COLUMNS \
    "content, status, createdTime, updatedTime, zvwKey, itemId, commetorLastName, commetorFirstName, isOwner, cmtType"

CachedStatement commentSelectStatement("SELECT " ZV_COMMENT_COLUMNS " FROM Comments WHERE primaryKey=?");
CachedStatement commentDeleteStatement("DELETE FROM Comments WHERE primaryKey=?");
CachedStatement commentUpdateStatement(
    "UPDATE Comments SET content=?, createdTime=?, updatedTime=?, itemId=?, commetorLastName=?, "
    "commetorFirstName=?, isOwner=?, cmtType=? WHERE zvwKey=?");
// Comments arrive a few at a time from the web sync: the insert and the
// lookup by web key are prepared per call.
constexpr const char* commentInsertSql =
    "INSERT OR REPLACE INTO Comments (" ZV_COMMENT_COLUMNS ") VALUES(?,?,?,?,?,?,?,?,?,?)";
constexpr const char* selectByZvwKeySql =
    "SELECT " ZV_COMMENT_COLUMNS " FROM Comments WHERE zvwKey IS NOT NULL AND zvwKey=?";

#undef ZV_COMMENT_COLUMNS

// The keys are bound, one parameter each, so no caller text reaches the SQL.
QByteArray purgeSql(qsizetype keyCount)
{
    QByteArray placeholders;
    placeholders.reserve(keyCount * 2);
    for (qsizetype i = 0; i < keyCount; ++i) placeholders += i == 0 ? "?" : ",?";
    return "DELETE FROM Comments WHERE (zvwKey IS NOT NULL) AND (zvwKey NOT IN (" + placeholders + "))";
}
}  // namespace

using namespace RecordStore;

ZVComment::ZVComment()
{
    const Date now = Clock::now();
    m_createdDate = now;
    m_updatedDate = now;
}

ZVCommentPtr ZVComment::initWithPrimaryKey(qint64 key, sqlite3* database)
{
    RecordGuard guard;
    ZVCommentPtr comment(new ZVComment(BaseInit{}));
    comment->m_primaryKey = key;
    adoptDatabase(database);
    sqlite3_stmt* statement = commentSelectStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, key);
    if (RecordStore::step(statement) == SQLITE_ROW) comment->readColumns(statement);
    return comment;
}

void ZVComment::readColumns(sqlite3_stmt* statement)
{
    m_content = columnText(statement, 0);
    m_status = columnInt64(statement, 1);
    m_createdDate = columnDate(statement, 2);
    m_updatedDate = columnDate(statement, 3);
    m_zvwKey = columnInt64(statement, 4);
    m_itemKey = columnInt64(statement, 5);
    m_firstName = columnText(statement, 6);
    m_lastName = columnText(statement, 7);
    m_isOwner = columnInt64(statement, 8) != 0;
    m_type = columnInt64(statement, 9);
}

std::optional<qint64> ZVComment::insertIntoDatabase(sqlite3* database)
{
    RecordGuard guard;
    adoptDatabase(database);
    OneOffStatement insert(commentInsertSql);
    sqlite3_stmt* statement = insert.get();
    bindText(statement, 1, m_content);
    bindInt64(statement, 2, m_status);
    bindDate(statement, 3, m_createdDate);
    bindDate(statement, 4, m_updatedDate);
    bindInt64(statement, 5, m_zvwKey);
    bindInt64(statement, 6, m_itemKey);
    bindText(statement, 7, m_firstName);
    bindText(statement, 8, m_lastName);
    bindInt64(statement, 9, m_isOwner ? 1 : 0);
    bindInt64(statement, 10, m_type);
    if (!stepDone(statement, insertErrorText)) return std::nullopt;
    m_primaryKey = sqlite3_last_insert_rowid(sharedDatabase());
    return m_primaryKey;
}

bool ZVComment::updateByZVWKey()
{
    RecordGuard guard;
    sqlite3_stmt* statement = commentUpdateStatement.get();
    StatementReset reset(statement);
    bindText(statement, 1, m_content);
    bindDate(statement, 2, m_createdDate);
    bindDate(statement, 3, m_updatedDate);
    bindInt64(statement, 4, m_itemKey);
    bindText(statement, 5, m_firstName);
    bindText(statement, 6, m_lastName);
    bindInt64(statement, 7, m_isOwner ? 1 : 0);
    bindInt64(statement, 8, m_type);
    bindInt64(statement, 9, m_zvwKey);
    return stepDone(statement, dehydrateErrorText);
}

bool ZVComment::deleteFromDatabase()
{
    RecordGuard guard;
    sqlite3_stmt* statement = commentDeleteStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, m_primaryKey);
    return stepDone(statement, deleteErrorText);
}

qint64 ZVComment::checkStatusInDB(bool byZvwKey) const
{
    RecordGuard guard;
    std::optional<OneOffStatement> lookup;
    sqlite3_stmt* statement = nullptr;
    if (byZvwKey) {
        lookup.emplace(selectByZvwKeySql);
        statement = lookup->get();
    } else {
        statement = commentSelectStatement.get();
    }
    StatementReset reset(statement);
    bindInt64(statement, 1, byZvwKey ? m_zvwKey : m_primaryKey);
    const int result = RecordStore::step(statement);
    if (result == SQLITE_DONE) return NotStored;
    // A failed read must not make the sync store the comment a second time
    // or overwrite it: the comment counts as unchanged until the next sync.
    if (result != SQLITE_ROW) {
        logFailure(selectErrorText, sharedDatabase());
        return Unchanged;
    }
    ZVComment stored{BaseInit{}};
    stored.readColumns(statement);
    // A null and an empty text are the same comment text here: a comment
    // stored without text reads back empty.
    const bool same = stored.m_status == m_status && stored.m_updatedDate.isEqualToDate(m_updatedDate)
                   && stored.m_content == m_content && stored.m_firstName == m_firstName
                   && stored.m_lastName == m_lastName;
    return same ? Unchanged : Changed;
}

bool ZVComment::deleteCommentsNotIn(const QList<qint64>& zvwKeys)
{
    RecordGuard guard;
    // More keys than SQLite takes parameters would fail to prepare, which ends
    // the process; a list that long is refused here instead.
    if (zvwKeys.size() > sqlite3_limit(sharedDatabase(), SQLITE_LIMIT_VARIABLE_NUMBER, -1)) {
        qCritical("Error: too many comment keys to purge (%lld).", static_cast<long long>(zvwKeys.size()));
        return false;
    }
    OneOffStatement purge(purgeSql(zvwKeys.size()));
    sqlite3_stmt* statement = purge.get();
    for (qsizetype i = 0; i < zvwKeys.size(); ++i) bindInt64(statement, int(i + 1), zvwKeys[i]);
    return stepDone(statement, deleteErrorText);
}

void ZVComment::finalizeStatements()
{
    commentSelectStatement.finalize();
    commentDeleteStatement.finalize();
    commentUpdateStatement.finalize();
}
