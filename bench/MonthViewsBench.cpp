// The cost of the mini month over a busy working list: the delayed refresh
// of bars and shading, the layout of the cells painted into an image, and a
// month step of the main panel with four navigator months following it.
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MonthCalendarView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "Setting.h"
#include "Task.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int timedEvents = 2000;
constexpr int weeklySeries = 200;
constexpr int allDayEvents = 300;

Date shownMonth() { return GregorianCalendar::dateFromFields(2026, 3, 11, 0, 0, 0); }

// 2,000 timed events over the three months around the shown one (200 of
// them weekly series) and 300 all-day events of one to four days.
class MonthDatabase : public BenchDatabase {
public:
    MonthDatabase()
    {
        Clock::setFixed(shownMonth().dateByAddingTimeInterval(10 * 3600));
        CoreData* manager = &dataManager();
        exec("BEGIN");
        for (int i = 0; i < timedEvents; ++i) {
            auto event = std::make_shared<Task>();
            event->setTaskType(0);
            event->setTaskName(QStringLiteral("Event %1").arg(i));
            event->setCalendarId(1);
            event->setTz(manager->getDefaultTimezone());
            const Date start = GregorianCalendar::dateFromFields(2026, 2, 1 + (i * 7) % 88, 0, (i * 53) % (23 * 60), 0);
            event->setStartTime(start);
            event->setEndTime(start.dateByAddingTimeInterval(45 * 60.0));
            event->setDuration(45);
            if (i < weeklySeries) {
                event->setRepeatType(1);
                event->setIsRepeatForever(1);
                event->setRepeatStartDate(start);
            }
            if (!event->insertAndDehydrate()) std::exit(1);
        }
        for (int i = 0; i < allDayEvents; ++i) {
            auto event = std::make_shared<Task>();
            event->setTaskType(0);
            event->setIsADE(1);
            event->setTaskName(QStringLiteral("All day %1").arg(i));
            event->setCalendarId(1);
            const int day = 1 + (i * 11) % 88;
            event->setStartTime(GregorianCalendar::dateFromFields(2026, 2, day, 0, 0, 0));
            event->setEndTime(GregorianCalendar::dateFromFields(2026, 2, day + i % 4, 23, 59, 59));
            event->setDuration(1440 * (1 + i % 4));
            if (!event->insertAndDehydrate()) std::exit(1);
        }
        exec("COMMIT");
    }
};

MonthDatabase& database()
{
    static MonthDatabase made;
    return made;
}

void BM_DelayedRefreshOfAMainGrid(benchmark::State& state)
{
    database();
    MonthView panel(QRectF(0, 0, 280, 243));
    MonthCalendarView* grid = panel.monthCalendarView();
    grid->setMonthDate(shownMonth());
    panel.reloadDataWithDaylabel(true, true);
    for (auto _ : state) {
        grid->drawADEsForCurrentMonth();
        grid->calculateBusyRatio(CoreData::shared()->getEventListFromDate(grid->startTime(), grid->endTime()));
        deliverPostedEvents();
    }
    state.counters["bars"] = double(grid->arrayOfImageView().size());
}
BENCHMARK(BM_DelayedRefreshOfAMainGrid)->Unit(benchmark::kMillisecond);

void BM_DrawMonthCellsAndPaint(benchmark::State& state)
{
    database();
    MonthView panel(QRectF(0, 0, 280, 243));
    MonthCalendarView* grid = panel.monthCalendarView();
    grid->setMonthDate(shownMonth());
    QImage target(panel.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        grid->drawMonthCells();
        panel.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_DrawMonthCellsAndPaint)->Unit(benchmark::kMillisecond);

void BM_NextMonthWithFourNavigatorMonths(benchmark::State& state)
{
    database();
    MonthView panel(QRectF(0, 0, 280, 243));
    MonthNavigation navigator(QRectF(0, 0, 196, 900));
    navigator.show();
    panel.monthCalendarView()->setMonthDate(shownMonth());
    int step = 1;
    for (auto _ : state) {
        if (step > 0) panel.gotoNextMonth();
        else panel.gotoPreviousMonth();
        step = -step;
        panel.reloadDataWithDaylabel(true, true);
        navigator.reloadData();
    }
}
BENCHMARK(BM_NextMonthWithFourNavigatorMonths)->Unit(benchmark::kMillisecond);

}  // namespace
