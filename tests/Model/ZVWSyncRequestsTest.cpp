#include "ModelTestFixture.h"

#include "Clock.h"
#include "HttpSession.h"
#include "LoopbackService.h"
#include "NetworkStatus.h"
#include "PostedNotifications.h"
#include "RecordingMainView.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "TextTable.h"
#include "ZVWService.h"
#include "ZVWSync.h"

#include <QJsonObject>
#include <QTcpServer>
#include <QThread>

#include <thread>

namespace {

const QString ann = QStringLiteral("Ann@Example.com");
const QString annPassword = QStringLiteral("p&w d+%\u00e9");
const QString tokenPath = QStringLiteral("/api/token.json");
const QString usersPath = QStringLiteral("/api/users.json");
const double now = 1357725600;

// Each test runs its own service and a sync object pointed at it.
class ZVWSyncRequestsTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(now));
        HttpSession::setDefaultTimeouts(HttpTimeouts{1.0, 0.4, 0.4});
        m_setting = Setting::initWithPrimaryKey(1, db());
        dataManager().setCurrentSetting(m_setting);
        m_service.addAccount(ann, annPassword);
        useService(m_service.baseAddress());
        signIn(ann, annPassword);
    }
    void TearDown() override
    {
        m_sync.reset();
        qunsetenv("ZORAVEL_SERVICE_URL");
        qunsetenv("ZORAVEL_CA_FILE");
        HttpSession::setDefaultTimeouts(HttpTimeouts{});
        NetworkStatus::instance().setOverride(std::nullopt);
        webSyncBusy = false;
        Clock::reset();
        ModelTest::TearDown();
    }

    void useService(const QString& address)
    {
        qputenv("ZORAVEL_SERVICE_URL", address.toUtf8());
        m_sync.reset();
        m_sync = std::make_unique<ZVWSync>();
    }
    void signIn(const QString& userName, const QString& password)
    {
        m_setting->setZvwUserName(userName);
        m_setting->setZvwPassword(password);
    }
    void answerTokenWith(const ServiceFault& fault)
    {
        m_service.setFault(QStringLiteral("POST"), tokenPath, fault);
        m_service.setFault(QStringLiteral("GET"), tokenPath, fault);
    }
    static ServiceFault body(const QByteArray& text)
    {
        ServiceFault fault;
        fault.kind = ServiceFault::Body;
        fault.body = text;
        return fault;
    }
    static int closedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }
    // Runs the one-way run's token request to its end on this thread.
    void runAsynchronousTokenRequest()
    {
        m_sync->setParseKey(0);
        m_sync->setIsFinishedGetToken(false);
        ScheduledTimer timer = ScheduledTimer::create();
        m_sync->getToken(timer);
        EXPECT_FALSE(timer.isValid()) << "each tick that acts stops its timer";
        ASSERT_TRUE(processEventsUntil([&] {
            return m_sync->parseKey() == 10 || (m_sync->parseKey() == 0 && m_sync->isFinishedGetToken());
        }));
        processEventsUntil([] { return false; }, 20);  // the alert, if any
    }

    LoopbackService m_service;
    SettingPtr m_setting;
    std::unique_ptr<ZVWSync> m_sync;
};

}  // namespace

TEST_F(ZVWSyncRequestsTest, TokenRequestIsSignedFromTheValuesAsTypedAndMakesAKeyTheServiceAccepts)
{
    m_sync->refreshToken();
    ASSERT_EQ(m_service.tokensOf(ann).size(), 1) << m_sync->errorDescription().toStdString();
    EXPECT_EQ(m_setting->zvwToken(), m_service.tokensOf(ann).first());
    EXPECT_TRUE(m_setting->zvwTokenTime().isNull() || m_setting->zvwTokenTime().timeIntervalSince1970() == 0)
        << "only the one-way run's token sets the time";
    EXPECT_TRUE(m_sync->errorDescription().isEmpty());

    const ServiceRequest request = m_service.requestsTo(tokenPath).first();
    EXPECT_EQ(request.method, QStringLiteral("POST"));
    EXPECT_EQ(request.contentType, QStringLiteral("application/json"));
    EXPECT_EQ(request.queryValue(QStringLiteral("username")), ann) << "the address carries the name as typed";
    EXPECT_EQ(request.queryValue(QStringLiteral("sig")),
              LoopbackService::md5(ann.toLower() + annPassword + LoopbackService::applicationKey()));

    ASSERT_TRUE(m_sync->makeZvwKeyAPI());
    EXPECT_EQ(m_service.accountForKey(m_sync->zvwKeyAPI()), ann.toLower());
    EXPECT_EQ(ZVWService::applicationKey(), LoopbackService::applicationKey());
}

TEST_F(ZVWSyncRequestsTest, ATokenIsKeptForThreeHoursAndReplacedAfter)
{
    struct Case {
        double age;
        bool asks;
    };
    for (const Case c : {Case{10800, false}, Case{10801, true}, Case{0, false}}) {
        m_service.clearRequests();
        m_setting->setZvwToken(QStringLiteral("stored"));
        m_setting->setZvwTokenTime(Date::dateWithTimeIntervalSince1970(now - c.age));
        m_sync->refreshToken();
        EXPECT_EQ(m_service.requestsTo(tokenPath).size(), c.asks ? 1 : 0) << c.age;
        EXPECT_EQ(m_setting->zvwToken() == QStringLiteral("stored"), !c.asks) << c.age;
    }
}

TEST_F(ZVWSyncRequestsTest, WithoutCredentialsNothingIsSentOrPostedAndNoKeyIsMade)
{
    PostedNotifications posts({kServerErrorNotification, kZVWAccountInvalidNotification});
    for (const auto& [name, password] : {std::pair{QString(), annPassword}, std::pair{ann, QString()}}) {
        signIn(name, password);
        m_sync->refreshToken();
        runAsynchronousTokenRequest();
        EXPECT_EQ(m_sync->parseKey(), 10);
        EXPECT_TRUE(m_sync->isFinishedGetToken());
    }
    EXPECT_TRUE(m_service.requests().isEmpty());
    EXPECT_TRUE(posts.names().isEmpty());
    EXPECT_FALSE(m_sync->makeZvwKeyAPI());
    EXPECT_TRUE(m_sync->zvwKeyAPI().isEmpty());
}

TEST_F(ZVWSyncRequestsTest, ATokenRequestThatEndsWithoutATokenStopsThePassAndSaysWhy)
{
    const QString noToken = TextTable::localizedString(QStringLiteral("zvwNoTokenText"));
    ServiceFault status500;
    ServiceFault slow;
    slow.kind = ServiceFault::Delay;
    slow.delayMs = 1500;
    ServiceFault dropped;
    dropped.kind = ServiceFault::Drop;
    struct Case {
        const char* name;
        ServiceFault fault;
        QString description;
        QStringList posts;
    };
    const QList<Case> cases = {
        {"refused account", body(R"({"error":4})"), QStringLiteral("4"), {kZVWAccountInvalidNotification}},
        {"refused account, as text", body(R"({"error":"2"})"), QStringLiteral("2"), {kZVWAccountInvalidNotification}},
        {"refused account, status 403", [] { ServiceFault f; f.status = 403; f.body = R"({"error":4})"; return f; }(),
         QStringLiteral("4"), {kZVWAccountInvalidNotification}},
        {"other refusal", body(R"({"error":1})"), noToken, {kServerErrorNotification}},
        {"empty token", body(R"({"tokenapi":""})"), noToken, {kServerErrorNotification}},
        {"token of the wrong type", body(R"({"tokenapi":42})"), noToken, {kServerErrorNotification}},
        {"null token", body(R"({"tokenapi":null})"), noToken, {kServerErrorNotification}},
        {"no JSON", body("<html>busy</html>"), noToken, {kServerErrorNotification}},
        {"an array", body(R"([{"tokenapi":"x"}])"), noToken, {kServerErrorNotification}},
        {"status 500", status500, TextTable::localizedString(QStringLiteral("zvwStatusErrorText")).arg(500),
         {kServerErrorNotification}},
        {"slow reply", slow, TextTable::localizedString(QStringLiteral("httpConnectionLostText")), {kServerErrorNotification}},
        {"dropped connection", dropped, TextTable::localizedString(QStringLiteral("httpConnectionLostText")),
         {kServerErrorNotification}},
    };
    for (const Case& c : cases) {
        answerTokenWith(c.fault);
        m_setting->setZvwToken(QString());
        m_sync->setErrorDescription(QString());
        PostedNotifications posts({kServerErrorNotification, kZVWAccountInvalidNotification});
        m_sync->refreshToken();
        EXPECT_EQ(m_sync->errorDescription(), c.description) << c.name;
        EXPECT_EQ(posts.names(), c.posts) << c.name;
        EXPECT_TRUE(m_setting->zvwToken().isEmpty()) << c.name;
        EXPECT_FALSE(m_sync->makeZvwKeyAPI()) << c.name;
    }
}

TEST_F(ZVWSyncRequestsTest, HttpsNeedsTheServiceCertificateToBeTrusted)
{
    LoopbackService secure(LoopbackService::Scheme::Https);
    secure.addAccount(ann, annPassword);
    useService(secure.baseAddress());
    m_sync->refreshToken();
    EXPECT_TRUE(m_setting->zvwToken().isEmpty());
    EXPECT_EQ(m_sync->errorDescription(), TextTable::localizedString(QStringLiteral("httpCertificateText")));
    EXPECT_TRUE(secure.tokensOf(ann).isEmpty());

    qputenv("ZORAVEL_CA_FILE", secure.caFile().toUtf8());
    m_sync->setErrorDescription(QString());
    m_sync->refreshToken();
    EXPECT_EQ(m_setting->zvwToken(), secure.tokensOf(ann).value(0));
    EXPECT_TRUE(m_sync->errorDescription().isEmpty());
    m_sync.reset();  // its kept-alive connection would hold the service's end
}

TEST_F(ZVWSyncRequestsTest, TheOneWayRunGetsItsTokenOnAWorkerAndStampsIt)
{
    runAsynchronousTokenRequest();
    EXPECT_EQ(m_sync->parseKey(), 0);
    EXPECT_TRUE(m_sync->isFinishedGetToken());
    EXPECT_EQ(m_setting->zvwToken(), m_service.tokensOf(ann).value(0));
    EXPECT_EQ(m_setting->zvwTokenTime().timeIntervalSince1970(), now);
    const ServiceRequest request = m_service.requestsTo(tokenPath).value(0);
    EXPECT_EQ(request.method, QStringLiteral("GET"));
    EXPECT_FALSE(request.contentType.has_value()) << "a plain GET without header fields";

    // Fresh now: the next run asks nothing.
    runAsynchronousTokenRequest();
    EXPECT_EQ(m_service.requestsTo(tokenPath).size(), 1);
}

TEST_F(ZVWSyncRequestsTest, TheAsynchronousOutcomeArrivesOnTheRunsOwnThread)
{
    QThread run;
    run.start();
    QObject onRun;
    onRun.moveToThread(&run);
    m_sync->setParseKey(0);
    QMetaObject::invokeMethod(&onRun, [this] { m_sync->getToken(ScheduledTimer::create()); });
    // The main thread turns no events meanwhile: only the run's loop can deliver.
    bool arrived = false;
    for (int i = 0; i < 500 && !arrived; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        arrived = m_sync->isFinishedGetToken() && m_sync->parseKey() == 0;
    }
    EXPECT_TRUE(arrived);
    EXPECT_EQ(m_setting->zvwToken(), m_service.tokensOf(ann).value(0));
    run.quit();
    run.wait();
}

TEST_F(ZVWSyncRequestsTest, AnAsynchronousReplyWithoutTokenOrRefusalEndsTheRequestAsFailed)
{
    RecordingMainView mainView;
    for (const QByteArray& reply : {QByteArray("{}"), QByteArray("[]"), QByteArray("oops"), QByteArray(R"({"tokenapi":""})")}) {
        answerTokenWith(body(reply));
        webSyncBusy = true;
        runAsynchronousTokenRequest();
        EXPECT_EQ(m_sync->parseKey(), 10) << reply.constData();
        EXPECT_TRUE(m_sync->isError());
        EXPECT_FALSE(webSyncBusy) << reply.constData();
    }

    PostedNotifications posts({kZVWAccountInvalidNotification});
    answerTokenWith(body(R"({"tokenapi":"both","error":4})"));
    runAsynchronousTokenRequest();
    EXPECT_EQ(m_setting->zvwToken(), QStringLiteral("both")) << "the token is stored, then the request fails";
    EXPECT_EQ(m_sync->parseKey(), 10);
    EXPECT_EQ(posts.names(), QStringList{kZVWAccountInvalidNotification});
    ASSERT_TRUE(processEventsUntil([&] { return mainView.calls().contains(QStringLiteral("hide")); }));
}

TEST_F(ZVWSyncRequestsTest, OnlyTheFirstConnectionFailureShowsAnAlertAndEveryOneEndsTheRun)
{
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(1000);
    NetworkStatus::instance().setOverride(0);
    useService(QStringLiteral("http://127.0.0.1:%1").arg(closedPort()));
    for (int attempt = 0; attempt < 2; ++attempt) {
        webSyncBusy = true;
        runAsynchronousTokenRequest();
        EXPECT_EQ(m_sync->parseKey(), 10);
        EXPECT_FALSE(webSyncBusy);
    }
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().first().messageText, TextTable::localizedString(QStringLiteral("No Connection Error")));
    EXPECT_TRUE(alerts.requests().first().informativeText.isEmpty());
    EXPECT_TRUE(m_sync->didShowedConnectError());
}

TEST_F(ZVWSyncRequestsTest, AFirstFailureWithTheNetworkUpShowsTheTransportsOwnText)
{
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(1000);
    ServiceFault status500;
    answerTokenWith(status500);
    runAsynchronousTokenRequest();
    EXPECT_EQ(m_sync->parseKey(), 10);
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().first().messageText,
              TextTable::localizedString(QStringLiteral("zvwStatusErrorText")).arg(500));
}

TEST_F(ZVWSyncRequestsTest, AccountCreationAnswersByTheReply)
{
    const QString bea = QStringLiteral("bea@example.com");
    EXPECT_EQ(m_sync->createNewAccount(bea, annPassword), 0);
    EXPECT_EQ(m_service.passwordOf(bea), annPassword) << "the password reaches the service unchanged";
    EXPECT_EQ(m_sync->createNewAccount(bea, annPassword), 5) << "the name is taken";
    const ServiceRequest request = m_service.requestsTo(usersPath).value(0);
    EXPECT_EQ(request.method, QStringLiteral("POST"));
    EXPECT_EQ(request.contentType, QStringLiteral("application/json"));

    struct Case {
        ServiceFault fault;
        qint64 result;
    };
    ServiceFault status500;
    ServiceFault dropped;
    dropped.kind = ServiceFault::Drop;
    const Case cases[] = {
        {body(R"({"error":5})"), 5},
        {body(R"({"error":"3"})"), 3},
        {body(R"({"account":{},"error":3})"), 0},
        {body(R"([])"), -1},
        {body(R"({"account":null})"), -1},
        {body(R"({"error":2.5})"), -1},
        {body(""), -1},
        {status500, -1},
        {dropped, -1},
    };
    for (const Case& c : cases) {
        m_service.setFault(QStringLiteral("POST"), usersPath, c.fault);
        EXPECT_EQ(m_sync->createNewAccount(QStringLiteral("cy@example.com"), QStringLiteral("pw")), c.result)
            << c.fault.body.constData();
        EXPECT_EQ(m_sync->parseKey(), 0);
    }
    EXPECT_EQ(m_setting->zvwUserName(), ann) << "account creation stores nothing";
}

TEST_F(ZVWSyncRequestsTest, SignInStoresValidCredentialsAndTellsARefusalFromNoReply)
{
    signIn(QString(), QString());
    EXPECT_EQ(m_sync->checkValidity(ann, annPassword), 1) << "no user name stored";
    EXPECT_EQ(m_sync->lastAccountCheck(), ZVWSync::AccountCheck::Valid);
    EXPECT_EQ(m_setting->zvwUserName(), ann);
    EXPECT_EQ(m_setting->zvwPassword(), annPassword);
    EXPECT_TRUE(m_setting->zvwToken().isEmpty()) << "the checks keep no token";
    EXPECT_FALSE(m_service.requestsTo(tokenPath).value(0).contentType.has_value());

    signIn(QStringLiteral("ann@example.com"), annPassword);
    EXPECT_EQ(m_sync->checkValidity(ann, annPassword), 2) << "names are compared as typed";

    ServiceFault dropped;
    dropped.kind = ServiceFault::Drop;
    answerTokenWith(dropped);
    EXPECT_EQ(m_sync->checkValidity(ann, annPassword), -1);
    EXPECT_EQ(m_sync->lastAccountCheck(), ZVWSync::AccountCheck::NoReply);
    EXPECT_EQ(m_setting->zvwPassword(), annPassword) << "no reply keeps the credentials";

    answerTokenWith(body(R"({"tokenapi":""})"));
    EXPECT_EQ(m_sync->checkValidity(ann, annPassword), -1);
    EXPECT_EQ(m_sync->lastAccountCheck(), ZVWSync::AccountCheck::Refused);
    EXPECT_TRUE(m_setting->zvwPassword().isEmpty());

    m_service.clearFaults();
    signIn(ann, annPassword);
    EXPECT_EQ(m_sync->checkValidity(ann, QStringLiteral("wrong")), -1);
    EXPECT_EQ(m_sync->lastAccountCheck(), ZVWSync::AccountCheck::Refused);
    EXPECT_TRUE(m_setting->zvwPassword().isEmpty());
}

TEST_F(ZVWSyncRequestsTest, TheWebToMacCheckTouchesNothingAndDoesNotWait)
{
    signIn(QStringLiteral("other@example.com"), QStringLiteral("kept"));
    webSyncBusy = true;
    EXPECT_EQ(m_sync->checkValidToken(ann, annPassword), 2);
    EXPECT_EQ(m_sync->checkValidToken(ann, QStringLiteral("wrong")), -1);
    EXPECT_EQ(m_sync->lastAccountCheck(), ZVWSync::AccountCheck::Refused);
    EXPECT_EQ(m_setting->zvwUserName(), QStringLiteral("other@example.com"));
    EXPECT_EQ(m_setting->zvwPassword(), QStringLiteral("kept"));
}

TEST_F(ZVWSyncRequestsTest, TheSignInCheckWaitsForARunningOneWayRun)
{
    webSyncBusy = true;
    qsizetype requestsWhenReleased = -1;
    std::thread run([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        requestsWhenReleased = m_service.requests().size();
        webSyncBusy = false;
    });
    EXPECT_EQ(m_sync->checkValidity(ann, annPassword), 1);
    run.join();
    EXPECT_EQ(requestsWhenReleased, 0) << "nothing was asked while the run held the flag";
}

TEST_F(ZVWSyncRequestsTest, MangledRepliesNeverCrashOrChangeTheStoredAccount)
{
    const QList<QByteArray> replies = {R"({"tokenapi":"0123456789abcdef","error":null})",
                                       R"({"account":{"username":"x@example.com"}})", R"({"error":4})"};
    QList<QByteArray> mutations;
    for (const QByteArray& reply : replies) {
        for (qsizetype length = 0; length < reply.size(); ++length) mutations.append(reply.left(length));
        for (qsizetype at = 0; at < reply.size(); ++at) {
            for (const char mask : {char(0x5a), char(0x01)}) {
                QByteArray flipped = reply;
                flipped[at] = char(flipped[at] ^ mask);
                mutations.append(flipped);
            }
        }
    }
    for (const char* key : {"tokenapi", "error", "account"})
        for (const char* value : {"null", "true", "[]", "{}", "\"\"", "-1", "1.5", "\"x\""})
            mutations.append(QByteArray("{\"") + key + "\":" + value + "}");
    for (const char* odd : {R"({"tokenapi":[1]})", R"({"tokenapi":{}})", R"({"error":true})", R"({"error":1e400})",
                            R"({"error":"99999999999999999999"})", R"({"account":false})", "null", "\"text\"", "17"})
        mutations.append(odd);
    mutations.append(QByteArray(5000, '[') + QByteArray(5000, ']'));
    mutations.append("{\"a\":" + QByteArray(3000, '{') + QByteArray(3000, '}') + "}");
    ASSERT_GT(mutations.size(), 300);

    signIn(QStringLiteral("other@example.com"), QStringLiteral("kept"));
    for (const QByteArray& mutation : mutations) {
        answerTokenWith(body(mutation));
        m_service.setFault(QStringLiteral("POST"), usersPath, body(mutation));
        const qint64 check = m_sync->checkValidToken(ann, annPassword);
        EXPECT_TRUE(check == -1 || check == 2) << mutation.left(80).constData();
        m_sync->createNewAccount(QStringLiteral("x@example.com"), QStringLiteral("pw"));
        EXPECT_EQ(m_setting->zvwUserName(), QStringLiteral("other@example.com"));
        EXPECT_EQ(m_setting->zvwPassword(), QStringLiteral("kept"));
    }
    EXPECT_FALSE(m_service.hasAccount(QStringLiteral("x@example.com")));
}
