#pragma once

#include <QObject>
#include <QString>

#include <memory>

inline const QString kReachabilityChangedNotification = QStringLiteral("kNetworkReachabilityChangedNotification");

// A network monitor: of a host, of any internet route, or of the local
// link-local network (the local Wi-Fi kind). It reads the platform's flag word
// for its target and turns it into a status; once started, each change the
// platform reports posts "kNetworkReachabilityChangedNotification" on the main
// thread with the monitor as object. It caches nothing.
class Reachability : public QObject {
    Q_OBJECT
public:
    enum Kind { Host, Internet, LocalWiFi };

    // Status numbers.
    static constexpr int NotReachable = 0;
    static constexpr int Reachable = 1;
    static constexpr int ReachableDirectly = 2;

    // Null when the platform cannot watch that target (an empty host name).
    static std::shared_ptr<Reachability> reachabilityWithHostName(const QString& hostName);
    static std::shared_ptr<Reachability> reachabilityForInternetConnection();
    static std::shared_ptr<Reachability> reachabilityForLocalWiFi();

    explicit Reachability(Kind kind, const QString& hostName = QString());
    ~Reachability() override;

    // Spelled as its callers know them.
    bool startNotifer();
    void stopNotifer();

    // 0 not reachable, 1 reachable, 2 reachable over a direct link (the
    // local Wi-Fi kind answers only 0 or 1). Safe from any thread.
    int currentReachabilityStatus() const;
    // The platform's flag word for this monitor's target.
    quint32 currentFlags() const;

    static int networkStatusForFlags(quint32 flags);
    static int localWiFiStatusForFlags(quint32 flags);

    Kind kind() const { return m_kind; }
    bool localWiFiRef() const { return m_kind == LocalWiFi; }
    QString hostName() const { return m_hostName; }

private:
    void statusChanged();

    Kind m_kind;
    QString m_hostName;
    QMetaObject::Connection m_connection;
    quint32 m_lastFlags = 0;
};
