#pragma once

#include "Scheduler.h"

// Timers of the main thread's event loop. A timer asked for on another
// thread is created on the main thread; the handle is valid at once.
class QTimerScheduler : public Scheduler {
public:
    ScheduledTimer scheduleTimer(double seconds, bool repeats, std::function<void()> callback) override;
};
