// The categories' task progress is kept between reloads and brought up to
// date from the rows written since: after each way the table can change it
// must be what a fresh read of each category says.
#include "TaskTestFixture.h"

#include "Transaction.h"

namespace TaskProgressKeptTests {

class TaskProgressKeptTest : public TaskTest {
protected:
    static void run(sqlite3* connection, const QString& sql)
    {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(connection, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
    }

    static QString insert(qint64 key, qint64 type, qint64 category, qint64 status, qint64 minutes)
    {
        return QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, calendarId, status, hasDuration, duration) "
                              "VALUES (%1, %2, %3, %4, %5, %6)").arg(key).arg(type).arg(category).arg(status)
            .arg(minutes ? 1 : 0).arg(minutes);
    }

    QString path() const { return dataFolder() + QStringLiteral("/Database.sql"); }
};

TEST_F(TaskProgressKeptTest, TheKeptProgressFollowsEachWriteAsAFreshReadWould)
{
    enum class Via { Own, OtherConnection, RolledBack };
    // An occurrence row whose own exception list names it is not counted.
    const QString stored = Task::storedDateText(Date::dateWithTimeIntervalSince1970(1700000000));
    const QString listed = QStringLiteral("|%1(1)").arg(stored);
    const struct {
        const char* name;
        Via via;
        QStringList sql;
    } steps[] = {
        {"nothing written", Via::Own, {}},
        {"a name changed", Via::Own, {QStringLiteral("UPDATE Tasks SET taskName='x' WHERE primaryKey=2")}},
        {"a task done", Via::Own, {QStringLiteral("UPDATE Tasks SET status=1 WHERE primaryKey=2")}},
        {"its length no longer counted", Via::Own, {QStringLiteral("UPDATE Tasks SET hasDuration=0 WHERE primaryKey=2")}},
        {"moved to the other category", Via::Own, {QStringLiteral("UPDATE Tasks SET calendarId=2 WHERE primaryKey=3")}},
        {"a new task", Via::Own, {insert(7, 1, 1, 0, 30)}},
        {"a new event", Via::Own, {insert(8, 0, 1, 1, 60)}},
        {"a task becomes an event", Via::Own, {QStringLiteral("UPDATE Tasks SET taskType=0 WHERE primaryKey=1")}},
        {"a task of no category", Via::Own, {QStringLiteral("UPDATE Tasks SET calendarId=NULL WHERE primaryKey=4")}},
        {"an exception that names another day", Via::Own,
         {QStringLiteral("UPDATE Tasks SET repeatExceptions='|1(1)', occurrence=%1 WHERE primaryKey=5").arg(stored)}},
        {"it names its own day", Via::Own,
         {QStringLiteral("UPDATE Tasks SET repeatExceptions='%1' WHERE primaryKey=5").arg(listed)}},
        {"a task deleted", Via::Own, {QStringLiteral("DELETE FROM Tasks WHERE primaryKey=7")}},
        {"another table written", Via::Own, {QStringLiteral("UPDATE Settings SET primaryKey=primaryKey")}},
        {"a commit of another connection", Via::OtherConnection,
         {QStringLiteral("UPDATE Tasks SET status=1 WHERE primaryKey=6")}},
        {"a unit rolled back", Via::RolledBack, {QStringLiteral("UPDATE Tasks SET status=0 WHERE primaryKey=6")}},
        {"more rows than are kept",
         Via::Own,
         {QStringLiteral("WITH RECURSIVE n(k) AS (SELECT 100 UNION ALL SELECT k+1 FROM n WHERE k<5200) "
                         "INSERT INTO Tasks (primaryKey, taskType, calendarId, status) SELECT k, 1, 3, k%2 FROM n"),
          QStringLiteral("UPDATE Tasks SET status=1-status WHERE calendarId=3")}},
        {"the table emptied at once, then one task", Via::Own,
         {QStringLiteral("DELETE FROM Tasks"), insert(11, 1, 1, 1, 15)}},
    };
    run(db(), QStringLiteral("DELETE FROM Tasks"));
    for (qint64 key = 1; key <= 6; ++key) run(db(), insert(key, 1, key % 2 + 1, key % 3 == 0, key * 10));
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        switch (step.via) {
        case Via::Own:
            for (const QString& sql : step.sql) run(db(), sql);
            break;
        case Via::OtherConnection: {
            sqlite3* other = nullptr;
            ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &other), SQLITE_OK);
            for (const QString& sql : step.sql) run(other, sql);
            sqlite3_close(other);
            break;
        }
        case Via::RolledBack: {
            Transaction unit;
            ASSERT_TRUE(unit.isOpen());
            for (const QString& sql : step.sql) run(db(), sql);
            ASSERT_TRUE(dataManager().taskProgressByCategory().has_value());
            unit.rollback();
            break;
        }
        }
        const std::optional<QHash<qint64, CoreData::TaskProgress>> kept = dataManager().taskProgressByCategory();
        ASSERT_TRUE(kept.has_value());
        for (qint64 category = 1; category <= 3; ++category) {
            const CoreData::TaskProgress fresh = dataManager().taskProgressReadInCalendar(category);
            const CoreData::TaskProgress answered = kept->value(category);
            EXPECT_EQ(std::vector<qint64>({answered.count, answered.doneCount, answered.minutes, answered.doneMinutes}),
                      std::vector<qint64>({fresh.count, fresh.doneCount, fresh.minutes, fresh.doneMinutes}))
                << "category " << category;
        }
    }
}

}  // namespace TaskProgressKeptTests
