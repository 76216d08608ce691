// The cost of a tip, from the press on a pane's tip button to the popover
// on screen with its first picture (our part: building the tip, loading
// its picture, placing and showing the popover), and of building the About
// panel with its view.
#include "AboutUsPanel.h"
#include "GuruViewController.h"
#include "Screen.h"
#include "View.h"
#include "Window.h"
#include "support/PostedEvents.h"

#include <QCoreApplication>
#include <QEvent>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BM_ShowDayTip(benchmark::State& state)
{
    Window::setAnimationDurationScale(0);
    const QRectF visible = Screen::mainVisibleFrame();
    Window window(QRectF(visible.center().x() - 40, visible.center().y() - 20, 80, 40), BorderlessWindowMask);
    auto* anchor = new View(QRectF(0, 0, 80, 40));
    window.setContentView(anchor);
    window.orderFront();
    GuruViewController controller;
    for (auto _ : state) {
        controller.showGuruPopOverAtPositionView(anchor, GuruViewController::DayCalendarTip);
        benchmark::DoNotOptimize(controller.popover());
        state.PauseTiming();
        controller.shouldClose();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowDayTip)->Unit(benchmark::kMillisecond);

void BM_BuildAboutPanel(benchmark::State& state)
{
    for (auto _ : state) {
        auto panel = std::make_unique<AboutUsPanel>();
        benchmark::DoNotOptimize(panel.get());
        state.PauseTiming();
        panel.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildAboutPanel)->Unit(benchmark::kMillisecond);

}  // namespace
