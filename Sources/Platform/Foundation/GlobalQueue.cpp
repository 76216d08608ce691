#include "GlobalQueue.h"

#include <QRunnable>
#include <QThreadPool>

#include <atomic>
#include <cstdint>

namespace {

// A pool orders what a caller wrote before start() before the job runs, with
// its own lock, inside Qt, where ThreadSanitizer cannot see it. This counter
// states that order in our code: a release at every start and an acquire
// before the job touches anything. One for all pools, as every start and
// every take of a job meets the others at the pool's one lock anyway.
std::atomic<std::uint64_t> poolHandOffs{0};

class PoolJob final : public QRunnable {
public:
    explicit PoolJob(std::function<void()> job) : m_job(std::move(job)) { setAutoDelete(true); }
    void run() override
    {
        poolHandOffs.load(std::memory_order_acquire);
        m_job();
        // What the job holds is released on the pool's thread, as it was.
        m_job = nullptr;
    }

private:
    std::function<void()> m_job;
};

}  // namespace

void GlobalQueue::async(std::function<void()> job)
{
    startOn(*QThreadPool::globalInstance(), std::move(job));
}

void GlobalQueue::startOn(QThreadPool& pool, std::function<void()> job)
{
    auto* runnable = new PoolJob(std::move(job));
    poolHandOffs.fetch_add(1, std::memory_order_release);
    pool.start(runnable);
}
