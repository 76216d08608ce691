// The backups on a database of 50,000 items in the real support folder of a
// scratch data home: the manual backup (consistent copy, encoding,
// encryption, write), its restore with every check, one tick of the
// automatic-backup countdown, and the backup page loading five files.
#include "BackupFile.h"
#include "Clock.h"
#include "CoreData.h"
#include "FilePicker.h"
#include "GregorianCalendar.h"
#include "MainView.h"
#include "ManualScheduler.h"
#include "NetworkStatus.h"
#include "PrefBackupView.h"
#include "RecordStore.h"
#include "Scheduler.h"
#include "Setting.h"
#include "support/PostedEvents.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <sqlite3.h>

namespace {

constexpr int itemCount = 50000;

// Every save panel answers the one path.
class FixedPicker : public FilePicker {
public:
    explicit FixedPicker(QString path) : m_path(std::move(path)) {}
    std::optional<QString> runSavePanel(const FilePanelRequest&) override { return m_path; }
    std::optional<QString> runOpenPanel(const FilePanelRequest&) override { return m_path; }

private:
    QString m_path;
};

void exec(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(RecordStore::sharedDatabase(), sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s in %s\n", error ? error : "", sql);
        std::exit(1);
    }
}

class Product {
public:
    Product()
    {
        if (!m_home.isValid()) std::exit(1);
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        NetworkStatus::instance().setOverride(0);
        Clock::setFixed(GregorianCalendar::dateFromFields(2026, 12, 7, 10, 0, 0));
        Scheduler::setCurrent(&scheduler);
        CoreData::setShared(&manager);
        if (!manager.init()) std::exit(1);
        manager.currentSetting()->setStartUpWizard(0);
        if (!manager.currentSetting()->dehydrate()) std::exit(1);
        sqlite3_stmt* insert = nullptr;
        exec("BEGIN");
        sqlite3_prepare_v2(RecordStore::sharedDatabase(),
                           "INSERT INTO Tasks (taskType, taskName, startTime, endTime, calendarId, notes, tagList) "
                           "VALUES (?, ?, ?, ?, 1, ?, '')",
                           -1, &insert, nullptr);
        for (int i = 0; i < itemCount; ++i) {
            const QByteArray name = QStringLiteral("Item %1 of the organizer").arg(i).toUtf8();
            sqlite3_bind_int(insert, 1, i % 3);
            sqlite3_bind_text(insert, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 3, 1.4e9 + i * 3600.0);
            sqlite3_bind_double(insert, 4, 1.4e9 + i * 3600.0 + 1800);
            sqlite3_bind_text(insert, 5, i % 3 == 0 ? "Remember to bring the papers." : "", -1, SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE) std::exit(1);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        exec("COMMIT");
        view = std::make_unique<MainView>(QRectF(0, 0, 310, 600));
        MainView::setCurrent(view.get());
    }

    ~Product()
    {
        MainView::setCurrent(nullptr);
        view.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        CoreData::setShared(nullptr);
        Scheduler::setCurrent(nullptr);
        Clock::reset();
    }

    QString scratch(const QString& name) const { return m_home.filePath(name); }

    ManualScheduler scheduler;
    CoreData manager;
    std::unique_ptr<MainView> view;

private:
    QTemporaryDir m_home;
};

std::unique_ptr<Product>& madeProduct()
{
    static std::unique_ptr<Product> made;
    return made;
}

// Gone before the application object: its windows cannot outlive it.
Product& product()
{
    if (!madeProduct()) {
        madeProduct() = std::make_unique<Product>();
        qAddPostRoutine([] { madeProduct().reset(); });
    }
    return *madeProduct();
}

void ManualBackupOf50000Items(benchmark::State& state)
{
    Product& p = product();
    FixedPicker picker(p.scratch(QStringLiteral("Database.bkzvm")));
    FilePicker::setCurrent(&picker);
    for (auto _ : state) p.view->backup(nullptr);
    FilePicker::setCurrent(nullptr);
    state.counters["bytes"] = double(QFile(p.scratch(QStringLiteral("Database.bkzvm"))).size());
}
BENCHMARK(ManualBackupOf50000Items)->Unit(benchmark::kMillisecond);

void RestoreOf50000ItemsWithItsChecks(benchmark::State& state)
{
    Product& p = product();
    const QString path = p.scratch(QStringLiteral("Restore.bkzvm"));
    {
        FixedPicker picker(path);
        FilePicker::setCurrent(&picker);
        p.view->backup(nullptr);
        FilePicker::setCurrent(nullptr);
    }
    for (auto _ : state) {
        if (!p.view->restoreFile(path, QString::fromLatin1(BackupFile::manualBackupKeyText))) {
            state.SkipWithError("the restore failed");
            break;
        }
    }
}
BENCHMARK(RestoreOf50000ItemsWithItsChecks)->Unit(benchmark::kMillisecond);

void CountdownTick(benchmark::State& state)
{
    Product& p = product();
    p.view->resetTimerAutoBackup();
    for (auto _ : state) {
        // Input comes before the backup would run, as it does while the
        // user works.
        if (p.view->countDownForAutoBackup() < 1) p.view->resetTimerAutoBackup();
        p.scheduler.advance(1);
    }
}
BENCHMARK(CountdownTick)->Unit(benchmark::kMicrosecond);

void BackupPageLoadingFiveFiles(benchmark::State& state)
{
    Product& p = product();
    const QString folder = Setting::dataFilePath(QStringLiteral("AutoBackupData"));
    QDir().mkpath(folder);
    for (int day = 1; day <= 5; ++day) {
        QFile file(folder + QStringLiteral("/2026-12-0%1 10:00:00.abkzvm").arg(day));
        if (!file.open(QIODevice::WriteOnly)) std::exit(1);
    }
    PrefBackupView page(QRectF(0, 0, 560, 230));
    for (auto _ : state) {
        page.loadData();
        // The replaced rows go, as the event loop would take them.
        deliverPostedEvents();
    }
}
BENCHMARK(BackupPageLoadingFiveFiles)->Unit(benchmark::kMicrosecond);

}  // namespace
