#include "CommandTestFixture.h"
#include "LogCapture.h"

#include <QCoreApplication>

#include <thread>

namespace {

using namespace std::chrono_literals;
using BusyDatabaseTest = CommandTest;

// Another process holds the file while the user saves (a second connection
// stands for it): the save waits for the lock; one that still cannot commit
// says so and keeps nothing, and the connection is left outside any
// transaction, so the next save reaches the disk.
TEST_F(BusyDatabaseTest, EverySaveIsOnDiskOrSaidItFailed)
{
    struct Contention {
        const char* name;
        const char* hold;  // what the other connection runs first
        std::chrono::milliseconds wait, letGoAfter;  // 0: let go only after the save
        bool firstSaveKept;
    };
    const Contention contentions[] = {
        {"a reader holding its read across the commit", "BEGIN; SELECT count(*) FROM Tasks", 200ms, 0ms, false},
        {"a writer holding the lock past the wait", "BEGIN IMMEDIATE", 200ms, 0ms, false},
        {"a reader letting go within the wait", "BEGIN; SELECT count(*) FROM Tasks", 5s, 150ms, true},
        {"a writer letting go within the wait", "BEGIN IMMEDIATE", 5s, 150ms, true},
    };
    const std::chrono::milliseconds usualWait = RecordStore::busyTimeout();
    const QByteArray path = (dataFolder() + QStringLiteral("/Database.sql")).toUtf8();
    int run = 0;
    for (const Contention& c : contentions) {
        SCOPED_TRACE(c.name);
        QCoreApplication::processEvents();  // each contention meets an action of its own
        RecordStore::setBusyTimeout(c.wait);
        calendarStore().clearCalls();
        const auto save = [&](const char* which) {
            auto item = std::make_shared<Task>();
            item->setTaskName(QStringLiteral("%1 %2").arg(QLatin1String(which)).arg(++run));
            item->setTaskType(1);
            dataManager().setModifyingTask(item);
            return std::pair{item, dataManager().addNewTask()};
        };
        LogCapture log;
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(path.constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, c.hold, nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread lettingGo([&] {
            std::this_thread::sleep_for(c.letGoAfter);
            if (c.letGoAfter > 0ms) sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        });
        const auto during = save("during");
        lettingGo.join();
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);  // no-op once let go
        sqlite3_close(other);
        EXPECT_TRUE(sqlite3_get_autocommit(db())) << "a transaction was left open";
        const auto after = save("after");
        EXPECT_TRUE(sqlite3_get_autocommit(db())) << "a transaction was left open";

        EXPECT_EQ(during.second, c.firstSaveKept);
        EXPECT_TRUE(after.second);
        EXPECT_EQ(log.contains(QStringLiteral("database is locked")), !c.firstSaveKept);
        for (const auto& [item, saved] : {during, after}) {
            EXPECT_EQ(queryInt("SELECT count(*) FROM Tasks WHERE taskName='" + item->taskName() + "'"), saved ? 1 : 0);
            EXPECT_EQ(dataManager().allTasksEventsAdes().contains(item), saved);
        }
        // Only a save that reached the disk goes on to the calendar store.
        EXPECT_EQ(iCalOperations().count(QStringLiteral("insertTask")), int(during.second) + int(after.second));
    }
    RecordStore::setBusyTimeout(usualWait);
}

// A save that waited its full time for a lock and failed spends the user's
// action's wait: what the same action does next (a mark, a second save)
// fails at once instead of freezing the window again. The next action, once
// the event loop had its turn, waits again.
TEST_F(BusyDatabaseTest, OneActionWaitsForALockOnce)
{
    const std::pair<const char*, const char*> holders[] = {{"a reader", "BEGIN; SELECT count(*) FROM Tasks"},
                                                           {"a writer", "BEGIN IMMEDIATE"}};
    const std::chrono::milliseconds usualWait = RecordStore::busyTimeout();
    RecordStore::setBusyTimeout(300ms);
    const QByteArray path = (dataFolder() + QStringLiteral("/Database.sql")).toUtf8();
    for (const auto& [name, hold] : holders) {
        SCOPED_TRACE(name);
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(path.constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, hold, nullptr, nullptr, nullptr), SQLITE_OK);
        const auto timedSave = [&] {
            auto item = std::make_shared<Task>();
            item->setTaskType(1);
            dataManager().setModifyingTask(item);
            const auto began = std::chrono::steady_clock::now();
            EXPECT_FALSE(dataManager().addNewTask());
            return std::chrono::steady_clock::now() - began;
        };
        EXPECT_GE(timedSave(), 300ms) << "the action's first statement waits";
        EXPECT_LT(timedSave(), 150ms) << "the same action does not wait again";
        QCoreApplication::processEvents();
        EXPECT_GE(timedSave(), 300ms) << "the next action waits again";
        QCoreApplication::processEvents();
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }
    RecordStore::setBusyTimeout(usualWait);
}

}  // namespace
