#pragma once

// A started data manager on the real database file of a fresh data folder,
// a main view, the manual scheduler and a fixed clock, for the backup and
// restore tests. The calendar-store calls are recorded.
#include "BackupFile.h"
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MainView.h"
#include "ManualScheduler.h"
#include "NetworkStatus.h"
#include "PropertyList.h"
#include "RecordStore.h"
#include "RecordingICalSync.h"
#include "Setting.h"
#include "TestEnvironment.h"
#include "Window.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

#include <sqlite3.h>

class BackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = std::make_unique<ScopedDataHome>();
        ASSERT_TRUE(m_home->isValid());
        beforeStart();
        if (IsSkipped()) return;
        NetworkStatus::instance().setOverride(0);
        Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 15, 9, 0, 0));
        Scheduler::setCurrent(&scheduler);
        Window::setAnimationDurationScale(0);
        manager = std::make_unique<CoreData>();
        CoreData::setShared(manager.get());
        auto recording = std::make_unique<RecordingICalSync>();
        calendarStore = recording.get();
        manager->setICalSync(std::move(recording));
        ASSERT_TRUE(manager->init());
        settings().setStartUpWizard(0);
        ASSERT_TRUE(settings().dehydrate());
        execute("CREATE TABLE IF NOT EXISTS BackupMarker(v); DELETE FROM BackupMarker; INSERT INTO BackupMarker VALUES(1);");
        view = std::make_unique<MainView>(QRectF(0, 0, 310, 600));
        MainView::setCurrent(view.get());
        calendarStore->clearCalls();
    }

    // Run in the fresh data home before the data manager starts in it, and
    // after it stopped, before the home goes.
    virtual void beforeStart() {}
    virtual void afterStop() {}

    void TearDown() override
    {
        if (!manager) {
            afterStop();
            return;
        }
        MainView::setCurrent(nullptr);
        view.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        CoreData::setShared(nullptr);
        manager.reset();
        Window::setAnimationDurationScale(1);
        Scheduler::setCurrent(nullptr);
        Clock::reset();
        NetworkStatus::instance().setOverride(std::nullopt);
        afterStop();
        m_home.reset();
    }

    Setting& settings() { return *manager->currentSetting(); }

    static void execute(const char* sql)
    {
        char* error = nullptr;
        const int rc = sqlite3_exec(RecordStore::sharedDatabase(), sql, nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
    }

    // The marker rows of the open database, in order.
    static QList<int> markers()
    {
        QList<int> values;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(RecordStore::sharedDatabase(), "SELECT v FROM BackupMarker ORDER BY rowid", -1,
                               &statement, nullptr) != SQLITE_OK)
            return {-1};
        while (sqlite3_step(statement) == SQLITE_ROW) values.append(sqlite3_column_int(statement, 0));
        sqlite3_finalize(statement);
        return values;
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static bool writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

    static QVariantMap autoPlist()
    {
        return PropertyList::readFile(Setting::dataFilePath(QStringLiteral("auto.plist"))).value.toMap();
    }

    // A backup of the database as it is now, under that fixed text.
    QByteArray backupNow(const QString& fixedText = QString::fromLatin1(BackupFile::manualBackupKeyText))
    {
        const std::optional<QByteArray> snapshot = BackupFile::databaseSnapshot();
        EXPECT_TRUE(snapshot);
        return BackupFile::encode(snapshot.value_or(QByteArray()), fixedText).value_or(QByteArray());
    }

    QString scratch(const QString& name) const { return testDataRoot() + QLatin1Char('/') + name; }

    ManualScheduler scheduler;
    std::unique_ptr<CoreData> manager;
    RecordingICalSync* calendarStore = nullptr;
    std::unique_ptr<MainView> view;
    std::unique_ptr<ScopedDataHome> m_home;
};
