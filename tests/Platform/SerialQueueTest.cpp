#include "MainQueue.h"
#include "SerialQueue.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <mutex>
#include <vector>

namespace {

TEST(SerialQueueTest, RunsJobsOneAtATimeInTheOrderQueuedOnItsOwnThread)
{
    SerialQueue queue(QStringLiteral("com.zoravel.test"));
    std::mutex mutex;
    std::vector<int> order;
    std::vector<QThread*> threads;
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    for (int i = 0; i < 200; ++i) {
        queue.async([&, i] {
            const int now = ++running;
            mostAtOnce = std::max(mostAtOnce.load(), now);
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
                threads.push_back(QThread::currentThread());
            }
            --running;
        });
    }
    queue.waitUntilIdle();

    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
    EXPECT_EQ(mostAtOnce.load(), 1);
    EXPECT_NE(threads.front(), QThread::currentThread());
    EXPECT_EQ(std::count(threads.begin(), threads.end(), threads.front()), 200);
    EXPECT_EQ(threads.front()->objectName(), QStringLiteral("com.zoravel.test"));
}

TEST(SerialQueueTest, SyncReturnsAfterItsJobAndTheJobsBeforeIt)
{
    SerialQueue queue(QStringLiteral("sync"));
    std::vector<int> order;  // touched only by the queue until sync returns
    queue.async([&order] {
        QThread::msleep(20);
        order.push_back(1);
    });
    bool ranOnQueue = false;
    queue.sync([&] {
        order.push_back(2);
        ranOnQueue = queue.isCurrent();
    });
    EXPECT_EQ(order, std::vector<int>({1, 2}));
    EXPECT_TRUE(ranOnQueue);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(SerialQueueTest, SyncFromOneOfItsOwnJobsRunsAtOnceInsteadOfWaitingForEver)
{
    SerialQueue queue(QStringLiteral("nested"));
    std::vector<int> order;
    queue.sync([&] {
        order.push_back(1);
        queue.sync([&] { order.push_back(2); });
        queue.waitUntilIdle();
        order.push_back(3);
    });
    EXPECT_EQ(order, std::vector<int>({1, 2, 3}));
}

TEST(SerialQueueTest, DestroyingTheQueueRunsWhatIsStillQueued)
{
    std::atomic<int> ran{0};
    {
        SerialQueue queue(QStringLiteral("drain"));
        queue.async([] { QThread::msleep(20); });
        for (int i = 0; i < 10; ++i) queue.async([&ran] { ++ran; });
    }
    EXPECT_EQ(ran.load(), 10);
}

}  // namespace

// The main thread blocks on a queue at the program's end (the web sync's
// queue goes with the data manager) while a job of that queue hands the main
// thread work and waits for it: each would wait for the other for good.
TEST(SerialQueueTest, TheMainThreadWaitingOnTheQueueRunsWhatItsJobsHandIt)
{
    std::atomic<bool> finished{false};
    // A wait that never ends fails here, not at the run's time-out.
    std::thread watchdog([&finished] {
        for (int tick = 0; tick < 1000 && !finished; ++tick) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!finished) {
            std::fputs("the main thread and the queue wait for each other\n", stderr);
            std::_Exit(1);
        }
    });
    SerialQueue queue(QStringLiteral("handing over"));
    std::vector<int> ran;
    for (const bool waitForAll : {true, false}) {
        queue.async([&ran] { MainQueue::sync([&ran] { ran.push_back(1); }); });
        if (waitForAll)
            queue.waitUntilIdle();
        else
            queue.sync([&ran] { MainQueue::sync([&ran] { ran.push_back(2); }); });
    }
    finished = true;
    watchdog.join();
    EXPECT_EQ(ran, (std::vector<int>{1, 1, 2}));
}

// The quit's wait for a worker stuck in one read is bounded; from the main
// thread and from another, and it answers whether the queue went idle.
TEST(SerialQueueTest, AWaitWithALimitEndsThenAndTellsWhetherTheQueueWentIdle)
{
    SerialQueue queue(QStringLiteral("reading"));
    for (const bool onMainThread : {true, false}) {
        SCOPED_TRACE(onMainThread ? "the main thread" : "another thread");
        std::atomic<bool> release{false};
        queue.async([&release] {
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        bool idle = true;
        const auto started = std::chrono::steady_clock::now();
        if (onMainThread) idle = queue.waitUntilIdle(std::chrono::milliseconds(100));
        else std::thread([&] { idle = queue.waitUntilIdle(std::chrono::milliseconds(100)); }).join();
        EXPECT_FALSE(idle) << "a job still runs";
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
        release = true;
        EXPECT_TRUE(queue.waitUntilIdle(std::chrono::seconds(5)));
    }
}
