#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QDeadlineTimer;
class QLocalServer;
class QLocalSocket;

// One running copy of the program per data folder. The copy that holds the
// lock keeps an flock on "Zoravel.lock" in the folder (the kernel lets it go
// when the process ends, however it ends, so a crash leaves nothing to clean
// up) and listens on a local socket beside it, "Zoravel.socket", so that a
// later start finds it whatever runtime folder each was given. A later start
// on the same folder finds the lock taken, asks the holder through that
// socket to bring its window forward, and ends once the holder answered; a
// holder that is quitting stops listening first (or closes the connection
// unanswered), and the later start waits for its lock instead.
// Another folder is another lock: a start there runs on its own. Main
// thread only.
class DataFolderLock : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        Held,           // this process holds the folder now
        HeldElsewhere,  // another running copy holds it
        Unavailable,    // no lock can be made there (the folder's own checks say why)
    };

    explicit DataFolderLock(QString folder, QObject* parent = nullptr);
    // Lets the lock go (a test's second start may then take it).
    ~DataFolderLock() override;

    Outcome acquire();
    bool isHeld() const { return m_fd >= 0; }

    // Run on the main thread each time a later start on this folder asks
    // the holder to show itself.
    void setShowRequestHandler(std::function<void()> handler) { m_showRequested = std::move(handler); }

    // A start that found the folder held: asks the holder to show itself,
    // waiting up to `timeoutMs` for its socket (a holder that has just taken
    // the lock listens a moment later) and its answer. True when it answered
    // that it showed itself.
    bool askHolderToShow(int timeoutMs = 2000);

    enum class Claim {
        Held,          // this process holds the folder now
        HolderShown,   // a running copy holds it and answered that it showed itself
        HolderSilent,  // a copy holds it but neither answered nor let go in time (frozen, say)
        Unavailable,   // no lock can be made there
    };
    // A start: takes the lock, or asks its holder to show itself. A holder
    // that does not answer may be quitting or held up: the lock is tried
    // again until it lets go, or the holder answers, or `timeoutMs` has
    // passed. A holder answers only once it has handled what it had queued
    // before the request, and not once it is quitting.
    Claim claim(int timeoutMs);

    // The holder is quitting: later starts are no longer answered, and wait
    // for the lock instead of handing over to a copy that is leaving.
    void stopAnswering();

    // The local socket the holder of `folder` listens on: a file beside the
    // lock, or, where that path is too long for a socket, a name in the
    // abstract namespace made from the folder's canonical path.
    static QString serverNameFor(const QString& folder);

    static constexpr const char* lockFileName = "Zoravel.lock";
    static constexpr const char* socketFileName = "Zoravel.socket";

private:
    enum class Answer {
        Shown,  // the holder showed itself and said so
        LetGo,  // the holder ended meanwhile; this process holds the lock now
        None,
    };

    void listen();
    void readRequests();
    void answerOnceSettled(QLocalSocket* socket);
    // With `watchLock`, the lock is taken once the holder lets it go.
    Answer askHolder(const QDeadlineTimer& deadline, bool watchLock);

    QString m_folder;
    int m_fd = -1;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_showRequested;
};
