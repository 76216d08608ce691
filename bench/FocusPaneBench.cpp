// The cost of the focus pane: loading one day's rows from a month's working
// list of 50,000 items, painting a list of 50 rows, and one move of the
// resize handle with the day pane laid out again behind it.
#include "Clock.h"
#include "CoreData.h"
#include "DayCalendarView.h"
#include "FocusPaneDetailView.h"
#include "FocusPaneView.h"
#include "GregorianCalendar.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "ResizeView.h"
#include "Task.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int itemsInTheMonth = 50000;
constexpr int daysInTheMonth = 31;

Date theDay() { return GregorianCalendar::dateFromFields(2026, 12, 7, 0, 0, 0); }

// The month's working list, in memory as the data manager holds it: tasks
// due, tasks done, notes and all-day events spread over the month's days,
// about 1,600 of them on the shown day.
class MonthList : public BenchDatabase {
public:
    MonthList()
    {
        Clock::setFixed(theDay().dateByAddingTimeInterval(10 * 3600));
        TaskList items;
        items.reserve(itemsInTheMonth);
        for (int n = 0; n < itemsInTheMonth; ++n) {
            auto item = std::make_shared<Task>();
            const int day = 1 + n % daysInTheMonth;
            const Date at = GregorianCalendar::dateFromFields(2026, 12, day, 8 + n % 10, n % 60, 0);
            item->setPrimaryKey(n + 1);
            item->setCalendarId(1);
            item->setTaskName(QStringLiteral("Item %1").arg(n));
            item->setDelegateStatus(n % 7 == 0 ? 1 : 0);
            item->setIsShared(n % 11 == 0);
            switch (n % 4) {
            case 0:
                item->setTaskType(1);
                item->setHasDue(1);
                item->setDueEnd(at);
                break;
            case 1:
                item->setTaskType(1);
                item->setStatus(1);
                item->setCompletedDate(at);
                break;
            case 2:
                item->setTaskType(3);
                item->setStartTime(at);
                break;
            default:
                item->setTaskType(0);
                item->setIsADE(1);
                item->setStartTime(GregorianCalendar::dateFromFields(2026, 12, day, 0, 0, 0));
                item->setEndTime(GregorianCalendar::dateFromFields(2026, 12, day, 23, 59, 59));
                break;
            }
            items.append(item);
        }
        dataManager().doWithAllTasksEventsAdes(items, 0);
    }
    ~MonthList() { Clock::reset(); }
};

void BM_LoadOneDaysRows(benchmark::State& state)
{
    MonthList month;
    FocusPaneDetailView list(QRectF(0, 0, 400, 200));
    for (auto _ : state) {
        list.loadDataOnDate(theDay());
        benchmark::DoNotOptimize(list.numberOfRows());
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = list.numberOfRows();
}
BENCHMARK(BM_LoadOneDaysRows)->Unit(benchmark::kMillisecond);

void BM_PaintFiftyRows(benchmark::State& state)
{
    MonthList month;
    FocusPaneDetailView list(QRectF(0, 0, 400, 50 * 18));
    TaskList items = month.dataManager().allTasksEventsAdes().mid(0, 50);
    std::vector<FocusPaneItemView*> rows;
    for (const TaskPtr& item : items) {
        auto* row = new FocusPaneItemView(QRectF(0, 0, 400, 16));
        row->setTask(item);
        rows.push_back(row);
    }
    list.setArrayOfTasks(rows);
    list.selectRowIndexes({3}, false);
    QImage image(400, 50 * 18, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        list.render(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFiftyRows)->Unit(benchmark::kMillisecond);

void BM_OneHandleDragMove(benchmark::State& state)
{
    BenchDatabase database;
    MonthView monthView(QRectF(0, 0, 280, 243));
    monthView.monthCalendarView()->setCurrentDay(theDay(), false);
    DayCalendarView day(QRectF(0, 0, 500, 800));
    day.setMonthView(&monthView);
    ResizeView* handle = day.focusPaneView()->focusPaneResizeView();
    Event press;
    press.type = EventType::LeftMouseDown;
    press.locationInWindow = handle->convertPointToWindow(handle->rectForResize().center());
    handle->mouseDown(press);
    Event drag;
    drag.type = EventType::LeftMouseDragged;
    double direction = 1;
    for (auto _ : state) {
        drag.deltaY = direction;
        handle->mouseDragged(drag);
        direction = -direction;
    }
    DayCalendarView::setFocusPaneListHeight(126);
}
BENCHMARK(BM_OneHandleDragMove)->Unit(benchmark::kMicrosecond);

}  // namespace
