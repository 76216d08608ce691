// Whole full web syncs against the loopback service, through the sync's own
// entry and queue: 10,000 items on the service, first into an empty
// database (everything downloaded and stored), then again with nothing
// changed on either side.
#include "Calendar.h"
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "LoopbackService.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Setting.h"
#include "ZVWSync.h"
#include "iCalSync.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

const QString userName = QStringLiteral("bench@example.com");
const QString password = QStringLiteral("secret");
constexpr int itemCount = 10000;

struct FullSyncSetUp {
    QTemporaryDir folder;
    sqlite3* db = nullptr;
    std::unique_ptr<LoopbackService> service;
    std::unique_ptr<CoreData> dataManager;
    SettingPtr setting;

    FullSyncSetUp()
    {
        // The side files go to the set-up's own folder, never to the user's.
        qputenv("XDG_DATA_HOME", folder.path().toUtf8());
        sqlite3_open((folder.path() + QStringLiteral("/Database.sql")).toUtf8().constData(), &db);
        QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
        schema.open(QIODevice::ReadOnly);
        sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr);
        for (const QString& statement : DatabaseSchema::allUpgrades())
            sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr);
        RecordStore::setSharedDatabase(db);
        databaseOpen = true;
        internetReachable = true;
        service = std::make_unique<LoopbackService>();
        service->addAccount(userName, password);
        const qint64 category = service->addCategory(userName, {{"name", "Work"}, {"category_type", 0}});
        for (int i = 0; i < itemCount; ++i)
            service->addItemRecord(userName, {{"title", QStringLiteral("Item %1").arg(i)}, {"category_id", category}});
        qputenv("ZORAVEL_SERVICE_URL", service->baseAddress().toUtf8());
        dataManager = std::make_unique<CoreData>();
        CoreData::setShared(dataManager.get());
        setting = Setting::initWithPrimaryKey(1, db);
        setting->setZvwUserName(userName);
        setting->setZvwPassword(password);
        dataManager->setCurrentSetting(setting);
        dataManager->setICalSync(std::make_unique<iCalSync>());
        dataManager->doWithCalendarList(dataManager->getCalendarList(), 2);
        dataManager->setZVWSync(std::make_unique<ZVWSync>());
    }
    ~FullSyncSetUp()
    {
        CoreData::setShared(nullptr);
        dataManager.reset();
        service.reset();
        RecordStore::finalizeAllStatements();
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        internetReachable = false;
        sqlite3_close(db);
    }
    bool fullSync()
    {
        ZVWSync& sync = *dataManager->zvwSync();
        return sync.backgroundFullSync(nullptr) && sync.waitUntilIdle(120) && sync.errorDescription().isEmpty();
    }
    qint64 storedItems()
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM Tasks", -1, &statement, nullptr);
        const qint64 count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
        sqlite3_finalize(statement);
        return count;
    }
    // The local side as a fresh installation has it, the account untouched.
    void emptyLocalSide()
    {
        dataManager->doWithAllTasksEventsAdes(std::nullopt, 1);
        sqlite3_exec(db, "DELETE FROM Tasks", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "DELETE FROM Calendars", nullptr, nullptr, nullptr);
        setting->setLastUpdate(0);
        setting->setLastUpdateWork(0);
        setting->setLatestSyncItem(0);
        setting->setDoRestore(0);
        if (!setting->dehydrate()) qWarning("The benchmark could not save the settings");
        dataManager->doWithCalendarList(dataManager->getCalendarList(), 2);
    }
};

void BM_FirstFullSyncOfTenThousandItems(benchmark::State& state)
{
    FullSyncSetUp setUp;
    for (auto _ : state) {
        state.PauseTiming();
        setUp.emptyLocalSide();
        state.ResumeTiming();
        if (!setUp.fullSync()) state.SkipWithError("the pass failed");
        if (setUp.storedItems() < itemCount) state.SkipWithError("not every item was stored");
    }
}
BENCHMARK(BM_FirstFullSyncOfTenThousandItems)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_UnchangedFullSyncOfTenThousandItems(benchmark::State& state)
{
    FullSyncSetUp setUp;
    if (!setUp.fullSync()) state.SkipWithError("the first pass failed");
    const qint64 stored = setUp.storedItems();
    for (auto _ : state) {
        if (!setUp.fullSync()) state.SkipWithError("the pass failed");
        if (setUp.storedItems() != stored) state.SkipWithError("an unchanged pass changed the items");
    }
}
BENCHMARK(BM_UnchangedFullSyncOfTenThousandItems)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
