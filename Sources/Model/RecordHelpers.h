#pragma once

#include "Date.h"
#include "RecordStore.h"

#include <QString>

#include <type_traits>

// Small pieces every row record shares: the change test of its setters and
// the run-time step check that logs and reports a failure instead of ending
// the process.
namespace RecordStore {

// A null text is a different value from the empty text: a record that never
// had a name and one whose name was cleared store NULL and '' respectively.
inline bool isChange(const QString& current, const QString& value)
{
    if (current.isNull() || value.isNull()) return !(current.isNull() && value.isNull());
    return current != value;
}

// A null current date always counts as a change, even against a null value,
// so a record that never had the date writes it on the next save.
inline bool isChange(const Date& current, const Date& value)
{
    return current.isNull() || value.isNull() || !current.isEqualToDate(value);
}

template <class T>
    requires std::is_arithmetic_v<T>
bool isChange(T current, T value)
{
    return current != value;
}

// Stores the value when it differs; answers whether it did.
template <class T>
bool assignIfChanged(T& field, const T& value)
{
    if (!isChange(field, value)) return false;
    field = value;
    return true;
}

// Steps a statement that must finish (SQLITE_DONE). Anything else is logged
// with the given text and the connection's message; the caller reports it.
inline bool stepDone(sqlite3_stmt* statement, const char* failureText)
{
    if (RecordStore::step(statement) == SQLITE_DONE) return true;
    logFailure(failureText, sharedDatabase());
    return false;
}

// The loads and inserts of most records take the caller's handle as the
// shared connection when none is set yet.
inline void adoptDatabase(sqlite3* database)
{
    if (!sharedDatabase() && database) setSharedDatabase(database);
}

}  // namespace RecordStore
