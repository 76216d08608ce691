// The loopback web service itself: what it accepts and refuses, so that
// client tests against it mean something.
#include "HttpSession.h"
#include "LoopbackService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QString encoded(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QByteArray call(const LoopbackService& service, const QByteArray& method, const QString& pathAndQuery)
{
    HttpSession session(HttpTimeouts{1, 1, 1});
    HttpRequest request;
    request.method = method;
    request.url = service.baseAddress() + pathAndQuery;
    return session.send(request).body;
}

QString tokenQuery(const QString& user, const QString& password, const QString& key = LoopbackService::applicationKey())
{
    const QString sig = LoopbackService::md5(user.toLower() + password + key);
    return QStringLiteral("/api/token.json?username=%1&appreg=%2&sig=%3").arg(encoded(user), key, sig);
}

}  // namespace

TEST(LoopbackServiceTest, IssuesTokensOnlyToAKnownAccountWithTheRightSignatureAndKey)
{
    LoopbackService service;
    service.addAccount(QStringLiteral("ann@example.com"), QStringLiteral("pw"));
    struct Case {
        QString query;
        QByteArray expected;
    };
    const Case cases[] = {
        {tokenQuery(QStringLiteral("nobody@example.com"), QStringLiteral("pw")), R"({"error":2})"},
        {tokenQuery(QStringLiteral("ann@example.com"), QStringLiteral("wrong")), R"({"error":4})"},
        {tokenQuery(QStringLiteral("ann@example.com"), QStringLiteral("pw"), QStringLiteral("0123456789abcdef0123456789abcdef")),
         R"({"error":1})"},
    };
    for (const Case& c : cases) EXPECT_EQ(call(service, "GET", c.query), c.expected) << c.query.toStdString();
    EXPECT_TRUE(service.tokensOf(QStringLiteral("ann@example.com")).isEmpty());

    const QJsonObject reply =
        QJsonDocument::fromJson(call(service, "POST", tokenQuery(QStringLiteral("Ann@Example.com"), QStringLiteral("pw")))).object();
    EXPECT_EQ(reply.value(QStringLiteral("tokenapi")).toString(), service.tokensOf(QStringLiteral("ann@example.com")).value(0));
    EXPECT_EQ(reply.value(QStringLiteral("tokenapi")).toString().size(), 32);
}

TEST(LoopbackServiceTest, DataEndpointsNeedAKeyMadeFromAnIssuedTokenAndFaultsReshapeReplies)
{
    LoopbackService service;
    service.addAccount(QStringLiteral("ann@example.com"), QStringLiteral("pw"));
    service.addDataEndpoint(QStringLiteral("GET"), QStringLiteral("^/api/things/[0-9]+\\.json$"),
                            [](const ServiceRequest&, const QString& account) {
                                return ServiceReply::json(QJsonArray{QJsonObject{{QStringLiteral("owner"), account}}});
                            });
    const QString token = QJsonDocument::fromJson(call(service, "GET", tokenQuery(QStringLiteral("ann@example.com"), QStringLiteral("pw"))))
                              .object()
                              .value(QStringLiteral("tokenapi"))
                              .toString();
    const QString key = LoopbackService::md5(LoopbackService::md5(QStringLiteral("pw")) + LoopbackService::applicationKey() + token);
    EXPECT_EQ(call(service, "GET", QStringLiteral("/api/things/7.json?keyapi=") + key), QByteArray(R"([{"owner":"ann@example.com"}])"));
    EXPECT_EQ(call(service, "GET", QStringLiteral("/api/things/7.json?keyapi=") + LoopbackService::md5(QStringLiteral("x"))),
              QByteArray(R"({"error":3})"));
    EXPECT_EQ(call(service, "GET", QStringLiteral("/api/things/x.json?keyapi=") + key), QByteArray("no such endpoint"));

    ServiceFault refusals;
    refusals.kind = ServiceFault::ErrorRecords;
    refusals.errorCode = 7;
    service.setFault(QStringLiteral("GET"), QStringLiteral("/api/things/7.json"), refusals);
    EXPECT_EQ(call(service, "GET", QStringLiteral("/api/things/7.json?keyapi=") + key), QByteArray(R"([{"error":7}])"));
    const QList<ServiceRequest> recorded = service.requestsTo(QStringLiteral("/api/things/7.json"));
    ASSERT_EQ(recorded.size(), 3);
    EXPECT_EQ(recorded.last().queryValue(QStringLiteral("keyapi")), key);
}

TEST(LoopbackServiceTest, CreatesAccountsOnceAndRefusesBadSignatures)
{
    LoopbackService service;
    const QString user = QStringLiteral("Bea@example.com");
    const QString password = QStringLiteral("p&w d+%\u00e9");
    const QString sig = LoopbackService::md5(user.toLower() + password + LoopbackService::applicationKey());
    const QString query = QStringLiteral("/api/users.json?username=%1&pass=%2&appreg=%3&sig=%4")
                              .arg(encoded(user), encoded(password), LoopbackService::applicationKey(), sig);
    EXPECT_EQ(call(service, "POST", query), QByteArray(R"({"account":{"username":"Bea@example.com"}})"));
    EXPECT_EQ(service.passwordOf(QStringLiteral("bea@example.com")), password);
    EXPECT_EQ(call(service, "POST", query), QByteArray(R"({"error":5})"));
    QString forged = query;
    forged.replace(sig, LoopbackService::md5(QStringLiteral("forged")));
    EXPECT_EQ(call(service, "POST", forged), QByteArray(R"({"error":1})"));
}
