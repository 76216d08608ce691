#pragma once

#include "Event.h"

#include <QRectF>
#include <QWidget>

#include <functional>
#include <vector>

class QPainter;

// How a view follows its superview's size: the flexible parts of its frame.
// Y margins are in the superview's coordinates: the bottom margin is "MinY"
// in a non-flipped superview and the top one in a flipped superview.
enum AutoresizingMask : unsigned {
    ViewNotSizable = 0,
    ViewMinXMargin = 1,
    ViewWidthSizable = 2,
    ViewMaxXMargin = 4,
    ViewMinYMargin = 8,
    ViewHeightSizable = 16,
    ViewMaxYMargin = 32,
};

enum class CursorShape { Arrow, ResizeUpDown, ResizeLeftRight, PointingHand };

// What a tracking rectangle reports.
enum TrackingOption : unsigned {
    TrackMouseEnteredAndExited = 1,
    TrackCursorUpdate = 2,
    TrackMouseMoved = 4,
};

// The kit's view: a QWidget that keeps a frame in its superview's coordinates.
// Those have their origin at the bottom left (y up) unless the superview is
// flipped; Qt's geometry is derived from the frame, never the other way
// round, so fractional frames survive. A non-flipped view's children keep
// their distance from its bottom edge when it changes height.
//
// A view that is not inside another view (a window's content) counts its
// QWidget parent as non-flipped.
class View : public QWidget {
    Q_OBJECT

public:
    explicit View(QWidget* parent = nullptr);
    explicit View(const QRectF& frame, QWidget* parent = nullptr);
    ~View() override;

    // Posted (object: the view) after a change of the frame's origin or size,
    // while postsFrameChangedNotifications() is on (the default).
    static const QString frameDidChangeNotification;

    // --- geometry ---------------------------------------------------------
    QRectF frame() const { return m_frame; }
    // A negative width or height is taken as 0.
    void setFrame(const QRectF& frame);
    void setFrameOrigin(const QPointF& origin);
    void setFrameSize(const QSizeF& size);
    QRectF bounds() const { return QRectF(QPointF(0, 0), m_frame.size()); }
    virtual bool isFlipped() const { return m_flipped; }
    void setFlipped(bool flipped);
    bool postsFrameChangedNotifications() const { return m_postsFrameChanges; }
    void setPostsFrameChangedNotifications(bool posts) { m_postsFrameChanges = posts; }

    unsigned autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(unsigned mask) { m_autoresizingMask = mask; }
    bool autoresizesSubviews() const { return m_autoresizesSubviews; }
    void setAutoresizesSubviews(bool autoresizes) { m_autoresizesSubviews = autoresizes; }
    // The frame this view takes when its superview goes from oldSize to newSize.
    static QRectF autoresizedFrame(const QRectF& frame, unsigned mask, const QSizeF& oldSize, const QSizeF& newSize);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    View* viewWithTag(int tag);

    // --- the tree ---------------------------------------------------------
    View* superview() const;
    // Subviews from the back to the front (the last is drawn on top).
    QList<View*> subviews() const;
    void addSubview(View* view);
    enum class Place { Above, Below };
    // Adds (or moves) the view above or below another subview; with none,
    // to the front (Above) or the back (Below).
    void addSubview(View* view, Place place, View* relativeTo);
    void removeFromSuperview();
    // Reorders the subviews, back to front, by the comparator (a before b
    // when less(a, b)); the order of equal ones is kept.
    void sortSubviews(const std::function<bool(View*, View*)>& less);
    bool isDescendantOf(const View* view) const;

    // --- drawing ----------------------------------------------------------
    void setNeedsDisplay(bool needed = true);
    void setNeedsDisplayInRect(const QRectF& rect);
    // Called with the painter already in the view's coordinates (y turned
    // for a non-flipped view); dirtyRect is in the same coordinates.
    virtual void drawRect(QPainter& painter, const QRectF& dirtyRect);
    // Renders the view and its subviews into an image of its bounds' size.
    QImage snapshot(qreal scale = 1.0);

    // --- coordinates ------------------------------------------------------
    // Window coordinates have their origin at the bottom left of the window.
    QPointF convertPointFromWindow(const QPointF& point) const;
    QPointF convertPointToWindow(const QPointF& point) const;
    QRectF convertRectToWindow(const QRectF& rect) const;
    QRectF convertRectFromWindow(const QRectF& rect) const;
    // From or to another view's coordinates (same window); null is the window.
    QPointF convertPoint(const QPointF& point, const View* fromView) const;
    QPointF convertPointToView(const QPointF& point, const View* toView) const;
    QRectF convertRect(const QRectF& rect, const View* fromView) const;
    // Between the view's coordinates and Qt's (top left, y down, in pixels of
    // the widget).
    QPointF toQt(const QPointF& point) const;
    QPointF fromQt(const QPointF& point) const;
    QRectF toQt(const QRectF& rect) const;
    QRectF fromQt(const QRectF& rect) const;

    // The deepest visible view under the point, given in the superview's
    // coordinates (this view's frame coordinates); null when outside.
    virtual View* hitTest(const QPointF& pointInSuperview);

    // --- events -----------------------------------------------------------
    // Each handler's default hands the event on to the superview (Qt
    // propagates it to the parent widget).
    virtual void mouseDown(const Event& event);
    virtual void mouseUp(const Event& event);
    virtual void mouseDragged(const Event& event);
    virtual void rightMouseDown(const Event& event);
    virtual void rightMouseUp(const Event& event);
    virtual void rightMouseDragged(const Event& event);
    virtual void otherMouseDown(const Event& event);
    virtual void otherMouseUp(const Event& event);
    virtual void mouseMoved(const Event& event);
    virtual void scrollWheel(const Event& event);
    // A horizontal swipe of the platform's native gesture (deltaX negative
    // toward the left); passed on to the superview unless taken.
    virtual void swipeWithEvent(const Event& event);
    virtual void keyDown(const Event& event);
    virtual void keyUp(const Event& event);
    // Tracking: entered and exited as the mouse crosses a tracking
    // rectangle's edge, cursorUpdate while it moves inside one that asks.
    virtual void mouseEntered(const Event& event);
    virtual void mouseExited(const Event& event);
    virtual void cursorUpdate(const Event& event);
    // Called when the bounds change, so a view can set its rectangles again.
    virtual void updateTrackingAreas();
    // Called by the default right mouse-down: a view with a context menu
    // shows it there and answers true; otherwise the press travels on.
    virtual bool showContextMenu(const Event& event);

    // Rectangles in the view's coordinates; the answer identifies one.
    int addTrackingRect(const QRectF& rect, int trackingNumber, unsigned options = TrackMouseEnteredAndExited);
    void removeTrackingRect(int identifier);
    void removeAllTrackingRects();
    // Whether the mouse was inside the rectangle at the last move.
    bool isMouseInsideTrackingRect(int identifier) const;

    void setAcceptsFirstResponder(bool accepts);
    bool acceptsFirstResponder() const;
    // Takes the keyboard focus (if the view accepts it).
    bool becomeFirstResponder();

    // Makes the Tab key visit the views of the root that take the keyboard
    // in reading order: by lines from the top, each line from the left. A
    // view that shares most of its height with the line it starts on is on
    // that line. Views that take the keyboard as one unit (an editor with an
    // inner field) keep their own inner order; hidden ones are placed too,
    // for when they show.
    static void orderFocusChainByPosition(QWidget* root);

    void setCursorShape(CursorShape shape);
    // The shape most recently set on any view: what the user sees.
    static CursorShape currentCursorShape();

    // The event being handled, converted to an Event (tests call this on
    // constructed Qt events too).
    Event eventFrom(QInputEvent* event, EventType type) const;
    // The click count of a press at this moment: 1, or one more than the
    // last press's count when it came within the double-click interval, with
    // the same button, close by.
    static int clickCountOfPress(double timestamp, Qt::MouseButton button, const QPointF& screenPoint);
    static void resetClickCount();

protected:
    // A control the user reaches with Tab alone (never with a click, so the
    // mouse leaves the keyboard where it was), showing a ring while it holds
    // the keyboard.
    void makeTabStop();
    // Where the ring goes, in the view's coordinates: the bounds.
    virtual QRectF focusRingRect() const { return bounds(); }

    // Lays the subviews out again after this view's size changed, applying
    // their autoresizing masks when autoresizesSubviews() is on.
    virtual void resizeSubviewsWithOldSize(const QSizeF& oldSize);
    // The frame has put the widget somewhere else (a hidden view too, which
    // gets no move or resize event until shown); `oldGeometry` is where it was.
    virtual void qtGeometryChanged(const QRect& oldGeometry) { Q_UNUSED(oldGeometry); }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct TrackingRect {
        int identifier;
        QRectF rect;
        int trackingNumber;
        unsigned options;
        bool inside;
    };

    QRect qtGeometryOf(const QRectF& frame) const;
    double superviewHeight() const;
    bool superviewIsFlipped() const;
    void applyFrame(const QSizeF& oldSize, bool moved);
    void placeSubviews(const QSizeF& oldSize);
    void updateTracking(const QPointF& pointInView, QMouseEvent* qtEvent);
    void exitAllTrackingRects(const Event& event);
    void dispatchMouse(QMouseEvent* event, bool press);
    void passOn() { m_passedOn = true; }

    QRectF m_frame;
    unsigned m_autoresizingMask = ViewNotSizable;
    bool m_autoresizesSubviews = true;
    bool m_flipped = false;
    bool m_postsFrameChanges = true;
    bool m_placing = false;
    bool m_passedOn = false;
    int m_tag = 0;
    std::vector<TrackingRect> m_trackingRects;
    int m_nextTrackingIdentifier = 1;
    QPointF m_lastDragScreenPoint;
    Qt::MouseButton m_pressedButton = Qt::NoButton;
    bool m_controlClick = false;
    bool m_drawsFocusRing = false;
    bool m_tabbedTo = false;  // a Tab stop the user (or the program) gave the keyboard
};

// Inside a non-flipped view's drawRect, text and images would come out upside
// down: this turns the painter back for the given rectangle (view
// coordinates) for as long as it lives, and rect() is that rectangle in the
// turned coordinates. In a flipped view it changes nothing.
class UprightPainting {
public:
    UprightPainting(QPainter& painter, const QRectF& rect);
    ~UprightPainting();
    UprightPainting(const UprightPainting&) = delete;
    UprightPainting& operator=(const UprightPainting&) = delete;
    QRectF rect() const { return m_rect; }

private:
    QPainter& m_painter;
    QRectF m_rect;
};
