#include "Calendar.h"
#include "LogCapture.h"
#include "ModelTestFixture.h"
#include "PostedNotifications.h"
#include "RecordFailureInjection.h"
#include "Setting.h"
#include "TaskTestFixture.h"
#include "RecordingICalSync.h"

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct Kind {
    qint64 projectType = 0;
    bool shared = false;
    bool hidden = false;
};

class CoreDataCategoryTest : public ModelTest {
protected:
    CalendarPtr listedCategory(qint64 key)
    {
        auto calendar = std::make_shared<Calendar>();
        calendar->setPrimaryKey(key);
        return calendar;
    }

    static CalendarPtr category(qint64 key, const QString& name, Kind kind = {})
    {
        auto calendar = std::make_shared<Calendar>();
        calendar->setPrimaryKey(key);
        calendar->setCalendarName(name);
        calendar->setProjectType(kind.projectType);
        calendar->setExtraStatus(kind.shared ? 1 : 0);
        calendar->setInVisible(kind.hidden ? 1 : 0);
        return calendar;
    }
};

// The commands also need the settings row and a recorder of the calls to the
// system-calendar sync.
class CoreDataCategoryCommandTest : public CoreDataCategoryTest {
protected:
    void SetUp() override
    {
        CoreDataCategoryTest::SetUp();
        m_setting = Setting::initWithPrimaryKey(1, db());
        dataManager().setCurrentSetting(m_setting);
        auto sync = std::make_unique<RecordingICalSync>();
        m_icalSync = sync.get();
        dataManager().setICalSync(std::move(sync));
        // Start from a category list that matches the table.
        dataManager().doWithCalendarList(dataManager().getCalendarList(), 2);
    }

    // A category stored and listed as the category views would leave it.
    CalendarPtr storedCategory(const QString& name, Kind kind = {})
    {
        const CalendarPtr calendar = category(0, name, kind);
        EXPECT_TRUE(calendar->insertIntoDatabase(db()));
        EXPECT_TRUE(calendar->dehydrate());
        dataManager().doWithCalendarList(CalendarList{calendar}, 0);
        return calendar;
    }

    void setDefaultCategory(qint64 key)
    {
        m_setting->setCalendarDefID(key);
        ASSERT_TRUE(m_setting->dehydrate());
    }

    qint64 storedDefaultCategory() { return queryInt(QStringLiteral("SELECT calendarDefID FROM Settings")); }

    SettingPtr m_setting;
    RecordingICalSync* m_icalSync = nullptr;
};

TEST_F(CoreDataCategoryTest, HighestOrderIsZeroWithoutRowsOrDatabase)
{
    EXPECT_EQ(dataManager().getMaxOrderOfCalendars(), 1) << "the template's default category";
    exec(QStringLiteral("INSERT INTO Calendars (calendarOrder) VALUES (12)"));
    EXPECT_EQ(dataManager().getMaxOrderOfCalendars(), 12);
    exec(QStringLiteral("DELETE FROM Calendars"));
    EXPECT_EQ(dataManager().getMaxOrderOfCalendars(), 0);
    exec(QStringLiteral("INSERT INTO Calendars (calendarOrder) VALUES (4)"));
    databaseOpen = false;
    EXPECT_EQ(dataManager().getMaxOrderOfCalendars(), 0);
}

TEST_F(CoreDataCategoryTest, LookupFindsTheCategoryWithThatKey)
{
    const CalendarPtr first = listedCategory(3);
    const CalendarPtr second = listedCategory(8);
    dataManager().doWithCalendarList(CalendarList{first, second}, 0);
    EXPECT_EQ(dataManager().calendarWithPrimaryKey(8), second);
    EXPECT_EQ(dataManager().calendarWithPrimaryKey(3), first);
    EXPECT_EQ(dataManager().calendarWithPrimaryKey(5), nullptr);
}

// A user with no categories at all must not pay a two-second wait per lookup.
TEST_F(CoreDataCategoryTest, EmptyListWithoutReloadAnswersAtOnce)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dataManager().calendarWithPrimaryKey(1), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
}

TEST_F(CoreDataCategoryTest, LookupDuringAReloadFindsTheCategoryAddedMeanwhile)
{
    dataManager().setCalendarReloadInProgress(true);
    const CalendarPtr reloaded = listedCategory(21);
    std::atomic<bool> reloadDone{false};
    std::thread reloader([&] {
        std::this_thread::sleep_for(50ms);
        dataManager().doWithCalendarList(CalendarList{reloaded}, 0);
        dataManager().setCalendarReloadInProgress(false);
        reloadDone = true;
    });
    const CalendarPtr found = dataManager().calendarWithPrimaryKey(21);
    // The list change notification is delivered on this thread.
    EXPECT_TRUE(processEventsUntil([&] { return reloadDone.load(); }));
    reloader.join();
    EXPECT_EQ(found, reloaded);
}

// A lookup on a sync thread waits for a reload only while the list is empty
// and the reload runs, and never longer than two seconds; the end of the
// reload wakes it at once. (With no reload it answers at once, above.)
TEST_F(CoreDataCategoryTest, LookupWaitsForAReloadOnlyWhileItRuns)
{
    using Clock = std::chrono::steady_clock;
    struct Case {
        const char* what;
        bool listed;
        std::optional<std::chrono::milliseconds> reloadEndsAfter;
        std::chrono::milliseconds atLeast;
        std::chrono::milliseconds below;
    };
    const Case cases[] = {
        {"categories listed while the reload runs", true, std::nullopt, 0ms, 100ms},
        {"the reload ends with no category", false, 300ms, 280ms, 1500ms},
        {"the reload never ends", false, std::nullopt, 1900ms, 4000ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dataManager().doWithCalendarList(c.listed ? std::optional(CalendarList{listedCategory(7)}) : std::nullopt, 2);
        dataManager().setCalendarReloadInProgress(true);
        std::promise<void> started;
        std::promise<Clock::duration> waited;
        std::future<Clock::duration> answer = waited.get_future();
        std::thread syncThread([&] {
            const auto start = Clock::now();
            started.set_value();
            dataManager().calendarWithPrimaryKey(7);
            waited.set_value(Clock::now() - start);
        });
        if (c.reloadEndsAfter) {
            started.get_future().wait();
            std::this_thread::sleep_for(*c.reloadEndsAfter);
            dataManager().setCalendarReloadInProgress(false);
        }
        const bool answered = answer.wait_for(8s) == std::future_status::ready;
        dataManager().setCalendarReloadInProgress(false);
        syncThread.join();
        ASSERT_TRUE(answered) << "the lookup never gave up";
        const Clock::duration elapsed = answer.get();
        EXPECT_GE(elapsed, c.atLeast);
        EXPECT_LT(elapsed, c.below);
    }
}

}  // namespace

namespace {

TEST_F(CoreDataCategoryTest, UniqueNameIgnoresBlanksCaseSharedCategoriesAndTheRenamedOne)
{
    struct Case {
        const char* what;
        QList<CalendarPtr> source;
        QString requested;
        std::optional<int> skipped;  // index of the category being renamed
        QString expected;
    };
    const QList<Case> cases = {
        {"suffix follows the requested spelling", {category(1, "Work"), category(2, "Work_1")}, "work", {}, "work_2"},
        {"blanks do not count", {category(1, "Work")}, "W ork", {}, "W ork_1"},
        {"trailing blank and case", {category(1, "Home"), category(2, "Work")}, "home ", {}, "home _1"},
        {"shared categories are someone else's", {category(1, "Work", {.shared = true})}, "Work", {}, "Work"},
        {"renaming to its own name keeps it", {category(1, "Work"), category(2, "Home")}, "Work", 0, "Work"},
        {"renaming onto another clashes", {category(1, "Work"), category(2, "Home")}, "home", 0, "home_1"},
        {"a free name stays", {category(1, "Work")}, "Garden", {}, "Garden"},
    };
    for (const Case& c : cases) {
        const CalendarPtr skipped = c.skipped ? c.source.at(*c.skipped) : nullptr;
        EXPECT_EQ(dataManager().createNewcalendarNameIfExist(c.requested, skipped, c.source), c.expected) << c.what;
    }
}

TEST_F(CoreDataCategoryTest, ListLookupsMatchTheirFieldExactly)
{
    const CalendarPtr work = category(3, "Work");
    work->setICalUID(QStringLiteral("uid-A"));
    work->setZvwProjectId(5'000'000'001);
    const CalendarPtr hidden = category(4, "Hidden", {.hidden = true});
    hidden->setICalUID(QStringLiteral("uid-a"));
    dataManager().doWithCalendarList(CalendarList{work, hidden}, 0);

    EXPECT_EQ(dataManager().calendarWithICalUID(QStringLiteral("uid-A")), work);
    EXPECT_EQ(dataManager().calendarWithICalUID(QStringLiteral("uid-a")), hidden) << "case counts";
    EXPECT_EQ(dataManager().calendarWithICalUID(QStringLiteral("uid")), nullptr);
    EXPECT_EQ(dataManager().calendarWithZvwID(5'000'000'001), work) << "web ids are 64-bit";
    EXPECT_EQ(dataManager().calendarWithZvwID(705'032'705), nullptr) << "not the id cut to 32 bits";
    EXPECT_TRUE(dataManager().isCalendarVisible(3));
    EXPECT_FALSE(dataManager().isCalendarVisible(4));
    EXPECT_FALSE(dataManager().isCalendarVisible(9));
}

TEST_F(CoreDataCategoryTest, LookupByUidAlsoWaitsForAReload)
{
    dataManager().setCalendarReloadInProgress(true);
    const CalendarPtr reloaded = category(21, "Work");
    reloaded->setICalUID(QStringLiteral("store-uid"));
    std::atomic<bool> reloadDone{false};
    std::thread reloader([&] {
        std::this_thread::sleep_for(50ms);
        dataManager().doWithCalendarList(CalendarList{reloaded}, 0);
        dataManager().setCalendarReloadInProgress(false);
        reloadDone = true;
    });
    const CalendarPtr found = dataManager().calendarWithICalUID(QStringLiteral("store-uid"));
    EXPECT_TRUE(processEventsUntil([&] { return reloadDone.load(); }));
    reloader.join();
    EXPECT_EQ(found, reloaded);
}

TEST_F(CoreDataCategoryTest, TypeAndVisibilityFiltersKeepListOrder)
{
    const CalendarPtr shown = category(1, "A");
    const CalendarPtr checklist = category(2, "B", {.projectType = 1});
    const CalendarPtr hidden = category(3, "C", {.hidden = true});
    const CalendarPtr shownToo = category(4, "D");
    const CalendarList list{shown, checklist, hidden, shownToo};

    EXPECT_EQ(dataManager().getCalendarWithType(0, list), (CalendarList{shown, hidden, shownToo}));
    EXPECT_EQ(dataManager().getCalendarWithType(0, list, true), (CalendarList{shown, shownToo}));
    EXPECT_EQ(dataManager().getCalendarWithType(0, list, false), CalendarList{hidden});
    EXPECT_EQ(dataManager().getCalendarWithType(1, list), CalendarList{checklist});

    EXPECT_EQ(dataManager().getCalendarByPrimaryKey(3, 0, list), hidden);
    EXPECT_EQ(dataManager().getCalendarByPrimaryKey(2, 0, list), nullptr) << "wrong type";
    EXPECT_EQ(dataManager().getCalendarByPrimaryKey(3, 0, list, false), hidden);
    EXPECT_EQ(dataManager().getCalendarByPrimaryKey(3, 0, list, true), nullptr);
    EXPECT_EQ(dataManager().getCalendarByPrimaryKey(4, 0, list, true), shownToo);
}

TEST_F(CoreDataCategoryTest, ItemCountsByKindAndCategory)
{
    exec(QStringLiteral("INSERT INTO Tasks (taskType, calendarId) VALUES (1, 7), (0, 8), (3, 9)"));
    EXPECT_TRUE(dataManager().hasTasksBelongToCalendarId(7));
    EXPECT_FALSE(dataManager().hasEventsBelongToCalendarId(7));
    EXPECT_TRUE(dataManager().hasEventsBelongToCalendarId(8));
    EXPECT_FALSE(dataManager().hasTasksBelongToCalendarId(8));
    EXPECT_FALSE(dataManager().hasTasksBelongToCalendarId(9)) << "a note is not a task";

    databaseOpen = false;
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(dataManager().hasTasksBelongToCalendarId(7));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Database can not open!");
}

TEST_F(CoreDataCategoryTest, CategoryListIsLoadedFreshFromTheTable)
{
    exec(QStringLiteral("INSERT INTO Calendars (primaryKey, calendarName, inVisible) VALUES (5, 'Home', 1)"));
    const CalendarList loaded = dataManager().getCalendarList();
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(loaded[0]->calendarName(), QStringLiteral("Zoravel"));
    EXPECT_EQ(loaded[1]->calendarName(), QStringLiteral("Home"));
    EXPECT_EQ(loaded[1]->inVisible(), 1);
    EXPECT_NE(dataManager().getCalendarList()[0], loaded[0]) << "new records each time";

    databaseOpen = false;
    EXPECT_TRUE(dataManager().getCalendarList().isEmpty());
}

// What reaches the system calendar and the web sync depends on the kind of
// category, on needSync and on both auto-sync switches.
TEST_F(CoreDataCategoryCommandTest, AddedCategoryIsStoredListedAndSynchronisedByItsKind)
{
    struct Case {
        qint64 projectType;
        bool needSync;
        bool autoSyncZVW;
        qint64 autoZVWSync;
        std::optional<bool> calendarStoreInsert;  // with its andInsertToZVW flag
        QList<qint64> requests;
    };
    const QList<Case> cases = {
        {0, true, true, 1, true, {}},
        {0, true, true, 0, false, {}},
        {0, true, false, 1, false, {}},
        {1, true, true, 1, {}, {1}},
        {1, true, true, 0, {}, {}},
        {0, false, true, 1, {}, {1}},
        {0, false, false, 1, {}, {}},
        {1, false, true, 1, {}, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.projectType << " needSync " << c.needSync << " auto "
                                          << c.autoSyncZVW << " switch " << c.autoZVWSync);
        m_setting->setAutoZVWSync(c.autoZVWSync);
        m_icalSync->clearCalls();
        PostedNotifications posted({kAutoSyncNotification});
        const CalendarPtr calendar = category(0, QStringLiteral("Garden"), {.projectType = c.projectType});

        ASSERT_TRUE(dataManager().addCalendarToCalendarList(calendar, c.needSync, c.autoSyncZVW));
        EXPECT_GT(calendar->primaryKey(), 0);
        EXPECT_TRUE(dataManager().calendarList().contains(calendar));
        EXPECT_EQ(Calendar::initWithPrimaryKey(calendar->primaryKey(), db())->calendarName(), calendar->calendarName());
        const QList<RecordingICalSync::Call> calls = m_icalSync->calls();
        ASSERT_EQ(calls.size(), c.calendarStoreInsert ? 1 : 0);
        if (c.calendarStoreInsert) {
            EXPECT_EQ(calls[0].operation, QStringLiteral("insertCalendar"));
            EXPECT_EQ(calls[0].calendar, calendar);
            EXPECT_EQ(calls[0].insertToZVW, *c.calendarStoreInsert);
        }
        EXPECT_EQ(posted.autoSyncRequests(), c.requests);
    }
}

TEST_F(CoreDataCategoryCommandTest, AddedCategoryTakesAFreeNameUnlessItIsShared)
{
    storedCategory(QStringLiteral("Work"));
    const CalendarPtr mine = category(0, QStringLiteral("work"));
    ASSERT_TRUE(dataManager().addCalendarToCalendarList(mine, false));
    EXPECT_EQ(mine->calendarName(), QStringLiteral("work_1"));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Calendars WHERE calendarName='work_1'")), 1);

    const CalendarPtr sharedWithMe = category(0, QStringLiteral("Work"), {.shared = true});
    ASSERT_TRUE(dataManager().addCalendarToCalendarList(sharedWithMe, false));
    EXPECT_EQ(sharedWithMe->calendarName(), QStringLiteral("Work")) << "the owner's name is kept";
}

TEST_F(CoreDataCategoryCommandTest, CategoryThatCannotBeStoredIsNeitherListedNorSynchronised)
{
    m_setting->setAutoZVWSync(1);
    const CalendarList before = dataManager().calendarList();
    const qint64 defaultBefore = storedDefaultCategory();
    PostedNotifications posted({kAutoSyncNotification, kCalendarListChanged});
    LogCapture log;
    {
        WriteLockHolder otherProcess(dataFolder() + QStringLiteral("/Database.sql"));
        EXPECT_FALSE(dataManager().addCalendarToCalendarList(category(0, QStringLiteral("Garden")), true, true));
        EXPECT_EQ(dataManager().createDefaultCategoryAutoSyncZVW(true), nullptr);
    }
    EXPECT_EQ(dataManager().calendarList(), before);
    EXPECT_TRUE(m_icalSync->calls().isEmpty());
    EXPECT_TRUE(posted.names().isEmpty());
    EXPECT_FALSE(log.messages().isEmpty());
    EXPECT_EQ(storedDefaultCategory(), defaultBefore) << "not pointed at a category that does not exist";
    EXPECT_EQ(m_setting->calendarDefID(), defaultBefore);
}

TEST_F(CoreDataCategoryCommandTest, DefaultCategoryIsCreatedStoredAndMadeTheDefault)
{
    for (const qint64 autoZVWSync : {0, 1}) {
        SCOPED_TRACE(autoZVWSync);
        m_setting->setAutoZVWSync(autoZVWSync);
        m_icalSync->clearCalls();
        PostedNotifications posted({kAutoSyncNotification});
        const CalendarPtr created = dataManager().createDefaultCategoryAutoSyncZVW(true);
        ASSERT_NE(created, nullptr);
        EXPECT_TRUE(created->calendarName().startsWith(QStringLiteral("Zoravel_"))) << "the template has one";
        EXPECT_EQ(created->projectType(), 0);
        EXPECT_GE(created->colorGroupId(), 0);
        EXPECT_LT(created->colorGroupId(), 4);
        EXPECT_GE(created->colorNameId(), 0);
        EXPECT_LT(created->colorNameId(), 8);
        EXPECT_EQ(m_setting->calendarDefID(), created->primaryKey());
        EXPECT_EQ(storedDefaultCategory(), created->primaryKey());
        ASSERT_EQ(m_icalSync->calls().size(), 1);
        EXPECT_EQ(m_icalSync->calls()[0].insertToZVW, autoZVWSync == 1);
        EXPECT_EQ(posted.autoSyncRequests(), autoZVWSync ? QList<qint64>{32} : QList<qint64>{});
    }
}

TEST_F(CoreDataCategoryCommandTest, ValidDefaultCategoryIsLeftAloneAndNothingIsPosted)
{
    setDefaultCategory(1);
    PostedNotifications posted({kAutoSyncNotification, kCalendarListChanged});
    dataManager().checkAndSetDefaultCategory();
    EXPECT_TRUE(posted.names().isEmpty());
    EXPECT_EQ(storedDefaultCategory(), 1);
}

TEST_F(CoreDataCategoryCommandTest, DefaultMovesToTheFirstOrdinaryUnsharedCategory)
{
    const CalendarPtr checklist = storedCategory(QStringLiteral("List"), {.projectType = 1});
    const CalendarPtr sharedWithMe = storedCategory(QStringLiteral("Team"), {.shared = true});
    setDefaultCategory(sharedWithMe->primaryKey());
    m_setting->setAutoZVWSync(0);
    PostedNotifications posted({kAutoSyncNotification});

    dataManager().checkAndSetDefaultCategory();

    EXPECT_EQ(storedDefaultCategory(), 1) << "the template's category, listed first";
    EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{32}) << "sent whatever the switch says";
    EXPECT_TRUE(m_icalSync->calls().isEmpty());
}

TEST_F(CoreDataCategoryCommandTest, HiddenCategoryThatBecomesTheDefaultIsShownAgain)
{
    exec(QStringLiteral("DELETE FROM Calendars"));
    dataManager().doWithCalendarList(std::nullopt, 1);
    const CalendarPtr hidden = storedCategory(QStringLiteral("Archive"), {.hidden = true});
    setDefaultCategory(99);

    dataManager().checkAndSetDefaultCategory();

    EXPECT_EQ(storedDefaultCategory(), hidden->primaryKey());
    EXPECT_EQ(hidden->inVisible(), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT inVisible FROM Calendars WHERE primaryKey=%1").arg(hidden->primaryKey())),
              0);
}

TEST_F(CoreDataCategoryCommandTest, WithOnlySharedCategoriesADefaultCategoryIsCreated)
{
    exec(QStringLiteral("DELETE FROM Calendars"));
    dataManager().doWithCalendarList(std::nullopt, 1);
    const CalendarPtr sharedWithMe = storedCategory(QStringLiteral("Zoravel"), {.shared = true});
    setDefaultCategory(sharedWithMe->primaryKey());
    m_setting->setAutoZVWSync(1);
    PostedNotifications posted({kAutoSyncNotification});

    dataManager().checkAndSetDefaultCategory();

    const CalendarList listed = dataManager().calendarList();
    ASSERT_EQ(listed.size(), 2);
    const CalendarPtr created = listed[1];
    EXPECT_EQ(created->calendarName(), QStringLiteral("Zoravel")) << "a shared category does not clash";
    EXPECT_EQ(storedDefaultCategory(), created->primaryKey());
    ASSERT_EQ(m_icalSync->calls().size(), 1);
    EXPECT_FALSE(m_icalSync->calls()[0].insertToZVW) << "created without its own web push";
    EXPECT_EQ(posted.autoSyncRequests(), QList<qint64>{32});
}

}  // namespace

namespace {

class CoreDataCategoryItemsTest : public TaskTest {
protected:
    TaskPtr listedItem(const QString& name, qint64 type, qint64 calendarId)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(type);
        item->setCalendarId(calendarId);
        m_items.append(item);
        return item;
    }

    void publish() { dataManager().doWithAllTasksEventsAdes(m_items, 0); }

    static QStringList namesOf(const TaskList& items)
    {
        QStringList names;
        for (const TaskPtr& item : items) names.append(item->taskName());
        return names;
    }

private:
    TaskList m_items;
};

TEST_F(CoreDataCategoryItemsTest, TasksOfACategoryComeInTheirManualOrder)
{
    listedItem(QStringLiteral("third"), 1, 5)->setTaskOrder(30);
    listedItem(QStringLiteral("first"), 1, 5)->setTaskOrder(10);
    listedItem(QStringLiteral("other category"), 1, 6)->setTaskOrder(5);
    listedItem(QStringLiteral("an event"), 0, 5)->setTaskOrder(1);
    listedItem(QStringLiteral("second"), 1, 5)->setTaskOrder(20);
    publish();
    EXPECT_EQ(namesOf(dataManager().getTaskBelongToCalendarId(5)), (QStringList{"first", "second", "third"}));
}

TEST_F(CoreDataCategoryItemsTest, EventsOfACategoryListTimedOnesFirstEachNewestFirst)
{
    const auto event = [&](const char* name, int day, bool allDay) {
        const TaskPtr item = listedItem(QString::fromLatin1(name), 0, 5);
        item->setStartTime(localDate(2014, 1, day, allDay ? 0 : 9, 0));
        item->setIsADE(allDay ? 1 : 0);
    };
    event("timed 14th", 14, false);
    event("all-day 20th", 20, true);
    event("timed 16th", 16, false);
    event("all-day 10th", 10, true);
    listedItem(QStringLiteral("a task"), 1, 5);
    publish();
    EXPECT_EQ(namesOf(dataManager().getEventBelongToCalendarId(5)),
              (QStringList{"timed 16th", "timed 14th", "all-day 20th", "all-day 10th"}));
}

TEST_F(CoreDataCategoryItemsTest, NotesOfACategoryKeepTheWorkingListOrder)
{
    listedItem(QStringLiteral("b"), 3, 5);
    listedItem(QStringLiteral("checklist item"), 2, 5);
    listedItem(QStringLiteral("a"), 3, 5);
    listedItem(QStringLiteral("elsewhere"), 3, 1);
    publish();
    EXPECT_EQ(namesOf(dataManager().getNoteBelongToCalendarId(5)), (QStringList{"b", "a"}));
    EXPECT_TRUE(dataManager().getNoteBelongToCalendarId(7).isEmpty());
}

}  // namespace
