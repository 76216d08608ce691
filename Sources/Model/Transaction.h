#pragma once

#include "NotificationCenter.h"
#include "RecordGuard.h"

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <unordered_set>
#include <vector>

class CachedStatement;

// One unit of writes on the shared connection. What is written while it is
// open stays only when commit() answers true; leaving it any other way rolls
// the rows back and runs the undo actions registered for what the command
// changed in memory (records, lists), newest first. A failed command thus
// leaves the database, the records and the working lists as they were.
//
// Units nest as savepoints: an inner commit joins the enclosing unit, which
// may still roll it back, undo actions included.
//
// While a unit is open its thread holds the record lock, so no statement of
// another thread slips into it, and the thread's main-thread posts are held:
// they are delivered, with the after-commit actions, once the outermost unit
// has committed and the lock is released, and dropped on a rollback.
class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when the unit could not be started (logged); commit() then fails.
    bool isOpen() const { return m_state == State::Open; }
    // Makes the unit's writes part of the enclosing unit, or of the database
    // for the outermost one. False (everything rolled back) when that failed.
    [[nodiscard]] bool commit();
    // Rolls back now; the destructor does the same for a unit not committed.
    void rollback();

    void onRollback(std::function<void()> undo);

    // Registers the record's present state to come back on a rollback. Call
    // it before changing the record; a record kept twice in one unit keeps
    // its first state.
    template <class Record>
    void keep(const std::shared_ptr<Record>& record)
    {
        if (!record || !m_kept.insert(record.get()).second) return;
        if constexpr (std::is_copy_assignable_v<Record>) {
            onRollback([record, saved = Record(*record)] { *record = saved; });
        } else {
            onRollback(record->restorePoint());
        }
    }
    // True the first time it is asked for that address in this unit: a
    // state kept once per unit (a list) registers its undo only then.
    bool firstChangeOf(const void* state) { return m_kept.insert(state).second; }

    // The innermost unit open on this thread; null without one.
    static Transaction* current();
    template <class Record>
    static void keepInCurrent(const std::shared_ptr<Record>& record)
    {
        if (Transaction* open = current()) open->keep(record);
    }
    // A statement failed on this thread: the open units can no longer
    // commit. A read that failed may have made a command act on half the
    // rows, so it spoils the unit as a failed write does.
    static void stepFailed();
    // Counts the units rolled back after a write and the failed steps, on
    // every thread:
    // SQLite's own change count does not go back at a rollback, so a read
    // kept under that count is kept under this one too.
    static quint64 rollbackCount();
    // Runs the action after the open units commit, in order with the posts
    // they hold, or at once without one; dropped on a rollback.
    static void afterCommitOrNow(std::function<void()> action);
    // Queues the job on the main thread once the open units commit, at once
    // without one; dropped on a rollback. A worker hands the main thread's
    // records over this way: they never take what the rows do not keep. It
    // waits for no hold of posts beyond the units, as a queued job makes no
    // thread wait.
    static void toMainThreadAfterCommit(std::function<void()> job);

private:
    enum class State { Open, Failed, Committed, RolledBack };

    bool execute(const QByteArray& sql);
    bool execute(CachedStatement& cached);
    void rollBackRows();
    void runUndo();
    void leave();

    std::optional<RecordGuard> m_guard;
    NotificationCenter::HeldPosts m_posts;
    Transaction* m_outer;
    int m_depth;
    QByteArray m_savepoint;
    State m_state = State::Failed;
    bool m_stepFailed = false;
    // The unit began the connection's transaction: its commit is the one to
    // the file, which can fail (a lock another process holds past the wait),
    // and its rollback ends the whole transaction.
    bool m_beganTransaction = false;
    // The connection's change count when the unit began: a unit that wrote
    // nothing undoes nothing when it ends unkept (a read's unit).
    qint64 m_changesAtBegin = -1;
    std::vector<std::function<void()>> m_undo;
    std::vector<std::function<void()>> m_toMainThread;
    std::unordered_set<const void*> m_kept;
};
