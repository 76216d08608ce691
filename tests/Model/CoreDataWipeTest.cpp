#include "LogCapture.h"
#include "Tag.h"
#include "TaskTestFixture.h"
#include "RecordingICalSync.h"

namespace {

// Before a replace from the web service: a category on this computer's
// calendar store ("Local"), one on another account, the template's
// category, their items, an item of no known category, tags and links.
class CoreDataWipeTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        auto store = std::make_unique<RecordingICalSync>();
        m_store = store.get();
        dataManager().setICalSync(std::move(store));
        m_local = addCategory();
        m_local->setTypeOfCal(CalCalendarTypeLocal);
        ASSERT_TRUE(m_local->dehydrate());
        m_account = addCategory();
        m_account->setTypeOfCal(QStringLiteral("CalDAV"));
        ASSERT_TRUE(m_account->dehydrate());

        m_localTask = itemIn(m_local, QStringLiteral("local task"), 1);
        m_localEvent = itemIn(m_local, QStringLiteral("local event"), 0);
        m_localNote = itemIn(m_local, QStringLiteral("local note"), 3);
        m_accountTask = itemIn(m_account, QStringLiteral("account task"), 1);
        m_orphan = storedItem(QStringLiteral("orphan"));
        exec(QStringLiteral("UPDATE Tasks SET calendarId=999 WHERE primaryKey=%1").arg(m_orphan->primaryKey()));
        dataManager().doWithAllTasksEventsAdes(TaskList{m_localTask, m_localEvent, m_localNote, m_accountTask}, 0);

        exec(QStringLiteral("INSERT INTO Tag (tagName) VALUES ('Work'), ('Home')"));
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId) VALUES (1, 2)"));
        dataManager().setTagList(TagList{std::make_shared<Tag>()});
    }

    TaskPtr itemIn(const CalendarPtr& category, const QString& name, qint64 type)
    {
        const TaskPtr item = storedItem(name, type);
        item->setCalendarId(category->primaryKey());
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    qint64 rows(const char* table) { return queryInt(QStringLiteral("SELECT count(*) FROM %1").arg(table)); }
    bool hasRow(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())) == 1;
    }
    bool hasCategoryRow(const CalendarPtr& category)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE primaryKey=%1").arg(category->primaryKey()))
               == 1;
    }

    RecordingICalSync* m_store = nullptr;
    CalendarPtr m_local, m_account;
    TaskPtr m_localTask, m_localEvent, m_localNote, m_accountTask, m_orphan;
};

TEST_F(CoreDataWipeTest, WithStoreSyncOnTheLocalCategoryGoesWithItsItemsEverywhere)
{
    setting().setAutoICalSync(1);

    ASSERT_TRUE(dataManager().deleteDatabaseCreateDefaultCate(false));

    EXPECT_EQ(rows("Tag"), 0);
    EXPECT_EQ(rows("Links"), 0);
    EXPECT_FALSE(hasCategoryRow(m_local));
    EXPECT_TRUE(hasCategoryRow(m_account));
    EXPECT_FALSE(hasRow(m_localTask));
    EXPECT_FALSE(hasRow(m_localEvent));
    EXPECT_FALSE(hasRow(m_localNote));
    EXPECT_TRUE(hasRow(m_accountTask));
    EXPECT_FALSE(hasRow(m_orphan)) << "an item of no known category goes too";

    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{m_accountTask});
    EXPECT_FALSE(dataManager().calendarList().contains(m_local));
    EXPECT_TRUE(dataManager().calendarList().contains(m_account));
    EXPECT_TRUE(dataManager().tagList().isEmpty());
    const QList<RecordingICalSync::Call> calls = m_store->calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls.first().operation, QStringLiteral("deleteCalendar"));
    EXPECT_EQ(calls.first().calendar->primaryKey(), m_local->primaryKey());
}

TEST_F(CoreDataWipeTest, WithStoreSyncOffItemRowsOfKnownCategoriesStayAndTheWorkingListEmpties)
{
    setting().setAutoICalSync(0);

    ASSERT_TRUE(dataManager().deleteDatabaseCreateDefaultCate(false));

    EXPECT_FALSE(hasCategoryRow(m_local)) << "every category of the local type";
    EXPECT_TRUE(hasCategoryRow(m_account));
    for (const TaskPtr& item : {m_localTask, m_localEvent, m_localNote, m_accountTask})
        EXPECT_TRUE(hasRow(item)) << item->taskName().toStdString();
    EXPECT_FALSE(hasRow(m_orphan));
    EXPECT_TRUE(dataManager().allTasksEventsAdes().isEmpty());
    EXPECT_FALSE(dataManager().calendarList().contains(m_local)) << "its row is gone";
    EXPECT_TRUE(m_store->calls().isEmpty());
}

TEST_F(CoreDataWipeTest, TheDefaultCategoryIsMadeAgainWhenAsked)
{
    setting().setAutoICalSync(1);
    const qint64 categoriesBefore = rows("Calendars");
    ASSERT_TRUE(dataManager().deleteDatabaseCreateDefaultCate(true));
    const CalendarPtr made = dataManager().calendarWithPrimaryKey(setting().calendarDefID());
    ASSERT_TRUE(made);
    EXPECT_GT(made->primaryKey(), m_account->primaryKey()) << "a new category";
    EXPECT_TRUE(made->calendarName().startsWith(QStringLiteral("Zoravel")));
    EXPECT_TRUE(hasCategoryRow(made));
    EXPECT_EQ(rows("Calendars"), categoriesBefore) << "the local one went, the default one came";
}

// A wipe that stops half-way would leave the replace to download on top of
// what is left: nothing is deleted unless everything is.
TEST_F(CoreDataWipeTest, AFailingStatementDeletesNothingAndIsReported)
{
    setting().setAutoICalSync(1);
    exec(QStringLiteral("DROP TABLE Links"));
    const TaskList listBefore = dataManager().allTasksEventsAdes();
    LogCapture log;

    EXPECT_FALSE(dataManager().deleteDatabaseCreateDefaultCate(true));

    EXPECT_TRUE(log.contains(QStringLiteral("no such table: Links")));
    EXPECT_EQ(rows("Tag"), 2);
    EXPECT_TRUE(hasCategoryRow(m_local));
    EXPECT_TRUE(hasRow(m_localTask));
    EXPECT_TRUE(hasRow(m_orphan));
    EXPECT_EQ(dataManager().allTasksEventsAdes(), listBefore);
    EXPECT_TRUE(dataManager().calendarList().contains(m_local));
    EXPECT_EQ(dataManager().tagList().size(), 1);
    EXPECT_TRUE(m_store->calls().isEmpty());
}

TEST_F(CoreDataWipeTest, AClosedDatabaseChangesNothing)
{
    databaseOpen = false;
    EXPECT_FALSE(dataManager().deleteDatabaseCreateDefaultCate(true));
    databaseOpen = true;
    EXPECT_EQ(rows("Tag"), 2);
    EXPECT_EQ(dataManager().allTasksEventsAdes().size(), 4);
}

}  // namespace
