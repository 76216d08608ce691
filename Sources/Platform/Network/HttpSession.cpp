#include "HttpSession.h"

#include "NetworkStatus.h"
#include "TextTable.h"

#include <QDebug>
#include <QFileInfo>
#include <QHostAddress>
#include <QUrl>

#include <httplib.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <chrono>
#include <cmath>

namespace {

std::mutex defaultsMutex;
HttpTimeouts defaults;

// Splits seconds as the client library takes them; at least one millisecond,
// since zero would mean "no limit" to some of its waits.
std::pair<time_t, time_t> secondsAndMicros(double seconds)
{
    const double bounded = std::isfinite(seconds) ? std::clamp(seconds, 0.001, 86400.0) : 30.0;
    const auto whole = static_cast<time_t>(bounded);
    return {whole, static_cast<time_t>(std::lround((bounded - double(whole)) * 1e6))};
}

QString failureText(HttpFailure failure)
{
    switch (failure) {
    case HttpFailure::None: return QString();
    case HttpFailure::InvalidAddress: return TextTable::localizedString(QStringLiteral("httpInvalidAddressText"));
    case HttpFailure::InsecureAddress: return TextTable::localizedString(QStringLiteral("httpInsecureAddressText"));
    case HttpFailure::NotConnectedToInternet: return TextTable::localizedString(QStringLiteral("No Connection Error"));
    case HttpFailure::CannotConnect: return TextTable::localizedString(QStringLiteral("httpCannotConnectText"));
    case HttpFailure::ConnectionLost: return TextTable::localizedString(QStringLiteral("httpConnectionLostText"));
    case HttpFailure::Certificate: return TextTable::localizedString(QStringLiteral("httpCertificateText"));
    case HttpFailure::BodyTooLarge: return TextTable::localizedString(QStringLiteral("httpBodyTooLargeText"));
    case HttpFailure::Other: return TextTable::localizedString(QStringLiteral("httpConnectionLostText"));
    }
    return QString();
}

HttpReply failed(HttpFailure failure)
{
    HttpReply reply;
    reply.failure = failure;
    reply.errorText = failureText(failure);
    return reply;
}

HttpFailure failureOf(httplib::Error error)
{
    switch (error) {
    case httplib::Error::Success: return HttpFailure::None;
    case httplib::Error::Connection:
    case httplib::Error::BindIPAddress:
    case httplib::Error::ConnectionTimeout:
        // Refused or unresolved while the machine is offline is the offline case.
        return NetworkStatus::instance().isMachineOnline() ? HttpFailure::CannotConnect
                                                             : HttpFailure::NotConnectedToInternet;
    case httplib::Error::Read:
    case httplib::Error::Write: return HttpFailure::ConnectionLost;
    case httplib::Error::SSLConnection:
    case httplib::Error::SSLLoadingCerts:
    case httplib::Error::SSLServerVerification: return HttpFailure::Certificate;
    default: return HttpFailure::Other;
    }
}

void freeExpectedHost(void*, void* host, CRYPTO_EX_DATA*, int, long, void*)
{
    delete static_cast<std::string*>(host);
}

// Where a store keeps the host its peers must name.
int expectedHostIndex()
{
    static const int index = X509_STORE_get_ex_new_index(0, nullptr, nullptr, nullptr, freeExpectedHost);
    return index;
}

// The peer's own certificate must name the host we asked for, by the rules
// of RFC 6125: when it has alternative names of the kind asked for, its
// subject's common name counts for nothing (the HTTP library would still
// accept that name). An address is checked against the addresses it names.
int checkPeerNamesHost(int chainVerified, X509_STORE_CTX* context)
{
    if (!chainVerified) return 0;
    if (X509_STORE_CTX_get_error_depth(context) != 0) return 1;
    X509* peer = X509_STORE_CTX_get_current_cert(context);
    const auto* host = static_cast<const std::string*>(
        X509_STORE_get_ex_data(X509_STORE_CTX_get0_store(context), expectedHostIndex()));
    bool named = false;
    if (peer && host) {
        named = QHostAddress(QString::fromStdString(*host)).isNull()
                    ? X509_check_host(peer, host->data(), host->size(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr) == 1
                    : X509_check_ip_asc(peer, host->c_str(), 0) == 1;
    }
    if (named) return 1;
    X509_STORE_CTX_set_error(context, X509_V_ERR_HOSTNAME_MISMATCH);
    return 0;
}

// The system's trusted certificates, and those of the file the environment
// names, for a connection to the host. Each client owns its store.
X509_STORE* trustedCertificates(const std::string& host)
{
    X509_STORE* store = X509_STORE_new();
    if (!store) return nullptr;
    if (X509_STORE_set_ex_data(store, expectedHostIndex(), new std::string(host)) != 1) {
        X509_STORE_free(store);
        return nullptr;
    }
    X509_STORE_set_verify_cb(store, checkPeerNamesHost);
    X509_STORE_set_default_paths(store);
    const QString extra = qEnvironmentVariable("ZORAVEL_CA_FILE");
    if (!extra.isEmpty()) {
        if (!QFileInfo(extra).isFile() || X509_STORE_load_file(store, QFile::encodeName(extra).constData()) != 1)
            qWarning() << "The certificates of ZORAVEL_CA_FILE could not be read:" << extra;
    }
    return store;
}

// Path and query exactly as built by the caller; characters a request line
// cannot carry make the address invalid rather than being rewritten.
bool isCleanTarget(const QByteArray& target)
{
    for (const char c : target)
        if (c <= ' ' || c >= 127 || c == '#') return false;
    return true;
}

}  // namespace

struct HttpSession::Connection {
    QString scheme;
    QString host;
    int port = 0;
    std::unique_ptr<httplib::ClientImpl> client;
};

HttpSession::HttpSession() : m_timeouts(defaultTimeouts()) {}

HttpSession::HttpSession(const HttpTimeouts& timeouts) : m_timeouts(timeouts) {}

HttpSession::~HttpSession() = default;

HttpTimeouts HttpSession::defaultTimeouts()
{
    std::lock_guard lock(defaultsMutex);
    return defaults;
}

void HttpSession::setDefaultTimeouts(const HttpTimeouts& timeouts)
{
    std::lock_guard lock(defaultsMutex);
    defaults = timeouts;
}

void HttpSession::setMaxBodyBytes(qint64 bytes)
{
    std::lock_guard lock(m_mutex);
    m_maxBodyBytes = bytes;
}

bool HttpSession::isLoopbackHost(const QString& host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

HttpSession::Connection* HttpSession::connectionFor(const QString& scheme, const QString& host, int port)
{
    if (m_connection && m_connection->scheme == scheme && m_connection->host == host && m_connection->port == port)
        return m_connection.get();
    auto connection = std::make_unique<Connection>();
    connection->scheme = scheme;
    connection->host = host;
    connection->port = port;
    const std::string hostName = host.toStdString();
    if (scheme == QLatin1String("https")) {
        auto client = std::make_unique<httplib::SSLClient>(hostName, port);
        client->enable_server_certificate_verification(true);
        if (X509_STORE* store = trustedCertificates(hostName)) client->set_ca_cert_store(store);
        connection->client = std::move(client);
    } else {
        connection->client = std::make_unique<httplib::ClientImpl>(hostName, port);
    }
    httplib::ClientImpl& client = *connection->client;
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    client.set_follow_location(false);
    client.set_url_encode(false);
    const auto [connectSeconds, connectMicros] = secondsAndMicros(m_timeouts.connect);
    client.set_connection_timeout(connectSeconds, connectMicros);
    const auto [readSeconds, readMicros] = secondsAndMicros(m_timeouts.read);
    client.set_read_timeout(readSeconds, readMicros);
    const auto [writeSeconds, writeMicros] = secondsAndMicros(m_timeouts.write);
    client.set_write_timeout(writeSeconds, writeMicros);
    m_connection = std::move(connection);
    return m_connection.get();
}

void HttpSession::cancel()
{
    m_cancelled = true;
    std::lock_guard inFlight(m_inFlightMutex);
    // The client's stop shuts the socket of a request under way, the one
    // thing that may be done to it from another thread; the request then
    // fails at its next read or write instead of waiting out the time-outs.
    if (m_inFlight) m_inFlight->stop();
}

HttpReply HttpSession::send(const HttpRequest& request)
{
    const QUrl url(request.url, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return failed(HttpFailure::InvalidAddress);
    if (scheme == QLatin1String("http") && !isLoopbackHost(url.host())) return failed(HttpFailure::InsecureAddress);

    // The target is what follows the authority, as the caller encoded it.
    const QByteArray raw = request.url.toUtf8();
    const qsizetype authorityStart = raw.indexOf("://") + 3;
    const qsizetype pathStart = raw.indexOf('/', authorityStart);
    const qsizetype queryStart = raw.indexOf('?', authorityStart);
    QByteArray target;
    if (pathStart >= 0 && (queryStart < 0 || pathStart < queryStart))
        target = raw.mid(pathStart);
    else
        target = "/" + (queryStart >= 0 ? raw.mid(queryStart) : QByteArray());
    if (!isCleanTarget(target)) return failed(HttpFailure::InvalidAddress);

    std::lock_guard lock(m_mutex);
    if (m_cancelled) return failed(HttpFailure::ConnectionLost);
    const int port = url.port(scheme == QLatin1String("https") ? 443 : 80);
    Connection* connection = connectionFor(scheme, url.host(), port);

    httplib::Request outgoing;
    outgoing.method = request.method.toStdString();
    outgoing.path = target.toStdString();
    for (const auto& [name, value] : request.headerFields) outgoing.set_header(name.toStdString(), value.toStdString());
    outgoing.body = request.body.toStdString();

    const qint64 limit = m_maxBodyBytes;
    bool tooLarge = false;
    std::string body;
    outgoing.response_handler = [&](const httplib::Response& response) {
        const std::string length = response.get_header_value("Content-Length");
        if (!length.empty()) {
            char* end = nullptr;
            const unsigned long long declared = std::strtoull(length.c_str(), &end, 10);
            if (end && *end == '\0' && declared > static_cast<unsigned long long>(limit)) tooLarge = true;
        }
        return !tooLarge;
    };
    outgoing.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
        if (qint64(body.size()) + qint64(length) > limit) {
            tooLarge = true;
            return false;
        }
        body.append(data, length);
        return true;
    };

    httplib::Response response;
    httplib::Error error = httplib::Error::Success;
    {
        std::lock_guard inFlight(m_inFlightMutex);
        // A cancel that came after the check above still counts.
        if (m_cancelled) return failed(HttpFailure::ConnectionLost);
        m_inFlight = connection->client.get();
    }
    const bool sent = connection->client->send(outgoing, response, error);
    {
        std::lock_guard inFlight(m_inFlightMutex);
        m_inFlight = nullptr;
    }
    if (m_cancelled) {
        m_connection.reset();
        return failed(HttpFailure::ConnectionLost);
    }
    if (tooLarge) {
        m_connection.reset();  // the rest of that reply is still on the wire
        return failed(HttpFailure::BodyTooLarge);
    }
    if (!sent || error != httplib::Error::Success) {
        const HttpFailure failure = failureOf(error == httplib::Error::Success ? httplib::Error::Unknown : error);
        qWarning().noquote() << "HTTP" << request.method << url.adjusted(QUrl::RemoveQuery).toString()
                             << "failed:" << QString::fromStdString(httplib::to_string(error));
        m_connection.reset();
        return failed(failure);
    }
    HttpReply reply;
    reply.status = response.status;
    reply.body = QByteArray::fromStdString(body);
    return reply;
}
