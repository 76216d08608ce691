#pragma once

#include "../Model/TaskTestFixture.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "PlannerItemView.h"
#include "PlannerPanes.h"
#include "PlannerWeeklyItemView.h"
#include "RecordingMainView.h"
#include "Scheduler.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>

// Panes standing for the three planners: the month planner (week rows of
// 100 points, day columns of 100 from x 15), the week band (columns from
// x 60) and the hour grid. They lay out only what a test places.
class TestMonthPane : public PlannerMonthView {
public:
    using PlannerMonthView::PlannerMonthView;
};
class TestBandPane : public PlannerPane {
public:
    using PlannerPane::PlannerPane;
};
class TestGridPane : public WeeklyPane {
public:
    using WeeklyPane::WeeklyPane;
};

// A mouse on one item view, as Qt delivers it: presses at points of the
// view (y down) with their times, moves by screen deltas, releases.
class ItemPointer {
public:
    explicit ItemPointer(QWidget* widget) : m_widget(widget) {}

    void press(const QPointF& pointInView, double seconds, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        m_global = QPointF(m_widget->mapToGlobal(QPointF(0, 0))) + pointInView;
        m_seconds = seconds;
        send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, modifiers);
    }
    void moveBy(double dx, double dy)
    {
        m_global += QPointF(dx, dy);
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    }
    void release() { send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier); }
    // A move without a button, for the cursor.
    void hover(const QPointF& pointInView)
    {
        m_global = QPointF(m_widget->mapToGlobal(QPointF(0, 0))) + pointInView;
        send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    }

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

// Real chips and blocks in test panes over a test database, the clock at
// Wednesday 15 January 2014 10:07 (Paris), the manual scheduler and a
// recording main view.
class PlannerItemTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        setting().setCurrentFontSize(13);
        setting().setIsWarningForDeleting(0);
        Scheduler::setCurrent(&m_scheduler);
        View::resetClickCount();
        m_mainView = std::make_unique<RecordingMainView>();
        m_month = std::make_unique<TestMonthPane>(QRectF(0, 0, 730, 600));
        m_month->setItemWidth(100);
        m_month->setItemCellHeight(100);
        m_month->setStartDate(localDate(2014, 1, 12));
        m_band = std::make_unique<TestBandPane>(QRectF(0, 0, 760, 60));
        m_band->setItemWidth(100);
        m_band->setStartDate(localDate(2014, 1, 12));
        m_grid = std::make_unique<TestGridPane>(QRectF(0, 0, 760, 1175));
        m_grid->setItemWidth(100);
        m_grid->setStartDate(localDate(2014, 1, 12));
    }

    void TearDown() override
    {
        m_month.reset();
        m_band.reset();
        m_grid.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_mainView.reset();
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
    // A daily series that began daysBefore days before the 15th, and its
    // occurrence on the 15th.
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
        EXPECT_FALSE(instances.isEmpty());
        return instances.value(0);
    }

    template <class ItemView>
    ItemView* place(PlannerBaseView* pane, const TaskPtr& item, const QRectF& frame)
    {
        auto* view = new ItemView(frame);
        view->setParentView(pane);
        if constexpr (std::is_same_v<ItemView, PlannerWeeklyItemView>) view->setIsSquareBox(true);
        view->setTask(item);
        pane->addToTaskList(view);
        return view;
    }
    PlannerItemView* chip(const TaskPtr& item, const QRectF& frame = QRectF(15, 20, 200, 18))
    {
        return place<PlannerItemView>(m_month.get(), item, frame);
    }
    PlannerWeeklyItemView* block(const TaskPtr& item, double startHour, double endHour)
    {
        return place<PlannerWeeklyItemView>(m_grid.get(), item,
                                            QRectF(160, yOf(startHour), 100, yOf(endHour) - yOf(startHour)));
    }

    static TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey()); }
    bool exists(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())) == 1;
    }

    ManualScheduler m_scheduler;
    std::unique_ptr<RecordingMainView> m_mainView;
    std::unique_ptr<TestMonthPane> m_month;
    std::unique_ptr<TestBandPane> m_band;
    std::unique_ptr<TestGridPane> m_grid;
};
