// The read side of the data manager's item queries.
#include "CoreData.h"

#include "NotificationObject.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Task.h"
#include "Utilities.h"
#include "ZVComment.h"

qint64 CoreData::getMaxOrderOfTasks() const
{
    return queryInt64("SELECT max(taskOrder) FROM Tasks");
}

// ---------------------------------------------------------------------------
// Comment, notification and link queries

namespace {

constexpr qint64 unreadCommentStatus = 0;
constexpr qint64 commentOnItem = 0;
constexpr qint64 commentOnCategory = 1;
constexpr qint64 activeLinkStatus = 0;
constexpr qint64 eventItemType = 0;
constexpr qint64 taskItemType = 1;

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

// WIRE AT MERGE: stand-in for CoreData::checkIfTaskIsGTD (the top-task test
// of the add command), which is not on main yet. Replace the one call in
// getCurrentLinks with checkIfTaskIsGTD(other) and delete this function.
bool checkIfTaskIsGTDStandIn(const Task& task)
{
    RecordGuard guard;
    QueryStatement query(
        "SELECT taskOrder FROM Tasks WHERE calendarId=? AND taskType=? AND status=0 ORDER BY taskOrder LIMIT 1");
    query.bindAll({task.calendarId(), taskItemType});
    const std::optional<qint64> topOrder = query.firstInt64();
    return topOrder && *topOrder == task.taskOrder();
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
    if (linked->taskType() != eventItemType || linked->repeatType() == 0
        || !(linked->occurrence() > linked->startTime()))
        return linked;
    if (Task::readRepeatOptions(linked->repeatOptions()).flag != 0) {
        TaskList instances;
        dataManager.fillRepeatEventInstances({linked}, instances, linked->startTime(), linked->occurrence());
        if (!instances.isEmpty()) return instances.first();
    }
    return dataManager.nextInstanceOfRecuringTask(linked);
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
        other->setIsTopGTDTask(other->taskType() == taskItemType && checkIfTaskIsGTDStandIn(*other));
        if (const TaskPtr shown = currentOccurrenceOfLinkedItem(*this, other)) linked.append(shown);
    }
    return linked;
}
