#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QString>

#include <QRectF>

#include <array>
#include <vector>

// Where the month planner puts its item chips and "more" buttons, as a plain
// function of its five lists and its grid. The planner turns the result into
// views; tests and benchmarks read it directly.
class CoreData;

namespace PlannerMonthLayout {

// The five lists in the order a day stacks them.
enum ItemList { AllDayEvents = 0, TimedEvents, DueTasks, DoneTasks, Notes, ListCount };
using Lists = std::array<std::vector<TaskPtr>, ListCount>;

inline constexpr int dayCount = 42;
inline constexpr int noExpandedRow = 6;
// The first chip line: the grid top (40) and the day-number strip (23).
inline constexpr double firstChipLine = 63;

struct Grid {
    Date startDate;          // the first day of the grid's first week, 00:00
    double rowHeight = 0;    // r
    double lineHeight = 22;  // font size + 9
    int rows = 5;            // 5 or 6
    int expandRowIndex = noExpandedRow;
    double itemWidth = 0;
};

struct Chip {
    QRectF frame;
    ItemList list = AllDayEvents;
    int index = 0;  // in its list
    // False: the chip keeps the edge settings it gives its item itself.
    bool setsEdges = true;
    bool canResizeStart = false;
    bool canResizeEnd = false;
};

struct MoreButton {
    QRectF frame;
    int count = 0;
    int row = 0;  // the week row the button expands: its tag
};

struct Result {
    std::vector<Chip> chips;
    std::vector<MoreButton> buttons;
    double yMinTracking = firstChipLine;
    double yMaxTracking = 0;
};

// Whole calendar days from the grid's first day to the date, 0 for a date
// before it. Calendar days, not 86,400-second steps, so a daylight-saving
// change inside the grid shifts nothing.
int dayIndexOf(const Date& startDate, const Date& date);

// The date by which an item of a list is placed.
Date placingDateOf(ItemList list, const Task& item);

Result layOut(const Grid& grid, const Lists& lists);

// The five lists of the days from `from` to `to` out of a copy of the working
// list, through the data manager's filters. Tasks assigned to the account's
// own user (any letter case) and not yet accepted are left out; a delegated
// task that is not shared is not shown as due.
Lists gatherItems(const CoreData& manager, const TaskList& working, const Date& from, const Date& to,
                  const QString& userName);
// Orders the lists: all-day events by their start in the grid, the longer
// first; timed events by start; tasks by their order; notes latest first,
// each after the sharing order. All-day events begun before the grid get
// their planner start and duration from the grid's first day.
void sortItems(Lists& lists, const Date& startDate);

}  // namespace PlannerMonthLayout
