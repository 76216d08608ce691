#pragma once

#include "ScheduledTimer.h"
#include "SerialQueue.h"

#include <QObject>
#include <QString>

#include <mutex>

inline const QString kAutoSyncNotification = QStringLiteral("com.qrb.zvm.AutoSyncNotification");
// Posted on the main thread when a full web sync ends; the object is the
// sender that asked for it (none when nobody did).
inline const QString kSyncZVWFinishedNotification = QStringLiteral("Sync ZVW finished notification");

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

    // The full two-way sync, on the sync's own background queue, when the
    // network is reachable and no sync runs: the main view shows its syncing
    // indicator meanwhile, and "Sync ZVW finished notification" carries the
    // sender when it ends. Answers whether a sync started.
    bool backgroundFullSync(QObject* sender);
    // Blocks until no sync runs, at most `seconds`; answers whether it
    // ended. Quit waits here before the database closes under a sync.
    bool waitUntilIdle(double seconds = 30.0);

    bool isSyncing() const;
    void setIsSyncing(bool syncing);
    qint64 pendingBits() const;

    static constexpr double autoSyncDelay = 10.0;

protected:
    // Sends what the bits name. The web client is not written yet: nothing
    // is sent and nothing is kept.
    virtual void pushChanges(qint64 bits);
    // The exchange of a full sync, run on the sync queue. The web client is
    // not written yet: nothing is exchanged.
    virtual void fullSync();

private:
    mutable std::mutex m_mutex;
    SerialQueue m_queue{QStringLiteral("ZVWSync")};
    bool m_isSyncing = false;
    qint64 m_pendingBits = 0;
    ScheduledTimer m_timer;
};
