#include "FreeTimeSlots.h"

#include <algorithm>

namespace FreeTimeSlots {

QList<MinuteInterval> openTimeSlots(qint64 fromMinute, qint64 toMinute, const QList<MinuteInterval>& events)
{
    QList<MinuteInterval> slots;
    if (fromMinute >= toMinute) return slots;
    qint64 cursor = fromMinute;
    for (const MinuteInterval& event : events) {
        if (event.end < cursor) continue;
        if (event.start > cursor) {
            if (event.start > toMinute) {
                slots.append({cursor, toMinute});
                return slots;
            }
            slots.append({cursor, event.start});
            // An event stored with its end before its start still blocks up
            // to its start: the next slot never overlaps this one.
            cursor = std::max(event.start, event.end);
        } else {
            cursor = std::max(cursor, event.end);
        }
        if (cursor > toMinute) return slots;
    }
    slots.append({cursor, toMinute});
    return slots;
}

}  // namespace FreeTimeSlots
