// The drawn images at the sizes their views use: each is drawn anew on every
// call (no cache), so a list of a few hundred rows pays this per row.
#include "UIUtilities.h"
#include "Utilities.h"


#include <benchmark/benchmark.h>

namespace {

const QString title = QStringLiteral("Prepare the quarterly review with the whole team");

void BM_Swatch14x10(benchmark::State& state)
{
    const ColorObject color = Utilities::colorInGroup(0, 5);
    for (auto _ : state) benchmark::DoNotOptimize(UIUtilities::getCalendarColorImage(color, QSizeF(14, 10)));
}
BENCHMARK(BM_Swatch14x10)->Unit(benchmark::kMicrosecond);

void BM_FlatBackground181x17(benchmark::State& state)
{
    const ColorObject color = Utilities::colorInGroup(1, 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(UIUtilities::getTaskBackgroundImageNoGradient(color, 1, QSizeF(181, 17), 6));
}
BENCHMARK(BM_FlatBackground181x17)->Unit(benchmark::kMicrosecond);

void BM_ItemBox186x46(benchmark::State& state)
{
    const ColorObject color = Utilities::colorInGroup(0, 0);
    const bool highlighted = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(UIUtilities::getTaskBackgroundImage(color, 0.4, QSizeF(186, 46), 0, highlighted));
}
BENCHMARK(BM_ItemBox186x46)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TimeGridBox186x46(benchmark::State& state)
{
    const ColorObject color = Utilities::colorInGroup(2, 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(UIUtilities::getTaskBackgroundImageFlipped(color, 1, QSizeF(186, 46), 8, true));
}
BENCHMARK(BM_TimeGridBox186x46)->Unit(benchmark::kMicrosecond);

void BM_DragImage100x20(benchmark::State& state)
{
    const ColorObject color = Utilities::colorInGroup(3, 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(UIUtilities::getTaskImageRepresentative(color, 0.9, QSizeF(100, 20), 0, title));
}
BENCHMARK(BM_DragImage100x20)->Unit(benchmark::kMicrosecond);

void BM_Icon14x14(benchmark::State& state)
{
    const QColor color = Utilities::getColorInGroupID(1, 3, 1);
    const qint64 type = state.range(0);
    for (auto _ : state) benchmark::DoNotOptimize(UIUtilities::getIconForType(type, color, QSizeF(14, 14)));
}
BENCHMARK(BM_Icon14x14)->Arg(0)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_DoneCheckBox14x14(benchmark::State& state)
{
    const QColor color = Utilities::getColorInGroupID(0, 1, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(UIUtilities::getDoneImageForTaskWithColor(color, QSizeF(14, 14), true));
}
BENCHMARK(BM_DoneCheckBox14x14)->Unit(benchmark::kMicrosecond);

}  // namespace
