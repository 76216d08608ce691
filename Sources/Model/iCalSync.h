#pragma once

#include "ModelTypes.h"

#include <QString>

#include <atomic>

// Set while a system-calendar job runs; jobs wait for it in turn.
extern std::atomic<bool> iCalSyncBusy;

// The type text of the calendar store's calendars kept on this computer
// (typeOfCal of a category linked to one).
inline const QString CalCalendarTypeLocal = QStringLiteral("Local");

// The system-calendar sync as the data manager calls it. Every "background"
// call returns at once; none reports a result. This base class does nothing
// with a call (and keeps nothing of it); the calendar-store exchange derives
// from it and does the work, so the data manager never depends on the
// exchange itself.
class iCalSync {
public:
    virtual ~iCalSync() = default;

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
    // Pushes the categories, events and tasks of a restored database.
    virtual void backgroundRestoreCalendars() {}
    // Removes a category's calendar, or a task's reminder, from the store.
    virtual void syncDeleteToIcal(const CalendarPtr& calendar) {}
    virtual void syncDeleteToICalTask(const TaskPtr& task) {}

    // Waits, serving the main thread meanwhile, until no job is left queued
    // or running; false when some are after `seconds`.
    virtual bool waitForQueuedJobs(double seconds) const { return true; }
    // Removes what writes to the store interrupted by a kill left behind.
    virtual void removeInterruptedWrites() {}

    // Blocks until no calendar-store job runs, at most `seconds`; answers
    // whether they ended. Quit waits here before the database closes.
    static bool waitUntilIdle(double seconds = 30.0);
};
