#include "HttpSession.h"
#include "LoopbackService.h"
#include "NetworkStatus.h"
#include "TextTable.h"

#include <QTcpServer>

#include <gtest/gtest.h>

namespace {

HttpTimeouts shortTimeouts()
{
    return HttpTimeouts{1.0, 0.3, 0.3};
}

HttpRequest tokenRequest(const LoopbackService& service, const QByteArray& method = "POST")
{
    HttpRequest request;
    request.method = method;
    request.url = service.baseAddress() + QStringLiteral("/api/token.json?username=ann%40example.com&appreg=k&sig=s");
    request.headerFields = {{"Content-Type", "application/json"}};
    return request;
}

// A port on this machine that nobody listens on.
int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

class HttpSessionTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        NetworkStatus::instance().setOverride(std::nullopt);
        qunsetenv("ZORAVEL_CA_FILE");
    }
};

}  // namespace

TEST_F(HttpSessionTest, SendsTheRequestAsBuiltAndAnswersStatusAndBody)
{
    LoopbackService service;
    ASSERT_TRUE(service.isRunning());
    HttpSession session(shortTimeouts());
    HttpRequest request = tokenRequest(service);
    request.url = service.baseAddress() + QStringLiteral("/api/users.json?username=a%2Bb%20c&pass=p%26w");
    request.body = "{}";

    const HttpReply reply = session.send(request);
    ASSERT_FALSE(reply.transportFailed()) << reply.errorText.toStdString();
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, QByteArray(R"({"error":1})"));
    const QList<ServiceRequest> seen = service.requests();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].method, QStringLiteral("POST"));
    EXPECT_EQ(seen[0].path, QStringLiteral("/api/users.json"));
    EXPECT_EQ(seen[0].queryValue(QStringLiteral("username")), QStringLiteral("a+b c")) << "no re-encoding on the way";
    EXPECT_EQ(seen[0].queryValue(QStringLiteral("pass")), QStringLiteral("p&w"));
    EXPECT_EQ(seen[0].contentType, QStringLiteral("application/json"));
    EXPECT_EQ(seen[0].body, QByteArray("{}"));
}

TEST_F(HttpSessionTest, RequestsOfOneSessionShareOneConnection)
{
    LoopbackService service;
    HttpSession session(shortTimeouts());
    for (int i = 0; i < 3; ++i) ASSERT_EQ(session.send(tokenRequest(service)).status, 200);
    const QList<ServiceRequest> seen = service.requests();
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[1].remotePort, seen[0].remotePort);
    EXPECT_EQ(seen[2].remotePort, seen[0].remotePort);
}

TEST_F(HttpSessionTest, AddressesThatMustNotBeUsedFailWithoutASend)
{
    HttpSession session(shortTimeouts());
    struct Case {
        const char* url;
        HttpFailure failure;
    };
    const Case cases[] = {
        {"http://www.example.com/api/token.json", HttpFailure::InsecureAddress},
        {"http://10.0.0.1:8080/api/token.json", HttpFailure::InsecureAddress},
        {"ftp://127.0.0.1/api/token.json", HttpFailure::InvalidAddress},
        {"not an address", HttpFailure::InvalidAddress},
        {"https:///api/token.json", HttpFailure::InvalidAddress},
    };
    for (const Case& c : cases) {
        HttpRequest request;
        request.url = QString::fromLatin1(c.url);
        const HttpReply reply = session.send(request);
        EXPECT_EQ(reply.failure, c.failure) << c.url;
        EXPECT_FALSE(reply.errorText.isEmpty()) << c.url;
    }
    EXPECT_TRUE(HttpSession::isLoopbackHost(QStringLiteral("127.0.0.1")));
    EXPECT_TRUE(HttpSession::isLoopbackHost(QStringLiteral("LOCALHOST")));
    EXPECT_TRUE(HttpSession::isLoopbackHost(QStringLiteral("::1")));
    EXPECT_FALSE(HttpSession::isLoopbackHost(QStringLiteral("127.0.0.1.example.com")));
}

TEST_F(HttpSessionTest, ASlowOrDroppedReplyIsATransportFailureAndTheNextRequestWorks)
{
    LoopbackService service;
    HttpSession session(shortTimeouts());
    ServiceFault slow;
    slow.kind = ServiceFault::Delay;
    slow.delayMs = 1500;
    service.setFault(QStringLiteral("POST"), QStringLiteral("/api/token.json"), slow);
    EXPECT_EQ(session.send(tokenRequest(service)).failure, HttpFailure::ConnectionLost);

    ServiceFault drop;
    drop.kind = ServiceFault::Drop;
    service.setFault(QStringLiteral("POST"), QStringLiteral("/api/token.json"), drop);
    const HttpReply dropped = session.send(tokenRequest(service));
    EXPECT_EQ(dropped.failure, HttpFailure::ConnectionLost);
    EXPECT_EQ(dropped.errorText, TextTable::localizedString(QStringLiteral("httpConnectionLostText")));

    service.clearFaults();
    EXPECT_EQ(session.send(tokenRequest(service)).status, 200) << "a broken connection is replaced";
}

TEST_F(HttpSessionTest, AnOversizedReplyIsRefused)
{
    LoopbackService service;
    HttpSession session(shortTimeouts());
    session.setMaxBodyBytes(100);
    ServiceFault big;
    big.kind = ServiceFault::Body;
    big.body = QByteArray(101, 'x');
    service.setFault(QStringLiteral("POST"), QStringLiteral("/api/token.json"), big);
    EXPECT_EQ(session.send(tokenRequest(service)).failure, HttpFailure::BodyTooLarge);
    big.body = QByteArray(100, 'x');
    service.setFault(QStringLiteral("POST"), QStringLiteral("/api/token.json"), big);
    EXPECT_EQ(session.send(tokenRequest(service)).body.size(), 100);
}

TEST_F(HttpSessionTest, ARefusedConnectionIsTheOfflineCaseOnlyWhenTheMachineHasNoNetwork)
{
    HttpSession session(shortTimeouts());
    HttpRequest request;
    request.url = QStringLiteral("http://127.0.0.1:%1/api/token.json").arg(closedPort());
    NetworkStatus::instance().setOverride(0);
    const HttpReply offline = session.send(request);
    EXPECT_EQ(offline.failure, HttpFailure::NotConnectedToInternet);
    EXPECT_EQ(offline.errorText, TextTable::localizedString(QStringLiteral("No Connection Error")));
    NetworkStatus::instance().setOverride(NetworkStatus::reachableFlag);
    EXPECT_EQ(session.send(request).failure, HttpFailure::CannotConnect);
}

TEST_F(HttpSessionTest, HttpsTrustsTheTestAuthorityOnlyWhenTheEnvironmentNamesIt)
{
    LoopbackService service(LoopbackService::Scheme::Https);
    ASSERT_TRUE(service.isRunning());
    {
        HttpSession session(shortTimeouts());
        EXPECT_EQ(session.send(tokenRequest(service)).failure, HttpFailure::Certificate);
    }
    qputenv("ZORAVEL_CA_FILE", service.caFile().toUtf8());
    HttpSession trusting(shortTimeouts());
    const HttpReply reply = trusting.send(tokenRequest(service));
    EXPECT_FALSE(reply.transportFailed()) << reply.errorText.toStdString();
    EXPECT_EQ(reply.status, 200);
    HttpRequest byName = tokenRequest(service);
    byName.url.replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"));
    EXPECT_EQ(trusting.send(byName).status, 200) << "the certificate names both";
}

TEST_F(HttpSessionTest, ACertificateForAnotherHostFailsEvenFromATrustedAuthority)
{
    LoopbackService service(LoopbackService::Scheme::HttpsForAnotherHost);
    ASSERT_TRUE(service.isRunning());
    qputenv("ZORAVEL_CA_FILE", service.caFile().toUtf8());
    // Its subject's common name is "localhost", its alternative name another
    // host: with an alternative name present the common name counts for
    // nothing, whatever the address names.
    for (const QString& host : {QStringLiteral("127.0.0.1"), QStringLiteral("localhost")}) {
        SCOPED_TRACE(host.toStdString());
        HttpSession session(shortTimeouts());
        HttpRequest request = tokenRequest(service);
        request.url.replace(QStringLiteral("127.0.0.1"), host);
        const HttpReply reply = session.send(request);
        EXPECT_EQ(reply.failure, HttpFailure::Certificate);
        EXPECT_EQ(reply.status, 0);
        EXPECT_TRUE(service.requests().isEmpty()) << "nothing was sent without verification";
    }
}
