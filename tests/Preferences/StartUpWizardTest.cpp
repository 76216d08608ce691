// The first-run wizard built offscreen: its pages and controls, turning the
// pages by drag, swipe, dots and buttons, and the account page against the
// loopback web service.
#include "PreferencesTestFixture.h"

#include "Button.h"
#include "Font.h"
#include "ImageView.h"
#include "LoopbackService.h"
#include "PropertyList.h"
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
const QString kAnnPassword = QStringLiteral("secret 1");

class StartUpWizardTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        qputenv("ZORAVEL_SERVICE_URL", m_service.baseAddress().toUtf8());
        PreferencesTest::SetUp();
        internetReachable = true;
        m_service.addAccount(kAnn, kAnnPassword);
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
    QList<int> shownPages()
    {
        QList<int> shown;
        for (qsizetype i = 0; i < wizard().pages().size(); ++i)
            if (!wizard().pages()[i]->isHidden()) shown.append(int(i));
        return shown;
    }
    QList<int> dotsOn()
    {
        QList<int> on;
        for (Button* dot : wizard().navigatorDots())
            if (dot->state() == OnState) on.append(dot->tag());
        return on;
    }
    // A press on the shown page's picture (which lets it through to the
    // wizard), moves by the steps, and the release.
    void drag(const QList<double>& steps, const std::function<void()>& midway = {})
    {
        View* page = wizard().pages()[wizard().currentPageIndex()];
        QPointF at(270, 200);
        QMouseEvent press(QEvent::MouseButtonPress, at, page->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(page->subviews().front(), &press);
        for (double step : steps) {
            at.rx() += step;
            QMouseEvent move(QEvent::MouseMove, at, wizard().mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(&wizard(), &move);
        }
        if (midway) midway();
        QMouseEvent release(QEvent::MouseButtonRelease, at, wizard().mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&wizard(), &release);
    }
    bool scroll(Qt::ScrollPhase phase, QPoint pixels, QPoint angle = QPoint())
    {
        QWheelEvent wheel(QPointF(270, 200), wizard().mapToGlobal(QPointF(270, 200)), pixels, angle, Qt::NoButton,
                          Qt::NoModifier, phase, false);
        QApplication::sendEvent(&wizard(), &wheel);
        return wheel.isAccepted();
    }
    QString lastInformative() const
    {
        return alerts.requests().isEmpty() ? QString() : alerts.requests().back().informativeText;
    }
    static qint64 autoSyncInSideFile()
    {
        const PropertyList::Result read = PropertyList::readFile(Setting::dataFilePath(QStringLiteral("auto.plist")));
        return read.ok() ? read.value.toMap().value(QStringLiteral("autoZVWSync"), -1).toLongLong() : -1;
    }
    static qint64 storedStartUpWizard()
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(RecordStore::sharedDatabase(), "SELECT startUpWizard FROM Settings", -1, &statement,
                           nullptr);
        const qint64 value = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
        sqlite3_finalize(statement);
        return value;
    }

    LoopbackService m_service;
    RecordingUrlOpener opener;
    std::unique_ptr<StartUpWizardPanel> panel;
    int handedOver = 0;
};

TEST_F(StartUpWizardTest, ThePagesAndControlsStandWhereTheyBelong)
{
    EXPECT_EQ(StartUpWizardPanel::centredFrame(QRectF(0, 0, 1280, 800)), QRectF(370, 75, 540, 650));
    EXPECT_EQ(StartUpWizardPanel::centredFrame(QRectF(0, 0, 1281, 801)), QRectF(371, 76, 540, 650))
        << "on whole points";
    EXPECT_EQ(wizard().zvoButton()->frame(), QRectF(367, 595, 143, 35));
    EXPECT_EQ(wizard().zvmButton()->frame(), QRectF(30, 595, 143, 35));
    for (Button* dot : wizard().navigatorDots())
        EXPECT_EQ(dot->frame(), QRectF(220 + 20 * dot->tag(), 570, 10, 10));
    EXPECT_EQ(dotsOn(), QList<int>{0});
    EXPECT_EQ(shownPages(), QList<int>{0});

    struct Case {
        QRectF header;
        const char* headerFace;
        double headerSize;
        QRectF desc;
    };
    const Case cases[] = {
        {{30, 300, 480, 30}, "Lucida Grande Bold", 22, {30, 350, 480, 150}},
        {{30, 350, 255, 60}, "Lucida Grande Bold", 20, {30, 420, 240, 150}},
        {{30, 400, 480, 30}, "Lucida Grande Bold", 22, {30, 450, 480, 150}},
        {{30, 400, 480, 30}, "Lucida Grande Bold", 22, {30, 450, 480, 150}},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        auto* page = qobject_cast<SliderPage*>(wizard().pages()[i]);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->frame(), QRectF(0, 0, 540, 650));
        EXPECT_EQ(page->headerLabel()->frame(), cases[i].header);
        EXPECT_EQ(page->headerLabel()->textFont().pixelSize(), cases[i].headerSize);
        EXPECT_EQ(page->headerLabel()->textFont(), Font::fontWithName(cases[i].headerFace, cases[i].headerSize));
        EXPECT_EQ(page->descLabel()->frame(), cases[i].desc);
        EXPECT_EQ(page->descLabel()->textFont(), Font::fontWithName(QStringLiteral("Lucida Grande"), 14));
        for (TextField* label : {page->headerLabel(), page->descLabel()}) {
            EXPECT_EQ(label->textColor(), QColor(Qt::white));
            EXPECT_FALSE(label->stringValue().isEmpty()) << "every text is in the table";
        }
        EXPECT_FALSE(page->backgroundView()->image().isNull()) << "the slide's picture ships";
    }
}

TEST_F(StartUpWizardTest, DragsTurnOnePageOrPutThePagesBack)
{
    struct Case {
        const char* name;
        int from;
        QList<double> steps;
        QList<int> shownMidway;
        QList<double> xMidway;  // of the shown pages, in order
        int to;
    };
    const QList<Case> cases{
        {"one point left", 0, {-1}, {0, 1}, {-1, 539}, 1},
        {"right on the first page", 0, {40, 80}, {0}, {0}, 0},
        {"120 left", 1, {-50, -70}, {1, 2}, {-120, 420}, 2},
        {"right", 2, {30, 30}, {1, 2}, {-480, 60}, 1},
        {"left, then back over the start", 2, {-60, 100}, {1, 2}, {-500, 40}, 1},
        {"left on the account page", 4, {-200}, {4}, {0}, 4},
        {"there and back to the start", 3, {-60, 60}, {3}, {0}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wizard().navigate(wizard().navigatorDots()[c.from]);
        drag(c.steps, [&] {
            EXPECT_TRUE(wizard().isMoving());
            EXPECT_EQ(shownPages(), c.shownMidway);
            QList<double> xs;
            for (int page : shownPages()) xs.append(wizard().pages()[page]->frame().x());
            EXPECT_EQ(xs, c.xMidway);
            if (QLatin1String(c.name) == QLatin1String("120 left"))
                saveScreenshot(panel.get(), QStringLiteral("wizard-mid-drag"));
        });
        EXPECT_FALSE(wizard().isMoving());
        EXPECT_EQ(wizard().currentPageIndex(), c.to);
        EXPECT_EQ(shownPages(), QList<int>{c.to});
        EXPECT_EQ(wizard().pages()[c.to]->frame().topLeft(), QPointF(0, 0));
        EXPECT_EQ(dotsOn(), QList<int>{c.to});
    }
}

TEST_F(StartUpWizardTest, SwipesTurnAPageOnlyPastTheThresholdAndOnlyAcross)
{
    struct Case {
        const char* name;
        int from;
        QList<QPoint> changes;  // pixel deltas between the beginning and the end
        int to;
        bool consumed;  // the horizontal scrolls stopped in the wizard
    };
    const QList<Case> cases{
        {"-450 goes forward", 0, {{-200, 0}, {-250, 0}}, 1, true},
        {"+500 goes back", 2, {{250, 10}, {250, -10}}, 1, true},
        {"exactly -300 goes forward", 1, {{-300, 0}}, 2, true},
        {"exactly +300 stays", 2, {{300, 0}}, 2, true},
        {"no page before the first", 0, {{500, 0}}, 0, true},
        {"no page after the last", 4, {{-500, 0}}, 4, true},
        {"mostly vertical", 1, {{-20, 80}, {-480, 0}}, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wizard().navigate(wizard().navigatorDots()[c.from]);
        EXPECT_FALSE(scroll(Qt::ScrollBegin, {})) << "the beginning goes on to the base class";
        for (const QPoint& change : c.changes) EXPECT_EQ(scroll(Qt::ScrollUpdate, change), c.consumed);
        scroll(Qt::ScrollMomentum, {-900, 0});
        EXPECT_FALSE(scroll(Qt::ScrollEnd, {}));
        EXPECT_EQ(wizard().currentPageIndex(), c.to);
        EXPECT_EQ(dotsOn(), QList<int>{c.to});
        EXPECT_EQ(wizard().swipe().currentSum, 0) << "nothing left for the next gesture";
    }
    // A wheel without phases is no swipe.
    EXPECT_FALSE(scroll(Qt::NoScrollPhase, {-500, 0}, {-1200, 0}));
    EXPECT_EQ(wizard().currentPageIndex(), 1);

    // The redraws of one gesture come 0.04 s apart at most once each.
    scheduler.advance(1);
    const int pending = scheduler.pendingTimerCount();
    scroll(Qt::ScrollBegin, {});
    scroll(Qt::ScrollUpdate, {-10, 0});
    scroll(Qt::ScrollUpdate, {-10, 0});
    EXPECT_EQ(scheduler.pendingTimerCount(), pending + 1);
    scheduler.advance(0.04);
    EXPECT_FALSE(wizard().hasPendingRedraw());
    scroll(Qt::ScrollEnd, {});
    EXPECT_TRUE(wizard().hasPendingRedraw()) << "the sum went back to 0";
}

TEST_F(StartUpWizardTest, DotsJumpAndStartEndTheWizardOnEveryPage)
{
    wizard().navigatorDots()[3]->performClick();
    EXPECT_EQ(shownPages(), QList<int>{3});
    EXPECT_EQ(dotsOn(), QList<int>{3});
    for (int from : {0, 2, 4}) {
        wizard().changePageToIndex(from);
        wizard().zvoButton()->performClick();
        EXPECT_EQ(wizard().currentPageIndex(), 4);
        EXPECT_EQ(shownPages(), QList<int>{4});
        EXPECT_EQ(dotsOn(), QList<int>{4});
    }
    for (int page = 0; page < StartUpWizard::pageCount; ++page) {
        wizard().navigatorDots()[page]->performClick();
        saveScreenshot(panel.get(), QStringLiteral("wizard-page-%1").arg(page));
    }
    // No account needed; the setting is stored before the hand-over.
    wizard().zvmButton()->performClick();
    wizard().zvmButton()->performClick();
    EXPECT_EQ(handedOver, 1);
    EXPECT_EQ(storedStartUpWizard(), 0);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(StartUpWizardTest, TheAccountPageSignsInUpAndOut)
{
    // A first run: no account, the sign-in form, no automatic web sync.
    EXPECT_TRUE(login().userName()->stringValue().isEmpty());
    EXPECT_FALSE(login().signInBtn()->isHidden());
    EXPECT_TRUE(login().signOutBtn()->isHidden());
    EXPECT_EQ(settings().autoZVWSync(), 0);
    EXPECT_EQ(autoSyncInSideFile(), 0);
    wizard().gotoZVOnline();

    struct Case {
        const char* name;
        QString user, password;
        bool signUp;
        std::optional<int> refusal;  // the service's error code for a sign-up
        int button;
        const char* informative;
        bool asked;  // the service was asked
    };
    const QList<Case> cases{
        {"wrong password", kAnn, "nope", false, std::nullopt, 1000, "loginFailMessage", true},
        {"sign-up, no address", "ann@example", "pw", true, std::nullopt, 1000, "incorrectEmailMessage", false},
        {"sign-up, no password", "new@example.com", "", true, std::nullopt, 1000, "signUpErrorMessage", false},
        {"sign-up, refused", "new@example.com", "pw", true, 3, 1000, "signUpErrorMessage", true},
        {"sign-up, name taken", "new@example.com", "pw", true, 5, 1001, "userNameExistMessage", true},
        {"sign-up", "new@example.com", "pw", true, std::nullopt, 1000, "successMessage", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_service.clearFaults();
        m_service.clearRequests();
        if (c.refusal) {
            ServiceFault fault;
            fault.kind = ServiceFault::Body;
            fault.body = QStringLiteral(R"({"error":%1})").arg(*c.refusal).toUtf8();
            m_service.setFault("POST", "/api/users.json", fault);
        }
        login().userName()->setStringValue(c.user);
        login().passWord()->setStringValue(c.password);
        alerts.scriptButton(c.button);
        (c.signUp ? login().createNewAccBtn() : login().signInBtn())->performClick();
        EXPECT_EQ(lastInformative(), text(c.informative));
        EXPECT_EQ(!m_service.requests().isEmpty(), c.asked);
        EXPECT_EQ(login().userName()->stringValue(), c.user) << "the typed texts stay";
        EXPECT_FALSE(login().signInBtn()->isHidden()) << "not signed in";
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(wizard().currentPageIndex(), 4);
    }
    EXPECT_EQ(opener.openedUrls(), QList<QUrl>{QUrl(m_service.baseAddress() + QStringLiteral("/recovery"))});
    login().zvSite()->performClick();
    EXPECT_EQ(opener.openedUrls().back(), QUrl(UserLoginView::productPageAddress()));
    saveScreenshot(panel.get(), QStringLiteral("wizard-account-signed-out"));

    // Signing out keeps the wizard open on the page, now with the form.
    settings().setZvwUserName(kAnn);
    settings().setZvwPassword(kAnnPassword);
    login().loadData();
    EXPECT_EQ(login().loginUserName()->stringValue(), kAnn);
    saveScreenshot(panel.get(), QStringLiteral("wizard-account-signed-in"));
    login().signOutBtn()->performClick();
    EXPECT_FALSE(login().signInBtn()->isHidden());
    EXPECT_TRUE(login().userName()->stringValue().isEmpty());
    EXPECT_TRUE(settings().zvwUserName().isEmpty());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(wizard().currentPageIndex(), 4);

    // Tab moves between the fields; Return signs in, here as another user
    // than the stored one, so the sync starts afresh before the alert.
    settings().setZvwUserName(QStringLiteral("bob@example.com"));
    settings().setLastUpdate(77);
    settings().setLastUpdateWork(78);
    login().userName()->setStringValue(kAnn);
    login().passWord()->setStringValue(kAnnPassword);
    m_service.clearRequests();
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(login().passWord()->editor(), &tab);
    EXPECT_TRUE(m_service.requests().isEmpty());
    int shown = 0;
    alerts.setWhileRunning([&] {
        ++shown;
        EXPECT_EQ(settings().lastUpdate(), 0);
        EXPECT_EQ(settings().lastUpdateWork(), 0);
        EXPECT_FALSE(login().signOutBtn()->isHidden());
        EXPECT_EQ(handedOver, 0) << "the wizard waits for the alert";
    });
    alerts.scriptButton(1000);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(login().passWord()->editor(), &enter);
    alerts.setWhileRunning({});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(lastInformative(), text("loginSuccessMessage"));
    EXPECT_EQ(handedOver, 1) << "the confirmed sign-in ends the wizard";
    EXPECT_EQ(storedStartUpWizard(), 0);
    EXPECT_FALSE(panel->isVisible());
}

}  // namespace StartUpWizardTests
