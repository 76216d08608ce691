// The cost of the task editor: opening a due task with five alerts, a typed
// duration and links (build, load, lay out), and Done on it after a change,
// the system-calendar job left out (the data manager's sync does nothing).
#include "AlertRows.h"
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "CustomNSTextField.h"
#include "GregorianCalendar.h"
#include "Link.h"
#include "Task.h"
#include "TaskDetailView.h"
#include "iCalSync.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class DueTask : public BenchDatabase {
public:
    DueTask()
    {
        Clock::setFixed(GregorianCalendar::dateFromFields(2026, 12, 7, 10, 7, 0));
        dataManager().setICalSync(std::make_unique<iCalSync>());
        const CalendarPtr category = dataManager().calendarList().value(0);
        item = makeTask(QStringLiteral("Quarterly report"), category);
        item->setHasDue(1);
        item->setDueEnd(GregorianCalendar::dateFromFields(2026, 12, 11, 17, 0, 0));
        item->setDuration(100);
        item->setHasDuration(1);
        item->setAlertValues(QStringLiteral("/1|-600|/1|-3600|Bell/1|-86400|/1|-172800|Chime/1|-300|"));
        item->setTagList(QStringLiteral("/work"));
        if (!item->dehydrate()) std::exit(1);
        for (int i = 0; i < 3; ++i) {
            const TaskPtr target = makeTask(QStringLiteral("Linked %1").arg(i), category);
            auto link = std::make_shared<Link>();
            link->setRootId(item->primaryKey());
            link->setTargetId(target->primaryKey());
            if (!link->insertIntoDatabase(RecordStore::sharedDatabase())) std::exit(1);
        }
    }
    ~DueTask() { Clock::reset(); }

    static TaskPtr makeTask(const QString& name, const CalendarPtr& category)
    {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(name);
        task->setCalendarId(category ? category->primaryKey() : 1);
        task->setStartTime(GregorianCalendar::dateFromFields(2026, 12, 8, 9, 0, 0));
        if (!task->insertAndDehydrate()) std::exit(1);
        return task;
    }

    TaskPtr item;
};

void BM_OpenDueTaskWithFiveAlertsAndLinks(benchmark::State& state)
{
    DueTask data;
    for (auto _ : state) {
        TaskDetailView form(QRectF(0, 0, 280, 100));
        form.setType(1);
        form.loadDataFromTask(data.item);
        benchmark::DoNotOptimize(form.frame().height());
        if (form.alertRows().alertList().size() != 5) state.SkipWithError("the five alerts did not load");
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.SetLabel("build, load and lay out one task form");
}
BENCHMARK(BM_OpenDueTaskWithFiveAlertsAndLinks)->Unit(benchmark::kMillisecond);

void BM_DoneOnAChangedDueTask(benchmark::State& state)
{
    DueTask data;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TaskDetailView>(QRectF(0, 0, 280, 100));
        form->setType(1);
        form->loadDataFromTask(data.item);
        form->locationTextField()->setStringValue(QStringLiteral("Room %1").arg(++round));
        form->showRevert();
        state.ResumeTiming();
        form->doneEdit();
        state.PauseTiming();
        form.reset();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.SetLabel("write, store and follow-ups of one save");
}
BENCHMARK(BM_DoneOnAChangedDueTask)->Unit(benchmark::kMillisecond);

}  // namespace
