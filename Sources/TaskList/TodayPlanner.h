#pragma once

#include "Date.h"
#include "Task.h"

#include <QtGlobal>

#include <array>
#include <vector>

class CoreData;

// The today planner: lays the open tasks the pane's filter selects into the
// free working time of today and the six following days, around each day's
// timed events, and leaves the results in the data manager's three
// per-weekday lists. The pane runs it; the pieces here are plain so the
// arithmetic can be checked without a window.
namespace TodayPlanner {

// Less free time than this closes a day, and a smaller overflow is dropped.
constexpr qint64 minimumPieceMinutes = 15;
constexpr int plannedDays = 7;

// One entry of a day's list: the pending task at `task` (an index into the
// durations given to pour), whole, or as a piece of `carriedMinutes`
// carried over from the day before.
struct PouredEntry {
    int task = 0;
    qint64 carriedMinutes = -1;  // -1: the task itself
    bool isPiece() const { return carriedMinutes >= 0; }
    bool operator==(const PouredEntry&) const = default;
};
using DayPour = std::vector<PouredEntry>;

// Pours the pending tasks, in order, into the days' free minutes. A task
// reached on an open day is placed whole; what it overflows the day by
// opens the next day as a carried piece when another task follows it. A
// duration below 0 takes no time, like a task without one (give 0).
std::array<DayPour, plannedDays> pour(const std::array<qint64, plannedDays>& freeMinutes,
                                      const std::vector<qint64>& durations);

// Calendar days from today's date to the due date's, plus one: due today
// is 1, tomorrow 2, yesterday 0.
qint64 dueDayNumber(const Date& today, const Date& dueEnd);

// The working window of a weekday (1 Sunday .. 7 Saturday) as stored in
// the settings' hours: start and end in minutes after midnight, a missing
// entry counting as midnight.
struct WorkingHours {
    qint64 start = 0;
    qint64 end = 0;
};
WorkingHours workingHoursOf(const QVariantMap& dayManagers, qint64 weekday);

// Today's window starts at the working start, or, when the clock is past
// it, at the current time rounded up to the next five minutes.
Date windowStart(const Date& day, qint64 startMinutes, const Date& now, bool firstDay);

// Orders the candidates as the pass pours them: forced or manual order,
// must-do tasks first, their marks and forced positions set.
struct CandidateRules {
    int filterIndex = 0;
    bool forceSort = false;
    qint64 mustDo = 0;
};
TaskList orderCandidates(const CoreData& manager, const TaskList& items, const CandidateRules& rules,
                         const Date& today);

// Renumbers every loaded item 1..n in its order when two share an order
// value, saving them together; false when nothing needed it or the save
// failed (then nothing changed).
bool repairOrder(CoreData& manager);

// One pass: candidates, the seven days' events, free slots and task lists,
// stored in the data manager.
void runPass(CoreData& manager, int filterIndex, bool forceSort);

}  // namespace TodayPlanner
