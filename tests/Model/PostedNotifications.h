#pragma once

#include "Notification.h"
#include "NotificationCenter.h"
#include "ZVWSync.h"

#include <QList>
#include <QObject>
#include <QStringList>

// Records every post of the given names while it lives, in order.
class PostedNotifications {
public:
    explicit PostedNotifications(const QStringList& names)
    {
        for (const QString& name : names)
            NotificationCenter::defaultCenter().addObserver(&m_observer, name, nullptr,
                                                            [this](const Notification& n) { m_posts.append(n); });
    }
    PostedNotifications(const PostedNotifications&) = delete;
    PostedNotifications& operator=(const PostedNotifications&) = delete;

    QList<Notification> posts() const { return m_posts; }
    QStringList names() const
    {
        QStringList names;
        for (const Notification& post : m_posts) names.append(post.name());
        return names;
    }
    // The bitmasks of the auto-sync requests, in order.
    QList<qint64> autoSyncRequests() const
    {
        QList<qint64> bits;
        for (const Notification& post : m_posts)
            if (post.name() == kAutoSyncNotification) bits.append(post.objectAs<qint64>());
        return bits;
    }

private:
    QObject m_observer;
    QList<Notification> m_posts;
};
