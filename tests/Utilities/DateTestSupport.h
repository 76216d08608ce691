#pragma once

#include "Date.h"
#include "GregorianCalendar.h"

#include <QDateTime>

#include <ostream>

// Wall times in the current system zone and in UTC, built the way the code
// under test builds them, so expectations follow the zone a test switches to.
inline Date localDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second);
}

inline Date utcDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second, GregorianCalendar::utcZone());
}

// Readable failures: the instant in UTC and local time.
inline void PrintTo(const Date& date, std::ostream* os)
{
    if (date.isNull()) {
        *os << "nil";
        return;
    }
    const auto ms = static_cast<qint64>(date.timeIntervalSince1970() * 1000);
    *os << QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()).toString(Qt::ISODateWithMs).toStdString() << " ("
        << QDateTime::fromMSecsSinceEpoch(ms, GregorianCalendar::systemZone()).toString(Qt::ISODate).toStdString()
        << ")";
}
