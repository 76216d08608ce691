#include "CreatingViewController.h"

#include "Button.h"
#include "CreatingView.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "View.h"
#include "Window.h"

#include <QDebug>
#include <QLineEdit>

CreatingViewController::CreatingViewController(Button* addNewBtn, QObject* parent)
    : QObject(parent), m_addNewBtn(addNewBtn)
{
    // Once for the controller's life: the popover shows and closes many times.
    NotificationCenter::defaultCenter().addObserver(this, Popover::shouldCloseNotification, nullptr,
                                                    [this](const Notification&) { shouldClose(); });
}

CreatingViewController::~CreatingViewController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (!m_popover) return;
    disconnect(m_popover, nullptr, this, nullptr);
    if (m_popover->isShown())
        if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setHasPopup(false);
    delete m_popover;
}

void CreatingViewController::makePopoverIfNeeded()
{
    if (m_popover) return;
    m_popover = new Popover(this);
    m_popover->setBehavior(PopoverBehavior::Semitransient);
    connect(m_popover, &Popover::didClose, this, &CreatingViewController::popoverDidClose);
}

void CreatingViewController::dropPopover()
{
    if (!m_popover) return;
    Popover* popover = m_popover;
    m_popover = nullptr;
    m_customView = nullptr;
    disconnect(popover, nullptr, this, nullptr);
    // Later: this runs inside the popover's own close.
    popover->deleteLater();
}

void CreatingViewController::showViewPopOverAtPositionView(View* positioningView, qint32 objType)
{
    if (!positioningView || !positioningView->isVisible()) {
        qWarning() << "The quick create popover was asked for beside a view that is not on screen";
        if (m_addNewBtn && m_addNewBtn->state() != OffState) m_addNewBtn->setState(OffState);
        return;
    }
    makePopoverIfNeeded();
    // Every showing starts from an empty view; the popover drops the last.
    auto* view = new CreatingView(QRectF(0, 0, CreatingView::viewWidth, CreatingView::compactHeight));
    view->setObjType(objType);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    if (m_customView) center.removeObserver(this, View::frameDidChangeNotification);
    m_customView = view;
    m_popover->setContentView(view);
    center.addObserver(this, View::frameDidChangeNotification, NotificationPayload::identityOf(view),
                       [this](const Notification&) { resize(); });
    m_positioningView = positioningView;
    m_popover->showRelativeToRect(QRectF(), positioningView, RectEdge::MinY);
    if (!m_popover->isShown()) {
        // Nothing shows, so the button must not say it does.
        qWarning() << "The quick create popover could not show";
        dropPopover();
        if (m_addNewBtn) m_addNewBtn->setState(OffState);
        return;
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setHasPopup(true);
    // Ready for typing at once: the popover's window takes the keyboard.
    if (auto* window = qobject_cast<Window*>(m_popover->window())) window->makeKeyAndOrderFront();
    view->titleField()->editor()->setFocus(Qt::OtherFocusReason);
}

void CreatingViewController::resize()
{
    // The kit's popover follows its content view's size; shown again at its
    // anchor it keeps its edge there as it grows.
    if (!m_popover || !m_popover->isShown() || !m_positioningView) return;
    m_popover->showRelativeToRect(QRectF(), m_positioningView, RectEdge::MinY);
}

void CreatingViewController::popoverDidClose(PopoverCloseReason)
{
    NotificationCenter::defaultCenter().removeObserver(this, View::frameDidChangeNotification);
    // Whether the user pressed elsewhere or something asked for the close,
    // the toggle must not stay on over a closed popover.
    if (m_addNewBtn && m_addNewBtn->state() != OffState) m_addNewBtn->setState(OffState);
    dropPopover();
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setHasPopup(false);
}

void CreatingViewController::shouldClose()
{
    if (m_popover && m_popover->isShown()) m_popover->close();
}
