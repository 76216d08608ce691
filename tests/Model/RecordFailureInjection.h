#pragma once

#include <QString>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

// Another connection that holds the database's write lock, as another process
// would: the shared connection's next write answers "database is locked"
// until the holder lets go.
class WriteLockHolder {
public:
    explicit WriteLockHolder(const QString& databasePath)
    {
        EXPECT_EQ(sqlite3_open(databasePath.toUtf8().constData(), &m_db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~WriteLockHolder() { release(); }
    WriteLockHolder(const WriteLockHolder&) = delete;
    WriteLockHolder& operator=(const WriteLockHolder&) = delete;

    void release()
    {
        if (!m_db) return;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
        m_db = nullptr;
    }

private:
    sqlite3* m_db = nullptr;
};

// Runs the work on another thread and answers whether it finished in time. A
// thread that never finishes (a lock left held) is left behind detached, so
// the test fails instead of hanging.
inline bool finishesOnAnotherThread(std::function<void()> work, std::chrono::milliseconds limit)
{
    auto finished = std::make_shared<std::promise<void>>();
    std::future<void> done = finished->get_future();
    std::thread([work = std::move(work), finished] {
        work();
        finished->set_value();
    }).detach();
    return done.wait_for(limit) == std::future_status::ready;
}
