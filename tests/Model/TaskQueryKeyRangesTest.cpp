#include "ItemRowsFixture.h"
#include "ReadConnections.h"
#include "TaskQuery.h"

#include <QThread>

namespace {

// Keys far enough apart that the table is read in parts.
constexpr qint64 keyStep = 53;
constexpr int rowCount = 400;

class TaskQueryKeyRangesTest : public ItemRowsTest {
protected:
    void SetUp() override
    {
        ItemRowsTest::SetUp();
        plain = addCategory()->primaryKey();
        checklist = addCategory(1)->primaryKey();
        other = addCategory()->primaryKey();
        const qint64 categories[] = {plain, checklist, other};
        exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < rowCount; ++i) {
            // Every kind of value, varied from row to row: texts with line
            // breaks and NULLs, dates on both sides of the summer change,
            // series with their own start, checklist rows stored as tasks.
            row({{"primaryKey", 1000 + i * keyStep},
                 {"taskType", i % 4 == 2 ? 1 : i % 4},
                 {"taskName", i % 7 == 0 ? QVariant() : QVariant(QStringLiteral("Item %1\nsecond line").arg(i))},
                 {"startTime", at(2014, 1 + i % 12, 1 + i % 28, i % 24, i % 60)},
                 {"endTime", at(2014, 1 + i % 12, 1 + i % 28, (i + 1) % 24)},
                 {"dueEnd", at(2014, 3, 30, i % 5)},
                 {"repeatType", i % 9 == 0 ? 1 + i % 4 : 0},
                 {"repeatStartDate", at(2013, 10, 27, 2, 30)},
                 {"repeatExceptions", i % 11 == 0 ? QVariant(QStringLiteral("|1385000000(2)")) : QVariant()},
                 {"calendarId", categories[i % 3]},
                 {"alertValues", QStringLiteral("/1|-900|Glass")},
                 {"url", QStringLiteral("www.example.org/%1").arg(i)},
                 // Runs of equal texts, texts that differ only in their
                 // bytes' meaning, and one too long to be kept.
                 {"taskLocation", i % 4 < 2 ? QStringLiteral("Café")
                                  : i % 4 == 2 ? QStringLiteral("CafÃ©")
                                               : QStringLiteral("A room far along the corridor, past the café and the lifts")},
                 {"tagList", i % 5 == 0 ? QStringLiteral("/Home") : QString()},
                 {"notes", QString(i % 50, QLatin1Char('n'))},
                 {"zvwID", qint64(1) << 40 | i}});
        }
        exec(QStringLiteral("COMMIT"));
    }

    static QList<QVariantList> fieldsOfAll(const TaskList& items)
    {
        QList<QVariantList> fields;
        for (const TaskPtr& item : items) fields.append(fieldsOf(*item));
        return fields;
    }

    qint64 plain = 0;
    qint64 checklist = 0;
    qint64 other = 0;
};

TEST_F(TaskQueryKeyRangesTest, PartsReadSideBySideGiveWhatOneStatementGives)
{
    if (QThread::idealThreadCount() < 2) GTEST_SKIP() << "one processor: the table is never split";
    const QList<TaskQuery::Value> values{plain, checklist};
    const TaskList inParts = TaskQuery::itemsInKeyOrder("calendarId IN (?,?)", values);
    const TaskList inOne = TaskQuery::items("WHERE calendarId IN (?,?) ORDER BY primaryKey", values);
    ASSERT_EQ(inParts.size(), rowCount * 2 / 3 + 1);
    EXPECT_EQ(fieldsOfAll(inParts), fieldsOfAll(inOne));
    // Rows of one load share what they can; each row read alone shares nothing.
    TaskList oneByOne;
    for (const TaskPtr& item : inParts) oneByOne.append(Task::initWithPrimaryKey(item->primaryKey()));
    EXPECT_EQ(fieldsOfAll(inParts), fieldsOfAll(oneByOne));
    const QList<qint64> keys = keysOf(inParts);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    // The rows of a checklist category become checklist items, as single loads make them.
    for (const TaskPtr& item : inParts) {
        if (item->calendarId() == checklist) {
            ASSERT_EQ(item->taskType(), 2) << item->primaryKey();
        }
    }

    // Another condition on the same kept connections, and a text value.
    const TaskList tagged = TaskQuery::itemsInKeyOrder("tagList = ?", {QStringLiteral("/Home")});
    EXPECT_EQ(fieldsOfAll(tagged), fieldsOfAll(TaskQuery::items("WHERE tagList = ? ORDER BY primaryKey",
                                                                 {QStringLiteral("/Home")})));
    EXPECT_EQ(tagged.size(), rowCount / 5);
}

// Inside a transaction only the shared connection sees its own writes, so
// the read stays on it.
TEST_F(TaskQueryKeyRangesTest, ReadInsideATransactionSeesWhatItWrote)
{
    exec(QStringLiteral("BEGIN"));
    const qint64 added = row({{"taskName", QStringLiteral("Not yet committed")}, {"calendarId", other}});
    exec(QStringLiteral("DELETE FROM Tasks WHERE primaryKey = 1000"));
    const QList<qint64> keys = keysOf(TaskQuery::itemsInKeyOrder("calendarId = ?", {other}));
    exec(QStringLiteral("ROLLBACK"));
    EXPECT_TRUE(keys.contains(added));
    EXPECT_FALSE(keys.contains(1000));
    EXPECT_EQ(keys.size(), rowCount / 3 + 1) << "one row more, one less";
}

// The kept connections belong to the file they were opened on: once another
// database is installed, loads read that one.
TEST_F(TaskQueryKeyRangesTest, LoadsFollowTheInstalledDatabase)
{
    ASSERT_EQ(TaskQuery::itemsInKeyOrder("calendarId = ?", {plain}).size(), rowCount / 3 + 1);

    const QByteArray otherPath = (dataFolder() + QStringLiteral("/Other.sql")).toUtf8();
    sqlite3* copy = nullptr;
    ASSERT_EQ(sqlite3_open(otherPath.constData(), &copy), SQLITE_OK);
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db(), "main");
    ASSERT_NE(backup, nullptr);
    sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    ASSERT_EQ(sqlite3_exec(copy, "DELETE FROM Tasks WHERE primaryKey % 2 = 0", nullptr, nullptr, nullptr), SQLITE_OK);

    RecordStore::finalizeAllStatements();
    RecordStore::setSharedDatabase(copy);
    const TaskList fromCopy = TaskQuery::itemsInKeyOrder("calendarId = ?", {plain});
    RecordStore::finalizeAllStatements();
    RecordStore::setSharedDatabase(db());
    sqlite3_close(copy);

    EXPECT_FALSE(fromCopy.isEmpty());
    for (const TaskPtr& item : fromCopy) EXPECT_EQ(item->primaryKey() % 2, 1);
    EXPECT_EQ(TaskQuery::itemsInKeyOrder("calendarId = ?", {plain}).size(), rowCount / 3 + 1);
}

TEST_F(TaskQueryKeyRangesTest, DatabaseWithoutAFileIsReadOnTheSharedConnection)
{
    sqlite3* memory = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &memory), SQLITE_OK);
    EXPECT_EQ(ReadConnections::acquire(memory), nullptr);
    sqlite3_close(memory);

    sqlite3* connection = ReadConnections::acquire(db());
    ASSERT_NE(connection, nullptr);
    // Read-only: a load can never write through it.
    EXPECT_NE(sqlite3_exec(connection, "DELETE FROM Tasks", nullptr, nullptr, nullptr), SQLITE_OK);
    ReadConnections::release(connection);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), rowCount);
}

}  // namespace
