#include "DataFolderLock.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

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
// The holder's answer once it has shown itself. Bytes taken by the kernel
// say nothing: a copy frozen or about to quit accepts a connection too.
constexpr QByteArrayView shownAnswer = "shown\n";

// The holder shows itself and answers only after its event loop has run on
// time for this long: what it had queued before the request (a quit chosen
// while it waited on its database) is handled first.
constexpr int settleMs = 250;
// A turn later than this found the thread held up; it settles again.
constexpr int lateMs = 250;

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
            if (socket->property("heard").toBool() || socket->bytesAvailable() < showRequest.size()) return;
            socket->setProperty("heard", true);
            if (socket->read(showRequest.size()) == showRequest) answerOnceSettled(socket);
            else socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        // What arrived with the connection is not told again.
        read();
    }
}

void DataFolderLock::answerOnceSettled(QLocalSocket* socket)
{
    QElapsedTimer waited;
    waited.start();
    // The socket belongs to the server: a quit meanwhile closes it unanswered.
    QTimer::singleShot(settleMs, socket, [this, socket, waited] {
        if (waited.elapsed() > settleMs + lateMs) {
            answerOnceSettled(socket);
            return;
        }
        // A quit began meanwhile, or the start that asked gave up waiting.
        if (!m_server || socket->state() != QLocalSocket::ConnectedState) return;
        if (m_showRequested) m_showRequested();
        socket->write(shownAnswer.data(), shownAnswer.size());
        socket->disconnectFromServer();
    });
}

void DataFolderLock::stopAnswering()
{
    if (!m_server) return;
    m_server->close();
    m_server->deleteLater();
    m_server = nullptr;
}

bool DataFolderLock::askHolderToShow(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (askHolder(deadline, false) == Answer::Shown) return true;
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
        switch (askHolder(deadline, true)) {
        case Answer::Shown: return Claim::HolderShown;
        case Answer::LetGo: continue;
        case Answer::None: break;
        }
        if (deadline.hasExpired()) return Claim::HolderSilent;
        // Just started and not listening yet, or quitting: either settles.
        QThread::msleep(50);
    }
}

DataFolderLock::Answer DataFolderLock::askHolder(const QDeadlineTimer& deadline, bool watchLock)
{
    const QString name = serverNameFor(m_folder);
    QLocalSocket socket;
    if (isAbstractName(name)) socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(int(std::clamp<qint64>(deadline.remainingTime(), 0, 100)))) return Answer::None;
    socket.write(showRequest.data(), showRequest.size());
    // Only the holder's answer counts. It may be frozen (its answer comes
    // when it turns again) or quitting (it closes the connection unanswered,
    // or ends): the lock is watched meanwhile.
    while (!deadline.hasExpired()) {
        if (socket.bytesToWrite() > 0) socket.waitForBytesWritten(100);
        else socket.waitForReadyRead(100);
        if (socket.bytesAvailable() >= shownAnswer.size())
            return socket.read(shownAnswer.size()) == shownAnswer ? Answer::Shown : Answer::None;
        if (socket.state() != QLocalSocket::ConnectedState) return Answer::None;
        if (watchLock && acquire() == Outcome::Held) return Answer::LetGo;
    }
    return Answer::None;
}
