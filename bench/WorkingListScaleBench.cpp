// What a command costs as the organizer grows: 1,000 items added in one
// unit, and 1,000 deleted in one, against a working list of 500 to 50,000
// items (the argument). Each round is rolled back, so the list and the
// database stay the same size; the rollback is not timed.
//
// Counters: the resident memory the 1,000 inserts added (MB), and the time
// per item. A cost that does not depend on the list size shows as flat
// figures from the smallest argument to the largest.
#include "support/BenchDatabase.h"

#include "Clock.h"
#include "GregorianCalendar.h"
#include "Task.h"
#include "Transaction.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>

namespace {

constexpr int changedItems = 1000;

Date benchNow() { return GregorianCalendar::dateFromFields(2014, 6, 15, 10, 0, 0); }

double residentMB()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return double(resident) * 4096.0 / 1e6;
}

TaskPtr newTask(const QString& name)
{
    auto task = std::make_shared<Task>();
    task->setTaskName(name);
    task->setCalendarId(1);
    task->setStartTime(benchNow());
    return task;
}

// The working list holds `count` items; only the ones the rounds touch need
// rows, so the others are listed without being stored.
void fillWorkingList(CoreData& manager, int count)
{
    TaskList items;
    items.reserve(count);
    for (int i = 0; i < count; ++i) {
        TaskPtr item = newTask(QStringLiteral("Listed %1").arg(i));
        item->setPrimaryKey(1000000 + i);
        items.append(item);
    }
    manager.doWithAllTasksEventsAdes(items, 0);
}

void BM_InsertThousandInOneUnit(benchmark::State& state)
{
    BenchDatabase database;
    fillWorkingList(database.dataManager(), int(state.range(0)));
    double grown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = residentMB();
        {
            Transaction unit;
            state.ResumeTiming();
            for (int i = 0; i < changedItems; ++i)
                if (!newTask(QStringLiteral("Added %1").arg(i))->insertAndDehydrate())
                    state.SkipWithError("an item was not stored");
            state.PauseTiming();
            grown = std::max(grown, residentMB() - before);
        }
        state.ResumeTiming();
    }
    state.counters["grownMB"] = grown;
    state.counters["perItem"] =
        benchmark::Counter(double(changedItems), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_InsertThousandInOneUnit)
    ->Arg(500)->Arg(3125)->Arg(12500)->Arg(50000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeleteThousandInOneUnit(benchmark::State& state)
{
    BenchDatabase database;
    CoreData& manager = database.dataManager();
    fillWorkingList(manager, int(state.range(0)));
    TaskList stored;
    {
        Transaction unit;
        for (int i = 0; i < changedItems; ++i) {
            TaskPtr task = newTask(QStringLiteral("Deleted %1").arg(i));
            if (!task->insertAndDehydrate()) state.SkipWithError("an item was not stored");
            stored.append(task);
        }
        if (!unit.commit()) state.SkipWithError("the items were not stored");
    }
    for (auto _ : state) {
        Transaction unit;
        for (const TaskPtr& task : stored)
            if (!manager.doDeleteTask(task, false)) state.SkipWithError("an item was not deleted");
        state.PauseTiming();
        unit.rollback();
        state.ResumeTiming();
    }
    state.counters["perItem"] =
        benchmark::Counter(double(changedItems), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DeleteThousandInOneUnit)
    ->Arg(500)->Arg(3125)->Arg(12500)->Arg(50000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    Clock::setFixed(benchNow());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
