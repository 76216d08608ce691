#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

// One running copy of the program per data folder. The copy that holds the
// lock keeps an flock on "Zoravel.lock" in the folder (the kernel lets it go
// when the process ends, however it ends, so a crash leaves nothing to clean
// up) and listens on a local socket named from the folder's path. A later
// start on the same folder finds the lock taken, asks the holder through
// that socket to bring its window forward, and ends. Another folder is
// another lock: a start there runs on its own. Main thread only.
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
    // the lock listens a moment later). True when the request was sent.
    bool askHolderToShow(int timeoutMs = 2000) const;

    // The local socket the holder of `folder` listens on: in the user's
    // runtime folder, named from the folder's canonical path.
    static QString serverNameFor(const QString& folder);

    static constexpr const char* lockFileName = "Zoravel.lock";

private:
    void listen();
    void readRequests();

    QString m_folder;
    int m_fd = -1;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_showRequested;
};
