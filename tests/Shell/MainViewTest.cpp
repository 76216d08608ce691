#include "MainView.h"

#include "Button.h"
#include "CoreData.h"
#include "../Model/ModelTestFixture.h"
#include "Setting.h"

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
