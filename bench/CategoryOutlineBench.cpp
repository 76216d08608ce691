// The cost of a category's outline: a load of 2,000 tasks, 500 events (100
// of them weekly) and 500 notes laid out in a scroll view; a reorder across
// 1,000 task rows with its save; and refreshing the row of one key.
#include "Calendar.h"
#include "CategoryDetailListItemView.h"
#include "CoreData.h"
#include "DragSource.h"
#include "DropTarget.h"
#include "Event.h"
#include "InfoListItemView.h"
#include "ScrollView.h"
#include "Task.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QMimeData>

#include <benchmark/benchmark.h>

namespace {

class FullCategory : public BenchDatabase {
public:
    FullCategory()
    {
        category = Calendar::initWithPrimaryKey(1, db());
        exec("BEGIN");
        const Date monday = Date::dateWithTimeIntervalSince1970(1389600000);
        const auto store = [this](qint64 type, const QString& name, const std::function<void(Task&)>& shape) {
            auto item = std::make_shared<Task>();
            item->setTaskType(type);
            item->setTaskName(name);
            item->setCalendarId(category->primaryKey());
            if (!item->insertIntoDatabase()) std::exit(1);
            shape(*item);
            if (!item->dehydrate()) std::exit(1);
            return item;
        };
        for (int n = 0; n < 2000; ++n) {
            const TaskPtr task = store(1, QStringLiteral("Task %1").arg(n), [n](Task& t) {
                t.setTaskOrder(10 * (n + 1));
                t.setStatus(n % 5 == 0 ? 1 : 0);
            });
            if (n == 1000) oneKey = task->primaryKey();
        }
        for (int n = 0; n < 500; ++n)
            store(0, QStringLiteral("Event %1").arg(n), [&](Task& t) {
                const Date start = monday.dateByAddingTimeInterval(3600.0 * n);
                t.setStartTime(start);
                t.setEndTime(start.dateByAddingTimeInterval(3600));
                if (n % 5 == 0) {
                    t.setRepeatType(2);
                    t.setRepeatStartDate(start);
                    t.setOccurrence(start);
                }
            });
        for (int n = 0; n < 500; ++n)
            store(3, QStringLiteral("Note %1").arg(n), [&](Task& t) { t.setStartTime(monday.dateByAddingTimeInterval(60.0 * n)); });
        exec("COMMIT");
    }
    CalendarPtr category;
    qint64 oneKey = 0;
};

struct Page {
    explicit Page(const CalendarPtr& category)
        : scroll(QRectF(0, 0, 340, 600)), outline(new CategoryDetailListItemView(QRectF(0, 0, 340, 600)))
    {
        scroll.setDocumentView(outline);
        outline->setCalendar(category);
    }
    ScrollView scroll;
    CategoryDetailListItemView* outline;
};

void BM_LoadOutline(benchmark::State& state)
{
    FullCategory data;
    Page page(data.category);
    for (auto _ : state) {
        page.outline->loadData();
        benchmark::DoNotOptimize(page.outline->rowCount());
        state.PauseTiming();
        page.outline->calTaskList().clear();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = page.outline->rowCount();
}
BENCHMARK(BM_LoadOutline)->Unit(benchmark::kMillisecond);

// The first task dragged below the 1,000th and back, each drop saving the
// order values of the rows it passes.
void BM_ReorderThousandRows(benchmark::State& state)
{
    FullCategory data;
    Page page(data.category);
    CategoryDetailListItemView* outline = page.outline;
    outline->loadData();
    InfoListItemView* header = outline->rootItems().front();
    bool down = true;
    DragSource::setRunner([&](DragSource::Drag& drag) {
        const DraggingInfo info(outline, drag.payload.get(), QPointF(10, 10));
        outline->acceptDrop(info, header, down ? 1001 : 1);
        return DragSource::Outcome{DragOperationGeneric, {}};
    });
    struct Ending : DraggingSource {
        void draggingEnded(const QPointF&, unsigned) override {}
    } ending;
    QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    for (auto _ : state) {
        const int row = down ? 2 : 1001;
        auto payload = outline->pasteboardWriterForItem(outline->itemAtRow(row));
        DragSource::beginDrag(outline, &ending, std::move(payload), image, QPointF(0, 20), Event(), DragOperationGeneric);
        down = !down;
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    DragSource::setRunner({});
}
BENCHMARK(BM_ReorderThousandRows)->Unit(benchmark::kMillisecond);

void BM_ReloadOneKey(benchmark::State& state)
{
    FullCategory data;
    Page page(data.category);
    page.outline->loadData();
    const QHash<QString, QVariant> changed{{QString::number(data.oneKey), 1}};
    for (auto _ : state) page.outline->reloadData(changed);
}
BENCHMARK(BM_ReloadOneKey)->Unit(benchmark::kMicrosecond);

}  // namespace
