#include "PlannerDropRules.h"

#include <algorithm>
#include <cmath>

namespace PlannerDropRules {

Source sourceOf(const std::function<bool(const char*)>& sourceInherits)
{
    if (!sourceInherits) return Source::Other;
    // The hour-grid block is looked for first: it may derive from the chip.
    if (sourceInherits("PlannerWeeklyItemView")) return Source::HourGridBlock;
    if (sourceInherits("PlannerItemView")) return Source::PlannerChip;
    if (sourceInherits("TaskListTableView")) return Source::TaskList;
    if (sourceInherits("CategoryDetailListItemView")) return Source::ProjectOutlineRow;
    return Source::Other;
}

Action dropAction(qint64 taskType, bool isADE, Source source, bool onHourGrid)
{
    const bool note = taskType == 3, task = taskType == 1, event = taskType == 0;
    if (note) return onHourGrid ? Action::Fail : Action::MoveNote;
    switch (source) {
    case Source::PlannerChip:
        if (onHourGrid) return Action::Fail;
        if (task) return Action::MoveDeadline;
        return event ? Action::MoveEventToDay : Action::Fail;
    case Source::HourGridBlock:
        return onHourGrid ? Action::MoveOnHourGrid : Action::Fail;
    case Source::TaskList:
        if (!onHourGrid) return Action::MoveDeadline;
        return task ? Action::ScheduleOnHourGrid : Action::MoveOnHourGrid;
    case Source::ProjectOutlineRow:
        if (task) return onHourGrid ? Action::ScheduleOnHourGrid : Action::MoveDeadline;
        if (event && isADE) return onHourGrid ? Action::Fail : Action::MoveEventToDay;
        if (event && onHourGrid) return Action::MoveOnHourGrid;
        return Action::Fail;
    case Source::Other:
        break;
    }
    // A source nobody named: accepted, and nothing changes.
    return Action::NoChange;
}

DropTime dropTimeOfImageTop(double imageTop)
{
    if (!std::isfinite(imageTop)) return {};
    const double hours = std::clamp((imageTop - 23) / 47, -24.0, 48.0);
    const double hour = std::floor(hours);
    const int minute = int(std::floor((hours - hour) * 60 + 1e-9));
    return {int(hour), minute / 15 * 15};
}

}  // namespace PlannerDropRules
