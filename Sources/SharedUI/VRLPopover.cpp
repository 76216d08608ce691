#include "VRLPopover.h"

#include "Screen.h"
#include "View.h"

#include <QDebug>
#include <QGuiApplication>
#include <QWindow>

#include <cmath>

namespace {

// The parent's origin in our screen coordinates (its bottom left).
QPointF toScreen(const Window* parentWindow, const QPointF& point)
{
    if (!parentWindow) return point;
    const QRectF frame = parentWindow->frame();
    return {frame.x() + point.x(), frame.y() + point.y()};
}

}  // namespace

VRLPopover::VRLPopover(View* contentView, QObject* parent) : QObject(parent)
{
    if (!contentView) contentView = new View(QRectF(0, 0, 100, 100));
    m_contentView = contentView;
    const QSizeF size = contentView->frame().size();
    m_popoverWindow = std::make_unique<VRLPopoverWindow>(QRectF(QPointF(0, 0), size));
    m_popoverWindow->setPopoverContentView(contentView);
    m_popoverWindow->setMinimumSize(size.toSize());
    m_popoverWindow->setDelegate(this);
    // Escape closes it, also from the window it hangs from (a list under a
    // field of that window keeps the window open).
    m_popoverWindow->setCancelAction([this] { closePopover(); });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) applicationDidResignActive();
    });
}

VRLPopover::~VRLPopover()
{
    m_popoverWindow->setDelegate(nullptr);
    if (Window* parent = m_popoverWindow->parentWindow()) parent->removeChildWindow(m_popoverWindow.get());
    m_popoverWindow.reset();
    delete m_contentView.data();
}

void VRLPopover::displayPopoverInWindow(Window* parentWindow, const QPointF& point, bool chooseBestLocation)
{
    if (isVisible()) return;
    if (!std::isfinite(point.x()) || !std::isfinite(point.y())) {
        qWarning() << "The popover is not shown at a point that is not a number";
        return;
    }
    if (chooseBestLocation) setPosition(bestPositionInWindow(parentWindow, point));
    const QPointF origin = toScreen(parentWindow, point) - m_popoverWindow->popoverWindowFrame()->attachmentPoint();
    m_popoverWindow->setFrameOrigin(origin);
    if (m_animates) m_popoverWindow->setAlphaValue(0);
    if (parentWindow) parentWindow->addChildWindow(m_popoverWindow.get(), Window::Ordering::Above);
    if (m_becomesKeyWhenShown) {
        m_popoverWindow->makeKeyAndOrderFront();
    } else {
        // A window manager stacks a window it maps without focus under the
        // focused one: raised again once it is on screen.
        m_raiseWhenExposed = true;
        m_popoverWindow->orderFront();
        // The window's handle may be a new one since the last showing.
        if (QWindow* handle = m_popoverWindow->windowHandle()) handle->installEventFilter(this);
    }
    if (m_animates) m_popoverWindow->fadeAlphaTo(1.0, fadeSeconds);
}

void VRLPopover::setBecomesKeyWhenShown(bool becomesKey)
{
    m_becomesKeyWhenShown = becomesKey;
    // A window manager hands a newly mapped window the keyboard unless told
    // the window is shown without activation.
    m_popoverWindow->setAttribute(Qt::WA_ShowWithoutActivating, !becomesKey);
}

bool VRLPopover::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose && m_raiseWhenExposed && m_popoverWindow->windowHandle() == watched
        && m_popoverWindow->windowHandle()->isExposed()) {
        m_raiseWhenExposed = false;
        m_popoverWindow->raise();
    }
    return QObject::eventFilter(watched, event);
}

void VRLPopover::closePopover()
{
    if (!isVisible()) return;
    VRLPopoverWindow* window = m_popoverWindow.get();
    auto takeAway = [window] {
        if (Window* parent = window->parentWindow()) parent->removeChildWindow(window);
        window->orderOut();
    };
    if (!m_animates) {
        takeAway();
        return;
    }
    // A fade replaced by a new one drops this completion, so a popover shown
    // again meanwhile stays.
    window->fadeAlphaTo(0, fadeSeconds, [window, takeAway] {
        if (window->alphaValue() > 0) return;
        takeAway();
        window->setAlphaValue(1.0);
    });
}

int VRLPopover::bestPositionInWindow(Window* parentWindow, const QPointF& point) const
{
    const QRectF screenArea = Screen::mainVisibleFrame();
    QRectF parentArea = screenArea;
    if (parentWindow) parentArea = parentWindow->frame().intersected(screenArea);
    return VRLPopoverWindowFrame::bestPosition(m_popoverWindow->frame().size(), toScreen(parentWindow, point),
                                               m_popoverWindow->popoverWindowFrame()->geometry(), screenArea,
                                               parentArea);
}

void VRLPopover::windowDidResignKey(Window*)
{
    if (m_closesWhenPopoverResignsKey) closePopover();
}

void VRLPopover::applicationDidResignActive()
{
    if (m_closesWhenApplicationBecomesInactive) closePopover();
}
