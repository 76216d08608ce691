#include "Utilities.h"

#include "Clock.h"
#include "GregorianCalendar.h"

#include <QDate>
#include <QDateTime>
#include <QStringView>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <span>

namespace {

// The length of the calendar (years 1 to 9999) in seconds and in months,
// with room to spare: any step longer than that leaves it.
constexpr double calendarSpan = Date::latestSeconds - Date::earliestSeconds + 86400.0;
constexpr qint64 calendarMonths = 10000 * 12;

std::mutex resolverMutex;
std::function<QString(qint64)> timeZoneNameResolver;

// Fields from the year down: comparisons walk a prefix or a tail of it.
constexpr int DateFields::*const fieldOrder[] = {
    &DateFields::year, &DateFields::month, &DateFields::day,
    &DateFields::hour, &DateFields::minute, &DateFields::second,
};
constexpr std::span<int DateFields::*const> allFields(fieldOrder);

DateFields fieldsOf(const Date& date)
{
    return GregorianCalendar::fields(date);
}

qint64 fieldOf(const Date& date, int DateFields::*field)
{
    return date.isNull() ? -1 : fieldsOf(date).*field;
}

Date atTime(const DateFields& day, qint64 hour, qint64 minute, qint64 second)
{
    return GregorianCalendar::dateFromFields(day.year, day.month, day.day, hour, minute, second);
}

Date onDayAt(const Date& date, qint64 hour, qint64 minute, qint64 second)
{
    if (date.isNull()) return date;
    return atTime(fieldsOf(date), hour, minute, second);
}

// Adding calendar units keeps the fraction of a second that rebuilding from
// fields drops (a number with no fraction, as NaN, adds none).
Date withFractionOf(const Date& source, const Date& wholeSeconds)
{
    const double seconds = source.timeIntervalSince1970();
    const double fraction = seconds - std::floor(seconds);
    return std::isfinite(fraction) ? wholeSeconds.dateByAddingTimeInterval(fraction) : wholeSeconds;
}

int compareFields(const DateFields& a, const DateFields& b, std::span<int DateFields::*const> order)
{
    for (const auto field : order) {
        if (a.*field != b.*field) return a.*field < b.*field ? -1 : 1;
    }
    return 0;
}

int compareDates(const Date& first, const Date& second, std::span<int DateFields::*const> order)
{
    if (first.isNull() || second.isNull()) {
        if (first.isNull() == second.isNull()) return 0;
        return first.isNull() ? -1 : 1;
    }
    return compareFields(fieldsOf(first), fieldsOf(second), order);
}

// The day of `day` at the clock time of `clock`, its minute rounded up to the
// quarter hour; minute 60 carries into the next hour (and day).
Date quarterHourUp(const DateFields& day, const DateFields& clock)
{
    return atTime(day, clock.hour, (clock.minute + 14) / 15 * 15, 0);
}

QString timeZoneName(qint64 tzId)
{
    std::function<QString(qint64)> resolver;
    {
        std::lock_guard lock(resolverMutex);
        resolver = timeZoneNameResolver;
    }
    return resolver ? resolver(tzId) : QString();
}

Date shiftedBetweenZones(const Date& date, bool isEnableTimeZone, qint64 oldTZ, qint64 newTZ)
{
    if (!isEnableTimeZone || oldTZ == newTZ) return date;
    const qint64 offset = Utilities::convertTimezoneToOffset(newTZ) - Utilities::convertTimezoneToOffset(oldTZ);
    return Utilities::newDateFromDate(date, static_cast<double>(offset));
}

// Reads an integer leniently, as calendar texts need: leading
// spaces, an optional sign, then digits up to the first other character; 0
// when there are none.
int lenientIntValue(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return negative ? -value : value;
}

// The wall time of a calendar text's fields in the zone. A year outside the
// calendar (0000, -999, or months carrying past 9999) is no date.
Date dateOfTextFields(QStringView text, int year, int month, int day, int hour, int minute, int second,
                      const QTimeZone& zone)
{
    const int carriedYear = year + (month > 0 ? (month - 1) / 12 : (month - 12) / 12);
    if (carriedYear < 1 || carriedYear > 9999) {
        qWarning("Ignoring the calendar text \"%s\": its year is outside 1 to 9999.",
                 qPrintable(text.left(64).toString()));
        return {};
    }
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second, zone);
}

// "YYYYMMDDTHHMMSS" at the start of the text (the character at 8 is skipped),
// as a wall time in the zone.
Date dateFromDigits(QStringView digits, const QTimeZone& zone)
{
    if (digits.size() < 15) return {};
    return dateOfTextFields(digits, lenientIntValue(digits.mid(0, 4)), lenientIntValue(digits.mid(4, 2)),
                            lenientIntValue(digits.mid(6, 2)), lenientIntValue(digits.mid(9, 2)), lenientIntValue(digits.mid(11, 2)),
                            lenientIntValue(digits.mid(13, 2)), zone);
}

// The date a calendar text spells, before any check of its range.
Date dateOfText(const QString& text)
{
    const qsizetype tzid = text.indexOf(QLatin1String("TZID="), 0, Qt::CaseInsensitive);
    if (tzid >= 0) {
        const qsizetype nameStart = tzid + 5;
        const qsizetype colon = text.indexOf(u':');
        // No colon, or the first one sits before the zone name: no readable zone.
        if (colon < nameStart) return {};
        // A zone we have no rules for reads as the system zone.
        const QTimeZone named = GregorianCalendar::zoneNamed(text.mid(nameStart, colon - nameStart));
        const QTimeZone zone = named.isValid() ? named : GregorianCalendar::systemZone();
        return dateFromDigits(QStringView(text).mid(colon + 1), zone);
    }
    const qsizetype dateTag = text.indexOf(QLatin1String("DATE:"), 0, Qt::CaseInsensitive);
    if (dateTag >= 0) {
        const QStringView digits = QStringView(text).mid(dateTag + 5);
        if (digits.size() < 8) return {};
        return dateOfTextFields(digits, lenientIntValue(digits.mid(0, 4)), lenientIntValue(digits.mid(4, 2)),
                                lenientIntValue(digits.mid(6, 2)), 0, 0, 0, GregorianCalendar::systemZone());
    }
    if (text.size() == 16) return dateFromDigits(text, GregorianCalendar::utcZone());
    if (text.size() == 15) return dateFromDigits(text, GregorianCalendar::systemZone());
    return {};
}

}  // namespace

// ---- Stored form ----------------------------------------------------------

Date Utilities::toDBDate(const Date& date)
{
    if (date.isNull()) return date;
    // The date gains the standard offset plus the daylight-saving offset of its own day.
    const Date now = Clock::now();
    const int dstNow = GregorianCalendar::daylightSavingTimeOffsetForDate(now);
    const int atDate = GregorianCalendar::daylightSavingTimeOffsetForDate(date);
    return date.dateByAddingTimeInterval(GregorianCalendar::secondsFromGMTForDate(now) - (dstNow - atDate));
}

Date Utilities::fromDBDate(const Date& date)
{
    if (date.isNull()) return date;
    return StoredDateReader(Clock::now()).fromDBDate(date);
}

StoredDateReader::StoredDateReader(const Date& now)
    : m_secondsFromGMTNow(GregorianCalendar::secondsFromGMTForDate(now))
    , m_daylightSavingNow(GregorianCalendar::daylightSavingTimeOffsetForDate(now))
{
}

Date StoredDateReader::fromDBDate(const Date& date) const
{
    if (date.isNull()) return date;
    // The daylight-saving offset is looked up at the number less today's
    // offset, not at the instant that comes out; stored numbers depend on it.
    const Date moved = date.dateByAddingTimeInterval(-m_secondsFromGMTNow);
    const qint64 at = moved.wholeSecondsSince1970();
    const GregorianCalendar::DaylightSavingSpan* found = nullptr;
    for (const GregorianCalendar::DaylightSavingSpan& span : m_spans)
        if (span.from <= at && at < span.until) found = &span;
    if (!found) {
        found = &(m_spans[m_nextSpan] = GregorianCalendar::daylightSavingSpanForDate(moved));
        m_nextSpan = (m_nextSpan + 1) % m_spans.size();
    }
    const int offset = found->offset;
    // A number of the hour repeated when daylight saving ends is stored for
    // both of its instants; it is read as the first, as the clock reading is
    // everywhere else.
    if (at < found->from + 2 * 3600) {
        const GregorianCalendar::DaylightSavingSpan before =
            GregorianCalendar::daylightSavingSpanForDate(Date::dateWithTimeIntervalSince1970(double(found->from - 1)));
        const Date earlier = moved.dateByAddingTimeInterval(m_daylightSavingNow - before.offset);
        if (before.offset > offset && earlier.wholeSecondsSince1970() < found->from) return earlier;
    }
    return moved.dateByAddingTimeInterval(m_daylightSavingNow - offset);
}

Date StoredDateReader::fromDBSeconds(double seconds) const
{
    // A file written by a damaged program may hold anything in a date column.
    return fromDBDate(Date::dateFromOutside(seconds, "a stored row"));
}

// ---- Fields -----------------------------------------------------------------

qint64 Utilities::getSecond(const Date& date) { return fieldOf(date, &DateFields::second); }
qint64 Utilities::getMinute(const Date& date) { return fieldOf(date, &DateFields::minute); }
qint64 Utilities::getHour(const Date& date) { return fieldOf(date, &DateFields::hour); }
qint64 Utilities::getDay(const Date& date) { return fieldOf(date, &DateFields::day); }
qint64 Utilities::getMonth(const Date& date) { return fieldOf(date, &DateFields::month); }
qint64 Utilities::getYear(const Date& date) { return fieldOf(date, &DateFields::year); }
qint64 Utilities::getWeekday(const Date& date) { return fieldOf(date, &DateFields::weekday); }
qint64 Utilities::getWeekdayOrdinal(const Date& date) { return fieldOf(date, &DateFields::weekdayOrdinal); }
qint64 Utilities::getWeekOfYearForDate(const Date& date) { return fieldOf(date, &DateFields::weekOfYear); }

bool Utilities::isWeekend(const Date& date)
{
    const qint64 weekday = getWeekday(date);
    return weekday == 7 || weekday == 1;
}

Date Utilities::getCompleteDate()
{
    return Clock::now();
}

// ---- Rebuilding from fields ---------------------------------------------------

Date Utilities::today(const Date& date)
{
    return onDayAt(date, 0, 0, 0);
}

Date Utilities::newDateOnDate(const Date& date, qint64 hour, qint64 min)
{
    return onDayAt(date, hour, min, 0);
}

Date Utilities::newDateOnDate(const Date& date, const Date& fromDate)
{
    if (fromDate.isNull()) return fromDate;
    const DateFields time = fieldsOf(fromDate);
    return onDayAt(date, time.hour, time.minute, 0);
}

Date Utilities::resetTimeForDate(const Date& date, qint64 hour, qint64 minute, qint64 sencond)
{
    return onDayAt(date, hour, minute, sencond);
}

Date Utilities::resetTime4Date(const Date& date, qint64 hour, qint64 minute, qint64 second)
{
    return onDayAt(date, hour, minute, second);
}

Date Utilities::resetDate(const Date& date, qint64 year, qint64 month, qint64 day,
                          qint64 hour, qint64 minute, qint64 sencond)
{
    if (date.isNull()) return date;
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, sencond);
}

Date Utilities::resetSecondToZeroForDate(const Date& date)
{
    if (date.isNull()) return date;
    const DateFields f = fieldsOf(date);
    return atTime(f, f.hour, f.minute, 0);
}

// ---- Arithmetic ---------------------------------------------------------------

Date Utilities::newDateFromDate(const Date& date, double offset)
{
    if (date.isNull() || !std::isfinite(offset)) return {};
    // Truncating division gives every part the sign of the offset, and the
    // calendar carries negative fields into the ones above. An offset longer
    // than the whole calendar lands outside it however it is cut, so it is cut
    // to that length before it becomes an integer.
    const auto n = static_cast<qint64>(std::clamp(offset, -calendarSpan, calendarSpan));
    const qint64 days = n / 86400;
    const qint64 hours = n % 86400 / 3600;
    const qint64 minutes = n % 3600 / 60;
    const qint64 seconds = n % 60;
    const DateFields f = fieldsOf(date);
    return GregorianCalendar::dateFromFields(f.year, f.month, f.day + days, f.hour + hours,
                                             f.minute + minutes, f.second + seconds);
}

Date Utilities::newDateFromDateWithNoSecond(const Date& date, double offset)
{
    return resetSecondToZeroForDate(newDateFromDate(date, offset));
}

Date Utilities::dateByAddTimeInterval(double interval, const Date& date)
{
    return date.dateByAddingTimeInterval(interval);
}

Date Utilities::dateByAddNumMonth(qint64 months, const Date& date)
{
    if (date.isNull()) return date;
    const DateFields f = fieldsOf(date);
    const int steps = static_cast<int>(std::clamp(months, -calendarMonths, calendarMonths));
    const QDate target = QDate(f.year, f.month, f.day).addMonths(steps);
    return withFractionOf(date, GregorianCalendar::dateFromFields(target.year(), target.month(), target.day(),
                                                                  f.hour, f.minute, f.second));
}

Date Utilities::dateWithNewMonthOffset(const Date& date, qint64 monthOffset)
{
    if (date.isNull()) return date;
    const DateFields f = fieldsOf(date);
    // Any offset longer than the calendar leaves it; clamped, the sum cannot overflow.
    const qint64 offset = std::clamp(monthOffset, -calendarMonths, calendarMonths);
    return GregorianCalendar::dateFromFields(f.year, f.month + offset, 1, f.hour, f.minute, f.second);
}

Date Utilities::dateWithNewYearOffset(const Date& date, qint64 yearOffset)
{
    if (date.isNull()) return date;
    const DateFields f = fieldsOf(date);
    const qint64 offset = std::clamp(yearOffset, -calendarMonths / 12, calendarMonths / 12);
    return GregorianCalendar::dateFromFields(f.year + offset, 1, 1, f.hour, f.minute, f.second);
}

// ---- Quarter hours --------------------------------------------------------------

Date Utilities::roundTo15MinutesForCurrentDate()
{
    const DateFields now = fieldsOf(Clock::now());
    return quarterHourUp(now, now);
}

Date Utilities::roundTo15MinutesForDate(const Date& date, bool bTzSupport)
{
    if (date.isNull()) return date;
    const DateFields day = fieldsOf(date);
    return quarterHourUp(day, bTzSupport ? day : fieldsOf(Clock::now()));
}

Date Utilities::roundTo15MinutesOnDay(const Date& day, const Date& time)
{
    if (day.isNull() || time.isNull()) return day;
    return quarterHourUp(fieldsOf(day), fieldsOf(time));
}

Date Utilities::roundDown15MinutesForDate(const Date& date)
{
    if (date.isNull()) return date;
    const DateFields f = fieldsOf(date);
    return atTime(f, f.hour, f.minute / 15 * 15, 0);
}

// ---- Comparisons -----------------------------------------------------------------

int Utilities::compareDateNoTime(const Date& first, const Date& second)
{
    return compareDates(first, second, allFields.first(3));
}

int Utilities::compareDateNoSecond(const Date& first, const Date& second)
{
    return compareDates(first, second, allFields.first(5));
}

int Utilities::compareDate(const Date& first, const Date& second)
{
    return compareDates(first, second, allFields);
}

int Utilities::compareTimeNoDate(const Date& date, qint64 hour, qint64 minute, qint64 second)
{
    if (date.isNull()) return -1;
    DateFields given;
    given.hour = static_cast<int>(hour);
    given.minute = static_cast<int>(minute);
    given.second = static_cast<int>(second);
    return compareFields(fieldsOf(date), given, allFields.last(3));
}

Date Utilities::compareTime(const Date& date, qint64 hour, qint64 minute)
{
    const Date moved = newDateFromDate(date, -GregorianCalendar::secondsFromGMT());
    return getHour(moved) == hour && getMinute(moved) == minute ? moved : date;
}

qint64 Utilities::daysBetweenTwoDates(const Date& first, const Date& second)
{
    if (first.isNull() || second.isNull()) return 0;
    const DateFields a = fieldsOf(first);
    const DateFields b = fieldsOf(second);
    return QDate(a.year, a.month, a.day).daysTo(QDate(b.year, b.month, b.day)) + 1;
}

// ---- Time zones of the zone table ---------------------------------------------------

void Utilities::setTimeZoneNameResolver(std::function<QString(qint64)> resolver)
{
    std::lock_guard lock(resolverMutex);
    timeZoneNameResolver = std::move(resolver);
}

qint64 Utilities::convertTimezoneToOffset(qint64 tzId)
{
    // "Floating" and names without zone rules have no zone, hence offset 0.
    const QTimeZone zone = GregorianCalendar::zoneNamed(timeZoneName(tzId));
    if (!zone.isValid()) return 0;
    const qint64 now = Clock::now().wholeSecondsSince1970();
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(now, QTimeZone::utc()));
}

Date Utilities::getCurrentDate(bool isEnableTimeZone, qint64 oldTZ, qint64 newTZ)
{
    return shiftedBetweenZones(Clock::now(), isEnableTimeZone, oldTZ, newTZ);
}

Date Utilities::getDate(const Date& date, bool isEnableTimeZone, qint64 oldTZ, qint64 newTZ)
{
    return shiftedBetweenZones(date, isEnableTimeZone, oldTZ, newTZ);
}

double Utilities::getCurrentHour(bool isEnableTimeZone, qint64 oldTZ, qint64 newTZ, const Date&)
{
    const DateFields f = fieldsOf(getCurrentDate(isEnableTimeZone, oldTZ, newTZ));
    return f.hour + f.minute / 60.0;
}

// ---- Locale and texts ----------------------------------------------------------------

bool Utilities::check24HourFormat()
{
    return localeUses24HourClock();
}

Date Utilities::dateFromString(const QString& text)
{
    // Days that carry the last day of 9999 into the next year leave the
    // calendar too.
    return Date::dateFromOutside(dateOfText(text), "a calendar text");
}
