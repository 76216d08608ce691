#include "PlannerWeekLayout.h"

#include "../Model/TaskTestFixture.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Task.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace PlannerWeekLayoutTests {

using namespace PlannerWeekLayout;

Date day(int year, int month, int dayOfMonth, int hour = 0, int minute = 0)
{
    return GregorianCalendar::dateFromFields(year, month, dayOfMonth, hour, minute, 0);
}

// The week of a selected day, whatever its time of day and across both
// clock changes of Paris.
TEST(PlannerWeekLayout, TheWeekOfTheSelectedDayByCalendarDays)
{
    struct Case {
        const char* name;
        Date selected;
        qint64 weekStartDay;
        Date from;
        Date to;
    } cases[] = {
        {"Monday start, a Sunday ends its week", day(2024, 4, 7, 15), 1, day(2024, 4, 1), day(2024, 4, 7)},
        {"Monday start, the Monday after the spring change, early", day(2024, 4, 1, 0, 30), 1, day(2024, 4, 1),
         day(2024, 4, 7)},
        {"Monday start, the same Monday, late", day(2024, 4, 1, 23, 30), 1, day(2024, 4, 1), day(2024, 4, 7)},
        {"Sunday start, the week holding the spring change", day(2024, 4, 1, 0, 30), 0, day(2024, 3, 31),
         day(2024, 4, 6)},
        {"Sunday start, the Sunday of the autumn change", day(2024, 10, 27, 23, 30), 0, day(2024, 10, 27),
         day(2024, 11, 2)},
        {"Monday start, the day after the autumn change", day(2024, 10, 28, 0, 10), 1, day(2024, 10, 28),
         day(2024, 11, 3)},
    };
    for (const Case& c : cases) {
        const Week week = weekOf(c.selected, c.weekStartDay);
        EXPECT_EQ(week.from, c.from) << c.name;
        EXPECT_EQ(week.to, c.to) << c.name;
    }
}

TaskPtr bandItem(BandList list, const Date& start, const Date& end = Date())
{
    auto item = std::make_shared<Task>();
    item->setTaskType(list == AllDayEvents ? 0 : list == Notes ? 3 : 1);
    item->setIsADE(list == AllDayEvents);
    item->setStartTime(start);
    item->setEndTime(end ? end : start);
    if (list == DueTasks) item->setDueEnd(start);
    if (list == DoneTasks) item->setCompletedDate(start);
    return item;
}

// (list, column, columns, y) of each chip; (column, count, y) of each button.
using ChipAt = std::tuple<BandList, int, int, double>;
using ButtonAt = std::tuple<int, int, double>;

TEST(PlannerWeekLayout, TheBandStacksColumnsAndCountsWhatACollapsedBandLeavesOut)
{
    const Date week = day(2024, 4, 7);  // Sunday 7 to Saturday 13 April
    const Date spring = day(2024, 3, 31);
    const auto stack = [](BandList list, int column, int count, double r, std::vector<ChipAt> chips = {}) {
        for (int k = 0; k < count; ++k) chips.emplace_back(list, column, 1, k * r);
        return chips;
    };
    const auto dues = [&](int count, const Date& on) {
        std::vector<TaskPtr> items;
        for (int k = 0; k < count; ++k) items.push_back(bandItem(DueTasks, on));
        return items;
    };
    struct Case {
        const char* name;
        Date start;
        double fontSize;
        bool expanded;
        BandLists lists;
        std::vector<ChipAt> chips;
        std::vector<ButtonAt> buttons;
        double height;
    } cases[] = {
        {"six in a column: no button", week, 13, false, {{{}, dues(6, day(2024, 4, 9, 17))}},
         stack(DueTasks, 2, 6, 22), {}, 154},
        {"seven: the button under the sixth chip", week, 13, false, {{{}, dues(7, day(2024, 4, 9, 17))}},
         stack(DueTasks, 2, 6, 22), {{2, 1, 132}}, 154},
        {"nine at font 11, collapsed", week, 11, false, {{{}, dues(9, day(2024, 4, 8, 17))}},
         stack(DueTasks, 1, 6, 20), {{1, 3, 120}}, 140},
        {"nine at font 11, expanded", week, 11, true, {{{}, dues(9, day(2024, 4, 8, 17))}},
         stack(DueTasks, 1, 9, 20), {}, 180},
        {"all-day events: past the week's end, 24 h, 36 h, begun before",
         week,
         13,
         false,
         {{{bandItem(AllDayEvents, day(2024, 4, 12), day(2024, 4, 16, 23, 59)),
            bandItem(AllDayEvents, day(2024, 4, 8), day(2024, 4, 9)),
            bandItem(AllDayEvents, day(2024, 4, 10), day(2024, 4, 11, 12)),
            bandItem(AllDayEvents, day(2024, 4, 5), day(2024, 4, 8, 23, 59))}}},
         {{AllDayEvents, 5, 2, 0}, {AllDayEvents, 1, 1, 0}, {AllDayEvents, 3, 2, 0}, {AllDayEvents, 0, 2, 0}},
         {},
         154},
        {"a spring-change week: days counted on the calendar",
         spring,
         13,
         false,
         {{{bandItem(AllDayEvents, day(2024, 4, 1), day(2024, 4, 1, 23, 59))}, {}, {},
           {bandItem(Notes, day(2024, 4, 2, 0, 30))}}},
         {{AllDayEvents, 1, 1, 0}, {Notes, 2, 1, 0}},
         {},
         154},
        {"done after the week: nothing; done before: column 0",
         week,
         13,
         false,
         {{{}, {}, {bandItem(DoneTasks, day(2024, 4, 15, 9)), bandItem(DoneTasks, day(2024, 4, 2, 9))}}},
         {{DoneTasks, 0, 1, 0}},
         {},
         154},
    };
    for (const Case& c : cases) {
        const double r = rowHeight(c.fontSize);
        const BandResult out = layOutBand({c.start, 100, r, c.expanded}, c.lists);
        std::vector<ChipAt> chips;
        for (const BandChip& chip : out.chips) {
            chips.emplace_back(chip.list, chip.column, chip.columns, chip.frame.y());
            EXPECT_EQ(chip.frame, QRectF(60.5 + chip.column * 100, chip.frame.y(), chip.columns * 100 - 2, r - 1)) << c.name;
            EXPECT_EQ(chip.fixedEdges, chip.list != AllDayEvents) << c.name;
        }
        EXPECT_EQ(chips, c.chips) << c.name;
        std::vector<ButtonAt> buttons;
        for (const MoreButton& button : out.buttons) {
            buttons.emplace_back(button.column, button.count, button.frame.y());
            EXPECT_EQ(button.frame.size(), QSizeF(98, r)) << c.name;
        }
        EXPECT_EQ(buttons, c.buttons) << c.name;
        EXPECT_EQ(out.height, c.height) << c.name;
    }
}

TEST(PlannerWeekLayout, GhostsOfANewEventSpanTheDraggedColumns)
{
    struct Case {
        int from, to;
        std::vector<QRectF> frames;
    } cases[] = {
        {1, 3, {{160, 400, 100, 775}, {260, 0, 100, 1175}, {360, 0, 100, 494}}},
        {3, 1, {{160, 400, 100, 775}, {260, 0, 100, 1175}, {360, 0, 100, 494}}},
        {2, 2, {{260, 400, 100, 94}}},
    };
    for (const Case& c : cases) EXPECT_EQ(ghostFrames(100, c.from, c.to, 400, 94), c.frames) << c.from << "-" << c.to;
    EXPECT_TRUE(ghostFrames(0, 1, 3, 400, 94).empty()) << "nothing before the first drawing";
}

// Blocks of stored events in the Sunday week of 7 April 2024 (Paris).
class PlannerWeekGridTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        dataManager().loadTimeZones();
        // Events of one zone group by quarter hour.
        setting().setCurrentTZ(53392);
    }
    TaskPtr event(const Date& start, const Date& end)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(0);
        item->setTaskName(QStringLiteral("Event"));
        item->setCalendarId(1);
        item->setTz(setting().currentTZ());
        item->setStartTime(start);
        item->setEndTime(end);
        item->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }
};

// (column, x, y, width, height, start fixed, end fixed) of each block.
using BlockAt = std::tuple<int, double, double, double, double, bool, bool>;

TEST_F(PlannerWeekGridTest, BlocksStandByDayQuarterHourAndOverlap)
{
    struct Case {
        const char* name;
        double itemWidth;
        qint64 weekStartDay;
        std::vector<std::pair<Date, Date>> events;
        std::vector<BlockAt> blocks;
    } cases[] = {
        {"an overlap keeps its level, a block from the day bottom starts afresh",
         140,
         0,
         {{day(2024, 4, 7, 14), day(2024, 4, 7, 15)},
          {day(2024, 4, 7, 14, 30), day(2024, 4, 7, 16)},
          {day(2024, 4, 7, 16), day(2024, 4, 7, 17)}},
         {{0, 59.5, 681.5, 139, 47, false, false},
          {0, 64.5, 705, 134, 70.5, false, false},
          {0, 59.5, 775.5, 139, 47, false, false}}},
        {"past midnight: cut at the bottom, continued from the top",
         100,
         0,
         {{day(2024, 4, 11, 23), day(2024, 4, 12, 1, 30)}},
         {{4, 459.5, 1104.5, 99, 47, false, true}, {5, 559.5, 23.5, 99, 70.5, true, false}}},
        {"past midnight on the last column: cut only",
         100,
         0,
         {{day(2024, 4, 13, 23), day(2024, 4, 14, 1, 30)}},
         {{6, 659.5, 1104.5, 99, 47, false, true}}},
        {"five minutes are 23 high; one quarter hour shares in thirds",
         100,
         0,
         {{day(2024, 4, 8, 9), day(2024, 4, 8, 9, 5)},
          {day(2024, 4, 9, 10), day(2024, 4, 9, 11)},
          {day(2024, 4, 9, 10, 5), day(2024, 4, 9, 11)},
          {day(2024, 4, 9, 10, 10), day(2024, 4, 9, 11)}},
         {{1, 159.5, 446.5, 99, 23, false, false},
          {2, 259.5, 493.5, 100.0 / 3 - 1, 47, false, false},
          {2, 259.5 + 100.0 / 3, 497.4167, 100.0 / 3 - 1, 43.0833, false, false},
          {2, 259.5 + 200.0 / 3, 501.3333, 100.0 / 3 - 1, 39.1667, false, false}}},
        {"Monday start: Sunday is the last column",
         100,
         1,
         {{day(2024, 4, 14, 9), day(2024, 4, 14, 10)}},
         {{6, 659.5, 446.5, 99, 47, false, false}}},
        {"begun before the week: column 0 from the top; at 0:00 the start edge stays",
         100,
         0,
         {{day(2024, 4, 6, 20), day(2024, 4, 7, 2)}, {day(2024, 4, 8, 0), day(2024, 4, 8, 1)}},
         {{0, 59.5, 23.5, 99, 94, false, false}, {1, 159.5, 23.5, 99, 47, false, false}}},
    };
    for (const Case& c : cases) {
        std::vector<TaskPtr> events;
        for (const auto& [start, end] : c.events) events.push_back(event(start, end));
        const Date start = c.weekStartDay == 1 ? day(2024, 4, 8) : day(2024, 4, 7);
        const std::vector<Block> blocks = layOutGrid(dataManager(), {start, c.itemWidth, c.weekStartDay}, events);
        ASSERT_EQ(blocks.size(), c.blocks.size()) << c.name;
        for (size_t i = 0; i < blocks.size(); ++i) {
            const auto& [column, x, y, w, h, fixedStart, fixedEnd] = c.blocks[i];
            const Block& b = blocks[i];
            EXPECT_EQ(b.column, column) << c.name << " #" << i;
            EXPECT_NEAR(b.frame.x(), x, 1e-3) << c.name << " #" << i;
            EXPECT_NEAR(b.frame.y(), y, 1e-3) << c.name << " #" << i;
            EXPECT_NEAR(b.frame.width(), w, 1e-3) << c.name << " #" << i;
            EXPECT_NEAR(b.frame.height(), h, 1e-3) << c.name << " #" << i;
            EXPECT_EQ(b.fixedStart, fixedStart) << c.name << " #" << i;
            EXPECT_EQ(b.fixedEnd, fixedEnd) << c.name << " #" << i;
            // Every piece carries the stored event with its real start.
            ASSERT_TRUE(b.item) << c.name;
            EXPECT_NE(b.item.get(), events.front().get()) << c.name;
            EXPECT_EQ(b.item->startTime(), c.events[std::min(i, c.events.size() - 1)].first)
                << c.name << " #" << i;
        }
    }
}

TEST_F(PlannerWeekGridTest, HoweverManyGroupsOverlapEveryBlockKeepsAWidth)
{
    std::vector<TaskPtr> events;
    for (int k = 0; k < 40; ++k)
        events.push_back(event(day(2024, 4, 9, 6).dateByAddingTimeInterval(k * 900.0), day(2024, 4, 9, 23)));
    const std::vector<Block> blocks = layOutGrid(dataManager(), {day(2024, 4, 7), 100, 0}, events);
    ASSERT_EQ(blocks.size(), events.size());
    for (const Block& block : blocks) {
        EXPECT_GT(block.frame.width(), 0);
        EXPECT_LE(block.frame.right(), 359.5 + 1e-6) << "inside its column";
    }
}

}  // namespace PlannerWeekLayoutTests
