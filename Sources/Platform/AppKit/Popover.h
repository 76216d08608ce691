#pragma once

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>

class PopoverWindow;
class QVariantAnimation;
class View;

// The edges of a rectangle, in the coordinates of the view it belongs to
// (so "min y" is the bottom of a non-flipped view and the top of a flipped
// one).
enum class RectEdge { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };

// When a shown popover closes by itself.
enum class PopoverBehavior {
    ApplicationDefined,  // only when asked (close(), the should-close notification)
    Transient,           // also on a press anywhere outside it, the anchor's window included,
                         // and when the application goes inactive; presses in popovers opened
                         // from it (at any depth) count as inside
    Semitransient,       // only on presses elsewhere in the anchor's window (and when the
                         // application goes inactive); presses in other windows keep it
};

// Why a popover closed.
enum class PopoverCloseReason {
    Asked,             // close() or a new showing elsewhere
    PressOutside,      // a press its behaviour closes it on
    Deactivated,       // the application went inactive (transient behaviours)
    ShouldClose,       // the "NSPopOver should close" notification
    AnchorGone,        // the positioning view was destroyed, or its window hidden
};

// A popover: a content view in a frameless tool window (never a Qt::Popup,
// which would grab the input) beside a rectangle of a positioning view, on
// the preferred edge while the screen has room there and on the opposite
// edge otherwise. The window takes the content view's size, and follows it
// when the view is resized while shown. The popover does not own the
// content view until it is set; then the window holds it.
//
// Every shown popover closes on shouldCloseNotification (any object).
class Popover : public QObject {
    Q_OBJECT

public:
    static const QString shouldCloseNotification;  // "NSPopOver should close"
    // The distance between the anchor rectangle and the popover.
    static constexpr double gap = 2;

    explicit Popover(QObject* parent = nullptr);
    ~Popover() override;

    // The view shown; the popover's window takes it over (a previous one is
    // deleted). Null empties it.
    void setContentView(View* view);
    View* contentView() const { return m_contentView; }
    QSizeF contentSize() const;

    // How long a shown popover takes to follow its content view's new size
    // (seconds, times Window::animationDurationScale); 0, the default,
    // follows at once. A new change starts from where the last one got to.
    double contentResizeDuration() const { return m_resizeDuration; }
    void setContentResizeDuration(double seconds);

    PopoverBehavior behavior() const { return m_behavior; }
    void setBehavior(PopoverBehavior behavior) { m_behavior = behavior; }

    // Shows the popover beside rect (the positioning view's coordinates; an
    // empty rect means its bounds) on the edge. A shown popover moves to the
    // new place without closing. Nothing happens, logged, without a view or
    // a content view, or when the view is not in a shown window.
    void showRelativeToRect(const QRectF& rect, View* positioningView, RectEdge preferredEdge);
    bool isShown() const;
    // Closes a shown popover (reason Asked); nothing for a closed one.
    void close();

    // The edge the popover stands on, in the screen's terms after the view's
    // flipping (MinX left, MinY below, MaxX right, MaxY above), and the
    // anchor rectangle in our screen coordinates, as last shown.
    RectEdge shownScreenEdge() const { return m_shownEdge; }
    QRectF anchorScreenRect() const { return m_anchorScreenRect; }
    View* positioningView() const { return m_positioningView; }
    // The tool window (for tests and the caller's window rules).
    QWidget* window() const;

    // Where a popover of the size goes beside the anchor (our screen
    // coordinates): on the edge (screen terms) when it fits inside the
    // visible frame there, on the opposite edge when only that fits, else
    // on the edge; centred along the anchor's side and then slid inside the
    // visible frame. usedEdge gets the edge taken.
    static QRectF placement(const QSizeF& size, const QRectF& anchor, RectEdge edge, const QRectF& visibleFrame,
                            RectEdge* usedEdge = nullptr);
    // The screen edge of an edge of a view of the flippedness.
    static RectEdge screenEdge(RectEdge viewEdge, bool flipped);

Q_SIGNALS:
    void willShow();
    void didShow();
    void didClose(PopoverCloseReason reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeKeyboardIfTyped();
    void closeWithReason(PopoverCloseReason reason);
    void place();
    void contentFrameChanged();

    PopoverWindow* m_window = nullptr;
    QPointer<View> m_contentView;
    QPointer<View> m_positioningView;
    QRectF m_anchorRect;          // in the positioning view's coordinates
    QRectF m_anchorScreenRect;    // in our screen coordinates
    RectEdge m_preferredEdge = RectEdge::MinY;
    RectEdge m_shownEdge = RectEdge::MinY;
    PopoverBehavior m_behavior = PopoverBehavior::ApplicationDefined;
    bool m_shown = false;
    double m_resizeDuration = 0;
    QPointer<QVariantAnimation> m_resizeAnimation;
};
