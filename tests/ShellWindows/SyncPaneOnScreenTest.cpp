// The Sync pane on a real X server against the loopback web service: the
// window growing with its top edge kept as the user signs in, the sign-up
// sheet taking the keyboard, the web-to-local question with its note, and
// the progress sheets of both replaces.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Preferences/PreferencesTestFixture.h"

#include "Button.h"
#include "MessageBoxAlertPresenter.h"
#include "PrefSyncView.h"
#include "PrefSyncViewOnly.h"
#include "Preferences.h"
#include "RegisterView.h"
#include "Screenshot.h"
#include "TextField.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace SyncPaneOnScreenTests {

using namespace RealWindows;

// A stand-in for the web service on its own thread: every request gets a
// token, one of them only after a delay, so that a sheet stays up long
// enough to be looked at. Data requests get the same
// reply, which the sync takes as a failed step.
class SlowTokenService {
public:
    SlowTokenService()
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                m_server = new QTcpServer(&m_context);
                QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] { answerNext(); });
                m_server->listen(QHostAddress::LocalHost, 0);
                m_port = m_server->serverPort();
            },
            Qt::BlockingQueuedConnection);
    }
    ~SlowTokenService()
    {
        QMetaObject::invokeMethod(&m_context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    QString baseAddress() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port.load()); }
    // The `request`th request from now on waits.
    void slowAt(int request, int delayMs)
    {
        m_delayMs = delayMs;
        m_slow = m_requests + request;
    }

private:
    void answerNext()
    {
        QTcpSocket* socket = m_server->nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            if (!socket->readAll().contains("\r\n\r\n") || socket->property("answered").toBool()) return;
            socket->setProperty("answered", true);
            const int delay = ++m_requests == m_slow ? m_delayMs.load() : 0;
            QTimer::singleShot(delay, socket, [socket] {
                const QByteArray body = R"({"tokenapi":"token"})";
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n"
                              "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    QThread m_thread;
    QObject m_context;
    QTcpServer* m_server = nullptr;
    std::atomic<int> m_port{0};
    std::atomic<int> m_requests{0};
    std::atomic<int> m_slow{0};
    std::atomic<int> m_delayMs{0};
};

// Answers every alert with its first button and keeps them, whatever the
// web sync's failed steps make the main view say.
class AnsweringPresenter : public AlertPresenter {
public:
    AnsweringPresenter() : m_previous(&AlertPresenter::current()) { AlertPresenter::setCurrent(this); }
    ~AnsweringPresenter() override { AlertPresenter::setCurrent(m_previous); }
    AlertResponse runModal(const AlertRequest& request) override
    {
        m_requests.append(request);
        return {AlertResponse::firstButton, request.suppressionState, request.accessoryChosenTag};
    }
    QList<AlertRequest> m_requests;

private:
    AlertPresenter* m_previous;
};

class SyncPaneOnScreen : public PreferencesTest {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            if (qgetenv("ZORAVEL_NO_DISPLAY_TESTS") == "1") GTEST_SKIP() << "no display";
            FAIL() << "run under scripts/with-display.sh";
        }
        qputenv("ZORAVEL_SERVICE_URL", m_service.baseAddress().toUtf8());
        PreferencesTest::SetUp();
        internetReachable = true;
        window = std::make_unique<Preferences>();
        window->sync(nullptr);
        window->makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(*window));
    }
    void TearDown() override
    {
        if (manager) manager->zvwSync()->waitUntilIdle(10);
        window.reset();
        internetReachable = false;
        if (manager) PreferencesTest::TearDown();
        qunsetenv("ZORAVEL_SERVICE_URL");
    }

    PrefSyncViewOnly& account() { return *window->syncView()->accountView(); }

    static void pictureOfScreen(const QString& name)
    {
        QThread::msleep(100);
        QCoreApplication::processEvents();
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(screen.save(screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png")));
    }

    SlowTokenService m_service;
    std::unique_ptr<Preferences> window;
};

TEST_F(SyncPaneOnScreen, SigningInGrowsTheWindowDownwardsAndTheSignUpSheetTakesTheKeyboard)
{
    EXPECT_TRUE(waitUntil([&] { return !window->isAnimatingFrame(); }));
    const QRect before = window->geometry();
    EXPECT_EQ(window->frame().height(), PrefSyncView::signedOutWindowHeight);
    pictureOfScreen(QStringLiteral("sync-pane-on-screen-signed-out"));

    account().createNewAccount();
    Window* sheet = account().registerWindow();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(shownOnScreen(*sheet));
    EXPECT_EQ(sheet->geometry().size(), QSize(430, 230));
    EXPECT_TRUE(waitUntil([&] { return account().registerView()->userName()->editor()->hasFocus(); }));
    pictureOfScreen(QStringLiteral("sync-pane-on-screen-sign-up-sheet"));
    account().registerView()->cancelButton()->performClick();
    EXPECT_FALSE(sheet->isVisible());

    account().userName()->setStringValue(QStringLiteral("ann@example.com"));
    account().passWord()->setStringValue(QStringLiteral("secret"));
    alerts.scriptButton(1000);
    account().signIn();
    EXPECT_EQ(alerts.requests().back().informativeText, text("loginSuccessMessage"));
    EXPECT_TRUE(waitUntil([&] { return !window->isAnimatingFrame() && window->geometry().height() > before.height(); }));
    EXPECT_EQ(window->frame().height(), PrefSyncView::signedInWindowHeight);
    EXPECT_EQ(window->geometry().top(), before.top()) << "the top edge stays on screen";
    EXPECT_EQ(window->geometry().left(), before.left());
    pictureOfScreen(QStringLiteral("sync-pane-on-screen-signed-in"));
}

TEST_F(SyncPaneOnScreen, TheReplacesQuestionAndTheirProgressSheets)
{
    settings().setZvwUserName(QStringLiteral("ann@example.com"));
    settings().setZvwPassword(QStringLiteral("secret"));
    window->sync(nullptr);
    EXPECT_TRUE(waitUntil([&] { return !window->isAnimatingFrame(); }));

    // The web-to-local question through the real presenter, with its note.
    MessageBoxAlertPresenter presenter;
    AlertPresenter* scripted = &AlertPresenter::current();
    AlertPresenter::setCurrent(&presenter);
    QString note;
    QTimer::singleShot(0, [&] {
        waitUntil([] { return QApplication::activeModalWidget() != nullptr; });
        QWidget* box = QApplication::activeModalWidget();
        waitUntil([&] { return box->windowHandle() && box->windowHandle()->isExposed(); });
        for (QLabel* label : box->findChildren<QLabel*>())
            if (label->font().italic()) note = label->text();
        pictureOfScreen(QStringLiteral("sync-pane-on-screen-web-to-local-question"));
        MessageBoxAlertPresenter::stopModal();
    });
    account().oneWayWebToMac();
    AlertPresenter::setCurrent(scripted);
    EXPECT_EQ(note, text("warningDuplicateOneWaySyncText"));
    EXPECT_EQ(window->attachedSheet(), nullptr) << "no answer, nothing starts";

    // Each replace's sheet, up while the service is slow with the run's
    // token (the web-to-local replace asks for two before it). The runs then
    // fail on the stand-in's replies: the sheet goes all the same.
    AnsweringPresenter answering;
    struct Case {
        void (PrefSyncViewOnly::*command)();
        QSize size;
        const char* picture;
        int slowToken;
    };
    for (const Case& c :
         {Case{&PrefSyncViewOnly::oneWayMacToWeb, QSize(410, 150), "sync-pane-on-screen-local-to-web", 1},
          Case{&PrefSyncViewOnly::oneWayWebToMac, QSize(430, 150), "sync-pane-on-screen-web-to-local", 3}}) {
        SCOPED_TRACE(c.picture);
        m_service.slowAt(c.slowToken, 1500);
        (account().*c.command)();
        Window* sheet = account().progressWindow();
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(shownOnScreen(*sheet));
        EXPECT_EQ(sheet->geometry().size(), c.size);
        EXPECT_EQ(window->attachedSheet(), sheet);
        pictureOfScreen(QString::fromLatin1(c.picture));
        for (int tick = 0; tick < 600 && sheet->isVisible(); ++tick) {
            scheduler.advance(0.1);
            waitUntil([&] { return !sheet->isVisible(); }, 20);
        }
        EXPECT_FALSE(sheet->isVisible());
        EXPECT_TRUE(account().oneWayWebToMacButton()->isEnabled());
        for (const AlertRequest& shown : answering.m_requests)
            EXPECT_NE(shown.messageText, text("oneWaySyncCompletedText")) << "a failed run is no success";
    }
}

}  // namespace SyncPaneOnScreenTests
