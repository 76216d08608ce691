// Loading items from a large database: every item, and the working list of
// one month (the visible categories' items, then the repeating series
// expanded into the month), built into the empty list and rebuilt.
//
// The database is built once, in a temporary folder, inside one transaction:
// the loading data (support/LoadingData.h), which the start-up timing shares.
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
    BenchDatabase()
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

        LoadingData::Writer(m_db).write();

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

BenchDatabase* database = nullptr;

// The loads read in parts on several threads: wall-clock time is what the
// user waits for.
void BM_AllItems(benchmark::State& state)
{
    for (auto _ : state) {
        const TaskList items = database->dataManager().getAllTasksInDB();
        if (items.size() != itemCount) state.SkipWithError("not every item loaded");
        state.PauseTiming();
        {
            const TaskList dropped = items;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AllItems)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AllTasksEventsAdes(benchmark::State& state)
{
    for (auto _ : state) {
        const TaskList items = database->dataManager().getAllTasksEventsAdes();
        benchmark::DoNotOptimize(items);
    }
}
BENCHMARK(BM_AllTasksEventsAdes)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    CoreData& dataManager = database->dataManager();
    const QList<qint64> visible = database->visibleCategories();
    for (auto _ : state) {
        state.PauseTiming();
        dataManager.doWithAllTasksEventsAdes(std::nullopt, 1);
        state.ResumeTiming();
        dataManager.addTasksToListFromCalendarList(visible);
        state.counters["instances"] = double(expandIntoMonth(dataManager));
        state.counters["items"] = double(dataManager.allTasksEventsAdes().size());
    }
}
BENCHMARK(BM_WorkingListOfAMonth)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same when the list is built again (a hidden category shown, the tag
// filter changed): the old list and its alarms are dropped first.
void BM_WorkingListOfAMonthRebuilt(benchmark::State& state)
{
    CoreData& dataManager = database->dataManager();
    const QList<qint64> visible = database->visibleCategories();
    for (auto _ : state) {
        dataManager.doWithAllTasksEventsAdes(std::nullopt, 1);
        dataManager.addTasksToListFromCalendarList(visible);
        state.counters["instances"] = double(expandIntoMonth(dataManager));
    }
}
BENCHMARK(BM_WorkingListOfAMonthRebuilt)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    BenchDatabase built;
    database = &built;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    database = nullptr;
    return 0;
}
