#pragma once

#include "iCalSync.h"

#include <QList>
#include <QString>

#include <mutex>

// Keeps every call the data manager makes to the system-calendar sync, with
// its items, so a test can read what would have gone to the calendar store.
// Install it with CoreData::setICalSync.
class RecordingICalSync : public iCalSync {
public:
    struct Call {
        QString operation;
        TaskList items;          // the event, task or list concerned
        CalendarPtr calendar;    // the category concerned
        qint64 type = -1;        // update or delete scope, -1 when none
        bool insertToZVW = false;
        QList<TaskList> itemLists;          // the lists of a call that takes several
        QList<CalendarList> calendarLists;
    };

    void backgroundOneWaySyncInsertToICal(const CalendarPtr& calendar, bool andInsertToZVW) override;
    void backgroundOneWaySyncUpdateToICal(const CalendarPtr& calendar) override;
    void backgroundOneWaySyncDeleteToICal(const CalendarPtr& calendar) override;
    void backgroundOneWaySyncInsertToICalList(const CalendarList& insertList, const CalendarList& updateList,
                                              const CalendarList& deleteList) override;

    void backgroundOneWaySyncInsertToICalEvent(const TaskPtr& event, bool andInsertToZVW) override;
    void backgroundOneWaySyncInsertToICalEventRoot(const TaskPtr& root) override;
    void backgroundOneWaySyncInsertToICalEventList(const TaskList& events) override;
    void backgroundOneWaySyncInsertToICalEventList(const TaskList& insertList, const TaskList& syncUpdate) override;
    void backgroundOneWaySyncUpdateToICalEvent(const TaskPtr& event, qint64 updateType) override;
    void backgroundOneWaySyncDeleteToICalEvent(const TaskPtr& event, qint64 deleteType) override;
    void backgroundOneWaySyncSplitToICalEvent(const TaskPtr& occurrence, const TaskPtr& series) override;
    void syncDeleteToICalEvent(const TaskPtr& event, qint64 type) override;

    void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task) override;
    void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task, bool andInsertToZVW) override;
    void backgroundOneWaySyncInsertToICalTaskList(const TaskList& tasks) override;
    void backgroundOneWaySyncUpdateToICalTask(const TaskPtr& task, qint64 updateType) override;
    void backgroundOneWaySyncDeleteToICalTask(const TaskPtr& task, qint64 deleteType) override;
    void backgroundOneWaySyncInsertToICalItemList(const TaskList& insertList, const TaskList& updateList,
                                                  const TaskList& deleteList) override;

    void backgroundFullSync() override;
    void backgroundRestoreCalendars() override;
    void syncDeleteToIcal(const CalendarPtr& calendar) override;
    void syncDeleteToICalTask(const TaskPtr& task) override;

    QList<Call> calls() const;
    void recordLists(const QString& operation, const QList<TaskList>& itemLists,
                     const QList<CalendarList>& calendarLists);
    void clearCalls();

private:
    void record(const QString& operation, const TaskList& items, const CalendarPtr& calendar = nullptr,
                qint64 type = -1, bool insertToZVW = false);

    mutable std::mutex m_mutex;
    QList<Call> m_calls;
};
