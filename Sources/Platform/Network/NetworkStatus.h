#pragma once

#include <QObject>

#include <optional>

// The machine's network state as one number: 0 not reachable, 1 reachable
// through Wi-Fi, 2 reachable through another link. It asks the platform's
// network-information backends (the default one, then "glib") and, where none
// loads, looks at the network interfaces itself. Tests set the state.
class NetworkStatus : public QObject {
    Q_OBJECT
public:
    enum Status { NotReachable = 0, ReachableViaWiFi = 1, ReachableViaWWAN = 2 };

    static NetworkStatus& instance();

    int currentStatus() const;
    // Whether the Wi-Fi link alone is up.
    bool wifiReachable() const;

    // Tests: pin the state; a change of the pinned state is announced like a
    // real one. std::nullopt returns to the real state.
    void setOverride(std::optional<int> status);

Q_SIGNALS:
    void statusChanged(int status);

private:
    NetworkStatus();
    int platformStatus() const;
    int interfaceStatus() const;
    void announce();

    bool m_backendLoaded = false;
    std::optional<int> m_override;
    int m_lastStatus = NotReachable;
};
