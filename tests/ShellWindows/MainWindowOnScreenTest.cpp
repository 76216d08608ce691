// The main window and the splash on a real X server: where they land, the
// focus, and closing when another window takes the focus.
#include "../PlatformWindows/RealWindowSupport.h"

#include "MAAttachedWindow.h"
#include "Button.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "Screen.h"
#include "Screenshot.h"
#include "ShellHost.h"
#include "WindowController.h"
#include "WindowPlacement.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <memory>

namespace MainWindowOnScreenTests {

using namespace RealWindows;

namespace {

// The real screen, and a tray item standing at the top of it.
class ScreenHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override
    {
        return (fullFrame ? Screen::mainFrame() : Screen::mainVisibleFrame()).size();
    }
    QRectF visibleFrame() const override { return Screen::mainVisibleFrame(); }
    QPointF statusItemPosition() const override { return position; }
    void statusItemNeedsDisplay() override {}
    void activateIgnoringOtherApps() override {}

    QPointF position = QPointF(700, Screen::mainFrame().height() - 24);
};

class PaintedView : public View {
public:
    PaintedView(const QRectF& frame, QColor colour) : View(frame), m_colour(colour) {}
    void drawRect(QPainter& painter, const QRectF&) override { painter.fillRect(bounds().adjusted(20, 20, -20, -20), m_colour); }

private:
    QColor m_colour;
};

class MainWindowOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        // Built and laid out as start-up does: as wide as the screen allows,
        // as high as the window fits under the panel, the list column shown.
        savedHeight = mainViewHeight;
        const QRectF visible = Screen::mainVisibleFrame();
        mainViewHeight = std::min<quint64>(
            mainViewHeightForVisibleHeight(visible.height()),
            quint64(WindowPlacement::mainViewHeightFitting(
                WindowPlacement::screenArea(visible, host.position).height(), Screen::mainScale())));
        mainView = std::make_unique<MainView>(QRectF(0, 0, visible.width() - 20, double(mainViewHeight)));
        mainView->showHideBtn()->setState(1);
        mainView->showHide();
        MainView::setCurrent(mainView.get());
        controller = WindowController::initWithRootApp(&host);
        ASSERT_TRUE(controller->popoverWindow());
    }
    void TearDown() override
    {
        controller.reset();
        MainView::setCurrent(nullptr);
        mainView.reset();
        mainViewHeight = savedHeight;
        RealWindowTest::TearDown();
    }
    MAAttachedWindow* window() const { return controller->popoverWindow(); }

    ScreenHost host;
    quint64 savedHeight = 0;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;
};

}  // namespace

TEST_F(MainWindowOnScreen, OpensUnderTheTrayItemAsTheKeyWindow)
{
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    EXPECT_TRUE(waitUntil([&] { return window()->isKeyWindow(); }));

    // The arrow's tip is at the item's point: the window hangs centred from it.
    const QRectF frame = window()->frame();
    EXPECT_DOUBLE_EQ(frame.center().x(), host.position.x());
    EXPECT_DOUBLE_EQ(frame.y() + frame.height(), host.position.y());
    const QRect expected = Screen::toQt(frame).toRect();
    EXPECT_TRUE(waitUntil([&] { return window()->windowHandle()->geometry() == expected; }));
    // Whole on the screen, bottom bar included, out of the panel's strip.
    EXPECT_TRUE(Screen::mainVisibleFrame().contains(frame));

    // The bubble's colour shows in the arrow, just under its tip; the main
    // view's panes cover the rest.
    const QPointF inArrow(host.position.x(), host.position.y() - 6);
    EXPECT_TRUE(screenShows(Screen::toQt(inArrow).toPoint(), QColor(12, 34, 83)));

    const QRect grab = expected.adjusted(-20, -20, 20, 20);
    const QImage picture = QGuiApplication::primaryScreen()->grabWindow(0, grab.x(), grab.y(), grab.width(),
                                                                         grab.height()).toImage();
    EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(QStringLiteral("main-window-attached.png"))));
}

TEST_F(MainWindowOnScreen, AnotherWindowTakingTheFocusClosesItUnlessPinned)
{
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    ASSERT_TRUE(waitUntil([&] { return window()->isKeyWindow(); }));

    Window other(QRectF(50, 50, 200, 150));
    other.makeKeyAndOrderFront();
    EXPECT_TRUE(waitUntil([&] { return !controller->isActive(); }));
    EXPECT_TRUE(waitUntil([&] { return !window()->isVisible(); }));

    mainView->setIsPinned(true);
    controller->setActive(true);
    ASSERT_TRUE(waitUntil([&] { return window()->isKeyWindow(); }));
    other.makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return other.isKeyWindow(); }));
    QElapsedTimer timer;
    timer.start();
    waitUntil([&] { return timer.elapsed() > 400; });  // longer than the delayed close
    EXPECT_TRUE(controller->isActive());
    EXPECT_TRUE(window()->isVisible());
}

TEST_F(MainWindowOnScreen, TheSplashShowsAtTheTopRightOfTheScreen)
{
    PaintedView splash(QRectF(0, 0, 300, 200), QColor(200, 80, 40));
    auto splashController = WindowController::initWithSplashScreen(&host, &splash);
    MAAttachedWindow* window = splashController->popoverWindow();
    ASSERT_TRUE(window);
    splashController->showSplashScreen();
    ASSERT_TRUE(shownOnScreen(*window));

    const QRectF screen = Screen::mainFrame();
    const QRectF frame = window->frame();
    EXPECT_LE(frame.x() + frame.width(), screen.width()) << "wholly on the screen";
    EXPECT_GT(frame.x(), screen.width() / 2);
    EXPECT_DOUBLE_EQ(frame.y() + frame.height(), screen.height() - 285);
    const QPointF middle = frame.center();
    EXPECT_TRUE(screenShows(Screen::toQt(middle).toPoint(), QColor(200, 80, 40)));
}

TEST_F(MainWindowOnScreen, TheListColumnWidensTheOpenWindowRoundItsPoint)
{
    mainView->showHideBtn()->setState(0);
    mainView->showHide();
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    const double narrow = window()->frame().width();

    mainView->showHideBtn()->setState(1);
    mainView->showHide();
    EXPECT_TRUE(waitUntil([&] { return window()->frame().width() > narrow + 300; }))
        << "the window takes the list column's 310 points";
    const QRectF frame = window()->frame();
    EXPECT_DOUBLE_EQ(frame.y() + frame.height(), host.position.y()) << "still hanging from the item's point";
    const QRect expected = Screen::toQt(frame).toRect();
    EXPECT_TRUE(waitUntil([&] { return window()->windowHandle()->geometry() == expected; }));
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 300; });  // the server repaints the wider window
    const QRect grab = expected.adjusted(-10, -10, 10, 10);
    const QImage picture = QGuiApplication::primaryScreen()->grabWindow(0, grab.x(), grab.y(), grab.width(),
                                                                         grab.height()).toImage();
    EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(QStringLiteral("main-window-with-lists-on-screen.png"))));
}

}  // namespace MainWindowOnScreenTests
