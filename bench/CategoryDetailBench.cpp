// The cost of a category's detail: opening the panel on a category of 2,000
// items and 200 comments (showing, loading, sizing), OK with ten tags over
// those items, and loading 500 comments into the comment list.
#include "Calendar.h"
#include "CategoryBoxDetailView.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailView.h"
#include "ConversationTableView.h"
#include "CoreData.h"
#include "ScrollView.h"
#include "Window.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int detailItems = 2000;

class BusyCategory : public BenchDatabase {
public:
    explicit BusyCategory(int comments)
    {
        exec("BEGIN");
        category = std::make_shared<Calendar>();
        category->setCalendarName(QStringLiteral("Busy"));
        category->setHasShared(true);
        if (!category->insertIntoDatabase(db()) || !category->dehydrate()) std::exit(1);
        for (int n = 0; n < detailItems; ++n) {
            // Tasks, notes and events in turn; every tenth carries two tags.
            const int type = n % 3 == 0 ? 1 : n % 3 == 1 ? 3 : 0;
            exec(QStringLiteral("INSERT INTO Tasks (taskName, taskType, calendarId, status, tagList, parentId, "
                                "startTime, endTime) VALUES ('Item %1', %2, %3, 0, '%4', 0, %5, %6)")
                     .arg(n)
                     .arg(type)
                     .arg(category->primaryKey())
                     .arg(n % 10 == 0 ? QStringLiteral("/Tag%1/Other").arg(n % 10) : QString())
                     .arg(1.7e9 + n * 3600.0)
                     .arg(1.7e9 + n * 3600.0 + 1800)
                     .toUtf8());
        }
        for (int n = 0; n < comments; ++n) {
            exec(QStringLiteral("INSERT INTO Comments (content, status, createdTime, updatedTime, zvwKey, itemId, "
                                "commetorLastName, commetorFirstName, isOwner, cmtType) VALUES ('Comment %1 on the "
                                "busy category, long enough to wrap onto a second line in the list', 0, %2, %2, %3, "
                                "%4, 'Ann', 'Lee', 0, 1)")
                     .arg(n)
                     .arg(1.7e9 + n * 60.0)
                     .arg(5000 + n)
                     .arg(category->primaryKey())
                     .toUtf8());
        }
        exec("COMMIT");
        dataManager().doWithCalendarList(CalendarList{category}, 0);
    }
    CalendarPtr category;
};

void BM_OpenDetailOfBusyCategory(benchmark::State& state)
{
    BusyCategory data(200);
    Window main(QRectF(100, 100, 900, 700));
    CategoryDetailPanel panel;
    main.addChildWindow(&panel);
    CategoryDetailView* view = panel.categoryDetailView();
    for (auto _ : state) {
        view->setCalendar(data.category);
        benchmark::DoNotOptimize(view->frame().height());
        state.PauseTiming();
        view->cancelEdit();
        // What the event loop would do between two openings: polish the new
        // rows and delete the old ones.
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.counters["comments"] = double(view->commentListView()->numberOfRows());
}
BENCHMARK(BM_OpenDetailOfBusyCategory)->Unit(benchmark::kMillisecond);

void BM_OkWithTenTags(benchmark::State& state)
{
    BusyCategory data(0);
    Window main(QRectF(100, 100, 900, 700));
    CategoryDetailPanel panel;
    CategoryDetailView* view = panel.categoryDetailView();
    QStringList tags;
    for (int n = 0; n < 10; ++n) tags << QStringLiteral("Tag%1").arg(n);
    for (auto _ : state) {
        state.PauseTiming();
        main.addChildWindow(&panel);
        view->setCalendar(data.category);
        view->boxView()->tagDetailView()->setObjectValue(tags);
        state.ResumeTiming();
        view->okEdit();
        benchmark::DoNotOptimize(data.category->tagList());
    }
}
BENCHMARK(BM_OkWithTenTags)->Unit(benchmark::kMillisecond);

void BM_LoadFiveHundredComments(benchmark::State& state)
{
    BusyCategory data(500);
    // In a scroll area, as its hosts show it.
    ScrollView scroll(QRectF(0, 0, 330, 400));
    auto* table = new ConversationTableView(QRectF(0, 0, 315, 400));
    scroll.setDocumentView(table);
    ConversationTableView& list = *table;
    list.setItemKey(data.category->primaryKey());
    list.setCommentType(ConversationTableView::categoryComments);
    for (auto _ : state) {
        list.loadComments();
        benchmark::DoNotOptimize(list.totalHeight());
        state.PauseTiming();
        // What the event loop would do between two openings: polish the new
        // rows and delete the old ones.
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(list.numberOfRows());
}
BENCHMARK(BM_LoadFiveHundredComments)->Unit(benchmark::kMillisecond);

}  // namespace
