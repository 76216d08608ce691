// The full two-way pass with the web service: its start, its steps in order,
// the server backup, the closing actions, and the replace of the local data
// with the account's.
#include "ZVWSync.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "MainQueue.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Setting.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QDebug>
#include <QPointer>

#include <sqlite3.h>

namespace {

// The views take this to mean the settings may have changed under them.
const QString settingChangedBySyncNotification = QStringLiteral("com.qrb.settingChangedBySyncNotification");

SettingPtr passSetting()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : nullptr;
}

// Hides the indicator on every path out of a pass that showed it; the call
// reaches the main thread without the pass waiting for it.
struct SyncingIndicator {
    SyncingIndicator() { MainViewAccess::postShowSyncingIndicator(); }
    ~SyncingIndicator() { MainViewAccess::postHideSyncingIndicator(); }
    SyncingIndicator(const SyncingIndicator&) = delete;
    SyncingIndicator& operator=(const SyncingIndicator&) = delete;
};

// The data manager's wipe takes only the categories linked to the store's
// local calendars. A category never linked to the store exists only here and
// on the web; kept, its unsent items would go up with the replace's own pass
// and the local data would not become the account's. Categories of the
// store's other calendar kinds stay, as the wipe keeps them.
bool wipeCategoriesOutsideTheStore(CoreData& dataManager)
{
    CalendarList categories;
    TaskList items;
    for (const CalendarPtr& category : dataManager.calendarList()) {
        if (!category->typeOfCal().isEmpty()) continue;
        categories.append(category);
        items += dataManager.getTaskBelongToCalendarId(category->primaryKey());
        items += dataManager.getEventBelongToCalendarId(category->primaryKey());
        items += dataManager.getNoteBelongToCalendarId(category->primaryKey());
    }
    // An empty type may be stored as NULL as well as "".
    const bool wiped =
        QueryStatement("DELETE FROM Tasks WHERE calendarId IN "
                       "(SELECT primaryKey FROM Calendars WHERE ifnull(typeOfCal, '')='')")
            .execute(RecordStore::deleteErrorText)
        && QueryStatement("DELETE FROM Calendars WHERE ifnull(typeOfCal, '')=''").execute(RecordStore::deleteErrorText);
    if (!wiped) return false;
    // The lists follow the rows at once (a rollback of the wipe gives them
    // back): the default category made next must not find the old "Zoravel"
    // still listed, or it would be named "Zoravel_1", match nothing on the
    // service and go up as a category of its own.
    dataManager.doWithAllTasksEventsAdes(items, ListAction::Remove);
    dataManager.doWithCalendarList(categories, ListAction::Remove);
    return true;
}

// A pass writes its answers in hundreds of units. Each commit of the
// default journal creates the journal file and deletes it again, and the
// file system's search for a free inode then costs more than the rows
// themselves. For the pass the journal is truncated instead (the same
// durability; a file of no length stays between the commits); its own mode
// comes back at the end, which removes that file.
class JournalTruncatedDuringPass {
public:
    JournalTruncatedDuringPass()
    {
        if (!databaseOpen) return;
        RecordGuard guard;
        sqlite3* db = RecordStore::sharedDatabase();
        if (!db || !sqlite3_get_autocommit(db)) return;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            m_mode = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        if (m_mode.compare("delete", Qt::CaseInsensitive) != 0) {
            m_mode.clear();  // another mode was chosen on purpose: kept
            return;
        }
        if (sqlite3_exec(db, "PRAGMA journal_mode=TRUNCATE", nullptr, nullptr, nullptr) != SQLITE_OK) m_mode.clear();
    }
    ~JournalTruncatedDuringPass()
    {
        if (m_mode.isEmpty() || !databaseOpen) return;
        RecordGuard guard;
        if (sqlite3* db = RecordStore::sharedDatabase())
            if (sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK)
                qWarning() << "The database's journal mode could not be set back after the web sync";
    }
    JournalTruncatedDuringPass(const JournalTruncatedDuringPass&) = delete;
    JournalTruncatedDuringPass& operator=(const JournalTruncatedDuringPass&) = delete;

private:
    QByteArray m_mode;
};

}  // namespace

ZVWSync::WebSyncBusyHold::WebSyncBusyHold(bool take)
{
    if (take) webSyncBusy = true;
}

ZVWSync::WebSyncBusyHold::~WebSyncBusyHold()
{
    webSyncBusy = false;
}

bool ZVWSync::backgroundFullSync(QObject* sender)
{
    {
        // One test and set: a second request between the queueing and the
        // start of the pass is refused as well.
        std::lock_guard lock(m_mutex);
        if (!internetReachable) return false;
        if (m_isSyncing) {
            // A push or a one-way run is short: the full sync follows it.
            if (m_syncHolder != SyncHolder::Push && m_syncHolder != SyncHolder::OneWay) return false;
            m_fullSyncDeferred = true;
            m_deferredSender = sender;
            return true;
        }
        m_isSyncing = true;
        m_syncHolder = SyncHolder::Full;
    }
    // The failure of an earlier pass must not stop this one.
    setErrorDescription(QString());
    QPointer<QObject> asker(sender);
    m_queue.async([this, asker] {
        SyncingHold hold(*this);
        m_passSender = asker;
        m_passFinished = false;
        fullSync();
        m_passSender = nullptr;
        // The asker learns of a pass that stopped short too: it may be
        // waiting with its controls disabled.
        if (!m_passFinished && asker)
            MainQueue::async([asker] {
                if (asker) NotificationCenter::defaultCenter().postNotificationName(kSyncZVWFailedNotification, asker.data());
            });
    });
    return true;
}

void ZVWSync::fullSync()
{
    if (m_quitting) return;
    {
        // Pending push requests are covered by this pass.
        std::lock_guard lock(m_mutex);
        m_pendingBits = 0;
    }
    // A stop asked for during an earlier pass ends that one, not this.
    setIsBreak(false);
    const WebSyncBusyHold busy;

    const SettingPtr setting = passSetting();
    if (!setting || setting->zvwUserName().isEmpty() || setting->zvwPassword().isEmpty()) return;
    const SyncingIndicator indicator;
    const JournalTruncatedDuringPass journal;

    // Any write of the pass that fails (a full disk) fails it, the token's
    // included: nothing after it acts on what it did not store.
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    allowTokenRenewal();
    refreshToken();
    if (!stopOnWriteFailure(failuresBefore) && !makeZvwKeyAPI() && errorDescription().isEmpty())
        reportServerError(TextTable::localizedString(QStringLiteral("zvwNoTokenText")));

    // Every step returns at once once one of them failed; a step whose
    // writes to the database failed (a full disk) fails the pass too, so
    // nothing after it acts on what it did not store.
    using Step = void (ZVWSync::*)();
    for (const Step step : {&ZVWSync::callAutoBackupOnServerIfNeed, &ZVWSync::getSettingFromZVW,
                            &ZVWSync::getTagsFromZVW, &ZVWSync::syncTagsWithZVW, &ZVWSync::getProjectsFromZVW,
                            &ZVWSync::syncProjectsWithZVW, &ZVWSync::deleteItemsInLocal, &ZVWSync::getItemsFromZVW,
                            &ZVWSync::syncItemsWithZVW, &ZVWSync::getLinksFromZVW, &ZVWSync::syncLinksWithZVW,
                            &ZVWSync::getCommentsFromZVW, &ZVWSync::syncCommentsWithZVW}) {
        (this->*step)();
        stopOnWriteFailure(failuresBefore);
    }
    syncSettingWithZVW(m_passSender.data());
    if (!errorDescription().isEmpty())
        qWarning().noquote() << "The web sync stopped:" << errorDescription();
}

QString ZVWSync::writeFailureSince(quint64 failuresBefore)
{
    if (RecordStore::failedStepsOnThisThread() == failuresBefore) return QString();
    return writeFailureText();
}

QString ZVWSync::writeFailureText()
{
    // A lock held by another program passes once it lets go: making room on
    // the disk would not help.
    const QString text = RecordStore::lastFailureWasLock()
                             ? TextTable::localizedString(QStringLiteral("zvwWriteLockedText"))
                             : TextTable::localizedString(QStringLiteral("zvwWriteFailedText"));
    return text.arg(RecordStore::lastFailureOnThisThread());
}

bool ZVWSync::stopOnWriteFailure(quint64 failuresBefore)
{
    if (m_quitting) {
        reportServerError(QStringLiteral("The organizer is quitting"));
        return true;
    }
    const QString failure = writeFailureSince(failuresBefore);
    if (failure.isEmpty()) return false;
    if (errorDescription().isEmpty()) reportServerError(failure);
    return true;
}

void ZVWSync::callAutoBackupOnServerIfNeed()
{
    const SettingPtr setting = passSetting();
    if (!setting) return;
    const double now = Utilities::toDBDate(Clock::now()).timeIntervalSince1970();
    const double latest = setting->latestBackupOnServer();
    if (latest != 0 && now - latest <= serverBackupInterval) return;
    if (!errorDescription().isEmpty()) return;

    // Whatever the body says, an answer means the service took the request.
    const HttpReply reply = sendRequest("GET", dataAddress(QStringLiteral("backups.json")), true);
    if (reply.transportFailed()) {
        reportServerError(reply.errorText);
        return;
    }
    setting->setLatestBackupOnServer(now);
    if (!setting->saveLocalSettings())
        qWarning() << "The time of the server backup could not be saved; the next pass asks again";
}

void ZVWSync::closeFullPass(QObject* sender)
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = passSetting();
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    if (setting) {
        setting->setDoRestore(0);
        setting->setZvwSyncTime(Clock::now());
        if (!setting->dehydrate()) qWarning() << "The settings could not be saved at the end of the web sync";
    }
    // Not stored, the pass did not end: nothing reloads or reports it done.
    if (stopOnWriteFailure(failuresBefore)) return;
    if (dataManager) {
        dataManager->doWithAllTasksEventsAdes(std::nullopt, ListAction::Remove);
        if (dataManager->isAppliedTagFilter()) {
            dataManager->getTaskWithTag(dataManager->getShowTag());
        } else {
            QList<qint64> shown;
            for (const CalendarPtr& calendar : dataManager->calendarList())
                if (calendar->inVisible() == 0) shown.append(calendar->primaryKey());
            dataManager->addTasksToListFromCalendarList(shown);
        }
    }
    webSyncBusy = false;

    // Only a live sender is posted: the pass's own is held weakly, and one
    // given by a direct caller is alive while it calls.
    QPointer<QObject> asker = sender && sender == m_passSender.data() ? m_passSender : QPointer<QObject>(sender);
    const bool hadSender = sender != nullptr;
    m_passFinished = true;
    MainQueue::async([asker, hadSender] {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        if (hadSender && asker) center.postNotificationName(kSyncZVWFinishedNotification, asker.data());
        center.postNotificationName(settingChangedBySyncNotification);
    });
}

ZVWSync::WebToMac ZVWSync::prepareOneWayWebToMac(QObject* sender)
{
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = passSetting();
    if (!dataManager || !setting || setting->zvwUserName().isEmpty() || setting->zvwPassword().isEmpty())
        return WebToMac::NoAccount;
    // The wipe must be followed by its download: nothing is touched while
    // the pass could not start.
    if (!internetReachable || isSyncing()) {
        qWarning() << "The replace of the local data waits for the network and for the sync under way";
        return WebToMac::SyncNotStarted;
    }
    if (checkValidToken(setting->zvwUserName(), setting->zvwPassword()) == -1) {
        qWarning() << "The web service did not confirm the account; nothing local is replaced";
        return WebToMac::AccountNotConfirmed;
    }

    // No push may start from the wipe's own changes.
    setting->setAutoZVWSync(0);
    if (!setting->setAutoSync()) qWarning() << "Automatic web sync was turned off but could not be saved";
    if (!setting->dehydrate()) qWarning() << "The settings could not be saved before the replace";

    {
        // The wipe keeps the item rows of the categories it deletes when the
        // calendar store is not synced; left behind, they would go up again
        // under a category that is gone. Items of no category go with it, in
        // the same unit.
        Transaction wipe;
        const bool wiped =
            wipe.isOpen() && wipeCategoriesOutsideTheStore(*dataManager) && dataManager->deleteDatabaseCreateDefaultCate(true)
            && QueryStatement("DELETE FROM Tasks WHERE calendarId NOT IN (SELECT primaryKey FROM Calendars)")
                   .execute(RecordStore::deleteErrorText)
            && wipe.commit();
        if (!wiped) {
            qWarning() << "The local data could not be wiped; nothing was replaced";
            return WebToMac::WipeFailed;
        }
    }
    // With nothing pending and zero stamps the pass takes every server record.
    setting->setZvwDeletedProjects(QString());
    setting->setZvwDeletedTag(QString());
    setting->setZvwDeletedTasks(QString());
    setting->setLastUpdate(0);
    setting->setLastUpdateWork(0);
    if (!setting->dehydrate()) qWarning() << "The emptied stamps could not be saved before the replace";

    if (!backgroundFullSync(sender)) {
        qWarning() << "The full web sync of the replace could not start";
        return WebToMac::SyncNotStarted;
    }
    return WebToMac::Started;
}
