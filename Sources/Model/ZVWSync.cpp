#include "ZVWSync.h"

#include "CoreData.h"
#include "NotificationCenter.h"
#include "Scheduler.h"
#include "Setting.h"

ZVWSync::ZVWSync()
{
    NotificationCenter::defaultCenter().addObserver(this, kAutoSyncNotification, nullptr,
                                                    [this](const Notification& notification) {
                                                        receiveAutoSyncNotification(notification.objectAs<qint64>());
                                                    });
}

ZVWSync::~ZVWSync()
{
    m_timer.invalidate();
}

void ZVWSync::receiveAutoSyncNotification(qint64 bits)
{
    std::lock_guard lock(m_mutex);
    m_received.append(bits);
    if (m_isSyncing) return;
    m_pendingBits |= bits;
    m_timer.invalidate();
    m_timer = Scheduler::current().scheduleTimer(autoSyncDelay, false, [this] { startAutoSync(); });
}

void ZVWSync::startAutoSync()
{
    const SettingPtr setting = CoreData::shared() ? CoreData::shared()->currentSetting() : nullptr;
    std::lock_guard lock(m_mutex);
    if (!setting || !setting->autoZVWSync() || !internetReachable || m_isSyncing || m_pendingBits == 0) return;
    m_pushes.append(m_pendingBits);
    m_pendingBits = 0;
}

bool ZVWSync::isSyncing() const
{
    std::lock_guard lock(m_mutex);
    return m_isSyncing;
}

void ZVWSync::setIsSyncing(bool syncing)
{
    std::lock_guard lock(m_mutex);
    m_isSyncing = syncing;
}

qint64 ZVWSync::pendingBits() const
{
    std::lock_guard lock(m_mutex);
    return m_pendingBits;
}

QList<qint64> ZVWSync::receivedRequests() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

QList<qint64> ZVWSync::pushes() const
{
    std::lock_guard lock(m_mutex);
    return m_pushes;
}
