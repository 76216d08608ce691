#include "ZoneOffsetTable.h"

#include "GregorianCalendar.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <mutex>

namespace {

constexpr qint64 coveredStart = -2208988800;  // 1900-01-01 00:00:00 UTC
constexpr qint64 coveredEnd = 7258118400;     // 2200-01-01 00:00:00 UTC
// Wall-clock readings this close to a transition go to the calendar, whose
// rules for skipped and repeated hours are the ones every other date follows.
// No zone is 18 hours from UTC, so two days also covers the offset itself.
constexpr qint64 transitionGuard = 2 * 86400;
constexpr qint64 julianDayOf1970 = 2440588;
// Zone files list their transitions up to 2037; after that Qt follows the
// zone's rule, and near a transition its conversions of wall-clock readings
// can differ from the transitions the table found.
constexpr qint64 listedTransitionsEnd = 2114380800;  // 2037-01-01 00:00:00 UTC

QDateTime utcDateTime(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
}

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Qt finds no transition after the last one its zone file lists, though the
// zone's rule goes on; asked from a second later it finds the next one.
QTimeZone::OffsetData transitionAfter(const QTimeZone& zone, qint64 seconds)
{
    QTimeZone::OffsetData next = zone.nextTransition(utcDateTime(seconds));
    if (!next.atUtc.isValid()) next = zone.nextTransition(utcDateTime(seconds + 1));
    return next;
}

struct SystemTable {
    std::mutex mutex;
    QByteArray zoneId;
    std::shared_ptr<const ZoneOffsetTable> table;
};

}  // namespace

ZoneOffsetTable::ZoneOffsetTable(const QTimeZone& zone)
    : m_zone(zone.isValid() ? zone : QTimeZone::utc())
{
    m_starts.push_back(coveredStart);
    m_offsets.push_back(m_zone.offsetFromUtc(utcDateTime(coveredStart)));
    for (QTimeZone::OffsetData next = transitionAfter(m_zone, coveredStart); next.atUtc.isValid();
         next = transitionAfter(m_zone, m_starts.back())) {
        const qint64 at = next.atUtc.toSecsSinceEpoch();
        if (at >= coveredEnd || at <= m_starts.back()) break;
        m_starts.push_back(at);
        m_offsets.push_back(next.offsetFromUtc);
    }
}

std::shared_ptr<const ZoneOffsetTable> ZoneOffsetTable::systemZone()
{
    static SystemTable cache;
    // The calendar's system zone, so that the table and the calendar always
    // speak of the same zone.
    const QTimeZone zone = GregorianCalendar::systemZone();
    std::lock_guard lock(cache.mutex);
    if (!cache.table || cache.zoneId != zone.id()) {
        cache.table = std::make_shared<const ZoneOffsetTable>(zone);
        cache.zoneId = zone.id();
    }
    return cache.table;
}

// Threads share a table; Qt promises nothing for one zone object used by
// several threads at once, so each question the table cannot answer itself
// goes to a zone object of its own.
QTimeZone ZoneOffsetTable::ownZone() const
{
    return QTimeZone(m_zone.id());
}

qsizetype ZoneOffsetTable::segmentAt(qint64 utcSeconds) const
{
    return std::upper_bound(m_starts.begin(), m_starts.end(), utcSeconds) - m_starts.begin() - 1;
}

qint64 ZoneOffsetTable::wallClockSeconds(qint64 utcSeconds) const
{
    if (utcSeconds < coveredStart || utcSeconds >= coveredEnd)
        return utcSeconds + ownZone().offsetFromUtc(utcDateTime(utcSeconds));
    return utcSeconds + m_offsets[static_cast<size_t>(segmentAt(utcSeconds))];
}

qint64 ZoneOffsetTable::utcSeconds(qint64 wallClockSeconds) const
{
    const qint64 from = wallClockSeconds - transitionGuard;
    const qint64 to = wallClockSeconds + transitionGuard;
    if (from < coveredStart || to >= coveredEnd) return utcSecondsFromCalendar(wallClockSeconds);
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), from);
    if (next != m_starts.end() && *next <= to) {
        if (to >= listedTransitionsEnd) return utcSecondsFromCalendar(wallClockSeconds);
        // Near a transition a reading that only one of the nearby offsets
        // gives is that instant; only a reading the zone skips or repeats
        // needs the calendar's rules, and asking it costs a zone object.
        const qsizetype first = next - m_starts.begin() - 1;
        const qsizetype last = std::upper_bound(m_starts.begin(), m_starts.end(), to) - m_starts.begin() - 1;
        int consistent = 0;
        qint64 instant = 0;
        for (qsizetype segment = first; segment <= last; ++segment) {
            const qint64 candidate = wallClockSeconds - m_offsets[static_cast<size_t>(segment)];
            if (segmentAt(candidate) != segment) continue;
            ++consistent;
            instant = candidate;
        }
        return consistent == 1 ? instant : utcSecondsFromCalendar(wallClockSeconds);
    }
    return wallClockSeconds - m_offsets[static_cast<size_t>(next - m_starts.begin() - 1)];
}

qint64 ZoneOffsetTable::utcSecondsFromCalendar(qint64 wallClockSeconds) const
{
    const WallClockFields f = fields(wallClockSeconds);
    const Date date = GregorianCalendar::dateFromFields(f.year, f.month, f.day, 0, 0, f.secondOfDay, ownZone());
    // Beyond the calendar no zone rule applies: the reading is its own instant,
    // so later readings stay later instants.
    if (date.isNull()) return wallClockSeconds;
    return Date::truncated(date.timeIntervalSince1970());
}

ZoneOffsetTable::WallClockFields ZoneOffsetTable::fields(qint64 wallClockSeconds)
{
    const qint64 days = floorDiv(wallClockSeconds, 86400);
    WallClockFields f;
    QDate::fromJulianDay(days + julianDayOf1970).getDate(&f.year, &f.month, &f.day);
    f.weekday = static_cast<int>(days - floorDiv(days + 4, 7) * 7 + 4) + 1;  // 1 January 1970 was a Thursday
    f.secondOfDay = wallClockSeconds - days * 86400;
    return f;
}

qint64 ZoneOffsetTable::wallClockSeconds(qint64 year, qint64 month, qint64 day, qint64 secondOfDay)
{
    const qint64 monthIndex = month - 1;
    const qint64 yearCarry = floorDiv(monthIndex, 12);
    const QDate first(static_cast<int>(year + yearCarry), static_cast<int>(monthIndex - yearCarry * 12) + 1, 1);
    return (first.toJulianDay() - julianDayOf1970 + day - 1) * 86400 + secondOfDay;
}
