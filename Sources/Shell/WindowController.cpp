#include "WindowController.h"

#include "Color.h"
#include "MAAttachedWindow.h"
#include "MainQueue.h"
#include "MainView.h"
#include "Notifications.h"
#include "NotificationCenter.h"
#include "Screen.h"
#include "ShellHost.h"
#include "WindowPlacement.h"

#include <QDebug>
#include <QImage>
#include <QPointer>

namespace {

constexpr double fadeInSeconds = 0.15;
constexpr double fadeOutSeconds = 0.1;
// The window leaves the screen once its fade out has run.
constexpr double closeDelaySeconds = 0.2;
// Fields the panes focus while they load let go of the keys once shown.
constexpr double resignFocusDelaySeconds = 0.15;
// What the window's drawing ahead needs of the wait (10-13 ms, up to about
// 35 on two busy cores).
constexpr double drawAheadSeconds = 0.02;

// A window being set up or placed draws its bubble once, when the scope ends.
class ChangesTogether {
public:
    explicit ChangesTogether(MAAttachedWindow* window) : m_window(window)
    {
        if (m_window) m_window->beginChanges();
    }
    ~ChangesTogether()
    {
        if (m_window) m_window->endChanges();
    }
    ChangesTogether(const ChangesTogether&) = delete;
    ChangesTogether& operator=(const ChangesTogether&) = delete;

private:
    MAAttachedWindow* m_window;
};

}  // namespace

struct WindowController::Private : public WindowDelegate {
    WindowController* q = nullptr;
    ShellHost* rootApp = nullptr;
    bool active = false;
    std::unique_ptr<MAAttachedWindow> window;
    ScheduledTimer pendingClose;
    ScheduledTimer pendingResign;

    QSizeF screenSize() const
    {
        return rootApp ? rootApp->screenResolution(true) : Screen::mainFrame().size();
    }
    QRectF screenArea() const
    {
        if (!rootApp) return Screen::mainVisibleFrame();
        return WindowPlacement::screenArea(rootApp->visibleFrame(), rootApp->statusItemPosition());
    }
    void statusItemNeedsDisplay() const
    {
        if (rootApp) rootApp->statusItemNeedsDisplay();
    }
    void activate() const
    {
        if (rootApp) rootApp->activateIgnoringOtherApps();
    }
    // Where the main window opens now: under the tray item, docked at an
    // edge, or at the top right for the planners.
    WindowPlacement mainWindowPlacement() const
    {
        const MainView* mainView = MainView::current();
        const bool planner = mainView && mainView->isPlannerExpand();
        const bool dockedLeft = mainView && mainView->isDockedLeft();
        const bool dockedRight = mainView && mainView->isDockedRight();
        const QPointF position = rootApp ? rootApp->statusItemPosition() : QPointF();
        const double windowWidth =
            mainView ? mainView->frame().width() + 2 * window->viewMargin() * Screen::mainScale() : 0;
        return WindowPlacement::forMainWindow(planner, dockedLeft, dockedRight, screenSize(), position, windowWidth);
    }
    // Wherever it hangs, the window stays on the screen and off its panels.
    void place(const WindowPlacement& placement) const
    {
        window->setScreenArea(screenArea());
        window->setHasArrow(placement.hasArrow);
        window->setPoint(placement.point, placement.side);
        window->setStyleMask(placement.styleMask);
    }

    void windowDidResignKey(Window*) override
    {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, q);
        const MainView* mainView = MainView::current();
        // A pinned window, or one showing a child window (a panel, a sheet),
        // stays when the focus goes elsewhere.
        if (window && window->isVisible() && window->childWindows().isEmpty() && !(mainView && mainView->isPinned()))
            q->setActive(false);
    }

    void windowWillClose(Window*) override
    {
        q->setActive(false);
        if (!window) return;
        for (Window* child : window->childWindows()) {
            window->removeChildWindow(child);
            child->close();
        }
    }
};

WindowController::WindowController(std::unique_ptr<Private> d) : d(std::move(d))
{
    this->d->q = this;
}

WindowController::~WindowController()
{
    d->pendingClose.invalidate();
    d->pendingResign.invalidate();
    if (d->window) d->window->setDelegate(nullptr);
}

std::unique_ptr<WindowController> WindowController::initWithSplashScreen(ShellHost* rootApp, View* content)
{
    auto d = std::make_unique<Private>();
    d->rootApp = rootApp;
    d->window = MAAttachedWindow::initWithView(content, QPointF(20, 0), nullptr, AttachedLeftDownward, 0);
    if (d->window) {
        const ChangesTogether together(d->window.get());
        d->window->setBackgroundColor(Color::clear());
        d->window->setBorderColor(Color::clear());
        d->window->setHasArrow(false);
    } else {
        qWarning() << "The splash screen has no view: it is not shown";
    }
    return std::unique_ptr<WindowController>(new WindowController(std::move(d)));
}

std::unique_ptr<WindowController> WindowController::initWithRootApp(ShellHost* rootApp)
{
    auto d = std::make_unique<Private>();
    d->rootApp = rootApp;
    const QPointF position = rootApp ? rootApp->statusItemPosition() : QPointF();
    d->window = MAAttachedWindow::initWithView(MainView::current(), position, nullptr, AttachedBelow, 0);
    std::unique_ptr<WindowController> controller(new WindowController(std::move(d)));
    MAAttachedWindow* window = controller->d->window.get();
    if (!window) {
        qWarning() << "There is no main view yet: the main window cannot be made";
        return controller;
    }
    const ChangesTogether together(window);
    window->setBorderColor(Color::calibratedRGB(55 / 255.0, 15 / 255.0, 0, 1));
    window->setBackgroundColor(Color::calibratedRGB(12 / 255.0, 34 / 255.0, 83 / 255.0, 1));
    window->setBorderWidth(1);
    window->setCornerRadius(6);
    window->setHasArrow(false);
    window->setViewMargin(WindowPlacement::mainWindowMargin);
    window->setArrowBaseWidth(20);
    window->setArrowHeight(WindowPlacement::mainWindowArrowHeight);
    window->setDelegate(controller->d.get());
    window->setLevel(Window::Level::Normal);
    return controller;
}

MAAttachedWindow* WindowController::popoverWindow() const
{
    return d->window.get();
}

ShellHost* WindowController::rootApp() const
{
    return d->rootApp;
}

void WindowController::setRootApp(ShellHost* rootApp)
{
    d->rootApp = rootApp;
}

bool WindowController::isActive() const
{
    return d->active;
}

void WindowController::setActive(bool active)
{
    if (active == d->active) return;
    const bool old = d->active;
    d->active = active;
    if (active) openWindow();
    else closeWindow();
    Q_EMIT isActiveChanged(old, active);
}

void WindowController::showSplashScreen(std::function<void()> shown)
{
    MAAttachedWindow* window = d->window.get();
    if (!window) return;
    d->pendingClose.invalidate();
    d->statusItemNeedsDisplay();
    const WindowPlacement placement = WindowPlacement::forSplash(d->screenSize());
    {
        const ChangesTogether together(window);
        d->place(placement);
    }
    d->activate();
    window->setAlphaValue(0);
    window->makeKeyAndOrderFront();
    window->redisplay();
    window->fadeAlphaTo(1, fadeInSeconds, std::move(shown));
}

void WindowController::openWindow()
{
    MAAttachedWindow* window = d->window.get();
    if (!window) {
        qWarning() << "The main window was never made: nothing to open";
        return;
    }
    // Opened again before an earlier close came due: that close is void.
    d->pendingClose.invalidate();

    const MainView* mainView = MainView::current();
    const bool planner = mainView && mainView->isPlannerExpand();
    const bool dockedLeft = mainView && mainView->isDockedLeft();
    const bool dockedRight = mainView && mainView->isDockedRight();

    if (planner || (!dockedLeft && !dockedRight)) d->statusItemNeedsDisplay();
    {
        const ChangesTogether together(window);
        d->place(d->mainWindowPlacement());
        d->activate();

        // The window sizes itself round its view and hangs from its point.
        window->setAlphaValue(0);
        window->redisplay();
    }
    window->makeKeyAndOrderFront();
    window->fadeAlphaTo(1, fadeInSeconds);

    if (!planner && dockedLeft) d->activate();
    if (MainView* view = MainView::current()) view->reloadData();

    QPointer<WindowController> self(this);
    d->pendingResign.invalidate();
    d->pendingResign = MainQueue::after(resignFocusDelaySeconds, [self] {
        if (self) self->customResignFirstResponder();
    });
}

void WindowController::prepareToOpen(double secondsLeft)
{
    MAAttachedWindow* window = d->window.get();
    if (!window || window->isVisible()) return;
    {
        const ChangesTogether together(window);
        d->place(d->mainWindowPlacement());
        window->redisplay();
    }
    // The native window is made now rather than on the way to the screen.
    window->winId();
    // Drawn ahead it saves the opening about as much as it costs; drawn
    // with too little of the wait left, it would hold the opening back.
    if (!(secondsLeft >= drawAheadSeconds)) return;
    // Drawn once onto a single pixel, where nobody sees it: the fonts,
    // glyphs, text layouts and images the window's first picture needs are
    // loaded then, not while the user waits for it, at about half the cost
    // of a whole picture. The opening draws the window again from what is
    // current.
    QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
    pixel.setDevicePixelRatio(window->devicePixelRatioF());
    window->render(&pixel);
}

void WindowController::closeWindow()
{
    d->statusItemNeedsDisplay();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
    if (MAAttachedWindow* window = d->window.get()) {
        window->fadeAlphaTo(0, fadeOutSeconds);
        QPointer<MAAttachedWindow> target(window);
        d->pendingClose.invalidate();
        d->pendingClose = MainQueue::after(closeDelaySeconds, [target] {
            if (target) target->close();
        });
    }
    if (MainView* view = MainView::current()) view->resetData();
}

void WindowController::customResignFirstResponder()
{
    MAAttachedWindow* window = d->window.get();
    if (!window) return;
    // Taking the focus away ends a field's editing as leaving it would.
    if (QWidget* focus = window->focusWidget()) focus->clearFocus();
}
