// A drag over the focus pane: the archive under our type, read back into
// the item the pane would take. Whatever the bytes, the pane takes nothing
// but one task or note that is not shared.
#include "DatabaseSchema.h"
#include "FocusPaneView.h"
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

// Stored items of every kind, so that archives naming their keys read back
// real rows: a task, a note, a shared task and a repeating event.
void openDatabase()
{
    sqlite3* database = nullptr;
    Fuzz::require(sqlite3_open(":memory:", &database) == SQLITE_OK, "an in-memory database opens");
    QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
    Fuzz::require(schema.open(QIODevice::ReadOnly), "the template schema is readable");
    exec(database, QString::fromUtf8(schema.readAll()));
    for (const QString& statement : DatabaseSchema::allUpgrades()) exec(database, statement);
    exec(database, QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, taskName) VALUES (1, 1, 'Task'), "
                                  "(2, 3, 'Note'), (3, 0, 'Event')"));
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
    const bool fromThisProgram = size % 2 == 0;
    const TaskPtr item = FocusPaneView::itemForDrop(mimeData, fromThisProgram);
    if (!item) return 0;
    Fuzz::require(fromThisProgram, "a drag from elsewhere is refused");
    Fuzz::require(item->taskType() == 1 || item->taskType() == 3, "only tasks and notes are taken");
    Fuzz::require(!item->isShared(), "shared items are refused");
    Fuzz::checkDateFromOutside(item->startTime());
    Fuzz::checkDateFromOutside(item->dueEnd());
    return 0;
}
