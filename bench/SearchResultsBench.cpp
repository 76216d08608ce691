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
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"
#include "support/SearchableItems.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

Date today() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0); }

// Every kind in turn, 2,000 daily series among them; one name in ten holds
// "zq", in each of the five groups (support/SearchableItems.h).
class LoadedItems : public BenchDatabase {
public:
    LoadedItems()
    {
        Clock::setFixed(today());
        dataManager().doWithAllTasksEventsAdes(SearchableItems::make(today(), QStringLiteral("zq")), 0);
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
        deliverPostedEvents();
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
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = list->rowCount();
}
BENCHMARK(BM_SearchAgainFiftyThousandItems)->Unit(benchmark::kMillisecond);

}  // namespace
