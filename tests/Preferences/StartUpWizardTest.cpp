// The first-run wizard built offscreen: its layout, its pages turned by
// drag, swipe, dots and buttons, and the account page against the loopback
// web service.
#include "PreferencesTestFixture.h"

#include "Button.h"
#include "Font.h"
#include "LoopbackService.h"
#include "RecordingUrlOpener.h"
#include "Screenshot.h"
#include "StartUpWizardPanel.h"
#include "StartUpWizardView.h"
#include "TextField.h"
#include "UserLoginView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

namespace StartUpWizardTests {

const QString kAnn = QStringLiteral("ann@example.com");
using Shown = QList<std::pair<int, double>>;
// Page i shown at rest, with its dot alone on.
Shown resting(int i) { return {{i, 0}, {-1 - i, 0}}; }

class StartUpWizardTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        qputenv("ZORAVEL_SERVICE_URL", m_service.baseAddress().toUtf8());
        PreferencesTest::SetUp();
        internetReachable = true;
        m_service.addAccount(kAnn, QStringLiteral("secret"));
        settings().setStartUpWizard(1);
        ASSERT_TRUE(settings().dehydrate());
        panel = std::make_unique<StartUpWizardPanel>([this] { ++handedOver; });
        panel->show();
    }
    void TearDown() override
    {
        manager->zvwSync()->waitUntilIdle(10);
        panel.reset();
        internetReachable = false;
        PreferencesTest::TearDown();
        qunsetenv("ZORAVEL_SERVICE_URL");
    }

    StartUpWizardView& wizard() { return *panel->wizard(); }
    UserLoginView& login() { return *wizard().loginView(); }
    // The pages shown with their x, then the dots that are on (as -1 - tag).
    Shown shown()
    {
        Shown seen;
        for (int i = 0; i < StartUpWizard::pageCount; ++i)
            if (!wizard().pages()[i]->isHidden()) seen.append({i, wizard().pages()[i]->frame().x()});
        for (int i = 0; i < StartUpWizard::pageCount; ++i)
            if (wizard().navigatorDots()[i]->state() == OnState) seen.append({-1 - i, 0});
        return seen;
    }
    void mouse(QEvent::Type type, QWidget* to, double x)
    {
        const QPointF at(x, 200);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, to->mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(to, &event);
    }
    bool scroll(Qt::ScrollPhase phase, QPoint pixels = {}, QPoint angle = {})
    {
        QWheelEvent wheel(QPointF(270, 200), QPointF(270, 200), pixels, angle, Qt::NoButton, Qt::NoModifier, phase,
                          false);
        QApplication::sendEvent(&wizard(), &wheel);
        return wheel.isAccepted();
    }
    QString lastInformative() const { return alerts.requests().back().informativeText; }
    static qint64 stored() { return Setting::initWithPrimaryKey(1, RecordStore::sharedDatabase())->startUpWizard(); }

    LoopbackService m_service;
    RecordingUrlOpener opener;
    std::unique_ptr<StartUpWizardPanel> panel;
    int handedOver = 0;
};

TEST_F(StartUpWizardTest, LayoutDotsJumpAndStart)
{
    EXPECT_EQ(wizard().zvoButton()->frame(), QRectF(367, 595, 143, 35));
    for (Button* dot : wizard().navigatorDots()) EXPECT_EQ(dot->frame(), QRectF(220 + 20 * dot->tag(), 570, 10, 10));
    EXPECT_EQ(shown(), resting(0));
    // Each slide's header and description, and the header's bold size.
    const std::tuple<QRectF, double, QRectF> slides[] = {
        {{30, 300, 480, 30}, 22, {30, 350, 480, 150}},
        {{30, 350, 255, 60}, 20, {30, 420, 240, 150}},
        {{30, 400, 480, 30}, 22, {30, 450, 480, 150}},
        {{30, 400, 480, 30}, 22, {30, 450, 480, 150}},
    };
    for (int i = 0; i < 4; ++i) {
        const auto& [header, size, desc] = slides[i];
        auto* page = static_cast<SliderPage*>(wizard().pages()[i]);
        EXPECT_EQ(page->headerLabel()->frame(), header) << i;
        EXPECT_EQ(page->headerLabel()->textFont(), Font::fontWithName(QStringLiteral("Lucida Grande Bold"), size));
        EXPECT_EQ(page->descLabel()->frame(), desc) << i;
        EXPECT_EQ(page->descLabel()->textFont(), Font::fontWithName(QStringLiteral("Lucida Grande"), 14));
        EXPECT_EQ(page->descLabel()->textColor(), QColor(Qt::white));
    }

    wizard().navigatorDots()[3]->performClick();
    EXPECT_EQ(shown(), resting(3));
    for (int from = 0; from < StartUpWizard::pageCount; ++from) {
        wizard().changePageToIndex(from);
        saveScreenshot(panel.get(), QStringLiteral("wizard-page-%1").arg(from));
        wizard().zvoButton()->performClick();
        EXPECT_EQ(shown(), resting(4));
        EXPECT_EQ(wizard().zvoButton()->state(), OffState) << "its pressed picture does not stay";
    }
    saveScreenshot(panel.get(), QStringLiteral("wizard-after-zoravel-online"));
    // No account needed; the setting is stored before the hand-over.
    wizard().zvmButton()->performClick();
    wizard().zvmButton()->performClick();
    EXPECT_EQ(handedOver, 1);
    EXPECT_EQ(stored(), 0);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(StartUpWizardTest, DragsTurnOnePageOrPutThePagesBack)
{
    struct Case {
        int from;
        QList<double> moves;
        Shown midway;  // the pages shown, with their x
        int to;
    };
    const Case cases[] = {
        {0, {-1}, {{0, -1}, {1, 539}}, 1},
        {0, {40, 80}, {{0, 0}}, 0},  // no page before the first
        {1, {-50, -70}, {{1, -120}, {2, 420}}, 2},
        {2, {-60, 100}, {{1, -500}, {2, 40}}, 1},  // back over the start
        {4, {-200}, {{4, 0}}, 4},  // no page after the last
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        wizard().navigate(wizard().navigatorDots()[c.from]);
        // The press lands on the page's picture, which lets it through.
        mouse(QEvent::MouseButtonPress, wizard().pages()[c.from]->subviews().front(), 270);
        double x = 270;
        for (double move : c.moves) mouse(QEvent::MouseMove, &wizard(), x += move);
        EXPECT_EQ(shown().mid(0, c.midway.size()), c.midway);
        if (c.from == 1) saveScreenshot(panel.get(), QStringLiteral("wizard-mid-drag"));
        mouse(QEvent::MouseButtonRelease, &wizard(), x);
        EXPECT_EQ(shown(), resting(c.to));
    }
}

TEST_F(StartUpWizardTest, TheArrowKeysTurnThePagesAndLeaveTheAccountFieldsTheirCaret)
{
    struct Case {
        int from;
        Qt::Key key;
        int to;
    };  // from 4 with Left: typed in the account page's name field
    for (const Case& c : {Case{0, Qt::Key_Right, 1}, Case{2, Qt::Key_Left, 1}, Case{0, Qt::Key_Left, 0},
                          Case{4, Qt::Key_Right, 4}, Case{4, Qt::Key_Left, 4}}) {
        SCOPED_TRACE(c.from);
        wizard().navigate(wizard().navigatorDots()[c.from]);
        login().userName()->setStringValue(QStringLiteral("ann"));
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
        QApplication::sendEvent(c.from == 4 && c.key == Qt::Key_Left ? static_cast<QWidget*>(login().userName()->editor())
                                                                      : &wizard(),
                                &press);
        EXPECT_EQ(shown(), resting(c.to));
    }
    EXPECT_EQ(login().userName()->editor()->cursorPosition(), 2) << "the caret moved instead";
}

TEST_F(StartUpWizardTest, SwipesTurnAPageOnlyPastTheThresholdAndOnlyAcross)
{
    struct Case {
        int from;
        QList<QPoint> changes;  // pixel deltas between the beginning and the end
        int to;
        bool consumed;
    };
    const Case cases[] = {
        {0, {{-200, 0}, {-250, 0}}, 1, true},  {2, {{250, 10}, {250, -10}}, 1, true},
        {1, {{-300, 0}}, 2, true},             {2, {{300, 0}}, 2, true},  // +300 is not past
        {0, {{500, 0}}, 0, true},              {4, {{-500, 0}}, 4, true},
        {1, {{-20, 80}, {-480, 0}}, 1, false},  // mostly vertical: let through
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        wizard().navigate(wizard().navigatorDots()[c.from]);
        EXPECT_FALSE(scroll(Qt::ScrollBegin));
        for (const QPoint& change : c.changes) EXPECT_EQ(scroll(Qt::ScrollUpdate, change), c.consumed);
        scroll(Qt::ScrollMomentum, {-900, 0});
        EXPECT_FALSE(scroll(Qt::ScrollEnd));
        EXPECT_EQ(shown(), resting(c.to));
    }
    EXPECT_FALSE(scroll(Qt::NoScrollPhase, {-500, 0}, {-1200, 0})) << "a plain wheel turns nothing";
    EXPECT_EQ(wizard().currentPageIndex(), 1);

    // One redraw asked for while one waits adds none.
    scheduler.advance(1);
    const int pending = scheduler.pendingTimerCount();
    for (int i = 0; i < 3; ++i) scroll(i == 0 ? Qt::ScrollBegin : Qt::ScrollUpdate, {-10 * i, 0});
    EXPECT_EQ(scheduler.pendingTimerCount(), pending + 1);
}

TEST_F(StartUpWizardTest, TheAccountPageSignsInUpAndOut)
{
    // A first run: the sign-in form, empty, and no automatic web sync.
    EXPECT_TRUE(login().userName()->stringValue().isEmpty());
    EXPECT_TRUE(login().signOutBtn()->isHidden());
    EXPECT_EQ(settings().autoZVWSync(), 0);
    EXPECT_TRUE(QFile::exists(Setting::dataFilePath(QStringLiteral("auto.plist"))));
    wizard().gotoZVOnline();

    struct Case {
        bool signUp;
        QString user, password;
        const char* reply;  // the service's answer to a sign-up, null for its own
        int button;
        const char* informative;
        bool asked;
        bool addressSet = true;
    };
    const Case cases[] = {
        {false, kAnn, "nope", nullptr, 1000, "loginFailMessage", true},
        {true, "ann@example", "pw", nullptr, 1000, "incorrectEmailMessage", false},
        {true, "new@example.com", "", nullptr, 1000, "signUpErrorMessage", false},
        {true, "new@example.com", "pw", R"({"error":3})", 1000, "signUpErrorMessage", true},
        {true, "new@example.com", "pw", R"({"error":9})", 1000, "signUpErrorMessage", true},
        {true, "new@example.com", "pw", R"({"error":5})", 1001, "userNameExistMessage", true},
        {true, "new@example.com", "pw", nullptr, 1000, "successMessage", true},
        {false, kAnn, "secret", nullptr, 1000, "noServiceAddressMessage", false, false},
        {true, "new@example.com", "pw", nullptr, 1000, "noServiceAddressMessage", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.informative);
        m_service.clearFaults();
        m_service.clearRequests();
        if (c.reply) m_service.setFault("POST", "/api/users.json", {ServiceFault::Body, 200, c.reply});
        login().userName()->setStringValue(c.user);
        login().passWord()->setStringValue(c.password);
        if (!c.addressSet) useServiceAddress(QString());
        alerts.scriptButton(c.button);
        (c.signUp ? login().createNewAccBtn() : login().signInBtn())->performClick();
        if (!c.addressSet) useServiceAddress(m_service.baseAddress());
        EXPECT_EQ(lastInformative(), c.addressSet ? text(c.informative) : noServiceAddressText());
        EXPECT_EQ(!m_service.requests().isEmpty(), c.asked);
        EXPECT_EQ(login().userName()->stringValue(), c.user) << "the typed texts stay";
        EXPECT_TRUE(login().signOutBtn()->isHidden()) << "not signed in";
        EXPECT_FALSE(login().descLabel()->isHidden()) << "still invited to sign in";
        EXPECT_TRUE(panel->isVisible());
    }
    EXPECT_EQ(opener.openedUrls(), QList<QUrl>{QUrl(m_service.baseAddress() + QStringLiteral("/recovery"))});
    saveScreenshot(panel.get(), QStringLiteral("wizard-account-signed-out"));

    // Signing out leaves the wizard on the account page, with the form.
    settings().setZvwUserName(kAnn);
    settings().setZvwPassword(QStringLiteral("secret"));
    login().loadData();
    login().signOutBtn()->performClick();
    EXPECT_FALSE(login().signInBtn()->isHidden());
    EXPECT_FALSE(login().descLabel()->isHidden());
    EXPECT_TRUE(login().userName()->stringValue().isEmpty());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(wizard().currentPageIndex(), 4);

    // Tab only moves on; Return signs in, as another user than the stored
    // one: the sync starts afresh before the alert, whose OK ends the wizard.
    settings().setZvwUserName(QStringLiteral("bob@example.com"));
    settings().setLastUpdate(77);
    settings().setLastUpdateWork(78);
    login().userName()->setStringValue(kAnn);
    login().passWord()->setStringValue(QStringLiteral("secret"));
    m_service.clearRequests();
    alerts.setWhileRunning([&] {
        EXPECT_EQ(settings().lastUpdate() + settings().lastUpdateWork(), 0);
        EXPECT_FALSE(login().signOutBtn()->isHidden());
        EXPECT_TRUE(login().descLabel()->isHidden()) << "no invitation to sign in once signed in";
        EXPECT_EQ(handedOver, 0);
        saveScreenshot(panel.get(), QStringLiteral("wizard-account-signed-in"));
    });
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Return}) {
        if (key == Qt::Key_Return) alerts.scriptButton(1000);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(login().passWord()->editor(), &press);
        EXPECT_EQ(m_service.requests().isEmpty(), key == Qt::Key_Tab);
    }
    alerts.setWhileRunning({});
    EXPECT_EQ(lastInformative(), text("loginSuccessMessage"));
    EXPECT_EQ(handedOver, 1);
    EXPECT_EQ(stored(), 0);
    EXPECT_FALSE(panel->isVisible());
}

}  // namespace StartUpWizardTests
