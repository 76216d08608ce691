#pragma once

#include "Date.h"

// One changed occurrence read from an event file: the start it has now and
// the date it had in the unchanged series. Either may be null when the file
// gave none in a form the date reader takes.
class PairOfDate {
public:
    PairOfDate() = default;
    PairOfDate(const Date& startDate, const Date& occurrenceDate)
        : m_startDate(startDate), m_occurrenceDate(occurrenceDate) {}

    const Date& startDate() const { return m_startDate; }
    void setStartDate(const Date& date) { m_startDate = date; }
    const Date& occurrenceDate() const { return m_occurrenceDate; }
    void setOccurrenceDate(const Date& date) { m_occurrenceDate = date; }

private:
    Date m_startDate;
    Date m_occurrenceDate;
};
