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
#include <numeric>
#include <thread>
#include <vector>
#include <algorithm>
#include <QThread>

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

// The floor under the month's load: the same statement over the same key
// parts, on read connections and threads as the load uses, with no item made
// of the rows. Argument 2 is 0 to only step through the rows, 1 to also read
// each column the load reads, once, by the call for its kind (texts as their
// UTF-8 bytes, the cheapest way). Whatever the load does with a row comes on
// top of this.
void BM_MonthRowsReadWithoutItems(benchmark::State& state)
{
    // The statement's columns by kind, as the item's row reader takes them.
    static constexpr int integerColumns[] = {0,  1,  9,  10, 11, 16, 17, 18, 19, 20, 21,
                                             22, 25, 26, 27, 28, 29, 30, 36, 37, 38, 40, 42};
    static constexpr int dateColumns[] = {4, 5, 6, 7, 8, 12, 13, 32, 41};
    static constexpr int textColumns[] = {2, 3, 14, 15, 23, 24, 31, 33, 35, 39};
    BenchDatabase& database = databaseOf(state);
    const bool readColumns = state.range(1) != 0;
    const QList<qint64> visible = database.visibleCategories();
    const QByteArray sql = Task::selectRowsSql("NOT INDEXED WHERE (calendarId IN ("
                                               + TaskQuery::placeholders(visible.size())
                                               + ")) AND primaryKey >= ? AND primaryKey < ?");
    sqlite3* shared = RecordStore::sharedDatabase();
    const char* file = sqlite3_db_filename(shared, "main");
    qint64 low = 0, high = 0;
    {
        sqlite3_stmt* span = nullptr;
        sqlite3_prepare_v2(shared, "SELECT min(primaryKey), max(primaryKey) FROM Tasks", -1, &span, nullptr);
        if (sqlite3_step(span) == SQLITE_ROW) {
            low = sqlite3_column_int64(span, 0);
            high = sqlite3_column_int64(span, 1);
        }
        sqlite3_finalize(span);
    }
    const int partCount = std::clamp(QThread::idealThreadCount(), 1, 8);
    std::vector<sqlite3*> connections(static_cast<size_t>(partCount), nullptr);
    for (sqlite3*& connection : connections) {
        if (sqlite3_open_v2(file, &connection, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            state.SkipWithError("no read connection");
            return;
        }
        sqlite3_exec(connection, "PRAGMA cache_size=-128", nullptr, nullptr, nullptr);
    }
    const qint64 step = (high - low) / partCount + 1;
    const auto readPart = [&](int part, qint64& rows, qint64& bytes) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(connections[size_t(part)], sql.constData(), int(sql.size()), &statement, nullptr);
        int index = 1;
        for (qint64 key : visible) sqlite3_bind_int64(statement, index++, key);
        sqlite3_bind_int64(statement, index++, low + part * step);
        sqlite3_bind_int64(statement, index, part + 1 == partCount ? high + 1 : low + (part + 1) * step);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ++rows;
            if (!readColumns) continue;
            for (int column : integerColumns) bytes += sqlite3_column_int64(statement, column) & 1;
            for (int column : dateColumns) bytes += sqlite3_column_double(statement, column) > 0 ? 1 : 0;
            for (int column : textColumns)
                if (sqlite3_column_text(statement, column)) bytes += sqlite3_column_bytes(statement, column);
        }
        sqlite3_finalize(statement);
    };
    qint64 rowsRead = 0;
    for (auto _ : state) {
        std::vector<qint64> rows(static_cast<size_t>(partCount), 0), bytes(static_cast<size_t>(partCount), 0);
        std::vector<std::thread> threads;
        for (int part = 1; part < partCount; ++part)
            threads.emplace_back(readPart, part, std::ref(rows[size_t(part)]), std::ref(bytes[size_t(part)]));
        readPart(0, rows[0], bytes[0]);
        for (std::thread& thread : threads) thread.join();
        rowsRead = std::accumulate(rows.begin(), rows.end(), qint64(0));
        benchmark::DoNotOptimize(std::accumulate(bytes.begin(), bytes.end(), qint64(0)));
    }
    state.counters["rows"] = double(rowsRead);
    state.counters["parts"] = partCount;
    for (sqlite3* connection : connections) sqlite3_close(connection);
}
BENCHMARK(BM_MonthRowsReadWithoutItems)
    ->Args({itemCount, 0})
    ->Args({itemCount, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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
