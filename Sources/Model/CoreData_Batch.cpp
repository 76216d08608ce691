// Row commands over a selection of items, the purge of suspected duplicates,
// the share and delegation states the web service reports, and the hand-over
// of the quick-add preview note to the working list.
#include "CoreData.h"

#include "Calendar.h"
#include "GlobalQueue.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSync.h"
#include "ModelInternals.h"

#include <QMutexLocker>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

namespace {

// Inside the caller's unit: a failed write leaves every item as it was.
bool setPinned(const TaskList& items, qint64 pinned)
{
    for (const TaskPtr& item : items) {
        Transaction::keepInCurrent(item);
        item->setIsPinned(pinned);
        if (!item->dehydrateUpdateOption(false)) return false;
    }
    return true;
}

qint64 wholeSeconds(const Date& date)
{
    return qint64(std::floor(date.timeIntervalSince1970()));
}

// Items look the same when they have the same name (letter case counts),
// kind and category, and, for tasks, checklists and notes, the same status
// and the same whole text (a name is only the first line of a note: two
// notes that begin alike may say different things), or, for events, the
// same start and end to the second. The first item of a group is the one to
// keep; every later one is a duplicate of it.
using DuplicateKey = std::tuple<QString, qint64, qint64, qint64, qint64, qint64, QString>;

DuplicateKey duplicateKeyOf(const Task& item)
{
    if (item.taskType() == ItemKind::Event)
        return {item.taskName(), item.taskType(), item.calendarId(), 0, wholeSeconds(item.startTime()),
                wholeSeconds(item.endTime()), QString()};
    return {item.taskName(), item.taskType(), item.calendarId(), item.status(), 0, 0, item.notes()};
}

// Stored roots and plain items, grouped in key order: detached occurrences
// belong to their series and never count on their own. No answer when the
// purge was cancelled while grouping.
std::optional<QList<TaskList>> groupsOfLookAlikes(const TaskList& items, const std::function<bool()>& cancelled)
{
    std::map<DuplicateKey, qsizetype> groupIndex;
    QList<TaskList> groups;
    for (const TaskPtr& item : items) {
        if (cancelled()) return std::nullopt;
        if (item->primaryKey() < 0 || item->parentId() != -1) continue;
        const auto [entry, isNew] = groupIndex.try_emplace(duplicateKeyOf(*item), groups.size());
        if (isNew) groups.append(TaskList{});
        groups[entry->second].append(item);
    }
    return groups;
}

// The deletes mark the links of every removed row removed, so the web sync
// tells the server. One group goes whole or not at all.
bool deleteDuplicates(CoreData& dataManager, const TaskList& duplicates)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const TaskPtr& duplicate : duplicates) {
        const bool deleted = duplicate->taskType() == ItemKind::Event
                                 ? dataManager.doDeleteAllOperatorWithEvent(duplicate, false) != nullptr
                                 : dataManager.doDeleteTask(duplicate, false);
        if (!deleted) return false;
    }
    return transaction.commit();
}

bool hasStoredRow(qint64 key)
{
    if (!databaseOpen) return false;
    RecordGuard guard;
    QueryStatement query("SELECT primaryKey FROM Tasks WHERE primaryKey=?");
    query.bind(1, key);
    return query.firstInt64().has_value();
}

}  // namespace

// ---- row commands over a selection ---------------------------------------------------

void CoreData::announceBatchChange(qint64 autoSyncBits, bool autoSyncZVW)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, this);
    if (autoSyncZVW) postAutoSyncRequest(autoSyncBits);
}

bool CoreData::doDeleteTasks(const TaskList& items, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const bool pushToWeb = autoSyncZVW && isAutoZVWSyncOn();
    for (const TaskPtr& item : items) {
        // Another user's item is theirs to delete.
        if (item->isShared()) continue;
        if (pushToWeb && !deleteLinks(item)) return false;
        // The single delete tells the system calendar about tasks only; an
        // event left in the store would come back with its next import.
        if (item->taskType() == ItemKind::Event)
            if (iCalSync* sync = icalSync()) {
                // A changed occurrence carries its series' uid: the series stays.
                if (item->parentId() == -1 && !iCalSync::recordStoreItemRemoval(item)) return false;
                Transaction::afterCommitOrNow([sync, item] { sync->backgroundOneWaySyncDeleteToICalEvent(item, 0); });
            }
        if (!doDeleteTask(item, true, false)) return false;
    }
    if (const SettingPtr setting = currentSetting(); setting && !setting->dehydrate()) return false;
    if (pushToWeb) postAutoSyncRequest(AutoSync::items);
    return transaction.commit();
}

bool CoreData::doDuplicateTasks(const TaskList& items, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    TaskList events;
    TaskList tasks;
    for (const TaskPtr& item : items) {
        // A new root of its own, unknown to the web service and the store.
        const TaskPtr copy = item->copy();
        copy->setParentId(-1);
        copy->setZvwID(0);
        copy->setICalUID(QStringLiteral(""));
        copy->setLastUpdate(0);
        copy->setRepeatStartDate(copy->startTime());
        if (!copy->insertAndDehydrate()) return false;
        // Scheduled tasks live on the day grid only, never in the store.
        if (copy->taskType() == ItemKind::Event && !copy->isSheduledTask()) events.append(copy);
        if (copy->taskType() == ItemKind::Task) tasks.append(copy);
    }
    if (iCalSync* sync = icalSync()) {
        Transaction::afterCommitOrNow([sync, events, tasks] {
            if (!events.isEmpty()) sync->backgroundOneWaySyncInsertToICalEventList(events);
            if (!tasks.isEmpty()) sync->backgroundOneWaySyncInsertToICalTaskList(tasks);
        });
    }
    if (autoSyncZVW) postAutoSyncRequest(AutoSync::items);
    return transaction.commit();
}

bool CoreData::doMarkStarTasks(const TaskList& items, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen() || !setPinned(items, 1)) return false;
    announceBatchChange(AutoSync::items, autoSyncZVW);
    return transaction.commit();
}

bool CoreData::doMarkUnStarTasks(const TaskList& items, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen() || !setPinned(items, 0)) return false;
    announceBatchChange(AutoSync::items, autoSyncZVW);
    return transaction.commit();
}

bool CoreData::doMarkDoneTasks(const TaskList& items, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const TaskPtr& item : items) {
        if (item->taskType() == ItemKind::Event) {
            // A scheduled task is completed as a done task of its own row; a
            // plain event has nothing to complete. A scheduled task that the
            // scopes cannot take (never stored) is passed over; a write of
            // its completion that fails spoils the unit, and the commit says so.
            if (item->isSheduledTask()) static_cast<void>(markSTaskDone(item, false));
            continue;
        }
        transaction.keep(item);
        item->setStatus(1);
        item->setCompletedDate(Utilities::getCompleteDate());
        if (!doMarkDoneOperatorWithTask(item, 1, false)) return false;
    }
    // A repeating task hands its links to the task that follows it.
    announceBatchChange(AutoSync::items | AutoSync::links, autoSyncZVW);
    return transaction.commit();
}

bool CoreData::doMarkUnDoneTasks(const TaskList& items, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const TaskPtr& item : items) {
        transaction.keep(item);
        item->setStatus(0);
        item->setCompletedDate(zeroDate);
        if (!doMarkDoneOperatorWithTask(item, 0, false)) return false;
    }
    announceBatchChange(AutoSync::items, autoSyncZVW);
    return transaction.commit();
}

// ---- the purge of suspected duplicates ---------------------------------------------------

// The handle of a purge started in the background. The job reaches the main
// thread through it, never through MainQueue::sync: the data manager goes away
// on the main thread and waits there for the job, which must then not be
// waiting for the main thread in turn.
class CoreData::PurgeJob : public std::enable_shared_from_this<PurgeJob> {
public:
    bool isStopped() const
    {
        std::lock_guard lock(m_mutex);
        return m_stopped;
    }
    bool isFinished() const
    {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }

    // Main thread: no step starts after this, and it returns once the job
    // has left the data manager.
    void stopAndWait()
    {
        std::vector<std::function<void()>> undelivered;
        {
            std::unique_lock lock(m_mutex);
            m_stopped = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_finished; });
            undelivered.swap(m_undelivered);
        }
        for (const std::function<void()>& post : undelivered) post();
    }

    // What a committed unit posted when the job was stopped before it could
    // be delivered; the main thread delivers it once the job has left.
    void keepUndelivered(std::vector<std::function<void()>> posts)
    {
        std::lock_guard lock(m_mutex);
        for (std::function<void()>& post : posts) m_undelivered.push_back(std::move(post));
    }

    void finish()
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }

    // Runs the step on the main thread and waits for it; false when the job
    // was stopped first. A step still queued when the job stops does nothing
    // when its turn comes, so it never touches a data manager that is gone.
    bool runOnMainThread(const std::function<void()>& step)
    {
        if (MainQueue::isMainThread()) {
            if (isStopped()) return false;
            step();
            return true;
        }
        auto ran = std::make_shared<bool>(false);  // guarded by m_mutex
        {
            std::lock_guard lock(m_mutex);
            if (m_stopped) return false;
        }
        MainQueue::async([self = shared_from_this(), ran, step] {
            {
                std::lock_guard lock(self->m_mutex);
                if (self->m_stopped) return;
                self->m_stepRunning = true;
            }
            step();
            std::lock_guard lock(self->m_mutex);
            self->m_stepRunning = false;
            *ran = true;
            self->m_changed.notify_all();
        });
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return *ran || (m_stopped && !m_stepRunning); });
        return *ran;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopped = false;
    bool m_finished = false;
    bool m_stepRunning = false;
    std::vector<std::function<void()>> m_undelivered;
};

bool CoreData::deleteSuspectedDuplicatedTasks(bool autoSyncZVW)
{
    return purgeSuspectedDuplicates(autoSyncZVW, nullptr);
}

bool CoreData::purgeSuspectedDuplicates(bool autoSyncZVW, PurgeJob* job)
{
    const auto cancelled = [this, job] {
        if (job && job->isStopped()) return true;
        const SettingPtr setting = currentSetting();
        return setting && setting->isCancellingRemoving();
    };
    // A read that fails answers no rows: the purge must not report that it
    // found nothing to delete.
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    const TaskList stored = getAllTasksInDB();
    if (RecordStore::failedStepsOnThisThread() != failuresBefore) return false;
    const std::optional<QList<TaskList>> groups = groupsOfLookAlikes(stored, cancelled);
    if (!groups) return false;
    if (job) return purgeGroupsInBackground(*groups, autoSyncZVW, *job, cancelled);
    for (const TaskList& group : *groups) {
        if (group.size() < 2) continue;
        bool stopped = true;
        // The cancel button sets the flag on the main thread, so tested here
        // no group starts after it was pressed, and a group once started is
        // deleted whole. A group that cannot be deleted ends the purge: the
        // groups before it stay deleted.
        MainQueue::sync([&] { stopped = cancelled() || !deleteDuplicates(*this, group.mid(1)); });
        if (stopped) return false;
    }
    if (autoSyncZVW && isAutoZVWSyncOn()) MainQueue::sync([this] { postAutoSyncRequest(AutoSync::items); });
    return true;
}

// Each group's unit, its disk flush included, runs on the job's thread, so
// the main thread is never held for a whole group. One step on the main
// thread before each group delivers what the group before posted (the
// notifications and follow-ups its unit held until it committed) and tests
// the cancel: the button sets the flag there, so no group starts after it
// was pressed, nor before the user has been told of the group before. The
// posts are taken, not delivered, on the job's thread: a blocking post would
// wait on a main thread that may be waiting for the job.
bool CoreData::purgeGroupsInBackground(const QList<TaskList>& groups, bool autoSyncZVW, PurgeJob& job,
                                       const std::function<bool()>& cancelled)
{
    std::vector<std::function<void()>> posts;
    const auto deliverThen = [&](const std::function<void()>& next) {
        const bool ran = job.runOnMainThread([&] {
            for (const std::function<void()>& post : posts) post();
            posts.clear();
            next();
        });
        // The data manager is going away: it delivers them itself, so what
        // a committed unit changed is always told.
        if (!ran) job.keepUndelivered(std::move(posts));
        return ran;
    };
    for (const TaskList& group : groups) {
        if (group.size() < 2) continue;
        bool stopped = true;
        if (!deliverThen([&] { stopped = cancelled(); }) || stopped) return false;
        NotificationCenter::HeldPosts hold;
        const bool deleted = deleteDuplicates(*this, group.mid(1));
        posts = hold.take();  // none when the unit was rolled back
        if (!deleted) return false;
    }
    return deliverThen([&] {
        if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items);
    });
}

void CoreData::deleteSuspectedDuplicatedTasksInBackground(bool autoSyncZVW, std::function<void(bool)> onFinished)
{
    auto job = std::make_shared<PurgeJob>();
    {
        QMutexLocker lock(&m_purgeMutex);
        m_purgeJobs.removeIf([](const std::shared_ptr<PurgeJob>& done) { return done->isFinished(); });
        m_purgeJobs.append(job);
    }
    GlobalQueue::async([this, job, autoSyncZVW, onFinished = std::move(onFinished)] {
        const bool finished = !job->isStopped() && purgeSuspectedDuplicates(autoSyncZVW, job.get());
        if (onFinished)
            MainQueue::async([job, onFinished, finished] {
                if (!job->isStopped()) onFinished(finished);
            });
        job->finish();
    });
}

void CoreData::stopPurgeJobs()
{
    QList<std::shared_ptr<PurgeJob>> jobs;
    {
        QMutexLocker lock(&m_purgeMutex);
        jobs.swap(m_purgeJobs);
    }
    for (const std::shared_ptr<PurgeJob>& job : jobs) job->stopAndWait();
}

// ---- states reported by the web service ----------------------------------------------------

bool CoreData::updateDelegatedTaskStatus(const TaskPtr& task, qint32 taskRole)
{
    // The role the web sync passes when the answer gives this user no
    // permission on the task any more.
    constexpr qint32 roleWithoutPermission = 4;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    if (task->delegateStatus() == 2) {
        if (taskRole == roleWithoutPermission) {
            // The task is gone for this user: nothing to tell the server or
            // the system calendar.
            if (!doDeleteTask(task, false, false)) return false;
        } else {
            transaction.keep(task);
            task->setAssigneeEmail(QStringLiteral(""));
            task->setDelegateDate(Date());
            task->setDelegateStatus(0);
            if (!task->dehydrate()) return false;
        }
    } else if (task->delegateStatus() == 1) {
        if (!task->dehydrate()) return false;
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, task);
    return transaction.commit();
}

bool CoreData::updateShareProjectStatus(const CalendarPtr& category)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    if (category->sharedStatus() == 2) {
        if (!doDeleteCalendar(category)) return false;
    } else if (category->sharedStatus() == 1) {
        if (!category->dehydrate()) return false;
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kShareItemChangedStatusNotification, category);
    return transaction.commit();
}

// ---- the quick-add preview note ---------------------------------------------------------------

TaskPtr CoreData::quickAddItemInPreview() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_quickAddItemInPreview;
}

void CoreData::setQuickAddItemInPreview(const TaskPtr& item)
{
    keepStateForUndo();
    QMutexLocker lock(&m_objectMutex);
    m_quickAddItemInPreview = item;
}

bool CoreData::pushAddedItemInPreviewToAdesIfNeed()
{
    // Most calls find no preview: they open no unit.
    if (!quickAddItemInPreview()) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    keepStateForUndo();
    TaskPtr preview;
    {
        QMutexLocker lock(&m_objectMutex);
        preview = std::exchange(m_quickAddItemInPreview, nullptr);
    }
    if (!preview) return false;
    const qint64 key = preview->primaryKey();
    // The note may have been deleted from its link list, or listed by a
    // reload, since it was saved.
    const TaskList listed = allTasksEventsAdes();
    const bool isListed =
        std::any_of(listed.cbegin(), listed.cend(), [key](const TaskPtr& item) { return item->primaryKey() == key; });
    if (isListed || !hasStoredRow(key)) {
        // Nothing to list, and the note is forgotten all the same; a read
        // that failed undoes that too, and the answer is false either way.
        static_cast<void>(transaction.commit());
        return false;
    }
    // A row that cannot be read spoils the unit: no blank item is listed.
    doWithAllTasksEventsAdes(TaskList{Task::initWithPrimaryKey(key)}, ListAction::Add);
    return transaction.commit();
}
