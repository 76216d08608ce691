// The cost of one search of the quick-add bar: 50,000 loaded items (2,000
// of them repeating series) searched for a two-letter text, the groups
// built and the list laid out, one item in ten matching.
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "SearchResultView.h"
#include "SearchView.h"
#include "Task.h"
#include "support/BenchDatabase.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int loadedItems = 50000;
constexpr int repeatingSeries = 2000;

Date today() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0); }

// Tasks, timed and all-day events and notes in turn; every 25th item is a
// daily series. One name in ten holds "zq".
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
            item->setTaskName(n % 10 == 0 ? QStringLiteral("Item %1 zq").arg(n) : QStringLiteral("Item %1").arg(n));
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

void BM_SearchFiftyThousandItems(benchmark::State& state)
{
    LoadedItems items;
    SearchView panel(QRectF(0, 0, 320, 600));
    SearchResultView* list = panel.resultView();
    for (auto _ : state) {
        panel.loadSearchResultWithSearchText(QStringLiteral("zq"));
        benchmark::DoNotOptimize(list->rowCount());
        state.PauseTiming();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["rows"] = list->rowCount();
}
BENCHMARK(BM_SearchFiftyThousandItems)->Unit(benchmark::kMillisecond);

}  // namespace
