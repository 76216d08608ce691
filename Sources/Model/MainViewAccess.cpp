#include "MainViewAccess.h"

#include "MainQueue.h"

#include <atomic>

namespace {

std::atomic<MainViewAccess*> installedMainView{nullptr};

// The view is looked up when the job runs, not when it is posted, so a view
// removed meanwhile is never called.
void onMainView(void (MainViewAccess::*call)())
{
    MainQueue::async([call] {
        if (MainViewAccess* view = MainViewAccess::current()) (view->*call)();
    });
}

}  // namespace

MainViewAccess::~MainViewAccess()
{
    MainViewAccess* self = this;
    installedMainView.compare_exchange_strong(self, nullptr);
}

MainViewAccess* MainViewAccess::current()
{
    return installedMainView.load();
}

void MainViewAccess::setCurrent(MainViewAccess* access)
{
    installedMainView.store(access);
}

void MainViewAccess::postShowSyncingIndicator()
{
    onMainView(&MainViewAccess::showSyncingIndicator);
}

void MainViewAccess::postHideSyncingIndicator()
{
    onMainView(&MainViewAccess::hideSyncingIndicator);
}

void MainViewAccess::postReloadData()
{
    onMainView(&MainViewAccess::reloadData);
}

void MainViewAccess::postReloadDataIfShownInBackground()
{
    // Asked on the main thread, where the view lives and dies: a worker
    // calling the view would race its destruction.
    MainQueue::async([] {
        MainViewAccess* view = MainViewAccess::current();
        if (view && view->isWindowVisible() && !view->isKeyWindow()) view->reloadData();
    });
}

bool MainViewAccess::windowIsVisible()
{
    const MainViewAccess* view = current();
    return view && view->isWindowVisible();
}

bool MainViewAccess::windowIsKey()
{
    const MainViewAccess* view = current();
    return view && view->isKeyWindow();
}
