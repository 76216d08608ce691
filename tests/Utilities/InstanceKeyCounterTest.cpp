#include "InstanceKeyCounter.h"

#include <gtest/gtest.h>

#include <QList>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

TEST(InstanceKeyCounter, KeysCountDownFromMinusTwo)
{
    const qint64 first = InstanceKeyCounter::take();
    EXPECT_LE(first, -2);
    EXPECT_EQ(InstanceKeyCounter::take(), first - 1);
    EXPECT_EQ(InstanceKeyCounter::take(), first - 2);
}

TEST(InstanceKeyCounter, ThreadsTakingAtOnceNeverShareAKey)
{
    constexpr int threadCount = 4;
    constexpr int keysEach = 20000;
    std::vector<std::vector<qint64>> taken(threadCount);
    std::vector<std::thread> threads;
    for (auto& keys : taken) {
        threads.emplace_back([&keys] {
            keys.reserve(keysEach);
            for (int i = 0; i < keysEach; ++i) keys.push_back(InstanceKeyCounter::take());
        });
    }
    for (auto& thread : threads) thread.join();
    std::vector<qint64> all;
    for (const auto& keys : taken) all.insert(all.end(), keys.begin(), keys.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    EXPECT_LE(all.back(), -2);
    EXPECT_EQ(all.back() - all.front(), threadCount * keysEach - 1);
}

}  // namespace
