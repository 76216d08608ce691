#pragma once

#include "Date.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include <sqlite3.h>

class StoredDateReader;

// The conventions every row record shares: one SQLite connection for the
// process, statements prepared once per class and reused, text and date
// encodings, and the error texts. Every record SQL section runs inside a
// RecordGuard (the process-wide recursive lock).
namespace RecordStore {

sqlite3* sharedDatabase();
void setSharedDatabase(sqlite3* database);
// How long a statement of ours waits for a lock that another connection or
// process holds (a backup tool, a file indexer, the sqlite3 shell reading
// the file) before it fails as "database is locked". A few seconds by
// default; ZORAVEL_BUSY_TIMEOUT_MS in the environment (read once) or
// setBusyTimeout changes it: the tests keep it short.
std::chrono::milliseconds busyTimeout();
// Also applies the new wait to the shared connection.
void setBusyTimeout(std::chrono::milliseconds timeout);
// Makes a connection wait busyTimeout() for the locks it needs. Every
// connection we open to a database file goes through it; the shared one
// does when it is set.
//
// One action waits once: after a wait on this thread ran out, the later
// statements of the same action (a failed save's rollback, the marks and
// reads after it) fail at once instead of waiting again. On the main thread
// the action ends when the event loop takes over again; on other threads
// with the first statement that gets through; on any, once as long as the
// wait has passed since it ran out.
void waitForLocks(sqlite3* connection);

// While one lives on a thread, its statements wait for the locks of other
// connections as long as it takes: the start, which a reader holding the
// file only delays (the database is not unusable for it).
class WaitWithoutLimit {
public:
    WaitWithoutLimit();
    // `meanwhile` is asked on this thread once one statement's wait has
    // lasted `after` (and again after as long once it answered): it may tell
    // the person, and its answer says whether to go on waiting. Answered
    // false, that statement and every later wait under this object fail at
    // once, as locked.
    WaitWithoutLimit(std::chrono::milliseconds after, std::function<bool()> meanwhile);
    ~WaitWithoutLimit();
    WaitWithoutLimit(const WaitWithoutLimit&) = delete;
    WaitWithoutLimit& operator=(const WaitWithoutLimit&) = delete;

private:
    std::function<bool()> m_meanwhile;
    const std::function<bool()>* m_outerMeanwhile = nullptr;
    std::chrono::milliseconds m_outerAfter{};
    bool m_outerGivenUp = false;
};
// Whether another process holds a lock of SQLite's on the database file (a
// reader, a writer), whatever this process's own connections hold. Read
// from the system's table of locks: the file is not opened, since closing
// any descriptor of it would drop the locks SQLite holds on it here.
// True when the table cannot be read.
bool anotherProcessLocks(const QString& databasePath);
// While one lives on a thread, its statements wait for another connection's
// lock no longer than the given time: work that can simply be tried again
// later (the automatic backup) must not hold the thread that long.
class WaitAtMost {
public:
    explicit WaitAtMost(std::chrono::milliseconds limit);
    ~WaitAtMost();
    WaitAtMost(const WaitAtMost&) = delete;
    WaitAtMost& operator=(const WaitAtMost&) = delete;

private:
    std::chrono::milliseconds m_before;
};
// Counts the changes of connection: an answer kept under one generation is
// never taken for another connection's, even at the same address.
quint64 sharedDatabaseGeneration();

// Where a reader stands in the shared connection's row writes: an answer
// kept from a read is brought up to date from the rows written since,
// instead of being read again whole. Both are asked under the RecordGuard.
struct RowWriteMark {
    quint64 generation = 0;
    quint64 hookedRows = 0;
    sqlite3_int64 countedRows = -1;
};
RowWriteMark rowWriteMark();
// The keys of the Tasks rows the shared connection wrote since the mark,
// oldest first (a key may come more than once). Nothing when the writes
// since cannot all be named: another connection, a change the connection
// counted but did not report row by row (a table emptied at once), or more
// rows than are kept.
std::optional<std::vector<qint64>> taskRowsWrittenSince(const RowWriteMark& mark);

// A statement of ours that cannot be prepared (a database of another schema):
// the text and the SQLite message are logged; the caller's statement is null,
// and stepping a null statement fails like any failed step.
void fatal(const char* format, sqlite3* database);

// A failure at run time (disk full, busy, I/O error) must not end the process:
// the text and the SQLite message are logged and the caller reports failure.
void logFailure(const char* format, sqlite3* database);

// Every statement of ours is stepped here, so that tests can make any one
// of them fail as a full disk would.
int step(sqlite3_stmt* statement);
// How many steps have failed on this thread so far: a read outside any unit
// that answers empty can tell a failure from an empty table by it.
quint64 failedStepsOnThisThread();
// SQLite's text for the last failed step on this thread ("database or disk
// is full"); empty before any.
QString lastFailureOnThisThread();
// Whether that failure was a lock another connection or program held (busy
// or locked), not a fault of the disk or the file.
bool lastFailureWasLock();
// A failed step taken outside step() (a unit's BEGIN or COMMIT) is the last
// failure too, so what the person is told names it.
void noteFailure(int result);
// Forgets the last failure: what fails from now on is the one to tell.
void forgetLastFailure();
// For tests: the nth step from now (1 the next one) answers SQLITE_IOERR
// without running; 0 disarms. Pending until that step has been reached.
void failStep(qint64 nth);
bool stepFailurePending();

// Finalizes every cached statement of every record class, for closing the
// connection (tests, restore); each record class also has its own.
void finalizeAllStatements();

inline constexpr const char* prepareErrorText = "Error: failed to prepare statement with message '%s'.";
inline constexpr const char* insertErrorText = "Error: failed to insert into the database with message '%s'.";
inline constexpr const char* dehydrateErrorText = "Error: failed to dehydrate with message '%s'.";
inline constexpr const char* deleteErrorText = "Error: failed to delete from database with message '%s'.";
inline constexpr const char* selectErrorText = "Error: failed to select from the database with message '%s'.";

// Binding: text as UTF-8 copied by SQLite, a null string as NULL; dates in
// their stored form (local wall-clock seconds), the null date as 0.
void bindText(sqlite3_stmt* statement, int index, const QString& text);
void bindInt64(sqlite3_stmt* statement, int index, qint64 value);
void bindDate(sqlite3_stmt* statement, int index, const Date& date);
void bindDouble(sqlite3_stmt* statement, int index, double value);

// Reading: a NULL text column reads as the empty string, never a null one; a
// date column that holds no calendar date (NaN, 1e300, beyond the year 9999)
// reads as the null date, with a log line.
QString columnText(sqlite3_stmt* statement, int column);
qint64 columnInt64(sqlite3_stmt* statement, int column);
Date columnDate(sqlite3_stmt* statement, int column);
Date columnDate(sqlite3_stmt* statement, int column, const StoredDateReader& dates);
double columnDouble(sqlite3_stmt* statement, int column);

}  // namespace RecordStore

// One class-level statement slot: prepared on first use on the shared
// connection, reset after each use, finalized only by finalize().
class CachedStatement {
public:
    explicit CachedStatement(const char* sql);
    ~CachedStatement();
    CachedStatement(const CachedStatement&) = delete;
    CachedStatement& operator=(const CachedStatement&) = delete;

    // The prepared statement; null (logged) when it cannot be prepared.
    sqlite3_stmt* get();
    void finalize();
    bool isPrepared() const { return m_statement != nullptr; }

private:
    const char* m_sql;
    sqlite3_stmt* m_statement = nullptr;
};

// Resets a statement and clears its bindings when the scope ends, so a cached
// statement is always left ready for its next use, whatever path returned.
class StatementReset {
public:
    explicit StatementReset(sqlite3_stmt* statement) : m_statement(statement) {}
    ~StatementReset()
    {
        if (!m_statement) return;
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    StatementReset(const StatementReset&) = delete;
    StatementReset& operator=(const StatementReset&) = delete;

private:
    sqlite3_stmt* m_statement;
};
