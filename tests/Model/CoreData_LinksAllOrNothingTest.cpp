#include "CommandUnitFixture.h"

// Link commands: whichever statement fails, the command answers failure, the
// link rows and the link list are as before and nothing is posted; run
// through, the links are made, restored or removed.
namespace {

class LinkUnitTest : public CommandUnitTest {
protected:
    void SetUp() override
    {
        CommandUnitTest::SetUp();
        switchWebSync(true);
    }

    qint64 columnOf(qint64 key, const char* column)
    {
        return queryInt(QStringLiteral("SELECT %1 FROM Links WHERE primaryKey=%2").arg(QLatin1String(column)).arg(key));
    }
    qint64 statusOf(qint64 key) { return columnOf(key, "status"); }
    qint64 webKeyOf(qint64 key) { return columnOf(key, "zvwKey"); }
};

}  // namespace

TEST_F(LinkUnitTest, LinkIsRemovedWithItsListEntryOrNotAtAll)
{
    const TaskPtr first = task(QStringLiteral("first"));
    const TaskPtr second = note(QStringLiteral("second"));
    const qint64 key = link(first, second);
    link(first, note(QStringLiteral("third")));
    dataManager().getValidLinks();

    expectAllOrNothing(db(), [&] { return dataManager().unLink(second->primaryKey(), first->primaryKey()); }, anyPost);

    EXPECT_EQ(statusOf(key), 1) << "kept, marked removed, for the web sync";
    ASSERT_EQ(dataManager().linkList().size(), 1);
    EXPECT_NE(dataManager().linkList().first()->primaryKey(), key);
}

TEST_F(LinkUnitTest, LinkWebKeyIsClearedOrKept)
{
    const TaskPtr first = task(QStringLiteral("first"));
    const TaskPtr second = note(QStringLiteral("second"));
    const qint64 key = link(first, second);

    expectAllOrNothing(db(), [&] { return dataManager().resetLinkZvwKey(first->primaryKey(), second->primaryKey()); },
                       anyPost);

    EXPECT_EQ(webKeyOf(key), 0);
}

TEST_F(LinkUnitTest, ReplacementTakesOverEveryLinkOrNone)
{
    const TaskPtr replaced = task(QStringLiteral("replaced"));
    const TaskPtr replacement = task(QStringLiteral("replacement"));
    const TaskPtr agenda = note(QStringLiteral("agenda"));
    const TaskPtr minutes = note(QStringLiteral("minutes"));
    // A link the user removed earlier comes back instead of a second row.
    const qint64 removed = link(replacement, minutes);
    ASSERT_TRUE(dataManager().unLink(replacement->primaryKey(), minutes->primaryKey()));
    dataManager().getValidLinks();

    expectAllOrNothing(db(), [&] { return dataManager().restoreLinks({agenda, minutes}, replacement); }, anyPost);

    EXPECT_TRUE(isActivelyLinked(replacement, agenda));
    EXPECT_TRUE(isActivelyLinked(replacement, minutes));
    EXPECT_EQ(statusOf(removed), 0);
    EXPECT_EQ(webKeyOf(removed), 0) << "sent again";
    EXPECT_EQ(linkCount(), 2);
    EXPECT_EQ(dataManager().linkList().size(), 2);
}

TEST_F(LinkUnitTest, PastingMakesTheLinkAndRefreshesTheViewsOrNothing)
{
    const Series series = seriesWithExceptions(QStringLiteral("standup"));
    const TaskPtr agenda = note(QStringLiteral("agenda"));
    dataManager().setCopiedItem(occurrenceOn(series.root, 15));
    PostedNotifications posts({kAllTasksEventsAdesChanged, kAutoSyncNotification});

    expectAllOrNothing(db(), [&] { return dataManager().pasteToMakeLinkWith(agenda); }, anyPost);

    EXPECT_TRUE(isActivelyLinked(series.root, agenda)) << "an occurrence is linked through its series";
    EXPECT_EQ(posts.names(), (QStringList{kAutoSyncNotification, kAllTasksEventsAdesChanged}));
    EXPECT_EQ(posts.autoSyncRequests(), QList<qint64>{AutoSync::links});
}
