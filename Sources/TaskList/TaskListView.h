#pragma once

#include "View.h"

#include <QPointer>

class CalendarView;
class PopUpButton;
class TaskListTableView;

// The task list panel: its table, the pop-up choosing what it lists, the
// filter, and the today planner it runs. Until the task list is built it
// draws nothing and keeps what it was asked.
class TaskListView : public View {
    Q_OBJECT

public:
    // The kind of the main window's list module.
    static constexpr int mainListType = 0;
    // The tag of typeViewBtn()'s item that shows the tasks.
    static constexpr int taskViewTag = 1;

    explicit TaskListView(const QRectF& frame, QWidget* parent = nullptr);
    ~TaskListView() override;

    // Stores the kind and arranges the panel for it. The main list's kind
    // runs the today planner again whenever the working hours change.
    void setTypeOfView(int type);
    int typeOfView() const { return m_typeOfView; }

    // Reloads the table for the panel's kind, filter and type pop-up.
    void reloadData();
    int reloadCount() const { return m_reloadCount; }

    // The pop-up whose selected tag taskViewTag means the tasks are shown.
    PopUpButton* typeViewBtn() const { return m_typeViewBtn; }
    // The filter (0: none; a negative index is taken as 0).
    int filterIndex() const { return m_filterIndex; }
    void setFilterIndex(int index);

    TaskListTableView* taskListTableView() const { return m_tableView; }

    // The today planner: lays the open tasks out over today to today + 6.
    void reloadTodayTask();
    int reloadTodayTaskCount() const { return m_reloadTodayTaskCount; }

    // The day grid onto which the list drops tasks (not owned).
    void setCalendarView(CalendarView* view);
    CalendarView* calendarView() const;

private:
    int m_typeOfView = -1;
    int m_reloadCount = 0;
    int m_reloadTodayTaskCount = 0;
    int m_filterIndex = 0;
    bool m_observesWorkingHours = false;
    PopUpButton* m_typeViewBtn = nullptr;
    TaskListTableView* m_tableView = nullptr;
    QPointer<CalendarView> m_calendarView;
};
