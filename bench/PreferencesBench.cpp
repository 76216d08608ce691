// The preferences window over a database of 50,000 items: building the
// window with its four panes, a tab switch (no animation), a working-hours
// change with its side-file write, and the removal of 500 groups of
// look-alikes from the question to the result alert, with the longest time
// the main thread was held meanwhile.
#include "AlertPresenter.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatePicker.h"
#include "GregorianCalendar.h"
#include "MainView.h"
#include "ManualScheduler.h"
#include "NetworkStatus.h"
#include "PrefGeneralView.h"
#include "PrefTaskView.h"
#include "Preferences.h"
#include "RecordStore.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Window.h"
#include "WorkingHourSettingItem.h"
#include "support/PostedEvents.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <sqlite3.h>

namespace {

constexpr int itemCount = 50000;
constexpr int alikeGroups = 500;

void execute(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(RecordStore::sharedDatabase(), sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s in %s\n", error ? error : "", sql);
        std::exit(1);
    }
}

// Proceeds with the removal and takes note of the result alert.
class ProceedingAlerts : public AlertPresenter {
public:
    AlertResponse runModal(const AlertRequest& request) override
    {
        ++asked;
        return {request.buttonTitles.size() > 1 ? AlertResponse::secondButton : AlertResponse::firstButton, false, 0};
    }
    int asked = 0;
};

class PreferencesProduct {
public:
    PreferencesProduct()
    {
        if (!m_home.isValid()) std::exit(1);
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
        NetworkStatus::instance().setOverride(0);
        Clock::setFixed(GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0));
        Scheduler::setCurrent(&scheduler);
        Window::setAnimationDurationScale(0);
        CoreData::setShared(&manager);
        if (!manager.init()) std::exit(1);
        manager.currentSetting()->setStartUpWizard(0);
        if (!manager.currentSetting()->dehydrate()) std::exit(1);
        fill();
        view = std::make_unique<MainView>(QRectF(0, 0, 310, 600));
        MainView::setCurrent(view.get());
        AlertPresenter::setCurrent(&alerts);
    }

    ~PreferencesProduct()
    {
        AlertPresenter::setCurrent(nullptr);
        MainView::setCurrent(nullptr);
        view.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        CoreData::setShared(nullptr);
        Scheduler::setCurrent(nullptr);
        Clock::reset();
    }

    // 50,000 items; the first 1,000 tasks make 500 pairs of look-alikes.
    static void fill()
    {
        execute("DELETE FROM Tasks");
        sqlite3_stmt* insert = nullptr;
        execute("BEGIN");
        sqlite3_prepare_v2(RecordStore::sharedDatabase(),
                           "INSERT INTO Tasks (taskType, taskName, startTime, endTime, calendarId, notes, tagList, "
                           "parentId) VALUES (?, ?, ?, ?, 1, '', '', -1)",
                           -1, &insert, nullptr);
        for (int i = 0; i < itemCount; ++i) {
            const bool alike = i < 2 * alikeGroups;
            const QByteArray name =
                (alike ? QStringLiteral("Alike %1").arg(i % alikeGroups) : QStringLiteral("Item %1").arg(i)).toUtf8();
            sqlite3_bind_int(insert, 1, alike ? 1 : i % 3);
            sqlite3_bind_text(insert, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 3, 1.4e9 + i * 3600.0);
            sqlite3_bind_double(insert, 4, 1.4e9 + i * 3600.0 + 1800);
            if (sqlite3_step(insert) != SQLITE_DONE) std::exit(1);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        execute("COMMIT");
    }

    ManualScheduler scheduler;
    CoreData manager;
    std::unique_ptr<MainView> view;
    ProceedingAlerts alerts;

private:
    QTemporaryDir m_home;
};

std::unique_ptr<PreferencesProduct>& madePreferencesProduct()
{
    static std::unique_ptr<PreferencesProduct> made;
    return made;
}

PreferencesProduct& preferencesProduct()
{
    if (!madePreferencesProduct()) {
        madePreferencesProduct() = std::make_unique<PreferencesProduct>();
        qAddPostRoutine([] { madePreferencesProduct().reset(); });
    }
    return *madePreferencesProduct();
}

void BuildingTheWindowWithItsFourPanes(benchmark::State& state)
{
    preferencesProduct();
    for (auto _ : state) {
        {
            Preferences window;
            window.general(nullptr);
            benchmark::DoNotOptimize(window.contentView());
        }
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BuildingTheWindowWithItsFourPanes)->Unit(benchmark::kMillisecond);

void TabSwitch(benchmark::State& state)
{
    preferencesProduct();
    Preferences window;
    bool general = false;
    for (auto _ : state) {
        general ? window.general(nullptr) : window.tasks(nullptr);
        general = !general;
    }
}
BENCHMARK(TabSwitch)->Unit(benchmark::kMillisecond);

void WorkingHoursChangeWithItsSideFile(benchmark::State& state)
{
    preferencesProduct();
    PrefTaskView pane(QRectF(0, 0, 510, 507));
    QDateTimeEdit* editor = pane.sevenDaysWorkingHours()[5]->workingEndTime()->editor();
    int minute = 0;
    for (auto _ : state) {
        editor->setTime(QTime(17, minute));
        minute = (minute + 1) % 60;
    }
}
BENCHMARK(WorkingHoursChangeWithItsSideFile)->Unit(benchmark::kMillisecond);

void DuplicateRemovalOf500Groups(benchmark::State& state)
{
    PreferencesProduct& p = preferencesProduct();
    Preferences window;
    window.general(nullptr);
    PrefGeneralView& pane = *window.generalView();
    qint64 longestHold = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PreferencesProduct::fill();
        const int before = p.alerts.asked;
        state.ResumeTiming();
        pane.removeDuplicate();
        // A timer that should fire every millisecond: the gaps between its
        // ticks are the times the main thread was held.
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestHold = std::max(longestHold, sinceTick.restart());
        });
        ticker.start(1);
        while (p.alerts.asked < before + 2) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ticker.stop();
    }
    state.counters["longestMainThreadHoldMs"] = double(longestHold);
}
BENCHMARK(DuplicateRemovalOf500Groups)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
