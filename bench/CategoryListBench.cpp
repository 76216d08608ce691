// The cost of the category list: a rebuild of 100 categories holding 10,000
// tasks in all, each row reading its category's tasks for its progress, and
// painting the 100 rows.
#include "Calendar.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "CoreData.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr int categories = 100;
constexpr int tasksInAll = 10000;

class HundredCategories : public BenchDatabase {
public:
    HundredCategories()
    {
        exec("BEGIN");
        CalendarList list;
        for (int n = 0; n < categories; ++n) {
            auto category = std::make_shared<Calendar>();
            category->setCalendarName(QStringLiteral("Category %1").arg(n));
            if (!category->insertIntoDatabase(db())) std::exit(1);
            category->setTaskOrEvent(n % 3);
            category->setCalendarOrder(n);
            category->setColorGroupId(n % 4);
            category->setColorNameId(n % 8);
            if (!category->dehydrate()) std::exit(1);
            list.append(category);
        }
        for (int n = 0; n < tasksInAll; ++n) {
            exec(QStringLiteral("INSERT INTO Tasks (taskName, taskType, calendarId, status, hasDuration, duration, "
                                "parentId) VALUES ('Task %1', 1, %2, %3, %4, %5, 0)")
                     .arg(n)
                     .arg(list[n % categories]->primaryKey())
                     .arg(n % 3 == 0 ? 1 : 0)
                     .arg(n % 2)
                     .arg(15 + n % 90)
                     .toUtf8());
        }
        exec("COMMIT");
        dataManager().doWithCalendarList(list, 2);
    }
};

void BM_LoadHundredCategories(benchmark::State& state)
{
    HundredCategories data;
    CategoryListView page(QRectF(0, 0, 290, 600));
    CategoryListTableView* table = page.categoryListTableView();
    for (auto _ : state) {
        table->loadData();
        benchmark::DoNotOptimize(table->rowCount());
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = table->rowCount();
}
BENCHMARK(BM_LoadHundredCategories)->Unit(benchmark::kMillisecond);

void BM_PaintHundredRows(benchmark::State& state)
{
    HundredCategories data;
    CategoryListView page(QRectF(0, 0, 290, 600));
    CategoryListTableView* table = page.categoryListTableView();
    table->loadData();
    // The whole table in one pass, as a window paints it: every row's
    // background, selection, separator and fields.
    QImage canvas(table->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&canvas);
        table->render(&painter);
        benchmark::DoNotOptimize(canvas.bits());
    }
    state.counters["rows"] = table->rowCount();
    state.counters["height"] = table->height();
}
BENCHMARK(BM_PaintHundredRows)->Unit(benchmark::kMillisecond);

}  // namespace
