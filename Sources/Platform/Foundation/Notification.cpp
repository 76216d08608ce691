#include "Notification.h"

Notification::Notification(const QString& name, const NotificationPayload& object)
    : m_name(name), m_object(object)
{
}
