#pragma once

#include "Date.h"

// How a repetition ends: on a date, or after a number of occurrences.
class CalRecurrenceEnd {
public:
    static CalRecurrenceEnd recurrenceEndWithEndDate(const Date& endDate)
    {
        CalRecurrenceEnd end;
        end.m_endDate = endDate;
        return end;
    }
    static CalRecurrenceEnd recurrenceEndWithOccurrenceCount(int count)
    {
        CalRecurrenceEnd end;
        end.m_occurrenceCount = count;
        return end;
    }

    // Null when the end is a count.
    const Date& endDate() const { return m_endDate; }
    // 0 when the end is a date.
    int occurrenceCount() const { return m_occurrenceCount; }
    bool usesEndDate() const { return m_endDate.isValid(); }

    bool operator==(const CalRecurrenceEnd&) const = default;

private:
    Date m_endDate;
    int m_occurrenceCount = 0;
};
