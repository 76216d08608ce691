#pragma once

// A database, a data manager with one category linked to the store's one
// calendar, and the calendar sync over a store in a temporary folder: what the
// calendar-sync benchmarks measure against. Header-only, shared by them.
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "GregorianCalendar.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSyncJobs.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <sqlite3.h>

namespace calendarbench {

inline Date local(int year, int month, int day, int hour = 0, int minute = 0)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, 0);
}

inline void exec(sqlite3* db, const QByteArray& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s in %s\n", error ? error : "", sql.constData());
        std::exit(1);
    }
}

class Setup {
public:
    Setup()
    {
        Clock::setFixed(local(2014, 3, 12, 10));
        const QByteArray path = (m_dir.path() + QStringLiteral("/Database.sql")).toUtf8();
        if (sqlite3_open(path.constData(), &m_db) != SQLITE_OK) std::exit(1);
        QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
        if (!schema.open(QIODevice::ReadOnly)) std::exit(1);
        exec(m_db, schema.readAll());
        for (const QString& statement : DatabaseSchema::allUpgrades()) exec(m_db, statement.toUtf8());
        RecordStore::setSharedDatabase(m_db);
        databaseOpen = true;
        manager = std::make_unique<CoreData>();
        CoreData::setShared(manager.get());
        manager->loadTimeZones();
        Utilities::setTimeZoneNameResolver([this](qint64 id) { return manager->getTimeZoneName(id); });
        setting = Setting::initWithPrimaryKey(1, m_db);
        setting->setICalSyncWindowStart(30);
        setting->setICalSyncWindowEnd(30);
        setting->setTzSupport(true);
        setting->setCurrentTZ(53392);
        manager->setCurrentSetting(setting);
        store = CalCalendarStore::create(m_dir.path() + QStringLiteral("/store"));
        jobs = std::make_unique<iCalSyncJobs>(store);
        calendar = CalCalendar::calendar();
        calendar->setTitle(QStringLiteral("Bench"));
        if (!store->saveCalendar(calendar)) std::exit(1);
        category = std::make_shared<Calendar>();
        category->setPrimaryKey(1);
        category->setICalUID(calendar->uid());
        manager->doWithCalendarList(CalendarList{category}, 0);
    }
    ~Setup()
    {
        jobs.reset();
        Utilities::setTimeZoneNameResolver(nullptr);
        CoreData::setShared(nullptr);
        manager.reset();
        RecordStore::finalizeAllStatements();
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        sqlite3_close(m_db);
    }

    QString eventsFolder() const
    {
        return QStringLiteral("%1/store/%2.calendar/Events").arg(m_dir.path(), calendar->uid());
    }

    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
    std::unique_ptr<CoreData> manager;
    SettingPtr setting;
    std::shared_ptr<CalCalendarStore> store;
    std::unique_ptr<iCalSyncJobs> jobs;
    CalCalendarPtr calendar;
    CalendarPtr category;
};

inline Setup* setup = nullptr;

// Events in five zones with daylight saving on both sides of the equator
// and without, stored in the database in one unit, ready to be exported.
constexpr int zonedEvents = 5000;

inline TaskList storedZonedEvents(CoreData& manager, int count)
{
    static const char* const zones[] = {"America/New_York", "Europe/London", "Asia/Tokyo", "Australia/Sydney",
                                        "America/Los_Angeles"};
    TaskList events;
    Transaction unit;
    for (int i = 0; i < count; ++i) {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setTaskName(QStringLiteral("Zoned %1").arg(i));
        const Date start = local(2014, 3, 1 + i % 28, 8 + i % 10);
        event->setStartTime(start);
        event->setEndTime(start.dateByAddingTimeInterval(3600));
        event->setCalendarId(1);
        event->setTz(manager.getTimeZoneId(QString::fromLatin1(zones[i % 5])));
        if (!event->insertIntoDatabase()) std::exit(1);
        events << event;
    }
    if (!unit.commit()) std::exit(1);
    return events;
}

}  // namespace calendarbench
