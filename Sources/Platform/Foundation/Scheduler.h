#pragma once

#include "ScheduledTimer.h"

#include <functional>

// The one place timers come from. Callbacks run on the main thread (the
// ManualScheduler of tests runs them on the thread that advances it).
// A repeating timer's interval is at least one millisecond.
class Scheduler {
public:
    virtual ~Scheduler();

    virtual ScheduledTimer scheduleTimer(double seconds, bool repeats, std::function<void()> callback) = 0;

    // The real QTimer scheduler unless another is installed.
    static Scheduler& current();
    // Installs a scheduler (not owned); null restores the real one.
    static void setCurrent(Scheduler* scheduler);

protected:
    static constexpr double minimumRepeatInterval = 0.001;
};
