#include "WebExchangeFixture.h"

#include "CoreData.h"
#include "LogCapture.h"
#include "Notifications.h"
#include "Task.h"

#include <QJsonDocument>

namespace {

class ZVWSyncStatusTest : public WebExchangeTest {
protected:
    void SetUp() override
    {
        WebExchangeTest::SetUp();
        internetReachable = true;
        m_service.addAccount(owner, "pw");
    }
    void TearDown() override
    {
        internetReachable = false;
        WebExchangeTest::TearDown();
    }
    // A category the owner shares with the user, stored here unanswered.
    CalendarPtr sharedCategory(qint64* serverId)
    {
        *serverId = m_service.addCategory(owner, {{"name", "Team"}, {"category_type", 0}});
        m_service.shareCategory(owner, *serverId, account, 0);
        const CalendarPtr category = addLocalCategory("Team", *serverId);
        category->setExtraStatus(1);
        EXPECT_TRUE(category->dehydrate());
        return category;
    }
    TaskPtr delegatedTask(qint64* serverId)
    {
        *serverId = m_service.addItemRecord(owner, {{"title", "Do it"}, {"task_type", 2}, {"assignee_email", account}});
        auto task = std::make_shared<Task>();
        task->setTaskName("Do it");
        task->setAssigneeEmail(account);
        EXPECT_TRUE(task->insertAndDehydrate());
        task->setZvwID(*serverId);
        EXPECT_TRUE(task->dehydrate());
        return task;
    }
    bool taskStored(const TaskPtr& task)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey = %1").arg(task->primaryKey())) == 1;
    }
    static ServiceFault dropped()
    {
        ServiceFault fault;
        fault.kind = ServiceFault::Drop;
        return fault;
    }
    const QString owner = QStringLiteral("owner@example.com");
};

}  // namespace

TEST_F(ZVWSyncStatusTest, AcceptingASharedCategorySendsTheAnswerAndSavesIt)
{
    qint64 id = 0;
    const CalendarPtr category = sharedCategory(&id);
    category->setSharedStatus(1);
    PostedNotifications posts({kShareItemChangedStatusNotification});
    m_sync->changeItemStatus(category);

    const QList<ServiceRequest> puts = requestsOf("PUT", "/api/status/updates.json");
    ASSERT_EQ(puts.size(), 1);
    EXPECT_EQ(puts[0].body, QByteArray("[{\"obj_id\":") + QByteArray::number(id) + ",\"stt_type\":2,\"stt\":1}]");
    EXPECT_EQ(queryInt(QStringLiteral("SELECT sharedStatus FROM Calendars WHERE primaryKey = %1").arg(category->primaryKey())), 1);
    EXPECT_EQ(posts.names(), QStringList{kShareItemChangedStatusNotification});
}

TEST_F(ZVWSyncStatusTest, RejectingASharedCategoryDeletesItWithItsItems)
{
    qint64 id = 0;
    const CalendarPtr category = sharedCategory(&id);
    auto item = std::make_shared<Task>();
    item->setCalendarId(category->primaryKey());
    ASSERT_TRUE(item->insertAndDehydrate());
    category->setSharedStatus(2);
    m_sync->changeItemStatus(category);
    EXPECT_EQ(storedCategory("Team"), nullptr);
    EXPECT_FALSE(taskStored(item));
}

TEST_F(ZVWSyncStatusTest, RejectingADelegatedTaskDeletesItOnlyWithoutPermission)
{
    const struct {
        qint64 permission;
        bool stays;
    } rows[] = {{0, false}, {1, true}, {2, true}};
    for (const auto& row : rows) {
        qint64 id = 0;
        const TaskPtr task = delegatedTask(&id);
        m_service.setPermission(id, row.permission);
        task->setDelegateStatus(2);
        m_sync->changeItemStatus(task);
        EXPECT_EQ(taskStored(task), row.stays) << row.permission;
        if (!row.stays) continue;
        const TaskPtr stored = Task::initWithPrimaryKey(task->primaryKey());
        EXPECT_EQ(stored->delegateStatus(), 0) << row.permission;
        EXPECT_EQ(stored->assigneeEmail(), QStringLiteral("")) << "no longer delegated";
    }
    EXPECT_EQ(m_service.statusAnswers().size(), 3);
    EXPECT_EQ(m_service.statusAnswers()[0].value("stt_type").toInteger(), 1);
}

TEST_F(ZVWSyncStatusTest, AnAnswerRefusedOrNotReceivedIsTakenBackAndNotSaved)
{
    qint64 id = 0;
    const TaskPtr task = delegatedTask(&id);
    const struct {
        const char* name;
        ServiceFault fault;
    } rows[] = {{"error record", body(R"([{"error":"no"}])")},
                {"error object", body(R"({"error":1})")},
                {"status 503", status(503)},
                {"dropped", dropped()}};
    for (const auto& row : rows) {
        m_service.setFault("PUT", "/api/status/updates.json", row.fault);
        task->setDelegateStatus(1);
        PostedNotifications posts({kShareItemChangedStatusNotification});
        m_sync->changeItemStatus(task);
        EXPECT_EQ(task->delegateStatus(), 0) << row.name;
        EXPECT_EQ(posts.names(), QStringList{kShareItemChangedStatusNotification}) << row.name;
        EXPECT_EQ(Task::initWithPrimaryKey(task->primaryKey())->delegateStatus(), 0) << row.name << ": nothing saved";
    }
    // A reply without an object changes nothing.
    for (const QByteArray& reply : {QByteArray("[]"), QByteArray("[7]"), QByteArray("{}")}) {
        m_service.setFault("PUT", "/api/status/updates.json", body(reply));
        task->setDelegateStatus(1);
        PostedNotifications posts({kShareItemChangedStatusNotification, kTaskChanged});
        m_sync->changeItemStatus(task);
        EXPECT_EQ(task->delegateStatus(), 1) << reply.constData();
        EXPECT_TRUE(posts.names().isEmpty()) << reply.constData();
    }
}

TEST_F(ZVWSyncStatusTest, NothingIsSentWithoutNetworkOrAccount)
{
    qint64 id = 0;
    const TaskPtr task = delegatedTask(&id);
    task->setDelegateStatus(1);
    internetReachable = false;
    m_sync->changeItemStatus(task);
    internetReachable = true;
    m_setting->setZvwPassword(QString());
    m_sync->changeItemStatus(task);
    m_sync->changeItemStatus(TaskPtr());
    EXPECT_TRUE(requestsOf("PUT", "/api/status/updates.json").isEmpty());
    EXPECT_EQ(task->delegateStatus(), 1);
}

TEST(ZVWSyncStatusAnswer, PermissionsBecomeTaskRoles)
{
    const struct {
        std::optional<qint64> permission;
        qint32 role;
    } rows[] = {{0, 4}, {1, 2}, {2, 1}, {3, 0}, {-1, 0}, {std::nullopt, 0}};
    for (const auto& row : rows) EXPECT_EQ(ZVWSync::taskRoleForPermission(row.permission), row.role);
}
