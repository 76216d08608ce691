// The replace of the web service's data with the local data: a run on a
// thread of its own, driven by 0.1 s ticks, that waits for the token and
// then wipes and uploads kind by kind.
#include "ZVWSync.h"

#include "Calendar.h"
#include "CoreData.h"
#include "MainQueue.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "QTimerScheduler.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Tag.h"
#include "Task.h"
#include "TextTable.h"
#include "Transaction.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>

namespace {

constexpr double tickInterval = 0.1;

// A repeating tick whose action runs on the thread of `context` (the
// caller's). The real scheduler's timers fire on the main thread, which must
// never hold up a run, so there the tick is a timer of the run's own loop;
// an installed scheduler (the tests') drives it and the tick is handed over.
ScheduledTimer scheduleTick(QObject* context, const std::function<void(ScheduledTimer)>& action)
{
    if (dynamic_cast<QTimerScheduler*>(&Scheduler::current())) {
        ScheduledTimer handle = ScheduledTimer::create();
        auto* timer = new QTimer(context);
        timer->setInterval(int(tickInterval * 1000));
        QObject::connect(timer, &QTimer::timeout, timer, [timer, handle, action] {
            if (!handle.isValid()) {
                timer->stop();
                timer->deleteLater();
                return;
            }
            action(handle);
        });
        timer->start();
        return handle;
    }
    auto handle = std::make_shared<ScheduledTimer>();
    *handle = Scheduler::current().scheduleTimer(tickInterval, true, [context, handle, action] {
        QMetaObject::invokeMethod(
            context,
            [handle, action] {
                if (handle->isValid()) action(*handle);
            },
            Qt::QueuedConnection);
    });
    return *handle;
}

// Whether the service answered for a record: it holds the id the upload gave.
qsizetype countUnanswered(const TaskList& items)
{
    return std::count_if(items.cbegin(), items.cend(), [](const TaskPtr& item) { return item->zvwID() == 0; });
}

}  // namespace

// One run: its thread and the object that lives there, and what it keeps
// between its ticks (touched on the run's thread, except `timers`, which
// stopOneWayRuns also invalidates). The sync object owns it until its
// thread has ended, so the ticks refer to it by reference.
struct ZVWSync::OneWayRun {
    QPointer<QObject> sender;
    bool hadSender = false;
    std::unique_ptr<QThread> thread;
    QObject* context = nullptr;
    bool holdsGuard = false;
    bool holdsBusy = false;
    bool performing = false;
    bool ended = false;
    // The deletions pending at the start, dropped when the run finishes well.
    bool clearsDeletions = false;
    QString deletedProjects;
    QString deletedTags;
    QString deletedTasks;
    // RecordStore's failed steps on the run's thread when it took the guard.
    quint64 failuresBefore = 0;
    std::mutex timerMutex;
    QList<ScheduledTimer> timers;

    ~OneWayRun()
    {
        invalidateTimers();
        // A quit asked for before the loop started is lost: ask until it ends.
        while (thread && !thread->wait(10)) thread->quit();
        // Its thread has ended: nothing there uses it any more.
        delete context;
    }
    void addTimer(const ScheduledTimer& timer)
    {
        std::lock_guard lock(timerMutex);
        timers.append(timer);
    }
    void invalidateTimers()
    {
        std::lock_guard lock(timerMutex);
        for (ScheduledTimer& timer : timers) timer.invalidate();
    }
};

void ZVWSync::backgroundOneWayMacToWeb(QObject* sender, bool clearsPendingDeletions)
{
    if (!internetReachable || m_oneWayStopping) return;
    auto run = std::make_shared<OneWayRun>();
    run->sender = sender;
    run->hadSender = sender != nullptr;
    if (const SettingPtr setting = clearsPendingDeletions ? localSetting() : nullptr) {
        run->clearsDeletions = true;
        run->deletedProjects = setting->zvwDeletedProjects();
        run->deletedTags = setting->zvwDeletedTag();
        run->deletedTasks = setting->zvwDeletedTasks();
    }
    run->thread = std::make_unique<QThread>();
    run->thread->setObjectName(QStringLiteral("ZVWSync one-way run"));
    run->context = new QObject();
    run->context->moveToThread(run->thread.get());
    OneWayRun* started = run.get();
    // Delivered once the thread's loop runs.
    QMetaObject::invokeMethod(run->context, [this, started] { startOneWayMacToWeb(*started); }, Qt::QueuedConnection);

    QList<std::shared_ptr<OneWayRun>> ended;
    {
        std::lock_guard lock(m_oneWayMutex);
        // Runs whose threads have finished are let go here.
        for (const auto& done : std::as_const(m_oneWayRuns))
            if (done->thread->isFinished()) ended.append(done);
        m_oneWayRuns.removeIf([](const std::shared_ptr<OneWayRun>& done) { return done->thread->isFinished(); });
        run->thread->start();
        m_oneWayRuns.append(std::move(run));
    }
}

void ZVWSync::startOneWayMacToWeb(OneWayRun& run)
{
    run.addTimer(scheduleTick(run.context, [this, &run](ScheduledTimer timer) { waitOneWayMacToWeb(timer, run); }));
}

void ZVWSync::endOneWayRun(OneWayRun& run, const QStringList& failures, bool finished)
{
    if (run.ended) return;
    run.ended = true;
    run.invalidateTimers();
    // Stopped here, so that the sync object may delete them from its thread.
    for (QTimer* timer : run.context->findChildren<QTimer*>()) timer->stop();
    // The guard and webSyncBusy are given back before anything goes to the
    // main thread, which may be waiting for either.
    if (run.holdsBusy) webSyncBusy = false;
    run.holdsBusy = false;
    MainViewAccess::postHideSyncingIndicator();
    setParseKey(parseKeyNone);
    setWillUpdateRemoteOrder(false);
    if (run.holdsGuard) {
        run.holdsGuard = false;
        releaseSyncing();
    }
    for (const QString& failure : failures)
        MainQueue::async([failure] {
            NotificationCenter::defaultCenter().postNotificationName(kServerErrorNotification, failure);
        });
    if (finished && failures.isEmpty() && run.clearsDeletions) {
        // Deletions made while the run went on stay for the next sync.
        MainQueue::async([projects = run.deletedProjects, tags = run.deletedTags, tasks = run.deletedTasks] {
            CoreData* dataManager = CoreData::shared();
            const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
            if (!setting) return;
            const auto without = [](const QString& now, const QString& sent) {
                return now.startsWith(sent) ? now.mid(sent.size()) : now;
            };
            setting->setZvwDeletedProjects(without(setting->zvwDeletedProjects(), projects));
            setting->setZvwDeletedTag(without(setting->zvwDeletedTag(), tags));
            setting->setZvwDeletedTasks(without(setting->zvwDeletedTasks(), tasks));
            if (!setting->dehydrate()) qWarning() << "The settings could not be saved after the web data was replaced";
        });
    }
    if (run.hadSender) {
        // A sender destroyed meanwhile is not posted as a dangling pointer.
        QPointer<QObject> sender = run.sender;
        const QString name = finished ? kSyncZVWFinishedNotification : kSyncZVWFailedNotification;
        MainQueue::async([sender, name] {
            if (sender) NotificationCenter::defaultCenter().postNotificationName(name, sender.data());
        });
    }
    QThread::currentThread()->quit();
}

void ZVWSync::waitOneWayMacToWeb(ScheduledTimer timer, OneWayRun& run)
{
    // It fires once.
    timer.invalidate();
    if (run.ended) return;
    // One web sync at a time: a pass or an earlier run under way ends first.
    while (webSyncBusy || !takeSyncing(SyncHolder::OneWay)) {
        if (m_oneWayStopping) {
            run.ended = true;
            QThread::currentThread()->quit();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.holdsGuard = true;
    run.failuresBefore = RecordStore::failedStepsOnThisThread();
    setIsBreak(false);
    MainViewAccess::postShowSyncingIndicator();
    webSyncBusy = true;
    run.holdsBusy = true;
    setParseKey(parseKeyNone);
    setIsFinishedGetToken(false);

    const SettingPtr setting = localSetting();
    if (!setting || setting->zvwUserName().isEmpty() || setting->zvwPassword().isEmpty()) {
        endOneWayRun(run, {}, false);
        return;
    }
    // A fresh token for the run.
    setting->setZvwToken(QString());
    if (!setting->dehydrate()) qWarning() << "The web sync could not save the dropped token";
    run.addTimer(scheduleTick(run.context, [this](ScheduledTimer tick) { getToken(tick); }));
    run.addTimer(scheduleTick(run.context, [this, &run](ScheduledTimer tick) { oneWayMacToWeb(tick, run); }));
}

void ZVWSync::oneWayMacToWeb(ScheduledTimer timer, OneWayRun& run)
{
    if (run.ended || run.performing) return;
    if (parseKey() == parseKeyFailed) {
        // The token step told the user itself; the run sends and posts nothing.
        timer.invalidate();
        endOneWayRun(run, {}, false);
        return;
    }
    if (parseKey() != parseKeyNone || !isFinishedGetToken()) return;
    timer.invalidate();
    run.performing = true;
    const QStringList failures = performOneWayMacToWeb(run.failuresBefore);
    endOneWayRun(run, failures, true);
}

QStringList ZVWSync::performOneWayMacToWeb(quint64 failuresBefore)
{
    QStringList failures;
    // A write that failed (a full disk) ends the run where it is, its
    // reason shown: nothing after it is wiped or sent on what it did not store.
    const auto stoppedByFailure = [&] {
        const QString failure = writeFailureSince(failuresBefore);
        if (failure.isEmpty()) return false;
        failures.append(failure);
        return true;
    };
    if (stoppedByFailure()) return failures;
    allowTokenRenewal();
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting || !makeZvwKeyAPI()) {
        failures.append(TextTable::localizedString(QStringLiteral("zvwNoTokenText")));
        return failures;
    }
    // The service keeps a copy of the account before the run wipes it.
    callAutoBackupOnServerIfNeed();
    if (stoppedByFailure()) return failures;
    // Each kind goes up only after the service answered the wipe of it:
    // uploads over a failed wipe would leave every record twice.
    const bool tagsWiped = deleteTagsWithURLString(QStringLiteral("0"));
    const bool linksWiped = deleteLinksWithURLString(QStringLiteral("0"));
    const bool categoriesWiped = deleteProject(QStringLiteral("0"), true);

    if (tagsWiped) {
        const qsizetype unsent = replaceTags();
        if (stoppedByFailure()) return failures;
        if (unsent > 0)
            failures.append(TextTable::localizedString(QStringLiteral("zvwReplaceTagsUploadErrorText")).arg(unsent));
    } else {
        failures.append(TextTable::localizedString(QStringLiteral("zvwReplaceTagsWipeErrorText")));
    }

    if (categoriesWiped) {
        const qsizetype unsentCategories = replaceCategories();
        if (stoppedByFailure()) return failures;
        if (unsentCategories > 0)
            failures.append(
                TextTable::localizedString(QStringLiteral("zvwReplaceCategoriesUploadErrorText")).arg(unsentCategories));
        const qsizetype unsentItems = replaceItems();
        if (stoppedByFailure()) return failures;
        if (unsentItems > 0)
            failures.append(TextTable::localizedString(QStringLiteral("zvwReplaceItemsUploadErrorText")).arg(unsentItems));
    } else {
        // The service's items go with its categories: none are sent either.
        failures.append(TextTable::localizedString(QStringLiteral("zvwReplaceCategoriesWipeErrorText")));
    }

    // Marked first, so that settings that do not get up go with the next exchange.
    setting->setHasChanges(1);
    updateSettingFromLocalToZVW();
    if (stoppedByFailure()) return failures;
    if (setting->hasChanges())
        failures.append(TextTable::localizedString(QStringLiteral("zvwReplaceSettingsUploadErrorText")));

    if (linksWiped) {
        clearServerLinkKeys();
        replaceLinksFromLocalToZVW();
        if (!dataManager->deleteAllUnLinks()) qWarning() << "The web sync could not purge the unlinked rows";
        stoppedByFailure();
    } else {
        failures.append(TextTable::localizedString(QStringLiteral("zvwReplaceLinksWipeErrorText")));
    }
    return failures;
}

qsizetype ZVWSync::replaceTags()
{
    TagList tags = CoreData::shared()->tagList();
    // The service holds none of them now: a tag whose upload fails must stay
    // an unsent tag, not one the next merge takes for deleted on the web.
    Transaction unit;
    for (const TagPtr& tag : std::as_const(tags)) {
        if (tag->zvwKey() == 0) continue;
        unit.keep(tag);
        tag->setZvwKey(0);
        if (!tag->dehydrate()) qWarning() << "The web sync could not clear the key of tag" << tag->primaryKey();
    }
    // Uploaded over keys that stay, the tags would be taken for the service's.
    if (!unit.commit()) {
        qWarning() << "The web sync could not clear the tags' server keys; no tag is sent";
        return tags.size();
    }
    const TagList sent = tags;
    addTag(tags);
    return std::count_if(sent.cbegin(), sent.cend(), [](const TagPtr& tag) { return tag->zvwKey() == 0; });
}

qsizetype ZVWSync::replaceCategories()
{
    qsizetype unsent = 0;
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    for (const CalendarPtr& category : CoreData::shared()->getCalendarList()) {
        // Shared categories belong to their owners and stay on the service.
        if (category->isShared()) continue;
        // After a failed write no category more goes up: its id would be lost.
        if (RecordStore::failedStepsOnThisThread() != failuresBefore) {
            ++unsent;
            continue;
        }
        // As with the tags: an unanswered category must stay a new one.
        category->setZvwProjectId(0);
        addProject(category);
        category->setHasChanges(false);
        if (!category->dehydrate()) qWarning() << "The web sync could not save category" << category->primaryKey();
        if (category->zvwProjectId() == 0) ++unsent;
    }
    return unsent;
}

qsizetype ZVWSync::replaceItems()
{
    CoreData& dataManager = *CoreData::shared();
    // Items of a category another user shares with this one are the
    // owner's: never created from here, and their ids stay valid. Those of a
    // category this user shares with others are this user's: the wipe took
    // them with their category, which went up again under a new id, so they
    // go up like the rest, or the next merge would delete them here. Items
    // whose category row is gone belong to nobody and stay as they are.
    QSet<qint64> ownCategories;
    for (const CalendarPtr& category : dataManager.getCalendarList())
        if (!category->isShared()) ownCategories.insert(category->primaryKey());
    TaskList items = dataManager.getAllTasksInDB();
    items.removeIf([&ownCategories](const TaskPtr& item) { return !ownCategories.contains(item->calendarId()); });
    QSet<qint64> keys;
    keys.reserve(items.size());
    for (const TaskPtr& item : std::as_const(items)) keys.insert(item->primaryKey());
    {
        // The service took these items along with their categories; an item
        // whose upload fails must stay a new one here, in the rows and in
        // the working list alike, or the next merge would delete it.
        RecordGuard guard;
        QueryStatement forget("UPDATE Tasks SET zvwId = 0 WHERE calendarId IN (SELECT primaryKey FROM Calendars "
                              "WHERE IFNULL(extraStatus, 0) != 1)");
        if (!forget.execute("The web sync could not clear the items' server ids")) return items.size();
    }
    for (const TaskPtr& item : std::as_const(items)) item->setZvwID(0);
    for (const TaskPtr& item : dataManager.allTasksEventsAdes())
        if (keys.contains(item->primaryKey())) item->setZvwID(0);

    TaskList roots;
    TaskList children;
    for (const TaskPtr& item : std::as_const(items)) (item->parentId() == -1 ? roots : children).append(item);
    setWillUpdateRemoteOrder(true);
    if (!roots.isEmpty()) addWorksFromList(roots, true);
    if (!children.isEmpty()) addWorksFromList(children, true);
    return countUnanswered(items);
}

void ZVWSync::stopOneWayRuns()
{
    m_oneWayStopping = true;
    QList<std::shared_ptr<OneWayRun>> runs;
    {
        std::lock_guard lock(m_oneWayMutex);
        runs.swap(m_oneWayRuns);
    }
    for (const auto& run : std::as_const(runs)) {
        run->invalidateTimers();
        run->thread->quit();
    }
    for (const auto& run : std::as_const(runs)) {
        while (!run->thread->wait(10)) run->thread->quit();
        // A run cut short gives back what it held, without starting anything.
        if (run->holdsBusy) webSyncBusy = false;
        if (!run->holdsGuard) continue;
        run->holdsGuard = false;
        std::lock_guard lock(m_mutex);
        m_isSyncing = false;
        m_syncHolder = SyncHolder::None;
        m_fullSyncDeferred = false;
    }
}

bool ZVWSync::replaceWebWithLocal(QObject* sender)
{
    const SettingPtr setting = localSetting();
    if (!setting || setting->zvwUserName().isEmpty() || setting->zvwPassword().isEmpty()) return false;
    setting->setAutoZVWSync(0);
    if (!setting->dehydrate()) {
        qWarning() << "The settings could not be saved; the web data is not replaced";
        return false;
    }
    if (!setting->setAutoSync()) qWarning() << "The automatic sync switches could not be written";
    backgroundOneWayMacToWeb(sender, true);
    return true;
}
