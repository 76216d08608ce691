#include "WebExchangeFixture.h"

#include "Task.h"
#include "ZVComment.h"

namespace {

class ZVWSyncCommentsTest : public WebExchangeTest {
protected:
    void syncComments()
    {
        startPass();
        m_sync->getCommentsFromZVW();
        m_sync->syncCommentsWithZVW();
    }
    qint64 storedCount() { return queryInt("SELECT count(*) FROM Comments"); }
    qint64 column(qint64 zvwKey, const char* name)
    {
        return queryInt(QStringLiteral("SELECT %1 FROM Comments WHERE zvwKey = %2").arg(QLatin1String(name)).arg(zvwKey));
    }
    void storeLocalComment(qint64 zvwKey)
    {
        auto comment = std::make_shared<ZVComment>();
        comment->setZvwKey(zvwKey);
        comment->setContent("old");
        ASSERT_TRUE(comment->insertIntoDatabase(nullptr));
    }
};

}  // namespace

TEST_F(ZVWSyncCommentsTest, CommentsAreStoredOnTheirItemsAndCategories)
{
    const CalendarPtr category = addLocalCategory("Shared", 61);
    auto item = std::make_shared<Task>();
    ASSERT_TRUE(item->insertAndDehydrate());
    item->setZvwID(71);
    ASSERT_TRUE(item->dehydrate());
    m_setting->setLatestZVWSyncComment(500);

    m_service.addComment(account, {{"id", 1}, {"content", "on the item"}, {"status", 0}, {"root_id", 71},
                                   {"comment_type", 0}, {"first_name", "Bob"}, {"last_update", 400}});
    m_service.addComment(account, {{"id", 2}, {"content", "on the category"}, {"status", 1}, {"root_id", 61},
                                   {"comment_type", 1}, {"last_update", 600}});
    m_service.addComment(account, {{"id", 3}, {"content", "elsewhere"}, {"status", 2}, {"root_id", 61},
                                   {"comment_type", 2}, {"last_update", 450}});
    m_service.addComment(account, {{"id", 4}, {"root_id", 999}, {"last_update", 450}});
    syncComments();

    EXPECT_EQ(storedCount(), 4);
    EXPECT_EQ(column(1, "itemId"), item->primaryKey());
    EXPECT_EQ(column(2, "itemId"), category->primaryKey());
    EXPECT_EQ(column(3, "itemId"), 0) << "another kind names nothing here";
    EXPECT_EQ(column(4, "itemId"), -1) << "an item the organizer does not hold";
    EXPECT_EQ(column(2, "status"), 1);
    EXPECT_EQ(column(3, "status"), 0) << "an unknown status is unread";
    EXPECT_EQ(m_setting->latestZVWSyncComment(), 600);

    m_service.removeComment(account, 2);
    m_service.addComment(account, {{"id", 5}, {"last_update", 300}});
    syncComments();
    EXPECT_EQ(m_setting->latestZVWSyncComment(), 600) << "the stamp only grows";
    EXPECT_EQ(column(2, "count(*)"), 0) << "a comment the service lost is deleted";
}

TEST_F(ZVWSyncCommentsTest, ACommentReadHereStaysReadWhileItsOtherFieldsFollowTheService)
{
    m_service.addComment(account, {{"id", 8}, {"content", "first"}, {"status", 0}});
    syncComments();
    exec("UPDATE Comments SET status = 1 WHERE zvwKey = 8");
    m_service.addComment(account, {{"id", 8}, {"content", "edited"}, {"status", 0}});
    syncComments();
    EXPECT_EQ(column(8, "status"), 1);
    EXPECT_EQ(queryInt("SELECT count(*) FROM Comments WHERE zvwKey = 8 AND content = 'edited'"), 1);
}

TEST_F(ZVWSyncCommentsTest, OnlyAProperListDeletesStoredComments)
{
    storeLocalComment(21);
    auto unkeyed = std::make_shared<ZVComment>();
    ASSERT_TRUE(unkeyed->insertIntoDatabase(nullptr));
    exec("UPDATE Comments SET zvwKey = NULL WHERE zvwKey = 0");
    ASSERT_EQ(storedCount(), 2);

    const struct {
        const char* name;
        ServiceFault fault;
    } failures[] = {{"status 500", status(500)}, {"error object", body(R"({"error":3})")}, {"not JSON", body("{")}};
    for (const auto& row : failures) {
        m_service.setFault("GET", "/api/conversations.json", row.fault);
        syncComments();
        EXPECT_FALSE(m_sync->errorDescription().isEmpty()) << row.name;
        EXPECT_EQ(storedCount(), 2) << row.name;
    }
    m_service.setFault("GET", "/api/conversations.json", body(R"([{"error":"hidden"},{"id":30}])"));
    syncComments();
    EXPECT_TRUE(m_sync->errorDescription().isEmpty());
    EXPECT_EQ(storedCount(), 3) << "a list with refused records deletes nothing";

    m_service.setFault("GET", "/api/conversations.json", body("[]"));
    syncComments();
    EXPECT_EQ(storedCount(), 1) << "an empty list deletes every comment with a server key";
}
