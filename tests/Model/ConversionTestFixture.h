#pragma once

#include "Link.h"
#include "Notifications.h"
#include "PostedNotifications.h"
#include "ScriptedAlertPresenter.h"
#include "TaskTestFixture.h"
#include "ZVWSync.h"
#include "RecordingICalSync.h"

#include <QStringList>

// TaskTest with a recording system-calendar sync and makers for the kinds of
// items the conversions and batch commands work on. The clock stands at
// Wednesday 15 January 2014, 10:07 in Paris.
class ConversionTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        auto store = std::make_unique<RecordingICalSync>();
        m_calendarStore = store.get();
        dataManager().setICalSync(std::move(store));
    }

    RecordingICalSync& calendarStore() { return *m_calendarStore; }

    // The calls the calendar store was asked for, in order, separated by blanks.
    QString calendarStoreOperations()
    {
        QStringList operations;
        for (const RecordingICalSync::Call& call : calendarStore().calls()) operations.append(call.operation);
        return operations.join(QLatin1Char(' '));
    }

    void switchWebSync(bool on) { setting().setAutoZVWSync(on ? 1 : 0); }

    TaskPtr stored(const TaskPtr& item)
    {
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    TaskPtr event(const QString& name, const Date& start, qint64 minutes = 60)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(0);
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(double(minutes * 60)));
        item->setDuration(minutes);
        item->setHasDuration(1);
        item->setOccurrence(start);
        return stored(item);
    }

    TaskPtr scheduledTask(const QString& name, const Date& start)
    {
        const TaskPtr item = event(name, start, 45);
        item->setIsSheduledTask(true);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    // A daily 09:00 series of one-hour events from Monday 13 January 2014.
    TaskPtr dailySeries(const QString& name)
    {
        const TaskPtr root = event(name, localDate(2014, 1, 13, 9, 0));
        root->setRepeatType(1);
        root->setRepeatOptions(QStringLiteral("1//0"));
        root->setRepeatStartDate(root->startTime());
        root->setIsRepeatForever(1);
        root->setAlertValues(QStringLiteral("/1|-600|Basso"));
        root->setZvwID(7001);
        root->setICalUID(QStringLiteral("series-uid"));
        EXPECT_TRUE(root->dehydrate());
        return root;
    }

    // The generated occurrence of the series on that day.
    TaskPtr occurrenceOn(const TaskPtr& root, int day)
    {
        TaskList instances;
        dataManager().fillRepeatEventInstances({root}, instances, localDate(2014, 1, day), localDate(2014, 1, day));
        EXPECT_EQ(instances.size(), 1);
        return instances.value(0);
    }

    TaskPtr task(const QString& name)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(1);
        return stored(item);
    }

    TaskPtr note(const QString& name)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(3);
        return stored(item);
    }

    qint64 link(const TaskPtr& from, const TaskPtr& to)
    {
        auto made = std::make_shared<Link>();
        made->setRootId(from->primaryKey());
        made->setTargetId(to->primaryKey());
        made->setZvwKey(900 + from->primaryKey());
        EXPECT_TRUE(dataManager().insertLink(made));
        return made->primaryKey();
    }

    bool isActivelyLinked(const TaskPtr& first, const TaskPtr& second)
    {
        return dataManager().getLink(first->primaryKey(), second->primaryKey()) != nullptr;
    }

    bool rowExists(qint64 key)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(key)) == 1;
    }

    qint64 rowCount() { return queryInt(QStringLiteral("SELECT count(*) FROM Tasks")); }

    // The rows added after the given highest key, freshly loaded.
    TaskList rowsAfter(qint64 key)
    {
        TaskList rows;
        const qint64 last = queryInt(QStringLiteral("SELECT max(primaryKey) FROM Tasks"));
        for (qint64 row = key + 1; row <= last; ++row)
            if (rowExists(row)) rows.append(Task::initWithPrimaryKey(row));
        return rows;
    }

    qint64 lastKey() { return queryInt(QStringLiteral("SELECT coalesce(max(primaryKey), 0) FROM Tasks")); }

    static constexpr Date zeroDate = Date::dateWithTimeIntervalSince1970(0);

private:
    RecordingICalSync* m_calendarStore = nullptr;
};
