// The day pane as a user sees it: overlapping groups, an event past
// midnight, a planned task in pieces joined by its line, today's time line
// and one box selected, on the 24-hour and the 12-hour clock.
#include "../Model/TaskTestFixture.h"
#include "CalendarView.h"
#include "DayCalendarView.h"
#include "ManualScheduler.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "RecordingMainView.h"
#include "Scheduler.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "TaskView.h"
#include "TimeSlotObject.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

class DayPaneScreenshotTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        dataManager().loadTimeZones();
        Scheduler::setCurrent(&m_scheduler);
        setting().setShowTask(1);
    }
    void TearDown() override
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Scheduler::setCurrent(nullptr);
        TaskTest::TearDown();
    }

    TaskPtr addEvent(const QString& name, const Date& start, const Date& end, const QString& location = QString())
    {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setTaskName(name);
        event->setTaskLocation(location);
        event->setCalendarId(1);
        event->setTz(53392);
        event->setStartTime(start);
        event->setEndTime(end);
        EXPECT_TRUE(event->insertIntoDatabase());
        EXPECT_TRUE(event->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{event}, 0);
        return event;
    }

    ManualScheduler m_scheduler;
};

}  // namespace

TEST_F(DayPaneScreenshotTest, ADayWithGroupsPiecesAndTheTimeLine)
{
    // Today is Wednesday 15 January 2014, 10:07.
    const Date day = localDate(2014, 1, 15);
    addEvent(QStringLiteral("Night shift"), localDate(2014, 1, 14, 22), localDate(2014, 1, 15, 1));
    addEvent(QStringLiteral("Standup"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 9, 30), QStringLiteral("Room 4"));
    addEvent(QStringLiteral("Review"), localDate(2014, 1, 15, 9, 10), localDate(2014, 1, 15, 10, 30));
    addEvent(QStringLiteral("Lunch"), localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 11));
    addEvent(QStringLiteral("Dentist"), localDate(2014, 1, 15, 12), localDate(2014, 1, 15, 13));

    auto task = std::make_shared<Task>();
    task->setPrimaryKey(9001);
    task->setTaskType(1);
    task->setTaskName(QStringLiteral("Write report"));
    task->setCalendarId(1);
    task->setHasDuration(1);
    task->setDuration(90);
    const QString wednesday = Utilities::getWeekDayName(day);
    TimeSlotObject morning, afternoon;
    morning.setStartTimeInMinutes(11 * 60);
    morning.setEndTimeInMinutes(12 * 60);
    afternoon.setStartTimeInMinutes(13 * 60);
    afternoon.setEndTimeInMinutes(15 * 60);
    dataManager().setSevenDaysTaskList(CoreData::WeekdayTaskLists{{wednesday, {task}}});
    dataManager().setSevenDaysOpenTimeSlotsList(CoreData::WeekdayTimeSlots{{wednesday, {morning, afternoon}}});

    RecordingMainView mainView;
    for (const bool uses24 : {true, false}) {
        const bool previous = Utilities::use24HourClock();
        Utilities::setUse24HourClock(uses24);
        MonthView monthView(QRectF(0, 0, 280, 243));
        DayCalendarView pane(QRectF(0, 0, 280, 700));
        pane.setMonthView(&monthView);
        monthView.monthCalendarView()->setCurrentDay(day, false);
        CalendarView& grid = *pane.calendarView();
        // As the main view reloads it: the focus pane with its date title,
        // then the grid.
        pane.reloadData();
        grid.refreshTimeLine(10 + 7 / 60.0);
        for (const QPointer<TaskView>& box : grid.eventBoxes())
            if (box->task()->taskName() == QStringLiteral("Review")) grid.selectTask(box);
        grid.scrollView()->scrollToPoint(QPointF(0, 0));
        ASSERT_EQ(grid.taskPieces().size(), 2u);
        ASSERT_EQ(grid.linkLines().size(), 1u);
        // Show the top of the day and the morning with its line and pieces.
        pane.show();
        QApplication::processEvents();
        EXPECT_FALSE(saveScreenshot(&pane, uses24 ? QStringLiteral("day-pane-24h") : QStringLiteral("day-pane-12h"))
                         .isEmpty());
        grid.scrollView()->scrollToPoint(QPointF(0, 8 * 46));
        QApplication::processEvents();
        if (uses24) {
            EXPECT_FALSE(saveScreenshot(&pane, QStringLiteral("day-pane-morning")).isEmpty());
        }
        Utilities::setUse24HourClock(previous);
    }
}
