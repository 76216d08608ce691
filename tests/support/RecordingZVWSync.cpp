#include "RecordingZVWSync.h"

#include "NotificationCenter.h"
#include "Calendar.h"
#include "Task.h"

RecordingZVWSync::~RecordingZVWSync()
{
    // The base's registration outlives this part of the object.
    NotificationCenter::defaultCenter().removeObserver(this);
}

void RecordingZVWSync::receiveAutoSyncNotification(qint64 bits)
{
    {
        std::lock_guard lock(m_recordMutex);
        m_received.append(bits);
    }
    ZVWSync::receiveAutoSyncNotification(bits);
}

QList<qint64> RecordingZVWSync::receivedRequests() const
{
    std::lock_guard lock(m_recordMutex);
    return m_received;
}

QList<qint64> RecordingZVWSync::pushes() const
{
    std::lock_guard lock(m_recordMutex);
    return m_pushes;
}

void RecordingZVWSync::pushChanges(qint64 bits)
{
    std::lock_guard lock(m_recordMutex);
    m_pushes.append(bits);
}

void RecordingZVWSync::changeItemStatus(const TaskPtr& task)
{
    if (!task) return;
    std::lock_guard lock(m_recordMutex);
    m_statusChanges.append({task->primaryKey(), task->zvwID(), task->delegateStatus()});
}

QList<RecordingZVWSync::StatusChange> RecordingZVWSync::statusChanges() const
{
    std::lock_guard lock(m_recordMutex);
    return m_statusChanges;
}

void RecordingZVWSync::changeItemStatus(const CalendarPtr& category)
{
    if (!category) return;
    std::lock_guard lock(m_recordMutex);
    m_categoryStatusChanges.append({category->primaryKey(), category->zvwProjectId(), category->sharedStatus()});
}

QList<RecordingZVWSync::StatusChange> RecordingZVWSync::categoryStatusChanges() const
{
    std::lock_guard lock(m_recordMutex);
    return m_categoryStatusChanges;
}
