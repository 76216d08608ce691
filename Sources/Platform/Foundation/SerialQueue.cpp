#include "SerialQueue.h"

#include "MainQueue.h"

#include <QThread>

#include <future>

SerialQueue::SerialQueue(const QString& name) : m_name(name)
{
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->setObjectName(name);
    m_thread->start();
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread->wait();
    // The worker's last steps (it leaves its wait holding the lock) end with
    // its unlock; Qt's join orders them before our members go, but out of
    // ThreadSanitizer's sight. Taking the lock once more states the order.
    const std::lock_guard lock(m_mutex);
}

bool SerialQueue::isCurrent() const
{
    return QThread::currentThread() == m_thread.get();
}

void SerialQueue::async(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void SerialQueue::sync(const std::function<void()>& job)
{
    if (isCurrent()) {
        job();
        return;
    }
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    async([&job, &done] {
        job();
        done.set_value();
    });
    if (!MainQueue::isMainThread()) {
        finished.wait();
        return;
    }
    // As in waitUntilIdle: the job may hand the main thread work of its own.
    while (finished.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        MainQueue::runWaitingJobs();
}

void SerialQueue::waitUntilIdle()
{
    waitUntilIdle(std::chrono::milliseconds::max());
}

bool SerialQueue::waitUntilIdle(std::chrono::milliseconds limit)
{
    if (isCurrent()) return true;
    const bool unlimited = limit == std::chrono::milliseconds::max();
    const auto deadline = std::chrono::steady_clock::now() + (unlimited ? std::chrono::milliseconds(0) : limit);
    std::unique_lock lock(m_mutex);
    const auto idle = [this] { return m_jobs.empty() && !m_busy; };
    if (!MainQueue::isMainThread()) {
        if (!unlimited) return m_idle.wait_until(lock, deadline, idle);
        m_idle.wait(lock, idle);
        return true;
    }
    // The main thread waiting here runs what the job hands it meanwhile: a
    // job waiting in MainQueue::sync would otherwise wait for this wait to
    // end, and this wait for it.
    while (!m_idle.wait_for(lock, std::chrono::milliseconds(5), idle)) {
        if (!unlimited && std::chrono::steady_clock::now() >= deadline) return false;
        lock.unlock();
        MainQueue::runWaitingJobs();
        lock.lock();
    }
    return true;
}

void SerialQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
        if (m_jobs.empty()) return;
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        job();
        job = nullptr;  // what the job holds is released off the lock too
        lock.lock();
        m_busy = false;
        if (m_jobs.empty()) m_idle.notify_all();
    }
}
