#include "NetworkStatus.h"
#include "NotificationCenter.h"
#include "Reachability.h"

#include <QObject>

#include <gtest/gtest.h>

namespace {

class ReachabilityTest : public ::testing::Test {
protected:
    void SetUp() override { NetworkStatus::instance().setOverride(0); }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&m_observer);
        NetworkStatus::instance().setOverride(std::nullopt);
    }

    QObject m_observer;
};

}  // namespace

TEST_F(ReachabilityTest, StartedMonitorPostsEachChangeWithItselfAsObject)
{
    auto monitor = Reachability::reachabilityForInternetConnection();
    QList<const void*> posted;
    NotificationCenter::defaultCenter().addObserver(&m_observer, kReachabilityChangedNotification, nullptr,
                                                    [&](const Notification& n) { posted << n.objectIdentity(); });
    NetworkStatus::instance().setOverride(2 | 4);
    EXPECT_TRUE(posted.isEmpty()) << "a monitor that is not started stays silent";

    ASSERT_TRUE(monitor->startNotifer());
    NetworkStatus::instance().setOverride(2);
    NetworkStatus::instance().setOverride(2);  // no change, no post
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted.first(), monitor.get());
    EXPECT_EQ(monitor->currentReachabilityStatus(), 1);

    monitor->stopNotifer();
    NetworkStatus::instance().setOverride(0);
    EXPECT_EQ(posted.size(), 1) << "a stopped monitor stays silent";
}

TEST_F(ReachabilityTest, FlagWordsGiveTheirStatus)
{
    struct Case {
        quint32 flags;
        int network;
        int localWiFi;
    };
    const Case cases[] = {
        {0, 0, 0},
        {2, 1, 0},
        {2 | 4, 0, 0},
        {2 | 4 | 8, 1, 0},
        {2 | 4 | 32, 1, 0},
        {2 | 4 | 8 | 16, 0, 0},
        {2 | 0x20000, 2, 1},
        {2 | 4 | 0x20000, 2, 1},
        {0x20000, 0, 0},
        {4 | 8, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Reachability::networkStatusForFlags(c.flags), c.network) << c.flags;
        EXPECT_EQ(Reachability::localWiFiStatusForFlags(c.flags), c.localWiFi) << c.flags;
    }
}

TEST_F(ReachabilityTest, EachKindReadsTheFlagsOfItsOwnTarget)
{
    auto wifi = Reachability::reachabilityForLocalWiFi();
    auto internet = Reachability::reachabilityForInternetConnection();
    auto remote = Reachability::reachabilityWithHostName(QStringLiteral("www.example.com"));
    auto loopback = Reachability::reachabilityWithHostName(QStringLiteral("127.0.0.1"));
    auto reserved = Reachability::reachabilityWithHostName(QStringLiteral("service.zoravel.invalid"));
    EXPECT_EQ(Reachability::reachabilityWithHostName(QString()), nullptr);
    EXPECT_TRUE(wifi->localWiFiRef());
    EXPECT_FALSE(internet->localWiFiRef());

    NetworkStatus::instance().setOverride(2);
    EXPECT_EQ(internet->currentReachabilityStatus(), 1);
    EXPECT_EQ(remote->currentReachabilityStatus(), 1);
    EXPECT_EQ(wifi->currentReachabilityStatus(), 1) << "the machine sits on a link";
    EXPECT_EQ(loopback->currentReachabilityStatus(), 2) << "this machine is always there, directly";
    EXPECT_EQ(reserved->currentReachabilityStatus(), 0) << "a reserved name never resolves";

    NetworkStatus::instance().setOverride(2 | 4, 2 | 0x20000);  // only a local network
    EXPECT_EQ(internet->currentReachabilityStatus(), 0);
    EXPECT_EQ(remote->currentReachabilityStatus(), 0);
    EXPECT_EQ(wifi->currentReachabilityStatus(), 1);

    NetworkStatus::instance().setOverride(0);
    EXPECT_EQ(internet->currentReachabilityStatus(), 0);
    EXPECT_EQ(wifi->currentReachabilityStatus(), 0);
    EXPECT_EQ(loopback->currentReachabilityStatus(), 2);
}
