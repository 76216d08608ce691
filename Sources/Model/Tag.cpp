#include "Tag.h"

#include "CoreData.h"
#include "Transaction.h"
#include "RecordHelpers.h"
#include "RecordGuard.h"
#include "RecordStore.h"

namespace {
CachedStatement tagInsertStatement("INSERT INTO Tag (tagName) VALUES('')");
CachedStatement tagSelectStatement("SELECT tagName, zvwKey FROM Tag WHERE primaryKey=?");
CachedStatement tagDeleteStatement("DELETE FROM Tag WHERE primaryKey=?");
CachedStatement tagUpdateStatement("UPDATE Tag SET tagName=?, zvwKey=? WHERE primaryKey=?");
}  // namespace

using namespace RecordStore;

Tag::Tag() : m_tagName(QStringLiteral("")) {}

TagPtr Tag::initWithPrimaryKey(qint64 key, sqlite3* database)
{
    RecordGuard guard;
    TagPtr tag(new Tag(BaseInit{}));
    tag->m_primaryKey = key;
    adoptDatabase(database);
    sqlite3_stmt* statement = tagSelectStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, key);
    if (RecordStore::step(statement) == SQLITE_ROW) {
        tag->setTagName(columnText(statement, 0));
        tag->setZvwKey(columnInt64(statement, 1));
    } else {
        tag->setTagName(QStringLiteral(""));
    }
    tag->m_dirty = false;
    return tag;
}

bool Tag::insertIntoDatabase(sqlite3* database)
{
    RecordGuard guard;
    adoptDatabase(database);
    keepForUndo();
    sqlite3_stmt* statement = tagInsertStatement.get();
    StatementReset reset(statement);
    if (!stepDone(statement, insertErrorText)) return false;
    m_primaryKey = sqlite3_last_insert_rowid(sharedDatabase());
    if (CoreData* dataManager = CoreData::shared()) dataManager->appendToTagList(shared_from_this());
    return true;
}

bool Tag::dehydrate()
{
    RecordGuard guard;
    if (!m_dirty) return true;
    keepForUndo();
    sqlite3_stmt* statement = tagUpdateStatement.get();
    StatementReset reset(statement);
    bindText(statement, 1, m_tagName);
    bindInt64(statement, 2, m_zvwKey);
    bindInt64(statement, 3, m_primaryKey);
    if (!stepDone(statement, dehydrateErrorText)) return false;
    m_dirty = false;
    return true;
}

bool Tag::deleteFromDatabase()
{
    RecordGuard guard;
    sqlite3_stmt* statement = tagDeleteStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, m_primaryKey);
    return stepDone(statement, deleteErrorText);
}

void Tag::keepForUndo()
{
    if (Transaction::current())
        if (const TagPtr self = weak_from_this().lock()) Transaction::keepInCurrent(self);
}

TagPtr Tag::copy() const
{
    auto tag = std::make_shared<Tag>();
    tag->copyContentOfTag(*this);
    return tag;
}

void Tag::copyContentOfTag(const Tag& other)
{
    setPrimaryKey(other.m_primaryKey);
    setTagName(other.m_tagName);
    setZvwKey(other.m_zvwKey);
}

void Tag::finalizeStatements()
{
    tagInsertStatement.finalize();
    tagSelectStatement.finalize();
    tagDeleteStatement.finalize();
    tagUpdateStatement.finalize();
}

void Tag::setTagName(const QString& name)
{
    if (assignIfChanged(m_tagName, name)) m_dirty = true;
}

void Tag::setZvwKey(qint64 key)
{
    if (assignIfChanged(m_zvwKey, key)) m_dirty = true;
}
