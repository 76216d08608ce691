#include "Date.h"

#include <gtest/gtest.h>

namespace {

const Date nil;
const Date epoch = Date::dateWithTimeIntervalSince1970(0);
const Date later = Date::dateWithTimeIntervalSince1970(1388530800);

TEST(DateTest, NilIsNotTheEpochThoughBothReadAsZeroSeconds)
{
    EXPECT_TRUE(nil.isNull());
    EXPECT_FALSE(epoch.isNull());
    EXPECT_EQ(nil.timeIntervalSince1970(), 0.0);
    EXPECT_EQ(epoch.timeIntervalSince1970(), 0.0);
    EXPECT_FALSE(nil.isEqualToDate(epoch));
    EXPECT_TRUE(nil.isEqualToDate(Date::null()));
    EXPECT_TRUE(nil.dateByAddingTimeInterval(60).isNull());
}

TEST(DateTest, OrderingPutsNilFirst)
{
    EXPECT_LT(nil, epoch);
    EXPECT_LT(epoch, later);
    EXPECT_EQ(later.compare(epoch), 1);
    EXPECT_EQ(epoch.compare(later), -1);
    EXPECT_EQ(later.compare(later), 0);
    EXPECT_EQ(epoch.earlierDate(later), epoch);
    EXPECT_EQ(epoch.laterDate(later), later);
    EXPECT_EQ(later.timeIntervalSinceDate(epoch), 1388530800.0);
    EXPECT_EQ(epoch.dateByAddingTimeInterval(-0.5).timeIntervalSince1970(), -0.5);
}

}  // namespace
