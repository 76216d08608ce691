// The month planner with 2,000 items in its range: a whole reload (gathering,
// ordering, chip layout and painting into an image), the chip layout with its
// views alone, and one drop decision with its new times.
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "PlannerDropRules.h"
#include "PlannerMonthLayout.h"
#include "PlannerMonthView.h"
#include "PlannerWeekView.h"
#include "Task.h"
#include "Utilities.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr int monthItems = 2000;

BenchDatabase& database()
{
    static BenchDatabase made;
    return made;
}

// Events (a quarter all-day), tasks due and notes spread over December 2026.
TaskList monthBenchItems()
{
    TaskList items;
    for (int i = 0; i < monthItems; ++i) {
        auto item = std::make_shared<Task>();
        item->setPrimaryKey(i + 1);
        const int kind = i % 4;
        item->setTaskType(kind == 2 ? 1 : kind == 3 ? 3 : 0);
        item->setIsADE(kind == 0);
        item->setTaskName(QStringLiteral("Item %1").arg(i));
        item->setCalendarId(1);
        const Date start = GregorianCalendar::dateFromFields(2026, 12, 1 + i % 31, kind == 0 ? 0 : 8 + i % 10, 0, 0);
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(kind == 0 ? 86399 : 3600));
        item->setDuration(kind == 0 ? 1439 : 60);
        if (kind == 2) {
            item->setHasDue(1);
            item->setDueEnd(start);
        }
        items.append(item);
    }
    return items;
}

struct MonthBenchSetup {
    MonthBenchSetup()
    {
        CoreData& manager = database().dataManager();
        manager.doWithAllTasksEventsAdes(monthBenchItems(), 0);
        planner.setFrameOrigin(QPointF(17, 0));
        QImage first(727, 574, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&first);
        planner.render(&painter);  // the first drawing gives the planner its sizes
    }
    PlannerMonthView planner{QRectF(17, 0, 727, 574)};
};

void BM_ReloadMonthWith2000ItemsAndPaint(benchmark::State& state)
{
    MonthBenchSetup setup;
    QImage canvas(727, 574, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        setup.planner.reloadData();
        // What a turn of the event loop does: the events the new views posted,
        // then the old views deleted.
        deliverPostedEvents();
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        setup.planner.render(&painter);
    }
}
BENCHMARK(BM_ReloadMonthWith2000ItemsAndPaint)->Unit(benchmark::kMillisecond);

void BM_DrawItemsOfTheMonth(benchmark::State& state)
{
    MonthBenchSetup setup;
    setup.planner.reloadData();
    for (auto _ : state) {
        setup.planner.drawItems();
        // What a turn of the event loop does: the events the new views posted,
        // then the old views deleted.
        deliverPostedEvents();
    }
}
BENCHMARK(BM_DrawItemsOfTheMonth)->Unit(benchmark::kMillisecond);

// The layout as a plain function, without making the views.
void BM_ChipLayoutOnly(benchmark::State& state)
{
    MonthBenchSetup setup;
    setup.planner.reloadData();
    const PlannerMonthLayout::Grid grid{setup.planner.startDate(), setup.planner.itemCellHeight(), 22, 5, 6,
                                        setup.planner.itemWidth()};
    size_t chips = 0;
    for (auto _ : state) {
        const PlannerMonthLayout::Result result = PlannerMonthLayout::layOut(grid, setup.planner.lists());
        chips = result.chips.size() + result.buttons.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["views"] = double(chips);
}
BENCHMARK(BM_ChipLayoutOnly)->Unit(benchmark::kMicrosecond);

void BM_OneDropDecisionWithItsNewTimes(benchmark::State& state)
{
    database();
    const Date cellDay = GregorianCalendar::dateFromFields(2026, 12, 10, 0, 0, 0);
    const Date oldDue = GregorianCalendar::dateFromFields(2026, 12, 7, 17, 30, 0);
    for (auto _ : state) {
        const auto action = PlannerDropRules::dropAction(1, false, PlannerDropRules::Source::PlannerChip, false);
        const auto time = PlannerDropRules::dropTimeOfImageTop(23 + 47 * 14.3);
        const Date due = Utilities::newDateOnDate(cellDay, Utilities::getHour(oldDue), Utilities::getMinute(oldDue));
        benchmark::DoNotOptimize(action);
        benchmark::DoNotOptimize(time);
        benchmark::DoNotOptimize(due);
    }
}
BENCHMARK(BM_OneDropDecisionWithItsNewTimes)->Unit(benchmark::kMicrosecond);

}  // namespace
