#include "PlannerItemRules.h"

#include "../Utilities/DateTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace PlannerItemRulesTests {

using namespace PlannerItemRules;

TEST(PlannerItemRules, APressMeansItsEdgeItsClickAndItsHoldByPlaceKindAndTime)
{
    const ItemFacts timed{0, false, false}, allDay{0, true, false}, task{1, false, false}, shared{0, false, true};
    struct Case {
        const char* name;
        QPointF point;
        ItemFacts item;
        bool canResizeStart, control;
        double timestamp;
        int clickCount;
        PressOutcome expected;  // menu, edge, select, click, hold
    };
    const Case cases[] = {
        {"top of a timed event", {50, 2}, timed, true, false, 10, 1, {false, Edge::Start, false, ClickStep::OpenWindow, false}},
        {"fixed start", {50, 2}, timed, false, false, 10, 1, {false, Edge::None, true, ClickStep::OpenWindow, true}},
        {"left of an all-day chip", {2, 30}, allDay, true, false, 10, 1, {false, Edge::Start, false, ClickStep::OpenWindow, false}},
        {"left of a task's chip", {2, 30}, task, true, false, 10, 1, {false, Edge::None, true, ClickStep::OpenWindow, true}},
        {"top of a shared event", {50, 2}, shared, true, false, 10, 1, {false, Edge::None, true, ClickStep::OpenWindow, true}},
        {"0.9 s after a press", {50, 30}, timed, true, false, 10.9, 1, {false, Edge::None, true, ClickStep::DoubleClick, true}},
        {"1.1 s after a press", {50, 30}, timed, true, false, 11.1, 1, {false, Edge::None, true, ClickStep::Nothing, true}},
        {"Control-click", {50, 2}, timed, true, true, 10, 1, {true, Edge::None, false, ClickStep::Nothing, false}},
    };
    for (const Case& c : cases) {
        // The timed cases after a first press at 10 s.
        const double lastMouseDown = c.timestamp > 10 ? 10 : 0;
        const PressOutcome got = decidePress(
            {c.point, QSizeF(100, 60), c.item, c.canResizeStart, true, c.control, c.timestamp, lastMouseDown, c.clickCount});
        EXPECT_EQ(got.contextMenu, c.expected.contextMenu) << c.name;
        EXPECT_EQ(got.edge, c.expected.edge) << c.name;
        EXPECT_EQ(got.select, c.expected.select) << c.name;
        EXPECT_EQ(got.click, c.expected.click) << c.name;
        EXPECT_EQ(got.armHold, c.expected.armHold) << c.name;
    }
}

TEST(PlannerItemRules, ChipEdgesGiveWholeCalendarDaysOfTheirWeekRow)
{
    const ScopedTimeZone paris("Europe/Paris");
    const Date start = localDate(2014, 1, 14), end = localDate(2014, 1, 14, 23, 59, 59);
    const Date jan12 = localDate(2014, 1, 12), oct27 = localDate(2024, 10, 27);
    struct Case {
        const char* name;
        bool monthPane;
        QRectF frame;
        Date paneStart;
        Edge moved;
        Date expectedStart, expectedEnd;
    };
    const Case cases[] = {
        {"start left at x 220", true, {220, 20, 100, 18}, jan12, Edge::Start, localDate(2014, 1, 14), end},
        {"start left of the first column", true, {0, 20, 300, 18}, jan12, Edge::Start, jan12, end},
        {"end past the row", true, {215, 20, 600, 18}, jan12, Edge::End, start, localDate(2014, 1, 18, 23, 59, 59)},
        {"second row", true, {115, 120, 100, 18}, jan12, Edge::Start, localDate(2014, 1, 20), end},
        {"band, autumn change week, column 1", false, {160, 5, 100, 18}, oct27, Edge::Start, localDate(2024, 10, 28), end},
        {"month, row after the autumn change", true, {115, 120, 100, 18}, oct27, Edge::Start, localDate(2024, 11, 4), end},
        {"month, autumn change row's end", true, {15, 20, 700, 18}, oct27, Edge::End, start, localDate(2024, 11, 2, 23, 59, 59)},
    };
    for (const Case& c : cases) {
        const ItemTimes got = chipTimes({c.monthPane, c.frame, 100, 100, c.paneStart}, c.moved, start, end);
        EXPECT_EQ(got.start, c.expectedStart) << c.name;
        EXPECT_EQ(got.end, c.expectedEnd) << c.name;
        EXPECT_EQ(got.duration, qint64(c.expectedEnd.timeIntervalSinceDate(c.expectedStart) / 60)) << c.name;
    }
}

TEST(PlannerItemRules, BlockEdgesGiveQuarterHoursOfTheirDay)
{
    const auto y = [](double hours) { return firstHourY + hourHeight * hours; };
    const auto jan = [](int day, int hour, int minute) { return localDate(2014, 1, day, hour, minute); };
    struct Case {
        const char* name;
        double top, bottom;
        Edge moved;
        bool isEvent;
        Date expectedStart, expectedEnd;
    };
    // The item runs from 10:00 to 11:00 on the 15th.
    const Case cases[] = {
        {"start at 14.75 hours", y(14.75), y(16), Edge::Start, true, jan(15, 14, 45), jan(15, 11, 0)},
        {"16 minutes past", y(9 + 16.0 / 60), y(11), Edge::Start, true, jan(15, 9, 15), jan(15, 11, 0)},
        {"10 minutes past", y(9 + 10.0 / 60), y(11), Edge::Start, true, jan(15, 9, 0), jan(15, 11, 0)},
        {"end in the start's quarter", y(10), y(10.2), Edge::End, true, jan(15, 10, 0), jan(15, 10, 15)},
        {"a task's end there", y(10), y(10.2), Edge::End, false, jan(15, 10, 0), jan(15, 10, 0)},
        {"above the 0:00 line", 5, y(11), Edge::Start, true, jan(14, 23, 30), jan(15, 11, 0)},
        {"past the 24:00 line", y(23), y(24.5), Edge::End, true, jan(15, 10, 0), jan(16, 0, 30)},
    };
    for (const Case& c : cases) {
        const ItemTimes got =
            blockTimes(QRectF(0, c.top, 100, c.bottom - c.top), c.moved, jan(15, 10, 0), jan(15, 11, 0), c.isEvent);
        EXPECT_EQ(got.start, c.expectedStart) << c.name;
        EXPECT_EQ(got.end, c.expectedEnd) << c.name;
    }
}

TEST(PlannerItemRules, DraggedEdgesStopAtTheirLimitsAndTurnIntoTheOtherEdge)
{
    struct Case {
        const char* name;
        bool block;
        QRectF frame;
        Edge moving;
        double delta;
        EdgeDrag expected;
    };
    const Case cases[] = {
        {"block start past the top", true, {0, 10, 50, 94}, Edge::Start, -30, {{0, 0, 50, 104}, Edge::Start}},
        {"block start past the bottom", true, {0, 100, 50, 94}, Edge::Start, 94, {{0, 100, 50, 94}, Edge::End}},
        {"block end past the grid", true, {0, 1100, 50, 50}, Edge::End, 100, {{0, 1100, 50, 75}, Edge::End}},
        {"chip start past the right", false, {115, 20, 100, 18}, Edge::Start, 100, {{115, 20, 100, 18}, Edge::End}},
    };
    for (const Case& c : cases) {
        const EdgeDrag got = c.block ? dragBlockEdge(c.frame, c.moving, c.delta) : dragChipEdge(c.frame, c.moving, c.delta);
        EXPECT_EQ(got.frame, c.expected.frame) << c.name;
        EXPECT_EQ(got.moving, c.expected.moving) << c.name;
    }
}

}  // namespace PlannerItemRulesTests
