// A process that writes items into the database it is given until it is
// killed: the crash test kills it at random moments and then checks what it
// left behind. Every item it writes is whole when it has a name: its notes
// repeat the name, and it belongs to category 1.
#include "Calendar.h"
#include "CoreData.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    sqlite3* db = nullptr;
    if (sqlite3_open(argv[1], &db) != SQLITE_OK) return 3;
    RecordStore::setSharedDatabase(db);
    databaseOpen = true;
    CoreData dataManager;
    CoreData::setShared(&dataManager);
    auto setting = std::make_shared<Setting>();
    setting->setCalendarDefID(1);
    dataManager.setCurrentSetting(setting);
    dataManager.doWithCalendarList(CalendarList{Calendar::initWithPrimaryKey(1, db)}, 0);

    std::fputs("writing\n", stdout);
    std::fflush(stdout);
    TaskList written;
    for (qint64 n = 1;; ++n) {
        auto item = std::make_shared<Task>();
        const QString name = QStringLiteral("Item %1").arg(n);
        item->setTaskName(name);
        item->setNotes(name);
        item->setCalendarId(1);
        if (!item->insertAndDehydrate()) return 4;
        written.append(item);
        // One line per item, so the test can let a few through before it kills.
        std::fputs("item\n", stdout);
        std::fflush(stdout);
        // Edits and deletes of earlier items, so kills land in every kind of write.
        if (n % 3 == 0) {
            const TaskPtr earlier = written.takeFirst();
            earlier->setTaskName(earlier->taskName() + QStringLiteral(" edited"));
            earlier->setNotes(earlier->taskName());
            if (!earlier->dehydrate()) return 5;
        }
        if (n % 5 == 0 && !written.isEmpty() && !written.takeFirst()->deleteFromDatabase()) return 6;
    }
}
