// The cost of one search of the quick-add bar: 50,000 loaded items (2,000
// of them repeating series) searched for a two-letter text, the groups
// built and the list laid out, one item in ten matching, in every group.
// The first search of a panel makes its rows; a search again with the
// panel's rows made may reuse them.
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "SearchResultView.h"
#include "SearchView.h"
#include "Task.h"
#include "support/BenchDatabase.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int loadedItems = 50000;
constexpr int repeatingSeries = 2000;

Date today() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0); }

// Tasks, timed and all-day events and notes in turn; every 25th item is a
// daily series. One name in ten holds "zq": every fourth group of four, so
// each kind matches (250 of the series too).
class LoadedItems : public BenchDatabase {
public:
    LoadedItems()
    {
        Clock::setFixed(today());
        TaskList items;
        items.reserve(loadedItems);
        for (int n = 0; n < loadedItems; ++n) {
            auto item = std::make_shared<Task>();
            item->setPrimaryKey(n + 1);
            const int kind = n % 4;
            item->setTaskType(kind == 3 ? 3 : (kind == 0 ? 1 : 0));
            item->setCalendarId(1);
            item->setTaskOrder(n + 1);
            item->setTaskName((n / 4) % 10 == 0 ? QStringLiteral("Item %1 zq").arg(n) : QStringLiteral("Item %1").arg(n));
            const Date start = today().dateByAddingTimeInterval(double(n % 60 - 30) * 86400 + 3600);
            item->setStartTime(start);
            item->setEndTime(start.dateByAddingTimeInterval(3600));
            if (kind == 2) item->setIsADE(1);
            if (kind != 0 && kind != 3 && n % 25 == 1 && n / 25 < repeatingSeries) {
                item->setRepeatType(1);
                item->setIsRepeatForever(1);
                item->setParentId(-1);
                item->setRepeatStartDate(start);
                item->setOccurrence(start.dateByAddingTimeInterval(7 * 86400));
            }
            items.append(item);
        }
        dataManager().doWithAllTasksEventsAdes(items, 0);
    }
    ~LoadedItems() { Clock::reset(); }
};

// A new panel for every search: it makes its rows (the rows in view).
void BM_FirstSearchFiftyThousandItems(benchmark::State& state)
{
    LoadedItems items;
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto panel = std::make_unique<SearchView>(QRectF(0, 0, 320, 600));
        state.ResumeTiming();
        panel->loadSearchResultWithSearchText(QStringLiteral("zq"));
        rows = panel->resultView()->rowCount();
        benchmark::DoNotOptimize(rows);
        state.PauseTiming();
        panel.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_FirstSearchFiftyThousandItems)->Unit(benchmark::kMillisecond);

// One panel searched again and again, as while the user types.
void BM_SearchAgainFiftyThousandItems(benchmark::State& state)
{
    LoadedItems items;
    SearchView panel(QRectF(0, 0, 320, 600));
    SearchResultView* list = panel.resultView();
    panel.loadSearchResultWithSearchText(QStringLiteral("zq"));
    for (auto _ : state) {
        panel.loadSearchResultWithSearchText(QStringLiteral("zq"));
        benchmark::DoNotOptimize(list->rowCount());
        state.PauseTiming();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["rows"] = list->rowCount();
}
BENCHMARK(BM_SearchAgainFiftyThousandItems)->Unit(benchmark::kMillisecond);

}  // namespace
