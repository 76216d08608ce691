// Loading items from a large database: every item, and the working list of
// one month (the visible categories' items, then the repeating series
// expanded into the month), built into the empty list and rebuilt.
//
// The database is built once per size, in a temporary folder, inside one
// transaction: the loading data (support/LoadingData.h), which the start-up
// timing shares, at 50,000 items and at a quarter and a sixteenth of that
// (the argument), so that the figures show how each cost grows. The counter
// heapPerItem is the heap the working list holds per item (its objects and
// their texts), in bytes.
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "GregorianCalendar.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Task.h"
#include "TaskQuery.h"
#include "Utilities.h"
#include "support/LoadingData.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <malloc.h>
#include <ctime>
#include <memory>

namespace {

using LoadingData::itemCount;
using LoadingData::now;
using LoadingData::exec;

// The month the views show: June 2014, "now" in the middle of it.
Date monthStart() { return GregorianCalendar::dateFromFields(2014, 6, 1, 0, 0, 0); }
Date monthEnd() { return GregorianCalendar::dateFromFields(2014, 6, 30, 23, 59, 59); }

QByteArray templateSql()
{
    QFile file(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no template database schema\n");
        std::exit(1);
    }
    return file.readAll();
}

class BenchDatabase {
public:
    explicit BenchDatabase(int items)
    {
        const QByteArray path = (m_dir.path() + QStringLiteral("/Database.sql")).toUtf8();
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                            nullptr)
            != SQLITE_OK)
            std::exit(1);
        exec(m_db, templateSql());
        for (const QString& statement : DatabaseSchema::allUpgrades()) exec(m_db, statement.toUtf8());
        RecordStore::setSharedDatabase(m_db);
        databaseOpen = true;
        m_dataManager = std::make_unique<CoreData>();
        CoreData::setShared(m_dataManager.get());

        LoadingData::Writer(m_db, items).write();

        m_dataManager->getSettingList();
        m_dataManager->doWithCalendarList(m_dataManager->getCalendarList(), 2);
        m_dataManager->setToday(Utilities::today(now()));
    }

    ~BenchDatabase()
    {
        CoreData::setShared(nullptr);
        m_dataManager.reset();
        RecordStore::finalizeAllStatements();
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        sqlite3_close(m_db);
    }

    CoreData& dataManager() { return *m_dataManager; }

    QList<qint64> visibleCategories() const
    {
        QList<qint64> keys;
        for (const CalendarPtr& category : m_dataManager->calendarList())
            if (category->inVisible() == 0) keys.append(category->primaryKey());
        return keys;
    }

private:
    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
    std::unique_ptr<CoreData> m_dataManager;
};

// One database at a time: the one of the size asked for, built on first use.
std::unique_ptr<BenchDatabase> current;
int currentItems = 0;

BenchDatabase& databaseOf(const benchmark::State& state)
{
    const int items = int(state.range(0));
    if (!current || currentItems != items) {
        current.reset();
        current = std::make_unique<BenchDatabase>(items);
        currentItems = items;
    }
    return *current;
}

double heapInUse()
{
    return double(mallinfo2().uordblks);
}

void sizes(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Arg(itemCount / 16)->Arg(itemCount / 4)->Arg(itemCount)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The loads read in parts on several threads: wall-clock time is what the
// user waits for.
void BM_AllItems(benchmark::State& state)
{
    BenchDatabase& database = databaseOf(state);
    for (auto _ : state) {
        const TaskList items = database.dataManager().getAllTasksInDB();
        if (items.size() != state.range(0)) state.SkipWithError("not every item loaded");
        state.PauseTiming();
        {
            const TaskList dropped = items;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AllItems)->Apply(sizes);

void BM_AllTasksEventsAdes(benchmark::State& state)
{
    BenchDatabase& database = databaseOf(state);
    for (auto _ : state) {
        const TaskList items = database.dataManager().getAllTasksEventsAdes();
        benchmark::DoNotOptimize(items);
    }
}
BENCHMARK(BM_AllTasksEventsAdes)->Apply(sizes);

// The month's instances of the working list's repeating events, as every
// view of the month asks for them.
qsizetype expandIntoMonth(const CoreData& dataManager)
{
    TaskList instances;
    const TaskList listed = dataManager.allTasksEventsAdes();
    const TaskList series = dataManager.getAllRecurringEventsFromTaskList(listed, QString());
    const TaskList allDaySeries = dataManager.getAllRecurringADEsFromTaskList(listed, QString());
    dataManager.fillRepeatEventInstances(series + allDaySeries, instances, monthStart(), monthEnd());
    return instances.size();
}

// The working list of a month as the organizer builds it when the database
// opens: every item of the visible categories (whatever its date, as the
// task lists show them) under the admission rules, with their alarms, into
// the empty list; then the repeating events expanded into the month.
void BM_WorkingListOfAMonth(benchmark::State& state)
{
    BenchDatabase& database = databaseOf(state);
    CoreData& dataManager = database.dataManager();
    const QList<qint64> visible = database.visibleCategories();
    double heapPerItem = 0;
    for (auto _ : state) {
        state.PauseTiming();
        dataManager.doWithAllTasksEventsAdes(std::nullopt, 1);
        const double before = heapInUse();
        state.ResumeTiming();
        dataManager.addTasksToListFromCalendarList(visible);
        state.counters["instances"] = double(expandIntoMonth(dataManager));
        state.PauseTiming();
        const qsizetype listed = dataManager.allTasksEventsAdes().size();
        heapPerItem = listed ? (heapInUse() - before) / double(listed) : 0;
        state.counters["items"] = double(listed);
        state.ResumeTiming();
    }
    state.counters["heapPerItem"] = heapPerItem;
}
BENCHMARK(BM_WorkingListOfAMonth)->Apply(sizes);

// The same when the list is built again (a hidden category shown, the tag
// filter changed): the old list and its alarms are dropped first.
void BM_WorkingListOfAMonthRebuilt(benchmark::State& state)
{
    BenchDatabase& database = databaseOf(state);
    CoreData& dataManager = database.dataManager();
    const QList<qint64> visible = database.visibleCategories();
    for (auto _ : state) {
        dataManager.doWithAllTasksEventsAdes(std::nullopt, 1);
        dataManager.addTasksToListFromCalendarList(visible);
        state.counters["instances"] = double(expandIntoMonth(dataManager));
    }
}
BENCHMARK(BM_WorkingListOfAMonthRebuilt)->Apply(sizes);

}  // namespace

int main(int argc, char** argv)
{
    // The alarm timer needs the main thread's event loop object.
    QCoreApplication application(argc, argv);
    // SQLite configured as the organizer configures it before it opens the database.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    // A zone with daylight saving, as most users have; the machines run in UTC.
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    Clock::setFixed(now());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    current.reset();
    return 0;
}
