// A day covered by a stack of overlapping repeating events, with six events
// added last at a quarter hour the stack already fills: the day grid and
// the week planner's hour grid each give every item of the day a box that
// is at least a point wide and lies where the grid draws events.
#include "../Model/TaskTestFixture.h"
#include "../Utilities/DateTestSupport.h"
#include "CalendarView.h"
#include "CustomNSView.h"
#include "DayCalendarView.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "PlannerBaseItem.h"
#include "PlannerWeekView.h"
#include "Screenshot.h"
#include "Task.h"
#include "TaskView.h"
#include "WeeklyPane.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace CrowdedDayTests {

namespace {

class CrowdedDayTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        Clock::setFixed(localDate(2026, 12, 9, 10));
        // Weekly series on Wednesdays since 2024, without a zone (each its own
        // level), one each quarter hour from 7:00 and ten more at 16:30.
        int n = 0;
        const auto series = [&](int hour, int minute) {
            auto event = item(QStringLiteral("Series %1").arg(++n), localDate(2024, 1, 3, hour, minute));
            event->setRepeatType(2);
            event->setRepeatOptions(QStringLiteral("1/4/0"));
            event->setRepeatStartDate(event->startTime());
            event->setIsRepeatForever(1);
            store(event);
        };
        for (int quarter = 0; quarter < 48; ++quarter) series(7 + quarter / 4, quarter % 4 * 15);
        for (int i = 0; i < 10; ++i) series(16, 30);
        for (int i = 0; i < 6; ++i) m_added.insert(store(item(QStringLiteral("Added %1").arg(i), localDate(2026, 12, 9, 16, 30))));
    }

    TaskPtr item(const QString& name, const Date& start)
    {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setTaskName(name);
        event->setCalendarId(1);
        event->setTz(0);
        event->setStartTime(start);
        event->setEndTime(start.dateByAddingTimeInterval(3600));
        event->setDuration(60);
        return event;
    }
    qint64 store(const TaskPtr& event)
    {
        EXPECT_TRUE(event->insertIntoDatabase());
        EXPECT_TRUE(event->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{event}, 0);
        m_items.insert(event->primaryKey());
        return event->primaryKey();
    }

    std::set<qint64> m_items;  // every series and event: each shows on the day
    std::set<qint64> m_added;
};

qint64 crowdedDayKeyOf(const Task& item)
{
    return item.primaryKey() > 0 ? item.primaryKey() : item.parentId();
}

}  // namespace

TEST_F(CrowdedDayTest, EveryItemOfTheDayGetsABoxWhereTheGridDrawsEvents)
{
    struct Drawn {
        std::set<qint64> keys;
        std::set<qint64> thin;  // items with a box narrower than a point or off the event area
    };
    const struct {
        const char* name;
        std::function<Drawn()> draw;
    } grids[] = {
        {"the day grid",
         [] {
             MonthView month(QRectF(0, 0, 280, 243));
             DayCalendarView pane(QRectF(0, 0, 280, 700));
             pane.setMonthView(&month);
             month.monthCalendarView()->setCurrentDay(localDate(2026, 12, 9), false);
             CalendarView& grid = *pane.calendarView();
             grid.reloadEvent();
             const double right = CalendarView::boxLeft + grid.documentWidth() * 0.5 + 40;
             Drawn drawn;
             for (const QPointer<TaskView>& box : grid.eventBoxes()) {
                 if (!box || !box->isVisibleTo(grid.contentView())) continue;
                 const qint64 key = crowdedDayKeyOf(*box->task());
                 drawn.keys.insert(key);
                 const QRectF f = box->frame();
                 if (f.width() < 1 || f.left() < CalendarView::boxLeft || f.right() > right + 0.01) drawn.thin.insert(key);
             }
             saveScreenshot(grid.contentView(), QStringLiteral("crowded-day-grid"));
             return drawn;
         }},
        {"the week planner's hour grid",
         [this] {
             dataManager().setCurrentSelectedDay(localDate(2026, 12, 9));
             PlannerWeekView planner(QRectF(0, 0, 760, 700));
             planner.reloadData();
             Drawn drawn;
             for (const QPointer<View>& view : planner.weeklyPane()->taskList()) {
                 auto* block = qobject_cast<PlannerBaseItem*>(view.data());
                 if (!block || !block->isVisibleTo(planner.weeklyPane()) || !block->task()) continue;
                 if (Utilities::compareDateNoTime(block->task()->startTime(), localDate(2026, 12, 9)) != 0) continue;
                 const qint64 key = crowdedDayKeyOf(*block->task());
                 drawn.keys.insert(key);
                 if (block->frame().width() < 1) drawn.thin.insert(key);
             }
             saveScreenshot(&planner, QStringLiteral("crowded-day-week"));
             QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
             return drawn;
         }},
    };
    for (const auto& grid : grids) {
        SCOPED_TRACE(grid.name);
        const Drawn drawn = grid.draw();
        std::vector<qint64> missing;
        for (qint64 key : m_items)
            if (!drawn.keys.count(key)) missing.push_back(key);
        EXPECT_TRUE(missing.empty()) << missing.size() << " items of the day without a box";
        for (qint64 key : m_added) EXPECT_TRUE(drawn.keys.count(key)) << "the added event " << key;
        EXPECT_TRUE(drawn.thin.empty()) << drawn.thin.size() << " items drawn narrower than a point or off the grid";
    }
}

}  // namespace CrowdedDayTests
