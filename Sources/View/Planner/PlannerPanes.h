#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "View.h"

// The panes of the week and month planners as the main window uses them
// before the planners themselves are built: each keeps what it was asked
// (reloads, the item whose editor was asked for) and draws nothing of its
// own. They are also the classes of senders the main view tells apart.

// A day cell of the month planner.
class PlannerCellView : public View {
    Q_OBJECT

public:
    using View::View;
};

// An item chip of the month planner.
class PlannerItemView : public View {
    Q_OBJECT

public:
    using View::View;
};

// An item box of the week planner.
class PlannerWeeklyItemView : public View {
    Q_OBJECT

public:
    using View::View;
};

// What the planner panes share: reloads and the editor request.
class PlannerPaneBase : public View {
    Q_OBJECT

public:
    using View::View;

    void reloadData() { ++m_reloadCount; }
    // True when the pane lists the item and opened its editor: nothing is
    // listed yet.
    bool showPopupEditDetail(const TaskPtr& item);
    int reloadCount() const { return m_reloadCount; }
    TaskPtr lastItemAsked() const { return m_lastItemAsked; }

private:
    int m_reloadCount = 0;
    TaskPtr m_lastItemAsked;
};

// The week planner's band of all-day items.
class PlannerPane : public PlannerPaneBase {
    Q_OBJECT

public:
    using PlannerPaneBase::PlannerPaneBase;
};

// The week planner's hour grid: 47 points an hour, the first hour line at
// 23.5, day columns from x 60.
class WeeklyPane : public PlannerPaneBase {
    Q_OBJECT

public:
    using PlannerPaneBase::PlannerPaneBase;

    // The current-time line's hour (with its fraction) as last given.
    void refreshTimeLine(double hour) { m_timeLineHour = hour; }
    double timeLineHour() const { return m_timeLineHour; }
    Date startDate() const { return m_startDate; }
    void setStartDate(const Date& date) { m_startDate = date; }

private:
    double m_timeLineHour = -1;
    Date m_startDate;
};

// The month planner.
class PlannerMonthView : public PlannerPaneBase {
    Q_OBJECT

public:
    using PlannerPaneBase::PlannerPaneBase;

    void redrawItemsIfNeed() { ++m_redrawCount; }
    int redrawCount() const { return m_redrawCount; }

private:
    int m_redrawCount = 0;
};

// The week planner: its all-day band and its hour grid.
class PlannerWeekView : public View {
    Q_OBJECT

public:
    explicit PlannerWeekView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerWeekView() override;

    PlannerPane* plannerPane() const { return m_plannerPane; }
    WeeklyPane* weeklyPane() const { return m_weeklyPane; }

    void reloadData() { ++m_reloadCount; }
    void redrawItemsIfNeed() { ++m_redrawCount; }
    void scrollToCurrentTime() { ++m_scrollCount; }
    int reloadCount() const { return m_reloadCount; }
    int redrawCount() const { return m_redrawCount; }
    int scrollCount() const { return m_scrollCount; }

private:
    PlannerPane* m_plannerPane = nullptr;
    WeeklyPane* m_weeklyPane = nullptr;
    int m_reloadCount = 0;
    int m_redrawCount = 0;
    int m_scrollCount = 0;
};
