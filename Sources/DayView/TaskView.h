#pragma once

#include "CalendarView.h"
#include "DragSource.h"
#include "Menu.h"
#include "ModelTypes.h"
#include "ScheduledTimer.h"
#include "View.h"

#include <QColor>
#include <QImage>
#include <QPointer>

#include <functional>

class DetailViewController;
class TextField;

// The box of one item on the day grid: an event box (square corners), or
// one piece of a task the today planner poured into an open slot (rounded).
// It draws the item in its category's colour with its title; a click selects
// it, a double click opens its editor, holding the button 0.3 s drags the
// item out, dragging its top or bottom edge changes its start or end (times
// snap to quarter hours on release), a right click opens the item menu, and
// Delete deletes it while it is selected.
//
// The grid makes the box, then sets parentView, isSquareBox, highlight,
// task and the frame. The box lives until the grid reloads; boxes leave the
// grid with deleteLater, so none goes while its own handler runs.
class TaskView : public View, public DraggingSource {
    Q_OBJECT

public:
    // The height of each edge strip that starts an edge drag.
    static constexpr double edgeStripHeight = 5;
    // How long the button is held in a box before the item is dragged out.
    static constexpr double holdInterval = 0.3;
    // The width dragged boxes draw their picture in on the grid.
    static constexpr double draggingWidth = 186;
    // Posted (object: the main view) when the list font size changed; boxes
    // set their titles' font again.
    static const QString currentFontSizeChangedNotification;

    explicit TaskView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TaskView() override;

    TaskPtr task() const { return m_task; }
    // Keeps the item and takes its title and colour.
    void setTask(const TaskPtr& task);

    CalendarView* parentView() const { return m_parentView; }
    void setParentView(CalendarView* parentView) { m_parentView = parentView; }

    bool isHighlight() const { return m_highlight; }
    void setHighlight(bool highlight);
    bool isSquareBox() const { return m_isSquareBox; }
    void setIsSquareBox(bool isSquareBox);
    // The height from the top that no box over this one hides (0: all of
    // it); the title wraps only within it.
    void setUncoveredHeight(double height);

    // The frame height given at creation: what a piece's new duration is
    // measured against.
    double initHeight() const { return m_initHeight; }
    TextField* taskNameLabel() const { return m_taskNameLabel; }
    QColor projectColor() const { return m_projectColor; }
    bool isStartTimeMoving() const { return m_isStartTimeMoving; }
    bool isEndTimeMoving() const { return m_isEndTimeMoving; }
    DetailViewController* detailViewController() const { return m_detailViewController; }

    // The title: the name, then " - " and the location when it has one.
    static QString titleOfItem(const Task& task);

    // A snapshot of the box's visible part (the drag image).
    QImage imageRepresentative();

    void popupEditDetail();
    void popupLinkDetail();

    // The top (false) or bottom (true) edge strip, in the box's coordinates.
    QRectF trackRect(bool bottom) const;

    // Turns the frame into the item's times on the shown day.
    void changeStartEndTime();

    // Deletes the item (the Delete key while the box is selected, and the
    // menu's delete row), asking first as the item and the settings want.
    virtual void applyDelete();
    // The item menu's commands.
    void selectDone();
    void duplicateTask();
    void doToday();
    void doNextWeek();
    void doNextMonth();
    void copyToMakeLink();
    void pasteToMakeLink();

    // The item menu while the box is selected; an empty menu otherwise.
    Menu menuForEvent(const Event& event);
    // The commands the box carries for the item menu's rows.
    std::function<void()> commandForAction(const QString& action);

    // A first click still waiting for its second (0 when none), in seconds.
    double lastMouseDown() const { return m_lastMouseDown; }
    bool isHoldTimerPending() const { return m_holdTimer.isValid(); }

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void rightMouseDown(const Event& event) override;
    void keyDown(const Event& event) override;
    void cursorUpdate(const Event& event) override;
    void mouseExited(const Event& event) override;
    void updateTrackingAreas() override;

    unsigned draggingSourceOperationMask() const override { return DragOperationGeneric; }
    void draggingEnded(const QPointF& screenPoint, unsigned operation) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void currentSizeChange();
    void handleSingleClick();
    void handleDoubleClick();
    void beginDrag(const Event& mouseDown);
    // The title's frame for the box's size and kind.
    void layoutLabel();
    void updateLabelColor();
    // The strips' tracking rectangles, made again for the current size.
    void ensureTrackingArea();
    // The edge drag's release: the piece's duration or the event's times.
    void applyEdgeDrag();
    // Asks how to apply an edge drag to a repeating event; false when the
    // user cancelled (nothing was changed).
    bool applyEdgeDragToRepeatingEvent();
    void endEdgeDrag();
    static double fontSize();

    int m_startTrackingArea = 0;
    int m_endTrackingArea = 0;
    // The frame when the edge press came: a release at the same frame changes nothing.
    QRectF m_edgePressFrame;
    TaskPtr m_task;
    QPointer<CalendarView> m_parentView;
    double m_initHeight = 0;
    TextField* m_taskNameLabel = nullptr;
    bool m_highlight = false;
    bool m_isSquareBox = false;
    double m_uncoveredHeight = 0;
    bool m_isStartTimeMoving = false;
    bool m_isEndTimeMoving = false;
    DetailViewController* m_detailViewController = nullptr;
    ScheduledTimer m_holdTimer;
    ScheduledTimer m_singleClickTimer;
    double m_lastMouseDown = 0;
    QColor m_projectColor;
    struct BackgroundKey {
        QSizeF size;
        qint64 group = -1;
        qint64 color = -1;
        double alpha = 0;
        double radius = 0;
        bool highlight = false;
        bool operator==(const BackgroundKey&) const = default;
    };
    BackgroundKey m_backgroundKey;
    QImage m_background;
};
