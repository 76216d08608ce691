#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "RecordGuard.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <variant>

#include <sqlite3.h>

// One of the data manager's own reads of the shared connection. The
// statement is built per call with "?" placeholders and the caller's values
// bound, never formatted into the text, and it runs under the record guard
// for the life of the query. A query is not a record method: a statement
// that cannot be prepared or a step that fails is logged and the caller
// gives its empty answer instead of ending the program.
class CoreDataQuery {
public:
    using Value = std::variant<qint64, double, QString>;
    // Where the statement's text is fixed, a prepare failure is a fault of
    // the program and may end it instead.
    enum class PrepareFailure { Logged, Fatal };

    CoreDataQuery(const QByteArray& sql, const QList<Value>& values = {},
                  PrepareFailure onPrepareFailure = PrepareFailure::Logged);
    ~CoreDataQuery();
    CoreDataQuery(const CoreDataQuery&) = delete;
    CoreDataQuery& operator=(const CoreDataQuery&) = delete;

    // Steps to the next row: false at the end, or after a failure.
    bool next();
    // The statement could not be prepared, or a step failed (both logged).
    bool failed() const { return m_failed; }
    sqlite3_stmt* statement() const { return m_statement; }

    // False, after writing "Database can not open!" (no line end) on
    // standard output, while the database is not open.
    static bool databaseReadyOrSay();

    // The items of the rows that the condition selects ("WHERE ..." with an
    // optional "ORDER BY ..."), read with one statement in the order SQLite
    // returns them, each built as Task::initWithPrimaryKey builds it. Empty
    // when the query fails.
    static TaskList items(const QByteArray& condition, const QList<Value>& values = {});
    // The first of those items, or null.
    static TaskPtr firstItem(const QByteArray& condition, const QList<Value>& values = {});
    // The first column of the first row; 0 without a row or on failure.
    static qint64 number(const QByteArray& sql, const QList<Value>& values = {});
    // The stored form of an occurrence in whole seconds, rounded as the
    // occurrence texts of repeat exceptions print it.
    static Value storedOccurrence(const Date& date);
    // "?,?,?" for n values.
    static QByteArray placeholders(qsizetype count);

private:
    RecordGuard m_guard;
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
};
