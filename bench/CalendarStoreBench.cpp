// The system calendar store opened on 5,000 event files (500 of them
// repeating) in five calendars, and asked for the events of the sync window
// (30 days back and ahead, aligned to months: about three months).
//
// Cold: a new store object on the folder, so the index is built from the
// files (read and parsed with libical) before the query; the file watcher
// it starts afterwards on the main thread is counted too. Indexed: the same
// query again on a store that has its index.
//
// Watching: how long the main thread's event loop is held when the store
// starts watching a store of 20,000 files, and (its longest single turn)
// while the store takes in 2,000 of them rewritten by another program.
//
// Held memory: a store of 50,000 item files (events, series with changed
// occurrences, tasks) indexed and asked what the full sync asks (the
// window's events, every task); the process's resident set before the store
// is made (the program without it), after its work, and its peak.
//
// The files are written once, in a temporary folder, as other calendar
// programs write them.
#include "CalCalendarStore.h"
#include "GregorianCalendar.h"
#include "iCalSyncJobs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>

#include <malloc.h>

namespace {

constexpr int calendarCount = 5;
constexpr int eventCount = 5000;
constexpr int everyNthRepeats = 10;

QString stamp(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

QTemporaryDir& storeFolder()
{
    static QTemporaryDir folder;
    static bool written = false;
    if (written) return folder;
    written = true;
    QRandomGenerator random(20140312);
    const QDateTime first(QDate(2013, 1, 1), QTime(8, 0), QTimeZone::utc());
    const char* const rules[] = {"FREQ=WEEKLY", "FREQ=DAILY;COUNT=30", "FREQ=MONTHLY;BYMONTHDAY=15",
                                 "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE", "FREQ=YEARLY"};
    for (int i = 0; i < eventCount; ++i) {
        const QString calendar = QStringLiteral("%1/CAL%2.calendar").arg(folder.path()).arg(i % calendarCount);
        if (i < calendarCount) {
            QDir().mkpath(calendar + QStringLiteral("/Events"));
            QFile info(calendar + QStringLiteral("/Info.plist"));
            info.open(QIODevice::WriteOnly);
            info.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                       "<key>Title</key><string>Calendar</string><key>EventContainer</key><integer>1</integer>"
                       "</dict></plist>\n");
        }
        const QDateTime start = first.addSecs(qint64(random.bounded(3 * 365 * 24)) * 3600);
        QString event = QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\nBEGIN:VEVENT\r\n"
                                       "UID:bench-%1\r\nDTSTAMP:20140101T000000Z\r\nDTSTART:%2\r\nDTEND:%3\r\n"
                                       "SUMMARY:Event %1\r\nLOCATION:Room %4\r\n")
                            .arg(i)
                            .arg(stamp(start), stamp(start.addSecs(3600)))
                            .arg(i % 40);
        if (i % everyNthRepeats == 0) event += QStringLiteral("RRULE:%1\r\n").arg(QLatin1String(rules[(i / 10) % 5]));
        event += QStringLiteral("END:VEVENT\r\nEND:VCALENDAR\r\n");
        QFile file(QStringLiteral("%1/Events/bench-%2.ics").arg(calendar).arg(i));
        file.open(QIODevice::WriteOnly);
        file.write(event.toUtf8());
    }
    return folder;
}

CalPredicate windowPredicate(const CalCalendarStore& store)
{
    const Date now = GregorianCalendar::dateFromFields(2014, 3, 12, 10, 0, 0);
    return CalCalendarStore::eventPredicateWithStartDate(iCalSyncJobs::syncWindowDate(true, 30, now),
                                                         iCalSyncJobs::syncWindowDate(false, 30, now),
                                                         store.calendars());
}

void BM_SyncWindowEventsCold(benchmark::State& state)
{
    const QString root = storeFolder().path();
    qint64 found = 0;
    for (auto _ : state) {
        const auto store = CalCalendarStore::create(root);
        found = store->eventsWithPredicate(windowPredicate(*store)).size();
        // The watcher starts on the main thread once the index exists.
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(found);
    }
    state.counters["events"] = double(found);
}
BENCHMARK(BM_SyncWindowEventsCold)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SyncWindowEventsIndexed(benchmark::State& state)
{
    const auto store = CalCalendarStore::create(storeFolder().path());
    const CalPredicate predicate = windowPredicate(*store);
    qint64 found = store->eventsWithPredicate(predicate).size();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        found = store->eventsWithPredicate(predicate).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["events"] = double(found);
}
BENCHMARK(BM_SyncWindowEventsIndexed)->Unit(benchmark::kMillisecond)->UseRealTime();

// 20,000 event files in four calendars, as large stores of other programs
// hold them.
constexpr int watchedFiles = 20000;

QTemporaryDir& largeStoreFolder()
{
    static QTemporaryDir folder;
    static bool written = false;
    if (written) return folder;
    written = true;
    for (int i = 0; i < watchedFiles; ++i) {
        const QString calendar = QStringLiteral("%1/BIG%2.calendar").arg(folder.path()).arg(i % 4);
        if (i < 4) QDir().mkpath(calendar + QStringLiteral("/Events"));
        QFile file(QStringLiteral("%1/Events/big-%2.ics").arg(calendar).arg(i));
        file.open(QIODevice::WriteOnly);
        file.write(QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\nBEGIN:VEVENT\r\n"
                                  "UID:big-%1\r\nDTSTAMP:20140101T000000Z\r\nDTSTART:20140310T090000Z\r\n"
                                  "DTEND:20140310T100000Z\r\nSUMMARY:Event %1\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                       .arg(i)
                       .toUtf8());
    }
    return folder;
}

// How long the main thread's event loop is held when the store starts
// watching 20,000 files (the index is built before, off the measurement).
void BM_WatchStartBlocksTheEventLoop(benchmark::State& state)
{
    const QString root = largeStoreFolder().path();
    for (auto _ : state) {
        state.PauseTiming();
        auto store = CalCalendarStore::create(root);
        store->calendars();
        state.ResumeTiming();
        QCoreApplication::processEvents();
        state.PauseTiming();
        store.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WatchStartBlocksTheEventLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// How long the main thread's event loop is held by the rescan after another
// program rewrote 2,000 of the 20,000 files.
void BM_RescanBlocksTheEventLoop(benchmark::State& state)
{
    const QString root = largeStoreFolder().path();
    auto store = CalCalendarStore::create(root);
    store->calendars();
    QCoreApplication::processEvents();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (int i = 0; i < 2000; ++i) {
            QFile file(QStringLiteral("%1/BIG%2.calendar/Events/big-%3.ics").arg(root).arg(i % 4).arg(i));
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\nBEGIN:VEVENT\r\n"
                                      "UID:big-%1\r\nDTSTAMP:20140101T000000Z\r\nDTSTART:20140310T090000Z\r\n"
                                      "DTEND:20140310T100000Z\r\nSUMMARY:Event %1 round %2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                           .arg(i)
                           .arg(round)
                           .toUtf8());
        }
        // The watcher's reports arrive and the coalescing interval passes.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 150) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        state.ResumeTiming();
        // The longest single turn of the event loop until the rescan is done.
        qint64 longest = 0;
        QElapsedTimer turn;
        QElapsedTimer total;
        total.start();
        while (total.elapsed() < 1500) {
            turn.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longest = std::max(longest, turn.elapsed());
        }
        state.counters["longest_turn_ms"] = double(longest);
    }
}
BENCHMARK(BM_RescanBlocksTheEventLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// 50,000 items in two calendars: 23,000 events, 2,000 weekly series (600
// of them with a moved occurrence and a deleted one), 25,000 tasks; each with
// a line of notes, over five years.
constexpr int heldItems = 50000;
constexpr int heldSeries = 2000;
constexpr int heldMoved = 600;
constexpr int heldTasks = 25000;

QTemporaryDir& heldStoreFolder()
{
    static QTemporaryDir folder;
    static bool written = false;
    if (written) return folder;
    written = true;
    const QDateTime first(QDate(2012, 1, 1), QTime(8, 0), QTimeZone::utc());
    const QString head = QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n");
    QRandomGenerator random(20140615);
    for (int i = 0; i < heldItems; ++i) {
        const bool task = i >= heldItems - heldTasks;
        const QString calendar = QStringLiteral("%1/HELD%2.calendar").arg(folder.path()).arg(i % 2);
        if (i < 2) {
            QDir().mkpath(calendar + QStringLiteral("/Events"));
            QDir().mkpath(calendar + QStringLiteral("/Tasks"));
        }
        const QDateTime start = first.addSecs(qint64(random.bounded(5 * 365 * 24)) * 3600);
        const QString uid = QStringLiteral("%1-4B2C-4D7E-9F00-%2").arg(task ? QStringLiteral("T") : QStringLiteral("E")).arg(i, 12, 10, QLatin1Char('0'));
        const QString common = QStringLiteral("UID:%1\r\nDTSTAMP:20140101T000000Z\r\nSUMMARY:Item %2 of the held store\r\n"
                                              "DESCRIPTION:Notes of item %2\\, one line as most items have\r\n")
                                   .arg(uid)
                                   .arg(i);
        QString text = head;
        if (task) {
            text += QStringLiteral("BEGIN:VTODO\r\n%1DUE:%2\r\nEND:VTODO\r\n").arg(common, stamp(start));
        } else {
            text += QStringLiteral("BEGIN:VEVENT\r\n%1DTSTART:%2\r\nDTEND:%3\r\n").arg(common, stamp(start), stamp(start.addSecs(3600)));
            if (i < heldSeries) text += QStringLiteral("RRULE:FREQ=WEEKLY\r\n");
            if (i < heldMoved) text += QStringLiteral("EXDATE:%1\r\n").arg(stamp(start.addDays(7)));
            text += QStringLiteral("END:VEVENT\r\n");
            if (i < heldMoved)
                text += QStringLiteral("BEGIN:VEVENT\r\n%1RECURRENCE-ID:%2\r\nDTSTART:%3\r\nDTEND:%4\r\nEND:VEVENT\r\n")
                            .arg(common, stamp(start.addDays(14)), stamp(start.addDays(14).addSecs(7200)),
                                 stamp(start.addDays(14).addSecs(10800)));
        }
        text += QStringLiteral("END:VCALENDAR\r\n");
        QFile file(QStringLiteral("%1/%2/%3.ics").arg(calendar, task ? QStringLiteral("Tasks") : QStringLiteral("Events"), uid));
        file.open(QIODevice::WriteOnly);
        file.write(text.toUtf8());
    }
    return folder;
}

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS").
double statusMiB(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(QByteArray(field + ':'))) return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

// Run alone (--benchmark_filter=Held) for a peak of its own. The time is
// the first index (on the store's worker, as the start asks for it) and the
// two queries.
void BM_HeldMemoryOfFiftyThousandItems(benchmark::State& state)
{
    const QString root = heldStoreFolder().path();
    malloc_trim(0);
    const double without = statusMiB("VmRSS");
    const double heapWithout = double(mallinfo2().uordblks) / (1 << 20);
    std::shared_ptr<CalCalendarStore> store;
    qint64 found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        store.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        store = CalCalendarStore::create(root);
        // As the start asks for it: the first index on the store's worker.
        bool indexed = false;
        store->indexInBackground([&indexed] { indexed = true; });
        while (!indexed) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const Date now = GregorianCalendar::dateFromFields(2014, 6, 15, 10, 0, 0);
        found = store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                                               iCalSyncJobs::syncWindowDate(true, 30, now),
                                               iCalSyncJobs::syncWindowDate(false, 30, now), store->calendars()))
                    .size();
        found += store->tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(store->calendars())).size();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = double(found);
    state.counters["rss_without_MiB"] = without;
    state.counters["rss_with_MiB"] = statusMiB("VmRSS");
    state.counters["peak_MiB"] = statusMiB("VmHWM");
    state.counters["heap_held_MiB"] = double(mallinfo2().uordblks) / (1 << 20) - heapWithout;
}
BENCHMARK(BM_HeldMemoryOfFiftyThousandItems)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

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
