#include "QueryStatement.h"

#include "RecordStore.h"
#include "Transaction.h"

QueryStatement::QueryStatement(const QByteArray& sql, PrepareFailure onFailure)
{
    sqlite3* db = RecordStore::sharedDatabase();
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_statement, nullptr) == SQLITE_OK) return;
    if (onFailure == PrepareFailure::Fatal)
        RecordStore::fatal(RecordStore::prepareErrorText, db);
    else
        RecordStore::logFailure(RecordStore::prepareErrorText, db);
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    m_failed = true;
    // The unit under way lost a step it counted on: it cannot commit.
    Transaction::stepFailed();
}

QueryStatement::QueryStatement(CachedStatement& cached) : m_statement(cached.get()), m_cached(true)
{
    m_failed = m_statement == nullptr;
    if (m_failed) Transaction::stepFailed();
}

QueryStatement::~QueryStatement()
{
    if (!m_cached) {
        sqlite3_finalize(m_statement);
    } else if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

QueryStatement& QueryStatement::bind(int index, qint64 value)
{
    if (m_statement) RecordStore::bindInt64(m_statement, index, value);
    return *this;
}

QueryStatement& QueryStatement::bind(int index, const QString& text)
{
    if (m_statement) RecordStore::bindText(m_statement, index, text);
    return *this;
}

QueryStatement& QueryStatement::bindAll(const QList<qint64>& values)
{
    for (int index = 0; index < values.size(); ++index) bind(index + 1, values[index]);
    return *this;
}

bool QueryStatement::execute(const char* failureText)
{
    if (!m_statement) return false;
    if (RecordStore::step(m_statement) == SQLITE_DONE) return true;
    RecordStore::logFailure(failureText, RecordStore::sharedDatabase());
    m_failed = true;
    return false;
}

bool QueryStatement::nextRow()
{
    if (!m_statement || m_failed) return false;
    const int result = RecordStore::step(m_statement);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    RecordStore::logFailure(RecordStore::selectErrorText, RecordStore::sharedDatabase());
    m_failed = true;
    return false;
}

QList<qint64> QueryStatement::int64Column()
{
    QList<qint64> values;
    while (nextRow()) values.append(sqlite3_column_int64(m_statement, 0));
    if (m_failed) values.clear();
    return values;
}

std::optional<qint64> QueryStatement::firstInt64()
{
    if (!nextRow()) return std::nullopt;
    return sqlite3_column_int64(m_statement, 0);
}
