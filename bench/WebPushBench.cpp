// The automatic push of 10 changed items, from the quiet-interval timer's
// fire to the last answer, and the replace of the service's data by 10,000
// local items, from the command to its finished notification; both against
// the loopback service.
#include "support/BenchDatabase.h"

#include "LoopbackService.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"
#include "ZVWSync.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <thread>

namespace {

const QString userName = QStringLiteral("bench@example.com");
const QString password = QStringLiteral("secret");

// A signed-in account on a loopback service, with `count` local items.
struct PushSetUp {
    BenchDatabase database;
    LoopbackService service;
    SettingPtr setting;
    TaskList items;
    std::unique_ptr<ZVWSync> sync;

    explicit PushSetUp(int count)
    {
        service.addAccount(userName, password);
        qputenv("ZORAVEL_SERVICE_URL", service.baseAddress().toUtf8());
        setting = database.dataManager().currentSetting();
        setting->setZvwUserName(userName);
        setting->setZvwPassword(password);
        setting->setAutoZVWSync(1);
        setting->setLatestSyncItem(0);
        internetReachable = true;
        Transaction unit;
        for (int i = 0; i < count; ++i) {
            auto item = std::make_shared<Task>();
            item->setTaskName(QStringLiteral("Item %1").arg(i));
            if (!item->insertAndDehydrate()) std::exit(1);
            items.append(item);
        }
        if (!unit.commit()) std::exit(1);
        sync = std::make_unique<ZVWSync>();
    }
    ~PushSetUp()
    {
        sync.reset();
        internetReachable = false;
    }
};

void BM_AutomaticPushOfTenChangedItems(benchmark::State& state)
{
    PushSetUp setUp(10);
    ManualScheduler scheduler;
    Scheduler::setCurrent(&scheduler);
    // The first push creates them; the measured ones send their changes.
    setUp.sync->receiveAutoSyncNotification(2);
    scheduler.advance(10);
    setUp.sync->waitUntilIdle(10);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (const TaskPtr& item : setUp.items) {
            item->setTaskName(QStringLiteral("Item %1 round %2").arg(item->primaryKey()).arg(round));
            if (!item->dehydrate()) state.SkipWithError("no write");
        }
        setUp.sync->receiveAutoSyncNotification(2);
        scheduler.advance(9.9);
        const int before = setUp.service.requestsTo(QStringLiteral("/api/tasks/update.json")).size();
        state.ResumeTiming();
        scheduler.advance(0.1);
        while (setUp.sync->isSyncing()) std::this_thread::yield();
        state.PauseTiming();
        if (setUp.service.requestsTo(QStringLiteral("/api/tasks/update.json")).size() != before + 1)
            state.SkipWithError("the changes were not sent in one request");
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    Scheduler::setCurrent(nullptr);
}
BENCHMARK(BM_AutomaticPushOfTenChangedItems)->Unit(benchmark::kMillisecond);

void BM_ReplaceServiceDataWithTenThousandItems(benchmark::State& state)
{
    PushSetUp setUp(10000);
    QObject pane;
    bool finished = false;
    NotificationCenter::defaultCenter().addObserver(&pane, kSyncZVWFinishedNotification, &pane,
                                                    [&](const Notification&) { finished = true; });
    for (auto _ : state) {
        finished = false;
        setUp.sync->backgroundOneWayMacToWeb(&pane);
        while (!finished) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.PauseTiming();
        if (setUp.service.itemRecordsOf(userName).size() != 10000) state.SkipWithError("not every item is on the service");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReplaceServiceDataWithTenThousandItems)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
