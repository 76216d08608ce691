#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "PlannerPane.h"
#include "ResizeView.h"
#include "View.h"
#include "WeeklyPane.h"

#include <QSizeF>
#include <QVariant>

#include <array>

class PlannerCellView;
class ScrollView;
class SegmentedControl;
class TextField;

// The week planner: a title with the week's range, a previous / today /
// next control, seven day headers, the band of all-day items (PlannerPane)
// in a scroll view, a splitter sharing the height, and the hour grid
// (WeeklyPane) in a second scroll view. It shows the week of the selected
// day, gathers the week's items from the data manager's working list on
// every reload and hands them to the panes; its navigation moves the
// selected day. It keeps nothing of the data.
class PlannerWeekView : public View, public PaneResizing {
    Q_OBJECT

public:
    // The bottom strip left free.
    static constexpr double bottomMargin = 34;

    explicit PlannerWeekView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerWeekView() override;

    bool isFlipped() const override { return true; }

    PlannerPane* plannerPane() const { return m_plannerPane; }
    WeeklyPane* weeklyPane() const { return m_weeklyPane; }
    ScrollView* scrollPlannerPane() const { return m_scrollPlannerPane; }
    ScrollView* scrollWeeklyPane() const { return m_scrollWeeklyPane; }
    ResizeView* plannerResizeView() const { return m_plannerResizeView; }
    QSizeF draggingSize() const { return m_draggingSize; }
    void setDraggingSize(const QSizeF& size) { m_draggingSize = size; }
    TextField* title() const { return m_title; }
    SegmentedControl* control() const { return m_control; }
    PlannerCellView* header(int column) const { return m_arrayOfWeekDay.at(size_t(column)); }
    int currentDayIndex() const { return m_currentDayIndex; }
    Date fromDate() const { return m_fromDate; }
    Date toDate() const { return m_toDate; }

    void reloadData();
    void redrawItemsIfNeed();
    void resizeFrameOfEachParts();
    void rearrangeViewWithDelta(double delta) override;
    void nextPrevWeek(int segment);
    Q_INVOKABLE void labelClickAction(const QVariant& date);
    void collapseExpandPlanner();
    void drawSelectedDate(int column);
    void scrollToCurrentTime();

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void reloadNow();
    void gatherItems();
    void frameHeaders();
    void layOutParts(double bandHeight);
    double rowHeight() const;
    double bandItemWidth() const;
    void goToDate(const Date& date, bool setMonthAgain);

    std::array<PlannerCellView*, 7> m_arrayOfWeekDay{};
    TextField* m_title = nullptr;
    SegmentedControl* m_control = nullptr;
    int m_currentDayIndex = -1;
    ScrollView* m_scrollPlannerPane = nullptr;
    PlannerPane* m_plannerPane = nullptr;
    ScrollView* m_scrollWeeklyPane = nullptr;
    WeeklyPane* m_weeklyPane = nullptr;
    Date m_fromDate;
    Date m_toDate;
    ResizeView* m_plannerResizeView = nullptr;
    QSizeF m_draggingSize;
    bool m_reloadPending = false;
};
