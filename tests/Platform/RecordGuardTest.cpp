#include "DatabaseBusyGuard.h"
#include "RecordGuard.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

void spinUntil(const std::atomic<bool>& flag)
{
    while (!flag) QThread::msleep(1);
}

TEST(RecordGuardTest, SectionCalledWhileAnotherThreadIsInsideReturnsOnlyAfterItLeft)
{
    std::atomic<bool> firstInside{false}, releaseFirst{false}, firstLeaving{false};
    std::atomic<bool> secondInside{false}, secondSawFirstLeaving{false};

    std::thread first([&] {
        RecordGuard guard;
        firstInside = true;
        spinUntil(releaseFirst);
        firstLeaving = true;  // still inside: the guard ends at the brace
    });
    spinUntil(firstInside);
    std::thread second([&] {
        RecordGuard guard;
        secondSawFirstLeaving = firstLeaving.load();
        secondInside = true;
    });
    QThread::msleep(50);
    EXPECT_FALSE(secondInside) << "entered while the first section was running";
    releaseFirst = true;
    first.join();
    second.join();
    EXPECT_TRUE(secondSawFirstLeaving);
    EXPECT_FALSE(databaseBusy);
}

TEST(RecordGuardTest, NestedSectionLeavesTheOuterSectionsBusyFlagSet)
{
    ASSERT_FALSE(databaseBusy);
    {
        RecordGuard outer;
        EXPECT_TRUE(outer.setBusyFlag());
        {
            RecordGuard inner;  // same thread: the lock is recursive
            EXPECT_FALSE(inner.setBusyFlag());
            EXPECT_TRUE(databaseBusy);
        }
        EXPECT_TRUE(databaseBusy);
    }
    EXPECT_FALSE(databaseBusy);
}

TEST(RecordGuardTest, RowSectionInsideADataManagerSectionKeepsItsFlag)
{
    {
        DatabaseBusyGuard reader;
        { RecordGuard row; }
        EXPECT_TRUE(databaseBusy);
    }
    EXPECT_FALSE(databaseBusy);
}

TEST(RecordGuardTest, LeavingByAnExceptionFreesTheLockAndTheFlag)
{
    try {
        RecordGuard guard;
        throw std::runtime_error("Error: failed to dehydrate with message 'disk full'.");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(databaseBusy);
    bool otherThreadGotTheLock = false;
    std::thread([&] {
        otherThreadGotTheLock = recordLock().try_lock();
        if (otherThreadGotTheLock) recordLock().unlock();
    }).join();
    EXPECT_TRUE(otherThreadGotTheLock);
}

}  // namespace
