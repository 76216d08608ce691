#include "FreeTimeSlots.h"

#include <gtest/gtest.h>

#include <ostream>

namespace FreeTimeSlots {
// Readable failures: minutes as start-end pairs.
static void PrintTo(const MinuteInterval& interval, std::ostream* os)
{
    *os << interval.start << '-' << interval.end;
}
}  // namespace FreeTimeSlots

namespace {

using FreeTimeSlots::MinuteInterval;

constexpr qint64 at(int hour, int minute = 0)
{
    return hour * 60 + minute;
}

TEST(FreeTimeSlotsTest, GapsOfAWorkingDayBetweenItsEvents)
{
    struct Case {
        const char* what;
        QList<MinuteInterval> events;
        QList<MinuteInterval> expected;
    };
    const Case cases[] = {
        {"no events", {}, {{540, 1020}}},
        {"overlapping events merge", {{at(10), at(11)}, {at(10, 30), at(12)}}, {{540, 600}, {720, 1020}}},
        {"an event running into the window", {{at(8), at(9, 30)}}, {{570, 1020}}},
        {"an event running past the window", {{at(16), at(18)}}, {{540, 960}}},
        {"an event ending with the window leaves an empty last slot", {{at(16), at(17)}}, {{540, 960}, {1020, 1020}}},
        {"an event after the window ends the walk", {{at(18), at(19)}, {at(10), at(11)}}, {{540, 1020}}},
        {"an event starting as the window ends", {{at(17), at(18)}}, {{540, 1020}}},
        {"back-to-back events leave no gap", {{at(10), at(11)}, {at(11), at(12)}}, {{540, 600}, {720, 1020}}},
        {"an event before the window changes nothing", {{at(7), at(8)}}, {{540, 1020}}},
        {"an event inside an earlier one changes nothing", {{at(10), at(13)}, {at(11), at(12)}, {at(14), at(15)}},
         {{540, 600}, {780, 840}, {900, 1020}}},
        {"an event ending just before the running start changes nothing", {{at(10), at(12)}, {at(10, 30), at(11, 59)}},
         {{540, 600}, {720, 1020}}},
        {"an event stored ending before its start blocks up to its start", {{at(11), at(10)}, {at(10, 30), at(12)}},
         {{540, 660}, {720, 1020}}},
        {"a day covered whole", {{at(0), at(23, 59)}}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FreeTimeSlots::openTimeSlots(at(9), at(17), c.events), c.expected) << c.what;
}

TEST(FreeTimeSlotsTest, AWindowThatDoesNotOpenHasNoSlot)
{
    EXPECT_TRUE(FreeTimeSlots::openTimeSlots(at(17), at(9), {}).isEmpty());
    EXPECT_TRUE(FreeTimeSlots::openTimeSlots(at(9), at(9), {}).isEmpty());
    EXPECT_TRUE(FreeTimeSlots::openTimeSlots(at(9), at(9), {{at(8), at(10)}}).isEmpty());
}

}  // namespace
