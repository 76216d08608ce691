// The cost of the notes page: loading every note of a working list of
// 50,000 items holding 5,000 notes into a laid-out list (the rows in view
// build their controls; the others when they come into view), and a click
// that selects a row of that list.
#include "Clock.h"
#include "CoreData.h"
#include "Event.h"
#include "GregorianCalendar.h"
#include "NoteListTableView.h"
#include "NoteListView.h"
#include "Task.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int itemsInTheList = 50000;

Date today() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0); }

class WorkingList : public BenchDatabase {
public:
    WorkingList()
    {
        Clock::setFixed(today());
        TaskList items;
        items.reserve(itemsInTheList);
        for (int n = 0; n < itemsInTheList; ++n) {
            auto item = std::make_shared<Task>();
            item->setPrimaryKey(n + 1);
            item->setCalendarId(1);
            item->setTaskType(n % 10 == 0 ? 3 : 1);
            item->setTaskName(QStringLiteral("Item %1").arg(n));
            item->setStartTime(today().dateByAddingTimeInterval(-60.0 * n));
            items.append(item);
        }
        dataManager().doWithAllTasksEventsAdes(items, 0);
    }
    ~WorkingList() { Clock::reset(); }
};

void BM_LoadFiveThousandNotes(benchmark::State& state)
{
    WorkingList list;
    NoteListView page(QRectF(0, 0, 290, 600));
    NoteListTableView* table = page.noteListTableView();
    for (auto _ : state) {
        table->loadDataByFilter(0);
        benchmark::DoNotOptimize(table->rowCount());
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = table->rowCount();
}
BENCHMARK(BM_LoadFiveThousandNotes)->Unit(benchmark::kMillisecond);

void BM_ClickSelectsARow(benchmark::State& state)
{
    WorkingList list;
    NoteListView page(QRectF(0, 0, 290, 600));
    NoteListTableView* table = page.noteListTableView();
    double time = 1000;
    int row = 0;
    for (auto _ : state) {
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        press.timestamp = time += 10;
        press.locationInWindow = table->convertPointToWindow(table->rectOfRow(row).center());
        table->mouseDown(press);
        press.type = EventType::LeftMouseUp;
        table->mouseUp(press);
        benchmark::DoNotOptimize(table->selectedRow());
        row = (row + 1) % 8;
    }
}
BENCHMARK(BM_ClickSelectsARow)->Unit(benchmark::kMicrosecond);

}  // namespace
