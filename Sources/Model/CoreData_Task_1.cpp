// The read side of the data manager's item queries.
#include "CoreData.h"

#include "Calendar.h"
#include "DatabaseBusyGuard.h"
#include "QueryStatement.h"
#include "Setting.h"
#include "Task.h"
#include "TaskQuery.h"
#include "Utilities.h"

namespace {

constexpr qint64 taskTypeEvent = 0;
constexpr qint64 taskTypeTask = 1;
constexpr qint64 taskTypeChecklistItem = 2;
constexpr qint64 statusDone = 1;

TaskList loadItems(const QByteArray& condition, const QList<TaskQuery::Value>& values = {})
{
    if (!TaskQuery::databaseReadyOrSay()) return {};
    return TaskQuery::items(condition, values);
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
    QList<TaskQuery::Value> keys;
    for (const CalendarPtr& category : categories)
        if (category->inVisible() != 0 && category->primaryKey() != defaultKey) keys.append(category->primaryKey());
    return keys;
}

}  // namespace

qint64 CoreData::getMaxOrderOfTasks() const
{
    return queryInt64("SELECT max(taskOrder) FROM Tasks");
}

TaskList CoreData::getAllRootEvents() const
{
    return loadItems("WHERE taskType=? AND parentId=-1", {taskTypeEvent});
}

TaskList CoreData::getAllTasks() const
{
    return loadItems("WHERE taskType=? AND parentId=-1", {taskTypeTask});
}

TaskList CoreData::getAllTasksEventsAdes() const
{
    return loadItems("WHERE taskType!=?", {taskTypeChecklistItem});
}

TaskList CoreData::getAllTasksInDB() const
{
    return loadItems("ORDER BY primaryKey");
}

// An item whose category row is missing is nobody's: it is left out as well.
TaskList CoreData::getAllPersonalTasksInDB() const
{
    return loadItems("WHERE calendarId IN (SELECT primaryKey FROM Calendars WHERE hasShared=?) ORDER BY primaryKey",
                     {qint64(0)});
}

TaskList CoreData::getAllDetachedEventWithParentID(qint64 parentId) const
{
    return loadItems("WHERE taskType=? AND parentId=?", {taskTypeEvent, parentId});
}

TaskList CoreData::getAllFutureTasks() const
{
    const SettingPtr setting = currentSetting();
    const QList<TaskQuery::Value> hidden =
        hiddenCategoryKeys(calendarList(), setting ? setting->calendarDefID() : 0);
    const double threshold = Utilities::toDBDate(Utilities::newDateOnDate(today(), 23, 59)).timeIntervalSince1970();
    QByteArray condition = "WHERE taskType=? AND parentId=-1 AND startTime > ?";
    if (!hidden.isEmpty()) condition += " AND calendarId NOT IN (" + TaskQuery::placeholders(hidden.size()) + ")";
    return loadItems(condition, QList<TaskQuery::Value>{taskTypeTask, threshold} + hidden);
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
                 {taskTypeChecklistItem, calendar->primaryKey()});
}

qint64 CoreData::countDoneCheckInCalendar(const CalendarPtr& calendar) const
{
    return count("SELECT count(*) FROM Tasks WHERE taskType=? AND calendarId=? AND status=?",
                 {taskTypeChecklistItem, calendar->primaryKey(), statusDone});
}

bool CoreData::hasExceptionEvent(const TaskPtr& event, const Date& beforeDate) const
{
    return count("SELECT count(*) FROM Tasks WHERE taskType=? AND parentId=? AND occurrence<=?",
                 {taskTypeEvent, event->primaryKey(), TaskQuery::storedOccurrence(beforeDate)})
           > 0;
}
