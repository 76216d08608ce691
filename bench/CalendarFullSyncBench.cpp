// The full calendar sync over a store of 5,000 events (500 of them weekly
// series with a moved and a deleted occurrence) and 500 tasks: the first
// pass imports everything, the second finds nothing changed. Then the
// restore of those 5,000 items to an emptied store. Last, the first full
// sync of a start with the loading data's 50,000 items whose files the
// store holds, timed by how long the main thread's event loop stood still.
//
// The store's files are written here as another program would write them;
// the store, the database and the sync are real. They live in a temporary
// folder under $TMPDIR (Qt's temporary path): point TMPDIR at the file
// system to measure.
#include "support/BenchDatabase.h"
#include "support/CalendarSyncBenchSetup.h"
#include "support/LoadingData.h"

#include "CalCalendarStore.h"
#include "Calendar.h"
#include "Setting.h"
#include "Task.h"
#include "iCalSyncJobs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <ctime>

namespace {

constexpr int plainEvents = 4500;
constexpr int seriesEvents = 500;
constexpr int storeTasks = 500;

QString stamp(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

void writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.toUtf8());
}

// One calendar folder holding the events and tasks, all inside the window.
QString fillStore(const QString& root)
{
    auto seed = CalCalendarStore::create(root);
    auto calendar = CalCalendar::calendar();
    calendar->setTitle(QStringLiteral("Bench"));
    seed->saveCalendar(calendar);
    const QString folder = QStringLiteral("%1/%2.calendar").arg(root, calendar->uid());
    QDir().mkpath(folder + QStringLiteral("/Events"));
    QDir().mkpath(folder + QStringLiteral("/Tasks"));
    const QDateTime today(QDateTime::currentDateTimeUtc().date(), QTime(9, 0), QTimeZone::utc());
    const QString head = QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n");
    for (int i = 0; i < plainEvents; ++i) {
        const QDateTime start = today.addDays(i % 25).addSecs(60 * (i % 600));
        writeFile(QStringLiteral("%1/Events/PLAIN-%2.ics").arg(folder).arg(i),
                  head + QStringLiteral("BEGIN:VEVENT\r\nUID:PLAIN-%1\r\nDTSTAMP:20140301T000000Z\r\nDTSTART:%2\r\n"
                                        "DTEND:%3\r\nSUMMARY:Event %1\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                             .arg(i)
                             .arg(stamp(start), stamp(start.addSecs(1800))));
    }
    for (int i = 0; i < seriesEvents; ++i) {
        const QDateTime start = today.addDays(-3 - i % 5).addSecs(60 * (i % 400));
        const QDateTime moved = start.addDays(14);
        writeFile(QStringLiteral("%1/Events/SERIES-%2.ics").arg(folder).arg(i),
                  head + QStringLiteral("BEGIN:VEVENT\r\nUID:SERIES-%1\r\nDTSTAMP:20140301T000000Z\r\nDTSTART:%2\r\n"
                                        "DTEND:%3\r\nRRULE:FREQ=WEEKLY;COUNT=8\r\nEXDATE:%4\r\nSUMMARY:Series %1\r\n"
                                        "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:SERIES-%1\r\nDTSTAMP:20140301T000000Z\r\n"
                                        "RECURRENCE-ID:%5\r\nDTSTART:%6\r\nDTEND:%7\r\nSUMMARY:Moved %1\r\n"
                                        "END:VEVENT\r\nEND:VCALENDAR\r\n")
                             .arg(i)
                             .arg(stamp(start), stamp(start.addSecs(1800)), stamp(start.addDays(7)), stamp(moved),
                                  stamp(moved.addSecs(7200)), stamp(moved.addSecs(9000))));
    }
    for (int i = 0; i < storeTasks; ++i)
        writeFile(QStringLiteral("%1/Tasks/TASK-%2.ics").arg(folder).arg(i),
                  head + QStringLiteral("BEGIN:VTODO\r\nUID:TASK-%1\r\nDTSTAMP:20140301T000000Z\r\nDUE:%2\r\n"
                                        "SUMMARY:Task %1\r\nEND:VTODO\r\nEND:VCALENDAR\r\n")
                             .arg(i)
                             .arg(stamp(today.addDays(i % 40))));
    return calendar->uid();
}

struct Setup {
    BenchDatabase database;
    QTemporaryDir folder;
    QString calendarUid;
    std::shared_ptr<CalCalendarStore> store;
    std::unique_ptr<iCalSyncJobs> jobs;

    Setup()
    {
        CoreData& manager = database.dataManager();
        manager.currentSetting()->setICalSyncWindowStart(30);
        manager.currentSetting()->setICalSyncWindowEnd(30);
        calendarUid = fillStore(folder.path());
        store = CalCalendarStore::create(folder.path());
        jobs = std::make_unique<iCalSyncJobs>(store);
    }
    qint64 localItems() { return qint64(database.dataManager().getAllTasksEventsAdes().size()); }
};

void BM_FullSyncFirstImportsEverything(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto setup = std::make_unique<Setup>();
        state.ResumeTiming();
        setup->jobs->backgroundFullSync();
        state.PauseTiming();
        state.counters["items"] = double(setup->localItems());
        setup->jobs.reset();
        // Its folder of 5,500 files is removed outside the measured time.
        setup.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FullSyncFirstImportsEverything)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_FullSyncSecondWithNothingChanged(benchmark::State& state)
{
    Setup setup;
    setup.jobs->backgroundFullSync();
    const qint64 items = setup.localItems();
    for (auto _ : state) setup.jobs->backgroundFullSync();
    if (setup.localItems() != items) state.SkipWithError("a pass with nothing changed changed the items");
    state.counters["items"] = double(items);
}
BENCHMARK(BM_FullSyncSecondWithNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A full sync that changes nothing over 5,000 events the organizer exported
// itself in five zones: every file's zone is read again on every pass.
void BM_FullSyncOverFiveThousandExportedZonedEvents(benchmark::State& state)
{
    calendarbench::Setup setup;
    const TaskList events = calendarbench::storedZonedEvents(*setup.manager, calendarbench::zonedEvents);
    if (setup.jobs->createNewEventsOnICal(events, 1) != calendarbench::zonedEvents) state.SkipWithError("the export failed");
    setup.jobs->backgroundFullSync();
    const qint64 items = qint64(setup.manager->getAllTasksEventsAdes().size());
    for (auto _ : state) setup.jobs->backgroundFullSync();
    if (qint64(setup.manager->getAllTasksEventsAdes().size()) != items)
        state.SkipWithError("a pass with nothing changed changed the items");
    state.counters["items"] = double(items);
}
BENCHMARK(BM_FullSyncOverFiveThousandExportedZonedEvents)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The restored database links 5,000 items that the emptied store no longer
// holds: each pass sends them all back.
void BM_RestoreOfFiveThousandItems(benchmark::State& state)
{
    Setup setup;
    setup.jobs->backgroundFullSync();
    const QString folder = QStringLiteral("%1/%2.calendar").arg(setup.folder.path(), setup.calendarUid);
    qint64 sent = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(folder + QStringLiteral("/Events")).removeRecursively();
        QDir(folder + QStringLiteral("/Tasks")).removeRecursively();
        QDir().mkpath(folder + QStringLiteral("/Events"));
        QDir().mkpath(folder + QStringLiteral("/Tasks"));
        setup.store = CalCalendarStore::create(setup.folder.path());
        setup.jobs->setICalStore(setup.store);
        state.ResumeTiming();
        setup.jobs->backgroundRestoreCalendars();
        if (!setup.jobs->waitForQueuedJobs(60)) state.SkipWithError("the pushes did not end");
        state.PauseTiming();
        sent = QDir(folder + QStringLiteral("/Events")).count() + QDir(folder + QStringLiteral("/Tasks")).count();
        state.ResumeTiming();
    }
    state.counters["files"] = double(sent);
}
BENCHMARK(BM_RestoreOfFiveThousandItems)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The loading data's 50,000 items (2,000 of them series, some with changed
// occurrences) and the store's files of them, written by a first full sync.
struct StartData {
    BenchDatabase database;
    QTemporaryDir folder;
    StartData()
    {
        LoadingData::Writer(database.db()).write();
        CoreData& manager = database.dataManager();
        manager.doWithCalendarList(manager.getCalendarList(), 2);
        iCalSyncJobs jobs(CalCalendarStore::create(folder.path()));
        jobs.backgroundFullSync();
        jobs.waitForQueuedJobs(3600);
    }
};

// The first full sync of a start over those items, run as the start runs
// it: the lists loaded, the store (a new one on the same folder) indexed in
// the background, then the sync from the main thread's event loop. A timer
// asks the loop every millisecond; "stall_ms" is the longest gap between
// two of its turns from the index's start to the sync's end (the median of
// the runs; "stall_max_ms" the longest of all), the time measured is that
// whole span. Run it under `taskset -c 0,1` for two cores.
void BM_StartFullSyncOfFiftyThousandItemsStall(benchmark::State& state)
{
    StartData data;
    const qint64 items = qint64(data.database.dataManager().getAllTasksEventsAdes().size());
    std::vector<double> stalls;
    for (auto _ : state) {
        state.PauseTiming();
        auto jobs = std::make_unique<iCalSyncJobs>(CalCalendarStore::create(data.folder.path()));
        jobs->loadListsBeforeFullSync();
        QEventLoop loop;
        QElapsedTimer clock;
        qint64 lastTurn = 0;
        qint64 stall = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            stall = std::max(stall, now - lastTurn);
            lastTurn = now;
        });
        state.ResumeTiming();
        clock.start();
        tick.start();
        jobs->whenStoreIndexed([&] {
            QTimer::singleShot(100, [&] {
                jobs->runPendingFullSync();
                loop.quit();
            });
        });
        loop.exec();
        state.PauseTiming();
        stall = std::max(stall, clock.nsecsElapsed() - lastTurn);
        tick.stop();
        stalls.push_back(double(stall) / 1e6);
        jobs->waitForQueuedJobs(3600);
        jobs.reset();
        state.ResumeTiming();
    }
    if (qint64(data.database.dataManager().getAllTasksEventsAdes().size()) != items)
        state.SkipWithError("the sync changed the number of items");
    state.counters["items"] = double(items);
    std::sort(stalls.begin(), stalls.end());
    state.counters["stall_ms"] = stalls.empty() ? 0.0 : stalls[stalls.size() / 2];
    state.counters["stall_max_ms"] = stalls.empty() ? 0.0 : stalls.back();
}
BENCHMARK(BM_StartFullSyncOfFiftyThousandItemsStall)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

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
