#include "GregorianCalendar.h"

#include "Clock.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QTime>

#include <atomic>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

// Sums of fields from outside are worked in 128 bits: six 64-bit fields
// scaled to seconds cannot overflow there, so any fields give an exact
// reading (or one plainly beyond the calendar), never undefined behaviour.
using WideInt = __int128;

template <typename Int>
Int floorDiv(Int a, Int b)
{
    Int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// The invalid zone (what zoneNamed gives for "Floating") counts as offset 0,
// as floating times do; Qt would give an invalid date-time instead.
QTimeZone usableZone(const QTimeZone& zone)
{
    return zone.isValid() ? zone : QTimeZone::utc();
}

const char* const zoneInfoRoots[] = {"/usr/share/zoneinfo/", "/usr/lib/zoneinfo/", "/usr/share/lib/zoneinfo/"};

bool isZoneInfoFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == "TZif";
}

// The rules of a known zone as its zoneinfo file holds them; empty for none.
QByteArray zoneInfoOf(const QString& name)
{
    if (!GregorianCalendar::isZoneKnown(name)) return {};
    for (const char* root : zoneInfoRoots) {
        QFile file(QString::fromLatin1(root) + name);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray rules = file.readAll();
        if (rules.startsWith("TZif")) return rules;
    }
    return {};
}

qint64 wholeSeconds(const Date& date)
{
    return date.wholeSecondsSince1970();
}

// Readings this far beyond the calendar's ends still convert (so local dates
// near year 1 or 9999 work in any zone); further out there is no date.
constexpr qint64 readingMargin = 2 * 86400;

std::optional<qint64> convertibleReading(WideInt wallClock)
{
    if (wallClock < static_cast<qint64>(Date::earliestSeconds) - readingMargin
        || wallClock > static_cast<qint64>(Date::latestSeconds) + readingMargin)
        return std::nullopt;
    return static_cast<qint64>(wallClock);
}

// Offset queries need only the instant: a date-time in UTC carries it
// without working out the zone's own fields first.
QDateTime utcInstant(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

// The system zone's offsets between two of its transitions.
struct OffsetSpan {
    qint64 from;   // first second of the span
    qint64 until;  // first second after it
    int fromGMT;
    int daylightSaving;
};

// Bumped by GregorianCalendar::resetSystemZone(); every thread's cache
// reads the zone again when it sees a new value.
std::atomic<int> systemZoneGeneration{0};

// The system zone and the offsets it has had, per thread. Looking a zone's
// offset up costs as much as reading its rules, and dates are converted by
// the hundred thousand when items load; their dates fall into a handful of
// spans between transitions, so whole spans are kept.
class SystemZoneCache {
public:
    static SystemZoneCache& current()
    {
        thread_local SystemZoneCache cache;
        cache.refresh();
        return cache;
    }

    const QTimeZone& zone() const { return m_zone; }

    OffsetSpan spanAt(qint64 seconds)
    {
        for (const OffsetSpan& span : m_spans)
            if (span.from <= seconds && seconds < span.until) return span;
        return remember(lookUp(seconds));
    }

    // The instant of a wall-clock reading (its seconds read as UTC) when no
    // transition lies anywhere near, so that no other offset could give the
    // same reading; nullopt near a transition.
    std::optional<qint64> instantFarFromTransitions(qint64 wallClock)
    {
        // No zone has ever been further than this from GMT.
        constexpr qint64 widestOffset = 18 * 3600;
        const int guess = spanAt(wallClock).fromGMT;
        const OffsetSpan span = spanAt(wallClock - guess);
        if (span.fromGMT != guess || span.from > wallClock - widestOffset || span.until <= wallClock + widestOffset)
            return std::nullopt;
        return wallClock - guess;
    }

private:
    static constexpr size_t keptSpans = 32;

    SystemZoneCache() { m_spans.reserve(keptSpans); }

    void refresh()
    {
        const int generation = systemZoneGeneration.load(std::memory_order_acquire);
        if (m_loaded && generation == m_generation) return;
        m_zone = QTimeZone::systemTimeZone();
        m_generation = generation;
        m_loaded = true;
        m_spans.clear();
        m_nextSlot = 0;
    }

    OffsetSpan lookUp(qint64 seconds) const
    {
        const QDateTime at = utcInstant(seconds);
        OffsetSpan span{seconds, seconds + 1, m_zone.offsetFromUtc(at), m_zone.daylightTimeOffset(at)};
        if (!m_zone.hasTransitions()) return span;
        const QTimeZone::OffsetData before = m_zone.previousTransition(at.addSecs(1));
        QTimeZone::OffsetData after = m_zone.nextTransition(at);
        // Asked at the last transition its zone file lists, Qt finds none
        // after it, though the zone's rule goes on; a second later it does.
        if (!after.atUtc.isValid()) after = m_zone.nextTransition(at.addSecs(1));
        span.from = before.atUtc.isValid() ? before.atUtc.toSecsSinceEpoch() : std::numeric_limits<qint64>::min();
        span.until = after.atUtc.isValid() ? after.atUtc.toSecsSinceEpoch() : std::numeric_limits<qint64>::max();
        return span;
    }

    OffsetSpan remember(const OffsetSpan& span)
    {
        if (m_spans.size() < keptSpans) {
            m_spans.push_back(span);
        } else {
            m_spans[m_nextSlot] = span;
            m_nextSlot = (m_nextSlot + 1) % keptSpans;
        }
        return span;
    }

    bool m_loaded = false;
    int m_generation = 0;
    QTimeZone m_zone;
    std::vector<OffsetSpan> m_spans;
    size_t m_nextSlot = 0;
};

// Seconds east of GMT of the zone at the instant.
int offsetAt(qint64 seconds, const QTimeZone& zone)
{
    SystemZoneCache& system = SystemZoneCache::current();
    if (zone == system.zone()) return system.spanAt(seconds).fromGMT;
    return usableZone(zone).offsetFromUtc(utcInstant(seconds));
}

// Days from 1 January 1970 to a day of the proleptic Gregorian calendar
// (month 1 to 12), and back: integer arithmetic over 400-year eras, exact for
// any year, and far cheaper than going through the platform's date types.
template <typename Int>
Int daysFromCivil(Int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const Int era = floorDiv<Int>(year, 400);
    const Int yearOfEra = year - era * 400;
    const Int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const Int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(qint64 days, int& year, int& month, int& day)
{
    days += 719468;
    const qint64 era = floorDiv<qint64>(days, 146097);
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// 1 = Sunday .. 7 = Saturday; 1 January 1970 was a Thursday.
int weekdayOfDays(qint64 days)
{
    return static_cast<int>(days + 4 - floorDiv<qint64>(days + 4, 7) * 7) + 1;
}

// The fields of a wall-clock reading (seconds since 1970 read as UTC).
DateFields fieldsOfWallClock(qint64 wallClock)
{
    DateFields f;
    const qint64 days = floorDiv<qint64>(wallClock, 86400);
    const qint64 secondsInDay = wallClock - days * 86400;
    civilFromDays(days, f.year, f.month, f.day);
    f.hour = static_cast<int>(secondsInDay / 3600);
    f.minute = static_cast<int>(secondsInDay / 60 % 60);
    f.second = static_cast<int>(secondsInDay % 60);
    f.weekday = weekdayOfDays(days);
    f.weekdayOrdinal = (f.day - 1) / 7 + 1;

    const int firstOfMonthWeekday = weekdayOfDays(days - (f.day - 1));
    f.weekOfMonth = (f.day - 1 + firstOfMonthWeekday - 1) / 7 + 1;

    const qint64 jan1 = daysFromCivil<qint64>(f.year, 1, 1);
    f.weekOfYear = static_cast<int>((days - jan1 + weekdayOfDays(jan1) - 1) / 7 + 1);
    f.yearForWeekOfYear = f.year;
    // The last days of December share their week with 1 January of the next year.
    if (f.month == 12 && f.day + (7 - f.weekday) > 31) {
        f.weekOfYear = 1;
        f.yearForWeekOfYear = f.year + 1;
    }
    return f;
}

// The wall-clock reading of six fields, carrying the time of day into whole
// days first, then months into years.
template <typename Int>
Int readingOfFields(Int year, Int month, Int day, Int hour, Int minute, Int second)
{
    const Int timeOfDay = hour * 3600 + minute * 60 + second;
    const Int extraDays = floorDiv<Int>(timeOfDay, 86400);
    const Int secondsInDay = timeOfDay - extraDays * 86400;

    const Int monthIndex = month - 1;
    const Int carriedYear = year + floorDiv<Int>(monthIndex, 12);
    const int carriedMonth = static_cast<int>(monthIndex - floorDiv<Int>(monthIndex, 12) * 12) + 1;
    const Int days = daysFromCivil<Int>(carriedYear, carriedMonth, 1) + day - 1 + extraDays;
    return days * 86400 + secondsInDay;
}

bool fitsIn32Bits(qint64 value)
{
    return value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}

// The same, nothing when it lies beyond the calendar. Fields of 32 bits (all
// the calendar's own) cannot overflow 64-bit sums; larger ones come only from
// outside and take the wide path.
std::optional<qint64> wallClockOfFields(qint64 year, qint64 month, qint64 day, qint64 hour, qint64 minute,
                                        qint64 second)
{
    if (fitsIn32Bits(year) && fitsIn32Bits(month) && fitsIn32Bits(day) && fitsIn32Bits(hour)
        && fitsIn32Bits(minute) && fitsIn32Bits(second))
        return convertibleReading(readingOfFields<qint64>(year, month, day, hour, minute, second));
    return convertibleReading(readingOfFields<WideInt>(year, month, day, hour, minute, second));
}

// Away from transitions the system zone's cached offsets answer. Near one,
// the platform decides: a wall-clock time that the zone skips (the hour lost
// when daylight saving starts) moves forward by the length of the gap, 02:30
// becoming 03:30; Qt calls such a time invalid, so the zone's offset of the
// day before (always before the change) is applied instead.
Date dateOfWallClock(qint64 wallClock, const QTimeZone& zone)
{
    SystemZoneCache& system = SystemZoneCache::current();
    if (zone == system.zone())
        if (const std::optional<qint64> instant = system.instantFarFromTransitions(wallClock))
            return Date::dateWithTimeIntervalSince1970(static_cast<double>(*instant));
    const QDateTime wallClockAsUtc = utcInstant(wallClock);
    const QDateTime local(wallClockAsUtc.date(), wallClockAsUtc.time(), zone);
    if (!local.isValid())
        return Date::dateWithTimeIntervalSince1970(
            static_cast<double>(wallClock - zone.offsetFromUtc(wallClockAsUtc.addDays(-1))));
    // A reading the zone gives twice (the hour repeated when daylight saving
    // ends) is the first of the two, at the offset in force before the
    // change; the platform answers the second.
    const int before = zone.offsetFromUtc(wallClockAsUtc.addDays(-1));
    if (before > local.offsetFromUtc()) {
        const qint64 earlier = wallClock - before;
        if (zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(earlier, QTimeZone::utc())) == before)
            return Date::dateWithTimeIntervalSince1970(static_cast<double>(earlier));
    }
    return Date::dateWithTimeIntervalSince1970(static_cast<double>(local.toSecsSinceEpoch()));
}

// The same in the system zone, without comparing zones on the common path.
Date systemDateOfWallClock(qint64 wallClock)
{
    SystemZoneCache& system = SystemZoneCache::current();
    if (const std::optional<qint64> instant = system.instantFarFromTransitions(wallClock))
        return Date::dateWithTimeIntervalSince1970(static_cast<double>(*instant));
    return dateOfWallClock(wallClock, system.zone());
}

}  // namespace

QTimeZone GregorianCalendar::systemZone()
{
    return SystemZoneCache::current().zone();
}

void GregorianCalendar::resetSystemZone()
{
    systemZoneGeneration.fetch_add(1, std::memory_order_release);
}

QTimeZone GregorianCalendar::utcZone()
{
    return QTimeZone::utc();
}

int GregorianCalendar::daysInMonth(int year, int month)
{
    return QDate(year, month, 1).daysInMonth();
}

DateFields GregorianCalendar::fields(const Date& date)
{
    const qint64 seconds = wholeSeconds(date);
    return fieldsOfWallClock(seconds + SystemZoneCache::current().spanAt(seconds).fromGMT);
}

DateFields GregorianCalendar::fields(const Date& date, const QTimeZone& zone)
{
    const qint64 seconds = wholeSeconds(date);
    return fieldsOfWallClock(seconds + offsetAt(seconds, zone));
}

Date GregorianCalendar::dateFromFields(qint64 year, qint64 month, qint64 day,
                                       qint64 hour, qint64 minute, qint64 second)
{
    const std::optional<qint64> wallClock = wallClockOfFields(year, month, day, hour, minute, second);
    return wallClock ? systemDateOfWallClock(*wallClock) : Date();
}

Date GregorianCalendar::dateFromFields(qint64 year, qint64 month, qint64 day,
                                       qint64 hour, qint64 minute, qint64 second,
                                       const QTimeZone& zone)
{
    const std::optional<qint64> wallClock = wallClockOfFields(year, month, day, hour, minute, second);
    return wallClock ? dateOfWallClock(*wallClock, usableZone(zone)) : Date();
}

Date GregorianCalendar::wallTimeInZone(const Date& wall, const QTimeZone& from, const QTimeZone& to)
{
    if (!wall) return wall;
    const double whole = std::floor(wall.timeIntervalSince1970());
    const double fraction = wall.timeIntervalSince1970() - whole;
    // A wall time of the system zone is the instant itself: read back from its
    // fields, a time in the repeated hour of an autumn change would become the
    // other of its two instants, and a time saved unchanged would move an hour.
    const QByteArray systemId = systemZone().id();
    Date instant = wall;
    if (from.id() != systemId) {
        const DateFields own = fields(wall);
        instant = dateFromFields(own.year, own.month, own.day, own.hour, own.minute, own.second, from);
        if (!instant) return wall;
        instant = instant.dateByAddingTimeInterval(fraction);
    }
    if (to.id() == systemId) return instant;
    const DateFields there = fields(instant, to);
    const Date converted = dateFromFields(there.year, there.month, there.day, there.hour, there.minute, there.second);
    return converted ? converted.dateByAddingTimeInterval(fraction) : wall;
}

int GregorianCalendar::secondsIntoDay(const Date& date)
{
    const qint64 seconds = wholeSeconds(date);
    const qint64 wallClock = seconds + SystemZoneCache::current().spanAt(seconds).fromGMT;
    return static_cast<int>(wallClock - floorDiv<qint64>(wallClock, 86400) * 86400);
}

Date GregorianCalendar::dateOnDayOf(const Date& day, qint64 secondsIntoDay)
{
    const qint64 seconds = wholeSeconds(day);
    const qint64 dayWallClock = seconds + SystemZoneCache::current().spanAt(seconds).fromGMT;
    const std::optional<qint64> wallClock =
        convertibleReading(WideInt(floorDiv<qint64>(dayWallClock, 86400) * 86400) + secondsIntoDay);
    return wallClock ? systemDateOfWallClock(*wallClock) : Date();
}

int GregorianCalendar::secondsFromGMT()
{
    return secondsFromGMTForDate(Clock::now());
}

int GregorianCalendar::secondsFromGMTForDate(const Date& date)
{
    return SystemZoneCache::current().spanAt(wholeSeconds(date)).fromGMT;
}

int GregorianCalendar::daylightSavingTimeOffset()
{
    return daylightSavingTimeOffsetForDate(Clock::now());
}

int GregorianCalendar::daylightSavingTimeOffsetForDate(const Date& date)
{
    return SystemZoneCache::current().spanAt(wholeSeconds(date)).daylightSaving;
}

GregorianCalendar::DaylightSavingSpan GregorianCalendar::daylightSavingSpanForDate(const Date& date)
{
    const OffsetSpan span = SystemZoneCache::current().spanAt(wholeSeconds(date));
    return {span.from, span.until, span.daylightSaving};
}

bool GregorianCalendar::isZoneKnown(const QString& name)
{
    if (name == QLatin1String("Floating")) return true;
    if (name.isEmpty() || name.contains(QLatin1String("..")) || name.startsWith(QLatin1Char('/')))
        return false;
    for (const char* root : zoneInfoRoots) {
        // The zoneinfo folders also hold tables and lists that are no zones.
        if (isZoneInfoFile(QString::fromLatin1(root) + name)) return true;
    }
    return false;
}

QTimeZone GregorianCalendar::zoneNamed(const QString& name)
{
    if (name == QLatin1String("Floating")) return QTimeZone();
    // Every event written or read with a zone asks for it again, and each
    // answer costs two reads of its zoneinfo file; the files do not change
    // while the program runs, so each zone is read once. Only known zones are
    // kept, which bounds the table whatever names outside files carry.
    static QMutex mutex;
    static QHash<QString, QTimeZone> zones;
    QMutexLocker lock(&mutex);
    const auto found = zones.constFind(name);
    if (found != zones.cend()) return *found;
    if (!isZoneKnown(name)) return QTimeZone();
    const QTimeZone zone(name.toUtf8());
    zones.insert(name, zone);
    return zone;
}

bool GregorianCalendar::namesOneZone(const QString& a, const QString& b)
{
    if (a == b) return true;
    // An old name is a link in the zoneinfo folder (symbolic, hard or a copy,
    // by system) to the zone's file: the same rules are the same zone. Only
    // known zones are kept, which bounds the table as in zoneNamed.
    static QMutex mutex;
    static QHash<QString, QByteArray> rules;
    QMutexLocker lock(&mutex);
    const auto rulesOf = [](const QString& name) {
        auto found = rules.constFind(name);
        if (found == rules.cend()) {
            const QByteArray read = zoneInfoOf(name);
            if (read.isEmpty()) return read;
            found = rules.insert(name, read);
        }
        return *found;
    };
    const QByteArray first = rulesOf(a);
    return !first.isEmpty() && first == rulesOf(b);
}

bool localeUses24HourClock()
{
    const QLocale locale = QLocale::system();
    const QString text = locale.toString(QTime(15, 0), QLocale::ShortFormat);
    return !text.contains(locale.amText()) && !text.contains(locale.pmText());
}
