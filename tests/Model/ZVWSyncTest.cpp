#include "ModelTestFixture.h"

#include "Clock.h"
#include "MainQueue.h"
#include "MainViewAccess.h"
#include "RecordingMainView.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "Setting.h"
#include "RecordingZVWSync.h"
#include "SerialQueue.h"

#include <condition_variable>
#include <mutex>

namespace {

class ZVWSyncTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(1357725600));
        Scheduler::setCurrent(&m_scheduler);
        m_setting = Setting::initWithPrimaryKey(1, db());
        m_setting->setAutoZVWSync(1);
        dataManager().setCurrentSetting(m_setting);
        internetReachable = true;
    }
    void TearDown() override
    {
        internetReachable = false;
        Scheduler::setCurrent(nullptr);
        Clock::reset();
        ModelTest::TearDown();
    }
    static void request(qint64 bits)
    {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, bits);
    }

    ManualScheduler m_scheduler;
    SettingPtr m_setting;
};

}  // namespace

TEST_F(ZVWSyncTest, RequestsMergeAndPushTenSecondsAfterTheLastOne)
{
    RecordingZVWSync sync;
    request(2);
    m_scheduler.advance(9);
    request(8);
    m_scheduler.advance(9);
    EXPECT_TRUE(sync.pushes().isEmpty()) << "the second request restarted the wait";
    m_scheduler.advance(1);
    ASSERT_TRUE(sync.waitUntilIdle(5));
    EXPECT_EQ(sync.pushes(), QList<qint64>{10});
    EXPECT_EQ(sync.pendingBits(), 0);
}

TEST_F(ZVWSyncTest, RequestsDuringASyncAreDroppedAndPushesWaitForTheSwitchAndNetwork)
{
    RecordingZVWSync sync;
    sync.setIsSyncing(true);
    request(1);
    EXPECT_EQ(sync.pendingBits(), 0);
    EXPECT_EQ(sync.receivedRequests(), QList<qint64>{1});
    sync.setIsSyncing(false);

    m_setting->setAutoZVWSync(0);
    request(4);
    m_scheduler.advance(10);
    EXPECT_TRUE(sync.pushes().isEmpty());
    EXPECT_EQ(sync.pendingBits(), 4) << "kept for a later push";

    m_setting->setAutoZVWSync(1);
    internetReachable = false;
    request(32);
    m_scheduler.advance(10);
    EXPECT_TRUE(sync.pushes().isEmpty());

    internetReachable = true;
    request(2);
    m_scheduler.advance(10);
    ASSERT_TRUE(sync.waitUntilIdle(5));
    EXPECT_EQ(sync.pushes(), QList<qint64>{38});
}

namespace {

// A full sync that runs until the test lets it end.
class HeldFullSync : public ZVWSync {
public:
    ~HeldFullSync() override { release(); }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_wake.notify_all();
    }

protected:
    void fullSync() override
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_released; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_released = false;
};

}  // namespace

TEST_F(ZVWSyncTest, AFullSyncIsQueuedOnceAndRefusesASecondUntilItEnds)
{
    QObject sender;
    HeldFullSync sync;

    ASSERT_TRUE(sync.backgroundFullSync(&sender));
    EXPECT_TRUE(sync.isSyncing()) << "taken when queued, before the pass starts";
    EXPECT_EQ(sync.syncHolder(), ZVWSync::SyncHolder::Full);
    EXPECT_FALSE(sync.backgroundFullSync(nullptr)) << "one sync at a time";
    EXPECT_FALSE(sync.waitUntilIdle(0.05)) << "the wait ends at its limit while the sync runs";

    sync.release();
    EXPECT_TRUE(sync.waitUntilIdle(5));
    EXPECT_EQ(sync.syncHolder(), ZVWSync::SyncHolder::None);
    EXPECT_TRUE(sync.backgroundFullSync(nullptr)) << "the guard was given back";
    EXPECT_TRUE(sync.waitUntilIdle(5));
}

TEST_F(ZVWSyncTest, AFullSyncNeedsTheNetwork)
{
    QObject observer;
    int finished = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, kSyncZVWFinishedNotification, nullptr,
                                                    [&](const Notification&) { ++finished; });
    HeldFullSync sync;
    sync.release();
    internetReachable = false;
    QObject sender;
    EXPECT_FALSE(sync.backgroundFullSync(&sender));
    EXPECT_FALSE(sync.isSyncing());
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(finished, 0);
}

TEST(MainQueueWait, KeepsDeliveringWhatAWorkerQueuesForTheMainThread)
{
    // A worker that needs the main thread before it can finish: a plain wait
    // on the main thread would hold both for ever.
    std::atomic<bool> busy{true};
    SerialQueue worker(QStringLiteral("worker"));
    worker.async([&] {
        MainQueue::sync([] {});
        busy = false;
    });
    EXPECT_TRUE(MainQueue::waitWhile([&] { return busy.load(); }, 5));
}
