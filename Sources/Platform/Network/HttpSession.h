#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

namespace httplib {
class ClientImpl;
}

// How long a request may wait, in seconds: for the connection, and for each
// read or write on it.
struct HttpTimeouts {
    double connect = 10.0;
    double read = 30.0;
    double write = 30.0;
};

struct HttpRequest {
    QByteArray method = "GET";
    // An absolute address whose path and query are already percent-encoded.
    QString url;
    QList<QPair<QByteArray, QByteArray>> headerFields;
    QByteArray body;
};

// Why a request got no reply. A reply with any status is not a failure here:
// judging the status is the caller's business.
enum class HttpFailure {
    None,
    InvalidAddress,
    InsecureAddress,         // http:// to a host other than this machine
    NotConnectedToInternet,  // could not connect while the machine has no network
    CannotConnect,
    ConnectionLost,          // reading or writing failed or timed out
    Certificate,             // the server's certificate or host name did not verify
    BodyTooLarge,
    Other,
};

struct HttpReply {
    int status = 0;
    QByteArray body;
    HttpFailure failure = HttpFailure::None;
    // The failure as the user reads it; empty when the request got a reply.
    QString errorText;

    bool transportFailed() const { return failure != HttpFailure::None; }
    bool hasSuccessStatus() const { return status >= 200 && status < 300; }
};

// Blocking HTTP(S) requests that keep one connection per server alive between
// requests, so the requests of one sync pass share it. HTTPS always verifies
// the certificate and the host name against the system's trusted
// certificates, plus those of the file that ZORAVEL_CA_FILE names; nothing is
// ever retried without verification. Plain http:// is refused unless the host
// is this machine, so credentials never travel in clear text.
//
// Safe from any thread; the requests of one session run one at a time.
class HttpSession {
public:
    HttpSession();
    explicit HttpSession(const HttpTimeouts& timeouts);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    HttpReply send(const HttpRequest& request);
    // Ends the request under way at once (its connection is shut, so it
    // fails as a lost connection) and fails every later one without sending
    // it: the program is quitting and waits for no server. Any thread.
    void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

    // Replies longer than this are refused (256 MiB unless set).
    void setMaxBodyBytes(qint64 bytes);

    // The time-outs of sessions made without their own; tests shorten them.
    static HttpTimeouts defaultTimeouts();
    static void setDefaultTimeouts(const HttpTimeouts& timeouts);

    static constexpr qint64 defaultMaxBodyBytes = qint64(256) * 1024 * 1024;

    // Whether http:// may be used for that host: only this machine's.
    static bool isLoopbackHost(const QString& host);

private:
    struct Connection;
    Connection* connectionFor(const QString& scheme, const QString& host, int port);

    HttpTimeouts m_timeouts;
    qint64 m_maxBodyBytes = defaultMaxBodyBytes;
    std::mutex m_mutex;
    std::unique_ptr<Connection> m_connection;
    // The client of the request under way, for cancel(); guarded by its own
    // lock, since the request holds m_mutex while it waits.
    std::mutex m_inFlightMutex;
    httplib::ClientImpl* m_inFlight = nullptr;
    std::atomic<bool> m_cancelled{false};
};
