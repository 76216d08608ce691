// Starts the organizer's data side as the program does (the data manager on
// the data folder of XDG_DATA_HOME, the calendar-store sync on the store of
// ZORAVEL_CALENDAR_STORE, the recovery of an interrupted restore) and then:
//   seed <count> [<tasks>]       makes <count> events (and <tasks> tasks
//                                without a due date, every other one done)
//                                and the full sync puts them in the store;
//   restore <backup> <step> <n>  restores the backup and kills itself the
//                                <n>th time the restore reaches <step>
//                                (a DatabaseRestore::Step number, or
//                                100: the <n>th store file flushed once
//                                the restored database is in use);
//   start                        runs the start's full sync and ends;
//   web <address> <user> <pass>  runs the start's full sync, then one full
//                                web pass against the service at the
//                                address (the crash test kills it while
//                                the service holds one of its requests).
// Exit 0 when done, 1 when the web pass failed, 2 and up when it could not
// do its work.
#include "BackupFile.h"
#include "CalCalendarStore.h"
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatabaseRestore.h"
#include "GregorianCalendar.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "ZVWSync.h"
#include "iCalSyncJobs.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

constexpr int storeFileFlushed = 100;
std::atomic<bool> countFlushes{false};
std::atomic<int> flushes{0};
int killAtFlush = -1;

// A killed process loses nothing the kernel holds: the flush itself would
// only make the test wait on the disk.
int killingSync(int)
{
    if (countFlushes.load() && flushes.fetch_add(1) + 1 == killAtFlush) ::raise(SIGKILL);
    return 0;
}

int seed(CoreData& manager, int count, int tasks)
{
    const SettingPtr setting = manager.currentSetting();
    const qint64 category = setting ? setting->calendarDefID() : 0;
    if (category <= 0) return 4;
    const Date today = GregorianCalendar::dateOnDayOf(Clock::now(), 8 * 3600);
    for (int n = 0; n < count; ++n) {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setTaskName(QStringLiteral("Event %1").arg(n, 4, 10, QLatin1Char('0')));
        const Date start = today.dateByAddingTimeInterval(86400.0 * (n % 10) + 60.0 * (n % 600));
        event->setStartTime(start);
        event->setEndTime(start.dateByAddingTimeInterval(1800));
        event->setCalendarId(category);
        if (!event->insertAndDehydrate()) return 5;
    }
    for (int n = 0; n < tasks; ++n) {
        auto task = std::make_shared<Task>();
        task->setTaskName(QStringLiteral("Task %1").arg(n, 4, 10, QLatin1Char('0')));
        task->setCalendarId(category);
        if (n % 2 == 1) {
            task->setStatus(1);
            task->setCompletedDate(today.dateByAddingTimeInterval(-86400.0 * (1 + n % 5)));
        }
        if (!task->insertAndDehydrate()) return 5;
    }
    // The store of a user who has one calendar of his own; the full sync
    // links the organizer's category and sends its events.
    const CalCalendarPtr calendar = CalCalendar::calendar();
    calendar->setTitle(QStringLiteral("Home"));
    if (!CalCalendarStore::defaultCalendarStore()->saveCalendar(calendar)) return 6;
    manager.icalSync()->backgroundFullSync();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("ZoravelTests"));
    if (argc < 2) return 2;
    const QByteArray mode(argv[1]);

    int result = 0;
    {
        CoreData manager;
        CoreData::setShared(&manager);
        if (!manager.init()) return 3;
        manager.setICalSync(std::make_unique<iCalSyncJobs>());
        DatabaseRestore::recoverAtStart(manager, manager.icalSync());

        if (mode == "seed" && argc > 2) {
            result = seed(manager, QByteArray(argv[2]).toInt(), argc > 3 ? QByteArray(argv[3]).toInt() : 0);
        } else if (mode == "restore" && argc > 4) {
            const int step = QByteArray(argv[3]).toInt();
            const int nth = QByteArray(argv[4]).toInt();
            int seen = 0;
            if (step == storeFileFlushed) {
                killAtFlush = nth;
                CalCalendarStore::setSyncCallForTesting(killingSync);
            }
            DatabaseRestore::setStepObserver([&](DatabaseRestore::Step reached) {
                if (reached == DatabaseRestore::Step::Swapped) countFlushes.store(true);
                if (int(reached) == step && ++seen == nth) ::raise(SIGKILL);
            });
            QFile file(QString::fromLocal8Bit(argv[2]));
            if (!file.open(QIODevice::ReadOnly)) return 6;
            const std::optional<QByteArray> payload =
                BackupFile::decode(file.readAll(), QString::fromLatin1(BackupFile::manualBackupKeyText));
            QString problem;
            bool notOurs = false;
            if (!payload || !DatabaseRestore::writeIncoming(*payload, &problem, &notOurs)) return 7;
            if (!DatabaseRestore::replaceDatabase(manager, manager.icalSync(), nullptr)) return 8;
        } else if (mode == "start") {
            manager.icalSync()->backgroundFullSync();
        } else if (mode == "web" && argc > 4) {
            manager.icalSync()->backgroundFullSync();
            qputenv("ZORAVEL_SERVICE_URL", QByteArray(argv[2]));
            internetReachable = true;
            const SettingPtr setting = manager.currentSetting();
            setting->setZvwUserName(QString::fromLocal8Bit(argv[3]));
            setting->setZvwPassword(QString::fromLocal8Bit(argv[4]));
            manager.setZVWSync(std::make_unique<ZVWSync>());
            ZVWSync& sync = *manager.zvwSync();
            if (!sync.backgroundFullSync(nullptr) || !sync.waitUntilIdle(300)) return 10;
            result = sync.errorDescription().isEmpty() ? 0 : 1;
        } else {
            result = 2;
        }
        if (auto* jobs = dynamic_cast<iCalSyncJobs*>(manager.icalSync()); jobs && !jobs->waitForQueuedJobs(300))
            result = 9;
        manager.setICalSync(nullptr);
        CoreData::setShared(nullptr);
        DatabaseRestore::closeSharedDatabase();
    }
    return result;
}
