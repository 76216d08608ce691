// The cost of the day grid at its busiest: a full reload of a day with 500
// events picked from a month's working list, painting the whole grid
// document, and pouring a day's planned tasks into its free time.
#include "Calendar.h"
#include "Clock.h"
#include "CalendarView.h"
#include "CoreData.h"
#include "CustomNSView.h"
#include "support/BenchDatabase.h"
#include "DayCalendarView.h"
#include "GregorianCalendar.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TaskView.h"
#include "TimeSlotObject.h"
#include "Utilities.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int eventsOnTheDay = 500;
constexpr int eventsElsewhereInTheMonth = 1500;
constexpr int plannedTasks = 40;

Date theDay() { return GregorianCalendar::dateFromFields(2026, 12, 7, 0, 0, 0); }

// A month's working list in a real database: 500 events on the shown day,
// spread over its hours with many overlaps, and the rest of the month.
class GridDatabase : public BenchDatabase {
public:
    GridDatabase()
    {
        // The shown day is today, so its tasks are poured.
        Clock::setFixed(theDay().dateByAddingTimeInterval(10 * 3600));
        CoreData* manager = &dataManager();
        if (const SettingPtr setting = manager->currentSetting()) setting->setShowTask(1);

        TaskList items;
        exec("BEGIN");
        const auto addEvent = [&](int day, int minuteOfDay, int minutes, int n) {
            auto event = std::make_shared<Task>();
            event->setTaskType(0);
            event->setTaskName(QStringLiteral("Event %1").arg(n));
            event->setCalendarId(1);
            event->setTz(manager->getDefaultTimezone());
            const Date start = GregorianCalendar::dateFromFields(2026, 12, day, 0, minuteOfDay, 0);
            event->setStartTime(start);
            event->setEndTime(start.dateByAddingTimeInterval(minutes * 60.0));
            if (!event->insertAndDehydrate()) std::exit(1);
            items.append(event);
        };
        for (int i = 0; i < eventsOnTheDay; ++i) addEvent(7, (i * 37) % (23 * 60), 30 + (i % 5) * 15, i);
        for (int i = 0; i < eventsElsewhereInTheMonth; ++i)
            addEvent(1 + (i % 30 >= 6 ? i % 30 + 1 : i % 30), (i * 53) % (23 * 60), 45, eventsOnTheDay + i);
        exec("COMMIT");  // each stored event joined the working list

        TaskList tasks;
        for (int i = 0; i < plannedTasks; ++i) {
            auto task = std::make_shared<Task>();
            task->setPrimaryKey(100000 + i);
            task->setTaskType(1);
            task->setTaskName(QStringLiteral("Task %1").arg(i));
            task->setCalendarId(1);
            task->setHasDuration(1);
            task->setDuration(20 + (i % 4) * 25);
            task->setTaskOrder(i);
            tasks.append(task);
        }
        QList<TimeSlotObject> slots;
        for (int hour = 8; hour < 20; ++hour) {
            TimeSlotObject slot;
            slot.setStartTimeInMinutes(hour * 60 + 10);
            slot.setEndTimeInMinutes(hour * 60 + 50);
            slots.append(slot);
        }
        const QString weekday = Utilities::getWeekDayName(theDay());
        manager->setSevenDaysTaskList(CoreData::WeekdayTaskLists{{weekday, tasks}});
        manager->setSevenDaysOpenTimeSlotsList(CoreData::WeekdayTimeSlots{{weekday, slots}});
    }
};

struct DayPane {
    MonthView monthView{QRectF(0, 0, 280, 243)};
    DayCalendarView pane{QRectF(0, 0, 280, 700)};
    explicit DayPane(const Date& day = theDay())
    {
        pane.setMonthView(&monthView);
        monthView.monthCalendarView()->setCurrentDay(day, false);
    }
    CalendarView& grid() { return *pane.calendarView(); }
};

GridDatabase& database()
{
    static GridDatabase made;
    return made;
}

void BM_ReloadDayWith500Events(benchmark::State& state)
{
    database();
    DayPane day;
    for (auto _ : state) {
        day.grid().reloadEvent();
        // What a turn of the event loop does after a reload: the events the
        // new boxes posted, and the boxes of the reload before deleted.
        deliverPostedEvents();
    }
    state.counters["boxes"] = double(day.grid().eventBoxes().size());
}
BENCHMARK(BM_ReloadDayWith500Events)->Unit(benchmark::kMillisecond);

void BM_PaintWholeGridDocument(benchmark::State& state)
{
    database();
    DayPane day;
    day.grid().reloadEvent();
    QWidget* document = day.grid().contentView();
    QImage target(document->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        document->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintWholeGridDocument)->Unit(benchmark::kMillisecond);

void BM_PourOneDay(benchmark::State& state)
{
    database();
    DayPane day;
    for (auto _ : state) {
        day.grid().reloadTodayTask();
        deliverPostedEvents();
    }
    state.counters["pieces"] = double(day.grid().taskPieces().size());
}
BENCHMARK(BM_PourOneDay)->Unit(benchmark::kMicrosecond);

// One move of a box's bottom edge while it is dragged, with the repaint of
// the part of the grid the box covers: on the day of 500 events, where dozens
// of boxes lie under the one dragged, and on the day after it, with the
// fifty or so events of an ordinary busy day.
void edgeDragMoves(benchmark::State& state, const Date& day)
{
    database();
    DayPane pane(day);
    pane.grid().reloadEvent();
    state.counters["boxes"] = double(pane.grid().eventBoxes().size());
    TaskView* box = pane.grid().eventBoxes().front();
    QWidget* document = pane.grid().contentView();
    QImage target(document->size(), QImage::Format_ARGB32_Premultiplied);
    const auto send = [box](QEvent::Type type, const QPointF& point, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, box->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(box, &event);
    };
    double y = box->height() - 2;
    send(QEvent::MouseButtonPress, QPointF(10, y), Qt::LeftButton);
    double step = 1;
    for (auto _ : state) {
        y += step;
        send(QEvent::MouseMove, QPointF(10, y), Qt::LeftButton);
        const QRect dirty = box->geometry().adjusted(0, -4, 0, 4);
        document->render(&target, dirty.topLeft(), QRegion(dirty));
        step = -step;  // back and forth over one point
    }
    send(QEvent::MouseButtonRelease, QPointF(10, y), Qt::NoButton);
}

void BM_EdgeDragMoveAndRedraw(benchmark::State& state)
{
    edgeDragMoves(state, theDay());
}
BENCHMARK(BM_EdgeDragMoveAndRedraw)->Unit(benchmark::kMicrosecond);

void BM_EdgeDragMoveAndRedrawOnAnOrdinaryDay(benchmark::State& state)
{
    edgeDragMoves(state, theDay().dateByAddingTimeInterval(86400));
}
BENCHMARK(BM_EdgeDragMoveAndRedrawOnAnOrdinaryDay)->Unit(benchmark::kMicrosecond);

}  // namespace
