// Runs one full web sync of the database in the given data folder against
// the given service address, for the given account, then exits: the crash test kills it while the
// service holds one of its requests. Exit 0 when the pass ended without
// failure, 1 when it stopped on one, 2 and up when it could not start.
#include "Calendar.h"
#include "CoreData.h"
#include "RecordStore.h"
#include "Setting.h"
#include "ZVWSync.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 5) return 2;
    qputenv("ZORAVEL_SERVICE_URL", QByteArray(argv[1]));
    const QString database = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("Database.sql"));
    sqlite3* db = nullptr;
    if (sqlite3_open(database.toUtf8().constData(), &db) != SQLITE_OK) return 3;
    RecordStore::setSharedDatabase(db);
    databaseOpen = true;
    internetReachable = true;

    int result = 0;
    {
        CoreData dataManager;
        CoreData::setShared(&dataManager);
        const SettingPtr setting = Setting::initWithPrimaryKey(1, db);
        // The account file belongs to the user's data folder, not to this test.
        setting->setZvwUserName(QString::fromLocal8Bit(argv[3]));
        setting->setZvwPassword(QString::fromLocal8Bit(argv[4]));
        dataManager.setCurrentSetting(setting);
        dataManager.loadTimeZones();
        dataManager.doWithCalendarList(dataManager.getCalendarList(), 2);
        dataManager.getTagList();
        dataManager.setZVWSync(std::make_unique<ZVWSync>());
        ZVWSync& sync = *dataManager.zvwSync();

        std::fputs("syncing\n", stdout);
        std::fflush(stdout);
        if (!sync.backgroundFullSync(nullptr)) return 4;
        if (!sync.waitUntilIdle(120)) return 5;
        result = sync.errorDescription().isEmpty() ? 0 : 1;
        CoreData::setShared(nullptr);
    }
    RecordStore::finalizeAllStatements();
    sqlite3_close(db);
    return result;
}
