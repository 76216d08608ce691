#include "LogCapture.h"
#include "NotificationObject.h"
#include "TaskTestFixture.h"
#include "ZVComment.h"

namespace {

constexpr qint64 onItem = 0;
constexpr qint64 onCategory = 1;
constexpr qint64 unread = 0;
constexpr qint64 readStatus = 1;

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris.
class CoreDataCommentsTest : public TaskTest {
protected:
    // A comment row as the web sync stores it. Null texts stay NULL.
    qint64 storedComment(qint64 itemKey, qint64 type, qint64 status, const Date& created,
                         const QString& content = QStringLiteral("text"), const QString& first = QStringLiteral("Ann"),
                         const QString& last = QStringLiteral("Lee"))
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(),
                                     "INSERT INTO Comments (content, status, createdTime, updatedTime, zvwKey, itemId, "
                                     "commetorLastName, commetorFirstName, isOwner, cmtType) "
                                     "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                                     -1, &statement, nullptr),
                  SQLITE_OK);
        const auto bindText = [statement](int index, const QString& text) {
            if (text.isNull()) return;
            const QByteArray utf8 = text.toUtf8();
            sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        };
        bindText(1, content);
        sqlite3_bind_int64(statement, 2, status);
        sqlite3_bind_double(statement, 3, storedSeconds(created));
        sqlite3_bind_double(statement, 4, storedSeconds(created.dateByAddingTimeInterval(60)));
        sqlite3_bind_int64(statement, 5, 900 + ++m_webKeys);
        sqlite3_bind_int64(statement, 6, itemKey);
        // The stored databases keep the first name in commetorLastName.
        bindText(7, first);
        bindText(8, last);
        sqlite3_bind_int64(statement, 9, 1);
        sqlite3_bind_int64(statement, 10, type);
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
        return sqlite3_last_insert_rowid(db());
    }

    qint64 statusOf(qint64 comment)
    {
        return queryInt(QStringLiteral("SELECT status FROM Comments WHERE primaryKey=%1").arg(comment));
    }

private:
    qint64 m_webKeys = 0;
};

}  // namespace

TEST_F(CoreDataCommentsTest, ConversationIsOldestFirstWithEveryFieldRead)
{
    const Date earlier = localDate(2014, 1, 10, 8, 30);
    const Date later = localDate(2014, 1, 12, 17, 45);
    const qint64 second = storedComment(42, onItem, readStatus, later, QStringLiteral("second"));
    const qint64 first = storedComment(42, onItem, unread, earlier, QStringLiteral("first"), QStringLiteral("Mia"),
                                       QStringLiteral("Roe"));
    storedComment(42, onCategory, unread, earlier, QStringLiteral("on the category with the same key"));
    storedComment(43, onItem, unread, earlier, QStringLiteral("on another item"));

    const QList<ZVCommentPtr> comments = dataManager().getConversationsFor(42, onItem);
    ASSERT_EQ(comments.size(), 2);
    const ZVComment& oldest = *comments[0];
    EXPECT_EQ(oldest.primaryKey(), first);
    EXPECT_EQ(oldest.content(), QStringLiteral("first"));
    EXPECT_EQ(oldest.status(), unread);
    EXPECT_EQ(oldest.createdDate(), earlier);
    EXPECT_EQ(oldest.updatedDate(), earlier.dateByAddingTimeInterval(60));
    EXPECT_GT(oldest.zvwKey(), 900);
    EXPECT_EQ(oldest.firstName(), QStringLiteral("Mia")) << "the names read as the comment record writes them";
    EXPECT_EQ(oldest.lastName(), QStringLiteral("Roe"));
    EXPECT_TRUE(oldest.isOwner());
    EXPECT_EQ(oldest.type(), onItem);
    EXPECT_EQ(oldest.itemKey(), 42);
    EXPECT_EQ(comments[1]->primaryKey(), second);

    const QList<ZVCommentPtr> onTheCategory = dataManager().getConversationsFor(42, onCategory);
    ASSERT_EQ(onTheCategory.size(), 1);
    EXPECT_EQ(onTheCategory[0]->type(), onCategory);
}

TEST_F(CoreDataCommentsTest, MissingTextsOfACommentReadAsEmpty)
{
    storedComment(7, onItem, unread, now(), QString(), QString(), QString());
    const QList<ZVCommentPtr> comments = dataManager().getConversationsFor(7, onItem);
    ASSERT_EQ(comments.size(), 1);
    for (const QString& text : {comments[0]->content(), comments[0]->firstName(), comments[0]->lastName()}) {
        EXPECT_FALSE(text.isNull());
        EXPECT_TRUE(text.isEmpty());
    }
}

TEST_F(CoreDataCommentsTest, UnreadCommentsGiveOneEntryPerItemOrCategoryWithItsName)
{
    const TaskPtr task = storedItem(QStringLiteral("Plan the trip"));
    const CalendarPtr category = addCategory();
    category->setCalendarName(QStringLiteral("Family"));
    ASSERT_TRUE(category->dehydrate());
    storedComment(task->primaryKey(), onItem, unread, now());
    storedComment(task->primaryKey(), onItem, unread, now());
    storedComment(task->primaryKey(), onItem, readStatus, now());
    storedComment(category->primaryKey(), onCategory, unread, now());
    storedComment(category->primaryKey(), onCategory, readStatus, now());
    storedComment(9999, onItem, unread, now());  // its item was deleted since

    const QList<NotificationObject> entries = dataManager().getAllNotifications();
    ASSERT_EQ(entries.size(), 3);
    struct Expected {
        qint64 key;
        qint64 type;
        QString text;
        qint64 count;
    };
    const QList<Expected> expected{{task->primaryKey(), onItem, QStringLiteral("Plan the trip"), 2},
                                   {9999, onItem, QStringLiteral(""), 1},
                                   {category->primaryKey(), onCategory, QStringLiteral("Family"), 1}};
    for (qsizetype i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].itemKey(), expected[i].key);
        EXPECT_EQ(entries[i].itemType(), expected[i].type);
        EXPECT_EQ(entries[i].textShow(), expected[i].text);
        EXPECT_EQ(entries[i].numberValue(), expected[i].count);
    }
    EXPECT_EQ(dataManager().countAllUnreadConversations(), 4) << "comments of any status but 0 are read";
}

TEST_F(CoreDataCommentsTest, ACommentOfAnUnknownKindIsListedWithoutAName)
{
    const TaskPtr task = storedItem(QStringLiteral("Named"));
    storedComment(task->primaryKey(), 5, unread, now());
    const QList<NotificationObject> entries = dataManager().getAllNotifications();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].itemType(), 5);
    EXPECT_TRUE(entries[0].textShow().isNull());
    EXPECT_EQ(entries[0].numberValue(), 1);
}

TEST_F(CoreDataCommentsTest, MarkingCommentsTouchesOnlyThatItemAndKind)
{
    const qint64 mine = storedComment(42, onItem, unread, now());
    const qint64 alsoMine = storedComment(42, onItem, unread, now());
    const qint64 sameKeyOtherKind = storedComment(42, onCategory, unread, now());
    const qint64 otherItem = storedComment(43, onItem, unread, now());

    EXPECT_TRUE(dataManager().markCommentsStatus(readStatus, 42, onItem));
    EXPECT_EQ(statusOf(mine), readStatus);
    EXPECT_EQ(statusOf(alsoMine), readStatus);
    EXPECT_EQ(statusOf(sameKeyOtherKind), unread);
    EXPECT_EQ(statusOf(otherItem), unread);
    EXPECT_EQ(dataManager().countAllUnreadConversations(), 2);

    EXPECT_TRUE(dataManager().markCommentsStatus(unread, 42, onItem));
    EXPECT_EQ(dataManager().countAllUnreadConversations(), 4);
}

TEST_F(CoreDataCommentsTest, AClosedDatabaseAnswersEmptyAndChangesNothing)
{
    const qint64 comment = storedComment(42, onItem, unread, now());
    databaseOpen = false;
    EXPECT_TRUE(dataManager().getConversationsFor(42, onItem).isEmpty());
    EXPECT_TRUE(dataManager().getAllNotifications().isEmpty());
    EXPECT_EQ(dataManager().countAllUnreadConversations(), 0);
    EXPECT_FALSE(dataManager().markCommentsStatus(readStatus, 42, onItem));
    databaseOpen = true;
    EXPECT_EQ(statusOf(comment), unread);
}

TEST_F(CoreDataCommentsTest, AMissingCommentTableGivesEmptyAnswers)
{
    storedComment(42, onItem, unread, now());
    exec(QStringLiteral("DROP TABLE Comments"));
    LogCapture log;
    EXPECT_TRUE(dataManager().getConversationsFor(42, onItem).isEmpty());
    EXPECT_TRUE(dataManager().getAllNotifications().isEmpty());
    EXPECT_EQ(dataManager().countAllUnreadConversations(), 0);
    EXPECT_FALSE(dataManager().markCommentsStatus(readStatus, 42, onItem));
    EXPECT_TRUE(log.contains(QStringLiteral("Error: failed to prepare statement")));
}
