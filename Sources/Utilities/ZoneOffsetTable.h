#pragma once

#include <QByteArray>
#include <QTimeZone>
#include <QtGlobal>

#include <memory>
#include <vector>

// The offsets of one zone from 1900 to 2200, read once from the zone's rules,
// so hot loops (the expansion of repeating items) can move between instants
// and wall-clock readings without asking QTimeZone each time, which costs a
// microsecond or more per question.
//
// A wall-clock reading is the local time written as seconds since 1970 as if
// it were UTC (the same number the stored form of a date uses). Conversions
// give exactly what GregorianCalendar gives for the same zone: a reading that
// falls in a gap or an overlap of a transition, or outside the covered years,
// is handed to GregorianCalendar itself.
class ZoneOffsetTable {
public:
    explicit ZoneOffsetTable(const QTimeZone& zone);

    // The table of the system zone as it is now. Tables are immutable and
    // shared; a new one is built when the system zone changes.
    static std::shared_ptr<const ZoneOffsetTable> systemZone();

    // The wall-clock reading of an instant given in whole seconds since 1970.
    qint64 wallClockSeconds(qint64 utcSeconds) const;
    // The instant of a wall-clock reading, whole seconds.
    qint64 utcSeconds(qint64 wallClockSeconds) const;

    // Calendar fields of a wall-clock reading, and back; the same in every
    // zone. Weekday runs 1 = Sunday .. 7 = Saturday.
    struct WallClockFields {
        int year = 0;
        int month = 0;
        int day = 0;
        int weekday = 0;
        qint64 secondOfDay = 0;
    };
    static WallClockFields fields(qint64 wallClockSeconds);
    // Months past 12 (or below 1) carry into the years and days past the end
    // of the month into the next months, as the calendar does.
    static qint64 wallClockSeconds(qint64 year, qint64 month, qint64 day, qint64 secondOfDay);

private:
    QTimeZone ownZone() const;
    qsizetype segmentAt(qint64 utcSeconds) const;
    qint64 utcSecondsFromCalendar(qint64 wallClockSeconds) const;

    QTimeZone m_zone;
    // Segment i runs from m_starts[i] up to m_starts[i + 1] (the last to the
    // end of the covered span) with the offset m_offsets[i].
    std::vector<qint64> m_starts;
    std::vector<int> m_offsets;
};
