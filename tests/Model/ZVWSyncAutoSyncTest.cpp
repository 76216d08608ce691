#include "WebExchangeFixture.h"

#include "CoreData.h"
#include "Link.h"
#include "ManualScheduler.h"
#include "Scheduler.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "Utilities.h"

namespace {

// Pushes against the loopback service; time moves only with the scheduler.
class ZVWSyncAutoSyncTest : public WebExchangeTest {
protected:
    void SetUp() override
    {
        WebExchangeTest::SetUp();
        Scheduler::setCurrent(&m_scheduler);
        m_setting->setAutoZVWSync(1);
        // The sync-times side file may hold an earlier test's push.
        m_setting->setLatestSyncItem(0);
        internetReachable = true;
    }
    void TearDown() override
    {
        if (m_sync) m_sync->waitUntilIdle(5);
        internetReachable = false;
        Scheduler::setCurrent(nullptr);
        WebExchangeTest::TearDown();
    }

    static void request(qint64 bits)
    {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, bits);
    }
    // Moves time on, then lets a push that started end.
    void advance(double seconds)
    {
        m_scheduler.advance(seconds);
        ASSERT_TRUE(m_sync->waitUntilIdle(5));
    }
    TaskPtr addLocalItem(const QString& name, qint64 parentId = -1)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setParentId(parentId);
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }
    LinkPtr addLocalLink(const TaskPtr& root, const TaskPtr& target)
    {
        auto link = std::make_shared<Link>();
        link->setRootId(root->primaryKey());
        link->setTargetId(target->primaryKey());
        EXPECT_TRUE(dataManager().insertLink(link));
        return link;
    }
    // The data requests in order, as "METHOD path" (token requests left out).
    QStringList dataRequests()
    {
        QStringList lines;
        for (const ServiceRequest& request : m_service.requests())
            if (!request.path.startsWith(QStringLiteral("/api/token"))) lines.append(request.method + ' ' + request.path);
        return lines;
    }
    QStringList serviceItemTitles()
    {
        QStringList titles;
        for (const QJsonObject& record : m_service.itemRecordsOf(account))
            titles.append(record.value(QStringLiteral("title")).toString());
        titles.sort();
        return titles;
    }

    ManualScheduler m_scheduler;
};

}  // namespace

TEST_F(ZVWSyncAutoSyncTest, RequestsWithinTheQuietIntervalGiveOnePassThatPushesItemsThenLinks)
{
    const TaskPtr first = addLocalItem(QStringLiteral("Call the plumber"));
    const TaskPtr second = addLocalItem(QStringLiteral("Buy washers"));
    addLocalLink(first, second);
    PostedNotifications posts({kTaskChanged});

    request(2);
    advance(4);
    request(8);
    advance(4);
    request(2);
    advance(9.9);
    EXPECT_TRUE(m_service.requests().isEmpty()) << "each request restarted the quiet interval";
    advance(0.1);

    EXPECT_EQ(dataRequests(), (QStringList{"POST /api/tasks.json", "POST /api/hyperlinks.json"}));
    ASSERT_EQ(m_service.linkRecordsOf(account).size(), 1);
    const QJsonObject link = m_service.linkRecordsOf(account).first();
    EXPECT_EQ(link.value("root_id").toInteger(), Task::initWithPrimaryKey(first->primaryKey())->zvwID())
        << "the link names the items by the ids their upload just gave";
    EXPECT_TRUE(processEventsUntil([&] { return posts.names().contains(kTaskChanged); }));
    EXPECT_EQ(m_sync->pendingBits(), 0);
}

TEST_F(ZVWSyncAutoSyncTest, APassPushesTheKindsInTheOrderTagsCategoriesItemsLinksSettings)
{
    addLocalTag(QStringLiteral("home"));
    addLocalCategory(QStringLiteral("Errands"));
    const TaskPtr first = addLocalItem(QStringLiteral("Post the letter"));
    addLocalLink(first, addLocalItem(QStringLiteral("Stamps")));
    m_setting->setWeekStartDay(m_setting->weekStartDay() == 1 ? 0 : 1);
    ASSERT_TRUE(m_setting->dehydrate());

    request(32);
    request(8);
    request(2);
    request(1);
    request(4 | 16);
    advance(10);

    QStringList kinds;
    for (const QString& line : dataRequests()) {
        const QString path = line.section(' ', 1);
        const QString kind = path.section('/', 2, 2).section('.', 0, 0);
        if (kinds.isEmpty() || kinds.last() != kind) kinds.append(kind);
    }
    EXPECT_EQ(kinds, (QStringList{"tags", "categories", "tasks", "hyperlinks", "settings"}));
}

TEST_F(ZVWSyncAutoSyncTest, WithAutomaticSyncOffRequestsCollectAndNothingIsSent)
{
    addLocalItem(QStringLiteral("Water the plants"));
    m_setting->setAutoZVWSync(0);
    request(2);
    request(8);
    advance(30);
    EXPECT_TRUE(m_service.requests().isEmpty());
    EXPECT_EQ(m_sync->pendingBits(), 10);

    // Switched on again, the next request sends what was collected.
    m_setting->setAutoZVWSync(1);
    request(1);
    advance(10);
    EXPECT_EQ(serviceItemTitles(), QStringList{"Water the plants"});
    EXPECT_EQ(m_sync->pendingBits(), 0);
}

TEST_F(ZVWSyncAutoSyncTest, AFailedItemsUploadSendsTheSameItemsNextTimeAndTheServiceKeepsEachOnce)
{
    addLocalItem(QStringLiteral("Renew passport"));
    addLocalItem(QStringLiteral("Book flights"));
    m_service.setFault("POST", "/api/tasks.json", status(500));
    request(2);
    advance(10);
    EXPECT_EQ(requestsTo("POST", "/api/tasks.json"), 1);
    EXPECT_EQ(m_setting->latestSyncItem(), 0) << "nothing was answered: the time stays";

    m_service.clearFaults();
    request(2);
    advance(10);
    EXPECT_EQ(serviceItemTitles(), (QStringList{"Book flights", "Renew passport"}));
    EXPECT_GT(m_setting->latestSyncItem(), 0);

    // Answered items are not sent again.
    request(2);
    advance(10);
    EXPECT_EQ(requestsTo("POST", "/api/tasks.json"), 2);
    EXPECT_EQ(m_service.itemRecordsOf(account).size(), 2);
}

// The push time stops one second short of the push's start, so an edit
// made in that same second is not taken for sent.
TEST_F(ZVWSyncAutoSyncTest, AnEditInTheSecondOfThePushGoesWithTheNextPush)
{
    const TaskPtr item = addLocalItem(QStringLiteral("Draft"));
    request(2);
    advance(10);
    ASSERT_EQ(serviceItemTitles(), QStringList{"Draft"});
    const qint64 pushStart = qint64(Date::truncated(Utilities::toDBDate(Clock::now()).timeIntervalSince1970()));
    EXPECT_EQ(m_setting->latestSyncItem(), pushStart - 1);

    const TaskPtr edited = Task::initWithPrimaryKey(item->primaryKey());
    edited->setTaskName(QStringLiteral("Final"));
    ASSERT_TRUE(edited->dehydrate());  // the clock still reads the push's second
    request(2);
    advance(10);
    EXPECT_EQ(serviceItemTitles(), QStringList{"Final"});
}

// The owner of a shared category creates its items; one made here is not
// sent and does not keep the push time back.
TEST_F(ZVWSyncAutoSyncTest, ItemsOfASharedCategoryAreNotSentAndDoNotHoldThePushTimeBack)
{
    const CalendarPtr shared = addLocalCategory(QStringLiteral("Team"), 61, 3);
    shared->setExtraStatus(1);
    ASSERT_TRUE(shared->dehydrate());
    const TaskPtr theirs = addLocalItem(QStringLiteral("In their category"));
    theirs->setCalendarId(shared->primaryKey());
    ASSERT_TRUE(theirs->dehydrate());
    addLocalItem(QStringLiteral("Mine"));
    request(2);
    advance(10);
    EXPECT_EQ(serviceItemTitles(), QStringList{"Mine"});
    EXPECT_EQ(Task::initWithPrimaryKey(theirs->primaryKey())->zvwID(), 0);
    EXPECT_GT(m_setting->latestSyncItem(), 0) << "every item it sent was answered";
}

TEST_F(ZVWSyncAutoSyncTest, ARefusedRecordKeepsTheItemPushTimeAndTheItemGoesAgain)
{
    addLocalItem(QStringLiteral("Taxes"));
    addLocalItem(QStringLiteral("Dentist"));
    m_service.setRefusedTitle(QStringLiteral("Taxes"));
    request(2);
    advance(10);
    EXPECT_EQ(serviceItemTitles(), QStringList{"Dentist"});
    EXPECT_EQ(m_setting->latestSyncItem(), 0);

    m_service.setRefusedTitle(QString());
    request(2);
    advance(10);
    EXPECT_EQ(serviceItemTitles(), (QStringList{"Dentist", "Taxes"}));
}

TEST_F(ZVWSyncAutoSyncTest, TheLinksPushPurgesOnlyTheUnlinkedRowsWhoseDeletionWasAnswered)
{
    const TaskPtr root = addLocalItem(QStringLiteral("Plan trip"));
    const TaskPtr target = addLocalItem(QStringLiteral("Pack"));
    const LinkPtr link = addLocalLink(root, target);
    const qint64 key = m_service.addLinkRecord(account, 1, 2);
    link->setZvwKey(key);
    link->setStatus(1);
    ASSERT_TRUE(link->dehydrate());

    m_service.setFault("DELETE", QStringLiteral("/api/hyperlinks/%1.json").arg(key), status(500));
    request(8);
    advance(10);
    EXPECT_EQ(queryInt("SELECT count(*) FROM Links"), 1) << "the service still has it: the row stays marked";

    m_service.clearFaults();
    request(8);
    advance(10);
    EXPECT_EQ(queryInt("SELECT count(*) FROM Links"), 0);
    EXPECT_TRUE(m_service.linkRecordsOf(account).isEmpty());
}

TEST_F(ZVWSyncAutoSyncTest, APushTimerFiringWhileAnotherSyncRunsKeepsItsBitsAndTriesAgain)
{
    addLocalItem(QStringLiteral("Fix the bike"));
    ASSERT_TRUE(m_sync->takeSyncing(ZVWSync::SyncHolder::OneWay));
    request(2);
    m_scheduler.advance(10);
    EXPECT_TRUE(m_service.requests().isEmpty());
    EXPECT_EQ(m_sync->pendingBits(), 2);
    EXPECT_EQ(m_scheduler.pendingTimerCount(), 1) << "armed again";

    // Requests during a run are kept too; only a full pass drops them.
    request(8);
    EXPECT_EQ(m_sync->pendingBits(), 10);
    m_sync->releaseSyncing();
    advance(10);
    EXPECT_EQ(serviceItemTitles(), QStringList{"Fix the bike"});
    EXPECT_EQ(m_sync->pendingBits(), 0);
}

TEST_F(ZVWSyncAutoSyncTest, WithoutAStoredAccountThePendingKindsAreDroppedSilently)
{
    addLocalItem(QStringLiteral("Call mum"));
    m_setting->setZvwPassword(QString());
    request(2);
    advance(10);
    EXPECT_TRUE(m_service.requests().isEmpty());
    EXPECT_EQ(m_sync->pendingBits(), 0);
}

TEST_F(ZVWSyncAutoSyncTest, AFullSyncAskedForDuringAPushFollowsThePush)
{
    addLocalItem(QStringLiteral("Order firewood"));
    ServiceFault slow;
    slow.kind = ServiceFault::Delay;
    slow.delayMs = 300;
    m_service.setFault("POST", "/api/tasks.json", slow);
    PostedNotifications posts({kSyncZVWFinishedNotification});
    QObject pane;
    request(2);
    m_scheduler.advance(10);
    ASSERT_TRUE(processEventsUntil([&] { return requestsTo("POST", "/api/tasks.json") == 1; }));
    ASSERT_EQ(m_sync->syncHolder(), ZVWSync::SyncHolder::Push);

    EXPECT_TRUE(m_sync->backgroundFullSync(&pane)) << "kept for after the push";
    EXPECT_EQ(m_sync->syncHolder(), ZVWSync::SyncHolder::Push) << "the push keeps the guard until it ends";
    ASSERT_TRUE(processEventsUntil([&] { return requestsTo("GET", "/api/conversations.json") == 1; }, 10000));
    ASSERT_TRUE(m_sync->waitUntilIdle(10));
    ASSERT_TRUE(processEventsUntil([&] { return !posts.names().isEmpty(); }));

    const QStringList requests = dataRequests();
    const qsizetype pushed = requests.indexOf(QStringLiteral("POST /api/tasks.json"));
    const qsizetype passStart = requests.indexOf(QStringLiteral("GET /api/settings.json"));
    ASSERT_GE(pushed, 0);
    EXPECT_GT(passStart, pushed) << "the full pass starts after the push's last request";
    EXPECT_EQ(serviceItemTitles(), QStringList{"Order firewood"}) << "the pass found it sent, not sent twice";
    EXPECT_EQ(posts.posts().first().objectAs<QObject*>(), &pane) << "the asker hears of the pass it asked for";
    // The pass's last posts belong to this test.
    processEventsUntil([] { return false; }, 50);
}

TEST_F(ZVWSyncAutoSyncTest, AStopAskedForEarlierDoesNotStopTheNextPush)
{
    addLocalItem(QStringLiteral("Return library books"));
    m_sync->setIsBreak(true);
    request(2);
    advance(10);
    EXPECT_FALSE(m_sync->isBreak());
    EXPECT_EQ(serviceItemTitles(), QStringList{"Return library books"});
}

TEST_F(ZVWSyncAutoSyncTest, ChangesWhosePushWasRefusedDuringAFullPassGoWithTheNextPush)
{
    const TaskPtr before = addLocalItem(QStringLiteral("Before the pass"));
    ServiceFault slow;
    slow.kind = ServiceFault::Delay;
    slow.delayMs = 400;
    // The last download of the pass: the items and links steps are over by then.
    m_service.setFault("GET", "/api/conversations.json", slow);
    ASSERT_TRUE(m_sync->backgroundFullSync(nullptr));
    ASSERT_TRUE(processEventsUntil([&] { return requestsTo("GET", "/api/conversations.json") == 1; }, 10000));

    const TaskPtr during = addLocalItem(QStringLiteral("During the pass"));
    addLocalLink(before, during);
    request(2 | 8);
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(m_sync->pendingBits(), 0) << "refused while the pass runs";
    EXPECT_EQ(m_scheduler.pendingTimerCount(), 0);
    ASSERT_TRUE(m_sync->waitUntilIdle(10));
    EXPECT_EQ(serviceItemTitles(), QStringList{"Before the pass"});
    EXPECT_TRUE(m_service.linkRecordsOf(account).isEmpty());

    m_service.clearRequests();
    request(2 | 8);
    advance(10);
    EXPECT_EQ(serviceItemTitles(), (QStringList{"Before the pass", "During the pass"}));
    ASSERT_EQ(m_service.linkRecordsOf(account).size(), 1);
    EXPECT_EQ(m_service.linkRecordsOf(account).first().value("target_id").toInteger(),
              Task::initWithPrimaryKey(during->primaryKey())->zvwID());
    EXPECT_EQ(requestsTo("GET", "/api/tasks.json"), 0) << "a push, not another full pass";
    // The passes' last posts belong to this test.
    processEventsUntil([] { return false; }, 50);
}
