#pragma once

#include <functional>
#include <memory>

// The handle of a timer a Scheduler set up. Copies share one timer. A
// one-shot timer stops being valid when it fires (before its callback runs);
// a repeating one stays valid until invalidated. An empty handle is never valid.
class ScheduledTimer {
public:
    ScheduledTimer() = default;

    bool isValid() const;
    // Stops the timer for good; its callback is not called afterwards.
    // Safe from any thread and more than once.
    void invalidate();

    // For schedulers: a valid handle; `onInvalidate` runs once, on the
    // invalidating thread, when the timer stops being valid.
    static ScheduledTimer create(std::function<void()> onInvalidate = {});

private:
    struct State;
    std::shared_ptr<State> m_state;
};
