#include "SystemTimeZoneWatcher.h"

#include "GregorianCalendar.h"
#include "NotificationCenter.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {

// A zone file is a few kilobytes; a larger one is not a zone file, and
// reading it whole on each change of /etc would be waste.
constexpr qint64 largestZoneFile = 1 << 20;

}  // namespace

SystemTimeZoneWatcher::SystemTimeZoneWatcher(const QString& zoneFile, QObject* parent)
    : QObject(parent), m_zoneFile(zoneFile), m_watcher(new QFileSystemWatcher(this))
{
    const QString folder = QFileInfo(zoneFile).absolutePath();
    if (!m_watcher->addPath(folder)) qWarning() << "Cannot watch the folder of the system zone" << folder;
    watchFile();
    m_identity = readIdentity();
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &SystemTimeZoneWatcher::somethingChanged);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SystemTimeZoneWatcher::somethingChanged);
}

QString SystemTimeZoneWatcher::systemZoneFile()
{
    return QStringLiteral("/etc/localtime");
}

SystemTimeZoneWatcher::Identity SystemTimeZoneWatcher::readIdentity() const
{
    Identity identity;
    const QFileInfo info(m_zoneFile);
    identity.target = info.symLinkTarget();
    QFile file(m_zoneFile);
    if (info.size() <= largestZoneFile && file.open(QIODevice::ReadOnly)) identity.bytes = file.read(largestZoneFile);
    return identity;
}

void SystemTimeZoneWatcher::watchFile()
{
    // Fails quietly while the file is away in the middle of a replacement;
    // the folder's change that brings it back sets the watch again.
    if (QFileInfo::exists(m_zoneFile) && !m_watcher->files().contains(m_zoneFile)) m_watcher->addPath(m_zoneFile);
}

void SystemTimeZoneWatcher::somethingChanged()
{
    // Away between the removal and the new file of a replacement that is
    // not atomic: the arrival of the new one tells the change.
    if (!QFileInfo::exists(m_zoneFile)) return;
    watchFile();
    Identity identity = readIdentity();
    if (identity == m_identity) return;
    m_identity = std::move(identity);
    qInfo() << "The system time zone file changed:" << m_zoneFile;
    GregorianCalendar::resetSystemZone();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kSystemTimeZoneDidChangeNotification);
}
