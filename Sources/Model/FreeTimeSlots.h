#pragma once

#include <QList>
#include <QtGlobal>

// The free stretches of a working window between events, in whole minutes.
// Kept apart from the data manager so the decision can be checked on plain
// numbers.
namespace FreeTimeSlots {

struct MinuteInterval {
    qint64 start = 0;
    qint64 end = 0;
    bool operator==(const MinuteInterval&) const = default;
};

// The gaps of the window [fromMinute, toMinute] left by the events, which
// come in order of start (they are not sorted here). Overlapping events merge.
// The running start only ever moves forward, so an event that ends before it
// changes nothing. The last slot reaches the window's end even when that
// leaves it empty (an event ending exactly at the window's end); an event
// that starts after the window ends the walk. A window that does not open
// (from not before to) has no slot.
QList<MinuteInterval> openTimeSlots(qint64 fromMinute, qint64 toMinute, const QList<MinuteInterval>& events);

}  // namespace FreeTimeSlots
