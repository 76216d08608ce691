#include "Calendar.h"
#include "ModelTestFixture.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

class CoreDataCategoryTest : public ModelTest {
protected:
    CalendarPtr listedCategory(qint64 key)
    {
        auto calendar = std::make_shared<Calendar>();
        calendar->setPrimaryKey(key);
        return calendar;
    }
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

}  // namespace
