// Done on the in-place rows of a link list: the task row (without its
// background system-calendar job: no calendar store is set) within a frame
// (16 ms), and the event row on a later occurrence of a daily series that
// has 200 stored detached occurrences, which splits the series there
// (50 ms).
#include "CoreData.h"
#include "CustomNSTextField.h"
#include "EventLinkDetailView.h"
#include "Setting.h"
#include "Task.h"
#include "TaskLinkDetailView.h"
#include "Utilities.h"
#include "support/BenchDatabase.h"

#include <benchmark/benchmark.h>

namespace {

TaskPtr storedItem(qint64 type, const QString& name, const Date& start, const Date& end)
{
    auto item = std::make_shared<Task>();
    item->setTaskType(type);
    item->setTaskName(name);
    item->setCalendarId(1);
    item->setStartTime(start);
    item->setEndTime(end);
    item->setDueEnd(end);
    item->setHasDue(1);
    return item->insertAndDehydrate() ? item : nullptr;
}

void BM_TaskRowDone(benchmark::State& state)
{
    BenchDatabase data;
    const Date start = Utilities::getCompleteDate();
    const TaskPtr task = storedItem(1, QStringLiteral("Report"), start, Utilities::dateByAddTimeInterval(3600, start));
    TaskLinkDetailView row(QRectF(0, 0, 280, 110.8));
    row.loadDataFromTask(task);
    int turn = 0;
    for (auto _ : state) {
        row.title()->setStringValue(QStringLiteral("Report %1").arg(++turn));
        row.doneEdit();
    }
    if (Task::initWithPrimaryKey(task->primaryKey())->taskName() != QStringLiteral("Report %1").arg(turn))
        state.SkipWithError("the task was not stored");
}
BENCHMARK(BM_TaskRowDone)->Unit(benchmark::kMillisecond);

void BM_EventRowDoneOnALaterOccurrence(benchmark::State& state)
{
    BenchDatabase data;
    const Date first = Utilities::newDateOnDate(Utilities::getCompleteDate(), 9, 0);
    for (auto _ : state) {
        state.PauseTiming();
        const TaskPtr series =
            storedItem(0, QStringLiteral("Stand-up"), first, Utilities::dateByAddTimeInterval(1800, first));
        series->setRepeatStartDate(first);
        series->setRepeatType(1);
        series->setRepeatOptions(QStringLiteral("1//0"));
        series->setIsRepeatForever(1);
        bool stored = series->dehydrate();
        // Every other day moved, 200 in all.
        for (int i = 1; i <= 200; ++i) {
            const Date at = Utilities::newDateOnDate(Utilities::dateByAddTimeInterval((2 * i - 1) * 86400.0, first), 9, 0);
            auto detached = std::make_shared<Task>();
            detached->setTaskType(0);
            detached->setTaskName(QStringLiteral("Moved"));
            detached->setParentId(series->primaryKey());
            detached->setOccurrence(at);
            detached->setStartTime(Utilities::dateByAddTimeInterval(3600, at));
            detached->setEndTime(Utilities::dateByAddTimeInterval(5400, at));
            stored = detached->insertAndDehydrate() && stored;
        }
        if (!stored) state.SkipWithError("the series could not be stored");
        // A generated occurrence halfway through the moved ones.
        TaskPtr occurrence = series->copy();
        occurrence->setPrimaryKey(-2);
        occurrence->setParentId(series->primaryKey());
        const Date later = Utilities::newDateOnDate(Utilities::dateByAddTimeInterval(200 * 86400.0, first), 9, 0);
        occurrence->setOccurrence(later);
        occurrence->setStartTime(later);
        occurrence->setEndTime(Utilities::dateByAddTimeInterval(1800, later));
        EventLinkDetailView row(QRectF(0, 0, 280, 110.8));
        row.loadDataFromEvent(occurrence);
        row.title()->setStringValue(QStringLiteral("Daily sync"));
        state.ResumeTiming();
        row.doneEdit();
        state.PauseTiming();
        if (Task::initWithPrimaryKey(series->primaryKey())->repeatEndDate().isNull())
            state.SkipWithError("the series was not ended before the occurrence");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EventRowDoneOnALaterOccurrence)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
