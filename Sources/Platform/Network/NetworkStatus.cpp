#include "NetworkStatus.h"

#include <QCoreApplication>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QThread>

namespace {

bool loadBackend()
{
    if (QNetworkInformation::loadDefaultBackend()) return true;
    return QNetworkInformation::loadBackendByName(u"glib");
}

bool isUsableInterface(const QNetworkInterface& interface)
{
    const auto flags = interface.flags();
    if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)) return false;
    if (flags.testFlag(QNetworkInterface::IsLoopBack)) return false;
    return !interface.addressEntries().isEmpty();
}

}  // namespace

NetworkStatus& NetworkStatus::instance()
{
    static NetworkStatus* status = [] {
        auto* created = new NetworkStatus();
        if (QCoreApplication::instance()) created->moveToThread(QCoreApplication::instance()->thread());
        return created;
    }();
    return *status;
}

NetworkStatus::NetworkStatus()
{
    m_backendLoaded = loadBackend();
    if (m_backendLoaded) {
        QNetworkInformation* info = QNetworkInformation::instance();
        connect(info, &QNetworkInformation::reachabilityChanged, this, &NetworkStatus::announce);
        connect(info, &QNetworkInformation::transportMediumChanged, this, &NetworkStatus::announce);
    }
    m_lastStatus = currentStatus();
}

int NetworkStatus::currentStatus() const
{
    if (m_override) return *m_override;
    return m_backendLoaded ? platformStatus() : interfaceStatus();
}

bool NetworkStatus::wifiReachable() const
{
    return currentStatus() == ReachableViaWiFi;
}

void NetworkStatus::setOverride(std::optional<int> status)
{
    m_override = status;
    announce();
}

int NetworkStatus::platformStatus() const
{
    const QNetworkInformation* info = QNetworkInformation::instance();
    const auto reachability = info->reachability();
    if (reachability == QNetworkInformation::Reachability::Unknown) return interfaceStatus();
    if (reachability != QNetworkInformation::Reachability::Online) return NotReachable;
    return info->transportMedium() == QNetworkInformation::TransportMedium::WiFi ? ReachableViaWiFi
                                                                                : ReachableViaWWAN;
}

int NetworkStatus::interfaceStatus() const
{
    int status = NotReachable;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (!isUsableInterface(interface)) continue;
        if (interface.type() == QNetworkInterface::Wifi) return ReachableViaWiFi;
        status = ReachableViaWWAN;
    }
    return status;
}

void NetworkStatus::announce()
{
    const int status = currentStatus();
    if (status == m_lastStatus) return;
    m_lastStatus = status;
    Q_EMIT statusChanged(status);
}
