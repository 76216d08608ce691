#pragma once

#include "Date.h"
#include "Scheduler.h"

#include <QtGlobal>

#include <mutex>
#include <vector>

// The scheduler of tests: time stands still until advance() moves it. Timers
// are due at Clock::now() plus their interval when scheduled. advance() pins
// the Clock to each due timer's fire date in turn, fires the timers in time
// order (equal dates in the order they were armed), re-arms repeating ones
// and leaves the Clock at the end of the span. Callbacks run on the calling
// thread; a timer scheduled by a callback fires in the same advance when due.
//
// Install it with Scheduler::setCurrent(&scheduler) and restore with
// Scheduler::setCurrent(nullptr) before it is destroyed.
class ManualScheduler : public Scheduler {
public:
    ScheduledTimer scheduleTimer(double seconds, bool repeats, std::function<void()> callback) override;

    void advance(double seconds);
    // Timers still valid and waiting to fire.
    int pendingTimerCount() const;

private:
    struct Entry {
        ScheduledTimer handle;
        Date fireDate;
        double interval;
        bool repeats;
        quint64 order;
        std::function<void()> callback;
    };

    // Takes the earliest timer due by `until` off the list (re-arming a
    // repeating one); false when none is due.
    bool takeDueTimer(const Date& until, Entry& due);

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    quint64 m_nextOrder = 0;
};
