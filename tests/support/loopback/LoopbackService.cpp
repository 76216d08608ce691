#include "LoopbackService.h"

#include "TestCertificates.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

QString ServiceRequest::queryValue(const QString& name) const
{
    for (const auto& [key, value] : query)
        if (key == name) return value;
    return QString();
}

bool ServiceRequest::hasQueryValue(const QString& name) const
{
    for (const auto& entry : query)
        if (entry.first == name) return true;
    return false;
}

ServiceReply ServiceReply::json(const QJsonValue& value, int status)
{
    ServiceReply reply;
    reply.status = status;
    if (value.isArray())
        reply.body = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else
        reply.body = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return reply;
}

ServiceReply ServiceReply::error(qint64 code)
{
    return json(QJsonObject{{QStringLiteral("error"), code}});
}

namespace {

struct Endpoint {
    QString method;
    QString path;
    QRegularExpression pattern;  // valid only for "^" paths
    LoopbackService::Handler handler;

    bool matches(const QString& requestMethod, const QString& requestPath) const
    {
        if (requestMethod != method) return false;
        return path.startsWith(QLatin1Char('^')) ? pattern.match(requestPath).hasMatch() : requestPath == path;
    }
};

struct Account {
    QString password;
    QStringList tokens;
    QStringList forgotten;  // tokens the service no longer takes (error 4)
};

QJsonValue withErrorRecords(const QJsonValue& value, qint64 code)
{
    const QJsonObject refusal{{QStringLiteral("error"), code}};
    if (!value.isArray()) return refusal;
    QJsonArray records;
    for (qsizetype i = 0; i < value.toArray().size(); ++i) records.append(refusal);
    return records;
}

}  // namespace

struct LoopbackService::State {
    Scheme scheme = Scheme::Http;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = -1;
    QTemporaryDir folder;
    QString caFile;

    mutable std::mutex mutex;
    QList<Endpoint> endpoints;
    QMap<QString, Account> accounts;
    QMap<QString, ServiceFault> faults;  // "METHOD path"
    QMap<QString, int> faultCounts;      // requests seen by each faulted endpoint
    int held = 0;
    bool releaseHeld = false;
    QList<ServiceRequest> requests;
    RequestHook hook;

    std::mutex wakeMutex;
    std::condition_variable wake;
    bool stopping = false;

    ServiceReply answer(const ServiceRequest& request)
    {
        Handler handler;
        {
            std::lock_guard lock(mutex);
            for (const Endpoint& endpoint : endpoints)
                if (endpoint.matches(request.method, request.path)) handler = endpoint.handler;
        }
        if (!handler) return ServiceReply{404, QByteArrayLiteral("no such endpoint"), "text/plain"};
        return handler(request);
    }

    // Waits, but not past the service's own end.
    void pause(int milliseconds)
    {
        std::unique_lock lock(wakeMutex);
        wake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping; });
    }

    void serve(const httplib::Request& incoming, httplib::Response& response)
    {
        ServiceRequest request;
        request.method = QString::fromStdString(incoming.method);
        request.path = QString::fromStdString(incoming.path);
        for (const auto& [key, value] : incoming.params)
            request.query.append({QString::fromStdString(key), QString::fromStdString(value)});
        request.body = QByteArray::fromStdString(incoming.body);
        request.remotePort = incoming.remote_port;
        if (incoming.has_header("Content-Type"))
            request.contentType = QString::fromStdString(incoming.get_header_value("Content-Type"));

        std::optional<ServiceFault> fault;
        {
            std::lock_guard lock(mutex);
            requests.append(request);
            const QString key = request.method + QLatin1Char(' ') + request.path;
            const auto found = faults.constFind(key);
            if (found != faults.constEnd() && ++faultCounts[key] >= found->fromRequest) fault = *found;
        }

        ServiceReply reply;
        if (!fault) {
            reply = answer(request);
        } else {
            switch (fault->kind) {
            case ServiceFault::Status:
                reply = ServiceReply{fault->status, fault->body.isNull() ? QByteArrayLiteral("Internal Server Error") : fault->body,
                                     "text/plain"};
                break;
            case ServiceFault::Body: reply = ServiceReply{200, fault->body, "application/json"}; break;
            case ServiceFault::ErrorRecords: {
                reply = answer(request);
                const QJsonDocument document = QJsonDocument::fromJson(reply.body);
                const QJsonValue value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
                reply = ServiceReply::json(withErrorRecords(value, fault->errorCode), reply.status);
                break;
            }
            case ServiceFault::Delay:
                pause(fault->delayMs);
                reply = answer(request);
                break;
            case ServiceFault::Hold: {
                {
                    std::unique_lock lock(wakeMutex);
                    ++held;
                    wake.notify_all();
                    wake.wait(lock, [this] { return stopping || releaseHeld; });
                    --held;
                }
                response.status = 200;
                response.set_content_provider(64, "application/json",
                                              [](size_t, size_t, httplib::DataSink&) { return false; });
                return;
            }
            case ServiceFault::Lost:
                answer(request);
                [[fallthrough]];
            case ServiceFault::Drop:
                // The head promises a body that never comes: the connection closes.
                response.status = 200;
                response.set_content_provider(64, "application/json",
                                              [](size_t, size_t, httplib::DataSink&) { return false; });
                return;
            }
        }
        RequestHook answered;
        {
            std::lock_guard lock(mutex);
            answered = hook;
        }
        if (answered) answered(request);
        response.status = reply.status;
        response.set_content(reply.body.toStdString(), reply.contentType.toStdString());
    }
};

LoopbackService::LoopbackService(Scheme scheme) : d(std::make_unique<State>())
{
    d->scheme = scheme;
    if (scheme != Scheme::Http) {
        const TestCertificates certificates(scheme == Scheme::Https ? "DNS:localhost,IP:127.0.0.1"
                                                                    : "DNS:elsewhere.example");
        if (!certificates.isValid()) return;
        d->caFile = d->folder.filePath(QStringLiteral("test-ca.pem"));
        QFile file(d->caFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(certificates.caPem()) <= 0) return;
        file.close();
        d->server = std::make_unique<httplib::SSLServer>(certificates.serverCertificate(), certificates.serverKey());
    } else {
        d->server = std::make_unique<httplib::Server>();
    }
    httplib::Server& server = *d->server;
    server.set_tcp_nodelay(true);
    // An idle kept-alive connection holds the service's end this long.
    server.set_keep_alive_timeout(1);
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        d->serve(request, response);
    };
    server.Get(".*", handler);
    server.Post(".*", handler);
    server.Put(".*", handler);
    server.Delete(".*", handler);

    addAccountEndpoints();
    addDataEndpoints();
    addItemEndpoints();
    addLinkEndpoints();

    d->port = server.bind_to_any_port("127.0.0.1");
    if (d->port <= 0) return;
    d->thread = std::thread([this] { d->server->listen_after_bind(); });
    for (int i = 0; i < 2000 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackService::~LoopbackService()
{
    {
        std::lock_guard lock(d->wakeMutex);
        d->stopping = true;
    }
    d->wake.notify_all();
    if (d->server) d->server->stop();
    if (d->thread.joinable()) d->thread.join();
}

bool LoopbackService::isRunning() const
{
    return d->server && d->port > 0 && d->server->is_running();
}

int LoopbackService::port() const
{
    return d->port;
}

QString LoopbackService::baseAddress() const
{
    const QString scheme = d->scheme == Scheme::Http ? QStringLiteral("http") : QStringLiteral("https");
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(d->port);
}

QString LoopbackService::caFile() const
{
    return d->caFile;
}

QString LoopbackService::applicationKey()
{
    return QStringLiteral("9c2f6b1e84d37a05e1b94c6d2f7a3e58");
}

QString LoopbackService::md5(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

void LoopbackService::addAccount(const QString& userName, const QString& password)
{
    std::lock_guard lock(d->mutex);
    d->accounts[userName.toLower()] = Account{password, {}, {}};
}

bool LoopbackService::hasAccount(const QString& userName) const
{
    std::lock_guard lock(d->mutex);
    return d->accounts.contains(userName.toLower());
}

QString LoopbackService::passwordOf(const QString& userName) const
{
    std::lock_guard lock(d->mutex);
    return d->accounts.value(userName.toLower()).password;
}

void LoopbackService::rememberToken(const QString& userName, const QString& token)
{
    std::lock_guard lock(d->mutex);
    auto found = d->accounts.find(userName.toLower());
    if (found != d->accounts.end()) found->tokens.append(token);
}

QStringList LoopbackService::tokensOf(const QString& userName) const
{
    std::lock_guard lock(d->mutex);
    return d->accounts.value(userName.toLower()).tokens;
}

void LoopbackService::forgetTokens(const QString& userName)
{
    std::lock_guard lock(d->mutex);
    auto found = d->accounts.find(userName.toLower());
    if (found == d->accounts.end()) return;
    found->forgotten += found->tokens;
    found->tokens.clear();
}

bool LoopbackService::isForgottenKey(const QString& keyapi) const
{
    std::lock_guard lock(d->mutex);
    for (auto it = d->accounts.constBegin(); it != d->accounts.constEnd(); ++it)
        for (const QString& token : it->forgotten)
            if (md5(md5(it->password) + applicationKey() + token) == keyapi) return true;
    return false;
}

QString LoopbackService::accountForKey(const QString& keyapi) const
{
    std::lock_guard lock(d->mutex);
    for (auto it = d->accounts.constBegin(); it != d->accounts.constEnd(); ++it)
        for (const QString& token : it->tokens)
            if (md5(md5(it->password) + applicationKey() + token) == keyapi) return it.key();
    return QString();
}

void LoopbackService::addEndpoint(const QString& method, const QString& path, Handler handler)
{
    std::lock_guard lock(d->mutex);
    Endpoint endpoint{method, path, QRegularExpression(path.startsWith(QLatin1Char('^')) ? path : QString()),
                      std::move(handler)};
    d->endpoints.append(std::move(endpoint));
}

void LoopbackService::addDataEndpoint(const QString& method, const QString& path, DataHandler handler)
{
    addEndpoint(method, path, [this, handler = std::move(handler)](const ServiceRequest& request) {
        const QString account = accountForKey(request.queryValue(QStringLiteral("keyapi")));
        if (account.isEmpty())
            return ServiceReply::error(isForgottenKey(request.queryValue(QStringLiteral("keyapi"))) ? 4 : 3);
        return handler(request, account);
    });
}

void LoopbackService::setFault(const QString& method, const QString& path, const ServiceFault& fault)
{
    std::lock_guard lock(d->mutex);
    d->faults.insert(method + QLatin1Char(' ') + path, fault);
    d->faultCounts.remove(method + QLatin1Char(' ') + path);
}

int LoopbackService::heldRequests() const
{
    std::lock_guard lock(d->wakeMutex);
    return d->held;
}

void LoopbackService::releaseHeld()
{
    std::lock_guard lock(d->wakeMutex);
    d->releaseHeld = true;
    d->wake.notify_all();
}

void LoopbackService::setRequestHook(RequestHook hook)
{
    std::lock_guard lock(d->mutex);
    d->hook = std::move(hook);
}

void LoopbackService::clearFaults()
{
    std::lock_guard lock(d->mutex);
    d->faults.clear();
    d->faultCounts.clear();
}

// Copies made under the lock, element by element: a list sharing the
// service's own would be copied again by its first non-const use while the
// service's thread appends to the original.
QList<ServiceRequest> LoopbackService::requests() const
{
    std::lock_guard lock(d->mutex);
    return QList<ServiceRequest>(d->requests.cbegin(), d->requests.cend());
}

QList<ServiceRequest> LoopbackService::requestsTo(const QString& path) const
{
    std::lock_guard lock(d->mutex);
    QList<ServiceRequest> matching;
    for (const ServiceRequest& request : d->requests)
        if (request.path == path) matching.append(request);
    return matching;
}

QList<ServiceRequest> LoopbackService::requestsStartingWith(const QString& method, const QString& pathStart) const
{
    std::lock_guard lock(d->mutex);
    QList<ServiceRequest> matching;
    for (const ServiceRequest& request : d->requests)
        if (request.method == method && request.path.startsWith(pathStart)) matching.append(request);
    return matching;
}

void LoopbackService::clearRequests()
{
    std::lock_guard lock(d->mutex);
    d->requests.clear();
}
