// The cost of the main window's hub: building the main view with every
// pane, deciding which panes a change reloads, and the refresh that follows
// an item box's "Task changed" once the debounce has fired, over a working
// list of 50,000 items (the refresh also at four and sixteen times as many),
// and an item added as the quick-add bar adds it until the window is drawn
// with its box. Under QT_QPA_PLATFORM=xcb (scripts/with-display.sh) the
// window is a real one, and what the X server answers counts too.
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
#include "TaskView.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
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
    // Whether the undone tasks of BM_AddedItemUntilDrawn were stored.
    bool hasUndoneTasks = false;

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

// Return in the quick-add bar to the item drawn in the day grid, less the
// 0.5 s debounce: the event stored and listed as the bar stores it, the
// list's change heard, the reload the debounce runs, what it marked drawn. The
// argument is the number of items, to which come forty open tasks of half an
// hour that the week's plan pours into the shown day's working hours, as a
// person's undone tasks are. Between turns (untimed) the event is deleted
// again and the view reloaded, so each turn adds to the same day.
void BM_AddedItemUntilDrawn(benchmark::State& state)
{
    Product& organizer = product(int(state.range(0)));
    const qint64 zone = CoreData::shared()->getDefaultTimezone();
    for (int i = 0; i < 40 && !organizer.hasUndoneTasks; ++i) {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(QStringLiteral("Undone %1").arg(i));
        task->setCalendarId(1);
        task->setTz(zone);
        task->setHasDuration(1);
        task->setDuration(30);
        task->setTaskOrder(i);
        if (!task->insertAndDehydrate()) std::exit(1);
    }
    organizer.hasUndoneTasks = true;
    deliverPostedEvents();
    View window(QRectF(0, 0, 1900, 900));
    auto* view = new MainView(QRectF(0, 0, 1900, 900), &window);
    MainView::setCurrent(view);
    window.show();
    while (!view->isWindowVisible()) QCoreApplication::processEvents();
    view->refreshADEListDelay();
    deliverPostedEvents();
    QCoreApplication::processEvents();
    CalendarView* grid = view->dayCalendarView()->calendarView();
    int added = 0;
    for (auto _ : state) {
        auto item = std::make_shared<Task>();
        item->setTaskType(0);
        item->setTaskName(QStringLiteral("Added %1").arg(++added));
        item->setCalendarId(1);
        item->setTz(zone);
        const Date start = GregorianCalendar::dateFromFields(2026, 12, 7, 15, 0, 0);
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(30 * 60));
        if (!item->insertAndDehydrate()) {
            state.SkipWithError("the event was not stored");
            break;
        }
        deliverPostedEvents();  // heard: the debounce starts
        view->refreshADEListDelay();  // and runs out
        deliverPostedEvents();
        // Drawn as the event loop draws: what the reload marked for drawing.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);

        state.PauseTiming();
        const auto& boxes = grid->eventBoxes();
        const bool drawn = std::any_of(boxes.begin(), boxes.end(), [&](const QPointer<TaskView>& box) {
            return box && box->task() && box->task()->primaryKey() == item->primaryKey() && box->isVisible();
        });
        if (!drawn) {
            state.SkipWithError("the added event has no box on the grid");
            break;
        }
        item->deleteFromDatabase();
        deliverPostedEvents();
        view->refreshADEListDelay();
        deliverPostedEvents();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["dayBoxes"] = double(grid->eventBoxes().size());
    state.counters["pieces"] = double(grid->taskPieces().size());
    state.counters["items"] = double(CoreData::shared()->allTasksEventsAdes().size());
    MainView::setCurrent(nullptr);
}
BENCHMARK(BM_AddedItemUntilDrawn)->Arg(0)->Arg(workingListItems)->Unit(benchmark::kMillisecond);

}  // namespace
