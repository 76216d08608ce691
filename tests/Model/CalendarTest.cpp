#include "Calendar.h"
#include "LogCapture.h"
#include "RecordFailureInjection.h"
#include "SettingTestFixture.h"

#include <functional>

namespace {

// The settings record writes side files: each test gets a support folder of its own.
class CalendarTest : public SettingTest {
protected:
    CalendarPtr insertCategory(const QString& name, qint64 zvwProjectId = 0)
    {
        auto calendar = std::make_shared<Calendar>();
        calendar->setCalendarName(name);
        calendar->setZvwProjectId(zvwProjectId);
        EXPECT_TRUE(calendar->insertIntoDatabase(db()));
        EXPECT_TRUE(calendar->dehydrate());
        return calendar;
    }

    QString storedName(qint64 key)
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db(), "SELECT calendarName FROM Calendars WHERE primaryKey=?", -1, &statement, nullptr);
        sqlite3_bind_int64(statement, 1, key);
        QString name;
        if (sqlite3_step(statement) == SQLITE_ROW)
            name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return name;
    }

    QString databasePath() const { return dataFolder() + QStringLiteral("/Database.sql"); }
};

TEST_F(CalendarTest, NewCategoryTakesTheHighestStoredOrderPlusOne)
{
    struct Case {
        QList<qint64> storedOrders;
        qint64 expectedOrder;
    };
    for (const Case& c : {Case{{3, 7, 5}, 8}, Case{{}, 1}}) {
        exec(QStringLiteral("DELETE FROM Calendars"));
        for (qint64 order : c.storedOrders)
            exec(QStringLiteral("INSERT INTO Calendars (calendarOrder) VALUES (%1)").arg(order));
        Calendar calendar;
        ASSERT_TRUE(calendar.insertIntoDatabase(db()));
        EXPECT_EQ(calendar.calendarOrder(), c.expectedOrder);
        EXPECT_TRUE(calendar.dirty()) << "the other columns are written by the next save";
        EXPECT_EQ(queryInt(QStringLiteral("SELECT calendarOrder FROM Calendars WHERE primaryKey=%1")
                               .arg(calendar.primaryKey())),
                  c.expectedOrder);
    }
}

TEST_F(CalendarTest, SavedCategoryLoadsBackWithEveryColumn)
{
    Calendar calendar;
    ASSERT_TRUE(calendar.insertIntoDatabase(db()));
    calendar.setCalendarName(QStringLiteral("Work"));
    calendar.setColorNameId(5);
    calendar.setColorGroupId(2);
    calendar.setBuiltIn(1);
    calendar.setICalUID(QStringLiteral("UID-1"));
    calendar.setProjectType(1);
    calendar.setInVisible(1);
    calendar.setZvwProjectId(77);
    calendar.setLastUpdate(123456);
    calendar.setDirectory(QStringLiteral("/calendars/work.calendar"));
    calendar.setTagList(QStringLiteral("/Home/Office"));
    calendar.setTaskOrEvent(3);
    calendar.setTypeOfCal(QStringLiteral("Local"));
    calendar.setIsTransparent(true);
    calendar.setExtraStatus(1);
    calendar.setOwnerName(QStringLiteral("Ann Lee"));
    calendar.setHasShared(true);
    calendar.setSharedStatus(4);
    calendar.setHasChanges(false);
    ASSERT_TRUE(calendar.dehydrate());
    EXPECT_FALSE(calendar.dirty());

    // A later use prepares the statements again.
    Calendar::finalizeStatements();
    const CalendarPtr loaded = Calendar::initWithPrimaryKey(calendar.primaryKey(), db());
    EXPECT_FALSE(loaded->dirty());
    EXPECT_EQ(loaded->primaryKey(), calendar.primaryKey());
    EXPECT_EQ(loaded->calendarName(), QStringLiteral("Work"));
    EXPECT_EQ(loaded->colorNameId(), 5);
    EXPECT_EQ(loaded->colorGroupId(), 2);
    EXPECT_EQ(loaded->builtIn(), 1);
    EXPECT_EQ(loaded->iCalUID(), QStringLiteral("UID-1"));
    EXPECT_EQ(loaded->projectType(), 1);
    EXPECT_EQ(loaded->calendarOrder(), calendar.calendarOrder());
    EXPECT_EQ(loaded->inVisible(), 1);
    EXPECT_EQ(loaded->zvwProjectId(), 77);
    EXPECT_EQ(loaded->lastUpdate(), 123456);
    EXPECT_EQ(loaded->directory(), QStringLiteral("/calendars/work.calendar"));
    EXPECT_EQ(loaded->tagList(), QStringLiteral("/Home/Office"));
    EXPECT_EQ(loaded->taskOrEvent(), 3);
    EXPECT_EQ(loaded->typeOfCal(), QStringLiteral("Local"));
    EXPECT_TRUE(loaded->isTransparent());
    EXPECT_EQ(loaded->extraStatus(), 1);
    EXPECT_EQ(loaded->ownerName(), QStringLiteral("Ann Lee"));
    EXPECT_TRUE(loaded->hasShared());
    EXPECT_EQ(loaded->sharedStatus(), 4);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT hasChanges FROM Calendars WHERE primaryKey=%1")
                           .arg(calendar.primaryKey())),
              0);
}

TEST_F(CalendarTest, NullTextsLoadAsEmptyTextsAndAreWrittenBackEmpty)
{
    exec(QStringLiteral("INSERT INTO Calendars (primaryKey, calendarName, ownerName, iCalUID) VALUES (40, 'A', NULL, NULL)"));
    const CalendarPtr calendar = Calendar::initWithPrimaryKey(40, db());
    EXPECT_TRUE(calendar->ownerName().isEmpty());
    EXPECT_FALSE(calendar->ownerName().isNull());
    calendar->setCalendarName(QStringLiteral("B"));
    ASSERT_TRUE(calendar->dehydrate());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE primaryKey=40 AND ownerName=''")), 1);
}

TEST_F(CalendarTest, LoadMarksTransparentCategoriesForTheWebPush)
{
    struct Case {
        int storedHasChanges;
        int storedTransparent;
        bool expectedHasChanges;
    };
    for (const Case& c : {Case{0, 0, false}, Case{1, 0, true}, Case{0, 1, true}, Case{1, 1, true}}) {
        exec(QStringLiteral("DELETE FROM Calendars WHERE primaryKey=50"));
        exec(QStringLiteral("INSERT INTO Calendars (primaryKey, calendarName, hasChanges, isTransparent) "
                            "VALUES (50, 'T', %1, %2)")
                 .arg(c.storedHasChanges)
                 .arg(c.storedTransparent));
        const CalendarPtr calendar = Calendar::initWithPrimaryKey(50, db());
        EXPECT_EQ(calendar->hasChanges(), c.expectedHasChanges)
            << "hasChanges " << c.storedHasChanges << " isTransparent " << c.storedTransparent;
        EXPECT_FALSE(calendar->dirty());
    }
}

TEST_F(CalendarTest, MissingRowGivesKeyEmptyNameAndColourZero)
{
    const CalendarPtr calendar = Calendar::initWithPrimaryKey(999, db());
    EXPECT_EQ(calendar->primaryKey(), 999);
    EXPECT_TRUE(calendar->calendarName().isEmpty());
    EXPECT_EQ(calendar->colorGroupId(), 0);
    EXPECT_EQ(calendar->colorNameId(), 0);
    EXPECT_FALSE(calendar->dirty());
}

TEST_F(CalendarTest, SettersMarkDirtyOnlyOnChangeAndWebFieldsAlsoHasChanges)
{
    struct Case {
        const char* what;
        std::function<void(Calendar&)> change;
        bool dirty;
        bool hasChanges;
    };
    const QList<Case> cases = {
        {"calendarName", [](Calendar& c) { c.setCalendarName(QStringLiteral("X")); }, true, true},
        {"colorNameId", [](Calendar& c) { c.setColorNameId(3); }, true, true},
        {"colorGroupId", [](Calendar& c) { c.setColorGroupId(3); }, true, true},
        {"tagList", [](Calendar& c) { c.setTagList(QStringLiteral("/A")); }, true, true},
        {"inVisible", [](Calendar& c) { c.setInVisible(1); }, true, true},
        {"isTransparent", [](Calendar& c) { c.setIsTransparent(true); }, true, true},
        {"builtIn", [](Calendar& c) { c.setBuiltIn(2); }, true, false},
        {"iCalUID", [](Calendar& c) { c.setICalUID(QStringLiteral("U")); }, true, false},
        {"calendarOrder", [](Calendar& c) { c.setCalendarOrder(9); }, true, false},
        {"zvwProjectId", [](Calendar& c) { c.setZvwProjectId(9); }, true, false},
        {"ownerName", [](Calendar& c) { c.setOwnerName(QStringLiteral("O")); }, true, false},
        {"sharedStatus", [](Calendar& c) { c.setSharedStatus(2); }, true, false},
        {"same name again", [](Calendar& c) { c.setCalendarName(QStringLiteral("")); }, false, false},
        {"same colour again", [](Calendar& c) { c.setColorNameId(0); }, false, false},
        {"primaryKey", [](Calendar& c) { c.setPrimaryKey(12); }, false, false},
    };
    for (const Case& c : cases) {
        Calendar calendar;
        c.change(calendar);
        EXPECT_EQ(calendar.dirty(), c.dirty) << c.what;
        EXPECT_EQ(calendar.hasChanges(), c.hasChanges) << c.what;
    }
}

TEST_F(CalendarTest, SavingRefreshesTheListObjectWithTheSameKey)
{
    const CalendarPtr listed = Calendar::initWithPrimaryKey(1, db());
    dataManager().doWithCalendarList(CalendarList{listed}, 0);

    const CalendarPtr editorCopy = Calendar::initWithPrimaryKey(1, db());
    editorCopy->setCalendarName(QStringLiteral("Renamed"));
    editorCopy->setColorGroupId(3);
    ASSERT_TRUE(editorCopy->dehydrate());

    EXPECT_EQ(listed->calendarName(), QStringLiteral("Renamed"));
    EXPECT_EQ(listed->colorGroupId(), 3);
    EXPECT_EQ(dataManager().calendarList().size(), 1);
}

TEST_F(CalendarTest, SavingACleanCategoryWritesNothingAndLeavesTheListAlone)
{
    const CalendarPtr listed = Calendar::initWithPrimaryKey(1, db());
    dataManager().doWithCalendarList(CalendarList{listed}, 0);
    listed->setCalendarName(QStringLiteral("Unsaved edit"));

    const CalendarPtr clean = Calendar::initWithPrimaryKey(1, db());
    exec(QStringLiteral("UPDATE Calendars SET calendarName='Elsewhere' WHERE primaryKey=1"));
    ASSERT_TRUE(clean->dehydrate());

    EXPECT_EQ(storedName(1), QStringLiteral("Elsewhere"));
    EXPECT_EQ(listed->calendarName(), QStringLiteral("Unsaved edit"));
}

TEST_F(CalendarTest, DeletingQueuesWebIdsInOrderAndDropsTheListEntry)
{
    const SettingPtr setting = Setting::initWithPrimaryKey(1, db());
    dataManager().setCurrentSetting(setting);
    const QString before = setting->zvwDeletedProjects();

    const CalendarPtr local = insertCategory(QStringLiteral("Local only"), 0);
    const CalendarPtr first = insertCategory(QStringLiteral("First"), 42);
    const CalendarPtr second = insertCategory(QStringLiteral("Second"), 7);
    dataManager().doWithCalendarList(CalendarList{local, first, second}, 0);

    ASSERT_TRUE(local->deleteFromDatabase());
    EXPECT_EQ(setting->zvwDeletedProjects(), before) << "a category never sent has nothing to delete on the server";
    ASSERT_TRUE(first->deleteFromDatabase());
    ASSERT_TRUE(second->deleteFromDatabase());

    EXPECT_EQ(setting->zvwDeletedProjects(), before + QStringLiteral(",42,7"));
    EXPECT_FALSE(setting->dirty()) << "the queue is saved at once";
    EXPECT_TRUE(dataManager().calendarList().isEmpty());
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE primaryKey IN (%1,%2,%3)")
                           .arg(local->primaryKey())
                           .arg(first->primaryKey())
                           .arg(second->primaryKey())),
              0);
}

TEST_F(CalendarTest, IsSharedOnlyForExtraStatusOne)
{
    for (const auto& [status, shared] : {std::pair{0, false}, std::pair{1, true}, std::pair{2, false}}) {
        Calendar calendar;
        calendar.setExtraStatus(status);
        EXPECT_EQ(calendar.isShared(), shared) << status;
    }
}

TEST_F(CalendarTest, CopyCarriesEveryFieldAndTheKey)
{
    const CalendarPtr source = insertCategory(QStringLiteral("Source"), 5);
    source->setOwnerName(QStringLiteral("Owner"));
    source->setIsTransparent(true);
    const CalendarPtr copy = source->copy();
    EXPECT_EQ(copy->primaryKey(), source->primaryKey());
    EXPECT_EQ(copy->calendarName(), QStringLiteral("Source"));
    EXPECT_EQ(copy->zvwProjectId(), 5);
    EXPECT_EQ(copy->ownerName(), QStringLiteral("Owner"));
    EXPECT_TRUE(copy->isTransparent());
    EXPECT_EQ(copy->calendarOrder(), source->calendarOrder());
}

// A busy or full disk is a run-time condition, not a fault of the program:
// the write reports failure, keeps its changes and lets other threads in.
TEST_F(CalendarTest, FailedWritesAreLoggedReportedAndKeepTheChanges)
{
    const CalendarPtr calendar = insertCategory(QStringLiteral("Before"));
    dataManager().doWithCalendarList(CalendarList{calendar}, 0);
    calendar->setCalendarName(QStringLiteral("After"));
    LogCapture log;
    {
        WriteLockHolder otherProcess(databasePath());
        Calendar fresh;
        EXPECT_FALSE(fresh.insertIntoDatabase(db()));
        EXPECT_FALSE(calendar->dehydrate());
        EXPECT_TRUE(calendar->dirty());
        EXPECT_FALSE(calendar->deleteFromDatabase());
        EXPECT_EQ(dataManager().calendarList().size(), 1) << "a failed delete leaves the list alone";
        EXPECT_TRUE(finishesOnAnotherThread([] { Calendar::initWithPrimaryKey(1, nullptr); },
                                            std::chrono::seconds(5)))
            << "the record lock was left held";
    }
    EXPECT_EQ(log.messages(),
              QStringList({QStringLiteral("Error: failed to insert into the database with message 'database is locked'."),
                           QStringLiteral("Error: failed to dehydrate with message 'database is locked'."),
                           QStringLiteral("Error: failed to begin a transaction with message 'database is locked'.")}));

    ASSERT_TRUE(calendar->dehydrate());
    EXPECT_EQ(storedName(calendar->primaryKey()), QStringLiteral("After"));
}

}  // namespace
