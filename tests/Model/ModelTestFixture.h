#pragma once

#include "CoreData.h"
#include "DatabaseSchema.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Task.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A fresh database made from the template and every upgrade, installed as the
// shared connection, with a data manager that has no start-up behind it.
// A step of a table test: the change made to the item, then the item saved.
inline std::function<void()> savedChange(const TaskPtr& item, std::function<void(Task&)> change)
{
    return [item, change = std::move(change)] {
        change(*item);
        EXPECT_TRUE(item->dehydrate());
    };
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const QByteArray path = (m_dir.path() + QStringLiteral("/Database.sql")).toUtf8();
        ASSERT_EQ(sqlite3_open(path.constData(), &m_db), SQLITE_OK);
        // Each test's database is thrown away: waiting for the disk at every
        // commit would only make the suite slow (the crash test, which is
        // about the disk, runs its own writer process).
        exec(QStringLiteral("PRAGMA synchronous=OFF"));
        exec(templateSql());
        for (const QString& statement : DatabaseSchema::allUpgrades()) exec(statement);
        RecordStore::setSharedDatabase(m_db);
        databaseOpen = true;
        m_dataManager = std::make_unique<CoreData>();
        CoreData::setShared(m_dataManager.get());
    }

    void TearDown() override
    {
        CoreData::setShared(nullptr);
        m_dataManager.reset();
        RecordStore::finalizeAllStatements();
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        sqlite3_close(m_db);
    }

    static QString templateSql()
    {
        QFile file(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll());
    }

    void exec(const QString& sql)
    {
        char* error = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        ASSERT_EQ(rc, SQLITE_OK) << (error ? error : "") << " in " << sql.toStdString();
    }

    qint64 queryInt(const QString& sql)
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr), SQLITE_OK);
        qint64 value = -1;
        if (sqlite3_step(statement) == SQLITE_ROW) value = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return value;
    }

    QString dataFolder() const { return m_dir.path(); }
    sqlite3* db() const { return m_db; }
    CoreData& dataManager() { return *m_dataManager; }
    // Ends the data manager as the application does when it quits.
    void destroyDataManager() { m_dataManager.reset(); }

private:
    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
    std::unique_ptr<CoreData> m_dataManager;
};
