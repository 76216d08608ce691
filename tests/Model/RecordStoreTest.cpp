#include "ModelTestFixture.h"

#include "Clock.h"
#include "GregorianCalendar.h"
#include "HostileNumbers.h"
#include "LogCapture.h"
#include "RecordGuard.h"
#include "Utilities.h"

#include <QThread>

#include <atomic>
#include <limits>

namespace {

CachedStatement insertName("INSERT INTO Tag (tagName) VALUES (?)");
CachedStatement selectName("SELECT tagName FROM Tag WHERE primaryKey=?");

}  // namespace

using RecordStoreTest = ModelTest;

TEST_F(RecordStoreTest, NullTextIsStoredAsNullAndReadsBackEmpty)
{
    RecordGuard guard;
    sqlite3_stmt* insert = insertName.get();
    {
        StatementReset reset(insert);
        RecordStore::bindText(insert, 1, QString());
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
    }
    const qint64 key = sqlite3_last_insert_rowid(db());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tag WHERE tagName IS NULL")), 1);

    sqlite3_stmt* select = selectName.get();
    StatementReset reset(select);
    RecordStore::bindInt64(select, 1, key);
    ASSERT_EQ(sqlite3_step(select), SQLITE_ROW);
    const QString name = RecordStore::columnText(select, 0);
    EXPECT_TRUE(name.isEmpty());
    EXPECT_FALSE(name.isNull());
}

TEST_F(RecordStoreTest, DatesAreStoredAsLocalWallClockAndReadBackAsTheSameInstant)
{
    // 9:00 in Paris on a summer day is stored as the number of 9:00 UTC.
    const Date nine = GregorianCalendar::dateFromFields(2013, 7, 2, 9, 0, 0);
    exec(QStringLiteral("CREATE TABLE Dates (value REAL)"));
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db(), "INSERT INTO Dates VALUES (?)", -1, &statement, nullptr), SQLITE_OK);
    RecordStore::bindDate(statement, 1, nine);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_DONE);
    sqlite3_finalize(statement);

    EXPECT_EQ(queryInt(QStringLiteral("SELECT CAST(value AS INTEGER) FROM Dates")),
              static_cast<qint64>(GregorianCalendar::dateFromFields(2013, 7, 2, 9, 0, 0, GregorianCalendar::utcZone())
                                      .timeIntervalSince1970()));
    ASSERT_EQ(sqlite3_prepare_v2(db(), "SELECT value FROM Dates", -1, &statement, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(RecordStore::columnDate(statement, 0), nine);
    sqlite3_finalize(statement);
}

// A database written by a damaged program (or edited by hand) may hold any
// number in a date column; it reads as no date, through both readers, and
// never reaches the calendar. SQLite stores NaN as NULL, which reads as 0.
TEST_F(RecordStoreTest, DateColumnsHoldingNoCalendarDateReadAsNoDate)
{
    exec(QStringLiteral("CREATE TABLE Dates (value)"));
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db(), "INSERT INTO Dates VALUES (?)", -1, &insert, nullptr), SQLITE_OK);
    for (const HostileNumber& number : hostileNumbers) {
        if (number.seconds != number.seconds) continue;
        sqlite3_reset(insert);
        sqlite3_bind_double(insert, 1, number.seconds);
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << number.name;
    }
    sqlite3_reset(insert);
    sqlite3_bind_int64(insert, 1, std::numeric_limits<qint64>::max());
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
    sqlite3_finalize(insert);

    sqlite3_stmt* select = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db(), "SELECT value FROM Dates", -1, &select, nullptr), SQLITE_OK);
    const StoredDateReader reader(Clock::now());
    int rows = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
        LogCapture log;
        EXPECT_TRUE(RecordStore::columnDate(select, 0).isNull()) << sqlite3_column_double(select, 0);
        EXPECT_TRUE(RecordStore::columnDate(select, 0, reader).isNull()) << sqlite3_column_double(select, 0);
        EXPECT_TRUE(log.contains(QStringLiteral("a stored row")));
        ++rows;
    }
    sqlite3_finalize(select);
    EXPECT_EQ(rows, 9);
}

TEST_F(RecordStoreTest, FinalizedStatementsArePreparedAgainOnNextUse)
{
    sqlite3_stmt* first = selectName.get();
    ASSERT_NE(first, nullptr);
    RecordStore::finalizeAllStatements();
    EXPECT_FALSE(selectName.isPrepared());
    EXPECT_NE(selectName.get(), nullptr);
    EXPECT_TRUE(selectName.isPrepared());
}

TEST_F(RecordStoreTest, UpgradesOnlyCountExistingColumnsAndTablesAsDone)
{
    for (const QString& statement : DatabaseSchema::allUpgrades()) {
        char* error = nullptr;
        const int rc = sqlite3_exec(db(), statement.toUtf8().constData(), nullptr, nullptr, &error);
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        // Running every upgrade a second time must fail only as "already done"
        // (table creations succeed outright thanks to IF NOT EXISTS).
        if (rc != SQLITE_OK) {
            EXPECT_TRUE(DatabaseSchema::isAlreadyDone(message)) << message.toStdString();
        }
    }
    EXPECT_FALSE(DatabaseSchema::isAlreadyDone(QStringLiteral("disk I/O error")));
    EXPECT_FALSE(DatabaseSchema::isAlreadyDone(QStringLiteral("no such table: Settings")));
    EXPECT_TRUE(DatabaseSchema::isAlreadyDone(QStringLiteral("table Tag already exists")));
}

// Owed store removals of earlier databases, keyed by the uid alone, move to
// the table keyed by kind and uid, once: later starts leave the file as it is.
TEST(StoreRemovalsUpgradeTest, EarlierRecordsMoveToTheTableKeyedByKindAndUid)
{
    struct Case {
        const char* name;
        const char* earlier;  // the database before the upgrade
        QStringList rows;     // "kind uid" after it
        // The copy fails with this message at every start, and the earlier
        // table stays with its rows.
        const char* copyFailure = nullptr;
    };
    const Case cases[] = {
        {"new database", "", {}},
        {"calendars only, before kinds", "CREATE TABLE StoreCalendarRemovals (uid TEXT PRIMARY KEY);"
                                         "INSERT INTO StoreCalendarRemovals VALUES ('C1');",
         {QStringLiteral("0 C1")}},
        {"calendars and items", "CREATE TABLE StoreCalendarRemovals (uid TEXT PRIMARY KEY, kind INTEGER DEFAULT 0);"
                                "INSERT INTO StoreCalendarRemovals VALUES ('C1', 0), ('E1', 1), ('T1', 2);",
         {QStringLiteral("0 C1"), QStringLiteral("1 E1"), QStringLiteral("2 T1")}},
        {"the copy fails", "CREATE TABLE StoreCalendarRemovals (uid TEXT PRIMARY KEY, kind INTEGER DEFAULT 0);"
                           "INSERT INTO StoreCalendarRemovals VALUES ('C1', 0), ('E1', 1);"
                           "CREATE TABLE StoreRemovals (kind INTEGER NOT NULL, uid TEXT NOT NULL, PRIMARY KEY (kind, uid));"
                           "CREATE TRIGGER Full AFTER INSERT ON StoreRemovals WHEN new.uid = 'E1' "
                           "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;",
         {}, "database or disk is full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sqlite3* database = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &database), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(database, c.earlier, nullptr, nullptr, nullptr), SQLITE_OK);
        const auto schemaVersion = [database] {
            sqlite3_stmt* query = nullptr;
            sqlite3_prepare_v2(database, "PRAGMA schema_version", -1, &query, nullptr);
            const int version = sqlite3_step(query) == SQLITE_ROW ? sqlite3_column_int(query, 0) : -1;
            sqlite3_finalize(query);
            return version;
        };
        int versionAfterFirst = 0;
        for (int start = 0; start < 2; ++start) {
            for (const QString& statement : DatabaseSchema::storeSyncTableCreation(database)) {
                char* error = nullptr;
                if (sqlite3_exec(database, statement.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
                    EXPECT_TRUE(DatabaseSchema::isAlreadyDone(QString::fromUtf8(error))
                                || (c.copyFailure && qstrcmp(error, c.copyFailure) == 0))
                        << error;
                }
                sqlite3_free(error);
            }
            if (start == 0) versionAfterFirst = schemaVersion();
        }
        EXPECT_EQ(schemaVersion(), versionAfterFirst) << "a second start changes nothing";
        QStringList rows;
        sqlite3_stmt* statement = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(database, "SELECT kind || ' ' || uid FROM StoreRemovals ORDER BY kind, uid", -1,
                                     &statement, nullptr),
                  SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        EXPECT_EQ(rows, c.rows);
        int earlierRows = -1;
        sqlite3_exec(
            database, "SELECT count(*) FROM StoreCalendarRemovals",
            [](void* count, int, char** values, char**) { return *static_cast<int*>(count) = atoi(values[0]), 0; },
            &earlierRows, nullptr);
        EXPECT_EQ(earlierRows, c.copyFailure ? 2 : -1) << "the earlier table goes only once its rows are over";
        sqlite3_close(database);
    }
}

// A statement of ours that does not prepare can only come from a database
// of another schema, which is outside data: logged with the fixed text, and
// it fails as a step would, never ending the process.
TEST(RecordStoreFailureTest, APrepareFailureIsLoggedWithTheFixedTextAndItsStepsFail)
{
    sqlite3* memory = nullptr;
    sqlite3_open(":memory:", &memory);
    sqlite3* before = RecordStore::sharedDatabase();
    RecordStore::setSharedDatabase(memory);
    {
        LogCapture log;
        CachedStatement broken("SELECT value FROM NoSuchTable");
        sqlite3_stmt* statement = broken.get();
        EXPECT_EQ(statement, nullptr);
        EXPECT_TRUE(log.contains(QStringLiteral("Error: failed to prepare statement with message 'no such table: NoSuchTable'.")));
        const quint64 failures = RecordStore::failedStepsOnThisThread();
        { StatementReset reset(statement); }
        EXPECT_EQ(RecordStore::step(statement), SQLITE_MISUSE);
        EXPECT_EQ(RecordStore::failedStepsOnThisThread(), failures + 1);
    }
    RecordStore::setSharedDatabase(before);
    sqlite3_close(memory);
}
