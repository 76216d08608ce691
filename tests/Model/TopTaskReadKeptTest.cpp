// The top-task marks keep the whole table's read between list reloads only
// while nothing was written: each way the table can change under the kept
// read is followed by the next marks.
#include "TaskTestFixture.h"

#include "Transaction.h"

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

}  // namespace TopTaskReadKeptTests
