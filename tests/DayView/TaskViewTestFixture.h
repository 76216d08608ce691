#pragma once

#include "../Model/TaskTestFixture.h"
#include "CalendarView.h"
#include "CustomNSView.h"
#include "ManualScheduler.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "RecordingMainView.h"
#include "Scheduler.h"
#include "TaskView.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>

// A mouse on one box: presses, moves and releases as Qt delivers them, at
// points of the screen, so that the box may move under the pointer while an
// edge is dragged.
class Pointer {
public:
    explicit Pointer(QWidget* widget) : m_widget(widget) {}

    // A press at a point of the box (flipped: y down from its top).
    void press(const QPointF& pointInBox, ulong timestampMs = 0)
    {
        m_global = QPointF(m_widget->mapToGlobal(pointInBox.toPoint())) + (pointInBox - pointInBox.toPoint());
        send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, timestampMs);
    }
    // A drag by dy points down the screen (up when negative).
    void dragBy(double dy)
    {
        m_global += QPointF(0, dy);
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 0);
    }
    void release() { send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, 0); }

private:
    void send(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, ulong timestampMs)
    {
        const QPointF local = m_widget->mapFromGlobal(m_global);
        QMouseEvent event(type, local, m_global, button, buttons, Qt::NoModifier);
        event.setTimestamp(timestampMs);
        QApplication::sendEvent(m_widget, &event);
    }

    QWidget* m_widget;
    QPointF m_global;
};

// Counts what the boxes post as changed.
class ChangeCounter : public QObject {
public:
    ChangeCounter()
    {
        NotificationCenter::defaultCenter().addObserver(this, kTaskChanged, nullptr,
                                                        [this](const Notification&) { ++posts; });
    }
    int posts = 0;
};

// A real day grid over a test database showing Wednesday 15 January 2014
// (the clock stands at 10:07 that day), timers from the manual scheduler,
// and a recording main view.
class TaskViewTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        setting().setCurrentFontSize(13);
        Scheduler::setCurrent(&m_scheduler);
        View::resetClickCount();
        m_mainView = std::make_unique<RecordingMainView>();
        m_monthView = std::make_unique<MonthView>(QRectF(0, 0, 280, 243));
        m_monthView->monthCalendarView()->setCurrentDay(shownDay(), false);
        m_grid = std::make_unique<CalendarView>(QRectF(0, 0, 500, 700));
        m_grid->setMonthView(m_monthView.get());
    }

    void TearDown() override
    {
        m_grid.reset();
        m_monthView.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_mainView.reset();
        Scheduler::setCurrent(nullptr);
        TaskTest::TearDown();
    }

    static Date shownDay() { return localDate(2014, 1, 15); }
    static Date at(int hour, int minute = 0, int dayOffset = 0)
    {
        return localDate(2014, 1, 15 + dayOffset, hour, minute);
    }
    // The y of a time of the shown day on the grid.
    static double yOf(double hour) { return CalendarView::hourHeight * hour + CalendarView::firstLineY; }

    TaskPtr storedEvent(const QString& name, const Date& start, const Date& end,
                        const QString& location = QString())
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(0);
        item->setTaskName(name);
        item->setTaskLocation(location);
        item->setCalendarId(1);
        item->setStartTime(start);
        item->setEndTime(end);
        item->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }

    TaskPtr storedTask(const QString& name, qint64 minutes)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(1);
        item->setTaskName(name);
        item->setCalendarId(1);
        item->setHasDuration(1);
        item->setDuration(minutes);
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }

    // A box the way the grid makes one: parent, shape, highlight, item, frame.
    template <class Box = TaskView>
    Box* place(const TaskPtr& item, bool squareBox, const QRectF& frame)
    {
        auto* box = new Box(frame);
        box->setParentView(m_grid.get());
        box->setIsSquareBox(squareBox);
        box->setHighlight(false);
        box->setTask(item);
        m_grid->contentView()->addSubview(box);
        return box;
    }
    // An event's box at its times on the shown day.
    TaskView* placeEvent(const TaskPtr& item, double startHour, double endHour)
    {
        return place(item, true, QRectF(CalendarView::boxLeft, yOf(startHour), 200, yOf(endHour) - yOf(startHour)));
    }

    static TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey()); }
    qint64 rowCount() { return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks")); }

    ManualScheduler m_scheduler;
    std::unique_ptr<RecordingMainView> m_mainView;
    std::unique_ptr<MonthView> m_monthView;
    std::unique_ptr<CalendarView> m_grid;
};
