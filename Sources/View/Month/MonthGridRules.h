#pragma once

#include "Date.h"

#include <QRectF>

#include <array>
#include <vector>

// The arithmetic of the month grid over plain values (dates, the week start,
// spans, the grid's size), so that the rules can be checked without a view.
// A week start of 0 is Sunday; any other value counts as Monday.
namespace MonthGridRules {

inline constexpr int cellCount = 48;   // 6 rows of 8: the week number, then 7 days
inline constexpr int dayCount = 42;
inline constexpr double mainCellWidth = 36;
inline constexpr double topMargin = 11;

// Whether a month needs six week rows. firstWeekday is the 1st's weekday
// (1 Sunday .. 7 Saturday).
bool isSixWeeksInMonth(int firstWeekday, int daysInMonth, qint64 weekStartDay);

inline constexpr int rowCount = 6;

// The first day the grid shows (midnight, whole calendar days before the
// 1st of the month of monthDate) and the week number of each row: the
// calendar's week of year of the row's own first day, so a week that two
// months show carries the same number in both, across the year's end too.
struct MonthLayout {
    Date firstDay;
    std::array<int, rowCount> weekNumbers{};
};
MonthLayout monthLayout(const Date& monthDate, qint64 weekStartDay);

// The cell of the k-th day shown (0 .. 41): day cells skip column 0.
constexpr int cellOfDay(int day) { return day + day / 7 + 1; }

// The 42 midnights from the first day, one calendar day apart.
std::array<Date, dayCount> daysFrom(const Date& firstDay);

// One timed event as the busy shading sees it: its display start and end.
struct BusySpan {
    Date start;
    Date end;
};
// How many events cover each of the 42 days. An event counts from the day of
// its start (found by calendar day, so daylight-saving changes do not move
// it) over every day up to the day of its end less one second. Events that
// start before the first day or on a skipped day count nowhere.
std::array<int, dayCount> busyCounts(const std::array<Date, dayCount>& days, const std::vector<BusySpan>& events,
                                     const std::array<bool, dayCount>& skipped = {});
// 0 for no event, 0.3 for 1-2, 0.6 for 3-6, 0.9 for 7 or more.
double busyRatio(int count);
// The opaque grey of a cell's background for a busy ratio, 0..255.
int greyOfRatio(double ratio);

// All-day items for the lanes, sorted by start then longer first.
struct LaneItem {
    Date start;
    Date end;
};
// Up to three lanes of indexes into items, packed from the grid's first day:
// the first item of a lane is always taken; later ones when they start at or
// after the end of the last one taken. Items left after lane 2 are dropped.
std::array<std::vector<int>, 3> packLanes(const std::vector<LaneItem>& items, const Date& gridStart,
                                          const Date& gridEnd);

// What placing one bar needs to know of its grid.
struct BarGeometry {
    Date gridStart;           // first day, midnight
    Date gridEnd;             // last day, 23:59:59
    qint64 weekStartDay = 0;
    bool navigator = false;
    double cellWidth = mainCellWidth;
    double cellHeight = 33;
    double leftMargin = 35;   // becomes 6 in a navigator grid
    std::array<bool, cellCount> grey{};  // by cell index; only a navigator grid reads it
};
double laneHeight(double cellHeight);
// The frames of an all-day item's bar in lane 0-2, one per week row it spans.
std::vector<QRectF> barFrames(const LaneItem& item, int lane, const BarGeometry& grid);

}  // namespace MonthGridRules
