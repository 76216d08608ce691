#pragma once

// A database made from the template and every upgrade in a folder of its
// own, installed as the shared connection, with a data manager that has read
// the settings and the categories: what the benchmarks of the views and the
// commands measure against. Header-only, shared by the benchmark programs.
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "Paths.h"
#include "RecordStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <sqlite3.h>

class BenchDatabase {
public:
    BenchDatabase()
    {
        // Settings side files and the default calendar store go to this
        // folder, never to the user's.
        qputenv("XDG_DATA_HOME", m_dir.path().toUtf8());
        const QByteArray path = (m_dir.path() + QStringLiteral("/Database.sql")).toUtf8();
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                            nullptr) != SQLITE_OK)
            std::exit(1);
        // Thrown away at the end: waiting for the disk would only slow the set-up.
        exec("PRAGMA synchronous=OFF");
        exec(templateSql());
        for (const QString& statement : DatabaseSchema::allUpgrades()) exec(statement.toUtf8());
        RecordStore::setSharedDatabase(m_db);
        databaseOpen = true;
        m_dataManager = std::make_unique<CoreData>();
        CoreData::setShared(m_dataManager.get());
        m_dataManager->getSettingList();
        m_dataManager->doWithCalendarList(m_dataManager->getCalendarList(), 2);
        m_dataManager->loadTimeZones();
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

    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;

    CoreData& dataManager() { return *m_dataManager; }
    sqlite3* db() const { return m_db; }

    // Runs SQL; a failure ends the program, as no figure would mean anything.
    void exec(const QByteArray& sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "%s in %s\n", error ? error : "", sql.constData());
            std::exit(1);
        }
    }

private:
    static QByteArray templateSql()
    {
        QFile file(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
        if (!file.open(QIODevice::ReadOnly)) std::exit(1);
        return file.readAll();
    }

    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
    std::unique_ptr<CoreData> m_dataManager;
};
