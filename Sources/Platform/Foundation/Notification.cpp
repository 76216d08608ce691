#include "Notification.h"

Notification::Notification(const QString& name, const NotificationObject& object)
    : m_name(name), m_object(object)
{
}
