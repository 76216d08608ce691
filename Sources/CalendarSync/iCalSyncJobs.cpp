#include "iCalSyncJobs.h"

#include "Calendar.h"
#include "CoreData.h"
#include "MainQueue.h"
#include "MainViewAccess.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "Setting.h"
#include "Task.h"
#include "ZVWSync.h"

#include "Transaction.h"
#include "iCalSyncJobsShared.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QUuid>

#include <algorithm>

#include <exception>

namespace {

// MainView restarts its automatic-backup countdown on it.
const QString autoBackupStartNotification = QStringLiteral("com.qrb.zvm.AutoBackupStartNotification");

// How long the sync object waits for its jobs when it goes.
constexpr double jobsEndSeconds = 30.0;

// At most this many queued jobs share one flush of their store files, so a
// steady stream of jobs still reaches the disk regularly.
constexpr int jobsPerFlush = 256;

// The store writes of the jobs run on this thread whose marks in the database
// wait for the flush of their files.
struct DoneWrites {
    QList<std::pair<qint64, qint64>> items;  // item key, count of its mark
    QList<std::pair<iCalSync::StoreRemoval, QString>> removals;  // removed calendars and items
};
thread_local DoneWrites doneWrites;
thread_local bool onStoreWorker = false;

// A snapshot of each item for a job: the job never writes into a record the
// main thread shows and edits.
TaskList snapshotsOf(const TaskList& items)
{
    TaskList snapshots;
    snapshots.reserve(items.size());
    for (const TaskPtr& item : items) snapshots << (item ? item->storeSnapshot() : nullptr);
    return snapshots;
}

}  // namespace

iCalSyncJobs::iCalSyncJobs(std::shared_ptr<CalCalendarStore> store)
    : m_iCalStore(store ? std::move(store) : CalCalendarStore::defaultCalendarStore()),
      m_eventStore(std::make_shared<EKEventStore>(m_iCalStore)),
      m_observer(std::make_unique<QObject>())
{
    observeStore();
}

iCalSyncJobs::~iCalSyncJobs()
{
    m_observer.reset();  // no new imports
    dropPendingFullSync();  // the jobs behind it would wait for good
    const bool ended = MainQueue::waitWhile([this] { return m_ownJobs.load() > 0; }, jobsEndSeconds);
    std::deque<QueuedJob> left;
    {
        std::lock_guard lock(m_workerMutex);
        m_workerStopping = true;
        if (!ended) left.swap(m_workerQueue);
    }
    m_workerWake.notify_all();
    // Jobs that never began give back their place, so nothing waits for them.
    for (const QueuedJob& queued : left) m_discipline.abandon(queued.ticket);
    if (!m_worker.joinable()) return;
    if (ended) {
        m_worker.join();
    } else {
        qWarning() << "Calendar-store jobs still run as the sync ends;" << left.size()
                   << "queued ones are dropped and the running one is left to finish alone";
        m_worker.detach();
    }
}

void iCalSyncJobs::setICalStore(std::shared_ptr<CalCalendarStore> store)
{
    m_iCalStore = std::move(store);
    m_eventStore = std::make_shared<EKEventStore>(m_iCalStore);
    NotificationCenter::defaultCenter().removeObserver(m_observer.get());
    observeStore();
}

void iCalSyncJobs::observeStore()
{
    const void* store = NotificationPayload::identityOf(m_iCalStore.get());
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(m_observer.get(), CalCalendarsChangedExternallyNotification, store,
                       [this](const Notification& n) { doSthWithCal(n); });
    center.addObserver(m_observer.get(), CalEventsChangedExternallyNotification, store,
                       [this](const Notification& n) { doSthWithEvent(n); });
    center.addObserver(m_observer.get(), CalTasksChangedExternallyNotification, store,
                       [this](const Notification& n) { doSthWithTask(n); });
}

QList<ICalJobDiscipline::Batch> iCalSyncJobs::iEventListICal() const
{
    return m_discipline.queueCopy(m_iEventListICal);
}

QList<ICalJobDiscipline::Batch> iCalSyncJobs::iTaskListICal() const
{
    return m_discipline.queueCopy(m_iTaskListICal);
}

bool iCalSyncJobs::waitForQueuedJobs(double seconds) const
{
    // The queued jobs wait for the start's full sync, which only the main
    // thread runs.
    const_cast<iCalSyncJobs*>(this)->runPendingFullSync();
    QElapsedTimer waited;
    waited.start();
    const bool onMain = MainQueue::isMainThread() && QCoreApplication::instance();
    for (;;) {
        const double left = seconds - double(waited.elapsed()) / 1000.0;
        if (!MainQueue::waitWhile([this] { return m_ownJobs.load() > 0; }, std::max(left, 0.0))) return false;
        if (!onMain) return true;
        // What the jobs handed to the main thread as they ended (links of
        // new copies, rows for the listed records) is taken in too; it may
        // queue a job again.
        QCoreApplication::sendPostedEvents();
        if (m_ownJobs.load() == 0) return true;
    }
}

QString iCalSyncJobs::newStoreCalendarUid() const
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

void iCalSyncJobs::noteWriteDone(qint64 itemKey, qint64 due)
{
    if (due > 0) doneWrites.items.append({itemKey, due});
}

void iCalSyncJobs::noteRemovalDone(iCalSync::StoreRemoval kind, const QString& uid)
{
    if (!uid.isEmpty()) doneWrites.removals.append({kind, uid});
}

void iCalSyncJobs::clearDoneWrites(bool durable)
{
    DoneWrites done;
    std::swap(done, doneWrites);
    // Not on the disk: the marks stay, and the next start writes again.
    if (!durable || (done.items.isEmpty() && done.removals.isEmpty())) return;
    Transaction unit;
    for (const auto& [key, due] : done.items) iCalSync::clearStoreWriteDue(key, due);
    for (const auto& [kind, uid] : done.removals) iCalSync::clearStoreRemoval(kind, uid);
    if (!unit.commit()) qWarning() << "Calendar store: the marks of done store writes could not be removed; the next start writes again";
}

bool iCalSyncJobs::syncEnabled()
{
    const CoreData* manager = CoreData::shared();
    return !manager || manager->bSynciCalEnable();
}

ICalJobOutcome iCalSyncJobs::work(const ICalJob& job)
{
    if (isImportJob(job.kind)) return importWork(job);
    // The caller refreshes the views after these two.
    if (job.kind == ICalJob::Kind::FullSync) {
        waitToFullSync();
        return {};
    }
    if (job.kind == ICalJob::Kind::RestoreCalendars) {
        waitToOneWaySyncRestoreToICal();
        return {};
    }
    return exportWork(job);
}

// --- the discipline ---

void iCalSyncJobs::startJob(ICalJob job, Thread thread, std::atomic<qint64>* counter,
                            QList<ICalJobDiscipline::Batch>* queue, ICalJobDiscipline::Batch batch)
{
    if (thread == Thread::Caller && ICalJobDiscipline::holdsTurnOnThisThread()) {
        work(job);  // inside the job that holds the flag, as part of its work
        return;
    }
    // Behind the start's full sync, which only this thread runs: it goes first.
    if (thread == Thread::Caller) runPendingFullSync();
    const ICalJobDiscipline::Ticket ticket = m_discipline.enter(counter, queue, std::move(batch));
    if (thread == Thread::Caller) {
        runJob(job, ticket);
        return;
    }
    {
        std::lock_guard lock(m_workerMutex);
        if (m_workerStopping) {
            qWarning() << "A calendar-store job started as the sync ends is dropped";
            m_discipline.abandon(ticket);
            return;
        }
        m_ownJobs.fetch_add(1);
        m_workerQueue.push_back({std::move(job), ticket});
        if (!m_worker.joinable()) {
            try {
                m_worker = std::thread([this] { runWorker(); });
            } catch (const std::exception& error) {
                qWarning() << "The calendar-store worker could not start:" << error.what();
                for (const QueuedJob& queued : m_workerQueue) m_discipline.abandon(queued.ticket);
                m_ownJobs.fetch_sub(int(m_workerQueue.size()));
                m_workerQueue.clear();
                return;
            }
        }
    }
    m_workerWake.notify_one();
}

void iCalSyncJobs::runWorker()
{
    onStoreWorker = true;
    iCalSync::setListRecordsOnMainThread(true);
    for (;;) {
        QueuedJob next;
        {
            std::unique_lock lock(m_workerMutex);
            m_workerWake.wait(lock, [this] { return m_workerStopping || !m_workerQueue.empty(); });
            if (m_workerQueue.empty()) return;  // stopping, nothing left
            next = std::move(m_workerQueue.front());
            m_workerQueue.pop_front();
        }
        // The jobs queued by now run one after the other, as always, with
        // their store files flushed to the disk together at the end of the
        // run instead of one by one (a burst of edits costs one flush). A job
        // that links a new store copy flushes before it stores the link.
        int ran = 0;
        {
            CalCalendarStore::WriteBatch batch(m_iCalStore);
            for (;;) {
                runJob(next.job, next.ticket);
                if (++ran >= jobsPerFlush) break;
                std::lock_guard lock(m_workerMutex);
                if (m_workerQueue.empty()) break;
                next = std::move(m_workerQueue.front());
                m_workerQueue.pop_front();
            }
            CalError error;
            const bool durable = batch.commit(&error);
            if (!durable)
                qWarning().noquote() << "Calendar store: the files of" << ran << "jobs could not all be made durable:"
                                     << error.text;
            clearDoneWrites(durable);
        }
        // Counted as done only once their files are on the disk.
        m_ownJobs.fetch_sub(ran);
    }
}

void iCalSyncJobs::runJob(const ICalJob& job, const ICalJobDiscipline::Ticket& ticket, bool servesMainThread)
{
    // The work's notices wait until the flag is back: a job that waited for
    // the main thread while holding the flag would never get it when the
    // main thread itself waits for the flag (the start-up full sync, the
    // synchronous deletes).
    NotificationCenter::HeldPosts posts;
    ICalJobOutcome outcome;
    {
        ICalJobDiscipline::Turn turn(m_discipline, ticket, servesMainThread);
        try {
            // The files of one job (a restore, a web sync's results) are
            // flushed together when it ends.
            CalCalendarStore::WriteBatch batch(m_iCalStore);
            outcome = work(job);
            CalError error;
            const bool durable = batch.commit(&error);
            if (!durable)
                qWarning().noquote() << "Calendar store: the files of a job could not all be made durable:" << error.text;
            // On the worker its batch is inside the worker's, flushed later.
            if (!onStoreWorker) clearDoneWrites(durable);
        } catch (const std::exception& error) {
            qWarning() << "A calendar-store job failed:" << error.what();
        } catch (...) {
            qWarning() << "A calendar-store job failed";
        }
        turn.release();
    }
    posts.release();
    finishJob(outcome);
}

void iCalSyncJobs::finishJob(const ICalJobOutcome& outcome)
{
    if (outcome.changedLocalItems) {
        MainViewAccess::postReloadDataIfShownInBackground();
        // A window in front is not reloaded whole under the user's hands, yet
        // its panes must not go on showing what the store no longer holds:
        // they follow the change as they follow the web sync's, by the data
        // manager's "Task changed" and the view's paced refresh.
        MainQueue::async([] {
            CoreData* manager = CoreData::shared();
            if (manager && MainViewAccess::windowIsVisible() && MainViewAccess::windowIsKey())
                NotificationCenter::defaultCenter().postNotificationName(kTaskChanged, manager);
        });
    }
    if (!outcome.autoSyncMask) return;
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    if (!outcome.autoSyncEvenWhenOff && !(setting && setting->autoZVWSync())) return;
    const qint64 mask = outcome.autoSyncMask;
    // Not waited for: the job's thread ends at once, even while the main
    // thread waits for the sync to end.
    MainQueue::async([mask] { NotificationCenter::defaultCenter().postNotificationName(kAutoSyncNotification, mask); });
}

// --- category pushes ---

void iCalSyncJobs::backgroundOneWaySyncInsertToICal(const CalendarPtr& calendar, bool andInsertToZVW)
{
    // Counted before the job exists, so an item push started next already
    // finds the category ahead of it.
    m_numOfInsertedCal.fetch_add(1);
    // The job makes the calendar of a snapshot; the link reaches the listed
    // category on the main thread.
    startJob({.kind = ICalJob::Kind::InsertCalendar, .calendar = calendar ? calendar->copy() : nullptr,
              .flag = andInsertToZVW},
             Thread::Own, &m_numOfInsertedCal);
}

void iCalSyncJobs::backgroundOneWaySyncUpdateToICal(const CalendarPtr& calendar)
{
    startJob({.kind = ICalJob::Kind::UpdateCalendar, .calendar = calendar ? calendar->copy() : nullptr}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncDeleteToICal(const CalendarPtr& calendar)
{
    startJob({.kind = ICalJob::Kind::DeleteCalendar, .calendar = calendar ? calendar->copy() : nullptr}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncInsertToICalList(const CalendarList& insertList,
                                                        const CalendarList& updateList,
                                                        const CalendarList& deleteList)
{
    m_numOfInsertedCal.fetch_add(1);
    const auto copies = [](const CalendarList& list) {
        CalendarList copied;
        for (const CalendarPtr& calendar : list) copied << (calendar ? calendar->copy() : nullptr);
        return copied;
    };
    startJob({.kind = ICalJob::Kind::CalendarLists,
              .calendarLists = {copies(insertList), copies(updateList), copies(deleteList)}},
             Thread::Own, &m_numOfInsertedCal);
}

void iCalSyncJobs::syncDeleteToIcal(const CalendarPtr& calendar)
{
    // The restore removes the old calendars at once, without the flag.
    try {
        work({.kind = ICalJob::Kind::DeleteCalendarNow, .calendar = calendar});
    } catch (const std::exception& error) {
        qWarning() << "Removing a calendar from the store failed:" << error.what();
    }
}

// --- event pushes ---

void iCalSyncJobs::backgroundOneWaySyncInsertToICalEvent(const TaskPtr& event, bool andInsertToZVW)
{
    // A task placed on the day grid is never an event of the store.
    if (!event || event->isSheduledTask()) return;
    startJob({.kind = ICalJob::Kind::InsertEvent, .items = snapshotsOf({event}), .flag = andInsertToZVW}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncInsertToICalEventRoot(const TaskPtr& root)
{
    startJob({.kind = ICalJob::Kind::InsertEventRoot, .items = snapshotsOf({root})}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncInsertToICalEventList(const TaskList& events)
{
    startJob({.kind = ICalJob::Kind::InsertEventList, .items = snapshotsOf(events)}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncInsertToICalEventList(const TaskList& insertList, const TaskList& syncUpdate)
{
    startJob({.kind = ICalJob::Kind::InsertAndUpdateEvents, .itemLists = {snapshotsOf(insertList), snapshotsOf(syncUpdate)}},
             Thread::Own);
}

void iCalSyncJobs::pushRestoredItems(const TaskList& roots, const TaskList& occurrences, const TaskList& tasks)
{
    if (!roots.isEmpty())
        startJob({.kind = ICalJob::Kind::InsertAndUpdateEvents, .itemLists = {snapshotsOf(roots), snapshotsOf(occurrences)},
                  .flag = true},
                 Thread::Own);
    if (!tasks.isEmpty()) startJob({.kind = ICalJob::Kind::InsertTaskList, .items = snapshotsOf(tasks), .flag = true}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncUpdateToICalEvent(const TaskPtr& event, qint64 updateType)
{
    // The count of the change's mark, read with the change just committed.
    startJob({.kind = ICalJob::Kind::UpdateEvent, .items = snapshotsOf({event}), .type = updateType,
              .writeDue = event ? iCalSync::storeWriteDue(event->primaryKey()) : 0},
             Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncDeleteToICalEvent(const TaskPtr& event, qint64 deleteType)
{
    // A copy: the data manager deletes the item meanwhile.
    startJob({.kind = ICalJob::Kind::DeleteEvent, .items = {event ? event->copy() : nullptr}, .type = deleteType},
             Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncSplitToICalEvent(const TaskPtr& occurrence, const TaskPtr& series)
{
    startJob({.kind = ICalJob::Kind::SplitEvent, .items = {occurrence ? occurrence->copy() : nullptr, series ? series->storeSnapshot() : nullptr}},
             Thread::Own);
}

void iCalSyncJobs::syncDeleteToICalEvent(const TaskPtr& event, qint64 type)
{
    startJob({.kind = ICalJob::Kind::SyncDeleteEvent, .items = {event}, .type = type}, Thread::Caller);
}

// --- task pushes ---

void iCalSyncJobs::backgroundOneWaySyncInsertToICalTask(const TaskPtr& task)
{
    startJob({.kind = ICalJob::Kind::InsertTask, .items = snapshotsOf({task})}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncInsertToICalTask(const TaskPtr& task, bool andInsertToZVW)
{
    startJob({.kind = ICalJob::Kind::InsertTask, .items = snapshotsOf({task}), .flag = andInsertToZVW}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncInsertToICalTaskList(const TaskList& tasks)
{
    startJob({.kind = ICalJob::Kind::InsertTaskList, .items = snapshotsOf(tasks)}, Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncUpdateToICalTask(const TaskPtr& task, qint64 updateType)
{
    startJob({.kind = ICalJob::Kind::UpdateTask, .items = snapshotsOf({task}), .type = updateType,
              .writeDue = task ? iCalSync::storeWriteDue(task->primaryKey()) : 0},
             Thread::Own);
}

void iCalSyncJobs::backgroundOneWaySyncDeleteToICalTask(const TaskPtr& task, qint64 deleteType)
{
    startJob({.kind = ICalJob::Kind::DeleteTask, .items = {task ? task->copy() : nullptr}, .type = deleteType},
             Thread::Own);
}

void iCalSyncJobs::syncDeleteToICalTask(const TaskPtr& task)
{
    startJob({.kind = ICalJob::Kind::SyncDeleteTask, .items = {task}}, Thread::Caller);
}

// --- whole passes ---

void iCalSyncJobs::backgroundOneWaySyncInsertToICalItemList(const TaskList& insertList, const TaskList& updateList,
                                                            const TaskList& deleteList)
{
    startJob({.kind = ICalJob::Kind::WebItemLists, .itemLists = {insertList, updateList, deleteList}}, Thread::Caller);
}

void iCalSyncJobs::backgroundFullSync()
{
    if (runPendingFullSync()) return;
    startJob({.kind = ICalJob::Kind::FullSync}, Thread::Caller);
}

bool iCalSyncJobs::runPendingFullSync()
{
    // The start's, in the place its lists' load kept: no job started since
    // is ahead of it, so this thread does not wait for the worker; it serves
    // what a job from before hands it meanwhile.
    if (!m_pendingFullSync || !MainQueue::isMainThread() || ICalJobDiscipline::holdsTurnOnThisThread()) return false;
    const ICalJobDiscipline::Ticket ticket = *std::exchange(m_pendingFullSync, std::nullopt);
    runJob({.kind = ICalJob::Kind::FullSync}, ticket, true);
    return true;
}

void iCalSyncJobs::dropPendingFullSync()
{
    stopSeriesReadAhead();
    if (m_pendingFullSync) m_discipline.abandon(*std::exchange(m_pendingFullSync, std::nullopt));
}

void iCalSyncJobs::backgroundRestoreCalendars()
{
    startJob({.kind = ICalJob::Kind::RestoreCalendars}, Thread::Caller);
}

// --- the observers ---

void iCalSyncJobs::startImports(const Notification& notification, QList<ICalJobDiscipline::Batch>* queue,
                                ICalJob::Kind insert, ICalJob::Kind update, ICalJob::Kind remove)
{
    const QVariantMap& info = notification.userInfo();
    const std::pair<QString, ICalJob::Kind> lists[] = {
        {CalDeletedRecordsKey, remove}, {CalInsertedRecordsKey, insert}, {CalUpdatedRecordsKey, update}};
    for (const auto& [key, kind] : lists) {
        const QStringList uids = info.value(key).toStringList();
        if (uids.isEmpty()) continue;
        std::atomic<qint64>* counter = nullptr;
        // The items of a calendar made outside wait for its import.
        if (kind == ICalJob::Kind::InsertCalendarsFromICal) {
            m_numOfInsertedICal.fetch_add(1);
            counter = &m_numOfInsertedICal;
        }
        startJob({.kind = kind, .uids = uids}, Thread::Own, counter, queue,
                 queue ? std::make_shared<const QStringList>(uids) : nullptr);
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(autoBackupStartNotification,
                                                                         static_cast<iCalSync*>(this));
}

void iCalSyncJobs::doSthWithCal(const Notification& notification)
{
    if (!syncEnabled()) return;
    startImports(notification, nullptr, ICalJob::Kind::InsertCalendarsFromICal,
                 ICalJob::Kind::UpdateCalendarsFromICal, ICalJob::Kind::DeleteCalendarsFromICal);
}

void iCalSyncJobs::doSthWithEvent(const Notification& notification)
{
    if (!syncEnabled()) return;
    startImports(notification, &m_iEventListICal, ICalJob::Kind::InsertEventsFromICal,
                 ICalJob::Kind::UpdateEventsFromICal, ICalJob::Kind::DeleteEventsFromICal);
}

void iCalSyncJobs::doSthWithTask(const Notification& notification)
{
    if (!syncEnabled()) return;
    startImports(notification, &m_iTaskListICal, ICalJob::Kind::InsertTasksFromICal,
                 ICalJob::Kind::UpdateTasksFromICal, ICalJob::Kind::DeleteTasksFromICal);
}
