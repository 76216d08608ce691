#include "DateExtensions.h"

#include <cmath>
#include <utility>

namespace DateExtensions {

namespace {

constexpr std::pair<DateUnit, int DateFields::*> unitFields[] = {
    {DateUnit::Year, &DateFields::year},
    {DateUnit::Month, &DateFields::month},
    {DateUnit::Day, &DateFields::day},
    {DateUnit::Hour, &DateFields::hour},
    {DateUnit::Minute, &DateFields::minute},
    {DateUnit::Second, &DateFields::second},
    {DateUnit::Weekday, &DateFields::weekday},
    {DateUnit::WeekOfMonth, &DateFields::weekOfMonth},
    {DateUnit::WeekOfYear, &DateFields::weekOfYear},
    {DateUnit::YearForWeekOfYear, &DateFields::yearForWeekOfYear},
};

constexpr DateUnits dateUnits = DateUnit::Year | DateUnit::Month | DateUnit::Day;
constexpr DateUnits timeUnits = DateUnit::Hour | DateUnit::Minute | DateUnit::Second;
constexpr DateUnits weekUnits = DateUnit::Year | DateUnit::Weekday | DateUnit::WeekOfMonth
                                | DateUnit::WeekOfYear | DateUnit::YearForWeekOfYear;

}  // namespace

DateFields dateComponents(const Date& date, DateUnits units)
{
    DateFields picked;
    if (date.isNull()) return picked;
    const DateFields all = GregorianCalendar::fields(date);
    for (const auto& [unit, field] : unitFields) {
        if (units.testFlag(unit)) picked.*field = all.*field;
    }
    return picked;
}

DateFields dateComponentsDate(const Date& date) { return dateComponents(date, dateUnits); }
DateFields dateComponentsTime(const Date& date) { return dateComponents(date, timeUnits); }
DateFields dateComponentsDateTime(const Date& date) { return dateComponents(date, dateUnits | timeUnits); }
DateFields dateComponentsWeek(const Date& date) { return dateComponents(date, weekUnits); }

DateFields dateComponentsWeekday(const Date& date)
{
    return dateComponents(date, dateUnits | DateUnit::WeekOfYear | DateUnit::Weekday);
}

DateFields dateComponentsWeekTime(const Date& date)
{
    return dateComponents(date, weekUnits | timeUnits);
}

int year(const Date& date) { return dateComponentsDate(date).year; }
int month(const Date& date) { return dateComponentsDate(date).month; }
int day(const Date& date) { return dateComponentsDate(date).day; }
int hour(const Date& date) { return dateComponentsTime(date).hour; }
int minute(const Date& date) { return dateComponentsTime(date).minute; }
int second(const Date& date) { return dateComponentsTime(date).second; }
int weekday(const Date& date) { return dateComponentsWeekday(date).weekday; }
int weekOfMonth(const Date& date) { return dateComponentsWeek(date).weekOfMonth; }
int weekOfYear(const Date& date) { return dateComponentsWeek(date).weekOfYear; }

Date dateByAddingDays(const Date& date, qint64 days)
{
    if (date.isNull()) return date;
    const DateFields f = GregorianCalendar::fields(date);
    const Date wholeSeconds = GregorianCalendar::dateFromFields(f.year, f.month, f.day + days,
                                                                f.hour, f.minute, f.second);
    // Rebuilding from fields drops the fraction of a second; adding days keeps it.
    const double seconds = date.timeIntervalSince1970();
    return wholeSeconds.dateByAddingTimeInterval(seconds - std::floor(seconds));
}

Date toLocalTime(const Date& date)
{
    return date.dateByAddingTimeInterval(GregorianCalendar::secondsFromGMTForDate(date));
}

}  // namespace DateExtensions
