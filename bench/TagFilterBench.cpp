// The tag filter popover and the colour picker: opening the tag popover over
// 1,000 tags (its table loaded and the view fitted, the popover following),
// Apply over a database of 50,000 items in 50 categories, and opening the
// colour picker. Each opening must fit in one 16 ms frame; Apply rebuilds the
// working list from the database and must stay under 300 ms.
//
// Run from the build tree: bench/TagFilterBench --benchmark_min_time=0.2
#include "support/BenchDatabase.h"

#include "ColorViewController.h"
#include "Screen.h"
#include "TagView.h"
#include "TagViewController.h"
#include "View.h"
#include "Window.h"
#include "support/PostedEvents.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

constexpr int tagCount = 1000;
constexpr int itemCount = 50000;
constexpr int categoryCount = 50;

// A window with a view to anchor at, as the main window's button.
struct Anchor {
    Window window{QRectF(Screen::mainVisibleFrame().center() - QPointF(300, 200), QSizeF(600, 400)),
                  BorderlessWindowMask};
    View* view = new View(QRectF(280, 40, 20, 20));
    Anchor()
    {
        Window::setAnimationDurationScale(0);
        window.contentView()->addSubview(view);
        window.orderFront();
    }
};

void fillTags(BenchDatabase& database, int count)
{
    database.exec("DELETE FROM Tag");
    database.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                 "INSERT INTO Tag (tagName) SELECT 'tag ' || i FROM n")
                      .arg(count)
                      .toUtf8());
    database.dataManager().getTagList();
}

void BM_OpenTagPopoverOverThousandTags(benchmark::State& state)
{
    BenchDatabase database;
    fillTags(database, tagCount);
    Anchor anchor;
    TagViewController controller;
    for (auto _ : state) {
        controller.tagViewPopOverAtPositionView(anchor.view);
        benchmark::DoNotOptimize(controller.customView());
        state.PauseTiming();
        controller.shouldClose();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenTagPopoverOverThousandTags)->Unit(benchmark::kMillisecond);

void BM_ApplyOverFiftyThousandItems(benchmark::State& state)
{
    BenchDatabase database;
    // Every fifth category carries a tag; items carry one of four tags or none.
    database.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                 "INSERT INTO Calendars (calendarName, calendarOrder, tagList) "
                                 "SELECT 'Category ' || i, i, CASE WHEN i % 5 = 0 THEN '/Work' ELSE '' END FROM n")
                      .arg(categoryCount)
                      .toUtf8());
    database.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                 "INSERT INTO Tasks (taskName, taskType, calendarId, tagList) "
                                 "SELECT 'Item ' || i, 1 + i % 3, 2 + i % %2, "
                                 "CASE i % 5 WHEN 0 THEN '/Work' WHEN 1 THEN '/Home' WHEN 2 THEN '/Gym/Garden' "
                                 "ELSE '' END FROM n")
                      .arg(itemCount)
                      .arg(categoryCount)
                      .toUtf8());
    database.dataManager().doWithCalendarList(database.dataManager().getCalendarList(), 2);
    for (const char* name : {"Work", "Home", "Gym", "Garden"}) database.dataManager().insertTagIfNA(QString::fromLatin1(name), 0);
    Anchor anchor;
    TagViewController controller;
    controller.tagViewPopOverAtPositionView(anchor.view);
    for (auto _ : state) {
        state.PauseTiming();
        controller.tagViewPopOverAtPositionView(anchor.view);
        auto* view = static_cast<TagView*>(controller.customView());
        state.ResumeTiming();
        view->applyTag();
        state.PauseTiming();
        state.counters["listed"] = double(database.dataManager().allTasksEventsAdes().size());
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ApplyOverFiftyThousandItems)->Unit(benchmark::kMillisecond);

void BM_OpenColourPicker(benchmark::State& state)
{
    Anchor anchor;
    ColorViewController controller;
    for (auto _ : state) {
        controller.colorViewPopOverAtPositionView(anchor.view);
        benchmark::DoNotOptimize(controller.customView());
        state.PauseTiming();
        controller.shouldClose();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenColourPicker)->Unit(benchmark::kMillisecond);

}  // namespace
