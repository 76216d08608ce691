// What writes to the calendar store leave behind when the program is killed
// in the middle: the ".part" file a write fills before it takes its place.
#include "iCalSyncJobs.h"

#include <QDebug>
#include <QFile>

#include <cstring>

#include <strings.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The regular ".part" files under the open folder, and under its folders;
// symbolic links are not followed, so nothing outside the store is touched.
// The start walks every file of the store here before the splash: the
// directory entries' own types spare a status read of each of them.
int removePartFiles(int folderFd)
{
    DIR* folder = ::fdopendir(folderFd);
    if (!folder) {
        ::close(folderFd);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat status {};
            if (::fstatat(::dirfd(folder), name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_LNK;
        }
        if (type == DT_DIR) {
            const int child = ::openat(::dirfd(folder), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) removed += removePartFiles(child);
            continue;
        }
        const size_t length = std::strlen(name);
        if (type != DT_REG || length < 5 || ::strcasecmp(name + length - 5, ".part") != 0) continue;
        if (::unlinkat(::dirfd(folder), name, 0) == 0) ++removed;
    }
    ::closedir(folder);
    return removed;
}

}  // namespace

void iCalSyncJobs::removeInterruptedWrites()
{
    if (!m_iCalStore) return;
    // The root itself may be a link to where the user keeps the store.
    const int root = ::open(QFile::encodeName(m_iCalStore->rootPath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) return;
    const int removed = removePartFiles(root);
    if (removed > 0) qInfo() << "Calendar store:" << removed << "files of interrupted writes removed";
}
