#pragma once

#include <QObject>
#include <QString>

#include <memory>

inline const QString kReachabilityChangedNotification = QStringLiteral("kNetworkReachabilityChangedNotification");

// A network monitor: of a host, of any internet route, or of the local Wi-Fi.
// Once started, each change of its status posts
// "kNetworkReachabilityChangedNotification" with the monitor as object.
class Reachability : public QObject {
    Q_OBJECT
public:
    enum Kind { Host, Internet, LocalWiFi };

    static std::shared_ptr<Reachability> reachabilityWithHostName(const QString& hostName);
    static std::shared_ptr<Reachability> reachabilityForInternetConnection();
    static std::shared_ptr<Reachability> reachabilityForLocalWiFi();

    explicit Reachability(Kind kind, const QString& hostName = QString());
    ~Reachability() override;

    // Spelled as its callers know it.
    bool startNotifer();
    void stopNotifier();

    // 0 not reachable, 1 through Wi-Fi, 2 through a wide-area link.
    int currentReachabilityStatus() const;
    Kind kind() const { return m_kind; }
    QString hostName() const { return m_hostName; }

private:
    void statusChanged();

    Kind m_kind;
    QString m_hostName;
    QMetaObject::Connection m_connection;
};
