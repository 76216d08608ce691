// What writes to the calendar store leave behind when the program is killed
// in the middle: the ".part" file a write fills before it takes its place.
#include "iCalSyncJobs.h"

#include <QDebug>
#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>

void iCalSyncJobs::removeInterruptedWrites()
{
    if (!m_iCalStore) return;
    int removed = 0;
    // Symbolic links are not followed: nothing outside the store is touched.
    QDirIterator files(m_iCalStore->rootPath(), {QStringLiteral("*.part")}, QDir::Files | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        struct stat status {};
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        if (QFile::remove(path)) ++removed;
    }
    if (removed > 0) qInfo() << "Calendar store:" << removed << "files of interrupted writes removed";
}
