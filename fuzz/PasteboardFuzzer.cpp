// Items pasted or dropped: the archive under our type, read back into items
// from the database as a paste does.
#include "DatabaseSchema.h"
#include "FuzzSupport.h"
#include "KeyedArchive.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Task.h"

#include <QFile>
#include <QMimeData>

#include <sqlite3.h>

namespace {

void exec(sqlite3* database, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(database, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        Fuzz::require(false, error ? error : "the database is set up");
}

// An in-memory database of the current schema with one repeating item, so
// that both a stored item and an occurrence of a series can be read back.
void openDatabase()
{
    sqlite3* database = nullptr;
    Fuzz::require(sqlite3_open(":memory:", &database) == SQLITE_OK, "an in-memory database opens");
    QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
    Fuzz::require(schema.open(QIODevice::ReadOnly), "the template schema is readable");
    exec(database, QString::fromUtf8(schema.readAll()));
    for (const QString& statement : DatabaseSchema::allUpgrades()) exec(database, statement);
    exec(database, QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, taskName, repeatType, startTime, endTime) "
                                  "VALUES (12, 0, 'Standup', 2, 1388566800, 1388568600)"));
    RecordStore::setSharedDatabase(database);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    openDatabase();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QMimeData mimeData;
    mimeData.setData(KeyedArchive::mimeType, Fuzz::archiveBytes(data, size));
    for (const TaskPtr& item : Task::readItemsFromPasteboard(mimeData)) {
        Fuzz::checkDateFromOutside(item->startTime());
        Fuzz::checkDateFromOutside(item->endTime());
        Fuzz::exerciseCalendar(item->occurrence());
    }
    return 0;
}
