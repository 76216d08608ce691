#include "InstanceKeyCounter.h"

#include <atomic>

namespace {
std::atomic<qint64> nextInstanceKey{-2};
}

qint64 InstanceKeyCounter::take()
{
    return nextInstanceKey.fetch_sub(1, std::memory_order_relaxed);
}
