// The cost of the kit's views at the sizes the main window reaches: a few
// hundred labelled views made, laid out and painted, and one mouse move
// hit-tested over them with their tracking rectangles.
#include "View.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int viewCount = 500;
constexpr int columns = 20;
constexpr double cellWidth = 60, cellHeight = 24;

class LabelledView : public View {
public:
    LabelledView(const QRectF& frame, QString text, QWidget* parent) : View(frame, parent), m_text(std::move(text))
    {
        addTrackingRect(bounds(), 1, TrackMouseEnteredAndExited | TrackCursorUpdate);
    }
    void drawRect(QPainter& painter, const QRectF&) override
    {
        painter.fillRect(bounds(), QColor(230, 236, 245));
        UprightPainting upright(painter, bounds());
        painter.drawText(upright.rect(), Qt::AlignCenter, m_text);
    }
    void mouseEntered(const Event&) override { ++entered; }
    int entered = 0;

private:
    QString m_text;
};

std::unique_ptr<View> makeGrid()
{
    const int rows = (viewCount + columns - 1) / columns;
    auto root = std::make_unique<View>(QRectF(0, 0, columns * cellWidth, rows * cellHeight));
    root->setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    for (int i = 0; i < viewCount; ++i) {
        const QRectF frame((i % columns) * cellWidth, (i / columns) * cellHeight, cellWidth - 2, cellHeight - 2);
        auto* view = new LabelledView(frame, QStringLiteral("Item %1").arg(i), root.get());
        view->setAutoresizingMask(ViewWidthSizable | ViewMinYMargin);
    }
    return root;
}

void BM_MakeLayOutAndPaint500LabelledViews(benchmark::State& state)
{
    for (auto _ : state) {
        std::unique_ptr<View> root = makeGrid();
        root->setFrameSize(root->frame().size() + QSizeF(40, 20));  // every child laid out again
        QImage image(root->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        root->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
        painter.end();
        root.reset();
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MakeLayOutAndPaint500LabelledViews)->Unit(benchmark::kMillisecond);

void BM_HitTestOneMouseMoveOver500Views(benchmark::State& state)
{
    std::unique_ptr<View> root = makeGrid();
    root->show();
    int i = 0;
    for (auto _ : state) {
        // Alternate between two cells so that every move crosses rectangles.
        const QPointF point = (i++ % 2) ? QPointF(130, 200) : QPointF(790, 30);
        View* target = root->hitTest(point);
        const QPointF local = target->toQt(target->convertPoint(point, root.get()));
        QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        benchmark::DoNotOptimize(target);
    }
}
BENCHMARK(BM_HitTestOneMouseMoveOver500Views)->Unit(benchmark::kMicrosecond);

}  // namespace
