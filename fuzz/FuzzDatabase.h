#pragma once

// An in-memory database of the current schema, installed as the shared
// connection, for the drivers whose decoders read stored items back.
// Header-only: only drivers that link the data manager include it.
#include "DatabaseSchema.h"
#include "FuzzSupport.h"
#include "Paths.h"
#include "RecordStore.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

namespace Fuzz {

inline void execOrStop(sqlite3* database, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(database, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        require(false, error ? error : "the database is set up");
}

// The template, every upgrade, then the rows the driver wants to find.
inline void openTemplateDatabase(const QStringList& rows)
{
    sqlite3* database = nullptr;
    require(sqlite3_open(":memory:", &database) == SQLITE_OK, "an in-memory database opens");
    QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
    require(schema.open(QIODevice::ReadOnly), "the template schema is readable");
    execOrStop(database, QString::fromUtf8(schema.readAll()));
    for (const QString& statement : DatabaseSchema::allUpgrades()) execOrStop(database, statement);
    for (const QString& row : rows) execOrStop(database, row);
    RecordStore::setSharedDatabase(database);
}

// One repeating item, so that both a stored item and an occurrence of a
// series can be read back.
inline QString repeatingItemRow()
{
    return QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, taskName, repeatType, startTime, endTime) "
                          "VALUES (12, 0, 'Standup', 2, 1388566800, 1388568600)");
}

}  // namespace Fuzz
