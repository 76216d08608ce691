#include "NotificationViewController.h"

#include "MainViewAccess.h"
#include "View.h"

NotificationViewController::NotificationViewController(QObject* parent)
    : PopoverViewController({QSizeF(300, 100), PopoverBehavior::Semitransient, RectEdge::MinY, true}, parent)
{
}

NotificationViewController::~NotificationViewController() = default;

void NotificationViewController::showNotificationViewPopOverAtPositionView(View* view)
{
    showAtPositionView(view);
}

void NotificationViewController::turnOffOpener()
{
    if (MainViewAccess* main = mainView()) main->setConvNotifBtnState(0);
}

View* NotificationViewController::makeContentView(const QRectF& frame)
{
    // Its list comes with the popover's own content; until then an empty
    // view of the popover's size.
    auto* view = new View(frame);
    view->setFlipped(true);
    return view;
}
