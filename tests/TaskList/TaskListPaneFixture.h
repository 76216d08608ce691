#pragma once

#include "TaskListTestFixture.h"

#include "InfoListItemView.h"
#include "ScrollView.h"
#include "SegmentedControl.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TextField.h"
#include "TextTable.h"

#include <QGuiApplication>
#include <QStyleHints>

// The real pane (280 x 500) over the test database, with the clock moved
// to Monday 13 January 2014, 10:00 in Paris, no working hours and a 400 ms
// double-click interval.
class TaskPaneTest : public TaskListTest {
protected:
    void SetUp() override
    {
        TaskListTest::SetUp();
        Clock::setFixed(localDate(2014, 1, 13, 10));
        // No working hours: the pane's own passes plan nothing, so the rows
        // follow the plan a test lays down unless it sets hours itself.
        setting().setDayManagers({});
        m_interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(400);
        m_pane = std::make_unique<TaskListView>(QRectF(0, 0, 280, 500));
    }

    void TearDown() override
    {
        m_pane.reset();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(m_interval);
        dataManager().setSevenDaysTaskList(std::nullopt);
        TaskListTest::TearDown();
    }

    TaskListView& pane() { return *m_pane; }
    TaskListTableView& list() { return *m_pane->taskListTableView(); }

    TaskPtr ordered(const QString& name, qint64 order, const std::function<void(Task&)>& shape = {})
    {
        return task(name, [&](Task& t) {
            t.setTaskOrder(order);
            if (shape) shape(t);
        });
    }

    // The week's plan, by the short weekday keys the planner files it under.
    void plan(const QList<std::pair<const char*, TaskList>>& days)
    {
        CoreData::WeekdayTaskLists lists;
        for (const auto& [key, items] : days) lists.insert(TextTable::localizedString(QString::fromLatin1(key)), items);
        dataManager().setSevenDaysTaskList(lists);
    }

    // What the rows show: a header's text, or a row's item name.
    QStringList shown()
    {
        QStringList texts;
        for (TableRowView* row : list().rootItems()) {
            if (auto* header = qobject_cast<InfoListItemView*>(row))
                texts << QStringLiteral("# ") + header->leftTextField()->stringValue();
            else if (auto* item = qobject_cast<TaskListItemView*>(row))
                texts << item->task()->taskName();
        }
        return texts;
    }

    static QString header(const char* first, const char* second, const char* joint = " - ")
    {
        return QStringLiteral("# ") + TextTable::localizedString(QString::fromLatin1(first)) + QString::fromLatin1(joint) +
               TextTable::localizedString(QString::fromLatin1(second));
    }

    void chooseSegment(int segment)
    {
        pane().filterBtn()->setSelectedSegment(segment);
        pane().selectTypeOfFilter();
    }

    // A press on the list at a point of its own coordinates, at a time.
    Event pressAt(const QPointF& point, double time, unsigned modifiers = 0)
    {
        Event event;
        event.type = EventType::LeftMouseDown;
        event.clickCount = 1;
        event.timestamp = time;
        event.modifierFlags = modifiers;
        event.locationInWindow = list().convertPointToWindow(point);
        return event;
    }
    void click(int row, double time, unsigned modifiers = 0)
    {
        const QRectF place = list().rectOfRow(row);
        const Event press = pressAt(place.center(), time, modifiers);
        list().mouseDown(press);
        Event release = press;
        release.type = EventType::LeftMouseUp;
        list().mouseUp(release);
    }

    std::unique_ptr<TaskListView> m_pane;
    int m_interval = 400;
};
