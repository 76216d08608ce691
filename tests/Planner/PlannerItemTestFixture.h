#pragma once

#include "../Model/TaskTestFixture.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "PlannerItemView.h"
#include "PlannerMonthView.h"
#include "PlannerWeekView.h"
#include "PlannerWeeklyItemView.h"
#include "RecordingMainView.h"
#include "Scheduler.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>

// Panes standing for the month planner (week rows of 100 points, day
// columns of 100 from x 15) and the hour grid; they lay out only what a
// test places. The week band's arithmetic is checked on its own.
struct TestMonthPane : PlannerMonthView { using PlannerMonthView::PlannerMonthView; };
struct TestGridPane : WeeklyPane { using WeeklyPane::WeeklyPane; };

// A mouse on one item view, as Qt delivers it: presses at points of the
// view (y down) at given seconds, moves by screen deltas, releases.
class ItemPointer {
public:
    explicit ItemPointer(QWidget* widget) : m_widget(widget) {}
    void press(const QPointF& at, double seconds, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        m_global = m_widget->mapToGlobal(QPointF(0, 0)) + at;
        m_seconds = seconds;
        send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, modifiers);
    }
    void moveBy(double dx, double dy, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        m_global += QPointF(dx, dy);
        send(QEvent::MouseMove, Qt::NoButton, buttons, Qt::NoModifier);
    }
    void release() { send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier); }

private:
    void send(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
    {
        QMouseEvent event(type, m_widget->mapFromGlobal(m_global), m_global, button, buttons, modifiers);
        event.setTimestamp(ulong(m_seconds * 1000));
        QApplication::sendEvent(m_widget, &event);
    }
    QWidget* m_widget;
    QPointF m_global;
    double m_seconds = 0;
};

// Real chips and blocks in the test panes over a test database, the clock at
// Wednesday 15 January 2014 10:07 (Paris), the manual scheduler and a
// recording main view. The deleting warning starts off.
class PlannerItemTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        setting().setCurrentFontSize(13);
        setting().setIsWarningForDeleting(0);
        Scheduler::setCurrent(&m_scheduler);
        m_month = std::make_unique<TestMonthPane>(QRectF(0, 0, 730, 600));
        m_grid = std::make_unique<TestGridPane>(QRectF(0, 0, 760, 1175));
        for (PlannerBaseView* pane : std::initializer_list<PlannerBaseView*>{m_month.get(), m_grid.get()}) {
            pane->setItemWidth(100);
            pane->setItemCellHeight(100);
            pane->setStartDate(localDate(2014, 1, 12));
        }
    }
    void TearDown() override
    {
        m_month.reset();
        m_grid.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Scheduler::setCurrent(nullptr);
        TaskTest::TearDown();
    }

    static Date at(int day, int hour, int minute = 0) { return localDate(2014, 1, day, hour, minute); }
    static double yOf(double hour) { return PlannerItemRules::firstHourY + PlannerItemRules::hourHeight * hour; }

    TaskPtr stored(qint64 type, const QString& name, const Date& start, const Date& end, bool allDay = false)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setCalendarId(1);
        item->setIsADE(allDay);
        item->setStartTime(start);
        item->setEndTime(end);
        item->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }
    // A daily series from daysBefore days before the 15th; its occurrence on the 15th.
    TaskPtr occurrenceOfSeries(int daysBefore, TaskPtr& master, bool scheduled = false)
    {
        master = stored(0, QStringLiteral("Standup"), at(15 - daysBefore, 9), at(15 - daysBefore, 10));
        master->setIsSheduledTask(scheduled);
        master->setRepeatType(1);
        master->setIsRepeatForever(1);
        master->setRepeatStartDate(master->startTime());
        EXPECT_TRUE(master->dehydrate());
        TaskList instances;
        dataManager().fillRepeatEventInstances(TaskList{master}, instances, at(15, 0), at(15, 0));
        return instances.value(0);
    }

    // Views as the panes make them: pane, shape, item, then into the pane's list.
    template <class ItemView>
    ItemView* place(PlannerBaseView* pane, const TaskPtr& item, const QRectF& frame)
    {
        auto* view = new ItemView(frame);
        view->setParentView(pane);
        view->setIsSquareBox(pane == m_grid.get());
        view->setTask(item);
        pane->addToTaskList(view);
        return view;
    }
    PlannerItemView* chip(const TaskPtr& item, const QRectF& frame = QRectF(15, 20, 200, 18))
    {
        return place<PlannerItemView>(m_month.get(), item, frame);
    }
    PlannerWeeklyItemView* block(const TaskPtr& item, double from, double to)
    {
        return place<PlannerWeeklyItemView>(m_grid.get(), item, QRectF(160, yOf(from), 100, yOf(to) - yOf(from)));
    }
    // A block for true, a chip (of the left column) for false.
    PlannerBaseItem* itemView(bool asBlock, const TaskPtr& item)
    {
        return asBlock ? static_cast<PlannerBaseItem*>(block(item, 9, 10)) : chip(item);
    }

    static TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey()); }
    bool exists(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())) == 1;
    }

    ManualScheduler m_scheduler;
    RecordingMainView m_mainView;
    std::unique_ptr<TestMonthPane> m_month;
    std::unique_ptr<TestGridPane> m_grid;
};
