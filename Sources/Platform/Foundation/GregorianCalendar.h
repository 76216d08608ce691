#pragma once

#include "Date.h"

#include <QString>
#include <QTimeZone>

// The calendar fields of one instant. Weekday runs 1 = Sunday .. 7 = Saturday;
// weeks start on Sunday and week 1 is the week that holds 1 January, as the
// desktop calendar of our users counts them.
struct DateFields {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0;
    int weekdayOrdinal = 0;   // 1 for the first such weekday of the month, 2 for the second ...
    int weekOfMonth = 0;
    int weekOfYear = 0;
    int yearForWeekOfYear = 0;
};

// Gregorian arithmetic in a time zone (the system zone unless told otherwise).
// Daylight saving always comes from the zone rules, never from our own sums.
class GregorianCalendar {
public:
    // The system zone is read once, as the platform reads it, and kept:
    // after changing TZ call resetSystemZone() to have it read again.
    static QTimeZone systemZone();
    static void resetSystemZone();
    static QTimeZone utcZone();

    // Without a zone: the system zone, by its cached offsets. A date beyond
    // the calendar (years 1 to 9999) gives the fields of its nearer end.
    static DateFields fields(const Date& date);
    static DateFields fields(const Date& date, const QTimeZone& zone);

    // Builds a date from six fields. Out-of-range values carry into the next
    // field: month 13 is January of the next year, day 0 the last day of the
    // month before, minute -90 an hour and a half back. The fraction of a second
    // is never kept. A wall-clock time the zone skips (spring forward) moves
    // forward by the gap. An invalid zone (as for "Floating") counts as UTC,
    // here and in fields(). Fields that land beyond the calendar (more than a
    // day or two outside years 1 to 9999) give the null date.
    static Date dateFromFields(qint64 year, qint64 month, qint64 day,
                               qint64 hour, qint64 minute, qint64 second);
    static Date dateFromFields(qint64 year, qint64 month, qint64 day,
                               qint64 hour, qint64 minute, qint64 second,
                               const QTimeZone& zone);

    // Wall-clock seconds since the local midnight of the date's day, and the
    // instant that many seconds after the local midnight of a date's day
    // (out-of-range seconds carry into other days), as fields() and
    // dateFromFields() would give them, without the other fields.
    static int secondsIntoDay(const Date& date);
    static Date dateOnDayOf(const Date& day, qint64 secondsIntoDay);

    // Dates hold wall times as the system zone's: a wall time of one zone as
    // the wall time of the other at the same instant, each zone with its
    // offset of that day, not of today.
    static Date wallTimeInZone(const Date& wall, const QTimeZone& from, const QTimeZone& to);

    // Offsets of the system zone, in seconds: in force now, and at a date.
    static int secondsFromGMT();
    static int secondsFromGMTForDate(const Date& date);
    static int daylightSavingTimeOffset();
    static int daylightSavingTimeOffsetForDate(const Date& date);
    // The same offset with the whole seconds [from, until) around the date
    // that share it: a reader of many dates asks only for one outside them.
    struct DaylightSavingSpan {
        qint64 from = 0;
        qint64 until = 0;
        int offset = 0;
    };
    static DaylightSavingSpan daylightSavingSpanForDate(const Date& date);

    // "Floating" and any name with a zoneinfo file. The platform accepts any
    // name (it falls back to a POSIX rule), so it cannot answer this itself.
    static bool isZoneKnown(const QString& name);
    static QTimeZone zoneNamed(const QString& name);  // invalid zone when unknown
    // Whether two names name one zone: an old name the zone database keeps
    // for the zone that took it over ("US/Eastern", "America/New_York").
    static bool namesOneZone(const QString& a, const QString& b);

    static int daysInMonth(int year, int month);
};

// Whether the user's locale writes times without an AM/PM marker.
bool localeUses24HourClock();
