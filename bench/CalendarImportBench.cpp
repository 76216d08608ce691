// The import of outside changes: another program changed 10 linked events
// of the calendar store; measured from the store's notice to the end of the
// job that wrote the last row (its web push request reaches the main thread).
//
// The store, the database and the sync are real; between rounds the sync is
// switched off while the other program writes, so that each round imports
// real changes that no earlier notice took in.
#include "support/BenchDatabase.h"

#include "CalCalendarStore.h"
#include "Calendar.h"
#include "MainQueue.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "Setting.h"
#include "Task.h"
#include "ZVWSync.h"
#include "iCalSyncJobs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

constexpr int changedEvents = 10;

bool processUntil(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void BM_NoticeOfTenChangedEvents(benchmark::State& state)
{
    BenchDatabase database;
    CoreData& manager = database.dataManager();
    manager.currentSetting()->setAutoZVWSync(1);
    QTemporaryDir folder;
    const auto store = CalCalendarStore::create(folder.path());
    const auto outside = CalCalendarStore::create(folder.path());
    iCalSyncJobs jobs(store);

    auto calendar = CalCalendar::calendar();
    calendar->setTitle(QStringLiteral("Bench"));
    outside->saveCalendar(calendar);
    store->calendars();  // indexed: the watcher starts
    auto category = std::make_shared<Calendar>();
    category->setCalendarName(QStringLiteral("Bench"));
    category->setICalUID(calendar->uid());
    category->setTaskOrEvent(3);
    manager.addCalendarToCalendarList(category, false, false);
    processUntil([] { return false; }, 400);  // the watcher is on

    QObject observer;
    int requests = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, kAutoSyncNotification, nullptr,
                                                    [&](const Notification&) { ++requests; });

    // Tomorrow: inside the sync window whatever day the figures are taken.
    const Date day = Date::dateWithTimeIntervalSince1970(double(QDateTime::currentSecsSinceEpoch() + 86400));
    CalEventList events;
    QStringList uids;
    for (int i = 0; i < changedEvents; ++i) {
        auto event = CalEvent::event();
        event->setCalendar(calendar);
        event->setTitle(QStringLiteral("Meeting %1").arg(i));
        event->setStartDate(day.dateByAddingTimeInterval(3600.0 * i));
        event->setEndDate(day.dateByAddingTimeInterval(3600.0 * i + 1800));
        outside->saveEvent(event, CalSpanAllEvents);
        events << event;
        uids << event->uid();
    }
    // The first import, through the watcher.
    if (!processUntil([&] { return manager.getRootEventWithUID(uids.last()) != nullptr; })) {
        state.SkipWithError("the events were not imported");
        return;
    }
    processUntil([] { return false; }, 500);

    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        manager.setBSynciCalEnable(false);
        const QString title = QStringLiteral("Round %1").arg(round);
        for (const CalEventPtr& event : events) {
            event->setTitle(title);
            outside->saveEvent(event, CalSpanAllEvents);
        }
        processUntil([&] { return store->eventWithUID(uids.last(), Date())->title() == title; });
        processUntil([] { return false; }, 50);
        manager.setBSynciCalEnable(true);
        const int before = requests;
        state.ResumeTiming();

        jobs.doSthWithEvent(Notification(CalEventsChangedExternallyNotification, store.get(),
                                         QVariantMap{{CalUpdatedRecordsKey, uids}}));
        processUntil([&] { return requests > before; });
    }
    if (manager.getRootEventWithUID(uids.first())->taskName() != QStringLiteral("Round %1").arg(round))
        state.SkipWithError("the last round was not imported");
    NotificationCenter::defaultCenter().removeObserver(&observer);
}
BENCHMARK(BM_NoticeOfTenChangedEvents)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", "Europe/Paris");
    tzset();
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
