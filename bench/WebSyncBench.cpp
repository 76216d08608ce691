// Token requests against the loopback service: the raw HTTP round trip over
// one kept-alive connection, and the sync object's whole token renewal
// (settings saved twice per renewal).
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "HttpSession.h"
#include "LoopbackService.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Setting.h"
#include "ZVWSync.h"

#include <QCoreApplication>
#include <QFile>
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

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
