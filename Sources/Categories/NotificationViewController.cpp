#include "NotificationViewController.h"

#include "CategoryPopovers.h"
#include "Popover.h"
#include "PopoverListView.h"
#include "TextTable.h"

NotificationViewController::NotificationViewController(QObject* parent) : QObject(parent) {}

NotificationViewController::~NotificationViewController() = default;

void NotificationViewController::showNotificationViewPopOverAtPositionView(View* view)
{
    CategoryPopovers::showBelow(m_popover, this,
                                TextTable::localizedString(QStringLiteral("newCommentsTitle")), view);
}

PopoverListView* NotificationViewController::contentView() const
{
    return m_popover ? static_cast<PopoverListView*>(m_popover->contentView()) : nullptr;
}
