#include "RecordingICalSync.h"

void RecordingICalSync::record(const QString& operation, const TaskList& items, const CalendarPtr& calendar,
                               qint64 type, bool insertToZVW)
{
    std::lock_guard lock(m_mutex);
    m_calls.append(Call{operation, items, calendar, type, insertToZVW});
}

QList<RecordingICalSync::Call> RecordingICalSync::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void RecordingICalSync::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

void RecordingICalSync::backgroundOneWaySyncInsertToICal(const CalendarPtr& calendar, bool andInsertToZVW)
{
    record(QStringLiteral("insertCalendar"), {}, calendar, -1, andInsertToZVW);
}

void RecordingICalSync::backgroundOneWaySyncUpdateToICal(const CalendarPtr& calendar)
{
    record(QStringLiteral("updateCalendar"), {}, calendar);
}

void RecordingICalSync::backgroundOneWaySyncDeleteToICal(const CalendarPtr& calendar)
{
    record(QStringLiteral("deleteCalendar"), {}, calendar);
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalEvent(const TaskPtr& event, bool andInsertToZVW)
{
    record(QStringLiteral("insertEvent"), {event}, nullptr, -1, andInsertToZVW);
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalEventRoot(const TaskPtr& root)
{
    record(QStringLiteral("insertEventRoot"), {root});
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalEventList(const TaskList& events)
{
    record(QStringLiteral("insertEventList"), events);
}

void RecordingICalSync::backgroundOneWaySyncUpdateToICalEvent(const TaskPtr& event, qint64 updateType)
{
    record(QStringLiteral("updateEvent"), {event}, nullptr, updateType);
}

void RecordingICalSync::backgroundOneWaySyncDeleteToICalEvent(const TaskPtr& event, qint64 deleteType)
{
    record(QStringLiteral("deleteEvent"), {event}, nullptr, deleteType);
}

void RecordingICalSync::backgroundOneWaySyncSplitToICalEvent(const TaskPtr& occurrence, const TaskPtr& series)
{
    record(QStringLiteral("splitEvent"), {occurrence, series});
}

void RecordingICalSync::syncDeleteToICalEvent(const TaskPtr& event, qint64 type)
{
    record(QStringLiteral("syncDeleteEvent"), {event}, nullptr, type);
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalTask(const TaskPtr& task)
{
    record(QStringLiteral("insertTask"), {task});
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalTask(const TaskPtr& task, bool andInsertToZVW)
{
    record(QStringLiteral("insertTask"), {task}, nullptr, -1, andInsertToZVW);
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalTaskList(const TaskList& tasks)
{
    record(QStringLiteral("insertTaskList"), tasks);
}

void RecordingICalSync::backgroundOneWaySyncUpdateToICalTask(const TaskPtr& task, qint64 updateType)
{
    record(QStringLiteral("updateTask"), {task}, nullptr, updateType);
}

void RecordingICalSync::backgroundOneWaySyncDeleteToICalTask(const TaskPtr& task, qint64 deleteType)
{
    record(QStringLiteral("deleteTask"), {task}, nullptr, deleteType);
}

void RecordingICalSync::backgroundFullSync()
{
    record(QStringLiteral("fullSync"), {});
}

void RecordingICalSync::backgroundRestoreCalendars()
{
    record(QStringLiteral("restoreCalendars"), {});
}

void RecordingICalSync::syncDeleteToIcal(const CalendarPtr& calendar)
{
    record(QStringLiteral("syncDeleteCalendar"), {}, calendar);
}

void RecordingICalSync::syncDeleteToICalTask(const TaskPtr& task)
{
    record(QStringLiteral("syncDeleteTask"), {task});
}

void RecordingICalSync::recordLists(const QString& operation, const QList<TaskList>& itemLists,
                                    const QList<CalendarList>& calendarLists)
{
    std::lock_guard lock(m_mutex);
    Call call{operation, {}, nullptr, -1, false, itemLists, calendarLists};
    m_calls.append(call);
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalList(const CalendarList& insertList,
                                                             const CalendarList& updateList,
                                                             const CalendarList& deleteList)
{
    recordLists(QStringLiteral("calendarLists"), {}, {insertList, updateList, deleteList});
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalEventList(const TaskList& insertList,
                                                                  const TaskList& syncUpdate)
{
    recordLists(QStringLiteral("insertAndUpdateEvents"), {insertList, syncUpdate}, {});
}

void RecordingICalSync::backgroundOneWaySyncInsertToICalItemList(const TaskList& insertList,
                                                                 const TaskList& updateList,
                                                                 const TaskList& deleteList)
{
    recordLists(QStringLiteral("webItemLists"), {insertList, updateList, deleteList}, {});
}
