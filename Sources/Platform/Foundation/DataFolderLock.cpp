#include "DataFolderLock.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The one request there is. A connection that sends anything else is
// closed unheard.
constexpr QByteArrayView showRequest = "show\n";

// A socket's path, with its terminating zero, fits in 108 bytes.
constexpr qsizetype longestSocketPath = 107;

QString canonicalFolder(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : canonical;
}

// A name without a folder is one in the abstract namespace.
bool isAbstractName(const QString& name)
{
    return !name.startsWith(QLatin1Char('/'));
}

}  // namespace

DataFolderLock::DataFolderLock(QString folder, QObject* parent) : QObject(parent), m_folder(std::move(folder)) {}

DataFolderLock::~DataFolderLock()
{
    if (m_server) m_server->close();
    // The file stays: removing it would let a start that opened it just
    // before lock a file nobody else sees any more.
    if (m_fd >= 0) ::close(m_fd);
}

QString DataFolderLock::serverNameFor(const QString& folder)
{
    const QString canonical = canonicalFolder(folder);
    const QString path = canonical + QLatin1Char('/') + QString::fromLatin1(socketFileName);
    if (QFile::encodeName(path).size() <= longestSocketPath) return path;
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return QStringLiteral("zoravel-") + QString::fromLatin1(hash);
}

DataFolderLock::Outcome DataFolderLock::acquire()
{
    if (m_fd >= 0) return Outcome::Held;
    const QByteArray path = QFile::encodeName(QDir(m_folder).filePath(QString::fromLatin1(lockFileName)));
    // Not inherited by the programs this one starts (a browser, a mailer):
    // one of them still running would hold the folder after we end.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        qWarning("The lock file '%s' cannot be made (%s): nothing keeps a second copy off this folder",
                 path.constData(), std::strerror(errno));
        return Outcome::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) return Outcome::HeldElsewhere;
        qWarning("The lock file '%s' cannot be locked (%s): nothing keeps a second copy off this folder",
                 path.constData(), std::strerror(error));
        return Outcome::Unavailable;
    }
    m_fd = fd;
    // Who holds it, for a person looking into the folder.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) != pid.size())
        qWarning("The lock file '%s' could not take the process number", path.constData());
    listen();
    return Outcome::Held;
}

void DataFolderLock::listen()
{
    const QString name = serverNameFor(m_folder);
    m_server = new QLocalServer(this);
    if (isAbstractName(name)) {
        m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    } else {
        // The folder is its owner's only; the socket too.
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        // Whoever held the folder before us has ended (we hold its lock
        // now): a socket it left behind is stale.
        QLocalServer::removeServer(name);
    }
    if (!m_server->listen(name)) {
        qWarning() << "A later start on this folder cannot reach this one:" << m_server->errorString();
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &DataFolderLock::readRequests);
}

void DataFolderLock::readRequests()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            if (socket->bytesAvailable() < showRequest.size()) return;
            const QByteArray request = socket->read(showRequest.size());
            socket->disconnectFromServer();
            if (request == showRequest && m_showRequested) m_showRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        // What arrived with the connection is not told again.
        read();
    }
}

void DataFolderLock::stopAnswering()
{
    if (!m_server) return;
    m_server->close();
    m_server->deleteLater();
    m_server = nullptr;
}

bool DataFolderLock::askHolderToShow(int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (sendShowRequest(int(std::max<qint64>(0, deadline.remainingTime())))) return true;
        if (deadline.hasExpired()) return false;
        // The holder locks first and listens a moment later.
        QThread::msleep(50);
    }
}

DataFolderLock::Claim DataFolderLock::claim(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        switch (acquire()) {
        case Outcome::Held: return Claim::Held;
        case Outcome::Unavailable: return Claim::Unavailable;
        case Outcome::HeldElsewhere: break;
        }
        if (sendShowRequest(100)) return Claim::HolderShown;
        if (deadline.hasExpired()) return Claim::HolderSilent;
        // Just started and not listening yet, or quitting: either settles.
        QThread::msleep(50);
    }
}

bool DataFolderLock::sendShowRequest(int timeoutMs) const
{
    const QString name = serverNameFor(m_folder);
    QLocalSocket socket;
    if (isAbstractName(name)) socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(showRequest.data(), showRequest.size());
    const bool sent = socket.waitForBytesWritten(std::max(100, timeoutMs));
    socket.disconnectFromServer();
    return sent;
}
