// The cost of a right click: the item menu's rows decided from an item and
// the data manager's answers, then the kit's menu with its titles looked up.
// The rows come on every right click, so they should cost next to nothing.
#include "UIUtilities.h"

#include "Task.h"


#include <benchmark/benchmark.h>

namespace {

// An open task, another item copied and not linked to it: every row of the
// item menu is decided, the paste rule to its end.
struct Fixture {
    Fixture()
    {
        item->setPrimaryKey(42);
        item->setTaskType(ItemKind::Task);
        item->setTaskOrder(7);
        copied->setPrimaryKey(43);
        facts.copiedItem = copied;
        facts.areLinked = [](qint64, qint64) { return false; };
    }
    TaskPtr item = std::make_shared<Task>();
    TaskPtr copied = std::make_shared<Task>();
    ContextMenuFacts facts;
    MenuTarget target = [](const QString&) { return [] {}; };
};

void BM_ItemMenuAsData(benchmark::State& state)
{
    Fixture fixture;
    for (auto _ : state) {
        std::vector<ContextMenuRow> rows = UIUtilities::itemMenuRows(*fixture.item, fixture.facts);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_ItemMenuAsData)->Unit(benchmark::kMicrosecond);

void BM_ItemMenuAsDataWithTarget(benchmark::State& state)
{
    Fixture fixture;
    for (auto _ : state) {
        std::vector<ContextMenuRow> rows = UIUtilities::itemMenuRows(*fixture.item, fixture.facts, fixture.target);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_ItemMenuAsDataWithTarget)->Unit(benchmark::kMicrosecond);

void BM_ItemMenuAsKitMenu(benchmark::State& state)
{
    Fixture fixture;
    for (auto _ : state) {
        Menu menu = UIUtilities::menuWithRows(UIUtilities::itemMenuRows(*fixture.item, fixture.facts, fixture.target));
        benchmark::DoNotOptimize(menu.items().data());
    }
}
BENCHMARK(BM_ItemMenuAsKitMenu)->Unit(benchmark::kMicrosecond);

}  // namespace
