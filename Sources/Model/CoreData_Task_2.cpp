// The write side of the data manager's item commands.
#include "CoreData.h"
#include "Calendar.h"
#include "Clock.h"
#include "DeletedRows.h"
#include "FreeTimeSlots.h"
#include "GregorianCalendar.h"
#include "InstanceKeyCounter.h"
#include "Notifications.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "RecurrenceExpander.h"
#include "Setting.h"
#include "Tag.h"
#include "Task.h"
#include "Utilities.h"
#include "iCalSync.h"

#include <QDate>
#include <QMutexLocker>
#include <QSet>

#include <cstdio>
#include <functional>

// For now this only stores the item and lists it where the views show it.
// The full add command (alerts, system calendar, web push, the questions
// about repeating items) replaces this body; its callers stay as they are.
void CoreData::addNewTask()
{
    if (const TaskPtr item = modifyingTask()) item->insertAndDehydrate();
}

// ---------------------------------------------------------------------------
// Repeating items: virtual instances and next occurrences

namespace {

// The root of the series an item belongs to: itself for a root, else the
// root row (from the working list when it is there, else from the database).
TaskPtr seriesRoot(const CoreData& dataManager, const TaskPtr& item)
{
    if (item->parentId() <= 0) return item;
    for (const TaskPtr& listed : dataManager.allTasksEventsAdes())
        if (listed->primaryKey() == item->parentId()) return listed;
    TaskPtr root = Task::initWithPrimaryKey(item->parentId());
    // A row that is gone leaves the item to stand for its own series.
    return root->repeatType() > 0 ? root : item;
}

// The span a repeating task without a due date moves by when it is done
// from completion and has exceptions.
double completionSpan(qint64 repeatType)
{
    switch (repeatType) {
    case 1: return 86400;
    case 2: return 604800;
    case 3: return 2592000;
    case 4: return 31536000;
    default: return 0;
    }
}

}  // namespace

qint64 CoreData::takeNextInstanceKey()
{
    return InstanceKeyCounter::take();
}

TaskPtr CoreData::newInstanceForTask(const TaskPtr& source, qint64 instanceKey, const Date& forDate) const
{
    TaskPtr instance = source->instanceCopy();
    instance->setPrimaryKey(instanceKey);
    if (source->taskType() == 1) {
        instance->setDueEnd(forDate);
    } else {
        instance->setStartTime(forDate);
        instance->setEndTime(Utilities::newDateFromDate(
            forDate, source->endTime().timeIntervalSinceDate(source->startTime())));
        instance->setOccurrence(forDate);
    }
    instance->setParentId(source->primaryKey());
    return instance;
}

TaskPtr CoreData::addInstanceTask(const TaskPtr& root, TaskList& toList, qint64 instanceKey, const Date& forDate) const
{
    TaskPtr instance = root->instanceCopy();
    instance->setPrimaryKey(instanceKey);
    if (root->taskType() == 0) {
        instance->setStartTime(forDate);
        instance->setEndTime(
            Utilities::newDateFromDate(forDate, root->endTime().timeIntervalSinceDate(root->startTime())));
        instance->setOccurrence(forDate);
    } else {
        instance->setDueEnd(forDate);
    }
    instance->setParentId(root->primaryKey());
    toList.append(instance);
    return instance;
}

void CoreData::fillRepeatEventInstances(const TaskList& items, TaskList& toList, const Date& fromDate,
                                        const Date& getInstanceUntilDate, bool isForce) const
{
    for (const TaskPtr& item : items) {
        if (item->taskType() != 0 || item->repeatType() <= 0) continue;
        const QList<Date> dates =
            RecurrenceExpander::occurrences(item->recurrenceSeries(), fromDate, getInstanceUntilDate, isForce);
        toList.reserve(toList.size() + dates.size());
        for (const Date& date : dates) addInstanceTask(item, toList, takeNextInstanceKey(), date);
    }
}

TaskPtr CoreData::nextInstanceOfRecuringTask(const TaskPtr& item) const
{
    if (!item || item->repeatType() == 0) return nullptr;
    const TaskPtr root = seriesRoot(*this, item);
    // The rule steps from the series' own first occurrence, so that the
    // anchors an instance has lost (the 31st, a fifth Friday, 29 February)
    // still hold; the item's own date says where to go on from.
    const Date after = item->taskType() == 1 ? item->dueEnd() : item->startTime();
    const std::optional<Date> next = RecurrenceExpander::nextOccurrence(root->recurrenceSeries(), after);
    if (!next) return nullptr;
    TaskPtr instance = newInstanceForTask(item, takeNextInstanceKey(), *next);
    // An instance asked for its successor still belongs to the root's series.
    instance->setParentId(root->primaryKey());
    return instance;
}

TaskPtr CoreData::nextDummyForRepeatingTask(const TaskPtr& item) const
{
    if (!item || item->taskType() != 1 || item->repeatType() == 0) return nullptr;
    if (item->taskRepeatStyle() == 1) {
        TaskPtr next = nextInstanceOfRecuringTask(item);
        if (next) next->setStatus(0);
        return next;
    }
    const Date now = Clock::now();
    if (item->hasDue() == 0) {
        TaskPtr copy = item->copy();
        copy->setHasDue(1);
        if (item->repeatExceptions().isEmpty()) {
            copy->setDueEnd(Utilities::roundTo15MinutesForCurrentDate());
            TaskPtr next = nextDummyForRepeatingTask(copy);
            if (next) next->setStatus(0);
            return next;
        }
        copy->setStartTime(now);
        copy->setStatus(0);
        if (const double span = completionSpan(item->repeatType()); span > 0)
            copy->setDueEnd(now.dateByAddingTimeInterval(span));
        return copy;
    }
    // From completion: the weekly rhythm moves to the day of completion, which
    // the completed task keeps, and the next due date lies after today.
    const RecurrenceExpander::CompletionRepeat repeat =
        RecurrenceExpander::nextFromCompletion(seriesRoot(*this, item)->recurrenceSeries(), now);
    item->setRepeatOptions(repeat.rule.options());
    item->dehydrate();
    if (!repeat.dueEnd) return nullptr;
    TaskPtr next = newInstanceForTask(item, takeNextInstanceKey(), *repeat.dueEnd);
    next->setStatus(0);
    return next;
}

// ---------------------------------------------------------------------------
// Done and delete; category and tag deletion

namespace {

constexpr qint64 taskItem = 1;
constexpr qint64 ordinaryCategory = 0;
constexpr qint64 newItemKey = -1;

// ---- Stand-ins for item queries that are being added to CoreData on other
// branches. Inside CoreData's members a member of the same name hides these,
// so once the real ones land the calls go to them and this block is deleted.

// The items actively linked to the item (a generated occurrence counts as its
// series root).
TaskList getCurrentLinks(const TaskPtr& item)
{
    TaskList linked;
    if (!databaseOpen) return linked;
    const qint64 key = item->primaryKey() < 1 && item->repeatType() != 0 ? item->parentId() : item->primaryKey();
    QList<qint64> keys;
    {
        RecordGuard guard;
        QueryStatement query(
            "SELECT t.primaryKey FROM Tasks t JOIN Links l ON (t.primaryKey=l.rootId OR t.primaryKey=l.targetId) "
            "WHERE t.primaryKey<>? AND l.status=? AND (l.rootId=? OR l.targetId=?) "
            "ORDER BY t.taskType DESC, t.status DESC, l.updatedDate DESC");
        query.bindAll({key, 0, key, key});
        keys = query.int64Column();
    }
    for (const qint64 linkedKey : keys) linked.append(Task::initWithPrimaryKey(linkedKey));
    return linked;
}

// Deletes every item of the category: web ids queued, links marked removed,
// the items dropped from the working list.
void deleteAllTasksBelongCalendar(qint64 key)
{
    CoreData* dataManager = CoreData::shared();
    if (!databaseOpen || !dataManager) return;
    DeletedRows::deleteItems("calendarId=?", [key](QueryStatement& query) { query.bind(1, key); },
                             DeletedRows::WebIds::Queue);
    DeletedRows::dropFromWorkingList(*dataManager, [key](const Task& item) { return item.calendarId() == key; });
}

// ---- end of the stand-ins

}  // namespace

bool CoreData::doMarkDoneOperatorWithTask(const TaskPtr& task, qint64 status, bool autoSyncZvw)
{
    if (!task) return false;
    qint64 request = AutoSync::items;
    if (status == 0) {
        task->setCompletedDate(Date::dateWithTimeIntervalSince1970(0));
        task->setStatus(0);
        if (!task->dehydrate()) return false;
    } else if (task->repeatType() == 0) {
        if (!task->dehydrate()) return false;
    } else if (task->taskType() == taskItem) {
        if (!completeRepeatingTask(task)) return false;
        request = AutoSync::items | AutoSync::links;
    }
    // A repeating item of another kind is never done on its own: nothing is
    // written for it.
    if (iCalSync* sync = icalSync()) sync->backgroundOneWaySyncUpdateToICalTask(task, 0);
    if (autoSyncZvw && isAutoZVWSyncOn()) postAutoSyncRequest(request);
    return true;
}

// The done row keeps its history and web id as a one-off; the series goes on
// in a new row the web service has not seen yet.
bool CoreData::completeRepeatingTask(const TaskPtr& task)
{
    const TaskPtr next = nextDummyForRepeatingTask(task);
    if (next) {
        next->setPrimaryKey(newItemKey);
        next->setCompletedDate(Date::dateWithTimeIntervalSince1970(0));
        next->setStatus(0);
        next->setZvwID(0);
        next->setLastUpdate(0);
        next->setParentId(-1);
        setModifyingTask(next);
        addNewTask();
    }
    task->setRepeatType(0);
    if (!task->dehydrate()) return false;
    // A next row that could not be stored has no key to link to.
    if (next && next->primaryKey() > 0) restoreLinks(getCurrentLinks(task), next);
    return true;
}

bool CoreData::doDeleteTask(const TaskPtr& item)
{
    return doDeleteTask(item, true, true);
}

bool CoreData::doDeleteTask(const TaskPtr& item, bool autoSyncZVW)
{
    return doDeleteTask(item, true, autoSyncZVW);
}

bool CoreData::doDeleteTask(const TaskPtr& item, bool needSync, bool autoSyncZVW)
{
    if (!item) return false;
    if (!(needSync ? item->deleteFromDatabase() : item->deleteFromDatabaseNoUpdate())) return false;
    if (needSync) DeletedRows::queueDeletedItems({item->zvwID()});
    const bool pushToWeb = autoSyncZVW && isAutoZVWSyncOn();
    // The server drops a deleted item's links itself; with the push on its
    // way, the link rows need not wait for the web sync.
    if (pushToWeb) deleteLinks(item);
    // Only tasks: the system calendar learns of deleted events through the
    // scope commands of repeating events and its own sync.
    iCalSync* sync = icalSync();
    if (needSync && sync && item->taskType() == taskItem) sync->backgroundOneWaySyncDeleteToICalTask(item, 0);
    if (pushToWeb) postAutoSyncRequest(AutoSync::items);
    return true;
}

bool CoreData::doDeleteCalendar(const CalendarPtr& calendar)
{
    return doDeleteCalendar(calendar, true, true);
}

bool CoreData::doDeleteCalendar(const CalendarPtr& calendar, bool autoSyncZVW)
{
    return doDeleteCalendar(calendar, true, autoSyncZVW);
}

bool CoreData::doDeleteCalendar(const CalendarPtr& calendar, bool needSync, bool autoSyncZVW)
{
    if (!calendar) return false;
    const SettingPtr setting = currentSetting();
    const bool wasDefault = setting && setting->calendarDefID() == calendar->primaryKey();
    deleteAllTasksBelongCalendar(calendar->primaryKey());
    if (!calendar->deleteFromDatabase()) return false;
    // A checklist category has no calendar in the system store.
    iCalSync* sync = icalSync();
    if (needSync && sync && !calendar->iCalUID().isEmpty() && calendar->projectType() == ordinaryCategory)
        sync->backgroundOneWaySyncDeleteToICal(calendar);
    const bool pushToWeb = autoSyncZVW && isAutoZVWSyncOn();
    if (pushToWeb) postAutoSyncRequest(AutoSync::categories | AutoSync::items);
    if (wasDefault) chooseDefaultCategoryAfterDeleting(pushToWeb);
    return true;
}

// New items take the default category, so it must always name a stored one.
void CoreData::chooseDefaultCategoryAfterDeleting(bool pushToWeb)
{
    const SettingPtr setting = currentSetting();
    for (const CalendarPtr& candidate : getCalendarWithType(ordinaryCategory, calendarList(), true)) {
        if (candidate->isShared()) continue;
        setting->setCalendarDefID(candidate->primaryKey());
        setting->dehydrate();
        if (pushToWeb) postAutoSyncRequest(AutoSync::settings);
        return;
    }
    // Only hidden or shared categories are left: the general check shows a
    // hidden one or makes a new default.
    checkAndSetDefaultCategory();
}

bool CoreData::doDeleteTag(const TagPtr& tag, bool autoSyncZVW)
{
    if (!tag || !tag->deleteFromDatabase()) return false;
    DeletedRows::queueDeletedTags({tag->zvwKey()});
    removeFromTagList(tag);
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::tags);
    return true;
}

// The web service asked for the deletion, so it is not told again.
bool CoreData::doDeleteTagFromZVW(const TagPtr& tag, bool /*autoSyncZVW*/)
{
    if (!tag || !tag->deleteFromDatabase()) return false;
    removeFromTagList(tag);
    return true;
}

void CoreData::removeFromTagList(const TagPtr& tag)
{
    QMutexLocker lock(&m_listMutex);
    m_tagList.removeIf([&tag](const TagPtr& listed) { return listed->primaryKey() == tag->primaryKey(); });
}

// Free time, same-start groups and the all-day reload

namespace {

// Wall-clock minutes counted from midnight of the reference day: the time of
// day on that day, with whole days added for later days (and taken off for
// earlier ones), so events that run over midnight keep their order.
qint64 minutesFromDay(const QDate& referenceDay, const Date& date)
{
    const DateFields f = GregorianCalendar::fields(date);
    return referenceDay.daysTo(QDate(f.year, f.month, f.day)) * 1440 + f.hour * 60 + f.minute;
}

QDate calendarDateOf(const Date& date)
{
    const DateFields f = GregorianCalendar::fields(date);
    return QDate(f.year, f.month, f.day);
}

// The keys among `keys` that still have a row; empty when the query cannot
// run (logged), so nothing is refreshed from rows that could not be read.
QSet<qint64> keysWithRows(const QList<qint64>& keys)
{
    if (keys.isEmpty()) return {};
    QStringList numbers;
    numbers.reserve(keys.size());
    for (qint64 key : keys) numbers.append(QString::number(key));
    RecordGuard guard;
    QueryStatement query("SELECT primaryKey FROM Tasks WHERE primaryKey IN (SELECT value FROM json_each(?))");
    query.bind(1, QLatin1Char('[') + numbers.join(QLatin1Char(',')) + QLatin1Char(']'));
    const QList<qint64> found = query.int64Column();
    return QSet<qint64>(found.begin(), found.end());
}

// Runs the statements as one unit: all of them or none. A failure is logged
// by the statement and rolls back whatever ran before it.
bool runAllOrNothing(const QList<std::function<bool()>>& statements)
{
    RecordGuard guard;
    if (!QueryStatement("SAVEPOINT wipe").execute(RecordStore::deleteErrorText)) return false;
    for (const auto& statement : statements) {
        if (statement()) continue;
        QueryStatement("ROLLBACK TO wipe").execute(RecordStore::deleteErrorText);
        QueryStatement("RELEASE wipe").execute(RecordStore::deleteErrorText);
        return false;
    }
    return QueryStatement("RELEASE wipe").execute(RecordStore::deleteErrorText);
}

// One "?" per value: "?,?,?".
QByteArray placeholders(qsizetype count)
{
    QByteArray marks;
    for (qsizetype i = 0; i < count; ++i) marks += i == 0 ? "?" : ",?";
    return marks;
}

}  // namespace

QList<TimeSlotObject> CoreData::openTimeSlotsFromTime(const Date& fromTime, const Date& toTime,
                                                      const TaskList& events) const
{
    QList<TimeSlotObject> slots;
    if (!fromTime || !toTime) return slots;
    const QDate day = calendarDateOf(fromTime);
    QList<FreeTimeSlots::MinuteInterval> busy;
    busy.reserve(events.size());
    for (const TaskPtr& event : events) {
        recalculateTimeWithTimezoneSupport(event);
        // An event without times blocks nothing.
        if (!event->tzStartTime() || !event->tzEndTime()) continue;
        busy.append({minutesFromDay(day, event->tzStartTime()), minutesFromDay(day, event->tzEndTime())});
    }
    const QList<FreeTimeSlots::MinuteInterval> free =
        FreeTimeSlots::openTimeSlots(minutesFromDay(day, fromTime), minutesFromDay(day, toTime), busy);
    slots.reserve(free.size());
    for (const FreeTimeSlots::MinuteInterval& interval : free) {
        TimeSlotObject slot;
        slot.setStartTimeInMinutes(interval.start);
        slot.setEndTimeInMinutes(interval.end);
        slots.append(slot);
    }
    return slots;
}

TaskList CoreData::findAllEventSameStartTime(const TaskPtr& event, const TaskList& list, const Date& forDate) const
{
    TaskList group;
    if (!event) return group;
    // An event that began on an earlier day takes the day's start in the grid.
    const auto startOnDay = [&forDate](const Task& item) {
        return Utilities::compareDateNoTime(item.tzStartTime(), forDate) < 0 ? forDate : item.tzStartTime();
    };
    const Date quarter = Utilities::roundDown15MinutesForDate(startOnDay(*event));
    const QString zone = getTimeZoneGMT(event->tz());
    for (const TaskPtr& entry : list) {
        if (Utilities::compareDateNoSecond(Utilities::roundDown15MinutesForDate(startOnDay(*entry)), quarter) != 0)
            break;
        const QString entryZone = getTimeZoneGMT(entry->tz());
        if (!zone.isEmpty() && !entryZone.isEmpty() && entryZone.compare(zone, Qt::CaseInsensitive) == 0)
            group.append(entry);
    }
    return group;
}

// Occurrences of repeating all-day events have no row of their own: they
// are made again from their series whenever the views ask, so only stored
// items are refreshed. An item whose row has gone keeps its content rather
// than taking the empty fields of a missing row.
void CoreData::reloadADE()
{
    if (!databaseOpen) {
        std::fputs(kDatabaseCanNotOpenText.toUtf8().constData(), stdout);
        return;
    }
    TaskList allDayEvents;
    QList<qint64> keys;
    for (const TaskPtr& item : allTasksEventsAdes()) {
        if (item->taskType() != 0 || !item->isADE() || item->primaryKey() < 0) continue;
        allDayEvents.append(item);
        keys.append(item->primaryKey());
    }
    const QSet<qint64> stored = keysWithRows(keys);
    for (const TaskPtr& item : allDayEvents)
        if (stored.contains(item->primaryKey())) item->copyContentOfTask(*Task::initWithPrimaryKey(item->primaryKey()));
}

bool CoreData::deleteDatabaseCreateDefaultCate(bool createDefault)
{
    if (!databaseOpen) {
        std::fputs(kDatabaseCanNotOpenText.toUtf8().constData(), stdout);
        return false;
    }
    const SettingPtr setting = currentSetting();
    const bool syncsWithStore = setting && setting->autoICalSync();
    const CalendarList listed = calendarList();

    // Without a category synced with the store the whole working list goes.
    std::optional<TaskList> itemsToDrop;
    CalendarList storeDeletes;
    QList<qint64> keysToKeep;
    for (const CalendarPtr& stored : getCalendarList()) {
        if (stored->projectType() != 0 || !syncsWithStore || stored->typeOfCal() != CalCalendarTypeLocal) {
            keysToKeep.append(stored->primaryKey());
            continue;
        }
        if (!itemsToDrop) itemsToDrop = TaskList();
        if (!getCalendarByPrimaryKey(stored->primaryKey(), 0, listed)) continue;
        *itemsToDrop += getTaskBelongToCalendarId(stored->primaryKey());
        *itemsToDrop += getEventBelongToCalendarId(stored->primaryKey());
        *itemsToDrop += getNoteBelongToCalendarId(stored->primaryKey());
        storeDeletes.append(stored);
    }

    const QByteArray itemCondition =
        keysToKeep.isEmpty() ? QByteArray() : " WHERE calendarId NOT IN (" + placeholders(keysToKeep.size()) + ')';
    const bool wiped = runAllOrNothing({
        [] { return QueryStatement("DELETE FROM Tag").execute(RecordStore::deleteErrorText); },
        [] {
            return QueryStatement("DELETE FROM Calendars WHERE typeOfCal=?")
                .bind(1, CalCalendarTypeLocal)
                .execute(RecordStore::deleteErrorText);
        },
        [&] {
            return QueryStatement("DELETE FROM Tasks" + itemCondition)
                .bindAll(keysToKeep)
                .execute(RecordStore::deleteErrorText);
        },
        [] { return QueryStatement("DELETE FROM Links").execute(RecordStore::deleteErrorText); },
    });
    if (!wiped) return false;

    for (const CalendarPtr& stored : storeDeletes)
        if (iCalSync* store = icalSync()) store->backgroundOneWaySyncDeleteToICal(stored);
    setTagList({});
    doWithAllTasksEventsAdes(itemsToDrop, 1);
    // Every category of the local type lost its row, synced or not: none may
    // stay listed, or new items would be filed under a category that is gone.
    CalendarList categoriesToDrop;
    for (const CalendarPtr& category : listed)
        if (category->typeOfCal() == CalCalendarTypeLocal) categoriesToDrop.append(category);
    doWithCalendarList(categoriesToDrop, 1);
    if (createDefault) createDefaultCategoryAutoSyncZVW(false);
    return true;
}
