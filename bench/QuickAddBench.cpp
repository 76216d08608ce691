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
#include "Task.h"
#include "TextField.h"
#include "support/BenchDatabase.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

constexpr int loadedItems = 50000;

Date today() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 20, 0); }

// Tasks, timed and all-day events and notes in turn, every 25th a daily
// series; one name in ten holds "q", so one typed "q" lists 5,000 rows.
class LoadedItems : public BenchDatabase {
public:
    LoadedItems()
    {
        Clock::setFixed(today());
        Scheduler::setCurrent(&scheduler);
        TaskList items;
        items.reserve(loadedItems);
        for (int n = 0; n < loadedItems; ++n) {
            auto item = std::make_shared<Task>();
            item->setPrimaryKey(n + 1);
            const int kind = n % 4;
            item->setTaskType(kind == 3 ? 3 : (kind == 0 ? 1 : 0));
            item->setCalendarId(1);
            item->setTaskOrder(n + 1);
            item->setTaskName(n % 10 == 0 ? QStringLiteral("Item %1 q").arg(n) : QStringLiteral("Item %1").arg(n));
            const Date start = today().dateByAddingTimeInterval(double(n % 60 - 30) * 86400 + 3600);
            item->setStartTime(start);
            item->setEndTime(start.dateByAddingTimeInterval(3600));
            if (kind == 2) item->setIsADE(1);
            if (kind != 0 && kind != 3 && n % 25 == 1) {
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
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
