// Time of the drawing a view does in every paint: the three-stop gradient of
// a rounded 186 × 46 button (the largest gradient the views fill), and one
// line of text measured, elided and drawn. A window repaints many of these in
// one 16 ms frame, so the gradient must stay under 50 µs.
//
// Drawing needs a GUI application; this program builds one (offscreen unless
// told otherwise) before it runs the benchmarks.
//
// Run from the build tree: bench/DrawingBench --benchmark_min_time=0.2
#include "BezierPath.h"
#include "Color.h"
#include "Drawing.h"
#include "Font.h"
#include "Gradient.h"
#include "TextMeasure.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

namespace {

const QRectF buttonFrame(0, 0, 186, 46);

void drawButtonGradient(QImage& image)
{
    QPainter painter(&image);
    // As a non-flipped view's painter is.
    painter.translate(0, image.height());
    painter.scale(1, -1);
    const Gradient gradient({Color::calibratedRGB(0.45, 0.62, 0.92), Color::calibratedRGB(0.62, 0.76, 0.98),
                             Color::calibratedRGB(0.85, 0.91, 1.0)},
                            {0.0, 0.45, 1.0});
    gradient.drawInBezierPath(painter, BezierPath::roundedRect(buttonFrame, 6, 6), 90);
}

void gradientInRoundedRect(benchmark::State& state, QImage::Format format)
{
    QImage image(186, 46, format);
    image.fill(Qt::transparent);
    for (auto _ : state) {
        drawButtonGradient(image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK_CAPTURE(gradientInRoundedRect, ARGB32, QImage::Format_ARGB32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(gradientInRoundedRect, ARGB32Premultiplied, QImage::Format_ARGB32_Premultiplied)
    ->Unit(benchmark::kMicrosecond);

const QString title = QStringLiteral("Pick up the framed print from the shop on the corner before it closes");

void measureLine(benchmark::State& state)
{
    const Font font = Font::systemFont(state.range(0) / 10.0);
    for (auto _ : state) benchmark::DoNotOptimize(TextMeasure::sizeOfText(title, font));
}
BENCHMARK(measureLine)->Arg(120)->Arg(125)->Unit(benchmark::kMicrosecond);

void drawElidedLine(benchmark::State& state)
{
    const Font font = Font::systemFont(state.range(0) / 10.0);
    QImage image(186, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.translate(0, image.height());
        painter.scale(1, -1);
        Drawing::drawText(painter, title, font, Color::controlText(), {0, 0, 186, 20},
                          Qt::AlignLeft | Qt::AlignVCenter, Qt::ElideRight);
    }
}
BENCHMARK(drawElidedLine)->Arg(120)->Arg(125)->Unit(benchmark::kMicrosecond);

}  // namespace
