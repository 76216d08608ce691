#include "MainViewHeight.h"
#include "Screen.h"

#include <gtest/gtest.h>

// Start-up sizes the main view from the real screen: the X server's visible
// frame, less the tray's panel, must give a height the views can use.
TEST(MainViewHeightOnScreen, FollowsTheVisibleFrameOfTheRealScreen)
{
    const QRectF visible = Screen::mainVisibleFrame();
    const QRectF full = Screen::mainFrame();
    ASSERT_GT(visible.height(), 0);
    EXPECT_LE(visible.height(), full.height());
    EXPECT_EQ(mainViewHeightForVisibleHeight(visible.height()), std::max<quint64>(600, quint64(visible.height() - 20)));
}
