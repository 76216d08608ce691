#include "DateExtensions.h"

#include "Clock.h"
#include "DateTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

class DateExtensionsTest : public ::testing::Test {
protected:
    void TearDown() override { Clock::reset(); }
};

TEST_F(DateExtensionsTest, AddingDaysKeepsTheClockAcrossTheSpringChange)
{
    for (const auto& [zone, day] : {std::pair{"Europe/Paris", 30}, std::pair{"America/New_York", 9}}) {
        ScopedTimeZone scoped(zone);
        const Date noon = localDate(2013, 3, day, 12);
        const Date next = DateExtensions::dateByAddingDays(noon, 1);
        EXPECT_EQ(next, localDate(2013, 3, day + 1, 12)) << zone;
        EXPECT_EQ(next.timeIntervalSinceDate(noon), 23 * 3600) << zone;
        EXPECT_EQ(DateExtensions::dateByAddingDays(next, -1), noon) << zone;
    }
    EXPECT_EQ(DateExtensions::dateByAddingDays(localDate(2013, 3, 1, 8), -1), localDate(2013, 2, 28, 8));
    EXPECT_EQ(DateExtensions::dateByAddingDays(localDate(2013, 12, 31, 8).dateByAddingTimeInterval(0.5), 1),
              localDate(2014, 1, 1, 8).dateByAddingTimeInterval(0.5));
    EXPECT_TRUE(DateExtensions::dateByAddingDays(Date(), 1).isNull());
}

TEST_F(DateExtensionsTest, ToLocalTimeAddsTheOffsetOfTheDateNotOfNow)
{
    Clock::setFixed(utcDate(2013, 1, 15, 12));  // winter
    EXPECT_EQ(DateExtensions::toLocalTime(utcDate(2013, 7, 1, 12)), utcDate(2013, 7, 1, 14));
    EXPECT_EQ(DateExtensions::toLocalTime(utcDate(2013, 1, 1, 12)), utcDate(2013, 1, 1, 13));
    EXPECT_TRUE(DateExtensions::toLocalTime(Date()).isNull());
}

TEST_F(DateExtensionsTest, FieldsComeFromTheirComponentSets)
{
    const Date date = localDate(2013, 12, 29, 10, 20, 30);  // a Sunday, in week 1 of 2014
    EXPECT_EQ(DateExtensions::weekday(date), 1);
    EXPECT_EQ(DateExtensions::weekOfYear(date), 1);
    EXPECT_EQ(DateExtensions::weekOfMonth(date), 5);
    EXPECT_EQ(DateExtensions::minute(date), 20);
    EXPECT_EQ(DateExtensions::weekday(Date()), 0);

    const DateFields week = DateExtensions::dateComponentsWeek(date);
    EXPECT_EQ(week.yearForWeekOfYear, 2014);
    EXPECT_EQ(week.month, 0);  // not in the set
    const DateFields picked =
        DateExtensions::dateComponents(date, DateExtensions::DateUnit::Month | DateExtensions::DateUnit::Second);
    EXPECT_EQ(picked.month, 12);
    EXPECT_EQ(picked.second, 30);
    EXPECT_EQ(picked.year, 0);
}

}  // namespace
