#include "DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t groupAndOthers = S_IRWXG | S_IRWXO;

}  // namespace

bool DataFolder::isWritable(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) return false;
    const bool folder = S_ISDIR(info.st_mode);
    // A folder takes new files only when it can be searched as well.
    const int access = folder ? (W_OK | X_OK) : W_OK;
    const mode_t ownerBits = folder ? (S_IWUSR | S_IXUSR) : S_IWUSR;
    // The access test keeps what the mode bits cannot show (a read-only file
    // system, access lists); the owner bits stop root, whom access() lets
    // through whatever the mode says.
    return ::faccessat(AT_FDCWD, native.constData(), access, AT_EACCESS) == 0 && (info.st_mode & ownerBits) == ownerBits;
}

QString DataFolder::moveAside(const QString& path, const QString& stem, const QString& suffix)
{
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString candidate = attempt == 1 ? QString(stem + suffix)
                                               : QString(stem + QLatin1Char('.') + QString::number(attempt) + suffix);
        if (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink()) continue;
        // Qt's rename refuses an existing target instead of replacing it.
        if (QFile::rename(path, candidate)) return candidate;
        if (QFileInfo::exists(candidate)) continue;  // taken meanwhile
        return QString();
    }
    return QString();
}

bool DataFolder::restrictToOwner(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) return errno == ENOENT;
    // A link's own mode means nothing; what it points to is not ours to change.
    if (S_ISLNK(info.st_mode)) return true;
    if ((info.st_mode & groupAndOthers) == 0) return true;
    return ::chmod(native.constData(), info.st_mode & ~groupAndOthers & 07777) == 0;
}

bool DataFolder::makeOwnerOnlyFolder(const QString& path, QString* error)
{
    const auto fail = [error](int code) {
        if (error) *error = qt_error_string(code);
        return false;
    };
    const QByteArray native = QFile::encodeName(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return fail(errno);
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST) return fail(errno);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) return fail(errno);
    if (!S_ISDIR(info.st_mode)) return fail(ENOTDIR);
    return restrictToOwner(path) || fail(errno);
}
