// The first-run wizard on a real X server: centred and key, its pages
// turned by clicks and a drag delivered as the mouse delivers them, and its
// account fields taking typing.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Preferences/PreferencesTestFixture.h"

#include "Button.h"
#include "Clicks.h"
#include "Screen.h"
#include "Screenshot.h"
#include "StartUpWizardPanel.h"
#include "StartUpWizardView.h"
#include "TextField.h"
#include "UserLoginView.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QKeyEvent>

namespace StartUpWizardOnScreenTests {

using namespace RealWindows;

class StartUpWizardOnScreen : public PreferencesTest {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            if (qgetenv("ZORAVEL_NO_DISPLAY_TESTS") == "1") GTEST_SKIP() << "no display";
            FAIL() << "run under scripts/with-display.sh";
        }
        PreferencesTest::SetUp();
        panel = std::make_unique<StartUpWizardPanel>([this] { ++handedOver; });
        panel->makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(*panel));
    }
    void TearDown() override
    {
        panel.reset();
        if (manager) PreferencesTest::TearDown();
    }

    StartUpWizardView& wizard() { return *panel->wizard(); }
    void clickOn(QWidget* widget)
    {
        Clicks::click(panel.get(), Clicks::inWindow(widget, QRectF(widget->rect()).center()));
    }

    // Keys as the keyboard sends them, to whatever has the focus.
    static void type(const QString& text)
    {
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
            QApplication::sendEvent(QApplication::focusWidget(), &press);
        }
    }
    static void press(Qt::Key key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &press);
        QApplication::processEvents();
    }

    std::unique_ptr<StartUpWizardPanel> panel;
    int handedOver = 0;
};

TEST_F(StartUpWizardOnScreen, CentredKeyTurnedByTheMouseAndTyping)
{
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(panel->geometry().center().x() - visible.center().x()), 1);
    EXPECT_LE(std::abs(panel->geometry().center().y() - visible.center().y()), 1);
    EXPECT_EQ(panel->geometry().size(), QSize(540, 650));
    EXPECT_TRUE(waitUntil([&] { return panel->isKeyWindow() && panel->isActiveWindow(); }));

    // A drag of 100 points to the left, as the mouse sends it.
    const QPoint from = Clicks::inWindow(&wizard(), QPointF(400, 200));
    Clicks::press(panel.get(), from, QEvent::MouseButtonPress, Clicks::clock() += 5000);
    for (int step = 1; step <= 4; ++step) {
        const QPoint at = from - QPoint(25 * step, 0);
        QMouseEvent move(QEvent::MouseMove, at, panel->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(QWidget::mouseGrabber() ? QWidget::mouseGrabber() : &wizard(), &move);
    }
    EXPECT_EQ(wizard().pages()[1]->frame().x(), 440);
    Clicks::press(panel.get(), from - QPoint(100, 0), QEvent::MouseButtonRelease, Clicks::clock() + 50);
    EXPECT_EQ(wizard().currentPageIndex(), 1);

    for (int page : {3, 2, 1, 0}) {
        clickOn(wizard().navigatorDots()[page]);
        EXPECT_EQ(wizard().currentPageIndex(), page);
        saveScreenshot(panel.get(), QStringLiteral("wizard-on-screen-page-%1").arg(page));
    }
    clickOn(wizard().zvoButton());
    ASSERT_EQ(wizard().currentPageIndex(), 4);
    saveScreenshot(panel.get(), QStringLiteral("wizard-on-screen-page-4"));

    // The borderless panel takes the keyboard for the account fields.
    UserLoginView& login = *wizard().loginView();
    // A constructed click gives no focus (Qt gives it only for the
    // system's own), so the field is focused as the click would.
    login.userName()->editor()->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(waitUntil([&] { return login.userName()->editor()->hasFocus(); }));
    type(QStringLiteral("ann@example.com"));
    EXPECT_EQ(login.userName()->stringValue(), QStringLiteral("ann@example.com"));
    press(Qt::Key_Tab);
    ASSERT_TRUE(waitUntil([&] { return login.passWord()->editor()->hasFocus(); }));
    type(QStringLiteral("pw"));
    EXPECT_EQ(login.passWord()->stringValue(), QStringLiteral("pw"));
    saveScreenshot(panel.get(), QStringLiteral("wizard-on-screen-account-typed"));

    clickOn(wizard().zvmButton());
    EXPECT_EQ(handedOver, 1);
    EXPECT_TRUE(waitUntil([&] { return !panel->isVisible(); }));
}

}  // namespace StartUpWizardOnScreenTests
