// The automatic pushes: requests collected into one bitmask, a pass 10 s
// after the last request, and the pushes of categories, items and links.
#include "ZVWSync.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "Link.h"
#include "MainQueue.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Task.h"
#include "Utilities.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QSet>

#include <utility>

namespace {

// The kinds a request can ask for: categories, items, tags, links, settings.
constexpr qint64 categoriesBit = 1;
constexpr qint64 itemsBit = 2;
constexpr qint64 tagsBit = 4;
constexpr qint64 linksBit = 8;
constexpr qint64 settingsBit = 32;
constexpr qint64 pushableBits = categoriesBit | itemsBit | tagsBit | linksBit | settingsBit;

void saveSettingsAfterPush(const SettingPtr& setting)
{
    if (!setting->dehydrate()) qWarning() << "The web sync could not save the settings after a push";
}

// An item the service answered: written back with its id and no change mark.
bool wasAnswered(const Task& item)
{
    return item.zvwID() != 0 && item.hasChanges() == 0;
}

}  // namespace

void ZVWSync::receiveAutoSyncNotification(qint64 bits)
{
    std::lock_guard lock(m_mutex);
    // A full pass sends every change anyway. A push pass or a one-way run
    // does not: requests meanwhile wait for the next push.
    if (m_isSyncing && m_syncHolder == SyncHolder::Full) return;
    m_pendingBits |= bits & pushableBits;
    m_timer.invalidate();
    m_timer = Scheduler::current().scheduleTimer(autoSyncDelay, false, [this] { startAutoSync(); });
}

void ZVWSync::startAutoSync()
{
    {
        std::lock_guard lock(m_mutex);
        m_timer.invalidate();
    }
    const SettingPtr setting = localSetting();
    // The bits stay: the next request or the next full pass decides.
    if (!setting || !setting->autoZVWSync() || !internetReachable) return;
    if (!takeSyncing(SyncHolder::Push)) {
        // Another sync runs: the bits wait for it, and the push tries again.
        std::lock_guard lock(m_mutex);
        m_timer = Scheduler::current().scheduleTimer(autoSyncDelay, false, [this] { startAutoSync(); });
        return;
    }
    qint64 bits = 0;
    {
        std::lock_guard lock(m_mutex);
        bits = std::exchange(m_pendingBits, 0);
    }
    // The destructor waits for the queue, so the pass never outlives this object.
    m_queue.async([this, bits] {
        SyncingHold hold(*this);
        pushChanges(bits);
    });
}

void ZVWSync::pushChanges(qint64 bits)
{
    // The changes stay marked on their rows: the next start's pass sends them.
    if (m_quitting) return;
    const SettingPtr setting = localSetting();
    if (!setting || setting->zvwUserName().isEmpty() || setting->zvwPassword().isEmpty()) return;
    // A stop asked for earlier ended that pass, not this one; neither does
    // an earlier pass's failure stop this push: what fails here is its own.
    setIsBreak(false);
    setErrorDescription(QString());
    MainViewAccess::postShowSyncingIndicator();
    allowTokenRenewal();
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    refreshToken();
    // A kind whose writes failed (a full disk) fails the push, as it fails
    // a full pass: the kinds after it are not sent.
    using Push = void (ZVWSync::*)();
    for (const auto& [bit, push] : {std::pair<qint64, Push>{tagsBit, &ZVWSync::oneWayAutoSyncTags},
                                    {categoriesBit, &ZVWSync::oneWayAutoSyncProjects},
                                    {itemsBit, &ZVWSync::oneWayAutoSyncItems},
                                    {linksBit, &ZVWSync::oneWayAutoSyncLinks},
                                    {settingsBit, &ZVWSync::oneWayAutoSyncSettings}}) {
        if (stopOnWriteFailure(failuresBefore)) break;
        if (bits & bit) (this->*push)();
    }
    stopOnWriteFailure(failuresBefore);
    MainViewAccess::postHideSyncingIndicator();
    if (bits & itemsBit) {
        // Not waited for: the main thread may itself be waiting for this pass.
        MainQueue::async([] {
            if (CoreData* dataManager = CoreData::shared())
                NotificationCenter::defaultCenter().postNotificationName(kTaskChanged, dataManager);
        });
    }
}

void ZVWSync::oneWayAutoSyncProjects()
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting || !makeZvwKeyAPI()) {
        if (setting) qWarning() << "No web service token: the categories are not pushed";
        webSyncBusy = false;
        return;
    }
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    const CalendarList categories = dataManager->getCalendarList();
    deleteProject();
    CalendarList fresh;
    for (const CalendarPtr& category : categories) {
        if (category->zvwProjectId() > 0 && category->hasChanges())
            updateProject(category);
        else if (category->zvwProjectId() == 0)
            fresh.append(category);
    }
    for (const CalendarPtr& category : std::as_const(fresh)) {
        if (stopOnWriteFailure(failuresBefore)) break;
        addProject(category);
        category->setHasChanges(false);
        if (!category->dehydrate()) qWarning() << "The web sync could not save category" << category->primaryKey();
    }
    if (stopOnWriteFailure(failuresBefore)) {
        webSyncBusy = false;
        return;
    }
    setting->setZvwSyncTime(Clock::now());
    saveSettingsAfterPush(setting);
    webSyncBusy = false;
}

void ZVWSync::oneWayAutoSyncItems()
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting || !makeZvwKeyAPI()) {
        if (setting) qWarning() << "No web service token: the items are not pushed";
        webSyncBusy = false;
        return;
    }
    // Taken before the load, one second back: an item changed while this
    // push runs, even within the same second, goes with the next one.
    const qint64 pushStart = qint64(Date::truncated(Utilities::toDBDate(Clock::now()).timeIntervalSince1970())) - 1;
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    const auto stoppedByFailure = [&] {
        if (!stopOnWriteFailure(failuresBefore)) return false;
        webSyncBusy = false;
        return true;
    };
    deleteItemsInLocal();
    if (stoppedByFailure()) return;

    const TaskList loaded = dataManager->getTasksInDBNewerThan(setting->latestSyncItem());
    const QSet<qint64> changedKeys = keysWithChanges();
    TaskList changed;
    TaskList newRoots;
    TaskList newChildren;
    for (const TaskPtr& item : loaded) {
        if (item->zvwID() != 0) {
            if (changedKeys.contains(item->primaryKey())) changed.append(item);
        } else {
            (item->parentId() == -1 ? newRoots : newChildren).append(item);
        }
    }
    // Creations that went without an answer are looked for on the service
    // first: those found there go up as changes under their ids, the others
    // are created. Without the service's list none of them is sent again,
    // and the push counts them unanswered.
    TaskList heldBack;
    if (const OutstandingCreations outstanding = outstandingCreations(); outstanding.lastMark > 0) {
        TaskList unsent;
        for (const TaskList* list : {&newRoots, &newChildren})
            for (const TaskPtr& item : *list)
                if (outstanding.keys.contains(item->primaryKey())) unsent.append(item);
        // The marks stay for the full pass, which sees every item.
        if (!unsent.isEmpty()) {
            std::optional<CreationPairs> pairs;
            if (const std::optional<TaskList> made = serviceItemsForPairing()) {
                QSet<qint64> heldIds;
                {
                    RecordGuard guard;
                    QueryStatement query("SELECT zvwId FROM Tasks WHERE zvwId > 0");
                    const QList<qint64> ids = query.int64Column();
                    heldIds = QSet<qint64>(ids.cbegin(), ids.cend());
                }
                pairs = pairSentCreations(unsent, *made, heldIds, true, 0);
            }
            QSet<const Task*> held;
            if (pairs) {
                for (const auto& [local, server] : *pairs) {
                    held.insert(local.get());
                    changed.append(local);
                }
            } else {
                for (const TaskPtr& item : unsent) held.insert(item.get());
                heldBack = unsent;
            }
            for (TaskList* list : {&newRoots, &newChildren})
                list->removeIf([&held](const TaskPtr& item) { return held.contains(item.get()); });
        }
    }
    if (stoppedByFailure()) return;

    // The owner of a shared category creates its items: this side never
    // does, so they do not count as unanswered.
    TaskList expected;
    expected.reserve(changed.size() + newRoots.size() + newChildren.size());
    for (const TaskList* list : {&newRoots, &newChildren}) {
        for (const TaskPtr& item : *list) {
            const CalendarPtr category = dataManager->calendarWithPrimaryKey(item->calendarId());
            if (!category || !category->isShared()) expected.append(item);
        }
    }
    expected += changed;
    expected += heldBack;

    // The uploads stop at a failed write of their answers; the time of the
    // push then stays, so everything goes again with the next one.
    if (!newRoots.isEmpty()) addWorksFromList(newRoots, true);
    if (!newChildren.isEmpty() && !stoppedByFailure()) addWorksFromList(newChildren, true);
    if (!changed.isEmpty() && !stoppedByFailure()) updateWorksFromList(changed, true);
    if (stoppedByFailure()) return;

    const qsizetype unanswered =
        std::count_if(expected.cbegin(), expected.cend(), [](const TaskPtr& item) { return !wasAnswered(*item); });
    if (unanswered == 0) {
        setting->setLatestSyncItem(std::max(pushStart, setting->latestSyncItem()));
        if (!setting->saveSyncTime()) qWarning() << "The web sync could not save the time of the item push";
    } else {
        qWarning() << unanswered << "items of the push got no answer or were refused; they go again with the next push";
    }
    webSyncBusy = false;
}

void ZVWSync::oneWayAutoSyncLinks()
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting || !makeZvwKeyAPI()) {
        if (setting) qWarning() << "No web service token: the links are not pushed";
        webSyncBusy = false;
        return;
    }
    LinkList uploads;
    for (const LinkPtr& link : dataManager->getAllNotSyncLinks()) {
        if (link->zvwKey() >= 1) continue;
        link->setRootId(dataManager->getZVWId(link->rootId()));
        link->setTargetId(dataManager->getZVWId(link->targetId()));
        uploads.append(link);
    }
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    addLink(uploads);
    // Only the rows whose deletion the service answered (or that never were
    // on it) are purged; the rest go again.
    if (!stopOnWriteFailure(failuresBefore)) deleteUnlinks();
    if (stopOnWriteFailure(failuresBefore)) {
        webSyncBusy = false;
        return;
    }
    setting->setZvwSyncTime(Clock::now());
    saveSettingsAfterPush(setting);
    webSyncBusy = false;
}
