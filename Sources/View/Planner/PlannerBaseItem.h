#pragma once

#include "AlertRequest.h"
#include "DragSource.h"
#include "Font.h"
#include "Menu.h"
#include "ModelTypes.h"
#include "PaletteColor.h"
#include "PlannerItemRules.h"
#include "ScheduledTimer.h"
#include "View.h"

#include <QImage>
#include <QPointer>

class QMenu;

#include <functional>

class DetailViewController;
class PlannerBaseView;
class TextField;

// What every item view of the planners does with the mouse and the keys:
// a press selects the item (every view of it lights up), a second press
// within the view's own 1.0 s opens its editor, holding 0.3 s outside the
// edges drags the item out, a press on an edge strip moves that edge until
// the release commits it (asking first for a repeating event), a right
// click or Control-click opens the item menu, and Delete deletes a selected
// item. The chip and the hour-grid block draw, move their edges and turn
// the frame into times their own way.
//
// The pane makes the view, gives it its item (setTask) and itself
// (setParentView), and clears canResizeStart or canResizeEnd where it
// forbids an edge. A reload gives the pane's views other items
// (prepareForReuse) unless they are busy or show their item's editor.
class PlannerBaseItem : public View, public DraggingSource {
    Q_OBJECT

public:
    explicit PlannerBaseItem(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerBaseItem() override;

    TaskPtr task() const { return m_task; }
    // Where the name is drawn, in the view, and in what font.
    QRectF titleFrame() const { return m_title.frame; }
    const Font& titleFont() const { return m_title.font; }
    // Keeps the item, drops a pending hold and lets both edges move again.
    virtual void setTask(const TaskPtr& task);

    // Makes the view what a new one is, without an item: nothing of the
    // item it showed (highlight, edges, presses, timers, menu, editor
    // controller, name label, cursor, tooltip) carries over to the next.
    virtual void prepareForReuse();
    // Its item's editor shows beside it: a reload keeps the view for the
    // item, or the editor and what is typed in it would go.
    bool hasOpenEditor() const;
    // Dragged, moving an edge or showing its menu: the view keeps its item
    // until it leaves.
    bool isBusy() const;
    // The item menu shown now; null when none.
    QMenu* openMenu() const;

    bool isHighlight() const { return m_highlight; }
    virtual void setHighlight(bool highlight);
    bool isSquareBox() const { return m_isSquareBox; }
    void setIsSquareBox(bool isSquareBox);
    bool canResizeStart() const { return m_canResizeStart; }
    void setCanResizeStart(bool can);
    bool canResizeEnd() const { return m_canResizeEnd; }
    void setCanResizeEnd(bool can);
    PlannerBaseView* parentView() const;
    void setParentView(PlannerBaseView* pane);

    // The name label, made on the first call. Until then the view draws the
    // name itself from the same text, font, colour and frame, so a view that
    // is only shown is one widget, not two.
    TextField* taskNameLabel() const;
    bool isStartTimeMoving() const { return m_isStartTimeMoving; }
    bool isEndTimeMoving() const { return m_isEndTimeMoving; }
    // A first press still waiting for its second (0 when none), in seconds.
    double lastMouseDown() const { return m_lastMouseDown; }
    bool isHoldTimerPending() const { return m_holdTimer.isValid(); }
    DetailViewController* detailViewController() const { return m_detailViewController; }

    // A snapshot of the view's visible part: the drag image.
    QImage imageRepresentative();
    // One edge strip (0 top, 1 bottom, 2 left, 3 right); the bounds otherwise.
    QRectF trackRect(int index) const;

    // The item menu while the view is selected; an empty menu otherwise.
    Menu menuForEvent(const Event& event);
    // The commands the view carries out for the item menu's rows, each for
    // the item shown now only: a menu outliving a reload does nothing for
    // whatever item the view shows later.
    std::function<void()> commandForAction(const QString& action);

    void popupEditDetail();
    void popupLinkDetail();
    // The item menu's commands.
    void selectDone();
    void duplicateTask();
    void doToday();
    void doNextWeek();
    void doNextMonth();
    void copyToMakeLink();
    void pasteToMakeLink();
    void selectSTaskDone();
    void applyDelete();

    // Turns the frame into the item's new times (the moved edge only).
    virtual void changeStartEndTime() = 0;

    bool isFlipped() const override { return true; }
    void mouseDown(const Event& event) override;
    void mouseUp(const Event& event) override;
    void rightMouseDown(const Event& event) override;
    void keyDown(const Event& event) override;
    void cursorUpdate(const Event& event) override;
    void mouseExited(const Event& event) override;
    void updateTrackingAreas() override;

    unsigned draggingSourceOperationMask() const override { return DragOperationGeneric; }
    void draggingEnded(const QPointF& screenPoint, unsigned operation) override;
    // Ends the click window: a press after it is a first click again.
    void closeClickWindow() { m_lastMouseDown = 0; }

protected:
    bool event(QEvent* event) override;
    // The question for a moved edge of a repeating event.
    virtual AlertRequest repeatQuestion(bool scheduled, bool firstOccurrence) const;
    // Starts the drag of the item (the hold timer fires).
    void beginDrag(const Event& mouseDown);
    // The name's text, font, colour and frame (in the view), kept by the
    // view and handed on to the label once there is one.
    struct Title {
        QString text;
        Font font;
        QColor color;
        QRectF frame;
    };
    const Title& title() const { return m_title; }
    void setTitleText(const QString& text);
    void setTitleFont(const Font& font);
    void setTitleColor(const QColor& color);
    void setTitleFrame(const QRectF& frame);
    // A label of the view's kind, not yet given its title (the view adds
    // it, draws it itself and passes presses on to the view).
    virtual TextField* makeTaskNameLabel() const = 0;
    // The name as its label would draw itself, in the label's coordinates;
    // bounds is the label's bounds.
    virtual void drawTitleText(QPainter& painter, const QRectF& bounds) const = 0;
    // Draws the name at the label's whole-pixel place: the label's drawing
    // when it exists, drawTitleText otherwise. Called last in drawRect.
    void drawTitle(QPainter& painter) const;
    // Whether drawTitleText keeps every pixel of the name inside the label's
    // text area (one point in from its bounds) by itself, so that the
    // label's clip would change nothing.
    virtual bool cutsTitleToItsArea() const { return false; }
    void setMovingEdge(PlannerItemRules::Edge edge);
    PlannerItemRules::Edge movingEdge() const;
    PlannerItemRules::ItemFacts itemKind() const;
    // The list font size of the settings (13 when it is not a size).
    static double listFontSize();
    // The item's category colour at a position of its palette entry; a
    // missing category draws in the palette's first colour.
    QColor categoryColor(qint64 pos) const;
    // The same entry as the tint routines take it.
    PaletteColor paletteColor() const;
    // The tint of the item's category at that opacity, size and corner
    // radius. Planners show hundreds of views of a few looks: the pictures
    // are shared between views.
    QImage tintImage(double alpha, const QSizeF& size, double radius, bool highlight) const;
    // Draws a tint picture at the view's origin.
    static void drawTint(QPainter& painter, const QImage& tint);
    // Autoscrolls the pane's scroll view with a drag.
    void autoscroll(const Event& event);

private:
    void handleSingleClick();
    void handleDoubleClick();
    void ensureTrackingArea();
    void commitEdge();
    void endEdgeDrag();
    Menu itemMenu();

    TaskPtr m_task;
    bool m_highlight = false;
    bool m_isSquareBox = false;
    bool m_canResizeStart = true;
    bool m_canResizeEnd = true;
    mutable TextField* m_taskNameLabel = nullptr;
    Title m_title;
    int m_startTrackingArea = 0;
    int m_endTrackingArea = 0;
    bool m_isStartTimeMoving = false;
    bool m_isEndTimeMoving = false;
    ScheduledTimer m_holdTimer;
    ScheduledTimer m_singleClickTimer;
    double m_lastMouseDown = 0;
    DetailViewController* m_detailViewController = nullptr;
    QPointer<QMenu> m_openMenu;
    QPointer<PlannerBaseView> m_parentView;
    // The frame at the edge press: a release at the same frame changes nothing.
    QRectF m_edgePressFrame;
};
