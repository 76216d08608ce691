// The write side of the data manager's item commands, the working list's
// loads by category and tag, the lookups of series rows, and repeating items.
#include "CoreData.h"

#include "Calendar.h"
#include "Clock.h"
#include "DateExtensions.h"
#include "InstanceKeyCounter.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "RecurrenceExpander.h"
#include "Setting.h"
#include "Task.h"
#include "TaskQuery.h"
#include "Utilities.h"

#include <QHash>
#include <QMutexLocker>

#include <optional>

namespace {

constexpr qint64 taskTypeEvent = 0;
constexpr qint64 taskTypeTask = 1;
constexpr qint64 linkStatusRemoved = 1;

// A stored occurrence row that its own exception list names as changed or
// deleted is a leftover of an edit and never shown.
bool isListedException(const Task& item)
{
    return !item.repeatExceptions().isEmpty() && item.isExceptedOccurrence(item.occurrence());
}

// While only active tasks are shown, tasks starting after today stay out of
// the working list; they are loaded as future tasks instead.
class ActiveOnlyRule {
public:
    explicit ActiveOnlyRule(const SettingPtr& setting)
        : m_applies(setting && setting->showActiveTaskOnly() != 0),
          m_tomorrow(m_applies ? DateExtensions::dateByAddingDays(Utilities::today(Clock::now()), 1) : Date())
    {
    }

    bool drops(const Task& item) const
    {
        return m_applies && item.taskType() == taskTypeTask && item.startTime() >= m_tomorrow;
    }

private:
    bool m_applies;
    Date m_tomorrow;
};

bool hasAnyTag(const QString& tagList, const QStringList& tags)
{
    return !tagList.isEmpty() && Utilities::isTagList(tagList, tags);
}

// With tags given, an item passes when it carries one of them; with none,
// only an item without tags passes.
bool passesTagTest(const QString& tagList, const QStringList& tags)
{
    return tags.isEmpty() ? tagList.isEmpty() : hasAnyTag(tagList, tags);
}

TaskList itemsOfCategories(const QList<qint64>& calendarIds)
{
    QList<TaskQuery::Value> values;
    for (qint64 key : calendarIds) values.append(key);
    return TaskQuery::items("WHERE calendarId IN (" + TaskQuery::placeholders(values.size()) + ")", values);
}

TaskList itemsOfCategory(qint64 calendarId)
{
    return TaskQuery::items("WHERE calendarId=?", {calendarId});
}

TaskList listEntriesOfCategory(const TaskList& list, qint64 calendarId)
{
    TaskList entries;
    for (const TaskPtr& item : list)
        if (item->calendarId() == calendarId) entries.append(item);
    return entries;
}

// The web ids of the category's items, read in the same guarded section as
// the delete that follows; nullopt when they cannot be read.
std::optional<QList<qint64>> webIdsOfCategory(qint64 calendarId)
{
    QueryStatement query("SELECT zvwID FROM Tasks WHERE calendarId=? AND zvwID>0");
    const QList<qint64> webIds = query.bind(1, calendarId).int64Column();
    if (query.failed()) return std::nullopt;
    return webIds;
}

bool execute(const char* sql, const QList<qint64>& values = {})
{
    QueryStatement statement(sql);
    return statement.bindAll(values).execute(RecordStore::deleteErrorText);
}

// The links of the category's items are marked removed (the web sync deletes
// them on the server) and the items deleted, both or neither: a savepoint
// nests inside a transaction the caller may hold. A statement that cannot
// run is logged and leaves everything as it was.
bool deleteCategoryRowsAndMarkLinks(qint64 calendarId)
{
    if (!execute("SAVEPOINT deleteCategoryItems")) return false;
    QueryStatement links(
        "UPDATE Links SET status=?, updatedDate=? WHERE rootId IN (SELECT primaryKey FROM Tasks WHERE calendarId=?) "
        "OR targetId IN (SELECT primaryKey FROM Tasks WHERE calendarId=?)");
    links.bind(1, linkStatusRemoved).bind(3, calendarId).bind(4, calendarId);
    if (links.isValid()) RecordStore::bindDate(links.get(), 2, Clock::now());
    const bool done = links.execute(RecordStore::deleteErrorText)
                      && execute("DELETE FROM Tasks WHERE calendarId=?", {calendarId});
    if (!done) execute("ROLLBACK TO deleteCategoryItems");
    execute("RELEASE deleteCategoryItems");
    return done;
}

void queueWebDeletions(const SettingPtr& setting, const QList<qint64>& webIds)
{
    if (!setting) return;
    {
        // Items may be deleted from several threads at once: the queue's
        // read and write must not interleave, or an id is lost.
        RecordGuard guard;
        QString queue = setting->zvwDeletedTasks();
        for (qint64 webId : webIds) queue += QLatin1Char(',') + QString::number(webId);
        setting->setZvwDeletedTasks(queue);
    }
    setting->dehydrate();
}

}  // namespace

// For now this only stores the item and lists it where the views show it.
// The full add command (alerts, system calendar, web push, the questions
// about repeating items) replaces this body; its callers stay as they are.
void CoreData::addNewTask()
{
    if (const TaskPtr item = modifyingTask()) item->insertAndDehydrate();
}

// ---------------------------------------------------------------------------
// Items by category and tag

TaskPtr CoreData::taskWithPrimaryKey(qint64 key) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return Task::initWithPrimaryKey(key);
}

TaskPtr CoreData::taskPrimaryKeyWithZVWKey(qint64 zvwKey) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    const TaskList items = TaskQuery::items("WHERE zvwID=?", {zvwKey});
    return items.isEmpty() ? nullptr : items.last();
}

bool CoreData::hasTaskInGlobalList(const TaskPtr& item) const
{
    const TaskList list = allTasksEventsAdes();
    return std::any_of(list.cbegin(), list.cend(),
                       [&item](const TaskPtr& entry) { return entry->primaryKey() == item->primaryKey(); });
}

bool CoreData::addTasksToListFromCalendarId(qint64 calendarId)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    const ActiveOnlyRule activeOnly(currentSetting());
    TaskList admitted;
    for (const TaskPtr& item : itemsOfCategory(calendarId))
        if (!isListedException(*item) && !activeOnly.drops(*item)) admitted.append(item);
    if (admitted.isEmpty()) return false;
    doWithAllTasksEventsAdes(admitted, 0);
    return true;
}

// One statement for all the categories; the items still enter the list
// category by category, in the order given.
void CoreData::addTasksToListFromCalendarList(const QList<qint64>& calendarIds)
{
    if (!TaskQuery::databaseReadyOrSay() || calendarIds.isEmpty()) return;
    const ActiveOnlyRule activeOnly(currentSetting());
    QHash<qint64, TaskList> byCategory;
    for (const TaskPtr& item : itemsOfCategories(calendarIds)) {
        const bool dropped = item->taskType() == taskTypeTask ? activeOnly.drops(*item) : isListedException(*item);
        if (!dropped) byCategory[item->calendarId()].append(item);
    }
    TaskList admitted;
    for (qint64 key : calendarIds) admitted.append(byCategory.value(key));
    if (!admitted.isEmpty()) doWithAllTasksEventsAdes(admitted, 0);
}

void CoreData::addTasksToList(TaskList& list, qint64 calendarId, qint64 taskType) const
{
    if (!TaskQuery::databaseReadyOrSay()) return;
    for (const TaskPtr& item : TaskQuery::items("WHERE taskType=? AND calendarId=?", {taskType, calendarId}))
        if (!isListedException(*item)) list.append(item);
}

TaskList CoreData::tasksFromCalendarId(qint64 calendarId, const QStringList& tags) const
{
    if (!TaskQuery::databaseReadyOrSay()) return {};
    const ActiveOnlyRule activeOnly(currentSetting());
    TaskList passing;
    for (const TaskPtr& item : itemsOfCategory(calendarId)) {
        if (isListedException(*item) || !passesTagTest(item->tagList(), tags) || activeOnly.drops(*item)) continue;
        passing.append(item);
    }
    return passing;
}

// A category's tags stand for its items: a matching category admits its
// items whatever their own tags.
void CoreData::addTaskToList(const TaskPtr& item, const QStringList& tags)
{
    const CalendarPtr category = calendarWithPrimaryKey(item->calendarId());
    const QString categoryTags = category ? category->tagList() : QString();
    const bool admitted = tags.isEmpty() ? categoryTags.isEmpty() && item->tagList().isEmpty()
                                         : hasAnyTag(categoryTags, tags) || hasAnyTag(item->tagList(), tags);
    if (admitted) doWithAllTasksEventsAdes(TaskList{item}, 0);
}

// The web deletions are queued only once the rows are gone: a delete that
// failed must not take the items off the server.
void CoreData::deleteAllTasksBelongCalendar(qint64 calendarId)
{
    if (!TaskQuery::databaseReadyOrSay()) return;
    std::optional<QList<qint64>> webIds;
    {
        RecordGuard guard;
        webIds = webIdsOfCategory(calendarId);
        if (!webIds || !deleteCategoryRowsAndMarkLinks(calendarId)) return;
    }
    queueWebDeletions(currentSetting(), *webIds);
    const TaskList entries = listEntriesOfCategory(allTasksEventsAdes(), calendarId);
    if (!entries.isEmpty()) doWithAllTasksEventsAdes(entries, 1);
}

// ---------------------------------------------------------------------------
// Series and item lookups

TaskPtr CoreData::getRootEventWithParentID(qint64 key) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return TaskQuery::firstItem("WHERE primaryKey=? AND taskType=? AND parentId=-1", {key, taskTypeEvent});
}

TaskPtr CoreData::getRootEventWithUID(const QString& uid) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return TaskQuery::firstItem("WHERE iCalIdentifier=? AND taskType=? AND parentId=-1", {uid, taskTypeEvent});
}

TaskPtr CoreData::getTaskWithUID(const QString& uid) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return TaskQuery::firstItem("WHERE iCalIdentifier=? AND taskType=?", {uid, taskTypeTask});
}

TaskPtr CoreData::getExceptionEventWithParentID(qint64 parentId, const Date& date) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return TaskQuery::firstItem("WHERE taskType=? AND parentId=? AND occurrence=?",
                                    {taskTypeEvent, parentId, TaskQuery::storedOccurrence(date)});
}

// An instance (negative key) and a detached occurrence stand for their root.
TaskPtr CoreData::getOriginTaskForTaskInDB(const TaskPtr& item) const
{
    if (!databaseOpen) return nullptr;
    const bool isRoot = item->primaryKey() >= 0 && item->parentId() == -1;
    return Task::initWithPrimaryKey(isRoot ? item->primaryKey() : item->parentId());
}

void CoreData::removeAllTaskRelateToPrimaryKey(qint64 key)
{
    QMutexLocker lock(&m_listMutex);
    m_allTasksEventsAdes.removeIf(
        [key](const TaskPtr& item) { return item->primaryKey() == key || item->parentId() == key; });
}

void CoreData::removeAllTasksBelongCalendar(qint64 calendarId)
{
    doWithAllTasksEventsAdes(listEntriesOfCategory(allTasksEventsAdes(), calendarId), 1);
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
