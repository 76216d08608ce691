#pragma once

#include "../Model/ModelTestFixture.h"

#include "Calendar.h"
#include "Clock.h"
#include "GregorianCalendar.h"
#include "ICalendarFile.h"
#include "Setting.h"
#include "Task.h"
#include "Utilities.h"
#include "iCalSyncJobs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/inotify.h>
#include <unistd.h>

// The event files put in place in a folder, as the store writes a file:
// created, or written beside it and renamed over its place. Read from the
// kernel's notices of the folder, so a write is seen even when it left the
// same bytes and a file written twice counts twice.
class FilePlacements {
public:
    explicit FilePlacements(const QString& folder) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0) m_watch = inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO);
    }
    ~FilePlacements()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    FilePlacements(const FilePlacements&) = delete;
    FilePlacements& operator=(const FilePlacements&) = delete;

    bool watching() const { return m_fd >= 0 && m_watch >= 0; }
    // The ".ics" names put in place since the last call, each as often as
    // it was, sorted and separated by spaces (readable in a failure).
    std::string take()
    {
        QStringList names;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t size; (size = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const QString name = event->len ? QFile::decodeName(event->name) : QString();
                if (name.endsWith(QStringLiteral(".ics"))) names << name;
                at += ssize_t(sizeof(inotify_event)) + ssize_t(event->len);
            }
        }
        names.sort();
        return names.join(QLatin1Char(' ')).toStdString();
    }

private:
    int m_fd = -1;
    int m_watch = -1;
};

// A database, a data manager with the zone table, the settings and one
// category linked to a store calendar, and the sync over a store on a
// temporary folder. Files written here stand for those of other programs.
class CalendarSyncTest : public ModelTest {
protected:
    static constexpr qint64 parisZone = 53392;
    static constexpr qint64 tokyoZone = 40264;
    static constexpr qint64 newYorkZone = -21536;
    static constexpr qint64 reykjavikZone = 42624;

    void SetUp() override
    {
        ModelTest::SetUp();
        ASSERT_TRUE(storeFolder.isValid());
        Clock::setFixed(local(2014, 3, 12, 10, 0));
        dataManager().loadTimeZones();
        Utilities::setTimeZoneNameResolver([this](qint64 zoneId) { return dataManager().getTimeZoneName(zoneId); });
        setting = Setting::initWithPrimaryKey(1, db());
        ASSERT_TRUE(setting);
        setting->setICalSyncWindowStart(30);
        setting->setICalSyncWindowEnd(30);
        setting->setTzSupport(true);
        setting->setCurrentTZ(parisZone);
        dataManager().setCurrentSetting(setting);
        store = CalCalendarStore::create(storeFolder.path());
        jobs = std::make_unique<iCalSyncJobs>(store);
        storeCalendar = CalCalendar::calendar();
        storeCalendar->setTitle(QStringLiteral("Home"));
        ASSERT_TRUE(store->saveCalendar(storeCalendar));
        category = std::make_shared<Calendar>();
        category->setPrimaryKey(7);
        category->setCalendarName(QStringLiteral("Home"));
        category->setICalUID(storeCalendar->uid());
        category->setInVisible(1);
        dataManager().doWithCalendarList(CalendarList{category}, 0);
    }
    void TearDown() override
    {
        jobs.reset();
        Utilities::setTimeZoneNameResolver(nullptr);
        Clock::reset();
        ModelTest::TearDown();
    }

    static Date local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
    {
        return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second);
    }
    static Date utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
    {
        return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second, QTimeZone::utc());
    }

    // Writes an event file into the calendar's folder and gives the sync a
    // fresh store that reads it, as after another program's write.
    QString writeEventFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = QStringLiteral("%1/%2.calendar/Events/%3").arg(storeFolder.path(), storeCalendar->uid(), name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        reopenStore();
        return path;
    }
    void reopenStore()
    {
        store = CalCalendarStore::create(storeFolder.path());
        jobs->setICalStore(store);
    }
    QString calendarFolder() const
    {
        return QStringLiteral("%1/%2.calendar").arg(storeFolder.path(), storeCalendar->uid());
    }

    // The event file of a uid, read back through libical.
    std::optional<ICalEventFileData> readBack(const QString& uid) const
    {
        QFile file(store->eventFilePath(uid));
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        QString problem;
        return ICalendarFile::readEvents(file.readAll(), &problem);
    }

    // The instant of one of an item's times, which it holds as its zone's
    // wall-clock time (floating ones as they are).
    static Date instantOf(const Date& itemTime, const Task& item)
    {
        return iCalSyncJobs::itemTimeToStoreTime(itemTime, iCalSyncJobs::zoneOfTableId(item.tz()));
    }

    TaskPtr localEvent(const Date& start, const Date& end)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(0);
        item->setTaskName(QStringLiteral("Dentist"));
        item->setStartTime(start);
        item->setEndTime(end);
        item->setCalendarId(category->primaryKey());
        item->setTz(0);
        item->setRepeatType(0);
        return item;
    }

    QTemporaryDir storeFolder;
    std::shared_ptr<CalCalendarStore> store;
    std::unique_ptr<iCalSyncJobs> jobs;
    SettingPtr setting;
    CalCalendarPtr storeCalendar;
    CalendarPtr category;
};
