// The data manager's commands on a database of a few thousand items: adding
// an item, writing an edited one, deleting one, marking a selection done and
// open again, and editing every occurrence of a series with detached rows.
// They are what units of work could slow down; each writes its rows on disk,
// as the organizer does.
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "GregorianCalendar.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "Utilities.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

constexpr int storedTasks = 5000;
constexpr int detachedRows = 10;

Date now() { return GregorianCalendar::dateFromFields(2014, 6, 15, 10, 0, 0); }

void exec(sqlite3* db, const QByteArray& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s in %s\n", error ? error : "", sql.constData());
        std::exit(1);
    }
}

QByteArray templateSql()
{
    QFile file(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
    if (!file.open(QIODevice::ReadOnly)) std::exit(1);
    return file.readAll();
}

TaskPtr newTask(const QString& name)
{
    auto task = std::make_shared<Task>();
    task->setTaskName(name);
    task->setCalendarId(1);
    return task;
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
        m_dataManager->getSettingList();
        m_dataManager->doWithCalendarList(m_dataManager->getCalendarList(), 2);
        m_dataManager->setToday(Utilities::today(now()));

        exec(m_db, "BEGIN");
        for (int i = 0; i < storedTasks; ++i) {
            const TaskPtr task = newTask(QStringLiteral("Stored %1").arg(i));
            if (!task->insertAndDehydrate()) std::exit(1);
        }
        exec(m_db, "COMMIT");
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

private:
    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
    std::unique_ptr<CoreData> m_dataManager;
};

BenchDatabase* database = nullptr;

void BM_AddItem(benchmark::State& state)
{
    int n = 0;
    for (auto _ : state) {
        const TaskPtr task = newTask(QStringLiteral("Added %1").arg(++n));
        if (!task->insertAndDehydrate()) state.SkipWithError("the item was not stored");
    }
}
BENCHMARK(BM_AddItem)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_WriteEditedItem(benchmark::State& state)
{
    const TaskPtr task = newTask(QStringLiteral("Edited"));
    if (!task->insertAndDehydrate()) state.SkipWithError("the item was not stored");
    int n = 0;
    for (auto _ : state) {
        task->setTaskName(QStringLiteral("Edited %1").arg(++n));
        if (!task->dehydrate()) state.SkipWithError("the item was not written");
    }
}
BENCHMARK(BM_WriteEditedItem)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_DeleteItem(benchmark::State& state)
{
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const TaskPtr task = newTask(QStringLiteral("Deleted %1").arg(++n));
        if (!task->insertAndDehydrate()) state.SkipWithError("the item was not stored");
        state.ResumeTiming();
        if (!database->dataManager().doDeleteTask(task, false)) state.SkipWithError("the item was not deleted");
    }
}
BENCHMARK(BM_DeleteItem)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A selection marked done, then open again: two batch commands of 20 rows.
void BM_MarkSelectionDoneAndOpen(benchmark::State& state)
{
    TaskList selection;
    for (int i = 0; i < 20; ++i) {
        const TaskPtr task = newTask(QStringLiteral("Selected %1").arg(i));
        if (!task->insertAndDehydrate()) state.SkipWithError("the item was not stored");
        selection.append(task);
    }
    for (auto _ : state) {
        database->dataManager().doMarkDoneTasks(selection, false);
        database->dataManager().doMarkUnDoneTasks(selection, false);
    }
}
BENCHMARK(BM_MarkSelectionDoneAndOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every occurrence of a daily series with detached rows takes a new name.
void BM_EditWholeSeries(benchmark::State& state)
{
    const Date start = GregorianCalendar::dateFromFields(2014, 6, 1, 9, 0, 0);
    auto root = std::make_shared<Task>();
    root->setTaskType(0);
    root->setTaskName(QStringLiteral("Standup"));
    root->setCalendarId(1);
    root->setStartTime(start);
    root->setEndTime(start.dateByAddingTimeInterval(900));
    root->setRepeatType(1);
    root->setRepeatOptions(QStringLiteral("1//0"));
    root->setIsRepeatForever(1);
    if (!root->insertAndDehydrate()) state.SkipWithError("the series was not stored");
    for (int i = 1; i <= detachedRows; ++i) {
        auto detached = std::make_shared<Task>();
        detached->setTaskType(0);
        detached->setTaskName(QStringLiteral("Standup, moved"));
        detached->setCalendarId(1);
        detached->setParentId(root->primaryKey());
        const Date day = start.dateByAddingTimeInterval(i * 86400.0);
        detached->setOccurrence(day);
        detached->setStartTime(day.dateByAddingTimeInterval(3600));
        detached->setEndTime(day.dateByAddingTimeInterval(4500));
        if (!detached->insertAndDehydrate()) state.SkipWithError("a detached row was not stored");
    }
    int n = 0;
    for (auto _ : state) {
        root->setTaskName(QStringLiteral("Standup %1").arg(++n));
        if (!database->dataManager().doEditAllOperatorWithEvent(root, false))
            state.SkipWithError("the series was not written");
    }
}
BENCHMARK(BM_EditWholeSeries)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
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
