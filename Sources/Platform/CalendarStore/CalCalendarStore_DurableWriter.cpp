// The durable writes of the store's files: each written beside its place
// and renamed (or linked in whole), never through a symbolic link, and
// flushed to the disk alone or with its batch.
#include "CalCalendarStore.h"

#include "CalCalendarStoreShared.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<CalCalendarStore::SyncCall> syncCall{nullptr};

// A batch flushes with up to this many threads beside its own, one for every
// so many files beyond the first ones.
constexpr qsizetype flushHelpers = 7;
constexpr qsizetype flushesPerHelper = 32;

int syncDescriptor(int fd)
{
    const CalCalendarStore::SyncCall call = syncCall.load();
    return call ? call(fd) : ::fsync(fd);
}

// Everything written to the filesystem of that open folder; the test's
// stand-in for the disk takes this flush too.
int syncFileSystem(int fd)
{
    const CalCalendarStore::SyncCall call = syncCall.load();
    return call ? call(fd) : ::syncfs(fd);
}

// Writes all of bytes, through interruptions and short writes.
bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        left -= written;
    }
    return true;
}

}  // namespace

bool CalCalendarStore::writeFileLocked(const QString& path, const QByteArray& bytes, CalError* error)
{
    if (refusesLinkedPathLocked(path, error)) return false;
    if (PendingWrites* pending = openBatchLocked()) return writeWithoutFlushLocked(path, bytes, pending, error);
    PendingWrites alone;
    return writeWithoutFlushLocked(path, bytes, &alone, error) && flushLocked(&alone, error);
}

bool CalCalendarStore::removeFileLocked(const QString& path, CalError* error)
{
    if (refusesLinkedPathLocked(path, error)) return false;
    // A file removed again needs no flush (its folder still does).
    if (PendingWrites* pending = openBatchLocked()) pending->files.remove(path);
    if (QFile::remove(path) || !QFileInfo::exists(path)) return true;
    return reportCalError(error, CalError::make(CalError::Code::WriteFailed, QStringLiteral("cannot remove ") + path));
}

// Another program may have put a symbolic link anywhere in the store (a
// calendar's Events folder, its Info.plist, an event file); a write, rename
// or removal through it would change what lies outside. Every component
// under the root is checked, the last one too when it exists.
bool CalCalendarStore::refusesLinkedPathLocked(const QString& path, CalError* error) const
{
    const QString why = linkedPathProblem(m_root, path);
    if (why.isEmpty()) return false;
    logOnceLocked(path, why);
    return !reportCalError(error, CalError::make(CalError::Code::Refused, path + QStringLiteral(": ") + why));
}

QString CalCalendarStore::linkedPathProblem(const QString& root, const QString& path)
{
    const QString prefix = root + QLatin1Char('/');
    if (!path.startsWith(prefix)) return QStringLiteral("outside the store");
    for (qsizetype at = prefix.size(); at <= path.size(); ++at) {
        if (at < path.size() && path.at(at) != QLatin1Char('/')) continue;
        struct stat status {};
        if (::lstat(QFile::encodeName(path.left(at)).constData(), &status) != 0) {
            if (errno == ENOENT) return QString();  // what does not exist yet is made as a folder or a file
            continue;
        }
        if (S_ISLNK(status.st_mode)) return QStringLiteral("a symbolic link is not followed");
    }
    return QString();
}

void CalCalendarStore::setSyncCallForTesting(SyncCall call)
{
    syncCall.store(call);
}

// The sync of a filesystem reports the write-back errors since its
// descriptor was opened: one is opened before the first write there.
void CalCalendarStore::openFilesystemOfLocked(const QString& folder, PendingWrites* pending)
{
    if (pending->folders.contains(folder)) return;
    struct stat status {};
    const QByteArray folderName = QFile::encodeName(folder);
    if (::stat(folderName.constData(), &status) == 0 && !pending->filesystems.contains(quint64(status.st_dev))) {
        const int folderFd = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd >= 0) pending->filesystems.insert(quint64(status.st_dev), folderFd);
    }
}

// The file is written under a name beside it that no reader lists (not
// "*.ics"), then renamed over its place: readers see the old file or the
// whole new one. name is a path, or a name in the open folder. A link in
// the file's place is refused (linked), never written through. Touches
// nothing of the store, so several threads may write at once. Empty answer
// on success; written holds the new file's size and time.
QString CalCalendarStore::writeBeside(int folderFd, const QByteArray& name, const QByteArray& bytes, struct stat* written,
                                      bool* linked, bool newName, bool* taken)
{
    *linked = false;
    if (taken) *taken = false;
    const QString takenProblem = QStringLiteral("a file of that name is there");
    if (newName) {
        // A new file's name is not looked up first: the link that puts the
        // file in place refuses a name already there (see below).
        QString linkedNew;
        bool nameTaken = false;
        if (linkNewFile(folderFd, name, bytes, 0666, written, &linkedNew, &nameTaken)) return linkedNew;
        if (nameTaken) {
            if (taken) *taken = true;
            return takenProblem;
        }
    }
    // A rewritten file keeps its permissions, as other programs set them.
    struct stat existing {};
    const bool exists = ::fstatat(folderFd, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && newName) {
        if (taken) *taken = true;
        return takenProblem;
    }
    if (exists && S_ISLNK(existing.st_mode)) {
        *linked = true;
        return QStringLiteral("a symbolic link is not followed");
    }
    const bool replaces = exists && S_ISREG(existing.st_mode);
    const mode_t mode = replaces ? (existing.st_mode & 07777) : 0666;
    if (!exists && !newName) {
        // A new file is written without a name and linked in whole. Its
        // inode is made without the folder's lock (a name made first holds
        // it, so writers in one folder waited for each other), and a crash
        // before the link leaves nothing behind. Where the filesystem cannot
        // (or the name appeared meanwhile), the file goes beside and is renamed.
        QString problem;
        if (linkNewFile(folderFd, name, bytes, mode, written, &problem)) return problem;
    }
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
        fd = ::openat(folderFd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return systemError(errno);
    bool done = writeAll(fd, bytes);
    int code = done ? 0 : errno;
    if (done && replaces && ::fchmod(fd, mode) != 0) {
        done = false;
        code = errno;
    }
    // The time the index keeps; the rename does not change it.
    if (done && ::fstat(fd, written) != 0) {
        done = false;
        code = errno;
    }
    if (::close(fd) != 0 && done) {
        done = false;
        code = errno;
    }
    if (done && ::renameat(folderFd, temporary.constData(), folderFd, name.constData()) != 0) {
        done = false;
        code = errno;
    }
    if (!done) {
        ::unlinkat(folderFd, temporary.constData(), 0);
        return systemError(code ? code : EIO);
    }
    return QString();
}

// Writes a file without a name and links it as name. False when the other
// way must be taken (no unnamed files on this filesystem, or the name is
// taken by now); else problem is empty on success, the error when not.
bool CalCalendarStore::linkNewFile(int folderFd, const QByteArray& name, const QByteArray& bytes, unsigned mode,
                                   struct stat* written, QString* problem, bool* taken)
{
    if (taken) *taken = false;
    const int fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_t(mode));
    if (fd < 0) return false;
    if (!writeAll(fd, bytes) || ::fstat(fd, written) != 0) {
        *problem = systemError(errno ? errno : EIO);
        ::close(fd);
        return true;
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, self.constData(), folderFd, name.constData(), AT_SYMLINK_FOLLOW) != 0) {
        // A name already there (a file, a link, a folder) is never replaced.
        if (taken) *taken = errno == EEXIST;
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        *problem = systemError(errno);
        ::unlinkat(folderFd, name.constData(), 0);
    }
    return true;
}

// A folder under the root opened one component at a time, none of them
// followed when it is a link: writes by name in it never leave the store
// through a link, even one swapped in after it was opened. -1 with the
// problem (linked: a link on the way) when it cannot be opened.
int CalCalendarStore::openFolderUnderRoot(const QString& root, const QString& folder, QString* problem, bool* linked)
{
    *linked = false;
    const QString prefix = root + QLatin1Char('/');
    if (!folder.startsWith(prefix)) {
        *linked = true;
        *problem = QStringLiteral("outside the store");
        return -1;
    }
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QString& component : folder.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (fd < 0) break;
        const int next = ::openat(fd, QFile::encodeName(component).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int code = errno;
        ::close(fd);
        fd = next;
        errno = code;
    }
    if (fd >= 0) return fd;
    // O_NOFOLLOW on a link answers ELOOP (ENOTDIR on some kernels with O_DIRECTORY).
    const int code = errno;
    *linked = code == ELOOP || (code == ENOTDIR && !linkedPathProblem(root, folder).isEmpty());
    *problem = *linked ? QStringLiteral("a symbolic link is not followed") : systemError(code);
    return -1;
}

// The flush waits for the batch's commit.
bool CalCalendarStore::writeWithoutFlushLocked(const QString& path, const QByteArray& bytes, PendingWrites* pending,
                                               CalError* error)
{
    if (bytes.size() > largestFile) return reportCalError(error, CalError::make(CalError::Code::Refused, oversizeProblem(path)));
    const QString folder = QFileInfo(path).absolutePath();
    openFilesystemOfLocked(folder, pending);
    struct stat written {};
    bool linked = false;
    const QString problem = writeBeside(AT_FDCWD, QFile::encodeName(path), bytes, &written, &linked);
    if (!problem.isEmpty())
        return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                    QStringLiteral("cannot write %1: %2").arg(path, problem)));
    pending->files.insert(path);
    pending->folders.insert(folder);
    return true;
}

CalCalendarStore::PendingWrites::~PendingWrites()
{
    for (const int fd : std::as_const(filesystems)) ::close(fd);
}

bool CalCalendarStore::flushLocked(PendingWrites* pending, CalError* error)
{
    const QSet<QString> files = std::exchange(pending->files, {});
    const QSet<QString> folders = std::exchange(pending->folders, {});
    const QHash<quint64, int> filesystems = std::exchange(pending->filesystems, {});
    const auto closeFilesystems = qScopeGuard([&] {
        for (const int fd : filesystems) ::close(fd);
    });
    if (files.isEmpty() && folders.isEmpty()) return reportCalError(error, CalError::none());
    const QStringList filePaths(files.begin(), files.end());
    QStringList notDurable;
    // Each file flushed on its own forces a journal commit and a flush of
    // the disk's cache of its own: a group of 250 new files cost 250 of
    // them. Several files are made durable by one sync of their filesystem
    // instead, which takes their folders' entries along.
    bool synced = files.size() > 1 && !filesystems.isEmpty();
    if (synced)
        for (const int fd : filesystems) synced = syncFileSystem(fd) == 0 && synced;
    if (synced) {
        // A file another program removed before the sync is not on the disk either.
        for (const QString& path : filePaths) {
            struct stat status {};
            if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
                notDurable << path + QStringLiteral(" (") + systemError(errno) + QLatin1Char(')');
        }
    } else {
        // One file, or a sync that failed (perhaps for another program's
        // file on that filesystem): each file is flushed and checked on its
        // own, then their folders, which hold the new names.
        notDurable = flushPaths(filePaths, 0);
        notDurable += flushPaths(QStringList(folders.begin(), folders.end()), O_DIRECTORY);
    }
    if (notDurable.isEmpty()) return reportCalError(error, CalError::none());
    notDurable.sort();
    return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                QStringLiteral("cannot flush to the disk: ") + notDurable.join(QStringLiteral(", "))));
}

// Each flush mostly waits for the disk, one small write at a time: a large
// batch (a restore, a web sync's results) is flushed by a few threads at
// once, so the disk gets several requests together instead of one after the
// other. Every file is still flushed and checked on its own. (Only starting
// the write-back of every file first measured slower on a busy disk: each
// flush then waited behind the whole queue.)
QStringList CalCalendarStore::flushPaths(const QStringList& paths, int flags)
{
    QStringList notDurable;
    std::mutex failures;
    std::atomic<qsizetype> next{0};
    const auto flushSome = [&] {
        for (qsizetype at = next.fetch_add(1); at < paths.size(); at = next.fetch_add(1)) {
            const QString& path = paths[at];
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | flags);
            // A file gone meanwhile (another program removed it) is not durable either.
            const bool synced = fd >= 0 && syncDescriptor(fd) == 0;
            const int code = errno;
            if (fd >= 0) ::close(fd);
            if (synced) continue;
            std::lock_guard lock(failures);
            notDurable << path + QStringLiteral(" (") + systemError(code) + QLatin1Char(')');
        }
    };
    const qsizetype helpers = std::min<qsizetype>(flushHelpers, paths.size() / flushesPerHelper);
    std::vector<std::thread> threads = startCalStoreHelpers(helpers, flushSome, "flush");
    // This thread flushes what the helpers (or the ones that failed to start) leave.
    flushSome();
    for (std::thread& thread : threads) thread.join();
    return notDurable;
}
