#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DataCrypto.h"
#include "LogCapture.h"
#include "NetworkStatus.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "Reachability.h"
#include "PostedNotifications.h"
#include "PropertyList.h"
#include "RecordStore.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimeZone>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <atomic>
#include <climits>
#include <functional>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace CoreDataStartupTests {

namespace {

// Each test starts the data manager in a support folder of its own, as a
// user's first start would, and closes everything it opened.
class CoreDataStartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = std::make_unique<ScopedDataHome>();
        ASSERT_TRUE(m_home->isValid());
        NetworkStatus::instance().setOverride(0);
        // A winter day, so the Paris label carries its standard offset.
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(
            double(QDateTime(QDate(2013, 1, 9), QTime(10, 0), Qt::UTC).toSecsSinceEpoch())));
    }

    void TearDown() override
    {
        stop();
        NetworkStatus::instance().setOverride(std::nullopt);
        m_home.reset();
        Clock::reset();
    }

    CoreData& start()
    {
        stop();
        m_dataManager = std::make_unique<CoreData>();
        CoreData::setShared(m_dataManager.get());
        m_started = m_dataManager->init();
        return *m_dataManager;
    }

    void stop()
    {
        if (!m_dataManager) return;
        CoreData::setShared(nullptr);
        m_dataManager.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        internetReachable = false;
    }

    static QString schemaAndSettings()
    {
        QString dump;
        sqlite3* db = RecordStore::sharedDatabase();
        for (const char* sql : {"SELECT group_concat(sql, ';') FROM sqlite_master",
                                "SELECT group_concat(primaryKey || calendarName || calendarOrder) FROM Calendars",
                                "SELECT count(*) || dbVersion || startUpWizard FROM Settings"}) {
            sqlite3_stmt* statement = nullptr;
            sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
            if (sqlite3_step(statement) == SQLITE_ROW)
                dump += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) + "\n";
            sqlite3_finalize(statement);
        }
        return dump;
    }

    bool started() const { return m_started; }
    QString startupFailureText() const { return m_dataManager ? m_dataManager->startupFailure().message : QString(); }

    static QString supportFolder() { return Paths::applicationSupportFolder(); }
    static QString inSupportFolder(const QString& name) { return QDir(supportFolder()).filePath(name); }

private:
    std::unique_ptr<ScopedDataHome> m_home;
    std::unique_ptr<CoreData> m_dataManager;
    bool m_started = false;
};

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

unsigned modeOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

void setMode(const QString& path, unsigned mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
}

// Everything under the folder: each entry's mode, and each file's bytes.
QMap<QString, QByteArray> snapshotOf(const QString& folder)
{
    QMap<QString, QByteArray> entries;
    entries.insert(QStringLiteral("."), QByteArray::number(modeOf(folder), 8));
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray mode = QByteArray::number(modeOf(path), 8);
        entries.insert(QDir(folder).relativeFilePath(path), it.fileInfo().isDir() ? mode : mode + ' ' + readFile(path));
    }
    return entries;
}

void makeSQLiteFile(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const int result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(result, SQLITE_OK) << sql;
}

}  // namespace

TEST_F(CoreDataStartupTest, FirstStartCopiesTheTemplateAndLaterStartsChangeNothing)
{
    CoreData& first = start();
    ASSERT_TRUE(started());
    EXPECT_FALSE(first.isUpgrade());
    EXPECT_TRUE(first.upgradeFailures().isEmpty()) << first.upgradeFailures().join('\n').toStdString();
    EXPECT_FALSE(first.calendarList().isEmpty());
    const QString afterFirst = schemaAndSettings();

    CoreData& second = start();
    ASSERT_TRUE(started());
    EXPECT_TRUE(second.isUpgrade());
    EXPECT_TRUE(second.upgradeFailures().isEmpty());
    EXPECT_EQ(schemaAndSettings(), afterFirst);
}

TEST_F(CoreDataStartupTest, ANewApplicationVersionShowsTheWizardOnceAndStoresTheVersion)
{
    start();
    SettingPtr setting = CoreData::shared()->currentSetting();
    setting->setStartUpWizard(0);
    ASSERT_TRUE(setting->dehydrate());

    start();
    EXPECT_EQ(CoreData::shared()->currentSetting()->startUpWizard(), 0) << "same version: no wizard";

    QCoreApplication::setApplicationVersion(QStringLiteral("2.1"));
    start();
    EXPECT_EQ(CoreData::shared()->currentSetting()->startUpWizard(), 1);
    EXPECT_EQ(CoreData::shared()->currentSetting()->databaseVersion(), QStringLiteral("2.1"));
}

TEST_F(CoreDataStartupTest, AccountFileDecidesTheAccountAndWebSyncSwitch)
{
    QDir().mkpath(Paths::applicationSupportFolder());
    const QString autoPlist = Paths::applicationSupportFolder() + QStringLiteral("/auto.plist");
    ASSERT_EQ(PropertyList::writeFile(autoPlist, QVariantMap{{QStringLiteral("autoZVWSync"), 1}}),
              PropertyList::Error::None);

    // No account file: no account, web sync off even though "auto.plist" says on.
    start();
    SettingPtr setting = CoreData::shared()->currentSetting();
    EXPECT_TRUE(setting->zvwUserName().isEmpty());
    EXPECT_EQ(setting->autoZVWSync(), 0);
    EXPECT_EQ(setting->autoICalSync(), 1);

    // A readable account: its name and password, and the switch from "auto.plist".
    ASSERT_TRUE(CoreData::writeZVWAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret")));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(CoreData::zvwAccountPath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(PropertyList::writeFile(autoPlist, QVariantMap{{QStringLiteral("autoZVWSync"), 1}}),
              PropertyList::Error::None);
    start();
    setting = CoreData::shared()->currentSetting();
    EXPECT_EQ(setting->zvwUserName(), QStringLiteral("ann@example.com"));
    EXPECT_EQ(setting->zvwPassword(), QStringLiteral("secret"));
    EXPECT_EQ(setting->autoZVWSync(), 1);

    // A damaged account file: the account is emptied and web sync goes off.
    QFile damaged(CoreData::zvwAccountPath());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(48, 'x'));
    damaged.close();
    start();
    setting = CoreData::shared()->currentSetting();
    EXPECT_EQ(setting->zvwUserName(), QStringLiteral(""));
    EXPECT_EQ(setting->autoZVWSync(), 0);
}

TEST_F(CoreDataStartupTest, ZoneTableNamesTheSystemZoneWithItsCurrentOffset)
{
    CoreData& dataManager = start();
    ASSERT_TRUE(started());
    EXPECT_EQ(dataManager.tzList().zones().size(), 419);
    EXPECT_EQ(dataManager.tzList().zones().first().tzName, QStringLiteral("(GMT+?\?\?\?) Floating"));
    EXPECT_EQ(dataManager.appRootTZ(), 53392);
    EXPECT_EQ(dataManager.getTimeZone(53392)->tzName, QStringLiteral("(GMT+01:00) Europe/Paris"));
    EXPECT_EQ(dataManager.currentSetting()->currentTZ(), 53392) << "-1 in a new database takes the system zone";
    EXPECT_EQ(dataManager.getTimeZoneName(0), QStringLiteral("Floating"));
    EXPECT_EQ(Utilities::convertTimezoneToOffset(0), 0);
    EXPECT_EQ(dataManager.getTimeZoneGMT(-23200), QStringLiteral("Port of Spain"));
    EXPECT_EQ(dataManager.getTimeZone(-21536)->tzName, QStringLiteral("(GMT-05:00) America/New_York"));
    EXPECT_EQ(dataManager.getTimeZoneId(QStringLiteral("europe/PARIS")), 53392);
    EXPECT_EQ(dataManager.getTimeZoneId(QStringLiteral("Nowhere/Atlantis")), 0);
    EXPECT_TRUE(dataManager.getTimeZoneName(12345).isNull());
    // Only the floating record has id 0.
    int zeroIds = 0;
    for (const TimezoneObj& zone : dataManager.tzList().zones()) zeroIds += zone.tzId == 0;
    EXPECT_EQ(zeroIds, 1);
    // The list goes by today's offsets, the ones its labels show.
    int previous = INT_MIN;
    for (const TimezoneObj& zone : dataManager.tzList().zones().mid(1)) {
        const int offset = QTimeZone(zone.tzRegionName.toUtf8())
                               .offsetFromUtc(QDateTime::fromSecsSinceEpoch(qint64(Clock::now().timeIntervalSince1970())));
        EXPECT_GE(offset, previous) << zone.tzName.toStdString();
        previous = offset;
    }
    EXPECT_EQ(dataManager.getTimeZoneGMT(CoreData::utcZoneId), QStringLiteral("UTC")) << "the entry written as UTC";
}

// One zone asked for before the table is labelled (the main window's zone
// control at start) reads as it does from the labelled table.
TEST_F(CoreDataStartupTest, OneZoneReadsTheSameBeforeAndAfterTheTableIsLabelled)
{
    CoreData& dataManager = start();
    ASSERT_TRUE(started());
    const QList<qint64> ids = {53392, -21536, -23200, 0, 12345};
    QList<std::optional<TimezoneObj>> before;
    for (qint64 id : ids) before.append(dataManager.getTimeZone(id));
    dataManager.tzList();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(ids[i]);
        const std::optional<TimezoneObj> after = dataManager.getTimeZone(ids[i]);
        ASSERT_EQ(before[i].has_value(), after.has_value());
        if (!after) continue;
        EXPECT_EQ(before[i]->tzId, after->tzId);
        EXPECT_EQ(before[i]->tzName, after->tzName);
        EXPECT_EQ(before[i]->cityName, after->cityName);
        EXPECT_EQ(before[i]->tzRegionName, after->tzRegionName);
    }
    EXPECT_EQ(before[0]->tzName, QStringLiteral("(GMT+01:00) Europe/Paris"));
    EXPECT_FALSE(before[4]) << "not in the table";
}

TEST_F(CoreDataStartupTest, ASystemZoneMissingFromTheTableIsFoundByItsOffsetLabel)
{
    ScopedTimeZone zone("Europe/Busingen");  // a real zone the table does not list, UTC+1 in winter
    CoreData& dataManager = start();
    const qint64 found = dataManager.getDefaultTimezone();
    ASSERT_NE(found, 0);
    EXPECT_TRUE(dataManager.getTimeZone(found)->tzName.startsWith(QStringLiteral("(GMT+01:00)")));
    EXPECT_EQ(dataManager.appRootTZ(), found) << "the start's search on the pool finds the same zone";
}

// A later start (the setting names its zone) leaves the system zone's search
// running; whatever comes first after it sees the search's answer, and a
// zone chosen meanwhile is not overwritten by it.
TEST_F(CoreDataStartupTest, TheSystemZoneSearchedDuringTheStartIsAnsweredToWhoeverAsksFirst)
{
    ScopedTimeZone zone("Europe/Busingen");  // not in the table: found by reading zone files
    start();
    ASSERT_TRUE(started());
    const qint64 found = CoreData::shared()->getDefaultTimezone();
    ASSERT_NE(found, 0);
    struct Case {
        const char* name;
        std::function<void(CoreData&)> first;
        qint64 expected;
    } cases[] = {
        {"asked at once", [](CoreData&) {}, found},
        {"the table read again", [](CoreData& d) { d.loadTimeZones(); }, found},
        {"the current date read", [](CoreData& d) { d.displayNow(); }, found},
        {"a zone chosen", [](CoreData& d) { d.setAppRootTZ(-21536); }, -21536},
    };
    for (const Case& c : cases) {
        CoreData& dataManager = start();
        ASSERT_TRUE(started()) << c.name;
        ASSERT_NE(dataManager.currentSetting()->currentTZ(), 0) << c.name;
        c.first(dataManager);
        EXPECT_EQ(dataManager.appRootTZ(), c.expected) << c.name;
    }
}

// A data folder used under one zone and started under another: without zone
// support the display zone becomes the machine's, as a change while running
// does, and stays so at the start after; with support it is the person's
// choice and stays.
TEST_F(CoreDataStartupTest, AStartUnderAnotherZoneIsAZoneChange)
{
    constexpr qint64 paris = 53392, newYork = -21536, reykjavik = 42624;  // the table's entry for UTC
    const struct {
        const char *before, *after;
        bool support;
        qint64 shown;
    } cases[] = {
        {"America/New_York", "Europe/Paris", false, paris},
        {"UTC", "Europe/Paris", false, paris},
        {"Europe/Paris", "America/New_York", false, newYork},
        {"Europe/Paris", "UTC", false, reykjavik},
        {"Europe/Paris", "America/New_York", true, paris},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " then " << c.after << (c.support ? " with" : " without")
                                        << " zone support");
        ScopedDataHome home;
        {
            ScopedTimeZone zone(c.before);
            start();
            ASSERT_TRUE(started());
            const SettingPtr setting = CoreData::shared()->currentSetting();
            setting->setTzSupport(c.support);
            ASSERT_TRUE(setting->dehydrate());
            stop();
        }
        ScopedTimeZone zone(c.after);
        for (int run = 0; run < 2; ++run) {
            start();
            ASSERT_TRUE(started());
            EXPECT_EQ(CoreData::shared()->currentSetting()->currentTZ(), c.shown) << "start " << run;
            stop();
        }
    }
}

TEST_F(CoreDataStartupTest, NetworkComingBackAsksForOnePushOfEverythingButLinks)
{
    ASSERT_TRUE(CoreData::writeZVWAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret")));
    QDir().mkpath(Paths::applicationSupportFolder());
    PropertyList::writeFile(Paths::applicationSupportFolder() + QStringLiteral("/auto.plist"),
                            QVariantMap{{QStringLiteral("autoZVWSync"), 1}});
    CoreData& dataManager = start();
    ASSERT_EQ(dataManager.currentSetting()->autoZVWSync(), 1);
    EXPECT_FALSE(internetReachable);

    PostedNotifications requests({kAutoSyncNotification});
    NetworkStatus::instance().setOverride(2);
    EXPECT_TRUE(internetReachable);
    NetworkStatus::instance().setOverride(2 | 8);  // already reachable: no second request
    EXPECT_EQ(requests.autoSyncRequests(), QList<qint64>{39});
    NetworkStatus::instance().setOverride(0);
    EXPECT_FALSE(internetReachable);
}

TEST_F(CoreDataStartupTest, ADatabaseThatCannotBeOpenedFailsTheStartCleanly)
{
    QDir().mkpath(Paths::applicationSupportFolder());
    QFile garbage(CoreData::databasePath());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'z'));
    garbage.close();
    LogCapture log;
    start();
    EXPECT_FALSE(started());
    EXPECT_FALSE(databaseOpen);
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to open database with message")));
}

// Another process holding the file for longer than a statement waits (a
// reader, a writer) delays the start until it lets go; it never fails it.
// Held past a moment, the wait is told, and the person may quit from there.
TEST_F(CoreDataStartupTest, AStartWaitsForAnotherProcessesLockAsLongAsItTakes)
{
    const int quit = AlertResponse::secondButton;
    struct Holder {
        const char* name = "";
        const char* hold = "";
        // The answer to the alert that tells the wait (AlertResponse::stopped:
        // it ended by itself, the holder having let go); none when the holder
        // lets go before the start says anything.
        std::optional<int> answer = std::nullopt;
    };
    const Holder holders[] = {
        {"a reader", "BEGIN; SELECT count(*) FROM Tasks"},
        {"a writer", "BEGIN EXCLUSIVE"},
        {"a writer held until told, letting go meanwhile", "BEGIN EXCLUSIVE", AlertResponse::stopped},
        {"a writer held until told, and the person quits", "BEGIN EXCLUSIVE", quit},
    };
    start();
    for (const Holder& holder : holders) {
        SCOPED_TRACE(holder.name);
        stop();
        QFile database(CoreData::databasePath());
        ASSERT_TRUE(database.open(QIODevice::ReadOnly));
        const QByteArray bytesBefore = database.readAll();
        database.close();
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(CoreData::databasePath().toUtf8().constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, holder.hold, nullptr, nullptr, nullptr), SQLITE_OK);
        const auto letGo = [other] { sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr); };
        ScriptedAlertPresenter alerts;
        // Held until told, it still lets go in the end: a start that never
        // tells would otherwise wait for ever.
        const qint64 holdMs = (holder.answer ? 100 : 6) * RecordStore::busyTimeout().count();
        std::atomic<bool> startEnded = false;
        std::thread lettingGo([&] {
            QElapsedTimer held;
            held.start();
            while (!startEnded && held.elapsed() < holdMs) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            letGo();
        });
        if (holder.answer) {
            alerts.script(AlertResponse{*holder.answer});
            if (*holder.answer != quit) alerts.setWhileRunning(letGo);
        }
        QElapsedTimer took;
        took.start();
        start();
        startEnded = true;
        lettingGo.join();
        sqlite3_close(other);
        EXPECT_EQ(alerts.requests().size(), holder.answer ? 1 : 0);
        if (holder.answer && !alerts.requests().isEmpty()) {
            EXPECT_EQ(alerts.requests().front().messageText, TextTable::localizedString(QStringLiteral("startWaitsForLockText")));
        }
        if (holder.answer == quit) {
            EXPECT_FALSE(started());
            stop();
            ASSERT_TRUE(database.open(QIODevice::ReadOnly));
            EXPECT_EQ(database.readAll(), bytesBefore) << "nothing was written";
            database.close();
            continue;
        }
        EXPECT_TRUE(started()) << startupFailureText().toStdString();
        if (holder.hold[6] == 'E' && !holder.answer) {
            EXPECT_GE(took.elapsed(), holdMs - 5) << "the start waited for the writer";
        }
    }
}

TEST_F(CoreDataStartupTest, AnUpgradeThatFailsForAnotherReasonIsReported)
{
    start();
    stop();
    // A view where the tag table should be cannot take the tag table's new column.
    sqlite3* db = nullptr;
    sqlite3_open(CoreData::databasePath().toUtf8().constData(), &db);
    ASSERT_EQ(sqlite3_exec(db,
                           "DROP TABLE Tag; "
                           "CREATE VIEW Tag AS SELECT 1 AS primaryKey, 'x' AS tagName, 0 AS zvwKey WHERE 0",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    CoreData& dataManager = start();
    ASSERT_EQ(dataManager.upgradeFailures().size(), 1) << dataManager.upgradeFailures().join('\n').toStdString();
    EXPECT_TRUE(dataManager.upgradeFailures().first().contains(QStringLiteral("Cannot add a column to a view")));
    // Its statements would fail at every turn: the start stops, naming the file.
    EXPECT_FALSE(started());
    EXPECT_EQ(dataManager.startupFailure().problem, StartupProblem::DatabaseNotOurs);
    EXPECT_TRUE(dataManager.startupFailure().message.contains(CoreData::databasePath()));
}

TEST_F(CoreDataStartupTest, AStartTurnsChecklistCategoriesIntoNotes)
{
    start();
    stop();
    sqlite3* db = nullptr;
    sqlite3_open(CoreData::databasePath().toUtf8().constData(), &db);
    ASSERT_EQ(sqlite3_exec(db,
                           "INSERT INTO Calendars (primaryKey, calendarName, projectType, calendarOrder, inVisible) "
                           "VALUES (50, 'Shopping', 1, 9, 0);"
                           "INSERT INTO Tasks (taskName, taskType, calendarId, status, taskOrder) "
                           "VALUES ('Milk', 2, 50, 1, 1), ('Bread', 2, 50, 0, 2);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    CoreData& dataManager = start();
    ASSERT_TRUE(started());
    const CalendarPtr shopping = dataManager.calendarWithPrimaryKey(50);
    ASSERT_NE(shopping, nullptr);
    EXPECT_EQ(shopping->projectType(), 0);
    TaskList notes;
    for (const TaskPtr& item : dataManager.allTasksEventsAdes())
        if (item->calendarId() == 50) notes.append(item);
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0]->taskType(), 3);
    EXPECT_EQ(notes[0]->notes(),
              QStringLiteral("Shopping\n") + QChar(0x2705) + QStringLiteral(" Milk\n") + QChar(0x274E) + QStringLiteral(" Bread"));
}

// Each case leaves a support folder that the start must not use; the start
// says so by value, by one alert and in the log, and changes nothing on disk.
// The read-only cases hold for root too, whom the system lets write anyway.
TEST_F(CoreDataStartupTest, AFolderOrDatabaseWeMustNotUseStopsTheStartAndIsLeftAsItWas)
{
    struct Case {
        const char* name;
        bool afterAFirstStart;
        std::function<void(const QString& folder, const QString& database)> prepare;
        StartupProblem problem;
        bool folderAtFault;
        QString reason;  // besides the path, what the message must say
    };
    const QList<Case> cases = {
        {"read-only folder, first start", false,
         [](const QString& folder, const QString&) { setMode(folder, 0555); }, StartupProblem::FolderReadOnly, true,
         QStringLiteral("read-only")},
        {"read-only folder holding a database", true,
         [](const QString& folder, const QString&) { setMode(folder, 0500); }, StartupProblem::FolderReadOnly, true,
         QStringLiteral("read-only")},
        {"read-only database", true,
         [](const QString&, const QString& database) { setMode(database, 0444); }, StartupProblem::DatabaseReadOnly,
         false, QStringLiteral("read-only")},
        {"another program's SQLite file", false,
         [](const QString&, const QString& database) {
             makeSQLiteFile(database, "CREATE TABLE Photos (id INTEGER, path TEXT); INSERT INTO Photos VALUES (1, 'a')");
         },
         StartupProblem::DatabaseNotOurs, false, QStringLiteral("(Calendars, Settings, Tasks)")},
        {"our database without its Tasks table", true,
         [](const QString&, const QString& database) { makeSQLiteFile(database, "DROP TABLE Tasks"); },
         StartupProblem::DatabaseNotOurs, false, QStringLiteral("(Tasks)")},
        {"a file that is not SQLite", false,
         [](const QString&, const QString& database) { writeFile(database, QByteArray(4096, 'z')); },
         StartupProblem::DatabaseNotSQLite, false, QStringLiteral("file is not a database")},
        {"a short text file", false,
         [](const QString&, const QString& database) { writeFile(database, "hello\n"); },
         StartupProblem::DatabaseNotSQLite, false, QStringLiteral("file is not a database")},
        {"a folder where the database should be", false,
         [](const QString&, const QString& database) { QDir().mkdir(database); }, StartupProblem::DatabaseNotSQLite,
         false, QStringLiteral("is not a file")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(supportFolder()).removeRecursively();
        if (c.afterAFirstStart) {
            start();
            ASSERT_TRUE(started());
            stop();
        }
        const QString folder = supportFolder();
        const QString database = CoreData::databasePath();
        c.prepare(folder, database);
        const QMap<QString, QByteArray> before = snapshotOf(folder);

        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        LogCapture log;
        CoreData& dataManager = start();

        EXPECT_FALSE(started());
        EXPECT_FALSE(databaseOpen);
        const StartupFailure& failure = dataManager.startupFailure();
        EXPECT_EQ(failure.problem, c.problem);
        EXPECT_EQ(failure.path, c.folderAtFault ? folder : database);
        EXPECT_TRUE(failure.message.contains(failure.path)) << failure.message.toStdString();
        EXPECT_TRUE(failure.message.contains(c.reason)) << failure.message.toStdString();
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests()[0].style, AlertStyle::Critical);
        EXPECT_EQ(alerts.requests()[0].informativeText, failure.message);
        EXPECT_TRUE(log.contains(failure.message));
        EXPECT_EQ(snapshotOf(folder), before);

        stop();
        setMode(folder, 0700);
    }
}

TEST_F(CoreDataStartupTest, AnEmptyDatabaseIsKeptAsideUnderAFreeNameAndReplacedFromTheTemplate)
{
    // The fixed clock reads 11:00 in Paris.
    const QString earlier = inSupportFolder(QStringLiteral("Database.sql.empty-20130109-110000"));
    writeFile(earlier, "an earlier empty database, kept by hand");
    writeFile(CoreData::databasePath(), QByteArray());

    for (const QString& expectedAside : QStringList{earlier + QStringLiteral(".2"), earlier + QStringLiteral(".3")}) {
        ScriptedAlertPresenter noAlerts;
        LogCapture log;
        CoreData& dataManager = start();
        ASSERT_TRUE(started()) << dataManager.startupFailure().message.toStdString();
        EXPECT_FALSE(dataManager.isUpgrade()) << "a first start from the template";
        EXPECT_TRUE(dataManager.upgradeFailures().isEmpty()) << dataManager.upgradeFailures().join('\n').toStdString();
        EXPECT_FALSE(dataManager.calendarList().isEmpty());
        EXPECT_TRUE(QFileInfo(expectedAside).isFile());
        EXPECT_EQ(QFileInfo(expectedAside).size(), 0);
        EXPECT_TRUE(log.contains(expectedAside));
        EXPECT_EQ(readFile(earlier), QByteArray("an earlier empty database, kept by hand"));
        stop();
        ASSERT_TRUE(QFile::resize(CoreData::databasePath(), 0));
    }
}

TEST_F(CoreDataStartupTest, AnEmptyDatabaseWithAJournalBesideItIsLeftToSQLite)
{
    writeFile(CoreData::databasePath(), QByteArray());
    writeFile(CoreData::databasePath() + QStringLiteral("-journal"), QByteArray(512, '\0'));
    start();
    // SQLite sees an empty database, which is not ours; nothing was moved aside.
    EXPECT_FALSE(started());
    EXPECT_EQ(CoreData::shared()->startupFailure().problem, StartupProblem::DatabaseNotOurs);
    EXPECT_TRUE(QDir(supportFolder()).entryList({QStringLiteral("*.empty-*")}).isEmpty());
    EXPECT_TRUE(QFileInfo(CoreData::databasePath()).isFile());
}

TEST_F(CoreDataStartupTest, TheDataFolderDatabaseAccountAndBackupsBecomeTheOwnersAlone)
{
    start();
    ASSERT_TRUE(started());
    EXPECT_EQ(modeOf(supportFolder()), 0700u) << "made private";
    EXPECT_EQ(modeOf(CoreData::databasePath()), 0600u);
    stop();

    // As an earlier version left them.
    ASSERT_TRUE(CoreData::writeZVWAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret")));
    const QString backups = inSupportFolder(QStringLiteral("AutoBackupData"));
    const QString backup = QDir(backups).filePath(QStringLiteral("2013-01-08 09:00:00.abkzvm"));
    QDir().mkpath(backups);
    writeFile(backup, "an earlier backup");
    for (const QString& path : {supportFolder(), backups})
        setMode(path, 0755);
    for (const QString& path : {CoreData::databasePath(), CoreData::zvwAccountPath(), backup})
        setMode(path, 0644);

    CoreData& dataManager = start();
    ASSERT_TRUE(started());
    for (const QString& path : {supportFolder(), backups})
        EXPECT_EQ(modeOf(path), 0700u) << path.toStdString();
    for (const QString& path : {CoreData::databasePath(), CoreData::zvwAccountPath(), backup})
        EXPECT_EQ(modeOf(path), 0600u) << path.toStdString();

    ASSERT_TRUE(dataManager.currentSetting()->saveAutoBackupFile());
    const QString newBackup = QDir(backups).filePath(QStringLiteral("2013-01-09 11:00:00.abkzvm"));
    ASSERT_TRUE(QFileInfo(newBackup).isFile());
    EXPECT_EQ(modeOf(newBackup), 0600u);
}

// However the account file fails to read, the user hears of it once a start
// (one alert, one log line), and the file stays for a later sign-in to replace.
TEST_F(CoreDataStartupTest, AnAccountFileThatCannotBeReadIsReportedOnceAStartAndLeftAsItIs)
{
    const QString path = CoreData::zvwAccountPath();
    const auto encrypted = [&path](const QByteArray& plain) {
        return DataCrypto::AES256EncryptedDataUsingKey(plain, CoreData::zvwAccountKey(path)).value_or(QByteArray());
    };
    const struct {
        const char* name;
        QByteArray content;
    } cases[] = {
        {"not encrypted with our key", QByteArray(48, 'x')},
        {"encrypted, not a property list", encrypted("not a property list")},
        {"encrypted property list without an account",
         encrypted(PropertyList::toData(QVariantMap{{QStringLiteral("password"), QStringLiteral("secret")}}).value())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.content.isEmpty());
        writeFile(path, c.content);
        ScriptedAlertPresenter alerts;
        LogCapture log;
        const auto accountLines = [&log, &path] {
            qsizetype count = 0;
            for (const QString& message : log.messages()) count += message.contains(path);
            return count;
        };

        alerts.scriptButton(AlertResponse::firstButton);
        CoreData& dataManager = start();
        ASSERT_TRUE(started());
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests()[0].messageText, TextTable::localizedString(QStringLiteral("accountFileUnreadableText")));
        EXPECT_TRUE(alerts.requests()[0].informativeText.contains(path));
        EXPECT_EQ(accountLines(), 1);
        EXPECT_TRUE(dataManager.currentSetting()->zvwUserName().isEmpty());
        EXPECT_EQ(dataManager.currentSetting()->autoZVWSync(), 0);

        dataManager.getZVWAccount();  // read again in the same start: no second report
        EXPECT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(accountLines(), 1);
        EXPECT_EQ(readFile(path), c.content);

        alerts.scriptButton(AlertResponse::firstButton);
        start();  // the next start tells again
        EXPECT_EQ(alerts.requests().size(), 2);
        EXPECT_EQ(accountLines(), 2);
        stop();
    }
}

// Whichever statement of a start fails, no row takes the blank content of a
// record whose read failed: the categories keep their names (and the listed
// ones show the orders their rows hold), the settings row keeps its queue of
// server deletions. Categories stored without an order get one.
TEST_F(CoreDataStartupTest, AFailedStatementAtStartNeverWritesABlankRecordOverItsRow)
{
    start();
    stop();
    const QString path = CoreData::databasePath();
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    ASSERT_EQ(sqlite3_exec(db,
                           "INSERT INTO Calendars (primaryKey, calendarName, calendarOrder) "
                           "VALUES (60, 'Home', 0), (61, 'Work', 0);"
                           "UPDATE Settings SET zvwDeletedTasks=',77'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const QString pristine = path + QStringLiteral(".pristine");
    ASSERT_TRUE(QFile::copy(path, pristine));

    const auto storedCategories = [] {
        QMap<qint64, QPair<QString, qint64>> rows;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(RecordStore::sharedDatabase(),
                           "SELECT primaryKey, calendarName, calendarOrder FROM Calendars", -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows.insert(sqlite3_column_int64(statement, 0),
                        {QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1))),
                         sqlite3_column_int64(statement, 2)});
        sqlite3_finalize(statement);
        return rows;
    };
    const auto storedQueue = [] {
        QString queue;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(RecordStore::sharedDatabase(), "SELECT zvwDeletedTasks FROM Settings", -1, &statement,
                           nullptr);
        if (sqlite3_step(statement) == SQLITE_ROW)
            queue = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return queue;
    };
    const QStringList names{QStringLiteral("Zoravel"), QStringLiteral("Home"), QStringLiteral("Work")};

    for (int failing = 1;; ++failing) {
        SCOPED_TRACE(failing);
        ASSERT_LT(failing, 2000) << "the start never ran through";
        stop();
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_TRUE(QFile::copy(pristine, path));
        RecordStore::failStep(failing);
        CoreData& dataManager = start();
        const bool reached = !RecordStore::stepFailurePending();
        RecordStore::failStep(0);

        EXPECT_EQ(storedQueue(), QStringLiteral(",77"));
        const auto rows = storedCategories();
        QStringList stored;
        for (const auto& row : rows) stored.append(row.first);
        EXPECT_EQ(stored, names) << "no category row took a blank name";
        if (started()) {
            ASSERT_TRUE(dataManager.currentSetting()) << "a start goes on only with its settings";
            EXPECT_EQ(dataManager.currentSetting()->zvwDeletedTasks(), QStringLiteral(",77"));
            for (const CalendarPtr& category : dataManager.calendarList()) {
                if (rows.contains(category->primaryKey())) {
                    EXPECT_EQ(category->calendarOrder(), rows.value(category->primaryKey()).second)
                        << category->calendarName().toStdString();
                }
            }
        }
        if (::testing::Test::HasFailure()) return;
        if (reached) continue;

        ASSERT_TRUE(started());
        QList<qint64> orders;
        for (const auto& row : rows) orders.append(row.second);
        EXPECT_EQ(orders, (QList<qint64>{1, 2, 3}));
        EXPECT_EQ(dataManager.calendarList().size(), 3);
        return;
    }
}

TEST_F(CoreDataStartupTest, TheHostMonitorWatchesTheServiceAndOnlyAnUnreachableOneBringsInTheOthers)
{
    qputenv("ZORAVEL_SERVICE_URL", "http://127.0.0.1:9");
    CoreData& onLoopback = start();
    ASSERT_NE(onLoopback.hostReachability(), nullptr);
    EXPECT_EQ(onLoopback.hostReachability()->hostName(), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(internetReachable);
    EXPECT_EQ(onLoopback.internetReachability(), nullptr) << "a reachable host monitor is enough";

    qunsetenv("ZORAVEL_SERVICE_URL");
    CoreData& unconfigured = start();
    EXPECT_TRUE(unconfigured.hostReachability()->hostName().endsWith(QStringLiteral(".invalid")));
    EXPECT_FALSE(internetReachable);
    EXPECT_NE(unconfigured.internetReachability(), nullptr);
}

}  // namespace CoreDataStartupTests
