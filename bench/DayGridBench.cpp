// The cost of the day grid at its busiest: a full reload of a day with 500
// events picked from a month's working list, painting the whole grid
// document, and pouring a day's planned tasks into its free time; and a day
// of a repeating event whose occurrences last years, in the grid alone and
// in the main window's views and their switches.
#include "Calendar.h"
#include "Clock.h"
#include "CalendarView.h"
#include "CoreData.h"
#include "CustomNSView.h"
#include "support/BenchDatabase.h"
#include "support/CrowdedZonedDay.h"
#include "DayCalendarView.h"
#include "GregorianCalendar.h"
#include "MainView.h"
#include "MainViewHeight.h"
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

namespace {

// The day pane's whole reload and its painting, timed; its boxes and
// markers counted.
void reloadAndPaintTheDayPane(benchmark::State& state)
{
    {
        DayPane day;
        QImage canvas(day.pane.size(), QImage::Format_ARGB32_Premultiplied);
        for (auto _ : state) {
            day.pane.reloadData();
            deliverPostedEvents();
            QPainter painter(&canvas);
            day.pane.render(&painter);
        }
        state.counters["boxes"] = double(day.grid().eventBoxes().size());
        state.counters["markers"] = double(day.grid().moreMarkers().size());
    }
    deliverPostedEvents();
}

}  // namespace

// ---- a crowded day, half of it in another zone ----
//
// The day of support/CrowdedZonedDay.h; the argument 0 gives all its events
// Paris. The boxes and markers show how the events of both zones share the
// day's quarter hours.
namespace {

void BM_ReloadAndPaintACrowdedDayOfTwoZones(benchmark::State& state)
{
    CrowdedZonedDay organizer(theDay(), state.range(0) != 0);
    reloadAndPaintTheDayPane(state);
}
BENCHMARK(BM_ReloadAndPaintACrowdedDayOfTwoZones)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

// ---- a repeating event longer than its repeat interval ----
//
// A daily event whose every occurrence lasts `length` days, begun long
// before the shown day, so that the day holds `length` overlapping
// occurrences (a series started in 1970 with occurrences of 60 years holds
// about 20,800); in its own database, so the day of 500 events above is
// not touched. With a zone the occurrences share one quarter hour side by
// side; without one each is a level of its own.
namespace {

struct LongSeriesOrganizer {
    LongSeriesOrganizer(int length, bool zoned)
    {
        CoreData& manager = database.dataManager();
        Clock::setFixed(theDay().dateByAddingTimeInterval(10 * 3600));
        auto series = std::make_shared<Task>();
        series->setTaskType(0);
        series->setTaskName(QStringLiteral("Long occurrence"));
        series->setCalendarId(1);
        series->setTz(zoned ? manager.getDefaultTimezone() : 0);
        const Date start = GregorianCalendar::dateFromFields(2026, 12, 7, 9, 0, 0).dateByAddingTimeInterval(-86400.0 * length);
        series->setStartTime(start);
        series->setEndTime(start.dateByAddingTimeInterval(86400.0 * length));
        series->setDuration(qint64(length) * 24 * 60);
        series->setRepeatType(1);
        series->setRepeatStartDate(start);
        series->setIsRepeatForever(1);
        if (!series->insertAndDehydrate()) std::abort();
        manager.setCurrentSelectedDay(theDay());
    }
    BenchDatabase database;
};

void BM_ReloadDayOfALongRepeatingOccurrenceAndPaint(benchmark::State& state)
{
    LongSeriesOrganizer organizer(int(state.range(0)), state.range(1) != 0);
    reloadAndPaintTheDayPane(state);
}
BENCHMARK(BM_ReloadDayOfALongRepeatingOccurrenceAndPaint)
    ->ArgsProduct({{1000, 20000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// The main window over the long series: each view's whole reload, and each
// switch between the day view and a planner, with the drawing that follows
// (what the reload marked drawn). The first argument is the occurrences a
// day, the second the measure: 0 the day view's reload, 1 the week
// planner's, 2 the month planner's, 3 day view to week planner, 4 week
// planner to day view, 5 day view to month planner, 6 month planner to day
// view. The switch back of a switch is not timed.
enum class MainViewMeasure { DayReload, WeekReload, MonthReload, DayToWeek, WeekToDay, DayToMonth, MonthToDay };

void BM_ViewsAndSwitchesWithALongRepeatingOccurrence(benchmark::State& state)
{
    LongSeriesOrganizer organizer(int(state.range(0)), true);
    const auto measure = MainViewMeasure(state.range(1));
    const quint64 savedHeight = mainViewHeight;
    mainViewHeight = 900;
    {
        View window(QRectF(0, 0, 1900, 900));
        auto* view = new MainView(QRectF(0, 0, 1900, 900), &window);
        MainView::setCurrent(view);
        window.show();
        while (!view->isWindowVisible()) QCoreApplication::processEvents();
        // Twice: a planner's first drawing asks for the reload that waited for it.
        const auto drawn = [] {
            for (int turn = 0; turn < 2; ++turn) {
                deliverPostedEvents();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
            }
        };
        const auto to = [&](MainViewMeasure which) {
            switch (which) {
            case MainViewMeasure::DayToWeek: view->viewNavControl(1); break;
            case MainViewMeasure::DayToMonth: view->viewNavControl(2); break;
            default: view->viewNavControl(0); break;
            }
            drawn();
        };
        // Where each measure starts.
        MainViewMeasure start = MainViewMeasure::WeekToDay;  // the day view
        if (measure == MainViewMeasure::WeekReload || measure == MainViewMeasure::WeekToDay)
            start = MainViewMeasure::DayToWeek;
        if (measure == MainViewMeasure::MonthReload || measure == MainViewMeasure::MonthToDay)
            start = MainViewMeasure::DayToMonth;
        to(start);
        view->reloadData();
        drawn();
        for (auto _ : state) {
            switch (measure) {
            case MainViewMeasure::DayReload:
            case MainViewMeasure::WeekReload:
            case MainViewMeasure::MonthReload:
                view->reloadData();
                drawn();
                break;
            case MainViewMeasure::DayToWeek:
            case MainViewMeasure::DayToMonth:
            case MainViewMeasure::WeekToDay:
            case MainViewMeasure::MonthToDay:
                to(measure);
                state.PauseTiming();
                to(start);
                state.ResumeTiming();
                break;
            }
        }
        state.counters["dayBoxes"] = double(view->dayCalendarView()->calendarView()->eventBoxes().size());
        MainView::setCurrent(nullptr);
    }
    deliverPostedEvents();
    mainViewHeight = savedHeight;
}
BENCHMARK(BM_ViewsAndSwitchesWithALongRepeatingOccurrence)
    ->ArgsProduct({{1000, 20000}, {0, 1, 2, 3, 4, 5, 6}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
