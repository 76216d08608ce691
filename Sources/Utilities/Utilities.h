#pragma once

#include "AlertObj.h"
#include "ColorObject.h"
#include "Date.h"
#include "GregorianCalendar.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <iterator>

// Reads stored-form dates back with the offsets in force at one instant,
// looked up once: loading the items converts dates by the hundred thousand,
// and each Utilities::fromDBDate() would read the clock and the zone again.
// A reader gives exactly what fromDBDate() gives at its instant.
class StoredDateReader {
public:
    explicit StoredDateReader(const Date& now);
    Date fromDBDate(const Date& date) const;
    // Seconds as a date column holds them; a number outside the calendar
    // (NaN, 1e300) gives the null date, with a log line.
    Date fromDBSeconds(double seconds) const;

private:
    int m_secondsFromGMTNow;
    int m_daylightSavingNow;
    // The spans of the last offsets looked up: the dates of one load fall
    // into a few spans (this year's summer and winter, the zero date's).
    // Like the offsets now, they keep the zone of the reader's start for all
    // its dates; one reader serves one thread.
    mutable std::array<GregorianCalendar::DaylightSavingSpan, 4> m_spans{};
    mutable size_t m_nextSpan = 0;
};

// Class-level helpers shared by the records, the data manager and the views.
// They hold no state of their own; each theme below lives in its own
// Utilities_<Theme>.cpp.
class Utilities {
public:
    // ---- Dates ---------------------------------------------------------------
    // Calendar work is Gregorian in the system zone. Unless said otherwise a
    // nil date in gives a nil date out.

    // Stored form: seconds since 1970 of the local wall-clock reading, so the
    // number read as UTC shows the local time (09:00 local is stored as 09:00 UTC).
    static Date toDBDate(const Date& date);
    static Date fromDBDate(const Date& date);

    // Calendar fields; -1 for nil. Weekday runs 1 = Sunday .. 7 = Saturday.
    static qint64 getSecond(const Date& date);
    static qint64 getMinute(const Date& date);
    static qint64 getHour(const Date& date);
    static qint64 getDay(const Date& date);
    static qint64 getMonth(const Date& date);
    static qint64 getYear(const Date& date);
    static qint64 getWeekday(const Date& date);
    static qint64 getWeekdayOrdinal(const Date& date);
    static qint64 getWeekOfYearForDate(const Date& date);
    static bool isWeekend(const Date& date);

    static Date getCompleteDate();  // now

    // Rebuilding a date from its fields drops the fraction of a second, and
    // out-of-range fields carry into the next one (month 13, minute -90).
    static Date today(const Date& date);
    static Date newDateOnDate(const Date& date, qint64 hour, qint64 min);
    static Date newDateOnDate(const Date& date, const Date& fromDate);
    static Date resetTimeForDate(const Date& date, qint64 hour, qint64 minute, qint64 sencond);
    static Date resetTime4Date(const Date& date, qint64 hour, qint64 minute, qint64 second);
    static Date resetDate(const Date& date, qint64 year, qint64 month, qint64 day,
                          qint64 hour, qint64 minute, qint64 sencond);
    static Date resetSecondToZeroForDate(const Date& date);

    // Wall-clock sums: the offset is added as days, hours, minutes and seconds
    // on the clock, so 86400 keeps the clock time across a daylight-saving change.
    static Date newDateFromDate(const Date& date, double offset);
    static Date newDateFromDateWithNoSecond(const Date& date, double offset);
    // Plain elapsed time, no calendar.
    static Date dateByAddTimeInterval(double interval, const Date& date);
    // Calendar months; a day past the end of the target month is clamped to it.
    static Date dateByAddNumMonth(qint64 months, const Date& date);
    static Date dateWithNewMonthOffset(const Date& date, qint64 monthOffset);
    static Date dateWithNewYearOffset(const Date& date, qint64 yearOffset);

    // Quarter hours: rounding up ignores the seconds (10:00:40 gives 10:00).
    static Date roundTo15MinutesForCurrentDate();
    static Date roundTo15MinutesForDate(const Date& date, bool bTzSupport);
    // The clock time of `time` rounded up to the quarter hour, put on `day`:
    // a rounding past midnight carries the day too (23:50 gives 00:00 of the
    // day after `day`).
    static Date roundTo15MinutesOnDay(const Date& day, const Date& time);
    static Date roundDown15MinutesForDate(const Date& date);

    // -1, 0 or 1 at the grain named; a nil date counts as the earliest.
    static int compareDateNoTime(const Date& first, const Date& second);
    static int compareDateNoSecond(const Date& first, const Date& second);
    static int compareDate(const Date& first, const Date& second);
    static int compareTimeNoDate(const Date& date, qint64 hour, qint64 minute, qint64 second);
    // The date moved back by the zone's current offset when that lands on
    // hour:minute, else the date itself: recognises dates handed over at a UTC time.
    static Date compareTime(const Date& date, qint64 hour, qint64 minute);

    // Calendar days from the first day to the second, plus one (same day 1);
    // 0 when either date is nil.
    static qint64 daysBetweenTwoDates(const Date& first, const Date& second);

    // Time zones of the zone table, by id. The table's names come from the data
    // manager, which installs the resolver at start-up; until then every id
    // counts as offset 0.
    static void setTimeZoneNameResolver(std::function<QString(qint64)> resolver);
    static qint64 convertTimezoneToOffset(qint64 tzId);
    static Date getCurrentDate(bool isEnableTimeZone, qint64 oldTZ, qint64 newTZ);
    static Date getDate(const Date& date, bool isEnableTimeZone, qint64 oldTZ, qint64 newTZ);
    // Hour plus minute / 60 of now, shifted the same way; newDate is not read.
    static double getCurrentHour(bool isEnableTimeZone, qint64 oldTZ, qint64 newTZ, const Date& newDate);

    static bool check24HourFormat();

    // Date texts of calendar files: "...;TZID=<zone>:YYYYMMDDTHHMMSS",
    // "...DATE:YYYYMMDD", "YYYYMMDDTHHMMSSZ" (UTC) and "YYYYMMDDTHHMMSS" (local).
    // Anything else, or a text too short for its form, gives nil.
    static Date dateFromString(const QString& text);

    // ---- Text codecs -----------------------------------------------------------
    // The alert-list text: each alert led by "/", its type, value and sound
    // name joined by "|". Relative alerts (and any type other than 0 and 2)
    // write their offset in seconds; absolute ones (0, 2) the stored form of
    // their date in whole seconds. "" for an empty list.
    static QString updateAlertList(const QList<std::shared_ptr<AlertObj>>& list);

    // A new alert read from the piece at index of an alert-list text already
    // split at "/". An index outside the list gives a fresh alert. Missing
    // fields read as empty and text that is not a number as 0; an absolute
    // date outside the calendar (NaN, 1e300) reads as no date.
    static std::shared_ptr<AlertObj> getAlertFromList(const QStringList& list, qsizetype index);

    // Whether any of the names occurs in the tag-list text, ignoring case. A
    // name that is part of a longer tag matches too ("work" in "/homework").
    static bool isTagList(const QString& tagList, const QStringList& names);

    // 32 lower-case hex digits of the MD5 of the text's UTF-8 bytes up to the
    // first NUL. Web signatures and file keys are built from it.
    static QString md5(const QString& string);

    // Whether the whole text is one plausible e-mail address; the top-level
    // domain needs two or more letters.
    static bool isEmailValid(const QString& text);

    // ---- Display texts -----------------------------------------------------------
    // Every word comes from the text table. A nil date gives "" for a name and
    // a null text for the date and time texts.

    // Whether times read on a 24-hour clock. The application sets it once at
    // start from check24HourFormat(); until then the 12-hour form is used.
    static bool use24HourClock();
    static void setUse24HourClock(bool use24Hour);

    static QString getWeekDayName(const Date& date);    // "Sun" .. "Sat"
    static QString getMonthName(const Date& date);      // "Jan" .. "Dec"
    static QString getMonthFullName(const Date& date);  // "January" .. "December"
    static QString getAMPM(const Date& date);           // "AM" before noon, "PM" from noon
    static qint64 getHourWithAMPM(const Date& date);    // 12, 1 .. 11; -1 for nil

    // "Sat Jan 05, 2013", with the time "... 2013 14:07" or "... 2013 02:07PM".
    static QString getStringFromDate(const Date& date, bool isIncludedTime);
    // The same without the weekday, so it starts with a blank: " Jan 05, 2013".
    static QString getStringNoWeekDayFromDate(const Date& date, bool isIncludedTime);
    static QString getShortDateStringFromDate(const Date& date);      // "2013-01-05": sorts by date
    static QString getShortDateTimeStringFromDate(const Date& date);  // "2013-01-05 14:07:00"
    // The locale's medium date and short time: "Jan 5, 2013 2:07 PM" in the United States.
    static QString getFormattedDateStringFromDate(const Date& date);
    static QString getShortDateStringWithMonthDay(const Date& date);  // "Jan 05, 2013"
    static QString getMonthDateString(const Date& date);              // "Jan 05"
    // "14:07 " (the blank stays) or "02:07 PM".
    static QString getTimeStringAMPMFromDate(const Date& date);

    // Minutes as days, hours and minutes, the parts that are not 0 joined by
    // ", ": 1445 gives "1 day, 5 mins". "" for 0 or less.
    static QString getDurationString(qint64 minutes);
    // Repeat types 1 to 4: "Daily", "Weekly", "Monthly", "Yearly"; "" for any other.
    static QString getRepeatString(qint64 repeatType);
    // The same for a rule of that kind every `interval` units: past 1 the
    // count is named ("Every 2 weeks").
    static QString getRepeatString(qint64 repeatType, qint64 interval);
    // The due note of a task: due state 2 "Overdue", 4 (no due date) "".
    // Otherwise n whole days (truncated toward zero) from now to the due date:
    // "Due today" for 0, else "Due in n days", or "n" and the due word for the
    // language code "ja". A nil due date has no note ("").
    static QString getDueString(qint64 dueState, const Date& dueDate, const QString& slang);

    // The first and last day of the week holding the date: Sunday to Saturday
    // when withStart is 0, else the day after that Sunday to the Sunday after
    // it, so a Sunday gives the week that starts the next day (callers that
    // want the week a Sunday ends pass the day before). Whole 86400-second
    // steps from the date, so the clock time shifts by an hour across a
    // daylight-saving change. Both nil for a nil date.
    struct DateRange {
        Date from;
        Date to;
    };
    static DateRange getDateRangeOfWeekFromDate(const Date& date, qint64 withStart);

    // The text before the first "@"; the whole text without one; null for null.
    static QString getAccountNameInEmail(const QString& email);

    // ---- Time-zone table -------------------------------------------------------
    // The city of a zone identifier or display name, blanks for underscores:
    // "America/Argentina/Buenos_Aires" gives "Buenos Aires".
    static QString getCityNameFromTimezoneString(const QString& zone);

    // ---- Colour palette --------------------------------------------------------
    // A category names its colour by a group (0-3) and a colour in the group
    // (0-7); group x 8 + colour is its palette position (0-31). Each colour
    // has three shades, 0 (darkest) to 2 (lightest).
    // A colour id or shade outside the tables is clamped to them (9 reads as
    // 7, -1 as 0), so stored data the tables do not know still draws. A group
    // outside 0-3 has no colour: colorInGroup gives an empty object and
    // getColorInGroupID an invalid QColor. An item whose category is missing
    // is drawn in the first palette colour: callers pass group 0, colour 0.

    // The nine components (0..1) of the three shades of a palette colour.
    static ColorObject colorInGroup(qint64 group, qint64 colorID);
    // One shade as an opaque colour.
    static QColor getColorInGroupID(qint64 group, qint64 colorID, qint64 pos);
    // The colour's integer in the web service's category records (0xRRGGBB).
    // These are a table of their own, not a shade: seven of them match none.
    // A group outside 0-3 is clamped like a colour id.
    static qint64 getHexColor(qint64 group, qint64 name);
    // The group and colour of the first palette colour whose web integer is
    // intValueColor; 0 and 0 when none has it.
    static void getGroup(qint64& group, qint64& name, qint64 intValueColor);
    // The palette position of the reference colour nearest in hue,
    // saturation and brightness; on a tie the lower position. The alpha is
    // ignored; an invalid colour gives position 0 (logged).
    static qint64 getClosestColorPosWithColor(const QColor& color);
    // The colour a palette colour is written as where only a colour is kept
    // (a calendar store's calendar): the rule above reads it back as the
    // same palette colour. A group outside 0-3 is clamped like a colour id.
    static QColor getReferenceColor(qint64 group, qint64 name);

    // ---- Lists ---------------------------------------------------------------

    // Sorts the list in place by the key that keyOf gives for each item (a
    // callable or a member pointer, also through pointers to the items). Items
    // with equal keys keep their order; an empty list is left alone.
    template <typename List, typename KeyOf>
    static void sortList(List& list, KeyOf keyOf, bool isAscending = true)
    {
        if (std::empty(list)) return;
        std::stable_sort(std::begin(list), std::end(list), [&](const auto& a, const auto& b) {
            const auto keyA = std::invoke(keyOf, a);
            const auto keyB = std::invoke(keyOf, b);
            return isAscending ? keyA < keyB : keyB < keyA;
        });
    }
};
