#include "NetworkStatus.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QMetaObject>
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

constexpr quint32 reachableAndDirect = NetworkStatus::reachableFlag | NetworkStatus::isDirectFlag;

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
    m_lastInternet = internetFlags();
    m_lastLink = localLinkFlags();
}

quint32 NetworkStatus::internetFlags() const
{
    const qint64 pinned = m_overrideInternet.load();
    if (pinned >= 0) return quint32(pinned);
    return m_backendLoaded ? platformFlags() : interfaceFlags();
}

quint32 NetworkStatus::localLinkFlags() const
{
    const qint64 pinned = m_overrideLink.load();
    if (pinned >= 0) return quint32(pinned);
    if (m_overrideInternet.load() >= 0) return isMachineOnline() ? reachableAndDirect : 0;
    return hasUsableInterface() ? reachableAndDirect : 0;
}

quint32 NetworkStatus::hostFlags(const QString& host) const
{
    const QString name = host.trimmed().toLower();
    if (name.isEmpty()) return 0;
    if (name == QLatin1String("localhost") || name.endsWith(QLatin1String(".localhost"))) return reachableAndDirect;
    const QHostAddress address(name);
    if (!address.isNull() && address.isLoopback()) return reachableAndDirect;
    if (name == QLatin1String("invalid") || name.endsWith(QLatin1String(".invalid"))) return 0;
    return internetFlags();
}

void NetworkStatus::setOverride(std::optional<quint32> internetFlags, std::optional<quint32> localLinkFlags)
{
    m_overrideInternet = internetFlags ? qint64(*internetFlags) : -1;
    m_overrideLink = localLinkFlags ? qint64(*localLinkFlags) : -1;
    // The announcement runs where the monitors live.
    if (QThread::currentThread() == thread())
        announce();
    else
        QMetaObject::invokeMethod(this, &NetworkStatus::announce, Qt::BlockingQueuedConnection);
}

quint32 NetworkStatus::platformFlags() const
{
    const QNetworkInformation* info = QNetworkInformation::instance();
    switch (info->reachability()) {
    case QNetworkInformation::Reachability::Unknown: return interfaceFlags();
    case QNetworkInformation::Reachability::Online: return reachableFlag;
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site: return reachableFlag | connectionRequiredFlag;
    case QNetworkInformation::Reachability::Disconnected: return 0;
    }
    return 0;
}

// Without a backend, a usable interface is taken as a way out.
quint32 NetworkStatus::interfaceFlags() const
{
    return hasUsableInterface() ? reachableFlag : 0;
}

bool NetworkStatus::hasUsableInterface() const
{
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces())
        if (isUsableInterface(interface)) return true;
    return false;
}

void NetworkStatus::announce()
{
    const quint32 internet = internetFlags();
    const quint32 link = localLinkFlags();
    if (internet == m_lastInternet && link == m_lastLink) return;
    m_lastInternet = internet;
    m_lastLink = link;
    Q_EMIT changed();
}
