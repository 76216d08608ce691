#pragma once

#include "CalRecurrenceEnd.h"

#include <QList>

#include <optional>

// A weekday of a given week of the month: weekday 1 (Sunday) to 7
// (Saturday), week 1 to 4, or -1 for the last.
struct CalNthWeekDay {
    int dayOfTheWeek = 0;
    int weekNumber = 0;
    bool operator==(const CalNthWeekDay&) const = default;
};

// The repetition of an event. The store reads and writes the four kinds the
// organizer knows; a rule of another frequency written by another program
// reads as type Other and keeps its text in the file.
class CalRecurrenceRule {
public:
    enum Type { Daily = 0, Weekly = 1, Monthly = 2, Yearly = 3, Other = 4 };

    static CalRecurrenceRule initDailyRecurrenceWithInterval(int interval, const std::optional<CalRecurrenceEnd>& end);
    // Weekdays 1 (Sunday) to 7 (Saturday); empty means the start's weekday.
    static CalRecurrenceRule initWeeklyRecurrenceWithInterval(int interval, const QList<int>& daysOfTheWeek,
                                                              const std::optional<CalRecurrenceEnd>& end);
    static CalRecurrenceRule initMonthlyRecurrenceWithInterval(int interval, int dayOfTheWeek, int weekOfTheMonth,
                                                               const std::optional<CalRecurrenceEnd>& end);
    static CalRecurrenceRule initMonthlyRecurrenceWithInterval(int interval, const QList<int>& daysOfTheMonth,
                                                               const std::optional<CalRecurrenceEnd>& end);
    static CalRecurrenceRule initYearlyRecurrenceWithInterval(int interval, const QList<int>& monthsOfTheYear,
                                                              const std::optional<CalRecurrenceEnd>& end);
    // A rule the organizer cannot hold, as other programs write them: of a
    // frequency it does not map (hourly, say; `frequency` Other), or of one
    // of its four with parts its own rules have not (the second Sunday of
    // May, the last day of the month, weeks that begin on Monday). The
    // store expands it from the file.
    static CalRecurrenceRule initOtherRecurrenceWithInterval(int interval, const std::optional<CalRecurrenceEnd>& end,
                                                             Type frequency = Other);

    int recurrenceType() const { return m_type; }
    int recurrenceInterval() const { return m_interval; }
    const QList<int>& daysOfTheWeek() const { return m_daysOfTheWeek; }
    const QList<int>& daysOfTheMonth() const { return m_daysOfTheMonth; }
    const QList<CalNthWeekDay>& nthWeekDaysOfTheMonth() const { return m_nthWeekDays; }
    const QList<int>& monthsOfTheYear() const { return m_monthsOfTheYear; }
    const std::optional<CalRecurrenceEnd>& recurrenceEnd() const { return m_end; }
    // For a rule of type Other, the file's frequency when it is one of the four.
    Type otherFrequency() const { return m_frequency; }

    bool operator==(const CalRecurrenceRule&) const = default;

private:
    static CalRecurrenceRule make(Type type, int interval, const std::optional<CalRecurrenceEnd>& end);

    int m_type = Daily;
    int m_interval = 1;
    QList<int> m_daysOfTheWeek;
    QList<int> m_daysOfTheMonth;
    QList<CalNthWeekDay> m_nthWeekDays;
    QList<int> m_monthsOfTheYear;
    std::optional<CalRecurrenceEnd> m_end;
    Type m_frequency = Other;
};
