#pragma once

#include "../Model/TaskTestFixture.h"
#include "CoreData.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "RecordingMainView.h"
#include "RecordingZVWSync.h"
#include "Scheduler.h"
#include "ScriptedAlertPresenter.h"
#include "TaskListItemView.h"
#include "ZVWSync.h"

#include <QCoreApplication>

#include <functional>
#include <memory>

// Rows and lists over a test database: the clock at Wednesday 15 January
// 2014, 10:07 in Paris unless a test moves it, timers from the manual
// scheduler, questions from a script, a recording main view and the
// account user "me@example.com".
class TaskListTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        Scheduler::setCurrent(&m_scheduler);
        m_mainView = std::make_unique<RecordingMainView>();
        MainViewAccess::setCurrent(m_mainView.get());
        setting().setZvwUserName(QStringLiteral("me@example.com"));
        auto sync = std::make_unique<RecordingZVWSync>();
        m_sync = sync.get();
        dataManager().setZVWSync(std::move(sync));
        m_reachable = internetReachable.load();
    }

    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        internetReachable = m_reachable;
        NotificationCenter::defaultCenter().removeObserver(&m_observer);
        MainViewAccess::setCurrent(nullptr);
        m_mainView.reset();
        Scheduler::setCurrent(nullptr);
        TaskTest::TearDown();
    }

    // An item written to the database and put in the working list.
    TaskPtr add(qint64 type, const QString& name, const std::function<void(Task&)>& shape = {})
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setCalendarId(1);
        if (shape) shape(*item);
        EXPECT_TRUE(item->insertIntoDatabase());
        if (shape) shape(*item);
        EXPECT_TRUE(item->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }
    TaskPtr task(const QString& name, const std::function<void(Task&)>& shape = {}) { return add(1, name, shape); }
    TaskPtr event(const QString& name, const Date& start, const Date& end, const std::function<void(Task&)>& shape = {})
    {
        return add(0, name, [&](Task& t) {
            t.setStartTime(start);
            t.setEndTime(end);
            if (shape) shape(t);
        });
    }

    // A row of the given size bound to the item.
    std::unique_ptr<TaskListItemView> rowFor(const TaskPtr& item, double width = 300, double height = 55, int type = 0)
    {
        auto row = std::make_unique<TaskListItemView>();
        row->setType(type);
        row->setTask(item);
        row->setFrame(QRectF(0, 0, width, height));
        return row;
    }

    // Counts "Task changed" posts, keeping the last object.
    void watchTaskChanged()
    {
        NotificationCenter::defaultCenter().addObserver(&m_observer, kTaskChanged, nullptr, [this](const Notification& note) {
            ++m_taskChangedCount;
            m_lastChangedObject = note.objectIdentity();
        });
    }

    ManualScheduler m_scheduler;
    ScriptedAlertPresenter m_alerts;
    std::unique_ptr<RecordingMainView> m_mainView;
    RecordingZVWSync* m_sync = nullptr;  // owned by the data manager
    QObject m_observer;
    int m_taskChangedCount = 0;
    const void* m_lastChangedObject = nullptr;
    bool m_reachable = false;
};
