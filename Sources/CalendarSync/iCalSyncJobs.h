#pragma once

#include "CalCalendarStore.h"
#include "EKEventStore.h"
#include "ICalJob.h"
#include "ICalJobDiscipline.h"
#include "PairOfDate.h"
#include "iCalSync.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QTimeZone>

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CoreData;
class Notification;

// The system-calendar sync the application installs in the data manager:
// every entry of iCalSync becomes a job that runs under the discipline of
// ICalJobDiscipline (on a thread of its own, or on the caller's thread for
// the few that must finish before the caller goes on), and the store's
// notices of outside changes become import jobs in the order reported.
//
// What each job does to the store and the database is its own work, given
// by work(); the discipline around it (order, flag, counters, batch queues,
// refresh of the views, web push requests) is the same for all.
class iCalSyncJobs : public iCalSync {
public:
    // Listens to the store's notices; null takes the default store.
    explicit iCalSyncJobs(std::shared_ptr<CalCalendarStore> store = nullptr);
    // Waits for the jobs it started (at most 30 s) before it goes.
    ~iCalSyncJobs() override;

    const std::shared_ptr<CalCalendarStore>& iCalStore() const { return m_iCalStore; }
    // Also gives the sync a new zone view over that store.
    void setICalStore(std::shared_ptr<CalCalendarStore> store);
    const std::shared_ptr<EKEventStore>& eventStore() const { return m_eventStore; }
    void setEventStore(std::shared_ptr<EKEventStore> store) { m_eventStore = std::move(store); }
    // The batches of the store's notices whose import has not started its work.
    QList<ICalJobDiscipline::Batch> iEventListICal() const;
    QList<ICalJobDiscipline::Batch> iTaskListICal() const;
    qint64 numOfInsertedCal() const { return m_numOfInsertedCal.load(); }
    qint64 numOfInsertedICal() const { return m_numOfInsertedICal.load(); }
    // Waits, serving the main thread meanwhile, until no job is left on the
    // worker (queued or running); false when some are after `seconds`.
    bool waitForQueuedJobs(double seconds) const override;
    void removeInterruptedWrites() override;

    // --- the entries ---
    QString newStoreCalendarUid() const override;
    void backgroundOneWaySyncInsertToICal(const CalendarPtr& calendar, bool andInsertToZVW) override;
    void backgroundOneWaySyncUpdateToICal(const CalendarPtr& calendar) override;
    void backgroundOneWaySyncDeleteToICal(const CalendarPtr& calendar) override;
    void backgroundOneWaySyncInsertToICalList(const CalendarList& insertList, const CalendarList& updateList,
                                              const CalendarList& deleteList) override;
    void syncDeleteToIcal(const CalendarPtr& calendar) override;

    void backgroundOneWaySyncInsertToICalEvent(const TaskPtr& event, bool andInsertToZVW) override;
    void backgroundOneWaySyncInsertToICalEventRoot(const TaskPtr& root) override;
    void backgroundOneWaySyncInsertToICalEventList(const TaskList& events) override;
    void backgroundOneWaySyncInsertToICalEventList(const TaskList& insertList, const TaskList& syncUpdate) override;
    // A restore's items, written over the files the restore left where they are there.
    void pushRestoredItems(const TaskList& roots, const TaskList& occurrences, const TaskList& tasks);
    void backgroundOneWaySyncUpdateToICalEvent(const TaskPtr& event, qint64 updateType) override;
    void backgroundOneWaySyncDeleteToICalEvent(const TaskPtr& event, qint64 deleteType) override;
    void backgroundOneWaySyncSplitToICalEvent(const TaskPtr& occurrence, const TaskPtr& series) override;
    void syncDeleteToICalEvent(const TaskPtr& event, qint64 type) override;

    void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task) override;
    void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task, bool andInsertToZVW) override;
    void backgroundOneWaySyncInsertToICalTaskList(const TaskList& tasks) override;
    void backgroundOneWaySyncUpdateToICalTask(const TaskPtr& task, qint64 updateType) override;
    void backgroundOneWaySyncDeleteToICalTask(const TaskPtr& task, qint64 deleteType) override;
    void syncDeleteToICalTask(const TaskPtr& task) override;
    QSet<QString> keepOtherProgramsFiles(const QSet<QString>& uids, const QSet<QString>& restored) override;

    void backgroundOneWaySyncInsertToICalItemList(const TaskList& insertList, const TaskList& updateList,
                                                  const TaskList& deleteList) override;
    void backgroundFullSync() override;
    void loadListsBeforeFullSync() override;
    void whenStoreIndexed(std::function<void()> then) override;
    bool runPendingFullSync() override;
    void dropPendingFullSync() override;
    void backgroundRestoreCalendars() override;

    // --- the observers of the store's notices ---
    void doSthWithCal(const Notification& notification);
    void doSthWithEvent(const Notification& notification);
    void doSthWithTask(const Notification& notification);

    // --- the sync window ---
    // The first (start set) or last moment of the window the settings choose;
    // a stored value other than the six of the menus counts as the nearest
    // of them (a tie takes the larger).
    Date getSyncWindowDate(bool start) const;
    static Date syncWindowDate(bool start, qint64 days, const Date& now);
    static qint64 nearestWindowDays(qint64 days);

    // --- the store queries ---
    // Nothing (nullopt or null) while the sync is off, and when the store
    // could not answer in full: a failed query is never an empty answer.
    // Given partial, a store that could not read some files answers what it
    // read and sets it; the caller must then withhold deletions.
    std::optional<CalEventList> getICalEventsWithCalendars(const CalCalendarList& calendars, bool* partial = nullptr) const;
    std::optional<CalTaskList> getICalTasksWithCalendars(const CalCalendarList& calendars, bool* partial = nullptr) const;
    std::optional<CalEventList> getICalEventsWithEventUIDList(const QStringList& uids) const;
    static Date findEndDateForIEvent(const CalEvent& event, const Date& start, bool inFileZone = true);
    // The start of the last occurrence of a rule counted from a start, its
    // days stepped on the wall clock the start is given in.
    // The rule's own weekdays unless others are given (the rule's moved to
    // the zone the start is held in).
    static Date lastCountedOccurrence(const CalRecurrenceRule& rule, qint64 count, const Date& start,
                                      const std::optional<QList<int>>& weekdays = std::nullopt);
    // Whether a series ends after the same occurrence at `otherEnd` as at
    // its own end (an end spelled otherwise, as a count read back is).
    static bool endsAlike(const Task& root, const Date& otherEnd);
    CalEventPtr findNextRootForIEvent(const CalEvent& event, const Date& startDate, const Date& endDate) const;
    CalEventPtr getIEventWithUIDAndStartEndDate(const QString& uid, const Date& startDate, const Date& endDate) const;
    CalEventPtr getIEventWithUID(const QString& uid, const Date& startDate, const Date& occurrenceDate) const;
    // getIEventWithUID for each pair (start, occurrence), answered in their
    // order, from one query over the days of all of them: a file with
    // thousands of changed occurrences is expanded once, not once each.
    CalEventList getIEventsWithUID(const QString& uid, const QList<PairOfDate>& pairs) const;

    // --- calendar folders and event files ---
    // Folder map: calendar uid -> "<calendar folder>|<kinds>" (kinds: 2 holds
    // events, plus 1 holds tasks); a calendar without folder gets "|0".
    using FolderMap = QMap<QString, QString>;
    FolderMap findDirectoryOfCalendar(const CalCalendarList& calendars) const;
    qint64 getICalTypeOfCalendarUID(const QString& uid, const QString& resultFolder) const;
    // The folder map of every editable calendar of the store.
    FolderMap getICalCalendarDirectory() const;
    // The series' first ordinary occurrence (or the event standing in for
    // it), then its changed occurrences in file order. Appends the deleted
    // occurrences to exceptList and sets the start of the series; the end of
    // the series only when a first event was found.
    CalEventList getICalEventInfo(const QString& uid, const QString& inDirectory, QList<Date>* exceptList,
                                  Date* startTime, Date* endTime) const;
    // The store's changed occurrence whose original date is that date.
    CalEventPtr getICalEvent(const QString& uid, const Date& occurrenceDate) const;
    // Below a folder, the relative path of the first file of that name; for a
    // path that is no folder, "YES" when it names that file. Null otherwise.
    QString scanPath(const QString& path, const QString& toFindFile) const;

    // --- field and recurrence mapping ---
    // Fill the item from the store record; answer whether its category changed.
    bool updateInfoFromICalEvent(const CalEvent& event, const TaskPtr& item, const Date& repeatStartDate,
                                 const Date& endDate, bool isForce = false) const;
    void updateRETypeForEvent(const TaskPtr& item, const CalEvent& event, const Date& repeatEndDate) const;
    bool updateInfoFromICalTask(const CalTask& task, const TaskPtr& item) const;
    // The store rule of a repeating item; nothing when it does not repeat or
    // the sync is off.
    std::optional<CalRecurrenceRule> getICalRERuleFromLocalEvent(const TaskPtr& item) const;
    // The fields a push writes into a store record; newEvent chooses the end
    // of an all-day event (a day later when created, a second when updated).
    void fillICalEvent(const TaskPtr& item, CalEvent& event, bool newEvent) const;
    // The rule an export writes: the item's, or the store event's own while
    // the item still repeats as the organizer read that rule.
    std::optional<CalRecurrenceRule> ruleToWrite(const TaskPtr& item, const CalEvent& event, bool newEvent) const;
    // The fields a push writes into a store task; newTask when it is created.
    void fillICalTask(const TaskPtr& item, CalTask& task, bool newTask) const;
    // The store calendar of the item's category, or null.
    CalCalendarPtr storeCalendarOfItem(const TaskPtr& item) const;

    // --- event time zones ---
    // The twin of a store event among zone-view events: same uid, same start and end.
    EKEventPtr getEKEvent(const EKEventList& list, const CalEvent& calEvent) const;
    std::optional<EKEventList> getEkEventList(const Date& date, const CalCalendarPtr& cal) const;
    void synchEventTimeZone(const CalEvent& calEvent, const TaskPtr& taskEvent) const;
    bool saveEventTimeZone(const CalEvent& calEvent, const TaskPtr& taskEvent, int span) const;
    // Store times to local (negative +1) and local times to store (-1);
    // false, the out dates untouched, when the item's zone is not known.
    bool reveseICalTime(const EKEvent& event, const TaskPtr& smdEvent, int negative, Date* startDate,
                        Date* endDate) const;
    bool reveseTime(const TaskPtr& event, int negative, Date* startDate, Date* endDate) const;
    // The store times an item's times are written as over a store event
    // that holds fileStart to fileEnd in fileZone: those very times while
    // the item's are what reading them gave (a time the machine's clock
    // skips was read an hour later, and written from the item would move),
    // else the item's own through its zone as reveseTime gives them.
    bool storeTimesOfItem(const TaskPtr& item, const Date& fileStart, const Date& fileEnd, const QTimeZone& fileZone,
                          Date* startDate, Date* endDate) const;
    static qint64 calculateOffsetByTimeZone(const QTimeZone& zone);
    qint64 calculateOffset(qint64 tzId) const;
    // An instant of the store written in a zone as the organizer keeps it
    // (the same wall-clock time in the local zone), and back; the offsets
    // are those at the instant itself. An invalid zone leaves the date.
    static Date storeTimeToItemTime(const Date& instant, const QTimeZone& zone);
    static Date itemTimeToStoreTime(const Date& itemTime, const QTimeZone& zone);
    // A store event's times in a zone as the organizer keeps them: each as
    // storeTimeToItemTime gives it, except that the end of one whose start
    // the machine's clock skips keeps the event's length.
    static void storeTimesToItemTimes(const Date& start, const Date& end, const QTimeZone& zone, Date* itemStart,
                                      Date* itemEnd);
    // The platform zone of an id of the zone table; invalid for 0, "Floating"
    // and names the platform does not know.
    static QTimeZone zoneOfTableId(qint64 tzId);
    // The zone name an item's times are written under into the store event
    // as it stands: the item's zone's, or, without zone support, the
    // event's own while the item holds its instants unchanged.
    static QString zoneToWrite(const Task& item, const CalEvent& stored, const Date& start, const Date& end);
    // A date of a series as its file gives it (its start, a changed or a
    // deleted occurrence) as the organizer keeps it for a root in a zone.
    static Date seriesDateToItemTime(const Date& date, const Task& root);
    static Date itemDateToSeriesDate(const Date& date, const Task& root);
    // A root read from the store keeps its series' start and its own
    // occurrence in its zone's wall-clock time, as the organizer sets them.
    static void rootDatesToItemTime(Task& root, const CalEvent& first, const Date& seriesStart);
    // Where the store holds a root's occurrence (an instant).
    static Date storeOccurrenceOfRoot(const Task& root);
    // Where the store holds a changed or deleted occurrence of a series (an
    // instant: its original start on the series' own clock).
    Date storeOccurrenceOfChange(const Task& occurrence) const;
    // A series repeats in its own zone. The zone whose wall-clock time the
    // item read from a store event holds: UTC for times in UTC, else the
    // event's own (unless it floats), else this machine's (invalid).
    // Without zone support a row not held in its file's zone
    // (Task::heldInFileZone, inFileZone false) holds this machine's.
    static QTimeZone heldZoneOfEvent(const CalEvent& event, bool inFileZone = true);
    // Whether the import holds a store event's times in its file's zone
    // (Task::heldInFileZone): a zone the table lists, not at GMT all year.
    static bool holdsFileZone(const CalEvent& event);
    // The zone a store event's file gives its times in: its own, UTC, or
    // this machine's (invalid) for floating times.
    static QTimeZone fileZoneOfEvent(const CalEvent& event);
    // The zone whose wall-clock time an export reads an item's times in:
    // its own (invalid for all-day and floating items: this machine's).
    static QTimeZone heldZoneOfItem(const Task& item);
    // Weekdays (1 Sunday to 7 Saturday) of a weekly rule read in zone `from`
    // at the series' start `instant`, moved to the days they fall on in zone
    // `to` (an invalid zone is this machine's).
    static QList<int> weekdaysInZone(const QList<int>& days, const Date& instant, const QTimeZone& from,
                                     const QTimeZone& to);

    // --- store writes ---
    // The store span and the zone span of a scope code.
    static int storeSpanOfScope(qint64 scope);
    static int zoneSpanOfScope(qint64 scope);
    bool createNewEventOnICal(const TaskPtr& event, qint64 updateREType);
    // The same for a list, named and linked in database units of
    // newEventsPerUnit events (not one per event). Answers how many events
    // were created and linked.
    int createNewEventsOnICal(const TaskList& events, qint64 updateREType);
    static constexpr qsizetype newEventsPerUnit = 250;
    // The start-up's first step: the uids marked while their copies were
    // written (an export a crash cut short) become links to the copies
    // that are there; the items of the others are pushed again. False when
    // that could not be stored.
    // The keys of the items linked to their copies go to settledKeys when
    // given; those unmarked still have to be sent.
    bool settlePendingStoreCopies(QSet<qint64>* settledKeys = nullptr);
    // The start-up's steps before it reads the store's calendars: the
    // removals a kill cut short (deleted categories' calendars, the copies
    // of deleted or converted events and tasks) are finished; those that
    // fail, or whose removal is not on the disk, are withheld from the sync,
    // never taken in again. Then categories whose calendar a kill left
    // unlinked are linked to it or unmarked, to be made again.
    void finishStoreRemovals();
    void settlePendingStoreCalendars();
    // Then the items whose change a kill kept from the store are written to
    // it, so the pairs read back the change, not the store's older copy.
    // The marks go once those writes are on the disk; the items whose write
    // failed keep theirs and are left as they are by the pairs.
    // Carries out the splits "this and future" edits recorded and a stop
    // or a failure left owed; the parts of those it cannot are left out.
    void settleStoreSplits();
    void pushStoreWritesDue();
    bool updateEventOnICal(const TaskPtr& event, const CalEventPtr& iCalEvent, qint64 updateREType);
    bool deleteEventOnICal(const CalEventPtr& iCalEvent, qint64 deleteREType);
    bool createNewTaskOnICal(const TaskPtr& task);
    // The same for a list, named and linked in groups as for events.
    int createNewTasksOnICal(const TaskList& tasks);
    bool updateTaskOnICal(const TaskPtr& task, const CalTaskPtr& iCalTask);
    bool deleteTaskOnICal(const CalTaskPtr& iCalTask);

    // --- imports of what other programs changed in the store ---
    // The work of the nine import jobs; each runs while its job holds the
    // flag and answers the closing steps (refresh, web push request). The
    // store side wins; uids are matched as they stand, each once per batch.
    // What the store cannot confirm as gone (a failed query, an unreadable
    // file or folder) is never taken for a deletion.
    static bool isImportJob(ICalJob::Kind kind);
    ICalJobOutcome importWork(const ICalJob& job);
    ICalJobOutcome waitToOneWaySyncInsertFromICal(const QStringList& uids);
    ICalJobOutcome waitToOneWaySyncUpdateFromICal(const QStringList& uids);
    ICalJobOutcome waitToOneWaySyncDeleteFromICal(const QStringList& uids);
    ICalJobOutcome waitToOneWaySyncInsertFromICalEvent(const QStringList& uids);
    ICalJobOutcome waitToOneWaySyncUpdateFromICalEvent(const QStringList& uids);
    ICalJobOutcome waitToOneWaySyncDeleteFromICalEvent(const QStringList& uids);
    ICalJobOutcome waitToOneWaySyncInsertFromICalTask(const QStringList& uids);
    ICalJobOutcome waitToOneWaySyncUpdateFromICalTask(const QStringList& uids);
    ICalJobOutcome waitToOneWaySyncDeleteFromICalTask(const QStringList& uids);
    // The calendar's folder is gone and the store lists its calendars
    // without trouble: the calendar no longer exists.
    bool storeCalendarIsGone(const QString& calendarUid) const;
    // The store holds no event (task) of the uid, and no file it could not
    // read in the calendar of the local item that carries the uid.
    bool storeEventIsGone(const QString& uid, const TaskPtr& localItem) const;
    bool storeTaskIsGone(const QString& uid, const TaskPtr& localItem) const;
    // Takes the deletes withheld so far whose calendar now reads in full;
    // true when it deleted some.
    bool takeWithheldDeletes();
    // A detached occurrence's date (as the store gives it) moved back to the
    // root's clock time when it was handed over at a UTC reading of it.
    static Date normalisedOccurrence(const Date& occurrence, const Task& root);
    // --- the full sync and the restore ---
    // Both run while their job holds the flag, on the caller's thread.
    void waitToFullSync();
    void fullSyncCalendars();
    void waitToOneWaySyncRestoreToICal();

    // --- exception lists ---
    // One entry of an exception list ("|<stored seconds>(1)" changed, "(2)"
    // deleted, no marker a date alone), read by its marker and its digits.
    struct ExceptionEntry {
        qint64 marker = 0;  // 0, 1 or 2
        QString dateText;   // the digits (with a leading minus before 1970)
        Date date;          // the occurrence, as fromDBDate gives it
        qsizetype index = 0; // the entry's place among the pieces after the first "|"
    };
    // The well-formed entries, in order; malformed pieces are skipped and
    // logged with the owner's key.
    static QList<ExceptionEntry> readExceptionEntries(const QString& exceptions, qint64 ownerKey = -1);

protected:
    // A job's work, run while it holds the flag. The work of each job belongs
    // to the exchange that owns it; until it is given, a job does nothing to
    // the store or the database.
    virtual ICalJobOutcome work(const ICalJob& job);
    // Whether the data manager has the sync switched on.
    static bool syncEnabled();

    // The work of the exports: categories, events, tasks, and the results
    // of a web sync.
    ICalJobOutcome exportWork(const ICalJob& job);

private:
    enum class Thread { Own, Caller };

    void startJob(ICalJob job, Thread thread, std::atomic<qint64>* counter = nullptr,
                  QList<ICalJobDiscipline::Batch>* queue = nullptr, ICalJobDiscipline::Batch batch = nullptr);
    void runJob(const ICalJob& job, const ICalJobDiscipline::Ticket& ticket, bool servesMainThread = false);
    void finishJob(const ICalJobOutcome& outcome);
    void startImports(const Notification& notification, QList<ICalJobDiscipline::Batch>* queue,
                      ICalJob::Kind insert, ICalJob::Kind update, ICalJob::Kind remove);
    void observeStore();
    void runWorker();

    // --- the full sync (iCalSyncJobs_FullSync.cpp) ---
    // The calendars whose folder or a file of it the store could not read:
    // an absence there proves nothing.
    struct UnreadableCalendars {
        QSet<QString> uids;
        bool elsewhere = false;  // unreadable, but not known where: nothing is proven
        bool covers(const CoreData& manager, const TaskPtr& item) const;
    };
    UnreadableCalendars unreadableCalendars(const CalCalendarList& calendars) const;
    // The items of a store that came back empty, written back to it.
    void writeBackToEmptyStore();
    void fullSyncEvents(const CalCalendarList& calendars, const UnreadableCalendars& unreadable);
    void fullSyncTasks(const CalCalendarList& calendars, const UnreadableCalendars& unreadable);
    void addCategoryForStoreCalendar(CoreData& manager, const CalCalendarPtr& calendar, const FolderMap& folders);
    struct StoreSeries {
        CalEventList parts;  // empty when the file gave nothing
        QList<Date> deletedDates;
        Date start, end;
    };
    StoreSeries readStoreSeries(const CalEventPtr& storeEvent, const CalendarPtr& category) const;
    // The file the store's index holds for an event uid, as it is on the
    // disk now (a write renames a new file into place); no path when the
    // index knows none or it is gone.
    struct FileStamp {
        QString path;
        quint64 device = 0, inode = 0;
        qint64 size = -1, modified = 0, changed = 0;
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp eventFileStamp(const QString& uid) const;
    // The series the start's full sync pairs, read off the main thread once
    // the store's index is made (expanding them under the store's lock was
    // most of the sync). Each is taken only while its file is the one read:
    // a write since (an owed one the sync makes first, another program's)
    // has it read again.
    struct SeriesReadAhead {
        std::atomic<bool> stop{false};
        std::atomic<bool> done{false};
        // The reader's until `done`, the main thread's after.
        QHash<QString, std::pair<FileStamp, StoreSeries>> series;
    };
    void readSeriesAhead(SeriesReadAhead& ahead) const;
    void stopSeriesReadAhead();
    bool takeExtraDatesFromStore(const TaskPtr& event);
    // updateLists: the rows written also replace their entries in the
    // working lists (an import while the views show them).
    void applyStoreSeries(CoreData& manager, const StoreSeries& series, const TaskPtr& root, bool isNew,
                          bool* categoryChanged, bool updateLists = false);

    // --- the work of the exports (iCalSyncJobs_Exports.cpp) ---
    ICalJobOutcome insertCalendar(const CalendarPtr& calendar, bool andInsertToZVW);
    // On the caller's (main) thread: makes the category's calendar and saves the link.
    bool createStoreCalendar(const CalendarPtr& calendar, bool clearOnFailure);
    // On the worker: makes the calendar of a snapshot of the category (under
    // its reserved uid when it has one) and hands the link to the main
    // thread, which saves it into the listed category, or removes the
    // calendar again when the category was deleted meanwhile.
    bool createStoreCalendarFromWorker(const CalendarPtr& snapshot);
    void renameStoreCalendar(const CalendarPtr& calendar, bool fallBackToList);
    // True when the calendar is gone from the store (or stays as read-only).
    // onlyLinkedFiles: the restore's; only the files of the database's items
    // go, and the calendar too unless another file keeps it (also true).
    bool removeStoreCalendar(const CalendarPtr& calendar, bool onlyLinkedFiles = false);
    // overKeptFiles: a restore's, whose events may still have their files.
    void insertAndUpdateEvents(const TaskList& insertList, const TaskList& updateList, bool overKeptFiles = false);
    bool writeOverKeptFile(const TaskPtr& root);
    TaskList writeOverKeptFiles(const TaskList& tasks);
    void insertEventRoot(const TaskPtr& event);
    // True when the store copy is now as the item (or there is none to write).
    bool updateEvent(const TaskPtr& event, qint64 scope);
    void deleteEvent(const TaskPtr& event, qint64 scope, bool synchronous);
    bool splitEvent(const TaskPtr& occurrence, const TaskPtr& series);
    // Carries out a split its edit recorded; true once it is on the disk
    // and the record is gone.
    bool settleStoreSplit(const iCalSync::StoreSplit& split);
    // Ends the uid's series before its first occurrence after `at`.
    bool endStoreSeriesAfter(const QString& uid, const Date& at);
    bool updateTask(const TaskPtr& task);
    void deleteTask(const TaskPtr& task);
    void pushWebItems(const TaskList& insertList, const TaskList& updateList, const TaskList& deleteList);
    void deleteStoreOccurrencesOf(const TaskPtr& event);
    void writeDetachedOntoSeries(const TaskPtr& detached, const QString& rootUid, bool fileStaysWhenAlike = false);

    bool saveICalEvent(const TaskPtr& item, const CalEventPtr& record, qint64 scope, bool create);
    // The store write of saveICalEvent, without linking a new copy.
    bool writeICalEvent(const TaskPtr& item, const CalEventPtr& record, qint64 scope, bool create);
    std::vector<bool> writeNewICalEvents(const std::vector<std::pair<TaskPtr, CalEventPtr>>& copies, qint64 scope);
    static void linkToStoreCopy(const TaskPtr& item, const CalEvent& record);
    // Flushes what this thread wrote in an open store batch: a new copy is
    // linked only once it is on the disk. False (logged) when it is not.
    bool storeCopiesAreDurable(const char* what, qsizetype count) const;
    // The same for one new copy, which the log names with its item's key.
    bool storeCopyIsDurable(const char* what, const TaskPtr& item) const;
    bool mayCreateEvent(const TaskPtr& event) const;
    // Whether the item's category has a calendar in the store to write to.
    bool hasStoreCalendar(const TaskPtr& item) const;

    // What a job wrote to the store, whose marks in the database go once
    // the writes are on the disk (the flush of the worker's batch, or of
    // the job's own on the caller's thread).
    void noteWriteDone(qint64 itemKey, qint64 due);
    void noteRemovalDone(iCalSync::StoreRemoval kind, const QString& uid);
    void clearDoneWrites(bool durable);

    // The full sync's own (its thread only): calendars withheld because
    // their removal is still owed, events and tasks whose copy's removal
    // is, items whose owed write failed.
    QSet<QString> m_calendarsBeingRemoved;
    QSet<QString> m_eventsBeingRemoved;
    QSet<QString> m_tasksBeingRemoved;
    QSet<qint64> m_writesNotPushed;
    // Deletes of events and tasks withheld because a file of their calendar
    // could not be read; the import jobs (one at a time, under the flag)
    // take them once it can.
    mutable QSet<QString> m_withheldEventDeletes;
    mutable QSet<QString> m_withheldTaskDeletes;
    // The category step found a store folder that lists no calendar.
    bool m_storeCameBackEmpty = false;
    QSet<qint64> m_splitsNotDone;  // the roots of both parts of a split still owed
    mutable std::mutex m_keptFilesMutex;
    QSet<QString> m_keptFiles;  // another program's files a calendar's removal leaves

    std::shared_ptr<CalCalendarStore> m_iCalStore;
    std::shared_ptr<EKEventStore> m_eventStore;
    std::atomic<qint64> m_numOfInsertedCal{0};
    std::atomic<qint64> m_numOfInsertedICal{0};
    QList<ICalJobDiscipline::Batch> m_iEventListICal;  // guarded by the discipline
    QList<ICalJobDiscipline::Batch> m_iTaskListICal;
    ICalJobDiscipline m_discipline;
    // The place the start keeps for its full sync (main thread only): the
    // jobs of edits made before it runs come after it.
    std::optional<ICalJobDiscipline::Ticket> m_pendingFullSync;
    std::shared_ptr<SeriesReadAhead> m_seriesReadAhead;  // set and dropped on the main thread
    std::thread m_seriesReader;

    std::unique_ptr<QObject> m_observer;

    // The jobs that run off their caller's thread run on one worker, in the
    // order they were started (the order the discipline serves them in):
    // many edits at once queue, they do not each hold a waiting thread.
    struct QueuedJob {
        ICalJob job;
        ICalJobDiscipline::Ticket ticket;
    };
    std::mutex m_workerMutex;
    std::condition_variable m_workerWake;
    std::deque<QueuedJob> m_workerQueue;
    bool m_workerStopping = false;
    std::thread m_worker;
    std::atomic<int> m_ownJobs{0};  // queued or running on the worker
};
