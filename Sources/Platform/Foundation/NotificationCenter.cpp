#include "NotificationCenter.h"

#include "MainQueue.h"

#include <QDebug>
#include <QObject>

#include <atomic>

struct NotificationCenter::Registration {
    QObject* observer;
    const void* object;
    Handler handler;
    std::atomic<bool> active{true};
};

NotificationCenter::NotificationCenter() : m_watchContext(std::make_unique<QObject>()) {}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(QObject* observer, const QString& name, const void* object,
                                     Handler handler)
{
    if (!observer || !handler) {
        qWarning() << "NotificationCenter: observer or handler missing for" << name;
        return;
    }
    auto registration = std::make_shared<Registration>();
    registration->observer = observer;
    registration->object = object;
    registration->handler = std::move(handler);

    std::lock_guard lock(m_mutex);
    m_byObserver[observer].emplace_back(name, registration);
    m_registrations[name].push_back(std::move(registration));
    watchForDestruction(observer);
}

void NotificationCenter::watchForDestruction(QObject* observer)
{
    if (m_watched.contains(observer)) return;
    // Direct: the registrations must be gone before the destructor returns,
    // whichever thread it runs on.
    m_watched.insert(observer,
                     QObject::connect(observer, &QObject::destroyed, m_watchContext.get(),
                                      [this, observer] { forget(observer, nullptr); },
                                      Qt::DirectConnection));
}

void NotificationCenter::removeObserver(QObject* observer)
{
    forget(observer, nullptr);
}

void NotificationCenter::removeObserver(QObject* observer, const QString& name)
{
    forget(observer, &name);
}

void NotificationCenter::forget(QObject* observer, const QString* name)
{
    std::lock_guard lock(m_mutex);
    bool stillObserving = false;
    const auto mine = m_byObserver.find(observer);
    if (mine != m_byObserver.end()) {
        std::vector<QString> touched;
        std::erase_if(mine.value(), [&](const std::pair<QString, std::shared_ptr<Registration>>& entry) {
            if (name && entry.first != *name) {
                stillObserving = true;
                return false;
            }
            entry.second->active = false;
            touched.push_back(entry.first);
            return true;
        });
        if (mine.value().empty()) m_byObserver.erase(mine);
        for (const QString& touchedName : touched) {
            const auto list = m_registrations.find(touchedName);
            if (list == m_registrations.end()) continue;
            qsizetype& forgotten = m_forgottenCount[touchedName];
            ++forgotten;
            if (forgotten * 2 < qsizetype(list->size())) continue;
            std::erase_if(list.value(), [](const std::shared_ptr<Registration>& r) { return !r->active; });
            forgotten = 0;
            if (list->empty()) {
                m_registrations.erase(list);
                m_forgottenCount.remove(touchedName);
            }
        }
    }
    if (stillObserving) return;
    const auto watch = m_watched.constFind(observer);
    if (watch == m_watched.constEnd()) return;
    QObject::disconnect(watch.value());
    m_watched.erase(watch);
}

std::vector<std::shared_ptr<NotificationCenter::Registration>>
NotificationCenter::registrationsFor(const Notification& notification) const
{
    std::vector<std::shared_ptr<Registration>> found;
    std::lock_guard lock(m_mutex);
    const auto list = m_registrations.constFind(notification.name());
    if (list == m_registrations.constEnd()) return found;
    found.reserve(list->size());
    for (const auto& registration : *list) {
        if (!registration->active) continue;
        if (!registration->object || registration->object == notification.objectIdentity())
            found.push_back(registration);
    }
    return found;
}

void NotificationCenter::postNotification(const Notification& notification)
{
    for (const auto& registration : registrationsFor(notification)) {
        if (registration->active) registration->handler(notification);
    }
}

void NotificationCenter::postNotificationName(const QString& name, const NotificationPayload& object,
                                              const QVariantMap& userInfo)
{
    postNotification(Notification(name, object, userInfo));
}

namespace {
thread_local NotificationCenter::HeldPosts* innermostHold = nullptr;
}

void NotificationCenter::postNotificationOnMainThreadName(const QString& name,
                                                          const NotificationPayload& object,
                                                          const QVariantMap& userInfo)
{
    if (innermostHold) {
        HeldPosts::runOrHold([this, name, object, userInfo] {
            postNotificationOnMainThreadName(name, object, userInfo);
        });
        return;
    }
    const Notification notification(name, object, userInfo);
    MainQueue::sync([this, &notification] { postNotification(notification); });
}

NotificationCenter::HeldPosts::HeldPosts() : m_outer(innermostHold)
{
    innermostHold = this;
}

NotificationCenter::HeldPosts::~HeldPosts()
{
    if (!m_ended) innermostHold = m_outer;
}

void NotificationCenter::HeldPosts::runOrHold(std::function<void()> action)
{
    if (innermostHold)
        innermostHold->m_held.push_back(std::move(action));
    else
        action();
}

std::vector<std::function<void()>> NotificationCenter::HeldPosts::take()
{
    std::vector<std::function<void()>> held;
    if (m_ended) return held;
    m_ended = true;
    innermostHold = m_outer;
    held.swap(m_held);
    return held;
}

void NotificationCenter::HeldPosts::release()
{
    if (m_ended) return;
    m_ended = true;
    innermostHold = m_outer;
    std::vector<std::function<void()>> held;
    held.swap(m_held);
    // Into the enclosing hold when there is one, else delivered now.
    for (auto& action : held) runOrHold(std::move(action));
}
