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
    NetworkStatus::instance().setOverride(1);
    EXPECT_TRUE(posted.isEmpty()) << "a monitor that is not started stays silent";

    ASSERT_TRUE(monitor->startNotifer());
    NetworkStatus::instance().setOverride(2);
    NetworkStatus::instance().setOverride(2);  // no change, no post
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted.first(), monitor.get());
    EXPECT_EQ(monitor->currentReachabilityStatus(), 2);
}

TEST_F(ReachabilityTest, WiFiMonitorIsReachableOnlyThroughWiFi)
{
    auto wifi = Reachability::reachabilityForLocalWiFi();
    auto host = Reachability::reachabilityWithHostName(QStringLiteral("www.example.com"));
    NetworkStatus::instance().setOverride(2);
    EXPECT_EQ(wifi->currentReachabilityStatus(), 0);
    EXPECT_EQ(host->currentReachabilityStatus(), 2);
    NetworkStatus::instance().setOverride(1);
    EXPECT_EQ(wifi->currentReachabilityStatus(), 1);
    EXPECT_EQ(host->currentReachabilityStatus(), 1);
}
