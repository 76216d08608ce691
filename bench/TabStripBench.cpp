// The cost of painting the icon tab strip on top of the lists: three tabs,
// icons and labels, the one in front white with its bar, the others on the
// tiled pattern. It repaints on every tab switch and hover, so it should
// stay well under a millisecond.
#include "ImageSegmentedControl.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

QImage icon(const QColor& colour)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    return image;
}

void BM_PaintTabStrip(benchmark::State& state)
{
    const QList<QImage> normal = {icon(Qt::gray), icon(Qt::gray), icon(Qt::gray)};
    const QList<QImage> chosen = {icon(Qt::blue), icon(Qt::darkGreen), icon(Qt::darkYellow)};
    ImageSegmentedControl strip(QRectF(0, 0, 280, 45), {1, 2, 3}, normal, chosen,
                                {QStringLiteral("Tasks"), QStringLiteral("Notes"), QStringLiteral("Projects")}, 45);
    strip.selectSegmentWithTag(2);
    strip.selectedSegmentWithIndex(1);
    QImage target(strip.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&target);
        strip.drawRect(painter, strip.bounds());
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintTabStrip)->Unit(benchmark::kMicrosecond);

// A whole repaint through the widget, as a tab switch causes.
void BM_RenderTabStripWidget(benchmark::State& state)
{
    ImageSegmentedControl strip(QRectF(0, 0, 280, 45), {1, 2, 3}, {icon(Qt::gray)}, {icon(Qt::blue)},
                                {QStringLiteral("Tasks"), QStringLiteral("Notes"), QStringLiteral("Projects")}, 45);
    QImage target(strip.size(), QImage::Format_ARGB32_Premultiplied);
    int selected = 0;
    for (auto _ : state) {
        strip.setSelectedSegment(selected);
        strip.selectedSegmentWithIndex(selected);
        selected = (selected + 1) % 3;
        strip.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_RenderTabStripWidget)->Unit(benchmark::kMicrosecond);

}  // namespace
