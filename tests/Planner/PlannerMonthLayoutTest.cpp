#include "PlannerDropRules.h"
#include "PlannerMonthLayout.h"

#include "../Utilities/DateTestSupport.h"
#include "Task.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace PlannerMonthLayoutTests {

using namespace PlannerMonthLayout;

// An item of one of the five lists, placed by the date its list reads.
TaskPtr itemOn(ItemList list, const Date& start, const Date& end = Date())
{
    auto item = std::make_shared<Task>();
    item->setTaskType(list == DueTasks || list == DoneTasks ? 1 : list == Notes ? 3 : 0);
    item->setIsADE(list == AllDayEvents);
    item->setStartTime(start);
    item->setEndTime(end ? end : start);
    if (list == TimedEvents) item->setTzStartTime(start);
    if (list == DueTasks) item->setDueEnd(start);
    if (list == DoneTasks) item->setCompletedDate(start);
    return item;
}

struct ChipWant {
    ItemList list;
    int index;
    QRectF frame;
};
struct ButtonWant {
    QRectF frame;
    int count, row;
};

// April 2024 with the week starting on Monday: 1 April to 5 May, five rows;
// a planner 727 × 574 at font size 13.
TEST(PlannerMonthLayout, ChipsAndMoreButtonsFollowTheListsTheRowsAndTheDoubledRow)
{
    const ScopedTimeZone paris("Europe/Paris");
    const Date start = localDate(2024, 4, 1);
    const auto day = [](int d, int hour = 9) { return localDate(2024, 4, 1 + d, hour); };
    const double r6 = 500.0 / 6;
    struct Case {
        const char* name;
        int rows, expandRowIndex;
        Lists lists;
        std::vector<ChipWant> chips;
        std::vector<ButtonWant> buttons;
    };
    const auto five = [&](int d) {
        Lists lists;
        lists[AllDayEvents].push_back(itemOn(AllDayEvents, day(d, 0), day(d, 0).dateByAddingTimeInterval(86399)));
        for (ItemList list : {TimedEvents, DueTasks, DoneTasks, Notes}) lists[list].push_back(itemOn(list, day(d)));
        return lists;
    };
    const auto notes = [&](std::initializer_list<std::pair<int, int>> countsOnDays) {
        Lists lists;
        for (auto [d, count] : countsOnDays)
            for (int k = 0; k < count; ++k) lists[Notes].push_back(itemOn(Notes, day(d)));
        return lists;
    };
    const auto allDay = [&](const Date& from, const Date& to) {
        Lists lists;
        lists[AllDayEvents].push_back(itemOn(AllDayEvents, from, to));
        return lists;
    };
    // A daily 23:00-01:00 series: the occurrence begun the evening before the
    // grid stays out of the first cell, where the series' own one shows; a
    // one-off begun then still shows there.
    Lists overnight;
    for (auto [key, parent, from] : {std::tuple{-1, 7, localDate(2024, 3, 31, 23)}, {-2, 7, localDate(2024, 4, 1, 23)},
                                     {9, 0, localDate(2024, 3, 31, 23, 30)}}) {
        TaskPtr item = itemOn(TimedEvents, from, from.dateByAddingTimeInterval(7200));
        item->setPrimaryKey(key);
        item->setParentId(parent);
        overnight[TimedEvents].push_back(item);
    }
    Lists doneOutside;
    doneOutside[DoneTasks] = {itemOn(DoneTasks, localDate(2024, 5, 20, 9)), itemOn(DoneTasks, localDate(2024, 3, 20, 9))};

    const Case cases[] = {
        {"five kinds on Wednesday stack in list order",
         5,
         6,
         five(2),
         {{AllDayEvents, 0, {218.5, 63, 96, 21}}, {TimedEvents, 0, {217.5, 85, 98, 21}}, {DueTasks, 0, {217.5, 107, 98, 21}}},
         {{{218.5, 106.5, 96, 21.5}, 3, 0}}},
        {"Friday to Tuesday runs on into the next row",
         5,
         6,
         allDay(day(4, 0), day(8, 0).dateByAddingTimeInterval(86399)),
         {{AllDayEvents, 0, {418.5, 63, 296, 21}}, {AllDayEvents, 0, {17.5, 163, 198, 21}}},
         {}},
        {"begun before the grid: column 0, span from the grid's first day",
         5,
         6,
         allDay(localDate(2024, 3, 28), day(1, 0).dateByAddingTimeInterval(86399)),
         {{AllDayEvents, 0, {18.5, 63, 196, 21}}},
         {}},
        {"six weeks, row 2 doubled: row 4 shown, row 5 not",
         6,
         2,
         notes({{28, 5}, {35, 1}}),
         {{Notes, 0, {17.5, 63 + 5 * r6, 98, 21}}, {Notes, 1, {17.5, 85 + 5 * r6, 98, 21}}},
         {{{18.5, 85 + 5 * r6 - 0.5, 96, 21.5}, 4, 4}}},
        {"six weeks, a span from the last row stops at the grid's end",
         6,
         6,
         allDay(day(34, 0), day(47, 0).dateByAddingTimeInterval(86399)),
         {{AllDayEvents, 0, {618.5, 63 + 4 * r6, 96, 21}}, {AllDayEvents, 0, {17.5, 63 + 5 * r6, 698, 21}}},
         {}},
        {"overnight series: once in the first cell", 5, 6, overnight,
         {{TimedEvents, 1, {17.5, 63, 98, 21}}, {TimedEvents, 2, {17.5, 85, 98, 21}}}, {}},
        {"done after the grid: no chip, no count; done before it: day 0", 5, 6, doneOutside, {{DoneTasks, 1, {17.5, 63, 98, 21}}}, {}},
        {"last row doubled: row 0 hidden, the last row twice as deep",
         5,
         4,
         notes({{2, 1}, {29, 9}}),
         {{Notes, 1, {117.5, 363, 98, 21}}, {Notes, 2, {117.5, 385, 98, 21}}, {Notes, 3, {117.5, 407, 98, 21}},
          {Notes, 4, {117.5, 429, 98, 21}}, {Notes, 5, {117.5, 451, 98, 21}}, {Notes, 6, {117.5, 473, 98, 21}},
          {Notes, 7, {117.5, 495, 98, 21}}},
         {{{118.5, 516.5, 96, 21.5}, 2, 4}}},
    };
    for (const Case& c : cases) {
        const Grid grid{start, 500.0 / c.rows, 13 + 9, c.rows, c.expandRowIndex, 100};
        const Result got = layOut(grid, c.lists);
        ASSERT_EQ(got.chips.size(), c.chips.size()) << c.name;
        for (size_t k = 0; k < c.chips.size(); ++k) {
            EXPECT_EQ(got.chips[k].list, c.chips[k].list) << c.name << " chip " << k;
            EXPECT_EQ(got.chips[k].index, c.chips[k].index) << c.name << " chip " << k;
            EXPECT_NEAR(got.chips[k].frame.x(), c.chips[k].frame.x(), 1e-6) << c.name << " chip " << k;
            EXPECT_NEAR(got.chips[k].frame.y(), c.chips[k].frame.y(), 1e-6) << c.name << " chip " << k;
            EXPECT_EQ(got.chips[k].frame.size(), c.chips[k].frame.size()) << c.name << " chip " << k;
        }
        ASSERT_EQ(got.buttons.size(), c.buttons.size()) << c.name;
        for (size_t k = 0; k < c.buttons.size(); ++k) {
            EXPECT_NEAR(got.buttons[k].frame.y(), c.buttons[k].frame.y(), 1e-6) << c.name;
            EXPECT_EQ(got.buttons[k].frame.x(), c.buttons[k].frame.x()) << c.name;
            EXPECT_EQ(got.buttons[k].frame.size(), c.buttons[k].frame.size()) << c.name;
            EXPECT_EQ(got.buttons[k].count, c.buttons[k].count) << c.name;
            EXPECT_EQ(got.buttons[k].row, c.buttons[k].row) << c.name;
        }
    }
}

TEST(PlannerMonthLayout, EdgesOfAllDayChipsAndDayIndexesAcrossTheClockChange)
{
    const ScopedTimeZone paris("Europe/Paris");
    const Date start = localDate(2024, 3, 25);
    Lists lists;
    lists[AllDayEvents].push_back(itemOn(AllDayEvents, localDate(2024, 3, 29), localDate(2024, 4, 2, 23, 59, 59)));
    auto notAllDay = itemOn(TimedEvents, localDate(2024, 3, 26), localDate(2024, 3, 27));
    lists[AllDayEvents].push_back(notAllDay);
    const Result got = layOut({start, 100, 22, 5, 6, 100}, lists);
    ASSERT_EQ(got.chips.size(), 3u);
    EXPECT_FALSE(got.chips[0].setsEdges);  // an all-day event keeps the chip's own edges
    EXPECT_TRUE(got.chips[1].setsEdges && !got.chips[1].canResizeStart && !got.chips[1].canResizeEnd);
    EXPECT_TRUE(got.chips[2].setsEdges && !got.chips[2].canResizeStart && !got.chips[2].canResizeEnd);

    // The clock goes forward on 31 March: 1 April 00:30 is less than seven
    // times 86,400 seconds after 25 March 00:00, yet seven days on.
    const struct {
        Date date;
        int index;
    } days[] = {{localDate(2024, 3, 31, 23, 30), 6}, {localDate(2024, 4, 1, 0, 30), 7}, {localDate(2024, 3, 20), 0},
                {localDate(2024, 10, 28), 217}};
    for (const auto& d : days) EXPECT_EQ(dayIndexOf(start, d.date), d.index);
}

TEST(PlannerDropRules, TheActionFollowsItemSourceAndOwnerAndTheDropTimeItsImageTop)
{
    using namespace PlannerDropRules;
    using A = Action;
    using S = Source;
    const struct {
        qint64 type;
        bool allDay;
        Source source;
        bool grid;
        Action want;
    } cases[] = {
        {3, false, S::PlannerChip, true, A::Fail},          {3, false, S::Other, false, A::MoveNote},
        {1, false, S::PlannerChip, true, A::Fail},          {1, false, S::PlannerChip, false, A::MoveDeadline},
        {0, false, S::PlannerChip, false, A::MoveEventToDay}, {2, false, S::PlannerChip, false, A::Fail},
        {0, true, S::HourGridBlock, true, A::MoveOnHourGrid}, {1, false, S::HourGridBlock, false, A::Fail},
        {1, false, S::TaskList, true, A::ScheduleOnHourGrid}, {0, false, S::TaskList, true, A::MoveOnHourGrid},
        {0, false, S::TaskList, false, A::MoveDeadline},    {0, true, S::ProjectOutlineRow, false, A::MoveEventToDay},
        {0, false, S::ProjectOutlineRow, false, A::Fail},   {0, false, S::ProjectOutlineRow, true, A::MoveOnHourGrid},
        {0, true, S::ProjectOutlineRow, true, A::Fail},     {1, false, S::ProjectOutlineRow, true, A::ScheduleOnHourGrid},
        {0, false, S::Other, true, A::NoChange},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dropAction(c.type, c.allDay, c.source, c.grid), c.want)
            << "type " << c.type << " source " << int(c.source) << " grid " << c.grid;

    // The block is told apart from the chip even when it inherits from it.
    EXPECT_EQ(sourceOf([](const char* name) { return QByteArray(name) == "PlannerWeeklyItemView" || QByteArray(name) == "PlannerItemView"; }),
              S::HourGridBlock);
    EXPECT_EQ(sourceOf([](const char* name) { return QByteArray(name) == "TaskListTableView"; }), S::TaskList);
    EXPECT_EQ(sourceOf(nullptr), S::Other);

    const struct {
        double hours;
        int hour, minute;
    } times[] = {{14.3, 14, 15}, {9.6, 9, 30}, {0, 0, 0}, {23.99, 23, 45}};
    for (const auto& t : times) {
        const DropTime got = dropTimeOfImageTop(23 + 47 * t.hours);
        EXPECT_EQ(got.hour * 60 + got.minute, t.hour * 60 + t.minute) << t.hours;
    }
}

}  // namespace PlannerMonthLayoutTests
