#include "ModelTestFixture.h"
#include "LogCapture.h"
#include "RecordFailureInjection.h"
#include "Tag.h"

namespace {

class TagTest : public ModelTest {
protected:
    TagPtr insertTag(const QString& name)
    {
        auto tag = std::make_shared<Tag>();
        tag->setTagName(name);
        EXPECT_TRUE(tag->insertIntoDatabase(db()));
        EXPECT_TRUE(tag->dehydrate());
        return tag;
    }
};

TEST_F(TagTest, InsertedAndSavedTagLoadsBackAndJoinsTheTagList)
{
    const TagPtr tag = insertTag(QStringLiteral("Work"));
    EXPECT_GT(tag->primaryKey(), 0);
    EXPECT_FALSE(tag->dirty());
    EXPECT_EQ(dataManager().tagList(), TagList{tag});

    Tag::finalizeStatements();
    const TagPtr loaded = Tag::initWithPrimaryKey(tag->primaryKey(), db());
    EXPECT_EQ(loaded->tagName(), QStringLiteral("Work"));
    EXPECT_EQ(loaded->zvwKey(), 0);
    EXPECT_FALSE(loaded->isHidden());
    EXPECT_FALSE(loaded->dirty());
}

TEST_F(TagTest, MissingRowAndNullColumnsGiveEmptyNameAndKeyZero)
{
    exec(QStringLiteral("INSERT INTO Tag (primaryKey, tagName, zvwKey) VALUES (5, NULL, NULL)"));
    for (qint64 key : {5, 999}) {
        const TagPtr tag = Tag::initWithPrimaryKey(key, db());
        EXPECT_EQ(tag->primaryKey(), key);
        EXPECT_TRUE(tag->tagName().isEmpty());
        EXPECT_FALSE(tag->tagName().isNull());
        EXPECT_EQ(tag->zvwKey(), 0);
        EXPECT_FALSE(tag->dirty());
    }
}

TEST_F(TagTest, SettingTheSameValuesWritesNothing)
{
    const TagPtr tag = insertTag(QStringLiteral("Home"));
    tag->setZvwKey(31);
    ASSERT_TRUE(tag->dehydrate());
    exec(QStringLiteral("UPDATE Tag SET tagName='Changed elsewhere' WHERE primaryKey=%1").arg(tag->primaryKey()));

    tag->setTagName(QStringLiteral("Home"));
    tag->setZvwKey(31);
    tag->setIsHidden(true);
    EXPECT_FALSE(tag->dirty());
    ASSERT_TRUE(tag->dehydrate());
    EXPECT_EQ(Tag::initWithPrimaryKey(tag->primaryKey(), db())->tagName(), QStringLiteral("Changed elsewhere"));
}

TEST_F(TagTest, DeletingRemovesTheRowButNotTheListEntry)
{
    const TagPtr tag = insertTag(QStringLiteral("Errands"));
    ASSERT_TRUE(tag->deleteFromDatabase());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tag WHERE primaryKey=%1").arg(tag->primaryKey())), 0);
    EXPECT_EQ(dataManager().tagList(), TagList{tag});
}

TEST_F(TagTest, CopyCarriesKeyNameAndWebKey)
{
    const TagPtr tag = insertTag(QStringLiteral("Calls"));
    tag->setZvwKey(8);
    const TagPtr copy = tag->copy();
    EXPECT_EQ(copy->primaryKey(), tag->primaryKey());
    EXPECT_EQ(copy->tagName(), QStringLiteral("Calls"));
    EXPECT_EQ(copy->zvwKey(), 8);
}

TEST_F(TagTest, ShownTagsAreTheVisibleNamesInListOrder)
{
    const TagPtr work = insertTag(QStringLiteral("Work"));
    const TagPtr home = insertTag(QStringLiteral("Home"));
    const TagPtr calls = insertTag(QStringLiteral("Calls"));
    home->setIsHidden(true);
    EXPECT_EQ(dataManager().getShowTag(), QStringList({QStringLiteral("Work"), QStringLiteral("Calls")}));
    for (const TagPtr& tag : {work, calls}) tag->setIsHidden(true);
    EXPECT_TRUE(dataManager().getShowTag().isEmpty());
}

TEST_F(TagTest, FailedInsertAndWriteAreReportedAndKeepTheTagOutOfTheList)
{
    const TagPtr stored = insertTag(QStringLiteral("Stored"));
    stored->setTagName(QStringLiteral("Renamed"));
    LogCapture log;
    WriteLockHolder otherProcess(dataFolder() + QStringLiteral("/Database.sql"));
    auto tag = std::make_shared<Tag>();
    EXPECT_FALSE(tag->insertIntoDatabase(db()));
    EXPECT_EQ(dataManager().tagList(), TagList{stored});
    EXPECT_FALSE(stored->dehydrate());
    EXPECT_TRUE(stored->dirty());
    EXPECT_EQ(log.messages().size(), 2);

    otherProcess.release();
    EXPECT_TRUE(stored->dehydrate());
    EXPECT_FALSE(stored->dirty());
}

}  // namespace
