#include "PlannerWeekLayout.h"

#include "../Model/TaskTestFixture.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Task.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace PlannerWeekLayoutTests {

using namespace PlannerWeekLayout;

Date day(int year, int month, int dayOfMonth, int hour = 0, int minute = 0)
{
    return GregorianCalendar::dateFromFields(year, month, dayOfMonth, hour, minute, 0);
}

// The week of a selected day whatever its time of day, across both clock changes of Paris.
TEST(PlannerWeekLayout, TheWeekOfTheSelectedDayByCalendarDays)
{
    struct Case {
        Date selected;
        qint64 weekStartDay;
        Date from;
    } cases[] = {
        {day(2024, 4, 7, 15), 1, day(2024, 4, 1)},         // a Sunday ends a Monday week
        {day(2024, 4, 1, 0, 30), 1, day(2024, 4, 1)},      // the Monday after the spring change
        {day(2024, 4, 1, 23, 30), 1, day(2024, 4, 1)},
        {day(2024, 4, 1, 0, 30), 0, day(2024, 3, 31)},     // a Sunday week holding the change
        {day(2024, 10, 27, 23, 30), 0, day(2024, 10, 27)}, // the autumn change's Sunday
        {day(2024, 10, 28, 0, 10), 1, day(2024, 10, 28)},
    };
    for (const Case& c : cases) {
        const Week week = weekOf(c.selected, c.weekStartDay);
        EXPECT_EQ(std::make_pair(week.from, week.to), std::make_pair(c.from, dayOn(c.from, 6)))
            << c.selected.timeIntervalSince1970();
    }
}

// The day numbers a reload reads from the week's midnights found once are
// the calendar days counted afresh, inside the week, at its edges, across
// both clock changes and outside it.
TEST(PlannerWeekLayout, TheWeeksDayNumbersAreCalendarDays)
{
    struct Case {
        Date first;
        Date date;
        int days;
    } cases[] = {
        {day(2024, 3, 31), day(2024, 3, 31), 0},
        {day(2024, 3, 31), day(2024, 3, 31, 23, 59), 0},
        {day(2024, 3, 31), day(2024, 4, 1, 0, 30), 1},  // the day after the spring change
        {day(2024, 3, 31), day(2024, 4, 6, 23, 59), 6},
        {day(2024, 3, 31), day(2024, 4, 7), 7},  // the day after the week
        {day(2024, 3, 31), day(2024, 4, 20, 12), 20},
        {day(2024, 3, 31), day(2024, 3, 30, 23, 59), -1},
        {day(2024, 3, 31), day(2024, 3, 1, 12), -30},
        {day(2024, 10, 27), day(2024, 10, 27, 23, 30), 0},  // the autumn change's Sunday is 25 hours
        {day(2024, 10, 27), day(2024, 10, 28), 1},
        {day(2024, 10, 27), Date(), 0},
        {Date(), day(2024, 10, 28), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WeekDays(c.first).daysFrom(c.date), c.days) << c.date.timeIntervalSince1970();
        EXPECT_EQ(calendarDaysBetween(c.first, c.date), c.days) << c.date.timeIntervalSince1970();
        for (int d = 0; c.first && d <= 7; ++d) {
            EXPECT_EQ(WeekDays(c.first).dayStart(d), dayOn(c.first, d)) << d;
        }
    }
}

TaskPtr bandItem(BandList list, const Date& start, const Date& end = Date())
{
    auto item = std::make_shared<Task>();
    item->setTaskType(list == AllDayEvents ? 0 : list == Notes ? 3 : 1);
    item->setIsADE(list == AllDayEvents);
    item->setStartTime(start);
    item->setEndTime(end ? end : start);
    item->setDueEnd(start);
    item->setCompletedDate(start);
    return item;
}

// (list, column, columns, y) of each chip; (column, count, y) of each button.
using ChipAt = std::tuple<BandList, int, int, double>;
using ButtonAt = std::tuple<int, int, double>;

TEST(PlannerWeekLayout, TheBandStacksColumnsAndCountsWhatACollapsedBandLeavesOut)
{
    const auto stack = [](int column, int count, double r) {
        std::vector<ChipAt> chips;
        for (int k = 0; k < count; ++k) chips.emplace_back(DueTasks, column, 1, k * r);
        return chips;
    };
    const auto dues = [](int count, const Date& on) {
        BandLists lists;
        for (int k = 0; k < count; ++k) lists[DueTasks].push_back(bandItem(DueTasks, on));
        return lists;
    };
    const Date week = day(2024, 4, 7);  // Sunday 7 to Saturday 13 April
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
        {"six in a column", week, 13, false, dues(6, day(2024, 4, 9, 17)), stack(2, 6, 22), {}, 154},
        {"seven", week, 13, false, dues(7, day(2024, 4, 9, 17)), stack(2, 6, 22), {{2, 1, 132}}, 154},
        {"nine at 11, collapsed", week, 11, false, dues(9, day(2024, 4, 8, 17)), stack(1, 6, 20), {{1, 3, 120}}, 140},
        {"nine at 11, expanded", week, 11, true, dues(9, day(2024, 4, 8, 17)), stack(1, 9, 20), {}, 180},
        {"all-day: past the week's end, 24 h, 36 h, begun before", week, 13, false,
         {{{bandItem(AllDayEvents, day(2024, 4, 12), day(2024, 4, 16, 23, 59)),
            bandItem(AllDayEvents, day(2024, 4, 8), day(2024, 4, 9)),
            bandItem(AllDayEvents, day(2024, 4, 10), day(2024, 4, 11, 12)),
            bandItem(AllDayEvents, day(2024, 4, 5), day(2024, 4, 8, 23, 59))}}},
         {{AllDayEvents, 5, 2, 0}, {AllDayEvents, 1, 1, 0}, {AllDayEvents, 3, 2, 0}, {AllDayEvents, 0, 2, 0}}, {}, 154},
        {"spring-change week: calendar days", day(2024, 3, 31), 13, false,
         {{{bandItem(AllDayEvents, day(2024, 4, 1), day(2024, 4, 1, 23, 59))}, {}, {},
           {bandItem(Notes, day(2024, 4, 2, 0, 30))}}},
         {{AllDayEvents, 1, 1, 0}, {Notes, 2, 1, 0}}, {}, 154},
        {"done after the week: nothing; before: column 0", week, 13, false,
         {{{}, {}, {bandItem(DoneTasks, day(2024, 4, 15, 9)), bandItem(DoneTasks, day(2024, 4, 2, 9))}}},
         {{DoneTasks, 0, 1, 0}}, {}, 154},
    };
    for (const Case& c : cases) {
        const double r = rowHeight(c.fontSize);
        const BandResult out = layOutBand({c.start, 100, r, c.expanded}, c.lists);
        std::vector<ChipAt> chips;
        for (const BandChip& chip : out.chips) {
            chips.emplace_back(chip.list, chip.column, chip.columns, chip.frame.y());
            EXPECT_EQ(chip.frame, QRectF(60.5 + chip.column * 100, chip.frame.y(), chip.columns * 100 - 2, r - 1))
                << c.name;
            EXPECT_EQ(chip.fixedEdges, chip.list != AllDayEvents) << c.name;
        }
        std::vector<ButtonAt> buttons;
        for (const MoreButton& button : out.buttons) {
            buttons.emplace_back(button.column, button.count, button.frame.y());
            EXPECT_EQ(button.frame.size(), QSizeF(98, r)) << c.name;
        }
        EXPECT_EQ(chips, c.chips) << c.name;
        EXPECT_EQ(buttons, c.buttons) << c.name;
        EXPECT_EQ(out.height, c.height) << c.name;
    }
}

// Blocks of stored events of one zone (they group by quarter hour) in the
// Sunday week of 7 April 2024, Paris.
class PlannerWeekGridTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        dataManager().loadTimeZones();
        setting().setCurrentTZ(53392);
    }
    std::vector<TaskPtr> events(const std::vector<std::pair<Date, Date>>& times, const char* zone = nullptr)
    {
        std::vector<TaskPtr> stored;
        for (const auto& [start, end] : times) {
            auto item = std::make_shared<Task>();
            item->setTaskType(0);
            item->setCalendarId(1);
            item->setTz(zone ? dataManager().getTimeZoneId(QString::fromLatin1(zone)) : setting().currentTZ());
            item->setStartTime(start);
            item->setEndTime(end);
            item->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
            EXPECT_TRUE(item->insertAndDehydrate());
            stored.push_back(item);
        }
        return stored;
    }
};

// (column, x, y, width, height, start fixed, end fixed) of each block.
using BlockAt = std::tuple<int, double, double, double, double, bool, bool>;

TEST_F(PlannerWeekGridTest, BlocksStandByDayQuarterHourAndOverlap)
{
    const double third = 100.0 / 3;
    struct Case {
        const char* name;
        double itemWidth;
        qint64 weekStartDay;
        std::vector<std::pair<Date, Date>> times;
        std::vector<BlockAt> blocks;
        // The events' own zone, shown in Paris with zone support on; none: Paris.
        const char* zone = nullptr;
        Date sunday{};  // the week's first day; none: 7 April
    } cases[] = {
        {"an overlap keeps its level; a block from the day bottom starts afresh", 140, 0,
         {{day(2024, 4, 7, 14), day(2024, 4, 7, 15)}, {day(2024, 4, 7, 14, 30), day(2024, 4, 7, 16)},
          {day(2024, 4, 7, 16), day(2024, 4, 7, 17)}},
         {{0, 59.5, 681.5, 139, 47, false, false}, {0, 64.5, 705, 134, 70.5, false, false},
          {0, 59.5, 775.5, 139, 47, false, false}}},
        {"past midnight: cut at the bottom, continued from the top", 100, 0,
         {{day(2024, 4, 11, 23), day(2024, 4, 12, 1, 30)}},
         {{4, 459.5, 1104.5, 99, 47, false, true}, {5, 559.5, 23.5, 99, 70.5, true, false}}},
        {"past midnight on the last column: cut only", 100, 0, {{day(2024, 4, 13, 23), day(2024, 4, 14, 1, 30)}},
         {{6, 659.5, 1104.5, 99, 47, false, true}}},
        {"five minutes are 23 high; one quarter hour shares in thirds", 100, 0,
         {{day(2024, 4, 8, 9), day(2024, 4, 8, 9, 5)}, {day(2024, 4, 9, 10), day(2024, 4, 9, 11)},
          {day(2024, 4, 9, 10, 5), day(2024, 4, 9, 11)}, {day(2024, 4, 9, 10, 10), day(2024, 4, 9, 11)}},
         {{1, 159.5, 446.5, 99, 23, false, false}, {2, 259.5, 493.5, third - 1, 47, false, false},
          {2, 259.5 + third, 497.4167, third - 1, 43.0833, false, false},
          {2, 259.5 + 2 * third, 501.3333, third - 1, 39.1667, false, false}}},
        {"Monday start: Sunday is the last column", 100, 1, {{day(2024, 4, 14, 9), day(2024, 4, 14, 10)}},
         {{6, 659.5, 446.5, 99, 47, false, false}}},
        {"begun before the week: column 0 from the top; at 0:00 the start edge stays", 100, 0,
         {{day(2024, 4, 6, 20), day(2024, 4, 7, 2)}, {day(2024, 4, 8, 0), day(2024, 4, 8, 1)}},
         {{0, 59.5, 23.5, 99, 94, false, false}, {1, 159.5, 23.5, 99, 47, false, false}}},
        {"1:00 to 4:00 over Paris's spring change: three rows", 100, 0, {{day(2024, 3, 31, 1), day(2024, 3, 31, 4)}},
         {{0, 59.5, 70.5, 99, 141, false, false}}, nullptr, day(2024, 3, 31)},
        {"1:00 to 4:00 over Paris's autumn change: three rows", 100, 0, {{day(2024, 10, 27, 1), day(2024, 10, 27, 4)}},
         {{0, 59.5, 70.5, 99, 141, false, false}}, nullptr, day(2024, 10, 27)},
        {"Tokyo on the week's days: shown on the Saturday; shown the Saturday before: not in the week", 100, 0,
         {{day(2024, 4, 14, 5), day(2024, 4, 14, 6)}, {day(2024, 4, 7, 6), day(2024, 4, 7, 6, 30)}},
         {{6, 659.5, 1057.5, 99, 47, false, false}}, "Asia/Tokyo"},
        {"New York on the Saturdays: shown on the Sunday of the week; the Sunday after: not in the week", 100, 0,
         {{day(2024, 4, 6, 20), day(2024, 4, 6, 21)}, {day(2024, 4, 13, 20), day(2024, 4, 13, 21)}},
         {{0, 59.5, 117.5, 99, 47, false, false}}, "America/New_York"},
    };
    for (const Case& c : cases) {
        setting().setTzSupport(c.zone != nullptr);
        const std::vector<TaskPtr> stored = events(c.times, c.zone);
        const Date start = c.sunday ? c.sunday : c.weekStartDay == 1 ? day(2024, 4, 8) : day(2024, 4, 7);
        const std::vector<Block> blocks = layOutGrid(dataManager(), {start, c.itemWidth, c.weekStartDay}, stored);
        ASSERT_EQ(blocks.size(), c.blocks.size()) << c.name;
        for (size_t i = 0; i < blocks.size(); ++i) {
            const auto& [column, x, y, w, h, fixedStart, fixedEnd] = c.blocks[i];
            const Block& b = blocks[i];
            EXPECT_EQ(std::tie(b.column, b.fixedStart, b.fixedEnd), std::tie(column, fixedStart, fixedEnd))
                << c.name << " #" << i;
            const QRectF expected(x, y, w, h);
            EXPECT_LT((b.frame.topLeft() - expected.topLeft()).manhattanLength(), 1e-3) << c.name << " #" << i;
            EXPECT_LT(std::abs(b.frame.width() - w) + std::abs(b.frame.height() - h), 1e-3) << c.name << " #" << i;
            // Every piece carries the stored event, read afresh, with its real start.
            ASSERT_TRUE(b.item) << c.name;
            EXPECT_NE(b.item.get(), stored.front().get()) << c.name;
            EXPECT_EQ(b.item->startTime(), c.times[std::min(i, c.times.size() - 1)].first) << c.name << " #" << i;
        }
    }
}

TEST_F(PlannerWeekGridTest, HoweverManyGroupsOverlapEveryBlockKeepsAWidthInItsColumn)
{
    std::vector<std::pair<Date, Date>> times;
    for (int k = 0; k < 40; ++k)
        times.emplace_back(day(2024, 4, 9, 6).dateByAddingTimeInterval(k * 900.0), day(2024, 4, 9, 23));
    const std::vector<Block> blocks = layOutGrid(dataManager(), {day(2024, 4, 7), 100, 0}, events(times));
    EXPECT_EQ(blocks.size(), times.size());
    for (const Block& block : blocks)
        EXPECT_TRUE(block.frame.width() > 0 && block.frame.right() <= 359.5 + 1e-6) << block.frame.x();
}

// Many blocks at one place: those of one quarter hour stand side by side,
// whatever their zones, as many as a column holds at a readable width, and a
// marker lists the rest; whatever the occurrences' length.
TEST_F(PlannerWeekGridTest, BlocksAtOnePlaceAreKeptAsFarAsTheyCanBeSeen)
{
    struct Case {
        const char* name;
        int count;           // events 9:00 to 10:00 on Tuesday 9 April, or occurrences' length in days
        qint64 zone;
        bool repeating;
        size_t blocks, places;  // places: what making every block covers (28,014 blocks at 4,000 days)
        int listed;             // by the markers; -1 not counted
        // Every other event planned in New York at the same instant (six
        // hours earlier by its clock), and every other pair at 9:15.
        bool halfInNewYorkOverTwoQuarters = false;
    } cases[] = {
        {"two of one zone side by side", 2, 53392, false, 2, 2, 0},
        {"two without a zone side by side too", 2, -1, false, 2, 2, 0},
        {"forty without a zone: two and a marker", 40, -1, false, 2, 2, 38},
        {"three hundred of one zone: two and a marker", 300, 53392, false, 2, 2, 298},
        {"a daily series of 400-day occurrences: a few a column", 400, -1, true, 21, 21, -1},
        {"a daily series of 4,000-day occurrences", 4000, -1, true, 21, 21, -1},
        {"of one zone, 4,000 days", 4000, 53392, true, 21, 21, -1},
        {"forty at 9:00 and forty at 9:15, half of New York: two groups, two and a marker, then one indented and a "
         "marker", 80, 53392, false, 3, 3, 77, true},
    };
    for (const Case& c : cases) {
        std::vector<TaskPtr> list = events(std::vector<std::pair<Date, Date>>(
            c.repeating ? 1 : c.count, {day(2024, 4, 9, 9), day(2024, 4, 9, c.repeating ? 9 : 10)}));
        for (const TaskPtr& event : list) event->setTz(c.zone);
        for (size_t k = 0; c.halfInNewYorkOverTwoQuarters && k < list.size(); ++k) {
            const TaskPtr& event = list[k];
            const double shift = (k % 4 >= 2 ? 900.0 : 0) - (k % 2 == 1 ? 6 * 3600.0 : 0);
            if (k % 2 == 1) event->setTz(dataManager().getTimeZoneId(QStringLiteral("America/New_York")));
            event->setStartTime(event->startTime().dateByAddingTimeInterval(shift));
            event->setEndTime(event->endTime().dateByAddingTimeInterval(shift));
        }
        setting().setTzSupport(c.halfInNewYorkOverTwoQuarters);
        if (c.repeating) {
            TaskPtr series = list.front();
            series->setStartTime(day(2024, 4, 9, 9).dateByAddingTimeInterval(-86400.0 * c.count));
            series->setEndTime(day(2024, 4, 9, 9));
            series->setRepeatType(1);
            series->setRepeatStartDate(series->startTime());
            series->setIsRepeatForever(1);
            TaskList instances;
            dataManager().fillRepeatEventInstances({series}, instances, day(2024, 4, 7), day(2024, 4, 13));
            list.assign(instances.begin(), instances.end());
            ASSERT_GT(list.size(), size_t(c.count)) << c.name;
        }
        std::vector<GridMarker> markers;
        const std::vector<Block> blocks = layOutGrid(dataManager(), {day(2024, 4, 7), 100, 0}, list, &markers);
        int listed = 0;
        for (const GridMarker& marker : markers) listed += int(marker.items.size());
        if (c.listed >= 0) {
            EXPECT_EQ(listed, c.listed) << c.name;
        }
        std::set<std::tuple<int, long, long, long, long>> places;
        for (const Block& b : blocks)
            places.emplace(b.column, std::lround(b.frame.left()), std::lround(b.frame.top()),
                           std::lround(b.frame.right()), std::lround(b.frame.bottom()));
        EXPECT_EQ(blocks.size(), c.blocks) << c.name;
        EXPECT_EQ(places.size(), c.places) << c.name;
    }
}

}  // namespace PlannerWeekLayoutTests
