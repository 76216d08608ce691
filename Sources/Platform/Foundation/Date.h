#pragma once

#include <bit>
#include <cmath>
#include <compare>
#include <cstdint>

// An absolute instant: seconds since 1970-01-01 00:00:00 UTC, with a null
// state standing for "no date" (nil). Arithmetic on the calendar lives in
// GregorianCalendar; this type only carries the number.
//
// Eight bytes, as a double: every item record holds seventeen dates, so the
// null state is one NaN bit pattern of its own rather than a flag beside the
// number (a flag doubles the size with its padding). A valid date may still
// hold any other NaN; one built from the null's own pattern holds the usual
// quiet NaN instead, so no number ever turns into the null date.
class Date {
public:
    constexpr Date() = default;  // the null date
    static constexpr Date dateWithTimeIntervalSince1970(double seconds) { return Date(seconds); }
    static constexpr Date null() { return Date(); }

    // The span the calendar works in: from the first second of the year 1 to
    // the last second of the year 9999 (and its fraction), UTC.
    static constexpr double earliestSeconds = -62135596800.0;
    static constexpr double latestSeconds = 253402300799.0;
    // False for NaN, the infinities and anything beyond the span.
    static constexpr bool isWithinCalendar(double seconds)
    {
        return seconds >= earliestSeconds && seconds < latestSeconds + 1;
    }

    // A number of seconds from outside (a file, a stored row, the clipboard,
    // a text): the null date, and a log line naming the source, when it is not
    // a calendar date; nothing of such a number reaches calendar arithmetic.
    // The common case costs two comparisons; only a rejection logs.
    static Date dateFromOutside(double seconds, const char* source)
    {
        if (isWithinCalendar(seconds)) [[likely]]
            return Date(seconds);
        rejectOutsideNumber(seconds, source);
        return Date();
    }
    // The same check for a date already built from outside fields; the null
    // date passes through.
    static Date dateFromOutside(const Date& date, const char* source)
    {
        return date.isNull() ? date : dateFromOutside(date.m_seconds, source);
    }
    // Logs that a number from outside is ignored as no date.
    static void rejectOutsideNumber(double seconds, const char* source);

    constexpr bool isNull() const { return std::bit_cast<std::uint64_t>(m_seconds) == nullBits; }
    constexpr bool isValid() const { return !isNull(); }
    explicit constexpr operator bool() const { return isValid(); }

    // 0 for the null date, so callers that store "no date" as 0 read back naturally.
    constexpr double timeIntervalSince1970() const { return isValid() ? m_seconds : 0.0; }
    constexpr Date dateByAddingTimeInterval(double seconds) const
    {
        return isValid() ? Date(m_seconds + seconds) : Date();
    }
    constexpr double timeIntervalSinceDate(const Date& other) const
    {
        return timeIntervalSince1970() - other.timeIntervalSince1970();
    }

    // Two null dates are equal; a null date equals no valid date.
    constexpr bool isEqualToDate(const Date& other) const
    {
        return isValid() == other.isValid() && (isNull() || m_seconds == other.m_seconds);
    }
    constexpr bool operator==(const Date& other) const { return isEqualToDate(other); }
    // Ordering treats the null date as earliest.
    constexpr std::partial_ordering operator<=>(const Date& other) const
    {
        if (isValid() != other.isValid()) return isValid() ? std::partial_ordering::greater : std::partial_ordering::less;
        if (isNull()) return std::partial_ordering::equivalent;
        return m_seconds <=> other.m_seconds;
    }
    // Whole seconds (rounded down) for integer calendar arithmetic. A date
    // beyond the calendar is pinned to its nearer end and NaN to 1970, so no
    // conversion to an integer can overflow; the null date gives 0.
    std::int64_t wholeSecondsSince1970() const
    {
        const double seconds = timeIntervalSince1970();
        if (seconds != seconds) return 0;
        if (seconds < earliestSeconds) return static_cast<std::int64_t>(earliestSeconds);
        if (seconds > latestSeconds) return static_cast<std::int64_t>(latestSeconds);
        return static_cast<std::int64_t>(std::floor(seconds));
    }

    // A number of seconds (or a count made from them) rounded toward zero as a
    // 64-bit integer, as a cast would give it; NaN gives 0 and values beyond
    // 2^62 either way are pinned there, where a cast would be undefined.
    static std::int64_t truncated(double value)
    {
        constexpr double limit = 4611686018427387904.0;  // 2^62
        if (value != value) return 0;
        if (value <= -limit) return -static_cast<std::int64_t>(limit);
        if (value >= limit) return static_cast<std::int64_t>(limit);
        return static_cast<std::int64_t>(value);
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
    // A quiet NaN with a payload no arithmetic produces from numbers.
    static constexpr std::uint64_t nullBits = 0x7ff8'0000'7a76'0001ULL;
    static constexpr std::uint64_t quietNaNBits = 0x7ff8'0000'0000'0000ULL;
    static constexpr double validSeconds(double seconds)
    {
        return std::bit_cast<std::uint64_t>(seconds) == nullBits ? std::bit_cast<double>(quietNaNBits) : seconds;
    }
    constexpr explicit Date(double seconds) : m_seconds(validSeconds(seconds)) {}
    double m_seconds = std::bit_cast<double>(nullBits);
};
static_assert(sizeof(Date) == sizeof(double));
