// The quick create popover over 50,000 loaded items: Return on a task line
// with a defer choice (the line parsed, the task planned, stored and listed,
// the title emptied), and a fresh view built and laid out for the task tab
// as each showing makes one.
#include "Clock.h"
#include "CoreData.h"
#include "CreatingView.h"
#include "GregorianCalendar.h"
#include "SegmentedControl.h"
#include "Task.h"
#include "TextField.h"
#include "support/BenchDatabase.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int loadedItems = 50000;

Date now() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 20, 0); }

class LoadedItems : public BenchDatabase {
public:
    LoadedItems()
    {
        Clock::setFixed(now());
        TaskList items;
        items.reserve(loadedItems);
        for (int n = 0; n < loadedItems; ++n) {
            auto item = std::make_shared<Task>();
            item->setPrimaryKey(n + 1);
            item->setTaskType(n % 3 == 0 ? 1 : (n % 3 == 1 ? 0 : 3));
            item->setCalendarId(1);
            item->setTaskOrder(n + 1);
            item->setTaskName(QStringLiteral("Item %1").arg(n));
            const Date start = now().dateByAddingTimeInterval(double(n % 60 - 30) * 86400);
            item->setStartTime(start);
            item->setEndTime(start.dateByAddingTimeInterval(3600));
            items.append(item);
        }
        dataManager().doWithAllTasksEventsAdes(items, 0);
    }
    ~LoadedItems() { Clock::reset(); }
};

void BM_ReturnOnATaskLine(benchmark::State& state)
{
    LoadedItems items;
    CreatingView view(QRectF(0, 0, CreatingView::viewWidth, CreatingView::compactHeight));
    view.menuSegmentedControl()->selectSegmentWithTag(1);
    view.menuControl(view.menuSegmentedControl());
    view.deferOn()->selectSegmentWithTag(CreatingView::DeferToday);
    for (auto _ : state) {
        view.titleField()->setStringValue(QStringLiteral("  #tCall the garage "));
        view.doCommand(view.titleField(), FieldCommand::InsertNewline);
        benchmark::DoNotOptimize(view.titleField()->stringValue());
    }
}
BENCHMARK(BM_ReturnOnATaskLine)->Unit(benchmark::kMillisecond);

void BM_FreshViewOnTheTaskTab(benchmark::State& state)
{
    for (auto _ : state) {
        CreatingView view(QRectF(0, 0, CreatingView::viewWidth, CreatingView::compactHeight));
        view.menuSegmentedControl()->selectSegmentWithTag(1);
        view.menuControl(view.menuSegmentedControl());
        benchmark::DoNotOptimize(view.frame());
    }
}
BENCHMARK(BM_FreshViewOnTheTaskTab)->Unit(benchmark::kMicrosecond);

}  // namespace
