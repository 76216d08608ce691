// Drops on the day grid: the payload the grid decodes to choose what it
// takes, and the drop time of any image position.
#include "CalendarView.h"
#include "DatabaseSchema.h"
#include "FuzzSupport.h"
#include "KeyedArchive.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Task.h"

#include <QFile>
#include <QMimeData>

#include <cmath>
#include <cstring>

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
    QMimeData payload;
    payload.setData(KeyedArchive::mimeType, Fuzz::archiveBytes(data, size));
    if (const TaskPtr item = CalendarView::acceptableDraggedItem(payload)) {
        // The grid only ever takes events and tasks of its own.
        Fuzz::require(item->taskType() == 0 || item->taskType() == 1, "only events and tasks are taken");
        Fuzz::require(!item->isShared(), "shared items are refused");
        Fuzz::checkDateFromOutside(item->startTime());
        Fuzz::checkDateFromOutside(item->endTime());
    }
    // Any image position gives a quarter hour.
    if (size >= sizeof(double)) {
        double top = 0;
        std::memcpy(&top, data, sizeof top);
        const CalendarView::DropTime time = CalendarView::dropTimeOfImageTop(top);
        Fuzz::require(time.minute >= 0 && time.minute <= 45 && time.minute % 15 == 0, "minutes are a quarter");
    }
    return 0;
}
