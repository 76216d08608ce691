#pragma once

#include "ScheduledTimer.h"

#include <QObject>
#include <QString>

#include <mutex>

inline const QString kAutoSyncNotification = QStringLiteral("com.qrb.zvm.AutoSyncNotification");

// The web sync as the data manager sees it: one object for the process that
// collects automatic push requests. Each request is a bitmask (1 categories,
// 2 items, 4 tags, 8 links, 32 settings); requests during a sync are dropped,
// the rest are merged and a push follows 10 s after the last one.
class ZVWSync : public QObject {
    Q_OBJECT
public:
    ZVWSync();
    ~ZVWSync() override;

    virtual void receiveAutoSyncNotification(qint64 bits);
    // The push: runs only with automatic web sync on, the network reachable
    // and no sync running; it hands the merged bits to pushChanges.
    void startAutoSync();

    bool isSyncing() const;
    void setIsSyncing(bool syncing);
    qint64 pendingBits() const;

    static constexpr double autoSyncDelay = 10.0;

protected:
    // Sends what the bits name. The web client is not written yet: nothing
    // is sent and nothing is kept.
    virtual void pushChanges(qint64 bits);

private:
    mutable std::mutex m_mutex;
    bool m_isSyncing = false;
    qint64 m_pendingBits = 0;
    ScheduledTimer m_timer;
};
