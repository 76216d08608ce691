#include "CalRecurrenceRule.h"

#include <algorithm>

// An interval below 1 would never advance; the store writes 1 instead.
CalRecurrenceRule CalRecurrenceRule::make(Type type, int interval, const std::optional<CalRecurrenceEnd>& end)
{
    CalRecurrenceRule rule;
    rule.m_type = type;
    rule.m_interval = std::max(1, interval);
    rule.m_end = end;
    return rule;
}

CalRecurrenceRule CalRecurrenceRule::initDailyRecurrenceWithInterval(int interval,
                                                                     const std::optional<CalRecurrenceEnd>& end)
{
    CalRecurrenceRule rule = make(Daily, interval, end);
    return rule;
}

CalRecurrenceRule CalRecurrenceRule::initWeeklyRecurrenceWithInterval(int interval, const QList<int>& daysOfTheWeek,
                                                                      const std::optional<CalRecurrenceEnd>& end)
{
    CalRecurrenceRule rule = make(Weekly, interval, end);
    for (int day : daysOfTheWeek)
        if (day >= 1 && day <= 7) rule.m_daysOfTheWeek << day;
    return rule;
}

CalRecurrenceRule CalRecurrenceRule::initMonthlyRecurrenceWithInterval(int interval, int dayOfTheWeek,
                                                                       int weekOfTheMonth,
                                                                       const std::optional<CalRecurrenceEnd>& end)
{
    CalRecurrenceRule rule = make(Monthly, interval, end);
    if (dayOfTheWeek >= 1 && dayOfTheWeek <= 7 && weekOfTheMonth != 0 && weekOfTheMonth >= -5 && weekOfTheMonth <= 5)
        rule.m_nthWeekDays << CalNthWeekDay{dayOfTheWeek, weekOfTheMonth};
    return rule;
}

CalRecurrenceRule CalRecurrenceRule::initMonthlyRecurrenceWithInterval(int interval, const QList<int>& daysOfTheMonth,
                                                                       const std::optional<CalRecurrenceEnd>& end)
{
    CalRecurrenceRule rule = make(Monthly, interval, end);
    for (int day : daysOfTheMonth)
        if (day != 0 && day >= -31 && day <= 31) rule.m_daysOfTheMonth << day;
    return rule;
}

CalRecurrenceRule CalRecurrenceRule::initYearlyRecurrenceWithInterval(int interval, const QList<int>& monthsOfTheYear,
                                                                      const std::optional<CalRecurrenceEnd>& end)
{
    CalRecurrenceRule rule = make(Yearly, interval, end);
    for (int month : monthsOfTheYear)
        if (month >= 1 && month <= 12) rule.m_monthsOfTheYear << month;
    return rule;
}

CalRecurrenceRule CalRecurrenceRule::initOtherRecurrenceWithInterval(int interval,
                                                                     const std::optional<CalRecurrenceEnd>& end, Type frequency)
{
    CalRecurrenceRule rule = make(Other, interval, end);
    rule.m_frequency = frequency;
    return rule;
}
