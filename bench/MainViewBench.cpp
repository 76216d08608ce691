// The cost of the main window's hub: building the main view with every
// pane, deciding which panes a change reloads, and the refresh that follows
// an item box's "Task changed" once the debounce has fired, over a working
// list of 50,000 items (the refresh also at four and sixteen times as many).
#include "Calendar.h"
#include "CalendarView.h"
#include "DayCalendarView.h"
#include "Clock.h"
#include "CoreData.h"
#include "support/BenchDatabase.h"
#include "GregorianCalendar.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "ManualScheduler.h"
#include "RecordStore.h"
#include "RefreshRule.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Task.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int workingListItems = 50000;

Date theDay() { return GregorianCalendar::dateFromFields(2026, 12, 7, 0, 0, 0); }

// A database and a data manager whose working list holds the given number
// of events and tasks (50,000 unless told) over a few years, a hundred of
// them on the shown day.
class Product : public BenchDatabase {
public:
    explicit Product(int items)
        : m_items(items)
    {
        Clock::setFixed(theDay().dateByAddingTimeInterval(10 * 3600));
        Scheduler::setCurrent(&m_scheduler);
        CoreData* manager = &dataManager();
        const qint64 zone = manager->getDefaultTimezone();

        exec("BEGIN");
        for (int i = 0; i < items; ++i) {
            auto item = std::make_shared<Task>();
            const bool event = i % 2 == 0;
            item->setTaskType(event ? 0 : 1);
            item->setTaskName(QStringLiteral("Item %1").arg(i));
            item->setCalendarId(1);
            item->setTz(zone);
            // A hundred on the shown day, the rest spread over four years.
            const int dayOffset = i < 100 ? 0 : (i * 7919) % 1460 - 730;
            const Date start = GregorianCalendar::dateFromFields(2026, 12, 7 + dayOffset, 8 + i % 10, (i * 13) % 60, 0);
            if (event) {
                item->setStartTime(start);
                item->setEndTime(start.dateByAddingTimeInterval(45 * 60));
            } else {
                item->setHasDue(1);
                item->setDueEnd(start);
            }
            if (!item->insertAndDehydrate()) std::exit(1);
        }
        exec("COMMIT");
        mainViewHeight = 900;
    }

    ~Product() { Scheduler::setCurrent(nullptr); }

    ManualScheduler& scheduler() { return m_scheduler; }
    int items() const { return m_items; }

private:
    int m_items;
    ManualScheduler m_scheduler;
};

// One organizer at a time: a benchmark of another size replaces it.
Product& product(int items = workingListItems)
{
    static std::unique_ptr<Product> made;
    if (!made || made->items() != items) {
        made.reset();
        made = std::make_unique<Product>(items);
    }
    return *made;
}

void BM_BuildMainView(benchmark::State& state)
{
    product();
    for (auto _ : state) {
        auto view = std::make_unique<MainView>(QRectF(0, 0, 1900, 900));
        benchmark::DoNotOptimize(view.get());
        view.reset();
        deliverPostedEvents();
    }
}
BENCHMARK(BM_BuildMainView)->Unit(benchmark::kMillisecond);

void BM_ReloadRule(benchmark::State& state)
{
    const QStringList chain{QStringLiteral("TaskView"), QStringLiteral("View"), QStringLiteral("QWidget"),
                            QStringLiteral("QObject")};
    for (auto _ : state) benchmark::DoNotOptimize(RefreshRule::panesToReload(chain, false, 1));
}
BENCHMARK(BM_ReloadRule)->Unit(benchmark::kNanosecond);

// The work once the debounce fires for a box of the day grid: the task
// list, the mini month and the day pane, the project list. The first
// argument is the number of items; with a second argument of 1 each refresh
// follows a write of one task's row (untimed), as after a real edit, so no
// read is answered from what an earlier refresh found.
void BM_RefreshAfterAnItemBoxChange(benchmark::State& state)
{
    Product& organizer = product(int(state.range(0)));
    const bool writes = state.range(1) != 0;
    int written = 0;
    View window(QRectF(0, 0, 1900, 900));
    auto* view = new MainView(QRectF(0, 0, 1900, 900), &window);
    MainView::setCurrent(view);
    window.show();
    while (!view->isWindowVisible()) QCoreApplication::processEvents();
    const QStringList sender{QStringLiteral("TaskView"), QStringLiteral("View")};
    // The first refresh makes the list's row views; the ones measured bind
    // them again, as every refresh after the window's first does.
    view->refreshDelay(sender);
    deliverPostedEvents();
    for (auto _ : state) {
        if (writes) {
            state.PauseTiming();
            // One task's name changes; what the lists hold does not.
            organizer.exec(QStringLiteral("UPDATE Tasks SET taskName='Renamed %1' "
                                          "WHERE primaryKey=(SELECT MAX(primaryKey) FROM Tasks WHERE taskType=1)")
                               .arg(++written % 2)
                               .toUtf8());
            state.ResumeTiming();
        }
        view->refreshDelay(sender);
        deliverPostedEvents();
    }
    state.counters["dayBoxes"] = double(view->dayCalendarView()->calendarView()->eventBoxes().size());
    state.counters["items"] = double(CoreData::shared()->allTasksEventsAdes().size());
    MainView::setCurrent(nullptr);
}
BENCHMARK(BM_RefreshAfterAnItemBoxChange)
    ->Args({workingListItems, 0})
    ->Args({workingListItems, 1})
    ->Args({4 * workingListItems, 0})
    ->Args({4 * workingListItems, 1})
    // Sixteen times the items (about a minute to store them) shows the growth.
    ->Args({16 * workingListItems, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
