#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <utility>

// Set while a system-calendar job runs; jobs wait for it in turn.
extern std::atomic<bool> iCalSyncBusy;

// The type text of the calendar store's calendars kept on this computer
// (typeOfCal of a category linked to one).
inline const QString CalCalendarTypeLocal = QStringLiteral("Local");

// The mark of a uid while its new store copy (an item's, a category's
// calendar) is being written: the uid is stored with it before the file
// exists, and loses it once the file is on the disk. A control character
// never starts a uid read from a file, so a marked uid never pairs with a
// store item; the start-up full sync adopts the copy of a marked uid when it
// is there and pushes the item again when it is not.
inline const QString pendingStoreCopyMark = QStringLiteral("\u0001pending:");

// The system-calendar sync as the data manager calls it. Every "background"
// call returns at once; none reports a result. This base class does nothing
// with a call (and keeps nothing of it); the calendar-store exchange derives
// from it and does the work, so the data manager never depends on the
// exchange itself.
class iCalSync {
public:
    virtual ~iCalSync() = default;

    // The uid the store calendar of a new category will take, chosen before
    // it is made; empty when this sync makes none.
    virtual QString newStoreCalendarUid() const { return {}; }
    virtual void backgroundOneWaySyncInsertToICal(const CalendarPtr& calendar, bool andInsertToZVW) {}
    virtual void backgroundOneWaySyncUpdateToICal(const CalendarPtr& calendar) {}
    virtual void backgroundOneWaySyncDeleteToICal(const CalendarPtr& calendar) {}
    // The categories a web sync inserted, renamed and deleted, in one job.
    virtual void backgroundOneWaySyncInsertToICalList(const CalendarList& insertList, const CalendarList& updateList,
                                                      const CalendarList& deleteList) {}

    virtual void backgroundOneWaySyncInsertToICalEvent(const TaskPtr& event, bool andInsertToZVW) {}
    virtual void backgroundOneWaySyncInsertToICalEventRoot(const TaskPtr& root) {}
    virtual void backgroundOneWaySyncInsertToICalEventList(const TaskList& events) {}
    // The roots of a restored database, and their changed occurrences.
    virtual void backgroundOneWaySyncInsertToICalEventList(const TaskList& insertList, const TaskList& syncUpdate) {}
    virtual void backgroundOneWaySyncUpdateToICalEvent(const TaskPtr& event, qint64 updateType) {}
    virtual void backgroundOneWaySyncDeleteToICalEvent(const TaskPtr& event, qint64 deleteType) {}
    // A series cut at an occurrence (with the store uid and date of its
    // series) that goes on as the new root `series`: the store copy is split
    // there, its later dates carried on, and the new root linked to the rest.
    virtual void backgroundOneWaySyncSplitToICalEvent(const TaskPtr& occurrence, const TaskPtr& series) {}
    virtual void syncDeleteToICalEvent(const TaskPtr& event, qint64 type) {}

    virtual void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task) {}
    virtual void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task, bool andInsertToZVW) {}
    virtual void backgroundOneWaySyncInsertToICalTaskList(const TaskList& tasks) {}
    virtual void backgroundOneWaySyncUpdateToICalTask(const TaskPtr& task, qint64 updateType) {}
    virtual void backgroundOneWaySyncDeleteToICalTask(const TaskPtr& task, qint64 deleteType) {}

    // The items a web sync inserted, updated and deleted, applied on the
    // calling thread (the web sync goes on when the store is up to date).
    virtual void backgroundOneWaySyncInsertToICalItemList(const TaskList& insertList, const TaskList& updateList,
                                                          const TaskList& deleteList) {}

    // The full two-way exchange, run on the calling thread; it returns when
    // it ends.
    virtual void backgroundFullSync() {}
    // The start's lists ahead of the full sync: the categories (a default
    // one made when none is left) and the working list as the database
    // holds them, as a full sync that finds nothing new leaves them.
    virtual void loadListsBeforeFullSync() {}
    // Reads the store's files in the background (the full sync's first
    // query otherwise reads them on its own thread) and then runs `then` on
    // the main thread, queued: the caller waits for nothing. Not after a
    // quit stopped the reading.
    virtual void whenStoreIndexed(std::function<void()> then) {}
    // The lists' load keeps the full sync's place among the store's jobs:
    // the jobs started after it (an edit's write) wait for that full sync,
    // which runs here (main thread) when still due; a job of this thread
    // that must run at once, or a wait for the queued jobs, runs it first.
    // False when it was not due. A launch that will run none (the quit came
    // first) gives the place back.
    virtual bool runPendingFullSync() { return false; }
    virtual void dropPendingFullSync() {}
    // Pushes the categories, events and tasks of a restored database.
    virtual void backgroundRestoreCalendars() {}
    // Removes a category's calendar, or a task's reminder, from the store.
    virtual void syncDeleteToIcal(const CalendarPtr& calendar) {}
    virtual void syncDeleteToICalTask(const TaskPtr& task) {}
    // Of these item uids, those whose store file another program wrote; a
    // removal of the own calendars (syncDeleteToIcal) leaves their files
    // until the next call, and an empty set ends that. The files of the
    // uids `restored` (a restore writes them back over their files) are
    // left likewise, and returned with them.
    virtual QSet<QString> keepOtherProgramsFiles(const QSet<QString>& uids, const QSet<QString>& restored = {})
    {
        return {};
    }

    // Waits, serving the main thread meanwhile, until no job is left queued
    // or running; false when some are after `seconds`.
    virtual bool waitForQueuedJobs(double seconds) const { return true; }
    // Removes what writes to the store interrupted by a kill left behind.
    virtual void removeInterruptedWrites() {}

    // --- what the store is still owed, kept in the database ---
    // A linked item's store copy is behind its row from now on: its key is
    // marked in the database unit under way (its own, outside one), so a kill
    // before the store write leaves the mark with the change and the next
    // full sync writes the item to the store instead of reading it back.
    // Each mark raises a count; a job clears the mark only with the count it
    // wrote for, so a later change keeps its own. Items without a store copy
    // (no uid, or one still being written) need none: 0 is returned.
    static qint64 markStoreWriteDue(const TaskPtr& item);
    // The count of the item's mark (0: none).
    static qint64 storeWriteDue(qint64 itemKey);
    // Removes the mark once the store write of `due` is on the disk, unless a
    // later change raised it.
    static bool clearStoreWriteDue(qint64 itemKey, qint64 due);
    // Every mark: (item key, count).
    static QList<std::pair<qint64, qint64>> storeWritesDue();
    // The calendar of a deleted category is to be removed from the store:
    // recorded in the unit of the delete, and removed once the calendar is
    // gone from the disk. A marked uid is recorded without its mark. False
    // when it could not be recorded: the unit is spoiled then, and the
    // caller refuses it.
    [[nodiscard]] static bool recordStoreCalendarRemoval(const QString& uid);
    // The same for an item's store copy that goes: a deleted event (all its
    // occurrences) or task, or a task that becomes an event or leaves the
    // store's categories. The kind is the item's as it is now, so a task is
    // recorded before it is turned into an event. A kill before the store's
    // copy is gone leaves the record, and the next full sync removes the
    // copy instead of taking it in again.
    [[nodiscard]] static bool recordStoreItemRemoval(const TaskPtr& item);
    // Removals are kept by kind and uid: one kind's never stands in for
    // another's of the same uid.
    enum class StoreRemoval { Calendar = 0, Event = 1, Task = 2 };
    // Every owed removal, calendars first (nothing when they cannot be read).
    static QList<std::pair<QString, StoreRemoval>> storeRemovalsDue();
    static QStringList storeCalendarRemovalsDue();
    // Ends the record of that kind's removal of the uid.
    static bool clearStoreRemoval(StoreRemoval kind, const QString& uid);

    // A series cut at an occurrence goes on as a new root whose store copy
    // is split off the old file there. Recorded in the unit of the edit,
    // with the uid the rest is to take, so that a stop before the split
    // (or a split that failed) is finished by the next full sync before it
    // pairs rows and files, instead of the old file giving the old series
    // its whole run back beside a second copy of the new one.
    struct StoreSplit {
        qint64 seriesKey = -1;  // the new root
        QString uid;            // the store uid of the series cut
        Date occurrence;        // the occurrence cut at, in the cut root's item time
        qint64 tz = 0;          // the cut root's zone
        QString restUid;        // the uid the rest's file is written under
    };
    [[nodiscard]] static bool recordStoreSplit(const StoreSplit& split);
    // Every owed split, oldest first (nothing when they cannot be read).
    static QList<StoreSplit> storeSplitsDue();
    static bool clearStoreSplit(qint64 seriesKey);

    // Set on the calendar-store worker: the records on the working lists are
    // the main thread's, so what this thread writes to the database reaches
    // them on the main queue, never written into them here.
    static void setListRecordsOnMainThread(bool handOver);
    static bool listRecordsOnMainThread();

    // Blocks until no calendar-store job runs, at most `seconds`; answers
    // whether they ended. Quit waits here before the database closes.
    static bool waitUntilIdle(double seconds = 30.0);
};
