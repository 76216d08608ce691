#pragma once

#include "Notification.h"

#include <QHash>
#include <QMetaObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QObject;

// The in-process event bus. Observers register for a name, optionally only
// for the posts of one object, and are called synchronously in the order they
// registered. An observer is a QObject: destroying it removes every one of
// its registrations, so a destroyed observer is never called.
//
// Delivery works on a snapshot taken without holding the centre's lock while
// observers run: an observer removed during a delivery is not called after
// its removal, one added during a delivery sees the next post.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();

    // `object` filters on the poster's object identity (see
    // NotificationPayload::identityOf); null receives every post of the name.
    void addObserver(QObject* observer, const QString& name, const void* object, Handler handler);
    void removeObserver(QObject* observer);
    void removeObserver(QObject* observer, const QString& name);

    // Synchronous, on the calling thread.
    void postNotification(const Notification& notification);
    void postNotificationName(const QString& name, const NotificationPayload& object = {},
                              const QVariantMap& userInfo = {});

    // Delivered on the main thread: at once when called there; from another
    // thread the caller waits until every observer has run. The caller must
    // hold no lock the main thread may be waiting for (the record lock
    // included), or both threads wait for ever.
    void postNotificationOnMainThreadName(const QString& name, const NotificationPayload& object = {},
                                          const QVariantMap& userInfo = {});

    // Holds this thread's main-thread posts while it lives: a command that
    // may still be undone must not tell the views about it, and must not wait
    // for the main thread while it holds the record lock. release() delivers
    // the held posts in order (into an enclosing hold, if any); a hold that
    // ends without release() drops them. Holds nest, innermost first.
    class HeldPosts {
    public:
        HeldPosts();
        ~HeldPosts();
        HeldPosts(const HeldPosts&) = delete;
        HeldPosts& operator=(const HeldPosts&) = delete;
        void release();
        // Ends the hold and answers what it held, in order, unrun: work done
        // off the main thread hands its posts to whoever may wait for it.
        std::vector<std::function<void()>> take();
        // Work that must wait for the posts held with it (the follow-ups of
        // a command) runs in their order at the release; at once when no
        // hold is open on this thread.
        static void runOrHold(std::function<void()> action);

    private:
        HeldPosts* m_outer;
        bool m_ended = false;
        std::vector<std::function<void()>> m_held;
    };

private:
    struct Registration;

    std::vector<std::shared_ptr<Registration>> registrationsFor(const Notification& notification) const;
    void watchForDestruction(QObject* observer);
    void forget(QObject* observer, const QString* name);

    mutable std::mutex m_mutex;
    QHash<QString, std::vector<std::shared_ptr<Registration>>> m_registrations;
    // Each observer's registrations, so that forgetting one observer does
    // not walk everyone's: a grid of hundreds of boxes, each observing, comes
    // and goes at every reload. Forgotten registrations are only marked in
    // their name's list and swept once they are half of it.
    QHash<QObject*, std::vector<std::pair<QString, std::shared_ptr<Registration>>>> m_byObserver;
    QHash<QString, qsizetype> m_forgottenCount;
    QHash<QObject*, QMetaObject::Connection> m_watched;
    // Context of the destruction watches: they end with the centre.
    std::unique_ptr<QObject> m_watchContext;
};
