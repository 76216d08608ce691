// The series store: look-ups of item and series rows, and the instances and
// next occurrences of repeating items.
#include "CoreData.h"

#include "Clock.h"
#include "InstanceKeyCounter.h"
#include "QueryStatement.h"
#include "RecordStore.h"
#include "RecurrenceExpander.h"
#include "Task.h"
#include "Transaction.h"
#include "TaskQuery.h"
#include "Utilities.h"

#include <algorithm>
#include <optional>

// ---------------------------------------------------------------------------
// Series and item lookups

TaskPtr CoreData::taskWithPrimaryKey(qint64 key) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return Task::initWithPrimaryKey(key);
}

TaskPtr CoreData::getRootEventWithParentID(qint64 key) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return TaskQuery::firstItem("WHERE primaryKey=? AND taskType=? AND parentId=-1", {key, ItemKind::Event});
}

TaskPtr CoreData::getRootEventWithUID(const QString& uid) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return TaskQuery::firstItem("WHERE iCalIdentifier=? AND taskType=? AND parentId=-1", {uid, ItemKind::Event});
}

TaskPtr CoreData::getTaskWithUID(const QString& uid) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return TaskQuery::firstItem("WHERE iCalIdentifier=? AND taskType=?", {uid, ItemKind::Task});
}

// A sync asks this once per changed occurrence: the statement stays prepared.
TaskPtr CoreData::getExceptionEventWithParentID(qint64 parentId, const Date& date) const
{
    static const QByteArray sql = Task::selectRowsSql("WHERE taskType=? AND parentId=? AND occurrence=?");
    static CachedStatement statement(sql.constData());
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    return TaskQuery::firstItem(statement, {ItemKind::Event, parentId, TaskQuery::storedOccurrence(date)});
}

// An instance (negative key) and a detached occurrence stand for their root.
TaskPtr CoreData::getOriginTaskForTaskInDB(const TaskPtr& item) const
{
    if (!databaseOpen) return nullptr;
    const bool isRoot = item->primaryKey() >= 0 && item->parentId() == -1;
    return TaskQuery::firstItem("WHERE primaryKey=?", {isRoot ? item->primaryKey() : item->parentId()});
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

// The next open copy of a repeating task moves its start with its due date,
// keeping the distance the done one had between them (none when the start
// lay after the due date), so the copy never falls due before it starts.
TaskPtr startingWithDue(TaskPtr next, const Task& done)
{
    if (!next || next->hasDue() != 1) return next;
    const double distance = std::min(0.0, done.startTime().timeIntervalSinceDate(done.dueEnd()));
    next->setStartTime(Utilities::newDateFromDate(next->dueEnd(), distance));
    return next;
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
    if (source->taskType() == ItemKind::Task) {
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
    if (root->taskType() == ItemKind::Event) {
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
        if (item->taskType() != ItemKind::Event || item->repeatType() <= 0) continue;
        const QList<Date> dates =
            RecurrenceExpander::occurrences(item->recurrenceSeries(), fromDate, getInstanceUntilDate, isForce);
        // Grown by the list itself: reserving each series' exact share would
        // copy the whole list once per series.
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
    const Date after = item->taskType() == ItemKind::Task ? item->dueEnd() : item->startTime();
    const std::optional<Date> next = RecurrenceExpander::nextOccurrence(root->recurrenceSeries(), after);
    if (!next) return nullptr;
    TaskPtr instance = newInstanceForTask(item, takeNextInstanceKey(), *next);
    // An instance asked for its successor still belongs to the root's series.
    instance->setParentId(root->primaryKey());
    return instance;
}

TaskPtr CoreData::nextDummyForRepeatingTask(const TaskPtr& item) const
{
    if (!item || item->taskType() != ItemKind::Task || item->repeatType() == 0) return nullptr;
    if (item->taskRepeatStyle() == 1) {
        TaskPtr next = nextInstanceOfRecuringTask(item);
        if (next) next->setStatus(0);
        return startingWithDue(next, *item);
    }
    const Date now = Clock::now();
    if (item->hasDue() == 0) {
        TaskPtr copy = item->copy();
        copy->setHasDue(1);
        if (item->repeatExceptions().isEmpty()) {
            // Without a due date there is no distance to keep: the start
            // stays, brought back to the new due date when later. Read now:
            // the copy's save below writes the row this record stands for.
            const Date start = item->startTime();
            copy->setDueEnd(Utilities::roundTo15MinutesForCurrentDate());
            TaskPtr next = nextDummyForRepeatingTask(copy);
            if (next) {
                next->setStatus(0);
                next->setStartTime(std::min(start, next->dueEnd()));
            }
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
    Transaction::keepInCurrent(item);
    item->setRepeatOptions(repeat.rule.options());
    // A failed write (logged) spoils the caller's unit, which then undoes the
    // new rule with everything else; there is no next task to offer.
    if (!item->dehydrate()) return nullptr;
    if (!repeat.dueEnd) return nullptr;
    TaskPtr next = newInstanceForTask(item, takeNextInstanceKey(), *repeat.dueEnd);
    next->setStatus(0);
    return startingWithDue(next, *item);
}
