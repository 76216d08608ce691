#include "DatabaseRestore.h"

#include "BackupFile.h"
#include "Calendar.h"
#include "CoreData.h"
#include "DatabaseBusyGuard.h"
#include "DatabaseSchema.h"
#include "FileWriter.h"
#include "Link.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Tag.h"
#include "Task.h"
#include "ZVComment.h"
#include "iCalSync.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <cstdio>
#include <mutex>
#include <optional>

#include <sqlite3.h>
#include <unistd.h>

namespace {

// How long a restore waits for the store to take the restored items.
constexpr double storePushSeconds = 600;

std::mutex observerMutex;
DatabaseRestore::StepObserver stepObserver;

void reached(DatabaseRestore::Step step)
{
    DatabaseRestore::StepObserver observer;
    {
        std::lock_guard lock(observerMutex);
        observer = stepObserver;
    }
    if (observer) observer(step);
}

QByteArray fileName(const QString& path)
{
    return QFile::encodeName(path);
}

void emptyWorkingLists(CoreData& data)
{
    data.setTagList({});
    data.doWithAllTasksEventsAdes(std::nullopt, ListAction::Remove);
    data.doWithCalendarList(std::nullopt, ListAction::Remove);
}

// Opens the database file again and fills the working lists from it.
bool reopenDatabase(CoreData& data)
{
    emptyWorkingLists(data);
    if (!data.initializeDatabase()) {
        if (RecordStore::sharedDatabase()) DatabaseRestore::closeSharedDatabase();
        return false;
    }
    QList<qint64> visible;
    for (const CalendarPtr& category : data.calendarList())
        if (category->inVisible() == 0) visible.append(category->primaryKey());
    data.addTasksToListFromCalendarList(visible);
    return true;
}

// Replaces the database file by the checked incoming one while the
// connection is closed. The old file is kept beside it (a hard link, so the
// name "Database.sql" never goes missing); if the new one does not open, the
// old one is put back and opened again. False when the old database is in
// use again.
bool swapDatabaseFile(CoreData& data)
{
    DatabaseBusyGuard busy;
    const QString databasePath = CoreData::databasePath();
    const QString keptPath = DatabaseRestore::keptPath();
    const QString incomingPath = DatabaseRestore::incomingPath();
    QFile::remove(keptPath);
    DatabaseRestore::closeSharedDatabase();
    const QByteArray database = fileName(databasePath);
    const QByteArray kept = fileName(keptPath);
    if (::link(database.constData(), kept.constData()) != 0 && !QFile::copy(databasePath, keptPath)) {
        qWarning("The database cannot be kept aside as '%s'; it is not replaced.", qUtf8Printable(keptPath));
        QFile::remove(incomingPath);
        if (!reopenDatabase(data)) qCritical("The database could not be opened again.");
        return false;
    }
    if (std::rename(fileName(incomingPath).constData(), database.constData()) != 0) {
        qWarning("The restored database cannot take the place of '%s'.", qUtf8Printable(databasePath));
        QFile::remove(incomingPath);
        QFile::remove(keptPath);
        if (!reopenDatabase(data)) qCritical("The database could not be opened again.");
        return false;
    }
    if (reopenDatabase(data)) return true;
    qWarning("The restored database does not open; the earlier one is put back.");
    if (std::rename(kept.constData(), database.constData()) != 0)
        qCritical("The earlier database could not be put back; it is kept as '%s'.", qUtf8Printable(keptPath));
    if (!reopenDatabase(data)) qCritical("The database could not be opened again.");
    return false;
}

// The store uids of the backup's items, read from the incoming file;
// nothing when it cannot be read.
std::optional<QSet<QString>> uidsOfBackup()
{
    sqlite3* backup = nullptr;
    std::optional<QSet<QString>> uids;
    sqlite3_stmt* rows = nullptr;
    if (sqlite3_open_v2(fileName(DatabaseRestore::incomingPath()).constData(), &backup, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(backup, "SELECT iCalIdentifier FROM Tasks WHERE iCalIdentifier <> ''", -1, &rows, nullptr) == SQLITE_OK) {
        uids.emplace();
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(rows)) == SQLITE_ROW) {
            QString uid = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(rows, 0)));
            if (uid.startsWith(pendingStoreCopyMark)) uid.remove(0, pendingStoreCopyMark.size());
            uids->insert(uid);
        }
        if (step != SQLITE_DONE) uids.reset();
    }
    sqlite3_finalize(rows);
    sqlite3_close(backup);
    return uids;
}

// The program's items leave the calendar store. Removing a copy that is
// already gone does nothing, so an interrupted removal is simply run again.
// The items go first, then the own calendars: one that still holds a file
// no item links to (another program's) stays, with that file.
// With the uids of the backup about to replace the items: an item the
// backup lacks whose file another program wrote (taken in since the backup)
// keeps its file, which the next full sync reads in as any other. An item
// the backup holds keeps its file too: the restore writes the backup's item
// over it, and leaves it as it is when it already says the same.
void removeStoreCopies(CoreData& data, iCalSync* calendarSync, bool withCategories,
                       const std::optional<QSet<QString>>& backupUids = std::nullopt)
{
    if (!calendarSync) return;
    QSet<QString> othersFiles;
    if (backupUids) {
        QSet<QString> notInBackup, restored;
        for (const TaskPtr& item : data.getAllTasksEventsAdes()) {
            const QString& uid = item->iCalUID();
            if (uid.isEmpty()) continue;
            if (!backupUids->contains(uid))
                notInBackup.insert(uid);
            else if (!uid.startsWith(pendingStoreCopyMark))
                restored.insert(uid);
        }
        othersFiles = calendarSync->keepOtherProgramsFiles(notInBackup, restored);
    }
    for (const TaskPtr& event : data.getAllRootEvents()) {
        if (event->iCalUID().isEmpty() || othersFiles.contains(event->iCalUID())) continue;
        calendarSync->syncDeleteToICalEvent(event, 1);
        reached(DatabaseRestore::Step::StoreCopyRemoved);
    }
    for (const TaskPtr& task : data.getAllTasks()) {
        if (task->iCalUID().isEmpty() || othersFiles.contains(task->iCalUID())) continue;
        calendarSync->syncDeleteToICalTask(task);
        reached(DatabaseRestore::Step::StoreCopyRemoved);
    }
    if (withCategories)
        for (const CalendarPtr& category : data.getCalendarList())
            if (category->projectType() == 0 && category->builtIn() != 1) calendarSync->syncDeleteToIcal(category);
    if (backupUids) calendarSync->keepOtherProgramsFiles({});
}

// Restore mode on (the next web pass uploads what the server lacks instead
// of deleting it) and automatic web sync off. Running it twice changes
// nothing more.
void markSettings(CoreData& data, bool* restoredHadAutoSync)
{
    const SettingPtr setting = data.currentSetting();
    if (!setting) return;
    if (restoredHadAutoSync) *restoredHadAutoSync = setting->autoZVWSync() != 0;
    setting->setDoRestore(1);
    setting->setDatabaseVersion(data.currentVersion());
    setting->setStartUpWizard(0);
    setting->setAutoZVWSync(0);
    if (!setting->dehydrate()) qWarning("The settings of the restored database could not be saved.");
    if (!setting->setAutoSync()) qWarning("The sync switches could not be saved after the restore.");
}

void pushToStore(iCalSync* calendarSync)
{
    if (!calendarSync) return;
    calendarSync->backgroundRestoreCalendars();
    reached(DatabaseRestore::Step::StorePushStarted);
    if (!calendarSync->waitForQueuedJobs(storePushSeconds))
        qWarning("The restored items did not all reach the calendar store; the next start sends them again.");
}

bool finishAfterSwap(CoreData& data, iCalSync* calendarSync, bool* restoredHadAutoSync)
{
    markSettings(data, restoredHadAutoSync);
    // The restored settings name the zone of the machine the backup was made
    // on. Without zone support the machine's own zone is followed first, as
    // a start does; the items, still at the other zone's wall clock, then
    // go to the store and are read back as a start reads them, so the views
    // show their instants at once and not only after the next start.
    const SettingPtr setting = data.currentSetting();
    const qint64 zoneOfBackup = setting ? setting->currentTZ() : 0;
    data.followSystemZoneWithoutZoneSupport();
    const bool zoneFollowed = setting && setting->currentTZ() != zoneOfBackup;
    reached(DatabaseRestore::Step::SettingsMarked);
    pushToStore(calendarSync);
    if (calendarSync && zoneFollowed) {
        calendarSync->backgroundFullSync();
        if (!calendarSync->waitForQueuedJobs(storePushSeconds))
            qWarning("The restored items were not all read back in this machine's zone; the next start does it.");
    }
    if (!calendarSync || calendarSync->waitForQueuedJobs(0)) {
        QFile::remove(DatabaseRestore::journalPath());
        reached(DatabaseRestore::Step::Finished);
    }
    return true;
}

// Every byte of the file reaches the disk before the journal names it.
bool writeDurably(const QString& path, const QByteArray& bytes)
{
    return FileWriter::current().writeAtomically(path, bytes);
}

bool diskIsFull(const QString& folder, qint64 wanted)
{
    const QStorageInfo storage(folder);
    return storage.isValid() && storage.bytesAvailable() < wanted + 64 * 1024;
}

}  // namespace

namespace DatabaseRestore {

QString incomingPath()
{
    return CoreData::databasePath() + QStringLiteral(".restoring");
}

QString journalPath()
{
    return CoreData::databasePath() + QStringLiteral(".restore-unfinished");
}

QString keptPath()
{
    return CoreData::databasePath() + QStringLiteral(".before-restore");
}

void setStepObserver(StepObserver observer)
{
    std::lock_guard lock(observerMutex);
    stepObserver = std::move(observer);
}

bool writeIncoming(const QByteArray& database, QString* problem, bool* notOurs)
{
    *notOurs = false;
    const QString path = incomingPath();
    const QString folder = QFileInfo(path).absolutePath();
    const auto writeFailed = [&] {
        QFile::remove(path);
        *problem = diskIsFull(folder, database.size())
                       ? QStringLiteral("the disk is full")
                       : QStringLiteral("the data folder cannot be written");
        return false;
    };
    if (!writeDurably(path, database)) return writeFailed();
    QString reason;
    if (!BackupFile::checkDatabaseFile(path, &reason) || !DatabaseSchema::fileMatchesTemplate(path, &reason)) {
        QFile::remove(path);
        *notOurs = true;
        *problem = reason;
        return false;
    }
    reached(Step::IncomingWritten);
    if (!writeDurably(journalPath(), QByteArray("restore\n"))) return writeFailed();
    reached(Step::JournalWritten);
    return true;
}

bool replaceDatabase(CoreData& data, iCalSync* calendarSync, bool* restoredHadAutoSync)
{
    removeStoreCopies(data, calendarSync, true, uidsOfBackup());
    if (!swapDatabaseFile(data)) {
        // The store gets the items of the database in use back.
        pushToStore(calendarSync);
        QFile::remove(journalPath());
        return false;
    }
    reached(Step::Swapped);
    return finishAfterSwap(data, calendarSync, restoredHadAutoSync);
}

bool recoverAtStart(CoreData& data, iCalSync* calendarSync)
{
    if (calendarSync) calendarSync->removeInterruptedWrites();
    if (!QFileInfo::exists(journalPath())) {
        // Written by a restore killed before it was bound to finish.
        if (QFile::remove(incomingPath())) qInfo("An interrupted restore left its copy of a backup; it is removed.");
        // The start went well: the database from before the last restore
        // is no longer needed to get back in.
        QFile::remove(keptPath());
        return false;
    }
    qWarning("A restore of the database was interrupted; it is finished before anything else.");
    if (QFileInfo::exists(incomingPath())) return replaceDatabase(data, calendarSync, nullptr);
    // The restored database is in place; some of its items may already be
    // in the store under new uids, the others not at all. Those in the store
    // leave it, and all go back once, so none is missing and none doubled.
    removeStoreCopies(data, calendarSync, false);
    return finishAfterSwap(data, calendarSync, nullptr);
}

bool canPutBack()
{
    return QFileInfo(keptPath()).isFile();
}

bool putBack()
{
    const QString databasePath = CoreData::databasePath();
    const QString failedPath = databasePath + QStringLiteral(".failed-restore");
    QFile::remove(failedPath);
    if (QFileInfo::exists(databasePath) &&
        std::rename(fileName(databasePath).constData(), fileName(failedPath).constData()) != 0)
        return false;
    if (std::rename(fileName(keptPath()).constData(), fileName(databasePath).constData()) != 0) {
        std::rename(fileName(failedPath).constData(), fileName(databasePath).constData());
        return false;
    }
    // The store lost this database's items to the restore: the journal has
    // the next start send them back before any sync reads the store.
    QFile::remove(incomingPath());
    if (!writeDurably(journalPath(), QByteArray("restore\n")))
        qWarning("The journal of the put-back database could not be written.");
    qWarning("The database from before the last restore is back; the one that failed is kept as '%s'.",
             qUtf8Printable(failedPath));
    return true;
}

// The statements every record class keeps, then any other, then the
// connection: one statement left prepared would keep the file open.
void closeSharedDatabase()
{
    Setting::finalizeStatements();
    Task::finalizeStatements();
    Calendar::finalizeStatements();
    Tag::finalizeStatements();
    Link::finalizeStatements();
    ZVComment::finalizeStatements();
    RecordStore::finalizeAllStatements();
    sqlite3* database = RecordStore::sharedDatabase();
    databaseOpen = false;
    RecordStore::setSharedDatabase(nullptr);
    if (database && sqlite3_close(database) != SQLITE_OK) {
        qCritical("Error: failed to close database with message '%s'.", sqlite3_errmsg(database));
        sqlite3_close_v2(database);
    }
}

}  // namespace DatabaseRestore
