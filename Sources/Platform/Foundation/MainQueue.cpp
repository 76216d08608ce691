#include "MainQueue.h"

#include "Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <deque>
#include <future>
#include <memory>
#include <mutex>

namespace {

// The jobs wait in a queue of our own, under a lock of our own; the event
// Qt delivers for each says only that one is waiting. Qt's event queue
// orders what the sender did before the job runs with locks inside Qt,
// where ThreadSanitizer cannot see them; this lock states the same order in
// our code, so the job's reads of what its sender wrote are not judged a race.
std::mutex mainJobsLock;
std::deque<std::function<void()>> mainJobs;
const QCoreApplication* mainJobsOwner = nullptr;

// Jobs still waiting when the application goes are dropped with it, as Qt
// drops its events.
void dropWaitingMainJobs()
{
    std::deque<std::function<void()>> dropped;
    {
        const std::lock_guard lock(mainJobsLock);
        dropped.swap(mainJobs);
        mainJobsOwner = nullptr;
    }
}

void runNextMainJob()
{
    std::function<void()> job;
    {
        const std::lock_guard lock(mainJobsLock);
        if (mainJobs.empty()) return;
        job = std::move(mainJobs.front());
        mainJobs.pop_front();
    }
    job();
}

}  // namespace

bool MainQueue::isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void MainQueue::async(std::function<void()> job)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        job();
        return;
    }
    // Once the application is going, its post routine may already have
    // emptied the queue: a job queued now would never run nor be dropped,
    // and a worker in sync would wait on it for good.
    if (QCoreApplication::closingDown()) return;
    {
        const std::lock_guard lock(mainJobsLock);
        if (mainJobsOwner != app) {
            qAddPostRoutine(dropWaitingMainJobs);
            mainJobsOwner = app;
        }
        mainJobs.push_back(std::move(job));
    }
    // One event per job, each running the oldest: a thread's jobs keep
    // their order. The call carries nothing for Qt to hand over.
    QMetaObject::invokeMethod(app, [] { runNextMainJob(); }, Qt::QueuedConnection);
}

void MainQueue::sync(const std::function<void()>& job)
{
    if (isMainThread()) {
        job();
        return;
    }
    // The promise states, where ThreadSanitizer sees it, that the job's
    // writes come before the caller goes on. Only the job holds it: a job
    // dropped with the application destroys the last owner, which breaks
    // the promise and ends the wait. A copy kept here would keep it whole
    // and the worker would wait for good.
    std::future<void> finished;
    {
        auto done = std::make_shared<std::promise<void>>();
        finished = done->get_future();
        async([&job, done = std::move(done)] {
            job();
            done->set_value();
        });
    }
    finished.wait();
}
ScheduledTimer MainQueue::after(double seconds, std::function<void()> job)
{
    return Scheduler::current().scheduleTimer(seconds, false, std::move(job));
}

void MainQueue::runWaitingJobs()
{
    if (!isMainThread()) return;
    size_t waiting = 0;
    {
        const std::lock_guard lock(mainJobsLock);
        waiting = mainJobs.size();
    }
    // Only those waiting now: a job that queues another does not keep this
    // going. Their Qt events then find the queue empty.
    while (waiting-- > 0) runNextMainJob();
}

bool MainQueue::waitWhile(const std::function<bool()>& busy, double seconds)
{
    QElapsedTimer waited;
    waited.start();
    const bool onMain = isMainThread() && QCoreApplication::instance();
    while (busy()) {
        if (waited.elapsed() > seconds * 1000) return false;
        if (onMain) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
        QThread::msleep(2);
    }
    return true;
}
