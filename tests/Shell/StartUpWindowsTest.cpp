#include "SplashScreenView.h"
#include "StartUpWizardPanel.h"

#include "Button.h"
#include "CoreData.h"
#include "../Model/ModelTestFixture.h"
#include "Screenshot.h"
#include "Setting.h"
#include "Window.h"

#include <gtest/gtest.h>

TEST(SplashScreenView, DrawsTheBannerSevenFromTheLeftAndFiveBelowTheMiddle)
{
    EXPECT_EQ(SplashScreenView::imageRect(QSizeF(1440, 360), QSizeF(1426, 300)), QRectF(7, 25, 1426, 300));
    // A taller image than the view still keeps its size and its left edge.
    EXPECT_EQ(SplashScreenView::imageRect(QSizeF(1440, 100), QSizeF(1426, 300)), QRectF(7, -105, 1426, 300));
    // A view narrowed to a small screen shows the whole banner, scaled down.
    EXPECT_EQ(SplashScreenView::imageRect(QSizeF(727, 360), QSizeF(1426, 300)), QRectF(7, 100, 713, 150));

    // Framed as start-up frames it on a 1280-wide screen: centred, so it
    // starts left of the screen's edge.
    Window window(QRectF(0, 0, 1440, 360), BorderlessWindowMask);
    window.setOpaque(false);
    auto* view = new SplashScreenView(QRectF((1280 - 1440) * 0.5, 0, 1440, 360));
    EXPECT_EQ(view->frame(), QRectF(-80, 0, 1440, 360));
    window.setContentView(view);
    ASSERT_FALSE(view->image().isNull()) << "the banner ships in Resources/Images";
    EXPECT_EQ(view->image().deviceIndependentSize(), QSizeF(1426, 300));
    window.show();
    ASSERT_FALSE(saveScreenshot(&window, QStringLiteral("splash-view")).isEmpty());
    const QImage picture = view->snapshot(1.0);
    // The banner's deep blue below the name; nothing in the 7-point margin.
    const QColor middle = picture.pixelColor(720, 300);
    EXPECT_GT(middle.blue(), middle.red() + 40);
    EXPECT_EQ(picture.pixelColor(3, 180).alpha(), 0);
}

namespace {

class StartUpWizardPanelTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        dataManager().setCurrentSetting(Setting::initWithPrimaryKey(1, db()));
        ASSERT_TRUE(dataManager().currentSetting());
        dataManager().currentSetting()->setStartUpWizard(1);
        ASSERT_TRUE(dataManager().currentSetting()->dehydrate());
    }
};

}  // namespace

TEST_F(StartUpWizardPanelTest, StartEndsTheWizardForGoodThenOpensTheMainWindowOnce)
{
    int opened = 0;
    StartUpWizardPanel panel([&] {
        // The setting is saved before the main window is built.
        EXPECT_EQ(queryInt(QStringLiteral("SELECT startUpWizard FROM Settings")), 0);
        ++opened;
    });
    EXPECT_EQ(panel.styleMask() & (TitledWindowMask | ClosableWindowMask), 0u) << "borderless";
    EXPECT_EQ(panel.level(), Window::Level::Status) << "floating above the other windows";
    panel.makeKeyAndOrderFront();
    ASSERT_FALSE(saveScreenshot(&panel, QStringLiteral("startup-wizard")).isEmpty());

    panel.startButton()->performClick();
    panel.startButton()->performClick();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(panel.isFinished());
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(dataManager().currentSetting()->startUpWizard(), 0);
}

TEST(StartUpWizardPanel, IsCentredOnTheVisibleScreen)
{
    EXPECT_EQ(StartUpWizardPanel::centredFrame(QRectF(0, 0, 1280, 800)), QRectF(370, 75, 540, 650));
    // A visible frame that does not start at the origin (a panel on the left).
    EXPECT_EQ(StartUpWizardPanel::centredFrame(QRectF(40, 24, 1000, 700)).topLeft(), QPointF(270, 49));
}
