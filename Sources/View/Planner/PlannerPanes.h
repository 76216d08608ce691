#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "PlannerBaseView.h"
#include "PlannerMonthView.h"
#include "View.h"

// The panes of the week and month planners as the main window uses them
// before the planners themselves are built: each keeps what it was asked
// (the month planner's reloads, the item whose editor was asked for) and
// lays out nothing of its own. They are also the classes of senders the main
// view tells apart.

// The week planner's band of all-day items.
class PlannerPane : public PlannerBaseView {
    Q_OBJECT

public:
    using PlannerBaseView::PlannerBaseView;
};

// The week planner's hour grid: 47 points an hour, the first hour line at
// 23.5, day columns from x 60.
class WeeklyPane : public PlannerBaseView {
    Q_OBJECT

public:
    using PlannerBaseView::PlannerBaseView;

    // The current-time line's hour (with its fraction) as last given.
    void refreshTimeLine(double hour) { m_timeLineHour = hour; }
    double timeLineHour() const { return m_timeLineHour; }

private:
    double m_timeLineHour = -1;
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
