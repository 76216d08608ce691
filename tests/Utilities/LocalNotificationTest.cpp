#include "LocalNotification.h"

#include <gtest/gtest.h>

namespace {

TEST(LocalNotificationTest, StartsEmpty)
{
    const LocalNotification notification;
    EXPECT_TRUE(notification.dateFire().isNull());
    EXPECT_FALSE(notification.task());
    EXPECT_TRUE(notification.dateStart().isNull());
    EXPECT_FALSE(notification.alertObj());
}

// The alarm list and the item share one alert: a change made through the
// item shows through the pending alarm.
TEST(LocalNotificationTest, HoldsTheVeryAlertItWasGiven)
{
    auto alert = std::make_shared<AlertObj>();
    alert->setRelativeOffset(-900);
    LocalNotification notification;
    notification.setAlertObj(alert);

    alert->setRelativeOffset(-300);
    alert->setSoundName(QStringLiteral("Glass"));
    EXPECT_EQ(notification.alertObj(), alert);
    EXPECT_EQ(notification.alertObj()->relativeOffset(), -300);
    EXPECT_EQ(notification.alertObj()->soundName(), QStringLiteral("Glass"));
}

}  // namespace
