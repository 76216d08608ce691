#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QFileSystemWatcher;

// Posted through the default NotificationCenter on the main thread once the
// system zone has been read again (GregorianCalendar::systemZone() already
// gives the new one); no object.
inline const QString kSystemTimeZoneDidChangeNotification = QStringLiteral("SystemTimeZoneDidChangeNotification");

// Watches the file that names the system zone. Tools replace that file (a new
// symbolic link, or a copy renamed over it) rather than edit it, and a watch
// on a replaced file ends: the folder is watched too, and the file's watch is
// set again after each change. A change counts only when the file now points
// elsewhere or holds other bytes, so other files of the folder coming and
// going post nothing.
class SystemTimeZoneWatcher : public QObject {
    Q_OBJECT

public:
    explicit SystemTimeZoneWatcher(const QString& zoneFile, QObject* parent = nullptr);

    static QString systemZoneFile();  // /etc/localtime
    QString zoneFile() const { return m_zoneFile; }

private:
    struct Identity {
        QString target;
        QByteArray bytes;
        bool operator==(const Identity&) const = default;
    };

    Identity readIdentity() const;
    void somethingChanged();
    void watchFile();

    QString m_zoneFile;
    QFileSystemWatcher* m_watcher;
    Identity m_identity;
};
