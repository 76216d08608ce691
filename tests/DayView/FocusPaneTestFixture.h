#pragma once

#include "../Model/TaskTestFixture.h"
#include "CoreData.h"
#include "DayCalendarView.h"
#include "FocusPaneDetailView.h"
#include "FocusPaneItemView.h"
#include "FocusPaneView.h"
#include "ManualScheduler.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "RecordingMainView.h"
#include "ScriptedAlertPresenter.h"
#include "Scheduler.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The day pane of Wednesday 15 January 2014 (the clock stands at 10:07)
// over a test database, its focus pane loaded from the data manager's
// working list, timers from the manual scheduler, questions answered by a
// script and a recording main view.
class FocusPaneTest : public TaskTest {
protected:
    static constexpr double paneWidth = 500;
    static constexpr double paneHeight = 700;

    void SetUp() override
    {
        TaskTest::SetUp();
        DayCalendarView::setFocusPaneListHeight(126);
        Scheduler::setCurrent(&m_scheduler);
        View::resetClickCount();
        m_mainView = std::make_unique<RecordingMainView>();
        m_monthView = std::make_unique<MonthView>(QRectF(0, 0, 280, 243));
        m_monthView->monthCalendarView()->setCurrentDay(shownDay(), false);
        m_dayPane = std::make_unique<DayCalendarView>(QRectF(0, 0, paneWidth, paneHeight));
        m_dayPane->setMonthView(m_monthView.get());
        setting().setZvwUserName(QStringLiteral("me@example.com"));
    }

    void TearDown() override
    {
        m_dayPane.reset();
        m_monthView.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_mainView.reset();
        Scheduler::setCurrent(nullptr);
        DayCalendarView::setFocusPaneListHeight(126);
        TaskTest::TearDown();
    }

    static Date shownDay() { return localDate(2014, 1, 15); }

    FocusPaneView& pane() { return *m_dayPane->focusPaneView(); }
    FocusPaneDetailView& list() { return *pane().focusPaneDetailView(); }

    // An item written to the database and put in the working list.
    TaskPtr add(qint64 type, const QString& name, const std::function<void(Task&)>& shape = {})
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setCalendarId(1);
        if (shape) shape(*item);
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }
    TaskPtr dueTask(const QString& name, const std::function<void(Task&)>& shape = {}, int hour = 12)
    {
        return add(1, name, [&](Task& t) {
            t.setHasDue(1);
            t.setDueEnd(localDate(2014, 1, 15, hour));
            if (shape) shape(t);
        });
    }
    TaskPtr doneTask(const QString& name, const std::function<void(Task&)>& shape = {})
    {
        return add(1, name, [&](Task& t) {
            t.setStatus(1);
            t.setCompletedDate(localDate(2014, 1, 15, 9));
            if (shape) shape(t);
        });
    }
    TaskPtr note(const QString& name, int hour = 8)
    {
        return add(3, name, [hour](Task& t) { t.setStartTime(localDate(2014, 1, 15, hour)); });
    }
    TaskPtr allDayEvent(const QString& name, const std::function<void(Task&)>& shape = {})
    {
        return add(0, name, [&](Task& t) {
            t.setIsADE(1);
            t.setStartTime(localDate(2014, 1, 15));
            t.setEndTime(localDate(2014, 1, 15, 23, 59, 59));
            if (shape) shape(t);
        });
    }
    // A daily all-day series from the given day on, for ever.
    TaskPtr dailyAllDaySeries(const QString& name, int fromDay)
    {
        return allDayEvent(name, [fromDay](Task& t) {
            t.setStartTime(localDate(2014, 1, fromDay));
            t.setEndTime(localDate(2014, 1, fromDay, 23, 59, 59));
            t.setRepeatStartDate(localDate(2014, 1, fromDay));
            t.setRepeatType(1);
            t.setIsRepeatForever(1);
            t.setParentId(-1);
        });
    }

    void reload() { pane().reloadData(); }

    QStringList rowNames()
    {
        QStringList names;
        for (FocusPaneItemView* row : list().arrayOfTasks()) names << row->task()->taskName();
        return names;
    }
    int rowOf(const QString& name) { return rowNames().indexOf(name); }
    FocusPaneItemView* row(const QString& name) { return list().arrayOfTasks()[std::size_t(rowOf(name))]; }
    void select(const QString& name) { list().selectRowIndexes({rowOf(name)}, false); }

    // A click of the left button on a row, as Qt delivers it to the row.
    void click(const QString& name, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* target = row(name);
        const QPointF point(30, 8);
        QMouseEvent press(QEvent::MouseButtonPress, point, target->mapToGlobal(point), button, button, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, point, target->mapToGlobal(point), button, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
    void pressKey(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&list(), &event);
    }
    Event rightClickOn(int rowIndex)
    {
        Event event;
        event.type = EventType::RightMouseDown;
        event.clickCount = 1;
        event.locationInWindow = list().convertPointToWindow(QPointF(30, rowIndex * 18 + 8));
        return event;
    }

    qint64 rowCount() { return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks")); }
    bool stored(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())) == 1;
    }

    ManualScheduler m_scheduler;
    ScriptedAlertPresenter m_alerts;
    std::unique_ptr<RecordingMainView> m_mainView;
    std::unique_ptr<MonthView> m_monthView;
    std::unique_ptr<DayCalendarView> m_dayPane;
};
