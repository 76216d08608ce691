// The cost of the palette look-ups: the nearest palette colour is taken for
// every calendar of the calendar store at each sync, and the shades for every
// item box the views draw.
#include "Utilities.h"

#include <QColor>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// A spread of greys and saturated colours, so no one branch of the hue
// computation dominates.
std::vector<QColor> sampleColours()
{
    std::vector<QColor> colours;
    for (int i = 0; i < 64; ++i) {
        colours.push_back(QColor::fromHsv((i * 37) % 360, (i * 53) % 256, (i * 91) % 256));
        colours.push_back(QColor(i * 4, i * 4, i * 4));
    }
    return colours;
}

void BM_ClosestColorPosWithColor(benchmark::State& state)
{
    const std::vector<QColor> colours = sampleColours();
    size_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Utilities::getClosestColorPosWithColor(colours[index]));
        index = (index + 1) % colours.size();
    }
}
BENCHMARK(BM_ClosestColorPosWithColor);

void BM_ColorInGroup(benchmark::State& state)
{
    qint64 pos = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Utilities::colorInGroup(pos / 8, pos % 8));
        pos = (pos + 1) % 32;
    }
}
BENCHMARK(BM_ColorInGroup);

void BM_GetGroupFromWebInteger(benchmark::State& state)
{
    qint64 group = 0, colour = 0;
    for (auto _ : state) {
        Utilities::getGroup(group, colour, 0x4C4C4C);  // the last entry: the whole table is searched
        benchmark::DoNotOptimize(group);
        benchmark::DoNotOptimize(colour);
    }
}
BENCHMARK(BM_GetGroupFromWebInteger);

}  // namespace

BENCHMARK_MAIN();
