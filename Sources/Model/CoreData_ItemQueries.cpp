// The read side of the data manager's item queries.
#include "CoreData.h"

#include "Calendar.h"
#include "Clock.h"
#include "DatabaseBusyGuard.h"
#include "DateExtensions.h"
#include "GregorianCalendar.h"
#include "NotificationObject.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "RecurrenceExpander.h"
#include "Setting.h"
#include "Task.h"
#include "TaskPaneOrder.h"
#include "TaskQuery.h"
#include "Transaction.h"
#include "Utilities.h"
#include "ZVComment.h"
#include "ModelInternals.h"

#include <QThread>

#include <algorithm>
#include <optional>

namespace {

constexpr qint64 statusDone = 1;

TaskList loadItems(const QByteArray& condition, const QList<TaskQuery::Value>& values = {})
{
    if (!TaskQuery::databaseReadyOrSay()) return {};
    return TaskQuery::items(condition, values);
}

// The whole-table loads: read in key ranges side by side on a large table.
TaskList loadItemsInKeyOrder(const QByteArray& condition, const QList<TaskQuery::Value>& values = {})
{
    if (!TaskQuery::databaseReadyOrSay()) return {};
    return TaskQuery::itemsInKeyOrder(condition, values);
}

qint64 count(const QByteArray& sql, const QList<TaskQuery::Value>& values)
{
    if (!TaskQuery::databaseReadyOrSay()) return 0;
    return TaskQuery::number(sql, values);
}

// The categories whose future tasks stay out of view: hidden ones, except the
// default category, which is never hidden from the lists.
QList<TaskQuery::Value> hiddenCategoryKeys(const CalendarList& categories, qint64 defaultKey)
{
    QList<qint64> keys;
    for (const CalendarPtr& category : categories)
        if (category->inVisible() != 0 && category->primaryKey() != defaultKey) keys.append(category->primaryKey());
    return QList<TaskQuery::Value>(keys.cbegin(), keys.cend());
}

}  // namespace

qint64 CoreData::getMaxOrderOfTasks() const
{
    return queryInt64("SELECT max(taskOrder) FROM Tasks");
}

// ---------------------------------------------------------------------------
// Loading items from the database

TaskList CoreData::getAllRootEvents() const
{
    return loadItems("WHERE taskType=? AND parentId=-1", {ItemKind::Event});
}

TaskList CoreData::getAllTasks() const
{
    return loadItems("WHERE taskType=? AND parentId=-1", {ItemKind::Task});
}

TaskList CoreData::getAllTasksEventsAdes() const
{
    return loadItemsInKeyOrder("taskType!=?", {ItemKind::ChecklistItem});
}

TaskList CoreData::getAllTasksInDB() const
{
    return loadItemsInKeyOrder("1");  // every row
}

// An item whose category row is missing is nobody's: it is left out as well.
TaskList CoreData::getAllPersonalTasksInDB() const
{
    return loadItemsInKeyOrder("calendarId IN (SELECT primaryKey FROM Calendars WHERE hasShared=?)", {qint64(0)});
}

// A sync asks this once per series: the statement stays prepared.
TaskList CoreData::getAllDetachedEventWithParentID(qint64 parentId) const
{
    static const QByteArray sql = Task::selectRowsSql("WHERE taskType=? AND parentId=?");
    static CachedStatement statement(sql.constData());
    if (!TaskQuery::databaseReadyOrSay()) return {};
    return TaskQuery::items(statement, {ItemKind::Event, parentId});
}

TaskList CoreData::getAllFutureTasks() const
{
    const SettingPtr setting = currentSetting();
    const QList<TaskQuery::Value> hidden =
        hiddenCategoryKeys(calendarList(), setting ? setting->calendarDefID() : 0);
    const double threshold = Utilities::toDBDate(Utilities::newDateOnDate(today(), 23, 59)).timeIntervalSince1970();
    QByteArray condition = "WHERE taskType=? AND parentId=-1 AND startTime > ?";
    if (!hidden.isEmpty()) condition += " AND calendarId NOT IN (" + TaskQuery::placeholders(hidden.size()) + ")";
    return loadItems(condition, QList<TaskQuery::Value>{ItemKind::Task, threshold} + hidden);
}

// The web push reads every changed row while no record may write one, so
// the set it sends is the set it then marks as sent.
TaskList CoreData::getTasksInDBNewerThan(qint64 time) const
{
    if (!databaseOpen) return {};
    DatabaseBusyGuard guard;
    QueryStatement query(Task::selectRowsSql("WHERE dateUpdate > ? OR dateUpdate = 0"),
                         QueryStatement::PrepareFailure::Fatal);
    query.bind(1, time);
    TaskList items;
    while (query.nextRow()) items.append(Task::fromRowOverDefaults(query.get()));
    return query.failed() ? TaskList() : items;
}

qint64 CoreData::countCheckInCalendar(const CalendarPtr& calendar) const
{
    return count("SELECT count(*) FROM Tasks WHERE taskType=? AND calendarId=?",
                 {ItemKind::ChecklistItem, calendar->primaryKey()});
}

qint64 CoreData::countDoneCheckInCalendar(const CalendarPtr& calendar) const
{
    return count("SELECT count(*) FROM Tasks WHERE taskType=? AND calendarId=? AND status=?",
                 {ItemKind::ChecklistItem, calendar->primaryKey(), statusDone});
}

bool CoreData::hasExceptionEvent(const TaskPtr& event, const Date& beforeDate) const
{
    return count("SELECT count(*) FROM Tasks WHERE taskType=? AND parentId=? AND occurrence<=?",
                 {ItemKind::Event, event->primaryKey(), TaskQuery::storedOccurrence(beforeDate)})
           > 0;
}

// ---------------------------------------------------------------------------
// Item list filters
//
// The filters make one pass over the list. Sorting a copy by the kind first
// would only gather the wanted kind in one run; it is the same set, and where
// the order of the run shows (two kinds, or a key with several values) the
// result is sorted by that key afterwards, which gives the same order.

namespace {

constexpr qint64 paneDoneTasks = 2;

enum PaneFilter : qint64 {
    paneAll = 0,
    paneToday = 1,
    panePinned = 2,
    paneTop = 3,
    paneDue = 4,
    paneLongestFirst = 6,
    paneShortestFirst = 7,
};

enum DoneFilter : qint64 { doneOfEveryKind = 0, doneTasksOnly = 1 };

enum NoteFilter : qint64 { notesAll = 0, notesOfSelectedDay = 1, notesOfThisWeek = 2, notesPinned = 3 };

// The task pane shows a shared task only when it was delegated to, and
// accepted for, the signed-in user.
constexpr qint64 delegationAccepted = 1;

bool matchesSearch(const Task& item, const QString& searchText, Qt::CaseSensitivity sensitivity = Qt::CaseInsensitive)
{
    return searchText.isEmpty() || item.taskName().contains(searchText, sensitivity);
}

bool isOpen(const Task& item)
{
    return item.status() <= 0;
}

// Instants of a range, both bounds included. A null date is earlier than any
// bound, so an item without the date is never inside.
struct Range {
    Date first;
    Date last;
    bool holds(const Date& time) const { return time.isValid() && !(time < first) && !(time > last); }
    bool overlaps(const Date& start, const Date& end) const { return !(end < first) && !(start > last); }
};

// The days from the from-day to the to-day: 00:00:00 (or the given second of
// the first minute) to 23:59:59.
std::optional<Range> dayRange(const Date& fromDate, const Date& toDate, qint64 firstSecond = 0)
{
    if (!fromDate || !toDate) return std::nullopt;
    return Range{Utilities::resetTimeForDate(fromDate, 0, 0, firstSecond),
                 Utilities::resetTimeForDate(toDate, 23, 59, 59)};
}

// Whole calendar days as instants: from the first day's midnight up to, not
// including, the midnight after the last day. Testing an instant against
// them is testing its calendar day, at the cost of two calendar look-ups for
// the whole list instead of one per item.
struct CalendarDays {
    Date start;
    Date next;
    bool holds(const Date& time) const { return time.isValid() && !(time < start) && time < next; }
};

Date midnightOf(const Date& date, qint64 daysLater = 0)
{
    const DateFields day = GregorianCalendar::fields(date);
    return GregorianCalendar::dateFromFields(day.year, day.month, day.day + daysLater, 0, 0, 0);
}

CalendarDays calendarDays(const Date& firstDay, const Date& lastDay)
{
    return CalendarDays{midnightOf(firstDay), midnightOf(lastDay, 1)};
}

CalendarDays calendarDay(const Date& day)
{
    return calendarDays(day, day);
}

template <class Keep>
TaskList filtered(const TaskList& list, Keep keep)
{
    // Room for all at once: grown step by step, a list of 25,000 entries
    // is allocated (and its pages touched) again and again. A result much
    // shorter than its room gives the rest back, as the lists kept by the
    // views are mostly short.
    TaskList result;
    result.reserve(list.size());
    for (const TaskPtr& item : list)
        if (keep(*item)) result.append(item);
    if (result.capacity() > 2 * result.size() + 64) result.squeeze();
    return result;
}

template <class Key>
TaskList sortedBy(TaskList list, Key key, bool ascending = true)
{
    Utilities::sortList(list, key, ascending);
    return list;
}

// An occurrence is part of its series unless it is listed among the
// exceptions (changed or deleted) or falls after the end of a series that
// does not repeat for ever.
bool occurrenceExists(const Task& item)
{
    if (item.repeatType() == 0) return true;
    if (item.isExceptedOccurrence(item.occurrence())) return false;
    if (item.isRepeatForever()) return true;
    return !(item.occurrence() > item.repeatEndDate());
}

// The done tasks of the task pane, in input order.
TaskList doneTasksOfPane(const TaskList& list, qint64 filterIndex)
{
    if (filterIndex == doneOfEveryKind)
        return filtered(list, [](const Task& t) { return t.taskType() != ItemKind::ChecklistItem && t.status() == 1; });
    if (filterIndex == doneTasksOnly)
        return filtered(list, [](const Task& t) { return t.taskType() == ItemKind::Task && t.status() == 1; });
    return {};
}

// The open tasks of the task pane under one filter, in input order.
TaskList activeTasksOfPane(const TaskList& list, qint64 filterIndex, const Date& tomorrow)
{
    const auto tasksWhere = [&list](auto keep) {
        return filtered(list, [&keep](const Task& t) { return t.taskType() == ItemKind::Task && keep(t); });
    };
    switch (filterIndex) {
    case paneAll: return tasksWhere(isOpen);
    case paneToday: return tasksWhere([&tomorrow](const Task& t) { return isOpen(t) && t.startTime() < tomorrow; });
    case panePinned: return tasksWhere([](const Task& t) { return isOpen(t) && t.isPinned() == 1; });
    case paneTop: return tasksWhere([](const Task& t) { return t.isTopGTDTask(); });
    case paneDue: return tasksWhere([](const Task& t) { return t.hasDue() == 1 && isOpen(t); });
    case paneLongestFirst:
    case paneShortestFirst:
        return sortedBy(tasksWhere([](const Task& t) { return t.hasDuration() != 0 && isOpen(t); }),
                        &Task::duration, filterIndex == paneShortestFirst);
    default: return {};
    }
}

// Puts the list in date order and hands its order values out again along
// that order, then saves the tasks (only the changed ones are written). The
// orders are saved together or not at all: a half-saved run would give two
// tasks one place. When that fails the list, its orders and the rows stay
// as they were. Items never stored have no row to save, so a list of them
// alone needs no database.
void reorderAndSave(TaskList& list, Date (Task::*dateOf)() const)
{
    QList<TaskPaneOrder::Entry> entries;
    entries.reserve(list.size());
    for (const TaskPtr& item : list) entries.append({((*item).*dateOf)(), item->taskOrder()});
    const TaskPaneOrder::Reorder reorder = TaskPaneOrder::reorderByDate(entries);
    TaskList ordered;
    ordered.reserve(list.size());
    bool writesRows = false;
    for (qsizetype i = 0; i < reorder.positions.size(); ++i) {
        const TaskPtr& item = list[reorder.positions[i]];
        ordered.append(item);
        writesRows = writesRows
                     || (item->primaryKey() >= 0 && (item->dirty() || item->taskOrder() != reorder.orders[i]));
    }
    std::optional<Transaction> transaction;
    if (writesRows) {
        transaction.emplace();
        if (!transaction->isOpen()) return;
    }
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        if (transaction && ordered[i]->taskOrder() != reorder.orders[i]) transaction->keep(ordered[i]);
        ordered[i]->setTaskOrder(reorder.orders[i]);
    }
    for (const TaskPtr& item : ordered)
        if (!item->dehydrate()) return;
    if (!transaction || transaction->commit()) list = ordered;
}

// The week that holds today, from its first day (Sunday, or Monday when
// weeks start on Monday) to its seventh. Counted in calendar days, so a
// daylight-saving change inside the week moves no day into the next one.
CalendarDays weekOf(const Date& today, qint64 weekStartDay)
{
    const qint64 firstWeekday = weekStartDay == 1 ? 2 : 1;
    const qint64 daysIntoWeek = (Utilities::getWeekday(today) - firstWeekday + 7) % 7;
    const Date first = DateExtensions::dateByAddingDays(today, -daysIntoWeek);
    return calendarDays(first, DateExtensions::dateByAddingDays(first, 6));
}

}  // namespace

TaskList CoreData::getADEsOnlyListFromTaskList(const TaskList& list, const QString& searchText) const
{
    return filtered(list, [&](const Task& t) {
        return t.taskType() == ItemKind::Event && t.isADE() && t.repeatType() == 0 && matchesSearch(t, searchText);
    });
}

TaskList CoreData::getADEListFromTaskList(const TaskList& list, const QString& searchText) const
{
    return filtered(list, [&](const Task& t) {
        return t.taskType() == ItemKind::Event && t.isADE() && matchesSearch(t, searchText)
               && occurrenceExists(t);
    });
}

TaskList CoreData::getAllRecurringADEsFromTaskList(const TaskList& list, const QString& searchText) const
{
    return sortedBy(filtered(list,
                             [&](const Task& t) {
                                 return t.repeatType() != 0 && t.taskType() != ItemKind::Task && t.isADE()
                                        && matchesSearch(t, searchText, Qt::CaseSensitive);
                             }),
                    &Task::repeatType, false);
}

TaskList CoreData::getAllRecurringEventsFromTaskList(const TaskList& list, const QString& searchText) const
{
    return sortedBy(filtered(list,
                             [&](const Task& t) {
                                 return t.repeatType() != 0 && t.taskType() != ItemKind::Task && t.isADE() != 1
                                        && matchesSearch(t, searchText, Qt::CaseSensitive);
                             }),
                    &Task::repeatType, false);
}

// The two event filters below set the display times of every event they
// test against a range: the views draw those times next.
namespace {

// Timed events that pass `admits` and the search, with their display times
// set and overlapping the range when there is one.
TaskList timedEventsInRange(const CoreData& dataManager, const TaskList& list, const std::optional<Range>& range,
                            const QString& searchText, bool (*admits)(const Task&))
{
    TaskList result;
    const SettingPtr setting = dataManager.currentSetting();
    for (const TaskPtr& item : list) {
        if (item->taskType() != ItemKind::Event || item->isADE() == 1 || !admits(*item)) continue;
        if (!matchesSearch(*item, searchText)) continue;
        if (range) {
            dataManager.recalculateTimeWithTimezoneSupport(item, setting.get());
            if (!range->overlaps(item->tzStartTime(), item->tzEndTime())) continue;
        }
        result.append(item);
    }
    return result;
}

}  // namespace

TaskList CoreData::getEventListFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                            const QString& searchText) const
{
    return timedEventsInRange(*this, list, dayRange(fromDate, toDate), searchText,
                              [](const Task& item) { return occurrenceExists(item); });
}

TaskList CoreData::getEventOnlyListFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                                const QString& searchText) const
{
    return timedEventsInRange(*this, list, dayRange(fromDate, toDate, 1), searchText,
                              [](const Task& item) { return item.repeatType() == 0; });
}

TaskList CoreData::getTaskEventADEListFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                                   const QString& searchText) const
{
    const std::optional<Range> range = dayRange(fromDate, toDate);
    const TaskList kept = filtered(list, [&](const Task& t) {
        if (!matchesSearch(t, searchText)) return false;
        if (t.taskType() == ItemKind::Event)
            return occurrenceExists(t) && (!range || range->overlaps(t.startTime(), t.endTime()));
        if (t.taskType() == ItemKind::Task) return !range || (t.hasDue() && range->holds(t.dueEnd()));
        return false;
    });
    return sortedBy(kept, &Task::taskType);
}

TaskList CoreData::getDoneTasksFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                            const QString& searchText) const
{
    const std::optional<Range> range = dayRange(fromDate, toDate);
    if (!range) return {};
    return filtered(list, [&](const Task& t) {
        return t.taskType() == ItemKind::Task && range->holds(t.completedDate()) && matchesSearch(t, searchText);
    });
}

TaskList CoreData::getTaskListFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                           const QString& searchText) const
{
    const std::optional<Range> range = dayRange(fromDate, toDate);
    return filtered(list, [&](const Task& t) {
        return t.taskType() == ItemKind::Task && (!range || range->holds(t.dueEnd())) && matchesSearch(t, searchText);
    });
}

TaskList CoreData::getDueTaskFromTaskList(const TaskList& list, const Date& onDate) const
{
    if (!onDate) return {};
    const CalendarDays day = calendarDay(onDate);
    return sortedBy(filtered(list,
                             [&day](const Task& t) {
                                 return t.taskType() == ItemKind::Task && isOpen(t) && t.hasDue() && day.holds(t.dueEnd());
                             }),
                    &Task::dueEnd);
}

std::vector<bool> CoreData::daysWithDueTasks(const TaskList& list, const QList<Date>& days) const
{
    std::vector<bool> due(std::size_t(days.size()), false);
    // The days' spans in time order, so an item finds its day by a binary
    // search; a day given twice answers for both places.
    struct Span {
        CalendarDays day;
        qsizetype index;
    };
    std::vector<Span> spans;
    spans.reserve(std::size_t(days.size()));
    for (qsizetype index = 0; index < days.size(); ++index)
        if (days[index]) spans.push_back({calendarDay(days[index]), index});
    if (spans.empty()) return due;
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.day.start < b.day.start; });
    for (const TaskPtr& item : list) {
        const Task& t = *item;
        if (t.taskType() != ItemKind::Task || !isOpen(t) || !t.hasDue() || !t.dueEnd().isValid()) continue;
        const Date& dueEnd = t.dueEnd();
        // The last span starting at or before the due time.
        auto after = std::upper_bound(spans.begin(), spans.end(), dueEnd,
                                      [](const Date& time, const Span& span) { return time < span.day.start; });
        if (after == spans.begin()) continue;
        const CalendarDays& day = std::prev(after)->day;
        if (!day.holds(dueEnd)) continue;
        for (auto same = std::prev(after);; --same) {
            due[std::size_t(same->index)] = true;
            if (same == spans.begin() || !(std::prev(same)->day.start == day.start)) break;
        }
    }
    return due;
}

TaskList CoreData::getNoteFromTaskList(const TaskList& list, const Date& onDate) const
{
    if (!onDate) return {};
    const CalendarDays day = calendarDay(onDate);
    return sortedBy(filtered(list, [&day](const Task& t) { return t.taskType() == ItemKind::Note && day.holds(t.startTime()); }),
                    &Task::startTime);
}

TaskList CoreData::getDoneTaskFromTaskList(const TaskList& list, const Date& onDate) const
{
    if (!onDate) return {};
    const CalendarDays day = calendarDay(onDate);
    return sortedBy(filtered(list,
                             [&day](const Task& t) {
                                 return t.taskType() == ItemKind::Task && t.status() == 1 && day.holds(t.completedDate());
                             }),
                    &Task::completedDate);
}

TaskList CoreData::getAllDayEventFromTaskList(const TaskList& list, const Date& onDate) const
{
    if (!onDate) return {};
    const Date dayEnd = Utilities::resetTimeForDate(onDate, 23, 59, 59);
    TaskList result;
    fillRepeatEventInstances(getAllRecurringADEsFromTaskList(list, QString()), result, onDate, dayEnd);
    for (const TaskPtr& item : getADEsOnlyListFromTaskList(list, QString()))
        if (!(item->startTime() > dayEnd) && !(item->endTime() < onDate)) result.append(item);
    return result;
}

TaskList CoreData::getNoteFromTaskList(const TaskList& list, const QString& searchText) const
{
    return filtered(list, [&](const Task& t) { return t.taskType() == ItemKind::Note && matchesSearch(t, searchText); });
}

std::optional<TaskList> CoreData::getNoteFromTaskList(const TaskList& list, const QString& searchText,
                                                      const Date& fromDate, const Date& toDate) const
{
    if (!fromDate || !toDate) return std::nullopt;
    const CalendarDays days = calendarDays(fromDate, toDate);
    return filtered(list, [&](const Task& t) {
        return t.taskType() == ItemKind::Note && days.holds(t.startTime()) && matchesSearch(t, searchText);
    });
}

TaskList CoreData::getTaskFromTaskList(const TaskList& list, qint64 filterIndex, qint64 typeIndex,
                                       bool needReorder) const
{
    if (typeIndex == paneDoneTasks) return sortedBy(doneTasksOfPane(list, filterIndex), &Task::taskType);
    if (typeIndex != paneActiveTasks) return {};

    const SettingPtr setting = currentSetting();
    const Date now = setting ? Utilities::getCurrentDate(setting->tzSupport(), appRootTZ(), setting->currentTZ())
                             : Clock::now();
    TaskList result = activeTasksOfPane(list, filterIndex, midnightOf(now, 1));
    if (needReorder && filterIndex == paneToday) reorderAndSave(result, &Task::startTime);
    if (needReorder && filterIndex == paneDue) reorderAndSave(result, &Task::dueEnd);
    return result;
}

// ---- passes shared by the panes of one refresh ---------------------------------------

struct CoreData::PassMemo {
    // What a gathered answer was made from. The list is held, so its data
    // cannot be freed and another list take its place unnoticed; a change
    // of the working list while held gives the working list new data.
    struct Stamp {
        TaskList list;
        RecordStore::RowWriteMark mark;
        quint64 rollbacks = 0;
        quint64 keyChanges = 0;

        static Stamp of(const TaskList& list)
        {
            return {list, RecordStore::rowWriteMark(), Transaction::rollbackCount(), ListedMark::keyChanges()};
        }
        bool holds(const Stamp& now) const
        {
            return list.constData() == now.list.constData() && list.size() == now.list.size()
                   && mark.generation == now.mark.generation && mark.hookedRows == now.mark.hookedRows
                   && mark.countedRows == now.mark.countedRows && rollbacks == now.rollbacks
                   && keyChanges == now.keyChanges;
        }
    };
    struct Filtered {
        Stamp stamp;
        int filterIndex;
        QString userName;
        TaskList tasks;
    };
    struct Timed {
        Stamp stamp;
        bool tzSupport;
        qint64 currentTZ;
        qint64 rootTZ;
        QList<Date> dayStarts;  // each day's first second; the last entry ends the range
        QList<TaskList> days;
    };

    Qt::HANDLE thread = QThread::currentThreadId();
    std::vector<Filtered> filtered;
    std::optional<Timed> timed;
};

CoreData::SharedPasses::SharedPasses(const CoreData* manager) : m_manager(manager)
{
    if (!m_manager) return;
    if (m_manager->m_sharedPassDepth++ == 0) m_manager->m_passMemo = std::make_shared<PassMemo>();
}

CoreData::SharedPasses::~SharedPasses()
{
    if (!m_manager) return;
    if (--m_manager->m_sharedPassDepth == 0) m_manager->m_passMemo.reset();
}

CoreData::PassMemo* CoreData::openPassMemo() const
{
    PassMemo* memo = m_passMemo.get();
    return memo && memo->thread == QThread::currentThreadId() ? memo : nullptr;
}

TaskList CoreData::getTaskFromTaskList(const TaskList& list, int filterIndex, int typeIndex) const
{
    if (typeIndex == paneDoneTasks) return doneTasksOfPane(list, filterIndex);
    if (typeIndex != paneActiveTasks) return {};
    // The top filter reads the top-task marks, which change in memory
    // without a write: it is never answered from an earlier pass.
    PassMemo* memo = filterIndex == paneTop ? nullptr : openPassMemo();
    if (!memo) return openTasksOfPane(list, filterIndex);
    const SettingPtr setting = currentSetting();
    const QString userName = setting ? setting->zvwUserName() : QString();
    PassMemo::Stamp now = PassMemo::Stamp::of(list);
    for (const PassMemo::Filtered& kept : memo->filtered)
        if (kept.filterIndex == filterIndex && kept.userName == userName && kept.stamp.holds(now)) return kept.tasks;
    TaskList tasks = openTasksOfPane(list, filterIndex);
    std::erase_if(memo->filtered, [&](const PassMemo::Filtered& kept) { return !kept.stamp.holds(now); });
    memo->filtered.push_back({std::move(now), filterIndex, userName, tasks});
    return tasks;
}

TaskList CoreData::openTasksOfPane(const TaskList& list, int filterIndex) const
{
    const SettingPtr setting = currentSetting();
    const QString userName = setting ? setting->zvwUserName() : QString();
    const auto isMine = [&userName](const Task& t) {
        if (t.isShared())
            return t.delegateStatus() == delegationAccepted && !userName.isEmpty() && t.assigneeEmail() == userName;
        return t.assigneeEmail().isEmpty();
    };
    const auto openTasksWhere = [&](auto keep) {
        return filtered(list, [&](const Task& t) {
            return t.taskType() == ItemKind::Task && t.status() == 0 && keep(t) && isMine(t);
        });
    };
    switch (filterIndex) {
    case paneAll: return openTasksWhere([](const Task&) { return true; });
    case panePinned: return openTasksWhere([](const Task& t) { return t.isPinned() == 1; });
    case paneTop: return openTasksWhere([](const Task& t) { return t.isTopGTDTask(); });
    case paneDue: return openTasksWhere([](const Task& t) { return t.hasDue() == 1; });
    case paneLongestFirst:
    case paneShortestFirst: return openTasksWhere([](const Task& t) { return t.hasDuration() == 1; });
    default: return {};
    }
}

TaskList CoreData::getNotesFromTaskList(const TaskList& list, qint64 filterIndex, bool) const
{
    const auto notesWhere = [&list](auto keep) {
        return filtered(list, [&keep](const Task& t) { return t.taskType() == ItemKind::Note && keep(t); });
    };
    switch (filterIndex) {
    case notesAll: return notesWhere([](const Task&) { return true; });
    case notesOfSelectedDay: {
        const CalendarDays day = calendarDay(currentSelectedDay());
        return notesWhere([&day](const Task& t) { return day.holds(t.startTime()); });
    }
    case notesOfThisWeek: {
        const SettingPtr setting = currentSetting();
        const CalendarDays week = weekOf(Utilities::today(Clock::now()), setting ? setting->weekStartDay() : 0);
        return notesWhere([&week](const Task& t) { return week.holds(t.startTime()); });
    }
    case notesPinned: return notesWhere([](const Task& t) { return t.isPinned() == 1; });
    default: return {};
    }
}

bool CoreData::checkIfEventIsExist(const TaskPtr& item) const
{
    return item && occurrenceExists(*item);
}

// ---------------------------------------------------------------------------
// Comment, notification and link queries; the timed events of a day or range

namespace {

constexpr qint64 unreadCommentStatus = 0;
constexpr qint64 commentOnItem = 0;
constexpr qint64 commentOnCategory = 1;
constexpr qint64 activeLinkStatus = 0;

// Zones of the world lie at most 26 hours apart: rows that start or end this
// many days beyond a range may still show inside it in the display zone.
constexpr qint64 displayZoneMarginDays = 2;

ZVCommentPtr commentFromRow(sqlite3_stmt* statement, qint64 key, qint64 type)
{
    using namespace RecordStore;
    auto comment = std::make_shared<ZVComment>();
    comment->setPrimaryKey(columnInt64(statement, 0));
    comment->setContent(columnText(statement, 1));
    comment->setStatus(columnInt64(statement, 2));
    comment->setCreatedDate(columnDate(statement, 3));
    comment->setUpdatedDate(columnDate(statement, 4));
    comment->setZvwKey(columnInt64(statement, 5));
    comment->setFirstName(columnText(statement, 6));
    comment->setLastName(columnText(statement, 7));
    comment->setIsOwner(columnInt64(statement, 8) != 0);
    comment->setType(type);
    comment->setItemKey(key);
    return comment;
}

// Both names are joined on the same key; the kind says which one is meant.
NotificationObject notificationFromRow(sqlite3_stmt* statement)
{
    using namespace RecordStore;
    NotificationObject entry;
    entry.setItemKey(columnInt64(statement, 0));
    entry.setItemType(columnInt64(statement, 3));
    if (entry.itemType() == commentOnItem)
        entry.setTextShow(columnText(statement, 2));
    else if (entry.itemType() == commentOnCategory)
        entry.setTextShow(columnText(statement, 1));
    entry.setNumberValue(columnInt64(statement, 4));
    return entry;
}

// The keys of the items at the other end of the item's active links: notes
// first, then checklist items, tasks and events; done before open; the
// latest changed link first.
QList<qint64> currentlyLinkedKeys(qint64 key)
{
    RecordGuard guard;
    QueryStatement query(
        "SELECT t.primaryKey FROM Tasks t JOIN Links l ON (t.primaryKey=l.rootId OR t.primaryKey=l.targetId) "
        "WHERE t.primaryKey<>? AND l.status=? AND (l.rootId=? OR l.targetId=?) "
        "ORDER BY t.taskType DESC, t.status DESC, l.updatedDate DESC");
    query.bindAll({key, activeLinkStatus, key, key});
    return query.int64Column();
}

// A repeating event that has gone past its first occurrence is shown by the
// occurrence it has come to; a series that has ended shows nothing.
TaskPtr currentOccurrenceOfLinkedItem(const CoreData& dataManager, const TaskPtr& linked)
{
    if (linked->taskType() != ItemKind::Event || linked->repeatType() == 0
        || !(linked->occurrence() > linked->startTime()))
        return linked;
    if (Task::readRepeatOptions(linked->repeatOptions()).flag != 0) {
        TaskList instances;
        dataManager.fillRepeatEventInstances({linked}, instances, linked->startTime(), linked->occurrence());
        if (!instances.isEmpty()) return instances.first();
    }
    return dataManager.nextInstanceOfRecuringTask(linked);
}

// The timed events of the visible categories that may touch the days from
// the one to the other, and every repeating event of them. The rows are
// only narrowed here, with room for the display zone: the filters decide.
TaskList loadEventsOfVisibleCategories(const Date& fromDate, const Date& toDate)
{
    if (!TaskQuery::databaseReadyOrSay()) return {};
    const auto stored = [](const Date& date) { return Utilities::toDBDate(date).timeIntervalSince1970(); };
    const Date lastDayEnd = Utilities::resetTimeForDate(toDate, 23, 59, 59);
    const Date firstDayStart = Utilities::resetTimeForDate(fromDate, 0, 0, 0);
    return TaskQuery::items(
        "WHERE calendarId IN (SELECT primaryKey FROM Calendars WHERE inVisible=0) AND taskType=? "
        "AND (repeatType<>0 OR (startTime<=? AND endTime>=?))",
        {ItemKind::Event, stored(DateExtensions::dateByAddingDays(lastDayEnd, displayZoneMarginDays)),
         stored(DateExtensions::dateByAddingDays(firstDayStart, -displayZoneMarginDays))});
}

}  // namespace

QList<ZVCommentPtr> CoreData::getConversationsFor(qint64 key, qint64 type) const
{
    QList<ZVCommentPtr> comments;
    if (!databaseOpen) return comments;
    RecordGuard guard;
    QueryStatement query(
        "SELECT primaryKey, content, status, createdTime, updatedTime, zvwKey, commetorLastName, "
        "commetorFirstName, isOwner FROM Comments WHERE itemId=? AND cmtType=? ORDER BY createdTime ASC");
    query.bindAll({key, type});
    while (query.nextRow()) comments.append(commentFromRow(query.get(), key, type));
    if (query.failed()) comments.clear();
    return comments;
}

QList<NotificationObject> CoreData::getAllNotifications() const
{
    QList<NotificationObject> entries;
    if (!databaseOpen) return entries;
    RecordGuard guard;
    // Comments on items come before comments on categories, each by key.
    QueryStatement query(
        "SELECT c.itemId, ca.calendarName, t.taskName, c.cmtType, COUNT(c.primaryKey) FROM Comments c "
        "LEFT JOIN Tasks t ON c.itemId=t.primaryKey LEFT JOIN Calendars ca ON c.itemId=ca.primaryKey "
        "WHERE c.status=? GROUP BY c.itemId, c.cmtType ORDER BY c.cmtType, c.itemId");
    query.bind(1, unreadCommentStatus);
    while (query.nextRow()) entries.append(notificationFromRow(query.get()));
    if (query.failed()) entries.clear();
    return entries;
}

qint64 CoreData::countAllUnreadConversations() const
{
    if (!databaseOpen) return 0;
    RecordGuard guard;
    QueryStatement query("SELECT COUNT(primaryKey) FROM Comments WHERE status=?");
    query.bind(1, unreadCommentStatus);
    return query.firstInt64().value_or(0);
}

TaskList CoreData::getCurrentLinks(const TaskPtr& item) const
{
    TaskList linked;
    if (!item || !databaseOpen) return linked;
    // An unsaved occurrence of a repeating item is linked through its root.
    const qint64 key = item->primaryKey() < 1 && item->repeatType() != 0 ? item->parentId() : item->primaryKey();
    for (const qint64 linkedKey : currentlyLinkedKeys(key)) {
        const TaskPtr other = Task::initWithPrimaryKey(linkedKey);
        other->setIsTopGTDTask(other->taskType() == ItemKind::Task && checkIfTaskIsGTD(other));
        if (const TaskPtr shown = currentOccurrenceOfLinkedItem(*this, other)) linked.append(shown);
    }
    return linked;
}

TaskList CoreData::getEventListForDate(const Date& date) const
{
    const TaskList items = allTasksEventsAdes();
    TaskList instances;
    fillRepeatEventInstances(getAllRecurringEventsFromTaskList(items, QString()), instances, date, date);
    TaskList events = getEventOnlyListFromTaskList(items, date, date, QString());
    events.append(getEventListFromTaskList(instances, date, date, QString()));
    Utilities::sortList(events, &Task::startTime);
    return events;
}

QList<TaskList> CoreData::getEventListsForDates(const QList<Date>& dates) const
{
    QList<TaskList> lists;
    if (std::any_of(dates.cbegin(), dates.cend(), [](const Date& date) { return !date; })) {
        for (const Date& date : dates) lists.append(getEventListForDate(date));
        return lists;
    }
    if (dates.isEmpty()) return lists;
    const auto [first, last] = std::minmax_element(dates.cbegin(), dates.cend());
    const QList<TaskList> byDay = timedEventsOfDays(*first, *last);
    const auto calendarDate = [](const Date& date) {
        const DateFields day = GregorianCalendar::fields(date);
        return QDate(int(day.year), int(day.month), int(day.day));
    };
    const QDate firstDate = calendarDate(*first);
    for (const Date& date : dates) {
        const qint64 index = firstDate.daysTo(calendarDate(date));
        lists.append(index >= 0 && index < byDay.size() ? byDay[index] : TaskList());
    }
    return lists;
}

QList<TaskList> CoreData::timedEventsOfDays(const Date& firstDay, const Date& lastDay) const
{
    if (!firstDay || !lastDay) return {};
    PassMemo* memo = openPassMemo();
    if (!memo) return gatherTimedEventsOfDays(firstDay, lastDay);
    const CalendarDays whole = calendarDays(firstDay, lastDay);
    if (!(whole.start < whole.next)) return {};
    const SettingPtr setting = currentSetting();
    const bool tzSupport = setting && setting->tzSupport();
    const qint64 currentTZ = setting ? setting->currentTZ() : 0;
    PassMemo::Stamp now = PassMemo::Stamp::of(allTasksEventsAdes());
    if (const std::optional<PassMemo::Timed>& kept = memo->timed;
        kept && kept->stamp.holds(now) && kept->tzSupport == tzSupport && kept->currentTZ == currentTZ
        && kept->rootTZ == appRootTZ()) {
        // The days asked for, when they are whole days of those gathered.
        const qsizetype first = kept->dayStarts.indexOf(whole.start);
        const qsizetype next = kept->dayStarts.indexOf(whole.next);
        if (first >= 0 && next > first) return kept->days.mid(first, next - first);
    }
    QList<TaskList> days = gatherTimedEventsOfDays(firstDay, lastDay);
    QList<Date> dayStarts;
    for (Date day = whole.start; day < whole.next && dayStarts.size() < days.size(); day = midnightOf(day, 1))
        dayStarts.append(day);
    if (dayStarts.size() == days.size()) {
        dayStarts.append(whole.next);
        memo->timed = PassMemo::Timed{std::move(now), tzSupport, currentTZ, appRootTZ(), std::move(dayStarts), days};
    }
    return days;
}

QList<TaskList> CoreData::gatherTimedEventsOfDays(const Date& firstDay, const Date& lastDay) const
{
    const CalendarDays whole = calendarDays(firstDay, lastDay);
    if (!(whole.start < whole.next)) return {};
    struct Day {
        Date date;
        Range oneOffs;  // from the first second of the day, as for one day alone
        TaskList events;
    };
    std::vector<Day> days;
    for (Date day = whole.start; day < whole.next; day = midnightOf(day, 1)) {
        const std::optional<Range> range = dayRange(day, day, 1);
        if (!range) break;
        days.push_back({day, *range, {}});
    }
    if (days.empty()) return {};
    // A display time differs from the stored one by less than two days: an
    // event stored further off cannot touch the days, and its display
    // times are left for the views that show it.
    const Date nearFrom = DateExtensions::dateByAddingDays(whole.start, -displayZoneMarginDays);
    const Date nearTo = DateExtensions::dateByAddingDays(whole.next, displayZoneMarginDays);
    const Range span{days.front().oneOffs.first, days.back().oneOffs.last};
    const SettingPtr setting = currentSetting();
    TaskList repeating;
    for (const TaskPtr& item : allTasksEventsAdes()) {
        const Task& t = *item;
        if (t.isADE() == 1 || t.taskType() == ItemKind::Task) continue;
        if (t.repeatType() != 0) {
            repeating.append(item);
            continue;
        }
        if (t.taskType() != ItemKind::Event) continue;
        if (t.endTime() < nearFrom || t.startTime() > nearTo) continue;
        recalculateTimeWithTimezoneSupport(item, setting.get());
        const Date& start = t.tzStartTime();
        const Date& end = t.tzEndTime();
        if (!span.overlaps(start, end)) continue;
        // The first day not over before the event starts, then on while
        // the days start before it ends.
        auto day = std::lower_bound(days.begin(), days.end(), start,
                                    [](const Day& d, const Date& time) { return d.oneOffs.last < time; });
        for (; day != days.end() && day->oneOffs.overlaps(start, end); ++day) day->events.append(item);
    }
    // In the order the per-day lookup expands them; each rule is read once.
    Utilities::sortList(repeating, &Task::repeatType, false);
    std::vector<std::pair<TaskPtr, RecurrenceSeries>> series;
    bool otherClock = false;
    for (const TaskPtr& item : repeating)
        if (item->taskType() == ItemKind::Event && item->repeatType() > 0) {
            series.emplace_back(item, item->recurrenceSeries());
            otherClock = otherClock || zoneHeldWithoutZoneSupport(*item, setting.get()).isValid();
        }
    // An occurrence belongs to the day of its shown times, as a one-off
    // does: with zone support one of another zone may be shown on a day
    // before or after its own (without, one held in UTC or in its file's
    // zone), so the occurrences of the days round it are taken too and the
    // shown range decides.
    const qint64 margin = setting && (setting->tzSupport() || otherClock) ? displayZoneMarginDays : 0;
    QList<TaskList> lists;
    lists.reserve(qsizetype(days.size()));
    for (Day& day : days) {
        TaskList instances;
        const Date from = DateExtensions::dateByAddingDays(day.date, -margin);
        const Date to = DateExtensions::dateByAddingDays(day.date, margin);
        for (const auto& [root, rule] : series)
            for (const Date& occurrence : RecurrenceExpander::occurrences(rule, from, to, false))
                addInstanceTask(root, instances, takeNextInstanceKey(), occurrence);
        day.events.append(getEventListFromTaskList(instances, day.date, day.date, QString()));
        Utilities::sortList(day.events, &Task::startTime);
        lists.append(std::move(day.events));
    }
    return lists;
}

TaskList CoreData::getEventListFromDate(const Date& fromDate, const Date& toDate) const
{
    const TaskList items = loadEventsOfVisibleCategories(fromDate, toDate);
    // Occurrences whose own days lie just outside the range may be shown in
    // it in the display zone: the shown range below decides.
    const SettingPtr setting = currentSetting();
    const bool otherClock = std::any_of(items.begin(), items.end(), [&](const TaskPtr& item) {
        return item && item->repeatType() > 0 && zoneHeldWithoutZoneSupport(*item, setting.get()).isValid();
    });
    const qint64 margin = setting && (setting->tzSupport() || otherClock) ? displayZoneMarginDays : 0;
    TaskList instances;
    fillRepeatEventInstances(items, instances, DateExtensions::dateByAddingDays(fromDate, -margin),
                             DateExtensions::dateByAddingDays(toDate, margin));
    TaskList events = getEventOnlyListFromTaskList(items, fromDate, toDate, QString());
    events.append(getEventListFromTaskList(instances, fromDate, toDate, QString()));
    return events;
}
