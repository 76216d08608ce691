#pragma once

// A file system of a fixed size mounted over a folder for the life of the
// object (a tmpfs: the kernel refuses writes beyond its size with ENOSPC, as
// a full disk does), for the tests of a full disk. Mounting needs root (or
// the capability); where it is refused, skipReason() says why and the test
// skips.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

class SmallFileSystem {
public:
    SmallFileSystem(const QString& folder, qint64 bytes) : m_folder(folder)
    {
        QDir().mkpath(folder);
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0)
            m_mounted = true;
        else
            m_skipReason = QStringLiteral("a small file system cannot be mounted here (%1; uid %2)")
                               .arg(QString::fromLocal8Bit(std::strerror(errno)))
                               .arg(::getuid());
    }
    ~SmallFileSystem()
    {
        if (m_mounted) ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool isMounted() const { return m_mounted; }
    std::string skipReason() const { return m_skipReason.toStdString(); }

    // Fills what room is left with one file, so the next write fails.
    bool fill() const
    {
        QFile filler(m_folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {}
        const QByteArray byte(1, 'x');
        while (filler.write(byte) == 1) {}
        return true;
    }
    // Gives the room back.
    void makeRoom() const { QFile::remove(m_folder + QStringLiteral("/filler")); }

private:
    QString m_folder;
    bool m_mounted = false;
    QString m_skipReason;
};
