#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// One request as the service received it.
struct ServiceRequest {
    QString method;
    QString path;
    QList<QPair<QString, QString>> query;  // decoded, in order
    QByteArray body;
    std::optional<QString> contentType;    // absent when the header was not sent
    int remotePort = 0;                    // tells connections apart

    QString queryValue(const QString& name) const;
    bool hasQueryValue(const QString& name) const;
};

struct ServiceReply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";

    static ServiceReply json(const QJsonValue& value, int status = 200);
    static ServiceReply error(qint64 code);
};

// How an endpoint misbehaves when told to.
struct ServiceFault {
    enum Kind {
        Status,        // the status (500 unless given) with `body` or a short text
        Body,          // status 200 with `body` as it stands
        ErrorRecords,  // every record of the normal reply becomes {"error": errorCode}
        Delay,         // the normal reply after `delayMs`
        Drop,          // the reply's head, then the connection is closed
        Lost,          // answered (what it stores is stored), then dropped as Drop is
        Hold,          // no answer until releaseHeld() or the service's end; then dropped unanswered
    };
    Kind kind = Status;
    int status = 500;
    QByteArray body;
    qint64 errorCode = 1;
    int delayMs = 0;
    // The fault applies from this request to the endpoint on (1 the first);
    // the ones before it are answered normally.
    int fromRequest = 1;
};

// A web service on 127.0.0.1 and a free port, on its own threads: it keeps
// accounts, checks the application key and the signatures, issues tokens and
// answers the endpoints of its table. Every request is recorded. An HTTPS
// variant serves a certificate made at start-up for 127.0.0.1 and
// "localhost", signed by a test CA whose file `caFile()` names.
//
// Error codes of its refusals: 1 a bad application key or request, 2 an
// unknown account, 3 a request key that fits no account and token, 4 a
// signature that does not fit the account's password or a request key made
// from a token it forgot, 5 a user name taken.
class LoopbackService {
public:
    // HttpsForAnotherHost: a certificate of the same CA that names another host.
    enum class Scheme { Http, Https, HttpsForAnotherHost };
    explicit LoopbackService(Scheme scheme = Scheme::Http);
    ~LoopbackService();
    LoopbackService(const LoopbackService&) = delete;
    LoopbackService& operator=(const LoopbackService&) = delete;

    bool isRunning() const;
    int port() const;
    // "http://127.0.0.1:<port>" (or https), the client's base address.
    QString baseAddress() const;
    // The PEM file of the test CA (HTTPS only).
    QString caFile() const;

    // The application key it accepts.
    static QString applicationKey();

    void addAccount(const QString& userName, const QString& password);
    bool hasAccount(const QString& userName) const;
    QString passwordOf(const QString& userName) const;
    // Tokens issued so far to that account, oldest first.
    QStringList tokensOf(const QString& userName) const;
    // The service forgets the account's tokens, as when they expire early:
    // data calls with keys made from them are refused with error 4.
    void forgetTokens(const QString& userName);
    bool isForgottenKey(const QString& keyapi) const;
    // The account whose password and one of whose tokens make that request
    // key; empty when none does.
    QString accountForKey(const QString& keyapi) const;

    // The endpoint table: an exact path (or, with a leading "^", a regular
    // expression) and a method. Later endpoints are added the same way.
    using Handler = std::function<ServiceReply(const ServiceRequest&)>;
    void addEndpoint(const QString& method, const QString& path, Handler handler);
    // A data endpoint: its handler runs only for a request whose `keyapi`
    // fits an account (given to the handler), else the reply is error 3.
    using DataHandler = std::function<ServiceReply(const ServiceRequest&, const QString& account)>;
    void addDataEndpoint(const QString& method, const QString& path, DataHandler handler);

    void setFault(const QString& method, const QString& path, const ServiceFault& fault);
    void clearFaults();

    // Requests a Hold fault keeps waiting now, and their release.
    int heldRequests() const;
    void releaseHeld();

    // Called on the service's thread with each request it answers, once the
    // answer is ready and before it goes out: a test acts between two
    // requests of the client. An empty hook removes it.
    using RequestHook = std::function<void(const ServiceRequest&)>;
    void setRequestHook(RequestHook hook);

    QList<ServiceRequest> requests() const;
    QList<ServiceRequest> requestsTo(const QString& path) const;
    // The requests of that method whose path starts so, picked under the
    // service's lock while its thread may be appending.
    QList<ServiceRequest> requestsStartingWith(const QString& method, const QString& pathStart) const;
    void clearRequests();

    static QString md5(const QString& text);

    // ---- what the data endpoints hold, per account (user names in any case) --
    // One stamp for the whole service, grown by every change: the records'
    // "last_update" and the settings' "lastupdatesetting" and
    // "lastupdatetask" are its values at their last change.
    qint64 stamp() const;
    // Stamps from here on grow from `base` (as seconds since 1970 would,
    // the scale of the client's own task stamp) instead of from 1000.
    void setStampBase(qint64 base);
    // The settings record as the download gives it.
    QJsonObject settingsOf(const QString& account) const;
    // Changes settings keys as another device would (a new stamp); a null
    // value removes its key.
    void setSettings(const QString& account, const QJsonObject& values);
    // The account's tags, {"id", "name"}, in id order.
    QList<QJsonObject> tagsOf(const QString& account) const;
    qint64 addTag(const QString& account, const QString& name);
    // The account's own categories with "id" and "last_update", in id order.
    QList<QJsonObject> categoriesOf(const QString& account) const;
    qint64 addCategory(const QString& account, const QJsonObject& fields);
    // Changes keys of a category as another device would (a new stamp).
    bool changeCategory(const QString& account, qint64 id, const QJsonObject& fields);
    // The owner's names that shared categories show.
    void setOwnerName(const QString& account, const QString& firstName, const QString& lastName);
    // Shares the owner's category with another account.
    void shareCategory(const QString& owner, qint64 id, const QString& with, qint64 sharedStatus);
    // An item of that category with no other key, as a category deletion
    // with del_personal_proj=1 takes it along.
    qint64 addItem(const QString& account, qint64 categoryId);
    QList<qint64> itemsOf(const QString& account, qint64 categoryId) const;

    // ---- items: each gets an id and a growing "last_update" ------------------
    // Adds an item record as another device would; answers its id.
    qint64 addItemRecord(const QString& account, const QJsonObject& fields);
    // Changes keys of an item as another device would (a new stamp).
    bool changeItemRecord(const QString& account, qint64 id, const QJsonObject& fields);
    // Removes an item as another device would; false when there is none.
    bool removeItemRecord(const QString& account, qint64 id);
    // The account's items as stored, in id order.
    QList<QJsonObject> itemRecordsOf(const QString& account) const;
    // The download lists a repeating root before its changed occurrences
    // ("group_id" naming it); set, after them.
    void setChildrenFirst(bool childrenFirst);
    // Records of this title are answered with "error" (downloads, creations,
    // updates); an empty title refuses none.
    void setRefusedTitle(const QString& title);

    // ---- comments (only received) ------------------------------------------------
    qint64 addComment(const QString& account, const QJsonObject& fields);
    bool removeComment(const QString& account, qint64 id);

    // ---- answers to shares and delegations ---------------------------------------
    // The "permission" a status answer about that object gets (2 unless set).
    void setPermission(qint64 objectId, qint64 permission);
    // The answers received, in order: {"obj_id", "stt_type", "stt"}.
    QList<QJsonObject> statusAnswers() const;
    // Links (hyperlinks.json): every uploaded link gets a new key; a deletion
    // names keys, "0" for all.
    qint64 addLinkRecord(const QString& account, qint64 rootId, qint64 targetId);
    bool removeLinkRecord(const QString& account, qint64 key);
    QList<QJsonObject> linkRecordsOf(const QString& account) const;
    // Server-side backups the account asked for (backups.json).
    int backupsOf(const QString& account) const;

private:
    struct State;
    std::unique_ptr<State> d;
    struct Data;
    std::shared_ptr<Data> m_data;

    void addAccountEndpoints();
    void addDataEndpoints();
    void addItemEndpoints();
    void addLinkEndpoints();
    void rememberToken(const QString& userName, const QString& token);
};
