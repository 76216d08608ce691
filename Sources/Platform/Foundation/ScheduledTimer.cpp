#include "ScheduledTimer.h"

#include <atomic>

struct ScheduledTimer::State {
    std::atomic<bool> valid{true};
    std::function<void()> onInvalidate;
};

ScheduledTimer ScheduledTimer::create(std::function<void()> onInvalidate)
{
    ScheduledTimer timer;
    timer.m_state = std::make_shared<State>();
    timer.m_state->onInvalidate = std::move(onInvalidate);
    return timer;
}

bool ScheduledTimer::isValid() const
{
    return m_state && m_state->valid;
}

void ScheduledTimer::invalidate()
{
    if (!m_state || !m_state->valid.exchange(false)) return;
    if (m_state->onInvalidate) m_state->onInvalidate();
}
