// The category popovers: the show/hide view over 200 categories (its table
// loaded and the view fitted) and the unread-comment list of 500 entries
// must each fit in one 16 ms frame, as must creating a project from the
// add-project form (without the calendar store's background work); None
// then All over 200 categories and 50,000 items must stay under 1 s.
//
// Run from the build tree: bench/ProjectPopoversBench --benchmark_min_time=0.2
#include "support/BenchDatabase.h"

#include "CategoryPopOverDetailView.h"
#include "CategoryShowHideView.h"
#include "NotificationList.h"
#include "support/PostedEvents.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

constexpr int categoryCount = 200;
constexpr int itemCount = 50000;
constexpr int entryCount = 500;

void fillCategories(BenchDatabase& database)
{
    database.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                 "INSERT INTO Calendars (calendarName, calendarOrder, taskOrEvent, projectType) "
                                 "SELECT 'Category ' || i, i, i % 3, CASE WHEN i % 10 = 0 THEN 1 ELSE 0 END FROM n")
                      .arg(categoryCount)
                      .toUtf8());
    database.dataManager().doWithCalendarList(database.dataManager().getCalendarList(), 2);
}

void BM_ShowHideViewOverTwoHundredCategories(benchmark::State& state)
{
    BenchDatabase database;
    fillCategories(database);
    for (auto _ : state) {
        CategoryShowHideView view;
        benchmark::DoNotOptimize(view.frame());
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowHideViewOverTwoHundredCategories)->Unit(benchmark::kMillisecond);

void BM_NoneThenAllOverFiftyThousandItems(benchmark::State& state)
{
    BenchDatabase database;
    fillCategories(database);
    database.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                 "INSERT INTO Tasks (taskName, taskType, calendarId) "
                                 "SELECT 'Item ' || i, i % 4, 1 + i % %2 FROM n")
                      .arg(itemCount)
                      .arg(categoryCount + 1)
                      .toUtf8());
    database.dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    CategoryShowHideView view;
    for (auto _ : state) {
        view.noneCategory();
        view.allCategory();
        state.PauseTiming();
        state.counters["listed"] = double(database.dataManager().allTasksEventsAdes().size());
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NoneThenAllOverFiftyThousandItems)->Unit(benchmark::kMillisecond);

void BM_UnreadCommentListOfFiveHundred(benchmark::State& state)
{
    BenchDatabase database;
    database.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                 "INSERT INTO Tasks (taskName, taskType, calendarId) SELECT 'Item ' || i, 1, 1 FROM n")
                      .arg(entryCount)
                      .toUtf8());
    database.exec("INSERT INTO Comments (content, status, itemId, cmtType) SELECT 'Seen?', 0, primaryKey, 0 FROM Tasks");
    for (auto _ : state) {
        NotificationList list;
        benchmark::DoNotOptimize(list.frame());
        state.PauseTiming();
        state.counters["rows"] = double(list.notifTableView()->entries().size());
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UnreadCommentListOfFiveHundred)->Unit(benchmark::kMillisecond);

void BM_CreateProjectFromTheForm(benchmark::State& state)
{
    BenchDatabase database;
    fillCategories(database);
    CategoryPopOverDetailView form;
    for (auto _ : state) {
        form.setColor(13);
        form.tagDetailView()->setObjectValue({QStringLiteral("Gym"), QStringLiteral("Home")});
        form.addCategory();
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CreateProjectFromTheForm)->Unit(benchmark::kMillisecond);

}  // namespace
