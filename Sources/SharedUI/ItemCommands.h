#pragma once

#include "ModelTypes.h"

class QObject;
class QString;

// The item menu's commands that the day grid's boxes and the planners' chips
// and blocks carry out alike, over one item. Each asks its questions through
// the alert presenter, works through the data manager or the record, and
// leaves the refresh to "Task changed". A null item or a missing data
// manager does nothing.
namespace ItemCommands {

// Done when it was open, open when it was done; posts "Task changed" from
// the sender.
void toggleDone(const TaskPtr& item, QObject* sender);
// A repeating event asks first and copies the shown occurrence alone; every
// other item is copied at once.
void duplicate(const TaskPtr& item);
void doToday(const TaskPtr& item);
void doNextWeek(const TaskPtr& item);
void doNextMonth(const TaskPtr& item);
// The menu's date command of an action ("doToday:", "doNextWeek:",
// "doNextMonth:"), one of the three above, which every list and box runs
// alike; null for any other action.
using ItemCommand = void (*)(const TaskPtr& item);
ItemCommand dateCommand(const QString& action);
// Keeps a copy of the item for a later paste, after the warning (when on).
void copyToMakeLink(const TaskPtr& item);
// Links the kept copy with the item.
void pasteToMakeLink(const TaskPtr& item);
// Deletes the item as the settings and its repeat want, asking first where
// they say so; shared items and checklist items are never deleted. A note
// not yet on the web service is read again first, and the fresh record is
// handed back through the reference. The day grid names the second button
// of a later scheduled task's question as for events; the planners name it
// for scheduled tasks.
enum class FutureButton { AsEvents, AsScheduledTasks };
void applyDelete(TaskPtr& item, QObject* sender, FutureButton futureButton);

}  // namespace ItemCommands
