#include "Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { Clock::reset(); }
};

TEST_F(ClockTest, FixedClockMovesOnlyWhenAdvanced)
{
    const Date start = Date::dateWithTimeIntervalSince1970(1388530800);
    Clock::setFixed(start);
    EXPECT_EQ(Clock::now(), start);
    Clock::advance(90.5);
    EXPECT_EQ(Clock::now().timeIntervalSinceDate(start), 90.5);
}

TEST_F(ClockTest, SourceMayWaitOnAnotherThreadReadingTheClock)
{
    // The source is called unlocked: a source that waits on a thread which
    // itself reads the clock must not hang.
    std::atomic<int> calls{0};
    Clock::setSource([&calls] {
        if (calls++ > 0) return Date::dateWithTimeIntervalSince1970(42);
        Date seen;
        std::thread reader([&seen] { seen = Clock::now(); });
        reader.join();
        return seen;
    });
    EXPECT_EQ(Clock::now().timeIntervalSince1970(), 42.0);
}

}  // namespace
