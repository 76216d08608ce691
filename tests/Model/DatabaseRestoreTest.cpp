// The start after a restore: a database whose statements fail is reported by
// name and the one from before the restore can be put back; what an
// interrupted restore left is removed, and the database from before the
// last restore goes once a start has gone well.
#include "CoreData.h"
#include "DatabaseRestore.h"
#include "NetworkStatus.h"
#include "RecordStore.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "TestEnvironment.h"
#include "TextTable.h"
#include "iCalSync.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace DatabaseRestoreTests {

class DatabaseRestoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = std::make_unique<ScopedDataHome>();
        ASSERT_TRUE(m_home->isValid());
        NetworkStatus::instance().setOverride(0);
    }
    void TearDown() override
    {
        stop();
        NetworkStatus::instance().setOverride(std::nullopt);
        m_home.reset();
    }
    bool start()
    {
        stop();
        m_manager = std::make_unique<CoreData>();
        CoreData::setShared(m_manager.get());
        return m_manager->init();
    }
    void stop()
    {
        if (!m_manager) return;
        CoreData::setShared(nullptr);
        m_manager.reset();
        DatabaseRestore::closeSharedDatabase();
    }
    // Runs SQL on the database file while the program is stopped.
    static void changeFile(const QString& path, const char* sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    static QString calendarNames()
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(RecordStore::sharedDatabase(), "SELECT group_concat(calendarName) FROM Calendars", -1,
                           &statement, nullptr);
        QString names;
        if (sqlite3_step(statement) == SQLITE_ROW)
            names = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return names;
    }

    std::unique_ptr<ScopedDataHome> m_home;
    std::unique_ptr<CoreData> m_manager;
};

struct HostileStartCase {
    const char* name;
    const char* change;
    bool putBack;  // the user's answer
};

TEST_F(DatabaseRestoreTest, AStartOnADatabaseOfAnotherSchemaNamesItAndCanPutBackTheOneFromBeforeTheRestore)
{
    const HostileStartCase cases[] = {
        {"a column missing, kept", "ALTER TABLE Calendars DROP COLUMN iCalUID", false},
        {"a column missing, put back", "ALTER TABLE Calendars DROP COLUMN iCalUID", true},
        {"a table replaced by a view, put back",
         "ALTER TABLE Tasks RENAME TO TaskRows; CREATE VIEW Tasks AS SELECT * FROM TaskRows", true},
    };
    for (const HostileStartCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(start());
        const QString database = CoreData::databasePath();
        stop();
        // The earlier database, named so the test can tell it; the restored
        // one then lost its schema.
        ASSERT_TRUE(QFile::copy(database, DatabaseRestore::keptPath()));
        changeFile(DatabaseRestore::keptPath(), "UPDATE Calendars SET calendarName = 'Earlier'");
        changeFile(database, c.change);

        ScriptedAlertPresenter alerts;
        alerts.scriptButton(c.putBack ? AlertResponse::firstButton : AlertResponse::secondButton);
        EXPECT_EQ(start(), c.putBack);
        ASSERT_GE(alerts.requests().size(), 1);
        const AlertRequest alert = alerts.requests().first();
        EXPECT_TRUE(alert.informativeText.contains(database)) << alert.informativeText.toStdString();
        EXPECT_EQ(alert.buttonTitles.first(), TextTable::localizedString(QStringLiteral("startupPutBackDatabaseText")));
        if (c.putBack) {
            EXPECT_EQ(calendarNames(), QStringLiteral("Earlier"));
            EXPECT_TRUE(QFileInfo::exists(database + QStringLiteral(".failed-restore")));
            // The store lost the earlier items to the restore: they go back
            // before the next sync.
            EXPECT_TRUE(QFileInfo::exists(DatabaseRestore::journalPath()));
        } else {
            EXPECT_FALSE(databaseOpen.load());
            EXPECT_TRUE(DatabaseRestore::canPutBack()) << "kept for the next start";
        }
        stop();
        for (const QString& path : QStringList{database, DatabaseRestore::keptPath(), DatabaseRestore::journalPath(),
                                               database + QStringLiteral(".failed-restore")})
            QFile::remove(path);
    }
}

struct LeftoverCase {
    const char* name;
    QStringList left;     // suffixes of the files beside the database
    QStringList remains;  // those the start keeps
    bool finished;        // the start finished a restore
};

TEST_F(DatabaseRestoreTest, AStartRemovesWhatAnInterruptedRestoreLeftAndKeepsTheEarlierDatabaseOneStart)
{
    const LeftoverCase cases[] = {
        {"a copy written before the journal", {".restoring"}, {}, false},
        {"the earlier database after a good start", {".before-restore"}, {}, false},
        {"a journal after the swap", {".restore-unfinished", ".before-restore"}, {".before-restore"}, true},
    };
    for (const LeftoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(start());
        const QString database = CoreData::databasePath();
        for (const QString& suffix : c.left) ASSERT_TRUE(QFile::copy(database, database + suffix));
        iCalSync store;
        EXPECT_EQ(DatabaseRestore::recoverAtStart(*m_manager, &store), c.finished);
        QStringList remains;
        for (const char* suffix : {".restoring", ".restore-unfinished", ".before-restore"})
            if (QFileInfo::exists(database + QLatin1String(suffix))) remains << QLatin1String(suffix);
        EXPECT_EQ(remains, c.remains);
        if (c.finished) {
            EXPECT_EQ(m_manager->currentSetting()->doRestore(), 1) << "the restore mode is on";
        }
        stop();
        for (const QString& suffix : remains) QFile::remove(database + suffix);
    }
}

}  // namespace DatabaseRestoreTests
