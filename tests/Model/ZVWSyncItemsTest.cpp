#include "WebExchangeFixture.h"

#include "LogCapture.h"
#include "RecordStore.h"
#include "Task.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

class ZVWSyncItemsTest : public WebExchangeTest {
protected:
    TaskPtr addLocalItem(const QString& name, qint64 calendarId = -1, qint64 zvwId = 0)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        if (calendarId >= 0) item->setCalendarId(calendarId);
        EXPECT_TRUE(item->insertAndDehydrate());
        if (zvwId) {
            item->setZvwID(zvwId);
            item->setHasChanges(0);
            EXPECT_TRUE(item->dehydrate());
        }
        return item;
    }
    TaskList addLocalItems(int count)
    {
        TaskList items;
        for (int i = 0; i < count; ++i) items.append(addLocalItem(QStringLiteral("Item %1").arg(i)));
        return items;
    }
    static TaskPtr storedItem(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey()); }
    // A loaded item always counts as changed: the column tells.
    qint64 storedChangeMark(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT hasChanges FROM Tasks WHERE primaryKey = %1").arg(item->primaryKey()));
    }
    QList<qsizetype> bodySizes(const QString& method, const QString& path)
    {
        QList<qsizetype> sizes;
        for (const ServiceRequest& request : requestsOf(method, path))
            sizes.append(QJsonDocument::fromJson(request.body).array().size());
        return sizes;
    }
    QStringList deletionAddresses()
    {
        QStringList ids;
        for (const ServiceRequest& request : requestsOf("DELETE", "/api/tasks/"))
            ids.append(request.path.section('/', -1).chopped(5));
        return ids;
    }
    static QString pendingIds(int from, int count)
    {
        QString text;
        for (int i = from; i < from + count; ++i) text += QStringLiteral(",%1").arg(i);
        return text;
    }
};

}  // namespace

TEST_F(ZVWSyncItemsTest, TheDownloadAsksForEveryItemAndReadsThemInOrder)
{
    const qint64 category = m_service.addCategory(account, {{"name", "Work"}, {"category_type", 0}});
    const CalendarPtr work = addLocalCategory("Work", category);
    const qint64 root = m_service.addItemRecord(account, {{"title", "Standup"}, {"task_type", 3}, {"category_id", category},
                                                          {"group_id", 0}, {"repeat", QJsonObject{{"repeat_type", "D"}}}});
    const qint64 child = m_service.addItemRecord(account, {{"title", "Moved standup"}, {"task_type", 3}, {"group_id", root}});
    startPass();
    m_sync->getItemsFromZVW();

    const QList<ServiceRequest> gets = requestsOf("GET", "/api/tasks.json");
    ASSERT_EQ(gets.size(), 1);
    EXPECT_EQ(gets[0].queryValue("lastupdate"), QStringLiteral("0"));
    EXPECT_EQ(gets[0].queryValue("type"), QStringLiteral("1,2,3,4"));
    EXPECT_EQ(gets[0].queryValue("get_share"), QStringLiteral("1"));
    EXPECT_EQ(gets[0].queryValue("fields").split(',').size(), 29);
    EXPECT_TRUE(gets[0].contentType.has_value());

    const TaskList items = m_sync->zvwWorkList();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->taskName(), QStringLiteral("Standup"));
    EXPECT_EQ(items[0]->calendarId(), work->primaryKey());
    EXPECT_EQ(items[1]->parentId(), root) << "the parent's server id";
    EXPECT_EQ(m_sync->findTaskWithZVWKey(child), items[1]);
    EXPECT_EQ(m_sync->findTaskWithZVWKey(999), nullptr);
    EXPECT_TRUE(m_sync->errorDescription().isEmpty());
    EXPECT_FALSE(m_sync->itemDownloadIncomplete());

    m_service.setChildrenFirst(true);
    m_sync->getItemsFromZVW();
    ASSERT_EQ(m_sync->zvwWorkList().size(), 2);
    EXPECT_EQ(m_sync->zvwWorkList()[0]->parentId(), 0) << "listed before its parent";
}

TEST_F(ZVWSyncItemsTest, ADownloadThatIsNotAListOfItemsStopsThePassAndKeepsTheLastList)
{
    addLocalItem("Synced", -1, 4242);
    m_service.addItemRecord(account, {{"title", "Known"}});
    const struct {
        const char* name;
        ServiceFault fault;
    } faults[] = {{"status 500", status(500)},
                  {"error object", body(R"({"error":1})")},
                  {"empty list against synced items", body("[]")},
                  {"not JSON", body("<html>")},
                  {"no body", body("")}};
    for (const auto& row : faults) {
        startPass();
        m_service.clearFaults();
        m_sync->getItemsFromZVW();
        ASSERT_EQ(m_sync->zvwWorkList().size(), 1) << row.name;
        m_service.setFault("GET", "/api/tasks.json", row.fault);
        PostedNotifications posts({kServerErrorNotification});
        m_sync->getItemsFromZVW();
        EXPECT_FALSE(m_sync->errorDescription().isEmpty()) << row.name;
        EXPECT_EQ(posts.names(), QStringList{kServerErrorNotification}) << row.name;
        ASSERT_EQ(m_sync->zvwWorkList().size(), 1) << row.name << ": the merge never sees a stale or empty list";
        EXPECT_EQ(m_sync->zvwWorkList()[0]->taskName(), QStringLiteral("Known"));
    }
    // In restore mode an empty list is the service's true state.
    m_setting->setDoRestore(1);
    m_service.setFault("GET", "/api/tasks.json", body("[]"));
    startPass();
    m_sync->getItemsFromZVW();
    EXPECT_TRUE(m_sync->errorDescription().isEmpty());
    EXPECT_TRUE(m_sync->zvwWorkList().isEmpty());
}

TEST_F(ZVWSyncItemsTest, RefusedRecordsMarkTheDownloadIncomplete)
{
    m_service.addItemRecord(account, {{"title", "Kept"}});
    m_service.addItemRecord(account, {{"title", "Broken"}});
    m_service.setRefusedTitle("Broken");
    startPass();
    m_sync->getItemsFromZVW();
    ASSERT_EQ(m_sync->zvwWorkList().size(), 1);
    EXPECT_TRUE(m_sync->itemDownloadIncomplete());
    EXPECT_TRUE(m_sync->isError());
    EXPECT_TRUE(m_sync->errorDescription().isEmpty()) << "the pass goes on";
}

TEST_F(ZVWSyncItemsTest, NewItemsGoUpInBatchesOfFiftyAndTakeTheirIds)
{
    TaskList items = addLocalItems(120);
    const TaskList sent = items;
    startPass();
    m_sync->addWorksFromList(items, false);

    EXPECT_TRUE(items.isEmpty()) << "the list is consumed";
    EXPECT_EQ(bodySizes("POST", "/api/tasks.json"), (QList<qsizetype>{50, 50, 20}));
    const QList<QJsonObject> onService = m_service.itemRecordsOf(account);
    ASSERT_EQ(onService.size(), 120);
    for (qsizetype i = 0; i < sent.size(); ++i) {
        const TaskPtr row = storedItem(sent[i]);
        EXPECT_EQ(row->zvwID(), onService[i].value("id").toInteger()) << i;
        EXPECT_EQ(row->lastUpdate(), onService[i].value("last_update").toInteger()) << i;
        EXPECT_EQ(storedChangeMark(sent[i]), 0) << i;
    }
}

// An item as its row holds it gets only the answer's columns written; one
// with a change not yet written gets its whole row, the change included.
TEST_F(ZVWSyncItemsTest, TheAnswerOfAnUploadKeepsAChangeNotYetWritten)
{
    TaskList items{addLocalItem("Clean"), addLocalItem("Dirty")};
    const TaskList sent = items;
    items[1]->setTaskName(QStringLiteral("Renamed before the answer"));
    items[1]->setIsPinned(1);
    startPass();
    m_sync->addWorksFromList(items, false);

    const QList<QJsonObject> onService = m_service.itemRecordsOf(account);
    ASSERT_EQ(onService.size(), 2);
    const struct {
        qsizetype index;
        const char* name;
        qint64 pinned;
    } expected[] = {{0, "Clean", 0}, {1, "Renamed before the answer", 1}};
    for (const auto& [index, name, pinned] : expected) {
        SCOPED_TRACE(name);
        const TaskPtr row = storedItem(sent[index]);
        EXPECT_EQ(row->zvwID(), onService[index].value("id").toInteger());
        EXPECT_EQ(row->lastUpdate(), onService[index].value("last_update").toInteger());
        EXPECT_EQ(row->taskName(), QLatin1String(name));
        EXPECT_EQ(row->isPinned(), pinned);
        EXPECT_EQ(storedChangeMark(sent[index]), 0);
        EXPECT_FALSE(sent[index]->dirty());
    }
}

TEST_F(ZVWSyncItemsTest, ItemsOfSharedCategoriesAreNotCreatedAndTheReplyPairsWithTheOthers)
{
    const CalendarPtr shared = addLocalCategory("Theirs", 55);
    shared->setExtraStatus(1);
    ASSERT_TRUE(shared->dehydrate());
    TaskList items{addLocalItem("First"), addLocalItem("Shared", shared->primaryKey()), addLocalItem("Third")};
    const TaskList batch = items;
    startPass();
    m_sync->addWorksFromList(items, true);

    EXPECT_EQ(bodySizes("POST", "/api/tasks.json"), QList<qsizetype>{2});
    const QList<QJsonObject> onService = m_service.itemRecordsOf(account);
    ASSERT_EQ(onService.size(), 2);
    EXPECT_EQ(storedItem(batch[0])->zvwID(), onService[0].value("id").toInteger());
    EXPECT_EQ(storedItem(batch[2])->zvwID(), onService[1].value("id").toInteger());
    EXPECT_EQ(storedItem(batch[1])->zvwID(), 0);
    EXPECT_NE(storedChangeMark(batch[1]), 0) << "it stays unsent";
}

TEST_F(ZVWSyncItemsTest, RefusedOrFailedUploadsLeaveTheItemsMarkedForTheNextOne)
{
    TaskList items{addLocalItem("Good"), addLocalItem("Bad"), addLocalItem("Fine")};
    const TaskList batch = items;
    m_service.setRefusedTitle("Bad");
    startPass();
    LogCapture log;
    m_sync->addWorksFromList(items, false);
    EXPECT_TRUE(log.contains(QStringLiteral("refused the creation of item %1").arg(batch[1]->primaryKey())));
    EXPECT_GT(storedItem(batch[0])->zvwID(), 0);
    EXPECT_EQ(storedItem(batch[1])->zvwID(), 0);
    EXPECT_NE(storedChangeMark(batch[1]), 0) << "sent again next time";
    EXPECT_GT(storedItem(batch[2])->zvwID(), 0);

    // A request that failed writes nothing back.
    m_service.setRefusedTitle(QString());
    m_service.setFault("POST", "/api/tasks.json", status(500));
    TaskList again{batch[1], addLocalItem("Later")};
    const TaskList second = again;
    LogCapture failure;
    m_sync->addWorksFromList(again, false);
    EXPECT_TRUE(failure.contains(QStringLiteral("An item creation request failed")));
    for (const TaskPtr& item : second) {
        EXPECT_EQ(storedItem(item)->zvwID(), 0);
        EXPECT_NE(storedChangeMark(item), 0);
    }
}

TEST_F(ZVWSyncItemsTest, AReplyWithMoreRecordsThanItemsAnswersOnlyTheItemsSent)
{
    TaskList items{addLocalItem("One"), addLocalItem("Two")};
    const TaskList batch = items;
    m_service.setFault("POST", "/api/tasks.json",
                       body(R"([{"id":801,"last_update":5},{"id":802,"last_update":6},{"id":803,"last_update":7}])"));
    startPass();
    m_sync->addWorksFromList(items, false);
    EXPECT_EQ(storedItem(batch[0])->zvwID(), 801);
    EXPECT_EQ(storedItem(batch[1])->zvwID(), 802);
    EXPECT_EQ(dataManager().getItemLocalId(803), -1);
}

TEST_F(ZVWSyncItemsTest, TheOrderGoesUpAndComesBackOnlyByTheOrderRule)
{
    TaskPtr item = addLocalItem("Ordered");
    item->setTaskOrder(7);
    ASSERT_TRUE(item->dehydrate());
    m_service.setFault("POST", "/api/tasks.json", body(R"([{"id":901,"order_number":40,"assignee_order":41}])"));
    startPass();
    TaskList list{item};
    m_sync->setWillUpdateRemoteOrder(false);
    m_sync->addWorksFromList(list, false);
    QJsonObject sent = QJsonDocument::fromJson(requestsOf("POST", "/api/tasks.json").last().body).array()[0].toObject();
    EXPECT_EQ(sent.value("order_number").toInteger(), 0);
    EXPECT_EQ(sent.value("assignee_order").toInteger(), 0);
    EXPECT_EQ(storedItem(item)->taskOrder(), 7) << "the reply's order is not taken";

    list = {item};
    m_sync->setWillUpdateRemoteOrder(true);
    m_sync->addWorksFromList(list, false);
    sent = QJsonDocument::fromJson(requestsOf("POST", "/api/tasks.json").last().body).array()[0].toObject();
    EXPECT_EQ(sent.value("order_number").toInteger(), 7);
    EXPECT_EQ(storedItem(item)->taskOrder(), 40);

    m_service.clearFaults();
    const qint64 id = m_service.addItemRecord(account, {{"title", "Ordered"}});
    item->setZvwID(id);
    ASSERT_TRUE(item->dehydrate());
    list = {item};
    m_sync->updateWorksFromList(list, true);
    sent = QJsonDocument::fromJson(requestsOf("PUT", "/api/tasks/update.json").last().body).array()[0].toObject();
    EXPECT_FALSE(sent.contains("order_number"));
    EXPECT_FALSE(sent.contains("assignee_order"));
    list = {item};
    m_sync->updateWorksFromList(list, false);
    sent = QJsonDocument::fromJson(requestsOf("PUT", "/api/tasks/update.json").last().body).array()[0].toObject();
    EXPECT_EQ(sent.value("order_number").toInteger(), 40);
    EXPECT_EQ(sent.value("assignee_order").toInteger(), 40);
    EXPECT_EQ(storedItem(item)->lastUpdate(), m_service.itemRecordsOf(account).last().value("last_update").toInteger());
    EXPECT_EQ(storedChangeMark(item), 0);
}

TEST_F(ZVWSyncItemsTest, AFailedWriteBackLeavesTheWholeBatchAsItWas)
{
    TaskList items{addLocalItem("One"), addLocalItem("Two")};
    const TaskList batch = items;
    startPass();
    // Fails a step of the second item's write: the first one's is rolled back too.
    m_service.setFault("POST", "/api/tasks.json", body(R"([{"id":701},{"id":702}])"));
    RecordStore::failStep(2);
    m_sync->addWorksFromList(items, false);
    for (const TaskPtr& item : batch) {
        const TaskPtr row = storedItem(item);
        EXPECT_EQ(row->zvwID(), 0);
        EXPECT_NE(storedChangeMark(item), 0);
        EXPECT_EQ(item->zvwID(), 0) << "memory is taken back as well";
    }
}

TEST_F(ZVWSyncItemsTest, PendingDeletionsGoInGroupsOfFiftyAndLeaveWhenAnswered)
{
    QList<qint64> ids;
    for (int i = 0; i < 120; ++i) ids.append(m_service.addItemRecord(account, {{"title", "Gone"}}));
    QString pending;
    for (const qint64 id : ids) pending += QStringLiteral(",%1").arg(id);
    m_setting->setZvwDeletedTasks(pending);
    startPass();
    m_sync->deleteItemsInLocal();
    const QStringList sent = deletionAddresses();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_EQ(sent[0].split(',').size(), 50);
    EXPECT_EQ(sent[1].split(',').size(), 50);
    EXPECT_EQ(sent[2].split(',').size(), 20);
    EXPECT_EQ(sent[0].split(',').first(), QString::number(ids.first()));
    EXPECT_TRUE(m_setting->zvwDeletedTasks().isEmpty());
    EXPECT_TRUE(m_service.itemRecordsOf(account).isEmpty());
}

TEST_F(ZVWSyncItemsTest, OnlyAnsweredIdsLeaveThePendingText)
{
    m_setting->setZvwDeletedTasks(",12,123");
    m_service.setFault("DELETE", "/api/tasks/12,123.json", body(R"([{"success":"12 deleted"}])"));
    startPass();
    m_sync->deleteItemsInLocal();
    EXPECT_EQ(m_setting->zvwDeletedTasks(), QStringLiteral(",123"));

    m_service.setFault("DELETE", "/api/tasks/123.json", body(R"([{"error":"123 not found"}])"));
    m_sync->deleteItemsInLocal();
    EXPECT_EQ(m_setting->zvwDeletedTasks(), QString()) << "an id answered with an error is gone there too";

    m_setting->setZvwDeletedTasks(",5");
    m_service.setFault("DELETE", "/api/tasks/5.json", status(500));
    m_sync->deleteItemsInLocal();
    EXPECT_EQ(m_setting->zvwDeletedTasks(), QStringLiteral(",5"));

    m_service.clearRequests();
    m_sync->setErrorDescription("earlier failure");
    m_sync->deleteItemsInLocal();
    EXPECT_TRUE(deletionAddresses().isEmpty()) << "a failed pass sends nothing";
}

TEST_F(ZVWSyncItemsTest, OnlyPositiveIdsEverReachADeletionAddress)
{
    m_setting->setZvwDeletedTasks(",0,5,x/../7,-3,7");
    startPass();
    LogCapture log;
    m_sync->deleteWork();
    EXPECT_EQ(deletionAddresses(), QStringList{"5,7"});
    EXPECT_EQ(m_setting->zvwDeletedTasks(), QStringLiteral(",0,x/../7,-3")) << "the merge's pass leaves the rest pending";

    m_service.clearRequests();
    m_sync->deleteItemsInLocal();
    EXPECT_TRUE(deletionAddresses().isEmpty());
    EXPECT_TRUE(log.contains("are dropped"));
    EXPECT_EQ(m_setting->zvwDeletedTasks(), QString());

    m_sync->deleteWork(QStringLiteral("5,../x"));
    EXPECT_TRUE(deletionAddresses().isEmpty());
}

TEST_F(ZVWSyncItemsTest, AStopLeavesTheRestUnsentAndABatchOfSharedItemsAnswersNone)
{
    TaskList items = addLocalItems(3);
    startPass();
    m_setting->setZvwDeletedTasks(",5");
    m_sync->setIsBreak(true);
    m_sync->addWorksFromList(items, false);
    EXPECT_EQ(items.size(), 3) << "a stop before the first item takes none of them";
    EXPECT_TRUE(requestsOf("POST", "/api/tasks.json").isEmpty());
    m_sync->deleteItemsInLocal();
    EXPECT_TRUE(deletionAddresses().isEmpty());
    m_sync->setIsBreak(false);

    const CalendarPtr shared = addLocalCategory("Theirs", 55);
    shared->setExtraStatus(1);
    ASSERT_TRUE(shared->dehydrate());
    TaskList theirs{addLocalItem("A", shared->primaryKey()), addLocalItem("B", shared->primaryKey())};
    m_sync->addWorksFromList(theirs, false);
    EXPECT_EQ(bodySizes("POST", "/api/tasks.json"), QList<qsizetype>{0}) << "an empty array still goes";
    EXPECT_TRUE(m_service.itemRecordsOf(account).isEmpty());
}

TEST_F(ZVWSyncItemsTest, AChildCreatedAfterItsRootNamesTheRootsNewServerId)
{
    const TaskPtr root = addLocalItem("Series");
    auto child = std::make_shared<Task>();
    child->setTaskName("Moved occurrence");
    child->setParentId(root->primaryKey());
    ASSERT_TRUE(child->insertAndDehydrate());
    startPass();
    TaskList roots{root};
    m_sync->addWorksFromList(roots, false);
    TaskList children{child};
    m_sync->addWorksFromList(children, false);
    const QList<ServiceRequest> posts = requestsOf("POST", "/api/tasks.json");
    ASSERT_EQ(posts.size(), 2);
    const QJsonObject sentRoot = QJsonDocument::fromJson(posts[0].body).array()[0].toObject();
    const QJsonObject sentChild = QJsonDocument::fromJson(posts[1].body).array()[0].toObject();
    EXPECT_EQ(sentRoot.value("group_id").toInteger(), 0);
    EXPECT_EQ(sentRoot.value("repeat").toObject(), QJsonObject{}) << "a one-off sends an empty repeat";
    EXPECT_GT(storedItem(root)->zvwID(), 0);
    EXPECT_EQ(sentChild.value("group_id").toInteger(), storedItem(root)->zvwID());
}
