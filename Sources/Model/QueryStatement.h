#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include <sqlite3.h>

class CachedStatement;

// One of the data manager's own statements, prepared on the shared connection
// for one call and finalized when the scope ends. Run it inside a RecordGuard.
//
// Most queries answer their empty result when they cannot run: a statement
// that cannot be prepared is then logged and every read gives nothing. The
// few whose SQL is fixed and must work (web-id lookups, link clean-ups) ask
// for the rule of the record statements instead: logged as a fault of the
// schema; they fail all the same. Either way a statement that cannot be
// prepared spoils the units open on the thread, as a failed step does: a
// unit never commits without one of its steps.
class QueryStatement {
public:
    enum class PrepareFailure { EmptyResult, Fatal };

    explicit QueryStatement(const QByteArray& sql, PrepareFailure onFailure = PrepareFailure::EmptyResult);
    // A class-level slot's statement, for a query run once per row or series:
    // prepared on its first use, and reset (not finalized) when the scope ends.
    explicit QueryStatement(CachedStatement& cached);
    ~QueryStatement();
    QueryStatement(const QueryStatement&) = delete;
    QueryStatement& operator=(const QueryStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }

    // Binding does nothing on a statement that could not be prepared.
    QueryStatement& bind(int index, qint64 value);
    QueryStatement& bind(int index, const QString& text);
    // Binds the values to the parameters 1, 2, ... in order.
    QueryStatement& bindAll(const QList<qint64>& values);

    // Runs a statement that returns no rows; false (logged with the text) when
    // it did not finish.
    bool execute(const char* failureText);
    // The first column of every row. A step that fails is logged and gives
    // the empty list: half a list would look like a complete answer.
    QList<qint64> int64Column();
    // The first column of the first row; nothing without a row or on failure.
    std::optional<qint64> firstInt64();
    // Steps to the next row: true on a row; false at the end, or on a failure
    // (logged). `failed()` tells the two apart.
    bool nextRow();
    bool failed() const { return m_failed; }

    sqlite3_stmt* get() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
    bool m_cached = false;
};
