#include "Clock.h"
#include "ManualScheduler.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

const Date start = Date::dateWithTimeIntervalSince1970(1388530800);

class ManualSchedulerTest : public ::testing::Test {
protected:
    ManualScheduler scheduler;
    QStringList fired;  // "<label>@<seconds after start>"

    void SetUp() override { Clock::setFixed(start); }
    void TearDown() override { Clock::reset(); }

    ScheduledTimer arm(const QString& label, double seconds, bool repeats)
    {
        return scheduler.scheduleTimer(seconds, repeats, [this, label] {
            fired << label + QLatin1Char('@') + QString::number(Clock::now().timeIntervalSinceDate(start));
        });
    }
};

TEST_F(ManualSchedulerTest, FiresDueTimersInTimeOrderWithTheClockAtEachFireDate)
{
    const ScheduledTimer once = arm(QStringLiteral("once"), 10, false);
    const ScheduledTimer every = arm(QStringLiteral("every"), 4, true);
    arm(QStringLiteral("tie"), 4, false);
    arm(QStringLiteral("late"), 13, false);

    scheduler.advance(12);
    EXPECT_EQ(fired, QStringList({"every@4", "tie@4", "every@8", "once@10", "every@12"}));
    EXPECT_EQ(Clock::now().timeIntervalSinceDate(start), 12.0);
    EXPECT_FALSE(once.isValid());
    EXPECT_TRUE(every.isValid());
    EXPECT_EQ(scheduler.pendingTimerCount(), 2);

    fired.clear();
    scheduler.advance(1);
    EXPECT_EQ(fired, QStringList({"late@13"}));
}

TEST_F(ManualSchedulerTest, NothingFiresBeforeItsTime)
{
    arm(QStringLiteral("minute"), 60, true);
    scheduler.advance(59.5);
    EXPECT_TRUE(fired.isEmpty());
    scheduler.advance(0.5);
    EXPECT_EQ(fired, QStringList({"minute@60"}));
}

TEST_F(ManualSchedulerTest, InvalidatedTimersNeverFire)
{
    ScheduledTimer cancelled = arm(QStringLiteral("cancelled"), 1, false);
    ScheduledTimer every = arm(QStringLiteral("every"), 1, true);
    cancelled.invalidate();
    // A repeating timer may stop itself from its own callback.
    scheduler.scheduleTimer(2.5, false, [&every] { every.invalidate(); });

    scheduler.advance(10);
    EXPECT_EQ(fired, QStringList({"every@1", "every@2"}));
    EXPECT_EQ(scheduler.pendingTimerCount(), 0);
}

TEST_F(ManualSchedulerTest, TimerArmedByACallbackFiresInTheSameAdvanceWhenDue)
{
    scheduler.scheduleTimer(2, false, [this] { arm(QStringLiteral("follow-up"), 3, false); });
    scheduler.advance(6);
    EXPECT_EQ(fired, QStringList({"follow-up@5"}));
}

TEST_F(ManualSchedulerTest, RepeatingTimerWithoutIntervalCannotStallTheAdvance)
{
    arm(QStringLiteral("tight"), 0, true);
    scheduler.advance(0.0025);
    EXPECT_EQ(fired.size(), 2);
}

}  // namespace
