#include "Clock.h"

#include <QDateTime>

#include <mutex>

namespace {
std::mutex clockMutex;
std::function<Date()> clockSource;
bool fixedClock = false;
Date fixedNow;
}

Date Clock::now()
{
    std::function<Date()> source;
    {
        std::lock_guard lock(clockMutex);
        if (fixedClock) return fixedNow;
        source = clockSource;
    }
    // Called unlocked: the source is test code and may wait on threads that read the clock.
    if (source) return source();
    return Date::dateWithTimeIntervalSince1970(QDateTime::currentMSecsSinceEpoch() / 1000.0);
}

void Clock::setSource(std::function<Date()> source)
{
    std::lock_guard lock(clockMutex);
    fixedClock = false;
    clockSource = std::move(source);
}

void Clock::setFixed(const Date& date)
{
    std::lock_guard lock(clockMutex);
    fixedClock = true;
    fixedNow = date;
}

void Clock::advance(double seconds)
{
    std::lock_guard lock(clockMutex);
    if (fixedClock) fixedNow = fixedNow.dateByAddingTimeInterval(seconds);
}

void Clock::reset()
{
    std::lock_guard lock(clockMutex);
    fixedClock = false;
    clockSource = nullptr;
}
