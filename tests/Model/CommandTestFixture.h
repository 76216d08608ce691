#pragma once

#include "LocalNotification.h"
#include "ManualScheduler.h"
#include "PostedNotifications.h"
#include "RecordingSoundPlayer.h"
#include "ScriptedAlertPresenter.h"
#include "TaskTestFixture.h"
#include "RecordingICalSync.h"

// A notification a command posted: its name and, for the auto-sync request,
// the bitmask it carries.
struct Posted {
    QString name;
    qint64 number = 0;
    bool operator==(const Posted&) const = default;
};

inline void PrintTo(const Posted& posted, std::ostream* os)
{
    *os << posted.name.toStdString() << "(" << posted.number << ")";
}

// The item fixture plus what the data manager's commands reach out to: a
// scheduler moved by hand, scripted alerts, recorded sounds, a recorder of
// the calendar-store calls, and the notifications they post, in order.
class CommandTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        Scheduler::setCurrent(&m_scheduler);
        auto store = std::make_unique<RecordingICalSync>();
        m_calendarStore = store.get();
        dataManager().setICalSync(std::move(store));
        clearPosted();
    }

    void TearDown() override
    {
        m_posted.reset();
        TaskTest::TearDown();
        Scheduler::setCurrent(nullptr);
    }

    // A task stored with its due time and alerts (and started an hour before
    // it is due), put into the working list.
    TaskPtr listedTask(const QString& name, const Date& due, const QString& alerts = QString(), qint64 type = 1)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(type);
        if (type == 1) {
            item->setHasDue(1);
            item->setDueEnd(due);
            item->setStartTime(due.dateByAddingTimeInterval(-3600));
        } else {
            item->setStartTime(due);
            item->setEndTime(due.dateByAddingTimeInterval(3600));
        }
        item->setAlertValues(alerts);
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }

    // An alert list of one relative alert, the given minutes before the start or due time.
    static QString minutesBefore(qint64 minutes, const QString& sound = QString())
    {
        return QStringLiteral("/1|%1|%2").arg(-minutes * 60).arg(sound);
    }

    RecordingICalSync& calendarStore() const { return *m_calendarStore; }
    QList<RecordingICalSync::Call> iCalCalls() const { return m_calendarStore->calls(); }
    QStringList iCalOperations() const
    {
        QStringList operations;
        for (const RecordingICalSync::Call& call : iCalCalls()) operations.append(call.operation);
        return operations;
    }

    QList<Posted> posted() const
    {
        QList<Posted> posts;
        for (const Notification& post : m_posted->posts()) posts.append({post.name(), post.objectAs<qint64>()});
        return posts;
    }
    void clearPosted()
    {
        m_posted = std::make_unique<PostedNotifications>(QStringList{kTaskChanged, kTaskOrderChanged, kAutoSyncNotification});
    }
    static Posted taskChanged() { return {kTaskChanged, 0}; }
    static Posted taskOrderChanged() { return {kTaskOrderChanged, 0}; }
    static Posted itemsPush() { return {kAutoSyncNotification, 2}; }

    ManualScheduler& scheduler() { return m_scheduler; }

private:
    ManualScheduler m_scheduler;
    std::unique_ptr<PostedNotifications> m_posted;
    RecordingICalSync* m_calendarStore = nullptr;
};
