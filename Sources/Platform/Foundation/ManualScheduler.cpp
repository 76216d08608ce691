#include "ManualScheduler.h"

#include "Clock.h"

#include <algorithm>

ScheduledTimer ManualScheduler::scheduleTimer(double seconds, bool repeats, std::function<void()> callback)
{
    seconds = std::max(seconds, repeats ? minimumRepeatInterval : 0.0);
    ScheduledTimer handle = ScheduledTimer::create();
    std::lock_guard lock(m_mutex);
    m_entries.push_back({handle, Clock::now().dateByAddingTimeInterval(seconds), seconds, repeats,
                         m_nextOrder++, std::move(callback)});
    return handle;
}

bool ManualScheduler::takeDueTimer(const Date& until, Entry& due)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [](const Entry& entry) { return !entry.handle.isValid(); });
    const auto earliest = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
        return a.fireDate < b.fireDate || (a.fireDate == b.fireDate && a.order < b.order);
    });
    if (earliest == m_entries.end() || earliest->fireDate > until) return false;
    due = *earliest;
    if (earliest->repeats) {
        earliest->fireDate = earliest->fireDate.dateByAddingTimeInterval(earliest->interval);
        earliest->order = m_nextOrder++;
    } else {
        m_entries.erase(earliest);
    }
    return true;
}

void ManualScheduler::advance(double seconds)
{
    const Date start = Clock::now();
    const Date until = start.dateByAddingTimeInterval(std::max(seconds, 0.0));
    Entry due;
    while (takeDueTimer(until, due)) {
        // A timer armed before a test set the clock back fires "now", not in the past.
        Clock::setFixed(due.fireDate.laterDate(start));
        if (!due.repeats) due.handle.invalidate();
        due.callback();
    }
    Clock::setFixed(until);
}

int ManualScheduler::pendingTimerCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                          [](const Entry& entry) { return entry.handle.isValid(); }));
}
