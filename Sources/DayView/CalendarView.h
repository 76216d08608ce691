#pragma once

#include "Date.h"
#include "DropTarget.h"
#include "ModelTypes.h"
#include "MonthView.h"
#include "ScheduledTimer.h"
#include "TimeManagerView.h"
#include "View.h"

#include <QHash>
#include <QPointer>
#include <QSizeF>

#include <functional>
#include <vector>

class CoreData;
class CurrentTimeIndicatorView;
class QMimeData;
class CustomNSView;
class ImageView;
class MoreItemsButton;
class ScrollView;
class TaskLinkLine;
class TaskView;
class TimeLineView;

// The hour grid of the shown day: 25 rows of 46 points in a flipped
// document 1150 high, a box for every timed event of the day (events that
// start together share the width; a group starting while earlier boxes run
// is indented), the pieces of the tasks the today planner poured into the
// day's open time, the current-time line on today, and drops of items.
//
// The shown day is always the mini month's current day; the grid keeps no
// day of its own. Main thread only.
class CalendarView : public View, public DraggingDestination, public TimeManagerHost {
    Q_OBJECT

public:
    static constexpr double hourHeight = 46;
    static constexpr double firstLineY = 23;  // the line of hour h is at 46 h + 23
    static constexpr double documentHeight = 1150;
    static constexpr double boxLeft = 55;
    static constexpr double lineLeft = 57;
    static constexpr double minimumBoxHeight = 23;
    static constexpr double groupIndent = 5;
    static constexpr double midnightLineY = 1127;  // the 24:00 line
    static constexpr double taskZoneLeft = 67;      // drops right of it become tasks
    static constexpr int rowCount = 25;
    static constexpr double timeMarkerLeft = 49;  // the current-time marker's dot starts here

    explicit CalendarView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CalendarView() override;

    // The full reload for the shown day: boxes, current-time line and its
    // timer, pieces. A reload started while one runs only clears the
    // selection. While the grid is hidden (itself or a pane it lies in) the
    // reload waits until it shows again.
    void reloadData();
    // Whether a reload waits for the grid to show.
    bool isReloadWaitingToShow() const { return m_reloadWhenShown; }
    // The same with no box of the last load kept: the box a drag left behind
    // goes (once its handler is done) instead of standing for its item again.
    void reloadDataWithNewBoxes();
    // How often the grid was reloaded, for the views' own checks.
    int reloadCount() const { return m_reloadCount; }
    // Lays the event boxes out again.
    void reloadEvent();
    // Pours the planned tasks into the day's open time again.
    void reloadTodayTask();
    // Re-reads the items of the listed boxes (keys as "%ld" texts) without
    // moving anything.
    void reloadData(const QHash<QString, QVariant>& changedItems);
    // Pours again (the object is not used).
    void moveToTop(QObject* object);

    // Moves the current-time line to the hour (with its fraction).
    void refreshTimeLine(double hour);
    // Scrolls to an hour before now (to the 17:00 row after 18:00).
    void scrollToCurrentTime();

    // For events only: shows the event's day, scrolls to it and selects its
    // box; false for anything else or when no box matches. The second one
    // also opens the box's editor.
    bool revealToEvent(const TaskPtr& item);
    bool showPopupEditDetail(const TaskPtr& item);
    // Selects the box of an event just made on the shown day and opens its
    // editor.
    void findAndEditEvent(const TaskPtr& item);

    // Highlights every box and piece of the box's item, and only those.
    void selectTask(TaskView* box);
    // Hides the boxes of the selected item while it is dragged.
    void draggingTask(QObject* box);
    // Fits the scroll view to the grid's height.
    void rearrangeView();

    // A day back or forward (one calendar day).
    void goPrev();
    void goNext();

    // The shown day: the mini month's current day, at 00:00.
    Date shownDay() const override;

    // As the working-hours band's host: the day grid, sketching new events
    // in imageEventView.
    bool isDayGridHost() const override { return true; }
    QObject* hostObject() override { return this; }
    void showEventSketch(const QImage& image, const QRectF& frame) override;
    void hideEventSketch() override;

    const std::vector<TimeLineView*>& timeCellList() const { return m_timeCellList; }
    MonthView* monthView() const { return m_monthView; }
    void setMonthView(MonthView* monthView) { m_monthView = monthView; }
    // The layout's working list: empty once the layout is done.
    const TaskList& eventList() const { return m_eventList; }
    const std::vector<QPointer<TaskView>>& eventBoxes() const { return m_eventBoxes; }
    // The markers of the items that did not fit side by side.
    const std::vector<QPointer<MoreItemsButton>>& moreMarkers() const { return m_moreMarkers; }
    const std::vector<QPointer<TaskView>>& taskPieces() const { return m_taskPieces; }
    const std::vector<QPointer<TaskLinkLine>>& linkLines() const { return m_linkLines; }
    CustomNSView* contentView() const { return m_contentView; }
    ScrollView* scrollView() const { return m_scrollView; }
    CurrentTimeIndicatorView* currentIndicatorView() const { return m_currentIndicatorView; }
    ImageView* imageEventView() const { return m_imageEventView; }
    QSizeF draggingSize() const { return m_draggingSize; }
    void setDraggingSize(const QSizeF& size) { m_draggingSize = size; }
    TaskView* selectedItem() const;
    void setSelectedItem(TaskView* box);
    bool isLoading() const { return m_isLoading; }
    // Whether the 60-s timer of the current-time line runs.
    bool isTimeLineTimerRunning() const { return m_timeLineTimer.isValid(); }

    // The document's width (rows, boxes and pieces are laid out in it).
    double documentWidth() const;

    // The hour labels: "0:00" .. "23:00", "0:00" on the 24-hour clock, the
    // "_12AMText" .. "_11PMText", "_12AMText" texts otherwise.
    static QString hourLabel(int row, bool uses24HourClock);

    // Where an event's box goes on the shown day (y and height), from its
    // shown start and end: the pure part of the layout.
    struct BoxPlacement {
        double y = 0;
        double height = 0;
    };
    static BoxPlacement placementOfEvent(const Date& shownStart, const Date& shownEnd, const Date& shownDay);

    // The boxes of the shown day's timed events (in start order), as plain
    // values: events of one quarter hour side by side, a group that starts
    // while earlier boxes run indented 5 points a group, never past half the
    // width, and every box readable (see fitGroup), so that however crowded
    // the day each of its items gets a box or a marker's row. A box that lies at the same
    // whole points as later boxes of the same item (occurrences of one
    // series) shows only through them: such a stack keeps its top
    // deepestVisibleStack boxes, one-point slivers their top one. So a
    // series whose occurrences each last years makes as many boxes as can
    // be seen, not one per occurrence. `available` is the width the events
    // share (W × 0.5 + 40). Reads nothing from the database.
    static constexpr int deepestVisibleStack = 12;
    struct EventBox {
        TaskPtr event;
        QRectF frame;
    };
    // Where a group has more items than boxes of minimumBoxWidth fit, the
    // last place shows a marker of the others instead (in `markers`).
    struct MoreMarker {
        QRectF frame;
        TaskList items;
    };
    static std::vector<EventBox> layOutEvents(TaskList events, const Date& shownDay, double available,
                                              std::vector<MoreMarker>* markers = nullptr);

    // How a group of `count` items side by side shares `width`: every box
    // at least minimumBoxWidth wide, enough for the start of a title and a
    // click. All of them when they fit; otherwise as many as fit less one
    // place, which a marker of the rest takes. Shared with the week planner.
    static constexpr double minimumBoxWidth = 32;
    struct GroupFit {
        qsizetype shown = 0;  // boxes, from the group's first
        double place = 0;     // the width of each place
        bool marker = false;  // the place after the boxes holds the marker
    };
    static GroupFit fitGroup(qsizetype count, double width);
    // For boxes in drawing order (each drawn over those before it): how far
    // down from its top each shows before a later box that starts inside it
    // and reaches over it begins; 0 where none does. A box's title keeps to
    // that height, or its wrapped lines show through the later box's tint
    // and mix with that box's title. Shared with the week planner.
    static std::vector<double> uncoveredHeights(const std::vector<QRectF>& framesInDrawingOrder);
    // Takes from the head of `events` (in start order) the first and every
    // event that starts on `day` in the same quarter hour, whatever their
    // zones: boxes that start together stand side by side, never one over
    // another where only the top one could be read.
    static TaskList takeQuarterGroup(TaskList& events, const Date& day);

    // ---- drops ---------------------------------------------------------------
    // The time of day a dropped image whose top is at y of the document
    // stands for: the hour of the line above it, minutes cut to a quarter.
    struct DropTime {
        int hour = 0;
        int minute = 0;
    };
    static DropTime dropTimeOfImageTop(double imageTop);
    // The one item a payload carries, when the grid takes drops of it: not a
    // checklist item, note or shared item. Null otherwise.
    static TaskPtr acceptableDraggedItem(const QMimeData& payload);
    // Whether a drop at x of the document on the shown day lands in the
    // task zone: the shown day is today and x is right of taskZoneLeft.
    bool isInTaskZone(double x) const;

    unsigned draggingEntered(const DraggingInfo& info) override;
    unsigned draggingUpdated(const DraggingInfo& info) override;
    void draggingExited() override;
    bool performDragOperation(const DraggingInfo& info) override;
    // The look the dragged item has over the grid: 0 the event box, 1 the
    // task piece; -1 while nothing is dragged over it.
    qint64 draggedImageType() const { return m_draggedImageType; }
    ImageView* dragPreviewView() const { return m_dragPreviewView; }

    // The drop commands; each answers whether it changed the item as asked.
    bool changeEventInfoByMoveInTimeline(const TaskPtr& item, int hour, int minute);
    bool convertTaskToSTaskByDrag(const TaskPtr& task, int hour, int minute);
    bool convertEvent2Task(const TaskPtr& item, double imageTop);
    bool changeTaskInfoByDrag(const TaskPtr& task, double imageTop, const QPointF& imagePoint);

    // Lookups over the planned tasks' pieces (hidden pieces are skipped).
    double findDraggedPosY(const TaskPtr& task) const;
    TaskList findTaskAbove(double above, double below, const TaskPtr& task) const;
    TaskList findTaskBelow(double below, double above, const TaskPtr& task) const;
    // The first item moves in front of the others (it takes the second's
    // place, each other one the next one's); the last one behind them.
    static void updateTaskAboveOrderInList(const TaskList& items);
    static void updateTaskBelowOrderInList(const TaskList& items);
    // The same writes inside the caller's unit; false when one failed.
    static bool writeTaskAboveOrder(const TaskList& items);
    static bool writeTaskBelowOrder(const TaskList& items);

    // Whether the task list shows its task view under a filter (a reorder
    // there warns first); asked of the task list, false until it says.
    void setTaskListFilterQuery(std::function<bool()> query) { m_taskListFilterQuery = std::move(query); }

    // The working-hours band over the grid's document.
    TimeManagerView* timeManagerView() const { return m_timeManagerView; }

    bool isFlipped() const override { return false; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void scrollWheel(const Event& event) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool isHiddenInWindow() const;
    // The boxes and pieces of a reload that waits for the grid to show, for
    // a caller that looks for a box now (the reload still runs on showing).
    void reloadIfShownLater();
    // The dragged item's preview in the look for the zone under it.
    void showDragPreview(const TaskPtr& item, const QPointF& imageBottomLeft, qint64 type);
    void hideDragPreview();
    // The dragged image's lower-left corner in the document.
    QPointF documentPointOf(const DraggingInfo& info) const;
    // The pointer in the document.
    QPointF documentPointerOf(const DraggingInfo& info) const;
    void postTaskChanged();
    // Sets a new start keeping the duration, with the zone rule.
    static void moveItemToStart(const TaskPtr& item, Date start);
    void setHourLabels();
    void placeMoreMarkers(const std::vector<MoreMarker>& markers);
    void removeBoxes(std::vector<QPointer<TaskView>>& boxes);
    void sortBoxOrder();
    void stopTimeLineTimer();
    TaskView* makeBox(const TaskPtr& item, bool squareBox, const QRectF& frame);
    // Gives a new or kept box its item and place, as a new box starts.
    void bindBox(TaskView* box, const TaskPtr& item, bool squareBox, const QRectF& frame);

    bool m_isLoading = false;
    bool m_reloadWhenShown = false;
    bool m_keepsBoxes = true;
    int m_reloadCount = 0;
    std::vector<TimeLineView*> m_timeCellList;
    TaskList m_eventList;
    std::vector<QPointer<TaskView>> m_eventBoxes;
    std::vector<QPointer<MoreItemsButton>> m_moreMarkers;
    std::vector<QPointer<TaskView>> m_taskPieces;
    std::vector<QPointer<TaskLinkLine>> m_linkLines;
    ScrollView* m_scrollView = nullptr;
    CustomNSView* m_contentView = nullptr;
    CurrentTimeIndicatorView* m_currentIndicatorView = nullptr;
    ImageView* m_imageEventView = nullptr;
    QSizeF m_draggingSize{186, 46};
    QPointer<MonthView> m_monthView;
    ScheduledTimer m_timeLineTimer;
    qint64 m_selectingKey = 0;
    QPointer<TaskView> m_selectedItem;
    ImageView* m_dragPreviewView = nullptr;
    qint64 m_draggedImageType = -1;
    qint64 m_dragPreviewKey = 0;
    QSizeF m_dragPreviewSize;
    std::function<bool()> m_taskListFilterQuery;
    TimeManagerView* m_timeManagerView = nullptr;
};
