#include "GuruViewController.h"

#include "GuruView.h"
#include "NotificationCenter.h"
#include "Popover.h"
#include "View.h"

#include <QDebug>

GuruViewController::GuruViewController(QObject* parent) : QObject(parent)
{
    NotificationCenter::defaultCenter().addObserver(this, Popover::shouldCloseNotification, nullptr,
                                                    [this](const Notification&) { shouldClose(); });
}

GuruViewController::~GuruViewController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    delete m_popover;
}

void GuruViewController::showGuruPopOverAtPositionView(View* view, int type, int position)
{
    if (!view) {
        qWarning() << "A tip of type" << type << "was asked for beside no view; none is shown";
        return;
    }
    if (position < int(RectEdge::MinX) || position > int(RectEdge::MaxY)) {
        qWarning() << "A tip was asked for on edge" << position << "; it shows on the left";
        position = int(RectEdge::MinX);
    }
    if (!m_popover) {
        m_popover = new Popover(this);
        m_popover->setBehavior(PopoverBehavior::Transient);
        connect(m_popover, &Popover::didClose, this, [this] { popoverDidClose(); });
    }
    // A new tip each time, on its first page; the popover lets the one
    // before go and follows the new one's size, page after page.
    m_customView = new GuruView(type);
    m_popover->setContentView(m_customView);
    m_shownType = type;
    m_popover->showRelativeToRect(view->bounds(), view, RectEdge(position));
    // The anchor may not be on screen: then nothing shows and nothing stays.
    if (!m_popover->isShown()) dropPopover();
}

void GuruViewController::showGuruPopOverAtPositionView(View* view, int type)
{
    showGuruPopOverAtPositionView(view, type, defaultEdge);
}

void GuruViewController::popoverDidClose()
{
    dropPopover();
}

void GuruViewController::shouldClose()
{
    if (!m_popover) return;
    m_popover->close();
    dropPopover();
}

void GuruViewController::dropPopover()
{
    if (!m_popover) return;
    Popover* closed = m_popover;
    m_popover = nullptr;
    m_customView = nullptr;
    closed->disconnect(this);
    // Later: this may run inside the popover's own closing signal.
    closed->deleteLater();
}
