#include "CoreData.h"

#include "TaskQuery.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "Clock.h"
#include "RecordGuard.h"
#include "DataCrypto.h"
#include "DataFolder.h"
#include "DatabaseRestore.h"
#include "DatabaseSchema.h"
#include "GlobalQueue.h"
#include "GregorianCalendar.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PropertyList.h"
#include "QueryStatement.h"
#include "Reachability.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "TimeZoneRecords.h"
#include "Transaction.h"
#include "Utilities.h"
#include "ZVWService.h"
#include "ZVWSync.h"
#include "iCalSync.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <climits>
#include <future>

std::atomic<bool> databaseOpen{false};
std::atomic<bool> internetReachable{false};
std::atomic<double> localGMTOffset{0.0};

namespace {
std::atomic<CoreData*> sharedDataManager{nullptr};

template <class T>
void removeEqual(QList<T>& from, const QList<T>& items)
{
    for (const T& item : items) from.removeAll(item);
}
}  // namespace

CoreData::CoreData() = default;

struct CoreData::ZoneAhead {
    std::future<qint64> answer;
};

CoreData::~CoreData()
{
    // First, while every member is whole: a running purge may still read them.
    stopPurgeJobs();
    // The zone search begun ahead reads this manager's table.
    if (m_defaultZoneAhead) m_defaultZoneAhead->answer.wait();
    // A read ahead of the working list asks this manager for categories.
    TaskQuery::dropReadAhead();
    CoreData* self = this;
    sharedDataManager.compare_exchange_strong(self, nullptr);
    m_alertTimer.invalidate();
    if (m_observer) NotificationCenter::defaultCenter().removeObserver(m_observer.get());
}

CoreData* CoreData::shared()
{
    return sharedDataManager.load();
}

void CoreData::setShared(CoreData* dataManager)
{
    sharedDataManager.store(dataManager);
}

SettingPtr CoreData::currentSetting() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_currentSetting;
}

void CoreData::setCurrentSetting(const SettingPtr& setting)
{
    keepStateForUndo();
    QMutexLocker lock(&m_objectMutex);
    m_currentSetting = setting;
}

std::optional<CoreData::WeekdayTaskLists> CoreData::sevenDaysEventList() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_sevenDaysEventList;
}

void CoreData::setSevenDaysEventList(const std::optional<WeekdayTaskLists>& list)
{
    QMutexLocker lock(&m_objectMutex);
    m_sevenDaysEventList = list;
}

std::optional<CoreData::WeekdayTaskLists> CoreData::sevenDaysTaskList() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_sevenDaysTaskList;
}

void CoreData::setSevenDaysTaskList(const std::optional<WeekdayTaskLists>& list)
{
    QMutexLocker lock(&m_objectMutex);
    m_sevenDaysTaskList = list;
}

std::optional<CoreData::WeekdayTimeSlots> CoreData::sevenDaysOpenTimeSlotsList() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_sevenDaysOpenTimeSlotsList;
}

void CoreData::setSevenDaysOpenTimeSlotsList(const std::optional<WeekdayTimeSlots>& list)
{
    QMutexLocker lock(&m_objectMutex);
    m_sevenDaysOpenTimeSlotsList = list;
}

std::optional<TaskList> CoreData::futureTaskList() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_futureTaskList;
}

void CoreData::setFutureTaskList(const std::optional<TaskList>& list)
{
    QMutexLocker lock(&m_objectMutex);
    m_futureTaskList = list;
}

TaskPtr CoreData::copiedItem() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_copiedItem;
}

void CoreData::setCopiedItem(const TaskPtr& item)
{
    keepStateForUndo();
    QMutexLocker lock(&m_objectMutex);
    m_copiedItem = item;
}

TaskPtr CoreData::modifyingTask() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_modifyingTask;
}

void CoreData::setModifyingTask(const TaskPtr& item)
{
    keepStateForUndo();
    QMutexLocker lock(&m_objectMutex);
    m_modifyingTask = item;
}

bool CoreData::isAutoZVWSyncOn() const
{
    const SettingPtr setting = currentSetting();
    return setting && setting->autoZVWSync() != 0;
}

void CoreData::postAutoSyncRequest(qint64 bits) const
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, bits);
}

const TaskList CoreData::allTasksEventsAdes() const
{
    QMutexLocker lock(&m_listMutex);
    return m_allTasksEventsAdes;
}

const CalendarList CoreData::calendarList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_calendarList;
}

const TagList CoreData::tagList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_tagList;
}

void CoreData::keepStateForUndo()
{
    Transaction* open = Transaction::current();
    if (!open || !open->firstChangeOf(this)) return;
    // The working list of items is not part of it: each change of that list
    // registers its own undo (see appendToWorkingList), as a copy of 50,000
    // items per unit would make every insert cost the whole list.
    struct Saved {
        CalendarList categories;
        TagList tags;
        LinkList links;
        LocalNotificationList alarms;
        SettingPtr setting;
        TaskPtr copied;
        TaskPtr modifying;
        TaskPtr preview;
    };
    auto saved = std::make_shared<Saved>();
    {
        QMutexLocker lock(&m_listMutex);
        saved->categories = m_calendarList;
        saved->tags = m_tagList;
        saved->links = m_linkList;
    }
    {
        QMutexLocker lock(&m_alertMutex);
        saved->alarms = m_allAlert;
    }
    {
        QMutexLocker lock(&m_objectMutex);
        saved->setting = m_currentSetting;
        saved->copied = m_copiedItem;
        saved->modifying = m_modifyingTask;
        saved->preview = m_quickAddItemInPreview;
    }
    open->onRollback([this, saved] {
        {
            QMutexLocker lock(&m_listMutex);
            m_calendarList = saved->categories;
            m_tagList = saved->tags;
            m_linkList = saved->links;
        }
        {
            QMutexLocker lock(&m_alertMutex);
            m_allAlert = saved->alarms;
        }
        QMutexLocker lock(&m_objectMutex);
        m_currentSetting = saved->setting;
        m_copiedItem = saved->copied;
        m_modifyingTask = saved->modifying;
        m_quickAddItemInPreview = saved->preview;
    });
}

void CoreData::setTagList(const TagList& tags)
{
    keepStateForUndo();
    QMutexLocker lock(&m_listMutex);
    m_tagList = tags;
}

void CoreData::appendToTagList(const TagPtr& tag)
{
    keepStateForUndo();
    QMutexLocker lock(&m_listMutex);
    m_tagList.append(tag);
}

const LinkList CoreData::linkList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_linkList;
}

void CoreData::setLinkList(const LinkList& links)
{
    keepStateForUndo();
    QMutexLocker lock(&m_listMutex);
    m_linkList = links;
}

void CoreData::appendToLinkList(const LinkPtr& link)
{
    keepStateForUndo();
    QMutexLocker lock(&m_listMutex);
    m_linkList.append(link);
}

void CoreData::appendToWorkingList(const TaskList& added)
{
    ++m_workingListChanges;
    const qsizetype before = m_allTasksEventsAdes.size();
    m_allTasksEventsAdes.append(added);
    // Each record is marked before its key is read (see Task::takeKey).
    for (const TaskPtr& item : added) item->markListed();
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (m_listedByKeyFresh)
        for (const TaskPtr& item : added) m_listedByKey.insert(item->primaryKey(), item.get());
    Transaction* open = Transaction::current();
    if (!open || added.isEmpty()) return;
    // The undo actions run newest first, so the list is back to what this
    // step left when this one runs: the added items are its tail.
    open->onRollback([this, before] {
        QMutexLocker lock(&m_listMutex);
        ++m_workingListChanges;
        if (m_allTasksEventsAdes.size() > before)
            m_allTasksEventsAdes.remove(before, m_allTasksEventsAdes.size() - before);
        m_listedByKeyFresh = false;
    });
}

TaskList CoreData::removeFromWorkingList(const std::function<bool(const TaskPtr&)>& taken)
{
    std::vector<qsizetype> places;
    for (qsizetype i = 0; i < m_allTasksEventsAdes.size(); ++i)
        if (taken(m_allTasksEventsAdes.at(i))) places.push_back(i);
    return removeWorkingListEntriesAt(places);
}

TaskList CoreData::removeWorkingListEntriesAt(const std::vector<qsizetype>& places)
{
    struct Removed {
        qsizetype index;  // in the list before the removal
        TaskPtr item;
    };
    if (places.empty()) return {};
    ++m_workingListChanges;
    std::vector<Removed> removed;
    removed.reserve(places.size());
    // Only the entries from the first place on move, and they move: a copy
    // of each shared pointer would count it up and down.
    TaskPtr* entries = m_allTasksEventsAdes.data();
    const qsizetype size = m_allTasksEventsAdes.size();
    qsizetype kept = places.front();
    auto next = places.cbegin();
    for (qsizetype i = places.front(); i < size; ++i) {
        if (next != places.cend() && *next == i) {
            removed.push_back({i, std::move(entries[i])});
            ++next;
        } else {
            entries[kept++] = std::move(entries[i]);
        }
    }
    m_allTasksEventsAdes.resize(kept);
    const bool indexFollows = m_listedByKeyFresh && m_listedByKeyChanges == ListedMark::keyChanges();
    m_listedByKeyFresh = indexFollows;
    TaskList items;
    items.reserve(qsizetype(removed.size()));
    for (const Removed& entry : removed) {
        items.append(entry.item);
        if (indexFollows) m_listedByKey.remove(entry.item->primaryKey(), entry.item.get());
    }
    Transaction* open = Transaction::current();
    if (!open) return items;
    open->onRollback([this, removed = std::move(removed)] {
        QMutexLocker lock(&m_listMutex);
        ++m_workingListChanges;
        m_listedByKeyFresh = false;
        if (removed.size() <= 4) {
            for (const Removed& entry : removed) m_allTasksEventsAdes.insert(entry.index, entry.item);
            return;
        }
        TaskList restored;
        restored.reserve(m_allTasksEventsAdes.size() + qsizetype(removed.size()));
        qsizetype from = 0;
        for (const Removed& entry : removed) {
            while (restored.size() < entry.index && from < m_allTasksEventsAdes.size())
                restored.append(m_allTasksEventsAdes.at(from++));
            restored.append(entry.item);
        }
        while (from < m_allTasksEventsAdes.size()) restored.append(m_allTasksEventsAdes.at(from++));
        m_allTasksEventsAdes = std::move(restored);
    });
    return items;
}

void CoreData::clearWorkingList()
{
    ++m_workingListChanges;
    TaskList cleared;
    cleared.swap(m_allTasksEventsAdes);
    m_listedByKey.clear();
    m_listedByKeyFresh = false;
    if (Transaction* open = Transaction::current())
        open->onRollback([this, cleared = std::move(cleared)] {
            QMutexLocker lock(&m_listMutex);
            ++m_workingListChanges;
            m_allTasksEventsAdes = cleared;
            m_listedByKeyFresh = false;
        });
}

std::vector<qsizetype> CoreData::placesOfListedKeys(const QList<qint64>& keys)
{
    // The count is read before the keys: a change while the index is built
    // makes it stale at once.
    const quint64 changes = ListedMark::keyChanges();
    if (!m_listedByKeyFresh || m_listedByKeyChanges != changes) {
        m_listedByKey.clear();
        m_listedByKey.reserve(m_allTasksEventsAdes.size());
        for (const TaskPtr& item : std::as_const(m_allTasksEventsAdes)) m_listedByKey.insert(item->primaryKey(), item.get());
        m_listedByKeyFresh = true;
        m_listedByKeyChanges = changes;
    }
    QSet<const Task*> wanted;
    qsizetype entriesWanted = 0;
    for (const qint64 key : QSet<qint64>(keys.cbegin(), keys.cend())) {
        for (auto it = m_listedByKey.constFind(key); it != m_listedByKey.cend() && it.key() == key; ++it) {
            wanted.insert(it.value());
            ++entriesWanted;
        }
    }
    std::vector<qsizetype> places;
    if (wanted.isEmpty()) return places;
    // From the end: the rows a command deletes are most often the ones it
    // has just added. The walk ends once every entry of the keys is found.
    const TaskPtr* entries = m_allTasksEventsAdes.constData();
    for (qsizetype i = m_allTasksEventsAdes.size() - 1; i >= 0 && qsizetype(places.size()) < entriesWanted; --i)
        if (wanted.contains(entries[i].get())) places.push_back(i);
    std::reverse(places.begin(), places.end());
    return places;
}

void CoreData::doWithAllTasksEventsAdes(const std::optional<TaskList>& list, qint64 action)
{
    {
        QMutexLocker lock(&m_listMutex);
        if (action == 0 && list) {
            appendToWorkingList(*list);
        } else if (action == 1) {
            if (list) {
                // By address, as a removal of equal pointers does; one pass
                // over the list, not one per item taken out.
                QSet<const Task*> taken;
                taken.reserve(list->size());
                for (const TaskPtr& item : *list) taken.insert(item.get());
                removeFromWorkingList([&taken](const TaskPtr& item) { return taken.contains(item.get()); });
            } else {
                clearWorkingList();
            }
        }
    }
    // The alarms follow the list; outside the list lock, as their rebuild
    // may wait for the main thread, and only once the change is there to
    // stay.
    Transaction::afterCommitOrNow([this, list, action] { updateAlarmsForListAction(list, action); });
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAllTasksEventsAdesChanged, this);
}

void CoreData::dropFromWorkingList(const QList<qint64>& keys)
{
    if (keys.isEmpty()) return;
    std::optional<TaskList> removed;
    {
        QMutexLocker lock(&m_listMutex);
        removed = removeWorkingListEntriesAt(placesOfListedKeys(keys));
    }
    if (removed->isEmpty()) return;
    Transaction::afterCommitOrNow([this, removed] { updateAlarmsForListAction(removed, ListAction::Remove); });
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAllTasksEventsAdesChanged, this);
}

void CoreData::doWithCalendarList(const std::optional<CalendarList>& list, qint64 action)
{
    keepStateForUndo();
    {
        QMutexLocker lock(&m_listMutex);
        if (action == 0 && list) {
            m_calendarList.append(*list);
        } else if (action == 1) {
            if (list)
                removeEqual(m_calendarList, *list);
            else
                m_calendarList.clear();
        } else if (action == 2) {
            m_calendarList.clear();
            if (list) m_calendarList.append(*list);
        }
        if (!m_calendarList.isEmpty()) m_calendarListSettled.notify_all();
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kCalendarListChanged, this);
}

// ---------------------------------------------------------------------------
// Start-up

namespace {

// The account file's key text: 27 characters with the file's path in place
// of "%1". It is never stored; the sign-in builds the same key.
const QString accountKeyFormat = QStringLiteral("zoravel:%1:account-key-01");

bool isFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

// The user is told why the start stopped; the log keeps the same text.
// With offerPutBack, the user may choose the database from before the last
// restore instead: true when he did.
bool reportStartupFailure(const StartupFailure& failure, bool offerPutBack)
{
    qCritical("Zoravel cannot start: %s", qUtf8Printable(failure.message));
    AlertRequest alert;
    alert.style = AlertStyle::Critical;
    alert.messageText = kDatabaseCanNotOpenText;
    alert.informativeText = failure.message;
    const int putBack =
        offerPutBack ? alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("startupPutBackDatabaseText")))
                     : -1;
    alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    return AlertPresenter::current().runModal(alert).button == putBack && offerPutBack;
}

// How long the start waits for another program's lock before it says so.
constexpr std::chrono::milliseconds startWaitToldAfter{1000};

// Asked while the start waits for another program holding the database:
// without it the person saw nothing at all (no window, no tray icon) for as
// long as that program held the file, a start that seemed not to happen.
// The alert goes by itself once no other process holds the file, and the
// start goes on. False when the person quits; `keepWaiting` is set when
// they chose to wait without being asked again.
bool tellStartWaitsForLock(const QString& databasePath, bool& keepWaiting)
{
    qInfo("Zoravel waits for another program holding %s", qUtf8Printable(databasePath));
    AlertRequest alert;
    alert.style = AlertStyle::Warning;
    alert.attached = false;
    alert.messageText = TextTable::localizedString(QStringLiteral("startWaitsForLockText"));
    alert.informativeText = TextTable::localizedString(QStringLiteral("startWaitsForLockMessage")).arg(databasePath);
    const int wait = alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("keepWaitingText")));
    const int quit = alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("quitText")));
    alert.endsWhen = [databasePath] { return !RecordStore::anotherProcessLocks(databasePath); };
    const int answer = AlertPresenter::current().runModal(alert).button;
    keepWaiting = answer == wait;
    return answer != quit;
}

// Local time, without the colons a file name should not carry.
QString fileNameTimestamp()
{
    const double seconds = std::floor(Clock::now().timeIntervalSince1970());
    return QDateTime::fromSecsSinceEpoch(qint64(seconds)).toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

// A journal or write-ahead log beside a database may still hold its content;
// SQLite, not we, decides what such a database is.
bool hasJournal(const QString& databasePath)
{
    for (const char* suffix : {"-journal", "-wal"})
        if (QFileInfo::exists(databasePath + QLatin1String(suffix))) return true;
    return false;
}

// A settings row that could not be read gives a blank record, which the
// writes of the start would then carry over the row: the queues of server
// deletions, the default category and every choice of the user lost. Such a
// start stops as one whose database cannot be opened.
bool readSettingsWhole(CoreData& dataManager)
{
    Transaction reading;
    if (!reading.isOpen()) return false;
    dataManager.getSettingList();
    return reading.commit();
}

// Lists the stored categories; those stored without an order take the next
// ones after the highest. One unit with the load: a category whose read
// failed comes back blank, and its order must never carry that blank record
// over its row. A failure (logged) leaves the rows and the list as they
// were; the next start tries again.
bool loadCategoriesGivingThemAnOrder(CoreData& dataManager)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    dataManager.doWithCalendarList(dataManager.getCalendarList(), ListAction::Replace);
    for (const CalendarPtr& calendar : dataManager.calendarList()) {
        if (calendar->calendarOrder() >= 1) continue;
        transaction.keep(calendar);
        calendar->setCalendarOrder(dataManager.getMaxOrderOfCalendars() + 1);
        if (!calendar->dehydrate()) return false;
    }
    return transaction.commit();
}

}  // namespace

bool CoreData::init()
{
    // Another process reading or writing the file (a backup tool, an
    // indexer) only delays the start: a lock is no reason to refuse it. A
    // wait of more than a moment is told, and the person may quit.
    bool keepWaiting = false, quit = false;
    const RecordStore::WaitWithoutLimit startWaitsForLocks(startWaitToldAfter, [&] {
        if (keepWaiting || !MainQueue::isMainThread()) return true;
        quit = !tellStartWaitsForLock(databasePath(), keepWaiting);
        return !quit;
    });
    // What the start did before the person quit is let go: its statements
    // after the quit failed as locked, and no failure is told.
    const auto quitWhileLocked = [this] {
        qInfo("Zoravel was quit while another program held %s", qUtf8Printable(databasePath()));
        m_startupFailure = {StartupProblem::QuitWhileLocked, databasePath(), QString()};
        return false;
    };
    m_startupFailure = StartupFailure();
    m_accountProblemReported = false;
    m_bSynciCalEnable = true;
    localGMTOffset = GregorianCalendar::secondsFromGMT();
    const Date now = Utilities::getCurrentDate(false, 0, 0);
    setToday(Utilities::today(now));
    setCurrentSelectedDay(today());
    m_currentVersion = QCoreApplication::applicationVersion();
    // Both read files that do not depend on the database: on the pool, while
    // this thread opens it.
    DatabaseSchema::readTemplateAhead();
    findDefaultTimezoneAhead();

    if (!createEditableCopyOfDatabaseIfNeeded() || !initializeDatabase()) {
        if (quit) return quitWhileLocked();
        if (m_startupFailure.problem == StartupProblem::None)
            failStartup(StartupProblem::DatabaseCannotBeOpened, databasePath(), kDatabaseCanNotOpenText);
        // After a restore the user can get back in with the database from
        // before it; the start is then tried once more.
        if (!reportStartupFailure(m_startupFailure, DatabaseRestore::canPutBack())) return false;
        if (RecordStore::sharedDatabase()) DatabaseRestore::closeSharedDatabase();
        if (!DatabaseRestore::putBack()) return false;
        m_startupFailure = StartupFailure();
        if (initializeDatabase()) return finishInit();
        reportStartupFailure(m_startupFailure, false);
        return false;
    }
    if (quit) return quitWhileLocked();
    const bool finished = finishInit();
    return quit ? quitWhileLocked() : finished;
}

bool CoreData::finishInit()
{
    refreshInitValuesFromSetting(currentSetting());

    m_zvwSync = std::make_unique<ZVWSync>();
    if (!m_icalSync) m_icalSync = std::make_unique<iCalSync>();

    m_observer = std::make_unique<QObject>();
    NotificationCenter::defaultCenter().addObserver(m_observer.get(), kReachabilityChangedNotification, nullptr,
                                                    [this](const Notification& n) { reachabilityChanged(n); });
    startNetworkMonitors();

    {
        // Nothing before the window needs the system zone unless the setting
        // has none yet: its search (zone files read one by one for a zone
        // the table does not name) goes on meanwhile.
        const QMutexLocker lock(&m_defaultZoneMutex);
        if (m_defaultZoneAhead) m_appRootTZAhead.store(true, std::memory_order_release);
        else {
            if (m_tzList.zones().isEmpty()) readZoneTable();
            m_appRootTZ = takeDefaultTimezone();
        }
    }
    // Through the shared manager, not this one: the resolver outlives a
    // manager that is gone (tests make one after another), and a dead one's
    // zone table must never be read.
    Utilities::setTimeZoneNameResolver([](qint64 zoneId) {
        const CoreData* manager = CoreData::shared();
        return manager ? manager->getTimeZoneName(zoneId) : QString();
    });
    if (const SettingPtr setting = currentSetting(); setting && (setting->currentTZ() == -1 || setting->currentTZ() == 0))
        setting->setCurrentTZ(appRootTZ());
    followSystemZoneWithoutZoneSupport();
    // A checklist that could not be turned stays one; the next start tries
    // again, and the program runs meanwhile.
    if (!migrateFromCheckListToNote()) qWarning() << "Some checklists stay checklists until the next start";
    return true;
}

// The zone table is the program's own and read at once; finding the system
// zone in it may read zone files one by one (a system zone the table does
// not name), which the pool does while the database opens.
void CoreData::findDefaultTimezoneAhead()
{
    // A search still pending is answered first: it reads the table.
    appRootTZ();
    const QMutexLocker lock(&m_defaultZoneMutex);
    if (m_defaultZoneAhead) m_defaultZoneAhead->answer.wait();
    readZoneTable();
    auto find = std::make_shared<std::packaged_task<qint64()>>([this] { return getDefaultTimezone(); });
    m_defaultZoneAhead = std::make_unique<ZoneAhead>();
    m_defaultZoneAhead->answer = find->get_future();
    GlobalQueue::async([find] { (*find)(); });
}

qint64 CoreData::appRootTZ() const
{
    if (!m_appRootTZAhead.load(std::memory_order_acquire)) return m_appRootTZ;
    const QMutexLocker lock(&m_defaultZoneMutex);
    if (m_appRootTZAhead.load(std::memory_order_relaxed)) {
        m_appRootTZ = takeDefaultTimezone();
        m_appRootTZAhead.store(false, std::memory_order_release);
    }
    return m_appRootTZ;
}

void CoreData::setAppRootTZ(qint64 zoneId)
{
    // A search still pending would otherwise overwrite the choice.
    appRootTZ();
    m_appRootTZ = zoneId;
}

bool CoreData::followSystemZoneWithoutZoneSupport()
{
    const SettingPtr setting = currentSetting();
    if (!setting || setting->tzSupport()) return false;
    // The table names most machine zones by their own name: the search for
    // the system zone's entry need not be waited for then.
    if (getTimeZoneName(setting->currentTZ()) == QString::fromUtf8(GregorianCalendar::systemZone().id())) return false;
    const qint64 system = appRootTZ();
    if (system == 0 || setting->currentTZ() == system) return false;
    setting->setCurrentTZ(system);
    if (!setting->dehydrate()) qWarning() << "The new time zone could not be saved in the settings";
    return true;
}

// How an item read from the store holds its times depends on zone support:
// the read marks it for the setting it was made under. Left as they were when
// the setting turns, rows showed, and an edit wrote, one way's times taken
// for the other's (a New York 13:15 at 13:15 on a machine in Paris once
// support was off), and a row a start without support had given the display
// zone kept that zone once support was back, so a retitle wrote the series
// there. The store keeps each file's own zone: read again as a start reads
// them, the rows hold what the new setting holds.
void CoreData::followZoneSupportChange()
{
    if (!m_icalSync || !bSynciCalEnable()) return;
    m_icalSync->backgroundFullSync();
}

// Waits for the search begun ahead; without one, searches now. Under
// m_defaultZoneMutex.
qint64 CoreData::takeDefaultTimezone() const
{
    if (!m_defaultZoneAhead) return getDefaultTimezone();
    const std::unique_ptr<ZoneAhead> ahead = std::move(m_defaultZoneAhead);
    return ahead->answer.get();
}

void CoreData::startNetworkMonitors()
{
    // The service's own host stands for the service. A monitor the platform
    // cannot make counts as not reachable.
    const auto startAndApply = [this](const std::shared_ptr<Reachability>& monitor) {
        if (!monitor) return;
        monitor->startNotifer();
        updateInternetConnectionStatus(*monitor, false);
    };
    m_hostReach = Reachability::reachabilityWithHostName(ZVWService::hostOf(m_zvwSync->baseAddress()));
    startAndApply(m_hostReach);
    if (internetReachable) return;
    m_internetReach = Reachability::reachabilityForInternetConnection();
    startAndApply(m_internetReach);
    if (internetReachable) return;
    m_wifiReach = Reachability::reachabilityForLocalWiFi();
    startAndApply(m_wifiReach);
}

QString CoreData::databasePath()
{
    return Paths::applicationSupportFolder() + QStringLiteral("/Database.sql");
}

QString CoreData::zvwAccountPath()
{
    return Paths::applicationSupportFolder() + QStringLiteral("/zvw.zvm");
}

QString CoreData::zvwAccountKey(const QString& path)
{
    return Utilities::md5(accountKeyFormat.arg(path));
}

bool CoreData::writeZVWAccount(const QString& userName, const QString& password)
{
    const QString path = zvwAccountPath();
    const std::optional<QByteArray> plist =
        PropertyList::toData(QVariantMap{{QStringLiteral("username"), userName}, {QStringLiteral("password"), password}});
    if (!plist) return false;
    const std::optional<QByteArray> encrypted = DataCrypto::AES256EncryptedDataUsingKey(*plist, zvwAccountKey(path));
    if (!encrypted) return false;
    // The password is in this file: only its owner may read it, from the
    // moment it exists.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(*encrypted);
    if (!file.commit()) return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool CoreData::failStartup(StartupProblem problem, const QString& path, const QString& message)
{
    m_startupFailure = {problem, path, message};
    return false;
}

bool CoreData::createEditableCopyOfDatabaseIfNeeded()
{
    const QString folder = Paths::applicationSupportFolder();
    if (folder.isEmpty()) {
        qCritical("Failed to create directory in Application Support with message '%s'.",
                  "the folder cannot be created");
        const QString wanted = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        return failStartup(StartupProblem::FolderUnavailable, wanted,
                           TextTable::localizedString(QStringLiteral("startupFolderUnavailableText")).arg(wanted));
    }
    // Checked before anything is made in it: root could copy the template
    // into a folder the user made read-only.
    if (!checkDataFolder(folder)) return false;
    const QString target = databasePath();
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink()) {
        if (!checkExistingDatabase(target)) return false;
        if (QFileInfo::exists(target)) {
            m_isUpgrade = true;
            return true;
        }
    }
    if (!copyTemplateDatabase(target)) return false;
    m_isUpgrade = false;
    return true;
}

bool CoreData::checkDataFolder(const QString& folder)
{
    if (DataFolder::isWritable(folder)) return true;
    return failStartup(StartupProblem::FolderReadOnly, folder,
                       TextTable::localizedString(QStringLiteral("startupFolderReadOnlyText")).arg(folder));
}

// True when the database may be opened, or when it was an empty file that is
// now set aside for the template to take its place.
bool CoreData::checkExistingDatabase(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return failStartup(StartupProblem::DatabaseNotSQLite, path,
                           TextTable::localizedString(QStringLiteral("startupDatabaseNotAFileText")).arg(path));
    if (!DataFolder::isWritable(path))
        return failStartup(StartupProblem::DatabaseReadOnly, path,
                           TextTable::localizedString(QStringLiteral("startupDatabaseReadOnlyText")).arg(path));
    if (info.size() != 0 || hasJournal(path)) return true;
    // SQLite would take an empty file for an empty database and every upgrade
    // would fail on it. It holds nothing, but it is kept: it may tell the
    // user (or us) what went wrong before.
    const QString aside = DataFolder::moveAside(path, path + QStringLiteral(".empty-") + fileNameTimestamp(), QString());
    if (aside.isNull())
        return failStartup(StartupProblem::DatabaseCannotBeCreated, path,
                           TextTable::localizedString(QStringLiteral("startupEmptyDatabaseNotMovedText")).arg(path));
    qWarning("The database '%s' was empty; it is kept as '%s' and a new one is made from the template.",
             qUtf8Printable(path), qUtf8Printable(aside));
    return true;
}

bool CoreData::copyTemplateDatabase(const QString& target)
{
    const QString source = Paths::resourcesFolder() + QStringLiteral("/Database.sql");
    QFile templateFile(source);
    if (!templateFile.copy(target)) {
        qCritical("Failed to create writable database file with message '%s'.",
                  qUtf8Printable(templateFile.errorString()));
        return failStartup(StartupProblem::DatabaseCannotBeCreated, target,
                           TextTable::localizedString(QStringLiteral("startupDatabaseCannotCreateText"))
                               .arg(target, templateFile.errorString()));
    }
    // A copy of a read-only resource stays read-only; the database must not.
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

bool CoreData::initializeDatabase()
{
    // Fail harmlessly (SQLITE_MISUSE) once SQLite is initialised; the open
    // below asks for a serialized connection either way. Without the memory
    // statistics (which nothing reads) SQLite allocates without a global lock,
    // which the loads that read on several connections at once would share.
    sqlite3_config(SQLITE_CONFIG_SERIALIZED);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3* database = nullptr;
    const QString path = databasePath();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.toUtf8().constData(), &database, flags, nullptr) != SQLITE_OK) {
        const QString reason = QString::fromUtf8(database ? sqlite3_errmsg(database) : "out of memory");
        qCritical("Failed to open database with message '%s'.", qUtf8Printable(reason));
        sqlite3_close(database);
        return failStartup(StartupProblem::DatabaseCannotBeOpened, path,
                           TextTable::localizedString(QStringLiteral("startupDatabaseCannotOpenText")).arg(path, reason));
    }
    // The start waits as long as it takes (init); the shared connection
    // keeps the usual wait afterwards.
    RecordStore::waitForLocks(database);
    // Nothing is written (no upgrade, no setting) before the file is known to
    // be a database of ours that we may change.
    if (!checkDatabaseIsOurs(database)) {
        sqlite3_close(database);
        return false;
    }
    RecordStore::setSharedDatabase(database);
    databaseOpen = true;
    restrictDataFolderToOwner();

    applySchemaUpgrades();
    // Statements of ours that cannot be prepared on it would fail at every
    // turn: such a database (however it got here) is refused by name.
    if (QString problem; !DatabaseSchema::matchesTemplate(database, true, &problem)) {
        qCritical("The database '%s' is not of Zoravel's schema: %s.", qUtf8Printable(path), qUtf8Printable(problem));
        DatabaseRestore::closeSharedDatabase();
        return failStartup(StartupProblem::DatabaseNotOurs, path,
                           TextTable::localizedString(QStringLiteral("startupDatabaseSchemaText")).arg(path, problem));
    }
    if (!readSettingsWhole(*this)) {
        qCritical("Failed to open database with message '%s'.", "the settings could not be read");
        return false;
    }
    if (const SettingPtr setting = currentSetting()) setting->setNoteMode(1);
    getZVWAccount();
    getAutoSetting();

    getTagList();
    getValidLinks();

    setCalendarReloadInProgress(true);
    // Only the display order is at stake: the start goes on with the
    // categories as they can be read.
    if (!loadCategoriesGivingThemAnOrder(*this)) {
        qWarning("Categories without an order keep none until the next start.");
        doWithCalendarList(getCalendarList(), ListAction::Replace);
    }
    setCalendarReloadInProgress(false);
    return true;
}

void CoreData::runUpgrades(const QStringList& statements)
{
    if (!databaseOpen) return;
    sqlite3* database = RecordStore::sharedDatabase();
    for (const QString& statement : statements) {
        char* error = nullptr;
        if (sqlite3_exec(database, statement.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK) continue;
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        if (DatabaseSchema::isAlreadyDone(message)) continue;
        qCritical("Error: failed to upgrade the database with message '%s'.", qUtf8Printable(message));
        m_upgradeFailures.append(statement + QStringLiteral(": ") + message);
    }
}

// A database just made from the template takes every upgrade: one unit, so
// one write to the disk instead of several for each of the sixty statements.
// An upgrade already done fails inside the unit without spoiling it. Should
// the unit itself not commit, each statement is tried on its own as before.
void CoreData::applySchemaUpgrades()
{
    const auto applyAll = [this] {
        changeDBSettingTable();
        createDBTagTable();
        changeDBTagTable();
        createDBLinkTable();
        changeDBLinkTable();
        createDBUrlTable();
        createDBCommentTable();
        changeDBTaskTable();
        changeDBCalendarTable();
        runUpgrades(DatabaseSchema::taskCreationMarks());
        runUpgrades(DatabaseSchema::storeSyncTableCreation(RecordStore::sharedDatabase()));
    };
    const qsizetype failuresBefore = m_upgradeFailures.size();
    {
        Transaction unit;
        if (unit.isOpen()) {
            applyAll();
            if (unit.commit()) return;
        }
    }
    qWarning("The schema upgrades could not be applied together; each is tried on its own.");
    m_upgradeFailures.resize(failuresBefore);
    applyAll();
}

void CoreData::changeDBSettingTable() { runUpgrades(DatabaseSchema::settingTableChanges()); }
void CoreData::createDBTagTable() { runUpgrades(DatabaseSchema::tagTableCreation()); }
void CoreData::changeDBTagTable() { runUpgrades(DatabaseSchema::tagTableChanges()); }
void CoreData::createDBLinkTable() { runUpgrades(DatabaseSchema::linkTableCreation()); }
void CoreData::changeDBLinkTable() { runUpgrades(DatabaseSchema::linkTableChanges()); }
void CoreData::createDBUrlTable() { runUpgrades(DatabaseSchema::urlTableCreation()); }
void CoreData::createDBCommentTable() { runUpgrades(DatabaseSchema::commentTableCreation()); }
void CoreData::changeDBTaskTable() { runUpgrades(DatabaseSchema::taskTableChanges()); }
void CoreData::changeDBCalendarTable() { runUpgrades(DatabaseSchema::calendarTableChanges()); }

bool CoreData::checkDatabaseIsOurs(sqlite3* database)
{
    const QString path = databasePath();
    // Where the system refuses the write, SQLite opens the file read-only
    // instead of failing.
    if (sqlite3_db_readonly(database, "main") == 1)
        return failStartup(StartupProblem::DatabaseReadOnly, path,
                           TextTable::localizedString(QStringLiteral("startupDatabaseReadOnlyText")).arg(path));
    QStringList tables;
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(database, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &statement,
                                    nullptr);
    if (result == SQLITE_OK) {
        while ((result = sqlite3_step(statement)) == SQLITE_ROW)
            tables.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
    }
    const QString reason = QString::fromUtf8(sqlite3_errmsg(database));
    sqlite3_finalize(statement);
    if (result != SQLITE_DONE) {
        qCritical("Failed to open database with message '%s'.", qUtf8Printable(reason));
        if ((result & 0xff) == SQLITE_NOTADB)
            return failStartup(StartupProblem::DatabaseNotSQLite, path,
                               TextTable::localizedString(QStringLiteral("startupDatabaseNotSQLiteText")).arg(path, reason));
        return failStartup(StartupProblem::DatabaseCannotBeOpened, path,
                           TextTable::localizedString(QStringLiteral("startupDatabaseCannotOpenText")).arg(path, reason));
    }
    QStringList missing;
    for (const QString& table : DatabaseSchema::ownTables())
        if (!tables.contains(table, Qt::CaseInsensitive)) missing.append(table);
    if (missing.isEmpty()) return true;
    return failStartup(StartupProblem::DatabaseNotOurs, path,
                       TextTable::localizedString(QStringLiteral("startupDatabaseNotOursText"))
                           .arg(path, missing.join(QStringLiteral(", "))));
}

// The database, the account and the backups hold everything the user has,
// the service token included; folders made by earlier versions were open to
// every user of the machine.
void CoreData::restrictDataFolderToOwner() const
{
    const QString folder = Paths::applicationSupportFolder();
    for (const QString& path : {folder, databasePath(), zvwAccountPath()})
        if (!DataFolder::restrictToOwner(path))
            qWarning("Cannot make '%s' private to its owner.", qUtf8Printable(path));
    Setting::restrictAutoBackupsToOwner();
}

QStringList CoreData::upgradeFailures() const
{
    return m_upgradeFailures;
}

void CoreData::getSettingList()
{
    if (!databaseOpen) return;
    QList<qint64> keys;
    {
        RecordGuard guard;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(RecordStore::sharedDatabase(), "SELECT primaryKey FROM Settings", -1, &statement,
                               nullptr) != SQLITE_OK)
            return;
        while (RecordStore::step(statement) == SQLITE_ROW) keys.append(sqlite3_column_int64(statement, 0));
        sqlite3_finalize(statement);
    }
    // With several rows, the last one read is the one in use.
    for (qint64 key : keys) setCurrentSetting(Setting::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
}

void CoreData::getZVWAccount()
{
    const SettingPtr setting = currentSetting();
    if (!setting) return;
    const auto clearAccount = [&setting](bool clearToken) {
        setting->setZvwUserName(clearToken ? QStringLiteral("") : QString());
        setting->setZvwPassword(clearToken ? QStringLiteral("") : QString());
        if (clearToken) setting->setZvwToken(QStringLiteral(""));
        setting->setAutoZVWSync(0);
        // One row. Cleared in memory either way; a write that failed (logged)
        // leaves the record dirty, saved with the next write of the settings.
        static_cast<void>(setting->dehydrate());
        setting->setAutoSync();
    };

    const QString path = zvwAccountPath();
    if (!isFile(path)) {
        clearAccount(false);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportUnreadableAccountFile(path, file.errorString());
        clearAccount(true);
        return;
    }
    const std::optional<QByteArray> plain = DataCrypto::decryptedAES256DataUsingKey(file.readAll(), zvwAccountKey(path));
    const PropertyList::Result read = plain ? PropertyList::fromData(*plain) : PropertyList::Result{};
    const QVariantMap account = read.ok() ? read.value.toMap() : QVariantMap();
    if (!account.contains(QStringLiteral("username"))) {
        reportUnreadableAccountFile(path, !plain      ? QStringLiteral("it cannot be decrypted")
                                          : !read.ok() ? read.errorText
                                                       : QStringLiteral("it holds no account"));
        clearAccount(true);
        return;
    }
    setting->setZvwUserName(account.value(QStringLiteral("username")).toString());
    setting->setZvwPassword(account.value(QStringLiteral("password"), QStringLiteral("")).toString());
    setting->setZvwToken(QStringLiteral(""));
}

// The account stops working, so the user must hear of it, but once a start:
// the account is read again after a sign-in or a restore. The file itself is
// left as it is.
void CoreData::reportUnreadableAccountFile(const QString& path, const QString& reason)
{
    if (m_accountProblemReported) return;
    m_accountProblemReported = true;
    qWarning("The account file '%s' cannot be read (%s); web sync stays off until the next sign-in.",
             qUtf8Printable(path), qUtf8Printable(reason));
    AlertRequest alert;
    alert.style = AlertStyle::Warning;
    alert.messageText = TextTable::localizedString(QStringLiteral("accountFileUnreadableText"));
    alert.informativeText = TextTable::localizedString(QStringLiteral("accountFileUnreadableMessage")).arg(path);
    alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    AlertPresenter::current().runModal(alert);
}

void CoreData::getAutoSetting()
{
    const SettingPtr setting = currentSetting();
    if (!setting) return;
    const QString path = Paths::applicationSupportFolder() + QStringLiteral("/auto.plist");
    if (!isFile(path)) {
        setting->setAutoZVWSync(0);
        setting->setAutoICalSync(1);
    } else {
        const PropertyList::Result read = PropertyList::readFile(path);
        setting->setAutoICalSync(1);
        setting->setAutoZVWSync(read.ok() ? read.value.toMap().value(QStringLiteral("autoZVWSync"), 0).toLongLong() : 0);
    }
    if (setting->zvwUserName().isEmpty() || setting->zvwPassword().isEmpty()) setting->setAutoZVWSync(0);
}

void CoreData::refreshInitValuesFromSetting(const SettingPtr& setting)
{
    if (!setting || m_currentVersion == setting->databaseVersion()) return;
    setting->setStartUpWizard(1);
    setting->setDatabaseVersion(m_currentVersion);
    // One row. A write that failed (logged) leaves the record dirty, saved
    // with the next write of the settings; until then the next start compares
    // the stored version again and shows the wizard again.
    static_cast<void>(setting->dehydrate());
}

void CoreData::setICalSync(std::unique_ptr<iCalSync> sync)
{
    m_icalSync = std::move(sync);
}

void CoreData::setZVWSync(std::unique_ptr<ZVWSync> sync)
{
    m_zvwSync = std::move(sync);
}

Date CoreData::today() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_today;
}

void CoreData::setToday(const Date& day)
{
    QMutexLocker lock(&m_objectMutex);
    m_today = day;
}

Date CoreData::currentSelectedDay() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_currentSelectedDay;
}

void CoreData::setCurrentSelectedDay(const Date& day)
{
    QMutexLocker lock(&m_objectMutex);
    m_currentSelectedDay = day;
}

// ---------------------------------------------------------------------------
// Network

void CoreData::updateInternetConnectionStatus(const Reachability& monitor, bool autoSyncZVW)
{
    const int status = monitor.currentReachabilityStatus();
    const bool reachable = status == 1 || status == 2;
    if (reachable && !internetReachable && autoSyncZVW) {
        const SettingPtr setting = currentSetting();
        // Categories, items, tags and settings: what may have changed offline.
        if (setting && setting->autoZVWSync())
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, qint64(39));
    }
    if (reachable)
        internetReachable = true;
    else if (status == 0)
        internetReachable = false;
}

void CoreData::reachabilityChanged(const Notification& notification)
{
    const auto* monitor = notification.objectAs<Reachability*>();
    if (!monitor) {
        qCritical("Invalid parameter not satisfying: %s", "[curReach isKindOfClass:[Reachability class]]");
        return;
    }
    updateInternetConnectionStatus(*monitor, true);
}

// ---------------------------------------------------------------------------
// Time zones

void CoreData::loadTimeZones()
{
    // Not under a search begun ahead, which reads the table.
    appRootTZ();
    readZoneTable();
}

void CoreData::readZoneTable()
{
    TimezoneList shipped;
    const QJsonArray records = QJsonDocument::fromJson(TimeZoneRecords::json()).array();
    for (const QJsonValue& value : records) {
        const QJsonObject record = value.toObject();
        if (!record.contains(QStringLiteral("id")) || !record.contains(QStringLiteral("name"))) continue;
        const QString name = record.value(QStringLiteral("name")).toString();
        const QString identifier = name.section(QLatin1Char(' '), 1, 1);
        if (identifier == QLatin1String("Floating")) {
            shipped.insertObject(name, 0, identifier, 0);
            continue;
        }
        shipped.addObject(name, record.value(QStringLiteral("id")).toInteger(), identifier);
    }
    // The "GMT" entry is UTC all year and the store writes it as UTC: the
    // pickers name it so.
    QList<TimezoneObj> zones = shipped.zones();
    for (TimezoneObj& entry : zones)
        if (entry.tzId == utcZoneId) entry.cityName = QStringLiteral("UTC");
    shipped.setZones(zones);
    QMutexLocker lock(&m_tzLabelMutex);
    m_tzList = shipped;
    m_tzLoadedAt = Clock::now();
    m_tzLabelled.reset();
}

namespace {

// An entry's label with the zone's offset at `at`: "(GMT+01:00) Europe/Paris".
// A machine without this zone's rules keeps the entry and its id, since
// items may carry it, with the label the table shipped with.
QString labelAt(const TimezoneObj& entry, qint64 at)
{
    if (entry.tzRegionName == QLatin1String("Floating")) return entry.tzName;
    const QTimeZone zone = GregorianCalendar::zoneNamed(entry.tzRegionName);
    if (!zone.isValid()) return entry.tzName;
    const int seconds = zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(at));
    const int hours = seconds / 3600;
    const int minutes = std::abs((seconds - hours * 3600) / 60);
    const QString sign = seconds <= -3600 ? QString() : QStringLiteral("+");
    return QStringLiteral("(GMT%1%2:%3) %4")
        .arg(sign, QString::asprintf("%.2d", hours), QString::asprintf("%.2d", minutes), entry.tzRegionName);
}

// The offset an entry's label shows, "(GMT-09:30) …" or as shipped
// "(GMT-0930) …", in seconds; none for the floating zone's.
std::optional<int> labelOffset(const QString& label)
{
    static const QRegularExpression offset(QStringLiteral("^\\(GMT([+-])(\\d\\d):?(\\d\\d)\\)"));
    const QRegularExpressionMatch match = offset.match(label);
    if (!match.hasMatch()) return std::nullopt;
    const int seconds = match.captured(2).toInt() * 3600 + match.captured(3).toInt() * 60;
    return match.captured(1) == QLatin1String("-") ? -seconds : seconds;
}

}  // namespace

const TimezoneList& CoreData::tzList() const
{
    QMutexLocker lock(&m_tzLabelMutex);
    if (m_tzLabelled) return *m_tzLabelled;
    const qint64 at = qint64(m_tzLoadedAt.timeIntervalSince1970());
    QList<TimezoneObj> zones = m_tzList.zones();
    for (TimezoneObj& entry : zones) entry.tzName = labelAt(entry, at);
    // The list goes by the offsets its labels show, the ones of today, not
    // those the records were made with; the floating zone first, and zones
    // at one offset in the records' order.
    std::vector<std::pair<int, qsizetype>> order;
    order.reserve(std::size_t(zones.size()));
    for (qsizetype i = 0; i < zones.size(); ++i) order.emplace_back(labelOffset(zones[i].tzName).value_or(INT_MIN), i);
    std::sort(order.begin(), order.end());
    QList<TimezoneObj> sorted;
    sorted.reserve(zones.size());
    for (const auto& [offset, index] : order) sorted.append(zones[index]);
    m_tzLabelled.emplace();
    m_tzLabelled->setZones(sorted);
    return *m_tzLabelled;
}

namespace {

// Name lookups ignore case and accents, as the zone picker's search does.
QString foldedForSearch(const QString& text)
{
    QString folded = text.normalized(QString::NormalizationForm_D);
    folded.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return folded.toCaseFolded();
}

// Every label is an offset part, "(GMT+hh:mm) " (or as shipped, "(GMT+hhmm) "),
// and the zone's identifier. Text that can be found in a label only inside
// its identifier is found in the shipped labels just as well, without the
// zones' files being read for the offsets.
bool mayMatchOffsetPart(const QString& folded)
{
    if (folded.contains(QLatin1String(") "))) return true;
    return std::all_of(folded.cbegin(), folded.cend(),
                       [](QChar c) { return QStringView(u"(gmt+-?0123456789:) ").contains(c); });
}

const TimezoneObj* findZone(const TimezoneList& list, qint64 zoneId)
{
    for (const TimezoneObj& zone : list.zones())
        if (zone.tzId == zoneId) return &zone;
    return nullptr;
}

QString offsetLabel(int seconds)
{
    const int hours = seconds / 3600;
    const int minutes = (seconds - hours * 3600) / 60;
    if (seconds > -3600) return QString::asprintf("(GMT+%02d:%02d)", hours, minutes);
    if (seconds > -36000) return QString::asprintf("(GMT-%02d:%02d)", -hours, std::abs(minutes));
    return QString::asprintf("(GMT%02d:%02d)", hours, std::abs(minutes));
}

}  // namespace

qint64 CoreData::getTimeZoneId(const QString& text) const
{
    const QString needle = foldedForSearch(text);
    for (const TimezoneObj& zone : (mayMatchOffsetPart(needle) ? tzList() : m_tzList).zones())
        if (foldedForSearch(zone.tzName).contains(needle)) return zone.tzId;
    return 0;
}

qint64 CoreData::getDefaultTimezone() const
{
    const QString systemName = QString::fromUtf8(GregorianCalendar::systemZone().id());
    const QString needle = foldedForSearch(systemName);
    for (const TimezoneObj& zone : (mayMatchOffsetPart(needle) ? tzList() : m_tzList).zones())
        if (foldedForSearch(zone.tzName).contains(needle)) return zone.tzId;
    // The first zone with the system's offset: labelled one at a time, so
    // only the zones up to it are read while the table is not labelled yet.
    const QString label = offsetLabel(GregorianCalendar::secondsFromGMT());
    {
        QMutexLocker lock(&m_tzLabelMutex);
        if (!m_tzLabelled) {
            const qint64 at = qint64(m_tzLoadedAt.timeIntervalSince1970());
            for (const TimezoneObj& zone : m_tzList.zones())
                if (labelAt(zone, at).contains(label)) return zone.tzId;
            return 0;
        }
    }
    for (const TimezoneObj& zone : tzList().zones())
        if (zone.tzName.contains(label)) return zone.tzId;
    return 0;
}

QString CoreData::getTimeZoneName(qint64 zoneId) const
{
    const TimezoneObj* zone = findZone(m_tzList, zoneId);
    return zone ? zone->tzRegionName : QString();
}

QString CoreData::getTimeZoneGMT(qint64 zoneId) const
{
    const TimezoneObj* zone = findZone(m_tzList, zoneId);
    return zone ? zone->cityName : QString();
}

std::optional<TimezoneObj> CoreData::getTimeZone(qint64 zoneId) const
{
    {
        // One zone asked for labels that zone alone, as tzList() would.
        QMutexLocker lock(&m_tzLabelMutex);
        if (!m_tzLabelled) {
            const TimezoneObj* zone = findZone(m_tzList, zoneId);
            if (!zone) return std::nullopt;
            TimezoneObj labelled = *zone;
            labelled.tzName = labelAt(*zone, qint64(m_tzLoadedAt.timeIntervalSince1970()));
            return labelled;
        }
    }
    const TimezoneObj* zone = findZone(tzList(), zoneId);
    return zone ? std::optional<TimezoneObj>(*zone) : std::nullopt;
}

QTimeZone CoreData::zoneHeldWithoutZoneSupport(const Task& item, const Setting* setting) const
{
    if (!setting || setting->tzSupport() || item.taskType() != ItemKind::Event || item.tz() == 0) return {};
    if (item.tz() == utcZoneId) return QTimeZone::utc();
    if (!item.heldInFileZone() || !findZone(m_tzList, item.tz())) return {};
    return GregorianCalendar::zoneNamed(getTimeZoneName(item.tz()));
}

void CoreData::recalculateTimeWithTimezoneSupport(const TaskPtr& item) const
{
    recalculateTimeWithTimezoneSupport(item, currentSetting().get());
}

void CoreData::recalculateTimeWithTimezoneSupport(const TaskPtr& item, const Setting* setting) const
{
    const auto plainCopy = [&item] {
        item->setTzStartTime(item->startTime());
        item->setTzEndTime(item->endTime());
    };
    if (const QTimeZone held = zoneHeldWithoutZoneSupport(*item, setting); held.isValid()) {
        const QTimeZone machine = GregorianCalendar::systemZone();
        item->setTzStartTime(GregorianCalendar::wallTimeInZone(item->startTime(), held, machine));
        item->setTzEndTime(GregorianCalendar::wallTimeInZone(item->endTime(), held, machine));
        return;
    }
    if (!setting || !setting->tzSupport() || item->taskType() != ItemKind::Event || item->tz() == setting->currentTZ()
        || item->tz() == 0 || !findZone(m_tzList, item->tz()) || !findZone(m_tzList, setting->currentTZ())) {
        plainCopy();
        return;
    }
    const QTimeZone source = GregorianCalendar::zoneNamed(getTimeZoneName(item->tz()));
    const QTimeZone display = GregorianCalendar::zoneNamed(getTimeZoneName(setting->currentTZ()));
    if (!source.isValid() || !display.isValid()) {
        plainCopy();
        return;
    }
    item->setTzStartTime(GregorianCalendar::wallTimeInZone(item->startTime(), source, display));
    item->setTzEndTime(GregorianCalendar::wallTimeInZone(item->endTime(), source, display));
}

void CoreData::recalculateSaveTimeWithTimezoneSupport(const TaskPtr& item) const
{
    const SettingPtr setting = currentSetting();
    // With zone support off every item shows at its own times (see above), so
    // a time the person put on the grid is its own time too; one held in UTC
    // or in its file's zone shows in the machine's clock.
    if (const QTimeZone held = zoneHeldWithoutZoneSupport(*item, setting.get()); held.isValid()) {
        const QTimeZone machine = GregorianCalendar::systemZone();
        if (item->startTime()) item->setStartTime(GregorianCalendar::wallTimeInZone(item->startTime(), machine, held));
        if (item->endTime()) item->setEndTime(GregorianCalendar::wallTimeInZone(item->endTime(), machine, held));
        return;
    }
    if (!setting || !setting->tzSupport() || item->taskType() != ItemKind::Event || item->tz() == setting->currentTZ()
        || item->tz() == 0)
        return;
    if (!findZone(m_tzList, item->tz()) || !findZone(m_tzList, setting->currentTZ())) return;
    const QTimeZone source = GregorianCalendar::zoneNamed(getTimeZoneName(item->tz()));
    const QTimeZone display = GregorianCalendar::zoneNamed(getTimeZoneName(setting->currentTZ()));
    if (!source.isValid() || !display.isValid()) return;
    if (item->startTime()) item->setStartTime(GregorianCalendar::wallTimeInZone(item->startTime(), display, source));
    if (item->endTime()) item->setEndTime(GregorianCalendar::wallTimeInZone(item->endTime(), display, source));
}

// A query, not a record method: a statement that cannot run gives the empty
// answer instead of ending the program.
qint64 CoreData::queryInt64(const char* sql)
{
    if (!databaseOpen) return 0;
    RecordGuard guard;
    QueryStatement query(sql);
    return query.firstInt64().value_or(0);
}
