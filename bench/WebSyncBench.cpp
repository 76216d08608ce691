// Token requests against the loopback service: the raw HTTP round trip over
// one kept-alive connection, and the sync object's whole token renewal
// (settings saved twice per renewal). Then the tags and categories merges
// with 1,000 of each when nothing changed, and the upload of 1,000 new tags.
// Items: reading a download of 10,000 records, and uploading 10,000 new items
// (200 requests, the answers written back). The item merge: 10,000 unchanged
// items, and 10,000 new ones stored. Whole passes on this thread, on a
// database that waits for the disk as the program's does: the first upload
// of 10,000 items, the download of 10,000 into an empty organizer, and a pass
// with nothing changed.
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "HttpSession.h"
#include "LoopbackService.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Tag.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"
#include "ZVWReply.h"
#include "ZVWSync.h"
#include "iCalSync.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

const QString userName = QStringLiteral("bench@example.com");
const QString password = QStringLiteral("secret");

QString tokenAddress(const LoopbackService& service)
{
    const QString sig = LoopbackService::md5(userName + password + LoopbackService::applicationKey());
    return service.baseAddress() + QStringLiteral("/api/token.json?username=bench%40example.com&appreg=") +
           LoopbackService::applicationKey() + QStringLiteral("&sig=") + sig;
}

void BM_ThousandTokenRequestsOverOneConnection(benchmark::State& state)
{
    LoopbackService service;
    service.addAccount(userName, password);
    HttpSession session;
    HttpRequest request;
    request.method = "POST";
    request.url = tokenAddress(service);
    request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            const HttpReply reply = session.send(request);
            if (reply.status != 200) state.SkipWithError("token request failed");
        }
    }
}
BENCHMARK(BM_ThousandTokenRequestsOverOneConnection)->Unit(benchmark::kMillisecond);

void BM_ThousandTokenRenewals(benchmark::State& state)
{
    QTemporaryDir folder;
    qputenv("XDG_DATA_HOME", folder.path().toUtf8());
    sqlite3* db = nullptr;
    sqlite3_open((folder.path() + QStringLiteral("/Database.sql")).toUtf8().constData(), &db);
    QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
    schema.open(QIODevice::ReadOnly);
    sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr);
    for (const QString& statement : DatabaseSchema::allUpgrades())
        sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr);
    RecordStore::setSharedDatabase(db);
    databaseOpen = true;
    {
        LoopbackService service;
        service.addAccount(userName, password);
        qputenv("ZORAVEL_SERVICE_URL", service.baseAddress().toUtf8());
        CoreData dataManager;
        CoreData::setShared(&dataManager);
        const SettingPtr setting = Setting::initWithPrimaryKey(1, db);
        setting->setZvwUserName(userName);
        setting->setZvwPassword(password);
        dataManager.setCurrentSetting(setting);
        ZVWSync sync;
        for (auto _ : state) {
            for (int i = 0; i < 1000; ++i) {
                setting->setZvwToken(QString());
                sync.refreshToken();
            }
            if (setting->zvwToken().isEmpty()) state.SkipWithError("no token");
        }
        CoreData::setShared(nullptr);
    }
    RecordStore::finalizeAllStatements();
    RecordStore::setSharedDatabase(nullptr);
    databaseOpen = false;
    sqlite3_close(db);
}
BENCHMARK(BM_ThousandTokenRenewals)->Unit(benchmark::kMillisecond);

// A database made from the template, a data manager, a signed-in account
// on a loopback service and a sync object holding a request key.
struct ExchangeSetUp {
    QTemporaryDir folder;
    sqlite3* db = nullptr;
    std::unique_ptr<LoopbackService> service;
    std::unique_ptr<CoreData> dataManager;
    SettingPtr setting;
    std::unique_ptr<ZVWSync> sync;

    ExchangeSetUp()
    {
        // The side files go to the set-up's own folder, never to the user's.
        qputenv("XDG_DATA_HOME", folder.path().toUtf8());
        sqlite3_open((folder.path() + QStringLiteral("/Database.sql")).toUtf8().constData(), &db);
        sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
        QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
        schema.open(QIODevice::ReadOnly);
        sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr);
        for (const QString& statement : DatabaseSchema::allUpgrades())
            sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr);
        RecordStore::setSharedDatabase(db);
        databaseOpen = true;
        service = std::make_unique<LoopbackService>();
        service->addAccount(userName, password);
        qputenv("ZORAVEL_SERVICE_URL", service->baseAddress().toUtf8());
        dataManager = std::make_unique<CoreData>();
        CoreData::setShared(dataManager.get());
        setting = Setting::initWithPrimaryKey(1, db);
        setting->setZvwUserName(userName);
        setting->setZvwPassword(password);
        dataManager->setCurrentSetting(setting);
        dataManager->doWithCalendarList(dataManager->getCalendarList(), 2);
        sync = std::make_unique<ZVWSync>();
        sync->refreshToken();
        sync->makeZvwKeyAPI();
    }
    ~ExchangeSetUp()
    {
        sync.reset();
        CoreData::setShared(nullptr);
        dataManager.reset();
        service.reset();
        RecordStore::finalizeAllStatements();
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        sqlite3_close(db);
    }
    void merge()
    {
        sync->getTagsFromZVW();
        sync->syncTagsWithZVW();
        sync->getProjectsFromZVW();
        sync->syncProjectsWithZVW();
    }
};

void BM_MergeThousandTagsAndCategoriesUnchanged(benchmark::State& state)
{
    ExchangeSetUp setUp;
    for (int i = 0; i < 1000; ++i) {
        setUp.service->addTag(userName, QStringLiteral("tag %1").arg(i));
        setUp.service->addCategory(userName, QJsonObject{{QStringLiteral("name"), QStringLiteral("category %1").arg(i)},
                                                         {QStringLiteral("category_type"), i % 2}});
    }
    setUp.merge();  // both sides now hold the same records
    if (setUp.dataManager->tagList().size() != 1000 || setUp.dataManager->getCalendarList().size() != 1001)
        state.SkipWithError("the first merge did not take every record");
    for (auto _ : state) {
        setUp.merge();
        if (!setUp.sync->errorDescription().isEmpty()) state.SkipWithError("the merge failed");
    }
    if (setUp.dataManager->getCalendarList().size() != 1001) state.SkipWithError("the merge changed categories");
}
BENCHMARK(BM_MergeThousandTagsAndCategoriesUnchanged)->Unit(benchmark::kMillisecond);

void BM_UploadThousandNewTags(benchmark::State& state)
{
    ExchangeSetUp setUp;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TagList tags;
        for (int i = 0; i < 1000; ++i) {
            auto tag = std::make_shared<Tag>();
            if (!tag->insertIntoDatabase(setUp.db)) state.SkipWithError("no tag row");
            tag->setTagName(QStringLiteral("round %1 tag %2").arg(round).arg(i));
            if (!tag->dehydrate()) state.SkipWithError("no tag name");
            tags.append(tag);
        }
        const TagList sent = tags;
        ++round;
        state.ResumeTiming();
        setUp.sync->addTag(tags);
        if (sent.last()->zvwKey() <= 0) state.SkipWithError("a tag got no id");
    }
}
BENCHMARK(BM_UploadThousandNewTags)->Unit(benchmark::kMillisecond);

// A download of mixed records: tasks with alerts, weekly series with
// exceptions and their changed occurrences, notes; every tenth one names a
// parent listed after it.
QByteArray itemsDownload(int count)
{
    QJsonArray records;
    const qint64 start = 1357725600;
    for (int i = 0; i < count; ++i) {
        QJsonObject record{{"id", 100000 + i},
                           {"title", QStringLiteral(" Item %1, ").arg(i)},
                           {"tags", "home, work,"},
                           {"task_type", 1 + i % 4},
                           {"start_time", start + i * 900},
                           {"end_time", start + i * 900 + 3600},
                           {"duration", 30},
                           {"due", i % 2},
                           {"last_update", 5000 + i},
                           {"category_id", 0},
                           {"order_number", i},
                           {"content", "Notes of the item"},
                           {"alerts", QJsonArray{QJsonObject{{"minutes", 15}, {"alert_type", "P"}}}}};
        if (i % 5 == 0)
            record.insert("repeat", QJsonObject{{"repeat_type", "W"},
                                                {"repeat_flag", "0100100"},
                                                {"repeat_interval", 1},
                                                {"repeat_end", 0},
                                                {"repeat_exceptions", QJsonArray{QJsonObject{{"exception_date", start + 86400 * 7}}}}});
        record.insert("group_id", i % 5 == 1 ? 100000 + i - 1 : (i % 10 == 3 ? 100000 + i + 1 : 0));
        records.append(record);
    }
    return QJsonDocument(records).toJson(QJsonDocument::Compact);
}

void BM_ReadTenThousandItemRecords(benchmark::State& state)
{
    ExchangeSetUp setUp;
    HttpReply reply;
    reply.status = 200;
    reply.body = itemsDownload(10000);
    for (auto _ : state) {
        const ZVWReply::Records list = ZVWReply::records(reply);
        const ZVWSync::ItemRecords read = ZVWSync::itemsFromRecords(list.elements, ZVWSync::itemReadingFromData());
        if (read.items.size() != 10000) state.SkipWithError("records were lost");
        benchmark::DoNotOptimize(read.items.last().get());
    }
}
BENCHMARK(BM_ReadTenThousandItemRecords)->Unit(benchmark::kMillisecond);

void BM_UploadTenThousandNewItems(benchmark::State& state)
{
    ExchangeSetUp setUp;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TaskList items;
        {
            Transaction unit;
            for (int i = 0; i < 10000; ++i) {
                auto item = std::make_shared<Task>();
                item->setTaskName(QStringLiteral("round %1 item %2").arg(round).arg(i));
                if (!item->insertIntoDatabase() || !item->dehydrateUpdateOption(false)) state.SkipWithError("no item row");
                items.append(item);
            }
            if (!unit.commit()) state.SkipWithError("the items were not stored");
        }
        const TaskList sent = items;
        ++round;
        state.ResumeTiming();
        setUp.sync->addWorksFromList(items, false);
        if (sent.first()->zvwID() <= 0 || sent.last()->zvwID() <= 0) state.SkipWithError("an item got no id");
    }
}
BENCHMARK(BM_UploadTenThousandNewItems)->Unit(benchmark::kMillisecond)->Iterations(3);

// The item merge: 10,000 downloaded items against the same 10,000 stored
// ones with nothing changed, and 10,000 new items stored from the service.
void fillService(ExchangeSetUp& setUp, int count)
{
    for (int i = 0; i < count; ++i)
        setUp.service->addItemRecord(userName, QJsonObject{{QStringLiteral("title"), QStringLiteral("Item %1").arg(i)},
                                                           {QStringLiteral("task_type"), 2}});
}

// The settings download of a pass, as from a service whose task order stamp
// is the local one: no order to send.
void downloadSameOrderStamp(ExchangeSetUp& setUp)
{
    setUp.sync->zvwSetting()->setLastUpdateWork(setUp.setting->lastUpdateWork());
}

void BM_MergeTenThousandUnchangedItems(benchmark::State& state)
{
    ExchangeSetUp setUp;
    setUp.dataManager->setICalSync(std::make_unique<iCalSync>());
    fillService(setUp, 10000);
    setUp.sync->getItemsFromZVW();
    setUp.sync->syncItemsWithZVW();
    for (auto _ : state) {
        state.PauseTiming();
        setUp.sync->getItemsFromZVW();
        downloadSameOrderStamp(setUp);
        state.ResumeTiming();
        setUp.sync->syncItemsWithZVW();
        if (!setUp.sync->zvwWorkList().isEmpty()) state.SkipWithError("an item was taken for new");
        if (setUp.sync->willUpdateRemoteOrder()) state.SkipWithError("the order was taken for changed");
    }
}
BENCHMARK(BM_MergeTenThousandUnchangedItems)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same merge with the local order newer than the service's: the order of
// all 10,000 tasks goes up in 200 requests and every task is written back.
void BM_MergeTenThousandUnchangedItemsSendingTheirOrder(benchmark::State& state)
{
    ExchangeSetUp setUp;
    setUp.dataManager->setICalSync(std::make_unique<iCalSync>());
    fillService(setUp, 10000);
    setUp.sync->getItemsFromZVW();
    setUp.sync->syncItemsWithZVW();
    for (auto _ : state) {
        state.PauseTiming();
        setUp.sync->getItemsFromZVW();
        setUp.sync->zvwSetting()->setLastUpdateWork(setUp.setting->lastUpdateWork() - 1);
        state.ResumeTiming();
        setUp.sync->syncItemsWithZVW();
        if (!setUp.sync->willUpdateRemoteOrder()) state.SkipWithError("the order was not sent");
    }
}
BENCHMARK(BM_MergeTenThousandUnchangedItemsSendingTheirOrder)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_StoreTenThousandNewItemsFromTheService(benchmark::State& state)
{
    ExchangeSetUp setUp;
    setUp.dataManager->setICalSync(std::make_unique<iCalSync>());
    fillService(setUp, 10000);
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3_exec(setUp.db, "DELETE FROM Tasks", nullptr, nullptr, nullptr);
        setUp.sync->getItemsFromZVW();
        downloadSameOrderStamp(setUp);
        state.ResumeTiming();
        setUp.sync->syncItemsWithZVW();
        if (setUp.sync->zvwWorkList().size() != 10000) state.SkipWithError("not every item was stored");
    }
}
BENCHMARK(BM_StoreTenThousandNewItemsFromTheService)->Unit(benchmark::kMillisecond)->Iterations(3);

// A whole full pass run on the benchmark's thread, so that the CPU time
// measured is the client's own (the service answers on its own threads).
class PassOnThisThread : public ZVWSync {
public:
    void run()
    {
        setErrorDescription(QString());
        fullSync();
    }
};

// The program's database settings (no PRAGMA of its own): every commit
// waits for the disk. One Work category; the account `user`.
struct PassSetUp {
    QTemporaryDir folder;
    sqlite3* db = nullptr;
    std::unique_ptr<LoopbackService> service;
    std::unique_ptr<CoreData> dataManager;
    SettingPtr setting;
    PassOnThisThread* sync = nullptr;
    int accounts = 0;

    PassSetUp()
    {
        qputenv("XDG_DATA_HOME", folder.path().toUtf8());
        sqlite3_open((folder.path() + QStringLiteral("/Database.sql")).toUtf8().constData(), &db);
        QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
        schema.open(QIODevice::ReadOnly);
        sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr);
        for (const QString& statement : DatabaseSchema::allUpgrades())
            sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr);
        RecordStore::setSharedDatabase(db);
        databaseOpen = true;
        service = std::make_unique<LoopbackService>();
        // The service's stamps on the scale of the client's task stamp (the
        // time of its last change, in seconds): a pass then sends the order
        // of the tasks only when it changed here since.
        service->setStampBase(qint64(Clock::now().timeIntervalSince1970()));
        qputenv("ZORAVEL_SERVICE_URL", service->baseAddress().toUtf8());
        dataManager = std::make_unique<CoreData>();
        CoreData::setShared(dataManager.get());
        setting = Setting::initWithPrimaryKey(1, db);
        setting->setZvwPassword(password);
        dataManager->setCurrentSetting(setting);
        dataManager->setICalSync(std::make_unique<iCalSync>());
        auto owned = std::make_unique<PassOnThisThread>();
        sync = owned.get();
        dataManager->setZVWSync(std::move(owned));
    }
    ~PassSetUp()
    {
        CoreData::setShared(nullptr);
        dataManager.reset();
        service.reset();
        RecordStore::finalizeAllStatements();
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        sqlite3_close(db);
    }
    // A new, empty account, and the local side as a fresh installation has
    // it: one Work category, never sent.
    QString newAccountAndEmptyLocalSide()
    {
        const QString user = QStringLiteral("bench%1@example.com").arg(++accounts);
        service->addAccount(user, password);
        setting->setZvwUserName(user);
        setting->setZvwToken(QString());
        dataManager->doWithAllTasksEventsAdes(std::nullopt, 1);
        sqlite3_exec(db, "DELETE FROM Tasks; DELETE FROM Calendars; DELETE FROM Links; DELETE FROM Tag", nullptr, nullptr,
                     nullptr);
        setting->setLastUpdate(0);
        setting->setLastUpdateWork(0);
        setting->setLatestSyncItem(0);
        setting->setDoRestore(0);
        setting->setZvwDeletedTasks(QString());
        setting->setLatestBackupOnServer(Utilities::toDBDate(Clock::now()).timeIntervalSince1970());
        static_cast<void>(setting->dehydrate());
        dataManager->doWithCalendarList(dataManager->getCalendarList(), 2);
        auto work = std::make_shared<Calendar>();
        work->setCalendarName(QStringLiteral("Work"));
        dataManager->addCalendarToCalendarList(work, false, false);
        return user;
    }
    qint64 workKey() { return dataManager->getCalendarList().value(0)->primaryKey(); }
    void addLocalItems(int count)
    {
        Transaction unit;
        const qint64 category = workKey();
        for (int i = 0; i < count; ++i) {
            auto item = std::make_shared<Task>();
            item->setTaskName(QStringLiteral("Item %1").arg(i));
            item->setCalendarId(category);
            if (!item->insertIntoDatabase() || !item->dehydrateUpdateOption(false)) return;
        }
        static_cast<void>(unit.commit());
    }
    qint64 count(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        const qint64 value = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
        sqlite3_finalize(statement);
        return value;
    }
    bool pass()
    {
        sync->run();
        return sync->errorDescription().isEmpty();
    }
};

void BM_PassUploadingTenThousandNewItems(benchmark::State& state)
{
    PassSetUp setUp;
    for (auto _ : state) {
        state.PauseTiming();
        const QString user = setUp.newAccountAndEmptyLocalSide();
        setUp.addLocalItems(10000);
        state.ResumeTiming();
        if (!setUp.pass()) state.SkipWithError("the pass failed");
        if (setUp.service->itemRecordsOf(user).size() != 10000) state.SkipWithError("not every item went up");
        if (setUp.count("SELECT count(*) FROM Tasks WHERE zvwID<=0") != 0) state.SkipWithError("an item got no id");
    }
}
BENCHMARK(BM_PassUploadingTenThousandNewItems)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PassDownloadingTenThousandItems(benchmark::State& state)
{
    PassSetUp setUp;
    const QString user = setUp.newAccountAndEmptyLocalSide();
    const qint64 category = setUp.service->addCategory(user, {{"name", "Work"}, {"category_type", 0}});
    for (int i = 0; i < 10000; ++i)
        setUp.service->addItemRecord(user, {{"title", QStringLiteral("Item %1").arg(i)}, {"category_id", category}});
    for (auto _ : state) {
        state.PauseTiming();
        setUp.dataManager->doWithAllTasksEventsAdes(std::nullopt, 1);
        sqlite3_exec(setUp.db, "DELETE FROM Tasks; DELETE FROM Calendars", nullptr, nullptr, nullptr);
        setUp.setting->setLastUpdate(0);
        setUp.setting->setLastUpdateWork(0);
        static_cast<void>(setUp.setting->dehydrate());
        setUp.dataManager->doWithCalendarList(setUp.dataManager->getCalendarList(), 2);
        state.ResumeTiming();
        if (!setUp.pass()) state.SkipWithError("the pass failed");
        if (setUp.count("SELECT count(*) FROM Tasks") != 10000) state.SkipWithError("not every item was stored");
    }
}
BENCHMARK(BM_PassDownloadingTenThousandItems)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UnchangedPassOfTenThousandItems(benchmark::State& state)
{
    PassSetUp setUp;
    setUp.newAccountAndEmptyLocalSide();
    setUp.addLocalItems(10000);
    if (!setUp.pass() || !setUp.pass()) state.SkipWithError("the first passes failed");
    for (auto _ : state) {
        if (!setUp.pass()) state.SkipWithError("the pass failed");
        if (setUp.count("SELECT count(*) FROM Tasks") != 10000) state.SkipWithError("the items changed");
    }
}
BENCHMARK(BM_UnchangedPassOfTenThousandItems)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
