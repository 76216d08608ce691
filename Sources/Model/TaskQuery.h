#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <variant>

// The data manager's reads of table Tasks. Each builds its statement per
// call with "?" placeholders and binds the caller's values, never formatting
// them into the text, and runs under the record guard. A statement that
// cannot be prepared, or a step that fails, is logged and gives the empty
// answer: half a list would pass for the whole one.
namespace TaskQuery {

using Value = std::variant<qint64, double, QString>;

// False, after writing "Database can not open!" (no line end) on standard
// output, while the database is not open.
bool databaseReadyOrSay();

// The items of the rows that the condition selects ("WHERE ..." with an
// optional "ORDER BY ..."), read with one statement in the order SQLite
// returns them, each built as Task::initWithPrimaryKey builds it.
TaskList items(const QByteArray& condition, const QList<Value>& values = {});
// The items of the rows that the condition (an expression, without WHERE)
// selects, in key order. A large table is read in key ranges side by side, each part on a
// read-only connection of its own (ReadConnections); a small one, or one read
// inside an open transaction, is read on the shared connection.
TaskList itemsInKeyOrder(const QByteArray& condition, const QList<Value>& values = {});
// The first of those items, or null.
TaskPtr firstItem(const QByteArray& condition, const QList<Value>& values = {});
// The first column of the first row; 0 without a row.
qint64 number(const QByteArray& sql, const QList<Value>& values);

// "?,?,?" for that many values.
QByteArray placeholders(qsizetype count);
// The stored form of an occurrence in whole seconds, rounded as the texts of
// repeat exceptions print it.
double storedOccurrence(const Date& date);

}  // namespace TaskQuery
