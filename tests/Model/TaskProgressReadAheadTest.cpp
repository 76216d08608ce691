// Categories' task counts read ahead are taken only while the table is as
// it was: after any write they must be what a fresh count says.
#include "TaskTestFixture.h"

#include "Transaction.h"

namespace TaskProgressReadAheadTests {

class TaskProgressReadAheadTest : public TaskTest {
protected:
    static void run(sqlite3* connection, const QString& sql)
    {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(connection, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
    }

    // All and done tasks of the category, and their minutes, all and done.
    std::vector<qint64> countedNow(qint64 category)
    {
        const CoreData::TaskProgress p = dataManager().taskProgressInCalendar(category);
        return {p.count, p.doneCount, p.minutes, p.doneMinutes};
    }

    std::vector<qint64> countedFresh(qint64 category)
    {
        sqlite3_stmt* statement = nullptr;
        const QByteArray sql = QStringLiteral("SELECT COUNT(*), ifnull(SUM(status=1),0), ifnull(SUM(hasDuration*duration),0), "
                                              "ifnull(SUM((status=1)*hasDuration*duration),0) FROM Tasks "
                                              "WHERE taskType=1 AND calendarId=%1")
                                   .arg(category)
                                   .toUtf8();
        EXPECT_EQ(sqlite3_prepare_v2(db(), sql.constData(), -1, &statement, nullptr), SQLITE_OK);
        std::vector<qint64> counts;
        if (sqlite3_step(statement) == SQLITE_ROW)
            for (int column = 0; column < 4; ++column) counts.push_back(sqlite3_column_int64(statement, column));
        sqlite3_finalize(statement);
        return counts;
    }

    static QString insert(qint64 key, qint64 type, qint64 category, qint64 status, qint64 minutes)
    {
        return QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, calendarId, status, hasDuration, duration) "
                              "VALUES (%1, %2, %3, %4, %5, %6)")
            .arg(key).arg(type).arg(category).arg(status).arg(minutes > 0 ? 1 : 0).arg(minutes);
    }
};

TEST_F(TaskProgressReadAheadTest, CountsReadAheadFollowEveryWriteMadeSince)
{
    enum class Through { OwnConnection, OtherConnection, RolledBackUnit };
    const struct {
        const char* name;
        Through through;
        QStringList sql;
    } steps[] = {
        {"nothing written", Through::OwnConnection, {}},
        {"a task done", Through::OwnConnection, {QStringLiteral("UPDATE Tasks SET status=1 WHERE primaryKey=2")}},
        {"a duration changed", Through::OwnConnection, {QStringLiteral("UPDATE Tasks SET duration=90 WHERE primaryKey=3")}},
        {"a task added", Through::OwnConnection, {insert(20, 1, 1, 0, 15)}},
        {"an event added: not counted", Through::OwnConnection, {insert(21, 0, 1, 0, 15)}},
        {"a task moved to the other category", Through::OwnConnection,
         {QStringLiteral("UPDATE Tasks SET calendarId=2 WHERE primaryKey=20")}},
        {"a task deleted", Through::OwnConnection, {QStringLiteral("DELETE FROM Tasks WHERE primaryKey=1")}},
        {"another connection's commit", Through::OtherConnection,
         {QStringLiteral("UPDATE Tasks SET status=1 WHERE primaryKey=4")}},
        {"a write rolled back", Through::RolledBackUnit, {QStringLiteral("UPDATE Tasks SET status=0 WHERE primaryKey=4")}},
        {"another table written", Through::OwnConnection, {QStringLiteral("UPDATE Settings SET primaryKey=primaryKey")}},
        {"the table emptied at once", Through::OwnConnection, {QStringLiteral("DELETE FROM Tasks")}},
    };
    run(db(), QStringLiteral("DELETE FROM Tasks"));
    for (qint64 key = 1; key <= 8; ++key) run(db(), insert(key, 1, key % 2 + 1, key % 3 == 0 ? 1 : 0, key * 10));
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        // Category 3 is never read ahead: it is counted as it stands.
        dataManager().readTaskProgressAhead(1);
        dataManager().readTaskProgressAhead(2);
        switch (step.through) {
        case Through::OwnConnection:
            for (const QString& sql : step.sql) run(db(), sql);
            break;
        case Through::OtherConnection: {
            sqlite3* other = nullptr;
            ASSERT_EQ(sqlite3_open((dataFolder() + QStringLiteral("/Database.sql")).toUtf8().constData(), &other), SQLITE_OK);
            for (const QString& sql : step.sql) run(other, sql);
            sqlite3_close(other);
            break;
        }
        case Through::RolledBackUnit: {
            Transaction unit;
            ASSERT_TRUE(unit.isOpen());
            for (const QString& sql : step.sql) run(db(), sql);
            EXPECT_EQ(countedNow(1), countedFresh(1)) << "inside the unit";
            dataManager().readTaskProgressAhead(1);
            unit.rollback();
            break;
        }
        }
        for (qint64 category : {1, 2, 3}) {
            SCOPED_TRACE(category);
            EXPECT_EQ(countedNow(category), countedFresh(category));
        }
    }
}

}  // namespace TaskProgressReadAheadTests
