#pragma once

#include "PlannerBaseView.h"
#include "PlannerColumnDrops.h"
#include "PlannerWeekLayout.h"
#include "TimeManagerView.h"

#include <QPointer>

#include <array>
#include <memory>

class CurrentTimeIndicatorView;
class PlannerCellView;
class PlannerWeekView;
class PlannerWeeklyItemView;
class TimeLineView;

// The week planner's hour grid: 25 hour rows of 47 points, a day column
// per day from x 59.5, the week's timed events as blocks (an event past
// midnight cut into one piece a day, events of one quarter hour side by
// side, later overlapping ones indented), the current-time line, and the
// working-hours layer on top, which turns a drag on the empty grid into a
// new event and shows it meanwhile as ghost blocks drawn here.
class WeeklyPane : public PlannerBaseView, public TimeManagerHost {
    Q_OBJECT

public:
    static constexpr int rowCount = 25;

    explicit WeeklyPane(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~WeeklyPane() override;

    bool isFlipped() const override { return true; }

    PlannerWeekView* parentView() const { return m_parentView; }
    void setParentView(PlannerWeekView* planner) { m_parentView = planner; }
    const std::vector<TaskPtr>& normalEventList() const { return m_normalEventList; }
    void setNormalEventList(std::vector<TaskPtr> events) { m_normalEventList = std::move(events); }
    int currentDayIndexSelected() const { return m_currentDayIndexSelected; }
    const std::vector<TimeLineView*>& timeCellList() const { return m_timeCellList; }
    CurrentTimeIndicatorView* currentIndicatorView() const { return m_currentIndicatorView; }
    TimeManagerView* timeManagerView() const { return m_timeManagerView; }
    const std::vector<QPointer<PlannerWeeklyItemView>>& draggingItems() const { return m_draggingItems; }
    PlannerCellView* cell(int column) const { return m_cells.at(size_t(column)); }
    // The day column under a point of the pane, if any.
    PlannerCellView* columnAt(const QPointF& point) const;

    void drawItems();
    void drawSelectedDate(int column);
    // Moves the current-time line to the hour of the day (with its fraction).
    void refreshTimeLine(double hour);
    // Shows the event's day, scrolls to its hour, selects its block and (the
    // first) opens its editor; false for anything but an event, or when no
    // block of it shows.
    bool showPopupEditDetail(const TaskPtr& item);
    bool revealToItem(const TaskPtr& item);
    // The hour labels again, after the clock's form changed.
    void setHourLabels();

    // ---- what the working-hours layer asks ----
    bool isDayGridHost() const override { return false; }
    QObject* hostObject() override { return this; }
    Date shownDay() const override { return PlannerBaseView::startDate(); }
    Date startDate() const override { return PlannerBaseView::startDate(); }
    double itemWidth() const override { return PlannerBaseView::itemWidth(); }
    void drawDraggingEvent(const TaskPtr& item, qint64 fromWeekday, qint64 toWeekday, double startY,
                           double height) override;
    void clearDraggingEvent() override;

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    bool showItemDay(const TaskPtr& item, bool openEditor);
    void layOutParts();
    void currentSizeChange();

    QPointer<PlannerWeekView> m_parentView;
    CurrentTimeIndicatorView* m_currentIndicatorView = nullptr;
    TimeManagerView* m_timeManagerView = nullptr;
    std::vector<QPointer<PlannerWeeklyItemView>> m_draggingItems;
    std::vector<TaskPtr> m_normalEventList;
    int m_currentDayIndexSelected = 0;
    std::vector<TimeLineView*> m_timeCellList;
    std::array<PlannerCellView*, 7> m_cells{};
    std::unique_ptr<PlannerColumnDrops> m_columnDrops;
    double m_timeLineHour = -1;
};
