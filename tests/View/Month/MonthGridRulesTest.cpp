// The month grid's arithmetic over plain values: which rows a month needs,
// the 42 days and week numbers, busy counting across rows and daylight-saving
// changes, the lanes of all-day bars and a bar's frames.
#include "MonthGridRules.h"

#include "GregorianCalendar.h"

#include <gtest/gtest.h>

namespace MonthGridRulesTests {

using namespace MonthGridRules;

Date at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second);
}

int weekdayOfFirst(int year, int month)
{
    return GregorianCalendar::fields(at(year, month, 1)).weekday;
}

TEST(MonthGridRulesTest, RowsFirstDayAndWeekNumbersFollowTheWeekStart)
{
    struct Case {
        int year, month;
        qint64 weekStart;
        bool sixRows;
        Date firstDay;
        int firstWeek;
    };
    const Case cases[] = {
        {2024, 3, 0, true, at(2024, 2, 25), 9},
        {2024, 3, 1, false, at(2024, 2, 26), 9},
        {2024, 9, 1, true, at(2024, 8, 26), 35},
        {2024, 9, 0, false, at(2024, 9, 1), 36},
        {2026, 2, 0, false, at(2026, 2, 1), 6},
        {2023, 1, 0, false, at(2023, 1, 1), 1},
        // Shown as the calendar counts it: the last week of 2022 is its 53rd.
        {2023, 1, 1, true, at(2022, 12, 26), 53},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << " start " << c.weekStart);
        EXPECT_EQ(isSixWeeksInMonth(weekdayOfFirst(c.year, c.month), GregorianCalendar::daysInMonth(c.year, c.month),
                                    c.weekStart),
                  c.sixRows);
        // The time of day of the month date does not matter.
        const MonthLayout layout = monthLayout(at(c.year, c.month, 17, 15, 30), c.weekStart);
        EXPECT_EQ(layout.firstDay, c.firstDay);
        EXPECT_EQ(layout.weekNumbers[0], c.firstWeek);
    }
    EXPECT_TRUE(monthLayout(Date(), 0).firstDay.isNull());
}

TEST(MonthGridRulesTest, FortyTwoMidnightsAcrossDaylightSavingChanges)
{
    // February 2026 from a Sunday: rows 0-3 hold the month, 1-14 March follow.
    const auto days = daysFrom(monthLayout(at(2026, 2, 10), 0).firstDay);
    EXPECT_EQ(days[0], at(2026, 2, 1));
    EXPECT_EQ(days[27], at(2026, 2, 28));
    EXPECT_EQ(days[28], at(2026, 3, 1));
    EXPECT_EQ(days[41], at(2026, 3, 14));
    // Across the spring change of 2024 every day still starts at midnight.
    const auto march = daysFrom(at(2024, 3, 25));
    for (int k = 0; k < dayCount; ++k) EXPECT_EQ(GregorianCalendar::secondsIntoDay(march[size_t(k)]), 0) << k;
    // Day cells skip the week-number column.
    EXPECT_EQ(cellOfDay(0), 1);
    EXPECT_EQ(cellOfDay(6), 7);
    EXPECT_EQ(cellOfDay(7), 9);
    EXPECT_EQ(cellOfDay(41), 47);
}

TEST(MonthGridRulesTest, BusyRatiosAndTheirGreys)
{
    struct Case {
        int events;
        double ratio;
        int grey;
    };
    const Case cases[] = {{0, 0, 248}, {1, 0.3, 200}, {2, 0.3, 200}, {3, 0.6, 170}, {4, 0.6, 170},
                          {6, 0.6, 170}, {7, 0.9, 139}, {8, 0.9, 139}};
    const auto days = daysFrom(at(2024, 2, 25));
    for (const Case& c : cases) {
        std::vector<BusySpan> events;
        for (int i = 0; i < c.events; ++i) events.push_back({at(2024, 3, 13, 8 + i), at(2024, 3, 13, 8 + i, 30)});
        const int count = busyCounts(days, events)[17];
        EXPECT_EQ(count, c.events);
        EXPECT_DOUBLE_EQ(busyRatio(count), c.ratio) << c.events;
        EXPECT_EQ(greyOfRatio(busyRatio(count)), c.grey) << c.events;
    }
}

TEST(MonthGridRulesTest, AnEventCountsOnEveryCalendarDayItCovers)
{
    struct Case {
        const char* name;
        Date firstDay;
        BusySpan event;
        std::vector<int> days;  // the days (0-41) counted once
    };
    const Case cases[] = {
        // Saturday 9 March 22:00 to Monday 02:00, Sunday start: the end of
        // row 1 and the first two days of row 2.
        {"over a row's end", at(2024, 2, 25), {at(2024, 3, 9, 22), at(2024, 3, 11, 2)}, {13, 14, 15}},
        // After the spring change (31 March) a start just past midnight is 1 April.
        {"after spring", at(2024, 2, 25), {at(2024, 4, 1, 0, 30), at(2024, 4, 1, 1, 30)}, {36}},
        // After the autumn change (27 October) a start late in the evening stays on its day.
        {"after autumn", at(2024, 9, 29), {at(2024, 10, 28, 23, 30), at(2024, 10, 28, 23, 45)}, {29}},
        {"ending at midnight", at(2024, 2, 25), {at(2024, 3, 13, 22), at(2024, 3, 14)}, {17}},
        {"zero length at midnight", at(2024, 2, 25), {at(2024, 3, 13), at(2024, 3, 13)}, {}},
        {"before the first day", at(2024, 2, 25), {at(2024, 2, 24, 20), at(2024, 2, 26, 2)}, {}},
        {"past the last day", at(2024, 2, 25), {at(2024, 4, 6, 20), at(2024, 4, 9, 2)}, {41}},
    };
    for (const Case& c : cases) {
        const auto counts = busyCounts(daysFrom(c.firstDay), {c.event});
        std::vector<int> counted;
        for (int k = 0; k < dayCount; ++k) {
            EXPECT_LE(counts[size_t(k)], 1) << c.name;
            if (counts[size_t(k)] == 1) counted.push_back(k);
        }
        EXPECT_EQ(counted, c.days) << c.name;
    }
    // A skipped (grey navigator) day counts nothing, not even the days after it.
    std::array<bool, dayCount> skipped{};
    skipped[13] = true;
    const auto counts = busyCounts(daysFrom(at(2024, 2, 25)), {{at(2024, 3, 9, 22), at(2024, 3, 11, 2)}}, skipped);
    EXPECT_EQ(counts[14] + counts[15], 0);
}

TEST(MonthGridRulesTest, LanesTakeWhatFitsAfterTheLastItemTaken)
{
    const Date gridStart = at(2024, 2, 25);
    const Date gridEnd = at(2024, 4, 6, 23, 59, 59);
    auto allDay = [](int fromDay, int toDay) { return LaneItem{at(2024, 3, fromDay), at(2024, 3, toDay, 23, 59, 59)}; };
    // Four on the same days: one per lane, the fourth left out.
    auto lanes = packLanes({allDay(5, 6), allDay(5, 6), allDay(5, 6), allDay(5, 6)}, gridStart, gridEnd);
    EXPECT_EQ(lanes[0], std::vector<int>{0});
    EXPECT_EQ(lanes[1], std::vector<int>{1});
    EXPECT_EQ(lanes[2], std::vector<int>{2});
    // Lane 0 takes each item that starts after the one before it ended.
    lanes = packLanes({allDay(1, 3), allDay(2, 2), allDay(4, 4), allDay(4, 9), allDay(10, 10)}, gridStart, gridEnd);
    EXPECT_EQ(lanes[0], (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(lanes[1], (std::vector<int>{1, 3}));
    EXPECT_TRUE(lanes[2].empty());
    // An item that started before the grid is still the first of its lane.
    lanes = packLanes({LaneItem{at(2024, 2, 1), at(2024, 2, 28, 23, 59, 59)}, allDay(1, 1)}, gridStart, gridEnd);
    EXPECT_EQ(lanes[0], (std::vector<int>{0, 1}));
}

TEST(MonthGridRulesTest, BarFramesPerRowInTheMainAndNavigatorGrids)
{
    BarGeometry main;
    main.gridStart = at(2024, 2, 25);
    main.gridEnd = at(2024, 4, 6, 23, 59, 59);
    const double lane = 22.0 / 3 - 1;
    struct Case {
        const char* name;
        LaneItem item;
        int lane;
        std::vector<QRectF> frames;
    };
    const Case cases[] = {
        {"one day, lane 0", {at(2024, 3, 13), at(2024, 3, 13, 23, 59, 59)}, 0, {QRectF(137, 77, 35, lane)}},
        {"one day, lane 1", {at(2024, 3, 13), at(2024, 3, 13, 23, 59, 59)}, 1, {QRectF(137, 77 + 22.0 / 3, 35, lane)}},
        {"over three rows",
         {at(2024, 3, 8), at(2024, 3, 19, 23, 59, 59)},
         0,
         {QRectF(29 + 5 * 36, 44, 2 * 36 - 1, lane), QRectF(29, 77, 7 * 36 - 1, lane), QRectF(29, 110, 3 * 36 - 1, lane)}},
        {"from before the grid", {at(2024, 2, 20), at(2024, 2, 26, 23, 59, 59)}, 2,
         {QRectF(29, 11 + 2 * (lane + 1), 2 * 36 - 1, lane)}},
        // Across the spring change the end row still snaps to whole days.
        {"over the spring change", {at(2024, 3, 30), at(2024, 4, 1, 23, 59, 59)}, 0,
         {QRectF(29 + 6 * 36, 11 + 4 * 33, 35, lane), QRectF(29, 11 + 5 * 33, 2 * 36 - 1, lane)}},
    };
    for (const Case& c : cases) EXPECT_EQ(barFrames(c.item, c.lane, main), c.frames) << c.name;

    // A navigator grid keeps the bars off grey days: March 2024 from a Sunday
    // has five grey days in row 0 and six after 31 March.
    BarGeometry navigator = main;
    navigator.navigator = true;
    navigator.cellWidth = 24;
    navigator.cellHeight = 30;
    for (int cell : {1, 2, 3, 4, 5, 42, 43, 44, 45, 46, 47}) navigator.grey[size_t(cell)] = true;
    const double navLane = 19.0 / 3 - 1;
    EXPECT_EQ(barFrames({at(2024, 2, 28), at(2024, 3, 3, 23, 59, 59)}, 0, navigator),
              (std::vector<QRectF>{QRectF(5 * 24, 11, 2 * 24, navLane), QRectF(0, 41, 24, navLane)}));
    EXPECT_EQ(barFrames({at(2024, 3, 30), at(2024, 4, 2, 23, 59, 59)}, 0, navigator),
              (std::vector<QRectF>{QRectF(6 * 24, 11 + 4 * 30, 24, navLane), QRectF(0, 11 + 5 * 30, 24, navLane)}));
    EXPECT_TRUE(barFrames({at(2024, 4, 3), at(2024, 4, 4, 23, 59, 59)}, 0, navigator).empty()) << "wholly grey";
}

}  // namespace MonthGridRulesTests
