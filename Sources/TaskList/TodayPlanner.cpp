#include "TodayPlanner.h"

#include "Calendar.h"
#include "CoreData.h"
#include "KeyedSort.h"
#include "Setting.h"
#include "TimeSlotObject.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QDate>
#include <QDebug>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace TodayPlanner {

std::array<DayPour, plannedDays> pour(const std::array<qint64, plannedDays>& freeMinutes,
                                      const std::vector<qint64>& durations)
{
    std::array<DayPour, plannedDays> days;
    size_t next = 0;
    qint64 carry = 0;
    int piece = -1;  // the task the carry belongs to: the last one placed
    for (int day = 0; day < plannedDays; ++day) {
        const qint64 capacity = freeMinutes[size_t(day)];
        qint64 used = 0;
        if (carry >= minimumPieceMinutes && piece >= 0) {
            used = carry;
            days[size_t(day)].push_back({piece, carry});
        }
        while (next < durations.size()) {
            if (capacity - used < minimumPieceMinutes) {
                carry = used - capacity;
                if (carry < minimumPieceMinutes) piece = -1;
                break;
            }
            days[size_t(day)].push_back({int(next), -1});
            used += std::max<qint64>(0, durations[next]);
            piece = int(next);
            carry = 0;
            ++next;
        }
    }
    return days;
}

qint64 dueDayNumber(const Date& today, const Date& dueEnd)
{
    const QDate from = QDate(int(Utilities::getYear(today)), int(Utilities::getMonth(today)), int(Utilities::getDay(today)));
    const QDate to = QDate(int(Utilities::getYear(dueEnd)), int(Utilities::getMonth(dueEnd)), int(Utilities::getDay(dueEnd)));
    if (!from.isValid() || !to.isValid()) return 0;
    return from.daysTo(to) + 1;
}

WorkingHours workingHoursOf(const QVariantMap& dayManagers, qint64 weekday)
{
    // Spelled as they are stored.
    static const char* const startKeys[] = {"SundayStartTime",    "MondayStartTime", "TuedayStartTime",
                                            "WednesdayStartTime", "ThusdayStartTime", "FridayStartTime",
                                            "SaturdayStartTime"};
    static const char* const endKeys[] = {"SundayEndTime",    "MondayEndTime", "TuedayEndTime", "WednesdayEndTime",
                                          "ThusdayEndTime", "FridayEndTime", "SaturdayEndTime"};
    if (weekday < 1 || weekday > 7) return {};
    const auto minutes = [&](const char* key) {
        bool ok = false;
        const qint64 value = dayManagers.value(QString::fromLatin1(key)).toLongLong(&ok);
        return ok ? value : 0;
    };
    return {minutes(startKeys[weekday - 1]), minutes(endKeys[weekday - 1])};
}

Date windowStart(const Date& day, qint64 startMinutes, const Date& now, bool firstDay)
{
    const Date start = Utilities::newDateOnDate(day, startMinutes / 60, startMinutes % 60);
    if (!firstDay) return start;
    const qint64 nowMinutes = Utilities::getHour(now) * 60 + Utilities::getMinute(now);
    if (nowMinutes <= startMinutes) return start;
    const qint64 seconds = nowMinutes * 60 + Utilities::getSecond(now);
    const qint64 rounded = (seconds + 299) / 300 * 300;
    return Utilities::newDateOnDate(day, rounded / 3600, rounded % 3600 / 60);
}

namespace {

bool dueWithin(const TaskPtr& task, const Date& today, qint64 mustDo)
{
    return mustDo > 0 && task->hasDue() && dueDayNumber(today, task->dueEnd()) <= mustDo;
}

void markMustDo(const TaskList& pending, const Date& today, qint64 mustDo)
{
    for (const TaskPtr& task : pending) task->setNpIsMustDo(dueWithin(task, today, mustDo));
}

// Open tasks due within the must-do days that the filter left out.
TaskList mustDoAdditions(const CoreData& manager, const TaskList& items, const TaskList& pending,
                         const CandidateRules& rules, const Date& today)
{
    if (rules.mustDo <= 0 || rules.filterIndex == 0 || rules.filterIndex == 4) return {};
    // By address, as the list's own comparison does; a set keeps this linear.
    QSet<const Task*> chosen;
    chosen.reserve(pending.size());
    for (const TaskPtr& item : pending) chosen.insert(item.get());
    TaskList rest;
    rest.reserve(items.size());
    for (const TaskPtr& item : items)
        if (!chosen.contains(item.get())) rest.append(item);
    TaskList added;
    for (const TaskPtr& task : manager.getTaskFromTaskList(rest, 4, 0)) {
        if (!dueWithin(task, today, rules.mustDo)) continue;
        task->setNpIsMustDo(true);
        added << task;
    }
    return added;
}

template <class Less>
void stableSort(TaskList& list, Less less)
{
    std::stable_sort(list.begin(), list.end(), less);
}

}  // namespace

TaskList orderCandidates(const CoreData& manager, const TaskList& items, const CandidateRules& rules,
                         const Date& today)
{
    TaskList pending = manager.getTaskFromTaskList(items, rules.filterIndex, 0);
    const int filter = rules.filterIndex;
    if (!rules.forceSort) {
        markMustDo(pending, today, rules.mustDo);
        pending << mustDoAdditions(manager, items, pending, rules, today);
        if (filter == 4 || filter == 6 || filter == 7)
            stableSortByKey(pending, [](const Task& t) { return t.npSortOrder(); });
        else
            stableSortByKey(pending, [](const Task& t) { return t.taskOrder(); });
    } else {
        if (filter == 7)
            stableSortByKey(pending, [](const Task& t) { return t.duration(); });
        else if (filter == 6)
            stableSortByKey(pending, [](const Task& t) { return t.duration(); }, false);
        else if (filter == 4)
            stableSortByKey(pending, [](const Task& t) { return t.dueEnd(); });
        qint64 position = 0;
        for (const TaskPtr& task : pending) task->setNpSortOrder(++position);
        markMustDo(pending, today, rules.mustDo);
        pending << mustDoAdditions(manager, items, pending, rules, today);
    }
    if (rules.mustDo > 0)
        stableSortByKey(pending, [](const Task& t) { return t.npIsMustDo() ? 0 : 1; });
    return pending;
}

bool repairOrder(CoreData& manager)
{
    TaskList items = manager.allTasksEventsAdes();
    // Every reload of the list asks: finding no tie must not cost sorting
    // the items themselves. Orders mostly rise along the list (it is in key
    // order, and new items take the next order): then no two tie, and the
    // walk along the list settles it without copying anything.
    const auto notRising = std::adjacent_find(items.cbegin(), items.cend(), [](const TaskPtr& a, const TaskPtr& b) {
        return a->taskOrder() >= b->taskOrder();
    });
    if (notRising == items.cend()) return false;
    std::vector<qint64> orders;
    orders.reserve(size_t(items.size()));
    for (const TaskPtr& item : items) orders.push_back(item->taskOrder());
    std::sort(orders.begin(), orders.end());
    if (std::adjacent_find(orders.cbegin(), orders.cend()) == orders.cend()) return false;
    stableSort(items, [](const TaskPtr& a, const TaskPtr& b) { return a->taskOrder() < b->taskOrder(); });
    // All or nothing: half-renumbered orders would tie again elsewhere.
    Transaction unit;
    qint64 order = 0;
    for (const TaskPtr& item : items) {
        unit.keep(item);
        item->setTaskOrder(++order);
        // The items are the working list's own: only their rows need writing.
        if (!item->dehydrateUpdateOption(false)) break;
    }
    if (unit.commit()) return true;
    qWarning().noquote() << "The task order could not be repaired; it stays as it was";
    return false;
}

void runPass(CoreData& manager, int filterIndex, bool forceSort)
{
    const SettingPtr setting = manager.currentSetting();
    if (!setting) return;
    TaskList items = manager.allTasksEventsAdes();
    if (filterIndex == 3) manager.updateTopTasksForList(items);
    const Date now = Utilities::getCurrentDate(setting->tzSupport(), manager.appRootTZ(), setting->currentTZ());
    const TaskList pending = orderCandidates(manager, items, {filterIndex, forceSort, setting->mustDo()}, now);

    CoreData::WeekdayTaskLists events = manager.sevenDaysEventList().value_or(CoreData::WeekdayTaskLists());
    CoreData::WeekdayTimeSlots slotLists = manager.sevenDaysOpenTimeSlotsList().value_or(CoreData::WeekdayTimeSlots());
    const QVariantMap hours = setting->dayManagers();
    std::array<QString, plannedDays> keys;
    std::array<qint64, plannedDays> capacity{};
    QList<Date> days;
    for (Date day = now; days.size() < plannedDays; day = Utilities::newDateFromDate(day, 86400)) days.append(day);
    const QList<TaskList> eventsOfDays = manager.getEventListsForDates(days);
    for (int index = 0; index < plannedDays; ++index) {
        const Date& day = days[index];
        const TaskList& dayEvents = eventsOfDays[index];
        keys[size_t(index)] = Utilities::getWeekDayName(day);
        events.insert(keys[size_t(index)], dayEvents);

        TaskList blocking;
        for (const TaskPtr& event : dayEvents) {
            const CalendarPtr category = manager.calendarWithPrimaryKey(event->calendarId());
            if (category && category->isTransparent()) continue;
            if (event->isShared() && event->delegateStatus() != 1) continue;
            blocking << event;
        }
        const WorkingHours window = workingHoursOf(hours, Utilities::getWeekday(day));
        const Date start = windowStart(day, window.start, now, index == 0);
        const Date end = Utilities::newDateOnDate(day, window.end / 60, window.end % 60);
        // A window that does not open (start not before end) has no free time.
        const QList<TimeSlotObject> slots =
            start < end ? manager.openTimeSlotsFromTime(start, end, blocking) : QList<TimeSlotObject>();
        slotLists.insert(keys[size_t(index)], slots);
        for (const TimeSlotObject& slot : slots)
            capacity[size_t(index)] += slot.endTimeInMinutes() - slot.startTimeInMinutes();
    }

    std::vector<qint64> durations;
    durations.reserve(size_t(pending.size()));
    for (const TaskPtr& task : pending) durations.push_back(task->hasDuration() ? task->duration() : 0);
    const auto poured = pour(capacity, durations);

    CoreData::WeekdayTaskLists taskLists;
    for (int index = 0; index < plannedDays; ++index) {
        TaskList dayList;
        for (const PouredEntry& entry : poured[size_t(index)]) {
            const TaskPtr& task = pending[entry.task];
            if (!entry.isPiece()) {
                dayList << task;
                continue;
            }
            // Each day a piece passes through shows its own carry.
            TaskPtr piece = task->copy();
            piece->setDuration(entry.carriedMinutes);
            dayList << piece;
        }
        taskLists.insert(keys[size_t(index)], dayList);
    }
    manager.setSevenDaysEventList(events);
    manager.setSevenDaysOpenTimeSlotsList(slotLists);
    manager.setSevenDaysTaskList(taskLists);
}

}  // namespace TodayPlanner
