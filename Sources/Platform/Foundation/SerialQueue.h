#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

// A named background queue that runs its jobs one at a time, in the order
// they were queued, on a thread of its own.
class SerialQueue {
public:
    explicit SerialQueue(const QString& name);
    // Runs the jobs still queued, then stops the thread.
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const QString& name() const { return m_name; }
    // Whether the caller is running on this queue.
    bool isCurrent() const;

    void async(std::function<void()> job);
    // Queues the job and waits until it has run. Called from one of the
    // queue's own jobs it runs the job at once: waiting would never end.
    void sync(const std::function<void()>& job);
    // Waits until no job is queued or running (returns at once on the queue).
    void waitUntilIdle();
    // The same, for at most `limit`: false when a job was still queued or
    // running then.
    bool waitUntilIdle(std::chrono::milliseconds limit);

private:
    void run();

    QString m_name;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::unique_ptr<QThread> m_thread;
};
