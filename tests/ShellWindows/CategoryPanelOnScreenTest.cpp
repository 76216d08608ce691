// The category detail panel on a real X server: the main view's request for
// a category's detail opens it as a floating child window above the real
// main window, and it takes the keyboard.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Model/ModelTestFixture.h"
#include "Button.h"
#include "Calendar.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailView.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "CoreData.h"
#include "ListModuleView.h"
#include "MAAttachedWindow.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "Screen.h"
#include "Screenshot.h"
#include "Setting.h"
#include "ShellHost.h"
#include "WindowController.h"

#include <QWindow>

#include <memory>

using namespace RealWindows;

namespace CategoryPanelOnScreenTests {
namespace {

class ScreenHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override
    {
        return (fullFrame ? Screen::mainFrame() : Screen::mainVisibleFrame()).size();
    }
    QPointF statusItemPosition() const override { return QPointF(420, Screen::mainFrame().height() - 24); }
    void statusItemNeedsDisplay() override {}
    void activateIgnoringOtherApps() override {}
};

class Database : public ModelTest {
public:
    void TestBody() override {}
    void open() { SetUp(); }
    void close() { TearDown(); }
    sqlite3* handle() const { return db(); }
};

class CategoryPanelOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        database.open();
        CoreData::shared()->setCurrentSetting(Setting::initWithPrimaryKey(1, database.handle()));
        ASSERT_NE(CoreData::shared()->currentSetting(), nullptr);
        CoreData::shared()->doWithCalendarList(CoreData::shared()->getCalendarList(), 2);
        savedHeight = mainViewHeight;
        mainViewHeight = mainViewHeightForVisibleHeight(Screen::mainVisibleFrame().height());
    }
    void TearDown() override
    {
        controller.reset();
        MainView::setCurrent(nullptr);
        mainView.reset();
        mainViewHeight = savedHeight;
        if (CoreData::shared()) database.close();
        RealWindowTest::TearDown();
    }

    Database database;
    quint64 savedHeight = 0;
    ScreenHost host;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;
};

}  // namespace

TEST_F(CategoryPanelOnScreen, ACategorysDetailOpensAsAKeyChildWindowAboveTheMainWindow)
{
    mainView = std::make_unique<MainView>(QRectF(0, 0, 620, double(mainViewHeight)));
    MainView::setCurrent(mainView.get());
    mainView->showHideBtn()->setState(1);
    mainView->showHide();
    controller = WindowController::initWithRootApp(&host);
    ASSERT_TRUE(controller->popoverWindow());
    controller->setActive(true);
    Window& main = *controller->popoverWindow();
    ASSERT_TRUE(shownOnScreen(main));

    const CalendarList visible = CoreData::shared()->getCalendarWithType(0, CoreData::shared()->calendarList(), true);
    ASSERT_FALSE(visible.isEmpty());
    mainView->showCalendarDetail(visible.front(), 1);
    CategoryListTableView* table = mainView->listModuleView()->categoryListView()->categoryListTableView();
    CategoryDetailPanel* panel = table->categoryDetailPanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(shownOnScreen(*panel));
    EXPECT_EQ(panel->parentWindow(), &main);
    EXPECT_EQ(panel->categoryDetailView()->calendar(), visible.front());
    EXPECT_EQ(panel->categoryDetailView()->focusTab(), 1);
    EXPECT_TRUE(waitUntil([&] { return panel->isKeyWindow(); }));
    EXPECT_EQ(panel->windowHandle()->type(), Qt::Tool);
    EXPECT_FALSE(panel->frame().intersects(main.frame())) << "beside the main window";
    saveScreenshot(panel, QStringLiteral("category-panel-on-screen"));
}

}  // namespace CategoryPanelOnScreenTests
