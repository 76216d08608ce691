#pragma once

#include "Date.h"
#include "GregorianCalendar.h"

#include <QFlags>

// Operations on a single date in the user's calendar (Gregorian, weeks from
// Sunday, system zone). A nil date answers 0 for a field and nil for a date.
namespace DateExtensions {

enum class DateUnit {
    Year = 0x1,
    Month = 0x2,
    Day = 0x4,
    Hour = 0x8,
    Minute = 0x10,
    Second = 0x20,
    Weekday = 0x40,
    WeekOfMonth = 0x80,
    WeekOfYear = 0x100,  // also "the week" wherever a component set names one
    YearForWeekOfYear = 0x200,
};
Q_DECLARE_FLAGS(DateUnits, DateUnit)

// ---- Components: the fields of the unit set; fields outside it stay 0 ----
DateFields dateComponents(const Date& date, DateUnits units);
DateFields dateComponentsDate(const Date& date);      // year, month, day
DateFields dateComponentsTime(const Date& date);      // hour, minute, second
DateFields dateComponentsDateTime(const Date& date);  // year .. second
// year, week of year, weekday, week of month, year for week of year
DateFields dateComponentsWeek(const Date& date);
DateFields dateComponentsWeekday(const Date& date);   // year, month, day, week of year, weekday
// year, hour, minute, second, weekday, week of month, week of year, year for week of year
DateFields dateComponentsWeekTime(const Date& date);

// ---- Fields ----
int year(const Date& date);
int month(const Date& date);   // 1-12
int day(const Date& date);     // day of the month
int hour(const Date& date);    // 0-23
int minute(const Date& date);
int second(const Date& date);
int weekday(const Date& date);  // 1 = Sunday .. 7 = Saturday
int weekOfMonth(const Date& date);
int weekOfYear(const Date& date);

// ---- Arithmetic and shifts ----
// Calendar days: the clock time stays across daylight-saving changes.
Date dateByAddingDays(const Date& date, qint64 days);
// A UTC wall time read as the same wall time here: adds the local offset in
// force at the date itself, daylight saving included.
Date toLocalTime(const Date& date);

}  // namespace DateExtensions

Q_DECLARE_OPERATORS_FOR_FLAGS(DateExtensions::DateUnits)
