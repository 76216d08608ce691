// Our windows under the window manager scripts/with-display.sh starts, as on
// a person's desktop: what it makes active, how it stacks them, its close
// request, and the area its panel leaves free.
#include "RealWindowSupport.h"
#include "WindowManagerSupport.h"

#include "Screenshot.h"
#include "AlertRequest.h"
#include "MessageBoxAlertPresenter.h"
#include "Screen.h"
#include "View.h"
#include "Window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <memory>

using namespace RealWindows;

namespace {

class UnderAWindowManager : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        ASSERT_FALSE(WindowManager::name().isEmpty())
            << "no window manager on this display: run under scripts/with-display.sh";
    }
};

class CloseLog : public WindowDelegate {
public:
    void windowWillClose(Window*) override { ++closes; }
    int closes = 0;
};

std::unique_ptr<Window> titledWindow(const QRectF& frame, unsigned style = TitledWindowMask | ClosableWindowMask)
{
    auto window = std::make_unique<Window>(frame, style);
    window->setBackgroundBrush(QColor(200, 200, 210));
    window->setWindowTitle(QStringLiteral("Zoravel test"));
    return window;
}

}  // namespace

TEST_F(UnderAWindowManager, ThePanelsStripIsLeftOutOfTheVisibleFrame)
{
    const QRect workArea = WindowManager::workArea();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_FALSE(workArea.isEmpty());
    EXPECT_LT(workArea.height(), screen.height()) << "the tray's panel reserves its strip";
    EXPECT_TRUE(waitUntil([&] { return Screen::mainVisibleFrame() == Screen::fromQt(QRectF(workArea)); }));
    // The strip is at the top: our visible frame starts at the screen's bottom.
    EXPECT_EQ(Screen::mainVisibleFrame().y(), 0);
    EXPECT_LT(Screen::mainVisibleFrame().height(), Screen::mainFrame().height());
}

TEST_F(UnderAWindowManager, AKeyWindowIsTheManagersActiveWindowAndTheFocusFollows)
{
    auto a = titledWindow(QRectF(100, 300, 260, 160));
    auto b = titledWindow(QRectF(450, 300, 260, 160));
    a->makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return a->isKeyWindow(); }));
    EXPECT_TRUE(waitUntil([&] { return WindowManager::activeWindow() == a->windowHandle()->winId(); }));

    b->makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return b->isKeyWindow(); }));
    EXPECT_FALSE(a->isKeyWindow());
    EXPECT_TRUE(waitUntil([&] { return WindowManager::activeWindow() == b->windowHandle()->winId(); }));

    // Activated again by the program (as the tray item's click does).
    a->makeKeyAndOrderFront();
    EXPECT_TRUE(waitUntil([&] { return a->isKeyWindow() && !b->isKeyWindow(); }));
    EXPECT_TRUE(waitUntil([&] { return WindowManager::activeWindow() == a->windowHandle()->winId(); }));

    // The one that goes hands the keyboard back.
    a->orderOut();
    EXPECT_TRUE(waitUntil([&] { return b->isKeyWindow(); }));
}

TEST_F(UnderAWindowManager, StatusWindowsAndChildWindowsStayAboveInTheManagersStack)
{
    auto normal = titledWindow(QRectF(100, 200, 300, 200));
    auto status = titledWindow(QRectF(200, 250, 300, 200), BorderlessWindowMask);
    status->setLevel(Window::Level::Status);
    auto parent = titledWindow(QRectF(500, 200, 300, 200));
    auto child = titledWindow(QRectF(550, 250, 120, 100), BorderlessWindowMask | UtilityWindowMask);
    parent->addChildWindow(child.get());
    status->orderFront();
    parent->orderFront();
    child->orderFront();
    normal->makeKeyAndOrderFront();
    for (Window* w : {normal.get(), status.get(), parent.get(), child.get()}) ASSERT_TRUE(shownOnScreen(*w));

    const auto index = [](Window& w) { return WindowManager::stackingIndex(w.windowHandle()); };
    // The normal window came last and has the focus, and still the status
    // window stays above it.
    EXPECT_TRUE(waitUntil([&] { return index(*normal) >= 0 && index(*status) > index(*normal); }));

    // Raising the parent keeps its child above it.
    parent->makeKeyAndOrderFront();
    EXPECT_TRUE(waitUntil([&] { return index(*parent) > index(*normal) && index(*child) > index(*parent); }));
}

TEST_F(UnderAWindowManager, TheTitleBarsCloseClosesTheWindowThroughItsDelegate)
{
    CloseLog log;
    auto window = titledWindow(QRectF(200, 200, 300, 200));
    window->setDelegate(&log);
    window->makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(*window));
    // The manager drew a title bar round it, outside our frame.
    EXPECT_TRUE(waitUntil([&] { return window->windowHandle()->frameMargins().top() > 0; }));

    WindowManager::askToClose(window->windowHandle());
    EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_EQ(log.closes, 1);

    // A borderless window (the main window) has no title bar to close it by.
    auto borderless = titledWindow(QRectF(200, 200, 300, 200), BorderlessWindowMask);
    borderless->orderFront();
    ASSERT_TRUE(shownOnScreen(*borderless));
    EXPECT_EQ(borderless->windowHandle()->frameMargins().top(), 0);
}

TEST_F(UnderAWindowManager, CentredAndConstrainedWindowsLandInTheUsableAreaWithTheirTitleBars)
{
    const QRect workArea = WindowManager::workArea();
    struct Case {
        const char* name;
        QRectF asked;
        bool centre;
    } cases[] = {
        {"centred, as the preferences open", {0, 0, 560, 420}, true},
        {"asked over the panel", {300, Screen::mainFrame().height() - 100, 300, 150}, false},
        {"asked past the right edge", {Screen::mainFrame().width() - 120, 300, 300, 150}, false},
    };
    for (const Case& c : cases) {
        auto window = titledWindow(c.asked);
        if (c.centre) window->center();
        else window->setFrame(Window::constrainFrameRect(c.asked));
        const QRectF placed = window->frame();
        window->makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(*window)) << c.name;
        // The manager leaves it where the program put it.
        EXPECT_TRUE(waitUntil([&] { return window->frame() == placed; })) << c.name;
        EXPECT_TRUE(Screen::mainVisibleFrame().contains(placed)) << c.name;
        if (c.centre) {
            // Title bar and all, it lies in the work area.
            EXPECT_TRUE(waitUntil([&] { return workArea.contains(window->frameGeometry()); })) << c.name;
        }
    }
}

TEST_F(UnderAWindowManager, AnAttachedAlertLiesInTheUsableAreaUnderAWindowAtItsTop)
{
    const QRect workArea = WindowManager::workArea();
    ASSERT_FALSE(workArea.isEmpty());
    // The main window opened from the tray: borderless, at the area's top.
    const QRectF visible = Screen::mainVisibleFrame();
    auto main = titledWindow(QRectF(visible.x() + 100, visible.y() + visible.height() - 400, 600, 400),
                             BorderlessWindowMask);
    main->makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(*main));

    QRect placed;
    QElapsedTimer shown;
    shown.start();
    // Where the box settles once the manager has framed it.
    QTimer look;
    look.setInterval(50);
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || shown.elapsed() < 3000) return;
        placed = WindowManager::frameOnScreen(box->windowHandle());
        QGuiApplication::primaryScreen()->grabWindow(0).toImage().save(
            QDir(screenshotFolder()).filePath(QStringLiteral("attached-alert-at-the-top.png")));
        MessageBoxAlertPresenter::stopModal();
    });
    look.start();
    MessageBoxAlertPresenter alerts;
    AlertRequest request;
    request.messageText = QStringLiteral("Do you want to change only this occurrence?");
    request.addButtonWithTitle(QStringLiteral("Only This"));
    request.addButtonWithTitle(QStringLiteral("Cancel"));
    request.attachedTo = main.get();
    alerts.runModal(request);
    look.stop();
    ASSERT_FALSE(placed.isEmpty());
    EXPECT_TRUE(workArea.contains(placed)) << "title bar and all, out of the panel's strip";
    EXPECT_NEAR(placed.center().x(), main->frameGeometry().center().x(), 2) << "centred on its window";
}
