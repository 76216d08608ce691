// The today planner's pass over a busy week, and the order repair of a large
// working list, each with its saving.
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Setting.h"
#include "Task.h"
#include "TaskOrder.h"
#include "TodayPlanner.h"
#include "support/BenchDatabase.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int openTasks = 500;
constexpr int events = 200;
constexpr int itemsToRenumber = 5000;

Date at(int day, int hour, int minute = 0) { return GregorianCalendar::dateFromFields(2014, 1, day, hour, minute, 0); }

// 200 events over four weeks (every tenth repeating daily) and 500 open tasks of
// mixed durations, Monday 13 January 2014 at 07:00, working 09:00-17:00.
class PlannerDatabase : public BenchDatabase {
public:
    explicit PlannerDatabase(int taskCount)
    {
        Clock::setFixed(at(13, 7));
        const SettingPtr setting = dataManager().currentSetting();
        if (!setting) std::exit(1);
        QVariantMap hours;
        for (const QString& key : Setting::dayManagerKeys())
            hours.insert(key, key.endsWith(QStringLiteral("EndTime")) ? 1020 : 540);
        setting->setDayManagers(hours);
        setting->setMustDo(1);

        TaskList items;
        exec("BEGIN");
        for (int n = 0; n < events && taskCount == openTasks; ++n) {
            auto event = std::make_shared<Task>();
            event->setTaskType(0);
            event->setTaskName(QStringLiteral("Event %1").arg(n));
            event->setCalendarId(1);
            const Date start = at(1 + n % 28, 8 + n % 10, (n * 5) % 60);
            event->setStartTime(start);
            event->setEndTime(start.dateByAddingTimeInterval(1800 + (n % 3) * 900));
            if (n % 10 == 0) event->setRepeatType(1);
            event->setTaskOrder(n + 1);
            if (!event->insertIntoDatabase() || !event->dehydrate()) std::exit(1);
            items << event;
        }
        for (int n = 0; n < taskCount; ++n) {
            auto task = std::make_shared<Task>();
            task->setTaskType(1);
            task->setTaskName(QStringLiteral("Task %1").arg(n));
            task->setCalendarId(1);
            task->setDuration(15 + (n % 8) * 15);
            task->setHasDuration(n % 5 != 0);
            if (n % 17 == 0) {
                task->setHasDue(true);
                task->setDueEnd(at(13 + n % 3, 17));
            }
            // Every hundredth order is given twice, so the repair has work.
            task->setTaskOrder(events + n + 1 - (n % 100 == 99 ? 1 : 0));
            if (!task->insertIntoDatabase() || !task->dehydrate()) std::exit(1);
            items << task;
        }
        exec("COMMIT");
        dataManager().doWithAllTasksEventsAdes(items, 0);
    }
};

void BM_PlannerPass(benchmark::State& state)
{
    PlannerDatabase database(openTasks);
    for (auto _ : state) TodayPlanner::runPass(database.dataManager(), 0, false);
    const auto lists = database.dataManager().sevenDaysTaskList();
    qint64 placed = 0;
    for (const TaskList& day : lists.value_or(CoreData::WeekdayTaskLists())) placed += day.size();
    if (placed == 0) state.SkipWithError("nothing was planned");
    state.counters["placed"] = double(placed);
}
BENCHMARK(BM_PlannerPass)->Unit(benchmark::kMillisecond);

// The pass with the "longest first" order (filter 6) and one must-do day,
// over 500 to 32,000 open tasks (the argument): the must-do additions are
// looked for among the tasks the filter left out, which must stay linear.
void BM_PlannerPassLongestFirst(benchmark::State& state)
{
    PlannerDatabase database(int(state.range(0)));
    for (auto _ : state) TodayPlanner::runPass(database.dataManager(), 6, true);
    state.counters["perTask"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate
                                                                             | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlannerPassLongestFirst)->Arg(2000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond);

void BM_OrderRepair(benchmark::State& state)
{
    PlannerDatabase database(itemsToRenumber);
    TaskList items = database.dataManager().allTasksEventsAdes();
    for (auto _ : state) {
        state.PauseTiming();
        // Every order moves and two tie: the repair rewrites every item.
        for (qsizetype i = 0; i < items.size(); ++i) items[i]->setTaskOrder(2 * i + 2);
        items.first()->setTaskOrder(items.at(1)->taskOrder());
        state.ResumeTiming();
        if (!TodayPlanner::repairOrder(database.dataManager())) state.SkipWithError("nothing was renumbered");
    }
    state.counters["items"] = double(items.size());
}
BENCHMARK(BM_OrderRepair)->Unit(benchmark::kMillisecond);

// The first of 1,000 task rows dragged to the end and back: every order
// value moves, and all are saved in one unit.
void BM_DragAcrossRows(benchmark::State& state)
{
    PlannerDatabase database(1000);
    TaskList rows = database.dataManager().allTasksEventsAdes();
    std::sort(rows.begin(), rows.end(), [](const TaskPtr& a, const TaskPtr& b) { return a->taskOrder() < b->taskOrder(); });
    bool down = true;
    for (auto _ : state) {
        std::vector<TaskOrder::Row> orders;
        for (const TaskPtr& row : rows) orders.push_back(row->taskOrder());
        const int from = down ? 0 : int(rows.size()) - 1;
        const int to = down ? int(rows.size()) : 0;
        const TaskOrder::Move move = TaskOrder::plan(orders, from, to);
        const TaskPtr moved = rows.takeAt(from);
        rows.insert(move.dest, moved);
        TaskList affected;
        for (int row : move.rows) affected << rows[row];
        if (!TaskOrder::save(affected, move.orders)) state.SkipWithError("the order was not saved");
        down = !down;
    }
    state.counters["rows"] = double(rows.size());
}
BENCHMARK(BM_DragAcrossRows)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", "Europe/Paris");
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
