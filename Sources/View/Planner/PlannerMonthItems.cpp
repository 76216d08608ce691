#include "PlannerMonthLayout.h"

#include "CoreData.h"
#include "DateExtensions.h"
#include "Setting.h"
#include "Task.h"
#include "Utilities.h"

#include <QSet>

#include <algorithm>

namespace PlannerMonthLayout {

namespace {

TaskList monthItemsWithout(const TaskList& list, const TaskList& removed)
{
    if (removed.isEmpty()) return list;
    QSet<const Task*> gone;
    for (const TaskPtr& item : removed) gone.insert(item.get());
    TaskList kept;
    kept.reserve(list.size());
    for (const TaskPtr& item : list)
        if (!gone.contains(item.get())) kept.append(item);
    return kept;
}

// Occurrences of the repeating items in the range, with their display times.
TaskList monthInstancesOf(const CoreData& manager, const TaskList& repeating, const Date& from, const Date& to)
{
    TaskList instances;
    if (repeating.isEmpty()) return instances;
    manager.fillRepeatEventInstances(repeating, instances, from, to);
    for (const TaskPtr& instance : instances) manager.recalculateTimeWithTimezoneSupport(instance);
    return instances;
}

// The timed occurrences shown in the range. With zone support one of
// another zone is shown on a day before or after its own (without, one held
// in UTC or in its file's zone): the days round the range are expanded too,
// and the shown times decide, as in the day grid.
TaskList monthTimedInstancesOf(const CoreData& manager, const TaskList& repeating, const Date& from, const Date& to)
{
    const SettingPtr setting = manager.currentSetting();
    const bool otherClock = setting && std::any_of(repeating.begin(), repeating.end(), [&](const TaskPtr& item) {
        return item && manager.zoneHeldWithoutZoneSupport(*item, setting.get()).isValid();
    });
    if (!setting || !(setting->tzSupport() || otherClock) || repeating.isEmpty() || !from || !to)
        return monthInstancesOf(manager, repeating, from, to);
    constexpr qint64 marginDays = 2;  // zones lie at most 26 hours apart
    const TaskList around = monthInstancesOf(manager, repeating, DateExtensions::dateByAddingDays(from, -marginDays),
                                             DateExtensions::dateByAddingDays(to, marginDays));
    return manager.getEventListFromTaskList(around, from, to, QString());
}

std::vector<TaskPtr> monthVectorOf(const TaskList& list)
{
    return std::vector<TaskPtr>(list.begin(), list.end());
}

}  // namespace

Lists gatherItems(const CoreData& manager, const TaskList& working, const Date& from, const Date& to,
                  const QString& userName)
{
    const QString noSearch;
    TaskList rest = working;
    TaskList allDay = manager.getADEListFromTaskList(rest, noSearch);
    const TaskList repeatingAllDay = manager.getAllRecurringADEsFromTaskList(allDay, noSearch);
    rest = monthItemsWithout(rest, allDay);
    allDay = monthItemsWithout(allDay, repeatingAllDay);
    allDay += monthInstancesOf(manager, repeatingAllDay, from, to);
    allDay = manager.getTaskEventADEListFromTaskList(allDay, from, to, noSearch);

    TaskList inRange = manager.getTaskEventADEListFromTaskList(rest, from, to, noSearch);
    rest = monthItemsWithout(rest, inRange);
    const TaskList tasks = manager.getTaskListFromTaskList(inRange, Date(), Date(), noSearch);
    inRange = monthItemsWithout(inRange, tasks);

    TaskList minePending, done, delegated;
    for (const TaskPtr& task : tasks) {
        const QString assignee = task->assigneeEmail();
        if (!assignee.isEmpty() && task->delegateStatus() != 1 && assignee.compare(userName, Qt::CaseInsensitive) == 0)
            minePending.append(task);
        else if (task->status() == 1)
            done.append(task);
        else if (!task->isShared() && !assignee.isEmpty() && task->delegateStatus() == 1)
            delegated.append(task);
    }
    const TaskList due = monthItemsWithout(monthItemsWithout(monthItemsWithout(tasks, minePending), done), delegated);

    const TaskList doneInRange = manager.getDoneTasksFromTaskList(rest, from, to, noSearch);
    minePending.clear();
    for (const TaskPtr& task : doneInRange)
        if (!task->assigneeEmail().isEmpty() && task->delegateStatus() != 1) minePending.append(task);
    const TaskList doneList = monthItemsWithout(done + doneInRange, minePending);
    rest = monthItemsWithout(rest, doneInRange);

    const TaskList notes = manager.getNoteFromTaskList(rest, noSearch, from, to).value_or(TaskList());
    rest = monthItemsWithout(rest, notes);

    const TaskList events = manager.getEventListFromTaskList(inRange, Date(), Date(), noSearch);
    const TaskList repeating = manager.getAllRecurringEventsFromTaskList(events, noSearch);
    TaskList eventList = monthItemsWithout(events, repeating);
    eventList += monthTimedInstancesOf(manager, repeating, from, to);
    const TaskList otherEvents = manager.getEventListFromTaskList(rest, Date(), Date(), noSearch);
    const TaskList otherRepeating = manager.getAllRecurringEventsFromTaskList(otherEvents, noSearch);
    eventList += manager.getEventListFromTaskList(monthItemsWithout(otherEvents, otherRepeating), from, to, noSearch);
    eventList += monthTimedInstancesOf(manager, otherRepeating, from, to);

    Lists lists;
    lists[AllDayEvents] = monthVectorOf(allDay);
    lists[TimedEvents] = monthVectorOf(eventList);
    lists[DueTasks] = monthVectorOf(due);
    lists[DoneTasks] = monthVectorOf(doneList);
    lists[Notes] = monthVectorOf(notes);
    return lists;
}

void sortItems(Lists& lists, const Date& startDate)
{
    for (const TaskPtr& item : lists[AllDayEvents]) {
        if (item->startTime() < startDate) {
            item->setNpStartTime(startDate);
            item->setNpDuration(qint64(item->endTime().timeIntervalSinceDate(startDate) / 60));
        } else {
            item->setNpStartTime(item->startTime());
            item->setNpDuration(item->duration());
        }
    }
    const auto bySharing = [](const TaskPtr& a, const TaskPtr& b) { return a->sortOrderBySharing() < b->sortOrderBySharing(); };
    std::stable_sort(lists[AllDayEvents].begin(), lists[AllDayEvents].end(), [&](const TaskPtr& a, const TaskPtr& b) {
        if (a->npStartTime() != b->npStartTime()) return a->npStartTime() < b->npStartTime();
        if (a->npDuration() != b->npDuration()) return a->npDuration() > b->npDuration();
        return bySharing(a, b);
    });
    std::stable_sort(lists[TimedEvents].begin(), lists[TimedEvents].end(), [&](const TaskPtr& a, const TaskPtr& b) {
        if (a->sortOrderBySharing() != b->sortOrderBySharing()) return bySharing(a, b);
        return a->startTime() < b->startTime();
    });
    for (ItemList list : {DueTasks, DoneTasks})
        std::stable_sort(lists[list].begin(), lists[list].end(), [&](const TaskPtr& a, const TaskPtr& b) {
            if (a->sortOrderBySharing() != b->sortOrderBySharing()) return bySharing(a, b);
            return a->taskOrder() < b->taskOrder();
        });
    std::stable_sort(lists[Notes].begin(), lists[Notes].end(), [&](const TaskPtr& a, const TaskPtr& b) {
        if (a->sortOrderBySharing() != b->sortOrderBySharing()) return bySharing(a, b);
        return a->startTime() > b->startTime();
    });
}

}  // namespace PlannerMonthLayout
