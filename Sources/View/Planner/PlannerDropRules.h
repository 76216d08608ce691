#pragma once

#include <QtGlobal>

#include <functional>

// What a planner day cell does with a dropped item, as plain functions: the
// action by item kind, drag source and owner, and the time of day a drop on
// the hour grid names.
namespace PlannerDropRules {

enum class Source { PlannerChip, HourGridBlock, TaskList, ProjectOutlineRow, Other };

enum class Action {
    Fail,
    MoveNote,            // to the cell's day, its time of day kept
    MoveDeadline,        // a task's deadline to the cell's day
    MoveEventToDay,      // an event to the cell's day, its time kept
    ScheduleOnHourGrid,  // a task becomes a scheduled task at the dropped time
    MoveOnHourGrid,      // an event to the cell's day at the dropped time
    NoChange,            // accepted, nothing changes
};

// The drag source told by the class its view inherits from, so the planner
// depends neither on the task list nor on the categories.
Source sourceOf(const std::function<bool(const char*)>& sourceInherits);

// taskType 0 event, 1 task, 3 note; onHourGrid when the owner is the hour grid.
Action dropAction(qint64 taskType, bool isADE, Source source, bool onHourGrid);

struct DropTime {
    int hour = 0;
    int minute = 0;
};
// The dragged image's top edge, in points below the hour grid's top: the
// grid's first hour line is 23 down and an hour is 47 high; minutes are cut
// down to quarters.
DropTime dropTimeOfImageTop(double imageTop);

}  // namespace PlannerDropRules
