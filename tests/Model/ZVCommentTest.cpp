#include "Clock.h"
#include "ModelTestFixture.h"
#include "LogCapture.h"
#include "RecordFailureInjection.h"
#include "RecordGuard.h"
#include "ZVComment.h"

#include <atomic>
#include <functional>
#include <thread>

namespace {

constexpr double anAfternoon = 1718287200.0;  // 2024-06-13 14:00:00 UTC

class ZVCommentTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(anAfternoon));
    }
    void TearDown() override
    {
        Clock::reset();
        ModelTest::TearDown();
    }

    static ZVComment annsComment(qint64 zvwKey)
    {
        ZVComment comment;
        comment.setContent(QStringLiteral("Looks good"));
        comment.setZvwKey(zvwKey);
        comment.setItemKey(14);
        comment.setFirstName(QStringLiteral("Ann"));
        comment.setLastName(QStringLiteral("Lee"));
        comment.setIsOwner(true);
        comment.setType(2);
        return comment;
    }

    QString storedText(const char* column, qint64 key)
    {
        sqlite3_stmt* statement = nullptr;
        const QByteArray sql = QByteArray("SELECT ") + column + " FROM Comments WHERE primaryKey=?";
        sqlite3_prepare_v2(db(), sql.constData(), -1, &statement, nullptr);
        sqlite3_bind_int64(statement, 1, key);
        QString text;
        if (sqlite3_step(statement) == SQLITE_ROW)
            text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return text;
    }

    qint64 countComments() { return queryInt(QStringLiteral("SELECT count(*) FROM Comments")); }
};

TEST_F(ZVCommentTest, FirstNameIsStoredInTheLastNameColumnAndLoadsBack)
{
    ZVComment comment = annsComment(500);
    const std::optional<qint64> key = comment.insertIntoDatabase(db());
    ASSERT_TRUE(key);
    EXPECT_EQ(*key, comment.primaryKey());
    EXPECT_EQ(storedText("commetorLastName", *key), QStringLiteral("Ann"));
    EXPECT_EQ(storedText("commetorFirstName", *key), QStringLiteral("Lee"));

    ZVComment::finalizeStatements();
    const ZVCommentPtr loaded = ZVComment::initWithPrimaryKey(*key, db());
    EXPECT_EQ(loaded->firstName(), QStringLiteral("Ann"));
    EXPECT_EQ(loaded->lastName(), QStringLiteral("Lee"));
    EXPECT_EQ(loaded->content(), QStringLiteral("Looks good"));
    EXPECT_EQ(loaded->zvwKey(), 500);
    EXPECT_EQ(loaded->itemKey(), 14);
    EXPECT_TRUE(loaded->isOwner());
    EXPECT_EQ(loaded->type(), 2);
    EXPECT_EQ(loaded->createdDate(), Date::dateWithTimeIntervalSince1970(anAfternoon));
    EXPECT_EQ(loaded->updatedDate(), Date::dateWithTimeIntervalSince1970(anAfternoon));
}

TEST_F(ZVCommentTest, MissingRowGivesOnlyTheKey)
{
    const ZVCommentPtr comment = ZVComment::initWithPrimaryKey(77, db());
    EXPECT_EQ(comment->primaryKey(), 77);
    EXPECT_TRUE(comment->content().isNull());
    EXPECT_TRUE(comment->createdDate().isNull());
    EXPECT_EQ(comment->zvwKey(), 0);
}

TEST_F(ZVCommentTest, StoredStatusAnswersNotStoredUnchangedOrChanged)
{
    for (bool byZvwKey : {true, false}) {
        ZVComment comment = annsComment(600);
        EXPECT_EQ(comment.checkStatusInDB(byZvwKey), ZVComment::NotStored);
        ASSERT_TRUE(comment.insertIntoDatabase(db()));
        EXPECT_EQ(comment.checkStatusInDB(byZvwKey), ZVComment::Unchanged);
        comment.setContent(QStringLiteral("Edited"));
        EXPECT_EQ(comment.checkStatusInDB(byZvwKey), ZVComment::Changed);
        ASSERT_TRUE(comment.deleteFromDatabase());
        EXPECT_EQ(comment.checkStatusInDB(byZvwKey), ZVComment::NotStored);
    }
}

TEST_F(ZVCommentTest, OnlyStatusDateTextAndNamesCountAsChanges)
{
    struct Case {
        const char* what;
        std::function<void(ZVComment&)> change;
        qint64 expected;
    };
    const QList<Case> cases = {
        {"status", [](ZVComment& c) { c.setStatus(1); }, ZVComment::Changed},
        {"updatedDate", [](ZVComment& c) { c.setUpdatedDate(Clock::now().dateByAddingTimeInterval(60)); },
         ZVComment::Changed},
        {"content", [](ZVComment& c) { c.setContent(QStringLiteral("Other")); }, ZVComment::Changed},
        {"firstName", [](ZVComment& c) { c.setFirstName(QStringLiteral("Bob")); }, ZVComment::Changed},
        {"lastName", [](ZVComment& c) { c.setLastName(QStringLiteral("Ray")); }, ZVComment::Changed},
        {"isOwner", [](ZVComment& c) { c.setIsOwner(false); }, ZVComment::Unchanged},
        {"type", [](ZVComment& c) { c.setType(9); }, ZVComment::Unchanged},
        {"itemKey", [](ZVComment& c) { c.setItemKey(99); }, ZVComment::Unchanged},
        {"createdDate", [](ZVComment& c) { c.setCreatedDate(Date::dateWithTimeIntervalSince1970(0)); },
         ZVComment::Unchanged},
    };
    qint64 zvwKey = 700;
    for (const Case& c : cases) {
        ZVComment comment = annsComment(++zvwKey);
        ASSERT_TRUE(comment.insertIntoDatabase(db()));
        c.change(comment);
        EXPECT_EQ(comment.checkStatusInDB(true), c.expected) << c.what;
    }
}

TEST_F(ZVCommentTest, UpdateByWebKeyKeepsTheStoredStatus)
{
    ZVComment comment = annsComment(800);
    comment.setStatus(1);
    ASSERT_TRUE(comment.insertIntoDatabase(db()));

    ZVComment download = annsComment(800);
    download.setContent(QStringLiteral("Edited on the web"));
    download.setLastName(QStringLiteral("Lee-Smith"));
    ASSERT_EQ(download.status(), 0);
    ASSERT_TRUE(download.updateByZVWKey());

    const ZVCommentPtr stored = ZVComment::initWithPrimaryKey(comment.primaryKey(), db());
    EXPECT_EQ(stored->status(), 1);
    EXPECT_EQ(stored->content(), QStringLiteral("Edited on the web"));
    EXPECT_EQ(stored->lastName(), QStringLiteral("Lee-Smith"));
    EXPECT_EQ(stored->firstName(), QStringLiteral("Ann"));
}

TEST_F(ZVCommentTest, PurgeKeepsListedWebKeysAndCommentsWithoutOne)
{
    for (qint64 key : {12, 13, 14}) ASSERT_TRUE(annsComment(key).insertIntoDatabase(db()));
    exec(QStringLiteral("INSERT INTO Comments (content, zvwKey) VALUES ('local', NULL)"));

    ASSERT_TRUE(ZVComment::deleteCommentsNotIn({12, -1}));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Comments WHERE zvwKey=12")), 1);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Comments WHERE zvwKey IS NULL")), 1);
    EXPECT_EQ(countComments(), 2);
}

TEST_F(ZVCommentTest, PurgeTakesWholeSixtyFourBitKeys)
{
    const qint64 bigKey = 9007199254740993LL;  // not representable as a double
    ASSERT_TRUE(annsComment(bigKey).insertIntoDatabase(db()));
    ASSERT_TRUE(annsComment(bigKey - 1).insertIntoDatabase(db()));
    ASSERT_TRUE(ZVComment::deleteCommentsNotIn({bigKey, -1}));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT zvwKey FROM Comments")), bigKey);
    EXPECT_EQ(countComments(), 1);
}

TEST_F(ZVCommentTest, FailedWritesAreReportedWithoutEndingTheProcess)
{
    ZVComment stored = annsComment(900);
    ASSERT_TRUE(stored.insertIntoDatabase(db()));
    LogCapture log;
    {
        WriteLockHolder otherProcess(dataFolder() + QStringLiteral("/Database.sql"));
        ZVComment fresh = annsComment(901);
        EXPECT_FALSE(fresh.insertIntoDatabase(db()));
        EXPECT_FALSE(stored.updateByZVWKey());
        EXPECT_FALSE(stored.deleteFromDatabase());
        EXPECT_FALSE(ZVComment::deleteCommentsNotIn({-1}));
    }
    EXPECT_EQ(log.messages(),
              QStringList({QStringLiteral("Error: failed to insert into the database with message 'database is locked'."),
                           QStringLiteral("Error: failed to dehydrate with message 'database is locked'."),
                           QStringLiteral("Error: failed to delete from database with message 'database is locked'."),
                           QStringLiteral("Error: failed to delete from database with message 'database is locked'.")}));
    EXPECT_EQ(countComments(), 1);
    EXPECT_TRUE(stored.deleteFromDatabase());
}

// Reads share the cached statements with the writers: they wait for a thread
// that is inside its guarded section.
TEST_F(ZVCommentTest, ReadsWaitForAThreadInsideTheRecordLock)
{
    ZVComment comment = annsComment(950);
    ASSERT_TRUE(comment.insertIntoDatabase(db()));
    const QList<std::function<void()>> reads = {
        [&] { ZVComment::initWithPrimaryKey(comment.primaryKey(), nullptr); },
        [&] { comment.checkStatusInDB(false); },
    };
    for (const auto& read : reads) {
        std::atomic<bool> finished{false};
        std::thread reader;
        {
            RecordGuard writer;
            reader = std::thread([&] {
                read();
                finished = true;
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_FALSE(finished) << "the read ran while another thread held the record lock";
        }
        reader.join();
        EXPECT_TRUE(finished);
    }
}

}  // namespace
