#pragma once

#include "NotificationPayload.h"

#include <QString>
#include <QVariantMap>

// One notification: a fixed name, the object it is about (possibly none) and
// a map of details under fixed keys (the user info; usually empty).
class Notification {
public:
    explicit Notification(const QString& name, const NotificationPayload& object = {},
                          const QVariantMap& userInfo = {});

    const QString& name() const { return m_name; }
    const std::any& object() const { return m_object.value(); }
    const void* objectIdentity() const { return m_object.identity(); }
    bool hasObject() const { return !m_object.isNull(); }
    const QVariantMap& userInfo() const { return m_userInfo; }

    // The object as T; T's empty value when there is none or it is another type.
    template <class T>
    T objectAs() const
    {
        return m_object.as<T>();
    }

private:
    QString m_name;
    NotificationPayload m_object;
    QVariantMap m_userInfo;
};
