#include "Reachability.h"

#include "NetworkStatus.h"
#include "NotificationCenter.h"

std::shared_ptr<Reachability> Reachability::reachabilityWithHostName(const QString& hostName)
{
    return std::make_shared<Reachability>(Host, hostName);
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection()
{
    return std::make_shared<Reachability>(Internet);
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi()
{
    return std::make_shared<Reachability>(LocalWiFi);
}

Reachability::Reachability(Kind kind, const QString& hostName) : m_kind(kind), m_hostName(hostName) {}

Reachability::~Reachability()
{
    stopNotifier();
}

bool Reachability::startNotifer()
{
    if (m_connection) return true;
    m_connection = connect(&NetworkStatus::instance(), &NetworkStatus::statusChanged, this,
                           &Reachability::statusChanged);
    return static_cast<bool>(m_connection);
}

void Reachability::stopNotifier()
{
    if (m_connection) disconnect(m_connection);
    m_connection = {};
}

int Reachability::currentReachabilityStatus() const
{
    const int status = NetworkStatus::instance().currentStatus();
    // A host is as reachable as the route to it: we ask no name server here,
    // so a monitor of a host follows the internet connection.
    if (m_kind == LocalWiFi) return status == NetworkStatus::ReachableViaWiFi ? status : NetworkStatus::NotReachable;
    return status;
}

void Reachability::statusChanged()
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kReachabilityChangedNotification, this);
}
