#include "Paths.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Private to its owner from the start: the folder holds the user's whole
// database. Folders above it are made as the system makes them.
bool makeOwnerOnlyFolder(const QString& path)
{
    if (QFileInfo(path).isDir()) return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return QFileInfo(path).isDir();  // made here, or by another start meanwhile
}

}  // namespace

QString Paths::applicationSupportFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !makeOwnerOnlyFolder(folder)) {
        qWarning() << "Cannot create the application-support folder" << folder;
        return QString();
    }
    return folder;
}

QString Paths::resourcesFolder()
{
    return QStringLiteral(ZORAVEL_RESOURCES_DIR);
}
