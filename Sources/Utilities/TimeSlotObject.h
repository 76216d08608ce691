#pragma once

#include <QtGlobal>

// One free stretch of a day, in minutes after midnight (hour x 60 + minute).
// A plain value: a copy is independent of the slot it was made from.
class TimeSlotObject {
public:
    qint64 startTimeInMinutes() const { return m_startTimeInMinutes; }
    void setStartTimeInMinutes(qint64 minutes) { m_startTimeInMinutes = minutes; }

    qint64 endTimeInMinutes() const { return m_endTimeInMinutes; }
    void setEndTimeInMinutes(qint64 minutes) { m_endTimeInMinutes = minutes; }

private:
    qint64 m_startTimeInMinutes = 0;
    qint64 m_endTimeInMinutes = 0;
};
