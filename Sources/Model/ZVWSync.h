#pragma once

#include "Date.h"
#include "HttpSession.h"
#include "ModelTypes.h"
#include "ScheduledTimer.h"
#include "ZVWReply.h"
#include "SerialQueue.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QList>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

inline const QString kAutoSyncNotification = QStringLiteral("com.qrb.zvm.AutoSyncNotification");
// Posted on the main thread when a full web sync ends; the object is the
// sender that asked for it (none when nobody did).
inline const QString kSyncZVWFinishedNotification = QStringLiteral("Sync ZVW finished notification");
// A web request failed; the object is the failure's text.
inline const QString kServerErrorNotification = QStringLiteral("com.qrb.zvm.ServerErrorNotification");
// The web service refused the account; the object is the web sync.
// A full sync or a one-way run that was given a sender ended without
// finishing (a failed step, a refused token, no account): posted on the
// main thread with that sender, in place of the finished notification.
inline const QString kSyncZVWFailedNotification = QStringLiteral("Sync ZVW failed notification");
inline const QString kZVWAccountInvalidNotification = QStringLiteral("ZVW account is invalid");

// Set while a one-way web replace runs; the sign-in check waits for it.
extern std::atomic<bool> webSyncBusy;

// The one client of the web service in the process, made by the data manager.
//
// It builds, sends and judges the requests (one blocking request at a time on
// the calling thread, with the HTTP layer's time-outs), keeps the request
// token fresh, signs the account calls and the data calls, and collects the
// automatic push requests: each request is a bitmask (1 categories, 2 items,
// 4 tags, 8 links, 32 settings); requests during a sync are dropped, the rest
// are merged and a push follows 10 s after the last one.
//
// Its flags, `parseKey` and `errorDescription` may be read and written from
// several threads.
class ZVWSync : public QObject {
    Q_OBJECT
public:
    ZVWSync();
    ~ZVWSync() override;

    // ---- automatic pushes and full syncs ---------------------------------------
    virtual void receiveAutoSyncNotification(qint64 bits);
    // The push: runs only with automatic web sync on, the network reachable
    // and no sync running; it hands the merged bits to pushChanges.
    void startAutoSync();

    // The full two-way sync, on the sync's own background queue, when the
    // network is reachable and no sync runs: the main view shows its syncing
    // indicator meanwhile, and "Sync ZVW finished notification" carries the
    // sender when it ends. Answers whether a sync started.
    bool backgroundFullSync(QObject* sender);
    // Blocks until no sync runs, at most `seconds`; answers whether it
    // ended. Quit waits here before the database closes under a sync.
    bool waitUntilIdle(double seconds = 30.0);

    bool isSyncing() const;
    void setIsSyncing(bool syncing);

    // One web sync at a time: a full pass, a push pass and a one-way run
    // each hold `syncing` while they run. A full sync asked for while a push
    // or a run holds it is kept and starts when that one gives it back.
    enum class SyncHolder { None, Full, Push, OneWay };
    // Test and set: takes the guard for `holder` when nothing holds it.
    bool takeSyncing(SyncHolder holder);
    // Gives the guard back, then starts a full sync asked for meanwhile.
    void releaseSyncing();
    SyncHolder syncHolder() const;
    // Gives the guard back when it leaves scope, on every path.
    class SyncingHold {
    public:
        explicit SyncingHold(ZVWSync& sync) : m_sync(sync) {}
        ~SyncingHold() { m_sync.releaseSyncing(); }
        SyncingHold(const SyncingHold&) = delete;
        SyncingHold& operator=(const SyncingHold&) = delete;

    private:
        ZVWSync& m_sync;
    };
    qint64 pendingBits() const;

    static constexpr double autoSyncDelay = 10.0;

    // ---- the full pass -------------------------------------------------------------
    // Asks the service for a backup of the account when none was asked for
    // in the last eight hours (local wall-clock seconds, kept in the local
    // settings side file). A failed request stops the pass and leaves the
    // time as it was, so the next pass asks again.
    void callAutoBackupOnServerIfNeed();
    static constexpr double serverBackupInterval = 28800.0;

    // Replaces the local data with the account's: the account is confirmed
    // with the service first, automatic web sync is switched off and saved,
    // the local categories, items, tags and links are wiped whole or not at
    // all, the pending deletions and the stamps are emptied, and a full sync
    // with `sender` follows. Nothing is wiped unless the service confirmed
    // the account, the network is up and no sync runs. The confirmation and
    // the progress belong to the caller.
    enum class WebToMac { Started, NoAccount, AccountNotConfirmed, WipeFailed, SyncNotStarted };
    WebToMac prepareOneWayWebToMac(QObject* sender);

    // Clears webSyncBusy when it leaves scope, on every path of a sync
    // routine; `take` also sets it for the holder's lifetime.
    class WebSyncBusyHold {
    public:
        explicit WebSyncBusyHold(bool take = false);
        ~WebSyncBusyHold();
        WebSyncBusyHold(const WebSyncBusyHold&) = delete;
        WebSyncBusyHold& operator=(const WebSyncBusyHold&) = delete;
    };

    // ---- the service -------------------------------------------------------------
    // The base address, read once when the object is made.
    QString baseAddress() const { return m_baseAddress; }

    // Request kinds held in parseKey.
    static constexpr qint64 parseKeyNone = 0;
    static constexpr qint64 parseKeyToken = 1;
    static constexpr qint64 parseKeyFailed = 10;
    static constexpr qint64 parseKeyAccountCreation = 11;

    // ---- state -----------------------------------------------------------------
    // The asynchronous reply collected so far; none while no request is open.
    std::optional<QByteArray> jsonData() const;
    void setJsonData(const std::optional<QByteArray>& data);
    bool didShowedConnectError() const { return m_didShowedConnectError; }
    bool isError() const { return m_isError; }
    void setIsError(bool flag) { m_isError = flag; }
    qint64 parseKey() const { return m_parseKey; }
    void setParseKey(qint64 kind) { m_parseKey = kind; }
    QString zvwKeyAPI() const;
    void setZvwKeyAPI(const QString& key);
    // Working lists of the entity exchanges.
    TagList zvwTagList() const;
    void setZvwTagList(const TagList& tags);
    CalendarList zvwProjectList() const;
    void setZvwProjectList(const CalendarList& categories);
    QStringList currentUsingProjects() const;
    void setCurrentUsingProjects(const QStringList& ids);
    // The items of the last download, unsaved, in the reply's order.
    TaskList zvwWorkList() const;
    void setZvwWorkList(const TaskList& items);
    // The ids one deletion reply answered for.
    QStringList currentUsingWorks() const;
    void setCurrentUsingWorks(const QStringList& ids);
    // The links of the last download: root and target hold server item ids.
    LinkList zvwLinkList() const;
    void setZvwLinkList(const LinkList& links);
    ZVCommentList zvwCommentList() const;
    void setZvwCommentList(const ZVCommentList& comments);
    // The server's copy of the settings: tied to no row, never saved.
    SettingPtr zvwSetting() const;
    void setZvwSetting(const SettingPtr& setting);
    bool canSyncSettingAfterSyncProjectDefault() const { return m_canSyncSettingAfterSyncProjectDefault; }
    void setCanSyncSettingAfterSyncProjectDefault(bool flag) { m_canSyncSettingAfterSyncProjectDefault = flag; }
    bool willUpdateRemoteOrder() const { return m_willUpdateRemoteOrder; }
    void setWillUpdateRemoteOrder(bool flag) { m_willUpdateRemoteOrder = flag; }
    // The stop request of the running pass; a pass clears it as it starts,
    // except once the program quits.
    bool isBreak() const { return m_isBreak; }
    void setIsBreak(bool flag) { m_isBreak = flag || m_quitting; }
    // Asked as the program quits: the running pass stops at its next request
    // or write check without a word to the person (it counts as failed, so
    // nothing moves on as if it were done) and no pass starts after it.
    void stopForQuit();
    bool isQuitting() const { return m_quitting; }
    // The first failure of the current pass; empty when it has had none.
    QString errorDescription() const;
    void setErrorDescription(const QString& text);
    bool isFinishedGetToken() const { return m_isFinishedGetToken; }
    void setIsFinishedGetToken(bool flag) { m_isFinishedGetToken = flag; }

    // ---- signatures and the token ----------------------------------------------
    // MD5 text of the lower-cased user name, the password and the application key.
    static QString accountSignature(const QString& userName, const QString& password);
    // MD5 text of the password's MD5 text, the application key and the token.
    static QString requestKey(const QString& password, const QString& token);
    // Whether a token obtained at `tokenTime` is still fresh at `now`: at most
    // three hours old.
    static bool isTokenFresh(const QString& token, double tokenTime, double now);

    // Makes sure the settings hold a fresh token, asking the service for one
    // when the stored one is empty or stale. A pass that ends here without a
    // token is stopped: errorDescription is set and the failure posted.
    void refreshToken();
    // Computes zvwKeyAPI from the stored password and token; with no token
    // the key stays empty and the answer is false, so no data call goes out
    // with a key the service must refuse.
    bool makeZvwKeyAPI();

    // Posts "ZVW account is invalid" when a data call's reply refuses the
    // account (error 2); error 4 there refuses only the request token.
    void fireErrorWhenSync(const QJsonObject& reply);
    // The error code of a data call whose request token the service refused.
    static constexpr qint64 tokenRefusedCode = 4;
    // A new pass may renew a refused token once more.
    void allowTokenRenewal() { m_tokenRenewedThisPass = false; }

    // ---- the asynchronous token request of the one-way run -----------------------
    // One tick of the run's repeating timer.
    void getToken(ScheduledTimer timer);
    // Sends a GET without header fields on a worker; its outcome comes back
    // through the connection operations below, on the calling thread's event
    // loop, which must keep running.
    void getDataWithURL(const QString& url);
    void connectionDidReceiveResponse(int status);
    void connectionDidReceiveData(const QByteArray& data);
    void connectionDidFinishLoading();
    void connectionDidFailWithError(const HttpReply& failure);
    void parseData(const QByteArray& body);
    void handleError(const QString& description);

    // ---- account calls (blocking, on the caller's thread) -------------------------
    // 0 created, the service's refusal code, -1 for no usable reply.
    qint64 createNewAccount(const QString& userName, const QString& passWord);
    // Whether the last account creation got no reply at all (no connection,
    // the service down), as against a reply that was not understood.
    bool lastCreationFailedInTransport() const { return m_lastCreationFailedInTransport; }
    // 1 valid, 2 valid and another user name was stored, -1 otherwise; waits
    // while a one-way run holds webSyncBusy, stores the credentials when
    // valid and empties the stored password only when the service refused
    // the account.
    qint64 checkValidity(const QString& userName, const QString& password);
    // The same request and answers, without the wait and without touching
    // the settings.
    qint64 checkValidToken(const QString& userName, const QString& password);

    // ---- settings ---------------------------------------------------------------
    // Downloads the service's settings into zvwSetting. A transport failure
    // stops the pass; an error reply posts the account's refusal (codes 2
    // and 4) and leaves zvwSetting as it was.
    void getSettingFromZVW();
    // Sends the local settings; the reply's stamp is kept and hasChanges
    // cleared only when the service took them (no "error").
    void updateSettingFromLocalToZVW();
    // Copies zvwSetting into the local settings and saves them.
    void updateSettingFromZVWToLocal();
    // Decides which side's settings win, then closes the pass. Nothing is
    // exchanged when this pass's download gave no settings record.
    void syncSettingWithZVW(QObject* sender);
    // The automatic push of changed settings.
    void oneWayAutoSyncSettings();
    // The settings record as it goes up.
    QJsonObject settingsRecord(const Setting& local) const;

    // ---- tags -------------------------------------------------------------------
    // Downloads the service's tags into zvwTagList. Anything but a list of
    // tag records stops the pass (named in errorDescription).
    void getTagsFromZVW();
    // The merge of a full pass (names compared without blanks and case).
    void syncTagsWithZVW();
    // Uploads the tags in batches of 50, emptying the list as it goes.
    void addTag(TagList& tags);
    void addTagsWithURLBody(const QByteArray& body, const TagList& tags);
    // Sends the pending deletions of zvwDeletedTag in batches of 50; the ids
    // the service did not answer for stay pending.
    void deleteTag();
    // One deletion request; answers whether the service took it (a reply
    // with a status of 200-299).
    bool deleteTagsWithURLString(const QString& ids);
    // The automatic push of tags.
    void oneWayAutoSyncTags();

    // ---- categories --------------------------------------------------------------
    // Downloads the service's categories (shared ones included) into
    // zvwProjectList; anything but a list of category records stops the pass.
    void getProjectsFromZVW();
    // The merge of a full pass.
    void syncProjectsWithZVW();
    // Creates the category on the service (never a shared one); the caller
    // saves it.
    void addProject(const CalendarPtr& calendar);
    // Sends a category's changes; saves it once the service gave its stamp.
    void updateProject(const CalendarPtr& calendar);
    // Sends the pending deletions of zvwDeletedProjects in batches of 50 and
    // takes those categories out of zvwProjectList.
    void deleteProject();
    // One deletion request ("0" for every category); the ids the service
    // answered for leave zvwDeletedProjects. Answers whether the service
    // answered it with a list.
    bool deleteProject(const QString& ids, bool isPersonal);
    // The records as they go up.
    static QJsonObject categoryRecord(const Calendar& calendar);
    static QJsonObject categoryChangeRecord(const Calendar& calendar);

    // ---- the item record ----------------------------------------------------------
    // What reading item records needs besides the records: the local key of
    // each category by its server id, the signed-in user (whose own order
    // of a task shared with them is "assignee_order") and the default task
    // duration.
    struct ItemReading {
        QHash<qint64, qint64> categoryKeys;
        QString userName;
        qint64 defaultTaskDuration = 0;
    };
    // The reading context of the data manager's categories and settings.
    static ItemReading itemReadingFromData();
    // The download's records as new unsaved items, in order: refused records
    // ("error", or not an object) are dropped and counted. A "group_id" names
    // the server id of a record read earlier (parentId is then that id, 0 when
    // none was read before it, -1 for no parent).
    struct ItemRecords {
        TaskList items;
        qsizetype refused = 0;
    };
    static ItemRecords itemsFromRecords(const QJsonArray& elements, const ItemReading& reading);
    // One record over a new item's defaults; `earlier` finds the items read
    // before it by server id.
    static TaskPtr itemFromRecord(const QJsonObject& record, const ItemReading& reading,
                                  const std::function<TaskPtr(qint64)>& earlier);
    // The records that go up. The category's server id and (create only) the
    // parent's server id are the caller's to look up; `withOrder` puts the
    // order keys in: on a create record they then carry taskOrder, else 0.
    static QJsonObject itemCreateRecord(const Task& item, qint64 categoryZvwId, qint64 groupId, bool withOrder);
    static QJsonObject itemUpdateRecord(const Task& item, qint64 categoryZvwId, bool withOrder);
    static QJsonArray alertRecords(const Task& item);
    // {} unless the item is a repeating root.
    static QJsonObject repeatRecord(const Task& item);
    // The "exception_date" objects of a repeatExceptions text.
    static QJsonArray exceptionRecords(const QString& repeatExceptions);

    // ---- items -------------------------------------------------------------------
    // Downloads every item into zvwWorkList. Anything but a list of records
    // stops the pass (named in errorDescription), as does an empty list while
    // local items carry server ids (outside restore mode); zvwWorkList then
    // stays as it was.
    void getItemsFromZVW();
    // Whether this pass's item download held refused records: then the merge
    // deletes nothing for being absent from it.
    bool itemDownloadIncomplete() const { return m_itemDownloadIncomplete; }
    // The first item of zvwWorkList with that server id.
    TaskPtr findTaskWithZVWKey(qint64 zvwKey) const;
    // Upload the items in batches of 50, taking them out of the caller's
    // list as they go; needUpdate saves the answered items with the working
    // list's refresh (and leaves the order keys out of update records).
    void addWorksFromList(TaskList& works, bool needUpdate);
    void updateWorksFromList(TaskList& works, bool needUpdate);
    // One request: the body holds the records of the items, in their order
    // (items of shared categories left out of a create body are skipped when
    // the reply is paired). The answered items are saved in one unit.
    void addWorksWithURLBody(const QByteArray& body, const TaskList& worksList, bool needUpdate);
    void updateWorksWithURLBody(const QByteArray& body, const TaskList& tasksList, bool needUpdate);
    // The pending deletions of zvwDeletedTasks in groups of 50; entries that
    // are not positive decimal ids are dropped (logged). Nothing when the
    // pass already failed.
    void deleteItemsInLocal();
    // The same for the merge: only positive ids go, the rest stay pending.
    void deleteWork();
    // One deletion request of comma-joined positive ids; the ids the reply
    // answers for leave zvwDeletedTasks.
    void deleteWork(const QString& ids);

    // ---- the item merge ------------------------------------------------------------
    // Reconciles zvwWorkList with the stored items: uploads, local updates and
    // deletions, new server items stored, the task order sent when the local
    // one is newer, and the calendar lists handed to the calendar sync.
    void syncItemsWithZVW();
    // Takes the server item's web fields into the local one, clears its
    // change mark and writes its row.
    void updateWork(const TaskPtr& work, const TaskPtr& localTask);
    // Sends the manual order of the tasks in batches of 50.
    void updateTaskOrdersFromList(TaskList tasks);

    // The exception text of a repeating root that changed on the service,
    // decided over plain values; the merge applies the effects.
    struct ExceptionMergeInput {
        QString serverText;            // "|<seconds>" pieces, no markers
        QString localText;             // "|<seconds>(1)" / "(2)" pieces
        Date localStart;               // the local root's start before the update
        bool localChanged = false;     // the local root has changes not sent yet
        TaskList serverExceptions;     // server changed occurrences of the root, in list order
        // The stored changed occurrence of the local root on a date (stored
        // form), or none.
        std::function<TaskPtr(const Date&)> localOccurrence;
        // The unsent changed occurrences found are gathered by the merge.
    };
    struct ExceptionMergeResult {
        QString text;
        TaskList deleteLocal;                        // changed occurrences to delete here
        QList<QPair<TaskPtr, qint64>> paired;        // unsent local occurrence, server id it takes
        QList<qint64> queuedDeletions;               // server ids to delete on the service
        QList<QPair<qint64, Date>> occurrences;      // server id, occurrence it takes
        qsizetype skippedPieces = 0;                 // malformed pieces passed over
    };
    static ExceptionMergeResult mergeExceptions(const ExceptionMergeInput& input);
    // A new repeating root's exception text: each changed occurrence takes
    // the date nearest to its start (the first on equal distances); the
    // rest are deleted occurrences.
    struct NewRootExceptions {
        QString text;
        QList<QPair<qint64, Date>> occurrences;  // server id, occurrence it takes
        qsizetype skippedPieces = 0;
    };
    static NewRootExceptions newRootExceptions(const QString& serverText, const TaskList& changedOccurrences);
    // Whether a series that is not repeating for ever and has ended holds
    // nothing but deleted occurrences from its start to its end.
    static bool isSeriesWhollyDeleted(const Task& root);

    // ---- links -------------------------------------------------------------------
    // Downloads the service's links into zvwLinkList. Anything but a list of
    // link records fails the step, as does an empty list while local links
    // carry server keys (outside restore mode).
    void getLinksFromZVW();
    // The merge of a full pass: the service's new links stored, the ones it
    // lost unlinked here, then the service's links replaced by the local ones.
    void syncLinksWithZVW();
    void addNewLinksFromZVWToLocal();
    void replaceLinksFromLocalToZVW();
    // Uploads the links (root and target holding server ids) in batches of 50.
    void addLink(LinkList links);
    void addLinksWithURLBody(const QByteArray& body, const LinkList& linkList);
    // One deletion request ("0" for every link); answers whether the service
    // took it (an array reply).
    bool deleteLinksWithURLString(const QString& keys);
    // One deletion request that also gives the keys the service answered
    // as deleted.
    bool deleteLinks(const QString& keys, QSet<qint64>* deleted);
    // Deletes on the service the links joining the same two items as these
    // unlinked ones, whatever their keys now (one read of the links first).
    void deleteRekeyedUnlinks(const LinkList& unlinks);
    // Deletes on the service the links unlinked here, then purges the
    // unlinked rows whose deletion the service answered or that never were
    // on it; the others stay marked and go again.
    void deleteUnlinks();
    // The links of a download's records (refused ones dropped and counted).
    struct LinkRecords {
        LinkList links;
        qsizetype refused = 0;
    };
    static LinkRecords linksFromRecords(const QJsonArray& elements, const Date& now);

    // ---- comments ----------------------------------------------------------------
    // Downloads every comment into zvwCommentList; anything but a list of
    // records stops the pass.
    void getCommentsFromZVW();
    // Stores the downloaded comments and deletes the stored ones the service
    // no longer lists (not after a download that held refused records).
    void syncCommentsWithZVW();
    // The comments of a download's records (refused ones dropped and
    // counted); each raises `latestStamp` to its "last_update".
    struct CommentRecords {
        ZVCommentList comments;
        qsizetype refused = 0;
        qint64 latestStamp = 0;
    };
    static CommentRecords commentsFromRecords(const QJsonArray& elements, qint64 latestStamp,
                                              const std::function<qint64(qint64 type, qint64 rootId)>& localKey);

    // ---- answers to shares and delegations -----------------------------------------
    // Sends the answer the row set on the item (delegateStatus, sharedStatus)
    // and applies the service's reply; blocks the caller for at most the
    // client's time-outs.
    virtual void changeItemStatus(const TaskPtr& task);
    virtual void changeItemStatus(const CalendarPtr& category);
    // How the service took a status answer.
    struct StatusAnswer {
        enum Kind { NotReached, Refused, NoObject, Accepted } kind = NotReached;
        qint32 taskRole = 0;  // of an accepted answer
    };
    static StatusAnswer statusAnswer(const HttpReply& reply);
    static qint32 taskRoleForPermission(std::optional<qint64> permission);

    // What the last of the two checks learnt: the account screens show "no
    // connection" for NoReply and "invalid account" for Refused.
    enum class AccountCheck { Valid, Refused, NoReply };
    AccountCheck lastAccountCheck() const { return m_lastAccountCheck; }

    // ---- automatic pushes and the one-way replace of the service ----------------
    // The pushes of one push pass (tags and settings are above). Each returns
    // at once while errorDescription is set.
    void oneWayAutoSyncProjects();
    // Moves latestSyncItem forward only when every upload of the push was
    // answered and none refused; otherwise the same items go next time.
    void oneWayAutoSyncItems();
    // Purges only the unlinked rows whose deletion the service answered.
    void oneWayAutoSyncLinks();

    // The replace of everything on the service with the local data, on a
    // thread of its own that ticks every 0.1 s. It takes the one-sync guard
    // (waiting for a pass under way), holds webSyncBusy, and posts "Sync ZVW
    // finished notification" with the sender (when one was given) at its
    // end, also after failed steps; a failed token request ends it silently.
    // With `clearsPendingDeletions`, a run that finishes without a failure
    // drops the deletions that were pending when it started.
    void backgroundOneWayMacToWeb(QObject* sender, bool clearsPendingDeletions = false);
    // What the preferences do once the user confirmed: automatic web sync
    // switched off and saved, then the run. The pending deletions are
    // emptied only once the run has finished without a failure: the service
    // then holds exactly the local data, while after a failed run they must
    // still go with the next sync. False (nothing started) without a stored
    // account or when saving failed.
    bool replaceWebWithLocal(QObject* sender);
    // Ends the runs under way (their requests end within the time-outs) and
    // waits for their threads; the destructor calls it.
    void stopOneWayRuns();
    struct OneWayRun;
    void startOneWayMacToWeb(OneWayRun& run);
    void waitOneWayMacToWeb(ScheduledTimer timer, OneWayRun& run);
    void oneWayMacToWeb(ScheduledTimer timer, OneWayRun& run);
    // The requests of a run, once the token is there; answers the failed
    // steps' texts.
    // `failuresBefore` counts RecordStore's failed steps on the run's thread
    // when it took the guard: a write that failed since ends the run.
    QStringList performOneWayMacToWeb(quint64 failuresBefore);
    // After the service answered a wipe of its links: local keys name nothing.
    void clearServerLinkKeys();

private:
    // The uploads of a run after the service's wipe; each answers how many
    // records went unanswered (they stay new here, for the next exchange).
    qsizetype replaceTags();
    qsizetype replaceCategories();
    qsizetype replaceItems();
    void endOneWayRun(OneWayRun& run, const QStringList& failures, bool finished);

    std::mutex m_oneWayMutex;
    // Every run started and not yet reaped; a run owns its thread.
    QList<std::shared_ptr<OneWayRun>> m_oneWayRuns;
    std::atomic<bool> m_oneWayStopping{false};

protected:
    // The push pass, on the sync queue with the guard held: the token, then
    // the pushes the bits name in the order tags, categories, items, links,
    // settings.
    virtual void pushChanges(qint64 bits);
    // The full pass, run on the sync queue while the guard is held: the
    // token, the server backup and every exchange in order, then the closing
    // actions; the first failed step ends it.
    virtual void fullSync();

    // One blocking request of a pass, on the pass's kept-alive connection.
    HttpReply sendRequest(const QByteArray& method, const QString& url, bool jsonContentType);
    // A failure that stops the pass: the first one is kept as
    // errorDescription, and every one is posted on the main thread.
    void reportServerError(const QString& text);
    // A write to the database that failed since `failuresBefore` (a count of
    // RecordStore's failed steps on the pass's thread) stops the pass as a
    // server error does, its reason shown; true then.
    bool stopOnWriteFailure(quint64 failuresBefore);
    // The text that shows a write failed since `failuresBefore`; empty when
    // none did.
    static QString writeFailureSince(quint64 failuresBefore);
    // The alert's text for the last failed write of this thread.
    static QString writeFailureText();
    QString tokenAddress(const QString& userName, const QString& password) const;
    // "<base>/api/<path>?keyapi=<key>" followed by `more` ("&a=b...").
    QString dataAddress(const QString& path, const QString& more = QString()) const;
    HttpReply sendJson(const QByteArray& method, const QString& url, const QJsonValue& body);
    // One request of a pass. A reply refusing the request token (error 4)
    // empties the stored token and its time; once per pass a new token is
    // asked for and the request sent again with the new key.
    HttpReply sendOnPass(HttpRequest request);
    static bool isTokenRefusal(const HttpRequest& request, const HttpReply& reply);
    void dropRefusedToken();
    // A list download that is not a list of records stops the pass with
    // `stepText` (naming the step, "%1" the reason); false then.
    bool acceptDownload(const QString& stepText, const HttpReply& reply, const ZVWReply::Records& list);
    // The pending-deletion text without one ",<id>" entry per id given.
    static QString withoutPendingIds(const QString& pending, const QStringList& ids);
    // The same on a session of the caller's.
    HttpReply sendRequest(HttpSession& session, const QByteArray& method, const QString& url, bool jsonContentType);
    // The token renewal over a given session (changeItemStatus runs beside a
    // pass and must not queue behind its connection).
    void refreshToken(HttpSession& session);
    // The closing actions of a full pass, run after the settings decision:
    // they belong to the pass driver, which overrides this.
    virtual void closeFullPass(QObject* sender);

private:
    // How many item update and order requests have their answers written in
    // one unit (a creation's answer has a unit of its own).
    static constexpr qsizetype answersPerUnit = 10;
    // The upload loop of both kinds, and the write-back of one reply.
    void uploadWorks(TaskList& works, bool needUpdate, bool create);
    // `mark`: the creation mark of the request, taken away once it is answered.
    void writeBackWorks(const HttpReply& reply, const TaskList& items, bool needUpdate, bool create, qint64 mark = 0);
    // Creations sent without an answer (a crash, a time-out): the keys of
    // their items, and the last mark read.
    struct OutstandingCreations {
        QSet<qint64> keys;
        qint64 lastMark = 0;
    };
    static OutstandingCreations outstandingCreations();
    // The start the service's copy of a sent item reads back with: a weekly
    // series off its weekdays has it moved onto one of them.
    static Date startAsReadBack(const Task& item);
    // Pairs each of `unsent` with an item the service made that no stored
    // item holds (an id not in `heldIds`): same kind, category, title and
    // times. A paired item takes that id and stamp and is written (its local
    // values then go up as a change); the marks up to `lastMark` go in the
    // same unit. The times are those the service's copy reads back with.
    // The pairs, local item first; nothing when they could not be written.
    using CreationPairs = QList<QPair<TaskPtr, TaskPtr>>;
    static std::optional<CreationPairs> pairSentCreations(const TaskList& unsent, const TaskList& serverItems,
                                                          const QSet<qint64>& heldIds, bool needUpdate, qint64 lastMark);
    // The service's items for that pairing outside a full pass; nothing when
    // the download failed.
    std::optional<TaskList> serviceItemsForPairing();
    // The items of a batch this side may create (none of a shared category).
    TaskList creatableWorks(const TaskList& batch) const;
    QByteArray worksBody(const TaskList& items, bool needUpdate, bool create) const;
    void sendItemStatus(const QJsonObject& answer, const std::function<void()>& takeBack,
                        const std::function<void(qint32 role)>& apply);
    QVariantList list(const QVariantList& member) const;
    void setList(QVariantList& member, const QVariantList& records);
    // Ends the asynchronous token request as failed.
    void failTokenRequest();
    void deliverAsynchronousReply(const HttpReply& reply);
    std::optional<QString> askForToken(const QString& userName, const QString& password, bool* refused);

    mutable std::mutex m_mutex;
    SerialQueue m_queue{QStringLiteral("ZVWSync")};
    bool m_isSyncing = false;
    SyncHolder m_syncHolder = SyncHolder::None;
    // A full sync asked for while a push or a one-way run held the guard.
    bool m_fullSyncDeferred = false;
    QPointer<QObject> m_deferredSender;
    qint64 m_pendingBits = 0;
    ScheduledTimer m_timer;

    const QString m_baseAddress;
    HttpSession m_passSession;

    mutable std::mutex m_stateMutex;
    std::optional<QByteArray> m_jsonData;
    QString m_zvwKeyAPI;
    QString m_errorDescription;
    TagList m_zvwTagList;
    CalendarList m_zvwProjectList;
    QStringList m_currentUsingProjects;
    // What this pass's downloads gave: whether a settings record came, and
    // whether a list held refused records (then nothing is deleted here for
    // being absent from it).
    bool m_hasSettingsRecord = false;
    bool m_tagDownloadIncomplete = false;
    bool m_projectDownloadIncomplete = false;
    bool m_itemDownloadIncomplete = false;
    bool m_commentDownloadIncomplete = false;
    TaskList m_zvwWorkList;
    QStringList m_currentUsingWorks;
    LinkList m_zvwLinkList;
    bool m_linkDownloadIncomplete = false;
    bool m_linkDownloadFailed = false;
    ZVCommentList m_zvwCommentList;
    SettingPtr m_zvwSetting;
    int m_asyncStatus = 0;

    std::atomic<bool> m_didShowedConnectError{false};
    std::atomic<bool> m_isError{false};
    std::atomic<qint64> m_parseKey{0};
    std::atomic<bool> m_canSyncSettingAfterSyncProjectDefault{false};
    std::atomic<bool> m_willUpdateRemoteOrder{false};
    std::atomic<bool> m_isBreak{false};
    std::atomic<bool> m_quitting{false};
    std::atomic<bool> m_isFinishedGetToken{false};
    std::atomic<bool> m_tokenRenewedThisPass{false};
    std::atomic<AccountCheck> m_lastAccountCheck{AccountCheck::NoReply};
    std::atomic<bool> m_lastCreationFailedInTransport{false};
    // Set when the pass under way posted its finished notification.
    std::atomic<bool> m_passFinished{false};

    // Asynchronous requests still on a worker; the destructor waits for them.
    std::atomic<int> m_requestsInFlight{0};
    std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);

    // The sender of the full pass under way, held weakly: one that goes away
    // during the pass is not posted.
    QPointer<QObject> m_passSender;
};
