#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QString>

#include <atomic>
#include <mutex>

// Set while a system-calendar job runs; jobs wait for it in turn.
extern std::atomic<bool> iCalSyncBusy;

// The type text of the calendar store's calendars kept on this computer
// (typeOfCal of a category linked to one).
inline const QString CalCalendarTypeLocal = QStringLiteral("Local");

// The system-calendar sync as the data manager calls it. Every "background"
// call returns at once; none reports a result. This base class accepts and
// records the calls; the calendar-store exchange derives from it and does the
// work, so the data manager never depends on the exchange itself.
class iCalSync {
public:
    struct Call {
        QString operation;
        TaskList items;          // the event, task or list concerned
        CalendarPtr calendar;    // the category concerned
        qint64 type = -1;        // update or delete scope, -1 when none
        bool insertToZVW = false;
    };

    virtual ~iCalSync() = default;

    virtual void backgroundOneWaySyncInsertToICal(const CalendarPtr& calendar, bool andInsertToZVW);
    virtual void backgroundOneWaySyncUpdateToICal(const CalendarPtr& calendar);
    virtual void backgroundOneWaySyncDeleteToICal(const CalendarPtr& calendar);

    virtual void backgroundOneWaySyncInsertToICalEvent(const TaskPtr& event, bool andInsertToZVW);
    virtual void backgroundOneWaySyncInsertToICalEventRoot(const TaskPtr& root);
    virtual void backgroundOneWaySyncInsertToICalEventList(const TaskList& events);
    virtual void backgroundOneWaySyncUpdateToICalEvent(const TaskPtr& event, qint64 updateType);
    virtual void backgroundOneWaySyncDeleteToICalEvent(const TaskPtr& event, qint64 deleteType);
    virtual void syncDeleteToICalEvent(const TaskPtr& event, qint64 type);

    virtual void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task);
    virtual void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task, bool andInsertToZVW);
    virtual void backgroundOneWaySyncInsertToICalTaskList(const TaskList& tasks);
    virtual void backgroundOneWaySyncUpdateToICalTask(const TaskPtr& task, qint64 updateType);
    virtual void backgroundOneWaySyncDeleteToICalTask(const TaskPtr& task, qint64 deleteType);

    QList<Call> calls() const;
    void clearCalls();

protected:
    void record(Call call);

private:
    mutable std::mutex m_mutex;
    QList<Call> m_calls;
};
