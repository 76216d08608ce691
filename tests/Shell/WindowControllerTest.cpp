// The window controller, offscreen: where each layout puts the main window,
// the fades, closing on focus loss, the popover notice, and the timers it
// runs on the scheduler.
#include "WindowController.h"

#include "Clock.h"
#include "FakeShellHost.h"
#include "GregorianCalendar.h"
#include "MAAttachedWindow.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "NotificationPayload.h"
#include "Notifications.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace {

class WindowControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 15, 9, 0, 0));
        Scheduler::setCurrent(&scheduler);
        Window::setAnimationDurationScale(0);
        mainView = std::make_unique<MainView>(QRectF(0, 0, 620, 700));
        MainView::setCurrent(mainView.get());
        NotificationCenter::defaultCenter().addObserver(&observer, kPopoverShouldClose, nullptr,
                                                        [this](const Notification& n) {
                                                            if (n.objectAs<WindowController*>() == controller.get())
                                                                ++popoverCloses;
                                                        });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&observer);
        controller.reset();
        MainView::setCurrent(nullptr);
        Window::setAnimationDurationScale(1);
        Scheduler::setCurrent(nullptr);
        Clock::reset();
    }

    MAAttachedWindow* window() const { return controller->popoverWindow(); }
    void resignKey() { window()->delegate()->windowDidResignKey(window()); }

    ManualScheduler scheduler;
    FakeShellHost host;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;
    QObject observer;
    int popoverCloses = 0;
};

}  // namespace

TEST(WindowPlacement, EachLayoutHasItsPointSideArrowAndStyle)
{
    const QSizeF F(1280, 800);
    const QPointF item(900, 778);
    struct Case {
        const char* name;
        bool planner, left, right;
        QPointF point;
        int side;
        bool arrow;
        unsigned style;
    } cases[] = {
        {"attached", false, false, false, item, AttachedBelow, true, BorderlessWindowMask},
        {"planner wins over docking", true, true, false, {1260, 786}, AttachedBelowLeftward, false,
         ClosableWindowMask},
        {"planner, not docked", true, false, false, {1260, 786}, AttachedBelowLeftward, false, ClosableWindowMask},
        {"docked left", false, true, false, {20, 786}, AttachedBelowRightward, false, ClosableWindowMask},
        {"docked right", false, false, true, {1260, 786}, AttachedBelowLeftward, false, ClosableWindowMask},
    };
    for (const Case& c : cases) {
        const WindowPlacement p = WindowPlacement::forMainWindow(c.planner, c.left, c.right, F, item);
        EXPECT_EQ(p.point, c.point) << c.name;
        EXPECT_EQ(p.side, c.side) << c.name;
        EXPECT_EQ(p.hasArrow, c.arrow) << c.name;
        EXPECT_EQ(p.styleMask, c.style) << c.name;
    }
}

TEST(WindowPlacement, AWindowUnderATrayAtTheScreensEdgeExtendsTowardItsMiddle)
{
    const QSizeF F(1280, 800);
    struct Case {
        const char* name;
        double itemX;
        double windowWidth;
        int side;
    } cases[] = {
        {"room on both sides: centred", 900, 632, AttachedBelow},
        {"tray at the top right", 1268, 632, AttachedBelowLeftward},
        {"tray at the top left", 12, 632, AttachedBelowRightward},
        {"just fits at the right", 1280 - 316, 632, AttachedBelow},
        {"width not known: centred", 1268, 0, AttachedBelow},
    };
    for (const Case& c : cases) {
        const WindowPlacement p =
            WindowPlacement::forMainWindow(false, false, false, F, QPointF(c.itemX, 778), c.windowWidth);
        EXPECT_EQ(p.side, c.side) << c.name;
        EXPECT_EQ(p.point, QPointF(c.itemX, 778)) << c.name;
        EXPECT_TRUE(p.hasArrow) << c.name;
    }
}

TEST_F(WindowControllerTest, TheMainWindowIsMadeWithTheMainLookAndStartsClosed)
{
    controller = WindowController::initWithRootApp(&host);
    ASSERT_TRUE(window());
    EXPECT_FALSE(controller->isActive());
    EXPECT_FALSE(window()->isVisible());
    EXPECT_EQ(window()->view(), mainView.get());
    EXPECT_EQ(window()->borderWidth(), 1);
    EXPECT_EQ(window()->cornerRadius(), 6);
    EXPECT_EQ(window()->viewMargin(), 6);
    EXPECT_EQ(window()->arrowBaseWidth(), 20);
    EXPECT_EQ(window()->arrowHeight(), 10);
    EXPECT_FALSE(window()->hasArrow());
    EXPECT_EQ(window()->backgroundColor(), QColor(12, 34, 83));
    EXPECT_EQ(window()->borderColor(), QColor(55, 15, 0));
    EXPECT_EQ(window()->level(), Window::Level::Normal);
    EXPECT_EQ(window()->point(), host.position);
}

TEST_F(WindowControllerTest, WithNoMainViewThereIsNoWindowAndNothingBreaks)
{
    MainView::setCurrent(nullptr);
    controller = WindowController::initWithRootApp(&host);
    EXPECT_EQ(window(), nullptr);
    controller->setActive(true);
    EXPECT_TRUE(controller->isActive());
    controller->setActive(false);
    scheduler.advance(1);
}

TEST_F(WindowControllerTest, OpeningPlacesTheWindowForEachLayoutAndFadesItIn)
{
    controller = WindowController::initWithRootApp(&host);
    // The window is the view (620 x 700) plus a 6-point margin all round and
    // the 10-point arrow band at the top; arrow inset 10 + 6 = 16. Its
    // point's height (778 under the item, 786 for the others) lies in the
    // panel's strip above the visible frame (776 high): the window is kept
    // under it.
    const double W = 632, H = 722;
    struct Case {
        const char* name;
        bool planner, left, right;
        QRectF frame;
        int side;
        bool arrow;
        unsigned style;
        int statusRedraws;
        int activations;
    } cases[] = {
        {"attached", false, false, false, {900 - W / 2, 776 - H, W, H}, 1, true, BorderlessWindowMask, 1, 1},
        {"planner", true, false, false, {1260 - (W - 16), 776 - H, W, H}, 10, false, ClosableWindowMask, 1, 1},
        {"docked left", false, true, false, {20 - 16, 776 - H, W, H}, 11, false, ClosableWindowMask, 0, 2},
        {"docked right", false, false, true, {1260 - (W - 16), 776 - H, W, H}, 10, false, ClosableWindowMask, 0, 1},
    };
    for (const Case& c : cases) {
        mainView->setIsPlannerExpand(c.planner);
        mainView->setIsDockedLeft(c.left);
        mainView->setIsDockedRight(c.right);
        host.statusRedraws = host.activations = 0;
        controller->openWindow();
        EXPECT_EQ(window()->frame(), c.frame) << c.name;
        EXPECT_EQ(window()->side(), c.side) << c.name;
        EXPECT_EQ(window()->hasArrow(), c.arrow) << c.name;
        EXPECT_EQ(window()->styleMask(), c.style) << c.name;
        EXPECT_EQ(mainView->frame(), QRectF(6, 6, 620, 700)) << c.name;
        EXPECT_TRUE(window()->isVisible()) << c.name;
        EXPECT_DOUBLE_EQ(window()->alphaValue(), 1.0) << c.name;
        EXPECT_EQ(host.statusRedraws, c.statusRedraws) << c.name;
        EXPECT_EQ(host.activations, c.activations) << c.name;
    }
}

// On every screen, in every layout, the window stays in the usable area with
// its bottom bar (gear, sync, filters, pin) on the screen, and the planner
// and docked windows leave the tray item uncovered. The main view is as
// high as start-up makes it.
TEST_F(WindowControllerTest, EveryLayoutFitsTheUsableAreaOfEveryScreen)
{
    struct Desktop {
        QSizeF size;
        bool panelReservesItsStrip;
    } desktops[] = {
        {{1920, 1080}, true}, {{1280, 800}, true}, {{1440, 900}, true}, {{1024, 768}, true},
        {{1920, 1080}, false}, {{1280, 800}, false},
    };
    struct Layout {
        const char* name;
        bool planner, left, right;
    } layouts[] = {
        {"attached", false, false, false},
        {"planner", true, false, false},
        {"docked left", false, true, false},
        {"docked right", false, false, true},
    };
    constexpr double panel = 24;
    for (const Desktop& s : desktops) {
        const double W = s.size.width(), F = s.size.height();
        const QRectF visible(0, 0, W, s.panelReservesItsStrip ? F - panel : F);
        FakeShellHost screenHost;
        screenHost.fullSize = s.size;
        screenHost.visibleSize = visible.size();
        // The tray item sits at the top right corner, in the panel.
        screenHost.position = QPointF(W - 12, F - panel);
        const QRectF item(W - 24, F - panel, 24, panel);
        const QRectF area = WindowPlacement::screenArea(visible, screenHost.position);
        const double height = std::min(double(mainViewHeightForVisibleHeight(visible.height())),
                                       WindowPlacement::mainViewHeightFitting(area.height(), 1));
        for (const Layout& l : layouts) {
            const std::string name = l.name + std::string(" on ") + std::to_string(int(W)) + "x" +
                                     std::to_string(int(F)) + (s.panelReservesItsStrip ? "" : " (no strut)");
            const double width = l.planner ? std::floor(visible.width() - 20) : 620;
            MainView view(QRectF(0, 0, width, height));
            MainView::setCurrent(&view);
            view.setIsPlannerExpand(l.planner);
            view.setIsDockedLeft(l.left);
            view.setIsDockedRight(l.right);
            auto placed = WindowController::initWithRootApp(&screenHost);
            placed->openWindow();
            MAAttachedWindow* window = placed->popoverWindow();
            const QRectF frame = window->frame();
            EXPECT_TRUE(area.contains(frame)) << name;
            EXPECT_EQ(view.frame().size(), QSizeF(width, height)) << name << ": the view keeps its size";
            // The bottom bar: the view's lowest 40 points.
            const QRectF bar(frame.x() + window->viewFrame().x(), frame.y() + window->viewFrame().y(), width, 40);
            EXPECT_TRUE(area.contains(bar)) << name;
            if (l.planner || l.left || l.right) EXPECT_FALSE(frame.intersects(item)) << name;
            else EXPECT_DOUBLE_EQ(frame.y() + frame.height(), item.y()) << name << ": the arrow reaches the item";
            placed.reset();
            MainView::setCurrent(mainView.get());
        }
    }
}

TEST_F(WindowControllerTest, OpeningTwiceRePlacesTheSameWindow)
{
    controller = WindowController::initWithRootApp(&host);
    MAAttachedWindow* first = window();
    const int windowsBefore = int(QApplication::topLevelWidgets().size());
    controller->openWindow();
    host.position = QPointF(700, 778);
    controller->openWindow();
    EXPECT_EQ(window(), first);
    EXPECT_EQ(int(QApplication::topLevelWidgets().size()), windowsBefore);
    EXPECT_EQ(window()->frame().center().x(), 700);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_DOUBLE_EQ(window()->alphaValue(), 1.0);
}

// Readied in the wait before it opens, the window is already where the
// opening puts it and stays hidden until then; the opening still places it
// from what is current (the tray item moved meanwhile), and a shown window
// is left where it is.
TEST_F(WindowControllerTest, ReadyingAheadPlacesTheHiddenWindowAsTheOpeningWould)
{
    // Placed also when no time is left to draw it ahead.
    struct Case {
        const char* name;
        bool planner, left, right;
        double secondsLeft;
    } cases[] = {
        {"attached", false, false, false, 0.1},
        {"planner", true, false, false, 0},
        {"docked left", false, true, false, 0.1},
        {"docked right", false, false, true, 0},
    };
    for (const Case& c : cases) {
        mainView->setIsPlannerExpand(c.planner);
        mainView->setIsDockedLeft(c.left);
        mainView->setIsDockedRight(c.right);
        host.position = QPointF(900, 778);
        controller = WindowController::initWithRootApp(&host);
        controller->prepareToOpen(c.secondsLeft);
        EXPECT_FALSE(window()->isVisible()) << c.name;
        const QRectF readied = window()->frame();
        controller->openWindow();
        EXPECT_EQ(window()->frame(), readied) << c.name;
        host.position = QPointF(700, 778);
        controller->prepareToOpen(0.1);
        EXPECT_EQ(window()->frame(), readied) << c.name << ": shown, it stays";
    }
    mainView->setIsPlannerExpand(false);
    mainView->setIsDockedLeft(false);
    mainView->setIsDockedRight(false);
    controller = WindowController::initWithRootApp(&host);
    host.position = QPointF(900, 778);
    controller->prepareToOpen(0.1);
    host.position = QPointF(700, 778);
    controller->openWindow();
    EXPECT_EQ(window()->frame().center().x(), 700) << "the opening follows the item that moved";
}

TEST_F(WindowControllerTest, SetActiveOpensAndClosesOnlyOnAChange)
{
    controller = WindowController::initWithRootApp(&host);
    QList<std::pair<bool, bool>> changes;
    QObject::connect(controller.get(), &WindowController::isActiveChanged,
                     [&](bool oldValue, bool newValue) { changes.append({oldValue, newValue}); });

    controller->setActive(true);
    controller->setActive(true);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(changes, (QList<std::pair<bool, bool>>{{false, true}}));

    controller->setActive(false);
    controller->setActive(false);
    EXPECT_EQ(changes, (QList<std::pair<bool, bool>>{{false, true}, {true, false}}));
    EXPECT_EQ(popoverCloses, 1);
    // Faded out at once, off the screen 0.2 s later.
    EXPECT_DOUBLE_EQ(window()->alphaValue(), 0.0);
    EXPECT_TRUE(window()->isVisible());
    scheduler.advance(0.19);
    EXPECT_TRUE(window()->isVisible());
    scheduler.advance(0.02);
    EXPECT_FALSE(window()->isVisible());
    EXPECT_EQ(changes.size(), 2);  // the close itself changes nothing more
}

TEST_F(WindowControllerTest, ReopeningBeforeTheDelayedCloseKeepsTheWindowOpen)
{
    controller = WindowController::initWithRootApp(&host);
    controller->setActive(true);
    controller->setActive(false);
    scheduler.advance(0.1);
    controller->setActive(true);
    scheduler.advance(1);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_TRUE(controller->isActive());
    EXPECT_DOUBLE_EQ(window()->alphaValue(), 1.0);
}

TEST_F(WindowControllerTest, LosingTheFocusClosesUnlessPinnedOrAChildWindowShows)
{
    controller = WindowController::initWithRootApp(&host);

    controller->setActive(true);
    resignKey();
    EXPECT_FALSE(controller->isActive());
    // Once from the focus loss, once more from the close it caused.
    EXPECT_EQ(popoverCloses, 2);
    scheduler.advance(0.2);
    EXPECT_FALSE(window()->isVisible());

    mainView->setIsPinned(true);
    controller->setActive(true);
    popoverCloses = 0;
    resignKey();
    EXPECT_TRUE(controller->isActive());
    EXPECT_EQ(popoverCloses, 1);  // the popovers close all the same

    mainView->setIsPinned(false);
    Panel about;
    window()->addChildWindow(&about);
    resignKey();
    EXPECT_TRUE(controller->isActive());
    window()->removeChildWindow(&about);
    resignKey();
    EXPECT_FALSE(controller->isActive());

    // A window already gone from the screen is left as it is.
    scheduler.advance(0.2);
    controller->setActive(true);
    window()->orderOut();
    resignKey();
    EXPECT_TRUE(controller->isActive());
}

TEST_F(WindowControllerTest, AClosedWindowIsInactiveAndItsChildWindowsCloseToo)
{
    controller = WindowController::initWithRootApp(&host);
    controller->setActive(true);
    Panel about;
    about.orderFront();
    window()->addChildWindow(&about);
    ASSERT_TRUE(about.isVisible());

    window()->close();
    EXPECT_FALSE(controller->isActive());
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.parentWindow(), nullptr);
    EXPECT_TRUE(window()->childWindows().isEmpty());
    scheduler.advance(1);
    EXPECT_FALSE(window()->isVisible());
}

TEST_F(WindowControllerTest, NoFieldKeepsTheFocusOnceTheWindowIsShown)
{
    auto* field = new QLineEdit(mainView.get());
    field->setFocus();
    controller = WindowController::initWithRootApp(&host);
    controller->openWindow();
    field->setFocus();
    ASSERT_EQ(window()->focusWidget(), field);
    scheduler.advance(0.1);
    EXPECT_EQ(window()->focusWidget(), field);
    scheduler.advance(0.06);
    EXPECT_EQ(window()->focusWidget(), nullptr);
    EXPECT_FALSE(field->hasFocus());
}

TEST_F(WindowControllerTest, TheSplashHangsAtTheTopRightWithoutAnArrow)
{
    View splash(QRectF(0, 0, 300, 200));
    auto splashController = WindowController::initWithSplashScreen(&host, &splash);
    MAAttachedWindow* window = splashController->popoverWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->delegate(), nullptr);
    EXPECT_EQ(window->backgroundColor().alpha(), 0);
    splashController->showSplashScreen();
    EXPECT_TRUE(window->isVisible());
    EXPECT_DOUBLE_EQ(window->alphaValue(), 1.0);
    EXPECT_FALSE(window->hasArrow());
    EXPECT_EQ(window->side(), AttachedBelowLeftward);
    // Its right edge would be an arrow inset (10 + 8) past x 1275, 13 past
    // the screen's edge: it is kept on the screen. Its top at 515.
    const QRectF frame = window->frame();
    EXPECT_DOUBLE_EQ(frame.x() + frame.width(), 1280);
    EXPECT_DOUBLE_EQ(frame.y() + frame.height(), 800 - 285);
    EXPECT_EQ(host.activations, 1);
    EXPECT_EQ(splashController->isActive(), false);

    EXPECT_EQ(WindowController::initWithSplashScreen(&host, nullptr)->popoverWindow(), nullptr);
}
