// The calendar sync's exports: the push of a web sync's results (1,000 new
// items, 100 of them repeating with a changed and a deleted occurrence) and
// 1,000 single event edits queued at once, with the thread count they need.
//
// The store and the database live in a temporary folder under $TMPDIR (Qt's
// temporary path): point TMPDIR at a folder on the file system to measure,
// e.g. TMPDIR=/dev/shm or a mounted disk image.
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "GregorianCalendar.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSyncJobs.h"
#include "support/CalendarSyncBenchSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

constexpr int webItems = 1000;
constexpr int repeatingWebItems = 100;
constexpr int webTasks = 300;
constexpr int queuedEdits = 1000;

using namespace calendarbench;

int processThreads()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

TaskPtr storedItem(qint64 type, int i)
{
    auto item = std::make_shared<Task>();
    item->setTaskType(type);
    item->setTaskName(QStringLiteral("Item %1").arg(i));
    const Date start = local(2014, 3, 1 + i % 28, 8 + i % 10);
    item->setStartTime(start);
    item->setEndTime(start.dateByAddingTimeInterval(3600));
    item->setCalendarId(1);
    if (!item->insertIntoDatabase()) std::exit(1);
    return item;
}

// What the item merge of a web sync hands over: 1,000 new items, 100 of them
// repeating events with one changed occurrence (in the update list too) and
// one deleted occurrence, and 300 tasks. The merge stores them in units of a
// batch, so they are stored here in one unit too (a unit per item would leave
// a thousand deleted journal files behind, which slows the creation of files
// on a disk without a journal of its own).
void BM_PushWebSyncResults(benchmark::State& state)
{
    qint64 linked = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TaskList inserted;
        TaskList updated;
        Transaction unit;
        for (int i = 0; i < webItems; ++i) {
            if (i < webTasks) {
                inserted << storedItem(1, i);
                continue;
            }
            TaskPtr event = storedItem(0, i);
            inserted << event;
            if (i >= webTasks + repeatingWebItems) continue;
            event->setRepeatType(1);
            event->setRepeatOptions(QStringLiteral("1//0"));
            event->setIsRepeatForever(1);
            const Date first = event->startTime();
            event->setRepeatExceptions(
                QStringLiteral("|%1(1)|%2(2)")
                    .arg(Task::storedDateText(local(Utilities::getYear(first), Utilities::getMonth(first), Utilities::getDay(first) + 2)),
                         Task::storedDateText(local(Utilities::getYear(first), Utilities::getMonth(first), Utilities::getDay(first) + 3))));
            if (!event->dehydrate()) std::exit(1);
            TaskPtr changed = storedItem(0, i);
            changed->setParentId(event->primaryKey());
            changed->setStartTime(first.dateByAddingTimeInterval(2 * 86400 + 5 * 3600));
            changed->setEndTime(first.dateByAddingTimeInterval(2 * 86400 + 6 * 3600));
            if (!changed->dehydrate()) std::exit(1);
            updated << changed;
        }
        if (!unit.commit()) std::exit(1);
        state.ResumeTiming();
        setup->jobs->backgroundOneWaySyncInsertToICalItemList(inserted, updated, {});
        state.PauseTiming();
        linked = 0;
        for (const TaskPtr& item : inserted) linked += item->iCalUID().isEmpty() ? 0 : 1;
        if (linked != webItems) state.SkipWithError("an item did not reach the store");
        state.ResumeTiming();
    }
    state.counters["items"] = double(linked);
}
BENCHMARK(BM_PushWebSyncResults)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// 1,000 edits of single events queued at once, until the last is in the
// store; the process's thread count is watched meanwhile.
void BM_QueuedEventEdits(benchmark::State& state)
{
    int mostThreads = 0;
    int threadsBefore = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TaskList edits;
        for (int i = 0; i < queuedEdits; ++i) {
            TaskPtr event = storedItem(0, i);
            if (!setup->jobs->createNewEventOnICal(event, 1)) std::exit(1);
            TaskPtr edit = event->copy();
            edit->setLocalStartDate(event->startTime());
            edit->setLocalEndDate(event->endTime());
            edit->setTaskName(QStringLiteral("Edited %1").arg(i));
            edits << edit;
        }
        threadsBefore = processThreads();
        mostThreads = threadsBefore;
        state.ResumeTiming();
        for (const TaskPtr& edit : edits) setup->jobs->backgroundOneWaySyncUpdateToICalEvent(edit, 0);
        mostThreads = std::max(mostThreads, processThreads());
        if (!setup->jobs->waitForQueuedJobs(60)) state.SkipWithError("the edits did not end");
    }
    state.counters["edits"] = queuedEdits;
    state.counters["threads_before"] = threadsBefore;
    state.counters["threads_most"] = mostThreads;
}
BENCHMARK(BM_QueuedEventEdits)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// 5,000 new events in five zones exported in one job, as a web sync's push
// or a restore sends them: every file carries the definition of its zone.
void BM_ExportOfFiveThousandZonedEvents(benchmark::State& state)
{
    qint64 linked = 0;
    int round = 0;
    double firstRoundMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Into a new store folder each round, holding the one calendar: the
        // files of the rounds before stay until the end. (Removing 5,000 files
        // just before would add the filesystem's search past recently freed
        // inodes, which a disk without a journal makes for each new file.)
        const QString root = setup->m_dir.path() + QStringLiteral("/store-%1").arg(++round);
        const QString calendarFolder = QStringLiteral("%1/%2.calendar").arg(root, setup->calendar->uid());
        QDir().mkpath(calendarFolder + QStringLiteral("/Events"));
        QFile::copy(setup->m_dir.path() + QStringLiteral("/store/%1.calendar/Info.plist").arg(setup->calendar->uid()),
                    calendarFolder + QStringLiteral("/Info.plist"));
        setup->store = CalCalendarStore::create(root);
        setup->jobs->setICalStore(setup->store);
        const TaskList events = storedZonedEvents(*setup->manager, zonedEvents);
        QElapsedTimer timer;
        timer.start();
        state.ResumeTiming();
        linked = setup->jobs->createNewEventsOnICal(events, 1);
        state.PauseTiming();
        // The first round of a run stands alone: no files of the rounds
        // before it share its folder's inode groups yet.
        if (round == 1) firstRoundMs = double(timer.nsecsElapsed()) / 1e6;
        if (linked != zonedEvents) state.SkipWithError("an event did not reach the store");
        state.ResumeTiming();
    }
    state.counters["events"] = double(linked);
    state.counters["first_round_ms"] = firstRoundMs;
}
BENCHMARK(BM_ExportOfFiveThousandZonedEvents)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", "Europe/Paris");
    tzset();
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Setup shared;
    setup = &shared;
    benchmark::RunSpecifiedBenchmarks();
    setup = nullptr;
    benchmark::Shutdown();
    return 0;
}
