#include "MainView.h"

#include "Button.h"
#include "CoreData.h"
#include "../Model/ModelTestFixture.h"
#include "Screen.h"
#include "Setting.h"
#include "TestEnvironment.h"

#include <QApplication>

#include <cmath>

#include <gtest/gtest.h>

namespace {

// The template's settings row as the data manager's settings.
class MainViewTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        dataManager().setCurrentSetting(Setting::initWithPrimaryKey(1, db()));
        ASSERT_TRUE(dataManager().currentSetting());
    }
    Setting& setting() { return *dataManager().currentSetting(); }
};

}  // namespace

TEST_F(MainViewTest, DockingPinsTheWindowAndKeepsTheSideInTheSettings)
{
    MainView view(QRectF(0, 0, 800, 600));
    int opened = 0;
    view.setOpenWindowHandler([&] { ++opened; });

    view.dockLeft();
    EXPECT_TRUE(view.isDockedLeft());
    EXPECT_FALSE(view.isDockedRight());
    EXPECT_TRUE(view.isPinned());
    EXPECT_EQ(view.togglePinBtn()->state(), 1);
    EXPECT_EQ(setting().dockStatus(), -1);
    EXPECT_EQ(setting().isPinned(), 1);
    EXPECT_EQ(opened, 1);

    view.dockRight();
    EXPECT_FALSE(view.isDockedLeft());
    EXPECT_TRUE(view.isDockedRight());
    EXPECT_EQ(setting().dockStatus(), 1);

    // Start-up unpins a docked window by flipping the pin.
    view.togglePin();
    EXPECT_FALSE(view.isPinned());
    EXPECT_EQ(setting().isPinned(), 0);

    // In planner mode the planner window stays where it is.
    view.setIsPlannerExpand(true);
    view.dockLeft();
    EXPECT_EQ(opened, 2);
}

TEST_F(MainViewTest, StartsFromTheSavedPinAndPlanners)
{
    setting().setIsPinned(1);
    MainView pinned(QRectF(0, 0, 100, 100));
    EXPECT_TRUE(pinned.isPinned());
    EXPECT_FALSE(pinned.isPlannerExpand());
}

TEST_F(MainViewTest, TheListColumnSetsTheWidthAndIsKept)
{
    MainView view(QRectF(0, 0, 1000, 700));
    view.showHideBtn()->setState(1);
    view.showHide();
    EXPECT_EQ(view.frame().size(), QSizeF(620, 700));
    EXPECT_EQ(setting().hasRightPage(), 1);

    view.showHideBtn()->setState(0);
    view.showHide();
    EXPECT_EQ(view.frame().size(), QSizeF(310, 700));
    EXPECT_EQ(setting().hasRightPage(), 0);

    view.setIsPlannerExpand(true);
    view.showHide();
    EXPECT_EQ(view.frame().width(), std::floor(Screen::mainVisibleFrame().width() - 20));
}

TEST_F(MainViewTest, TheProcesssMainViewIsWhatTheSyncsReach)
{
    {
        MainView view(QRectF(0, 0, 100, 100));
        MainView::setCurrent(&view);
        ASSERT_EQ(MainViewAccess::current(), &view);
        MainViewAccess::current()->showSyncingIndicator();
        EXPECT_TRUE(view.isSyncingIndicatorShown());
        MainViewAccess::current()->hideSyncingIndicator();
        EXPECT_FALSE(view.isSyncingIndicatorShown());
    }
    // A destroyed main view is reached by nobody.
    EXPECT_EQ(MainView::current(), nullptr);
    EXPECT_EQ(MainViewAccess::current(), nullptr);
}

TEST_F(MainViewTest, TheWindowStateFollowsTheWindowForOtherThreads)
{
    View window(QRectF(0, 0, 320, 200));
    auto* view = new MainView(QRectF(0, 0, 310, 200), &window);
    MainView::setCurrent(view);
    EXPECT_FALSE(MainViewAccess::windowIsVisible());
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(processEventsUntil([&] { return MainViewAccess::windowIsVisible() && MainViewAccess::windowIsKey(); }));
    window.hide();
    EXPECT_FALSE(MainViewAccess::windowIsVisible());
    EXPECT_FALSE(MainViewAccess::windowIsKey()) << "a hidden window is not in front";
    MainView::setCurrent(nullptr);
}
