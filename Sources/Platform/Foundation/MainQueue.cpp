#include "MainQueue.h"

#include "Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

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
    QMetaObject::invokeMethod(app, std::move(job), Qt::QueuedConnection);
}

void MainQueue::sync(const std::function<void()>& job)
{
    if (isMainThread()) {
        job();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), job, Qt::BlockingQueuedConnection);
}

ScheduledTimer MainQueue::after(double seconds, std::function<void()> job)
{
    return Scheduler::current().scheduleTimer(seconds, false, std::move(job));
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
