#include "Notification.h"

Notification::Notification(const QString& name, const NotificationPayload& object,
                           const QVariantMap& userInfo)
    : m_name(name), m_object(object), m_userInfo(userInfo)
{
}
