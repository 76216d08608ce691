#pragma once

#include <QBrush>
#include <QImage>
#include <QMarginsF>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <functional>

class QPropertyAnimation;
class View;
class Window;

// The calls a window makes to whoever controls it. Every one has an empty
// default, so a delegate overrides only what it follows.
class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    // Asked when the user closes the window (its close button, the window
    // manager's close) or performClose is called; false keeps it open. A
    // close made by the program itself (close()) is not asked about.
    virtual bool windowShouldClose(Window*) { return true; }
    virtual void windowDidBecomeKey(Window*) {}
    virtual void windowDidResignKey(Window*) {}
    virtual void windowWillClose(Window*) {}
    virtual void windowDidResize(Window*) {}
    virtual void windowDidMove(Window*) {}
};

// What a window looks like; the masks combine. A borderless window has no
// decoration and no title; a utility window is a floating panel's tool window.
enum WindowStyleMask : unsigned {
    BorderlessWindowMask = 0,
    TitledWindowMask = 1,
    ClosableWindowMask = 2,
    MiniaturizableWindowMask = 4,
    ResizableWindowMask = 8,
    UtilityWindowMask = 16,
};

// A top-level window holding one content view. Its frame is kept in our
// screen coordinates (origin at the bottom left of the main screen, y up);
// it is the area Qt places, so decorations a window manager adds lie outside
// it. The content view always covers the whole window: (0, 0, width,
// height) in window coordinates, in the whole pixels Qt gave the window.
//
// Key status: a window is key while it or one of its own child windows (any
// top-level whose transient or Qt parent chain leads to it: a panel, a
// popover, an alert parented to it) holds the keyboard focus. Focus moving
// into such a child is therefore no resign-key of the window, and focus
// coming back from it no new become-key. A window that holds the keyboard
// when it is hidden gives it back to the window of ours that had it before,
// if that one is still shown.
class Window : public QWidget {
    Q_OBJECT

public:
    enum class Level { Normal, Status };
    enum class Ordering { Above, Below };

    explicit Window(const QRectF& contentRect = QRectF(0, 0, 400, 300), unsigned styleMask = TitledWindowMask);
    ~Window() override;

    // --- content and look -------------------------------------------------
    View* contentView() const { return m_contentView; }
    // The window takes the view (its old content view is deleted); null puts
    // an empty view in its place.
    void setContentView(View* view);
    // Puts the view in as content and hands the old one back, hidden, still
    // a child of the window: for windows that switch between views they keep.
    View* replaceContentView(View* view);
    // A bar across the top of the window, as high as its frame (a Toolbar);
    // the content view fills the rest. The window owns it; null removes it.
    View* toolbarView() const { return m_toolbarView; }
    void setToolbarView(View* toolbar);
    unsigned styleMask() const { return m_styleMask; }
    void setStyleMask(unsigned mask);

    // A non-opaque window shows only what it paints: its background image or
    // brush and its views, so it can take any shape.
    bool isOpaque() const { return m_opaque; }
    void setOpaque(bool opaque);
    // Painted under the content view. An image is stretched over the whole
    // window (a shape drawn at the window's size); a brush (a colour or a
    // pattern image) fills it. The image wins when both are set.
    void setBackgroundImage(const QImage& image);
    QImage backgroundImage() const { return m_backgroundImage; }
    void setBackgroundBrush(const QBrush& brush);
    QBrush backgroundBrush() const { return m_backgroundBrush; }

    // --- geometry ---------------------------------------------------------
    // In our screen coordinates. Fractions are kept while Qt leaves the
    // window where it was put; a move by someone else (the user, the window
    // manager) is read back from Qt.
    QRectF frame() const;
    void setFrame(const QRectF& frame, bool display = true);
    void setFrameOrigin(const QPointF& origin);
    // Moves and resizes over the seconds given (times the animation scale;
    // at once when that is 0), ending exactly on the frame. frame() answers
    // the frame passing by meanwhile; a new frame set stops the animation.
    void animateFrame(const QRectF& frame, double seconds);
    bool isAnimatingFrame() const;
    // Keeps the top left corner where it is, as the eye expects.
    void setContentSize(const QSizeF& size);
    // The sizes the user can resize the window to (an empty size: no
    // limit). A frame the program sets is kept as it is, as a window that
    // fits its content may need to be smaller than the user may make it.
    QSizeF minSize() const { return m_minSize; }
    void setMinSize(const QSizeF& size);
    QSizeF maxSize() const { return m_maxSize; }
    void setMaxSize(const QSizeF& size);
    // Where a sheet of the given size goes on a parent frame: centred,
    // hanging from the parent's top edge, and never wider than the parent.
    // Our coordinates in and out.
    static QRectF sheetFrame(const QRectF& parentFrame, const QSizeF& sheetSize);
    // Puts the window in the middle of the visible frame of the screen it
    // is on, shortened where it does not fit.
    void center();
    // The frame kept inside the visible frame (the area the desktop's
    // panels leave) of the screen it lies on: shortened where it does not
    // fit, then slid inside.
    static QRectF constrainFrameRect(const QRectF& frame);
    // What the window manager draws round a titled window's frame (its title
    // bar above, its borders), in our units: as the manager reports it for
    // this window once shown, else as it last reported it for a titled
    // window of ours, else nothing (a borderless window, no manager, or
    // nothing known yet).
    QMarginsF decorationMargins() const;
    // The area less the decorations: a frame inside it has its title bar and
    // borders inside the area too.
    QRectF frameAreaWithin(const QRectF& area) const;
    // Once shown, and as soon as the manager tells the decorations' size, a
    // frame whose decorations stick out of the visible frame of its screen
    // is moved (or shortened) into it.
    void setKeepsDecorationsInside(bool keep) { m_keepsDecorationsInside = keep; }

    // --- levels and child windows -----------------------------------------
    Level level() const { return m_level; }
    // A status window stays above every normal one.
    void setLevel(Level level);
    // The child stays above this window (it is not moved with it). A child
    // cannot be kept below its parent here: Below is taken as Above, logged.
    // Children are not owned: a window being destroyed hides its child
    // windows and sets them free.
    void addChildWindow(Window* child, Ordering ordering = Ordering::Above);
    void removeChildWindow(Window* child);
    QList<Window*> childWindows() const;
    Window* parentWindow() const { return m_parentWindow; }

    // A window-modal sheet: shown on this window, which takes no input until
    // endSheet; the completion gets the return code.
    void beginSheet(Window* sheet, std::function<void(int returnCode)> completion = {});
    void endSheet(Window* sheet, int returnCode = 0);
    Window* attachedSheet() const { return m_attachedSheet; }

    // --- ordering and focus -----------------------------------------------
    // A window that cannot become key never takes the keyboard focus.
    virtual bool canBecomeKeyWindow() const { return true; }
    virtual bool canBecomeMainWindow() const { return (m_styleMask & UtilityWindowMask) == 0; }
    // Shows and raises the window (its child windows above it) and, when it
    // can become key, activates it.
    void makeKeyAndOrderFront();
    void orderFront();
    void orderOut();
    // Whether the window or one of its own child windows holds the focus:
    // the state of the last become-key / resign-key call.
    bool isKeyWindow() const { return m_key; }
    // The close button's click: the delegate's windowShouldClose decides,
    // then the window closes (windowWillClose). Answers whether it closed.
    bool performClose();
    bool isSheet() const { return m_isSheet; }
    // Escape that no view under the focus took: a shown child window with a
    // cancel action (a popover) runs it; else the window's own cancel
    // action; else a sheet presses its button titled with the cancel text,
    // and a closable window that is not the main one closes as its close
    // button does (performClose). Answers whether it acted. A button whose
    // key equivalent is Escape answers before this, as a shortcut.
    virtual bool cancelOperation();
    void setCancelAction(std::function<void()> action) { m_cancelAction = std::move(action); }

    WindowDelegate* delegate() const { return m_delegate; }
    void setDelegate(WindowDelegate* delegate) { m_delegate = delegate; }

    // --- alpha and fades --------------------------------------------------
    double alphaValue() const { return windowOpacity(); }
    void setAlphaValue(double alpha);
    // Animates the alpha to the target over the duration (scaled by the
    // animation scale); the completion runs when it is reached. A new fade
    // or an orderOut replaces a running fade, whose completion is dropped.
    // With a zero length the alpha is set and the completion runs at once.
    void fadeAlphaTo(double alpha, double seconds, std::function<void()> completion = {});
    bool isFading() const;
    // Every fade's length is multiplied by this; tests set 0.
    static void setAnimationDurationScale(double scale);
    static double animationDurationScale();

    // Holds repainting while a series of changes is made; nestable, so the
    // window paints again only when the outermost suspension ends.
    void setUpdatesSuspended(bool suspended);
    bool areUpdatesSuspended() const { return m_updateSuspensions > 0; }

    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class WindowFocusTracker;

    Qt::WindowFlags wantedFlags() const;
    void applyFlags();
    void layOutContentView();
    void raiseChildWindows();
    void detachChildWindow(Window* child, bool keepShown);
    void setKey(bool key);
    void returnKey();
    void stopFade();
    void applySizeLimits(const QSize& keep);
    void keepDecorationsInside();

    View* m_contentView = nullptr;
    View* m_toolbarView = nullptr;
    unsigned m_styleMask;
    Level m_level = Level::Normal;
    bool m_opaque = true;
    bool m_key = false;
    bool m_isSheet = false;
    bool m_keepsDecorationsInside = false;
    QImage m_backgroundImage;
    QBrush m_backgroundBrush;
    QRectF m_frame;   // as last set; trusted while Qt's geometry still matches it
    QRect m_reportedGeometry;   // as last told to the delegate
    QPointer<Window> m_parentWindow;
    QList<QPointer<Window>> m_childWindows;
    QPointer<Window> m_attachedSheet;
    QPointer<Window> m_returnKeyTo;   // had the keyboard before this window took it
    std::function<void(int)> m_sheetCompletion;
    std::function<void()> m_cancelAction;
    WindowDelegate* m_delegate = nullptr;
    QPointer<QPropertyAnimation> m_fade;
    QPointer<QPropertyAnimation> m_frameAnimation;
    int m_updateSuspensions = 0;
    QSizeF m_minSize;
    QSizeF m_maxSize;
    bool m_hasSizeLimits = false;   // setMinSize or setMaxSize was called
    bool m_closeAsked = false;   // performClose has asked the delegate already
};

// A floating panel: a tool window that stays above the window it is a child
// of and never becomes the main window.
class Panel : public Window {
    Q_OBJECT

public:
    explicit Panel(const QRectF& contentRect = QRectF(0, 0, 240, 160),
                   unsigned styleMask = TitledWindowMask | UtilityWindowMask);

    bool canBecomeMainWindow() const override { return false; }
};
