#include "Clock.h"
#include "Link.h"
#include "ModelTestFixture.h"
#include "LogCapture.h"
#include "RecordFailureInjection.h"
#include "RecordGuard.h"

#include <atomic>
#include <thread>

namespace LinkTests {

namespace {

constexpr double aMorning = 1718258400.0;  // 2024-06-13 08:00:00 UTC

class LinkTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(aMorning));
    }
    void TearDown() override
    {
        Clock::reset();
        ModelTest::TearDown();
    }

    LinkPtr insertLink(qint64 root, qint64 target)
    {
        auto link = std::make_shared<Link>();
        link->setRootId(root);
        link->setTargetId(target);
        EXPECT_TRUE(link->insertIntoDatabase(db()));
        return link;
    }
};

TEST_F(LinkTest, InsertedLinkLoadsBackWithItsDatesAndJoinsTheLinkList)
{
    const LinkPtr link = insertLink(10, 20);
    EXPECT_GT(link->primaryKey(), 0);
    EXPECT_TRUE(link->dirty()) << "an insert leaves dirty as it was";
    EXPECT_EQ(dataManager().linkList(), LinkList{link});

    Link::finalizeStatements();
    const LinkPtr loaded = Link::initWithPrimaryKey(link->primaryKey(), db());
    EXPECT_EQ(loaded->rootId(), 10);
    EXPECT_EQ(loaded->targetId(), 20);
    EXPECT_EQ(loaded->createdDate(), Date::dateWithTimeIntervalSince1970(aMorning));
    EXPECT_EQ(loaded->updatedDate(), Date::dateWithTimeIntervalSince1970(aMorning));
    EXPECT_EQ(loaded->zvwKey(), 0);
    EXPECT_EQ(loaded->status(), 0);
    EXPECT_FALSE(loaded->dirty());
}

TEST_F(LinkTest, SavingStampsTheUpdateOnlyWhenSomethingChanged)
{
    const LinkPtr link = insertLink(10, 20);
    ASSERT_TRUE(link->dehydrate());
    const LinkPtr loaded = Link::initWithPrimaryKey(link->primaryKey(), db());

    Clock::advance(3600);
    ASSERT_TRUE(loaded->dehydrate());
    EXPECT_EQ(loaded->updatedDate(), Date::dateWithTimeIntervalSince1970(aMorning));

    loaded->setStatus(1);
    ASSERT_TRUE(loaded->dehydrate());
    EXPECT_FALSE(loaded->dirty());
    const LinkPtr reloaded = Link::initWithPrimaryKey(link->primaryKey(), db());
    EXPECT_EQ(reloaded->status(), 1);
    EXPECT_EQ(reloaded->updatedDate(), Date::dateWithTimeIntervalSince1970(aMorning + 3600));
    EXPECT_EQ(reloaded->createdDate(), Date::dateWithTimeIntervalSince1970(aMorning));
}

TEST_F(LinkTest, MissingRowGivesNoEndsNoDatesAndStatusZero)
{
    const LinkPtr link = Link::initWithPrimaryKey(404, db());
    EXPECT_EQ(link->primaryKey(), 404);
    EXPECT_EQ(link->rootId(), 0);
    EXPECT_EQ(link->targetId(), 0);
    EXPECT_TRUE(link->createdDate().isNull());
    EXPECT_TRUE(link->updatedDate().isNull());
    EXPECT_EQ(link->status(), 0);
    EXPECT_FALSE(link->dirty());
}

TEST_F(LinkTest, DeletingRemovesTheRowButNotTheListEntry)
{
    const LinkPtr link = insertLink(1, 2);
    ASSERT_TRUE(link->deleteFromDatabase());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Links WHERE primaryKey=%1").arg(link->primaryKey())), 0);
    EXPECT_EQ(dataManager().linkList(), LinkList{link});
}

TEST_F(LinkTest, FailedWriteIsReportedAndTheLinkStaysDirty)
{
    const LinkPtr link = insertLink(3, 4);
    ASSERT_TRUE(link->dehydrate());
    link->setStatus(1);
    LogCapture log;
    {
        WriteLockHolder otherProcess(dataFolder() + QStringLiteral("/Database.sql"));
        EXPECT_FALSE(link->dehydrate());
        EXPECT_TRUE(link->dirty());
        auto another = std::make_shared<Link>();
        EXPECT_FALSE(another->insertIntoDatabase(db()));
        EXPECT_EQ(dataManager().linkList(), LinkList{link});
    }
    EXPECT_EQ(log.messages(),
              QStringList({QStringLiteral("Error: failed to dehydrate with message 'database is locked'."),
                           QStringLiteral("Error: failed to insert into the database with message 'database is locked'.")}));
    ASSERT_TRUE(link->dehydrate());
    EXPECT_EQ(Link::initWithPrimaryKey(link->primaryKey(), db())->status(), 1);
}

// Loads share the cached statements with the writers: one must wait for a
// thread that is inside its guarded section.
TEST_F(LinkTest, LoadWaitsForAThreadInsideTheRecordLock)
{
    const LinkPtr link = insertLink(5, 6);
    std::atomic<bool> loaded{false};
    std::thread reader;
    {
        RecordGuard writer;
        reader = std::thread([&] {
            Link::initWithPrimaryKey(link->primaryKey(), nullptr);
            loaded = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(loaded) << "the load ran while another thread held the record lock";
    }
    reader.join();
    EXPECT_TRUE(loaded);
}

}  // namespace

}  // namespace LinkTests
