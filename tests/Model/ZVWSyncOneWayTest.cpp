#include "WebExchangeFixture.h"

#include "CoreData.h"
#include "Link.h"
#include "ManualScheduler.h"
#include "RecordingMainView.h"
#include "Scheduler.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "TextTable.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// Runs that replace the service's data with the local data; their ticks
// come from the manual scheduler, their requests go to the loopback service.
class ZVWSyncOneWayTest : public WebExchangeTest {
protected:
    void SetUp() override
    {
        WebExchangeTest::SetUp();
        Scheduler::setCurrent(&m_scheduler);
        internetReachable = true;
        // The side file is shared by the tests of this process.
        m_setting->setLatestBackupOnServer(0);
    }
    void TearDown() override
    {
        m_sync.reset();
        internetReachable = false;
        Scheduler::setCurrent(nullptr);
        WebExchangeTest::TearDown();
    }

    // Ticks until `done` holds (the run's thread and the main thread's
    // posts both get their turn); false after 30 s of ticks.
    bool tickUntil(const std::function<bool()>& done)
    {
        for (int tick = 0; tick < 300; ++tick) {
            if (done()) return true;
            m_scheduler.advance(0.1);
            processEventsUntil(done, 20);
        }
        return done();
    }
    bool runIsOver() const { return !webSyncBusy && m_sync->syncHolder() == ZVWSync::SyncHolder::None; }

    TaskPtr addLocalItem(const QString& name, qint64 calendarId, qint64 parentId = -1)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setCalendarId(calendarId);
        item->setParentId(parentId);
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }
    // The requests in order, as "METHOD path" (token requests left out).
    QStringList dataRequests()
    {
        QStringList lines;
        for (const ServiceRequest& request : m_service.requests())
            if (!request.path.startsWith(QStringLiteral("/api/token"))) lines.append(request.method + ' ' + request.path);
        return lines;
    }
    static QStringList names(const QList<QJsonObject>& records, const char* key)
    {
        QStringList found;
        for (const QJsonObject& record : records) found.append(record.value(QLatin1String(key)).toString());
        found.sort();
        return found;
    }
    // A service that already holds an account's worth of data.
    void fillService()
    {
        m_service.addTag(account, QStringLiteral("old tag"));
        const qint64 category = m_service.addCategory(account, {{"name", "Old category"}, {"category_type", 0}});
        m_service.addItem(account, category);
        m_service.addLinkRecord(account, 1, 2);
    }

    ManualScheduler m_scheduler;
    QObject m_pane;
};

}  // namespace

TEST_F(ZVWSyncOneWayTest, WithNoLocalRecordsTheRunEmptiesTheServiceAndUploadsCategoriesAndSettings)
{
    fillService();
    addLocalCategory(QStringLiteral("Home"));
    RecordingMainView mainView;
    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});

    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(tickUntil([&] { return !posts.names().isEmpty(); }));

    const QStringList requests = dataRequests();
    ASSERT_GE(requests.size(), 6);
    EXPECT_EQ(requests.mid(0, 4), (QStringList{"GET /api/backups.json", "DELETE /api/tags/0.json",
                                               "DELETE /api/hyperlinks/0.json", "DELETE /api/categories/0.json"}))
        << "a fresh installation's run asks for a server backup before it wipes anything";
    EXPECT_EQ(m_service.backupsOf(account), 1);
    EXPECT_EQ(requestsOf("DELETE", "/api/hyperlinks/0.json").first().queryValue("link_type"), QStringLiteral("0"));
    EXPECT_EQ(requestsOf("DELETE", "/api/categories/0.json").first().queryValue("del_personal_proj"), QStringLiteral("1"));
    EXPECT_EQ(requestsTo("POST", "/api/tags.json"), 0);
    EXPECT_EQ(requestsTo("POST", "/api/tasks.json"), 0);
    EXPECT_EQ(requestsTo("POST", "/api/hyperlinks.json"), 0);
    EXPECT_EQ(requestsTo("PUT", "/api/settings/updates.json"), 1);

    EXPECT_TRUE(m_service.tagsOf(account).isEmpty());
    EXPECT_TRUE(m_service.linkRecordsOf(account).isEmpty());
    EXPECT_TRUE(m_service.itemRecordsOf(account).isEmpty());
    EXPECT_EQ(names(m_service.categoriesOf(account), "name"), storedCategoryNames());
    EXPECT_EQ(posts.names(), QStringList{kSyncZVWFinishedNotification});
    EXPECT_EQ(posts.posts().first().objectAs<QObject*>(), &m_pane);
    EXPECT_TRUE(runIsOver());
    EXPECT_TRUE(processEventsUntil([&] { return mainView.calls().contains(QStringLiteral("hide")); }));
}

TEST_F(ZVWSyncOneWayTest, TheServiceEndsWithExactlyTheLocalRecords)
{
    fillService();
    addLocalTag(QStringLiteral("garden"));
    addLocalTag(QStringLiteral("stale"), 9999);
    const CalendarPtr home = addLocalCategory(QStringLiteral("Home"), 777, 5);
    const TaskPtr root = addLocalItem(QStringLiteral("Mow the lawn"), home->primaryKey());
    const TaskPtr other = addLocalItem(QStringLiteral("Rake leaves"), home->primaryKey());
    auto link = std::make_shared<Link>();
    link->setRootId(root->primaryKey());
    link->setTargetId(other->primaryKey());
    ASSERT_TRUE(dataManager().insertLink(link));
    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});

    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(tickUntil([&] { return !posts.names().isEmpty(); }));
    EXPECT_EQ(posts.names(), QStringList{kSyncZVWFinishedNotification});

    EXPECT_EQ(names(m_service.tagsOf(account), "name"), storedTagNames());
    EXPECT_EQ(names(m_service.categoriesOf(account), "name"), storedCategoryNames());
    EXPECT_EQ(names(m_service.itemRecordsOf(account), "title"), (QStringList{"Mow the lawn", "Rake leaves"}));
    for (const QJsonObject& record : m_service.itemRecordsOf(account)) {
        const qint64 id = record.value("id").toInteger();
        EXPECT_GE(dataManager().getItemLocalId(id), 1) << "the local item holds the new server id " << id;
    }
    EXPECT_NE(storedCategory(QStringLiteral("Home"))->zvwProjectId(), 777);
    ASSERT_EQ(m_service.linkRecordsOf(account).size(), 1);
    EXPECT_EQ(m_service.linkRecordsOf(account).first().value("root_id").toInteger(),
              Task::initWithPrimaryKey(root->primaryKey())->zvwID());
}

TEST_F(ZVWSyncOneWayTest, AFailedWipeUploadsNothingOfItsKindAndTheRunStillFinishes)
{
    struct Case {
        const char* wipe;
        QStringList notUploaded;
        const char* textKey;
    };
    const QList<Case> cases{
        {"/api/tags/0.json", {"/api/tags.json"}, "zvwReplaceTagsWipeErrorText"},
        {"/api/hyperlinks/0.json", {"/api/hyperlinks.json"}, "zvwReplaceLinksWipeErrorText"},
        {"/api/categories/0.json", {"/api/categories.json", "/api/tasks.json"}, "zvwReplaceCategoriesWipeErrorText"},
    };
    const CalendarPtr home = addLocalCategory(QStringLiteral("Home"));
    addLocalTag(QStringLiteral("garden"));
    const TaskPtr root = addLocalItem(QStringLiteral("Paint the fence"), home->primaryKey());
    auto link = std::make_shared<Link>();
    link->setRootId(root->primaryKey());
    link->setTargetId(addLocalItem(QStringLiteral("Buy paint"), home->primaryKey())->primaryKey());
    ASSERT_TRUE(dataManager().insertLink(link));

    for (const Case& test : cases) {
        SCOPED_TRACE(test.wipe);
        m_service.clearFaults();
        m_service.clearRequests();
        m_service.setFault("DELETE", test.wipe, status(500));
        PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});
        m_sync->backgroundOneWayMacToWeb(&m_pane);
        ASSERT_TRUE(tickUntil([&] { return posts.names().contains(kSyncZVWFinishedNotification); }));

        for (const QString& path : test.notUploaded) EXPECT_EQ(requestsTo("POST", path), 0) << path.toStdString();
        EXPECT_EQ(requestsTo("PUT", "/api/settings/updates.json"), 1) << "the other steps still run";
        ASSERT_EQ(posts.names(), (QStringList{kServerErrorNotification, kSyncZVWFinishedNotification}));
        EXPECT_EQ(posts.posts().first().objectAs<QString>(), TextTable::localizedString(QLatin1String(test.textKey)));
        EXPECT_TRUE(runIsOver());
    }
}

TEST_F(ZVWSyncOneWayTest, ASecondRunWaitsForTheFirstAndThenRunsInFull)
{
    addLocalCategory(QStringLiteral("Home"));
    addLocalTag(QStringLiteral("garden"));
    PostedNotifications posts({kSyncZVWFinishedNotification});
    m_sync->backgroundOneWayMacToWeb(&m_pane);
    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(tickUntil([&] { return posts.names().size() == 2; }));

    // Each run's requests together, the second after the first's last one.
    const QStringList requests = dataRequests();
    QStringList oneRun{"DELETE /api/tags/0.json", "DELETE /api/hyperlinks/0.json", "DELETE /api/categories/0.json",
                       "POST /api/tags.json"};
    for (qsizetype i = 0; i < storedCategoryNames().size(); ++i) oneRun.append("POST /api/categories.json");
    oneRun.append("PUT /api/settings/updates.json");
    // Only the first run asks for a server backup: the second is within eight hours of it.
    EXPECT_EQ(requests, QStringList{"GET /api/backups.json"} + oneRun + oneRun);
    EXPECT_EQ(names(m_service.tagsOf(account), "name"), QStringList{"garden"}) << "nothing twice";
    EXPECT_EQ(names(m_service.categoriesOf(account), "name"), storedCategoryNames());
    EXPECT_TRUE(runIsOver());
}

TEST_F(ZVWSyncOneWayTest, AFailingTokenRequestEndsTheRunWithNothingSentOrPosted)
{
    m_service.setFault("GET", "/api/token.json", body(R"({"error":1})"));
    m_service.setFault("POST", "/api/token.json", body(R"({"error":1})"));
    RecordingMainView mainView;
    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});
    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(tickUntil([&] { return !m_service.requestsTo("/api/token.json").isEmpty() && runIsOver(); }));
    processEventsUntil([&] { return mainView.calls().contains(QStringLiteral("hide")); }, 1000);

    EXPECT_TRUE(dataRequests().isEmpty());
    EXPECT_TRUE(posts.names().isEmpty());
    EXPECT_FALSE(webSyncBusy);
    EXPECT_TRUE(mainView.calls().contains(QStringLiteral("hide")));
}

TEST_F(ZVWSyncOneWayTest, ThePreparationNeedsAnAccountAndTheRunEmptiesThePendingDeletionsOnlyWhenItFinishedWell)
{
    m_setting->setZvwPassword(QString());
    EXPECT_FALSE(m_sync->replaceWebWithLocal(&m_pane));

    m_setting->setZvwPassword(QStringLiteral("secret"));
    m_setting->setAutoZVWSync(1);
    m_setting->setZvwDeletedTag(QStringLiteral(",4"));
    m_setting->setZvwDeletedProjects(QStringLiteral(",5"));
    m_setting->setZvwDeletedTasks(QStringLiteral(",6"));
    ASSERT_TRUE(m_setting->dehydrate());
    PostedNotifications posts({kSyncZVWFinishedNotification});
    ASSERT_TRUE(m_sync->replaceWebWithLocal(&m_pane));
    EXPECT_EQ(m_setting->autoZVWSync(), 0);
    EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->zvwDeletedTasks(), QStringLiteral(",6"))
        << "kept until the run has finished";
    // A deletion made while the run goes on is left for the next sync.
    m_setting->setZvwDeletedTasks(QStringLiteral(",6,7"));
    ASSERT_TRUE(tickUntil([&] { return !posts.names().isEmpty(); }));
    const SettingPtr stored = Setting::initWithPrimaryKey(1, db());
    EXPECT_EQ(stored->zvwDeletedTag(), QString());
    EXPECT_EQ(stored->zvwDeletedProjects(), QString());
    EXPECT_EQ(stored->zvwDeletedTasks(), QStringLiteral(",7"));
    EXPECT_EQ(requestsTo("DELETE", "/api/tasks/"), 0) << "the run sends no deletions";

    // A run that fails keeps them all.
    m_setting->setZvwDeletedTag(QStringLiteral(",4"));
    ASSERT_TRUE(m_setting->dehydrate());
    m_service.setFault("DELETE", "/api/tags/0.json", status(500));
    PostedNotifications failed({kSyncZVWFinishedNotification});
    ASSERT_TRUE(m_sync->replaceWebWithLocal(&m_pane));
    ASSERT_TRUE(tickUntil([&] { return !failed.names().isEmpty(); }));
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->zvwDeletedTag(), QStringLiteral(",4"));
    EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->zvwDeletedTasks(), QStringLiteral(",7"));
}

TEST_F(ZVWSyncOneWayTest, WithoutNetworkNothingStarts)
{
    internetReachable = false;
    PostedNotifications posts({kSyncZVWFinishedNotification});
    m_sync->backgroundOneWayMacToWeb(&m_pane);
    m_scheduler.advance(1);
    processEventsUntil([] { return false; }, 100);
    EXPECT_TRUE(m_service.requests().isEmpty());
    EXPECT_TRUE(posts.names().isEmpty());
    EXPECT_FALSE(webSyncBusy);
}

TEST_F(ZVWSyncOneWayTest, ARunWaitsForAPassUnderWayAndAFullSyncAskedForMeanwhileFollowsIt)
{
    PostedNotifications posts({kSyncZVWFinishedNotification});
    ASSERT_TRUE(m_sync->takeSyncing(ZVWSync::SyncHolder::Push));
    m_sync->backgroundOneWayMacToWeb(&m_pane);
    for (int tick = 0; tick < 5; ++tick) {
        m_scheduler.advance(0.1);
        processEventsUntil([] { return false; }, 20);
    }
    EXPECT_TRUE(m_service.requests().isEmpty()) << "the run waits for the pass";
    EXPECT_FALSE(webSyncBusy);
    m_sync->releaseSyncing();

    ASSERT_TRUE(tickUntil([&] { return m_sync->syncHolder() == ZVWSync::SyncHolder::OneWay; }));
    EXPECT_TRUE(m_sync->backgroundFullSync(nullptr)) << "kept for after the run";
    ASSERT_TRUE(tickUntil([&] { return !posts.names().isEmpty(); }));
    EXPECT_TRUE(m_sync->waitUntilIdle(5)) << "the full sync followed the run and ended";
    const QStringList requests = dataRequests();
    const qsizetype runEnd = requests.lastIndexOf(QStringLiteral("PUT /api/settings/updates.json"));
    ASSERT_GE(runEnd, 0);
    EXPECT_TRUE(requests.mid(runEnd + 1).contains(QStringLiteral("GET /api/settings.json")))
        << "the full pass's downloads come after the run's last upload";
    // A pass nobody asked for by name posts no finished notice of its own.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(posts.names().size(), 1);
}

TEST_F(ZVWSyncOneWayTest, WithTheRealTimersTheRunTicksOnItsOwnThread)
{
    Scheduler::setCurrent(nullptr);
    PostedNotifications posts({kSyncZVWFinishedNotification});
    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(processEventsUntil(
        [&] { return !posts.names().isEmpty() && posts.posts().last().objectAs<QObject*>() == &m_pane; }, 10000));
    EXPECT_EQ(requestsTo("PUT", "/api/settings/updates.json"), 1);
    EXPECT_TRUE(processEventsUntil([&] { return runIsOver(); }, 1000));
}

TEST_F(ZVWSyncOneWayTest, RecordsWhoseUploadFailsStayNewInsteadOfKeepingIdsTheServiceNoLongerHas)
{
    const CalendarPtr home = addLocalCategory(QStringLiteral("Home"), 31, 2);
    const TaskPtr item = addLocalItem(QStringLiteral("Clean gutters"), home->primaryKey());
    item->setZvwID(4242);
    ASSERT_TRUE(item->dehydrate());
    const TagPtr tag = addLocalTag(QStringLiteral("outdoor"), 77);
    m_service.setFault("POST", "/api/tasks.json", status(500));
    m_service.setFault("POST", "/api/tags.json", status(500));
    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});

    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(tickUntil([&] { return posts.names().contains(kSyncZVWFinishedNotification); }));

    EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey())->zvwID(), 0) << "the next merge must not delete it";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT zvwKey FROM Tag WHERE primaryKey = %1").arg(tag->primaryKey())), 0);
    EXPECT_GT(storedCategory(QStringLiteral("Home"))->zvwProjectId(), 0) << "the category went up";
    ASSERT_EQ(posts.names(), (QStringList{kServerErrorNotification, kServerErrorNotification, kSyncZVWFinishedNotification}));
    EXPECT_EQ(posts.posts()[0].objectAs<QString>(),
              TextTable::localizedString(QStringLiteral("zvwReplaceTagsUploadErrorText")).arg(1));
    EXPECT_EQ(posts.posts()[1].objectAs<QString>(),
              TextTable::localizedString(QStringLiteral("zvwReplaceItemsUploadErrorText")).arg(1));
}

TEST_F(ZVWSyncOneWayTest, ItemsOfACategorySharedWithThisUserKeepTheirIdsAndAreNotSent)
{
    const CalendarPtr shared = addLocalCategory(QStringLiteral("Team"), 61, 3);
    shared->setExtraStatus(1);
    ASSERT_TRUE(shared->dehydrate());
    const TaskPtr theirs = addLocalItem(QStringLiteral("Their task"), shared->primaryKey());
    theirs->setZvwID(555);
    ASSERT_TRUE(theirs->dehydrate());
    addLocalItem(QStringLiteral("My task"), addLocalCategory(QStringLiteral("Mine"))->primaryKey());
    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});

    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(tickUntil([&] { return posts.names().contains(kSyncZVWFinishedNotification); }));

    EXPECT_EQ(posts.names(), QStringList{kSyncZVWFinishedNotification});
    EXPECT_EQ(Task::initWithPrimaryKey(theirs->primaryKey())->zvwID(), 555);
    EXPECT_EQ(names(m_service.itemRecordsOf(account), "title"), QStringList{"My task"});
    EXPECT_EQ(storedCategory(QStringLiteral("Team"))->zvwProjectId(), 61);
}

TEST_F(ZVWSyncOneWayTest, ItemsOfACategoryThisUserSharesWithOthersSurviveTheRunAndTheNextFullSync)
{
    // The account as a first full pass brings it down: a category this user
    // shares with someone else, with items of its own, and a private one.
    const qint64 team = m_service.addCategory(account, {{"name", "Team"}, {"category_type", 0}});
    m_service.shareCategory(account, team, QStringLiteral("bob@example.com"), 1);
    const qint64 mine = m_service.addCategory(account, {{"name", "Mine"}, {"category_type", 0}});
    m_service.addItemRecord(account, {{"title", "Plan the offsite"}, {"category_id", team}, {"task_type", 1}});
    m_service.addItemRecord(account, {{"title", "Book the room"}, {"category_id", team}, {"task_type", 1}});
    m_service.addItemRecord(account, {{"title", "Water plants"}, {"category_id", mine}, {"task_type", 1}});
    ASSERT_TRUE(m_sync->backgroundFullSync(nullptr));
    ASSERT_TRUE(m_sync->waitUntilIdle(20));
    const CalendarPtr stored = storedCategory(QStringLiteral("Team"));
    ASSERT_NE(stored, nullptr);
    ASSERT_TRUE(stored->hasShared());
    const auto localNames = [this] {
        QStringList found;
        for (const TaskPtr& item : dataManager().getAllTasksInDB()) found.append(item->taskName());
        found.sort();
        return found;
    };
    const QStringList everything{"Book the room", "Plan the offsite", "Water plants"};
    ASSERT_EQ(localNames(), everything);

    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});
    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(tickUntil([&] { return posts.names().contains(kSyncZVWFinishedNotification); }));
    EXPECT_EQ(posts.names(), QStringList{kSyncZVWFinishedNotification});
    EXPECT_EQ(names(m_service.itemRecordsOf(account), "title"), everything) << "the service holds every local item";
    const qint64 teamNow = storedCategory(QStringLiteral("Team"))->zvwProjectId();
    for (const QJsonObject& record : m_service.itemRecordsOf(account)) {
        if (record.value("title").toString() != QStringLiteral("Water plants")) {
            EXPECT_EQ(record.value("category_id").toInteger(), teamNow) << "under the category's new id";
        }
    }

    ASSERT_TRUE(m_sync->backgroundFullSync(nullptr));
    ASSERT_TRUE(m_sync->waitUntilIdle(20));
    EXPECT_EQ(localNames(), everything) << "the next full sync keeps every item here";
    EXPECT_EQ(names(m_service.itemRecordsOf(account), "title"), everything);
}

TEST_F(ZVWSyncOneWayTest, AStopAskedForEarlierDoesNotStopTheRun)
{
    const CalendarPtr home = addLocalCategory(QStringLiteral("Home"));
    addLocalItem(QStringLiteral("Fix the gate"), home->primaryKey());
    m_sync->setIsBreak(true);
    PostedNotifications posts({kSyncZVWFinishedNotification, kServerErrorNotification});

    m_sync->backgroundOneWayMacToWeb(&m_pane);
    ASSERT_TRUE(tickUntil([&] { return posts.names().contains(kSyncZVWFinishedNotification); }));

    EXPECT_EQ(posts.names(), QStringList{kSyncZVWFinishedNotification});
    EXPECT_FALSE(m_sync->isBreak());
    EXPECT_EQ(names(m_service.itemRecordsOf(account), "title"), QStringList{"Fix the gate"});
}
