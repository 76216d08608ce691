// The category detail panel on a real X server: opened from the category
// list, it floats as a child window above the list's window, beside it, and
// takes the keyboard.
#include "../PlatformWindows/RealWindowSupport.h"
#include "Calendar.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailView.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "Screen.h"
#include "Screenshot.h"

#include <QWindow>

using namespace RealWindows;

namespace CategoryPanelOnScreenTests {
namespace {

class CategoryPanelOnScreen : public RealWindowTest {};

}  // namespace

TEST_F(CategoryPanelOnScreen, ACategorysDetailOpensAsAKeyChildWindowBesideTheListsWindow)
{
    const QRectF visible = Screen::mainVisibleFrame();
    Window main(QRectF(visible.center().x(), visible.top() + 100, 300, 500), TitledWindowMask);
    auto* list = new CategoryListView(QRectF(0, 0, 300, 500));
    main.setContentView(list);
    main.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(main));

    const auto category = std::make_shared<Calendar>();
    CategoryListTableView* table = list->categoryListTableView();
    ASSERT_TRUE(table->showPopupCalendarEditDetail(category));
    CategoryDetailPanel* panel = table->categoryDetailPanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(shownOnScreen(*panel));
    EXPECT_EQ(panel->parentWindow(), &main);
    EXPECT_EQ(panel->categoryDetailView()->calendar(), category);
    EXPECT_TRUE(waitUntil([&] { return panel->isKeyWindow(); }));
    EXPECT_EQ(panel->windowHandle()->type(), Qt::Tool);
    EXPECT_FALSE(panel->frame().intersects(main.frame())) << "beside the list's window";
    saveScreenshot(panel, QStringLiteral("category-panel-on-screen"));
}

}  // namespace CategoryPanelOnScreenTests
