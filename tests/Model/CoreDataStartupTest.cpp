#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "LogCapture.h"
#include "NetworkStatus.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PostedNotifications.h"
#include "PropertyList.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "Utilities.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Each test starts the data manager in a support folder of its own, as a
// user's first start would, and closes everything it opened.
class CoreDataStartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        m_previousHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        m_previousVersion = QCoreApplication::applicationVersion();
        QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
        NetworkStatus::instance().setOverride(0);
        // A winter day, so the Paris label carries its standard offset.
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(
            double(QDateTime(QDate(2013, 1, 9), QTime(10, 0), Qt::UTC).toSecsSinceEpoch())));
    }

    void TearDown() override
    {
        stop();
        NetworkStatus::instance().setOverride(std::nullopt);
        QCoreApplication::setApplicationVersion(m_previousVersion);
        qputenv("XDG_DATA_HOME", m_previousHome);
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

private:
    QTemporaryDir m_home;
    QByteArray m_previousHome;
    QString m_previousVersion;
    std::unique_ptr<CoreData> m_dataManager;
    bool m_started = false;
};

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
    setting->dehydrate();

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
}

TEST_F(CoreDataStartupTest, ASystemZoneMissingFromTheTableIsFoundByItsOffsetLabel)
{
    ScopedTimeZone zone("Europe/Busingen");  // a real zone the table does not list, UTC+1 in winter
    CoreData& dataManager = start();
    const qint64 found = dataManager.getDefaultTimezone();
    ASSERT_NE(found, 0);
    EXPECT_TRUE(dataManager.getTimeZone(found)->tzName.startsWith(QStringLiteral("(GMT+01:00)")));
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
    NetworkStatus::instance().setOverride(1);
    EXPECT_TRUE(internetReachable);
    NetworkStatus::instance().setOverride(2);  // already reachable: no second request
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

TEST_F(CoreDataStartupTest, AnUpgradeThatFailsForAnotherReasonIsReported)
{
    start();
    stop();
    // A database whose Tasks table went missing cannot take its new columns.
    sqlite3* db = nullptr;
    sqlite3_open(CoreData::databasePath().toUtf8().constData(), &db);
    sqlite3_exec(db, "DROP TABLE Tasks", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    CoreData& dataManager = start();
    ASSERT_TRUE(started());
    ASSERT_FALSE(dataManager.upgradeFailures().isEmpty());
    EXPECT_TRUE(dataManager.upgradeFailures().first().contains(QStringLiteral("no such table: Tasks")));
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
