#include "QTimerScheduler.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Real timers of a few milliseconds; the waits only bound how long a broken
// timer may keep a test.
class QTimerSchedulerTest : public ::testing::Test {
protected:
    QTimerScheduler scheduler;
};

TEST_F(QTimerSchedulerTest, TimerAskedForOnAWorkerFiresOnTheMainThread)
{
    std::atomic<QThread*> firedOn{nullptr};
    ScheduledTimer timer;
    std::thread worker([&] {
        timer = scheduler.scheduleTimer(0.01, false, [&firedOn] { firedOn = QThread::currentThread(); });
    });
    worker.join();
    EXPECT_TRUE(timer.isValid());
    ASSERT_TRUE(processEventsUntil([&] { return firedOn.load() != nullptr; }));
    EXPECT_EQ(firedOn.load(), QCoreApplication::instance()->thread());
    EXPECT_FALSE(timer.isValid());
}

TEST_F(QTimerSchedulerTest, InvalidatedTimerNeverFires)
{
    bool cancelledFired = false;
    bool laterFired = false;
    ScheduledTimer cancelled = scheduler.scheduleTimer(0.01, false, [&] { cancelledFired = true; });
    std::thread([&cancelled] { cancelled.invalidate(); }).join();
    scheduler.scheduleTimer(0.04, false, [&] { laterFired = true; });

    ASSERT_TRUE(processEventsUntil([&] { return laterFired; }));
    EXPECT_FALSE(cancelledFired);
}

TEST_F(QTimerSchedulerTest, RepeatingTimerFiresUntilInvalidated)
{
    int ticks = 0;
    bool laterFired = false;
    ScheduledTimer every;
    every = scheduler.scheduleTimer(0.005, true, [&] {
        if (++ticks == 3) every.invalidate();
    });
    ASSERT_TRUE(processEventsUntil([&] { return ticks >= 3; }));
    scheduler.scheduleTimer(0.03, false, [&] { laterFired = true; });
    ASSERT_TRUE(processEventsUntil([&] { return laterFired; }));
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(every.isValid());
}

}  // namespace
