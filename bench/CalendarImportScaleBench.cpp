// How the calendar import grows: a full sync imports N events (one in ten a
// weekly series with a moved and a deleted occurrence) into an empty
// organizer, N the argument; and one series file with K changed occurrences,
// K the argument. Run the sizes 1x, 4x and 16x (and 100,000 events) and
// compare: the time per event should stay flat.
//
// Counters: the events imported, the peak resident memory of the process
// (MB; run one size per process for a figure of that size alone) and the
// time per event.
#include "support/BenchDatabase.h"

#include "CalCalendarStore.h"
#include "Calendar.h"
#include "Setting.h"
#include "Task.h"
#include "iCalSyncJobs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>

namespace {

double peakResidentMB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

QString stamp(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

void writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.toUtf8());
}

const QString fileHead = QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n");

// One calendar folder; every event inside the sync window around today.
QString makeCalendar(const QString& root)
{
    auto seed = CalCalendarStore::create(root);
    auto calendar = CalCalendar::calendar();
    calendar->setTitle(QStringLiteral("Bench"));
    seed->saveCalendar(calendar);
    const QString folder = QStringLiteral("%1/%2.calendar").arg(root, calendar->uid());
    QDir().mkpath(folder + QStringLiteral("/Events"));
    return folder;
}

QDateTime todayAtNine()
{
    return QDateTime(QDateTime::currentDateTimeUtc().date(), QTime(9, 0), QTimeZone::utc());
}

void writeEvents(const QString& folder, int count)
{
    const QDateTime today = todayAtNine();
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/Events/E-%2.ics").arg(folder).arg(i);
        if (i % 10 != 0) {
            const QDateTime start = today.addDays(i % 25).addSecs(60 * (i % 600));
            writeFile(path, fileHead
                                + QStringLiteral("BEGIN:VEVENT\r\nUID:E-%1\r\nDTSTAMP:20140301T000000Z\r\nDTSTART:%2\r\n"
                                                 "DTEND:%3\r\nSUMMARY:Event %1\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                                      .arg(i)
                                      .arg(stamp(start), stamp(start.addSecs(1800))));
            continue;
        }
        const QDateTime start = today.addDays(-3 - i % 5).addSecs(60 * (i % 400));
        const QDateTime moved = start.addDays(14);
        writeFile(path, fileHead
                            + QStringLiteral("BEGIN:VEVENT\r\nUID:E-%1\r\nDTSTAMP:20140301T000000Z\r\nDTSTART:%2\r\n"
                                             "DTEND:%3\r\nRRULE:FREQ=WEEKLY;COUNT=8\r\nEXDATE:%4\r\nSUMMARY:Series %1\r\n"
                                             "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:E-%1\r\nDTSTAMP:20140301T000000Z\r\n"
                                             "RECURRENCE-ID:%5\r\nDTSTART:%6\r\nDTEND:%7\r\nSUMMARY:Moved %1\r\n"
                                             "END:VEVENT\r\nEND:VCALENDAR\r\n")
                                  .arg(i)
                                  .arg(stamp(start), stamp(start.addSecs(1800)), stamp(start.addDays(7)), stamp(moved),
                                       stamp(moved.addSecs(7200)), stamp(moved.addSecs(9000))));
    }
}

// A daily series starting a few days back with `count` occurrences, every
// one of them moved by an hour in the same file.
void writeSeriesWithOverrides(const QString& folder, int count)
{
    const QDateTime start = todayAtNine().addDays(-5);
    QString text = fileHead
                   + QStringLiteral("BEGIN:VEVENT\r\nUID:MANY\r\nDTSTAMP:20140301T000000Z\r\nDTSTART:%1\r\nDTEND:%2\r\n"
                                    "RRULE:FREQ=DAILY;COUNT=%3\r\nSUMMARY:Daily\r\nEND:VEVENT\r\n")
                         .arg(stamp(start), stamp(start.addSecs(1800)))
                         .arg(count);
    for (int i = 0; i < count; ++i) {
        const QDateTime occurrence = start.addDays(i);
        text += QStringLiteral("BEGIN:VEVENT\r\nUID:MANY\r\nDTSTAMP:20140301T000000Z\r\nRECURRENCE-ID:%1\r\n"
                               "DTSTART:%2\r\nDTEND:%3\r\nSUMMARY:Moved %4\r\nEND:VEVENT\r\n")
                    .arg(stamp(occurrence), stamp(occurrence.addSecs(3600)), stamp(occurrence.addSecs(5400)))
                    .arg(i);
    }
    writeFile(QStringLiteral("%1/Events/MANY.ics").arg(folder), text + QStringLiteral("END:VCALENDAR\r\n"));
}

struct ImportSetup {
    BenchDatabase database;
    QTemporaryDir folder;
    std::shared_ptr<CalCalendarStore> store;
    std::unique_ptr<iCalSyncJobs> jobs;

    explicit ImportSetup(const std::function<void(const QString&)>& fill)
    {
        // Wide enough for the long series; the events lie within a month.
        database.dataManager().currentSetting()->setICalSyncWindowStart(365);
        database.dataManager().currentSetting()->setICalSyncWindowEnd(365);
        fill(makeCalendar(folder.path()));
        store = CalCalendarStore::create(folder.path());
        jobs = std::make_unique<iCalSyncJobs>(store);
    }
    qint64 rows() { return qint64(database.dataManager().getAllTasksEventsAdes().size()); }
};

void runImport(benchmark::State& state, const std::function<void(const QString&)>& fill, double perUnit)
{
    qint64 rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto setup = std::make_unique<ImportSetup>(fill);
        state.ResumeTiming();
        setup->jobs->backgroundFullSync();
        state.PauseTiming();
        rows = setup->rows();
        setup->jobs.reset();
        setup.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    state.counters["peakMB"] = peakResidentMB();
    state.counters["perUnit"] =
        benchmark::Counter(perUnit, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ImportEventsIntoEmptyOrganizer(benchmark::State& state)
{
    const int count = int(state.range(0));
    runImport(state, [count](const QString& folder) { writeEvents(folder, count); }, double(count));
}
BENCHMARK(BM_ImportEventsIntoEmptyOrganizer)
    ->Arg(6250)->Arg(25000)->Arg(100000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_ImportOneSeriesWithChangedOccurrences(benchmark::State& state)
{
    const int count = int(state.range(0));
    runImport(state, [count](const QString& folder) { writeSeriesWithOverrides(folder, count); }, double(count));
}
BENCHMARK(BM_ImportOneSeriesWithChangedOccurrences)
    ->Arg(312)->Arg(1250)->Arg(5000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

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
