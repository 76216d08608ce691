#include "PopoverViewController.h"

#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "View.h"

#include <QDebug>

PopoverViewController::PopoverViewController(const Traits& traits, QObject* parent)
    : QObject(parent), m_traits(traits)
{
}

PopoverViewController::~PopoverViewController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    delete m_popover.data();
}

MainViewAccess* PopoverViewController::mainView()
{
    return MainViewAccess::current();
}

void PopoverViewController::_makePopoverIfNeeded()
{
    if (m_popover) return;
    auto* popover = new Popover(this);
    popover->setBehavior(m_traits.behavior);
    popover->setContentResizeDuration(resizeDuration);
    connect(popover, &Popover::didClose, this, [this, popover](PopoverCloseReason reason) {
        // Closes asked for by the program are the asker's business.
        if (reason == PopoverCloseReason::Asked || reason == PopoverCloseReason::ShouldClose) return;
        if (popover == m_popover) popoverDidClose();
    });
    m_popover = popover;
}

void PopoverViewController::showAtPositionView(View* anchor)
{
    if (!anchor) {
        qWarning() << metaObject()->className() << "was asked to show its popover beside no view; it stays closed";
        return;
    }
    _makePopoverIfNeeded();
    View* content = makeContentView(QRectF(QPointF(0, 0), m_traits.contentSize));
    m_customView = content;
    m_popover->setContentView(content);
    // Once for the controller's life: the handler is the same at every showing.
    if (!m_observing) {
        m_observing = true;
        NotificationCenter::defaultCenter().addObserver(this, kPopoverShouldClose, nullptr,
                                                        [this](const Notification&) { shouldClose(); });
    }
    m_popover->showRelativeToRect(anchor->bounds(), anchor, m_traits.preferredEdge);
    if (m_traits.setsHasPopup)
        if (MainViewAccess* main = mainView()) main->setHasPopup(true);
}

void PopoverViewController::shouldClose()
{
    if (m_popover) m_popover->close();
    dropPopover();
    turnOffOpener();
    if (m_traits.setsHasPopup)
        if (MainViewAccess* main = mainView()) main->setHasPopup(false);
}

void PopoverViewController::popoverDidClose()
{
    dropPopover();
    turnOffOpener();
    if (m_traits.setsHasPopup)
        if (MainViewAccess* main = mainView()) main->setHasPopup(false);
}

// Later: the close may come from inside the content view's own handler.
void PopoverViewController::dropPopover()
{
    if (!m_popover) return;
    Popover* popover = m_popover;
    m_popover = nullptr;
    popover->close();
    popover->deleteLater();
}
