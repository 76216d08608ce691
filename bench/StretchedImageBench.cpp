// The main view's backgrounds are stretched to the window's height on every
// layout: a 310 × 50 image to 900 rows must stay well under a millisecond.
#include "CustomNSImage.h"

#include <QLinearGradient>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

QImage background()
{
    QImage image(310, 50, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, 50);
    gradient.setColorAt(0, QColor(250, 250, 252));
    gradient.setColorAt(1, QColor(214, 218, 226));
    painter.fillRect(image.rect(), gradient);
    return image;
}

void BM_Stretch310x50To900(benchmark::State& state)
{
    const QImage image = background();
    for (auto _ : state) benchmark::DoNotOptimize(CustomNSImage::stretchableImageWithTopCapHeight(image, 10, 900));
}
BENCHMARK(BM_Stretch310x50To900)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
