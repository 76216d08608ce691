#include "PlannerItemRules.h"

#include "../Utilities/DateTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace PlannerItemRulesTests {

using namespace PlannerItemRules;

constexpr ItemFacts timedEvent{0, false, false};
constexpr ItemFacts allDayEvent{0, true, false};
constexpr ItemFacts plainTask{1, false, false};
constexpr ItemFacts sharedEvent{0, false, true};

TEST(PlannerItemRules, APressMeansItsEdgeItsClickAndItsHoldByPlaceKindAndTime)
{
    struct Case {
        const char* name;
        QPointF point;
        ItemFacts item;
        bool canResizeStart;
        bool control;
        double timestamp;
        double lastMouseDown;
        int clickCount;
        PressOutcome expected;
    };
    const QSizeF size(100, 60);
    const Case cases[] = {
        {"top of a timed event moves its start", {50, 2}, timedEvent, true, false, 10, 0, 1,
         {false, Edge::Start, false, ClickStep::OpenWindow, false}},
        {"bottom of a timed event moves its end", {50, 58}, timedEvent, true, false, 10, 0, 1,
         {false, Edge::End, false, ClickStep::OpenWindow, false}},
        {"a start that may not move selects and arms the hold", {50, 2}, timedEvent, false, false, 10, 0, 1,
         {false, Edge::None, true, ClickStep::OpenWindow, true}},
        {"left of an all-day chip moves its start", {2, 30}, allDayEvent, true, false, 10, 0, 1,
         {false, Edge::Start, false, ClickStep::OpenWindow, false}},
        {"the top of an all-day chip is no edge", {50, 2}, allDayEvent, true, false, 10, 0, 1,
         {false, Edge::None, true, ClickStep::OpenWindow, true}},
        {"left of a task's chip selects", {2, 30}, plainTask, true, false, 10, 0, 1,
         {false, Edge::None, true, ClickStep::OpenWindow, true}},
        {"a shared event's edges never arm", {50, 2}, sharedEvent, true, false, 10, 0, 1,
         {false, Edge::None, true, ClickStep::OpenWindow, true}},
        {"a second press 0.9 s later is a double click", {50, 30}, timedEvent, true, false, 10.9, 10, 1,
         {false, Edge::None, true, ClickStep::DoubleClick, true}},
        {"a second press 1.1 s later is nothing", {50, 30}, timedEvent, true, false, 11.1, 10, 1,
         {false, Edge::None, true, ClickStep::Nothing, true}},
        {"the platform's double click arms no hold", {50, 30}, timedEvent, true, false, 10.2, 10, 2,
         {false, Edge::None, true, ClickStep::DoubleClick, false}},
        {"Control-click is the menu alone", {50, 2}, timedEvent, true, true, 10, 0, 1,
         {true, Edge::None, false, ClickStep::Nothing, false}},
    };
    for (const Case& c : cases) {
        Press press;
        press.point = c.point;
        press.size = size;
        press.item = c.item;
        press.canResizeStart = c.canResizeStart;
        press.control = c.control;
        press.timestamp = c.timestamp;
        press.lastMouseDown = c.lastMouseDown;
        press.clickCount = c.clickCount;
        const PressOutcome got = decidePress(press);
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
    struct Case {
        const char* name;
        bool monthPane;
        QRectF frame;
        Date paneStart;
        Edge moved;
        Date expectedStart;
        Date expectedEnd;
    };
    const Date start = localDate(2014, 1, 14, 0, 0);
    const Date end = localDate(2014, 1, 14, 23, 59, 59);
    const Case cases[] = {
        {"start left at x 220 of the first row", true, {220, 20, 100, 18}, localDate(2014, 1, 12), Edge::Start,
         localDate(2014, 1, 14), end},
        {"start left of the first column", true, {0, 20, 300, 18}, localDate(2014, 1, 12), Edge::Start,
         localDate(2014, 1, 12), end},
        {"end stretched past the row", true, {215, 20, 600, 18}, localDate(2014, 1, 12), Edge::End, start,
         localDate(2014, 1, 18, 23, 59, 59)},
        {"second row of the month", true, {115, 120, 100, 18}, localDate(2014, 1, 12), Edge::Start,
         localDate(2014, 1, 20), end},
        {"week band: column 1 in the autumn change's week", false, {160, 5, 100, 18}, localDate(2024, 10, 27),
         Edge::Start, localDate(2024, 10, 28), end},
        {"month: the row after the autumn change", true, {115, 120, 100, 18}, localDate(2024, 10, 27), Edge::Start,
         localDate(2024, 11, 4), end},
        {"month: the row's last day in the autumn change's week", true, {15, 20, 700, 18}, localDate(2024, 10, 27),
         Edge::End, start, localDate(2024, 11, 2, 23, 59, 59)},
    };
    for (const Case& c : cases) {
        ChipPlace place{c.monthPane, c.frame, 100, 100, c.paneStart};
        const ItemTimes got = chipTimes(place, c.moved, start, end);
        EXPECT_EQ(got.start, c.expectedStart) << c.name;
        EXPECT_EQ(got.end, c.expectedEnd) << c.name;
        EXPECT_EQ(got.duration, qint64(c.expectedEnd.timeIntervalSinceDate(c.expectedStart) / 60)) << c.name;
    }
}

TEST(PlannerItemRules, BlockEdgesGiveQuarterHoursOfTheirDay)
{
    struct Case {
        const char* name;
        QRectF frame;
        Edge moved;
        bool isEvent;
        Date expectedStart;
        Date expectedEnd;
    };
    const Date start = localDate(2014, 1, 15, 10, 20);
    const Date end = localDate(2014, 1, 15, 11, 0);
    const auto y = [](double hours) { return firstHourY + hourHeight * hours; };
    const Case cases[] = {
        {"start at 14.75 hours", {0, y(14.75), 100, 50}, Edge::Start, true, localDate(2014, 1, 15, 14, 45), end},
        {"16 minutes past is a quarter past", {0, y(9 + 16.0 / 60), 100, 50}, Edge::Start, true,
         localDate(2014, 1, 15, 9, 15), end},
        {"10 minutes past is the full hour", {0, y(9 + 10.0 / 60), 100, 50}, Edge::Start, true,
         localDate(2014, 1, 15, 9, 0), end},
        {"end in the start's quarter: a quarter-hour event", {0, y(10), 100, y(10.2) - y(10)}, Edge::End, true,
         start, localDate(2014, 1, 15, 10, 15)},
        {"end in the start's quarter of a task: no duration", {0, y(10), 100, y(10.2) - y(10)}, Edge::End, false,
         start, localDate(2014, 1, 15, 10, 0)},
        {"above the 0:00 line: the day before", {0, 5, 100, 50}, Edge::Start, true,
         localDate(2014, 1, 14, 23, 30), end},
        {"past the 24:00 line: the next day", {0, y(23), 100, y(24.5) - y(23)}, Edge::End, true, start,
         localDate(2014, 1, 16, 0, 30)},
    };
    for (const Case& c : cases) {
        // An end edge is moved on an item whose start is the block's top, 10:00.
        const Date from = c.moved == Edge::End ? localDate(2014, 1, 15, 10, 0) : start;
        const ItemTimes got = blockTimes(c.frame, c.moved, c.moved == Edge::End ? from : start, end, c.isEvent);
        EXPECT_EQ(got.start, c.moved == Edge::End ? from : c.expectedStart) << c.name;
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
        {"block start up", true, {0, 100, 50, 94}, Edge::Start, -20, {{0, 80, 50, 114}, Edge::Start}},
        {"block start past the top keeps the bottom", true, {0, 10, 50, 94}, Edge::Start, -30,
         {{0, 0, 50, 104}, Edge::Start}},
        {"block start past the bottom turns", true, {0, 100, 50, 94}, Edge::Start, 94, {{0, 100, 50, 94}, Edge::End}},
        {"block end stops at the grid's bottom", true, {0, 1100, 50, 50}, Edge::End, 100,
         {{0, 1100, 50, 75}, Edge::End}},
        {"block end above the top turns", true, {0, 100, 50, 94}, Edge::End, -94, {{0, 100, 50, 94}, Edge::Start}},
        {"chip start past its right end turns", false, {115, 20, 100, 18}, Edge::Start, 100,
         {{115, 20, 100, 18}, Edge::End}},
        {"chip start past the left keeps the right end", false, {15, 20, 100, 18}, Edge::Start, -30,
         {{0, 20, 115, 18}, Edge::Start}},
        {"chip end stretched", false, {15, 20, 100, 18}, Edge::End, 250, {{15, 20, 350, 18}, Edge::End}},
    };
    for (const Case& c : cases) {
        const EdgeDrag got = c.block ? dragBlockEdge(c.frame, c.moving, c.delta) : dragChipEdge(c.frame, c.moving, c.delta);
        EXPECT_EQ(got.frame, c.expected.frame) << c.name;
        EXPECT_EQ(got.moving, c.expected.moving) << c.name;
    }
}

}  // namespace PlannerItemRulesTests
