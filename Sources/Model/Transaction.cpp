#include "Transaction.h"

#include "MainQueue.h"
#include "RecordStore.h"

#include <QtGlobal>

#include <atomic>

namespace {

thread_local Transaction* innermost = nullptr;
thread_local int openDepth = 0;
std::atomic<quint64> unitsUndone{0};

// The statements of the first levels are prepared once and kept, like the
// records' own: a unit costs short steps, not compilations.
constexpr int cachedLevels = 4;
CachedStatement savepointStatements[cachedLevels] = {
    CachedStatement("SAVEPOINT unit1"), CachedStatement("SAVEPOINT unit2"), CachedStatement("SAVEPOINT unit3"),
    CachedStatement("SAVEPOINT unit4")};
CachedStatement releaseStatements[cachedLevels] = {
    CachedStatement("RELEASE unit1"), CachedStatement("RELEASE unit2"), CachedStatement("RELEASE unit3"),
    CachedStatement("RELEASE unit4")};
// The unit that begins the transaction takes the write lock at once. Begun
// as a read, it would ask for that lock at its first write while holding
// its read, and SQLite then does not wait for another process's writer
// (both could wait for ever): the write would fail at once.
CachedStatement beginStatement("BEGIN IMMEDIATE");
CachedStatement commitStatement("COMMIT");

constexpr const char* beginErrorText = "Error: failed to begin a transaction with message '%s'.";
constexpr const char* commitErrorText = "Error: failed to commit a transaction with message '%s'.";

// BEGIN and COMMIT are stepped here, not through RecordStore::step: a test
// that fails the nth step of a command counts the command's savepoints and
// statements, as it always has. A failure is logged with SQLite's message.
bool stepOutsideCount(CachedStatement& cached, const char* errorText)
{
    sqlite3* db = RecordStore::sharedDatabase();
    sqlite3_stmt* statement = db ? cached.get() : nullptr;
    if (!statement) return false;
    const int result = sqlite3_step(statement);
    const bool done = result == SQLITE_DONE;
    if (!done) {
        RecordStore::noteFailure(result);
        RecordStore::logFailure(errorText, db);
    }
    sqlite3_reset(statement);
    return done;
}

}  // namespace

Transaction::Transaction() : m_outer(innermost), m_depth(openDepth + 1)
{
    m_guard.emplace();
    m_savepoint = "unit" + QByteArray::number(m_depth);
    innermost = this;
    openDepth = m_depth;
    sqlite3* db = RecordStore::sharedDatabase();
    m_beganTransaction = db && sqlite3_get_autocommit(db);
    // Every level, the first included, is a savepoint, so every level is
    // undone alike.
    const bool locked = !m_beganTransaction || stepOutsideCount(beginStatement, beginErrorText);
    const bool begun = locked
        && (m_depth <= cachedLevels ? execute(savepointStatements[m_depth - 1]) : execute("SAVEPOINT " + m_savepoint));
    m_state = begun ? State::Open : State::Failed;
    if (db) m_changesAtBegin = sqlite3_total_changes64(db);
    if (locked && !begun) {
        RecordStore::logFailure(beginErrorText, db);
        if (m_beganTransaction) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

Transaction::~Transaction()
{
    if (m_state == State::Open) rollback();
    if (m_state == State::Failed) runUndo();
    if (innermost == this) leave();
}

Transaction* Transaction::current()
{
    return innermost;
}

void Transaction::afterCommitOrNow(std::function<void()> action)
{
    NotificationCenter::HeldPosts::runOrHold(std::move(action));
}

void Transaction::toMainThreadAfterCommit(std::function<void()> job)
{
    if (innermost)
        innermost->m_toMainThread.push_back(std::move(job));
    else
        MainQueue::async(std::move(job));
}

void Transaction::onRollback(std::function<void()> undo)
{
    m_undo.push_back(std::move(undo));
}

bool Transaction::execute(CachedStatement& cached)
{
    if (!RecordStore::sharedDatabase()) return false;
    sqlite3_stmt* statement = cached.get();
    StatementReset reset(statement);
    return RecordStore::step(statement) == SQLITE_DONE;
}

bool Transaction::execute(const QByteArray& sql)
{
    sqlite3* db = RecordStore::sharedDatabase();
    if (!db) return false;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK) return false;
    const int result = RecordStore::step(statement);
    sqlite3_finalize(statement);
    return result == SQLITE_DONE;
}

void Transaction::stepFailed()
{
    ++unitsUndone;
    for (Transaction* unit = innermost; unit; unit = unit->m_outer) unit->m_stepFailed = true;
}

bool Transaction::commit()
{
    if (m_state != State::Open || m_stepFailed) {
        if (m_stepFailed) qWarning("A statement of the unit failed; nothing of it is kept.");
        rollback();
        return false;
    }
    const bool released =
        m_depth <= cachedLevels ? execute(releaseStatements[m_depth - 1]) : execute("RELEASE " + m_savepoint);
    if (!released) RecordStore::logFailure(commitErrorText, RecordStore::sharedDatabase());
    // A commit that still finds the file locked (another process reading it
    // past the wait) leaves the transaction open. It is rolled back whole, so
    // the connection is free for the next command and the caller reports the
    // write as failed, instead of every later save living in that
    // transaction unseen until it is lost at quit.
    if (!released || (m_beganTransaction && !stepOutsideCount(commitStatement, commitErrorText))) {
        rollback();
        return false;
    }
    m_state = State::Committed;
    if (m_outer) {
        // The enclosing unit may still roll back what this one did.
        for (auto& undo : m_undo) m_outer->m_undo.push_back(std::move(undo));
        m_outer->m_kept.insert(m_kept.begin(), m_kept.end());
        for (auto& job : m_toMainThread) m_outer->m_toMainThread.push_back(std::move(job));
        m_toMainThread.clear();
    }
    m_undo.clear();
    leave();
    // The outermost unit lets the lock go first: the views hear of the change
    // only now, and never while this thread holds a lock the main thread may
    // be waiting for. An inner unit's posts join the enclosing hold.
    if (!m_outer) {
        m_guard.reset();
        for (auto& job : m_toMainThread) MainQueue::async(std::move(job));
        m_toMainThread.clear();
    }
    m_posts.release();
    return true;
}

quint64 Transaction::rollbackCount()
{
    return unitsUndone.load();
}

void Transaction::rollback()
{
    if (m_state == State::Committed || m_state == State::RolledBack) return;
    sqlite3* db = RecordStore::sharedDatabase();
    if (m_state != State::Open || !db || sqlite3_total_changes64(db) != m_changesAtBegin) ++unitsUndone;
    if (m_state == State::Open) rollBackRows();
    m_state = State::RolledBack;
    runUndo();
}

// The rollback itself is never a step that tests make fail: a unit that
// cannot be undone is beyond what a caller could repair.
void Transaction::rollBackRows()
{
    sqlite3* db = RecordStore::sharedDatabase();
    if (!db) return;
    // A failed write of some kinds (a full disk, an interrupt) may already
    // have rolled the whole transaction back; there is nothing left to undo.
    if (sqlite3_get_autocommit(db)) return;
    // Undone to the savepoint first: ROLLBACK would also end the reads still
    // stepping on this connection, which ROLLBACK TO leaves be. The COMMIT
    // that then ends the transaction still needs the file to itself; it is
    // not waited for, as a ROLLBACK ends the transaction without it.
    QByteArray sql = "ROLLBACK TO " + m_savepoint + "; RELEASE " + m_savepoint;
    if (m_beganTransaction) {
        sql += "; COMMIT";
        sqlite3_busy_timeout(db, 0);
    }
    char* error = nullptr;
    bool rolledBack = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) == SQLITE_OK;
    if (m_beganTransaction) RecordStore::waitForLocks(db);
    if (!rolledBack && m_beganTransaction && !sqlite3_get_autocommit(db)) {
        sqlite3_free(error);
        error = nullptr;
        rolledBack = sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, &error) == SQLITE_OK;
    }
    if (!rolledBack) qCritical("Error: failed to roll back a transaction with message '%s'.", error ? error : "");
    sqlite3_free(error);
}

void Transaction::runUndo()
{
    m_toMainThread.clear();
    std::vector<std::function<void()>> undo;
    undo.swap(m_undo);
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) (*it)();
}

void Transaction::leave()
{
    innermost = m_outer;
    openDepth = m_depth - 1;
}
