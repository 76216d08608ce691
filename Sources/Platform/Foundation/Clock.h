#pragma once

#include "Date.h"

#include <functional>

// The one source of "now". Code never reads the wall clock itself, so tests
// can pin or move time.
class Clock {
public:
    static Date now();

    // Tests: replace the source of "now"; an empty function restores the system clock.
    static void setSource(std::function<Date()> source);
    // Tests: a fixed instant, moved only by advance().
    static void setFixed(const Date& date);
    static void advance(double seconds);
    static void reset();
};
