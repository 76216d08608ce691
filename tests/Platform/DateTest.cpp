#include "Date.h"
#include "HostileNumbers.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

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

TEST(DateTest, NumbersFromOutsideAreDatesOnlyInsideTheCalendar)
{
    for (const HostileNumber& number : hostileNumbers) {
        LogCapture log;
        EXPECT_TRUE(Date::dateFromOutside(number.seconds, "a test").isNull()) << number.name;
        EXPECT_TRUE(log.contains(QStringLiteral("from a test"))) << number.name;
    }
    const struct {
        double seconds;
        const char* what;
    } dates[] = {
        {0, "the epoch"},
        {-62135596800.0, "the first second of the year 1"},
        {253402300799.0, "the last second of the year 9999"},
        {253402300799.5, "half a second later"},
        {1388530800.25, "a fraction of a second"},
    };
    for (const auto& d : dates) {
        LogCapture log;
        const Date date = Date::dateFromOutside(d.seconds, "a test");
        EXPECT_EQ(date, Date::dateWithTimeIntervalSince1970(d.seconds)) << d.what;
        EXPECT_TRUE(log.messages().isEmpty()) << d.what;
    }
    EXPECT_TRUE(Date::dateFromOutside(-62135596800.5, "a test").isNull());
    EXPECT_TRUE(Date::dateFromOutside(253402300800.0, "a test").isNull());
    EXPECT_TRUE(Date::dateFromOutside(nil, "a test").isNull());
    EXPECT_EQ(Date::dateFromOutside(later, "a test"), later);
}

// Integer arithmetic on any date, even one that never passed the check above,
// stays defined: no conversion from a double leaves the 64-bit range.
TEST(DateTest, WholeSecondsOfAnyNumberStayInTheCalendar)
{
    const struct {
        double seconds;
        qint64 whole;
    } cases[] = {
        {1388530800.75, 1388530800},
        {-0.5, -1},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {1e300, 253402300799},
        {std::numeric_limits<double>::infinity(), 253402300799},
        {-1e300, -62135596800},
        {-std::numeric_limits<double>::infinity(), -62135596800},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Date::dateWithTimeIntervalSince1970(c.seconds).wholeSecondsSince1970(), c.whole) << c.seconds;
    EXPECT_EQ(nil.wholeSecondsSince1970(), 0);

    const struct {
        double value;
        qint64 truncated;
    } counts[] = {
        {-2.9, -2},
        {2.9, 2},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {1e300, qint64(1) << 62},
        {-1e300, -(qint64(1) << 62)},
        {9223372036854775807.0, qint64(1) << 62},
    };
    for (const auto& c : counts) EXPECT_EQ(Date::truncated(c.value), c.truncated) << c.value;
}

// The null date is a NaN pattern of its own: no number a date is built
// from, nor any sum, ever reads as the null date, and the null date's
// arithmetic stays null.
TEST(DateTest, NoNumberBecomesTheNullDate)
{
    const double nullPattern = std::bit_cast<double>(nil);
    const double numbers[] = {
        0.0,
        -0.0,
        1388530800.0,
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::signaling_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        std::bit_cast<double>(std::uint64_t(0x7ff8'0000'0000'0001ULL)),
        nullPattern,
    };
    for (double seconds : numbers) {
        const Date date = Date::dateWithTimeIntervalSince1970(seconds);
        EXPECT_TRUE(date.isValid()) << std::bit_cast<std::uint64_t>(seconds);
        EXPECT_TRUE(bool(date)) << seconds;
        EXPECT_TRUE(date.dateByAddingTimeInterval(nullPattern).isValid()) << seconds;
        EXPECT_TRUE(epoch.dateByAddingTimeInterval(seconds).isValid()) << seconds;
        EXPECT_TRUE(nil.dateByAddingTimeInterval(seconds).isNull()) << seconds;
        EXPECT_LT(nil, date) << seconds;
        EXPECT_FALSE(date.isEqualToDate(nil)) << seconds;
    }
    EXPECT_EQ(Date().timeIntervalSince1970(), 0.0);
    EXPECT_EQ(Date::dateFromOutside(nullPattern, "a test"), nil);
}

}  // namespace
