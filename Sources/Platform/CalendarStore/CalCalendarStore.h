#pragma once

#include "CalCalendar.h"
#include "CalError.h"
#include "CalEvent.h"
#include "CalPredicate.h"
#include "CalTask.h"
#include "ScheduledTimer.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

class ICalendarFile;
class QFileInfo;
class QObject;
struct stat;
struct ICalEventFileData;
struct ICalTaskData;
struct ICalOccurrence;

// Posted on the main thread, with the store as object, when another program
// changed the store; the user info holds the uids under the three keys.
inline const QString CalCalendarsChangedExternallyNotification = QStringLiteral("CalCalendarsChangedExternallyNotification");
inline const QString CalEventsChangedExternallyNotification = QStringLiteral("CalEventsChangedExternallyNotification");
inline const QString CalTasksChangedExternallyNotification = QStringLiteral("CalTasksChangedExternallyNotification");
inline const QString CalInsertedRecordsKey = QStringLiteral("CalInsertedRecordsKey");
inline const QString CalUpdatedRecordsKey = QStringLiteral("CalUpdatedRecordsKey");
inline const QString CalDeletedRecordsKey = QStringLiteral("CalDeletedRecordsKey");

// The spans of an event write or removal.
enum CalSpan { CalSpanThisEvent = 0, CalSpanFutureEvents = 1, CalSpanAllEvents = 2 };

// The system calendar store: a folder of "<uid>.calendar" folders, each with
// an "Info.plist" and one iCalendar file per event ("Events/") and per task
// ("Tasks/"), which other calendar programs read and write too
// (docs/calendar-store.md). The store indexes the folder on first use and
// keeps the index fresh by watching its folders; what other programs change is
// posted as the three notices above, what this store writes is not.
//
// Every call may come from any thread. A file is written beside its place
// and renamed over it, so a failed or interrupted write leaves the old file.
// Each write is flushed to the disk before it returns, except inside a
// WriteBatch (below). Answers are copies.
class CalCalendarStore : public std::enable_shared_from_this<CalCalendarStore> {
public:
    // Many writes made durable together. While a batch of a thread is open,
    // the files that thread writes are renamed into place at once (readers
    // see them) but not flushed one by one; commit() flushes them and their
    // folders in one pass, which the disk's journal takes as one commit. A
    // database link to a file written in a batch is stored only after
    // commit() succeeded: until then a crash may lose the file, or leave it
    // empty, which the readers take for unreadable (never for a deletion).
    // Batches nest: the outermost one's commit flushes what the inner ones
    // wrote; flushPendingWrites() flushes at once, inside any batch.
    class WriteBatch {
    public:
        explicit WriteBatch(std::shared_ptr<CalCalendarStore> store);
        // Commits when commit() was not called; a failure is logged.
        ~WriteBatch();
        WriteBatch(const WriteBatch&) = delete;
        WriteBatch& operator=(const WriteBatch&) = delete;
        bool commit(CalError* error = nullptr);

    private:
        std::shared_ptr<CalCalendarStore> m_store;
        bool m_open = true;
    };
    // Flushes what the calling thread wrote in its open batches so far;
    // true when nothing was pending. WriteFailed names what could not be
    // made durable.
    bool flushPendingWrites(CalError* error = nullptr);
    // The flush of one open file or folder (fsync); tests stand in a failing
    // disk. Null restores the real one.
    using SyncCall = int (*)(int fd);
    static void setSyncCallForTesting(SyncCall call);

    static std::shared_ptr<CalCalendarStore> create(const QString& rootPath);
    ~CalCalendarStore();
    CalCalendarStore(const CalCalendarStore&) = delete;
    CalCalendarStore& operator=(const CalCalendarStore&) = delete;

    // The user's store: $ZORAVEL_CALENDAR_STORE, else $XDG_DATA_HOME/calendars.
    static std::shared_ptr<CalCalendarStore> defaultCalendarStore();
    // Tests install a store of their own; null goes back to the user's.
    static void setDefaultCalendarStore(std::shared_ptr<CalCalendarStore> store);
    static QString defaultLocation();

    const QString& rootPath() const { return m_root; }
    // Starts the first index on the store's worker; a query meanwhile
    // waits for it and answers as ever. `whenIndexed` is then run on the
    // main thread (queued, never waited for), also when a query made the
    // index first; not when the quit stopped the index.
    void indexInBackground(std::function<void()> whenIndexed = {});
    // For the quit: the background index and rescans of every store under
    // way or queued end at the next file they would read, keeping nothing
    // of their reading, and this returns once the worker is idle, so no
    // thread of the stores reads on while the process ends; false when one
    // file's read still held it after `limit` (a hung network folder): the
    // worker only reads, so what it still does is thrown away. A query
    // indexes in full as ever, and work queued later runs as ever.
    static bool stopBackgroundWork(std::chrono::milliseconds limit);

    CalCalendarList calendars(CalError* error = nullptr) const;
    CalCalendarPtr calendarWithUID(const QString& uid) const;
    // A new calendar (no uid) becomes a folder holding events and tasks, of
    // type "Local" and a colour of the store's choosing; an existing one
    // takes the title, colour and type given.
    bool saveCalendar(const CalCalendarPtr& calendar, CalError* error = nullptr);
    bool removeCalendar(const CalCalendarPtr& calendar, CalError* error = nullptr);
    // Only the calendar's files of the uids given go; the calendar goes whole
    // when nothing is left in its folder but its Info.plist and its empty
    // Events and Tasks folders. Any other file (another program's, never
    // taken in by the organizer, or written since) keeps the calendar, with
    // its Info.plist, and sets *kept.
    bool removeCalendarFilesOf(const CalCalendarPtr& calendar, const QSet<QString>& uids, bool* kept,
                               CalError* error = nullptr);
    // Removes the folders of new calendars whose making a kill cut short
    // (never a calendar: the folder takes its name only once whole); a
    // symbolic link of such a name is left alone. Answers how many went.
    int removeUnfinishedCalendars();

    static CalPredicate eventPredicateWithStartDate(const Date& startDate, const Date& endDate,
                                                    const CalCalendarList& calendars);
    static CalPredicate eventPredicateWithStartDate(const Date& startDate, const Date& endDate, const QString& uid,
                                                    const CalCalendarList& calendars);
    static CalPredicate taskPredicateWithCalendars(const CalCalendarList& calendars);

    // One event per occurrence overlapping the range, in start order. The
    // error is CannotRead when the store cannot be listed, or when a file
    // that may hold what was asked for cannot be read: the answer is then
    // incomplete and must not be taken for the store's whole content.
    CalEventList eventsWithPredicate(const CalPredicate& predicate, CalError* error = nullptr) const;
    CalTaskList tasksWithPredicate(const CalPredicate& predicate, CalError* error = nullptr) const;
    // The series (a null occurrence) or its occurrence of that original date.
    CalEventPtr eventWithUID(const QString& uid, const Date& occurrence, CalError* error = nullptr) const;
    CalTaskPtr taskWithUID(const QString& uid, CalError* error = nullptr) const;
    // The file the index holds for an event uid (other programs may name
    // theirs otherwise); empty when the store knows none.
    QString eventFilePath(const QString& uid) const;
    // Whether the file the index holds for an event or task uid names a
    // product other than the store's own (or none); false when the store
    // knows no such file or cannot read it.
    bool writtenByOtherProgram(const QString& uid) const;
    // Reads a file of the store as the store reads its own: a regular file
    // only, opened without following a symbolic link (nor a link among the
    // folders below the root) and without blocking, no larger than the limit
    // of its kind (itemFileLimit, infoFileLimit). Nothing when it is missing
    // or refused; a refusal is logged once per file and reason.
    enum class StoreFile { Item, CalendarInfo };
    static constexpr qint64 itemFileLimit = qint64(10) << 20;
    static constexpr qint64 infoFileLimit = qint64(1) << 20;
    std::optional<QByteArray> readStoreFile(const QString& path, StoreFile kind) const;

    // span: CalSpan. A new event takes a new uid; "future events" on a later
    // occurrence ends the series before it and gives the event the uid of the
    // new series that continues it.
    bool saveEvent(const CalEventPtr& event, int span, CalError* error = nullptr);
    // Many events, each as saveEvent would save it, one answer each in their
    // order. Inside a WriteBatch the files of new events are built and
    // written by a few threads at once and indexed together.
    QList<CalError> saveEvents(const CalEventList& events, int span);
    bool removeEvent(const CalEventPtr& event, int span, CalError* error = nullptr);
    bool saveTask(const CalTaskPtr& task, CalError* error = nullptr);
    bool removeTask(const CalTaskPtr& task, CalError* error = nullptr);

    // The files the last scan could not use (unreadable, not iCalendar, not
    // a regular file, too large, a uid another file holds first, a symbolic
    // link), and the Events and Tasks folders it could not list; each is
    // logged once.
    QStringList unreadableFiles() const;

    // One file of the index (opaque; named here so its type traits can be declared).
    struct FileEntry;
    struct EventDigest;

private:
    struct CalendarEntry;
    struct Index;
    struct Changes;
    struct EventLocation;

    explicit CalCalendarStore(const QString& rootPath);

    void ensureIndexedLocked() const;
    void scanRootLocked(Index* index, const Index* previous, bool relist, const QSet<QString>& dirtyCalendars,
                        const QSet<QString>& rereadFiles) const;
    void scanCalendarLocked(CalendarEntry* entry, const CalendarEntry* previous, const QSet<QString>& rereadFiles) const;
    // notes: where the problems go instead of the log (a thread other than the scanning one).
    FileEntry readFileLocked(const QFileInfo& info, bool tasks, const FileEntry* old, bool reread,
                             QStringList* notes = nullptr) const;
    // known: what the last scan read of the folder, by file name.
    QList<FileEntry> readFilesLocked(const QList<QFileInfo>& listing, bool tasks,
                                     const QHash<QString, const FileEntry*>& known, const QSet<QString>& rereadFiles) const;
    void resolveDuplicatesLocked(Index* index) const;
    void logOnceLocked(const QString& path, const QString& problem) const;

    CalendarEntry* calendarEntryLocked(const QString& uid) const;
    bool removeCalendarLocked(const CalendarEntry& entry, CalError* error);
    std::optional<EventLocation> locateEventLocked(const QString& uid) const;
    std::optional<EventLocation> locateTaskLocked(const QString& uid) const;
    // The file of an item to change or remove; none, with the error said,
    // when no file holds the uid or its calendar takes no writes.
    std::optional<EventLocation> locateWritableLocked(const QString& uid, bool tasks, CalError* error) const;
    bool writeFileLocked(const QString& path, const QByteArray& bytes, CalError* error);
    bool takeInOutsideChangeLocked(CalendarEntry* calendar, bool tasks, const FileEntry& file,
                                   const QByteArray& currentBytes);
    // Refused when a component of the path under the root is a symbolic link.
    bool refusesLinkedPathLocked(const QString& path, CalError* error) const;
    // Why a write there would follow a link; empty when it would not (no
    // state of the store: any thread may ask).
    static QString linkedPathProblem(const QString& root, const QString& path);
    struct PendingWrites {
        PendingWrites() = default;
        PendingWrites(const PendingWrites&) = delete;
        PendingWrites& operator=(const PendingWrites&) = delete;
        ~PendingWrites();
        int depth = 0;            // open batches of the thread
        QSet<QString> files;      // written, not yet flushed
        QSet<QString> folders;    // their folders, whose entries changed
        // A folder of each filesystem written, opened before the first
        // write there: its one sync flushes them all (by device).
        QHash<quint64, int> filesystems;
    };
    // The pending writes of the calling thread while it has a batch open.
    PendingWrites* openBatchLocked();
    bool writeWithoutFlushLocked(const QString& path, const QByteArray& bytes, PendingWrites* pending, CalError* error);
    void openFilesystemOfLocked(const QString& folder, PendingWrites* pending);
    // Writes beside the file and renames over it; the error text, empty on
    // success. Any thread may call it.
    // newName: the file must be new; a name already there (whatever it is)
    // is left alone and answered by taken, nothing written.
    static QString writeBeside(int folderFd, const QByteArray& name, const QByteArray& bytes, struct stat* written,
                               bool* linked, bool newName = false, bool* taken = nullptr);
    static bool linkNewFile(int folderFd, const QByteArray& name, const QByteArray& bytes, unsigned mode,
                            struct stat* written, QString* problem, bool* taken = nullptr);
    static int openFolderUnderRoot(const QString& root, const QString& folder, QString* problem, bool* linked);
    struct NewEventFile;
    void indexNewEventFilesLocked(std::vector<NewEventFile>& files);
    bool flushLocked(PendingWrites* pending, CalError* error);
    // Flushes each path; answers those that could not be made durable.
    static QStringList flushPaths(const QStringList& paths, int flags);
    bool removeFileLocked(const QString& path, CalError* error);
    // written: what the store has just written there, when it knows it
    // (taken as it is unless the file on the disk has another size).
    void reindexFileLocked(CalendarEntry* calendar, bool tasks, const QString& path, FileEntry* written = nullptr);
    // Indexes a file this store has just written from the document and the
    // bytes it wrote, without reading and parsing them back.
    void indexWrittenLocked(CalendarEntry* calendar, bool tasks, const QString& path, const QByteArray& bytes,
                            const ICalendarFile& document);
    bool refusesWritesLocked(const CalendarEntry* calendar, CalError* error, const QString& what) const;
    // Whether the calendar's Events folder holds something under the file
    // name of the uid (a file the index could not read, say: not ours).
    bool nameIsTakenLocked(const CalendarEntry* calendar, const QString& uid) const;
    // The name a new file of the uid takes in that Events or Tasks folder:
    // the name of the uid's file this store removed, when that was not the
    // uid's own and nothing holds it there now, else the uid's own.
    QString newFileNameLocked(const QString& folder, bool tasks, const QString& uid) const;
    // Keeps the name of a file about to be removed when it is not its uid's own.
    void rememberNameLocked(const FileEntry& file, bool tasks);
    // Drops from the index the files of the uid gone from the disk, keeping
    // their names as a removal does; says whether there was one.
    bool forgetGoneFilesLocked(const QString& uid, bool tasks);
    // An event file's VEVENTs: those the index keeps, else the file read and
    // parsed again. Should another program have changed the file since the
    // index read it (the watcher's report of it still to come), what it
    // holds now answers, as long as it is still the uid's; else nothing.
    std::shared_ptr<const ICalEventFileData> eventsOfLocked(const FileEntry& file) const;
    // The same of several files, in their order.
    std::vector<std::shared_ptr<const ICalEventFileData>> eventsOfLocked(const std::vector<const FileEntry*>& files) const;
    static CalEventPtr eventOf(const ICalEventFileData& file, const ICalOccurrence& occurrence,
                               const CalCalendarPtr& calendar);
    static CalTaskPtr taskFrom(const FileEntry& file, const CalendarEntry& calendar);
    bool queryIsIncompleteLocked(const CalendarEntry& calendar, bool tasks, const QString& uid, QStringList* files) const;
    CalError missingItemErrorLocked(const QString& uid, bool tasks) const;
    // Runs `perCalendar` on each indexed calendar the query names and says
    // what could not be read (the root, a calendar's folder or a file).
    template <class PerCalendar>
    CalError queryCalendarsLocked(const CalPredicate& predicate, bool tasks, PerCalendar&& perCalendar) const;

    // The watcher and the coalescing of its reports, on the main thread.
    void startWatching();
    void watchCurrentPaths();
    void readWatchReports();
    void noteChange(const QString& path, bool fileChanged);
    void rescanChanges();
    Changes compare(const Index& before, const Index& after) const;
    void postChanges(const Changes& changes);

    const QString m_root;
    mutable std::recursive_mutex m_mutex;
    mutable std::unique_ptr<Index> m_index;
    mutable QSet<QString> m_logged;
    // The names of the files of other programs (named other than after
    // their uid) this store removed, by uid (events, tasks). A uid written
    // again goes back under its file's name: a restore takes the old
    // database's copies away before it writes the backup's items back, and
    // readers and sync tools that follow the file names would otherwise see
    // each such item deleted and another one added.
    QHash<QString, QString> m_removedNames[2];
    mutable bool m_watchRequested = false;
    bool m_rescanWhenWatched = false;  // the first index was made before the watching
    std::unordered_map<std::thread::id, PendingWrites> m_pending;
    // Threads with a batch open; read without the lock by the watcher.
    std::atomic<int> m_openBatches{0};

    // Main thread only.
    std::unique_ptr<QObject> m_watchContext;
    int m_inotify = -1;
    QHash<int, QString> m_watchedFolders;  // by watch descriptor
    QHash<QString, int> m_watchOfFolder;
    bool m_everythingDirty = false;
    ScheduledTimer m_coalesceTimer;
    QElapsedTimer m_pendingSince;
    QElapsedTimer m_heldSince;
    bool m_rootDirty = false;
    QSet<QString> m_dirtyCalendars;
    QSet<QString> m_rereadFiles;
};
