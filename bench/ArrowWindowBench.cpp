// The cost of the arrow window's shape at the main window's size: placing
// the window and building the bubble's outline for one side, and drawing
// the whole background picture again, as every change of look does.
#include "AttachedWindowShape.h"


#include <benchmark/benchmark.h>

namespace {

AttachedWindowParameters mainWindowParameters(int side)
{
    AttachedWindowParameters p;
    p.viewSize = QSizeF(620, 900);
    p.point = QPointF(900, 1060);
    p.side = side;
    p.backgroundColor = QColor(12, 34, 83);
    p.borderColor = QColor(55, 15, 0);
    p.borderWidth = 1;
    p.viewMargin = 6;
    p.cornerRadius = 6;
    p.arrowBaseWidth = 20;
    p.arrowHeight = 10;
    return p;
}

void BM_GeometryAndBubblePathOfOneSide(benchmark::State& state)
{
    const AttachedWindowParameters p = mainWindowParameters(int(state.range(0)));
    for (auto _ : state) {
        const AttachedWindowGeometry g = AttachedWindowShape::geometry(p);
        BezierPath path = AttachedWindowShape::bubblePath(p, g.viewFrame);
        benchmark::DoNotOptimize(path);
    }
}
BENCHMARK(BM_GeometryAndBubblePathOfOneSide)->Arg(1)->Arg(10)->Arg(11)->Unit(benchmark::kMicrosecond);

void BM_BackgroundOf620x900View(benchmark::State& state)
{
    const AttachedWindowParameters p = mainWindowParameters(1);
    const AttachedWindowGeometry g = AttachedWindowShape::geometry(p);
    for (auto _ : state) {
        QImage image = AttachedWindowShape::backgroundImage(p, g);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_BackgroundOf620x900View)->Unit(benchmark::kMillisecond);

}  // namespace
