// Whole full passes started with backgroundFullSync against the loopback
// service: the order of the steps, the stop rule, the server backup, the
// closing actions, and the replace of the local data with the account's.
#include "WebExchangeFixture.h"

#include "CoreData.h"
#include "Link.h"
#include "RecordingMainView.h"
#include "Task.h"
#include "Utilities.h"
#include "iCalSync.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <tuple>

namespace {

const QString settingChanged = QStringLiteral("com.qrb.settingChangedBySyncNotification");

class FullPassTest : public WebExchangeTest {
protected:
    void SetUp() override
    {
        WebExchangeTest::SetUp();
        internetReachable = true;
        // The side file is shared by the tests of this process.
        m_setting->setLatestBackupOnServer(0);
    }
    void TearDown() override
    {
        if (m_sync) {
            EXPECT_TRUE(m_sync->waitUntilIdle(20));
        }
        // The pass's last posts belong to this test, not to the next one.
        deliverPosts();
        internetReachable = false;
        WebExchangeTest::TearDown();
    }

    // One pass through the sync's own entry, waited for, with the main
    // thread's posts delivered.
    void fullPass(QObject* sender = nullptr)
    {
        ASSERT_TRUE(m_sync->backgroundFullSync(sender));
        ASSERT_TRUE(m_sync->waitUntilIdle(20));
        deliverPosts();
    }
    static void deliverPosts() { processEventsUntil([] { return false; }, 30); }

    TaskPtr addLocalItem(const QString& name, const CalendarPtr& category)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setCalendarId(category->primaryKey());
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }
    // A category, a tag, three items and a link, on both sides after one pass.
    void populateAndSync()
    {
        const CalendarPtr work = addLocalCategory(QStringLiteral("Work"));
        m_setting->setCalendarDefID(work->primaryKey());
        ASSERT_TRUE(m_setting->dehydrate());
        addLocalTag(QStringLiteral("Home"));
        const TaskPtr call = addLocalItem(QStringLiteral("Call Bob"), work);
        const TaskPtr report = addLocalItem(QStringLiteral("Write report"), work);
        addLocalItem(QStringLiteral("Plan trip"), work);
        auto link = std::make_shared<Link>();
        link->setRootId(call->primaryKey());
        link->setTargetId(report->primaryKey());
        ASSERT_TRUE(dataManager().insertLink(link));
        reloadLists();
        fullPass();
        ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();
        expectBothSidesEqual("after the first pass");
    }

    QStringList localItemNames()
    {
        QStringList names;
        for (const TaskPtr& item : dataManager().getAllTasksInDB()) names.append(item->taskName());
        names.sort();
        return names;
    }
    QStringList serviceItemNames()
    {
        QStringList names;
        for (const QJsonObject& record : m_service.itemRecordsOf(account))
            names.append(record.value(QStringLiteral("title")).toString());
        names.sort();
        return names;
    }
    QStringList serviceNames(const QList<QJsonObject>& records)
    {
        QStringList names;
        for (const QJsonObject& record : records) names.append(record.value(QStringLiteral("name")).toString());
        names.sort();
        return names;
    }
    qsizetype localLinkCount()
    {
        qsizetype count = 0;
        for (const LinkPtr& link : dataManager().getAllLinks())
            if (link->status() == 0) ++count;
        return count;
    }
    void expectBothSidesEqual(const char* when)
    {
        SCOPED_TRACE(when);
        EXPECT_EQ(localItemNames(), serviceItemNames());
        EXPECT_EQ(storedTagNames(), serviceNames(m_service.tagsOf(account)));
        EXPECT_EQ(storedCategoryNames(), serviceNames(m_service.categoriesOf(account)));
        EXPECT_EQ(localLinkCount(), m_service.linkRecordsOf(account).size());
        for (const TaskPtr& item : dataManager().getAllTasksInDB()) EXPECT_GT(item->zvwID(), 0) << item->taskName().toStdString();
    }
    QStringList requestedPaths()
    {
        QStringList paths;
        for (const ServiceRequest& request : m_service.requests()) paths.append(request.method + ' ' + request.path);
        return paths;
    }

    RecordingMainView m_mainView;
    QObject m_pane;
};

}  // namespace

TEST_F(FullPassTest, APassRunsEveryStepInOrderAndClosesWithItsSender)
{
    m_setting->setDoRestore(1);
    ASSERT_TRUE(m_setting->dehydrate());
    const qint64 onService = m_service.addItemRecord(account, {{"title", "From the web"}});
    ASSERT_GT(onService, 0);
    PostedNotifications posts({kSyncZVWFinishedNotification, settingChanged, kServerErrorNotification});
    QObject sender;
    fullPass(&sender);

    // The token first, then the backup and the downloads in the pass's order.
    QStringList downloads;
    for (const QString& path : requestedPaths())
        if (path.startsWith(QLatin1String("GET ")) || path.contains(QLatin1String("token"))) downloads.append(path);
    EXPECT_EQ(downloads, (QStringList{"POST /api/token.json", "GET /api/backups.json", "GET /api/settings.json",
                                      "GET /api/tags.json", "GET /api/categories.json", "GET /api/tasks.json",
                                      "GET /api/hyperlinks.json", "GET /api/conversations.json"}));
    ASSERT_EQ(posts.names(), (QStringList{kSyncZVWFinishedNotification, settingChanged}));
    EXPECT_EQ(posts.posts().first().objectAs<QObject*>(), &sender);
    EXPECT_EQ(m_mainView.calls(), (QStringList{QStringLiteral("show"), QStringLiteral("hide")}));
    EXPECT_FALSE(m_sync->isSyncing());

    const SettingPtr stored = Setting::initWithPrimaryKey(1, db());
    EXPECT_EQ(stored->doRestore(), 0) << "a pass without failure ends restore mode";
    EXPECT_EQ(stored->zvwSyncTime(), Clock::now());
    EXPECT_TRUE(localItemNames().contains(QStringLiteral("From the web")));
    bool listed = false;
    for (const TaskPtr& item : dataManager().allTasksEventsAdes()) listed |= item->taskName() == "From the web";
    EXPECT_TRUE(listed) << "the working list is reloaded with what the pass stored";
}

TEST_F(FullPassTest, AFailedDownloadDeletesNothingAndTheNextGoodPassLeavesBothSidesEqual)
{
    populateAndSync();
    const struct {
        const char* name;
        QString path;
        ServiceFault fault;
        bool itemsDownloaded;
    } rows[] = {
        {"categories: status 500", "/api/categories.json", status(500), false},
        {"categories: not JSON", "/api/categories.json", body("<html>busy</html>"), false},
        {"categories: an error object", "/api/categories.json", body(R"({"error":1})"), false},
        {"categories: an empty list", "/api/categories.json", body("[]"), false},
        {"tags: an empty list", "/api/tags.json", body("[]"), false},
        {"tags: status 500", "/api/tags.json", status(500), false},
        {"tags: not JSON", "/api/tags.json", body("<html>busy</html>"), false},
        {"tags: an error object", "/api/tags.json", body(R"({"error":1})"), false},
        {"items: status 500", "/api/tasks.json", status(500), true},
        {"items: not JSON", "/api/tasks.json", body("{not json"), true},
        {"items: an error object", "/api/tasks.json", body(R"({"error":1})"), true},
        {"items: an empty list", "/api/tasks.json", body("[]"), true},
        {"links: an empty list", "/api/hyperlinks.json", body("[]"), true},
        {"links: an error object", "/api/hyperlinks.json", body(R"({"error":1})"), true},
        {"links: status 500", "/api/hyperlinks.json", status(500), true},
        {"links: not JSON", "/api/hyperlinks.json", body("{not json"), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_setting->setDoRestore(0);
        const QStringList itemsBefore = localItemNames();
        const QStringList tagsBefore = storedTagNames();
        const QStringList categoriesBefore = storedCategoryNames();
        const qsizetype linksBefore = localLinkCount();
        const Date syncTimeBefore = m_setting->zvwSyncTime();
        Clock::setFixed(Clock::now().dateByAddingTimeInterval(60));
        m_service.setFault(QStringLiteral("GET"), row.path, row.fault);
        m_service.clearRequests();
        m_mainView.clearCalls();
        PostedNotifications posts({kSyncZVWFinishedNotification, settingChanged, kServerErrorNotification});

        fullPass(&m_pane);

        EXPECT_EQ(localItemNames(), itemsBefore);
        EXPECT_EQ(storedTagNames(), tagsBefore);
        EXPECT_EQ(storedCategoryNames(), categoriesBefore);
        EXPECT_EQ(localLinkCount(), linksBefore);
        EXPECT_EQ(posts.names(), QStringList{kServerErrorNotification}) << "the failure only";
        EXPECT_EQ(m_mainView.calls(), (QStringList{QStringLiteral("show"), QStringLiteral("hide")}));
        EXPECT_FALSE(m_sync->isSyncing());
        EXPECT_EQ(m_setting->zvwSyncTime(), syncTimeBefore);
        EXPECT_EQ(requestsTo(QStringLiteral("GET"), QStringLiteral("/api/tasks.json")), row.itemsDownloaded ? 1 : 0)
            << "nothing after the failed download runs";
        EXPECT_EQ(requestsTo(QStringLiteral("GET"), QStringLiteral("/api/conversations.json")), 0);

        m_service.clearFaults();
        fullPass();
        EXPECT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();
        expectBothSidesEqual("after the next good pass");
    }
}

// The steps before the categories download run in full: the settings are
// downloaded (their decision is the pass's last step) and the tags exchanged.
TEST_F(FullPassTest, AFailingCategoriesDownloadComesAfterTheSettingsAndTagsExchange)
{
    populateAndSync();
    addLocalTag(QStringLiteral("Made here"));
    m_service.addTag(account, QStringLiteral("Made on the phone"));
    const qint64 weekStartBefore = m_setting->weekStartDay();
    m_service.setSettings(account, {{"week_start", weekStartBefore == 1 ? "sun" : "mon"}, {"working_hour_start", 555}});
    reloadLists();
    m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/categories.json"), status(500));
    m_service.clearRequests();
    m_mainView.clearCalls();
    PostedNotifications posts({kSyncZVWFinishedNotification, settingChanged, kServerErrorNotification});

    fullPass(&m_pane);

    QStringList data;
    for (const QString& path : requestedPaths())
        if (!path.contains(QLatin1String("/api/token"))) data.append(path);
    EXPECT_EQ(data, (QStringList{"GET /api/settings.json", "GET /api/tags.json", "POST /api/tags.json",
                                 "GET /api/categories.json"}))
        << "nothing after the categories download";
    EXPECT_EQ(m_sync->zvwSetting()->weekStartDay(), weekStartBefore == 1 ? 0 : 1) << "the service's settings were read";
    EXPECT_EQ(m_sync->zvwSetting()->deskTimeNDStart(), 555);
    EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->weekStartDay(), weekStartBefore) << "the decision did not run";
    EXPECT_TRUE(storedTagNames().contains(QStringLiteral("Made on the phone")));
    EXPECT_TRUE(serviceNames(m_service.tagsOf(account)).contains(QStringLiteral("Made here")));
    EXPECT_EQ(storedTagNames(), serviceNames(m_service.tagsOf(account)));
    EXPECT_EQ(posts.names(), QStringList{kServerErrorNotification});
    EXPECT_EQ(m_mainView.calls(), (QStringList{QStringLiteral("show"), QStringLiteral("hide")}));
    EXPECT_FALSE(m_sync->isSyncing());
}

// A service that goes silent: the tags upload, then the categories download
// wait for their time-out (half a second, the fixture's read time-out).
TEST_F(FullPassTest, AServiceThatStopsAnsweringEndsEachRequestAtItsTimeOutAndThePassAtTheFirstDownload)
{
    populateAndSync();
    addLocalTag(QStringLiteral("Waiting for an answer"));
    reloadLists();
    ServiceFault silent;
    silent.kind = ServiceFault::Hold;
    for (const auto& [method, path] :
         {std::pair{"POST", "/api/tags.json"}, std::pair{"GET", "/api/categories.json"}, std::pair{"GET", "/api/tasks.json"},
          std::pair{"POST", "/api/tasks.json"}, std::pair{"GET", "/api/hyperlinks.json"},
          std::pair{"GET", "/api/conversations.json"}, std::pair{"PUT", "/api/settings/updates.json"}})
        m_service.setFault(QString::fromLatin1(method), QString::fromLatin1(path), silent);
    m_service.clearRequests();
    m_mainView.clearCalls();
    PostedNotifications posts({kSyncZVWFinishedNotification, settingChanged, kServerErrorNotification});

    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(m_sync->backgroundFullSync(&m_pane));
    ASSERT_TRUE(m_sync->waitUntilIdle(20));
    const qint64 elapsed = clock.elapsed();
    deliverPosts();

    const QStringList paths = requestedPaths();
    ASSERT_GE(paths.size(), 2);
    EXPECT_EQ(paths.mid(paths.size() - 2), (QStringList{"POST /api/tags.json", "GET /api/categories.json"}))
        << paths.join(", ").toStdString();
    EXPECT_EQ(m_service.heldRequests(), 2) << "neither was answered";
    EXPECT_GE(elapsed, 900) << "each request waited for its time-out";
    EXPECT_LT(elapsed, 10000) << "and no longer";
    EXPECT_EQ(posts.names(), QStringList{kServerErrorNotification});
    EXPECT_EQ(m_mainView.calls(), (QStringList{QStringLiteral("show"), QStringLiteral("hide")}));
    EXPECT_FALSE(m_sync->isSyncing());
    EXPECT_FALSE(webSyncBusy);
    dataManager().getTagList();
    const TagPtr waiting = findTag(QStringLiteral("Waiting for an answer"));
    ASSERT_NE(waiting, nullptr);
    EXPECT_EQ(waiting->zvwKey(), 0) << "the unanswered upload stays queued";

    m_service.releaseHeld();
    m_service.clearFaults();
    ASSERT_TRUE(processEventsUntil([&] { return m_service.heldRequests() == 0; }));
    fullPass();
    EXPECT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();
    EXPECT_EQ(serviceNames(m_service.tagsOf(account)).count(QStringLiteral("Waiting for an answer")), 1);
    expectBothSidesEqual("after the next pass");
}

// Another program holding the database while the pass stores what it
// downloaded: the pass stops and tells the person the data is in use by
// that program, not to make room on the disk.
TEST_F(FullPassTest, AWriteRefusedByAnotherProgramsLockIsToldAsDataInUse)
{
    m_service.addItemRecord(account, {{"title", "From the web"}});
    const std::chrono::milliseconds usualWait = RecordStore::busyTimeout();
    RecordStore::setBusyTimeout(std::chrono::milliseconds(200));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(sqlite3_db_filename(db(), "main"), &other), SQLITE_OK);
    m_service.setRequestHook([other](const ServiceRequest& request) {
        if (request.method == QStringLiteral("GET") && request.path == QStringLiteral("/api/tasks.json"))
            sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    });
    PostedNotifications posts({kServerErrorNotification});
    fullPass();
    m_service.setRequestHook({});
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    RecordStore::setBusyTimeout(usualWait);

    ASSERT_EQ(posts.names(), QStringList{kServerErrorNotification});
    const QString told = posts.posts().first().objectAs<QString>();
    EXPECT_TRUE(told.contains(QStringLiteral("database is locked"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("in use by another program"))) << told.toStdString();
    EXPECT_FALSE(told.contains(QStringLiteral("disk"))) << told.toStdString();
    EXPECT_FALSE(localItemNames().contains(QStringLiteral("From the web")));
}

TEST_F(FullPassTest, TheServerBackupIsAskedForOnceInEightHoursAndAgainAfterAFailure)
{
    fullPass();
    EXPECT_EQ(m_service.backupsOf(account), 1) << "a fresh installation asks at once";
    const double firstBackup = m_setting->latestBackupOnServer();
    EXPECT_EQ(firstBackup, Utilities::toDBDate(Clock::now()).timeIntervalSince1970());

    const Date start = Clock::now();
    Clock::setFixed(start.dateByAddingTimeInterval(ZVWSync::serverBackupInterval));
    fullPass();
    EXPECT_EQ(m_service.backupsOf(account), 1) << "eight hours are not more than eight hours";

    Clock::setFixed(start.dateByAddingTimeInterval(ZVWSync::serverBackupInterval + 1));
    ServiceFault dropped;
    dropped.kind = ServiceFault::Drop;
    m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/backups.json"), dropped);
    m_service.clearRequests();
    PostedNotifications posts({kServerErrorNotification, kSyncZVWFinishedNotification});
    fullPass(&m_pane);
    EXPECT_EQ(posts.names(), QStringList{kServerErrorNotification});
    EXPECT_EQ(m_setting->latestBackupOnServer(), firstBackup) << "a failed request leaves the time";
    EXPECT_EQ(requestsTo(QStringLiteral("GET"), QStringLiteral("/api/settings.json")), 0) << "the pass stopped";

    m_service.clearFaults();
    fullPass();
    EXPECT_EQ(m_service.backupsOf(account), 2) << "the next pass asks again";
    EXPECT_EQ(m_setting->latestBackupOnServer(), Utilities::toDBDate(Clock::now()).timeIntervalSince1970());
}

TEST_F(FullPassTest, RestoreModeEndsOnlyWithAPassWithoutFailure)
{
    m_setting->setDoRestore(1);
    ASSERT_TRUE(m_setting->dehydrate());
    m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/hyperlinks.json"), status(500));
    fullPass();
    EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->doRestore(), 1);

    m_service.clearFaults();
    fullPass();
    EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->doRestore(), 0);
}

TEST_F(FullPassTest, OnePassAtATimeAndPushRequestsAreCoveredByIt)
{
    ServiceFault slow;
    slow.kind = ServiceFault::Delay;
    slow.delayMs = 300;
    m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/settings.json"), slow);
    NotificationCenter::defaultCenter().postNotificationName(kAutoSyncNotification, qint64(2));
    ASSERT_EQ(m_sync->pendingBits(), 2);

    ASSERT_TRUE(m_sync->backgroundFullSync(nullptr));
    EXPECT_FALSE(m_sync->backgroundFullSync(nullptr)) << "refused between the queueing and the start as well";
    ASSERT_TRUE(processEventsUntil([&] { return m_service.requestsTo(QStringLiteral("/api/settings.json")).size() == 1; }));
    EXPECT_FALSE(m_sync->backgroundFullSync(nullptr)) << "and while the pass runs";
    NotificationCenter::defaultCenter().postNotificationName(kAutoSyncNotification, qint64(8));
    EXPECT_EQ(m_sync->pendingBits(), 0) << "the earlier request is dropped and the new one refused";
    ASSERT_TRUE(m_sync->waitUntilIdle(20));
    EXPECT_EQ(m_service.requestsTo(QStringLiteral("/api/settings.json")).size(), 1);
    EXPECT_EQ(m_service.backupsOf(account), 1);
}

TEST_F(FullPassTest, WithoutNetworkOrAccountNothingIsSentOrPosted)
{
    PostedNotifications posts({kSyncZVWFinishedNotification, settingChanged, kServerErrorNotification});
    QObject sender;
    internetReachable = false;
    EXPECT_FALSE(m_sync->backgroundFullSync(&sender));
    EXPECT_FALSE(m_sync->isSyncing());

    internetReachable = true;
    m_setting->setZvwPassword(QString());
    fullPass(&sender);
    deliverPosts();
    EXPECT_TRUE(posts.names().isEmpty()) << posts.names().join(',').toStdString();
    EXPECT_TRUE(m_service.requests().isEmpty());
    EXPECT_TRUE(m_mainView.calls().isEmpty()) << "no indicator without an account: " << m_mainView.calls().join(',').toStdString();
}

TEST_F(FullPassTest, AStopRequestEndsOnlyThePassItWasGivenIn)
{
    const CalendarPtr work = addLocalCategory(QStringLiteral("Work"));
    addLocalItem(QStringLiteral("Pay rent"), work);
    reloadLists();
    m_sync->setIsBreak(true);
    fullPass();
    EXPECT_FALSE(m_sync->isBreak());
    EXPECT_EQ(serviceItemNames(), QStringList{QStringLiteral("Pay rent")}) << "the upload loop was not stopped";
}

// A quit while the pass waits for an answer: the request under way ends at
// once (a service answering late or never does not hold the quit), the pass
// says nothing to a person who is leaving, and what it did not send stays
// marked for the next start.
TEST_F(FullPassTest, AQuitEndsThePassAtOnceWithoutAWord)
{
    const CalendarPtr work = addLocalCategory(QStringLiteral("Work"));
    const TaskPtr rent = addLocalItem(QStringLiteral("Pay rent"), work);
    reloadLists();
    const struct {
        const char* name;
        ServiceFault::Kind kind;
        double readTimeout;  // seconds
    } rows[] = {
        {"an answer 300 ms late", ServiceFault::Delay, 0.5},
        {"no answer, with the usual long time-outs", ServiceFault::Hold, 30},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HttpSession::setDefaultTimeouts(HttpTimeouts{1.0, row.readTimeout, row.readTimeout});
        m_sync = std::make_unique<ZVWSync>();
        ServiceFault slow;
        slow.kind = row.kind;
        slow.delayMs = 300;
        m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/settings.json"), slow);
        m_service.clearRequests();
        PostedNotifications posts({kServerErrorNotification});
        ASSERT_TRUE(m_sync->backgroundFullSync(&m_pane));
        ASSERT_TRUE(processEventsUntil([&] { return m_service.requestsTo(QStringLiteral("/api/settings.json")).size() == 1; }));
        const qsizetype requestsBefore = m_service.requests().size();
        QElapsedTimer clock;
        clock.start();
        m_sync->stopForQuit();
        ASSERT_TRUE(m_sync->waitUntilIdle(20));
        EXPECT_LT(clock.elapsed(), 250) << "the request under way was waited for";
        deliverPosts();
        EXPECT_EQ(m_service.requests().size(), requestsBefore) << "no request after the quit";
        EXPECT_TRUE(posts.names().isEmpty());
        EXPECT_FALSE(m_sync->errorDescription().isEmpty()) << "the pass counts as not done";
        EXPECT_TRUE(serviceItemNames().isEmpty());
        EXPECT_EQ(Task::initWithPrimaryKey(rent->primaryKey())->zvwID(), 0) << "the item still waits to go up";
        if (m_sync->backgroundFullSync(&m_pane)) ASSERT_TRUE(m_sync->waitUntilIdle(20));
        EXPECT_EQ(m_service.requests().size(), requestsBefore) << "no pass starts after the quit";
        m_service.clearFaults();
    }
    m_service.releaseHeld();  // for good: after the last row
    HttpSession::setDefaultTimeouts(HttpTimeouts{1.0, 0.5, 0.5});
}

TEST_F(FullPassTest, ASenderThatGoesAwayDuringThePassIsNotPosted)
{
    ServiceFault slow;
    slow.kind = ServiceFault::Delay;
    slow.delayMs = 200;
    m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/settings.json"), slow);
    PostedNotifications posts({kSyncZVWFinishedNotification, settingChanged});
    auto sender = std::make_unique<QObject>();
    ASSERT_TRUE(m_sync->backgroundFullSync(sender.get()));
    ASSERT_TRUE(processEventsUntil([&] { return m_service.requestsTo(QStringLiteral("/api/settings.json")).size() == 1; }));
    sender.reset();
    ASSERT_TRUE(m_sync->waitUntilIdle(20));
    deliverPosts();
    EXPECT_EQ(posts.names(), QStringList{settingChanged});
}

// ---- web to Mac ------------------------------------------------------------------------

namespace {

// Whether the calendar store is synced, and whether the categories were ever
// linked to its local calendars.
class WebToMacTest : public FullPassTest, public ::testing::WithParamInterface<std::tuple<qint64, bool>> {};

}  // namespace

// With the calendar store synced the wipe takes the linked categories' items
// itself; without, their rows would be left behind under no category. A
// category never linked to the store must go as well, or its unsent items
// would go up to the account the user asked to copy.
INSTANTIATE_TEST_SUITE_P(CalendarStoreSync, WebToMacTest,
                         ::testing::Combine(::testing::Values(1, 0), ::testing::Bool()));

TEST_P(WebToMacTest, ReplacesTheLocalDataWithTheAccountsOwn)
{
    const auto [storeSync, linkedToStore] = GetParam();
    {
        populateAndSync();
        // The account changes elsewhere; the local side has changes of its own.
        const CalendarPtr work = storedCategory(QStringLiteral("Work"));
        ASSERT_NE(work, nullptr);
        m_service.addItemRecord(account, {{"title", "Added on the phone"}, {"category_id", work->zvwProjectId()}});
        m_service.addTag(account, QStringLiteral("Errands"));
        addLocalItem(QStringLiteral("Only here"), work);
        addLocalTag(QStringLiteral("Local only"));
        ASSERT_GT(dataManager().tzList().zones().size(), 3);
        m_service.setSettings(account, {{"week_start", m_setting->weekStartDay() == 1 ? "sun" : "mon"},
                                        {"working_hour_start", 555}, {"default_eve_dur", 45}, {"hide_done_task", 1},
                                        {"timezone_support", 1},
                                        {"time_zone", dataManager().tzList().zones().at(3).tzRegionName}});
        m_setting->setDurationDefTaskVal(m_setting->durationDefTaskVal() + 15);  // a local change the replace drops
        m_setting->setHasChanges(1);
        for (const CalendarPtr& category : dataManager().getCalendarList()) {
            category->setTypeOfCal(linkedToStore ? CalCalendarTypeLocal : QString());
            ASSERT_TRUE(category->dehydrate());
        }
        m_setting->setAutoICalSync(storeSync);
        m_setting->setZvwDeletedTasks(QStringLiteral(",999"));
        m_setting->setAutoZVWSync(1);
        reloadLists();
        m_service.clearRequests();

        PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});
        QObject pane;
        ASSERT_EQ(m_sync->prepareOneWayWebToMac(&pane), ZVWSync::WebToMac::Started);
        ASSERT_TRUE(m_sync->waitUntilIdle(20));
        deliverPosts();

        ASSERT_EQ(posts.names(), QStringList{kSyncZVWFinishedNotification});
        EXPECT_EQ(posts.posts().first().objectAs<QObject*>(), &pane);
        EXPECT_EQ(m_setting->autoZVWSync(), 0);
        EXPECT_FALSE(localItemNames().contains(QStringLiteral("Only here")));
        EXPECT_FALSE(storedTagNames().contains(QStringLiteral("Local only")));
        EXPECT_TRUE(localItemNames().contains(QStringLiteral("Added on the phone")));
        EXPECT_TRUE(storedTagNames().contains(QStringLiteral("Errands")));
        EXPECT_EQ(requestsTo(QStringLiteral("DELETE"), QStringLiteral("/api/tasks/")), 0) << "the tombstones were emptied";
        expectBothSidesEqual("after the replace");
        EXPECT_EQ(queryInt("SELECT count(*) FROM Tasks WHERE calendarId NOT IN (SELECT primaryKey FROM Calendars)"), 0);
        const QJsonObject here = m_sync->settingsRecord(*Setting::initWithPrimaryKey(1, db()));
        const QJsonObject there = m_service.settingsOf(account);
        EXPECT_EQ(here.value("time_zone"), there.value("time_zone"));
        // The zone travels by its name; the service's "timezone_key" is not read.
        for (const QString& key : here.keys())
            if (there.contains(key) && key != QLatin1String("timezone_key")) {
                EXPECT_EQ(here.value(key).toVariant(), there.value(key).toVariant()) << key.toStdString();
            }
        EXPECT_EQ(here.value("working_hour_start").toInteger(), 555) << "the account's settings, not the ones here";
    }
}

TEST_F(FullPassTest, WebToMacWipesNothingUnlessTheAccountIsConfirmedAndThePassCanStart)
{
    populateAndSync();
    const QStringList itemsBefore = localItemNames();
    m_setting->setAutoZVWSync(1);

    m_setting->setZvwPassword(QStringLiteral("changed elsewhere"));
    EXPECT_EQ(m_sync->prepareOneWayWebToMac(nullptr), ZVWSync::WebToMac::AccountNotConfirmed);
    ServiceFault dropped;
    dropped.kind = ServiceFault::Drop;
    m_setting->setZvwPassword(QStringLiteral("secret"));
    m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/token.json"), dropped);
    EXPECT_EQ(m_sync->prepareOneWayWebToMac(nullptr), ZVWSync::WebToMac::AccountNotConfirmed);
    m_service.clearFaults();
    internetReachable = false;
    EXPECT_EQ(m_sync->prepareOneWayWebToMac(nullptr), ZVWSync::WebToMac::SyncNotStarted);
    internetReachable = true;
    ServiceFault slow;
    slow.kind = ServiceFault::Delay;
    slow.delayMs = 200;
    m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/settings.json"), slow);
    ASSERT_TRUE(m_sync->backgroundFullSync(nullptr));
    EXPECT_EQ(m_sync->prepareOneWayWebToMac(nullptr), ZVWSync::WebToMac::SyncNotStarted) << "a pass runs";
    ASSERT_TRUE(m_sync->waitUntilIdle(20));
    m_setting->setAutoZVWSync(1);
    m_setting->setZvwUserName(QString());
    EXPECT_EQ(m_sync->prepareOneWayWebToMac(nullptr), ZVWSync::WebToMac::NoAccount);

    EXPECT_EQ(localItemNames(), itemsBefore);
    EXPECT_EQ(m_setting->autoZVWSync(), 1) << "nothing changed";
    EXPECT_FALSE(m_sync->isSyncing());
}

TEST_F(FullPassTest, AFailedPassOfWebToMacPostsItsFailure)
{
    m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/tasks.json"), status(500));
    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});
    QObject pane;
    ASSERT_EQ(m_sync->prepareOneWayWebToMac(&pane), ZVWSync::WebToMac::Started);
    ASSERT_TRUE(m_sync->waitUntilIdle(20));
    deliverPosts();
    EXPECT_EQ(posts.names(), QStringList{kServerErrorNotification}) << "the waiting pane learns the end";
}

TEST_F(FullPassTest, AFailedWipeOfWebToMacKeepsTheLocalDataAndStartsNoPass)
{
    populateAndSync();
    // Categories the wipe takes, with their items.
    for (const CalendarPtr& category : dataManager().getCalendarList()) {
        category->setTypeOfCal(CalCalendarTypeLocal);
        ASSERT_TRUE(category->dehydrate());
    }
    reloadLists();
    const QStringList itemsBefore = localItemNames();
    const QStringList tagsBefore = storedTagNames();
    const QStringList categoriesBefore = storedCategoryNames();
    m_setting->setZvwDeletedTasks(QStringLiteral(",999"));
    m_setting->setLastUpdateWork(77);
    ASSERT_TRUE(m_setting->dehydrate());
    // The wipe's deletion of the item rows fails, whichever statement takes them.
    exec(QStringLiteral("CREATE TRIGGER keepItems BEFORE DELETE ON Tasks BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    m_service.clearRequests();
    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});
    QObject pane;

    EXPECT_EQ(m_sync->prepareOneWayWebToMac(&pane), ZVWSync::WebToMac::WipeFailed);
    exec(QStringLiteral("DROP TRIGGER keepItems"));
    deliverPosts();

    EXPECT_EQ(localItemNames(), itemsBefore);
    EXPECT_EQ(storedTagNames(), tagsBefore);
    EXPECT_EQ(storedCategoryNames(), categoriesBefore);
    EXPECT_EQ(localLinkCount(), 1);
    const SettingPtr stored = Setting::initWithPrimaryKey(1, db());
    EXPECT_EQ(stored->zvwDeletedTasks(), QStringLiteral(",999")) << "the pending deletions are kept";
    EXPECT_EQ(stored->lastUpdateWork(), 77) << "the stamps are kept";
    EXPECT_FALSE(m_sync->isSyncing()) << "no full pass downloads over what is left";
    EXPECT_EQ(requestsTo(QStringLiteral("GET"), QStringLiteral("/api/settings.json")), 0);
    EXPECT_TRUE(posts.names().isEmpty());
    for (const TaskPtr& item : dataManager().getAllTasksInDB()) EXPECT_GT(item->zvwID(), 0) << "still synced";
}

// A creation whose answer never came (lost once the service made the items,
// or slower than the time-out) leaves its items marked as sent: the next
// pass, full or a push, takes the ids of what the service made instead of
// creating them again, sends what changed here since, and creates only what
// the service never made. A weekly series off its weekdays, which the
// service's copy reads back with another start, finds its copy too.
TEST_F(FullPassTest, AnUnansweredCreationIsPairedWithWhatTheServiceMadeAndNotSentAgain)
{
    HttpSession::setDefaultTimeouts(HttpTimeouts{2.0, 2.0, 2.0});  // only the late answer is to miss them
    m_sync = std::make_unique<ZVWSync>();
    m_setting->setLatestSyncItem(0);  // the side file's, shared by the tests of this process
    populateAndSync();
    const CalendarPtr work = storedCategory(QStringLiteral("Work"));
    for (const auto& [name, kind, pushNext] :
         {std::tuple{"lost", ServiceFault::Lost, false}, std::tuple{"lost, push", ServiceFault::Lost, true},
          std::tuple{"late", ServiceFault::Delay, false}, std::tuple{"never made", ServiceFault::Drop, true}}) {
        SCOPED_TRACE(name);
        QList<qint64> keys;
        for (int n = 0; n < 60; ++n) {  // two requests: the second one goes unanswered
            const TaskPtr item = addLocalItem(QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(n, 2, 10, QLatin1Char('0')), work);
            if (n % 12 == 5) {  // Wednesday and Thursday starts
                makeSeriesOffItsWeekdays(*item, 4 + n % 2);
                ASSERT_TRUE(item->dehydrate());
            }
            keys.append(item->primaryKey());
        }
        ServiceFault fault;
        fault.kind = kind;
        fault.delayMs = 3000;
        fault.fromRequest = 2;
        m_service.setFault(QStringLiteral("POST"), QStringLiteral("/api/tasks.json"), fault);
        fullPass();
        const qsizetype made = kind == ServiceFault::Drop ? 50 : 60;
        const QLatin1String prefix(name);  // a lambda may not take a structured binding in C++20
        ASSERT_TRUE(processEventsUntil([&] { return serviceItemNames().filter(prefix).size() == made; }, 10000));
        m_service.clearFaults();
        const TaskPtr edited = Task::initWithPrimaryKey(keys.last());
        edited->setNotes(QStringLiteral("changed here"));
        ASSERT_TRUE(edited->dehydrate());

        if (pushNext) {
            m_sync->refreshToken();
            ASSERT_TRUE(m_sync->makeZvwKeyAPI());
            m_sync->oneWayAutoSyncItems();
        } else {
            fullPass();
        }
        EXPECT_EQ(serviceItemNames().filter(QLatin1String(name)).size(), 60) << "each item once";
        expectBothSidesEqual("after the next pass");
        QSet<qint64> ids;
        for (const QJsonObject& record : m_service.itemRecordsOf(account)) {
            ids.insert(record.value("id").toInteger());
            if (record.value("title").toString() == edited->taskName()) {
                EXPECT_EQ(record.value("content").toString(), QStringLiteral("changed here"));
            }
        }
        for (const qint64 key : keys) EXPECT_TRUE(ids.contains(Task::initWithPrimaryKey(key)->zvwID()));
        if (!pushNext) {
            EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM WebCreationsSent")), 0);
        }
    }
}

// A download that lists one id twice gives one row for it: the copy with the
// greater stamp (the first on equal stamps), whether the item was held here
// or is new.
TEST_F(FullPassTest, AnItemListedTwiceInADownloadIsStoredOnce)
{
    populateAndSync();
    const qint64 fresh = m_service.addItemRecord(account, {{"title", "New"}});
    const qint64 held = dataManager().getAllTasksInDB().first()->zvwID();
    for (const auto& [id, stampStep, title] :
         {std::tuple{fresh, 0, "New"}, std::tuple{fresh, 5, "New, later"}, std::tuple{held, 5, "Held, later"}}) {
        SCOPED_TRACE(title);
        QJsonArray listed;
        for (const QJsonObject& record : m_service.itemRecordsOf(account)) {
            listed.append(record);
            if (record.value("id").toInteger() != id) continue;
            QJsonObject copy = record;
            copy.insert("title", title);
            copy.insert("last_update", record.value("last_update").toInteger() + stampStep);
            listed.append(copy);
        }
        m_service.setFault(QStringLiteral("GET"), QStringLiteral("/api/tasks.json"), body(QJsonDocument(listed).toJson()));
        fullPass();
        m_service.clearFaults();
        QStringList rows;
        for (const TaskPtr& item : dataManager().getAllTasksInDB())
            if (item->zvwID() == id) rows.append(item->taskName());
        EXPECT_EQ(rows, QStringList{QString::fromLatin1(title)});
    }
}
