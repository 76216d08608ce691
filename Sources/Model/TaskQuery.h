#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <variant>

class CachedStatement;

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
// Starts that read for a large table on background threads, for a load of
// the same condition and values that follows a moment later: that load takes
// what was read when nothing it depends on changed since (no row of Tasks
// written, no commit of another connection, no rollback, the same checklist
// categories and the same zone offset), and reads again otherwise. The read
// holds the record guard as a load does, so writes wait for it; a load that
// finds it not begun yet cancels it. Nothing is read for a small table or
// inside an open transaction.
void readAheadInKeyOrder(const QByteArray& condition, const QList<Value>& values = {});
// Waits for a read ahead still running and drops it (before the data
// manager it reads categories from goes away).
void dropReadAhead();
// Waits until a read ahead has read (not under the record guard).
void waitForReadAhead();
// How many loads took a read ahead.
quint64 readAheadsTaken();
// The first of those items, or null.
TaskPtr firstItem(const QByteArray& condition, const QList<Value>& values = {});
// The same two reads through a statement kept prepared in a class-level slot
// (made of Task::selectRowsSql), for the reads a sync runs once per series.
TaskList items(CachedStatement& statement, const QList<Value>& values);
TaskPtr firstItem(CachedStatement& statement, const QList<Value>& values);
// The first column of the first row; 0 without a row.
qint64 number(const QByteArray& sql, const QList<Value>& values);

// "?,?,?" for that many values.
QByteArray placeholders(qsizetype count);
// The stored form of an occurrence in whole seconds, rounded as the texts of
// repeat exceptions print it.
double storedOccurrence(const Date& date);

}  // namespace TaskQuery
