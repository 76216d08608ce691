#pragma once

#include "CalendarSyncFixture.h"

#include "NotificationCenter.h"
#include "PropertyList.h"
#include "TestEnvironment.h"
#include "ZVWSync.h"

#include <QDir>

// The sync installed in the data manager, so that its own commands drive the
// jobs; files are read back with libical. Shared by the tests of the exports
// and of the data manager's edit, delete and postpone commands.
class ExportsTest : public CalendarSyncTest {
protected:
    void SetUp() override
    {
        CalendarSyncTest::SetUp();
        sync = jobs.get();
        dataManager().setICalSync(std::move(jobs));
        NotificationCenter::defaultCenter().addObserver(&observer, kAutoSyncNotification, nullptr,
                                                        [this](const Notification& n) { masks << n.objectAs<qint64>(); });
    }
    void TearDown() override
    {
        EXPECT_TRUE(sync->waitForQueuedJobs(10));
        NotificationCenter::defaultCenter().removeObserver(&observer);
        dataManager().setICalSync(nullptr);
        CalendarSyncTest::TearDown();
    }

    void settle()
    {
        ASSERT_TRUE(sync->waitForQueuedJobs(10));
        processEventsUntil([] { return false; }, 50);
    }

    TaskPtr storedEvent(const Date& start, const Date& end, qint64 repeatType = 0)
    {
        TaskPtr item = localEvent(start, end);
        if (repeatType) {
            item->setRepeatType(repeatType);
            item->setRepeatOptions(QStringLiteral("1//0"));
            item->setIsRepeatForever(1);
        }
        EXPECT_TRUE(item->insertIntoDatabase());
        return item;
    }
    TaskPtr storedTask(const QString& name)
    {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(name);
        task->setCalendarId(category->primaryKey());
        EXPECT_TRUE(task->insertIntoDatabase());
        return task;
    }
    static QString exception(const Date& date, int marker)
    {
        return QStringLiteral("|%1(%2)").arg(Task::storedDateText(date)).arg(marker);
    }
    CalendarPtr newCategory(const QString& name, qint64 key, qint64 extraStatus = 0)
    {
        auto created = std::make_shared<Calendar>();
        created->setCalendarName(name);
        created->setExtraStatus(extraStatus);
        created->setPrimaryKey(key);
        return created;
    }
    CalCalendarPtr readOnlyCalendar(const QString& title)
    {
        CalCalendarPtr calendar = CalCalendar::calendar();
        calendar->setTitle(title);
        EXPECT_TRUE(store->saveCalendar(calendar));
        const QString plist = QStringLiteral("%1/%2.calendar/Info.plist").arg(storeFolder.path(), calendar->uid());
        QVariantMap map = PropertyList::readFile(plist).value.toMap();
        map.insert(QStringLiteral("Editable"), false);
        EXPECT_EQ(PropertyList::writeFile(plist, map), PropertyList::Error::None);
        reopenStore();
        return calendar;
    }
    void reopenStore()
    {
        store = CalCalendarStore::create(storeFolder.path());
        sync->setICalStore(store);
    }
    QStringList calendarTitles() const
    {
        QStringList titles;
        for (const CalCalendarPtr& calendar : store->calendars()) titles << calendar->title();
        titles.sort();
        return titles;
    }

    iCalSyncJobs* sync = nullptr;
    QObject observer;
    QList<qint64> masks;
};
