// The cost of an item's Links page: the page of an item with 50 links
// (ten notes, forty tasks), the first note open in place, loaded and laid
// out; and the end of editing of a linked note of 1,000 lines: its save and
// the list built again.
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Link.h"
#include "LinkDetailView.h"
#include "LinkListTableView.h"
#include "NoteContentView.h"
#include "NoteLinkDetailView.h"
#include "Task.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

Date benchNow() { return GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0); }

class LinkedItems : public BenchDatabase {
public:
    explicit LinkedItems(const QString& firstNoteText)
    {
        Clock::setFixed(benchNow());
        root = make(1, QStringLiteral("Root"), QString());
        TaskList items;
        for (int n = 0; n < 50; ++n) {
            const bool note = n < 10;
            const TaskPtr item = make(note ? 3 : 1, QStringLiteral("Linked %1").arg(n),
                                      note && n == 0 ? firstNoteText : QStringLiteral("Note %1").arg(n));
            items.append(item);
            auto link = std::make_shared<Link>();
            link->setRootId(root->primaryKey());
            link->setTargetId(item->primaryKey());
            link->setCreatedDate(benchNow());
            link->setUpdatedDate(benchNow());
            dataManager().insertLink(link);
        }
        items.append(root);
        dataManager().doWithAllTasksEventsAdes(items, 0);
    }
    ~LinkedItems() { Clock::reset(); }

    TaskPtr make(qint64 type, const QString& name, const QString& notes)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setNotes(notes);
        item->setCalendarId(1);
        item->setStartTime(benchNow());
        if (!item->insertIntoDatabase() || !item->dehydrate()) std::exit(1);
        return item;
    }

    TaskPtr root;
};

void BM_LinksPageOfFiftyLinks(benchmark::State& state)
{
    LinkedItems items(QStringLiteral("First note\nwith a second line"));
    for (auto _ : state) {
        LinkDetailView page(QRectF(0, 0, 280, 525));
        page.loadData(items.root);
        benchmark::DoNotOptimize(page.frame().height());
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LinksPageOfFiftyLinks)->Unit(benchmark::kMillisecond);

void BM_EndOfEditingOfAThousandLineNote(benchmark::State& state)
{
    QStringList lines;
    for (int n = 0; n < 1000; ++n) lines << QStringLiteral("Line %1 of the linked note").arg(n);
    LinkedItems items(lines.join(QLatin1Char('\n')));
    LinkDetailView page(QRectF(0, 0, 280, 525));
    page.loadData(items.root);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* editor = static_cast<NoteLinkDetailView*>(page.linkListTableView()->arrayOfLinks().front());
        lines[0] = QStringLiteral("Title %1").arg(++round);
        editor->contentView()->setContentText(lines.join(QLatin1Char('\n')));
        state.ResumeTiming();
        editor->saveChangesManualReload();
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EndOfEditingOfAThousandLineNote)->Unit(benchmark::kMillisecond);

}  // namespace
