// The week planner with 500 items in its week: a whole reload (gathering,
// ordering, the band's chips, the grid's blocks, painting into an image),
// one move of the splitter with its layout, and one move of a drag that
// sketches a new event with its ghosts.
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MoreItemsButton.h"
#include "PlannerBaseItem.h"
#include "PlannerWeekView.h"
#include "WeeklyPane.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "support/BenchDatabase.h"
#include "support/CrowdedZonedDay.h"
#include "support/PostedEvents.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr int weekItems = 500;

BenchDatabase& database()
{
    static BenchDatabase made;
    return made;
}

// Stored items over the week of Sunday 6 December 2026: half timed events
// (some past midnight), a quarter all-day events, tasks due and notes.
TaskList weekBenchItems()
{
    TaskList items;
    for (int i = 0; i < weekItems; ++i) {
        auto item = std::make_shared<Task>();
        const int kind = i % 8;
        const bool allDay = kind == 0 || kind == 4;
        item->setTaskType(kind == 2 ? 1 : kind == 6 ? 3 : 0);
        item->setIsADE(allDay);
        item->setTaskName(QStringLiteral("Item %1").arg(i));
        item->setCalendarId(1);
        const Date start = GregorianCalendar::dateFromFields(2026, 12, 6 + i % 7, allDay ? 0 : 7 + i % 17, (i % 4) * 10, 0);
        const double length = allDay ? 86399 : kind == 7 ? 3 * 3600 : 3600;
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(length));
        item->setDuration(qint64(length / 60));
        if (kind == 2) {
            item->setHasDue(1);
            item->setDueEnd(start);
        }
        if (!item->insertAndDehydrate()) std::abort();
        items.append(item);
    }
    return items;
}

struct WeekBenchSetup {
    WeekBenchSetup()
    {
        CoreData& manager = database().dataManager();
        if (manager.allTasksEventsAdes().isEmpty()) manager.doWithAllTasksEventsAdes(weekBenchItems(), 0);
        manager.setCurrentSelectedDay(GregorianCalendar::dateFromFields(2026, 12, 9, 0, 0, 0));
        planner.reloadData();
        deliverPostedEvents();
    }
    PlannerWeekView planner{QRectF(0, 0, 760, 700)};
};

void BM_ReloadWeekWith500ItemsAndPaint(benchmark::State& state)
{
    WeekBenchSetup setup;
    QImage canvas(760, 700, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        setup.planner.reloadData();
        // What a turn of the event loop does: the events the new views posted,
        // then the old views deleted.
        deliverPostedEvents();
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        setup.planner.render(&painter);
    }
    state.counters["views"] =
        double(setup.planner.plannerPane()->taskList().size() + setup.planner.weeklyPane()->taskList().size());
}
BENCHMARK(BM_ReloadWeekWith500ItemsAndPaint)->Unit(benchmark::kMillisecond);

// The parts of a reload: the band's and the grid's views alone, and the
// painting alone.
void BM_DrawItemsOfTheBand(benchmark::State& state)
{
    WeekBenchSetup setup;
    for (auto _ : state) {
        setup.planner.plannerPane()->drawItems();
        deliverPostedEvents();
    }
}
BENCHMARK(BM_DrawItemsOfTheBand)->Unit(benchmark::kMillisecond);

void BM_DrawItemsOfTheGrid(benchmark::State& state)
{
    WeekBenchSetup setup;
    for (auto _ : state) {
        setup.planner.weeklyPane()->drawItems();
        deliverPostedEvents();
    }
}
BENCHMARK(BM_DrawItemsOfTheGrid)->Unit(benchmark::kMillisecond);

void BM_PaintTheWeek(benchmark::State& state)
{
    WeekBenchSetup setup;
    QImage canvas(760, 700, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        setup.planner.render(&painter);
    }
}
BENCHMARK(BM_PaintTheWeek)->Unit(benchmark::kMillisecond);

void BM_OneSplitterMoveWithItsLayout(benchmark::State& state)
{
    WeekBenchSetup setup;
    setup.planner.collapseExpandPlanner();  // a tall band: the splitter has room
    double delta = -10;
    for (auto _ : state) {
        setup.planner.rearrangeViewWithDelta(delta);
        delta = -delta;
    }
    benchmark::DoNotOptimize(setup.planner.scrollWeeklyPane()->frame());
}
BENCHMARK(BM_OneSplitterMoveWithItsLayout)->Unit(benchmark::kMicrosecond);

void BM_OneDragToCreateMoveWithItsGhosts(benchmark::State& state)
{
    WeekBenchSetup setup;
    WeeklyPane& grid = *setup.planner.weeklyPane();
    auto item = std::make_shared<Task>();
    item->setTaskType(0);
    int step = 0;
    for (auto _ : state) {
        grid.drawDraggingEvent(item, 1, 1 + step % 3, 400, 94 + 47 * (step % 2));
        deliverPostedEvents();
        ++step;
    }
    grid.clearDraggingEvent();
}
BENCHMARK(BM_OneDragToCreateMoveWithItsGhosts)->Unit(benchmark::kMicrosecond);

}  // namespace

// ---- a repeating event longer than its repeat interval ----
//
// A daily event whose every occurrence lasts `length` days, begun `length`
// days before the week, so that each day of the week holds about `length`
// overlapping occurrences; in its own database, so the week of 500 items
// above is not touched. The reload gathers the occurrences, lays them out,
// makes the views and paints. The cost should not follow the length: what
// the grid can show of a column is bounded by its width.
struct LongOccurrenceSetup {
    LongOccurrenceSetup(int length, bool zoned)
    {
        CoreData& manager = database.dataManager();
        auto series = std::make_shared<Task>();
        series->setTaskType(0);
        series->setTaskName(QStringLiteral("Long occurrence"));
        series->setCalendarId(1);
        // With a zone its occurrences share their quarter hours side by
        // side; without one each is a level of its own.
        if (zoned) {
            manager.loadTimeZones();
            series->setTz(53392);
        }
        const Date start = GregorianCalendar::dateFromFields(2026, 12, 6, 9, 0, 0).dateByAddingTimeInterval(-86400.0 * length);
        series->setStartTime(start);
        series->setEndTime(start.dateByAddingTimeInterval(86400.0 * length));
        series->setDuration(qint64(length) * 24 * 60);
        series->setRepeatType(1);
        series->setRepeatStartDate(start);
        series->setIsRepeatForever(1);
        if (!series->insertAndDehydrate()) std::abort();
        if (manager.allTasksEventsAdes().isEmpty()) manager.doWithAllTasksEventsAdes(TaskList{series}, 0);
        manager.setCurrentSelectedDay(GregorianCalendar::dateFromFields(2026, 12, 9, 0, 0, 0));
        planner = std::make_unique<PlannerWeekView>(QRectF(0, 0, 760, 700));
        planner->reloadData();
        deliverPostedEvents();
    }
    ~LongOccurrenceSetup()
    {
        planner.reset();
        deliverPostedEvents();
    }
    BenchDatabase database;
    std::unique_ptr<PlannerWeekView> planner;
};

void BM_ReloadWeekOfALongRepeatingOccurrenceAndPaint(benchmark::State& state)
{
    LongOccurrenceSetup setup(int(state.range(0)), state.range(1) != 0);
    QImage canvas(760, 700, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        setup.planner->reloadData();
        deliverPostedEvents();
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        setup.planner->render(&painter);
    }
    state.counters["blocks"] = double(setup.planner->weeklyPane()->taskList().size());
    state.counters["events"] = double(setup.planner->weeklyPane()->normalEventList().size());
}
BENCHMARK(BM_ReloadWeekOfALongRepeatingOccurrenceAndPaint)
    ->ArgsProduct({{10, 1000, 3000, 10000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// ---- a crowded day, half of it in another zone ----
//
// The week of the day of support/CrowdedZonedDay.h (Wednesday 9 December
// 2026); the argument 0 gives all its events Paris. The blocks and markers
// show how the events of both zones share the column's quarter hours.
void BM_ReloadAndPaintTheWeekOfACrowdedDayOfTwoZones(benchmark::State& state)
{
    CrowdedZonedDay organizer(GregorianCalendar::dateFromFields(2026, 12, 9, 0, 0, 0), state.range(0) != 0);
    {
        PlannerWeekView planner(QRectF(0, 0, 760, 700));
        QImage canvas(760, 700, QImage::Format_ARGB32_Premultiplied);
        for (auto _ : state) {
            planner.reloadData();
            deliverPostedEvents();
            canvas.fill(Qt::white);
            QPainter painter(&canvas);
            planner.render(&painter);
        }
        int blocks = 0, markers = 0;
        for (const QPointer<View>& view : planner.weeklyPane()->taskList()) {
            if (qobject_cast<PlannerBaseItem*>(view.data())) ++blocks;
            if (qobject_cast<MoreItemsButton*>(view.data())) ++markers;
        }
        state.counters["blocks"] = blocks;
        state.counters["markers"] = markers;
    }
    deliverPostedEvents();
}
BENCHMARK(BM_ReloadAndPaintTheWeekOfACrowdedDayOfTwoZones)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
