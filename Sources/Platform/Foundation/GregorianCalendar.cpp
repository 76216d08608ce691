#include "GregorianCalendar.h"

#include "Clock.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTime>

namespace {

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// The invalid zone (what zoneNamed gives for "Floating") counts as offset 0,
// as floating times do; Qt would give an invalid date-time instead.
QTimeZone usableZone(const QTimeZone& zone)
{
    return zone.isValid() ? zone : QTimeZone::utc();
}

QDateTime toQDateTime(const Date& date, const QTimeZone& zone)
{
    const qint64 secs = static_cast<qint64>(std::floor(date.timeIntervalSince1970()));
    return QDateTime::fromSecsSinceEpoch(secs, usableZone(zone));
}

// A wall-clock time that the zone skips (the hour lost when daylight saving
// starts) moves forward by the length of the gap: 02:30 becomes 03:30. Qt
// calls such a time invalid, so the zone's offset of the day before (always
// before the change) is applied instead.
qint64 secondsSince1970(const QDate& day, const QTime& time, const QTimeZone& zone)
{
    const QDateTime local(day, time, zone);
    if (local.isValid()) return local.toSecsSinceEpoch();
    const QDateTime wallClockAsUtc(day, time, QTimeZone::utc());
    return wallClockAsUtc.toSecsSinceEpoch() - zone.offsetFromUtc(wallClockAsUtc.addDays(-1));
}

bool isZoneInfoFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == "TZif";
}

QDateTime nowInSystemZone()
{
    return toQDateTime(Clock::now(), GregorianCalendar::systemZone());
}

}  // namespace

QTimeZone GregorianCalendar::systemZone()
{
    return QTimeZone::systemTimeZone();
}

QTimeZone GregorianCalendar::utcZone()
{
    return QTimeZone::utc();
}

int GregorianCalendar::daysInMonth(int year, int month)
{
    return QDate(year, month, 1).daysInMonth();
}

DateFields GregorianCalendar::fields(const Date& date, const QTimeZone& zone)
{
    DateFields f;
    const QDateTime dt = toQDateTime(date, zone);
    const QDate d = dt.date();
    const QTime t = dt.time();
    f.year = d.year();
    f.month = d.month();
    f.day = d.day();
    f.hour = t.hour();
    f.minute = t.minute();
    f.second = t.second();
    f.weekday = d.dayOfWeek() % 7 + 1;  // Qt: 1 = Monday .. 7 = Sunday
    f.weekdayOrdinal = (f.day - 1) / 7 + 1;

    const int firstOfMonthWeekday = QDate(f.year, f.month, 1).dayOfWeek() % 7 + 1;
    f.weekOfMonth = (f.day - 1 + firstOfMonthWeekday - 1) / 7 + 1;

    const int jan1Weekday = QDate(f.year, 1, 1).dayOfWeek() % 7 + 1;
    f.weekOfYear = (d.dayOfYear() - 1 + jan1Weekday - 1) / 7 + 1;
    f.yearForWeekOfYear = f.year;
    // The last days of December share their week with 1 January of the next year.
    if (f.month == 12 && f.day + (7 - f.weekday) > 31) {
        f.weekOfYear = 1;
        f.yearForWeekOfYear = f.year + 1;
    }
    return f;
}

Date GregorianCalendar::dateFromFields(qint64 year, qint64 month, qint64 day,
                                       qint64 hour, qint64 minute, qint64 second,
                                       const QTimeZone& zone)
{
    // Carry the time of day into whole days first, then months into years.
    const qint64 timeOfDay = hour * 3600 + minute * 60 + second;
    const qint64 extraDays = floorDiv(timeOfDay, 86400);
    const qint64 secondsInDay = timeOfDay - extraDays * 86400;

    const qint64 monthIndex = month - 1;
    const qint64 carriedYear = year + floorDiv(monthIndex, 12);
    const int carriedMonth = static_cast<int>(monthIndex - floorDiv(monthIndex, 12) * 12) + 1;

    const QDate first(static_cast<int>(carriedYear), carriedMonth, 1);
    const QDate d = first.addDays(day - 1 + extraDays);
    const QTime t = QTime(0, 0).addSecs(static_cast<int>(secondsInDay));
    return Date::dateWithTimeIntervalSince1970(static_cast<double>(secondsSince1970(d, t, usableZone(zone))));
}

int GregorianCalendar::secondsFromGMT()
{
    return systemZone().offsetFromUtc(nowInSystemZone());
}

int GregorianCalendar::secondsFromGMTForDate(const Date& date)
{
    return systemZone().offsetFromUtc(toQDateTime(date, systemZone()));
}

int GregorianCalendar::daylightSavingTimeOffset()
{
    return systemZone().daylightTimeOffset(nowInSystemZone());
}

int GregorianCalendar::daylightSavingTimeOffsetForDate(const Date& date)
{
    return systemZone().daylightTimeOffset(toQDateTime(date, systemZone()));
}

bool GregorianCalendar::isZoneKnown(const QString& name)
{
    if (name == QLatin1String("Floating")) return true;
    if (name.isEmpty() || name.contains(QLatin1String("..")) || name.startsWith(QLatin1Char('/')))
        return false;
    static const char* const roots[] = {"/usr/share/zoneinfo/", "/usr/lib/zoneinfo/", "/usr/share/lib/zoneinfo/"};
    for (const char* root : roots) {
        // The zoneinfo folders also hold tables and lists that are no zones.
        if (isZoneInfoFile(QString::fromLatin1(root) + name)) return true;
    }
    return false;
}

QTimeZone GregorianCalendar::zoneNamed(const QString& name)
{
    if (name == QLatin1String("Floating") || !isZoneKnown(name)) return QTimeZone();
    return QTimeZone(name.toUtf8());
}

bool localeUses24HourClock()
{
    const QLocale locale = QLocale::system();
    const QString text = locale.toString(QTime(15, 0), QLocale::ShortFormat);
    return !text.contains(locale.amText()) && !text.contains(locale.pmText());
}
