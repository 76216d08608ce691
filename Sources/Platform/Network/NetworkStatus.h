#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <optional>

// The machine's network as reachability flag words, the form the monitors
// read: reachable (2), connection required (4: only a local network is up),
// is direct (0x20000: a link the machine sits on itself). It asks the
// platform's network-information backends (the default one, then "glib")
// and, where none loads, looks at the network interfaces itself. Tests pin
// the state.
class NetworkStatus : public QObject {
    Q_OBJECT
public:
    static constexpr quint32 reachableFlag = 2;
    static constexpr quint32 connectionRequiredFlag = 4;
    static constexpr quint32 isDirectFlag = 0x20000;

    static NetworkStatus& instance();

    // The route to the internet (any address): reachable when online,
    // reachable with connection required when only a local network is up.
    quint32 internetFlags() const;
    // The link-local network: reachable and direct while a usable interface
    // (up, running, not loopback) is there.
    quint32 localLinkFlags() const;
    // A host by name: this machine's own names and addresses are always
    // reachable and direct; names of the reserved ".invalid" domain never
    // resolve; any other host is as reachable as the internet. No name
    // server is asked.
    quint32 hostFlags(const QString& host) const;
    bool isMachineOnline() const { return (internetFlags() & reachableFlag) != 0; }

    // Tests: pin the internet flags (the link-local ones follow: reachable
    // and direct whenever the internet is reachable, unless given); a change
    // is announced like a real one. std::nullopt returns to the real state.
    // Safe from any thread.
    void setOverride(std::optional<quint32> internetFlags, std::optional<quint32> localLinkFlags = std::nullopt);

Q_SIGNALS:
    void changed();

private:
    NetworkStatus();
    quint32 platformFlags() const;
    quint32 interfaceFlags() const;
    bool hasUsableInterface() const;
    void announce();

    bool m_backendLoaded = false;
    // -1 while not pinned; read from any thread.
    std::atomic<qint64> m_overrideInternet{-1};
    std::atomic<qint64> m_overrideLink{-1};
    quint32 m_lastInternet = 0;
    quint32 m_lastLink = 0;
};
