// The quick-add bar with 50,000 loaded items: one character typed into the
// collapsed bar (it grows, searches and lays the results out), and Return
// on a task line until the bar has collapsed again (the item stored).
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "ManualScheduler.h"
#include "QuickAddView.h"
#include "Scheduler.h"
#include "SearchResultView.h"
#include "SearchView.h"
#include "TextField.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"
#include "support/SearchableItems.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

Date today() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 20, 0); }

// Every kind in turn, 2,000 daily series among them; one name in ten holds
// "q", in each kind (support/SearchableItems.h), so one typed "q" lists
// 5,000 rows in the five groups.
class LoadedItems : public BenchDatabase {
public:
    LoadedItems()
    {
        Clock::setFixed(today());
        Scheduler::setCurrent(&scheduler);
        dataManager().doWithAllTasksEventsAdes(SearchableItems::make(today(), QStringLiteral("q")), 0);
    }
    ~LoadedItems()
    {
        Scheduler::setCurrent(nullptr);
        Clock::reset();
    }

    ManualScheduler scheduler;
};

void sendKey(QLineEdit& editor, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&editor, &press);
}

void BM_TypeOneCharacterIntoTheCollapsedBar(benchmark::State& state)
{
    LoadedItems items;
    QuickAddView bar(QRectF(0, 0, 280, 28));
    bar.resize(280, 700);
    QLineEdit& editor = *bar.searchAndAdd()->editor();
    SearchResultView* list = bar.searchView()->resultView();
    for (auto _ : state) {
        sendKey(editor, 0, QStringLiteral("q"));
        benchmark::DoNotOptimize(list->rowCount());
        state.PauseTiming();
        bar.resetData();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    sendKey(editor, 0, QStringLiteral("q"));
    state.counters["rows"] = list->rowCount();
}
BENCHMARK(BM_TypeOneCharacterIntoTheCollapsedBar)->Unit(benchmark::kMillisecond);

void BM_ReturnOnATaskLineUntilCollapsed(benchmark::State& state)
{
    LoadedItems items;
    QuickAddView bar(QRectF(0, 0, 280, 28));
    QLineEdit& editor = *bar.searchAndAdd()->editor();
    for (auto _ : state) {
        state.PauseTiming();
        // Typed as the user does: the bar has grown and searched.
        for (const QChar c : QStringLiteral("#tCall")) sendKey(editor, 0, QString(c));
        state.ResumeTiming();
        sendKey(editor, Qt::Key_Return, QString());
        benchmark::DoNotOptimize(bar.frame().height());
    }
    state.counters["items"] = double(items.dataManager().allTasksEventsAdes().size());
}
BENCHMARK(BM_ReturnOnATaskLineUntilCollapsed)->Unit(benchmark::kMillisecond);

}  // namespace
