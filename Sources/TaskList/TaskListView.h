#pragma once

#include "ScheduledTimer.h"
#include "BottomGripPage.h"
#include "TaskListState.h"

#include <QPointer>

class CalendarView;
class PopUpButton;
class ScrollView;
class SegmentedControl;
class TaskListTableView;

// The task pane of the list module: the filter control, the task list in a
// scroll view, two invisible strips at the top and bottom of what the list
// shows (anchors for editors of rows scrolled away), and a grip along its
// bottom edge that drags its height. It decides which filter the list and
// the planner use, and is the task-list state the data manager reads.
// Flipped.
class TaskListView : public BottomGripPage, public TaskListState {
    Q_OBJECT

public:
    // The kind of the main window's list module.
    static constexpr int mainListType = 0;
    // The tag of typeViewBtn()'s item that shows the tasks.
    static constexpr int taskViewTag = 1;
    // The filter segments' tags in their order.
    static constexpr int filterTags[6] = {0, 3, 2, 4, 6, 7};

    explicit TaskListView(const QRectF& frame, QWidget* parent = nullptr);
    ~TaskListView() override;

    // When the main list's kind plans its first week.
    enum class FirstPlan { Now, AtFirstReload };
    // Stores the kind. The main list's kind plans the week (resetTimer) at
    // once, or with AtFirstReload at the pane's first reloadData (a pane
    // built before its window shows: the window's opening reloads it, and a
    // plan made before would only be made again), and again whenever the
    // working hours change.
    void setTypeOfView(int type, FirstPlan firstPlan = FirstPlan::Now);
    int typeOfView() const { return m_typeOfView; }

    // Whether planning redraws the day grid, or leaves it to a caller that
    // reloads the grid right after (the main view's whole reload).
    enum class DayGrid { Reload, LeftToCaller };
    // Plans the week again (resetTimer), then reloads the list with the
    // pane's filter from the new plan.
    void reloadData(DayGrid dayGrid = DayGrid::Reload);
    // Reloads the list with the pane's filter from the week's plan as the
    // planner left it.
    void reloadTaskIfNeeded();
    int reloadCount() const { return m_reloadCount; }

    // The filter segment's action.
    void selectTypeOfFilter();
    SegmentedControl* filterBtn() const { return m_filterBtn; }

    // The pop-up whose selected tag taskViewTag means the tasks are shown.
    PopUpButton* typeViewBtn() const { return m_typeViewBtn; }
    // The filter (0: none; a negative index is taken as 0).
    qint64 filterIndex() const override { return m_filterIndex; }
    void setFilterIndex(int index);
    qint64 todayTaskFilterIndex() const override { return m_todayTaskFilterIndex; }
    void setTodayTaskFilterIndex(qint64 index) { m_todayTaskFilterIndex = index; }
    qint64 typeViewSelectedTag() const override;
    bool forceSort() const { return m_forceSort; }
    void setForceSort(bool force) { m_forceSort = force; }

    TaskListTableView* taskListTableView() const { return m_tableView; }
    // Readies what the list's next load needs and can have early (the row
    // of each task the filter lists, each category's first open task), in
    // turns of the event loop: the start calls it while the window waits to
    // open, so that the opening's load makes no rows and reads no table.
    // rowsPerSlice 0: the list's own number a turn.
    void prepareNextLoad(std::size_t rowsPerSlice = 0);
    ScrollView* tableScrollView() const { return m_tableScrollView; }

    // The today planner: lays the open tasks out over today to today + 6,
    // then the day grid redraws; a pass another sender (the timer, null)
    // started ends with a list reload too.
    void reloadTodayTask(QObject* sender = nullptr, DayGrid dayGrid = DayGrid::Reload);
    int reloadTodayTaskCount() const { return m_reloadTodayTaskCount; }
    // Renumbers tied order values, plans at once and restarts the 900 s
    // period of the timed passes.
    void resetTimer(DayGrid dayGrid = DayGrid::Reload);
    static constexpr double reloadTodayTaskInterval = 900;
    const ScheduledTimer& reloadTodayTaskTimer() const { return m_reloadTodayTaskTimer; }
    // "TimeManager changed": plan again and reload the list.
    void callResetTimer(const QString& notificationName);

    // The day grid onto which the list drops tasks (not owned).
    void setCalendarView(CalendarView* view);
    CalendarView* calendarView() const;

    // ---- layout and the resize grip ------------------------------------------
    void rearrangeView();

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;
    unsigned gripTrackingOptions() const override { return TrackCursorUpdate | TrackMouseEnteredAndExited; }

private:
    int m_typeOfView = -1;
    int m_reloadCount = 0;
    int m_reloadTodayTaskCount = 0;
    qint64 m_filterIndex = 0;
    qint64 m_todayTaskFilterIndex = 0;
    bool m_forceSort = false;
    bool m_observesWorkingHours = false;
    SegmentedControl* m_filterBtn = nullptr;
    PopUpButton* m_typeViewBtn = nullptr;
    ScrollView* m_tableScrollView = nullptr;
    TaskListTableView* m_tableView = nullptr;
    QPointer<CalendarView> m_calendarView;
    ScheduledTimer m_reloadTodayTaskTimer;
    // A timed pass is waiting for the question on screen to close.
    bool m_timedPassWaits = false;
};
