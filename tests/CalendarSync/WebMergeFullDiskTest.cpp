// A web pass with the database on a full disk: the pass fails with its
// reason, the store keeps every file a stored item links to and no file of
// an item that is gone, and once there is room the next pass leaves both
// sides with the service's items, each once.
#include "CalendarSyncFixture.h"

#include "CoreData.h"
#include "LoopbackAccount.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "RecordStore.h"
#include "SmallFileSystem.h"
#include "ZVWSync.h"

#include <QDirIterator>

#include <functional>

namespace WebMergeFullDiskTests {

constexpr int itemCount = 200;

class WebMergeFullDiskTest : public CalendarSyncTest {
protected:
    void SetUp() override
    {
        CalendarSyncTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(signInOnLoopback(m_service, account, *setting, HttpTimeouts{2.0, 2.0, 2.0}));

        m_serviceCategory = m_service.addCategory(account, {{"name", "Home"}});
        qint64 stamp = 0;
        for (const QJsonObject& record : m_service.categoriesOf(account))
            if (record.value("id").toInteger() == m_serviceCategory) stamp = record.value("last_update").toInteger();
        dataManager().doWithCalendarList(std::nullopt, 1);
        category = std::make_shared<Calendar>();
        category->setCalendarName(QStringLiteral("Home"));
        category->setInVisible(0);
        ASSERT_TRUE(dataManager().addCalendarToCalendarList(category, false, false));
        category->setICalUID(storeCalendar->uid());
        category->setZvwProjectId(m_serviceCategory);
        category->setLastUpdate(stamp);
        category->setHasChanges(false);
        ASSERT_TRUE(category->dehydrate());

        m_jobs = jobs.get();
        dataManager().setICalSync(std::move(jobs));
        dataManager().setBSynciCalEnable(true);
        m_sync = std::make_unique<ZVWSync>();
        NotificationCenter::defaultCenter().addObserver(&m_observer, kServerErrorNotification, nullptr,
                                                        [this](const Notification& n) {
                                                            m_errors << n.objectAs<QString>();
                                                        });
        NotificationCenter::defaultCenter().addObserver(&m_observer, kSyncZVWFinishedNotification, nullptr,
                                                        [this](const Notification&) { ++m_finished; });
    }
    void TearDown() override
    {
        if (m_sync) {
            EXPECT_TRUE(m_sync->waitUntilIdle(20));
        }
        EXPECT_TRUE(m_jobs->waitForQueuedJobs(10));
        m_sync.reset();
        dataManager().setICalSync(nullptr);
        backOnTheTestDisk();
        signOutOfLoopback();
        CalendarSyncTest::TearDown();
    }

    QString pass(QObject* sender = nullptr)
    {
        EXPECT_TRUE(m_sync->backgroundFullSync(sender));
        EXPECT_TRUE(m_sync->waitUntilIdle(60));
        EXPECT_TRUE(m_jobs->waitForQueuedJobs(30));
        processEventsUntil([] { return false; }, 20);
        return m_sync->errorDescription();
    }

    // The database moves onto a small file system of its own, where the
    // statements prepared on the first connection are not.
    void moveDatabaseTo(const QString& folder)
    {
        const QString path = folder + QStringLiteral("/Database.sql");
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &m_small), SQLITE_OK);
        sqlite3_backup* copy = sqlite3_backup_init(m_small, "main", db(), "main");
        ASSERT_TRUE(copy);
        ASSERT_EQ(sqlite3_backup_step(copy, -1), SQLITE_DONE);
        sqlite3_backup_finish(copy);
        switchTo(m_small);
    }
    void backOnTheTestDisk()
    {
        if (!m_small) return;
        switchTo(db());
        sqlite3_close(m_small);
        m_small = nullptr;
    }
    static void switchTo(sqlite3* connection)
    {
        Setting::finalizeStatements();
        Task::finalizeStatements();
        Calendar::finalizeStatements();
        RecordStore::finalizeAllStatements();
        RecordStore::setSharedDatabase(connection);
    }

    // Event names and uids of the database; names and uids of the store files.
    struct Sides {
        QStringList names, linked, storeNames, storeUids;
    };
    Sides sides() const
    {
        Sides found;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(RecordStore::sharedDatabase(),
                           "SELECT taskName, iCalIdentifier FROM Tasks WHERE taskType = 0", -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            found.names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            found.linked << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
        }
        sqlite3_finalize(statement);
        QDirIterator files(storeFolder.path(), {QStringLiteral("*.ics")}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly)) continue;
            for (const QByteArray& line : file.readAll().split('\n')) {
                const QString text = QString::fromUtf8(line).trimmed();
                if (text.startsWith(QStringLiteral("SUMMARY:"))) found.storeNames << text.mid(8);
                if (text.startsWith(QStringLiteral("UID:"))) found.storeUids << text.mid(4);
            }
        }
        for (QStringList* list : {&found.names, &found.linked, &found.storeNames, &found.storeUids}) list->sort();
        return found;
    }
    QStringList serviceNames() const
    {
        QStringList names;
        for (const QJsonObject& record : m_service.itemRecordsOf(account)) names << record.value("title").toString();
        names.sort();
        return names;
    }
    static std::string text(const QStringList& list)
    {
        return std::to_string(list.size()) + ": " + list.join(u',').toStdString();
    }

    const QString account = QStringLiteral("ann@example.com");
    LoopbackService m_service;
    std::unique_ptr<ZVWSync> m_sync;
    iCalSyncJobs* m_jobs = nullptr;
    qint64 m_serviceCategory = 0;
    sqlite3* m_small = nullptr;
    QObject m_observer;
    QStringList m_errors;
    int m_finished = 0;
};

TEST_F(WebMergeFullDiskTest, AFullDiskFailsThePassAndLeavesNoLinkToARemovedFileNorAnyLoss)
{
    QList<qint64> ids;
    for (int n = 0; n < itemCount; ++n) {
        const Date start = local(2014, 3, 13 + n % 20, 8 + n % 10);
        ids << m_service.addItemRecord(account, {{"title", QStringLiteral("Item %1").arg(n, 3, 10, QLatin1Char('0'))},
                                                 {"task_type", 3},
                                                 {"group_id", 0},
                                                 {"category_id", m_serviceCategory},
                                                 {"start_time", qint64(Utilities::toDBDate(start).timeIntervalSince1970())},
                                                 {"end_time", qint64(Utilities::toDBDate(start).timeIntervalSince1970()) + 1800}});
    }
    ASSERT_EQ(pass(), QString());
    const Sides synced = sides();
    ASSERT_EQ(synced.names.size(), itemCount);
    ASSERT_EQ(text(synced.storeNames), text(synced.names));

    // Another device removes half and renames a quarter.
    for (int n = 0; n < itemCount; ++n) {
        if (n % 2 == 0)
            m_service.removeItemRecord(account, ids[n]);
        else if (n % 4 == 1)
            m_service.changeItemRecord(account, ids[n], {{"title", QStringLiteral("Renamed %1").arg(n, 3, 10, QLatin1Char('0'))}});
    }

    QTemporaryDir base;
    SmallFileSystem disk(base.filePath(QStringLiteral("small")), 4 * 1024 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << disk.skipReason();
    moveDatabaseTo(base.filePath(QStringLiteral("small")));
    // Full once the items are downloaded, so that the merge's writes fail
    // (on a disk full from the start the token's write fails the pass).
    m_service.setRequestHook([&disk](const ServiceRequest& request) {
        if (request.method == QStringLiteral("GET") && request.path == QStringLiteral("/api/tasks.json"))
            static_cast<void>(disk.fill());
    });

    const QString failure = pass();
    m_service.setRequestHook({});
    EXPECT_TRUE(failure.contains(QStringLiteral("full"))) << failure.toStdString();
    EXPECT_TRUE(m_errors.contains(failure)) << "the reason is shown";
    const Sides full = sides();
    EXPECT_EQ(text(full.storeUids), text(full.linked)) << "every link names a file, every file is linked";
    EXPECT_EQ(text(full.storeNames), text(full.names));

    disk.makeRoom();
    ASSERT_EQ(pass(), QString());
    const Sides after = sides();
    EXPECT_EQ(text(after.names), text(serviceNames()));
    EXPECT_EQ(text(after.storeNames), text(after.names));
    EXPECT_EQ(text(after.storeUids), text(after.linked));
}

// Each kind of pass on a full disk: the full pass whose only writes are its
// settings decision and closing, an automatic push, and the replace of the
// service's data with the local data. Each fails with the write's reason,
// shown as a server error, and does nothing after the failed write; once
// there is room a full pass leaves both sides alike.
TEST_F(WebMergeFullDiskTest, EveryKindOfPassFailsOnAFullDiskAndActsOnNothingAfterIt)
{
    for (int n = 0; n < 20; ++n)
        m_service.addItemRecord(account, {{"title", QStringLiteral("Item %1").arg(n, 2, 10, QLatin1Char('0'))},
                                          {"task_type", 3},
                                          {"group_id", 0},
                                          {"category_id", m_serviceCategory},
                                          {"start_time", 1394700000 + n * 3600},
                                          {"end_time", 1394700000 + n * 3600 + 1800}});
    ASSERT_EQ(pass(), QString());
    ASSERT_EQ(pass(), QString()) << "a second pass settles every stamp";
    const QStringList before = serviceNames();

    QTemporaryDir base;
    SmallFileSystem disk(base.filePath(QStringLiteral("small")), 4 * 1024 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << disk.skipReason();
    moveDatabaseTo(base.filePath(QStringLiteral("small")));
    QObject sender;
    const auto pinned = [this] {
        qint64 count = 0;
        for (const QJsonObject& record : m_service.itemRecordsOf(account)) count += record.value("star").toInt();
        return count;
    };

    struct Case {
        const char* name;
        const char* fillAt;             // the request after which the disk fills; before the pass when null
        std::function<void()> prepare;  // with room
        std::function<void()> run;      // on the full disk
        std::function<void()> check;    // right after the failed pass
    };
    const QList<Case> cases{
        {"full pass: the settings decision and the closing", "/api/conversations.json",
         [&] { m_service.setSettings(account, {{"week_start", "mon"}}); },
         [&] { EXPECT_FALSE(pass(&sender).isEmpty()); },
         [&] { EXPECT_EQ(m_finished, 0) << "a pass that failed is not reported finished"; }},
        {"automatic push of changed items", nullptr,
         [&] {
             ASSERT_EQ(sqlite3_exec(RecordStore::sharedDatabase(),
                                    "UPDATE Tasks SET isPinned = 1, hasChanges = 1, dateUpdate = 0 WHERE primaryKey IN "
                                    "(SELECT primaryKey FROM Tasks WHERE taskType = 0 LIMIT 5)",
                                    nullptr, nullptr, nullptr),
                       SQLITE_OK);
             setting->setAutoZVWSync(1);
         },
         [&] {
             m_sync->receiveAutoSyncNotification(2);
             m_sync->startAutoSync();
             EXPECT_TRUE(m_sync->waitUntilIdle(20));
             processEventsUntil([this] { return !m_errors.isEmpty(); });
         },
         [&] {
             EXPECT_FALSE(m_sync->errorDescription().isEmpty()) << "the push failed";
             setting->setAutoZVWSync(0);
         }},
        {"replace of the service's data with the local data", nullptr,
         [] {},
         [&] {
             m_sync->backgroundOneWayMacToWeb(&sender);
             processEventsUntil([&] { return m_finished > 0; }, 20000);
         },
         [&] { EXPECT_EQ(text(serviceNames()), text(before)) << "nothing on the service was wiped"; }},
    };
    for (const Case& kind : cases) {
        SCOPED_TRACE(kind.name);
        m_errors.clear();
        m_finished = 0;
        kind.prepare();
        if (kind.fillAt)
            m_service.setRequestHook([&disk, path = QString::fromLatin1(kind.fillAt)](const ServiceRequest& request) {
                if (request.path == path) static_cast<void>(disk.fill());
            });
        else
            ASSERT_TRUE(disk.fill());
        kind.run();
        m_service.setRequestHook({});
        ASSERT_FALSE(m_errors.isEmpty()) << "the failure is shown";
        EXPECT_TRUE(m_errors.first().contains(QStringLiteral("full"))) << m_errors.first().toStdString();
        kind.check();
        const Sides full = sides();
        EXPECT_EQ(text(full.storeUids), text(full.linked));

        disk.makeRoom();
        ASSERT_EQ(pass(), QString());
        const Sides after = sides();
        EXPECT_EQ(text(after.names), text(serviceNames()));
        EXPECT_EQ(text(after.storeNames), text(after.names));
        EXPECT_EQ(text(after.storeUids), text(after.linked));
    }
    EXPECT_EQ(text(serviceNames()), text(before)) << "each item once";
    EXPECT_EQ(pinned(), 5) << "the push's changes went up once there was room";
}

}  // namespace WebMergeFullDiskTests
