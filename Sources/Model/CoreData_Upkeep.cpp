// Upkeep of the data manager's lists and rows: the tasks that come back when
// the active-only mode ends, the turn of checklist categories into notes, link
// web keys, comment status and the purge of shared data at sign-out.
#include "CoreData.h"

#include "Calendar.h"
#include "Clock.h"
#include "Notifications.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TaskQuery.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSync.h"

#include <QMutexLocker>

namespace {

constexpr qint64 doneStatus = 1;

const QChar checkMark(0x2705);  // white heavy check mark
const QChar crossMark(0x274E);  // negative squared cross mark

TaskList tasksOf(const TaskList& items)
{
    TaskList tasks;
    for (const TaskPtr& item : items)
        if (item->taskType() == ItemKind::Task) tasks.append(item);
    return tasks;
}

QList<qint64> visibleCategoryKeys(const CalendarList& categories)
{
    QList<qint64> keys;
    for (const CalendarPtr& category : categories)
        if (category->inVisible() == 0) keys.append(category->primaryKey());
    return keys;
}

// A row whose own occurrence is listed among its exceptions stands for an
// occurrence that was changed or deleted.
bool isExceptedRow(const Task& item)
{
    return !item.repeatExceptions().isEmpty() && item.isExceptedOccurrence(item.occurrence());
}

// What a checklist becomes: its lines with their marks, and its items' tags.
struct ChecklistNote {
    QString text;
    QStringList tags;
};

// Each tag once, in the order first met. The fields between the "/" of a
// tag list are the names; the text before the first "/" is not one.
void addTagsOf(const Task& item, QStringList& tags)
{
    const QStringList fields = item.tagList().split(QLatin1Char('/'));
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const QString tag = fields[i].trimmed();
        if (!tag.isEmpty() && !tags.contains(tag)) tags.append(tag);
    }
}

ChecklistNote checklistNote(const QString& name, const TaskList& items)
{
    ChecklistNote note;
    note.text = name + QLatin1Char('\n');
    for (const TaskPtr& item : items) {
        const QChar mark = item->status() == doneStatus ? checkMark : crossMark;
        note.text += mark + QLatin1Char(' ') + item->taskName() + QLatin1Char('\n');
        addTagsOf(*item, note.tags);
    }
    note.text.chop(1);
    return note;
}

QString tagListText(const QStringList& tags)
{
    QString text;
    for (const QString& tag : tags) text += QLatin1Char('/') + tag;
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// All tasks back once the active-only mode ends

// A read that fails spoils the unit: the list never shows half the tasks.
bool CoreData::addActiveTask()
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    doWithAllTasksEventsAdes(tasksOf(allTasksEventsAdes()), ListAction::Remove);
    addActiveTasksToListFromCalendarList(visibleCategoryKeys(calendarList()));
    return transaction.commit();
}

void CoreData::addActiveTasksToListFromCalendarList(const QList<qint64>& keys)
{
    if (!TaskQuery::databaseReadyOrSay()) return;
    const QStringList shownTags = getShowTag();
    const bool tagFilterOn = isAppliedTagFilter();
    TaskList taken;
    for (const qint64 key : keys) {
        const CalendarPtr category = calendarWithPrimaryKey(key);
        const QString categoryTags = category ? category->tagList() : QString();
        for (const TaskPtr& task : TaskQuery::items("WHERE calendarId=? AND taskType=?", {key, ItemKind::Task})) {
            if (isExceptedRow(*task)) continue;
            if (tagFilterOn && !passesTagFilter(categoryTags, task->tagList(), shownTags)) continue;
            taken.append(task);
        }
    }
    // The callers refresh the views and the alarms once they are done.
    QMutexLocker lock(&m_listMutex);
    appendToWorkingList(taken);
}

// ---------------------------------------------------------------------------
// Checklist categories become ordinary categories with one note

// Each category is turned whole or not at all; one that fails stays a
// checklist, which the next start tries again, and the others go on.
bool CoreData::migrateFromCheckListToNote()
{
    bool allTurned = true;
    for (const CalendarPtr& category : calendarList())
        if (category->projectType() == CategoryKind::Checklist && !migrateChecklistCategory(category)) allTurned = false;
    return allTurned;
}

bool CoreData::migrateChecklistCategory(const CalendarPtr& category)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    TaskList items;
    addTasksToList(items, category->primaryKey(), ItemKind::ChecklistItem);
    // Another organizer turned this checklist already and the service keeps
    // its kind: that organizer's note came down into the checklist. It is the
    // note of the turn here too, not a second one to make.
    TaskPtr turnedElsewhere;
    if (category->zvwProjectId() > 0) {
        TaskList notes;
        addTasksToList(notes, category->primaryKey(), ItemKind::Note);
        for (const TaskPtr& item : notes)
            if (item->zvwID() > 0 && item->taskName() == category->calendarName()) {
                turnedElsewhere = item;
                break;
            }
    }
    const ChecklistNote content = checklistNote(category->calendarName(), items);

    // An item put into a checklist category becomes a checklist item; the
    // note must find the category ordinary already.
    transaction.keep(category);
    category->setProjectType(CategoryKind::Ordinary);
    // A checklist that came from the web service stays that category there:
    // it goes up as changed (an ordinary category now), its items leave the
    // service and the note goes up as new. Made anew, it would come down
    // again as a checklist and be turned again at the next start.
    if (category->zvwProjectId() > 0) category->setHasChanges(1);

    if (turnedElsewhere) {
        transaction.keep(turnedElsewhere);
        turnedElsewhere->setTaskType(ItemKind::Note);
        turnedElsewhere->setIsInitialTask(1);
        // Items added here since keep their lines.
        if (!items.isEmpty()) turnedElsewhere->setNotes(turnedElsewhere->notes() + QLatin1Char('\n') + content.text.section(QLatin1Char('\n'), 1));
        if (!turnedElsewhere->dehydrate()) return false;
    }
    auto note = std::make_shared<Task>();
    note->setTaskType(ItemKind::Note);
    note->setBuiltIn(0);
    note->setIsInitialTask(1);
    note->setTaskName(category->calendarName());
    note->setCalendarId(category->primaryKey());
    note->setNotes(content.text);
    note->setTagList(tagListText(content.tags));
    if (!turnedElsewhere && (!addNewTask(note) || note->primaryKey() < 1 || note->dirty())) {
        qCritical("Error: the checklist '%s' could not be turned into a note.", qUtf8Printable(category->calendarName()));
        return false;
    }
    const SettingPtr setting = currentSetting();
    QString pendingDeletions = setting ? setting->zvwDeletedTasks() : QString();
    for (const TaskPtr& item : items) {
        if (!item->deleteFromDatabaseNoUpdate()) return false;
        if (item->zvwID() > 0) pendingDeletions += QStringLiteral(",%1").arg(item->zvwID());
    }
    if (!category->dehydrate()) return false;
    if (setting && pendingDeletions != setting->zvwDeletedTasks()) {
        transaction.keep(setting);
        setting->setZvwDeletedTasks(pendingDeletions);
        if (!setting->dehydrate()) return false;
    }

    if (iCalSync* sync = icalSync(); sync && setting && setting->autoICalSync() != 0)
        Transaction::afterCommitOrNow([sync, category] { sync->backgroundOneWaySyncUpdateToICal(category); });
    if (setting && setting->autoZVWSync() == 1) postAutoSyncRequest(AutoSync::categories | AutoSync::settings);
    return transaction.commit();
}

// ---------------------------------------------------------------------------
// Links and comments

bool CoreData::resetZVWIdOfLinksForItem(const TaskPtr& item)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    // An occurrence that is not stored is linked through its root.
    const qint64 key = item->primaryKey() < 0 ? item->parentId() : item->primaryKey();
    RecordGuard guard;
    QueryStatement update("UPDATE Links SET zvwKey=0, updatedDate=? WHERE rootId=? OR targetId=?",
                          QueryStatement::PrepareFailure::Fatal);
    RecordStore::bindDate(update.get(), 1, Clock::now());
    update.bind(2, key).bind(3, key);
    return update.execute(RecordStore::dehydrateErrorText);
}

bool CoreData::markCommentsStatus(qint64 status, qint64 applyFor, qint64 type)
{
    if (!databaseOpen) return false;
    RecordGuard guard;
    QueryStatement update("UPDATE Comments SET status=? WHERE itemId=? AND cmtType=?");
    update.bindAll({status, applyFor, type});
    return update.execute(RecordStore::dehydrateErrorText);
}

// ---------------------------------------------------------------------------
// Sign-out

// The rows and the reloaded lists go together: a reload that fails to read
// must not show an empty category list over rows that are still there.
bool CoreData::removeAllSharedDataInLocal()
{
    if (!databaseOpen) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const char* sql :
         {"DELETE FROM Comments", "DELETE FROM Tasks WHERE isShared=1", "DELETE FROM Calendars WHERE extraStatus=1"}) {
        QueryStatement purge(sql);
        if (!purge.execute(RecordStore::deleteErrorText)) return false;
    }
    setCalendarReloadInProgress(true);
    doWithCalendarList(getCalendarList(), ListAction::Replace);
    setCalendarReloadInProgress(false);
    doWithAllTasksEventsAdes(std::nullopt, ListAction::Remove);
    addTasksToListFromCalendarList(visibleCategoryKeys(calendarList()));
    return transaction.commit();
}
