// Token requests against the loopback service: the raw HTTP round trip over
// one kept-alive connection, and the sync object's whole token renewal
// (settings saved twice per renewal). Then the tags and categories merges
// with 1,000 of each when nothing changed, and the upload of 1,000 new tags.
#include "Calendar.h"
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "HttpSession.h"
#include "LoopbackService.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Tag.h"
#include "ZVWSync.h"

#include <QCoreApplication>
#include <QFile>
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

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
