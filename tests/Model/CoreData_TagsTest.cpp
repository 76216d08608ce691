#include "LogCapture.h"
#include "ModelTestFixture.h"
#include "PostedNotifications.h"
#include "RecordFailureInjection.h"
#include "Tag.h"

namespace {

class CoreDataTagsTest : public ModelTest {
protected:
    QStringList storedTagNames()
    {
        QStringList names;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db(), "SELECT tagName FROM Tag ORDER BY primaryKey", -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
        sqlite3_finalize(statement);
        return names;
    }

    static QStringList namesOf(const TagList& tags)
    {
        QStringList names;
        for (const TagPtr& tag : tags) names.append(tag->tagName());
        return names;
    }
};

TEST_F(CoreDataTagsTest, NewTagIsStoredListedAndPushedOnce)
{
    PostedNotifications posted({kAutoSyncNotification});
    dataManager().insertTagIfNA(QStringLiteral("My Tag"));
    EXPECT_EQ(storedTagNames(), QStringList{QStringLiteral("My Tag")});
    EXPECT_EQ(namesOf(dataManager().tagList()), QStringList{QStringLiteral("My Tag")});
    EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{4}) << "asked for whatever the web-sync switch says";
}

TEST_F(CoreDataTagsTest, NameThatMatchesIgnoringBlanksAndCaseAddsNothing)
{
    dataManager().insertTagIfNA(QStringLiteral("mytag"));
    PostedNotifications posted({kAutoSyncNotification});
    for (const char* name : {"My Tag", "MYTAG", " m y t a g "}) {
        dataManager().insertTagIfNA(QString::fromLatin1(name));
        EXPECT_TRUE(dataManager().insertTagIfNA(QString::fromLatin1(name), 12)) << name << ": there is one";
    }
    EXPECT_EQ(storedTagNames(), QStringList{QStringLiteral("mytag")});
    EXPECT_EQ(dataManager().tagList().size(), 1);
    EXPECT_TRUE(posted.autoSyncRequests().isEmpty());
}

TEST_F(CoreDataTagsTest, TagFromTheWebKeepsItsKeyAndAsksForNoPush)
{
    PostedNotifications posted({kAutoSyncNotification});
    EXPECT_TRUE(dataManager().insertTagIfNA(QStringLiteral("Home"), 7'000'000'000));
    EXPECT_TRUE(posted.autoSyncRequests().isEmpty());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT zvwKey FROM Tag WHERE tagName='Home'")), 7'000'000'000);
}

TEST_F(CoreDataTagsTest, TagThatCannotBeStoredAsksForNoPush)
{
    PostedNotifications posted({kAutoSyncNotification});
    LogCapture log;
    {
        WriteLockHolder otherProcess(dataFolder() + QStringLiteral("/Database.sql"));
        dataManager().insertTagIfNA(QStringLiteral("Work"));
    }
    EXPECT_TRUE(posted.autoSyncRequests().isEmpty());
    EXPECT_TRUE(storedTagNames().isEmpty());
    EXPECT_FALSE(log.messages().isEmpty());
}

TEST_F(CoreDataTagsTest, TagListReloadsFromTheTableAndTheFilterFlagsStayInMemory)
{
    exec(QStringLiteral("INSERT INTO Tag (primaryKey, tagName) VALUES (3, 'Work'), (4, 'Home'), (9, 'Garden')"));
    dataManager().getTagList();
    EXPECT_EQ(namesOf(dataManager().tagList()), (QStringList{"Work", "Home", "Garden"}));
    EXPECT_EQ(dataManager().getShowTag(), (QStringList{"Work", "Home", "Garden"})) << "a loaded tag is shown";

    dataManager().setShowNoneTag();
    EXPECT_TRUE(dataManager().getShowTag().isEmpty());
    dataManager().tagList()[1]->setIsHidden(false);
    EXPECT_EQ(dataManager().getShowTag(), QStringList{"Home"});
    dataManager().setShowAllTag();
    EXPECT_EQ(dataManager().getShowTag(), (QStringList{"Work", "Home", "Garden"}));

    exec(QStringLiteral("DELETE FROM Tag WHERE primaryKey=4"));
    dataManager().getTagList();
    EXPECT_EQ(namesOf(dataManager().tagList()), (QStringList{"Work", "Garden"}));

    databaseOpen = false;
    dataManager().getTagList();
    EXPECT_EQ(dataManager().tagList().size(), 2) << "a closed database leaves the list alone";
}

}  // namespace
