#include "Link.h"
#include "LogCapture.h"
#include "Notifications.h"
#include "PostedNotifications.h"
#include "RecordFailureInjection.h"
#include "RecordGuard.h"
#include "TaskTestFixture.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace CoreData_LinksTests {

namespace {

using namespace std::chrono_literals;

constexpr double aMorning = 1718258400.0;  // 2024-06-13 08:00:00 UTC
constexpr double aLaterMorning = aMorning + 86400;

class CoreDataLinkRowsTest : public ModelTest {
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

    // A link row as the web sync or an earlier session left it.
    qint64 storedLink(qint64 root, qint64 target, qint64 status = 0, qint64 zvwKey = 0)
    {
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId, createdDate, updatedDate, zvwKey, status) "
                            "VALUES (%1, %2, 0, 0, %3, %4)")
                 .arg(root)
                 .arg(target)
                 .arg(zvwKey)
                 .arg(status));
        return sqlite3_last_insert_rowid(db());
    }

    qint64 statusOf(qint64 key)
    {
        return queryInt(QStringLiteral("SELECT status FROM Links WHERE primaryKey=%1").arg(key));
    }

    static QList<qint64> keysOf(const LinkList& links)
    {
        QList<qint64> keys;
        for (const LinkPtr& link : links) keys.append(link->primaryKey());
        return keys;
    }
};

TEST_F(CoreDataLinkRowsTest, LinkLookupsWorkInEitherDirection)
{
    const qint64 active = storedLink(10, 20);
    const qint64 removed = storedLink(30, 40, 1);

    for (const auto& [first, second] : {std::pair{10, 20}, std::pair{20, 10}}) {
        const LinkPtr link = dataManager().getLink(first, second);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->primaryKey(), active);
        EXPECT_EQ(link->rootId(), 10) << "the row as made";
        EXPECT_EQ(link->targetId(), 20);
    }
    EXPECT_EQ(dataManager().getLink(10, 30), nullptr);
    EXPECT_EQ(dataManager().getLink(40, 30), nullptr) << "a removed link is not active";
    ASSERT_NE(dataManager().getAlreadyLink(40, 30), nullptr);
    EXPECT_EQ(dataManager().getAlreadyLink(40, 30)->primaryKey(), removed);
    EXPECT_EQ(dataManager().getAlreadyLink(40, 30)->status(), 1);
}

TEST_F(CoreDataLinkRowsTest, RowsAreBuiltWithTheirStoredDatesAndWebKey)
{
    auto made = std::make_shared<Link>();
    made->setRootId(7);
    made->setTargetId(8);
    made->setZvwKey(6'000'000'123);
    ASSERT_TRUE(dataManager().insertLink(made));
    EXPECT_EQ(dataManager().linkList(), LinkList{made});

    const LinkPtr found = dataManager().getLink(8, 7);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->primaryKey(), made->primaryKey());
    EXPECT_EQ(found->createdDate(), Date::dateWithTimeIntervalSince1970(aMorning));
    EXPECT_EQ(found->updatedDate(), Date::dateWithTimeIntervalSince1970(aMorning));
    EXPECT_EQ(found->zvwKey(), 6'000'000'123);
    EXPECT_EQ(found->status(), 0);
}

TEST_F(CoreDataLinkRowsTest, WebSyncQueriesSeparateUnsentActiveAndRemovedLinks)
{
    const qint64 unsent = storedLink(1, 2);
    const qint64 sent = storedLink(3, 4, 0, 55);
    const qint64 removedUnsent = storedLink(5, 6, 1);
    const qint64 removedSent = storedLink(7, 8, 1, 56);

    EXPECT_EQ(keysOf(dataManager().getAllNotSyncLinks()), QList<qint64>{unsent})
        << "a removed link is never sent, even when it never was";
    EXPECT_EQ(keysOf(dataManager().getUnlinks()), (QList<qint64>{removedUnsent, removedSent}));
    EXPECT_EQ(keysOf(dataManager().getAllLinks()), (QList<qint64>{unsent, sent, removedUnsent, removedSent}));

    dataManager().getValidLinks();
    EXPECT_EQ(keysOf(dataManager().linkList()), (QList<qint64>{unsent, sent}));
}

TEST_F(CoreDataLinkRowsTest, ClosedDatabaseGivesEmptyLinkAnswers)
{
    storedLink(1, 2);
    storedLink(3, 4, 1);
    dataManager().getValidLinks();
    databaseOpen = false;
    EXPECT_TRUE(dataManager().getAllLinks().isEmpty());
    EXPECT_TRUE(dataManager().getAllNotSyncLinks().isEmpty());
    EXPECT_TRUE(dataManager().getUnlinks().isEmpty());
    EXPECT_EQ(dataManager().getLink(1, 2), nullptr);
    EXPECT_EQ(dataManager().getAlreadyLink(3, 4), nullptr);
    dataManager().getValidLinks();
    EXPECT_EQ(dataManager().linkList().size(), 1) << "left alone";
    EXPECT_FALSE(dataManager().deleteAllUnLinks());
    databaseOpen = true;
    EXPECT_EQ(dataManager().getUnlinks().size(), 1);
}

TEST_F(CoreDataLinkRowsTest, UnlinkMarksTheRowRemovedDropsItFromTheListAndTellsTheViews)
{
    const qint64 kept = storedLink(10, 30);
    const qint64 key = storedLink(10, 20);
    dataManager().getValidLinks();
    Clock::setFixed(Date::dateWithTimeIntervalSince1970(aLaterMorning));
    PostedNotifications posted({kUnLinkNotification, kAutoSyncNotification});

    ASSERT_TRUE(dataManager().unLink(20, 10));

    EXPECT_EQ(statusOf(key), 1);
    EXPECT_EQ(keysOf(dataManager().linkList()), QList<qint64>{kept});
    ASSERT_EQ(posted.names(), QStringList{kUnLinkNotification}) << "no push: the web sync finds removals itself";
    const LinkPtr told = posted.posts()[0].objectAs<LinkPtr>();
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(told->primaryKey(), key);
    EXPECT_EQ(told->status(), 1);
    EXPECT_EQ(told->updatedDate(), Date::dateWithTimeIntervalSince1970(aLaterMorning));
}

TEST_F(CoreDataLinkRowsTest, UnlinkWithoutAnActiveLinkChangesAndPostsNothing)
{
    const qint64 removed = storedLink(10, 20, 1);
    dataManager().getValidLinks();
    PostedNotifications posted({kUnLinkNotification});
    EXPECT_FALSE(dataManager().unLink(10, 20));
    EXPECT_FALSE(dataManager().unLink(10, 99));
    EXPECT_TRUE(posted.names().isEmpty());
    EXPECT_EQ(statusOf(removed), 1);
}

TEST_F(CoreDataLinkRowsTest, UnlinkThatCannotBeSavedKeepsTheLinkAndPostsNothing)
{
    const qint64 key = storedLink(10, 20);
    dataManager().getValidLinks();
    PostedNotifications posted({kUnLinkNotification});
    LogCapture log;
    {
        WriteLockHolder otherProcess(dataFolder() + QStringLiteral("/Database.sql"));
        EXPECT_FALSE(dataManager().unLink(10, 20));
    }
    EXPECT_EQ(statusOf(key), 0);
    EXPECT_EQ(keysOf(dataManager().linkList()), QList<qint64>{key});
    EXPECT_TRUE(posted.names().isEmpty());
    EXPECT_EQ(log.messages(),
              QStringList{QStringLiteral("Error: failed to begin a transaction with message 'database is locked'.")})
        << log.messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(CoreDataLinkRowsTest, ResetWebKeyMakesTheNextSyncSendTheLinkAgain)
{
    const qint64 key = storedLink(10, 20, 0, 77);
    EXPECT_TRUE(dataManager().getAllNotSyncLinks().isEmpty());
    ASSERT_TRUE(dataManager().resetLinkZvwKey(20, 10));
    EXPECT_EQ(keysOf(dataManager().getAllNotSyncLinks()), QList<qint64>{key});
    EXPECT_FALSE(dataManager().resetLinkZvwKey(10, 99));
}

TEST_F(CoreDataLinkRowsTest, DeletingRemovedLinksLeavesTheActiveOnes)
{
    const qint64 active = storedLink(1, 2);
    storedLink(3, 4, 1);
    const qint64 sentActive = storedLink(5, 6, 0, 9);
    storedLink(7, 8, 1, 10);
    ASSERT_TRUE(dataManager().deleteAllUnLinks());
    EXPECT_EQ(keysOf(dataManager().getAllLinks()), (QList<qint64>{active, sentActive}));
}

TEST_F(CoreDataLinkRowsTest, FailedDeleteIsLoggedAndReported)
{
    storedLink(3, 4, 1);
    LogCapture log;
    {
        WriteLockHolder otherProcess(dataFolder() + QStringLiteral("/Database.sql"));
        EXPECT_FALSE(dataManager().deleteAllUnLinks());
    }
    EXPECT_EQ(log.messages(),
              QStringList{QStringLiteral("Error: failed to delete from database with message 'database is locked'.")});
    EXPECT_EQ(dataManager().getUnlinks().size(), 1);
}

// The clean-up shares the connection with the record methods of every thread:
// it must wait for one that is inside its guarded section.
TEST_F(CoreDataLinkRowsTest, DeleteWaitsForAThreadInsideTheRecordLock)
{
    storedLink(3, 4, 1);
    std::atomic<bool> deleted{false};
    std::thread cleaner;
    {
        RecordGuard writer;
        cleaner = std::thread([&] { deleted = dataManager().deleteAllUnLinks(); });
        std::this_thread::sleep_for(50ms);
        EXPECT_FALSE(deleted.load());
    }
    cleaner.join();
    EXPECT_TRUE(deleted.load());
    EXPECT_TRUE(dataManager().getUnlinks().isEmpty());
}

TEST_F(CoreDataLinkRowsTest, WebIdLookupsAnswerMinusOneForAnUnknownId)
{
    exec(QStringLiteral("INSERT INTO Tasks (primaryKey, zvwID) VALUES (12, 9000000001), (13, 0)"));
    exec(QStringLiteral("INSERT INTO Calendars (primaryKey, zvwProjectId) VALUES (40, 8000000002)"));
    struct Case {
        const char* what;
        qint64 (CoreData::*lookup)(qint64) const;
        qint64 argument;
        qint64 expected;
    };
    const QList<Case> cases = {
        {"web id of an item", &CoreData::getZVWId, 12, 9'000'000'001},
        {"web id of an unsent item", &CoreData::getZVWId, 13, 0},
        {"web id of a missing item", &CoreData::getZVWId, 99, -1},
        {"item of a web id", &CoreData::getItemLocalId, 9'000'000'001, 12},
        {"item of an unknown web id", &CoreData::getItemLocalId, 4'242, -1},
        {"not the web id cut to 32 bits", &CoreData::getItemLocalId, 410'065'409, -1},
        {"category of a web id", &CoreData::getProjectLocalId, 8'000'000'002, 40},
        {"category of an unknown web id", &CoreData::getProjectLocalId, 3, -1},
    };
    for (const Case& c : cases) EXPECT_EQ((dataManager().*c.lookup)(c.argument), c.expected) << c.what;
}

class CoreDataLinksTest : public TaskTest {
protected:
    void link(qint64 root, qint64 target, qint64 status = 0)
    {
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId, status) VALUES (%1, %2, %3)")
                 .arg(root)
                 .arg(target)
                 .arg(status));
    }

    // A repeating event whose series has moved on past its first occurrence.
    TaskPtr seriesPastItsStart(const QString& options)
    {
        const TaskPtr series = storedItem(QStringLiteral("Series"), 0);
        series->setRepeatType(1);
        series->setRepeatOptions(options);
        series->setOccurrence(series->startTime().dateByAddingTimeInterval(7 * 86400));
        EXPECT_TRUE(series->dehydrate());
        return series;
    }
    qint64 linkWithWebKey(qint64 root, qint64 target, qint64 status, qint64 zvwKey)
    {
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId, status, zvwKey) VALUES (%1, %2, %3, %4)")
                 .arg(root)
                 .arg(target)
                 .arg(status)
                 .arg(zvwKey));
        return sqlite3_last_insert_rowid(db());
    }

    // A generated instance of a stored repeating series (keys from -2 down).
    TaskPtr instanceOf(const TaskPtr& series, qint64 key)
    {
        const TaskPtr instance = series->copy();
        instance->setPrimaryKey(key);
        instance->setParentId(series->primaryKey());
        return instance;
    }

    TaskPtr storedSeries(const QString& name)
    {
        const TaskPtr series = storedItem(name, 0);
        series->setRepeatType(1);
        EXPECT_TRUE(series->dehydrate());
        return series;
    }

    struct LinkRow {
        qint64 rootId;
        qint64 targetId;
        qint64 status;
        qint64 zvwKey;
        bool operator==(const LinkRow&) const = default;
    };

    QList<LinkRow> linkRows()
    {
        QList<LinkRow> rows;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db(), "SELECT rootId, targetId, status, zvwKey FROM Links ORDER BY primaryKey", -1,
                           &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows.append({sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1),
                         sqlite3_column_int64(statement, 2), sqlite3_column_int64(statement, 3)});
        sqlite3_finalize(statement);
        return rows;
    }

    QList<LinkRow> listedLinks()
    {
        QList<LinkRow> rows;
        for (const LinkPtr& link : dataManager().linkList())
            rows.append({link->rootId(), link->targetId(), link->status(), link->zvwKey()});
        return rows;
    }
};

TEST_F(CoreDataLinksTest, ItemHasLinksWhenAnActiveLinkReachesAnItemThatCounts)
{
    struct Case {
        const char* what;
        std::function<void(qint64 key)> setUp;
        bool hasLinks;
    };
    const QList<Case> cases = {
        {"no links", [](qint64) {}, false},
        {"a task linked to it", [&](qint64 key) { link(key, storedItem(QStringLiteral("Task"))->primaryKey()); },
         true},
        {"linked from a note", [&](qint64 key) { link(storedItem(QStringLiteral("Note"), 3)->primaryKey(), key); },
         true},
        {"a removed link", [&](qint64 key) { link(key, storedItem(QStringLiteral("Gone"))->primaryKey(), 1); },
         false},
        {"a link to a missing item", [&](qint64 key) { link(key, 9999); }, false},
        {"a link to itself", [&](qint64 key) { link(key, key); }, false},
        {"a one-off event", [&](qint64 key) { link(key, storedItem(QStringLiteral("Event"), 0)->primaryKey()); },
         true},
        {"a series still at its first occurrence",
         [&](qint64 key) {
             const TaskPtr series = storedItem(QStringLiteral("Series"), 0);
             series->setRepeatType(2);
             series->setOccurrence(series->startTime());
             ASSERT_TRUE(series->dehydrate());
             link(key, series->primaryKey());
         },
         true},
        {"a series past its start on a weekday-of-month rule",
         [&](qint64 key) { link(key, seriesPastItsStart(QStringLiteral("1//1"))->primaryKey()); }, true},
        {"a series past its start, then a task",
         [&](qint64 key) {
             link(key, seriesPastItsStart(QStringLiteral("1//0"))->primaryKey());
             link(key, storedItem(QStringLiteral("Task"))->primaryKey());
         },
         true},
    };
    for (const Case& c : cases) {
        exec(QStringLiteral("DELETE FROM Links"));
        const TaskPtr item = storedItem(QStringLiteral("Item"));
        c.setUp(item->primaryKey());
        EXPECT_EQ(dataManager().hasLinks(item), c.hasLinks) << c.what;
        EXPECT_EQ(item->hasLink(), c.hasLinks) << c.what;
    }
}

TEST_F(CoreDataLinksTest, GeneratedOccurrenceIsLinkedThroughItsSeries)
{
    const TaskPtr root = storedItem(QStringLiteral("Root"), 0);
    link(storedItem(QStringLiteral("Task"))->primaryKey(), root->primaryKey());
    const TaskPtr occurrence = root->copy();
    occurrence->setPrimaryKey(-5);
    occurrence->setParentId(root->primaryKey());
    EXPECT_TRUE(dataManager().hasLinks(occurrence));
}

TEST_F(CoreDataLinksTest, ClosedDatabaseHasNoLinks)
{
    const TaskPtr item = storedItem(QStringLiteral("Item"));
    link(item->primaryKey(), storedItem(QStringLiteral("Task"))->primaryKey());
    databaseOpen = false;
    EXPECT_FALSE(dataManager().hasLinks(item));
    databaseOpen = true;
    EXPECT_TRUE(dataManager().hasLinks(item));
}

// An item that replaces another (a done repeating task's next one, a
// conversion) takes over its links: removed ones come back to be sent again.
TEST_F(CoreDataLinksTest, RestoredLinksAreReactivatedKeptOrMade)
{
    const qint64 replacement = storedItem(QStringLiteral("New"))->primaryKey();
    const TaskPtr wasRemoved = storedItem(QStringLiteral("Removed"));
    const TaskPtr stillActive = storedItem(QStringLiteral("Active"));
    const TaskPtr neverLinked = storedItem(QStringLiteral("Never"));
    const TaskPtr series = storedSeries(QStringLiteral("Series"));
    linkWithWebKey(wasRemoved->primaryKey(), replacement, 1, 5);
    linkWithWebKey(replacement, stillActive->primaryKey(), 0, 7);
    dataManager().getValidLinks();

    const TaskList listed{wasRemoved, stillActive, neverLinked, instanceOf(series, -3)};
    ASSERT_TRUE(dataManager().restoreLinks(listed, Task::initWithPrimaryKey(replacement)));

    const QList<LinkRow> expected{
        {wasRemoved->primaryKey(), replacement, 0, 0},
        {replacement, stillActive->primaryKey(), 0, 7},
        {replacement, neverLinked->primaryKey(), 0, 0},
        {replacement, series->primaryKey(), 0, 0},
    };
    EXPECT_EQ(linkRows(), expected);
    EXPECT_EQ(listedLinks(), (QList<LinkRow>{expected[1], expected[0], expected[2], expected[3]}))
        << "a link made active again is an active link to the views too";
}

TEST_F(CoreDataLinksTest, PastingLinksTheCopiedItemOnceAndRefreshesTheViews)
{
    setting().setAutoZVWSync(1);
    const TaskPtr copied = storedItem(QStringLiteral("Copied"));
    const TaskPtr target = storedItem(QStringLiteral("Target"), 3);
    dataManager().setCopiedItem(copied);
    {
        PostedNotifications posted({kAutoSyncNotification, kAllTasksEventsAdesChanged});
        EXPECT_TRUE(dataManager().pasteToMakeLinkWith(target));
        EXPECT_EQ(posted.names(), (QStringList{kAutoSyncNotification, kAllTasksEventsAdesChanged}));
        EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{8});
    }
    const QList<LinkRow> made{{copied->primaryKey(), target->primaryKey(), 0, 0}};
    EXPECT_EQ(linkRows(), made);
    EXPECT_EQ(listedLinks(), made);
    {
        PostedNotifications posted({kAutoSyncNotification, kAllTasksEventsAdesChanged});
        EXPECT_TRUE(dataManager().pasteToMakeLinkWith(target));
        dataManager().setCopiedItem(target);
        EXPECT_TRUE(dataManager().pasteToMakeLinkWith(copied));
        EXPECT_TRUE(posted.names().isEmpty()) << "already linked, in either direction";
    }
    EXPECT_EQ(linkRows(), made);
}

TEST_F(CoreDataLinksTest, PastingOverARemovedLinkMakesItActiveWithItsWebKey)
{
    setting().setAutoZVWSync(0);
    const TaskPtr copied = storedItem(QStringLiteral("Copied"));
    const TaskPtr target = storedItem(QStringLiteral("Target"));
    linkWithWebKey(target->primaryKey(), copied->primaryKey(), 1, 44);
    dataManager().setCopiedItem(copied);
    PostedNotifications posted({kAutoSyncNotification, kAllTasksEventsAdesChanged});

    EXPECT_TRUE(dataManager().pasteToMakeLinkWith(target));

    const QList<LinkRow> reactivated{{target->primaryKey(), copied->primaryKey(), 0, 44}};
    EXPECT_EQ(linkRows(), reactivated) << "the server never heard of the removal";
    EXPECT_EQ(listedLinks(), reactivated);
    EXPECT_EQ(posted.names(), QStringList{kAllTasksEventsAdesChanged}) << "no push with the web-sync switch off";
}

TEST_F(CoreDataLinksTest, PastingLinksOccurrencesThroughTheirSeries)
{
    const TaskPtr series = storedSeries(QStringLiteral("Series"));
    const TaskPtr target = storedItem(QStringLiteral("Target"));
    dataManager().setCopiedItem(instanceOf(series, -4));
    EXPECT_TRUE(dataManager().pasteToMakeLinkWith(target));
    EXPECT_EQ(linkRows(), (QList<LinkRow>{{series->primaryKey(), target->primaryKey(), 0, 0}}));

    PostedNotifications posted({kAllTasksEventsAdesChanged});
    dataManager().setCopiedItem(nullptr);
    EXPECT_FALSE(dataManager().pasteToMakeLinkWith(target));
    dataManager().setCopiedItem(target);
    EXPECT_FALSE(dataManager().pasteToMakeLinkWith(nullptr));
    EXPECT_TRUE(posted.names().isEmpty());
}

TEST_F(CoreDataLinksTest, NoteAmongTheActiveLinksIsFoundFromEitherEnd)
{
    const TaskPtr item = storedItem(QStringLiteral("Item"));
    const TaskPtr series = storedSeries(QStringLiteral("Series"));
    const qint64 note = storedItem(QStringLiteral("Note"), 3)->primaryKey();
    const qint64 task = storedItem(QStringLiteral("Task"))->primaryKey();
    link(item->primaryKey(), task);
    EXPECT_FALSE(dataManager().hasAnyNoteInLinks(item));
    link(note, item->primaryKey(), 1);
    EXPECT_FALSE(dataManager().hasAnyNoteInLinks(item)) << "a removed link";
    link(note, item->primaryKey());
    EXPECT_TRUE(dataManager().hasAnyNoteInLinks(item));

    link(series->primaryKey(), note);
    EXPECT_TRUE(dataManager().hasAnyNoteInLinks(instanceOf(series, -2)));
    databaseOpen = false;
    EXPECT_FALSE(dataManager().hasAnyNoteInLinks(item));
}

TEST_F(CoreDataLinksTest, DeletingAnItemsLinksTakesEveryRowOfItsSeriesAndNoOther)
{
    const TaskPtr series = storedSeries(QStringLiteral("Series"));
    const qint64 key = series->primaryKey();
    const qint64 other = storedItem(QStringLiteral("Other"))->primaryKey();
    link(key, 1001);
    link(1002, key, 1);
    link(other, 1003);
    ASSERT_TRUE(dataManager().deleteLinks(instanceOf(series, -6)));
    EXPECT_EQ(linkRows(), (QList<LinkRow>{{other, 1003, 0, 0}}));
}

TEST_F(CoreDataLinksTest, DeletingAnItemsRemovedLinksKeepsItsActiveOnes)
{
    const TaskPtr series = storedSeries(QStringLiteral("Series"));
    const qint64 key = series->primaryKey();
    link(key, 1001);
    link(1002, key, 1);
    link(key, 1003, 1);
    link(1004, 1005, 1);
    // An unsaved occurrence of a repeating item counts as its series here.
    const TaskPtr occurrence = instanceOf(series, 0);
    ASSERT_TRUE(dataManager().deleteAllUnLinks(occurrence));
    EXPECT_EQ(linkRows(), (QList<LinkRow>{{key, 1001, 0, 0}, {1004, 1005, 1, 0}}));
}

}  // namespace

}  // namespace CoreData_LinksTests
