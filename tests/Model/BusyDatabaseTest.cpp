#include "CommandTestFixture.h"
#include "LogCapture.h"

#include <chrono>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Another connection to the file, as a backup tool or the sqlite3 shell in
// another process would hold it.
class OutsideConnection {
public:
    explicit OutsideConnection(const QString& path)
    {
        EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &m_db), SQLITE_OK);
    }
    ~OutsideConnection() { sqlite3_close(m_db); }
    OutsideConnection(const OutsideConnection&) = delete;
    OutsideConnection& operator=(const OutsideConnection&) = delete;

    void exec(const char* sql) { EXPECT_EQ(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql; }
    bool holdsTransaction() const { return !sqlite3_get_autocommit(m_db); }

private:
    sqlite3* m_db = nullptr;
};

class BusyDatabaseTest : public CommandTest {
protected:
    void TearDown() override
    {
        RecordStore::setBusyTimeout(m_usualTimeout);
        CommandTest::TearDown();
    }

    // A task added as the quick-add bar adds it; whether the data manager said it was saved.
    bool save(const TaskPtr& item)
    {
        dataManager().setModifyingTask(item);
        return dataManager().addNewTask();
    }

    qint64 rowsOnDisk(const QString& name) const
    {
        sqlite3* fresh = nullptr;
        EXPECT_EQ(sqlite3_open((dataFolder() + QStringLiteral("/Database.sql")).toUtf8().constData(), &fresh), SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(fresh, "SELECT count(*) FROM Tasks WHERE taskName=?", -1, &statement, nullptr);
        const QByteArray utf8 = name.toUtf8();
        sqlite3_bind_text(statement, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        const qint64 count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
        sqlite3_finalize(statement);
        sqlite3_close(fresh);
        return count;
    }

private:
    const std::chrono::milliseconds m_usualTimeout = RecordStore::busyTimeout();
};

// Another process holds the file while the user saves: the save waits for
// the lock; when it still cannot commit it says so and keeps nothing, and
// either way the connection is left outside any transaction, so the next
// save reaches the disk.
TEST_F(BusyDatabaseTest, EverySaveIsOnDiskOrSaidItFailed)
{
    struct Contention {
        const char* name;
        const char* hold;  // what the outside connection runs first
        std::chrono::milliseconds timeout;
        std::optional<std::chrono::milliseconds> letGoAfter;  // none: held across the save
        bool firstSaveKept;
    };
    const Contention contentions[] = {
        {"a reader holding its read across the commit", "BEGIN; SELECT count(*) FROM Tasks", 200ms, std::nullopt, false},
        {"a writer holding the lock past the wait", "BEGIN IMMEDIATE", 200ms, std::nullopt, false},
        {"a reader letting go within the wait", "BEGIN; SELECT count(*) FROM Tasks", 5s, 150ms, true},
        {"a writer letting go within the wait", "BEGIN IMMEDIATE", 5s, 150ms, true},
    };
    int run = 0;
    for (const Contention& c : contentions) {
        SCOPED_TRACE(c.name);
        ++run;
        RecordStore::setBusyTimeout(c.timeout);
        calendarStore().clearCalls();
        const auto task = [run](const char* which) {
            auto item = std::make_shared<Task>();
            item->setTaskName(QStringLiteral("%1 %2").arg(QLatin1String(which)).arg(run));
            item->setTaskType(1);
            return item;
        };
        const TaskPtr during = task("during");
        const TaskPtr after = task("after");

        LogCapture log;
        OutsideConnection outside(dataFolder() + QStringLiteral("/Database.sql"));
        outside.exec(c.hold);
        ASSERT_TRUE(outside.holdsTransaction());
        std::thread lettingGo;
        if (c.letGoAfter) lettingGo = std::thread([&outside, wait = *c.letGoAfter] {
            std::this_thread::sleep_for(wait);
            outside.exec("COMMIT");
        });
        const bool duringSaved = save(during);
        if (lettingGo.joinable()) lettingGo.join();
        else outside.exec("COMMIT");
        EXPECT_TRUE(sqlite3_get_autocommit(db())) << "a transaction was left open";
        const bool afterSaved = save(after);
        EXPECT_TRUE(sqlite3_get_autocommit(db())) << "a transaction was left open";

        EXPECT_EQ(duringSaved, c.firstSaveKept);
        EXPECT_TRUE(afterSaved);
        EXPECT_EQ(log.contains(QStringLiteral("database is locked")), !c.firstSaveKept);
        int kept = 0;
        for (const auto& [item, saved] : {std::pair{during, duringSaved}, std::pair{after, afterSaved}}) {
            SCOPED_TRACE(item->taskName().toStdString());
            EXPECT_EQ(rowsOnDisk(item->taskName()), saved ? 1 : 0);
            EXPECT_EQ(dataManager().allTasksEventsAdes().contains(item), saved);
            kept += saved ? 1 : 0;
        }
        // Only a save that reached the disk goes on to the calendar store.
        EXPECT_EQ(iCalOperations().count(QStringLiteral("insertTask")), kept);
    }
}

}  // namespace
