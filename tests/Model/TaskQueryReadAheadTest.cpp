#include "Calendar.h"
#include "ItemRowsFixture.h"
#include "RecordGuard.h"
#include "TaskQuery.h"

#include <QThread>

#include <functional>

namespace TaskQueryReadAheadTests {

// Keys far enough apart that the table is read in parts, and so ahead.
constexpr qint64 keyStep = 41;
constexpr int rowCount = 300;

class TaskQueryReadAheadTest : public ItemRowsTest {
protected:
    void SetUp() override
    {
        ItemRowsTest::SetUp();
        category = addCategory();
        other = addCategory()->primaryKey();
        exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < rowCount; ++i)
            row({{"primaryKey", 1000 + i * keyStep},
                 {"taskType", i % 3},
                 {"taskName", QStringLiteral("Item %1").arg(i)},
                 {"startTime", at(2014, 1 + i % 12, 1 + i % 28, i % 24)},
                 {"calendarId", i % 2 == 0 ? category->primaryKey() : other}});
        exec(QStringLiteral("COMMIT"));
    }

    static QList<QVariantList> fieldsOfAll(const TaskList& items)
    {
        QList<QVariantList> fields;
        for (const TaskPtr& item : items) fields.append(fieldsOf(*item));
        return fields;
    }

    CalendarPtr category;
    qint64 other = 0;
};

// What happens between the read ahead and the load it was started for: the
// load gives what a fresh read gives, and takes the rows read ahead only
// when nothing they depend on changed.
TEST_F(TaskQueryReadAheadTest, LoadTakesTheReadAheadOnlyWhileItIsCurrent)
{
    if (QThread::idealThreadCount() < 2) GTEST_SKIP() << "one processor: nothing is read ahead";
    struct Case {
        const char* what;
        std::function<void()> meanwhile;
        bool otherCondition;
        bool taken;
    };
    const Case cases[] = {
        {"nothing", [] {}, false, true},
        {"a row of another table written",
         [this] { exec(QStringLiteral("UPDATE Calendars SET calendarName='Renamed'")); },
         false, true},
        {"an item renamed",
         [this] {
             exec(QStringLiteral("UPDATE Tasks SET taskName='Renamed' WHERE primaryKey=1000"));
         },
         false, false},
        {"an item added by another connection",
         [this] {
             sqlite3* second = nullptr;
             const QByteArray path = QByteArray(sqlite3_db_filename(db(), "main"));
             ASSERT_EQ(sqlite3_open(path.constData(), &second), SQLITE_OK);
             const QByteArray sql = "INSERT INTO Tasks (taskName, calendarId) VALUES ('Elsewhere', "
                                    + QByteArray::number(category->primaryKey()) + ")";
             EXPECT_EQ(sqlite3_exec(second, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
             sqlite3_close(second);
         },
         false, false},
        {"the category made a checklist",
         [this] { category->setProjectType(CategoryKind::Checklist); }, false, false},
        {"a load of other categories", [] {}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        category->setProjectType(0);
        const QList<TaskQuery::Value> shown{category->primaryKey()};
        TaskQuery::readAheadInKeyOrder("calendarId IN (?)", shown);
        TaskQuery::waitForReadAhead();
        c.meanwhile();
        const QList<TaskQuery::Value> loaded = c.otherCondition ? QList<TaskQuery::Value>{other} : shown;
        const quint64 takenBefore = TaskQuery::readAheadsTaken();
        const TaskList items = TaskQuery::itemsInKeyOrder("calendarId IN (?)", loaded);
        EXPECT_EQ(TaskQuery::readAheadsTaken() - takenBefore, c.taken ? 1u : 0u);
        EXPECT_EQ(fieldsOfAll(items),
                  fieldsOfAll(TaskQuery::items("WHERE calendarId IN (?) ORDER BY primaryKey", loaded)));
        EXPECT_GE(items.size(), rowCount / 2);
        TaskQuery::dropReadAhead();
    }
}

// A load that finds the read ahead not begun (its caller holds the record
// guard the read waits for) cancels it instead of waiting for it forever.
TEST_F(TaskQueryReadAheadTest, LoadUnderTheRecordGuardCancelsAReadNotBegun)
{
    const QList<TaskQuery::Value> shown{category->primaryKey()};
    RecordGuard guard;
    TaskQuery::readAheadInKeyOrder("calendarId IN (?)", shown);
    const quint64 takenBefore = TaskQuery::readAheadsTaken();
    EXPECT_EQ(TaskQuery::itemsInKeyOrder("calendarId IN (?)", shown).size(), rowCount / 2);
    EXPECT_EQ(TaskQuery::readAheadsTaken(), takenBefore);
}

}  // namespace TaskQueryReadAheadTests
