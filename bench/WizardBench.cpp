// The first-run wizard: building the panel with its five pages, one step of
// a mouse drag (two pages moved, the redraw asked for), and the page turn
// at mouse up.
#include "StartUpWizardPanel.h"
#include "StartUpWizardView.h"
#include "support/PostedEvents.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

Event dragEvent(EventType type, double deltaX)
{
    Event event;
    event.type = type;
    event.locationInWindow = QPointF(270, 400);
    event.deltaX = deltaX;
    return event;
}

void BM_BuildWizardPanel(benchmark::State& state)
{
    for (auto _ : state) {
        auto panel = std::make_unique<StartUpWizardPanel>([] {});
        benchmark::DoNotOptimize(panel->wizard());
        state.PauseTiming();
        panel.reset();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildWizardPanel)->Unit(benchmark::kMillisecond);

void BM_WizardDragStep(benchmark::State& state)
{
    StartUpWizardPanel panel([] {});
    panel.show();
    StartUpWizardView* wizard = panel.wizard();
    wizard->changePageToIndex(1);
    wizard->mouseDown(dragEvent(EventType::LeftMouseDown, 0));
    double step = -1;
    for (auto _ : state) {
        // Back and forth within the page, so every step moves both pages.
        wizard->mouseDragged(dragEvent(EventType::LeftMouseDragged, step));
        step = wizard->deltaXMoved() < -200 ? 1 : wizard->deltaXMoved() > -2 ? -1 : step;
    }
    wizard->mouseUp(dragEvent(EventType::LeftMouseUp, 0));
}
BENCHMARK(BM_WizardDragStep)->Unit(benchmark::kMicrosecond);

void BM_WizardPageTurnAtMouseUp(benchmark::State& state)
{
    StartUpWizardPanel panel([] {});
    panel.show();
    StartUpWizardView* wizard = panel.wizard();
    for (auto _ : state) {
        state.PauseTiming();
        if (wizard->currentPageIndex() == 4) wizard->navigate(wizard->navigatorDots().front());
        wizard->mouseDown(dragEvent(EventType::LeftMouseDown, 0));
        wizard->mouseDragged(dragEvent(EventType::LeftMouseDragged, -40));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        wizard->mouseUp(dragEvent(EventType::LeftMouseUp, 0));
        // The turned page as it is drawn.
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_WizardPageTurnAtMouseUp)->Unit(benchmark::kMillisecond);

}  // namespace
