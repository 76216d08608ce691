#include "ZVWSync.h"

#include "CoreData.h"
#include "MainQueue.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "Scheduler.h"
#include "Setting.h"

#include <QDebug>
#include <QPointer>

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
    m_queue.waitUntilIdle();
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

void ZVWSync::fullSync() {}

bool ZVWSync::backgroundFullSync(QObject* sender)
{
    {
        std::lock_guard lock(m_mutex);
        if (!internetReachable || m_isSyncing) return false;
        m_isSyncing = true;
    }
    QPointer<QObject> asker(sender);
    const bool hadSender = sender != nullptr;
    m_queue.async([this, asker, hadSender] {
        MainViewAccess::postShowSyncingIndicator();
        fullSync();
        setIsSyncing(false);
        // A sender destroyed meanwhile is not posted as a dangling pointer.
        MainQueue::async([asker, hadSender] {
            if (MainViewAccess* mainView = MainViewAccess::current()) mainView->hideSyncingIndicator();
            if (hadSender && !asker) return;
            NotificationCenter::defaultCenter().postNotificationName(kSyncZVWFinishedNotification, asker.data());
        });
    });
    return true;
}

bool ZVWSync::waitUntilIdle(double seconds)
{
    if (MainQueue::waitWhile([this] { return isSyncing(); }, seconds)) return true;
    qWarning() << "The web sync did not end within" << seconds << "s";
    return false;
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
