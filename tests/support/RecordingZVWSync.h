#pragma once

#include "ZVWSync.h"

#include <QList>

#include <mutex>

// The web sync's request collector that also keeps every request it received
// (dropped ones included) and the bits of every push, in order.
class RecordingZVWSync : public ZVWSync {
public:
    ~RecordingZVWSync() override;

    void receiveAutoSyncNotification(qint64 bits) override;

    QList<qint64> receivedRequests() const;
    QList<qint64> pushes() const;

    // Status answers are kept here instead of being sent.
    struct StatusChange {
        qint64 primaryKey = 0;
        qint64 zvwID = 0;
        qint64 delegateStatus = 0;
    };
    void changeItemStatus(const TaskPtr& task) override;
    QList<StatusChange> statusChanges() const;
    // Categories handed to the status call, with the status they carried.
    void changeItemStatus(const CalendarPtr& category) override;
    QList<StatusChange> categoryStatusChanges() const;

protected:
    void pushChanges(qint64 bits) override;

private:
    mutable std::mutex m_recordMutex;
    QList<qint64> m_received;
    QList<qint64> m_pushes;
    QList<StatusChange> m_statusChanges;
    QList<StatusChange> m_categoryStatusChanges;
};
