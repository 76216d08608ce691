#include "ZVWSync.h"

#include "AlertPresenter.h"
#include "Clock.h"
#include "CoreData.h"
#include "GlobalQueue.h"
#include "MainQueue.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "Utilities.h"
#include "ZVWReply.h"
#include "ZVWService.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

std::atomic<bool> webSyncBusy{false};

ZVWSync::ZVWSync() : m_baseAddress(ZVWService::baseAddressFromConfiguration()), m_zvwSetting(std::make_shared<Setting>())
{
    NotificationCenter::defaultCenter().addObserver(this, kAutoSyncNotification, nullptr,
                                                    [this](const Notification& notification) {
                                                        receiveAutoSyncNotification(notification.objectAs<qint64>());
                                                    });
}

ZVWSync::~ZVWSync()
{
    stopForQuit();
    *m_alive = false;
    stopOneWayRuns();
    m_timer.invalidate();
    m_queue.waitUntilIdle();
    // A worker still sending ends within the request's time-outs.
    while (m_requestsInFlight.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

namespace {

HttpReply quittingReply()
{
    HttpReply reply;
    reply.failure = HttpFailure::Other;
    reply.errorText = QStringLiteral("The organizer is quitting");
    return reply;
}

}  // namespace

void ZVWSync::stopForQuit()
{
    m_quitting = true;
    m_isBreak = true;
    // A request already sent would hold the quit until the service answers
    // or the time-outs run out: it ends now, as a lost connection.
    m_passSession.cancel();
}

bool ZVWSync::waitUntilIdle(double seconds)
{
    const auto busy = [this] {
        // A request that was being started as the quit came is ended too.
        if (m_quitting) m_passSession.cancel();
        return isSyncing();
    };
    if (MainQueue::waitWhile(busy, seconds)) return true;
    qWarning() << "The web sync did not end within" << seconds << "s";
    return false;
}

bool ZVWSync::isSyncing() const
{
    std::lock_guard lock(m_mutex);
    return m_isSyncing;
}

void ZVWSync::setIsSyncing(bool syncing)
{
    std::lock_guard lock(m_mutex);
    m_isSyncing = syncing;
    m_syncHolder = syncing ? SyncHolder::Full : SyncHolder::None;
}

bool ZVWSync::takeSyncing(SyncHolder holder)
{
    std::lock_guard lock(m_mutex);
    if (m_isSyncing) return false;
    m_isSyncing = true;
    m_syncHolder = holder;
    return true;
}

void ZVWSync::releaseSyncing()
{
    QPointer<QObject> sender;
    {
        std::lock_guard lock(m_mutex);
        m_isSyncing = false;
        m_syncHolder = SyncHolder::None;
        if (!std::exchange(m_fullSyncDeferred, false)) return;
        sender = std::exchange(m_deferredSender, nullptr);
    }
    // An asker that went away meanwhile still gets its sync, posted without it.
    backgroundFullSync(sender.data());
}

ZVWSync::SyncHolder ZVWSync::syncHolder() const
{
    std::lock_guard lock(m_mutex);
    return m_syncHolder;
}

qint64 ZVWSync::pendingBits() const
{
    std::lock_guard lock(m_mutex);
    return m_pendingBits;
}

// ---------------------------------------------------------------------------
// State

namespace {

void saveSettingsWithToken(const SettingPtr& setting)
{
    if (!setting->dehydrate()) qWarning() << "The web sync could not save the settings; the token stays in memory";
}

QByteArray queryValue(const QString& value)
{
    return QUrl::toPercentEncoding(value);
}

// What the user reads for a reply whose status says the request failed.
QString statusText(int status)
{
    return TextTable::localizedString(QStringLiteral("zvwStatusErrorText")).arg(status);
}

void logUnusableReply(const char* endpoint, const HttpReply& reply)
{
    qWarning().nospace() << "Web service reply to " << endpoint << " not usable (status " << reply.status << ", "
                         << reply.body.size() << " bytes)";
}

}  // namespace

std::optional<QByteArray> ZVWSync::jsonData() const
{
    std::lock_guard lock(m_stateMutex);
    return m_jsonData;
}

void ZVWSync::setJsonData(const std::optional<QByteArray>& data)
{
    std::lock_guard lock(m_stateMutex);
    m_jsonData = data;
}

QString ZVWSync::zvwKeyAPI() const
{
    std::lock_guard lock(m_stateMutex);
    return m_zvwKeyAPI;
}

void ZVWSync::setZvwKeyAPI(const QString& key)
{
    std::lock_guard lock(m_stateMutex);
    m_zvwKeyAPI = key;
}

QString ZVWSync::errorDescription() const
{
    std::lock_guard lock(m_stateMutex);
    return m_errorDescription;
}

void ZVWSync::setErrorDescription(const QString& text)
{
    std::lock_guard lock(m_stateMutex);
    m_errorDescription = text;
}

SettingPtr ZVWSync::zvwSetting() const
{
    std::lock_guard lock(m_stateMutex);
    return m_zvwSetting;
}

void ZVWSync::setZvwSetting(const SettingPtr& setting)
{
    std::lock_guard lock(m_stateMutex);
    m_zvwSetting = setting;
}

TagList ZVWSync::zvwTagList() const
{
    std::lock_guard lock(m_stateMutex);
    return m_zvwTagList;
}

void ZVWSync::setZvwTagList(const TagList& tags)
{
    std::lock_guard lock(m_stateMutex);
    m_zvwTagList = tags;
}

CalendarList ZVWSync::zvwProjectList() const
{
    std::lock_guard lock(m_stateMutex);
    return m_zvwProjectList;
}

void ZVWSync::setZvwProjectList(const CalendarList& categories)
{
    std::lock_guard lock(m_stateMutex);
    m_zvwProjectList = categories;
}

QStringList ZVWSync::currentUsingProjects() const
{
    std::lock_guard lock(m_stateMutex);
    return m_currentUsingProjects;
}

void ZVWSync::setCurrentUsingProjects(const QStringList& ids)
{
    std::lock_guard lock(m_stateMutex);
    m_currentUsingProjects = ids;
}

TaskList ZVWSync::zvwWorkList() const
{
    std::lock_guard lock(m_stateMutex);
    return m_zvwWorkList;
}

void ZVWSync::setZvwWorkList(const TaskList& items)
{
    std::lock_guard lock(m_stateMutex);
    m_zvwWorkList = items;
}

QStringList ZVWSync::currentUsingWorks() const
{
    std::lock_guard lock(m_stateMutex);
    return m_currentUsingWorks;
}

void ZVWSync::setCurrentUsingWorks(const QStringList& ids)
{
    std::lock_guard lock(m_stateMutex);
    m_currentUsingWorks = ids;
}

LinkList ZVWSync::zvwLinkList() const
{
    std::lock_guard lock(m_stateMutex);
    return m_zvwLinkList;
}

void ZVWSync::setZvwLinkList(const LinkList& links)
{
    std::lock_guard lock(m_stateMutex);
    m_zvwLinkList = links;
}

ZVCommentList ZVWSync::zvwCommentList() const
{
    std::lock_guard lock(m_stateMutex);
    return m_zvwCommentList;
}

void ZVWSync::setZvwCommentList(const ZVCommentList& comments)
{
    std::lock_guard lock(m_stateMutex);
    m_zvwCommentList = comments;
}

QVariantList ZVWSync::list(const QVariantList& member) const
{
    std::lock_guard lock(m_stateMutex);
    return member;
}

void ZVWSync::setList(QVariantList& member, const QVariantList& records)
{
    std::lock_guard lock(m_stateMutex);
    member = records;
}

// ---------------------------------------------------------------------------
// Requests

QString ZVWSync::accountSignature(const QString& userName, const QString& password)
{
    return Utilities::md5(userName.toLower() + password + ZVWService::applicationKey());
}

QString ZVWSync::requestKey(const QString& password, const QString& token)
{
    return Utilities::md5(Utilities::md5(password) + ZVWService::applicationKey() + token);
}

bool ZVWSync::isTokenFresh(const QString& token, double tokenTime, double now)
{
    return !token.isEmpty() && (now - tokenTime) / 3600.0 <= 3.0;
}

QString ZVWSync::tokenAddress(const QString& userName, const QString& password) const
{
    // Values as typed, percent-encoded; the signature is made from the
    // values before encoding.
    return m_baseAddress + QStringLiteral("/api/token.json?username=") + QString::fromLatin1(queryValue(userName)) +
           QStringLiteral("&appreg=") + QString::fromLatin1(queryValue(ZVWService::applicationKey())) +
           QStringLiteral("&sig=") + QString::fromLatin1(queryValue(accountSignature(userName, password)));
}

HttpReply ZVWSync::sendRequest(const QByteArray& method, const QString& url, bool jsonContentType)
{
    HttpRequest request;
    request.method = method;
    request.url = url;
    if (jsonContentType) request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    return sendOnPass(request);
}

bool ZVWSync::isTokenRefusal(const HttpRequest& request, const HttpReply& reply)
{
    // Only a data call carries the token; the sign-in's own refusal is the
    // account's.
    if (!request.url.contains(QStringLiteral("?keyapi="))) return false;
    // Only an object can be a refusal: a list (a download of thousands of
    // records) is not parsed a second time to find that out.
    if (!ZVWReply::mayBeDictionary(reply.body)) return false;
    const std::optional<QJsonObject> object = ZVWReply::dictionary(reply.body);
    return object && ZVWReply::integer(*object, QStringLiteral("error")) == tokenRefusedCode;
}

void ZVWSync::dropRefusedToken()
{
    const SettingPtr setting = localSetting();
    if (!setting) return;
    setting->setZvwToken(QString());
    setting->setZvwTokenTime(Date::dateWithTimeIntervalSince1970(0));
    saveSettingsWithToken(setting);
}

HttpReply ZVWSync::sendOnPass(HttpRequest request)
{
    if (m_quitting) return quittingReply();
    const HttpReply reply = m_passSession.send(request);
    if (!isTokenRefusal(request, reply)) return reply;
    // The service forgot or expired the token although its time says it is
    // fresh: kept, it would be refused at every later pass.
    const QString refusedKey = zvwKeyAPI();
    dropRefusedToken();
    if (m_tokenRenewedThisPass.exchange(true)) return reply;
    qWarning() << "The web service refused the request token; a new one is asked for";
    refreshToken();
    if (!makeZvwKeyAPI()) return reply;
    request.url.replace(QStringLiteral("keyapi=") + QString::fromLatin1(queryValue(refusedKey)),
                        QStringLiteral("keyapi=") + QString::fromLatin1(queryValue(zvwKeyAPI())));
    return m_passSession.send(request);
}

HttpReply ZVWSync::sendRequest(HttpSession& session, const QByteArray& method, const QString& url, bool jsonContentType)
{
    HttpRequest request;
    request.method = method;
    request.url = url;
    if (jsonContentType) request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    if (m_quitting) return quittingReply();
    return session.send(request);
}

QString ZVWSync::dataAddress(const QString& path, const QString& more) const
{
    return m_baseAddress + QStringLiteral("/api/") + path + QStringLiteral("?keyapi=") +
           QString::fromLatin1(queryValue(zvwKeyAPI())) + more;
}

HttpReply ZVWSync::sendJson(const QByteArray& method, const QString& url, const QJsonValue& body)
{
    HttpRequest request;
    request.method = method;
    request.url = url;
    request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    request.body = body.isArray() ? QJsonDocument(body.toArray()).toJson(QJsonDocument::Compact)
                                  : QJsonDocument(body.toObject()).toJson(QJsonDocument::Compact);
    return sendOnPass(request);
}

void ZVWSync::reportServerError(const QString& text)
{
    {
        std::lock_guard lock(m_stateMutex);
        if (m_errorDescription.isEmpty()) m_errorDescription = text;
    }
    // Whatever failed once the program quits is the quit's doing: nobody is
    // left to read it.
    if (m_quitting) return;
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kServerErrorNotification, text);
}

void ZVWSync::fireErrorWhenSync(const QJsonObject& reply)
{
    // On a data call 4 refuses the request token, not the account: the
    // token is renewed (sendOnPass) and the account stays as it is.
    const std::optional<qint64> code = ZVWReply::integer(reply, QStringLiteral("error"));
    if (ZVWReply::isAccountRefusal(code) && code != tokenRefusedCode)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kZVWAccountInvalidNotification, this);
}

void ZVWSync::refreshToken()
{
    refreshToken(m_passSession);
}

void ZVWSync::refreshToken(HttpSession& session)
{
    const SettingPtr setting = localSetting();
    if (!setting) return;
    if (isTokenFresh(setting->zvwToken(), setting->zvwTokenTime().timeIntervalSince1970(),
                     Clock::now().timeIntervalSince1970()))
        return;
    setting->setZvwToken(QString());
    saveSettingsWithToken(setting);

    const QString userName = setting->zvwUserName();
    const QString password = setting->zvwPassword();
    if (userName.isEmpty() || password.isEmpty()) return;

    const HttpReply reply = sendRequest(session, "POST", tokenAddress(userName, password), true);
    const ZVWReply::Token token = ZVWReply::token(reply);
    switch (token.kind) {
    case ZVWReply::Kind::TransportFailure: reportServerError(reply.errorText); return;
    case ZVWReply::Kind::BadStatus:
        logUnusableReply("token", reply);
        reportServerError(statusText(reply.status));
        return;
    case ZVWReply::Kind::NotADictionary: logUnusableReply("token", reply); break;
    case ZVWReply::Kind::Dictionary: break;
    }
    if (ZVWReply::isAccountRefusal(token.error)) {
        setErrorDescription(QString::number(*token.error));
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kZVWAccountInvalidNotification, this);
    }
    if (token.token) {
        // The time is left alone: only the one-way run's token sets it.
        setting->setZvwToken(*token.token);
        saveSettingsWithToken(setting);
        return;
    }
    // Without a token every data call would be refused: the pass stops here.
    if (errorDescription().isEmpty()) reportServerError(TextTable::localizedString(QStringLiteral("zvwNoTokenText")));
}

bool ZVWSync::makeZvwKeyAPI()
{
    const SettingPtr setting = localSetting();
    const QString token = setting ? setting->zvwToken() : QString();
    if (token.isEmpty()) {
        setZvwKeyAPI(QString());
        return false;
    }
    setZvwKeyAPI(requestKey(setting->zvwPassword(), token));
    return true;
}

// ---------------------------------------------------------------------------
// The asynchronous token request

void ZVWSync::getToken(ScheduledTimer timer)
{
    const qint64 kind = parseKey();
    if (kind == parseKeyFailed) {
        timer.invalidate();
        return;
    }
    if (kind != parseKeyNone) return;
    const SettingPtr setting = localSetting();
    if (!setting) {
        // No settings, no credentials: the run must still learn the end.
        setParseKey(parseKeyFailed);
        setIsFinishedGetToken(true);
        timer.invalidate();
        return;
    }
    if (isTokenFresh(setting->zvwToken(), setting->zvwTokenTime().timeIntervalSince1970(),
                     Clock::now().timeIntervalSince1970())) {
        setIsFinishedGetToken(true);
        timer.invalidate();
        return;
    }
    setting->setZvwToken(QString());
    saveSettingsWithToken(setting);
    const QString userName = setting->zvwUserName();
    const QString password = setting->zvwPassword();
    if (!userName.isEmpty() && !password.isEmpty()) {
        setParseKey(parseKeyToken);
        getDataWithURL(tokenAddress(userName, password));
    } else {
        setParseKey(parseKeyFailed);
        setIsFinishedGetToken(true);
    }
    timer.invalidate();
}

namespace {

// Brings a reply back to the thread that asked: it lives there, and what
// the request's thread leaves in it passes under its own lock (Qt's queue
// that carries the call orders it too, but no race checker sees that).
class ReplyReceiver : public QObject {
public:
    explicit ReplyReceiver(std::function<void(const HttpReply&)> deliver) : m_deliver(std::move(deliver)) {}
    void take(HttpReply reply)
    {
        std::lock_guard lock(m_mutex);
        m_reply = std::move(reply);
    }
    void deliver()
    {
        deleteLater();
        HttpReply reply;
        {
            std::lock_guard lock(m_mutex);
            reply = std::move(m_reply);
        }
        m_deliver(reply);
    }

private:
    std::function<void(const HttpReply&)> m_deliver;  // set and called on the asking thread
    std::mutex m_mutex;
    HttpReply m_reply;
};

}  // namespace

void ZVWSync::getDataWithURL(const QString& url)
{
    const std::weak_ptr<std::atomic<bool>> alive = m_alive;
    auto* receiver = new ReplyReceiver([this, alive](const HttpReply& reply) {
        const auto living = alive.lock();
        if (living && *living) deliverAsynchronousReply(reply);
    });
    ++m_requestsInFlight;
    GlobalQueue::async([this, url, receiver] {
        HttpRequest request;
        request.url = url;
        HttpSession session;
        receiver->take(session.send(request));
        QMetaObject::invokeMethod(receiver, &ReplyReceiver::deliver, Qt::QueuedConnection);
        --m_requestsInFlight;
    });
}

void ZVWSync::deliverAsynchronousReply(const HttpReply& reply)
{
    if (reply.transportFailed()) {
        connectionDidFailWithError(reply);
        return;
    }
    connectionDidReceiveResponse(reply.status);
    connectionDidReceiveData(reply.body);
    connectionDidFinishLoading();
}

void ZVWSync::connectionDidReceiveResponse(int status)
{
    std::lock_guard lock(m_stateMutex);
    m_asyncStatus = status;
    m_jsonData = QByteArray();
}

void ZVWSync::connectionDidReceiveData(const QByteArray& data)
{
    std::lock_guard lock(m_stateMutex);
    if (!m_jsonData) m_jsonData = QByteArray();
    m_jsonData->append(data);
}

void ZVWSync::connectionDidFinishLoading()
{
    HttpReply reply;
    {
        std::lock_guard lock(m_stateMutex);
        if (!m_jsonData) return;
        reply.status = m_asyncStatus;
        reply.body = *std::exchange(m_jsonData, std::nullopt);
    }
    if (ZVWReply::judge(reply) == ZVWReply::Kind::BadStatus) {
        logUnusableReply("token", reply);
        handleError(statusText(reply.status));
        return;
    }
    parseData(reply.body);
}

void ZVWSync::connectionDidFailWithError(const HttpReply& failure)
{
    if (failure.failure == HttpFailure::NotConnectedToInternet) {
        handleError(TextTable::localizedString(QStringLiteral("No Connection Error")));
        return;
    }
    handleError(failure.errorText);
}

void ZVWSync::parseData(const QByteArray& body)
{
    if (parseKey() != parseKeyToken) return;
    HttpReply reply;
    reply.status = 200;
    reply.body = body;
    const ZVWReply::Token token = ZVWReply::token(reply);
    if (token.token) {
        if (const SettingPtr setting = localSetting()) {
            setting->setZvwToken(*token.token);
            setting->setZvwTokenTime(Clock::now());
            saveSettingsWithToken(setting);
        }
        setIsFinishedGetToken(true);
        setParseKey(parseKeyNone);
    }
    if (token.error) {
        setIsError(true);
        setParseKey(parseKeyFailed);
        webSyncBusy = false;
        MainViewAccess::postHideSyncingIndicator();
        if (ZVWReply::isAccountRefusal(token.error))
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kZVWAccountInvalidNotification, this);
        return;
    }
    // Neither a token nor a refusal: the run must not wait for ever.
    if (!token.token) {
        logUnusableReply("token", reply);
        failTokenRequest();
    }
}

void ZVWSync::failTokenRequest()
{
    setIsError(true);
    setParseKey(parseKeyFailed);
    webSyncBusy = false;
}

void ZVWSync::handleError(const QString& description)
{
    // At most one alert per process; the asking thread does not wait for it.
    if (!m_didShowedConnectError.exchange(true)) {
        MainQueue::async([description] {
            AlertRequest alert;
            alert.messageText = description;
            AlertPresenter::current().runModal(alert);
        });
    }
    failTokenRequest();
}

// ---------------------------------------------------------------------------
// Account calls

qint64 ZVWSync::createNewAccount(const QString& userName, const QString& passWord)
{
    const QString address = m_baseAddress + QStringLiteral("/api/users.json?username=") +
                            QString::fromLatin1(queryValue(userName)) + QStringLiteral("&pass=") +
                            QString::fromLatin1(queryValue(passWord)) + QStringLiteral("&appreg=") +
                            QString::fromLatin1(queryValue(ZVWService::applicationKey())) + QStringLiteral("&sig=") +
                            QString::fromLatin1(queryValue(accountSignature(userName, passWord)));
    setParseKey(parseKeyAccountCreation);
    HttpSession session;
    HttpRequest request;
    request.method = "POST";
    request.url = address;
    request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    const HttpReply reply = session.send(request);
    setParseKey(parseKeyNone);
    const qint64 result = ZVWReply::accountCreationResult(reply);
    m_lastCreationFailedInTransport = reply.transportFailed();
    if (result == -1 && !reply.transportFailed()) logUnusableReply("users", reply);
    return result;
}

std::optional<QString> ZVWSync::askForToken(const QString& userName, const QString& password, bool* refused)
{
    setIsError(false);
    *refused = false;
    HttpSession session;
    HttpRequest request;
    request.url = tokenAddress(userName, password);
    const HttpReply reply = session.send(request);
    const ZVWReply::Token token = ZVWReply::token(reply);
    if (token.kind != ZVWReply::Kind::Dictionary) {
        if (token.kind != ZVWReply::Kind::TransportFailure) logUnusableReply("token", reply);
        setIsError(true);
        m_lastAccountCheck = AccountCheck::NoReply;
        return std::nullopt;
    }
    // A dictionary without a usable token, or with an error, is the
    // service's refusal of the account.
    if (!token.token || token.error) {
        setIsError(true);
        *refused = true;
        m_lastAccountCheck = AccountCheck::Refused;
        return std::nullopt;
    }
    m_lastAccountCheck = AccountCheck::Valid;
    return token.token;
}

qint64 ZVWSync::checkValidity(const QString& userName, const QString& password)
{
    while (webSyncBusy) MainQueue::waitWhile([] { return webSyncBusy.load(); }, 0.01);
    bool refused = false;
    const std::optional<QString> token = askForToken(userName, password, &refused);
    const SettingPtr setting = localSetting();
    if (!token) {
        if (refused && setting) setting->setZvwPassword(QString());
        return -1;
    }
    if (!setting) return 1;
    const QString stored = setting->zvwUserName();
    const qint64 result = !stored.isEmpty() && stored != userName ? 2 : 1;
    setting->setZvwUserName(userName);
    setting->setZvwPassword(password);
    return result;
}

qint64 ZVWSync::checkValidToken(const QString& userName, const QString& password)
{
    bool refused = false;
    if (!askForToken(userName, password, &refused)) return -1;
    const SettingPtr setting = localSetting();
    const QString stored = setting ? setting->zvwUserName() : QString();
    return !stored.isEmpty() && stored != userName ? 2 : 1;
}
