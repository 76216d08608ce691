#include "CoreDataQuery.h"

#include "CoreData.h"
#include "RecordStore.h"
#include "Task.h"
#include "Utilities.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* queryStepErrorText = "Error: failed to read from the database with message '%s'.";

void bindValue(sqlite3_stmt* statement, int index, const CoreDataQuery::Value& value)
{
    if (const auto* number = std::get_if<qint64>(&value))
        RecordStore::bindInt64(statement, index, *number);
    else if (const auto* real = std::get_if<double>(&value))
        RecordStore::bindDouble(statement, index, *real);
    else
        RecordStore::bindText(statement, index, std::get<QString>(value));
}

}  // namespace

CoreDataQuery::CoreDataQuery(const QByteArray& sql, const QList<Value>& values, PrepareFailure onPrepareFailure)
{
    sqlite3* database = RecordStore::sharedDatabase();
    if (sqlite3_prepare_v2(database, sql.constData(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK) {
        if (onPrepareFailure == PrepareFailure::Fatal) RecordStore::fatal(RecordStore::prepareErrorText, database);
        RecordStore::logFailure(RecordStore::prepareErrorText, database);
        m_failed = true;
        return;
    }
    for (qsizetype i = 0; i < values.size(); ++i) bindValue(m_statement, int(i + 1), values.at(i));
}

CoreDataQuery::~CoreDataQuery()
{
    sqlite3_finalize(m_statement);
}

bool CoreDataQuery::next()
{
    if (m_failed) return false;
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) {
        RecordStore::logFailure(queryStepErrorText, RecordStore::sharedDatabase());
        m_failed = true;
    }
    return false;
}

bool CoreDataQuery::databaseReadyOrSay()
{
    if (databaseOpen) return true;
    std::fputs(qUtf8Printable(kDatabaseCanNotOpenText), stdout);
    std::fflush(stdout);
    return false;
}

TaskList CoreDataQuery::items(const QByteArray& condition, const QList<Value>& values)
{
    CoreDataQuery query(Task::selectRowsSql(condition), values);
    TaskList items;
    while (query.next()) items.append(Task::fromRow(query.statement()));
    // Half a list would pass for the whole one.
    return query.failed() ? TaskList() : items;
}

TaskPtr CoreDataQuery::firstItem(const QByteArray& condition, const QList<Value>& values)
{
    CoreDataQuery query(Task::selectRowsSql(condition), values);
    return query.next() ? Task::fromRow(query.statement()) : nullptr;
}

qint64 CoreDataQuery::number(const QByteArray& sql, const QList<Value>& values)
{
    CoreDataQuery query(sql, values);
    return query.next() ? RecordStore::columnInt64(query.statement(), 0) : 0;
}

CoreDataQuery::Value CoreDataQuery::storedOccurrence(const Date& date)
{
    return std::nearbyint(Utilities::toDBDate(date).timeIntervalSince1970());
}

QByteArray CoreDataQuery::placeholders(qsizetype count)
{
    QByteArray text;
    text.reserve(count * 2);
    for (qsizetype i = 0; i < count; ++i) text.append(i == 0 ? "?" : ",?");
    return text;
}
