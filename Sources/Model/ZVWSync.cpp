#include "ZVWSync.h"

#include "CoreData.h"
#include "NotificationCenter.h"
#include "Scheduler.h"
#include "Setting.h"

#include <utility>

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
    if (m_isSyncing) return;
    m_pendingBits |= bits;
    m_timer.invalidate();
    m_timer = Scheduler::current().scheduleTimer(autoSyncDelay, false, [this] { startAutoSync(); });
}

void ZVWSync::startAutoSync()
{
    const SettingPtr setting = CoreData::shared() ? CoreData::shared()->currentSetting() : nullptr;
    qint64 bits = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!setting || !setting->autoZVWSync() || !internetReachable || m_isSyncing || m_pendingBits == 0) return;
        bits = std::exchange(m_pendingBits, 0);
    }
    pushChanges(bits);
}

void ZVWSync::pushChanges(qint64 bits) {}

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
