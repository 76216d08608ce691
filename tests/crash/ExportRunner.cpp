// Runs the start-up's full calendar sync of the database in the given data
// folder against the calendar store in the given folder, then exits. With a
// step number, the process stops for good at that flush of a store file (it
// prints "stopped" first), so the crash test kills it at a known point of
// the export. Exit 0 when the sync ran to its end, 2 and up when it could not start.
#include "CalCalendarStore.h"
#include "CoreData.h"
#include "RecordStore.h"
#include "Setting.h"
#include "iCalSyncJobs.h"

#include <QCoreApplication>
#include <QDir>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

std::atomic<long> flushes{0};
long stopAt = -1;

int stoppingSync(int fd)
{
    if (flushes.fetch_add(1) + 1 == stopAt) {
        std::fputs("stopped\n", stdout);
        std::fflush(stdout);
        for (;;) ::pause();
    }
    // A killed process loses nothing the kernel holds: the flush itself
    // would only make the test wait on the disk.
    (void)fd;
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    if (argc > 3) stopAt = std::atol(argv[3]);
    const QString database = QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("Database.sql"));
    sqlite3* db = nullptr;
    if (sqlite3_open(database.toUtf8().constData(), &db) != SQLITE_OK) return 3;
    RecordStore::setSharedDatabase(db);
    databaseOpen = true;
    CalCalendarStore::setSyncCallForTesting(stoppingSync);
    {
        CoreData dataManager;
        CoreData::setShared(&dataManager);
        dataManager.setCurrentSetting(Setting::initWithPrimaryKey(1, db));
        dataManager.loadTimeZones();
        dataManager.doWithCalendarList(dataManager.getCalendarList(), 2);
        iCalSyncJobs jobs(CalCalendarStore::create(QString::fromLocal8Bit(argv[2])));
        jobs.backgroundFullSync();
        jobs.waitForQueuedJobs(60);
        CoreData::setShared(nullptr);
    }
    RecordStore::finalizeAllStatements();
    sqlite3_close(db);
    return 0;
}
