#include "RecurrenceExpander.h"

#include "Utilities.h"
#include "ZoneOffsetTable.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace {

constexpr qint64 secondsPerDay = 86400;
// No rule steps further than the calendar reaches: 10,000 years in days.
constexpr qint64 largestInterval = 3652425;

// A series that holds a date outside the calendar repeats nothing rather
// than overflow.
bool isCalendarDate(const Date& date)
{
    return date.isValid() && Date::isWithinCalendar(date.timeIntervalSince1970());
}

// The entries of an exceptions text, read once: "|N(" with N a whole number
// as "%0.0f" prints it. A number that merely contains N is another entry.
class ExceptionList {
public:
    explicit ExceptionList(const QString& text)
    {
        const QStringView view(text);
        for (qsizetype bar = view.indexOf(u'|'); bar >= 0; bar = view.indexOf(u'|', bar + 1)) {
            if (const std::optional<qint64> stored = entryAt(view, bar + 1)) m_stored.append(*stored);
        }
        std::sort(m_stored.begin(), m_stored.end());
    }

    bool contains(const Date& occurrence) const
    {
        if (m_stored.isEmpty()) return false;
        // "%0.0f" rounds half to even, as nearbyint does in the default rounding mode.
        const double stored = std::nearbyint(Utilities::toDBDate(occurrence).timeIntervalSince1970());
        return std::binary_search(m_stored.begin(), m_stored.end(), static_cast<qint64>(stored));
    }

private:
    // The number that starts at `at` when it is followed by "(", written as
    // "%0.0f" writes one: an optional minus and digits without leading zeros.
    static std::optional<qint64> entryAt(QStringView text, qsizetype at)
    {
        const bool negative = at < text.size() && text[at] == u'-';
        qsizetype end = negative ? at + 1 : at;
        const qsizetype digitsStart = end;
        while (end < text.size() && text[end].isDigit() && text[end].unicode() < 128) ++end;
        const qsizetype digits = end - digitsStart;
        if (digits == 0 || digits > 18 || end >= text.size() || text[end] != u'(') return std::nullopt;
        if (digits > 1 && text[digitsStart] == u'0') return std::nullopt;
        const qint64 value = text.mid(digitsStart, digits).toLongLong();
        return negative ? -value : value;
    }

    QList<qint64> m_stored;
};

// Steps a repeat rule from the first occurrence of a series, one step of the
// rule at a time, proposing the candidates of each step in ascending order.
// The cursor is a wall-clock reading: whole days keep the clock time, and a
// time the zone skips on one day (the calendar moves that day's occurrence by
// the gap) does not shift the occurrences after it, wherever the stepping
// started.
class RuleStepper {
public:
    // Stepping jumps once to within one stride of the lower bound, keeping to
    // the series' grid, so a series that started years ago costs only the
    // steps the period holds. Monthly rules on the 29th to 31st step from the
    // start, since the months they skip depend on the way there.
    RuleStepper(const RecurrenceSeries& series, const ZoneOffsetTable& zone, const Date& lowerBound)
        : m_rule(series.rule),
          m_interval(std::max<qint64>(1, series.rule.interval)),
          m_zone(zone),
          m_cursor(wallClockOf(series.startTime)),
          m_cursorDate(series.startTime),
          m_start(ZoneOffsetTable::fields(m_cursor)),
          m_startWeekdayOrdinal((m_start.day - 1) / 7 + 1),
          m_endTime(series.endTime),
          m_lowerBoundWallClock(wallClockOf(lowerBound)),
          m_lowerBound(ZoneOffsetTable::fields(m_lowerBoundWallClock))
    {
    }

    const Date& cursor() const { return m_cursorDate; }

    // Hands the candidates of one step to `take`, which answers false to end
    // the stepping. Answers false when the stepping has ended: `take` said so,
    // the rule has no step, or the step could not move the cursor on (no
    // month among the tried ones has the series' day).
    template <typename Take>
    bool step(Take&& take)
    {
        if (m_interval > largestInterval) return false;
        switch (m_rule.repeatType) {
        case RepeatRule::Daily:
            return moveTo(daily()) && take(m_cursorDate);
        case RepeatRule::Weekly:
            return m_rule.weekdays.isEmpty() ? moveTo(weekly()) && take(m_cursorDate) : weekOfWeekdays(take);
        case RepeatRule::Monthly:
            return moveTo(m_rule.monthlyFlag == 0 ? monthlyByDay() : monthlyByWeekday()) && take(m_cursorDate);
        case RepeatRule::Yearly:
            return moveTo(yearly()) && take(m_cursorDate);
        default:
            return false;
        }
    }

private:
    qint64 wallClockOf(const Date& date) const
    {
        return m_zone.wallClockSeconds(static_cast<qint64>(std::floor(date.timeIntervalSince1970())));
    }

    Date dateAt(qint64 wallClock) const
    {
        return Date::dateWithTimeIntervalSince1970(static_cast<double>(m_zone.utcSeconds(wallClock)));
    }

    bool moveTo(std::optional<qint64> wallClock)
    {
        if (!wallClock || *wallClock <= m_cursor) return false;
        m_cursor = *wallClock;
        m_cursorDate = dateAt(m_cursor);
        return true;
    }

    // The catch-up jump, made at most once: a reading behind the lower bound
    // moves by whole strides to within one stride of it. Whole days of wall
    // clock keep the grid exactly, and what it passes over lies a day or more
    // before the bound, so the jump changes the cost of a period, never its
    // occurrences.
    qint64 caughtUp(qint64 wallClock, qint64 strideDays)
    {
        if (m_jumped || wallClock >= m_lowerBoundWallClock) return wallClock;
        m_jumped = true;
        const qint64 days = (m_lowerBoundWallClock - wallClock) / secondsPerDay;
        return wallClock + (days - days % strideDays) * secondsPerDay;
    }

    std::optional<qint64> daily()
    {
        return caughtUp(m_cursor + m_interval * secondsPerDay, m_interval);
    }

    // The jump takes the place of the step. One that would not move the
    // cursor would only propose it again, behind the lower bound: the plain
    // step serves instead.
    std::optional<qint64> weekly()
    {
        const qint64 stride = 7 * m_interval;
        const qint64 jumped = caughtUp(m_cursor, stride);
        return jumped > m_cursor ? jumped : m_cursor + stride * secondsPerDay;
    }

    template <typename Take>
    bool weekOfWeekdays(Take&& take)
    {
        const qint64 stride = 7 * m_interval;
        const qint64 cursor = caughtUp(m_cursor, stride);
        const qint64 weekStart = cursor - (ZoneOffsetTable::fields(cursor).weekday - 1) * secondsPerDay;
        for (const int weekday : m_rule.weekdays) {
            const Date candidate = dateAt(weekStart + (weekday - 1) * secondsPerDay);
            // The first occurrence and the listed days of its week before it are not repeats.
            if (candidate <= m_endTime) continue;
            if (!take(candidate)) return false;
        }
        return moveTo(weekStart + stride * secondsPerDay);
    }

    // Months counted from the start of year 0, the stepping unit of month rules.
    static qint64 monthIndexOf(const ZoneOffsetTable::WallClockFields& f) { return qint64(f.year) * 12 + f.month - 1; }

    static qint64 wallClockInMonth(qint64 monthIndex, qint64 day, qint64 secondOfDay)
    {
        return ZoneOffsetTable::wallClockSeconds(0, monthIndex + 1, day, secondOfDay);
    }

    // The catch-up jump of month rules whose every stepped month holds an
    // occurrence: whole strides of months to the lower bound's month at most.
    qint64 caughtUpMonth(qint64 monthIndex)
    {
        const qint64 lowerBoundMonth = monthIndexOf(m_lowerBound);
        if (m_jumped || monthIndex >= lowerBoundMonth) return monthIndex;
        m_jumped = true;
        const qint64 months = lowerBoundMonth - monthIndex;
        return monthIndex + months - months % m_interval;
    }

    // The series' day of the month, in the first of the next twelve stepped
    // months that has it; months without it are skipped, not shortened.
    std::optional<qint64> monthlyByDay()
    {
        const ZoneOffsetTable::WallClockFields cursor = ZoneOffsetTable::fields(m_cursor);
        const qint64 secondOfDay = cursor.secondOfDay;
        const qint64 month = monthIndexOf(cursor);
        // Every month has the days up to the 28th, so the jump lands on an occurrence.
        if (m_start.day <= 28) {
            const qint64 jumped = caughtUpMonth(month);
            if (jumped > month) return wallClockInMonth(jumped, m_start.day, secondOfDay);
        }
        for (qint64 k = 1; k <= 12; ++k) {
            const qint64 tried = wallClockInMonth(month + k * m_interval, m_start.day, secondOfDay);
            if (ZoneOffsetTable::fields(tried).day == m_start.day) return tried;
        }
        return std::nullopt;
    }

    // The series' weekday and its ordinal in the month `interval` months on,
    // at the cursor's hour and minute; a fifth weekday that month lacks
    // becomes the last such weekday of the month.
    std::optional<qint64> monthlyByWeekday()
    {
        const ZoneOffsetTable::WallClockFields cursor = ZoneOffsetTable::fields(m_cursor);
        const qint64 secondOfDay = cursor.secondOfDay;
        const qint64 month = monthIndexOf(cursor);
        const qint64 jumped = caughtUpMonth(month);
        const qint64 target = jumped > month ? jumped : month + m_interval;
        const ZoneOffsetTable::WallClockFields first = ZoneOffsetTable::fields(wallClockInMonth(target, 1, 0));
        const qint64 day = 1 + (m_start.weekday - first.weekday + 7) % 7 + (m_startWeekdayOrdinal - 1) * 7;
        const qint64 built = wallClockInMonth(target, day, secondOfDay - secondOfDay % 60);
        return ZoneOffsetTable::fields(built).month == first.month ? built : built - 7 * secondsPerDay;
    }

    // The first occurrence's date and time with the year moved on; 29
    // February becomes 1 March in common years, so every year has one and
    // the jump lands on an occurrence.
    std::optional<qint64> yearly()
    {
        qint64 step = m_yearSteps + 1;
        if (!m_jumped && m_start.year + step * m_interval < m_lowerBound.year) {
            m_jumped = true;
            step = (m_lowerBound.year - m_start.year) / m_interval;
        }
        m_yearSteps = step;
        return ZoneOffsetTable::wallClockSeconds(m_start.year + m_yearSteps * m_interval, m_start.month,
                                                 m_start.day, m_start.secondOfDay);
    }

    const RepeatRule& m_rule;
    const qint64 m_interval;
    const ZoneOffsetTable& m_zone;
    qint64 m_cursor;
    Date m_cursorDate;
    const ZoneOffsetTable::WallClockFields m_start;
    const int m_startWeekdayOrdinal;
    const Date m_endTime;
    const qint64 m_lowerBoundWallClock;
    const ZoneOffsetTable::WallClockFields m_lowerBound;
    bool m_jumped = false;
    qint64 m_yearSteps = 0;
};

bool hasEnd(const RecurrenceSeries& series)
{
    return !series.isRepeatForever && series.repeatEndDate.isValid();
}

// The size of the list a period will roughly fill, so it is allocated once.
qsizetype expectedCount(const RepeatRule& rule, const Date& from, const Date& to)
{
    const auto days = static_cast<qint64>(to.timeIntervalSinceDate(from) / secondsPerDay) + 1;
    // No rule steps past the largest interval, and a multiple of a longer one
    // would not fit 64 bits.
    const qint64 interval = std::clamp<qint64>(rule.interval, 1, largestInterval + 1);
    qint64 count = 0;
    switch (rule.repeatType) {
    case RepeatRule::Daily: count = days / interval; break;
    case RepeatRule::Weekly: count = (days / (7 * interval) + 1) * std::max<qsizetype>(1, rule.weekdays.size()); break;
    case RepeatRule::Monthly: count = days / (28 * interval); break;
    case RepeatRule::Yearly: count = days / (365 * interval); break;
    default: break;
    }
    return static_cast<qsizetype>(std::clamp<qint64>(count + 2, 2, 100000));
}

}  // namespace

QList<Date> RecurrenceExpander::occurrences(const RecurrenceSeries& series, const Date& firstDay,
                                            const Date& lastDay, bool isForce)
{
    if (series.rule.repeatType <= 0) return {};
    if (!isCalendarDate(firstDay) || !isCalendarDate(lastDay) || !isCalendarDate(series.startTime) ||
        !isCalendarDate(series.endTime))
        return {};
    const std::shared_ptr<const ZoneOffsetTable> zone = ZoneOffsetTable::systemZone();
    const auto wallClockOf = [&](const Date& date) {
        return zone->wallClockSeconds(static_cast<qint64>(std::floor(date.timeIntervalSince1970())));
    };
    const auto dateAt = [&](qint64 wallClock) {
        return Date::dateWithTimeIntervalSince1970(static_cast<double>(zone->utcSeconds(wallClock)));
    };
    const auto dayStart = [&](const Date& day) {
        const qint64 wallClock = wallClockOf(day);
        return wallClock - ZoneOffsetTable::fields(wallClock).secondOfDay;
    };
    const Date windowStart = dateAt(dayStart(firstDay) + 1);
    const Date windowEnd = dateAt(dayStart(lastDay) + secondsPerDay - 1);

    if (windowEnd < series.repeatStartDate) return {};
    if (hasEnd(series) && windowStart > series.repeatEndDate) return {};
    const Date limit = hasEnd(series) && windowEnd >= series.repeatEndDate ? series.repeatEndDate : windowEnd;
    if (windowStart > limit) return {};
    // An occurrence that starts before the period but still runs at its start belongs to it.
    const auto duration = static_cast<qint64>(series.endTime.timeIntervalSinceDate(series.startTime));
    const Date lowerBound = dateAt(wallClockOf(windowStart) - duration);

    const ExceptionList exceptions(series.repeatExceptions);
    QList<Date> found;
    found.reserve(expectedCount(series.rule, lowerBound, limit));
    RuleStepper stepper(series, *zone, lowerBound);
    const auto take = [&](const Date& candidate) {
        if (candidate > limit) return false;
        if (candidate >= lowerBound && (isForce || !exceptions.contains(candidate))) found.append(candidate);
        return true;
    };
    while (stepper.cursor() <= limit && stepper.step(take)) {
    }

    if (series.startTime <= windowEnd && series.endTime >= windowStart &&
        (isForce || !exceptions.contains(series.startTime)))
        found.append(series.startTime);
    return found;
}

std::optional<Date> RecurrenceExpander::nextOccurrence(const RecurrenceSeries& series, const Date& after)
{
    if (series.rule.repeatType <= 0) return std::nullopt;
    if (!isCalendarDate(series.startTime) || !isCalendarDate(series.endTime) || !isCalendarDate(after))
        return std::nullopt;

    const std::shared_ptr<const ZoneOffsetTable> zone = ZoneOffsetTable::systemZone();
    const ExceptionList exceptions(series.repeatExceptions);
    if (series.startTime > after && !exceptions.contains(series.startTime)) return series.startTime;
    RuleStepper stepper(series, *zone, after);
    std::optional<Date> next;
    const auto take = [&](const Date& candidate) {
        if (candidate <= after) return true;
        // The calendar ends before a rule's long stride lands.
        if (!isCalendarDate(candidate)) return false;
        if (hasEnd(series) && candidate > series.repeatEndDate) return false;
        if (exceptions.contains(candidate)) return true;
        next = candidate;
        return false;
    };
    while (!next && stepper.step(take)) {
    }
    return next;
}

RecurrenceExpander::CompletionRepeat RecurrenceExpander::nextFromCompletion(const RecurrenceSeries& series,
                                                                            const Date& now)
{
    const Date& due = series.startTime;
    RecurrenceSeries fromToday = series;
    fromToday.rule = series.rule.withWeekdayReplaced(static_cast<int>(Utilities::getWeekday(due)),
                                                     static_cast<int>(Utilities::getWeekday(now)));
    fromToday.startTime = Utilities::resetTime4Date(now, Utilities::getHour(due), Utilities::getMinute(due), 0);
    fromToday.endTime = fromToday.startTime;
    const Date endOfToday = Utilities::resetTime4Date(now, 23, 59, 59);
    return {fromToday.rule, nextOccurrence(fromToday, endOfToday)};
}

bool RecurrenceExpander::isExcepted(const QString& repeatExceptions, const Date& occurrence)
{
    return ExceptionList(repeatExceptions).contains(occurrence);
}
