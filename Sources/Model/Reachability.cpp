#include "Reachability.h"

#include "NetworkStatus.h"
#include "NotificationCenter.h"

namespace {
// Flag bits beyond those the platform layer names.
constexpr quint32 connectionOnTraffic = 8;
constexpr quint32 interventionRequired = 16;
constexpr quint32 connectionOnDemand = 32;
}  // namespace

std::shared_ptr<Reachability> Reachability::reachabilityWithHostName(const QString& hostName)
{
    if (hostName.trimmed().isEmpty()) return nullptr;
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
    stopNotifer();
}

bool Reachability::startNotifer()
{
    if (m_connection) return true;
    m_lastFlags = currentFlags();
    m_connection = connect(&NetworkStatus::instance(), &NetworkStatus::changed, this, &Reachability::statusChanged);
    return static_cast<bool>(m_connection);
}

void Reachability::stopNotifer()
{
    if (m_connection) disconnect(m_connection);
    m_connection = {};
}

quint32 Reachability::currentFlags() const
{
    const NetworkStatus& network = NetworkStatus::instance();
    switch (m_kind) {
    case Host: return network.hostFlags(m_hostName);
    case Internet: return network.internetFlags();
    case LocalWiFi: return network.localLinkFlags();
    }
    return 0;
}

int Reachability::currentReachabilityStatus() const
{
    const quint32 flags = currentFlags();
    return m_kind == LocalWiFi ? localWiFiStatusForFlags(flags) : networkStatusForFlags(flags);
}

int Reachability::networkStatusForFlags(quint32 flags)
{
    if (!(flags & NetworkStatus::reachableFlag)) return NotReachable;
    int status = (flags & NetworkStatus::connectionRequiredFlag) ? NotReachable : Reachable;
    // A connection the system makes by itself when asked counts, unless the
    // user has to step in.
    if ((flags & (connectionOnTraffic | connectionOnDemand)) && !(flags & interventionRequired)) status = Reachable;
    if (flags & NetworkStatus::isDirectFlag) status = ReachableDirectly;
    return status;
}

int Reachability::localWiFiStatusForFlags(quint32 flags)
{
    const quint32 both = NetworkStatus::reachableFlag | NetworkStatus::isDirectFlag;
    return (flags & both) == both ? Reachable : NotReachable;
}

// Like the platform, a monitor reports only changes of its own target's flags.
void Reachability::statusChanged()
{
    const quint32 flags = currentFlags();
    if (flags == m_lastFlags) return;
    m_lastFlags = flags;
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kReachabilityChangedNotification, this);
}
