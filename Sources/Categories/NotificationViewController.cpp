#include "NotificationViewController.h"

#include "MainViewAccess.h"
#include "NotificationList.h"
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
    return new NotificationList(frame);
}
