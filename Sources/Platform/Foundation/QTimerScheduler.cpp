#include "QTimerScheduler.h"

#include "MainQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Touched on the main thread only: the timer lives and dies there.
using TimerSlot = std::shared_ptr<QPointer<QTimer>>;

int toMilliseconds(double seconds)
{
    return static_cast<int>(std::clamp(std::round(seconds * 1000.0), 0.0, double(INT_MAX)));
}

void startTimer(const TimerSlot& slot, ScheduledTimer handle, int milliseconds, bool repeats,
                const std::function<void()>& callback)
{
    if (!handle.isValid()) return;
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeats);
    timer->setInterval(milliseconds);
    QObject::connect(timer, &QTimer::timeout, timer, [handle, repeats, callback]() mutable {
        if (!handle.isValid()) return;  // invalidated: its deletion is on its way
        if (!repeats) handle.invalidate();
        callback();
    });
    *slot = timer;
    timer->start();
}

}  // namespace

ScheduledTimer QTimerScheduler::scheduleTimer(double seconds, bool repeats, std::function<void()> callback)
{
    if (repeats) seconds = std::max(seconds, minimumRepeatInterval);
    const int milliseconds = toMilliseconds(seconds);
    auto slot = std::make_shared<QPointer<QTimer>>();
    ScheduledTimer handle = ScheduledTimer::create([slot] {
        MainQueue::async([slot] {
            if (*slot) (*slot)->deleteLater();
        });
    });
    auto start = [slot, handle, milliseconds, repeats, callback = std::move(callback)] {
        startTimer(slot, handle, milliseconds, repeats, callback);
    };
    if (MainQueue::isMainThread())
        start();
    else
        MainQueue::async(std::move(start));
    return handle;
}
