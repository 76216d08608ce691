#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QDate>
#include <QRectF>
#include <QTimeZone>

#include <array>
#include <vector>

class CoreData;

// Where the week planner puts things, as plain functions: the week of the
// selected day, the band's chips and more buttons, the hour grid's blocks
// and the ghosts of a new event. The panes turn the results into views;
// tests and benchmarks read them directly.
namespace PlannerWeekLayout {

// Both panes: day columns from x 59.5, as wide as a seventh of what is
// right of the 60 points of labels.
inline constexpr double columnsLeft = 59.5;
// The hour grid: 47 points an hour, the 0:00 line at 23.5, 25 rows.
inline constexpr double hourHeight = 47;
inline constexpr double firstHourY = 23.5;
inline constexpr double gridHeight = 1175;
inline constexpr double dayLength = 1128;  // 24 hours
inline constexpr double smallestBlock = 23;
inline constexpr double indentPerLevel = 5;
// How many blocks at the same place of a column still show through one
// another: the lightest tint is 40 % opaque, and twelve of them leave the
// grid less than half a level of colour.
inline constexpr int deepestVisibleStack = 12;
// The band: six rows (and the more row) while collapsed.
inline constexpr int collapsedRows = 6;

// The width of one day column of a pane this wide.
double columnWidth(double paneWidth);
// The band's row height for a font size.
double rowHeight(double fontSize);

// Midnight of the day `days` calendar days from `date`'s day: never
// 86,400-second steps, which slip by an hour across a clock change.
Date dayOn(const Date& date, int days);
// Whole calendar days from `from`'s day to `date`'s day (negative before).
int calendarDaysBetween(const Date& from, const Date& date);

// The midnights of a week's seven days and of the day after, found once:
// a reload places hundreds of items, and finding a date's local day costs
// a time-zone conversion each time.
class WeekDays {
public:
    explicit WeekDays(const Date& first);
    // What calendarDaysBetween(first, date) answers.
    int daysFrom(const Date& date) const;
    // What daysFrom answers inside the week; -1 for any day before it and
    // 7 for any day after it, for a caller that only compares days of the
    // week (without a time-zone conversion).
    int weekDayFrom(const Date& date) const;
    // What dayOn(first, d) answers, for d from 0 to 7.
    Date dayStart(int d) const { return m_starts.at(size_t(d)); }

private:
    Date m_first;
    std::array<Date, 8> m_starts{};
    // For the days outside the week: an occurrence of a long series may
    // start years before it, and looking the zone up again for each reads
    // the file system.
    QTimeZone m_zone;
    QDate m_firstDay;
};

struct Week {
    Date from;  // first day, 00:00
    Date to;    // seventh day, 00:00
};
// The Sunday-to-Saturday (weekStartDay 0) or Monday-to-Sunday (1) week
// holding the day.
Week weekOf(const Date& selectedDay, qint64 weekStartDay);

// ---- the band ----

enum BandList { AllDayEvents = 0, DueTasks, DoneTasks, Notes, BandListCount };
using BandLists = std::array<std::vector<TaskPtr>, BandListCount>;

struct BandGrid {
    Date startDate;
    double itemWidth = 0;
    double rowHeight = 22;
    bool expanded = false;
};

struct BandChip {
    QRectF frame;
    BandList list = AllDayEvents;
    int index = 0;  // in its list
    int column = 0;
    int columns = 1;
    // Only an all-day event's chip keeps its edges resizable.
    bool fixedEdges = true;
};

struct MoreButton {
    QRectF frame;
    int count = 0;
    int column = 0;
};

struct BandResult {
    std::vector<BandChip> chips;
    std::vector<MoreButton> buttons;
    double height = 0;
};

// The date an item of a band list stands on.
Date bandDateOf(BandList list, const Task& item);
BandResult layOutBand(const BandGrid& grid, const BandLists& lists);

// ---- the hour grid ----

struct HourGrid {
    Date startDate;
    double itemWidth = 0;
    qint64 weekStartDay = 0;
};

struct Block {
    QRectF frame;
    int column = 0;
    // The item the block shows: a copy of the event (or the occurrence)
    // with its real start, whichever piece of it the block is.
    TaskPtr item;
    bool fixedStart = false;
    bool fixedEnd = false;
    // How far down from its top the block shows before a block drawn over
    // it begins (0: nothing covers it). Its title keeps to that height, so
    // a wrapped line does not show through the tint of the block above.
    double uncoveredHeight = 0;
};

// Where a quarter hour's group has more events than fit side by side at a
// readable width (as on the day grid), the last place lists the others.
struct GridMarker {
    QRectF frame;
    int column = 0;
    TaskList items;  // shown as the blocks' items are
};

// The blocks of the timed events: one per event and day it covers (the
// last column cuts it at midnight), side by side within a quarter hour,
// indented by overlap, leaving out the blocks that lie hidden under the
// ones at the same place (see deepestVisibleStack). Reads nothing from the
// database.
std::vector<Block> layOutGrid(const CoreData& manager, const HourGrid& grid, const std::vector<TaskPtr>& events,
                              std::vector<GridMarker>* markers = nullptr);

// The ghosts of a new event dragged from column `from` to column `to`
// (either order), starting at y and `height` high on the last column.
std::vector<QRectF> ghostFrames(double itemWidth, int from, int to, double startY, double height,
                                double gridHeight = PlannerWeekLayout::gridHeight);

// The y the grid opens at for the current hour (with its fraction).
double scrollYForHour(double hour);
// The current-time line's frame y for the hour.
double timeLineY(double hour);

}  // namespace PlannerWeekLayout
