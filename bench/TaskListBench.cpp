// The cost of the task pane: loading 5,000 open tasks, 300 of them planned
// over the week, into a laid-out list, and one frame of scrolling that list
// (the scroll and the paint of what comes into view).
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "ScrollView.h"
#include "Task.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TextTable.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr int openTasks = 5000;
constexpr int plannedTasks = 300;

// Monday 7 December 2026, 10:00.
Date today() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0); }

// The working list with 5,000 open tasks, some due, some with a duration,
// and the week's plan holding 300 of them, as the planner leaves it.
class OpenTasks : public BenchDatabase {
public:
    OpenTasks()
    {
        Clock::setFixed(today());
        TaskList items;
        items.reserve(openTasks);
        for (int n = 0; n < openTasks; ++n) {
            auto item = std::make_shared<Task>();
            item->setPrimaryKey(n + 1);
            item->setTaskType(1);
            item->setCalendarId(1);
            item->setTaskOrder(n + 1);
            item->setTaskName(QStringLiteral("Open task %1").arg(n));
            item->setHasDue(n % 3 == 0 ? 1 : 0);
            if (n % 3 == 0) item->setDueEnd(today().dateByAddingTimeInterval(double(n % 20 - 5) * 86400));
            item->setRepeatType(n % 17 == 0 ? 2 : 0);
            items.append(item);
        }
        dataManager().doWithAllTasksEventsAdes(items, 0);
        const char* keys[] = {"monText", "tueText", "wedText", "thuText", "friText", "satText", "sunText"};
        CoreData::WeekdayTaskLists week;
        for (int n = 0; n < plannedTasks; ++n)
            week[TextTable::localizedString(QString::fromLatin1(keys[n % 7]))].append(items[n * 7]);
        dataManager().setSevenDaysTaskList(week);
    }
    ~OpenTasks() { Clock::reset(); }
};

// Each load finds the list changed (the last unplanned task moves to the top
// and back in turn), so its rows are built again, not kept.
void BM_LoadFiveThousandOpenTasks(benchmark::State& state)
{
    OpenTasks tasks;
    TaskListView pane(QRectF(0, 0, 300, 700));
    TaskListTableView* list = pane.taskListTableView();
    const TaskPtr moved = tasks.dataManager().allTasksEventsAdes().back();
    const qint64 order = moved->taskOrder();
    for (auto _ : state) {
        state.PauseTiming();
        moved->setTaskOrder(moved->taskOrder() == order ? 0 : order);
        state.ResumeTiming();
        list->loadDataWithFilter(0, 0);
        benchmark::DoNotOptimize(list->rowCount());
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = list->rowCount();
}
BENCHMARK(BM_LoadFiveThousandOpenTasks)->Unit(benchmark::kMillisecond);

// A load that finds the same rows as the one before, as most refreshes do.
void BM_ReloadFiveThousandUnchanged(benchmark::State& state)
{
    OpenTasks tasks;
    TaskListView pane(QRectF(0, 0, 300, 700));
    TaskListTableView* list = pane.taskListTableView();
    list->loadDataWithFilter(0, 0);
    for (auto _ : state) {
        list->loadDataWithFilter(0, 0);
        benchmark::DoNotOptimize(list->rowCount());
    }
    state.counters["rows"] = list->rowCount();
}
BENCHMARK(BM_ReloadFiveThousandUnchanged)->Unit(benchmark::kMillisecond);

void BM_ScrollOneFrame(benchmark::State& state)
{
    OpenTasks tasks;
    TaskListView pane(QRectF(0, 0, 300, 700));
    pane.taskListTableView()->loadDataWithFilter(0, 0);
    ScrollView* scroll = pane.tableScrollView();
    QImage image(scroll->frame().size().toSize(), QImage::Format_ARGB32_Premultiplied);
    double offset = 0;
    for (auto _ : state) {
        // A fling's frame: 120 points further, back to the top at the end.
        offset = offset + 120 > scroll->maximumScrollOffset() ? 0 : offset + 120;
        scroll->scrollToPoint(QPointF(0, offset));
        QPainter painter(&image);
        scroll->render(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ScrollOneFrame)->Unit(benchmark::kMillisecond);

}  // namespace
