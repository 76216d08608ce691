// The category detail panel on a real X server: opened from the category
// list, it floats as a child window above the list's window, beside it, and
// takes the keyboard.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../PlatformWindows/WindowManagerSupport.h"
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

// Beside a window at the top of the usable area, at its left or its right
// (under the tray's icon), the panel's title bar and close button lie in the
// usable area too, below the tray's strip.
TEST_F(CategoryPanelOnScreen, ThePanelsTitleBarLiesInTheUsableArea)
{
    const QRect workArea = WindowManager::workArea();
    ASSERT_FALSE(workArea.isEmpty()) << "needs the display's window manager and tray";
    const QRectF visible = Screen::mainVisibleFrame();
    const struct {
        const char* name;
        double x;
    } places[] = {
        {"main window at the left", visible.left() + 400},
        {"main window at the right, under the tray icon", visible.right() - 300},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.name);
        Window main(QRectF(place.x, visible.bottom() - 500, 300, 500), BorderlessWindowMask);
        auto* list = new CategoryListView(QRectF(0, 0, 300, 500));
        main.setContentView(list);
        main.makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(main));
        CategoryListTableView* table = list->categoryListTableView();
        ASSERT_TRUE(table->showPopupCalendarEditDetail(std::make_shared<Calendar>()));
        CategoryDetailPanel* panel = table->categoryDetailPanel();
        ASSERT_TRUE(shownOnScreen(*panel));
        EXPECT_TRUE(waitUntil([&] {
            return !panel->windowHandle()->frameMargins().isNull() && workArea.contains(panel->frameGeometry());
        })) << "frame with decorations " << panel->frameGeometry().y() << " in the area from " << workArea.y();
        saveScreenshot(panel, QStringLiteral("category-panel-title-bar-%1")
                                  .arg(place.x < visible.center().x() ? QStringLiteral("left") : QStringLiteral("right")));
        panel->close();
    }
}

}  // namespace CategoryPanelOnScreenTests
