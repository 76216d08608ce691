#include "iCalSync.h"

std::atomic<bool> iCalSyncBusy{false};

namespace {
iCalSync::Call makeCall(const QString& operation, const TaskList& items = {}, const CalendarPtr& calendar = nullptr,
                        qint64 type = -1, bool insertToZVW = false)
{
    return iCalSync::Call{operation, items, calendar, type, insertToZVW};
}
}  // namespace

void iCalSync::record(Call call)
{
    std::lock_guard lock(m_mutex);
    m_calls.append(std::move(call));
}

QList<iCalSync::Call> iCalSync::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void iCalSync::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

void iCalSync::backgroundOneWaySyncInsertToICal(const CalendarPtr& calendar, bool andInsertToZVW)
{
    record(makeCall(QStringLiteral("insertCalendar"), TaskList{}, calendar, -1, andInsertToZVW));
}

void iCalSync::backgroundOneWaySyncUpdateToICal(const CalendarPtr& calendar)
{
    record(makeCall(QStringLiteral("updateCalendar"), TaskList{}, calendar));
}

void iCalSync::backgroundOneWaySyncDeleteToICal(const CalendarPtr& calendar)
{
    record(makeCall(QStringLiteral("deleteCalendar"), TaskList{}, calendar));
}

void iCalSync::backgroundOneWaySyncInsertToICalEvent(const TaskPtr& event, bool andInsertToZVW)
{
    record(makeCall(QStringLiteral("insertEvent"), TaskList{event}, nullptr, -1, andInsertToZVW));
}

void iCalSync::backgroundOneWaySyncInsertToICalEventRoot(const TaskPtr& root)
{
    record(makeCall(QStringLiteral("insertEventRoot"), TaskList{root}));
}

void iCalSync::backgroundOneWaySyncInsertToICalEventList(const TaskList& events)
{
    record(makeCall(QStringLiteral("insertEventList"), events));
}

void iCalSync::backgroundOneWaySyncUpdateToICalEvent(const TaskPtr& event, qint64 updateType)
{
    record(makeCall(QStringLiteral("updateEvent"), TaskList{event}, nullptr, updateType));
}

void iCalSync::backgroundOneWaySyncDeleteToICalEvent(const TaskPtr& event, qint64 deleteType)
{
    record(makeCall(QStringLiteral("deleteEvent"), TaskList{event}, nullptr, deleteType));
}

void iCalSync::syncDeleteToICalEvent(const TaskPtr& event, qint64 type)
{
    record(makeCall(QStringLiteral("syncDeleteEvent"), TaskList{event}, nullptr, type));
}

void iCalSync::backgroundOneWaySyncInsertToICalTask(const TaskPtr& task)
{
    record(makeCall(QStringLiteral("insertTask"), TaskList{task}));
}

void iCalSync::backgroundOneWaySyncInsertToICalTask(const TaskPtr& task, bool andInsertToZVW)
{
    record(makeCall(QStringLiteral("insertTask"), TaskList{task}, nullptr, -1, andInsertToZVW));
}

void iCalSync::backgroundOneWaySyncInsertToICalTaskList(const TaskList& tasks)
{
    record(makeCall(QStringLiteral("insertTaskList"), tasks));
}

void iCalSync::backgroundOneWaySyncUpdateToICalTask(const TaskPtr& task, qint64 updateType)
{
    record(makeCall(QStringLiteral("updateTask"), TaskList{task}, nullptr, updateType));
}

void iCalSync::backgroundOneWaySyncDeleteToICalTask(const TaskPtr& task, qint64 deleteType)
{
    record(makeCall(QStringLiteral("deleteTask"), TaskList{task}, nullptr, deleteType));
}
