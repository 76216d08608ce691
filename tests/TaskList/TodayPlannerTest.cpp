// The today planner: the pour over plain numbers, the working window, the
// candidates' order and whole passes over a real data manager.
#include "TodayPlanner.h"

#include "../Model/TaskTestFixture.h"
#include "CoreData.h"
#include "KeyedSort.h"
#include "TextTable.h"
#include "TimeSlotObject.h"

#include <gtest/gtest.h>

namespace {

using TodayPlanner::DayPour;
using TodayPlanner::PouredEntry;

constexpr PouredEntry whole(int task) { return {task, -1}; }
constexpr PouredEntry piece(int task, qint64 minutes) { return {task, minutes}; }

TEST(TodayPlannerPour, PlacesTasksWholeAndCarriesTheOverflowOnlyBeforeAnotherTask)
{
    struct Case {
        const char* name;
        std::array<qint64, 7> free;
        std::vector<qint64> durations;
        std::array<DayPour, 7> expected;
    };
    const std::array<qint64, 7> weekFromMonday{420, 480, 480, 480, 480, 0, 0};  // Monday with 12:00-13:00 taken
    const Case cases[] = {
        {"a long second task spills into Tuesday", weekFromMonday, {240, 240, 30},
         {DayPour{whole(0), whole(1)}, DayPour{piece(1, 60), whole(2)}}},
        {"the last task's overflow is not carried", {480, 480, 480, 480, 480, 0, 0}, {600}, {DayPour{whole(0)}}},
        {"an overflow of 10 is dropped", {480, 480, 480, 480, 480, 0, 0}, {490, 30},
         {DayPour{whole(0)}, DayPour{whole(1)}}},
        {"an overflow of 15 is carried", {480, 480, 480, 480, 480, 0, 0}, {495, 30},
         {DayPour{whole(0)}, DayPour{piece(0, 15), whole(1)}}},
        {"a task without a duration needs an open day but takes no time", {480, 480, 480, 480, 480, 0, 0}, {480, 0, 30},
         {DayPour{whole(0)}, DayPour{whole(1), whole(2)}}},
        {"a negative duration takes no time", {30, 0, 0, 0, 0, 0, 0}, {-120, 20},
         {DayPour{whole(0), whole(1)}}},
        {"a piece passes through closed days with its own carry", {480, 0, 0, 480, 480, 480, 480}, {600, 60},
         {DayPour{whole(0)}, DayPour{piece(0, 120)}, DayPour{piece(0, 120)}, DayPour{piece(0, 120), whole(1)}}},
        {"a short open day takes part of the carry", {480, 60, 0, 480, 480, 480, 480}, {600, 60},
         {DayPour{whole(0)}, DayPour{piece(0, 120)}, DayPour{piece(0, 60)}, DayPour{piece(0, 60), whole(1)}}},
        {"exactly 15 minutes left still takes a task", {495, 0, 0, 0, 0, 0, 0}, {480, 60}, {DayPour{whole(0), whole(1)}}},
        {"10 minutes left does not", {490, 480, 0, 0, 0, 0, 0}, {480, 60},
         {DayPour{whole(0)}, DayPour{whole(1)}}},
        {"nothing to pour", {480, 480, 480, 480, 480, 480, 480}, {}, {}},
        {"no free time anywhere", {0, 0, 0, 0, 0, 0, 0}, {30}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto poured = TodayPlanner::pour(c.free, c.durations);
        for (size_t day = 0; day < 7; ++day) EXPECT_EQ(poured[day], c.expected[day]) << "day " << day;
    }
}

TEST(TodayPlannerWindow, TodayOpensAtTheWorkingStartOrTheNextFiveMinutes)
{
    const Date day = localDate(2014, 1, 13, 7);
    struct Case {
        Date now;
        Date expected;
    };
    const Case cases[] = {
        {localDate(2014, 1, 13, 8, 30), localDate(2014, 1, 13, 9)},
        {localDate(2014, 1, 13, 13, 57, 30), localDate(2014, 1, 13, 14)},
        {localDate(2014, 1, 13, 10, 2), localDate(2014, 1, 13, 10, 5)},
        {localDate(2014, 1, 13, 10, 5), localDate(2014, 1, 13, 10, 5)},
        {localDate(2014, 1, 13, 10, 5, 1), localDate(2014, 1, 13, 10, 10)},
        {localDate(2014, 1, 13, 9, 0, 40), localDate(2014, 1, 13, 9)},  // 09:00 is not later than the start
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now.wholeSecondsSince1970());
        EXPECT_EQ(TodayPlanner::windowStart(day, 540, c.now, true), c.expected);
    }
    EXPECT_EQ(TodayPlanner::windowStart(day, 540, localDate(2014, 1, 13, 13), false), localDate(2014, 1, 13, 9));
}

TEST(TodayPlannerWindow, HoursAreReadUnderTheirStoredKeysAndMissingOnesAreMidnight)
{
    const QVariantMap hours{{QStringLiteral("TuedayStartTime"), 480}, {QStringLiteral("TuedayEndTime"), 960},
                            {QStringLiteral("ThusdayStartTime"), 600}, {QStringLiteral("ThusdayEndTime"), QStringLiteral("x")}};
    EXPECT_EQ(TodayPlanner::workingHoursOf(hours, 3).start, 480);
    EXPECT_EQ(TodayPlanner::workingHoursOf(hours, 3).end, 960);
    EXPECT_EQ(TodayPlanner::workingHoursOf(hours, 5).start, 600);
    EXPECT_EQ(TodayPlanner::workingHoursOf(hours, 5).end, 0);
    EXPECT_EQ(TodayPlanner::workingHoursOf(hours, 2).end, 0);
    EXPECT_EQ(TodayPlanner::workingHoursOf(hours, 0).end, 0);
    EXPECT_EQ(TodayPlanner::workingHoursOf(hours, 8).start, 0);

    const Date today = localDate(2014, 1, 13, 23, 50);
    EXPECT_EQ(TodayPlanner::dueDayNumber(today, localDate(2014, 1, 13, 0, 10)), 1);
    EXPECT_EQ(TodayPlanner::dueDayNumber(today, localDate(2014, 1, 14, 0, 5)), 2);
    EXPECT_EQ(TodayPlanner::dueDayNumber(today, localDate(2014, 1, 12, 23)), 0);
    EXPECT_EQ(TodayPlanner::dueDayNumber(today, localDate(2014, 1, 10, 9)), -2);
}

// Working hours Monday to Friday 09:00-17:00, none at the weekend; the clock
// Monday 13 January 2014, 07:00 in Paris.
class TodayPlannerPassTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        setNow(localDate(2014, 1, 13, 7));
        QVariantMap hours;
        for (const QString& key : Setting::dayManagerKeys()) {
            const bool weekend = key.startsWith(QStringLiteral("Sat")) || key.startsWith(QStringLiteral("Sun"));
            hours.insert(key, weekend ? 0 : key.endsWith(QStringLiteral("EndTime")) ? 1020 : 540);
        }
        setting().setDayManagers(hours);
    }

    void setNow(const Date& now) { Clock::setFixed(now); }

    TaskPtr addTask(const QString& name, qint64 minutes, bool hasDuration = true)
    {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(name);
        task->setCalendarId(1);
        task->setHasDuration(hasDuration);
        task->setDuration(minutes);
        task->setTaskOrder(++m_order);
        EXPECT_TRUE(task->insertIntoDatabase());
        EXPECT_TRUE(task->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{task}, 0);
        return task;
    }

    TaskPtr addEvent(const Date& start, const Date& end, qint64 category = 1)
    {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setTaskName(QStringLiteral("Lunch"));
        event->setCalendarId(category);
        event->setTz(0);
        event->setStartTime(start);
        event->setEndTime(end);
        event->setTaskOrder(++m_order);
        EXPECT_TRUE(event->insertIntoDatabase());
        EXPECT_TRUE(event->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{event}, 0);
        return event;
    }

    static QString key(const char* text) { return TextTable::localizedString(QString::fromLatin1(text)); }

    // The day's list as names, a piece written with its minutes.
    QStringList day(const char* weekday)
    {
        QStringList names;
        for (const TaskPtr& task : dataManager().sevenDaysTaskList()->value(key(weekday))) {
            const bool isPiece = std::none_of(m_pass.cbegin(), m_pass.cend(), [&](const TaskPtr& t) { return t == task; });
            names << (isPiece ? QStringLiteral("%1:%2").arg(task->taskName()).arg(task->duration()) : task->taskName());
        }
        return names;
    }
    QList<std::pair<qint64, qint64>> slots(const char* weekday)
    {
        QList<std::pair<qint64, qint64>> out;
        for (const TimeSlotObject& slot : dataManager().sevenDaysOpenTimeSlotsList()->value(key(weekday)))
            out.append({slot.startTimeInMinutes(), slot.endTimeInMinutes()});
        return out;
    }
    void run(int filter = 0, bool forceSort = false)
    {
        m_pass = dataManager().allTasksEventsAdes();
        TodayPlanner::runPass(dataManager(), filter, forceSort);
    }

    TaskList m_pass;
    qint64 m_order = 0;
};

using Slots = QList<std::pair<qint64, qint64>>;

TEST_F(TodayPlannerPassTest, TasksFlowAroundTheDaysEventsIntoTheNextDay)
{
    const TaskPtr lunch = addEvent(localDate(2014, 1, 13, 12), localDate(2014, 1, 13, 13));
    addTask(QStringLiteral("T1"), 240);
    addTask(QStringLiteral("T2"), 240);
    addTask(QStringLiteral("T3"), 30);
    run();
    EXPECT_EQ(slots("monText"), (Slots{{540, 720}, {780, 1020}}));
    EXPECT_EQ(day("monText"), (QStringList{"T1", "T2"}));
    EXPECT_EQ(day("tueText"), (QStringList{"T2:60", "T3"}));
    for (const char* weekday : {"wedText", "thuText", "friText", "satText", "sunText"}) {
        EXPECT_TRUE(day(weekday).isEmpty()) << weekday;
        EXPECT_TRUE(dataManager().sevenDaysEventList()->contains(key(weekday)));
    }
    EXPECT_EQ(dataManager().sevenDaysEventList()->value(key("monText")), TaskList{lunch});

    // In a transparent category the event blocks nothing but is still listed.
    const CalendarPtr transparent = addCategory();
    transparent->setIsTransparent(true);
    lunch->setCalendarId(transparent->primaryKey());
    run();
    EXPECT_EQ(slots("monText"), (Slots{{540, 1020}}));
    EXPECT_EQ(day("monText"), (QStringList{"T1", "T2"}));
    EXPECT_EQ(day("tueText"), (QStringList{"T3"}));
    EXPECT_EQ(dataManager().sevenDaysEventList()->value(key("monText")), TaskList{lunch});

    // A shared event blocks only once accepted.
    lunch->setCalendarId(1);
    lunch->setIsShared(true);
    run();
    EXPECT_EQ(slots("monText"), (Slots{{540, 1020}}));
    lunch->setDelegateStatus(1);
    run();
    EXPECT_EQ(slots("monText"), (Slots{{540, 720}, {780, 1020}}));
}

TEST_F(TodayPlannerPassTest, EachDayAPiecePassesThroughShowsItsOwnCarry)
{
    setNow(localDate(2014, 1, 17, 7));  // a Friday
    addTask(QStringLiteral("T1"), 600);
    addTask(QStringLiteral("T2"), 60);
    run();
    EXPECT_EQ(day("friText"), (QStringList{"T1"}));
    EXPECT_EQ(day("satText"), (QStringList{"T1:120"}));
    EXPECT_EQ(day("sunText"), (QStringList{"T1:120"}));
    EXPECT_EQ(day("monText"), (QStringList{"T1:120", "T2"}));

    QVariantMap hours = setting().dayManagers();
    hours.insert(QStringLiteral("SaturdayStartTime"), 540);
    hours.insert(QStringLiteral("SaturdayEndTime"), 600);
    setting().setDayManagers(hours);
    run();
    EXPECT_EQ(day("satText"), (QStringList{"T1:120"}));
    EXPECT_EQ(day("sunText"), (QStringList{"T1:60"}));
    EXPECT_EQ(day("monText"), (QStringList{"T1:60", "T2"}));
}

TEST_F(TodayPlannerPassTest, TodaysWindowFollowsTheClockAndClosedDaysWait)
{
    addTask(QStringLiteral("T1"), 30);
    setNow(localDate(2014, 1, 13, 13, 57, 30));
    run();
    EXPECT_EQ(slots("monText"), (Slots{{840, 1020}}));
    setNow(localDate(2014, 1, 13, 17, 30));
    run();
    EXPECT_TRUE(slots("monText").isEmpty());
    EXPECT_TRUE(day("monText").isEmpty());
    EXPECT_EQ(day("tueText"), (QStringList{"T1"}));

    // A day whose start is not before its end has no free time either.
    QVariantMap hours = setting().dayManagers();
    hours.insert(QStringLiteral("TuedayStartTime"), 1020);
    hours.insert(QStringLiteral("TuedayEndTime"), 540);
    setting().setDayManagers(hours);
    run();
    EXPECT_TRUE(slots("tueText").isEmpty());
    EXPECT_EQ(day("wedText"), (QStringList{"T1"}));
}

TEST_F(TodayPlannerPassTest, NoOpenTaskLeavesEmptyDaysWithEventsAndSlots)
{
    addEvent(localDate(2014, 1, 14, 10), localDate(2014, 1, 14, 11));
    run();
    for (const char* weekday : {"monText", "tueText", "wedText", "thuText", "friText", "satText", "sunText"}) {
        ASSERT_TRUE(dataManager().sevenDaysTaskList()->contains(key(weekday))) << weekday;
        EXPECT_TRUE(day(weekday).isEmpty()) << weekday;
    }
    EXPECT_EQ(slots("tueText"), (Slots{{540, 600}, {660, 1020}}));
    EXPECT_EQ(dataManager().sevenDaysEventList()->value(key("tueText")).size(), 1);
}

TEST_F(TodayPlannerPassTest, TheDayTheClocksChangeKeepsItsWorkingHours)
{
    setNow(localDate(2014, 3, 28, 7));
    QVariantMap hours = setting().dayManagers();
    hours.insert(QStringLiteral("SundayStartTime"), 540);
    hours.insert(QStringLiteral("SundayEndTime"), 1020);
    setting().setDayManagers(hours);
    run();
    EXPECT_EQ(slots("sunText"), (Slots{{540, 1020}}));
}

TEST_F(TodayPlannerPassTest, MustDoTasksComeFirstAndJoinFiltersThatLeaveThemOut)
{
    setting().setMustDo(2);
    const TaskPtr a = addTask(QStringLiteral("A"), 30);
    a->setIsPinned(true);
    const TaskPtr b = addTask(QStringLiteral("B"), 30);
    b->setIsPinned(true);
    const TaskPtr c = addTask(QStringLiteral("C"), 30);
    c->setHasDue(true);
    c->setDueEnd(localDate(2014, 1, 14, 17));
    const TaskPtr d = addTask(QStringLiteral("D"), 30);
    d->setHasDue(true);
    d->setDueEnd(localDate(2014, 1, 16, 17));
    run(2);
    EXPECT_EQ(day("monText"), (QStringList{"C", "A", "B"}));
    EXPECT_TRUE(c->npIsMustDo());
    run(0);
    EXPECT_EQ(day("monText"), (QStringList{"C", "A", "B", "D"}));
}

TEST_F(TodayPlannerPassTest, AForcedOrderNumbersTheCandidates)
{
    const TaskPtr a = addTask(QStringLiteral("A"), 30);
    const TaskPtr b = addTask(QStringLiteral("B"), 120);
    const TaskPtr c = addTask(QStringLiteral("C"), 60);
    run(6, true);
    EXPECT_EQ(day("monText"), (QStringList{"B", "C", "A"}));
    EXPECT_EQ(b->npSortOrder(), 1);
    EXPECT_EQ(c->npSortOrder(), 2);
    EXPECT_EQ(a->npSortOrder(), 3);
    run(0, false);
    EXPECT_EQ(day("monText"), (QStringList{"A", "B", "C"}));
}

TEST_F(TodayPlannerPassTest, TiedOrdersAreRenumberedAndSavedTogether)
{
    const TaskPtr one = addTask(QStringLiteral("one"), 30);
    const TaskPtr two = addTask(QStringLiteral("two"), 30);
    const TaskPtr three = addTask(QStringLiteral("three"), 30);
    const TaskPtr five = addTask(QStringLiteral("five"), 30);
    five->setTaskOrder(5);
    ASSERT_TRUE(five->dehydrate());
    EXPECT_FALSE(TodayPlanner::repairOrder(dataManager()));  // 1, 2, 3, 5: no tie
    EXPECT_EQ(five->taskOrder(), 5);

    three->setTaskOrder(2);
    ASSERT_TRUE(three->dehydrate());
    // A save that fails leaves every order as it was.
    exec(QStringLiteral("CREATE TRIGGER refuseOrders BEFORE UPDATE ON Tasks BEGIN SELECT RAISE(ABORT, 'full'); END"));
    EXPECT_FALSE(TodayPlanner::repairOrder(dataManager()));
    exec(QStringLiteral("DROP TRIGGER refuseOrders"));
    EXPECT_EQ(three->taskOrder(), 2);
    EXPECT_EQ(five->taskOrder(), 5);

    EXPECT_TRUE(TodayPlanner::repairOrder(dataManager()));
    EXPECT_EQ(one->taskOrder(), 1);
    EXPECT_EQ(two->taskOrder(), 2);
    EXPECT_EQ(three->taskOrder(), 3);
    EXPECT_EQ(five->taskOrder(), 4);
    EXPECT_EQ(Task::initWithPrimaryKey(five->primaryKey())->taskOrder(), 4);
}

// The orders are read in the working list's order: a tie counts wherever
// the two stand, and orders out of step with the list are no tie.
TEST_F(TodayPlannerPassTest, ATieIsFoundWhereverItStandsInTheList)
{
    const struct {
        std::vector<qint64> orders;
        bool repaired;
    } cases[] = {
        {{1, 2, 3}, false}, {{3, 1, 2}, false}, {{1, 3, 3}, true}, {{3, 1, 3}, true}, {{2, 2}, true}, {{5}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.orders));
        TaskList made;
        for (qint64 order : c.orders) {
            const TaskPtr item = addTask(QStringLiteral("t%1").arg(order), 30);
            item->setTaskOrder(order);
            ASSERT_TRUE(item->dehydrate());
            made << item;
        }
        EXPECT_EQ(TodayPlanner::repairOrder(dataManager()), c.repaired);
        std::vector<qint64> after;
        for (const TaskPtr& item : dataManager().allTasksEventsAdes()) after.push_back(item->taskOrder());
        std::vector<qint64> sorted = after;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "no tie is left";
        if (!c.repaired) {
            EXPECT_EQ(after, c.orders);
        }
        dataManager().doWithAllTasksEventsAdes(made, ListAction::Remove);
        for (const TaskPtr& item : made) ASSERT_TRUE(item->deleteFromDatabase());
    }
}

// The keyed sort gives what a stable sort of the items by the same key
// gives, ties in their first order, whether or not the list was already in
// order; a list in order keeps its own storage.
TEST(TodayPlannerKeyedSort, MatchesAStableSortOfTheItemsAndKeepsAListInOrder)
{
    struct Case {
        const char* what;
        std::vector<qint64> orders;
        bool ascending;
    };
    const Case cases[] = {
        {"empty", {}, true},
        {"one", {5}, true},
        {"rising", {1, 2, 3, 4}, true},
        {"rising with ties", {1, 2, 2, 3, 3}, true},
        {"falling, sorted rising", {4, 3, 2, 1}, true},
        {"one out of place at the end", {1, 2, 3, 0}, true},
        {"ties out of place", {2, 1, 2, 1}, true},
        {"falling, sorted falling", {4, 3, 3, 1}, false},
        {"rising, sorted falling", {1, 2, 3}, false},
        {"ties, sorted falling", {1, 3, 1, 3}, false},
    };
    for (const Case& c : cases) {
        TaskList list;
        for (qint64 order : c.orders) {
            auto task = std::make_shared<Task>();
            task->setTaskOrder(order);
            list << task;
        }
        TaskList expected = list;
        std::stable_sort(expected.begin(), expected.end(), [&c](const TaskPtr& a, const TaskPtr& b) {
            return c.ascending ? a->taskOrder() < b->taskOrder() : b->taskOrder() < a->taskOrder();
        });
        const bool inOrder = std::equal(list.cbegin(), list.cend(), expected.cbegin());
        const TaskList shared = list;
        stableSortByKey(list, [](const Task& t) { return t.taskOrder(); }, c.ascending);
        EXPECT_TRUE(std::equal(list.cbegin(), list.cend(), expected.cbegin(), expected.cend())) << c.what;
        if (inOrder) { EXPECT_EQ(list.constData(), shared.constData()) << c.what << ": copied though in order"; }
    }
}

}  // namespace
