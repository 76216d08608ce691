// The main view's layout routine, toggleViewSize, in the normal mode and in
// the week and month planner modes, with the list column shown: what every
// mode, list and navigator command runs, the list column shown and hidden
// in turn.
#include "Button.h"
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "ManualScheduler.h"
#include "Scheduler.h"
#include "Setting.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class Product : public BenchDatabase {
public:
    Product()
    {
        Clock::setFixed(GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0));
        Scheduler::setCurrent(&m_scheduler);
        mainViewHeight = 900;
    }
    ~Product() { Scheduler::setCurrent(nullptr); }

private:
    ManualScheduler m_scheduler;
};

Product& product()
{
    static Product made;
    return made;
}

// mode: 0 normal, 1 week planner, 2 month planner.
void BM_ToggleViewSize(benchmark::State& state)
{
    Product& db = product();
    const SettingPtr setting = db.dataManager().currentSetting();
    const int mode = int(state.range(0));
    setting->setIsWeekPlannerPinned(mode == 1 ? 1 : 0);
    setting->setIsMonthPlannerPinned(mode == 2 ? 1 : 0);
    setting->setNavShowing(true);
    View window(QRectF(0, 0, 1900, 900));
    auto* view = new MainView(QRectF(0, 0, 1900, 900), &window);
    MainView::setCurrent(view);
    view->setIsPlannerExpand(mode != 0);
    view->showHideBtn()->setState(1);
    window.show();
    while (!view->isWindowVisible()) QCoreApplication::processEvents();
    // The list column goes and comes back: every layout moves the views and
    // saves the changed choice, as the list command does.
    int list = 1;
    for (auto _ : state) {
        list = 1 - list;
        view->showHideBtn()->setState(list);
        view->toggleViewSize();
        deliverPostedEvents();
    }
    state.counters["width"] = view->currentSize();
    MainView::setCurrent(nullptr);
}
BENCHMARK(BM_ToggleViewSize)->Arg(0)->Arg(1)->Arg(2)->ArgName("mode")->Unit(benchmark::kMillisecond);

}  // namespace
