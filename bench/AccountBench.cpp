// The web account of the Sync pane against the loopback service: a sign-in
// from the button to the laid-out signed-in pane (the service's answer and
// the account file written included, the success alert answered at once),
// and the pane's loadData.
#include "AlertPresenter.h"
#include "Button.h"
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "LoopbackService.h"
#include "MainView.h"
#include "ManualScheduler.h"
#include "NetworkStatus.h"
#include "PrefSyncView.h"
#include "PrefSyncViewOnly.h"
#include "Preferences.h"
#include "RecordStore.h"
#include "Scheduler.h"
#include "Setting.h"
#include "TextField.h"
#include "Window.h"
#include "ZVWSync.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include <sqlite3.h>

namespace {

class AnsweringAlerts : public AlertPresenter {
public:
    AlertResponse runModal(const AlertRequest& request) override
    {
        ++asked;
        return {AlertResponse::firstButton, false, request.accessoryChosenTag};
    }
    int asked = 0;
};

class AccountProduct {
public:
    AccountProduct()
    {
        if (!m_home.isValid()) std::exit(1);
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("ZORAVEL_SERVICE_URL", service.baseAddress().toUtf8());
        service.addAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret"));
        NetworkStatus::instance().setOverride(0);
        Clock::setFixed(GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0));
        Scheduler::setCurrent(&scheduler);
        Window::setAnimationDurationScale(0);
        manager = std::make_unique<CoreData>();
        CoreData::setShared(manager.get());
        if (!manager->init()) std::exit(1);
        manager->currentSetting()->setStartUpWizard(0);
        if (!manager->currentSetting()->dehydrate()) std::exit(1);
        internetReachable = true;
        view = std::make_unique<MainView>(QRectF(0, 0, 310, 600));
        MainView::setCurrent(view.get());
        AlertPresenter::setCurrent(&alerts);
        window = std::make_unique<Preferences>();
        window->sync(nullptr);
    }

    ~AccountProduct()
    {
        window.reset();
        AlertPresenter::setCurrent(nullptr);
        MainView::setCurrent(nullptr);
        view.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        CoreData::setShared(nullptr);
        manager.reset();
        Scheduler::setCurrent(nullptr);
        Clock::reset();
    }

    PrefSyncViewOnly& account() { return *window->syncView()->accountView(); }

    LoopbackService service;
    ManualScheduler scheduler;
    std::unique_ptr<CoreData> manager;
    std::unique_ptr<MainView> view;
    AnsweringAlerts alerts;
    std::unique_ptr<Preferences> window;

private:
    QTemporaryDir m_home;
};

std::unique_ptr<AccountProduct>& madeAccountProduct()
{
    static std::unique_ptr<AccountProduct> made;
    return made;
}

AccountProduct& accountProduct()
{
    if (!madeAccountProduct()) {
        madeAccountProduct() = std::make_unique<AccountProduct>();
        qAddPostRoutine([] { madeAccountProduct().reset(); });
    }
    return *madeAccountProduct();
}

void SignInWithTheAccountFileAndTheLayout(benchmark::State& state)
{
    AccountProduct& product = accountProduct();
    for (auto _ : state) {
        state.PauseTiming();
        product.account().signOut();
        product.account().userName()->setStringValue(QStringLiteral("ann@example.com"));
        product.account().passWord()->setStringValue(QStringLiteral("secret"));
        state.ResumeTiming();
        product.account().signInButton()->performClick();
    }
    if (product.account().signOutButton()->isHidden()) state.SkipWithError("the sign-in did not go through");
}
BENCHMARK(SignInWithTheAccountFileAndTheLayout)->Unit(benchmark::kMillisecond);

void LoadData(benchmark::State& state)
{
    AccountProduct& product = accountProduct();
    for (auto _ : state) product.account().loadData();
}
BENCHMARK(LoadData)->Unit(benchmark::kMillisecond);

}  // namespace
