// Rescheduling tasks: do today (top of the manual order), next week and next
// month (start and due inside the user's working hours).
#include "CoreData.h"

#include "Clock.h"
#include "DateExtensions.h"
#include "GregorianCalendar.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSync.h"
#include "ModelInternals.h"

#include <algorithm>

namespace {

constexpr qint64 allActiveTasks = 0;
constexpr qint64 updateAllOccurrences = 1;
constexpr double oneDay = 86400;

// The day at a time of "DayManager.dat": minutes after midnight under the key
// at that index; a missing key reads as midnight.
Date atWorkingTime(const Date& day, const SettingPtr& setting, qint64 index)
{
    const QString key = Setting::dayManagerKeys().value(index);
    const qint64 minutes = setting ? setting->dayManagers().value(key).toLongLong() : 0;
    const qint64 hour = minutes / 60;
    return Utilities::newDateOnDate(day, hour, minutes - 60 * hour);
}

Date workingStartOn(const Date& day, const SettingPtr& setting)
{
    return atWorkingTime(day, setting, Utilities::getWeekday(day) - 1);
}

Date workingEndOn(const Date& day, const SettingPtr& setting)
{
    return atWorkingTime(day, setting, Utilities::getWeekday(day) + 6);
}

struct Schedule {
    Date start;
    Date due;
};

// From a Sunday the coming week starts the next day; from any other day on
// the Monday after.
Schedule nextWeekFrom(const Date& base, const SettingPtr& setting)
{
    const qint64 weekday = Utilities::getWeekday(base);
    const Date monday = DateExtensions::dateByAddingDays(base, weekday == 1 ? 1 : 9 - weekday);
    const Date friday = DateExtensions::dateByAddingDays(monday, 4);
    return {workingStartOn(monday, setting), workingEndOn(friday, setting)};
}

// The day is set to 1 before the month moves, so 31 January gives February.
Schedule nextMonthFrom(const Date& base, const SettingPtr& setting)
{
    const DateFields fields = GregorianCalendar::fields(base);
    const Date first = GregorianCalendar::dateFromFields(fields.year, fields.month + 1, 1, 0, 0, 0);
    const Date last = GregorianCalendar::dateFromFields(fields.year, fields.month + 2, 0, 0, 0, 0);
    return {workingStartOn(first, setting), workingEndOn(last, setting)};
}

void schedule(Task& task, const Schedule& when)
{
    task.setStartTime(when.start);
    task.setDueEnd(when.due);
    task.setHasDue(1);
}

bool holdsKey(const TaskList& items, qint64 key)
{
    return std::any_of(items.begin(), items.end(), [key](const TaskPtr& item) { return item->primaryKey() == key; });
}

}  // namespace

// ---- do today ------------------------------------------------------------------

bool CoreData::doToday(const TaskPtr& task, bool needNotifyChanged)
{
    if (!task) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const TaskList items = allTasksEventsAdes();
    if (!updateTopTasksForList(items)) return false;
    TaskList active = getTaskFromTaskList(items, allActiveTasks, paneActiveTasks, true);
    Utilities::sortList(active, &Task::taskOrder);
    const qint64 key = task->primaryKey();
    const auto target = std::find_if(active.begin(), active.end(), [key](const TaskPtr& item) { return item->primaryKey() == key; });
    // Not an open task of the pane: nothing moves (false when a read failed).
    if (target == active.end()) return transaction.commit();

    // The task takes the first order of the run above it; each task of the
    // run moves down one place.
    const TaskList run(active.begin(), target + 1);
    const qint64 firstOrder = run.first()->taskOrder();
    for (qsizetype index = 0; index + 1 < run.size(); ++index) {
        transaction.keep(run[index]);
        run[index]->setTaskOrder(run[index + 1]->taskOrder());
        if (!run[index]->dehydrate()) return false;
    }
    transaction.keep(run.last());
    run.last()->setTaskOrder(firstOrder);
    if (!run.last()->dehydrate()) return false;
    if (needNotifyChanged) NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskOrderChanged, this);
    return transaction.commit();
}

bool CoreData::doTodayTasks(const TaskList& tasks)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const TaskPtr& task : tasks)
        if (!doToday(task, true)) return false;
    return transaction.commit();
}

// ---- date setters ------------------------------------------------------------------

void CoreData::setTodayInfo(const TaskPtr& task) const
{
    const SettingPtr setting = currentSetting();
    const Date now = Clock::now();
    Date due = workingEndOn(now, setting);
    if (Utilities::compareDate(due, now) < 0) due = workingEndOn(Utilities::newDateFromDate(now, oneDay), setting);
    task->setDueEnd(due);
    task->setHasDue(1);
}

void CoreData::setCurrentDayInfo(const TaskPtr& task) const
{
    task->setDueEnd(workingEndOn(currentSelectedDay(), currentSetting()));
    task->setHasDue(1);
}

Date CoreData::displayNow() const
{
    const SettingPtr setting = currentSetting();
    const bool zones = setting && setting->tzSupport();
    return Utilities::getCurrentDate(zones, appRootTZ(), setting ? setting->currentTZ() : 0);
}

// Today as the user sees it: in the display zone when zones are supported.
Date CoreData::displayToday() const
{
    return Utilities::today(displayNow());
}

void CoreData::setDoNextWeekInfo(const TaskPtr& task) const
{
    schedule(*task, nextWeekFrom(displayToday(), currentSetting()));
}

void CoreData::setDoNextMonthInfo(const TaskPtr& task) const
{
    schedule(*task, nextMonthFrom(displayToday(), currentSetting()));
}

// ---- moving stored tasks -------------------------------------------------------------

bool CoreData::doNextWeek(const TaskPtr& task)
{
    return doNextWeekTasks({task}, true);
}

bool CoreData::doNextMonth(const TaskPtr& task)
{
    return doNextMonthTasks({task}, true);
}

// A batch starts from the same day as the single command, so a selection and
// one task moved on the same evening land in the same week.
bool CoreData::doNextWeekTasks(const TaskList& tasks, bool autoSyncZVW)
{
    const Schedule week = nextWeekFrom(displayToday(), currentSetting());
    return moveStoredTasks(tasks, week.start, week.due, autoSyncZVW);
}

bool CoreData::doNextMonthTasks(const TaskList& tasks, bool autoSyncZVW)
{
    const Schedule month = nextMonthFrom(displayToday(), currentSetting());
    return moveStoredTasks(tasks, month.start, month.due, autoSyncZVW);
}

// Each task is reloaded from its row, whatever state the caller's object is
// in. The selection moves whole or not at all: a row the database refuses
// (logged by the record) leaves every task where it was.
bool CoreData::moveStoredTasks(const TaskList& tasks, const Date& start, const Date& due, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    bool moved = false;
    for (const TaskPtr& task : tasks) {
        if (!task || task->primaryKey() < 1) continue;
        const TaskPtr stored = Task::initWithPrimaryKey(task->primaryKey());
        schedule(*stored, {start, due});
        if (!stored->dehydrate()) return false;
        moved = true;
        updateLocalNotificationForTask(stored);
        updateWorkingListAfterMove(stored);
        if (iCalSync* sync = icalSync()) {
            iCalSync::markStoreWriteDue(stored);
            Transaction::afterCommitOrNow(
                [sync, stored] { sync->backgroundOneWaySyncUpdateToICalTask(stored, updateAllOccurrences); });
        }
    }
    if (moved) {
        if (autoSyncZVW) postAutoSyncRequest(AutoSync::items);
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, this);
    }
    return transaction.commit();
}

// The working list shows a moved task only where the active-only mode and the
// tag filter let it.
void CoreData::updateWorkingListAfterMove(const TaskPtr& moved)
{
    const SettingPtr setting = currentSetting();
    const bool activeOnly = setting && setting->showActiveTaskOnly() != 0;
    if (activeOnly && Utilities::compareDateNoTime(moved->startTime(), Clock::now()) > 0) {
        removeInActiveTask();
        return;
    }
    if (activeOnly && !isAppliedTagFilter()) {
        if (!holdsKey(allTasksEventsAdes(), moved->primaryKey())) doWithAllTasksEventsAdes(TaskList{moved}, ListAction::Add);
        return;
    }
    if (isAppliedTagFilter() && !removeTaskFromListWithTagFilter(moved)) addTaskToList(moved, getShowTag());
}
