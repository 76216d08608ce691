#include "Clock.h"
#include "GlobalQueue.h"
#include "MainQueue.h"
#include "ManualScheduler.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

QThread* mainThread()
{
    return QCoreApplication::instance()->thread();
}

TEST(MainQueueTest, SyncFromAWorkerRunsOnTheMainThreadBeforeReturning)
{
    std::atomic<QThread*> ranOn{nullptr};
    std::atomic<bool> ranBeforeReturn{false};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        EXPECT_FALSE(MainQueue::isMainThread());
        MainQueue::sync([&] { ranOn = QThread::currentThread(); });
        ranBeforeReturn = ranOn.load() != nullptr;
        done = true;
    });
    ASSERT_TRUE(processEventsUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(ranBeforeReturn);
    EXPECT_EQ(ranOn.load(), mainThread());
}

TEST(MainQueueTest, AsyncRunsLaterOnTheMainThreadInOrder)
{
    std::vector<int> order;
    MainQueue::async([&order] { order.push_back(1); });
    MainQueue::async([&order] { order.push_back(2); });
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(processEventsUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, std::vector<int>({1, 2}));
}

TEST(MainQueueTest, AfterWaitsForTheSchedulersTime)
{
    ManualScheduler scheduler;
    Scheduler::setCurrent(&scheduler);
    Clock::setFixed(Date::dateWithTimeIntervalSince1970(1000));
    bool ran = false;
    const ScheduledTimer timer = MainQueue::after(0.5, [&ran] { ran = true; });
    scheduler.advance(0.4);
    EXPECT_FALSE(ran);
    scheduler.advance(0.1);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(timer.isValid());
    Scheduler::setCurrent(nullptr);
    Clock::reset();
}

// The runner quits with a worker waiting in sync for a job that never ran;
// the worker must go on and the process end.
TEST(MainQueueTest, AWorkerWaitingInSyncGoesOnWhenTheApplicationGoes)
{
    QProcess runner;
    runner.start(QStringLiteral(ZORAVEL_QUIT_RUNNER), {});
    ASSERT_TRUE(runner.waitForStarted(5000));
    const bool ended = runner.waitForFinished(15000);
    if (!ended) runner.kill(), runner.waitForFinished(2000);
    ASSERT_TRUE(ended) << "the runner still waits";
    EXPECT_EQ(runner.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(runner.exitCode(), 0) << runner.readAllStandardError().toStdString();
}

TEST(GlobalQueueTest, RunsJobsOffTheMainThread)
{
    std::atomic<QThread*> ranOn{nullptr};
    GlobalQueue::async([&ranOn] { ranOn = QThread::currentThread(); });
    ASSERT_TRUE(processEventsUntil([&] { return ranOn.load() != nullptr; }));
    EXPECT_NE(ranOn.load(), mainThread());
}

}  // namespace
