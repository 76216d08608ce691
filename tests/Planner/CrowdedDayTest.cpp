// A day covered by a stack of overlapping weekly series (no zone: each its
// own level), ten more at 16:30 and six events added last at 16:30: the day
// grid and the week planner's hour grid give every item of the day a box
// wide enough to read the start of its title and click, where the grid
// draws events, or list it under a marker there that opens it.
#include "../Model/TaskTestFixture.h"
#include "../Utilities/DateTestSupport.h"
#include "CalendarView.h"
#include "DayCalendarView.h"
#include "MonthCalendarView.h"
#include "Menu.h"
#include "MonthView.h"
#include "MoreItemsButton.h"
#include "PlannerBaseItem.h"
#include "PlannerWeekView.h"
#include "Screenshot.h"
#include "Task.h"
#include "TaskView.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "WeeklyPane.h"

#include <gtest/gtest.h>

#include <set>

namespace CrowdedDayTests {

TEST_F(TaskTest, EveryItemOfACrowdedDayGetsABoxWhereTheGridDrawsEvents)
{
    Clock::setFixed(localDate(2026, 12, 9, 10));
    std::set<qint64> items;
    const auto store = [&](const Date& start, bool weekly) {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setTaskName(QStringLiteral("Item %1 budget review with the team").arg(items.size()));
        event->setCalendarId(1);
        event->setTz(0);
        event->setStartTime(start);
        event->setEndTime(start.dateByAddingTimeInterval(3600));
        event->setDuration(60);
        if (weekly) {
            event->setRepeatType(2);
            event->setRepeatOptions(QStringLiteral("1/4/0"));
            event->setRepeatStartDate(start);
            event->setIsRepeatForever(1);
        }
        ASSERT_TRUE(event->insertIntoDatabase() && event->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{event}, 0);
        items.insert(event->primaryKey());
    };
    for (int quarter = 0; quarter < 58; ++quarter)
        store(localDate(2024, 1, 3, quarter < 48 ? 7 + quarter / 4 : 16, quarter < 48 ? quarter % 4 * 15 : 30), true);
    for (int i = 0; i < 6; ++i) store(localDate(2026, 12, 9, 16, 30), false);
    const auto seriesKey = [](const Task& item) { return item.primaryKey() > 0 ? item.primaryKey() : item.parentId(); };

    // Each grid: the items with a box or a marker's row, and those whose box is too thin or off the event area.
    std::set<qint64> drawn, thin;
    const auto listed = [&](MoreItemsButton& marker) {
        const Menu rows = marker.menu();
        EXPECT_EQ(rows.numberOfItems(), marker.items().size());
        for (int i = 0; i < rows.numberOfItems(); ++i) {
            EXPECT_TRUE(rows.itemAtIndex(i)->title.endsWith(marker.items()[i]->taskName()));
            EXPECT_TRUE(rows.itemAtIndex(i)->isEnabled()) << "a row opens its item";
        }
        EXPECT_EQ(marker.title(), QStringLiteral("+%1").arg(marker.items().size()));
        for (const TaskPtr& item : marker.items()) drawn.insert(seriesKey(*item));
    };
    // A title's second line drawn under a later box would show through its tint, mixed with that
    // box's title; the foot of a first line may lie under it.
    std::vector<QRectF> titlesBelow;
    int titlesUnderABox = 0;
    const auto stack = [&](const QRectF& box, const QRectF& titleInBox, const Font& font) {
        for (const QRectF& title : titlesBelow)
            if (title.intersects(box)) ++titlesUnderABox;
        if (titleInBox.height() > TextMeasure::lineHeight(font) + 0.01)
            titlesBelow.push_back(titleInBox.translated(box.topLeft()).adjusted(0, 2, 0, -1));
    };
    const double readable = CalendarView::minimumBoxWidth - 2;
    MonthView month(QRectF(0, 0, 280, 243));
    DayCalendarView pane(QRectF(0, 0, 280, 700));
    pane.setMonthView(&month);
    month.monthCalendarView()->setCurrentDay(localDate(2026, 12, 9), false);
    CalendarView& grid = *pane.calendarView();
    pane.show();
    grid.reloadData();
    const double right = CalendarView::boxLeft + grid.documentWidth() * 0.5 + 40;
    for (const QPointer<TaskView>& box : grid.eventBoxes()) {
        drawn.insert(seriesKey(*box->task()));
        stack(box->frame(), box->taskNameLabel()->frame(), box->taskNameLabel()->textFont());
        if (box->frame().width() < readable || box->frame().left() < CalendarView::boxLeft ||
            box->frame().right() > right + 0.01)
            thin.insert(seriesKey(*box->task()));
    }
    EXPECT_FALSE(grid.moreMarkers().empty());
    for (const QPointer<MoreItemsButton>& marker : grid.moreMarkers()) {
        EXPECT_GE(marker->frame().width(), readable);
        EXPECT_LE(marker->frame().right(), right + 0.01);
        EXPECT_EQ(grid.contentView()->childAt(marker->frame().center().toPoint()), marker.data()) << "above the boxes";
        listed(*marker);
    }
    saveScreenshot(grid.contentView(), QStringLiteral("crowded-day-grid"));
    EXPECT_EQ(drawn, items) << "the day grid";
    EXPECT_TRUE(thin.empty()) << thin.size() << " items too thin or off the day grid";
    EXPECT_EQ(titlesUnderABox, 0) << "the day grid";

    drawn.clear();
    dataManager().setCurrentSelectedDay(localDate(2026, 12, 9));
    PlannerWeekView planner(QRectF(0, 0, 760, 700));
    planner.reloadData();
    titlesBelow.clear();
    titlesUnderABox = 0;
    for (const QPointer<View>& view : planner.weeklyPane()->taskList()) {
        if (auto* block = qobject_cast<PlannerBaseItem*>(view.data())) {
            if (Utilities::compareDateNoTime(block->task()->startTime(), localDate(2026, 12, 9)) == 0 &&
                block->frame().width() >= CalendarView::minimumBoxWidth - 1)
                drawn.insert(seriesKey(*block->task()));
            stack(block->frame(), block->titleFrame(), block->titleFont());
        }
        if (auto* marker = qobject_cast<MoreItemsButton*>(view.data())) listed(*marker);
    }
    EXPECT_EQ(titlesUnderABox, 0) << "the week planner's hour grid";
    saveScreenshot(&planner, QStringLiteral("crowded-day-week"));
    EXPECT_EQ(drawn, items) << "the week planner's hour grid";
}

}  // namespace CrowdedDayTests
