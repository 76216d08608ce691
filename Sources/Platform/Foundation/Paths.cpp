#include "Paths.h"

#include <QDebug>
#include <QDir>
#include <QStandardPaths>

QString Paths::applicationSupportFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        qWarning() << "Cannot create the application-support folder" << folder;
        return QString();
    }
    return folder;
}

QString Paths::resourcesFolder()
{
    return QStringLiteral(ZORAVEL_RESOURCES_DIR);
}
