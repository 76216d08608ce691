#include "ModelTestFixture.h"

#include "Clock.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "Setting.h"
#include "RecordingZVWSync.h"

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
    EXPECT_EQ(sync.pushes(), QList<qint64>{38});
}
