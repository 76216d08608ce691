// The top-task marks keep the whole table's read between list reloads only
// while nothing was written: each way the table can change under the kept
// read is followed by the next marks.
#include "TaskTestFixture.h"

#include "Transaction.h"

#include <functional>

namespace TopTaskReadKeptTests {

class TopTaskReadKeptTest : public TaskTest {
protected:
    TaskPtr task(const QString& name, qint64 order)
    {
        const TaskPtr item = storedItem(name);
        item->setTaskOrder(order);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    static void run(sqlite3* connection, const QString& sql)
    {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(connection, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
    }

    QString path() const { return dataFolder() + QStringLiteral("/Database.sql"); }
};

TEST_F(TopTaskReadKeptTest, EveryWriteBetweenTwoReloadsIsSeenByTheNextMarks)
{
    enum class Change { OwnConnection, OtherConnection, RolledBackUnit };
    const struct {
        const char* name;
        Change change;
        bool firstIsTopAfter;
    } cases[] = {
        {"a write through the organizer's connection", Change::OwnConnection, false},
        {"a commit of another connection on the same file", Change::OtherConnection, false},
        {"a write inside a unit that was rolled back", Change::RolledBackUnit, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        run(db(), QStringLiteral("DELETE FROM Tasks"));
        const TaskPtr first = task(QStringLiteral("First"), 2);
        const TaskPtr second = task(QStringLiteral("Second"), 3);
        const TaskList listed{first, second};
        ASSERT_TRUE(dataManager().updateTopTasksForList(listed));
        ASSERT_TRUE(first->isTopGTDTask());

        // The first is done in the table; its listed object is left as it was.
        const QString closeFirst = QStringLiteral("UPDATE Tasks SET status=1 WHERE primaryKey=%1").arg(first->primaryKey());
        switch (c.change) {
        case Change::OwnConnection: run(db(), closeFirst); break;
        case Change::OtherConnection: {
            sqlite3* other = nullptr;
            ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &other), SQLITE_OK);
            run(other, closeFirst);
            sqlite3_close(other);
            break;
        }
        case Change::RolledBackUnit: {
            Transaction unit;
            ASSERT_TRUE(unit.isOpen());
            run(db(), closeFirst);
            ASSERT_TRUE(dataManager().updateTopTasksForList(listed));
            EXPECT_FALSE(first->isTopGTDTask()) << "inside the unit the first is done";
            unit.rollback();
            break;
        }
        }
        ASSERT_TRUE(dataManager().updateTopTasksForList(listed));
        EXPECT_EQ(first->isTopGTDTask(), c.firstIsTopAfter);
        EXPECT_FALSE(second->isTopGTDTask()) << "its object still has an order after the first's";
    }
}

// The kept answer is brought up to date from the rows written since; after
// each step it must be what a fresh read of the whole table says.
TEST_F(TopTaskReadKeptTest, TheKeptFirstOrdersFollowEachWriteAsAFreshReadWould)
{
    const auto freshRead = [this] {
        QHash<qint64, qint64> firsts;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(),
                                     "SELECT calendarId, MIN(taskOrder), COUNT(*) - COUNT(taskOrder) FROM Tasks "
                                     "WHERE taskType=1 AND status=0 AND calendarId IS NOT NULL GROUP BY calendarId",
                                     -1, &statement, nullptr),
                  SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW)
            firsts.insert(sqlite3_column_int64(statement, 0),
                          sqlite3_column_int64(statement, 2) > 0 ? 0 : sqlite3_column_int64(statement, 1));
        sqlite3_finalize(statement);
        return firsts;
    };
    const auto insert = [](qint64 key, qint64 type, qint64 category, const char* order, qint64 status = 0) {
        return QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, calendarId, taskOrder, status) "
                              "VALUES (%1, %2, %3, %4, %5)")
            .arg(key).arg(type).arg(category).arg(QLatin1String(order)).arg(status);
    };
    run(db(), QStringLiteral("DELETE FROM Tasks"));
    for (qint64 key = 1; key <= 6; ++key) run(db(), insert(key, 1, key % 2 + 1, QByteArray::number(key * 10)));
    const struct {
        const char* name;
        QStringList sql;
    } steps[] = {
        {"nothing written", {}},
        {"a name changed", {QStringLiteral("UPDATE Tasks SET taskName='x' WHERE primaryKey=2")}},
        {"the first of a category done", {QStringLiteral("UPDATE Tasks SET status=1 WHERE primaryKey=2")}},
        {"it is open again", {QStringLiteral("UPDATE Tasks SET status=0 WHERE primaryKey=2")}},
        {"the first moved to the other category", {QStringLiteral("UPDATE Tasks SET calendarId=2 WHERE primaryKey=2")}},
        {"a later task moved before the first", {QStringLiteral("UPDATE Tasks SET taskOrder=5 WHERE primaryKey=5")}},
        {"the first moved after the others", {QStringLiteral("UPDATE Tasks SET taskOrder=99 WHERE primaryKey=5")}},
        {"a new task first", {insert(7, 1, 1, "1")}},
        {"a new event before it", {insert(8, 0, 1, "0")}},
        {"a task without an order", {insert(9, 1, 2, "NULL")}},
        {"it is given an order", {QStringLiteral("UPDATE Tasks SET taskOrder=50 WHERE primaryKey=9")}},
        {"the first deleted", {QStringLiteral("DELETE FROM Tasks WHERE primaryKey=7")}},
        {"a task becomes an event", {QStringLiteral("UPDATE Tasks SET taskType=0 WHERE primaryKey=1")}},
        {"a task of no category", {insert(10, 1, 1, "2"), QStringLiteral("UPDATE Tasks SET calendarId=NULL WHERE primaryKey=10")}},
        {"another table written", {QStringLiteral("UPDATE Settings SET primaryKey=primaryKey")}},
        {"more rows than are kept", {QStringLiteral("WITH RECURSIVE n(k) AS (SELECT 100 UNION ALL SELECT k+1 FROM n WHERE k<5200) "
                                                    "INSERT INTO Tasks (primaryKey, taskType, calendarId, taskOrder, status) "
                                                    "SELECT k, 1, 3, k, 0 FROM n"),
                                     QStringLiteral("UPDATE Tasks SET taskOrder=taskOrder+1 WHERE calendarId=3")}},
        {"the table emptied at once, then one task", {QStringLiteral("DELETE FROM Tasks"), insert(11, 1, 1, "4")}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        for (const QString& sql : step.sql) run(db(), sql);
        const std::optional<QHash<qint64, qint64>> kept = dataManager().firstOpenTaskOrders();
        ASSERT_TRUE(kept.has_value());
        EXPECT_EQ(*kept, freshRead());
    }
}

// The marks of the working list are kept while what they follow stands;
// after each kind of change the next marking marks what a first one would.
TEST_F(TopTaskReadKeptTest, TheKeptMarksFollowEachChangeOfTheListedItems)
{
    const CalendarPtr other = addCategory();
    const TaskPtr first = task(QStringLiteral("first"), 1);
    const TaskPtr second = task(QStringLiteral("second"), 2);
    const TaskPtr elsewhere = task(QStringLiteral("elsewhere"), 3);
    elsewhere->setCalendarId(other->primaryKey());
    ASSERT_TRUE(elsewhere->dehydrate());
    for (const TaskPtr& item : {first, second}) {
        item->setCalendarId(1);
        ASSERT_TRUE(item->dehydrate());
    }
    dataManager().doWithAllTasksEventsAdes(TaskList{first, second, elsewhere}, 0);
    const struct {
        const char* name;
        std::function<void()> change;
        QStringList tops;
    } cases[] = {
        {"nothing", [] {}, {"first", "elsewhere"}},
        {"a rename", savedChange(first, [](Task& t) { t.setTaskName(QStringLiteral("renamed")); }), {"renamed", "elsewhere"}},
        {"the first done", savedChange(first, [](Task& t) { t.setStatus(1); }), {"second", "elsewhere"}},
        {"it is open again", savedChange(first, [](Task& t) { t.setStatus(0); }), {"renamed", "elsewhere"}},
        {"the first moved after the second", savedChange(first, [](Task& t) { t.setTaskOrder(9); }), {"second", "elsewhere"}},
        {"the second moved to the other category",
         savedChange(second, [other](Task& t) { t.setCalendarId(other->primaryKey()); }), {"renamed", "second"}},
        {"a mark taken off in memory", [first] { first->setIsTopGTDTask(false); }, {"renamed", "second"}},
        {"a new task before all", [this] {
             const TaskPtr made = task(QStringLiteral("new"), 0);
             made->setCalendarId(1);
             EXPECT_TRUE(made->dehydrate());
             dataManager().doWithAllTasksEventsAdes(TaskList{made}, 0);
         }, {"second", "new"}},
        {"a change rolled back", [second] {
             Transaction unit;
             unit.keep(second);
             second->setCalendarId(1);
             EXPECT_TRUE(second->dehydrate());
         }, {"second", "new"}},
        {"the new task deleted", [this] {
             const TaskList all = dataManager().allTasksEventsAdes();
             ASSERT_TRUE(dataManager().doDeleteTask(all.back(), false));
         }, {"renamed", "second"}},
        {"an unlisted task first in the category", [this] {
             const TaskPtr unlisted = task(QStringLiteral("unlisted"), -1);
             unlisted->setCalendarId(1);
             EXPECT_TRUE(unlisted->dehydrate());
         }, {"second"}},
        // The first open orders stay as they were: only the row tells.
        {"a listed task given its order", savedChange(first, [](Task& t) { t.setTaskOrder(-1); }), {"renamed", "second"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        const TaskList listed = dataManager().allTasksEventsAdes();
        ASSERT_TRUE(dataManager().updateTopTasksForList(listed));
        QStringList tops;
        for (const TaskPtr& item : listed)
            if (item->isTopGTDTask()) tops << item->taskName();
        EXPECT_EQ(tops, c.tops);
    }
}

}  // namespace TopTaskReadKeptTests
