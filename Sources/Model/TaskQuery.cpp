#include "TaskQuery.h"

#include "CoreData.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Task.h"
#include "Utilities.h"

#include <cmath>
#include <cstdio>

namespace {

// Binds the value to its parameter, whichever kind it is; nothing on a
// statement that could not be prepared.
struct ValueBinder {
    QueryStatement& query;
    int index;
    void operator()(qint64 value) const { query.bind(index, value); }
    void operator()(const QString& value) const { query.bind(index, value); }
    void operator()(double value) const
    {
        if (query.isValid()) RecordStore::bindDouble(query.get(), index, value);
    }
};

void bindValues(QueryStatement& query, const QList<TaskQuery::Value>& values)
{
    for (qsizetype i = 0; i < values.size(); ++i) std::visit(ValueBinder{query, int(i + 1)}, values.at(i));
}

}  // namespace

bool TaskQuery::databaseReadyOrSay()
{
    if (databaseOpen) return true;
    std::fputs(kDatabaseCanNotOpenText.toUtf8().constData(), stdout);
    std::fflush(stdout);
    return false;
}

TaskList TaskQuery::items(const QByteArray& condition, const QList<Value>& values)
{
    RecordGuard guard;
    QueryStatement query(Task::selectRowsSql(condition));
    bindValues(query, values);
    TaskList items;
    while (query.nextRow()) items.append(Task::fromRow(query.get()));
    return query.failed() ? TaskList() : items;
}

TaskPtr TaskQuery::firstItem(const QByteArray& condition, const QList<Value>& values)
{
    RecordGuard guard;
    QueryStatement query(Task::selectRowsSql(condition));
    bindValues(query, values);
    return query.nextRow() ? Task::fromRow(query.get()) : nullptr;
}

qint64 TaskQuery::number(const QByteArray& sql, const QList<Value>& values)
{
    RecordGuard guard;
    QueryStatement query(sql);
    bindValues(query, values);
    return query.firstInt64().value_or(0);
}

QByteArray TaskQuery::placeholders(qsizetype count)
{
    QByteArray text;
    text.reserve(count * 2);
    for (qsizetype i = 0; i < count; ++i) text.append(i == 0 ? "?" : ",?");
    return text;
}

double TaskQuery::storedOccurrence(const Date& date)
{
    return std::nearbyint(Utilities::toDBDate(date).timeIntervalSince1970());
}
