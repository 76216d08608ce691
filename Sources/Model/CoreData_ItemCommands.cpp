// The data manager's item commands: adding items, the top-task marks, done
// and delete of items, categories and tags, free time, the all-day reload and
// the wipe before a replace.
#include "CoreData.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "Clock.h"
#include "DeletedRows.h"
#include "FreeTimeSlots.h"
#include "GregorianCalendar.h"
#include "Notifications.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Tag.h"
#include "Task.h"
#include "Transaction.h"
#include "TaskListState.h"
#include "TaskQuery.h"
#include "TextTable.h"
#include "Utilities.h"
#include "iCalSync.h"
#include "ModelInternals.h"

#include <QDate>
#include <QHash>
#include <QMutexLocker>
#include <QSet>

#include <optional>
#include <vector>

namespace {

constexpr qint64 pinnedFilter = 2;
constexpr qint64 dueFilter = 4;
constexpr qint64 checklistTypeTag = 2;
constexpr qint64 checklistFilter = 1;

}  // namespace

// ---- adding items ------------------------------------------------------------------

bool CoreData::addNewTask()
{
    return addNewTask(modifyingTask());
}

bool CoreData::addNewTask(const TaskPtr& item)
{
    return addNewItem(item, true);
}

bool CoreData::addNewItem(const TaskPtr& item, bool pushToStore)
{
    if (!item) return false;
    // Looked up before the unit takes the record lock: the lookup waits for
    // a category reload under way, which needs that lock.
    const CalendarPtr category = calendarWithPrimaryKey(item->calendarId());
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    // The defaults below change the item before its row is written.
    transaction.keep(item);
    applyListDefaults(item);
    item->setHasChanges(0);
    // Logged by the record; an item that is not stored goes nowhere else.
    if (!item->insertAndDehydrate()) return false;

    if (item->taskType() == ItemKind::Task && hasDoToday() && item->hasDue() != 0
        && Utilities::compareDateNoTime(item->dueEnd(), Clock::now()) == 0 && !doToday(item))
        return false;

    const bool autoSync = isAutoZVWSyncOn();
    // The calendar-store job asks for the web push itself when it is done.
    if (pushToStore) Transaction::afterCommitOrNow([this, item, category, autoSync] {
        if (!pushNewItemToICal(item, category, autoSync) && autoSync) postAutoSyncRequest(AutoSync::items);
    });

    // A modal alert never runs while the unit holds the record lock.
    const SettingPtr setting = currentSetting();
    if (item->taskType() == ItemKind::Task && item->repeatType() != 0 && setting
        && setting->showWarningAddRepeatTask() != 0)
        Transaction::afterCommitOrNow([this, setting] { warnAboutRepeatingTask(setting); });
    return transaction.commit();
}

// The filter the user is looking at decides a few defaults, so that the new
// item shows in the list the user added it to.
void CoreData::applyListDefaults(const TaskPtr& item) const
{
    const TaskListState& list = TaskListState::current();
    if (item->taskType() == ItemKind::ChecklistItem) {
        if (list.typeViewSelectedTag() == checklistTypeTag && list.filterIndex() == checklistFilter) item->setIsPinned(1);
        return;
    }
    if (item->taskType() != ItemKind::Task) return;
    const qint64 filter = list.todayTaskFilterIndex();
    if (filter == pinnedFilter) {
        item->setIsPinned(1);
    } else if (filter == dueFilter) {
        if (item->hasDue() == 0) setCurrentDayInfo(item);
        const SettingPtr setting = currentSetting();
        const QString defaultAlert = setting ? setting->defaultTaskAlert() : QString();
        if (!defaultAlert.isEmpty()) {
            item->setHasDue(1);
            item->setAlertValues(defaultAlert);
        }
    }
}

// Whether the new item went to the calendar store. A scheduled task is not
// sent: the store keeps none, and the job would drop it without asking for
// the web push, so the item would never be pushed.
bool CoreData::pushNewItemToICal(const TaskPtr& item, const CalendarPtr& category, bool autoSync)
{
    iCalSync* sync = icalSync();
    if (!sync) return false;
    const qint64 kind = category ? category->taskOrEvent() : 0;
    if (item->taskType() == ItemKind::Event && kind != tasksOnlyCategory && !item->isSheduledTask()) {
        sync->backgroundOneWaySyncInsertToICalEvent(item, autoSync);
        return true;
    }
    if (item->taskType() == ItemKind::Task && kind != eventsOnlyCategory) {
        sync->backgroundOneWaySyncInsertToICalTask(item, autoSync);
        return true;
    }
    return false;
}

void CoreData::warnAboutRepeatingTask(const SettingPtr& setting) const
{
    AlertRequest request;
    request.style = AlertStyle::Informational;
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    request.messageText = TextTable::localizedString(QStringLiteral("addRepeatTaskWarningText"));
    request.informativeText = TextTable::localizedString(QStringLiteral("addRepeatTaskWarningMessage"));
    request.showsSuppressionButton = true;
    const AlertResponse response = AlertPresenter::current().runModal(request);
    // Saved with the next write of the settings.
    setting->setShowWarningAddRepeatTask(response.suppressed ? 0 : 1);
}

bool CoreData::addNewTaskNeedSync(bool needSync)
{
    return addNewTaskFromWeb(modifyingTask(), needSync, std::nullopt);
}

bool CoreData::addNewTaskNeedSync(bool needSync, qint64 syncTaskOrder)
{
    return addNewTaskFromWeb(modifyingTask(), needSync, syncTaskOrder);
}

bool CoreData::addNewTaskNeedSync(const TaskPtr& item, bool needSync)
{
    return addNewTaskFromWeb(item, needSync, std::nullopt);
}

bool CoreData::addNewTaskNeedSync(const TaskPtr& item, bool needSync, qint64 syncTaskOrder)
{
    return addNewTaskFromWeb(item, needSync, syncTaskOrder);
}

bool CoreData::addNewTaskFromWeb(const TaskPtr& item, bool needSync, std::optional<qint64> syncTaskOrder)
{
    if (!item) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    transaction.keep(item);
    // A downloaded occurrence names its series by the series' web key.
    if (item->parentId() >= 1 && item->zvwID() > 0) {
        const TaskPtr parent = taskPrimaryKeyWithZVWKey(item->parentId());
        item->setParentId(parent ? parent->primaryKey() : 0);
        item->setICalUID(parent ? parent->iCalUID() : QStringLiteral(""));
    }
    if (!item->insertIntoDatabaseNoUpdate()) return false;
    if (syncTaskOrder && *syncTaskOrder > 0 && item->taskType() == ItemKind::Task) item->setTaskOrder(*syncTaskOrder);
    if (!item->dehydrateUpdateOption(false)) return false;
    if (needSync && item->taskType() == ItemKind::Event && item->parentId() >= 1 && item->zvwID() > 0) {
        if (iCalSync* sync = icalSync()) {
            iCalSync::markStoreWriteDue(item);
            Transaction::afterCommitOrNow(
                [sync, item] { sync->backgroundOneWaySyncUpdateToICalEvent(item, updateThisOccurrence); });
        }
    }
    return transaction.commit();
}

TaskPtr CoreData::taskPrimaryKeyWithZVWKey(qint64 zvwKey) const
{
    if (!TaskQuery::databaseReadyOrSay()) return nullptr;
    QList<qint64> keys;
    {
        RecordGuard guard;
        QueryStatement query("SELECT primaryKey FROM Tasks WHERE zvwID=?");
        keys = query.bind(1, zvwKey).int64Column();
    }
    return keys.isEmpty() ? nullptr : Task::initWithPrimaryKey(keys.last());
}

// ---- top task of each category ----------------------------------------------------------

// What the last marking saw of each entry of the list it marked, and what
// else its marks followed. The marks stand while nothing of it changed: a
// refresh after a rename (most refreshes follow a write of a row or two)
// then costs a walk over this short record, not over the items.
struct CoreData::KeptTopMarks {
    struct Entry {
        qint64 key;
        qint64 taskType;
        qint64 calendarId;
        qint64 order;
        qint64 status;
        qsizetype index;
    };
    const void* listData = nullptr;
    qsizetype listSize = 0;
    quint64 listChanges = 0;
    quint64 rollbacks = 0;
    quint64 keyChanges = 0;
    quint64 markChanges = 0;
    RecordStore::RowWriteMark mark;
    QHash<qint64, bool> isChecklist;
    QHash<qint64, qint64> firsts;
    std::vector<Entry> entries;
};

bool CoreData::topMarksStandFor(const TaskList& items, const QHash<qint64, bool>& isChecklist,
                                const std::optional<QHash<qint64, qint64>>& firsts) const
{
    const KeptTopMarks* kept = m_keptTopMarks.get();
    if (!kept || !firsts) return false;
    // Only the working list itself is followed from change to change.
    {
        QMutexLocker lock(&m_listMutex);
        if (items.constData() != m_allTasksEventsAdes.constData() || items.size() != m_allTasksEventsAdes.size())
            return false;
    }
    if (kept->listData != items.constData() || kept->listSize != items.size()
        || kept->listChanges != m_workingListChanges || kept->rollbacks != Transaction::rollbackCount()
        || kept->keyChanges != ListedMark::keyChanges() || kept->markChanges != Task::topMarkChanges()
        || kept->isChecklist != isChecklist || kept->firsts != *firsts)
        return false;
    const std::optional<std::vector<qint64>> written = RecordStore::taskRowsWrittenSince(kept->mark);
    if (!written) return false;
    if (written->empty()) return true;
    // A row written since counts only if its item's kind, category, order or
    // state changed in the list (a rename changes none of them).
    const QSet<qint64> keys(written->cbegin(), written->cend());
    for (const KeptTopMarks::Entry& entry : kept->entries) {
        if (!keys.contains(entry.key)) continue;
        const Task& item = *items[entry.index];
        if (item.primaryKey() != entry.key || item.taskType() != entry.taskType
            || item.calendarId() != entry.calendarId || item.taskOrder() != entry.order || item.status() != entry.status)
            return false;
    }
    return true;
}

// A read that failed would unmark the category's real top task: then every
// mark goes back to what it was.
bool CoreData::updateTopTasksForList(const TaskList& items) const
{
    // Nothing of the marking is stored: the marks live on the listed items.
    // Inside a change's unit they go with it. Alone, the reads take no write
    // lock, so another program's lock (a backup, the sqlite3 shell) fails no
    // unit when a list loads; a read that fails (an exclusive lock refuses
    // reads too) fails the marking all the same.
    RecordGuard guard;
    std::optional<Transaction> transaction;
    if (Transaction::current()) {
        transaction.emplace();
        if (!transaction->isOpen()) return false;
    }
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    std::vector<std::function<void()>> undo;
    const auto finish = [&] {
        if (transaction) return transaction->commit();
        if (RecordStore::failedStepsOnThisThread() == failuresBefore) return true;
        for (auto step = undo.rbegin(); step != undo.rend(); ++step) (*step)();
        return false;
    };
    // Each category's first open task, read once for the whole list.
    const std::optional<QHash<qint64, qint64>> firsts = firstOpenTaskOrders();
    // Each category's kind; of two with one key the first decides. Items of
    // no category listed here keep their marks.
    QHash<qint64, bool> isChecklist;
    for (const CalendarPtr& category : calendarList())
        if (category && !isChecklist.contains(category->primaryKey()))
            isChecklist.insert(category->primaryKey(), category->projectType() == CategoryKind::Checklist);
    if (topMarksStandFor(items, isChecklist, firsts)) {
        if (!finish()) return false;
        m_keptTopMarks->mark = RecordStore::rowWriteMark();
        return true;
    }
    m_keptTopMarks.reset();

    const auto mark = [&](const TaskPtr& item, bool top) {
        const bool was = item->isTopGTDTask();
        if (was == top) return;
        auto back = [item, was] { item->setIsTopGTDTask(was); };
        if (transaction)
            transaction->onRollback(std::move(back));
        else
            undo.push_back(std::move(back));
        item->setIsTopGTDTask(top);
    };
    // The list is read in one walk: what the marks need of each item is
    // noted, and kept for the next marking to tell whether they stand.
    const RecordStore::RowWriteMark writes = RecordStore::rowWriteMark();
    auto kept = std::make_shared<KeptTopMarks>();
    kept->entries.reserve(std::size_t(items.size()));
    // Each category's candidate: its open task first by order, the earlier
    // listed one on a tie (as a stable sort by order would put it), found in
    // one pass instead of sorting the whole list. The same pass notes what
    // the marks need of each task, so the marking reaches into the items
    // only to change a mark (the list may hold 50,000).
    struct Seen {
        qsizetype index;
        qint64 calendarId;
        qint64 order;
        bool done;
        bool checklist;
        bool wasTop;
    };
    std::vector<Seen> tasks;
    tasks.reserve(std::size_t(items.size() / 2));
    QHash<qint64, qsizetype> candidate;
    for (qsizetype index = 0; index < items.size(); ++index) {
        const Task& item = *items[index];
        kept->entries.push_back(
            {item.primaryKey(), item.taskType(), item.calendarId(), item.taskOrder(), item.status(), index});
        if (item.taskType() != ItemKind::Task) continue;
        const auto kind = isChecklist.constFind(item.calendarId());
        if (kind == isChecklist.cend()) continue;
        const Seen seen{index, item.calendarId(), item.taskOrder(), item.status() == 1, *kind, item.isTopGTDTask()};
        tasks.push_back(seen);
        if (seen.done || seen.checklist) continue;
        const auto known = candidate.find(seen.calendarId);
        if (known == candidate.end())
            candidate.insert(seen.calendarId, index);
        else if (seen.order < items[*known]->taskOrder())
            *known = index;
    }
    // An item listed twice may have been marked at its first entry: its
    // later entry is marked again from what it is now.
    QSet<const Task*> marked;
    const auto markIfChanged = [&](const Seen& seen, bool top) {
        const TaskPtr& item = items[seen.index];
        if (top == seen.wasTop && (marked.isEmpty() || !marked.contains(item.get()))) return;
        mark(item, top);
        marked.insert(item.get());
    };
    for (const Seen& seen : tasks) {
        if (seen.done) {
            markIfChanged(seen, false);
            continue;
        }
        // A checklist category has no top task; its tasks stay unmarked.
        if (seen.checklist) continue;
        bool top = candidate.value(seen.calendarId, -1) == seen.index;
        if (top) {
            if (firsts) {
                const auto first = firsts->constFind(seen.calendarId);
                top = first != firsts->cend() && *first == seen.order;
            } else {
                top = checkIfTaskIsGTD(items[seen.index]);
            }
        }
        markIfChanged(seen, top);
    }
    if (!finish()) return false;
    // Kept only for marks that stay: inside an outer unit a rollback would
    // take them back (and count itself).
    if (firsts) {
        kept->listData = items.constData();
        kept->listSize = items.size();
        kept->listChanges = m_workingListChanges;
        kept->rollbacks = Transaction::rollbackCount();
        kept->keyChanges = ListedMark::keyChanges();
        kept->markChanges = Task::topMarkChanges();
        kept->mark = writes;
        kept->isChecklist = std::move(isChecklist);
        kept->firsts = *firsts;
        m_keptTopMarks = std::move(kept);
    }
    return true;
}

// The top task is the first open task of its category in the whole
// database, not only in the list at hand.
bool CoreData::checkIfTaskIsGTD(const TaskPtr& item) const
{
    if (!item) return false;
    if (!TaskQuery::databaseReadyOrSay()) return false;
    RecordGuard guard;
    QueryStatement query(
        "SELECT taskOrder FROM Tasks WHERE calendarId=? AND taskType=? AND status=0 ORDER BY taskOrder LIMIT 1");
    const std::optional<qint64> first = query.bindAll({item->calendarId(), ItemKind::Task}).firstInt64();
    return first == item->taskOrder();
}

// What checkIfTaskIsGTD answers for every category at once: the order of
// its first open task (as SQL sorts, a task without an order comes first and
// reads as 0). Nothing when the read failed; the caller then asks task by task.
std::optional<QHash<qint64, qint64>> CoreData::firstOpenTaskOrders() const
{
    if (!TaskQuery::databaseReadyOrSay()) return std::nullopt;
    RecordGuard guard;
    // A read of the whole table (about 10-20 ms at 50,000 items) at every
    // list reload would be most of a refresh, and a refresh mostly follows a
    // write of one or two rows. So the open tasks' categories and orders are
    // kept, and brought up to date from the rows the connection wrote since
    // (read again by key). The table is read again whole after another
    // connection committed (the data version), a unit rolled back, or
    // writes the connection did not name row by row.
    struct OpenTask {
        qint64 calendarId = 0;
        qint64 order = 0;
        bool hasOrder = false;
        bool operator==(const OpenTask&) const = default;
    };
    struct Kept {
        bool valid = false;
        quint64 rollbacks = 0;
        qint64 dataVersion = -1;
        RecordStore::RowWriteMark mark;
        QHash<qint64, OpenTask> openTasks;
        QHash<qint64, qint64> firsts;
    };
    static QMutex keptMutex;
    static Kept kept;
    const quint64 rollbacks = Transaction::rollbackCount();
    std::optional<qint64> dataVersion;
    if (QueryStatement version("PRAGMA data_version"); version.isValid()) dataVersion = version.firstInt64();
    const RecordStore::RowWriteMark mark = RecordStore::rowWriteMark();
    // Without a data version or a count of writes nothing is kept.
    const bool keepable = dataVersion && mark.countedRows >= 0;

    // Of the given categories only, when told.
    const auto firstsOf = [](const QHash<qint64, OpenTask>& openTasks, const QSet<qint64>* only = nullptr) {
        QHash<qint64, qint64> firsts;
        QSet<qint64> withoutOrder;
        for (const OpenTask& task : openTasks) {
            if (only && !only->contains(task.calendarId)) continue;
            if (!task.hasOrder) {
                withoutOrder.insert(task.calendarId);
                continue;
            }
            const auto first = firsts.find(task.calendarId);
            if (first == firsts.end())
                firsts.insert(task.calendarId, task.order);
            else if (task.order < *first)
                *first = task.order;
        }
        // A category with an open task without an order reads as 0.
        for (qint64 category : withoutOrder) firsts.insert(category, 0);
        return firsts;
    };
    const auto readOpenTask = [](sqlite3_stmt* row, OpenTask& task) {
        task.calendarId = sqlite3_column_int64(row, 0);
        task.hasOrder = sqlite3_column_type(row, 1) != SQLITE_NULL;
        task.order = task.hasOrder ? sqlite3_column_int64(row, 1) : 0;
    };

    QMutexLocker lock(&keptMutex);
    if (keepable && kept.valid && kept.rollbacks == rollbacks && kept.dataVersion == *dataVersion) {
        if (const std::optional<std::vector<qint64>> written = RecordStore::taskRowsWrittenSince(kept.mark)) {
            if (written->empty()) {
                kept.mark = mark;
                return kept.firsts;
            }
            // Changed in place: should a read fail, the whole table is read
            // at the next load.
            QueryStatement query("SELECT calendarId, taskOrder FROM Tasks WHERE primaryKey=? AND taskType=? "
                                 "AND status=0 AND calendarId IS NOT NULL");
            bool read = query.isValid();
            QSet<qint64> seen;
            // The categories whose first may have changed: a row that came,
            // went, or moved in category or order, before and after.
            QSet<qint64> touched;
            for (qint64 key : *written) {
                if (!read) break;
                if (seen.contains(key)) continue;
                seen.insert(key);
                sqlite3_reset(query.get());
                query.bindAll({key, ItemKind::Task});
                const auto before = kept.openTasks.constFind(key);
                const bool wasOpen = before != kept.openTasks.cend();
                const OpenTask was = wasOpen ? *before : OpenTask();
                if (query.nextRow()) {
                    OpenTask now;
                    readOpenTask(query.get(), now);
                    if (wasOpen && was == now) continue;
                    if (wasOpen) touched.insert(was.calendarId);
                    touched.insert(now.calendarId);
                    kept.openTasks.insert(key, now);
                } else if (query.failed()) {
                    read = false;
                } else if (wasOpen) {
                    touched.insert(was.calendarId);
                    kept.openTasks.remove(key);
                }
            }
            if (read) {
                if (!touched.isEmpty()) {
                    const QHash<qint64, qint64> firsts = firstsOf(kept.openTasks, &touched);
                    for (qint64 category : std::as_const(touched)) {
                        const auto first = firsts.constFind(category);
                        if (first == firsts.cend())
                            kept.firsts.remove(category);
                        else
                            kept.firsts.insert(category, *first);
                    }
                }
                kept.mark = mark;
                return kept.firsts;
            }
            kept.valid = false;
            return std::nullopt;
        }
    }
    // One pass over the table: through the category index SQLite would
    // look every row up on its own, four times as slow with 50,000 items.
    // (An index of open tasks would make it faster, but SQLite also picks
    // a partial index for reads whose bound values match its terms, and
    // reads without ORDER BY would then return their rows in another order.)
    kept.valid = false;
    QueryStatement query("SELECT calendarId, taskOrder, primaryKey FROM Tasks NOT INDEXED "
                         "WHERE taskType=? AND status=0 AND calendarId IS NOT NULL");
    if (!query.isValid()) return std::nullopt;
    query.bindAll({ItemKind::Task});
    QHash<qint64, OpenTask> openTasks;
    while (query.nextRow()) {
        sqlite3_stmt* row = query.get();
        readOpenTask(row, openTasks[sqlite3_column_int64(row, 2)]);
    }
    if (query.failed()) return std::nullopt;
    if (!keepable) return firstsOf(openTasks);
    kept = Kept{true, rollbacks, *dataVersion, mark, std::move(openTasks), {}};
    kept.firsts = firstsOf(kept.openTasks);
    return kept.firsts;
}

// ---------------------------------------------------------------------------
// Done and delete; category and tag deletion

namespace {

constexpr qint64 taskItem = 1;

}  // namespace

// The rows go first: a delete that failed takes nothing off the server nor
// out of the views.
bool CoreData::deleteAllTasksBelongCalendar(qint64 calendarId)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const std::optional<QList<qint64>> deleted = DeletedRows::deleteItems(
        "calendarId=?", [calendarId](QueryStatement& query) { query.bind(1, calendarId); }, DeletedRows::WebIds::Queue);
    if (!deleted) return false;
    DeletedRows::dropFromWorkingList(*this, *deleted);
    return transaction.commit();
}

bool CoreData::doMarkDoneOperatorWithTask(const TaskPtr& task, qint64 status, bool autoSyncZvw)
{
    if (!task) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    qint64 request = AutoSync::items;
    if (status == 0) {
        transaction.keep(task);
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
    if (iCalSync* sync = icalSync()) {
        // Marked in this unit: a kill before the store write leaves the next
        // start to write the tick, not to read the old copy back.
        iCalSync::markStoreWriteDue(task);
        Transaction::afterCommitOrNow([sync, task] { sync->backgroundOneWaySyncUpdateToICalTask(task, 0); });
    }
    if (autoSyncZvw && isAutoZVWSyncOn()) postAutoSyncRequest(request);
    return transaction.commit();
}

// The done row keeps its history and web id as a one-off; the series goes on
// in a new row the web service has not seen yet. Runs inside the caller's
// unit: the done row, the next one and its links go in together.
bool CoreData::completeRepeatingTask(const TaskPtr& task)
{
    Transaction::keepInCurrent(task);
    const TaskPtr next = nextDummyForRepeatingTask(task);
    if (next) {
        next->setPrimaryKey(newItemKey);
        next->setCompletedDate(Date::dateWithTimeIntervalSince1970(0));
        next->setStatus(0);
        next->setZvwID(0);
        next->setLastUpdate(0);
        next->setParentId(-1);
        setModifyingTask(next);
        if (!addNewTask(next)) return false;
    }
    task->setRepeatType(0);
    if (!task->dehydrate()) return false;
    return !next || restoreLinks(getCurrentLinks(task), next);
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
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    if (!(needSync ? item->deleteFromDatabase() : item->deleteFromDatabaseNoUpdate())) return false;
    if (needSync && !DeletedRows::queueDeletedItems({item->zvwID()})) return false;
    const bool pushToWeb = autoSyncZVW && isAutoZVWSyncOn();
    // The server drops a deleted item's links itself; with the push on its
    // way, the link rows need not wait for the web sync.
    if (pushToWeb && !deleteLinks(item)) return false;
    // Only tasks: the system calendar learns of deleted events through the
    // scope commands of repeating events and its own sync.
    iCalSync* sync = icalSync();
    if (needSync && sync && item->taskType() == taskItem) {
        // Recorded with the delete, as a category's calendar is: a kill
        // before the store's copy is gone leaves it to the next start.
        if (!iCalSync::recordStoreItemRemoval(item)) return false;
        Transaction::afterCommitOrNow([sync, item] { sync->backgroundOneWaySyncDeleteToICalTask(item, 0); });
    }
    if (pushToWeb) postAutoSyncRequest(AutoSync::items);
    return transaction.commit();
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
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const SettingPtr setting = currentSetting();
    const bool wasDefault = setting && setting->calendarDefID() == calendar->primaryKey();
    if (!deleteAllTasksBelongCalendar(calendar->primaryKey()) || !calendar->deleteFromDatabase()) return false;
    // A checklist category has no calendar in the system store.
    iCalSync* sync = icalSync();
    if (needSync && sync && !calendar->iCalUID().isEmpty() && calendar->projectType() == CategoryKind::Ordinary) {
        // Recorded with the delete: a removal a kill cuts short is finished
        // at the next start, before the store could bring the category back.
        if (!iCalSync::recordStoreCalendarRemoval(calendar->iCalUID())) return false;
        Transaction::afterCommitOrNow([sync, removed = calendar->copy()] { sync->backgroundOneWaySyncDeleteToICal(removed); });
    }
    const bool pushToWeb = autoSyncZVW && isAutoZVWSyncOn();
    if (pushToWeb) postAutoSyncRequest(AutoSync::categories | AutoSync::items);
    if (wasDefault && !chooseDefaultCategoryAfterDeleting(pushToWeb)) return false;
    return transaction.commit();
}

// New items take the default category, so it must always name a stored one.
bool CoreData::chooseDefaultCategoryAfterDeleting(bool pushToWeb)
{
    const SettingPtr setting = currentSetting();
    for (const CalendarPtr& candidate : getCalendarWithType(CategoryKind::Ordinary, calendarList(), true)) {
        if (candidate->isShared()) continue;
        setting->setCalendarDefID(candidate->primaryKey());
        if (!setting->dehydrate()) return false;
        if (pushToWeb) postAutoSyncRequest(AutoSync::settings);
        return true;
    }
    // Only hidden or shared categories are left: the general check shows a
    // hidden one or makes a new default; one of its writes that fails
    // refuses the caller's unit.
    return checkAndSetDefaultCategory();
}

bool CoreData::doDeleteTag(const TagPtr& tag, bool autoSyncZVW)
{
    if (!tag) return false;
    Transaction transaction;
    if (!transaction.isOpen() || !tag->deleteFromDatabase() || !DeletedRows::queueDeletedTags({tag->zvwKey()}))
        return false;
    removeFromTagList(tag);
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::tags);
    return transaction.commit();
}

// The web service asked for the deletion, so it is not told again. One row:
// the list changes only once it is gone.
bool CoreData::doDeleteTagFromZVW(const TagPtr& tag, bool /*autoSyncZVW*/)
{
    if (!tag || !tag->deleteFromDatabase()) return false;
    removeFromTagList(tag);
    return true;
}

void CoreData::removeFromTagList(const TagPtr& tag)
{
    keepStateForUndo();
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
    // An event without a zone groups with nothing: no need to go through
    // the list (the week grid asks once per event).
    const QString zone = getTimeZoneGMT(event->tz());
    if (zone.isEmpty()) return group;
    const Date quarter = Utilities::roundDown15MinutesForDate(startOnDay(*event));
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
// than taking the empty fields of a missing row; a row that could not be
// read gives empty fields too, so then every item goes back as it was.
bool CoreData::reloadADE()
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    TaskList allDayEvents;
    QList<qint64> keys;
    for (const TaskPtr& item : allTasksEventsAdes()) {
        if (item->taskType() != ItemKind::Event || !item->isADE() || item->primaryKey() < 0) continue;
        allDayEvents.append(item);
        keys.append(item->primaryKey());
    }
    const QSet<qint64> stored = keysWithRows(keys);
    for (const TaskPtr& item : allDayEvents) {
        if (!stored.contains(item->primaryKey())) continue;
        const TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());
        transaction.keep(item);
        item->copyContentOfTask(*row);
    }
    return transaction.commit();
}

bool CoreData::deleteDatabaseCreateDefaultCate(bool createDefault)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    // Nothing is deleted unless everything is: a wipe that stopped half-way
    // would leave the replace to download on top of what is left.
    Transaction transaction;
    if (!transaction.isOpen()) return false;
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
    const bool wiped =
        QueryStatement("DELETE FROM Tag").execute(RecordStore::deleteErrorText)
        && QueryStatement("DELETE FROM Calendars WHERE typeOfCal=?")
               .bind(1, CalCalendarTypeLocal)
               .execute(RecordStore::deleteErrorText)
        && QueryStatement("DELETE FROM Tasks" + itemCondition).bindAll(keysToKeep).execute(RecordStore::deleteErrorText)
        && QueryStatement("DELETE FROM Links").execute(RecordStore::deleteErrorText);
    if (!wiped) return false;

    if (iCalSync* store = icalSync())
        for (const CalendarPtr& stored : storeDeletes) {
            // Owed with the wipe, or the wipe is refused.
            if (!iCalSync::recordStoreCalendarRemoval(stored->iCalUID())) return false;
            Transaction::afterCommitOrNow([store, stored] { store->backgroundOneWaySyncDeleteToICal(stored); });
        }
    setTagList({});
    doWithAllTasksEventsAdes(itemsToDrop, ListAction::Remove);
    // Every category of the local type lost its row, synced or not: none may
    // stay listed, or new items would be filed under a category that is gone.
    CalendarList categoriesToDrop;
    for (const CalendarPtr& category : listed)
        if (category->typeOfCal() == CalCalendarTypeLocal) categoriesToDrop.append(category);
    doWithCalendarList(categoriesToDrop, ListAction::Remove);
    if (createDefault && !createDefaultCategoryAutoSyncZVW(false)) return false;
    return transaction.commit();
}
