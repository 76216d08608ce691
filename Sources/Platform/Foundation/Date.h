#pragma once

#include <cmath>
#include <compare>

// An absolute instant: seconds since 1970-01-01 00:00:00 UTC, with a null
// state standing for "no date" (nil). Arithmetic on the calendar lives in
// GregorianCalendar; this type only carries the number.
class Date {
public:
    constexpr Date() = default;  // the null date
    static constexpr Date dateWithTimeIntervalSince1970(double seconds) { return Date(seconds); }
    static constexpr Date null() { return Date(); }

    constexpr bool isNull() const { return !m_valid; }
    constexpr bool isValid() const { return m_valid; }
    explicit constexpr operator bool() const { return m_valid; }

    // 0 for the null date, so callers that store "no date" as 0 read back naturally.
    constexpr double timeIntervalSince1970() const { return m_valid ? m_seconds : 0.0; }
    constexpr Date dateByAddingTimeInterval(double seconds) const
    {
        return m_valid ? Date(m_seconds + seconds) : Date();
    }
    constexpr double timeIntervalSinceDate(const Date& other) const
    {
        return timeIntervalSince1970() - other.timeIntervalSince1970();
    }

    // Two null dates are equal; a null date equals no valid date.
    constexpr bool isEqualToDate(const Date& other) const
    {
        return m_valid == other.m_valid && (!m_valid || m_seconds == other.m_seconds);
    }
    constexpr bool operator==(const Date& other) const { return isEqualToDate(other); }
    // Ordering treats the null date as earliest.
    constexpr std::partial_ordering operator<=>(const Date& other) const
    {
        if (m_valid != other.m_valid) return m_valid ? std::partial_ordering::greater : std::partial_ordering::less;
        if (!m_valid) return std::partial_ordering::equivalent;
        return m_seconds <=> other.m_seconds;
    }
    // -1, 0 or 1, as the platform's compare: earlier, same, later.
    constexpr int compare(const Date& other) const
    {
        const double a = timeIntervalSince1970(), b = other.timeIntervalSince1970();
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    constexpr Date earlierDate(const Date& other) const { return compare(other) <= 0 ? *this : other; }
    constexpr Date laterDate(const Date& other) const { return compare(other) >= 0 ? *this : other; }

private:
    constexpr explicit Date(double seconds) : m_seconds(seconds), m_valid(true) {}
    double m_seconds = 0.0;
    bool m_valid = false;
};
